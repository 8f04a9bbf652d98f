// Key texts and the decoding of terminal input bytes into them.
//
// A key text is one character for a character key (code 1..255 of the
// console's single-byte code page; Backspace 8, Enter 13, Escape 27), or two
// characters for a special key: character 255, then the key's code. The
// codes are those of the PC keyboard's extended keys: Home 71, Up 72,
// PageUp 73, Left 75, Right 77, End 79, Down 80, PageDown 81, Insert 82,
// Delete 83. Shift with one of these keys gives the same code; the Ctrl and
// Alt variants give the PC's own other codes (Ctrl-Left 115, Alt-Left 155,
// ...), never the plain ones. Keys without a code of their own (modified
// function keys, Alt with a letter, unknown or broken sequences) give the
// special key with code key_code::kUnknown (0), so they still count as key
// presses. A NUL byte (Ctrl-Space) gives that key too, so a character key
// is never code 0.
//
// decode_input is pure: it looks at the front of a byte string and says
// what the first key there is and how many bytes it used, or that the bytes
// so far are the start of a sequence and more must be awaited. Terminal
// replies to the cursor position query are recognised and reported apart.
//
// Sequences understood (CSI = ESC [, SS3 = ESC O):
//   CSI A/B/C/D, SS3 A/B/C/D           Up, Down, Right, Left
//   CSI H, SS3 H, CSI 1 ~, CSI 7 ~     Home (7 ~: rxvt)
//   CSI F, SS3 F, CSI 4 ~, CSI 8 ~     End (8 ~: rxvt)
//   CSI 2 ~, CSI 3 ~                   Insert, Delete
//   CSI 5 ~, CSI 6 ~                   PageUp, PageDown
//   CSI E, SS3 E                       the keypad's middle key (Begin)
//   SS3 P..S, CSI 11..15 ~, CSI 17..21 ~, CSI 23 ~, CSI 24 ~, CSI [ A..E
//                                      function keys F1..F12
//   CSI 1 ; m X, CSI n ; m ~           the same keys with modifiers
//                                      (m - 1: bit 1 Shift, 2 Alt, 4 Ctrl)
//   CSI a..d, CSI n $                  rxvt: Shift variants
//   SS3 a..d, CSI n ^, CSI n @         rxvt: Ctrl variants
//   ESC ESC sequence                   Alt variant (sent by some terminals)
//   ESC byte                           Alt with that key
//   CSI row ; column R                 cursor position report
#pragma once

#include <cstddef>
#include <string>

namespace rt {

constexpr char kBackspaceKey = 8;
constexpr char kEnterKey = 13;
constexpr char kEscapeKey = 27;  // also the byte ESC that starts a sequence
constexpr unsigned char kSpecialKeyPrefix = 255;
// Character keys are the codes from here on; below are the control keys.
constexpr unsigned char kFirstCharacterKey = 32;
// Ctrl-D: ends a plain line where it stands on a terminal.
constexpr char kEndOfTransmission = 4;

// Codes of special keys (the second character of a two-character key text).
namespace key_code {
constexpr int kUnknown = 0;
constexpr int kBackTab = 15;
constexpr int kF1 = 59;  // F1..F10 are 59..68
constexpr int kHome = 71;
constexpr int kUp = 72;
constexpr int kPageUp = 73;
constexpr int kLeft = 75;
constexpr int kBegin = 76;
constexpr int kRight = 77;
constexpr int kEnd = 79;
constexpr int kDown = 80;
constexpr int kPageDown = 81;
constexpr int kInsert = 82;
constexpr int kDel = 83;
constexpr int kF11 = 133;
constexpr int kF12 = 134;
constexpr int kCtrlLeft = 115;
constexpr int kCtrlRight = 116;
constexpr int kCtrlEnd = 117;
constexpr int kCtrlPageDown = 118;
constexpr int kCtrlHome = 119;
constexpr int kCtrlPageUp = 132;
constexpr int kCtrlUp = 141;
constexpr int kCtrlDown = 145;
constexpr int kCtrlInsert = 146;
constexpr int kCtrlDel = 147;
constexpr int kAltHome = 151;
constexpr int kAltUp = 152;
constexpr int kAltPageUp = 153;
constexpr int kAltLeft = 155;
constexpr int kAltRight = 157;
constexpr int kAltEnd = 159;
constexpr int kAltDown = 160;
constexpr int kAltPageDown = 161;
constexpr int kAltInsert = 162;
constexpr int kAltDel = 163;
}  // namespace key_code

// The two-character key text of a special key.
std::string special_key(int code);

// The codes of a navigation key (Home, Up, PageUp, Left, Right, End, Down,
// PageDown, Insert, Delete) with Ctrl and with Alt held, from its plain
// code; key_code::kUnknown for any other code. Both the terminal's
// sequences and the Windows console's key events take them from here.
int ctrl_variant(int plain);
int alt_variant(int plain);

struct KeyDecodeOptions {
  // The terminal's erase character (termios VERASE). It reads as Backspace
  // like 8 and 127 do, when it is a control character.
  unsigned char erase_char = 127;
  // A cursor position query is unanswered. Then CSI 1 ; m R is taken as the
  // report for row 1 rather than as F3 with modifiers. A report for any
  // other row is recognised either way, so late replies never become keys.
  bool cursor_report_expected = false;
};

enum class DecodeStatus {
  key,            // `key` holds the key text
  cursor_report,  // `row` and `column` hold the reported position
  incomplete,     // the bytes begin a sequence; wait for more (length 0)
};

struct DecodedInput {
  DecodeStatus status = DecodeStatus::incomplete;
  std::size_t length = 0;  // bytes used from the front of the input
  std::string key;
  int row = 0;
  int column = 0;
};

// Decodes the first key (or cursor report) at the front of bytes.
// more_may_follow says that further bytes may still arrive soon; when it is
// false, a lone ESC is the Escape key and an unfinished sequence becomes
// the unknown key. Empty bytes are always incomplete. A broken sequence (a byte
// outside the sequence's grammar) ends just before that byte, so the next
// key is never swallowed. length is at least 1 unless the status is
// incomplete.
DecodedInput decode_input(const std::string& bytes, bool more_may_follow,
                          const KeyDecodeOptions& options);

// The character keys (codes 32..255) among bytes typed on a terminal, in
// order: what a plain line read from a keyboard keeps, so that an arrow or
// function key typed there never lands in the answer as its escape sequence.
std::string character_keys_of(const std::string& bytes,
                              const KeyDecodeOptions& options);

}  // namespace rt
