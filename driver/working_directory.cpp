#include "driver/working_directory.h"

#include "text/filesystem.h"
#include "text/paths.h"

namespace rt {
namespace {

const std::string kCurrentDirectory = ".";

// The absolute path of the existing directory, or of the folder of the
// existing file, at path.
FoundDirectory found_at(const std::string& path, EntryKind kind) {
  std::string absolute = absolute_path(path).value_or("");
  // The file's name is cut off its absolute path, which keeps a link to a
  // file in the folder the link lies in.
  if (kind == EntryKind::file) absolute = containing_folder(absolute);
  if (absolute.empty()) return {DirectoryFound::missing, path};
  return {DirectoryFound::directory, absolute};
}

}  // namespace

std::string normalise_working_directory(const std::string& answer) {
  const std::size_t separator = last_separator(answer);
  const std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
  if (answer.find('.', name_start) == std::string::npos) return answer;
  return containing_folder(answer);
}

FoundDirectory find_directory(const std::string& given, bool file_name_by_dot) {
  const EntryKind kind = entry_kind(given);
  if (kind == EntryKind::directory || kind == EntryKind::file) return found_at(given, kind);
  if (kind == EntryKind::other) return {DirectoryFound::not_a_directory, given};
  const std::string folder = file_name_by_dot ? normalise_working_directory(given) : given;
  if (folder == given) return {DirectoryFound::missing, given};
  // A bare file name lies in the current directory.
  const std::string looked_for = folder.empty() ? kCurrentDirectory : folder;
  if (entry_kind(looked_for) != EntryKind::directory) return {DirectoryFound::missing, looked_for};
  return found_at(looked_for, EntryKind::directory);
}

}  // namespace rt
