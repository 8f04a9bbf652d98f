// The names a Windows file system keeps for devices: CON, PRN, AUX, NUL,
// COM1 to COM9 and LPT1 to LPT9, and COM and LPT with the superscript
// digits one, two and three (COM¹). Opening such a name, in any folder and
// with any extension, reaches the device instead of a file. Pure, so the
// rule is tested on every platform.
#pragma once

#include <string>

namespace rt {

// Whether the last component of path (after the last "\" or "/") names a
// device: its part before the first "." or ":", with trailing blanks and
// dots cut off (the system cuts them too), is one of the reserved names in
// any letter case. "nul.txt", "Com1 .srt" and "AUX." are; "CONSOLE",
// "COM0" and "LPT10" are not. path is in the ANSI code page code_page
// (GetACP()), which says which bytes are the superscript digits: 0xB9,
// 0xB2 and 0xB3 in Windows-1252, none in code pages without them.
bool is_reserved_device_name(const std::string& path, unsigned code_page);

}  // namespace rt
