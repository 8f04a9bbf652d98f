// The retiming search on a feature-film-sized pair: 1,500 cues of 1 to 6
// seconds and about 90 KB of German prose, and the same cues with 4 and 16
// times the text. A pass should cost the same however long the text is, so
// per_pass_plain_us must stay flat from 1x to 16x; only the setup (reading
// the text into its tables) grows with the text.
//
// The prose comes from the Latin-1 texts of the sample corpus, read as the
// engine reads a text file (CR LF as LF) and joined in a fixed order.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "retime/distribution.h"
#include "retime/engine.h"
#include "retime/pair_files.h"
#include "text/files.h"
#include "text/filesystem.h"

namespace {

constexpr std::size_t kFilmTextBytes = 90000;
constexpr int kFilmCues = 1500;

// The corpus texts joined, CR LF turned into LF, repeated to length bytes.
std::string prose(std::size_t length) {
  static const std::string pool = [] {
    const char* names[] = {"kafka_verwandlung.txt",      "spyri_heidi_teil.txt",
                           "grimm_khm_auswahl.txt",      "hoffmann_der_goldne_topf.txt",
                           "goethe_werther_erstes_buch.txt", "hmann_der_untertan_teil.txt",
                           "lessing_emilia_galotti.txt", "schiller_die_raeuber_teil.txt"};
    std::string joined;
    for (const char* name : names) {
      const std::string path = std::string(RETIME_CORPUS_DIR) + "/text/" + name;
      if (rt::open_input(path, 1) != 0) {
        std::fprintf(stderr, "missing corpus text %s\n", path.c_str());
        std::abort();
      }
      joined += rt::read_all(1);
      rt::close_file(1);
    }
    return joined;
  }();
  std::string text;
  while (text.size() < length) text += pool.substr(0, length - text.size());
  return text;
}

std::string two_digits(int v) { return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)}; }

std::string timecode(int ms) {
  return two_digits(ms / 3600000) + ":" + two_digits(ms / 60000 % 60) + ":" + two_digits(ms / 1000 % 60) + "," +
         std::to_string(1000 + ms % 1000).substr(1);
}

// The lines of a timecode file of kFilmCues cues, 1 to 6 seconds each with
// short gaps, each with one line of words and an empty line; always the same.
// With a long closing cue, the last cue lasts as long as all the others
// together: the other cues then owe only half the vowels at the factor 1.0,
// and the search climbs pass by pass to about 2 (about a thousand passes).
std::vector<std::string> film_lines(bool long_closing_cue) {
  std::vector<std::string> lines;
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int clock = 20000;
  int spoken = 0;
  for (int cue = 1; cue <= kFilmCues; ++cue) {
    int duration = 1000 + static_cast<int>(next() % 5001);
    if (cue == kFilmCues && long_closing_cue) duration = spoken;
    spoken += duration;
    lines.push_back(std::to_string(cue));
    lines.push_back(timecode(clock) + " --> " + timecode(clock + duration));
    lines.push_back("Alter Untertitel");
    lines.push_back("");
    clock += duration + static_cast<int>(next() % 800);
  }
  return lines;
}

rt::RetimeSink counting_sink(std::int64_t& entries) {
  rt::RetimeSink sink;
  sink.print_line = [](const std::string&) {};
  sink.write_cue = [&entries](const std::string&, const std::string&, const std::string& segment) {
    entries += 1;
    benchmark::DoNotOptimize(segment.data());
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
double fastest_search(const std::string& text, const std::vector<std::string>& lines,
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
  const std::vector<std::string> lines = film_lines(state.range(1) != 0);

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
  rt::open_output(text_path, 1);
  rt::write_line(1, prose(kFilmTextBytes * static_cast<std::size_t>(state.range(0))));
  rt::open_output(timecode_path, 2);
  for (const std::string& line : film_lines(false)) rt::write_line(2, line);
  rt::close_all();

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
