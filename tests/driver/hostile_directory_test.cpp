// Working directories as users really have them: named pipes, sockets and
// links beside the subtitles, unreadable, empty, binary and gigantic files,
// odd names, a planted output name, files that change under the run. Every
// batch runs in a child process with a time limit, so a hang or a crash
// fails the test instead of the test binary, and every case ends with its
// outcome on the console and on disk.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "console/terminal.h"
#include "driver/batch.h"
#include "driver/pairing.h"
#include "driver/scan.h"
#include "retime/engine.h"
#include "tests/driver/disk_and_console.h"
#include "tests/driver/hostile_child.h"
#include "tests/driver/worked_example.h"
#include "text/console_print.h"
#include "text/files.h"
#include "text/filesystem.h"
#include "text/texts.h"

namespace rt {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test_support::ChildRun;
using test_support::read_bytes;
using test_support::run_in_child;
using test_support::ScratchDirectory;
using test_support::tree_state;
using test_support::worked_output;
using test_support::worked_text;
using test_support::worked_timecodes;
using test_support::write_bytes;

const std::string kOutputExtension = ".src";

ChildRun batch_in_child(const std::string& working_directory) {
  return run_in_child([&] { run_batch(working_directory, kOutputExtension); });
}

std::string count_line(int count) {
  return " " + std::to_string(count) + (count == 1 ? " Timecodedatei\n" : " Timecodedateien\n");
}

// " Fehler" and the line with its reason.
std::string failure(const std::string& reason) { return " Fehler\n    Grund: " + reason + "\n"; }

// The lines of a pair's block from " Timecode: " on; with a reason, the
// pair ends with " Fehler" and that reason.
std::string paired(const std::string& timecode_name, const std::string& text_name,
                   const std::string& output_name, const std::string& reason = "") {
  return " Timecode: " + timecode_name + "\n     Text: " + text_name + "\n  Ausgabe: " + output_name +
         "\n Lade Text...\n Berechne Korrekturfaktor...\n" + (reason.empty() ? "" : failure(reason));
}

std::string unpaired(const std::string& timecode_name) {
  return " Timecode: " + timecode_name + "\n     Text: \n Keine passende Textdatei\n";
}

// The block of one timecode file, from " Timecode: " up to the empty line
// before the next block (the order of blocks is the file system's).
std::string block_of(const std::string& transcript, const std::string& timecode_name) {
  const std::size_t start = transcript.find(" Timecode: " + timecode_name + "\n");
  if (start == std::string::npos) return "<no block for " + timecode_name + ">";
  const std::size_t end = transcript.find("\n\n", start);
  return transcript.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
}

std::string first_line(const std::string& transcript) { return transcript.substr(0, transcript.find('\n') + 1); }

void write_worked_pair(const std::string& folder, const std::string& stem) {
  write_bytes(folder + "/" + stem + ".srt", worked_timecodes);
  write_bytes(folder + "/" + stem + ".txt", worked_text);
}

std::string output_of(const ScratchDirectory& dir, const std::string& name) {
  return read_bytes(dir / ("untertitel/" + name));
}

// Binds a Unix socket at path; the descriptor stays open for the test.
class BoundSocket {
 public:
  explicit BoundSocket(const std::string& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd_ < 0 || path.size() >= sizeof address.sun_path) return;
    path.copy(address.sun_path, path.size());
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~BoundSocket() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool bound() const { return bound_; }

 private:
  int fd_ = -1;
  bool bound_ = false;
};

// Bytes of every value, LF, CR, NUL and 0x1A included, in a fixed order.
std::string binary_bytes(std::size_t count, bool with_line_ends_and_minus) {
  std::string bytes;
  std::uint32_t state = 12345;
  while (bytes.size() < count) {
    state = state * 1103515245u + 12345u;
    const char c = static_cast<char>(state >> 24);
    if (!with_line_ends_and_minus && (c == '\n' || c == '-')) continue;
    bytes += c;
  }
  return bytes;
}

// Prose of the given length on a single line: the worked text again and
// again, joined by blanks.
std::string prose_line(std::size_t length) {
  std::string text;
  text.reserve(length + worked_text.size() + 1);
  while (text.size() < length) text += worked_text + " ";
  text.resize(length);
  return text;
}

// What the engine makes of text and the worked cues, worked out in memory.
std::string retimed_in_memory(const std::string& text) {
  std::vector<std::string> lines;
  std::string rest = worked_timecodes;
  for (std::size_t at; (at = rest.find("\r\n")) != std::string::npos; rest.erase(0, at + 2)) {
    lines.push_back(rest.substr(0, at));
  }
  std::string number_line;
  std::string output;
  RetimeSink sink;
  sink.print_line = [](const std::string&) {};
  sink.write_cue = [&](const std::string& number, const std::string& timecode, const std::string& segment) {
    output += number + "\r\n" + timecode + "\r\n" + segment + "\r\n\r\n";
  };
  sink.close_all = [] {};
  retime_text(text, lines, number_line, sink);
  return output;
}

TEST(HostileDirectory, PipesSocketsAndLinksToNothingOrToFoldersAreNotListed) {
  ScratchDirectory dir;
  write_worked_pair(dir.path(), "film1");
  write_bytes(dir / "x.srt", worked_timecodes);
  // x.txt, the only name x.srt could pair with, is a pipe: were it listed,
  // x.srt would find it and the batch would block reading it.
  for (const char* pipe : {"pipe", "x.txt", "pipe.srt", "film1..src"}) {
    ASSERT_EQ(::mkfifo((dir / pipe).c_str(), 0644), 0) << pipe;
  }
  BoundSocket socket(dir / "socket.srt");
  ASSERT_TRUE(socket.bound());
  ASSERT_EQ(::symlink((dir / "nowhere.srt").c_str(), (dir / "dangling.srt").c_str()), 0);
  ASSERT_TRUE(fs::create_directory(dir / "folder"));
  write_worked_pair(dir / "folder", "folder");
  ASSERT_EQ(::symlink((dir / "folder").c_str(), (dir / "folder.srt").c_str()), 0);
  const auto before = tree_state(dir.path());

  const ChildRun run = batch_in_child(dir.path());

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended() << "\n" << run.transcript;
  EXPECT_EQ(first_line(run.transcript), count_line(2));
  EXPECT_EQ(block_of(run.transcript, "film1.srt"), paired("film1.srt", "film1.txt", "film1..src"));
  EXPECT_EQ(block_of(run.transcript, "x.srt"), unpaired("x.srt"));
  EXPECT_EQ(output_of(dir, "film1..src"), worked_output);
  EXPECT_EQ(tree_state(dir.path(), "untertitel"), before);
}

TEST(HostileDirectory, LinkToATimecodeFileIsListedAndProcessed) {
  ScratchDirectory root;
  ASSERT_TRUE(fs::create_directory(root / "work"));
  ASSERT_TRUE(fs::create_directory(root / "elsewhere"));
  write_bytes(root / "elsewhere/cues.srt", worked_timecodes);
  ASSERT_EQ(::symlink((root / "elsewhere/cues.srt").c_str(), (root / "work/linked.srt").c_str()), 0);
  write_bytes(root / "work/linked.txt", worked_text);

  const ChildRun run = batch_in_child(root / "work");

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(run.transcript, count_line(1) + "\n 1. Objekt\n" + paired("linked.srt", "linked.txt", "linked..src"));
  EXPECT_EQ(read_bytes(root / "work/untertitel/linked..src"), worked_output);
  EXPECT_EQ(read_bytes(root / "elsewhere/cues.srt"), worked_timecodes);
  EXPECT_TRUE(fs::is_symlink(root / "work/linked.srt"));
}

// A link in the working directory is followed only when it is the user's
// own or root's: the owner of a shared directory could otherwise make a
// root run read what they may not (a text s.txt -> a secret, copied into an
// output they can read) or write where they may not (untertitel -> a
// folder of root's). Each case runs with the links root's own, where they
// work like the files they lead to, and given to another user, where a
// link counts as no file and nothing is written anywhere.
TEST(HostileDirectory, LinksAreFollowedOnlyWhenTheyAreTheUsersOwnOrRoots) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a link to another user";
  constexpr uid_t kNobody = 65534;
  struct Link {
    std::string at;      // relative to the scratch folder
    std::string target;  // likewise
    bool given_away;     // in the run with links of another user
  };
  struct LinkCase {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // relative path, bytes (mode 0600)
    std::vector<Link> links;
    std::string own_transcript;
    std::string output;  // relative path written in the run with own links
    std::string foreign_transcript;
  };
  const LinkCase cases[] = {
      {"a text file linked to a secret",
       {{"work/s.srt", worked_timecodes}, {"secret", worked_text}},
       {{"work/s.txt", "secret", true}},
       count_line(1) + "\n 1. Objekt\n" + paired("s.srt", "s.txt", "s..src"), "work/untertitel/s..src",
       count_line(1) + "\n 1. Objekt\n" + unpaired("s.srt")},
      {"a timecode file linked",
       {{"cues", worked_timecodes}, {"work/t.txt", worked_text}},
       {{"work/t.srt", "cues", true}},
       count_line(1) + "\n 1. Objekt\n" + paired("t.srt", "t.txt", "t..src"), "work/untertitel/t..src",
       count_line(0)},
      {"untertitel linked to a folder holding a file of root's under the output name",
       {{"work/notesA.srt", worked_timecodes}, {"work/notesB.txt", worked_text}, {"private/notes.src", "notes"}},
       {{"work/untertitel", "private", true}},
       count_line(1) + "\n 1. Objekt\n" + paired("notesA.srt", "notesB.txt", "notes.src"), "private/notes.src",
       count_line(1) + "\n 1. Objekt\n" + paired("notesA.srt", "notesB.txt", "notes.src",
                                                       "Ordner untertitel: Link eines anderen Benutzers")},
      {"the user's own link to a link of another user",
       {{"work/c.srt", worked_timecodes}, {"secret", worked_text}},
       {{"work/c.txt", "hop", false}, {"hop", "secret", true}},
       count_line(1) + "\n 1. Objekt\n" + paired("c.srt", "c.txt", "c..src"), "work/untertitel/c..src",
       count_line(1) + "\n 1. Objekt\n" + unpaired("c.srt")},
  };
  for (const LinkCase& c : cases) {
    for (const bool foreign : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (foreign ? ", links of another user" : ", own links"));
      ScratchDirectory root;
      ASSERT_TRUE(fs::create_directories(root / "work"));
      ASSERT_TRUE(fs::create_directories(root / "private"));
      ASSERT_EQ(::chmod((root / "private").c_str(), 0700), 0);
      for (const auto& [path, bytes] : c.files) {
        write_bytes(root / path, bytes);
        ASSERT_EQ(::chmod((root / path).c_str(), 0600), 0);
      }
      for (const Link& link : c.links) {
        ASSERT_EQ(::symlink((root / link.target).c_str(), (root / link.at).c_str()), 0);
        if (foreign && link.given_away) {
          ASSERT_EQ(::lchown((root / link.at).c_str(), kNobody, kNobody), 0);
        }
      }
      const auto before = tree_state(root.path(), "work/untertitel");

      const ChildRun run = batch_in_child(root / "work");

      ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
      if (foreign) {
        EXPECT_EQ(run.transcript, c.foreign_transcript);
        EXPECT_EQ(tree_state(root.path(), "work/untertitel"), before);
        if (!fs::is_symlink(root / "work/untertitel")) {
          EXPECT_TRUE(fs::is_empty(root / "work/untertitel"));
        }
      } else {
        EXPECT_EQ(run.transcript, c.own_transcript);
        EXPECT_EQ(read_bytes(root / c.output), worked_output);
      }
    }
  }
}

// The unreadable files are made so by their mode; root reads them all the
// same, so the batch then runs as an unprivileged user in the child.
TEST(HostileDirectory, UnreadableTimecodeFileIsDroppedAndUnreadableTextReadsAsEmpty) {
  ScratchDirectory dir;
  write_worked_pair(dir.path(), "film1");
  write_bytes(dir / "locked.srt", worked_timecodes);
  write_bytes(dir / "open.srt", worked_timecodes);
  write_bytes(dir / "open.txt", worked_text);
  ASSERT_EQ(::chmod((dir / "locked.srt").c_str(), 0), 0);
  ASSERT_EQ(::chmod((dir / "open.txt").c_str(), 0), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);

  constexpr uid_t kNobody = 65534;
  const bool as_root = ::geteuid() == 0;
  const ChildRun run = run_in_child([&] { run_batch(dir.path(), kOutputExtension); },
                                    [&] {
                                      if (as_root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
                                        return false;
                                      }
                                      // The scratch folder must be reachable for that user.
                                      return ::access(dir.path().c_str(), R_OK | W_OK | X_OK) == 0 &&
                                             ::access((dir / "open.txt").c_str(), R_OK) != 0;
                                    });
  if (run.unprepared) {
    GTEST_SKIP() << "cannot run the batch as a user who is refused the locked files here "
                    "(no way to drop root, or the scratch folder is out of that user's reach)";
  }

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(first_line(run.transcript), count_line(2));
  // Named once, as a file that was not read, and never paired.
  const std::string not_read = " Nicht gelesen: locked.srt (nicht lesbar)\n";
  const std::size_t after_count = first_line(run.transcript).size();
  EXPECT_EQ(run.transcript.substr(after_count, not_read.size()), not_read);
  EXPECT_EQ(run.transcript.find("locked.srt", after_count + not_read.size()), std::string::npos);
  EXPECT_EQ(block_of(run.transcript, "open.srt"),
            paired("open.srt", "open.txt", "open..src", "Textdatei nicht lesbar: open.txt"));
  EXPECT_EQ(output_of(dir, "open..src"), "");
  EXPECT_EQ(output_of(dir, "film1..src"), worked_output);
}

TEST(HostileDirectory, EmptyAndBinaryFiles) {
  ScratchDirectory dir;
  write_bytes(dir / "empty.srt", "");
  write_bytes(dir / "empty.sub", worked_timecodes);
  write_bytes(dir / "empty.txt", "");
  // A number line first, then binary bytes of every kind: no timecode file.
  write_bytes(dir / "binary.dat", "1\r\n" + binary_bytes(70000, true));
  // Real cues with a binary tail (no LF, no minus, so no further cue): the
  // tail is the old text of the last cue and is not carried over.
  write_bytes(dir / "tail.srt", worked_timecodes + "\xFF" + binary_bytes(70000, false));
  write_bytes(dir / "tail.txt", worked_text);

  const ChildRun run = batch_in_child(dir.path());

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(first_line(run.transcript), count_line(2));
  EXPECT_EQ(block_of(run.transcript, "empty.sub"),
            paired("empty.sub", "empty.txt", "empty..src", "Textdatei leer: empty.txt"));
  EXPECT_EQ(block_of(run.transcript, "tail.srt"), paired("tail.srt", "tail.txt", "tail..src"));
  EXPECT_EQ(output_of(dir, "empty..src"), "");
  EXPECT_EQ(output_of(dir, "tail..src"), worked_output);
}

TEST(HostileDirectory, OneMegabyteLines) {
  constexpr std::size_t kMegabyte = 1 << 20;
  ScratchDirectory dir;
  // A number line, then a megabyte without a line end: probed, dropped.
  write_bytes(dir / "oneline.srt", "1\n" + std::string(kMegabyte, '7'));
  // A megabyte of prose on one line is spread like any text.
  const std::string prose = prose_line(kMegabyte);
  write_bytes(dir / "prose.srt", worked_timecodes);
  write_bytes(dir / "prose.txt", prose);
  // Without a break character no cut is ever found: the factor falls until
  // the first cue's quota is 0.
  write_bytes(dir / "nobreak.srt", worked_timecodes);
  write_bytes(dir / "nobreak.txt", std::string(kMegabyte, 'a'));

  const ChildRun run = batch_in_child(dir.path());

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(first_line(run.transcript), count_line(2));
  EXPECT_EQ(block_of(run.transcript, "prose.srt"), paired("prose.srt", "prose.txt", "prose..src"));
  EXPECT_EQ(block_of(run.transcript, "nobreak.srt"),
            paired("nobreak.srt", "nobreak.txt", "nobreak..src",
                   "Text ohne Trennzeichen (# . , ; : oder Leerzeichen): nobreak.txt"));
  const std::string output = output_of(dir, "prose..src");
  EXPECT_EQ(output, retimed_in_memory(prose));
  EXPECT_GT(output.size(), prose.size());
  EXPECT_EQ(output_of(dir, "nobreak..src"), "");
}

TEST(HostileDirectory, FiftyMegabyteTextWithASmallTimecodeFile) {
  constexpr std::size_t kSize = 50u << 20;
  ScratchDirectory dir;
  std::string text;
  text.reserve(kSize + worked_text.size() + 2);
  while (text.size() < kSize) text += worked_text + "\r\n";
  text.resize(kSize);
  write_bytes(dir / "big.srt", worked_timecodes);
  write_bytes(dir / "big.txt", text);

  const ChildRun run = batch_in_child(dir.path());
  // Neither the text nor the output is left for the next tests.
  fs::remove(dir / "big.txt");
  std::ifstream output(dir / "untertitel/big..src", std::ios::binary);
  std::string start(4096, '\0');
  output.read(&start[0], static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(output.gcount()));
  const auto output_size = fs::file_size(dir / "untertitel/big..src");
  fs::remove(dir / "untertitel/big..src");

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(run.transcript, count_line(1) + "\n 1. Objekt\n" + paired("big.srt", "big.txt", "big..src"));
  // The first cue: its number line, its timecode line and the start of the
  // text, whose CR LF pairs were read as LF and go out as CR LF again.
  const std::string head = "1\r\n00:00:01,000 --> 00:00:02,500\r\n";
  ASSERT_EQ(start.substr(0, head.size()), head);
  EXPECT_EQ(start.substr(head.size()), text.substr(0, start.size() - head.size()));
  // Nothing of the text is lost: the three segments hold it all but the
  // blanks skipped after cuts and the last few bytes after the last break.
  EXPECT_GT(output_size, kSize - kSize / 16);
}

TEST(HostileDirectory, OddFileNamesAreUsedByteForByte) {
  const std::vector<std::string> stems = {"mit Leerzeichen", "M\xE4rchen \xF6\xFC\xDF", "-film", "--help", " lead"};
  ScratchDirectory dir;
  for (const std::string& stem : stems) write_worked_pair(dir.path(), stem);

  const ChildRun run = batch_in_child(dir.path());

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(first_line(run.transcript), count_line(static_cast<int>(stems.size())));
  for (const std::string& stem : stems) {
    EXPECT_EQ(block_of(run.transcript, stem + ".srt"), paired(stem + ".srt", stem + ".txt", stem + "..src"));
    EXPECT_EQ(output_of(dir, stem + "..src"), worked_output) << stem;
  }
}

TEST(HostileDirectory, NamesWithABackslashAreOrdinaryNamesAndNothingIsWrittenOutside) {
  // On POSIX only "/" separates: "..\\film1.srt" is a name in the working
  // directory like any other, never film1.srt in the parent (a real
  // timecode file there), and its output "..\\film1..src" lies in
  // untertitel, never beside the working directory's own files.
  ScratchDirectory root;
  write_worked_pair(root.path(), "film1");
  ASSERT_TRUE(fs::create_directory(root / "work"));
  ASSERT_TRUE(fs::create_directory(root / "work/sub"));
  write_worked_pair(root / "work/sub", "film2");
  write_bytes(root / "work/..\\film1.srt", worked_timecodes);
  write_bytes(root / "work/..\\film1.txt", worked_text);
  write_bytes(root / "work/..\\..\\film1.srt", "");
  write_bytes(root / "work/sub\\film2.srt", worked_timecodes);
  write_bytes(root / "work/sub\\film2.txt", worked_text);
  write_bytes(root / "work/film1..src", "keep me");
  const auto before = tree_state(root.path());

  const ChildRun run = batch_in_child(root / "work");

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(first_line(run.transcript), count_line(2));
  EXPECT_EQ(block_of(run.transcript, "..\\film1.srt"), paired("..\\film1.srt", "..\\film1.txt", "..\\film1..src"));
  EXPECT_EQ(block_of(run.transcript, "sub\\film2.srt"), paired("sub\\film2.srt", "sub\\film2.txt", "sub\\film2..src"));
  EXPECT_EQ(tree_state(root.path(), "work/untertitel"), before);
  EXPECT_EQ(tree_state(root / "work/untertitel"),
            (std::map<std::string, std::string>{{"..\\film1..src", "file " + worked_output},
                                                {"sub\\film2..src", "file " + worked_output}}));
}

TEST(HostileDirectory, OutputNamesOfDotsNeverAddressAFolder) {
  // With an empty output extension the shared beginnings "." and ".." are
  // whole output names: "untertitel\\." is the output folder itself and
  // "untertitel\\.." the working directory. Neither is written into.
  struct DotCase {
    const char* timecode_name;
    const char* text_name;
    const char* output_name;
  };
  for (const DotCase& c : {DotCase{".a.srt", ".b.txt", "."}, DotCase{"..a.srt", "..b.txt", ".."}}) {
    SCOPED_TRACE(c.output_name);
    ScratchDirectory dir;
    write_bytes(dir / c.timecode_name, worked_timecodes);
    write_bytes(dir / c.text_name, worked_text);
    const auto before = tree_state(dir.path());

    const ChildRun run = run_in_child([&] { run_batch(dir.path(), ""); });

    ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
    EXPECT_EQ(run.transcript,
              count_line(1) + "\n 1. Objekt\n" + paired(c.timecode_name, c.text_name, c.output_name,
                                                            "Ausgabename ist kein Dateiname im Ordner untertitel"));
    EXPECT_EQ(tree_state(dir.path(), "untertitel"), before);
    EXPECT_TRUE(fs::is_empty(dir / "untertitel"));
  }
}

TEST(HostileDirectory, OutputFolderThatIsAFileLosesTheOutputOnly) {
  ScratchDirectory dir;
  write_worked_pair(dir.path(), "film1");
  write_bytes(dir / "untertitel", "not a folder");
  const auto before = tree_state(dir.path());

  const ChildRun run = batch_in_child(dir.path());

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(run.transcript, count_line(1) + "\n 1. Objekt\n" +
                                paired("film1.srt", "film1.txt", "film1..src", "Ordner untertitel: kein Ordner"));
  EXPECT_EQ(tree_state(dir.path()), before);
}

TEST(HostileDirectory, PlantedOutputNamesAreNeverWrittenThrough) {
  struct Planting {
    const char* what;
    // Plants something at output (the output file's path); outside is a
    // file outside the output folder that a link may point at.
    std::function<void(const std::string& output, const std::string& outside)> plant;
    std::string reason;
  };
  const Planting plantings[] = {
      {"a folder holding a file",
       [](const std::string& output, const std::string&) {
         fs::create_directory(output);
         write_bytes(output + "/inner", "inner");
       },
       "Ausgabe: ein Ordner"},
      {"a link to a file outside",
       [](const std::string& output, const std::string& outside) {
         write_bytes(outside, "precious");
         ASSERT_EQ(::symlink(outside.c_str(), output.c_str()), 0);
       },
       "Ausgabe: ein Link"},
      {"a link to a missing file outside",
       [](const std::string& output, const std::string& outside) {
         ASSERT_EQ(::symlink(outside.c_str(), output.c_str()), 0);
       },
       "Ausgabe: ein Link"},
      {"a named pipe",
       [](const std::string& output, const std::string&) { ASSERT_EQ(::mkfifo(output.c_str(), 0644), 0); },
       "Ausgabe: keine gewoehnliche Datei"},
      {"a file protected from writing (kept also from root)",
       [](const std::string& output, const std::string&) {
         write_bytes(output, "corrected by hand");
         ASSERT_EQ(::chmod(output.c_str(), 0444), 0);
       },
       "Ausgabe: schreibgeschuetzt"},
  };
  for (const Planting& planting : plantings) {
    SCOPED_TRACE(planting.what);
    ScratchDirectory root;
    ASSERT_TRUE(fs::create_directory(root / "work"));
    ASSERT_TRUE(fs::create_directory(root / "work/untertitel"));
    write_worked_pair(root / "work", "film1");
    planting.plant(root / "work/untertitel/film1..src", root / "outside.txt");
    const auto before = tree_state(root.path());

    const ChildRun run = batch_in_child(root / "work");

    ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
    EXPECT_EQ(run.transcript,
              count_line(1) + "\n 1. Objekt\n" + paired("film1.srt", "film1.txt", "film1..src", planting.reason));
    EXPECT_EQ(tree_state(root.path()), before);
  }
  // A socket cannot be made by a plain call like the others.
  ScratchDirectory dir;
  ASSERT_TRUE(fs::create_directory(dir / "untertitel"));
  write_worked_pair(dir.path(), "film1");
  BoundSocket socket(dir / "untertitel/film1..src");
  ASSERT_TRUE(socket.bound());
  const ChildRun run = batch_in_child(dir.path());
  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(fs::status(dir / "untertitel/film1..src").type(), fs::file_type::socket);
}

// Replaced whole: a hard link to the old output (a copy kept elsewhere)
// keeps the old bytes, the new file keeps the old one's permission bits
// (never a set-user-ID, set-group-ID or sticky bit), and no temporary file
// stays behind.
TEST(HostileDirectory, ExistingOutputFileIsReplaced) {
  const std::pair<mode_t, mode_t> modes[] = {{0640, 0640}, {06755, 0755}, {02750, 0750}, {01644, 0644}};
  for (const auto& [old_mode, new_mode] : modes) {
    SCOPED_TRACE(old_mode);
    ScratchDirectory dir;
    write_worked_pair(dir.path(), "film1");
    ASSERT_TRUE(fs::create_directory(dir / "untertitel"));
    const std::string old_output = std::string(100000, 'o') + worked_output;
    write_bytes(dir / "untertitel/film1..src", old_output);
    ASSERT_EQ(::chmod((dir / "untertitel/film1..src").c_str(), old_mode), 0);
    ASSERT_EQ(::link((dir / "untertitel/film1..src").c_str(), (dir / "kept copy.src").c_str()), 0);

    const ChildRun run = batch_in_child(dir.path());

    ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
    EXPECT_EQ(output_of(dir, "film1..src"), worked_output);
    EXPECT_EQ(read_bytes(dir / "kept copy.src"), old_output);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "untertitel/film1..src").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, new_mode);
    EXPECT_EQ(st.st_nlink, 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "untertitel"), fs::directory_iterator()), 1);
  }
}

// One output per run: filmA.srt and filmB.srt share the output film.src
// with film.txt. Whichever the listing gives first writes it; the other
// ends with " Fehler" unrun and leaves that output as it is, also when the
// first one failed, and the batch tells of the failure.
TEST(HostileDirectory, TwoTimecodeFilesWithOneOutputNameWriteItOnce) {
  using test_support::zero_length_timecodes;
  ScratchDirectory dir;
  write_bytes(dir / "filmA.srt", worked_timecodes);
  write_bytes(dir / "filmB.srt", zero_length_timecodes);  // ends with " Fehler" when run
  write_bytes(dir / "film.txt", worked_text);

  const ChildRun run = run_in_child([&] {
    const bool all_written = run_batch(dir.path(), kOutputExtension);
    print_line("");
    print_line(all_written ? "<all written>" : "<a pair failed>");
  });

  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
  const bool a_first = run.transcript.find("filmA.srt") < run.transcript.find("filmB.srt");
  const std::string first = a_first ? "filmA.srt" : "filmB.srt";
  const std::string second = a_first ? "filmB.srt" : "filmA.srt";
  EXPECT_EQ(block_of(run.transcript, first),
            paired(first, "film.txt", "film.src", a_first ? "" : "Untertitel Nr. 1 (00:00:01,000) dauert 0 ms"));
  EXPECT_EQ(block_of(run.transcript, second), " Timecode: " + second + "\n     Text: film.txt\n  Ausgabe: film.src\n" +
                                                  failure("Ausgabename schon von Objekt 1 verwendet"));
  EXPECT_EQ(output_of(dir, "film.src"), a_first ? worked_output : "");
  EXPECT_NE(run.transcript.find("<a pair failed>"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "untertitel"), fs::directory_iterator()), 1);
}

TEST(HostileDirectory, FilesChangedBetweenScanAndPairEndThePairWithFehler) {
  struct Change {
    const char* what;
    const char* name;  // the file of the pair that changes
    std::function<void(const std::string& path)> change;
    std::string reason;
  };
  const auto remove = [](const std::string& path) { fs::remove(path); };
  const auto to_pipe = [](const std::string& path) {
    fs::remove(path);
    ::mkfifo(path.c_str(), 0644);
  };
  const auto to_folder = [](const std::string& path) {
    fs::remove(path);
    fs::create_directory(path);
  };
  const auto to_no_cue = [](const std::string& path) { write_bytes(path, "1\r\nWorte\r\n"); };
  const std::string unreadable_timecodes = "Timecodedatei nicht lesbar: film1.srt";
  const std::string unreadable_text = "Textdatei nicht lesbar: film1.txt";
  const Change changes[] = {
      {"timecode file removed", "film1.srt", remove, unreadable_timecodes},
      {"timecode file now a named pipe", "film1.srt", to_pipe, unreadable_timecodes},
      {"timecode file now a folder", "film1.srt", to_folder, unreadable_timecodes},
      {"timecode file now without a cue", "film1.srt", to_no_cue, "Timecodedatei ohne Untertitel: film1.srt"},
      {"text file now a named pipe", "film1.txt", to_pipe, unreadable_text},
      {"text file now a folder", "film1.txt", to_folder, unreadable_text},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    ScratchDirectory dir;
    write_worked_pair(dir.path(), "film1");
    write_worked_pair(dir.path(), "film2");
    // run_batch's steps, with the change after the scan.
    const ChildRun run = run_in_child([&] {
      make_directory(output_folder(dir.path()), false);
      const FileLists lists = scan_directory(dir.path());
      change.change(dir / change.name);
      OutputNames used_outputs;
      for (int position = 1; position <= entry_count(lists.timecode_files); ++position) {
        process_pair(position, lists, dir.path(), kOutputExtension, used_outputs);
      }
      print_line("");
      print_line(free_file_number() == 1 ? "<all closed>" : "<a file is still open>");
    });

    ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
    EXPECT_EQ(block_of(run.transcript, "film1.srt"), paired("film1.srt", "film1.txt", "film1..src", change.reason));
    EXPECT_EQ(block_of(run.transcript, "film2.srt"), paired("film2.srt", "film2.txt", "film2..src"));
    EXPECT_NE(run.transcript.find("<all closed>"), std::string::npos);
    EXPECT_EQ(output_of(dir, "film1..src"), "");
    EXPECT_EQ(output_of(dir, "film2..src"), worked_output);
  }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The address space the process uses now, in bytes (0 when unknown).
std::uint64_t address_space_in_use() {
  std::ifstream statm("/proc/self/statm");
  std::uint64_t pages = 0;
  statm >> pages;
  return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// A file of size bytes that takes no room on disk: head, then NUL bytes.
void write_sparse(const std::string& path, const std::string& head, std::uint64_t size) {
  write_bytes(path, head);
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
}

TEST(HostileDirectory, PairsTooLargeForMemoryFailAloneAndTheRunGoesOn) {
  if (kAddressSanitizer) {
    GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space, so a limit on the "
                    "address space (RLIMIT_AS) cannot stand for a lack of memory under it";
  }
  // The child may grow by this much; each big file is larger.
  constexpr std::uint64_t kHeadroom = 96u << 20;
  constexpr std::uint64_t kBig = 512u << 20;
  ScratchDirectory dir;
  // A text that does not fit: read_all cannot get room for it.
  write_bytes(dir / "hugetext.srt", worked_timecodes);
  write_sparse(dir / "hugetext.txt", worked_text, kBig);
  // Cues whose last line never ends: the lines do not fit.
  write_sparse(dir / "hugelines.srt", worked_timecodes + "Rest", kBig);
  write_bytes(dir / "hugelines.txt", worked_text);
  // A file of one huge line is probed in the scan without reading it whole.
  write_sparse(dir / "disk.img", "1\n", kBig);
  write_worked_pair(dir.path(), "small");

  const ChildRun run = run_in_child([&] { run_batch(dir.path(), kOutputExtension); },
                                    [&] {
                                      const std::uint64_t in_use = address_space_in_use();
                                      const rlimit limit{in_use + kHeadroom, in_use + kHeadroom};
                                      return in_use > 0 && ::setrlimit(RLIMIT_AS, &limit) == 0;
                                    });

  ASSERT_FALSE(run.unprepared) << "could not limit the address space";
  ASSERT_TRUE(run.exited_normally()) << run.how_it_ended() << "\n" << run.transcript;
  EXPECT_EQ(first_line(run.transcript), count_line(3));
  const std::string too_large = failure("Text oder Timecodedatei zu gross fuer den Speicher");
  EXPECT_EQ(block_of(run.transcript, "hugetext.srt"), " Timecode: hugetext.srt\n     Text: hugetext.txt\n"
                                                      "  Ausgabe: hugetext..src\n Lade Text...\n" + too_large);
  EXPECT_EQ(block_of(run.transcript, "hugelines.srt"), " Timecode: hugelines.srt\n     Text: hugelines.txt\n"
                                                       "  Ausgabe: hugelines..src\n Lade Text...\n" + too_large);
  EXPECT_EQ(block_of(run.transcript, "small.srt"), paired("small.srt", "small.txt", "small..src"));
  EXPECT_EQ(output_of(dir, "hugetext..src"), "");
  EXPECT_EQ(output_of(dir, "hugelines..src"), "");
  EXPECT_EQ(output_of(dir, "small..src"), worked_output);
}

}  // namespace
}  // namespace rt

namespace rt {
namespace {

// Issue 13: no silent loss. A pair whose output does not fit (a file-size
// limit stands for a full disk) ends with " Fehler" and leaves an empty
// file, or the previous output as it was where there is one; the next
// pair, which fits, is written whole.
TEST(NoSilentLoss, OutputThatDoesNotFitEndsWithFehlerAndIsLeftEmpty) {
  for (const std::string previous : {"<none>", "1\r\n00:00:01,000 --> 00:00:02,000\r\nDie letzte Ausgabe\r\n\r\n"}) {
    SCOPED_TRACE(previous);
    ScratchDirectory dir;
    write_bytes(dir / "big.srt", worked_timecodes);
    write_bytes(dir / "big.txt", prose_line(64 * 1024));
    write_worked_pair(dir.path(), "small");
    if (previous != "<none>") {
      ASSERT_TRUE(fs::create_directory(dir / "untertitel"));
      write_bytes(dir / "untertitel/big..src", previous);
    }
    const std::string big_output = retimed_in_memory(prose_line(64 * 1024));
    ASSERT_GT(big_output.size(), 32u * 1024);

    const ChildRun run = run_in_child([&] { run_batch(dir.path(), kOutputExtension); }, [] {
      // As `ulimit -f` in a shell: SIGXFSZ at its default action, which
      // would end the process at the limit with a partial file.
      ::signal(SIGXFSZ, SIG_DFL);
      const rlimit limit{16 * 1024, 16 * 1024};
      return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    });

    ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
    EXPECT_EQ(block_of(run.transcript, "big.srt"),
              paired("big.srt", "big.txt", "big..src", "Ausgabe nicht geschrieben: Datei zu gross"));
    EXPECT_EQ(block_of(run.transcript, "small.srt"), paired("small.srt", "small.txt", "small..src"));
    EXPECT_EQ(output_of(dir, "big..src"), previous == "<none>" ? "" : previous);
    EXPECT_EQ(output_of(dir, "small..src"), worked_output);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "untertitel"), fs::directory_iterator()), 2);
  }
}

// An output extension with a path in it never leads out of untertitel: the
// pair ends with " Fehler" and no file appears anywhere. A "\\" is no
// separator here: such an extension is part of a name in untertitel.
TEST(NoSilentLoss, ExtensionWithAPathIsRefused) {
  ScratchDirectory root;
  ASSERT_TRUE(fs::create_directories(root / "work/untertitel"));
  write_worked_pair(root / "work", "film1");
  write_worked_pair(root / "work", "guten");
  const auto before = tree_state(root.path());

  for (const std::string extension : {"/../x", "/x", "/../../x"}) {
    SCOPED_TRACE(extension);
    const ChildRun run = run_in_child([&] { run_batch(root / "work", extension); });
    ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
    const std::string not_plain = "Ausgabename ist kein Dateiname im Ordner untertitel";
    EXPECT_EQ(block_of(run.transcript, "film1.srt"), paired("film1.srt", "film1.txt", "film1." + extension, not_plain));
    EXPECT_EQ(block_of(run.transcript, "guten.srt"), paired("guten.srt", "guten.txt", "guten." + extension, not_plain));
    EXPECT_EQ(tree_state(root.path()), before);
  }
  for (const std::string extension : {"\\..\\x", "\\..\\..\\x", "\\x"}) {
    SCOPED_TRACE(extension);
    ScratchDirectory dir;
    write_worked_pair(dir.path(), "film1");
    const auto outside = tree_state(dir.path());
    const ChildRun run = run_in_child([&] { run_batch(dir.path(), extension); });
    ASSERT_TRUE(run.exited_normally()) << run.how_it_ended();
    EXPECT_EQ(block_of(run.transcript, "film1.srt"), paired("film1.srt", "film1.txt", "film1." + extension));
    EXPECT_EQ(tree_state(dir.path(), "untertitel"), outside);
    EXPECT_EQ(tree_state(dir / "untertitel"),
              (std::map<std::string, std::string>{{"film1." + extension, "file " + worked_output}}));
  }
}

// Killed while it writes an output, by any signal that ends a process, the
// program leaves the output it had before: the new one takes the output's
// name only once it is complete, and the fatal-signal handler touches no
// file. The next save of that output removes what the killed runs left.
TEST(NoSilentLoss, OutputInterruptedBySignalKeepsThePreviousOutput) {
  ScratchDirectory dir;
  const std::string path = dir / "half.src";
  const std::string previous = "1\r\n00:00:01,000 --> 00:00:02,000\r\nDie fertige Ausgabe des letzten Laufs\r\n\r\n";
  write_bytes(path, previous);
  const int endings[] = {SIGINT, SIGTERM, SIGHUP, SIGKILL, SIGXCPU, SIGUSR1, SIGALRM};
  for (const int signal_number : endings) {
    SCOPED_TRACE(signal_number);
    const ChildRun run = run_in_child(
        [&] {
          // As a user's shell starts it: the signal's default action in place.
          for (const int s : endings) {
            if (s != SIGKILL) ::signal(s, SIG_DFL);
          }
          const ConsoleSession console;
          if (open_output(path, 3) != 0) ::_exit(3);
          for (int i = 0; i < 20000; ++i) write_line(3, "Eine Zeile des Untertitels, die geschrieben wird.");
          ::raise(signal_number);
          ::_exit(4);  // not reached: the signal ends the process
        },
        [] {
          const rlimit no_core_file{0, 0};  // SIGXCPU would leave one
          return ::setrlimit(RLIMIT_CORE, &no_core_file) == 0;
        });
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == signal_number) << run.how_it_ended();
    EXPECT_EQ(read_bytes(path), previous);
  }
  EXPECT_GT(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
      << "a killed run leaves its temporary file";

  ASSERT_EQ(open_output(path, 3), 0);
  write_line(3, "neu");
  EXPECT_TRUE(close_output(3));
  EXPECT_EQ(read_bytes(path), "neu\r\n");
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"half.src"}) << "no temporary file is left";
}

}  // namespace
}  // namespace rt
