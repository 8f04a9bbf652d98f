// The key texts (console/keys.h) of one key event as a Windows console
// delivers it. Pure, so the mapping is tested on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

// The fields of a console key event that decide its key texts; the values
// are the console's own (virtual-key codes, control-key state bits).
struct ConsoleKeyEvent {
  std::uint16_t virtual_key = 0;
  std::uint16_t scan_code = 0;
  unsigned char character = 0;  // in the console's input code page; 0: none
  std::uint32_t control_state = 0;
  bool key_down = false;
  std::uint16_t repeat_count = 1;
};

// Bits of the control-key state.
namespace control_key {
constexpr std::uint32_t kRightAlt = 0x0001;
constexpr std::uint32_t kLeftAlt = 0x0002;
constexpr std::uint32_t kRightCtrl = 0x0004;
constexpr std::uint32_t kLeftCtrl = 0x0008;
constexpr std::uint32_t kShift = 0x0010;
constexpr std::uint32_t kNumLock = 0x0020;
constexpr std::uint32_t kEnhancedKey = 0x0100;
}  // namespace control_key

// Appends the key texts the event stands for to keys: none for a key-up or
// a modifier key pressed alone, except the key-up of Alt with a character,
// which is that character once (how the console delivers a character typed
// as Alt + keypad digits, and each pasted character the keyboard layout
// cannot type); none for those keypad digits themselves; otherwise
// repeat_count of them (at least one). A key that carries a character gives that byte whatever the
// modifiers say (AltGr characters included); Escape gives 27 even when the
// console sends no character; the navigation and function keys give their
// special key texts, Ctrl and Alt variants their own codes; any other key
// without a character gives the unknown special key, so it still counts as
// a key press.
void append_key_texts(const ConsoleKeyEvent& event, std::vector<std::string>& keys);

}  // namespace rt
