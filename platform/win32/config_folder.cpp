// The settings' folders on Windows, asked of the system in UTF-16 and
// given in the ANSI code page (platform/win32/wide_paths.h).
#include <windows.h>

#include "platform/config_folder.h"
#include "platform/shared/path_forms.h"
#include "platform/win32/wide_paths.h"

namespace rt {
namespace {

// A drive path ("C:\...") or a network path ("\\server\..."): a relative
// one would name another folder in every directory the program is started
// from.
bool is_full_path(const std::wstring& path) {
  const bool drive = is_drive_path(path);
  const bool network = path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
  return drive || network;
}

}  // namespace

// Windows keeps the settings file beside argument 0 whatever way the
// program was started.
std::string user_config_folder() { return std::string(); }

// The system sets APPDATA to the user's roaming application-data folder at
// logon (redirected folders included); read from the environment, it
// costs no library beyond the kernel's.
std::string application_data_folder() {
  const DWORD needed = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (needed == 0) return std::string();
  std::wstring folder(needed, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"APPDATA", &folder[0], needed);
  if (length == 0 || length >= needed) return std::string();
  folder.resize(length);
  if (!is_full_path(folder)) return std::string();
  return native::code_page_path(folder).value_or("");
}

}  // namespace rt
