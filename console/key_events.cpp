#include "console/key_events.h"

#include "console/keys.h"

namespace rt {
namespace {

// Virtual-key codes the mapping needs.
constexpr std::uint16_t kVkNone = 0x00;
constexpr std::uint16_t kVkClear = 0x0C;  // the keypad's 5 with Num Lock off
constexpr std::uint16_t kVkShift = 0x10;
constexpr std::uint16_t kVkControl = 0x11;
constexpr std::uint16_t kVkMenu = 0x12;  // Alt
constexpr std::uint16_t kVkPause = 0x13;
constexpr std::uint16_t kVkCapital = 0x14;
constexpr std::uint16_t kVkEscape = 0x1B;
constexpr std::uint16_t kVkLeftWindows = 0x5B;
constexpr std::uint16_t kVkRightWindows = 0x5C;
constexpr std::uint16_t kVkF1 = 0x70;
constexpr std::uint16_t kVkF10 = 0x79;
constexpr std::uint16_t kVkF11 = 0x7A;
constexpr std::uint16_t kVkF12 = 0x7B;
constexpr std::uint16_t kVkNumpad0 = 0x60;  // ... to kVkNumpad9
constexpr std::uint16_t kVkNumpad9 = 0x69;
constexpr std::uint16_t kVkNumLock = 0x90;
constexpr std::uint16_t kVkScrollLock = 0x91;
constexpr std::uint16_t kVkLeftShift = 0xA0;  // ... to kVkRightAlt
constexpr std::uint16_t kVkRightAlt = 0xA5;

// A navigation key: its virtual key, its scan code (the PC keyboard's code,
// the same for the grey key and the keypad key), and its plain code (its
// Ctrl and Alt codes are keys.h's).
struct NavigationKey {
  std::uint16_t virtual_key;
  std::uint16_t scan_code;
  int plain;
};

constexpr NavigationKey kNavigationKeys[] = {
    {0x24, 0x47, key_code::kHome},     {0x26, 0x48, key_code::kUp},    {0x21, 0x49, key_code::kPageUp},
    {0x25, 0x4B, key_code::kLeft},     {0x27, 0x4D, key_code::kRight}, {0x23, 0x4F, key_code::kEnd},
    {0x28, 0x50, key_code::kDown},     {0x22, 0x51, key_code::kPageDown},
    {0x2D, 0x52, key_code::kInsert},   {0x2E, 0x53, key_code::kDel},
};

constexpr std::uint32_t kCtrlBits = control_key::kLeftCtrl | control_key::kRightCtrl;
constexpr std::uint32_t kAltBits = control_key::kLeftAlt | control_key::kRightAlt;

// Scan codes of the keypad's digit keys (7 8 9, 4 5 6, 1 2 3, 0); with Num
// Lock off they come with the virtual keys of Home, Up, ... Insert.
constexpr std::uint16_t kKeypadDigitScanCodes[] = {0x47, 0x48, 0x49, 0x4B, 0x4C,
                                                   0x4D, 0x4F, 0x50, 0x51, 0x52};

bool is_modifier_alone(std::uint16_t vk) {
  return vk == kVkShift || vk == kVkControl || vk == kVkMenu || vk == kVkCapital ||
         vk == kVkNumLock || vk == kVkScrollLock || vk == kVkPause ||
         vk == kVkLeftWindows || vk == kVkRightWindows ||
         (vk >= kVkLeftShift && vk <= kVkRightAlt);
}

bool is_keypad_digit(const ConsoleKeyEvent& event) {
  if (event.virtual_key >= kVkNumpad0 && event.virtual_key <= kVkNumpad9) return true;
  if ((event.control_state & control_key::kEnhancedKey) != 0) return false;  // a grey key
  for (std::uint16_t scan : kKeypadDigitScanCodes)
    if (event.scan_code == scan) return true;
  return false;
}

// A digit of a character typed as Alt + keypad digits (and of each pasted
// character the keyboard layout cannot type, which the console sends the
// same way): the character itself comes with Alt's key-up.
bool is_alt_code_digit(const ConsoleKeyEvent& event) {
  const bool alt = (event.control_state & kAltBits) != 0;
  const bool ctrl = (event.control_state & kCtrlBits) != 0;
  return alt && !ctrl && event.character == 0 && is_keypad_digit(event);
}

// The navigation key of the event, by virtual key, or by scan code when the
// console gives no virtual key; nullptr when it is none.
const NavigationKey* navigation_key(const ConsoleKeyEvent& event) {
  for (const NavigationKey& k : kNavigationKeys) {
    if (event.virtual_key == k.virtual_key) return &k;
    if (event.virtual_key == kVkNone && event.scan_code == k.scan_code) return &k;
  }
  return nullptr;
}

// The key text of a key without a character.
std::string special_key_text(const ConsoleKeyEvent& event) {
  const bool ctrl = (event.control_state & kCtrlBits) != 0;
  const bool alt = (event.control_state & kAltBits) != 0;
  if (const NavigationKey* k = navigation_key(event)) {
    if (ctrl) return special_key(ctrl_variant(k->plain));
    if (alt) return special_key(alt_variant(k->plain));
    return special_key(k->plain);  // Shift keeps the plain code
  }
  if (ctrl || alt) return special_key(key_code::kUnknown);
  const std::uint16_t vk = event.virtual_key;
  if (vk >= kVkF1 && vk <= kVkF10) return special_key(key_code::kF1 + (vk - kVkF1));
  if (vk == kVkF11) return special_key(key_code::kF11);
  if (vk == kVkF12) return special_key(key_code::kF12);
  if (vk == kVkClear) return special_key(key_code::kBegin);
  return special_key(key_code::kUnknown);
}

}  // namespace

void append_key_texts(const ConsoleKeyEvent& event, std::vector<std::string>& keys) {
  if (!event.key_down) {
    // Alt let go with a character: the end of an Alt + keypad entry or of
    // a pasted character. Every other key-up only ends a press.
    if (event.virtual_key == kVkMenu && event.character != 0)
      keys.push_back(std::string(1, static_cast<char>(event.character)));
    return;
  }
  if (is_alt_code_digit(event)) return;
  std::string text;
  if (event.character != 0) {
    text = std::string(1, static_cast<char>(event.character));
  } else if (event.virtual_key == kVkEscape) {
    text = std::string(1, kEscapeKey);
  } else if (is_modifier_alone(event.virtual_key)) {
    return;
  } else {
    text = special_key_text(event);
  }
  const int presses = event.repeat_count > 0 ? event.repeat_count : 1;
  for (int i = 0; i < presses; ++i) keys.push_back(text);
}

}  // namespace rt
