#include "console/keys.h"

#include <vector>

namespace rt {
namespace {

constexpr unsigned char kDel = 0x7F;

// The keys that have Ctrl and Alt codes of their own on the PC keyboard.
struct NavigationKey {
  int plain;
  int ctrl;
  int alt;
};

constexpr NavigationKey kNavigationKeys[] = {
    {key_code::kHome, key_code::kCtrlHome, key_code::kAltHome},
    {key_code::kUp, key_code::kCtrlUp, key_code::kAltUp},
    {key_code::kPageUp, key_code::kCtrlPageUp, key_code::kAltPageUp},
    {key_code::kLeft, key_code::kCtrlLeft, key_code::kAltLeft},
    {key_code::kRight, key_code::kCtrlRight, key_code::kAltRight},
    {key_code::kEnd, key_code::kCtrlEnd, key_code::kAltEnd},
    {key_code::kDown, key_code::kCtrlDown, key_code::kAltDown},
    {key_code::kPageDown, key_code::kCtrlPageDown, key_code::kAltPageDown},
    {key_code::kInsert, key_code::kCtrlInsert, key_code::kAltInsert},
    {key_code::kDel, key_code::kCtrlDel, key_code::kAltDel},
};

// Modifier bits of the xterm parameter (parameter value - 1).
constexpr int kShiftBit = 1;
constexpr int kAltBit = 2;
constexpr int kCtrlBit = 4;
constexpr int kMetaBit = 8;

// The code of a navigation key with the xterm modifier parameter m
// (1 or less: no modifier). Shift alone keeps the plain code.
int navigation_code(int plain, int m) {
  int bits = m - 1;
  if (bits <= 0) return plain;
  if (bits & kCtrlBit) return ctrl_variant(plain);
  if (bits & (kAltBit | kMetaBit)) return alt_variant(plain);
  if (bits & kShiftBit) return plain;
  return key_code::kUnknown;
}

// Function keys with modifiers have no code of their own here.
int function_code(int number, int m) {
  if (m > 1) return key_code::kUnknown;
  if (number >= 1 && number <= 10) return key_code::kF1 + number - 1;
  if (number == 11) return key_code::kF11;
  if (number == 12) return key_code::kF12;
  return key_code::kUnknown;
}

// The key of the numbered form CSI n ~ (and rxvt's CSI n $ / ^ / @).
int numbered_key_plain(int n) {
  switch (n) {
    case 1:  // VT220 Find, sent for Home
    case 7:  // rxvt
      return key_code::kHome;
    case 2:
      return key_code::kInsert;
    case 3:
      return key_code::kDel;
    case 4:  // VT220 Select, sent for End
    case 8:  // rxvt
      return key_code::kEnd;
    case 5:
      return key_code::kPageUp;
    case 6:
      return key_code::kPageDown;
    default:
      return key_code::kUnknown;
  }
}

// F1..F12 from CSI n ~ (numbers skip 16 and 22); 0 when n is none of them.
int numbered_function_key(int n) {
  if (n >= 11 && n <= 15) return n - 10;
  if (n >= 17 && n <= 21) return n - 11;
  if (n == 23 || n == 24) return n - 12;
  return 0;
}

// The final letters that CSI and SS3 sequences share: arrows, Home, End,
// the keypad's middle key and F1..F4; kNoLetterKey for any other byte.
constexpr int kNoLetterKey = -1;

int letter_key_code(unsigned char final_byte, int modifier) {
  switch (final_byte) {
    case 'A':
      return navigation_code(key_code::kUp, modifier);
    case 'B':
      return navigation_code(key_code::kDown, modifier);
    case 'C':
      return navigation_code(key_code::kRight, modifier);
    case 'D':
      return navigation_code(key_code::kLeft, modifier);
    case 'H':
      return navigation_code(key_code::kHome, modifier);
    case 'F':
      return navigation_code(key_code::kEnd, modifier);
    case 'E':
      return modifier > 1 ? key_code::kUnknown : key_code::kBegin;
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
      return function_code(final_byte - 'P' + 1, modifier);
    default:
      return kNoLetterKey;
  }
}

bool within(unsigned char b, unsigned char low, unsigned char high) {
  return b >= low && b <= high;
}

DecodedInput key_result(std::string key, std::size_t length) {
  DecodedInput d;
  d.status = DecodeStatus::key;
  d.length = length;
  d.key = std::move(key);
  return d;
}

DecodedInput special_result(int code, std::size_t length) {
  return key_result(special_key(code), length);
}

DecodedInput unknown_result(std::size_t length) {
  return special_result(key_code::kUnknown, length);
}

DecodedInput incomplete_result() { return DecodedInput{}; }

// Splits "1;5" into numbers; an empty field is -1 (the default). Returns
// false for anything but digits and semicolons (private markers, colons).
bool parse_parameters(const std::string& text, std::vector<int>& out) {
  out.clear();
  if (text.empty()) return true;
  int value = -1;
  for (unsigned char c : text) {
    if (c == ';') {
      out.push_back(value);
      value = -1;
    } else if (c >= '0' && c <= '9') {
      if (value < 0) value = 0;
      // Clamp instead of overflowing on absurdly long numbers.
      if (value < 100000) value = value * 10 + (c - '0');
    } else {
      return false;
    }
  }
  out.push_back(value);
  return true;
}

int parameter(const std::vector<int>& p, std::size_t i, int fallback) {
  return i < p.size() && p[i] >= 0 ? p[i] : fallback;
}

bool all_digits(const std::string& s) {
  if (s.empty()) return false;
  for (unsigned char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Linux console: F1..F5 are CSI [ A .. CSI [ E, one byte longer than the
// CSI [ of length bytes.
DecodedInput decode_linux_function_key(const std::string& bytes, std::size_t length,
                                       bool more_may_follow) {
  if (length == bytes.size())
    return more_may_follow ? incomplete_result() : unknown_result(length);
  const unsigned char letter = bytes[length];
  if (within(letter, 'A', 'E'))
    return special_result(function_code(letter - 'A' + 1, 1), length + 1);
  return unknown_result(length);
}

// Cursor position report: CSI row ; column R. CSI 1 ; m R is also F3 with
// modifiers, so a report of row 1 is taken only while one is expected.
bool is_cursor_report(unsigned char final_byte, const std::vector<int>& p,
                      const KeyDecodeOptions& options) {
  return final_byte == 'R' && p.size() == 2 && p[0] >= 1 && p[1] >= 1 &&
         (options.cursor_report_expected || p[0] != 1);
}

DecodedInput cursor_report_result(const std::vector<int>& p, std::size_t length) {
  DecodedInput d;
  d.status = DecodeStatus::cursor_report;
  d.length = length;
  d.row = p[0];
  d.column = p[1];
  return d;
}

// The key of a whole CSI sequence of length bytes with the parameters p (at
// most two) and final_byte.
DecodedInput csi_key(unsigned char final_byte, const std::vector<int>& p, std::size_t length) {
  // Letter forms: CSI 1 ; m X. A lone number greater than 1 is taken as the
  // modifier, as some older terminals send CSI 5 D for Ctrl-Left.
  int modifier = parameter(p, 1, 1);
  if (p.size() == 1 && parameter(p, 0, 1) > 1) modifier = p[0];
  const bool letter_form = p.size() < 2 || parameter(p, 0, 1) == 1;
  if (letter_form) {
    const int code = letter_key_code(final_byte, modifier);
    if (code != kNoLetterKey) return special_result(code, length);
  }
  switch (letter_form ? final_byte : 0) {
    case 'Z':
      return special_result(key_code::kBackTab, length);
    // rxvt: Shift with the arrows.
    case 'a':
      return special_result(key_code::kUp, length);
    case 'b':
      return special_result(key_code::kDown, length);
    case 'c':
      return special_result(key_code::kRight, length);
    case 'd':
      return special_result(key_code::kLeft, length);
    default:
      break;
  }

  // Numbered forms: CSI n ~ (xterm, VT220), CSI n ^ and CSI n @ (rxvt Ctrl
  // and Ctrl-Shift).
  if (final_byte == '~' || final_byte == '^' || final_byte == '@') {
    if (p.empty() || p[0] < 0) return unknown_result(length);
    int m = final_byte == '~' ? parameter(p, 1, 1) : 1 + kCtrlBit;
    int plain = numbered_key_plain(p[0]);
    if (plain != key_code::kUnknown)
      return special_result(navigation_code(plain, m), length);
    int f = numbered_function_key(p[0]);
    if (f != 0) return special_result(function_code(f, m), length);
  }
  return unknown_result(length);
}

// ESC [ ... : parameters 0x30-0x3F, intermediates 0x20-0x2F, final 0x40-0x7E.
DecodedInput decode_csi(const std::string& bytes, bool more_may_follow,
                        const KeyDecodeOptions& options) {
  const std::size_t n = bytes.size();
  std::size_t i = 2;
  while (i < n && within(bytes[i], 0x30, 0x3F)) ++i;
  const std::string params = bytes.substr(2, i - 2);
  // rxvt ends its Shift variants with '$', which is an intermediate byte in
  // the generic grammar: CSI 3 $ is Shift-Delete, complete as it stands.
  if (i < n && bytes[i] == '$' && all_digits(params)) {
    int plain = numbered_key_plain(std::stoi(params.substr(0, 6)));
    return special_result(plain, i + 1);
  }
  const std::size_t intermediates_begin = i;
  while (i < n && within(bytes[i], 0x20, 0x2F)) ++i;
  const bool has_intermediates = i > intermediates_begin;
  if (i == n) return more_may_follow ? incomplete_result() : unknown_result(n);
  const unsigned char final_byte = bytes[i];
  // A byte outside the grammar breaks the sequence; it stays for the next
  // key rather than being swallowed.
  if (!within(final_byte, 0x40, 0x7E)) return unknown_result(i);
  const std::size_t length = i + 1;
  if (final_byte == '[' && params.empty() && !has_intermediates)
    return decode_linux_function_key(bytes, length, more_may_follow);

  std::vector<int> p;
  if (has_intermediates || !parse_parameters(params, p) || p.size() > 2)
    return unknown_result(length);
  if (is_cursor_report(final_byte, p, options)) return cursor_report_result(p, length);
  return csi_key(final_byte, p, length);
}

// ESC O x, optionally with a modifier number before x (older xterms).
DecodedInput decode_ss3(const std::string& bytes, bool more_may_follow) {
  const std::size_t n = bytes.size();
  std::size_t i = 2;
  while (i < n && within(bytes[i], 0x30, 0x3F)) ++i;
  const std::string params = bytes.substr(2, i - 2);
  if (i == n) return more_may_follow ? incomplete_result() : unknown_result(n);
  const unsigned char final_byte = bytes[i];
  if (!within(final_byte, 0x40, 0x7E)) return unknown_result(i);
  const std::size_t length = i + 1;
  std::vector<int> p;
  if (!parse_parameters(params, p)) return unknown_result(length);
  int modifier = p.empty() ? 1 : parameter(p, p.size() - 1, 1);
  const int code = letter_key_code(final_byte, modifier);
  if (code != kNoLetterKey) return special_result(code, length);
  switch (final_byte) {
    case 'M':  // keypad Enter in application keypad mode
      if (modifier <= 1) return key_result(std::string(1, kEnterKey), length);
      return unknown_result(length);
    // rxvt: Ctrl with the arrows.
    case 'a':
      return special_result(key_code::kCtrlUp, length);
    case 'b':
      return special_result(key_code::kCtrlDown, length);
    case 'c':
      return special_result(key_code::kCtrlRight, length);
    case 'd':
      return special_result(key_code::kCtrlLeft, length);
    default:
      return unknown_result(length);
  }
}

bool is_erase_char(unsigned char b, unsigned char erase) {
  if (b == kBackspaceKey || b == kDel) return true;
  // Only a control character can be the erase key; a disabled entry (0) and
  // the line and escape characters never are.
  bool usable = (erase < 0x20 || erase == kDel) && erase != 0 &&
                erase != '\t' && erase != '\n' && erase != '\r' &&
                erase != kEscapeKey;
  return usable && b == erase;
}

}  // namespace

int ctrl_variant(int plain) {
  for (const NavigationKey& k : kNavigationKeys)
    if (k.plain == plain) return k.ctrl;
  return key_code::kUnknown;
}

int alt_variant(int plain) {
  for (const NavigationKey& k : kNavigationKeys)
    if (k.plain == plain) return k.alt;
  return key_code::kUnknown;
}

std::string special_key(int code) {
  std::string key(2, '\0');
  key[0] = static_cast<char>(kSpecialKeyPrefix);
  key[1] = static_cast<char>(code);
  return key;
}

DecodedInput decode_input(const std::string& bytes, bool more_may_follow,
                          const KeyDecodeOptions& options) {
  if (bytes.empty()) return incomplete_result();
  const unsigned char first = bytes[0];
  if (first != kEscapeKey) {
    if (is_erase_char(first, options.erase_char))
      return key_result(std::string(1, kBackspaceKey), 1);
    // Enter arrives as CR, or as LF when the terminal maps it (or Ctrl-J).
    if (first == '\r' || first == '\n')
      return key_result(std::string(1, kEnterKey), 1);
    if (first == 0) return unknown_result(1);  // Ctrl-Space
    return key_result(std::string(1, static_cast<char>(first)), 1);
  }
  if (bytes.size() == 1) {
    if (more_may_follow) return incomplete_result();
    return key_result(std::string(1, kEscapeKey), 1);
  }
  const unsigned char second = bytes[1];
  if (second == '[') return decode_csi(bytes, more_may_follow, options);
  if (second == 'O') return decode_ss3(bytes, more_may_follow);
  if (second == kEscapeKey) {
    // ESC followed by a whole sequence is its Alt variant; anything else
    // means Escape was pressed and the next ESC starts something new.
    DecodedInput inner =
        decode_input(bytes.substr(1), more_may_follow, options);
    if (inner.status == DecodeStatus::incomplete) return inner;
    if (inner.status == DecodeStatus::key && inner.length > 1) {
      int code = inner.key.size() == 2
                     ? alt_variant(static_cast<unsigned char>(inner.key[1]))
                     : key_code::kUnknown;
      return special_result(code, inner.length + 1);
    }
    return key_result(std::string(1, kEscapeKey), 1);
  }
  // ESC with one more byte in the same burst: the terminal's way of sending
  // Alt with that key, which has no plain meaning.
  return unknown_result(2);
}

std::string character_keys_of(const std::string& bytes,
                              const KeyDecodeOptions& options) {
  std::string kept;
  std::string rest = bytes;
  while (!rest.empty()) {
    DecodedInput d = decode_input(rest, false, options);
    if (d.status == DecodeStatus::key && d.key.size() == 1 &&
        static_cast<unsigned char>(d.key[0]) >= kFirstCharacterKey)
      kept += d.key;
    rest.erase(0, d.length);
  }
  return kept;
}

}  // namespace rt
