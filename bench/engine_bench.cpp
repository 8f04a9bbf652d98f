// The retiming search on a feature-film-sized pair: 1,500 cues of 1 to 6
// seconds and about 90 KB of German prose, and the same cues with 4 and 16
// times the text. A pass should cost the same however long the text is, so
// per_pass_plain_us must stay flat from 1x to 16x; only the setup (reading
// the text into its tables) grows with the text.
//
// The pair is that of bench/film_pair.h.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/film_pair.h"
#include "retime/distribution.h"
#include "retime/engine.h"
#include "retime/pair_files.h"
#include "text/files.h"
#include "text/filesystem.h"

namespace {

using rt::bench::film_lines;
using rt::bench::kFilmTextBytes;
using rt::bench::prose;

rt::RetimeSink counting_sink(std::int64_t& entries) {
  rt::RetimeSink sink;
  sink.print_line = [](const std::string&) {};
  // By positions, as retime_pair takes them: the segment's bytes are the
  // writer's business.
  sink.write_entry = [&entries](const rt::CueEntry& entry) {
    entries += 1;
    benchmark::DoNotOptimize(entry.cut);
  };
  sink.close_all = [] {};
  return sink;
}

// Processor time of this thread, in seconds: time spent waiting for the
// processor while other programs run does not count.
double thread_seconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The fastest of runs of the search with the given options, in seconds.
double fastest_search(const std::string& text, const rt::LineList& lines,
                      const rt::RetimeOptions& options, int runs) {
  double fastest = 1e9;
  std::int64_t entries = 0;
  for (int run = 0; run < runs; ++run) {
    std::string number_line;
    const double start = thread_seconds();
    rt::retime_text(text, lines, number_line, counting_sink(entries), options);
    fastest = std::min(fastest, thread_seconds() - start);
  }
  return fastest;
}

// The pure search; the first argument is the text size in multiples of
// 90 KB, the second 1 for the long closing cue. Counters, each from the
// fastest of several runs (processor time) as the machine is shared:
// - passes: passes of the search, the writing pass included;
// - setup_us: the tables and the cue list (a search allowed no pass);
// and for the long searches, where passes outweigh the setup:
// - per_pass_us: (search - setup) / passes, as the engine runs;
// - per_pass_plain_us: the same with every cue step worked out afresh,
//   the plain cost of a pass (the engine reuses the steps of cues that start
//   where they started in the pass before with the same quota, which saves
//   most where quotas are small and seldom change).
void RetimeText(benchmark::State& state) {
  const std::string text = prose(kFilmTextBytes * static_cast<std::size_t>(state.range(0)));
  const rt::LineList lines(film_lines(state.range(1) != 0));

  rt::RetimeOptions setup_only;
  setup_only.max_passes = 0;
  rt::RetimeOptions plain;
  plain.reuse_unchanged_steps = false;
  const bool long_search = state.range(1) != 0;
  const double setup = fastest_search(text, lines, setup_only, 20);
  const double plain_search = long_search ? fastest_search(text, lines, plain, 5) : 0.0;

  std::int64_t entries = 0;
  double fastest = 1e9;
  rt::RetimeOutcome outcome;
  for (auto _ : state) {
    std::string number_line;
    const double start = thread_seconds();
    outcome = rt::retime_text(text, lines, number_line, counting_sink(entries));
    fastest = std::min(fastest, thread_seconds() - start);
  }
  if (outcome.failed) state.SkipWithError("the search failed");
  const double passes = static_cast<double>(outcome.passes);
  state.counters["passes"] = passes;
  state.counters["entries"] = static_cast<double>(entries / static_cast<std::int64_t>(state.iterations()));
  state.counters["setup_us"] = setup * 1e6;
  if (long_search) {
    state.counters["per_pass_us"] = (fastest - setup) * 1e6 / passes;
    state.counters["per_pass_plain_us"] = (plain_search - setup) * 1e6 / passes;
  }
}
BENCHMARK(RetimeText)
    ->ArgNames({"text_x", "long_close"})
    ->Args({1, 0})
    ->Args({4, 0})
    ->Args({16, 0})
    ->Args({1, 1})
    ->Args({4, 1})
    ->Args({16, 1})
    ->Unit(benchmark::kMillisecond);

// retime_pair on files in a temporary directory: opening, reading the text
// and the timecode file, the search and writing the output file.
void RetimePairOnFiles(benchmark::State& state) {
  std::string dir = "/tmp/retime-engine-bench-XXXXXX";
  if (::mkdtemp(&dir[0]) == nullptr) std::abort();
  const std::string text_path = dir + "/film.txt";
  const std::string timecode_path = dir + "/film.srt";
  const std::string output_path = dir + "/film.src";
  rt::bench::write_pair_files(text_path, prose(kFilmTextBytes * static_cast<std::size_t>(state.range(0))),
                              timecode_path, film_lines(false));

  for (auto _ : state) {
    rt::open_input(text_path, rt::kTextFile);
    rt::open_input(timecode_path, rt::kTimecodeFile);
    rt::open_output(output_path, rt::kOutputFile);
    // retime_pair prints its console lines straight to descriptor 1; keep
    // them off the report.
    int saved = ::dup(1);
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(null, 1);
    rt::retime_pair();
    ::dup2(saved, 1);
    ::close(null);
    ::close(saved);
  }
  rt::remove_file(text_path);
  rt::remove_file(timecode_path);
  rt::remove_file(output_path);
  ::rmdir(dir.c_str());
}
BENCHMARK(RetimePairOnFiles)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
