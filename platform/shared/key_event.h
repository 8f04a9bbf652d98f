// A key event as a Windows console delivers it (platform/console.h reads
// them; console/key_events.h turns them into key texts).
#pragma once

#include <cstdint>

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

}  // namespace rt
