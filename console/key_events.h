// The key texts (console/keys.h) of one key event as a Windows console
// delivers it. Pure, so the mapping is tested on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shared/key_event.h"

namespace rt {

// ConsoleKeyEvent and its control_key bits: platform/shared/key_event.h.

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
