#include "settings/settings.h"

#include <cstdint>
#include <string>
#include <vector>

#include "text/atomic_save.h"
#include "text/files.h"
#include "text/filesystem.h"
#include "text/paths.h"
#include "text/texts.h"

namespace rt {

namespace {

// How long a run waits for another run's rewrite: long enough that two
// runs started together both store their directory, short enough that a
// run stuck in its rewrite never holds up another for long.
constexpr int kTurnWaitMs = 2000;

bool is_setting_line(const std::string& line, const std::string& key) {
  const std::string prefix = key + "=";
  return left_text(line, text_length(prefix)) == prefix;
}

std::string setting_value(const std::string& line) {
  return mid_text(line, find(1, line, "=") + 1, -1);
}

// A line break would split the setting into two lines (the next run would
// read only the first part), and 0x1A would end the file for every reader
// there, so that the lines after it are lost on the next rewrite.
bool fits_one_line(const std::string& text) {
  return text.find_first_of("\r\n\x1A") == std::string::npos;
}

// The opens treat "/" and "\" alike.
bool same_path(const std::string& a, const std::string& b) {
  return with_native_separators(a) == with_native_separators(b);
}

SaveRules settings_rules(bool create_only) {
  SaveRules rules;
  rules.synced = true;
  rules.create_only = create_only;
  rules.wait_ms = kTurnWaitMs;
  return rules;
}

// The file a rewrite replaces and its temporary file. A settings file that
// is a symbolic link is rewritten where the link leads, so that the link
// stays; the temporary file must then lie beside that file, since a file is
// renamed in one step only within its own folder.
struct Rewrite {
  std::string file;
  std::string temporary;
};

Rewrite rewrite_of(const std::string& path, const std::string& temporary_path) {
  const std::string file = final_file(path).value_or(path);
  if (file == path) return {path, temporary_path};
  return {file, temporary_path_of(file)};
}

// The lines a rewrite of the open settings file writes: every line as read,
// those of the key replaced by setting_line, which is added at the end when
// no line has the key. The end is tested after a line is handled, so an
// empty file still yields one (empty) line, and a rewrite keeps that line
// rather than adding more.
std::vector<std::string> rewritten_lines(int settings_file, const std::string& key, const std::string& setting_line) {
  std::vector<std::string> lines;
  bool found = false;
  std::string line;
  do {
    read_line(settings_file, line);
    if (is_setting_line(line, key)) {
      lines.push_back(setting_line);
      found = true;
    } else {
      lines.push_back(line);
    }
  } while (!at_end(settings_file));
  if (!found) lines.push_back(setting_line);
  return lines;
}

// Settings files are a few lines; a longer one is simply rewritten.
constexpr std::size_t kLongestSettingsCompared = 65536;

// Whether the file holds, byte for byte, what its rewrite would write: then
// the rewrite is left out, which spares every run that keeps its directory
// a locked save with two syncs to the disk.
bool rewrite_changes_nothing(const std::string& file, const std::vector<std::string>& lines) {
  std::string rewrite;
  for (const std::string& line : lines) rewrite += line + "\r\n";
  return small_file_bytes(file, kLongestSettingsCompared) == rewrite;
}

}  // namespace

std::string read_setting(const std::string& path, const std::string& key) {
  return find_setting(path, key).value_or(std::string());
}

std::optional<std::string> find_setting(const std::string& path, const std::string& key) {
  const int settings_file = free_file_number();
  if (open_input(path, settings_file) != 0) return std::nullopt;
  std::string line;
  for (;;) {
    read_line(settings_file, line);
    if (is_setting_line(line, key)) {
      close_file(settings_file);
      return setting_value(line);
    }
    if (at_end(settings_file)) {
      close_file(settings_file);
      return std::nullopt;
    }
  }
}

int write_setting_through(const std::string& path, const std::string& key,
                          const std::string& value, const std::string& temporary_path) {
  if (!fits_one_line(key) || !fits_one_line(value)) return kSettingNotWritten;
  const Rewrite rewrite = rewrite_of(path, temporary_path);
  // The settings file itself must never be taken for its temporary file
  // (a leftover to remove, a lock to create).
  if (same_path(rewrite.temporary, rewrite.file)) return kSettingNotWritten;

  const int settings_file = free_file_number();
  if (open_input(rewrite.file, settings_file) != 0) return kSettingNotWritten;
  // A settings file its owner protected from writing is left as it is:
  // replacing it would drop that protection.
  if (!file_writable(rewrite.file)) {
    close_file(settings_file);
    return kSettingNotWritten;
  }
  const std::string setting_line = key + "=" + value;
  const bool unchanged = rewrite_changes_nothing(rewrite.file, rewritten_lines(settings_file, key, setting_line));
  close_file(settings_file);
  if (unchanged) return kSettingWritten;
  const int temporary_file = free_file_number();
  if (open_save(rewrite.file, temporary_file, rewrite.temporary, settings_rules(false)) != 0) {
    return kSettingNotWritten;
  }
  // Read again now that this run holds the lock: another run may have put a
  // new file in place while this one waited for its turn.
  const int locked_file = free_file_number();
  if (open_input(rewrite.file, locked_file) != 0) {
    close_output(temporary_file, false);
    return kSettingNotWritten;
  }
  for (const std::string& line : rewritten_lines(locked_file, key, setting_line)) write_line(temporary_file, line);
  close_file(locked_file);

  // The save puts every byte on the disk before the new file takes the old
  // one's place, and keeps the old file whole until then: a power cut or a
  // killed run leaves the old file or the new one, never none or a mix.
  return close_output(temporary_file) ? kSettingWritten : kSettingNotReplaced;
}

int write_setting(const std::string& path, const std::string& key, const std::string& value) {
  return write_setting_through(path, key, value, temporary_settings_path());
}

int create_settings_file_through(const std::string& path, const std::vector<Setting>& settings,
                                 const std::string& temporary_path) {
  for (const Setting& setting : settings) {
    if (!fits_one_line(setting.key) || !fits_one_line(setting.value)) return kSettingNotWritten;
  }
  if (same_path(temporary_path, path)) return kSettingNotWritten;
  const int settings_file = free_file_number();
  if (open_save(path, settings_file, temporary_path, settings_rules(true)) != 0) {
    return kSettingNotWritten;
  }
  // The empty line is the one line an empty file is read as, which the
  // first rewrite of an empty file copies before its new setting.
  write_line(settings_file, "");
  for (const Setting& setting : settings) write_line(settings_file, setting.key + "=" + setting.value);
  return close_output(settings_file) ? kSettingWritten : kSettingNotReplaced;
}

int create_settings_file(const std::string& path, const std::vector<Setting>& settings) {
  return create_settings_file_through(path, settings, temporary_settings_path());
}

}  // namespace rt
