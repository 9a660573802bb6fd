// Benchmarks of the program's costly paths, run on request by tav_bench.
// Each subsystem offers one entry that prints its own table.
#ifndef TAV_BENCH_H
#define TAV_BENCH_H

#include <windows.h>

#include <string>

#include "harness/harness.h"

// The real main window in a notebook of its own, as the tests run it.
class BenchApp : public harness::AppTest {
 public:
  void Start() { SetUp(); }
  void Stop() { TearDown(); }
  std::string Work() const { return notebook.path(); }
  void TestBody() override {}
};

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
