// The readability report: the figures a pair's writing pass gives, the
// lines after the pair, the user's texts on the page, and the page at the
// end of a batch.
#include "driver/report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/batch.h"
#include "driver/pairing.h"
#include "driver/report_page.h"
#include "driver/report_text.h"
#include "driver/scan.h"
#include "retime/output.h"
#include "tests/driver/disk_and_console.h"
#include "tests/driver/worked_example.h"
#include "text/filesystem.h"

namespace rt {
namespace {

using test_support::console_lines;
using test_support::console_transcript;
using test_support::engine_done;
using test_support::engine_failed;
using test_support::paired_block;
using test_support::read_bytes;
using test_support::ScratchDirectory;
using test_support::worked_output;
using test_support::worked_text;
using test_support::worked_timecodes;
using test_support::write_bytes;

std::size_t occurrences(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++count;
  return count;
}

struct ExpectedCue {
  std::string number;
  std::int32_t start_ms;
  std::int32_t duration_ms;
  std::int64_t characters;
  std::int64_t cps_tenths;
  bool empty;
  bool too_fast;
  bool too_long;
};

void expect_cues(const std::vector<CueReading>& cues, const std::vector<ExpectedCue>& expected) {
  ASSERT_EQ(cues.size(), expected.size());
  for (std::size_t i = 0; i < cues.size(); ++i) {
    SCOPED_TRACE("cue " + std::to_string(i + 1));
    EXPECT_EQ(cues[i].number, expected[i].number);
    EXPECT_EQ(cues[i].start_ms, expected[i].start_ms);
    EXPECT_EQ(cues[i].duration_ms, expected[i].duration_ms);
    EXPECT_EQ(cues[i].characters, expected[i].characters);
    EXPECT_EQ(cues[i].cps_tenths, expected[i].cps_tenths);
    EXPECT_EQ(cues[i].empty, expected[i].empty);
    EXPECT_EQ(cues[i].too_fast, expected[i].too_fast);
    EXPECT_EQ(cues[i].too_long, expected[i].too_long);
  }
}

// The worked pair re-timed on disk with the given limits.
PairReadability worked_pair_readability(const ReadabilityLimits& limits) {
  ScratchDirectory dir;
  write_bytes(dir / "film1.srt", worked_timecodes);
  write_bytes(dir / "film1.txt", worked_text);
  make_directory(output_folder(dir.path()), false);
  const FileLists lists = scan_directory(dir.path());
  PairReadability pair;
  pair.position = 1;
  pair.limits = limits;
  OutputNames used_outputs;
  const std::string transcript =
      console_transcript([&] { process_pair(1, lists, dir.path(), ".src", used_outputs, &pair); });
  EXPECT_EQ(transcript, paired_block(1, "film1.srt", "film1.txt", "film1..src") + engine_done)
      << "the pair itself prints its own lines only";
  EXPECT_EQ(read_bytes(dir / "untertitel/film1..src"), worked_output);
  return pair;
}

TEST(Readability, WorkedExampleGivesTheFiguresOfItsThreeCues) {
  const PairReadability pair = worked_pair_readability({});
  EXPECT_EQ(pair.end, PairEnd::done);
  EXPECT_EQ(pair.timecode_name, "film1.srt");
  EXPECT_EQ(pair.output_name, "film1..src");
  EXPECT_EQ(pair.cues_in_file, 3);
  // "Guten Morgen. Wie geht " over 1.5 s; "es dir heute? Mir geht es gut,
  // danke." over 2.0 s; the third cue, where the text ran out, empty.
  expect_cues(pair.cues, {{"1", 1000, 1500, 23, 153, false, false, false},
                          {"2", 3000, 2000, 37, 185, false, true, false},
                          {"3", 5500, 2500, 0, 0, true, false, false}});
  EXPECT_EQ(pair.cues[0].text, "") << "only flagged cues keep their text";
  EXPECT_EQ(pair.cues[1].text, "es dir heute? Mir geht es gut, danke.");
  EXPECT_EQ(pair.left_over_characters, 0);
  EXPECT_EQ(pair.passes, 589);
  EXPECT_EQ(decimal_factor(pair.factor), "1,584");
  EXPECT_EQ(readability_lines(pair),
            (std::vector<std::string>{
                "   Geschrieben: 3 von 3 Untertiteln, 1 leer",
                "   Textrest (nicht verteilt): 0 Zeichen",
                "   Zeichen/s: Median 16,9, 95. Perzentil 18,5, Maximum 18,5 (Nr. 2, 00:00:03,000)",
                "   Mehr als 17 Zeichen/s: 1 (Nr. 2)",
                "   Mehr als 84 Zeichen: 0",
                "   Korrekturfaktor: 1,584 nach 589 Runden",
            }));

  ASSERT_EQ(pair.file_cues.size(), 3u);
  EXPECT_EQ(pair.file_cues[2].start_ms, 5500);
  EXPECT_EQ(pair.file_cues[2].duration_ms, 2500);
  // 37 characters show 17,0 per second from 2,171 s on (17,04 rounded).
  EXPECT_EQ(needed_duration_ms(pair.cues[1], 17), 2171);
  EXPECT_EQ(characters_over(pair.cues[1], 84), 0);

  const PairReadability strict = worked_pair_readability({15, 30});
  const std::vector<std::string> lines = readability_lines(strict);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[3], "   Mehr als 15 Zeichen/s: 2 (Nr. 1, 2)");
  EXPECT_EQ(lines[4], "   Mehr als 30 Zeichen: 1 (Nr. 2)");
  // 23 characters at 15 per second: over 1,529 s they show 15,0 (15,04),
  // over 1,528 s 15,1 (15,05).
  EXPECT_EQ(needed_duration_ms(strict.cues[0], 15), 1529);
  EXPECT_EQ(characters_over(strict.cues[1], 30), 7);
}

struct TapCase {
  const char* what;
  std::string text;
  // The segments by their first and last character, one cue per second
  // each, from 00:00:01,000, numbered from 0.
  std::vector<std::pair<Pos, Pos>> segments;
  std::vector<std::int64_t> characters;
  std::int64_t left_over;
  std::string first_cue_shown;  // the first cue's text on the page (all have too many characters)
  bool first_too_fast;
  std::size_t unwritten = 0;    // cues of the file after the segments, not reached
};

void PrintTo(const TapCase& c, std::ostream* out) { *out << c.what; }

// The tap on its own, fed as retime_pair feeds it: characters of the cues as
// written, by code points or by bytes, the text after the last cue, the
// cue's text as UTF-8, its number as written.
TEST(Readability, CountsCharactersOfEitherEncodingAndTheTextLeftOver) {
  const TapCase cases[] = {
      {"UTF-8 by code points", "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln. Noch ein Rest\n",
       {{1, 16}}, {16}, 13, "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln. ", true},
      {"ISO 8859-1 by bytes", "Gr\xFC\xDF" "e aus K\xF6ln. Noch ein Rest\n",
       {{1, 16}}, {16}, 13, "Gr\xC3\xBC\xC3\x9F" "e aus K\xC3\xB6ln. ", true},
      {"UTF-8 after a byte-order mark", "\xEF\xBB\xBF" "K\xC3\xB6ln. Rest", {{1, 6}}, {6}, 4,
       "K\xC3\xB6ln. ", true},
      {"Windows-1252 quotes", "\x84Ja\x93, sagte er.", {{1, 6}, {7, 15}}, {6, 9}, 0,
       "\xE2\x80\x9EJa\xE2\x80\x9C, ", true},
      {"blanks after a cut are no text", "Eins.   Zwei.  \r\n", {{1, 6}, {9, 14}}, {6, 6}, 0, "Eins. ", true},
      {"a run-out cue holds nothing", "Eins, zwei drei", {{1, 6}, {7, 6}}, {6, 0}, 9, "Eins, ", true},
      {"a line end as written is one character", "Eins,\n\nzwei.\n Rest", {{1, 12}}, {11}, 4, "Eins,\r\nzwei.",
       true},
      {"no words are never too fast", "# # # #. Wort.", {{1, 9}, {10, 14}}, {9, 5}, 0, "# # # #. ", false},
      {"cues the text did not reach", "Eins, zwei.", {{1, 6}, {7, 11}}, {6, 5}, 0, "Eins, ", true, 2},
  };
  for (const TapCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c));
    PairReadability pair;
    pair.limits = {1, 1};
    const PairTap tap = readability_tap(pair);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < c.segments.size() + c.unwritten; ++i) {
      lines.push_back(std::to_string(i));
      lines.push_back("00:00:0" + std::to_string(i + 1) + ",000 --> 00:00:0" + std::to_string(i + 2) + ",000");
      lines.push_back("");
    }
    const PairText text(c.text);
    tap.read(text, lines);
    for (std::size_t i = 0; i < c.segments.size(); ++i) {
      const auto [first, cut] = c.segments[i];
      const std::string written = cue_text_as_written(text.bytes_of(first, cut));
      tap.entry(WrittenCue{i, lines[3 * i], lines[3 * i + 1], written, first, cut});
    }
    RetimeOutcome outcome;
    outcome.passes = 5;
    outcome.factor = 1.0;
    tap.ended(outcome, false);

    EXPECT_EQ(pair.end, PairEnd::done);
    EXPECT_EQ(pair.cues_in_file, static_cast<std::int64_t>(c.segments.size() + c.unwritten));
    ASSERT_EQ(pair.file_cues.size(), c.segments.size() + c.unwritten);
    EXPECT_EQ(pair.file_cues.back().start_ms, static_cast<std::int32_t>(pair.file_cues.size()) * 1000);
    EXPECT_EQ(pair.file_cues.back().duration_ms, 1000);
    ASSERT_EQ(pair.cues.size(), c.characters.size());
    for (std::size_t i = 0; i < c.characters.size(); ++i) {
      EXPECT_EQ(pair.cues[i].characters, c.characters[i]);
      EXPECT_EQ(pair.cues[i].number, std::to_string(i)) << "the number line as written";
    }
    EXPECT_EQ(pair.left_over_characters, c.left_over);
    EXPECT_EQ(pair.cues[0].text, c.first_cue_shown);
    EXPECT_EQ(pair.cues[0].too_fast, c.first_too_fast);
  }
}

TEST(Readability, FailedOrSkippedPairReportsNothingMore) {
  PairReadability failed;
  const PairTap tap = readability_tap(failed);
  const PairText text(worked_text);
  tap.read(text, {"1", "00:00:01,000 --> 00:00:02,000", ""});
  RetimeOutcome outcome;
  outcome.failed = true;
  outcome.passes = 1;
  tap.ended(outcome, true);
  EXPECT_EQ(failed.end, PairEnd::failed);
  EXPECT_TRUE(readability_lines(failed).empty());
  EXPECT_TRUE(readability_lines(PairReadability{}).empty());
}

// Names, the directory and the cues' texts as a user could have made them.
TEST(ReadabilityPage, ShowsEveryUserTextAsText) {
  PairReadability pair;
  pair.position = 1;
  pair.timecode_name = "<b>&amp;.srt";
  pair.text_name = "a&b.txt";
  pair.output_name = "x\"'.src";
  pair.end = PairEnd::done;
  pair.cues_in_file = 1;
  CueReading cue;
  cue.number = "1";
  cue.duration_ms = 1000;
  cue.characters = 40;
  cue.cps_tenths = 400;
  cue.too_fast = true;
  cue.text = "<script>alert(1)</script> & </td>\nzwei";
  pair.cues.push_back(cue);

  // A reason for " Fehler" may quote a name.
  PairReadability failed;
  failed.position = 2;
  failed.timecode_name = "f.srt";
  failed.text_name = "f.txt";
  failed.end = PairEnd::failed;
  failed.failure_reason = "Ausgabe <u>\"f\".src</u> doppelt";

  const std::string page = report_page("/filme/<i>", {}, {pair, failed}, 0);

  for (const char* markup : {"<script", "<b>", "<i>"}) {
    EXPECT_EQ(page.find(markup), std::string::npos) << markup;
  }
  EXPECT_NE(page.find("<td>&lt;script&gt;alert(1)&lt;/script&gt; &amp; &lt;/td&gt;<br>zwei</td>"),
            std::string::npos);
  EXPECT_NE(page.find("<h2>1. &lt;b&gt;&amp;amp;.srt</h2>"), std::string::npos);
  EXPECT_NE(page.find("Text: a&amp;b.txt<br>Ausgabe: untertitel/x&quot;&#39;.src"), std::string::npos);
  EXPECT_NE(page.find("Verzeichnis: /filme/&lt;i&gt;"), std::string::npos);
  EXPECT_EQ(page.find("<u>"), std::string::npos);
  const std::string reason = "Fehler: Ausgabe &lt;u&gt;&quot;f&quot;.src&lt;/u&gt; doppelt";
  EXPECT_NE(page.find("<td class=\"note\" colspan=\"7\">" + reason + "</td>"), std::string::npos) << "overview";
  EXPECT_NE(page.find("<p class=\"failed\">" + reason + "</p>"), std::string::npos) << "section";
}

TEST(ReadabilityPage, NamesInEitherEncodingAndControlsBecomeUtf8) {
  EXPECT_EQ(page_name("K\xC3\xB6ln.srt"), "K\xC3\xB6ln.srt");
  EXPECT_EQ(page_name("K\xF6ln.srt"), "K\xC3\xB6ln.srt");
  EXPECT_EQ(page_name("\x80 \x81"), "\xE2\x82\xAC \xEF\xBF\xBD");
  EXPECT_EQ(page_name(std::string("a\x1B[31m\0b", 8)), "a\xEF\xBF\xBD[31m\xEF\xBF\xBD" "b");
}

TEST(ReadabilityPage, FollowsTheBatchOrEndsWithFehler) {
  ScratchDirectory dir;
  write_bytes(dir / "film1.srt", worked_timecodes);
  write_bytes(dir / "film1.txt", worked_text);
  const ReadabilityLimits limits;
  bool written = false;
  const std::string transcript = console_transcript([&] { written = run_batch(dir.path(), ".src", &limits); });
  EXPECT_TRUE(written);
  EXPECT_THAT(transcript, ::testing::EndsWith(console_lines(
                              {"   Korrekturfaktor: 1,584 nach 589 Runden", "", "  Bericht: bericht.html"})));
  const std::string page = read_bytes(dir / "untertitel/bericht.html");
  EXPECT_EQ(page.compare(0, 17, "<!DOCTYPE html>\r\n"), 0);
  EXPECT_EQ(page.find('\n', page.find("</html>")), page.size() - 1) << "ends with </html> and CR LF";
  EXPECT_NE(page.find("1,584 nach 589 Runden"), std::string::npos) << "the console's word for the passes";
  // The overview's row holds the console's figures: 3 of 3 written, no
  // text left, median 16,9, maximum 18,5, one cue too fast, none too long,
  // and so one cue to see to.
  EXPECT_NE(page.find("<tr><th><a href=\"#objekt-1\">1. film1.srt</a></th><td>3 von 3</td><td>0</td><td>16,9</td>"
                      "<td>18,5</td><td>1</td><td>0</td><td>1</td></tr>"),
            std::string::npos);
  // When it was made ("0" a digit) and with which limits.
  const std::string made = "Erstellt: 00.00.0000, 00:00 Uhr<br>Grenzwerte: 17 Zeichen pro Sekunde, 84 Zeichen je "
                           "Untertitel</p>";
  const std::string shown = page.substr(page.find("Erstellt: "), made.size());
  ASSERT_EQ(shown.size(), made.size());
  for (std::size_t i = 0; i < made.size(); ++i) {
    EXPECT_TRUE(made[i] == '0' ? shown[i] >= '0' && shown[i] <= '9' : shown[i] == made[i]) << shown;
  }

  // An output folder that cannot be made: the pair fails and reports only
  // that, and the page cannot be written either.
  ScratchDirectory blocked;
  write_bytes(blocked / "film1.srt", worked_timecodes);
  write_bytes(blocked / "film1.txt", worked_text);
  write_bytes(blocked / "untertitel", "");
  const std::string failed = console_transcript([&] { written = run_batch(blocked.path(), ".src", &limits); });
  EXPECT_FALSE(written);
  EXPECT_EQ(failed, console_lines({" 1 Timecodedatei"}) + paired_block(1, "film1.srt", "film1.txt", "film1..src") +
                        engine_failed("Ordner untertitel: kein Ordner") +
                        console_lines({"", "  Bericht: bericht.html"}) +
                        test_support::failure_lines("Ordner untertitel: kein Ordner"));

  // A pair that fails tells the page why, as the console does.
  ScratchDirectory weightless;
  write_bytes(weightless / "film1.srt", worked_timecodes);
  write_bytes(weightless / "film1.txt", test_support::weightless_text);
  const std::string told = console_transcript([&] { written = run_batch(weightless.path(), ".src", &limits); });
  EXPECT_FALSE(written);
  const std::string reason = "Text ohne Vokale in Kleinschrift: film1.txt";
  EXPECT_NE(told.find(test_support::failure_lines(reason)), std::string::npos) << told;
  const std::string failed_page = read_bytes(weightless / "untertitel/bericht.html");
  EXPECT_NE(failed_page.find("<td class=\"note\" colspan=\"7\">Fehler: " + reason + "</td>"), std::string::npos);
  EXPECT_NE(failed_page.find("<p class=\"failed\">Fehler: " + reason + "</p>"), std::string::npos);

  // A pair's output named like the page keeps its name and the page is
  // not written.
  ScratchDirectory named;
  write_bytes(named / "bericht.srt", worked_timecodes);
  write_bytes(named / "bericht.txt", worked_text);
  const std::string refused = console_transcript([&] { written = run_batch(named.path(), "html", &limits); });
  EXPECT_FALSE(written);
  const std::string taken = "bericht.html ist schon die Ausgabe von Objekt 1";
  EXPECT_THAT(refused, ::testing::EndsWith(console_lines({"", "  Bericht: bericht.html"}) +
                                           test_support::failure_lines(taken)));
  EXPECT_EQ(read_bytes(named / "untertitel/bericht.html"), worked_output);
}

// A long file through the tap: 1,200 cues of two seconds, 2.5 s apart;
// cue k holds 20 + 8 * (k % 7) characters (10 to 34 per second, above 17
// from k % 7 == 2 on), cue 600 holds 200 in a tenth of a second, and the
// text runs out after cue 1,190.
PairReadability long_pair() {
  PairReadability pair;
  pair.position = 3;
  pair.timecode_name = "lang.srt";
  pair.text_name = "lang.txt";
  pair.output_name = "lang.src";
  const PairTap tap = readability_tap(pair);
  std::vector<std::string> lines;
  std::vector<std::string> segments;
  std::string text;
  for (int k = 1; k <= 1200; ++k) {
    const std::int32_t start = k * 2500;
    const std::int32_t duration = k == 600 ? 100 : 2000;
    lines.push_back(std::to_string(k));
    lines.push_back(timecode_text(start) + " --> " + timecode_text(start + duration));
    lines.push_back("");
    const std::size_t size = k == 600 ? 200 : static_cast<std::size_t>(20 + 8 * (k % 7));
    segments.push_back(std::string(size - 1, 'a') + " ");
    if (k <= 1190) text += segments.back();
  }
  const PairText pair_text(text);
  tap.read(pair_text, lines);
  Pos first = 1;
  for (int k = 1; k <= 1190; ++k) {
    const std::string& segment = segments[static_cast<std::size_t>(k - 1)];
    const Pos cut = first + static_cast<Pos>(segment.size()) - 1;
    tap.entry(WrittenCue{static_cast<std::size_t>(k - 1), lines[3 * (k - 1)], lines[3 * (k - 1) + 1], segment,
                         first, cut});
    first = cut + 1;
  }
  RetimeOutcome outcome;
  outcome.passes = 9;
  outcome.factor = 1.0;
  tap.ended(outcome, false);
  return pair;
}

// The page of a long run: the overview in the order of the work to do,
// the long file in spans with its cut-off maximum and where its text ends,
// its worst cues first and the rest folded.
TEST(ReadabilityPage, OrdersTheRunAndFoldsWhatALongFileFlags) {
  PairReadability small;
  small.position = 1;
  small.timecode_name = "klein.srt";
  small.text_name = "klein.txt";
  small.end = PairEnd::done;
  small.cues_in_file = 1;
  small.cues.push_back(CueReading{"1", 0, 1000, 10, 100, false, false, false, ""});
  PairReadability skipped;
  skipped.position = 2;
  skipped.timecode_name = "ohne.srt";
  PairReadability failed;
  failed.position = 4;
  failed.timecode_name = "kaputt.srt";
  failed.text_name = "kaputt.txt";
  failed.end = PairEnd::failed;
  const PairReadability long_file = long_pair();
  ASSERT_EQ(long_file.cues.size(), 1190u);
  const std::string page = report_page("/filme", {}, {small, skipped, long_file, failed}, 0);

  // Failed, without text, then 10 unwritten + 850 flagged, then none.
  const std::size_t overview = page.find("<table class=\"overview\">");
  std::vector<std::size_t> rows;
  for (const char* name : {"4. kaputt.srt", "2. ohne.srt", "3. lang.srt", "1. klein.srt"}) {
    rows.push_back(page.find(std::string(name) + "</a></th>", overview));
    EXPECT_NE(rows.back(), std::string::npos) << name;
  }
  EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
  EXPECT_NE(page.find("<td><strong>1190 von 1200</strong></td>", overview), std::string::npos);
  EXPECT_NE(page.find("<td>860</td></tr>", overview), std::string::npos);

  const std::size_t section = page.find("<section id=\"objekt-3\">");
  const std::size_t end = page.find("</section>", section);
  const std::string long_section = page.substr(section, end - section);
  EXPECT_EQ(long_section.find("<path class=\"cue"), std::string::npos) << "no single bars";
  EXPECT_NE(long_section.find("<rect class=\"bin over\""), std::string::npos);
  EXPECT_NE(long_section.find("Zeichen pro Sekunde je Minute"), std::string::npos);
  EXPECT_NE(long_section.find("\">2000,0</text>"), std::string::npos) << "cue 600, cut off at the top";
  EXPECT_NE(long_section.find("<rect class=\"long\""), std::string::npos) << "cue 600 has 200 characters";
  EXPECT_NE(long_section.find(">Text endet bei Nr. 1190 (00:49:37,000)</text>"), std::string::npos);
  EXPECT_NE(long_section.find("<path class=\"unwritten\""), std::string::npos);

  // Cue 600 first (200 characters in a tenth of a second), then the 34
  // characters over two seconds in the order of the file (cue 6 first);
  // 50 rows in view, the other 800 folded. Cue 600 would need 11,731 s to
  // show 17,0 per second, and has 116 characters too many.
  const std::size_t fold = long_section.find("<details>");
  ASSERT_NE(fold, std::string::npos);
  EXPECT_EQ(occurrences(long_section.substr(0, fold), "<tr><td>"), 50u);
  EXPECT_EQ(occurrences(long_section.substr(fold), "<tr><td>"), 800u);
  EXPECT_NE(long_section.find("<summary>Die &uuml;brigen 800 Untertitel"), std::string::npos);
  const std::size_t first_row = long_section.find("<tr><td>");
  const std::string worst = "<tr><td>600<td>00:25:00,000<td>0,100<td>2000,0<td>11,731<td>200<td>116<td>aaa";
  EXPECT_EQ(long_section.compare(first_row, worst.size(), worst), 0) << long_section.substr(first_row, 80);
  const std::string next = "<tr><td>6<td>";
  EXPECT_EQ(long_section.compare(long_section.find("<tr><td>", first_row + 1), next.size(), next), 0);
}

}  // namespace
}  // namespace rt
