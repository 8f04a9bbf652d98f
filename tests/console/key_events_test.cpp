#include "console/key_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/keys.h"

namespace rt {
namespace {

std::string ch(int code) { return std::string(1, static_cast<char>(code)); }
std::string sp(int code) { return special_key(code); }

constexpr std::uint32_t kEnhanced = control_key::kEnhancedKey;
constexpr std::uint32_t kAltGr = control_key::kRightAlt | control_key::kLeftCtrl;

struct KeyEventCase {
  const char* name;
  ConsoleKeyEvent event;
  std::vector<std::string> keys;
};

// Events as a console sends them: virtual key, scan code, character,
// control-key state, key down, repeat count.
const KeyEventCase kKeyEventCases[] = {
    {"letter", {0x41, 0x1E, 'a', 0, true, 1}, {"a"}},
    {"letter key up", {0x41, 0x1E, 'a', 0, false, 1}, {}},
    {"shifted letter", {0x41, 0x1E, 'A', control_key::kShift, true, 1}, {"A"}},
    {"umlaut in code page 1252", {0xDE, 0x28, 0xE4, 0, true, 1}, {ch(0xE4)}},
    {"AltGr backslash", {0xDB, 0x0C, '\\', kAltGr, true, 1}, {"\\"}},
    {"AltGr at sign", {0x51, 0x10, '@', kAltGr, true, 1}, {"@"}},
    {"Ctrl-A", {0x41, 0x1E, 1, control_key::kLeftCtrl, true, 1}, {ch(1)}},
    {"Backspace", {0x08, 0x0E, 8, 0, true, 1}, {ch(kBackspaceKey)}},
    {"Enter", {0x0D, 0x1C, 13, 0, true, 1}, {ch(kEnterKey)}},
    {"Escape without character", {0x1B, 0x01, 0, 0, true, 1}, {ch(kEscapeKey)}},
    {"Escape with character", {0x1B, 0x01, 27, 0, true, 1}, {ch(kEscapeKey)}},
    {"grey Home", {0x24, 0x47, 0, kEnhanced, true, 1}, {sp(key_code::kHome)}},
    {"grey Left", {0x25, 0x4B, 0, kEnhanced, true, 1}, {sp(key_code::kLeft)}},
    {"grey Right", {0x27, 0x4D, 0, kEnhanced, true, 1}, {sp(key_code::kRight)}},
    {"grey End", {0x23, 0x4F, 0, kEnhanced, true, 1}, {sp(key_code::kEnd)}},
    {"grey Delete", {0x2E, 0x53, 0, kEnhanced, true, 1}, {sp(key_code::kDel)}},
    {"keypad Home", {0x24, 0x47, 0, 0, true, 1}, {sp(key_code::kHome)}},
    {"keypad Left", {0x25, 0x4B, 0, 0, true, 1}, {sp(key_code::kLeft)}},
    {"keypad Right", {0x27, 0x4D, 0, 0, true, 1}, {sp(key_code::kRight)}},
    {"keypad End", {0x23, 0x4F, 0, 0, true, 1}, {sp(key_code::kEnd)}},
    {"keypad Delete", {0x2E, 0x53, 0, 0, true, 1}, {sp(key_code::kDel)}},
    {"keypad 4 with Num Lock", {0x64, 0x4B, '4', control_key::kNumLock, true, 1}, {"4"}},
    {"Shift-Left", {0x25, 0x4B, 0, kEnhanced | control_key::kShift, true, 1},
     {sp(key_code::kLeft)}},
    {"Shift-End", {0x23, 0x4F, 0, control_key::kShift, true, 1}, {sp(key_code::kEnd)}},
    {"Ctrl-Left", {0x25, 0x4B, 0, kEnhanced | control_key::kLeftCtrl, true, 1},
     {sp(key_code::kCtrlLeft)}},
    {"Ctrl-Home", {0x24, 0x47, 0, control_key::kRightCtrl, true, 1},
     {sp(key_code::kCtrlHome)}},
    {"Alt-Left", {0x25, 0x4B, 0, kEnhanced | control_key::kLeftAlt, true, 1},
     {sp(key_code::kAltLeft)}},
    {"Alt-Delete", {0x2E, 0x53, 0, control_key::kLeftAlt, true, 1},
     {sp(key_code::kAltDel)}},
    {"Up", {0x26, 0x48, 0, kEnhanced, true, 1}, {sp(key_code::kUp)}},
    {"Insert", {0x2D, 0x52, 0, kEnhanced, true, 1}, {sp(key_code::kInsert)}},
    {"Home by scan code only", {0x00, 0x47, 0, 0, true, 1}, {sp(key_code::kHome)}},
    {"F1", {0x70, 0x3B, 0, 0, true, 1}, {sp(key_code::kF1)}},
    {"F12", {0x7B, 0x58, 0, 0, true, 1}, {sp(key_code::kF12)}},
    {"Ctrl-F1", {0x70, 0x3B, 0, control_key::kLeftCtrl, true, 1},
     {sp(key_code::kUnknown)}},
    {"keypad 5 with Num Lock off", {0x0C, 0x4C, 0, 0, true, 1}, {sp(key_code::kBegin)}},
    {"Shift alone", {0x10, 0x2A, 0, control_key::kShift, true, 1}, {}},
    {"Ctrl alone", {0x11, 0x1D, 0, control_key::kLeftCtrl, true, 1}, {}},
    {"Alt alone", {0x12, 0x38, 0, control_key::kLeftAlt, true, 1}, {}},
    {"Caps Lock alone", {0x14, 0x3A, 0, 0, true, 1}, {}},
    {"Num Lock alone", {0x90, 0x45, 0, 0, true, 1}, {}},
    {"unknown key", {0x00, 0x00, 0, 0, true, 1}, {sp(key_code::kUnknown)}},
    {"repeated letter", {0x58, 0x2D, 'x', 0, true, 3}, {"x", "x", "x"}},
    {"repeated Left", {0x25, 0x4B, 0, kEnhanced, true, 2},
     {sp(key_code::kLeft), sp(key_code::kLeft)}},
    {"repeat count 0 counts once", {0x41, 0x1E, 'a', 0, true, 0}, {"a"}},
    // A pasted e-acute (or Alt + 0233 typed): Alt down, keypad digits down
    // and up with no character, then Alt up with the character.
    {"Alt down before a keypad code", {0x12, 0x38, 0, control_key::kLeftAlt, true, 1}, {}},
    {"keypad digit 0 of an Alt code",
     {0x60, 0x52, 0, control_key::kLeftAlt | control_key::kNumLock, true, 1}, {}},
    {"keypad 2 of an Alt code, Num Lock off", {0x28, 0x50, 0, control_key::kLeftAlt, true, 1}, {}},
    {"keypad digit up", {0x63, 0x51, 0, control_key::kLeftAlt, false, 1}, {}},
    {"Alt up with the character", {0x12, 0x38, 0xE9, 0, false, 1}, {ch(0xE9)}},
    {"Alt up without a character", {0x12, 0x38, 0, 0, false, 1}, {}},
    {"Shift up with a character", {0x10, 0x2A, 'A', 0, false, 1}, {}},
    {"grey Down with Alt", {0x28, 0x50, 0, kEnhanced | control_key::kLeftAlt, true, 1},
     {sp(key_code::kAltDown)}},
    {"keypad Delete with Alt is no Alt code digit",
     {0x2E, 0x53, 0, control_key::kLeftAlt, true, 1}, {sp(key_code::kAltDel)}},
};

TEST(KeyEvents, EachEventGivesItsKeyTexts) {
  for (const KeyEventCase& c : kKeyEventCases) {
    std::vector<std::string> keys = {"before"};
    append_key_texts(c.event, keys);
    std::vector<std::string> expected = {"before"};
    expected.insert(expected.end(), c.keys.begin(), c.keys.end());
    EXPECT_EQ(keys, expected) << c.name;
  }
}

}  // namespace
}  // namespace rt
