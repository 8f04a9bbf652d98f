// The conversion of paths and names between the ANSI code page and the
// wide calls of Windows (platform/win32/wide_paths.h), shared by the Windows
// native files.
#include "platform/win32/wide_paths.h"

#include <climits>
#include <optional>
#include <string>

#include "platform/shared/device_names.h"
#include "platform/shared/path_forms.h"

namespace rt {
namespace native {

bool fits_an_int(std::size_t size) { return size <= static_cast<std::size_t>(INT_MAX); }

namespace {

constexpr char kMissingCharacter[] = "?";

// UTF-16 into code_page with flags; nothing when the system refuses it.
// used_default is told whether a character was replaced by the default
// character (not for UTF-8, which takes no such question).
std::optional<std::string> converted(const std::wstring& text, UINT code_page, DWORD flags,
                                     const char* default_character, BOOL* used_default) {
  if (text.empty()) return std::string();
  if (!fits_an_int(text.size())) return std::nullopt;
  const int units = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(code_page, flags, text.data(), units, nullptr, 0, default_character, used_default);
  if (length <= 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(code_page, flags, text.data(), units, &bytes[0], length, default_character,
                          used_default) != length) {
    return std::nullopt;
  }
  return bytes;
}

bool is_high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// text with every surrogate that is not half of a pair (NTFS names may hold
// them) as "?": no code page has a character for it.
std::wstring without_lone_surrogates(std::wstring text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
      ++i;
    } else if (is_high_surrogate(text[i]) || is_low_surrogate(text[i])) {
      text[i] = L'?';
    }
  }
  return text;
}

}  // namespace

std::optional<std::wstring> wide_text(const std::string& text) {
  if (text.find('\0') != std::string::npos || !fits_an_int(text.size())) return std::nullopt;
  if (text.empty()) return std::wstring();
  const int bytes = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), bytes, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), bytes, &wide[0], units) != units) {
    return std::nullopt;
  }
  return wide;
}

std::optional<std::wstring> wide_path(const std::string& path) {
  const std::optional<std::wstring> given = wide_text(path);
  if (!given || given->empty()) return std::nullopt;
  return system_form(*given);
}

std::wstring full_path_of(const std::wstring& path) {
  // The first call tells the size the full form needs, the NUL included.
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return std::wstring();
  full.resize(length);
  return full;
}

std::wstring system_form(const std::wstring& path) { return long_path_form(path, full_path_of(path)); }

std::optional<std::string> code_page_text(const std::wstring& text) {
  const UINT code_page = GetACP();
  BOOL used_default = FALSE;
  std::optional<std::string> bytes =
      code_page == CP_UTF8 ? converted(text, code_page, WC_ERR_INVALID_CHARS, nullptr, nullptr)
                           : converted(text, code_page, WC_NO_BEST_FIT_CHARS, nullptr, &used_default);
  // A code page that takes no flags is asked plainly; the way back below
  // still tells a look-alike from the character itself.
  if (!bytes && GetLastError() == ERROR_INVALID_FLAGS) bytes = converted(text, code_page, 0, nullptr, nullptr);
  if (!bytes || used_default) return std::nullopt;
  const std::optional<std::wstring> back = wide_text(*bytes);
  if (!back || *back != text) return std::nullopt;
  return bytes;
}

std::optional<std::string> code_page_path(const std::wstring& path) {
  std::optional<std::string> bytes = code_page_text(path);
  if (bytes) return bytes;
  // The short form is plain ASCII where the volume makes short names.
  const std::wstring system_path = system_form(path);
  const DWORD needed = GetShortPathNameW(system_path.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring short_path(needed, L'\0');
  const DWORD length = GetShortPathNameW(system_path.c_str(), &short_path[0], needed);
  if (length == 0 || length >= needed) return std::nullopt;
  short_path.resize(length);
  return code_page_text(without_long_path_prefix(short_path));
}

std::string code_page_text_marked(const std::wstring& text) {
  const std::wstring sound = without_lone_surrogates(text);
  const UINT code_page = GetACP();
  std::optional<std::string> bytes =
      code_page == CP_UTF8 ? converted(sound, code_page, 0, nullptr, nullptr)
                           : converted(sound, code_page, WC_NO_BEST_FIT_CHARS, kMissingCharacter, nullptr);
  if (bytes) return *bytes;
  // A code page that converts nothing this way: every character not in
  // ASCII is marked.
  std::string marked;
  for (const wchar_t c : sound) marked += c < 0x80 ? static_cast<char>(c) : kMissingCharacter[0];
  return marked;
}

DWORD followed_attributes(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return attributes;
  }
  // The attributes of a link are its own; opening it (only to read
  // attributes) reaches what it leads to, or fails when that is missing.
  const HANDLE handle =
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return INVALID_FILE_ATTRIBUTES;
  BY_HANDLE_FILE_INFORMATION information;
  const bool known = GetFileInformationByHandle(handle, &information) != 0;
  CloseHandle(handle);
  return known ? information.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}


bool names_a_file(const std::string& path) {
  if (path.find('\0') != std::string::npos || path.empty()) return false;
  if (is_reserved_device_name(path, GetACP())) return false;
  std::string start = path.substr(0, 4);
  for (char& c : start) {
    if (c == '/') c = '\\';
  }
  if (start == "\\\\.\\") return false;
  if (start == "\\\\?\\") {
    if (!starts_with_drive(path.substr(start.size()))) return false;
  }
  return true;
}

std::optional<std::wstring> file_path(const std::string& path) {
  if (!names_a_file(path)) return std::nullopt;
  return wide_path(path);
}

std::string named_in_code_page(const std::wstring& full_path) {
  const std::wstring plain = without_long_path_prefix(full_path);
  const std::optional<std::string> bytes = code_page_path(plain);
  return bytes ? *bytes : code_page_text_marked(plain);
}

}  // namespace native
}  // namespace rt
