// The names a Windows file system keeps for devices: CON, PRN, AUX, NUL,
// COM1 to COM9 and LPT1 to LPT9. Opening such a name, in any folder and
// with any extension, reaches the device instead of a file. Pure, so the
// rule is tested on every platform.
#pragma once

#include <string>

namespace rt {

// Whether the last component of path (after the last "\" or "/") names a
// device: its part before the first "." or ":", with trailing blanks and
// dots cut off (the system cuts them too), is one of the reserved names in
// any letter case. "nul.txt", "Com1 .srt" and "AUX." are; "CONSOLE",
// "COM0" and "LPT10" are not.
bool is_reserved_device_name(const std::string& path);

}  // namespace rt
