// Benchmarks of the program's costly paths, run on request by tav_bench.
// Each subsystem offers one entry that prints its own table.
#ifndef TAV_BENCH_H
#define TAV_BENCH_H

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness/harness.h"

// The real main window in a notebook of its own, as the tests run it.
class BenchApp : public harness::AppTest {
 public:
  void Start() { SetUp(); }
  // Starts on another work folder, as a settings file naming it would.
  void StartIn(const std::string &work) {
    harness::WriteBytes(scratch / "TAV.INI", "[Settings]\r\nWorkDir=" + work + "\r\n");
    SetUp();
  }
  // The same with the page shown last.
  void StartIn(const std::string &work, const std::string &savedPage) {
    harness::WriteBytes(scratch / "TAV.INI",
                        "[Settings]\r\nWorkDir=" + work + "\r\nSavedPath=" + savedPage + "\r\n");
    SetUp();
  }
  void Stop() { TearDown(); }
  std::string Work() const { return notebook.path(); }
  harness::BoxDriver &Boxes() { return boxes; }
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

// The times of repeated runs of one thing, in seconds.
class Runs {
 public:
  void Add(double seconds) { seconds_.push_back(seconds); }
  double Min() const { return seconds_.empty() ? 0 : *std::min_element(seconds_.begin(), seconds_.end()); }
  double Max() const { return seconds_.empty() ? 0 : *std::max_element(seconds_.begin(), seconds_.end()); }
  double Median() const {
    if (seconds_.empty()) return 0;
    std::vector<double> sorted = seconds_;
    std::sort(sorted.begin(), sorted.end());
    size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
  }

 private:
  std::vector<double> seconds_;
};

// A table of measured times against their floors: min and median of the
// runs in milliseconds, and the ratios of the mins and of the medians.
void PrintFloorHeader(const char *title);
void PrintFloorRow(const char *what, const Runs &measured, const Runs &floor, const char *floorIs);

/* bench_tree.cpp */
void RunTreeBenchmarks();
// A notebook of 10,100 folders and 20,000 pages: 100 folders of 100
// subfolders, two pages in each of these. The page shown last, relative to
// the work folder, lies two levels down.
bool MakeBigNotebook(const std::string &work);
extern const char BigNotebookSavedPage[];

/* bench_pages.cpp */
void RunPageBenchmarks();

/* bench_search.cpp */
void RunSearchBenchmarks();
// Prose of about the size asked, the benchmarks' word in it when asked.
std::string BenchProse(size_t size, unsigned seed, bool withWord);
// 'tops' folders of 'subsEach' folders of 'pagesEach' pages of 'pageSize'
// bytes ("Top 000\sub-00\Page 0.tav"), and a page in the work folder;
// the word stands in a few of them.
bool MakeBenchNotebook(const std::string &work, int tops, int subsEach, int pagesEach,
                       size_t pageSize);

/* bench_open_page.cpp */
void RunOpenPageBenchmarks();

/* bench_moves.cpp */
void RunMoveBenchmarks();
void RunDeleteBenchmarks();

/* bench_theme.cpp */
void RunThemeBenchmarks();

/* bench_history.cpp */
void RunHistoryBenchmarks();

/* bench_startup.cpp */
void RunStartupBenchmarks();

// The notebook followed live: a page made elsewhere becoming a tab, the
// page shown rewritten elsewhere, a burst of ten thousand pages, and the
// loop idle with the watches armed.
void RunWatchBenchmarks();

#endif
