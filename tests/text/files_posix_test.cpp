#include "text/files.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/text/temp_directory.h"

namespace rt {
namespace {

using namespace std::string_literals;

// The table of numbers is process-wide: every test starts and ends with all
// numbers free.
class NumberedFiles : public ::testing::Test {
 protected:
  void SetUp() override { close_all(); }
  void TearDown() override { close_all(); }

  // Writes bytes to a file of the test directory and opens it as number n.
  void open_with(const std::string& bytes, int n = 1) {
    std::string path = dir / "in.txt";
    write_bytes(path, bytes);
    ASSERT_EQ(open_input(path, n), 0);
  }

  TempDirectory dir;
};

std::string with_lf_for_crlf(const std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out += bytes[i];
  }
  return out;
}

struct LineCase {
  const char* what;
  std::string bytes;
  // Each line read in turn, with at_end right after it.
  std::vector<std::pair<std::string, bool>> lines;
};

TEST_F(NumberedFiles, ReadLineCutsTheStreamAsDescribed) {
  const std::string long_line(20000, 'x');
  const LineCase cases[] = {
      {"CR LF line then a last line without end", "a\r\nb",
       {{"a", false}, {"b", true}}},
      {"CR CR LF loses both CRs, CR CR CR LF keeps one", "a\r\r\nb\r\r\r\nc",
       {{"a", false}, {"b\r", false}, {"c", true}}},
      {"a, LF, LF gives a and an empty line", "a\n\n", {{"a", false}, {"", true}}},
      {"empty file", "", {}},
      {"a lone LF", "\n", {{"", true}}},
      {"lone CRs are ordinary characters", "a\rb\rc", {{"a\rb\rc", true}}},
      {"a lone CR as the last byte stays", "ab\r", {{"ab\r", true}}},
      {"a CR before Ctrl-Z stays", "a\r\x1A\n", {{"a\r", true}}},
      {"Ctrl-Z ends the line and the stream", "a\x1A" "b\r\nc\r\n", {{"a", true}}},
      {"Ctrl-Z right after a line end", "a\r\n\x1A" "b\r\n", {{"a", true}}},
      {"Ctrl-Z as the first byte", "\x1A" "abc", {}},
      {"trailing NULs of a last line are dropped", "ab\0\0"s, {{"ab", true}}},
      {"NULs before an LF are kept", "a\0\nb"s, {{"a\0"s, false}, {"b", true}}},
      {"NULs inside a last line are kept", "a\0b\0"s, {{"a\0b"s, true}}},
      {"a last line of NULs only is empty", "a\r\n\0\0"s, {{"a", false}, {"", true}}},
      {"byte-order mark is part of the first line", "\xEF\xBB\xBFx\r\n",
       {{"\xEF\xBB\xBFx", true}}},
      {"lines have no length limit", long_line + "\r\ny",
       {{long_line, false}, {"y", true}}},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.what);
    close_all();
    open_with(c.bytes);
    EXPECT_EQ(at_end(1), c.lines.empty());
    for (const auto& [expected, end_after] : c.lines) {
      std::string line = "old";
      read_line(1, line);
      EXPECT_EQ(line, expected);
      EXPECT_EQ(at_end(1), end_after);
    }
    // Past the end: the empty line, every time, and at_end stays yes.
    for (int i = 0; i < 2; ++i) {
      std::string line = "old";
      read_line(1, line);
      EXPECT_EQ(line, "");
      EXPECT_TRUE(at_end(1));
    }
  }
}

TEST_F(NumberedFiles, ReadShortLineKeepsWhatReadLineGivesUpToTheLimit) {
  // Each file is read twice side by side, line by line: read_line on number
  // 1, read_short_line on number 2. Lines crossing the 8192-byte blocks and
  // the limits test the bookkeeping of the cuts.
  const std::string block_long(8192 * 2 + 5, 'x');
  const std::string files[] = {
      "a\r\nb",
      "a\r\r\nb\r\r\r\nc",
      "a\n\n",
      "\n",
      "a\rb\rc",
      "ab\r",
      "ab\r\n",
      "abc\r\nabcd\r\nabcde\nabcdef\r",
      "a\x1A" "b\r\nc",
      "ab\0\0"s,
      "a\0\nb"s,
      "a\0b\0"s,
      "a\r\n\0\0"s,
      "1" + std::string(20000, '\0'),  // a number line under a block of NULs
      "12345" + std::string(8190, '\0') + "6",
      "1\r\n00:00:01,000 --> 00:00:02,000" + std::string(9000, '\0'),
      block_long + "\r\n" + block_long + "\r" + "\n" + block_long,
      std::string(8191, 'y') + "\r\n" + "z",
      std::string(8191, 'y') + "\r" + std::string(8191, 'y') + "\r\n",
  };
  for (const std::size_t limit : {0, 1, 2, 3, 4, 29, 64, 9000}) {
    for (const std::string& bytes : files) {
      SCOPED_TRACE("limit " + std::to_string(limit) + ", file of " +
                   std::to_string(bytes.size()) + " bytes starting " + bytes.substr(0, 8));
      close_all();
      open_with(bytes, 1);
      ASSERT_EQ(open_input(dir / "in.txt", 2), 0);
      for (int line_number = 0; line_number < 8; ++line_number) {
        std::string whole = "old";
        std::string short_line = "old";
        read_line(1, whole);
        read_short_line(2, short_line, limit);
        const std::string expected = whole.size() <= limit ? whole : whole.substr(0, limit + 1);
        EXPECT_EQ(short_line, expected) << "line " << line_number;
        EXPECT_EQ(at_end(2), at_end(1)) << "line " << line_number;
      }
    }
  }
  // A free number leaves the variable alone, as read_line does.
  close_all();
  std::string untouched = "old";
  read_short_line(2, untouched, 10);
  EXPECT_EQ(untouched, "old");
}

// A bounded input ends after its budget of bytes, and a line the bound cuts
// (no LF before it while the file goes on) is not delivered, by read_line
// or read_short_line, also when it began blocks earlier; rewind starts over.
TEST_F(NumberedFiles, BoundedInputEndsAtItsBudgetWithoutACutLine) {
  struct BoundCase {
    const char* what;
    std::string bytes;
    std::int64_t budget;
    std::vector<std::string> lines;
  };
  const std::string two_blocks(8192 * 2, 'x');
  const BoundCase cases[] = {
      {"the whole file within the budget", "ab\ncd\nef", 100, {"ab", "cd", "ef"}},
      {"a file exactly as long as the budget", "ab\ncd", 5, {"ab", "cd"}},
      {"a line cut by the bound", "ab\ncd\nef", 5, {"ab"}},
      {"a line ending at the bound", "ab\ncd\nef", 6, {"ab", "cd"}},
      {"a CR LF pair split by the bound", "ab\r\ncd", 3, {}},
      {"Ctrl-Z right after the bound ends the stream there", "ab\ncd\x1A" "ef", 5, {"ab", "cd"}},
      {"Ctrl-Z within the budget", "a\x1A" "b\nc", 3, {"a"}},
      {"no budget at all", "ab\n", 0, {}},
      {"a line over blocks, then one cut", two_blocks + "\r\n1\r\n", 8192 * 2 + 4, {two_blocks}},
      {"a cut line that began blocks earlier", "1\n" + two_blocks + "\n", 8192 * 2, {"1"}},
  };
  for (const BoundCase& c : cases) {
    SCOPED_TRACE(c.what);
    close_all();
    write_bytes(dir / "in.txt", c.bytes);
    ASSERT_EQ(open_input_bounded(dir / "in.txt", 1, c.budget), 0);
    ASSERT_EQ(open_input_bounded(dir / "in.txt", 2, c.budget), 0);
    for (int pass = 0; pass < 2; ++pass) {
      for (const std::string& expected : c.lines) {
        std::string line = "old";
        read_line(1, line);
        EXPECT_EQ(line, expected);
        read_short_line(2, line, 64);
        EXPECT_EQ(line, expected.substr(0, 65));
      }
      for (int n : {1, 2}) {
        std::string line = "old";
        read_line(n, line);
        EXPECT_EQ(line, "");
        EXPECT_TRUE(at_end(n));
        rewind(n);
      }
    }
  }
}

TEST_F(NumberedFiles, CrLfSplitAcrossTheBufferBoundaryIsOnePair) {
  const std::string first(8191, 'x');
  open_with(first + "\r\nz");
  std::string line;
  read_line(1, line);
  EXPECT_EQ(line, first);
  EXPECT_FALSE(at_end(1));
  read_line(1, line);
  EXPECT_EQ(line, "z");

  close_all();
  open_with(first + "\r\nz");
  std::string all = read_all(1);
  EXPECT_EQ(all, first + "\nz");
  EXPECT_EQ(static_cast<std::int64_t>(all.size()), file_length(1) - 1);
}

TEST_F(NumberedFiles, CrAtTheBufferBoundaryWithoutLfStays) {
  const std::string first(8191, 'x');
  open_with(first + "\ry\r\n");
  EXPECT_EQ(read_all(1), first + "\ry\n");

  close_all();
  open_with(first + "\r");  // the CR is the file's very last byte
  EXPECT_EQ(read_all(1), first + "\r");

  close_all();
  open_with(first + "\r\x1A\n");
  EXPECT_EQ(read_all(1), first + "\r");
}

TEST_F(NumberedFiles, CtrlZBeyondTheFirstBufferEndsTheStream) {
  const std::string first(8192, 'x');
  open_with(first + "\x1A" "after\r\n");
  EXPECT_EQ(read_all(1), first);
  EXPECT_TRUE(at_end(1));
  std::string line = "old";
  read_line(1, line);
  EXPECT_EQ(line, "");

  // at_end looks ahead: the next byte being 0x1A means the end.
  close_all();
  open_with(std::string(8191, 'y') + "\n\x1A" "more");
  read_line(1, line);
  EXPECT_EQ(line, std::string(8191, 'y'));
  EXPECT_TRUE(at_end(1));
}

TEST_F(NumberedFiles, ReadAllTurnsEveryCrLfIntoLf) {
  // Lines of every length around the buffer size, so pairs fall on and
  // around many block boundaries.
  std::string bytes;
  int pairs = 0;
  for (int i = 0; bytes.size() < 100000; ++i) {
    bytes += std::string(static_cast<std::size_t>(i * 37 % 300), static_cast<char>('a' + i % 26));
    bytes += (i % 5 == 0) ? "\r" : "";  // some lone CRs before the pairs
    bytes += "\r\n";
    ++pairs;
  }
  open_with(bytes);
  std::string all = read_all(1);
  EXPECT_EQ(static_cast<std::int64_t>(all.size()), file_length(1) - pairs);
  EXPECT_EQ(all, with_lf_for_crlf(bytes));
  EXPECT_TRUE(at_end(1));
}

TEST_F(NumberedFiles, ReadCharsCountsCharactersOfTheStream) {
  open_with("ab\r\ncd\r\nef");
  EXPECT_EQ(read_chars(1, 3), "ab\n");
  std::string line;
  read_line(1, line);
  EXPECT_EQ(line, "cd");
  EXPECT_EQ(read_chars(1, 0), "");
  EXPECT_EQ(read_chars(1, -4), "");
  EXPECT_EQ(read_chars(1, 100), "ef");
  EXPECT_EQ(read_chars(1, 1), "");
}

TEST_F(NumberedFiles, RewindStartsTheStreamAgain) {
  open_with("one\r\ntwo\x1A" "three");
  std::string line;
  read_line(1, line);
  read_line(1, line);
  EXPECT_EQ(line, "two");
  EXPECT_TRUE(at_end(1));
  rewind(1);
  EXPECT_FALSE(at_end(1));
  read_line(1, line);
  EXPECT_EQ(line, "one");
  rewind(1);
  EXPECT_EQ(read_all(1), "one\ntwo");
}

TEST_F(NumberedFiles, FileLengthIsTheStoredSizeAndKeepsThePosition) {
  open_with("a\r\nb\r\n\x1A" "tail");
  std::string line;
  read_line(1, line);
  EXPECT_EQ(file_length(1), 11);
  read_line(1, line);
  EXPECT_EQ(line, "b");
}

TEST_F(NumberedFiles, FreeNumbersHaveFixedResults) {
  for (int n : {0, 7, 255, 256, -1}) {
    SCOPED_TRACE(n);
    std::string line = "kept";
    read_line(n, line);
    EXPECT_EQ(line, "kept");
    EXPECT_TRUE(at_end(n));
    EXPECT_EQ(read_chars(n, 5), "");
    EXPECT_EQ(read_all(n), "");
    EXPECT_EQ(file_length(n), 0);
    rewind(n);
    close_file(n);
    if (n != 0) write_line(n, "nowhere");
  }
  EXPECT_EQ(free_file_number(), 1);
}

TEST_F(NumberedFiles, OutputFileReadsAsAFileAtItsEnd) {
  ASSERT_EQ(open_output(dir / "out.txt", 1), 0);
  write_line(1, "abc");
  std::string line = "kept";
  read_line(1, line);
  EXPECT_EQ(line, "");
  EXPECT_TRUE(at_end(1));
  EXPECT_EQ(read_all(1), "");
  EXPECT_EQ(file_length(1), 5);  // what is written counts as stored
}

TEST_F(NumberedFiles, OpenResultsAndNumberStates) {
  std::string existing = dir / "exists.txt";
  write_bytes(existing, "first\r\n");
  std::string other = dir / "other.txt";
  write_bytes(other, "second\r\n");

  for (int n : {0, 256, -1, 1000}) {
    EXPECT_EQ(open_input(existing, n), 1) << n;
    EXPECT_EQ(open_output(dir / "new.txt", n), 1) << n;
  }
  EXPECT_EQ(read_bytes(dir / "new.txt"), "<missing>");

  ASSERT_EQ(open_input(existing, 3), 0);
  // A number in use is never touched by an open.
  EXPECT_EQ(open_input(other, 3), 1);
  EXPECT_EQ(open_output(other, 3), 1);
  EXPECT_EQ(read_bytes(other), "second\r\n");
  EXPECT_EQ(open_input(dir / "missing.txt", 3), 1);
  std::string line;
  read_line(3, line);
  EXPECT_EQ(line, "first");

  // A failed open leaves a free number free.
  EXPECT_EQ(open_input(dir / "missing.txt", 4), 2);
  EXPECT_EQ(open_input(dir.path(), 4), 2);
  const OpenResult no_folder = open_output(dir / "no-such-folder/out.txt", 4);
  EXPECT_EQ(no_folder, 2);
  EXPECT_EQ(no_folder.save.failed_at, SaveStep::folder);
  EXPECT_EQ(no_folder.save.error.kind, FileErrorKind::missing);
  EXPECT_EQ(no_folder.save.error.code, ENOENT) << "the system's number comes along";
  EXPECT_TRUE(at_end(4));
  EXPECT_EQ(free_file_number(), 1);
  ASSERT_EQ(open_input(other, 4), 0);
  read_line(4, line);
  EXPECT_EQ(line, "second");
}

TEST_F(NumberedFiles, FreeFileNumberIsTheLowestFree) {
  std::string path = dir / "f.txt";
  write_bytes(path, "x");
  EXPECT_EQ(free_file_number(), 1);
  ASSERT_EQ(open_input(path, 1), 0);
  ASSERT_EQ(open_input(path, 2), 0);
  EXPECT_EQ(free_file_number(), 3);
  close_file(1);
  EXPECT_EQ(free_file_number(), 1);
  for (int n = 1; n <= 255; ++n) {
    if (n == 2) continue;
    ASSERT_EQ(open_input(path, n), 0) << n;
  }
  EXPECT_EQ(free_file_number(), 0);
  close_file(200);
  EXPECT_EQ(free_file_number(), 200);
}

TEST_F(NumberedFiles, OpenInputRefusesWhatIsNotARegularFile) {
  std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::string socket_path = dir / "sock";
  int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  std::string target = dir / "target.txt";
  write_bytes(target, "through the link");
  ASSERT_EQ(::symlink(target.c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);

  // A FIFO without a writer would block a plain open: this must return.
  EXPECT_EQ(open_input(fifo, 1), 2);
  EXPECT_EQ(open_input(socket_path, 1), 2);
  EXPECT_EQ(open_input("/dev/null", 1), 2);
  EXPECT_EQ(open_input(dir / "dangling", 1), 2);
  EXPECT_EQ(open_input(dir.path(), 1), 2);
  // A link of another user is not followed, also behind one's own link.
  if (::geteuid() == 0) {
    ASSERT_EQ(::symlink(target.c_str(), (dir / "foreign").c_str()), 0);
    ASSERT_EQ(::lchown((dir / "foreign").c_str(), 65534, 65534), 0);
    ASSERT_EQ(::symlink("foreign", (dir / "own to foreign").c_str()), 0);
    EXPECT_EQ(open_input(dir / "foreign", 1), 2);
    EXPECT_EQ(open_input(dir / "own to foreign", 1), 2);
  }
  EXPECT_EQ(free_file_number(), 1);
  ASSERT_EQ(open_input(dir / "link", 1), 0);
  EXPECT_EQ(read_all(1), "through the link");
  ::close(sock);
}

// What the name held, as the save tells it.
FileErrorKind refused_target(const OpenResult& opened) {
  EXPECT_EQ(opened.save.failed_at, SaveStep::target);
  return opened.save.error.kind;
}

TEST_F(NumberedFiles, OpenOutputWritesOnlyIntoRegularFiles) {
  std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  OpenResult opened = open_output(fifo, 1);
  EXPECT_EQ(opened, 2);  // no reader: must not hang
  EXPECT_EQ(refused_target(opened), FileErrorKind::not_a_file);
  int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(open_output(fifo, 1), 2);  // with a reader: still not a file
  ::close(reader);

  // A planted link must not redirect output, and its target stays as it was.
  std::string target = dir / "target.txt";
  write_bytes(target, "precious");
  ASSERT_EQ(::symlink(target.c_str(), (dir / "link.txt").c_str()), 0);
  opened = open_output(dir / "link.txt", 1);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(refused_target(opened), FileErrorKind::is_link);
  EXPECT_EQ(read_bytes(target), "precious");
  ASSERT_EQ(::symlink((dir / "nowhere.txt").c_str(), (dir / "dangling.txt").c_str()), 0);
  EXPECT_EQ(open_output(dir / "dangling.txt", 1), 2);
  EXPECT_EQ(read_bytes(dir / "nowhere.txt"), "<missing>");

  opened = open_output(dir.path(), 1);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(refused_target(opened), FileErrorKind::is_folder);
  opened = open_output("/dev/null", 1);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(refused_target(opened), FileErrorKind::not_a_file);
  const std::string protected_file = dir / "protected.txt";
  write_bytes(protected_file, "kept");
  ASSERT_EQ(::chmod(protected_file.c_str(), 0444), 0);
  EXPECT_EQ(refused_target(open_output(protected_file, 1)), FileErrorKind::write_protected);
  EXPECT_EQ(free_file_number(), 1);
}

TEST_F(NumberedFiles, OpenOutputReplacesAnExistingFileWhenClosed) {
  std::string path = dir / "out.txt";
  write_bytes(path, "old content that must go");
  ASSERT_EQ(open_output(path, 1), 0);
  write_line(1, "new");
  EXPECT_EQ(read_bytes(path), "old content that must go") << "the old file stays until the new one is complete";
  close_file(1);
  EXPECT_EQ(read_bytes(path), "new\r\n");
}

// An output takes its name only when it is closed, through a temporary
// file beside it. What a killed run left there is removed by the next save
// of that output, but only a regular file of this user that no live save
// holds: a link, a pipe or another user's file under such a name stays as
// it is, and so does the file of a save still going on.
TEST_F(NumberedFiles, OutputSavesRemoveOnlyLeftoversOfTheirOwn) {
  const std::string path = dir / "film.src";
  write_bytes(path, "old");
  write_bytes(path + ".rettmp0", "left by a killed run");
  write_bytes(dir / "elsewhere", "precious");
  ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (path + ".rettmp1").c_str()), 0);
  ASSERT_EQ(::mkfifo((path + ".rettmp2").c_str(), 0644), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    write_bytes(path + ".rettmp3", "another user's");
    ASSERT_EQ(::chown((path + ".rettmp3").c_str(), 65534, 65534), 0);
  }

  ASSERT_EQ(open_output(path, 1), 0);
  write_line(1, "first save");
  ASSERT_EQ(open_output(path, 2), 0);  // a second run writing the same output
  write_line(2, "second save");
  EXPECT_EQ(read_bytes(path), "old");
  EXPECT_TRUE(close_output(2));
  EXPECT_EQ(read_bytes(path), "second save\r\n");
  EXPECT_TRUE(close_output(1));
  EXPECT_EQ(read_bytes(path), "first save\r\n");

  EXPECT_EQ(read_bytes(dir / "elsewhere"), "precious");
  struct stat st {};
  ASSERT_EQ(::lstat((path + ".rettmp1").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::lstat((path + ".rettmp2").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  if (root) {
    EXPECT_EQ(read_bytes(path + ".rettmp3"), "another user's");
  }
  for (const char* gone : {".rettmp0", ".rettmp4", ".rettmp5"}) {
    EXPECT_NE(::lstat((path + gone).c_str(), &st), 0) << gone;
  }
}

// A save that fails never replaces the old file; only where there was
// none does an output leave an empty file. A temporary name that no longer
// leads to the file written (taken away, or another file put under it)
// fails the save: that other file is neither put in place nor removed.
TEST_F(NumberedFiles, AFailedSaveLeavesTheOldFileAndOnlyANewOneEmpty) {
  struct FailureCase {
    const char* what;
    bool old_file;
    // Done to the temporary name before the close; keep tells the close.
    std::function<void(const std::string& temporary)> tamper;
    bool keep;
    std::string output;
    std::string temporary;  // what the temporary name holds afterwards
    SaveStep failed_at;
    FileErrorKind why;
  };
  const auto nothing = [](const std::string&) {};
  const auto removed = [](const std::string& temporary) { ::unlink(temporary.c_str()); };
  const auto replaced = [](const std::string& temporary) {
    ASSERT_EQ(::rename(temporary.c_str(), (temporary + ".moved").c_str()), 0);
    write_bytes(temporary, "another run's partial file");
  };
  const FailureCase cases[] = {
      {"incomplete, over an old file", true, nothing, false, "old", "<missing>", SaveStep::given_up,
       FileErrorKind::none},
      {"incomplete, no old file", false, nothing, false, "", "<missing>", SaveStep::given_up, FileErrorKind::none},
      {"temporary name removed", true, removed, true, "old", "<missing>", SaveStep::placing,
       FileErrorKind::moved_away},
      {"temporary name removed, no old file", false, removed, true, "<missing>", "<missing>", SaveStep::placing,
       FileErrorKind::moved_away},
      {"another file under the temporary name", true, replaced, true, "old", "another run's partial file",
       SaveStep::placing, FileErrorKind::moved_away},
      {"another file under the temporary name, no old file", false, replaced, true, "<missing>",
       "another run's partial file", SaveStep::placing, FileErrorKind::moved_away},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDirectory scratch;
    const std::string path = scratch / "film.src";
    if (c.old_file) write_bytes(path, "old");
    ASSERT_EQ(open_output(path, 1), 0);
    write_line(1, "new");
    c.tamper(path + ".rettmp0");
    const SaveResult closed = close_output(1, c.keep);
    EXPECT_FALSE(closed);
    EXPECT_EQ(closed.failed_at, c.failed_at);
    EXPECT_EQ(closed.error.kind, c.why);
    EXPECT_EQ(read_bytes(path), c.output);
    EXPECT_EQ(read_bytes(path + ".rettmp0"), c.temporary);
  }
}

// Names up to the longest a file system takes (255 bytes) are written,
// though ".rettmpN" makes a temporary name 8 bytes longer: such a name is
// cut to fit (never in a UTF-8 character), and a leftover under the cut
// name is removed by the next save of that output.
TEST_F(NumberedFiles, OutputNamesUpToTheLongestAreWritten) {
  std::vector<std::string> names;
  for (std::size_t length = 240; length <= 255; ++length) names.push_back(std::string(length - 4, 'n') + ".src");
  std::string umlauts;
  while (umlauts.size() < 252) umlauts += "\xC3\xA4";
  names.push_back(umlauts + ".sr");  // 255 bytes, an "ä" across the cut
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    const std::string path = dir / name;
    ASSERT_EQ(open_output(path, 1), 0);
    write_line(1, name);
    EXPECT_TRUE(close_output(1));
    EXPECT_EQ(read_bytes(path), name + "\r\n");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
            static_cast<std::ptrdiff_t>(names.size()));

  const std::string longest = dir / std::string(255, 'l');
  const std::string leftover = dir / (std::string(247, 'l') + ".rettmp0");
  write_bytes(leftover, "left by a killed run");
  ASSERT_EQ(open_output(longest, 1), 0);
  write_line(1, "longest");
  EXPECT_TRUE(close_output(1));
  EXPECT_EQ(read_bytes(longest), "longest\r\n");
  EXPECT_EQ(read_bytes(leftover), "<missing>");
  // One byte more is a name no file system here takes.
  const OpenResult too_long = open_output(dir / std::string(256, 'l'), 1);
  EXPECT_EQ(too_long, 2);
  EXPECT_EQ(refused_target(too_long), FileErrorKind::name_too_long);
}

TEST_F(NumberedFiles, OnlySlashSeparates) {
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  ASSERT_EQ(open_output(dir.path() + "/sub/out.txt", 1), 0);
  write_line(1, "x");
  close_file(1);
  EXPECT_EQ(read_bytes(dir / "sub/out.txt"), "x\r\n");
  // A "\\" is a character of a name: "sub\\out.txt" lies beside sub.
  ASSERT_EQ(open_output(dir.path() + "/sub\\out.txt", 1), 0);
  write_line(1, "y");
  close_file(1);
  EXPECT_EQ(read_bytes(dir / "sub\\out.txt"), "y\r\n");
  EXPECT_EQ(read_bytes(dir / "sub/out.txt"), "x\r\n");
  EXPECT_EQ(open_input(dir.path() + "\\sub/out.txt", 1), 2);
  ASSERT_EQ(open_input(dir.path() + "/sub\\out.txt", 1), 0);
  EXPECT_EQ(read_all(1), "y\n");
  close_file(1);
}

TEST_F(NumberedFiles, PathWithNulIsRefusedNotCut) {
  EXPECT_EQ(open_output(dir.path() + "/a\0b"s, 1), 2);
  EXPECT_EQ(read_bytes(dir / "a"), "<missing>");
  write_bytes(dir / "a", "short name");
  EXPECT_EQ(open_input(dir.path() + "/a\0b"s, 1), 2);
}

TEST_F(NumberedFiles, WriteLineEndsEveryLineWithCrLf) {
  std::string path = dir / "out.txt";
  ASSERT_EQ(open_output(path, 1), 0);
  const std::string big(10000, 'b');
  std::string expected;
  write_line(1, "abc");
  expected += "abc\r\n";
  write_line(1, "");
  expected += "\r\n";
  write_line(1, "a\0\n\r"s);
  expected += "a\0\n\r\r\n"s;
  write_line(1, big);
  expected += big + "\r\n";
  for (int i = 0; i < 2000; ++i) {
    std::string line = "line " + std::to_string(i);
    write_line(1, line);
    expected += line + "\r\n";
  }
  close_file(1);
  EXPECT_EQ(read_bytes(path), expected);
}

TEST_F(NumberedFiles, WriteLineOnAnInputFileWritesNothing) {
  std::string path = dir / "in.txt";
  write_bytes(path, "as it was");
  ASSERT_EQ(open_input(path, 1), 0);
  write_line(1, "added");
  close_file(1);
  EXPECT_EQ(read_bytes(path), "as it was");
}

TEST_F(NumberedFiles, CloseAllWritesOutBufferedBytes) {
  ASSERT_EQ(open_output(dir / "a.txt", 1), 0);
  ASSERT_EQ(open_output(dir / "b.txt", 9), 0);
  write_line(1, "to a");
  write_line(9, "to b");
  close_all();
  EXPECT_EQ(read_bytes(dir / "a.txt"), "to a\r\n");
  EXPECT_EQ(read_bytes(dir / "b.txt"), "to b\r\n");
  EXPECT_EQ(free_file_number(), 1);
}

TEST_F(NumberedFiles, FilesStillOpenAreWrittenOutWhenTheProcessEnds) {
  std::string path = dir / "left-open.txt";
  std::fflush(nullptr);  // the child must not write out the parent's buffers
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (open_output(path, 5) != 0) ::_exit(3);
    write_line(5, "kept");
    std::exit(0);  // a normal end, without closing the file
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(read_bytes(path), "kept\r\n");
}

}  // namespace
}  // namespace rt
