// Runs a command several times as a fresh process and prints the medians of
// its wall-clock time and of its processor time (user and system, from the
// kernel's account of the child), in seconds:
//
//   time_processes RUNS COMMAND [ARGUMENT...]
//
// prints "WALL PROCESSOR". Standard input and output of the command are
// /dev/null. Started with posix_spawn, so the figures hold little of the
// starting program's own cost. Exits with 1 when a run does not exit with 0.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace {

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; }

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[(values.size() - 1) / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 2 ? std::atoi(argv[1]) : 0;
  if (runs < 1) {
    std::fprintf(stderr, "usage: time_processes RUNS COMMAND [ARGUMENT...]\n");
    return 2;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<double> walls;
  std::vector<double> processors;
  for (int run = 0; run < runs; ++run) {
    const double start = now();
    pid_t child = 0;
    if (posix_spawn(&child, argv[2], &actions, nullptr, argv + 2, environ) != 0) {
      std::perror(argv[2]);
      return 1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "%s did not exit with 0\n", argv[2]);
      return 1;
    }
    walls.push_back(now() - start);
    processors.push_back(seconds(usage.ru_utime) + seconds(usage.ru_stime));
  }
  posix_spawn_file_actions_destroy(&actions);
  std::printf("%.6f %.6f\n", median(walls), median(processors));
  return 0;
}
