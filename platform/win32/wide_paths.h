// The edge between the program's paths and the wide file calls of Windows,
// shared by the Windows native files (implemented in wide_paths.cpp).
//
// The program keeps every text, paths and file names included, as bytes of
// the system's ANSI code page (GetACP()). The ANSI calls of the system (the
// ...A functions) stop at MAX_PATH, and give a name that the code page
// cannot hold as "?" or a look-alike ("Ł" as "L"), which no call can open
// again. So the native layer calls the wide functions (...W) and converts
// here: paths on their way in (and long ones into the long form), names
// and the program's own paths on their way out, and those only when the
// code page holds them exactly.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace rt {
namespace native {

// Whether a count of bytes or UTF-16 units can be handed to the system's
// calls, which take an int.
bool fits_an_int(std::size_t size);

// text, bytes of the ANSI code page, in UTF-16. Nothing when it holds a
// NUL byte (the system would take a shorter text) or bytes that are no
// character of the code page.
std::optional<std::wstring> wide_text(const std::string& text);

// path, as the program composed it, in the form the wide calls take:
// wide_text, then system_form. Nothing for the empty path and as for
// wide_text.
std::optional<std::wstring> wide_path(const std::string& path);

// The full form of path as the system works it out (GetFullPathNameW:
// made absolute against the current directory, "/" turned into "\", "."
// and ".." resolved, trailing dots and blanks cut), of any length; "" when
// the system cannot.
std::wstring full_path_of(const std::wstring& path);

// A path in UTF-16 in the long form when it is long (kLongPathFrom and
// long_path_form of platform/shared/path_forms.h, with full_path_of);
// as it is otherwise.
std::wstring system_form(const std::wstring& path);

// text in the ANSI code page, only when every character is one of the code
// page's own (no best-fit look-alike, no default character) and the bytes
// give text back; nothing otherwise.
std::optional<std::string> code_page_text(const std::wstring& text);

// The full path of an existing entry in the ANSI code page: exactly when it
// can be, else its short (8.3) form when the volume keeps short names and
// that converts; nothing otherwise.
std::optional<std::string> code_page_path(const std::wstring& path);

// text in the ANSI code page with "?" for every character the code page
// lacks, and never a look-alike: "?" cannot stand in a Windows file name,
// so a path made so names nothing, never another entry.
std::string code_page_text_marked(const std::wstring& text);

// The attributes of the entry at path (a wide_path) with links followed:
// those of the file or folder a link finally leads to;
// INVALID_FILE_ATTRIBUTES when nothing is there, a dangling link included.
DWORD followed_attributes(const std::wstring& path);

// The sharing that lets every other handle read, write, rename and delete.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Whether path may be handed to the system as a file name at all: no NUL
// byte, no device name (CON, NUL.txt, COM1 ... reach a device in any
// folder), no path in the device namespace ("\\.\pipe\x"); the long form
// "\\?\C:\..." is a file name.
bool names_a_file(const std::string& path);

// path in the form the wide calls take (wide_path), when it may name a file
// at all.
std::optional<std::wstring> file_path(const std::string& path);

// An existing entry's full path in the code page: exactly, or by its short
// name, or else with "?" for each character the code page lacks, which
// names nothing; never a look-alike, which could name another entry.
std::string named_in_code_page(const std::wstring& full_path);

}  // namespace native
}  // namespace rt
