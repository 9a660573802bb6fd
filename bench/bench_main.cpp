// Entry point of tav_bench: sets the program's libraries and window classes up
// as the entry procedure does, then runs the benchmarks named on the command
// line, or all of them.
#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "settings/settings.h"

namespace {

struct Benchmark {
  const char *name;
  void (*run)();
};

// One row per subsystem's benchmarks.
const Benchmark Benchmarks[] = {
    {"tree", RunTreeBenchmarks},
    {"pages", RunPageBenchmarks},
    {"search", RunSearchBenchmarks},
    {"startup", RunStartupBenchmarks},
    {"open", RunOpenPageBenchmarks},
    {"watch", RunWatchBenchmarks},
    {"moves", RunMoveBenchmarks},
    {"theme", RunThemeBenchmarks},
    {"deletes", RunDeleteBenchmarks},
    {"history", RunHistoryBenchmarks},
};

bool Wanted(const char *name, int argc, char **argv) {
  if (argc < 2) return true;
  for (int i = 1; i < argc; ++i)
    if (strcmp(argv[i], name) == 0) return true;
  return false;
}

}  // namespace

void PrintFloorHeader(const char *title) {
  printf("\n%s\n", title);
  printf("%-34s %9s %9s %9s %9s %7s %7s  %s\n", "case", "min", "median", "floor min", "median",
         "ratio", "median", "floor is");
}

void PrintFloorRow(const char *what, const Runs &measured, const Runs &floor, const char *floorIs) {
  printf("%-34s %9.1f %9.1f %9.1f %9.1f %6.2fx %6.2fx  %s\n", what, measured.Min() * 1000,
         measured.Median() * 1000, floor.Min() * 1000, floor.Median() * 1000,
         measured.Min() / floor.Min(), measured.Median() / floor.Median(), floorIs);
  fflush(stdout);
}

int main(int argc, char **argv) {
  harness::TempDir runFolder;
  std::string settings = runFolder / "TAV.INI";
  ConfigInfo.SetFileName(settings.c_str());
  harness::UserFoldersRoot = runFolder / "User";
  harness::ResetProgramState();
  if (!harness::SetUpProgramLibraries()) return 2;
  for (const Benchmark &benchmark : Benchmarks)
    if (Wanted(benchmark.name, argc, argv)) benchmark.run();
  ConfigInfo.SetFileName("TAV.INI");
  return 0;
}
