// The fast retiming search against the plain transcription the unit tests
// use (tests/retime/reference_search.h), on an arbitrary timecode file and
// text cut as engine_input.h says, with at most 600 passes (the plain
// search is slow; 600 still covers the worked example's 589).
//
// Checks that both give the same console lines, the same output bytes, the
// same number of passes, the same outcome and the same outgoing number line,
// in both widths of the text tables, with and without reusing unchanged cue
// steps, and with the portable bit operations as well as the processor's.
// The tables, the reuse of steps, the bit operations and the quick quota
// rounding are where the fast search can go wrong without any sanitizer
// noticing.
#include <cstdint>
#include <string>

#include "fuzz/engine_input.h"
#include "fuzz/fuzz_support.h"
#include "retime/distribution.h"
#include "tests/retime/reference_search.h"

namespace {

using rt::fuzz::require;
using rt::fuzz::shown;

const std::string kIncomingNumberLine = "7";

constexpr std::int64_t kMaxPasses = 600;

std::string difference(const rt::SearchRecord& fast, const rt::SearchRecord& plain) {
  std::string shown_difference;
  if (fast.console != plain.console) shown_difference += "console lines differ\n";
  if (fast.output != plain.output) {
    shown_difference += "output " + shown(fast.output, 600) + "\nplain  " + shown(plain.output, 600) + "\n";
  }
  if (fast.passes != plain.passes) {
    shown_difference += "passes " + std::to_string(fast.passes) + " plain " + std::to_string(plain.passes) + "\n";
  }
  if (fast.failed != plain.failed) shown_difference += "outcome differs\n";
  if (fast.closes != plain.closes || fast.closed_before_failure != plain.closed_before_failure) {
    shown_difference += "closing differs\n";
  }
  if (fast.number_line != plain.number_line) {
    shown_difference += "number line " + shown(fast.number_line) + " plain " + shown(plain.number_line) + "\n";
  }
  return shown_difference;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = rt::fuzz::input_text(data, size);
  const rt::fuzz::EngineInput cut = rt::fuzz::engine_input(input);

  const rt::SearchRecord plain =
      rt::reference_search(cut.text, cut.timecode_lines, kIncomingNumberLine, kMaxPasses);

  for (int variant = 0; variant < 4; ++variant) {
    rt::RetimeOptions options;
    options.max_passes = kMaxPasses;
    options.wide_positions = variant == 1;
    options.reuse_unchanged_steps = variant != 2;
    options.portable_bits = variant == 3;
    const rt::SearchRecord fast = rt::record_engine(cut.text, cut.timecode_lines, kIncomingNumberLine, options);
    const std::string differs = difference(fast, plain);
    require(differs.empty(), "the fast search gives what the plain one gives",
            "variant " + std::to_string(variant) + "\n" + differs + "input " + shown(input, 600));
  }
  return 0;
}
