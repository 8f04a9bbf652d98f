// The directory scan beside named pipes: POSIX only (mkfifo).
#include "driver/scan.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/driver/disk_and_console.h"
#include "text/files.h"

namespace rt {
namespace {

using rt::test_support::console_transcript;
using rt::test_support::ScratchDirectory;
using rt::test_support::write_bytes;

const std::string tc1 = "00:00:01,000 --> 00:00:02,500";
const std::string tc2 = "00:00:03,000 --> 00:00:05,000";

// Two well-formed cues with the given line end.
std::string two_cues(const std::string& eol = "\r\n") {
  return "1" + eol + tc1 + eol + "Hallo" + eol + eol +
         "2" + eol + tc2 + eol + "Welt" + eol + eol;
}

TEST(ScanDirectory, SortsTheNamesAndIgnoresFoldersAndPipes) {
  ScratchDirectory dir;
  const std::vector<std::string> timecode_names = {"e.srt", "c.sub", "a.srt", "d.src", "b"};
  const std::vector<std::string> text_names = {"c.txt", "a.txt", "B.TXT"};
  for (const auto& name : timecode_names) write_bytes(dir / name, two_cues());
  for (const auto& name : text_names) write_bytes(dir / name, "Text.");
  write_bytes(dir / "notes.doc", "Hallo");
  ASSERT_EQ(::mkfifo((dir / "pipe.srt").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "untertitel");
  std::filesystem::create_directory(dir / "folder.txt");
  write_bytes(dir / "untertitel/inner.srt", two_cues());

  // The scan sorts by upper-case names, whatever order the file system
  // lists them in.
  const std::vector<std::string> expected_timecode{"", "a.srt", "b", "c.sub", "d.src", "e.srt"};
  const std::vector<std::string> expected_text{"", "a.txt", "B.TXT", "c.txt"};

  FileLists lists;
  const std::string printed = console_transcript([&] { lists = scan_directory(dir.path()); });

  EXPECT_EQ(lists.timecode_files, expected_timecode);
  EXPECT_EQ(lists.text_files, expected_text);
  EXPECT_EQ(entry_count(lists.timecode_files), 5);
  EXPECT_EQ(entry_count(lists.text_files), 3);
  EXPECT_EQ(printed, "") << "the scan prints nothing";
  EXPECT_EQ(free_file_number(), 1);
}

}  // namespace
}  // namespace rt
