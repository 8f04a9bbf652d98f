// The driver's own costs: scanning a directory of real subtitle files, a
// whole batch over the corpus lecture pair (also with the readability
// report and its page), one small output written and put in place, and
// rewriting a settings value. The batch's console lines go to /dev/null
// while it is measured.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/batch.h"
#include "driver/scan.h"
#include "settings/settings.h"
#include "text/files.h"

namespace {

const std::string corpus = RETIME_CORPUS_DIR;

// A scratch directory removed at exit.
std::string scratch_directory() {
  std::string made = "/tmp/retime-driver-bench-XXXXXX";
  if (::mkdtemp(&made[0]) == nullptr) std::abort();
  return made;
}

// Every corpus subtitle file plus the lecture pair: 60 files to classify.
const std::string& corpus_directory() {
  static const std::string path = [] {
    std::string made = scratch_directory();
    for (const auto& entry : std::filesystem::directory_iterator(corpus + "/srt")) {
      std::filesystem::copy_file(entry.path(), made + "/" + entry.path().filename().string());
    }
    std::filesystem::copy_file(corpus + "/pairs/tomsa_SE_latin1/SE.srt", made + "/SE.srt");
    std::filesystem::copy_file(corpus + "/pairs/tomsa_SE_latin1/SE.txt", made + "/SE.txt");
    std::atexit([] { std::filesystem::remove_all(corpus_directory()); });
    return made;
  }();
  return path;
}

const std::string& lecture_directory() {
  static const std::string path = [] {
    std::string made = scratch_directory();
    std::filesystem::copy_file(corpus + "/pairs/tomsa_SE_latin1/SE.srt", made + "/SE.srt");
    std::filesystem::copy_file(corpus + "/pairs/tomsa_SE_latin1/SE.txt", made + "/SE.txt");
    std::atexit([] { std::filesystem::remove_all(lecture_directory()); });
    return made;
  }();
  return path;
}

// Runs action with descriptor 1 pointing at /dev/null.
template <typename Action>
void quietly(Action&& action) {
  const int saved = ::dup(1);
  const int null = ::open("/dev/null", O_WRONLY);
  ::dup2(null, 1);
  action();
  ::dup2(saved, 1);
  ::close(null);
  ::close(saved);
}

void ScanCorpusDirectory(benchmark::State& state) {
  const std::string& directory = corpus_directory();
  for (auto _ : state) {
    rt::FileLists lists = rt::scan_directory(directory);
    benchmark::DoNotOptimize(lists.timecode_files.data());
  }
}
BENCHMARK(ScanCorpusDirectory)->Unit(benchmark::kMicrosecond);

void BatchOverLecturePair(benchmark::State& state) {
  const std::string& directory = lecture_directory();
  for (auto _ : state) {
    quietly([&] { rt::run_batch(directory, ".src"); });
  }
}
BENCHMARK(BatchOverLecturePair)->Unit(benchmark::kMillisecond);

void BatchOverCorpusDirectory(benchmark::State& state) {
  const std::string& directory = corpus_directory();
  for (auto _ : state) {
    quietly([&] { rt::run_batch(directory, ".src"); });
  }
}
BENCHMARK(BatchOverCorpusDirectory)->Unit(benchmark::kMillisecond);

// The same batches with --report: the figures of every written cue, the
// lines after each pair and untertitel/bericht.html.
void BatchOverLecturePairWithReport(benchmark::State& state) {
  const std::string& directory = lecture_directory();
  const rt::ReadabilityLimits limits;
  for (auto _ : state) {
    quietly([&] { rt::run_batch(directory, ".src", &limits); });
  }
}
BENCHMARK(BatchOverLecturePairWithReport)->Unit(benchmark::kMillisecond);

void BatchOverCorpusDirectoryWithReport(benchmark::State& state) {
  const std::string& directory = corpus_directory();
  const rt::ReadabilityLimits limits;
  for (auto _ : state) {
    quietly([&] { rt::run_batch(directory, ".src", &limits); });
  }
}
BENCHMARK(BatchOverCorpusDirectoryWithReport)->Unit(benchmark::kMillisecond);

// One small output written and closed over and over: what a pair's output
// costs besides its bytes (opening, and putting the file in place).
void SmallOutput(benchmark::State& state) {
  const std::string directory = scratch_directory();
  const std::string path = directory + "/film1..src";
  for (auto _ : state) {
    if (rt::open_output(path, 3) != 0) std::abort();
    rt::write_line(3, "1");
    if (!rt::close_output(3)) std::abort();
  }
  std::filesystem::remove_all(directory);
}
BENCHMARK(SmallOutput)->Unit(benchmark::kMicrosecond);

void WriteSetting(benchmark::State& state) {
  const std::string directory = scratch_directory();
  const std::string path = directory + "/retime.ini";
  std::FILE* created = std::fopen(path.c_str(), "wb");
  if (created == nullptr) std::abort();
  std::fclose(created);
  rt::write_setting_through(path, "texterweiterung", ".txt", directory + "/retime.tmp");
  rt::write_setting_through(path, "ausgabeerweiterung", ".src", directory + "/retime.tmp");
  int value = 0;
  for (auto _ : state) {
    if (rt::write_setting_through(path, "verzeichnis", "C:\\subs\\" + std::to_string(value++),
                                  directory + "/retime.tmp") != 0) {
      std::abort();
    }
  }
  std::filesystem::remove_all(directory);
}
BENCHMARK(WriteSetting)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
