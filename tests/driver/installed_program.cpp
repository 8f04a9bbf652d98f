#include "tests/driver/installed_program.h"

#include <filesystem>

#include "tests/driver/worked_example.h"

namespace rt::test_support {

InstalledProgram::InstalledProgram(const std::string& subfolder) {
  // /proc/self/exe names the copy with links resolved; the expected paths
  // must be spelt the same way.
  root_ = std::filesystem::canonical(scratch_.path()).string();
  folder_ = subfolder.empty() ? root_ : root_ + "/" + subfolder;
  std::filesystem::create_directories(folder_);
  std::filesystem::copy_file(RETIME_BINARY, binary());
  std::filesystem::permissions(binary(), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
}

std::optional<std::string> InstalledProgram::settings() const {
  return file_bytes(settings_path());
}

void InstalledProgram::store_settings(const std::string& directory) const {
  write_bytes(settings_path(), settings_after_run(directory));
}

std::optional<std::string> file_bytes(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  return read_bytes(path);
}

bool directory_exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

void put_worked_pair(const std::string& directory) {
  std::filesystem::create_directories(directory);
  write_bytes(directory + "/film1.srt", worked_timecodes);
  write_bytes(directory + "/film1.txt", worked_text);
}

std::string worked_output_path(const std::string& directory) {
  return directory + "/untertitel/film1..src";
}

std::string settings_after_run(const std::string& directory) {
  return "\r\n"
         "texterweiterung=.txt\r\n"
         "ausgabeerweiterung=.src\r\n"
         "verzeichnis=" + directory + "\r\n";
}

std::string report_with_worked_pair(const std::string& eol) {
  std::string report;
  for (const char* line : {"", "", " 1 Timecodedatei", "", " 1. Objekt",
                           " Timecode: film1.srt", "     Text: film1.txt",
                           "  Ausgabe: film1..src", " Lade Text...",
                           " Berechne Korrekturfaktor...", "", "Fertig"})
    report += line + eol;
  return report;
}

std::string report_without_timecode_files(const std::string& eol) {
  std::string report;
  for (const char* line : {"", "", " 0 Timecodedateien", "", "Fertig"})
    report += line + eol;
  return report;
}

}  // namespace rt::test_support
