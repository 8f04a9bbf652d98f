#include "console/keys.h"

#include <gtest/gtest.h>

#include "tests/case_name.h"

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace rt {
namespace {

using rt_test::case_name;

using namespace std::string_literals;

std::string ch(int code) { return std::string(1, static_cast<char>(code)); }

// Decodes all of bytes as one finished burst: key texts, and "report r,c"
// for cursor reports.
std::vector<std::string> decode_all(std::string bytes,
                                    KeyDecodeOptions options = {}) {
  std::vector<std::string> events;
  while (!bytes.empty()) {
    DecodedInput d = decode_input(bytes, false, options);
    if (d.status == DecodeStatus::incomplete || d.length == 0) {
      events.push_back("stuck");
      break;
    }
    if (d.status == DecodeStatus::cursor_report)
      events.push_back("report " + std::to_string(d.row) + "," +
                       std::to_string(d.column));
    else
      events.push_back(d.key);
    bytes.erase(0, d.length);
  }
  return events;
}

struct KeyCase {
  const char* name;
  std::string bytes;
  std::string key;
};

void PrintTo(const KeyCase& c, std::ostream* out) { *out << c.name; }

class SingleKey : public ::testing::TestWithParam<KeyCase> {};

TEST_P(SingleKey, DecodesToItsKeyText) {
  const KeyCase& c = GetParam();
  EXPECT_EQ(decode_all(c.bytes), std::vector<std::string>{c.key}) << c.name;
}

const KeyCase kKeyCases[] = {
    {"letter", "a", "a"},
    {"umlaut byte", "\xE4", "\xE4"},
    {"byte 255", "\xFF", "\xFF"},
    {"tab passes as a character", "\t", "\t"},
    {"backspace sent as BS", "\x08", ch(8)},
    {"backspace sent as DEL", "\x7F", ch(8)},
    {"enter sent as CR", "\r", ch(13)},
    {"enter sent as LF", "\n", ch(13)},
    {"lone escape", "\x1b", ch(27)},
    {"ctrl-space is no character", "\0"s, special_key(key_code::kUnknown)},
    {"left CSI", "\x1b[D", special_key(75)},
    {"left SS3", "\x1bOD", special_key(75)},
    {"right CSI", "\x1b[C", special_key(77)},
    {"right SS3", "\x1bOC", special_key(77)},
    {"home CSI H", "\x1b[H", special_key(71)},
    {"home SS3 H", "\x1bOH", special_key(71)},
    {"home CSI 1~", "\x1b[1~", special_key(71)},
    {"home CSI 7~ rxvt", "\x1b[7~", special_key(71)},
    {"end CSI F", "\x1b[F", special_key(79)},
    {"end SS3 F", "\x1bOF", special_key(79)},
    {"end CSI 4~", "\x1b[4~", special_key(79)},
    {"end CSI 8~ rxvt", "\x1b[8~", special_key(79)},
    {"delete", "\x1b[3~", special_key(83)},
    {"shift-left keeps the code", "\x1b[1;2D", special_key(75)},
    {"shift-delete keeps the code", "\x1b[3;2~", special_key(83)},
    {"rxvt shift-left", "\x1b[d", special_key(75)},
    {"rxvt shift-delete", "\x1b[3$", special_key(83)},
    {"up", "\x1b[A", special_key(72)},
    {"up SS3", "\x1bOA", special_key(72)},
    {"down", "\x1b[B", special_key(80)},
    {"insert", "\x1b[2~", special_key(82)},
    {"page up", "\x1b[5~", special_key(73)},
    {"page down", "\x1b[6~", special_key(81)},
    {"keypad middle", "\x1b[E", special_key(key_code::kBegin)},
    {"F1 SS3", "\x1bOP", special_key(59)},
    {"F4 SS3", "\x1bOS", special_key(62)},
    {"F5", "\x1b[15~", special_key(63)},
    {"F6", "\x1b[17~", special_key(64)},
    {"F10", "\x1b[21~", special_key(68)},
    {"F11", "\x1b[23~", special_key(133)},
    {"F12", "\x1b[24~", special_key(134)},
    {"F1 linux console", "\x1b[[A", special_key(59)},
    {"F5 linux console", "\x1b[[E", special_key(63)},
    {"ctrl-left", "\x1b[1;5D", special_key(key_code::kCtrlLeft)},
    {"ctrl-shift-left", "\x1b[1;6D", special_key(key_code::kCtrlLeft)},
    {"ctrl-left older form", "\x1b[5D", special_key(key_code::kCtrlLeft)},
    {"ctrl-left SS3 with modifier", "\x1bO5D", special_key(key_code::kCtrlLeft)},
    {"ctrl-left rxvt", "\x1bOd", special_key(key_code::kCtrlLeft)},
    {"alt-left", "\x1b[1;3D", special_key(key_code::kAltLeft)},
    {"meta-left", "\x1b[1;9D", special_key(key_code::kAltLeft)},
    {"alt-left as ESC ESC", "\x1b\x1b[D", special_key(key_code::kAltLeft)},
    {"ctrl-right", "\x1b[1;5C", special_key(key_code::kCtrlRight)},
    {"ctrl-home", "\x1b[1;5H", special_key(key_code::kCtrlHome)},
    {"alt-end", "\x1b[1;3F", special_key(key_code::kAltEnd)},
    {"ctrl-delete", "\x1b[3;5~", special_key(key_code::kCtrlDel)},
    {"ctrl-delete rxvt", "\x1b[3^", special_key(key_code::kCtrlDel)},
    {"alt-delete", "\x1b[3;3~", special_key(key_code::kAltDel)},
    {"ctrl-F1", "\x1b[1;5P", special_key(key_code::kUnknown)},
    {"shift-tab", "\x1b[Z", special_key(key_code::kBackTab)},
    {"alt-letter", "\x1b" "a", special_key(key_code::kUnknown)},
    {"alt-backspace", "\x1b\x7f", special_key(key_code::kUnknown)},
    {"mouse report", "\x1b[<0;3;4M", special_key(key_code::kUnknown)},
    {"focus in", "\x1b[I", special_key(key_code::kUnknown)},
    {"unknown numbered key", "\x1b[99~", special_key(key_code::kUnknown)},
    {"keypad enter", "\x1bOM", ch(13)},
};

INSTANTIATE_TEST_SUITE_P(Keys, SingleKey, ::testing::ValuesIn(kKeyCases),
                         case_name<KeyCase>);

TEST(KeyDecoding, ModifiedEditingKeysNeverGiveThePlainCodes) {
  const char* finals[] = {"D", "C", "H", "F"};
  const int plain[] = {71, 75, 77, 79, 83};
  // Alt, Alt-Shift, Ctrl, Ctrl-Shift, Ctrl-Alt, Ctrl-Alt-Shift, Meta.
  for (int modifier : {3, 4, 5, 6, 7, 8, 9}) {
    std::vector<std::string> sequences;
    for (const char* f : finals)
      sequences.push_back("\x1b[1;" + std::to_string(modifier) + f);
    sequences.push_back("\x1b[3;" + std::to_string(modifier) + "~");
    sequences.push_back("\x1b[1;" + std::to_string(modifier) + "~");
    sequences.push_back("\x1b[4;" + std::to_string(modifier) + "~");
    for (const std::string& s : sequences) {
      std::vector<std::string> keys = decode_all(s);
      ASSERT_EQ(keys.size(), 1u) << s;
      ASSERT_EQ(keys[0].size(), 2u) << s;
      for (int p : plain)
        EXPECT_NE(static_cast<unsigned char>(keys[0][1]), p) << s.substr(1);
    }
  }
}

TEST(KeyDecoding, TerminalEraseCharacterIsBackspace) {
  KeyDecodeOptions options;
  options.erase_char = 0x17;  // a terminal set up with Ctrl-W as erase
  EXPECT_EQ(decode_all("\x17", options), std::vector<std::string>{ch(8)});
  EXPECT_EQ(decode_all("\x17"), std::vector<std::string>{ch(0x17)});
  // BS and DEL stay Backspace whatever the erase character is.
  EXPECT_EQ(decode_all("\x08\x7f", options), (std::vector<std::string>{ch(8), ch(8)}));
  // A disabled or printable erase entry changes nothing.
  options.erase_char = 0;
  EXPECT_EQ(decode_all("\0"s, options),
            std::vector<std::string>{special_key(key_code::kUnknown)});
  options.erase_char = '#';
  EXPECT_EQ(decode_all("#", options), std::vector<std::string>{"#"});
}

TEST(KeyDecoding, SeveralKeysInOneBurstComeOutInOrder) {
  EXPECT_EQ(decode_all("ab\x1b[Dc\r"),
            (std::vector<std::string>{"a", "b", special_key(75), "c", ch(13)}));
  EXPECT_EQ(decode_all("\x1b[H\x1b[3~\x1bOF"),
            (std::vector<std::string>{special_key(71), special_key(83),
                                      special_key(79)}));
}

TEST(KeyDecoding, EscapeTwiceIsTwoEscapeKeys) {
  EXPECT_EQ(decode_all("\x1b\x1b"), (std::vector<std::string>{ch(27), ch(27)}));
  EXPECT_EQ(decode_all("\x1b\x1b\x1b"),
            (std::vector<std::string>{ch(27), ch(27), ch(27)}));
}

TEST(KeyDecoding, UnknownOrBrokenSequencesDoNotSwallowTheNextKey) {
  // Unknown but well-formed: one unknown key, then the next key.
  EXPECT_EQ(decode_all("\x1b[99~x"),
            (std::vector<std::string>{special_key(0), "x"}));
  EXPECT_EQ(decode_all("\x1b[1;2;3;4Dx"),
            (std::vector<std::string>{special_key(0), "x"}));
  // A byte outside the grammar ends the sequence and is a key of its own.
  EXPECT_EQ(decode_all("\x1b[1\rx"),
            (std::vector<std::string>{special_key(0), ch(13), "x"}));
  EXPECT_EQ(decode_all("\x1b[\x7f"),
            (std::vector<std::string>{special_key(0), ch(8)}));
  EXPECT_EQ(decode_all("\x1bO\r"),
            (std::vector<std::string>{special_key(0), ch(13)}));
  EXPECT_EQ(decode_all("\x1b[[x"),
            (std::vector<std::string>{special_key(0), "x"}));
  // An escape sequence cut short by a new one.
  EXPECT_EQ(decode_all("\x1b[1;5\x1b[D"),
            (std::vector<std::string>{special_key(0), special_key(75)}));
}

TEST(KeyDecoding, UnfinishedSequenceAtTheEndIsOneUnknownKey) {
  EXPECT_EQ(decode_all("\x1b[1;5"), std::vector<std::string>{special_key(0)});
  EXPECT_EQ(decode_all("\x1b["), std::vector<std::string>{special_key(0)});
  EXPECT_EQ(decode_all("\x1bO"), std::vector<std::string>{special_key(0)});
}

// Every proper beginning of a sequence asks for more bytes while more may
// come, and the whole sequence then decodes as if it had come at once.
TEST(KeyDecoding, SequencesArrivingInPiecesWaitForTheirEnd) {
  const std::vector<std::string> sequences = {
      "\x1b[D",    "\x1bOD",     "\x1b[3~",      "\x1b[1;5D", "\x1b[[A",
      "\x1b[24~",  "\x1b\x1b[D", "\x1b[12;40R",  "\x1b[3$",   "\x1bO5D"};
  for (const std::string& s : sequences) {
    for (std::size_t cut = 1; cut < s.size(); ++cut) {
      DecodedInput d = decode_input(s.substr(0, cut), true, {});
      EXPECT_EQ(d.status, DecodeStatus::incomplete)
          << s.substr(1) << " cut at " << cut;
      EXPECT_EQ(d.length, 0u);
    }
    DecodedInput whole = decode_input(s, true, {});
    EXPECT_NE(whole.status, DecodeStatus::incomplete) << s.substr(1);
    EXPECT_EQ(whole.length, s.size()) << s.substr(1);
  }
}

TEST(KeyDecoding, LoneEscapeWaitsOnlyWhileMoreMayCome) {
  EXPECT_EQ(decode_input("\x1b", true, {}).status, DecodeStatus::incomplete);
  DecodedInput d = decode_input("\x1b", false, {});
  EXPECT_EQ(d.status, DecodeStatus::key);
  EXPECT_EQ(d.key, ch(27));
  EXPECT_EQ(d.length, 1u);
  // No bytes are never a key, not even when nothing more will come.
  EXPECT_EQ(decode_input("", false, {}).status, DecodeStatus::incomplete);
}

TEST(KeyDecoding, CursorReportsAreTakenOutOfTheKeyStream) {
  EXPECT_EQ(decode_all("x\x1b[5;14Ry"),
            (std::vector<std::string>{"x", "report 5,14", "y"}));
  EXPECT_EQ(decode_all("\x1b[24;80R"),
            std::vector<std::string>{"report 24,80"});
  // An Escape typed right before the answer stays the Escape key.
  EXPECT_EQ(decode_all("\x1b\x1b[3;7R"),
            (std::vector<std::string>{ch(27), "report 3,7"}));
  // Row 1 reads as F3 with modifiers unless an answer is awaited.
  KeyDecodeOptions awaiting;
  awaiting.cursor_report_expected = true;
  EXPECT_EQ(decode_all("\x1b[1;14R", awaiting),
            std::vector<std::string>{"report 1,14"});
  EXPECT_EQ(decode_all("\x1b[1;2R"), std::vector<std::string>{special_key(0)});
  // Only the exact form is a report.
  EXPECT_EQ(decode_all("\x1b[5R"), std::vector<std::string>{special_key(0)});
  EXPECT_EQ(decode_all("\x1b[?5;14R", awaiting),
            std::vector<std::string>{special_key(0)});
}

TEST(KeyDecoding, HugeParametersDoNotOverflow) {
  EXPECT_EQ(decode_all("\x1b[99999999999999999999;5Dz"),
            (std::vector<std::string>{special_key(0), "z"}));
  EXPECT_EQ(decode_all("\x1b[99999999999999$"),
            std::vector<std::string>{special_key(0)});
}

}  // namespace
}  // namespace rt
