// Benchmarks of the program's costly paths, run on request by tav_bench.
// Each subsystem offers one entry that prints its own table.
#ifndef TAV_BENCH_H
#define TAV_BENCH_H

#include <windows.h>

// Seconds on the performance counter, for differences.
inline double BenchSeconds() {
  static LARGE_INTEGER frequency;
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

/* bench_tree.cpp */
void RunTreeBenchmarks();

/* bench_pages.cpp */
void RunPageBenchmarks();

/* bench_startup.cpp */
void RunStartupBenchmarks();

#endif
