#!/bin/sh
# Measures the readability page of a large run side by side for two builds
# of retime (say main's and this one's): each writes its page for the same
# directory of generated pairs (bench/report_pairs.sh, 200 pairs and about
# 67,000 cues unless DIRECTORY is given), and headless Chromium renders
# both in turns, with an empty page as the yardstick of starting the
# browser. Printed: each page's size, and per page the medians of the
# browser's whole run, of the time from loading the page to showing it,
# and of laying out all of it after that.
#
#   bench/report_render.sh OLD_RETIME NEW_RETIME [ROUNDS] [DIRECTORY]
#
# Each run of the browser starts with a fresh profile, offline.
set -eu

old=${1:?usage: bench/report_render.sh OLD_RETIME NEW_RETIME [ROUNDS] [DIRECTORY]}
new=${2:?usage: bench/report_render.sh OLD_RETIME NEW_RETIME [ROUNDS] [DIRECTORY]}
rounds=${3:-3}
pairs=${4:-}
chromium=$(command -v chromium) || { echo "chromium not found on PATH" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/retime-render-XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ -z "$pairs" ]; then
  "$here/report_pairs.sh" "$work/pairs" >/dev/null
  pairs=$work/pairs
fi
printf '<!DOCTYPE html>\n<title>leer</title>\n' >"$work/empty.html"

# Each build in a folder of its own (its settings file lies beside it) on
# a copy of the pairs.
for build in old new; do
  mkdir -p "$work/$build/bin"
  eval "cp \"\$$build\" \"$work/$build/bin/retime\""
  cp -R "$pairs" "$work/$build/pairs"
  rm -rf "$work/$build/pairs/untertitel"
  "$work/$build/bin/retime" --report "$work/$build/pairs" >/dev/null || true
  page=$work/$build/pairs/untertitel/bericht.html
  [ -f "$page" ] || { echo "$build: no page written" >&2; exit 1; }
  echo "$build page: $(wc -c <"$page") bytes"
done

# The harness loads the page named after its "#" in a frame of 1280 x 900
# pixels and logs, on the browser's console, the milliseconds from its own
# start to the second frame painted after the page's load (the page
# opened and shown), then those to lay out every section of it as well
# (content-visibility set to visible, as scrolling through the page or
# printing it does). The page itself runs no script; the harness is a page
# of its own around it, allowed to read it as a file.
cat >"$work/harness.html" <<'HARNESS'
<!DOCTYPE html><html><body style="margin:0"><script>
const start = performance.now();
const frame = document.createElement('iframe');
frame.style = 'border:0;width:1280px;height:900px';
frame.onload = () => {
  const page = frame.contentDocument;
  page.documentElement.scrollHeight;
  requestAnimationFrame(() => requestAnimationFrame(() => {
    const shown = performance.now();
    const all = page.createElement('style');
    all.textContent = 'section{content-visibility:visible!important}';
    page.head.appendChild(all);
    page.documentElement.scrollHeight;
    console.log('RENDER ' + Math.round(shown - start) + ' ' + Math.round(performance.now() - shown));
  }));
};
frame.src = decodeURIComponent(location.hash.slice(1));
document.body.appendChild(frame);
</script></body></html>
HARNESS

# One run of the browser on the page $1: prints the wall time of the whole
# run, the harness's two times, in milliseconds.
render_ms() {
  profile=$(mktemp -d "$work/profile-XXXXXX")
  from=$(date +%s%N)
  times=$(HOME=$work timeout 300 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$profile" \
    --allow-file-access-from-files --enable-logging=stderr --v=0 --window-size=1280,900 \
    --screenshot="$work/shot.png" "file://$work/harness.html#file://$1" 2>&1 |
    sed -n 's/.*"RENDER \([0-9]*\) \([0-9]*\)".*/\1 \2/p')
  to=$(date +%s%N)
  rm -rf "$profile"
  echo "$(( (to - from) / 1000000 )) ${times:-? ?}"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2)) }'; }

round=1
while [ "$round" -le "$rounds" ]; do
  render_ms "$work/empty.html" >>"$work/empty.ms"
  render_ms "$work/old/pairs/untertitel/bericht.html" >>"$work/old.ms"
  render_ms "$work/new/pairs/untertitel/bericht.html" >>"$work/new.ms"
  round=$((round + 1))
done

echo "medians of $rounds runs (ms): whole browser run / page opened and shown / every section laid out after that"
for page in empty old new; do
  echo "$page page: $(cut -d' ' -f1 <"$work/$page.ms" | median) / $(cut -d' ' -f2 <"$work/$page.ms" | median) /" \
    "$(cut -d' ' -f3 <"$work/$page.ms" | median)   (runs: $(tr '\n' ',' <"$work/$page.ms"))"
done
