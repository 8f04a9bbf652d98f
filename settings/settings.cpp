#include "settings/settings.h"

#include <cstdint>

#include "text/files.h"
#include "text/filesystem.h"
#include "text/paths.h"
#include "text/texts.h"

namespace rt {

namespace {

constexpr const char* temporary_ending = "tmp";
constexpr Pos replaced_ending_length = 3;

bool is_setting_line(const std::string& line, const std::string& key) {
  const std::string prefix = key + "=";
  return left_text(line, text_length(prefix)) == prefix;
}

std::string setting_value(const std::string& line) {
  return mid_text(line, find(1, line, "=") + 1, -1);
}

}  // namespace

std::string read_setting(const std::string& path, const std::string& key) {
  const int settings_file = free_file_number();
  if (open_input(path, settings_file) != 0) return std::string();
  std::string line;
  for (;;) {
    read_line(settings_file, line);
    if (is_setting_line(line, key)) {
      close_file(settings_file);
      return setting_value(line);
    }
    if (at_end(settings_file)) {
      close_file(settings_file);
      return std::string();
    }
  }
}

int write_setting_through(const std::string& path, const std::string& key,
                          const std::string& value, const std::string& temporary_path) {
  // Creating the temporary file would otherwise empty the very file about to
  // be copied; the opens treat "/" and "\" alike.
  if (with_backslashes(temporary_path) == with_backslashes(path)) return setting_not_written;

  const int settings_file = free_file_number();
  if (open_input(path, settings_file) != 0) return setting_not_written;
  const int temporary_file = free_file_number();
  if (open_output(temporary_path, temporary_file) != 0) {
    close_file(settings_file);
    close_file(temporary_file);
    return setting_not_written;
  }

  const std::string setting_line = key + "=" + value;
  std::int64_t bytes_written = 0;
  auto write = [&](const std::string& line) {
    write_line(temporary_file, line);
    bytes_written += text_length(line) + 2;  // write_line adds CR LF
  };

  bool found = false;
  std::string line;
  // The end is tested after a line is handled, so an empty file still yields
  // one (empty) line, and a rewrite keeps that line rather than adding more.
  do {
    read_line(settings_file, line);
    if (is_setting_line(line, key)) {
      write(setting_line);
      found = true;
    } else {
      write(line);
    }
  } while (!at_end(settings_file));
  if (!found) write(setting_line);

  close_file(settings_file);
  close_file(temporary_file);

  // Writes report nothing, so a full disk would show only as a short file.
  // Check the length before the new file replaces the old one.
  bool complete = false;
  const int check_file = free_file_number();
  if (open_input(temporary_path, check_file) == 0) {
    complete = file_length(check_file) == bytes_written;
    close_file(check_file);
  }

  // Deleting the old file and renaming the new one would leave no settings
  // file at all if the process stopped in between or the rename failed; the
  // replacement keeps the old file whole until the new one takes its place.
  if (!complete || replace_file(temporary_path, path) != 0) {
    remove_file(temporary_path);
    return setting_not_replaced;
  }
  return setting_written;
}

std::string temporary_settings_path() {
  const std::string program = executable_path();
  return left_text(program, text_length(program) - replaced_ending_length) + temporary_ending;
}

int write_setting(const std::string& path, const std::string& key, const std::string& value) {
  return write_setting_through(path, key, value, temporary_settings_path());
}

}  // namespace rt
