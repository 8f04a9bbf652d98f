// The readability page (report_page) of a run whose names, texts, failure
// reasons and cue times are arbitrary bytes. The input is cut at each 0x1E
// byte into fields: the first field's bytes set the shape of the run (the
// number of pairs, how each ended, how many cues it has and how many of
// them were written, the limits, the time the page says it was made); then
// the directory and a failure reason; then per pair its timecode file's
// name, its text file's name, its output's name, its text, and extra
// timecode lines (one per line, cues the text did not reach). A re-timed
// pair goes through the readability tap as retime_pair feeds it: its text
// cut into consecutive segments, one per written cue.
//
// Checks, besides the sanitizers:
// - the page is valid UTF-8 (no overlong forms, no surrogates);
// - its markup is the page's own: only the page's fixed set of elements,
//   attributes and character references, every attribute value quoted,
//   every element closed in order (the cells and rows of the flagged cues'
//   tables by the next one, as HTML does), the style sheet its own;
// - no user byte is markup: the same run with every user text replaced by
//   plain letters (line ends kept) gives the very same tags in the same
//   order, so every user byte lies in a text node.
#include <cstdint>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "driver/report.h"
#include "driver/report_page.h"
#include "driver/report_style.h"
#include "fuzz/fuzz_support.h"

namespace {

using rt::fuzz::require;
using rt::fuzz::shown;

constexpr char kFieldSeparator = '\x1E';
constexpr std::size_t kFieldsPerPair = 5;
constexpr int kMostPairs = 3;
// Enough cues to draw a long file in spans.
constexpr std::size_t kLongFileCues = rt::kMostSingleBars + 1;

const std::set<std::string> kElements = {
    "html", "head",  "meta", "title",   "style",   "body",  "svg",        "defs",    "pattern", "line",
    "h1",   "h2",    "p",    "br",      "section", "table", "caption",    "thead",   "tbody",   "tr",
    "th",   "td",    "a",    "strong",  "dl",      "dt",    "dd",         "figure",  "figcaption", "div",
    "span", "g",     "text", "path",    "rect",    "details", "summary"};
const std::set<std::string> kVoidElements = {"meta", "br"};
const std::set<std::string> kSelfClosing = {"line", "path", "rect"};
const std::set<std::string> kAttributes = {
    "lang",   "charset", "http-equiv", "content", "name", "class", "aria-hidden", "id",          "width",
    "height", "patternUnits", "patternTransform", "x1", "y1", "x2", "y2", "xmlns", "viewBox", "role",
    "aria-label", "href", "colspan", "d", "x", "y", "text-anchor"};
const std::set<std::string> kReferences = {"&amp;",    "&lt;",   "&gt;",   "&quot;", "&#39;",  "&uuml;", "&auml;",
                                           "&ouml;",   "&Uuml;", "&ndash;", "&hellip;", "&#9650;"};

std::vector<std::string> fields_of(const std::string& input) {
  std::vector<std::string> fields(1);
  for (char c : input) {
    if (c == kFieldSeparator) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// Byte i of the shape field, 0 past its end.
struct Shape {
  std::string bytes;
  unsigned at(std::size_t i) const { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0; }
};

std::string field(const std::vector<std::string>& fields, std::size_t i) {
  return i < fields.size() ? fields[i] : std::string();
}

// A re-timed pair fed through the tap: cues many cues (times from the
// text's bytes, some of no or negative duration), the first written of
// them holding consecutive pieces of the text, then the extra lines.
void feed_pair(rt::PairReadability& pair, const std::string& text, const std::string& extra_lines, std::size_t cues,
               std::size_t written) {
  std::vector<std::string> lines;
  std::int64_t at = 0;
  for (std::size_t i = 0; i < cues; ++i) {
    const unsigned b = text.empty() ? 7 : static_cast<unsigned char>(text[i % text.size()]);
    const std::int32_t start = static_cast<std::int32_t>(at);
    const std::int32_t duration = static_cast<std::int32_t>(b % 61) * 100 - 300;
    lines.push_back(std::to_string(i + 1));
    lines.push_back(rt::timecode_text(start) + " --> " + rt::timecode_text(start + duration));
    lines.push_back("");
    at += 1500 + (b % 4) * 1000;
  }
  std::string line;
  for (char c : extra_lines + "\n") {
    if (c != '\n') {
      line += c;
      continue;
    }
    if (!line.empty()) lines.push_back(line);
    line.clear();
  }
  const rt::PairTap tap = rt::readability_tap(pair);
  const rt::PairText pair_text(text);
  tap.read(pair_text, lines);
  std::size_t from = 0;
  for (std::size_t i = 0; i < written && i < cues; ++i) {
    const std::size_t to = i + 1 == written ? text.size() : text.size() * (i + 1) / written;
    // The piece by its bytes' positions (a UTF-8 text's characters are
    // fewer: a cut past the searched text leaves nothing over).
    tap.entry(rt::WrittenCue{i, lines[3 * i], lines[3 * i + 1], text.substr(from, to - from),
                             static_cast<rt::Pos>(from + 1), static_cast<rt::Pos>(to)});
    from = to;
  }
  rt::RetimeOutcome outcome;
  outcome.passes = static_cast<std::int64_t>(cues);
  outcome.factor = 1.0;
  tap.ended(outcome, false);
}

struct Run {
  std::string directory;
  rt::ReadabilityLimits limits;
  std::vector<rt::PairReadability> pairs;
  std::time_t made_at = 0;
};

Run run_of(const std::vector<std::string>& fields) {
  const Shape shape{fields[0]};
  Run run;
  run.directory = field(fields, 1);
  run.limits.cps = static_cast<int>(1 + shape.at(0) % 40);
  run.limits.cue_characters = static_cast<int>(1 + shape.at(1) % 120);
  run.made_at = static_cast<std::time_t>(shape.at(2) << 24 | shape.at(3) << 16 | shape.at(4) << 8 | shape.at(5));
  const int pairs = 1 + static_cast<int>(shape.at(6) % kMostPairs);
  for (int p = 0; p < pairs; ++p) {
    const std::size_t base = 3 + static_cast<std::size_t>(p) * kFieldsPerPair;
    const unsigned kind = shape.at(7 + 3 * p);
    rt::PairReadability pair;
    pair.position = p + 1;
    pair.limits = run.limits;
    pair.timecode_name = field(fields, base);
    pair.text_name = kind % 4 == 0 ? std::string() : field(fields, base + 1);
    pair.output_name = field(fields, base + 2);
    if (kind % 4 == 1) {
      pair.end = rt::PairEnd::failed;
      pair.failure_reason = field(fields, 2);
    } else if (!pair.text_name.empty()) {
      const std::size_t cues = kind % 4 == 3 ? kLongFileCues + shape.at(8 + 3 * p) % 64 : 1 + shape.at(8 + 3 * p) % 12;
      const std::size_t written = cues - shape.at(9 + 3 * p) % (cues + 1);
      feed_pair(pair, field(fields, base + 3), field(fields, base + 4), cues, written);
    }
    run.pairs.push_back(std::move(pair));
  }
  return run;
}

// Plain letters for every user text, its line ends kept (they are breaks
// in a cell); the figures stay as they are.
std::string neutral(const std::string& text) {
  std::string plain = text;
  for (char& c : plain) c = c == '\n' ? '\n' : 'a';
  return plain;
}

Run neutral_run(Run run) {
  run.directory = neutral(run.directory);
  for (rt::PairReadability& pair : run.pairs) {
    for (std::string* text : {&pair.timecode_name, &pair.text_name, &pair.output_name, &pair.failure_reason}) {
      *text = neutral(*text);
    }
    for (rt::CueReading& cue : pair.cues) cue.text = neutral(cue.text);
  }
  return run;
}

bool valid_utf8(const std::string& t) {
  for (std::size_t i = 0; i < t.size();) {
    const unsigned b = static_cast<unsigned char>(t[i]);
    const std::size_t length = b < 0x80                ? 1
                               : b >= 0xC2 && b <= 0xDF ? 2
                               : b >= 0xE0 && b <= 0xEF ? 3
                               : b >= 0xF0 && b <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > t.size()) return false;
    std::uint32_t c = length == 1 ? b : b & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned next = static_cast<unsigned char>(t[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = c << 6 | (next & 0x3F);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

// Text between tags, or an attribute's value: any bytes but markup's own,
// an ampersand only as one of the page's references.
void check_text(const std::string& page, std::size_t from, std::size_t to, const char* where) {
  for (std::size_t i = from; i < to; ++i) {
    const char c = page[i];
    if (c == '<' || c == '>' || c == '"') rt::fuzz::fail(where, shown(page.substr(from, to - from)));
    if (c != '&') continue;
    const std::size_t end = page.find(';', i);
    if (end == std::string::npos || end >= to || kReferences.count(page.substr(i, end - i + 1)) == 0) {
      rt::fuzz::fail("only the page's own character references", shown(page.substr(i, 40)));
    }
  }
}

// The cells and rows whose end tags the page leaves to the parser.
void close_implied(std::vector<std::string>& open, const std::string& next) {
  const bool row_ends = next == "tr" || next == "/tbody" || next == "/tr";
  if (!open.empty() && open.back() == "td" && (next == "td" || row_ends)) open.pop_back();
  if (!open.empty() && open.back() == "tr" && (next == "tr" || next == "/tbody")) open.pop_back();
}

// Fails with the markup around at unless holds (the detail made only then).
void require_at(bool holds, const char* property, const std::string& page, std::size_t at) {
  if (!holds) rt::fuzz::fail(property, shown(page.substr(at, 80)));
}

// One tag from page[at] ('<'); returns the index after it and appends its
// markup to tags. Checks its name, its attributes and their quoted values.
std::size_t read_tag(const std::string& page, std::size_t at, std::vector<std::string>& open, std::string& tags) {
  const std::size_t end = page.find('>', at);
  require_at(end != std::string::npos, "every tag is closed", page, at);
  const bool closing = page[at + 1] == '/';
  std::size_t i = at + (closing ? 2 : 1);
  std::string name;
  while (i < end && page[i] != ' ' && page[i] != '/') name += page[i++];
  require_at(kElements.count(name) == 1, "only the page's own elements", page, at);
  close_implied(open, closing ? "/" + name : name);
  bool self_closed = false;
  while (i < end) {
    if (page[i] == '/' && i + 1 == end) {
      self_closed = true;
      ++i;
      continue;
    }
    require_at(page[i] == ' ' && !closing, "attributes after a blank, none on an end tag", page, at);
    const std::size_t equals = page.find('=', i);
    require_at(equals < end && kAttributes.count(page.substr(i + 1, equals - i - 1)) == 1,
               "only the page's own attributes", page, at);
    require_at(page[equals + 1] == '"', "attribute values quoted", page, at);
    const std::size_t value_end = page.find('"', equals + 2);
    require_at(value_end < end, "attribute values end inside their tag", page, at);
    check_text(page, equals + 2, value_end, "attribute values hold no markup");
    i = value_end + 1;
  }
  tags.append(page, at, end + 1 - at);
  if (closing) {
    require_at(!open.empty() && open.back() == name, "end tags close the innermost element", page, at);
    open.pop_back();
  } else if (self_closed) {
    require_at(kSelfClosing.count(name) == 1, "only SVG shapes close themselves", page, at);
  } else if (kVoidElements.count(name) == 0) {
    open.push_back(name);
  }
  return end + 1;
}

// The page's tags in order, checked; fails on anything but the page's own
// markup.
std::string checked_tags(const std::string& page) {
  const std::string doctype = "<!DOCTYPE html>\n";
  require(page.compare(0, doctype.size(), doctype) == 0, "the page starts with its doctype");
  const std::string style = rt::kReportStyle;
  const std::size_t style_at = page.find("<style>");
  require(style_at != std::string::npos && page.compare(style_at, style.size(), style) == 0,
          "the page's own style sheet");
  std::vector<std::string> open;
  std::string tags;
  std::size_t text_from = doctype.size();
  for (std::size_t at = doctype.size(); at < page.size();) {
    if (page[at] != '<') {
      ++at;
      continue;
    }
    check_text(page, text_from, at, "text holds no markup");
    if (at == style_at) {
      at += style.size();
      text_from = at;
      continue;
    }
    at = read_tag(page, at, open, tags);
    text_from = at;
  }
  check_text(page, text_from, page.size(), "text holds no markup");
  if (!open.empty()) rt::fuzz::fail("every element is closed", open.back());
  return tags;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Run run = run_of(fields_of(rt::fuzz::input_text(data, size)));
  const std::string page = rt::report_page(run.directory, run.limits, run.pairs, run.made_at);
  require(valid_utf8(page), "the page is valid UTF-8");
  const std::string tags = checked_tags(page);

  const Run plain = neutral_run(run);
  const std::string plain_page = rt::report_page(plain.directory, plain.limits, plain.pairs, plain.made_at);
  require(checked_tags(plain_page) == tags, "user texts change no tag of the page");
  return 0;
}
