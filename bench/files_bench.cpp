// Reading and writing numbered files in bulk: a text file of 50 MB with
// CR LF line ends read whole with read_all, line by line with read_line, and
// written line by line with write_line.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/files.h"
#include "text/filesystem.h"

namespace {

constexpr std::size_t file_size = 50u * 1024 * 1024;

// One sample file for all runs, made on first use and removed at exit.
const std::string& sample_file() {
  static const std::string path = [] {
    std::string made = "/tmp/retime-bench-XXXXXX";
    int fd = ::mkstemp(&made[0]);
    if (fd < 0) std::abort();
    std::string line = "Das ist eine Zeile Untertiteltext mit ein paar Vokalen.\r\n";
    std::string block;
    while (block.size() < (1u << 20)) block += line;
    for (std::size_t written = 0; written < file_size; written += block.size()) {
      if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) std::abort();
    }
    ::close(fd);
    std::atexit([] { rt::remove_file(sample_file()); });
    return made;
  }();
  return path;
}

void ReadAll(benchmark::State& state) {
  const std::string& path = sample_file();
  std::int64_t bytes = 0;
  for (auto _ : state) {
    if (rt::open_input(path, 1) != 0) std::abort();
    bytes += rt::file_length(1);
    std::string all = rt::read_all(1);
    benchmark::DoNotOptimize(all.data());
    rt::close_file(1);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(ReadAll)->Unit(benchmark::kMillisecond);

void ReadLines(benchmark::State& state) {
  const std::string& path = sample_file();
  std::int64_t bytes = 0;
  for (auto _ : state) {
    if (rt::open_input(path, 1) != 0) std::abort();
    bytes += rt::file_length(1);
    std::string line;
    while (!rt::at_end(1)) {
      rt::read_line(1, line);
      benchmark::DoNotOptimize(line.data());
    }
    rt::close_file(1);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(ReadLines)->Unit(benchmark::kMillisecond);

void WriteLines(benchmark::State& state) {
  std::string path = sample_file() + ".out";
  const std::string line = "Das ist eine Zeile Untertiteltext mit ein paar Vokalen.";
  const std::size_t lines = file_size / (line.size() + 2);
  for (auto _ : state) {
    if (rt::open_output(path, 2) != 0) std::abort();
    for (std::size_t i = 0; i < lines; ++i) rt::write_line(2, line);
    rt::close_file(2);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lines * (line.size() + 2)));
  rt::remove_file(path);
}
BENCHMARK(WriteLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
