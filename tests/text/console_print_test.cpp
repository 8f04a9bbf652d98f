#include "text/console_print.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <thread>

#include "tests/text/temp_directory.h"

namespace rt {
namespace {

using namespace std::string_literals;


struct NumberCase {
  std::int32_t value;
  const char* shown;
};

TEST(PrintNumber, BlankBeforeValuesThatAreNotNegative) {
  const NumberCase cases[] = {
      {0, " 0"},
      {3, " 3"},
      {-5, "-5"},
      {1000, " 1000"},
      {std::numeric_limits<std::int32_t>::max(), " 2147483647"},
      {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(console_transcript([&] { print_number(c.value); }), c.shown);
  }
}

TEST(PrintText, BytesGoOutUnchangedWithoutLineEnd) {
  EXPECT_EQ(console_transcript([] { print_text("Verzeichnis: "); }), "Verzeichnis: ");
  EXPECT_EQ(console_transcript([] { print_text("a\0b\xE4\t"s); }), "a\0b\xE4\t"s);
  EXPECT_EQ(console_transcript([] { print_text(""); }), "");
}

TEST(PrintLine, EndsTheLine) {
  EXPECT_EQ(console_transcript([] { print_line("Fertig"); }), "Fertig\n");
  EXPECT_EQ(console_transcript([] { print_line(""); }), "\n");
  EXPECT_EQ(console_transcript([] {
              print_number(2);
              print_line(" Timecodedateien");
            }),
            " 2 Timecodedateien\n");
}

TEST(PrintText, StaysInOrderWithDirectWritesToTheSameDescriptor) {
  // The console module writes its escape sequences straight to descriptor 1;
  // printing must not hold anything back in a buffer of its own.
  EXPECT_EQ(console_transcript([] {
              print_text("1");
              ASSERT_EQ(::write(1, "\x1b[K", 3), 3);
              print_line("2");
              ASSERT_EQ(::write(1, "3", 1), 1);
            }),
            "1\x1b[K2\n3");
}

TEST(PrintText, LargeTextReachesASlowNonBlockingReaderWhole) {
  // A pipe holds far less than this text, and a non-blocking descriptor
  // refuses writes while it is full: every byte must still arrive in order.
  std::string text;
  for (int i = 0; text.size() < 1000000; ++i) text += std::to_string(i) + ' ';
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  std::string received;
  std::thread reader([&] {
    char block[4096];
    ssize_t n;
    while ((n = ::read(pipe_ends[0], block, sizeof block)) > 0) {
      received.append(block, static_cast<std::size_t>(n));
    }
  });
  std::fflush(stdout);
  int saved = ::dup(1);
  ASSERT_GE(saved, 0);
  ::dup2(pipe_ends[1], 1);
  ::close(pipe_ends[1]);
  ::fcntl(1, F_SETFL, ::fcntl(1, F_GETFL) | O_NONBLOCK);
  print_text(text);
  ::dup2(saved, 1);  // closes the pipe's last write end: the reader ends
  ::close(saved);
  reader.join();
  ::close(pipe_ends[0]);
  EXPECT_EQ(received.size(), text.size());
  EXPECT_TRUE(received == text);
}

}  // namespace
}  // namespace rt
