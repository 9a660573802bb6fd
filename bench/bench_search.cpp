// Find in All Pages against its floor, in a notebook of 10,100 folders and
// 20,000 pages and in one of 200 MB of pages: the whole search, against a
// plain walk that lists every page by its full path, reads each file whole
// once and searches its bytes; how soon the first row is shown when the
// first page listed holds a match; and what memory the search takes.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "notebook/notebook.h"
#include "editing/editing.h"
#include "harness/harness.h"

namespace {

const int Repeats = 5;
const char Word[] = "quokka";

struct FloorCount {
  size_t pages = 0, matches = 0;
  unsigned long long bytes = 0;
};

// The floor: every page listed by its full path, read whole once, its bytes
// searched.
void FloorWalk(const std::string &path, FloorCount *count) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> folders;
  std::string bytes;
  do {
    std::string name = entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name != "." && name != "..") folders.push_back(name);
      continue;
    }
    if (name.size() < 4 || _stricmp(name.c_str() + name.size() - 4, ".tav") != 0) continue;
    HANDLE file = CreateFileA((path + "\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD size = GetFileSize(file, nullptr), got = 0;
    bytes.resize(size);
    if (size > 0) ReadFile(file, &bytes[0], size, &got, nullptr);
    CloseHandle(file);
    ++count->pages;
    count->bytes += got;
    if (BytesHold(bytes.data(), got, Word, true)) ++count->matches;
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  for (const std::string &folder : folders) FloorWalk(path + "\\" + folder, count);
}

// The memory the process has committed (Wine reports no PrivateUsage; the
// commit charge is the same number on Windows).
size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

// One search from the dialog's Find to its end, slices and the messages
// between them handled as the message loop handles them. Seconds; the first
// row's time and the most memory the search took beside.
double DialogSearch(HWND dialog, double *firstRow, size_t *peakGrowth) {
  size_t before = PrivateBytes();
  *peakGrowth = 0;
  *firstRow = -1;
  HWND list = GetDlgItem(dialog, IDC_FINDALL_RESULTS);
  double start = BenchSeconds();
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  while (RunIdleStep(1)) {
    if (*firstRow < 0 && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0) {
      UpdateWindow(list);
      *firstRow = BenchSeconds() - start;
    }
    harness::PumpMessages();
    size_t now = PrivateBytes();
    if (now > before && now - before > *peakGrowth) *peakGrowth = now - before;
  }
  double total = BenchSeconds() - start;
  if (*firstRow < 0) *firstRow = total;
  return total;
}

// Find in All Pages run through its dialog, each time beside the floor's
// walk through the same notebook.
struct SearchRuns {
  Runs search, floor, first;
  size_t growth = 0, rows = 0, fromIndex = 0;
  FloorCount count;
};

// Find in All Pages opened and searched for the word again and again; the
// dialog is left open.
HWND MeasureDialogSearches(const std::string &work, SearchRuns *runs) {
  ExecuteCommand(CMD_FINDALL);
  HWND dialog = FindAllDialogWindow();
  SetDlgItemTextA(dialog, IDC_FINDALL_TEXT, Word);
  for (int run = 0; run < Repeats; ++run) {
    double firstRow = 0;
    size_t peak = 0;
    runs->search.Add(DialogSearch(dialog, &firstRow, &peak));
    runs->first.Add(firstRow);
    if (peak > runs->growth) runs->growth = peak;
    runs->rows = FoundRows().size();
    runs->fromIndex = FindAllState.pagesFromIndex;
    runs->count = FloorCount();
    double start = BenchSeconds();
    FloorWalk(work, &runs->count);
    runs->floor.Add(BenchSeconds() - start);
  }
  return dialog;
}

void MeasureSearch(const char *label, const std::string &work) {
  BenchApp app;
  app.StartIn(work);
  app.Boxes().Handle([](HWND) {});  // the dialog, left open
  SearchRuns runs;
  HWND dialog = MeasureDialogSearches(work, &runs);
  const Runs &search = runs.search, &floor = runs.floor, &first = runs.first;
  const size_t growth = runs.growth, rows = runs.rows;
  const FloorCount &count = runs.count;
  char what[80];
  snprintf(what, sizeof what, "search %s", label);
  PrintFloorRow(what, search, floor, "list by full path + read whole + search bytes");
  printf("  first row shown after %.1f ms (median %.1f); %zu rows, %zu pages; the floor found the "
         "word in %zu of %zu pages; memory grew by %zu KB at most\n",
         first.Min() * 1000, first.Median() * 1000, rows, count.pages, count.matches, count.pages,
         growth / 1024);
  fflush(stdout);
  DestroyWindow(dialog);
  app.Stop();
}

// The index's file for the work folder shown, and what lies beside it.
std::string IndexFile() {
  char file[PATH_BUFFER_SIZE] = "";
  IndexFilePath(WorkFolderPath, file, true);
  return file;
}

void DeleteIndex() {
  CloseIndex();
  const std::string file = IndexFile();
  for (const char *end : {"", "-wal", "-shm", ".bad"}) DeleteFileA((file + end).c_str());
}

// The index built from nothing, slice after slice as the idle step runs
// them; seconds, and the longest slice beside.
double BuildIndex(double *longest) {
  DeleteIndex();
  SearchIndexInUse = true;
  *longest = 0;
  double start = BenchSeconds();
  for (bool more = true; more;) {
    double slice = BenchSeconds();
    more = RunIndexUpkeepSlice();
    slice = BenchSeconds() - slice;
    if (slice > *longest) *longest = slice;
  }
  return BenchSeconds() - start;
}

/* The search index of a notebook: built from nothing, and Find in All
   Pages answered from it, against reading every page once; its size
   against the pages' text. */
void MeasureIndex(const char *label, const std::string &work) {
  BenchApp app;
  app.StartIn(work);
  app.Boxes().Handle([](HWND) {});  // the dialog, left open
  Runs build, buildFloor;
  double longest = 0;
  FloorCount count;
  for (int run = 0; run < Repeats; ++run) {
    double slice = 0;
    build.Add(BuildIndex(&slice));
    if (slice > longest) longest = slice;
    count = FloorCount();
    double start = BenchSeconds();
    FloorWalk(work, &count);
    buildFloor.Add(BenchSeconds() - start);
  }
  SearchRuns runs;
  HWND dialog = MeasureDialogSearches(work, &runs);
  const Runs &search = runs.search, &floor = runs.floor, &first = runs.first;
  const size_t rows = runs.rows, fromIndex = runs.fromIndex, growth = runs.growth;
  count = runs.count;
  DestroyWindow(dialog);
  CloseIndex();
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(IndexFile().c_str(), GetFileExInfoStandard, &data);
  const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  char what[96];
  snprintf(what, sizeof what, "build the index, %s", label);
  PrintFloorRow(what, build, buildFloor, "list by full path + read whole + search bytes");
  printf("  longest slice %.1f ms\n", longest * 1000);
  snprintf(what, sizeof what, "search from the index, %s", label);
  PrintFloorRow(what, search, floor, "list by full path + read whole + search bytes");
  printf("  first row shown after %.1f ms (median %.1f); %zu rows, %zu of %zu pages from the index; "
         "memory grew by %zu KB at most\n",
         first.Min() * 1000, first.Median() * 1000, rows, fromIndex, count.pages, growth / 1024);
  printf("  the index takes %.1f MB for %.1f MB of pages: %.2fx\n", size / 1048576.0,
         count.bytes / 1048576.0, count.bytes > 0 ? static_cast<double>(size) / count.bytes : 0.0);
  fflush(stdout);
  DeleteIndex();
  app.Stop();
}

/* A save of a page of 1 MB while the index is kept, against the same save
   without an index. */
void MeasureSaveWithIndex(const std::string &work) {
  harness::WriteBytes(work + "\\Large.tav", BenchProse(1024 * 1024, 7, true));
  BenchApp app;
  app.StartIn(work);
  double slice = 0;
  BuildIndex(&slice);
  ShowPageAt((work + "\\Large.tav").c_str());
  Runs kept, without;
  for (int run = 0; run < Repeats; ++run) {
    for (bool index : {true, false}) {
      // Opened again (its folders walked again) by the idle step's slices,
      // as after a start.
      SearchIndexInUse = index;
      while (RunIndexUpkeepSlice()) {
      }
      SendMessageA(Ui.editor, EM_SETMODIFY, TRUE, 0);
      double start = BenchSeconds();
      SavePageIfModified(CurrentPageIndex);
      (index ? kept : without).Add(BenchSeconds() - start);
      if (index) CloseIndex();
    }
  }
  PrintFloorRow("save a page of 1 MB, the index kept", kept, without, "the save without an index");
  DeleteIndex();
  app.Stop();
  DeleteFileA((work + "\\Large.tav").c_str());
}

}  // namespace

// Prose of about the size asked; the word stands in it when asked.
std::string BenchProse(size_t size, unsigned seed, bool withWord) {
  static const char *words[] = {"note", "plan", "meeting", "idea", "draft", "tomorrow",
                                "review", "the", "a", "and", "list", "call"};
  std::string text;
  text.reserve(size + 100);
  size_t line = 0;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    const char *word = words[(seed >> 16) % 12];
    text += word;
    line += strlen(word) + 1;
    if (line > 70) {
      text += "\r\n";
      line = 0;
    } else {
      text += ' ';
    }
  }
  if (withWord) text.insert(text.size() / 2, std::string(" ") + Word + " ");
  return text;
}

// 'folders' folders of 'pagesEach' pages of 'pageSize' bytes, in 100 top
// folders; the word stands in three pages of three folders, one of them the
// first page the search lists.
bool MakeBenchNotebook(const std::string &work, int tops, int subsEach, int pagesEach,
                  size_t pageSize) {
  int made = 0;
  char name[64];
  for (int top = 0; top < tops; ++top) {
    snprintf(name, sizeof name, "\\Top %03d", top);
    std::string topPath = work + name;
    if (!CreateDirectoryA(topPath.c_str(), nullptr)) return false;
    for (int sub = 0; sub < subsEach; ++sub) {
      snprintf(name, sizeof name, "\\sub-%02d", sub);
      std::string folder = topPath + name;
      if (!CreateDirectoryA(folder.c_str(), nullptr)) return false;
      for (int page = 0; page < pagesEach; ++page, ++made) {
        bool withWord = made == 0 || made == 777 || made == 4321;
        snprintf(name, sizeof name, "\\Page %d.tav", page);
        if (!harness::WriteBytes(folder + name, BenchProse(pageSize, made, withWord))) return false;
      }
    }
  }
  // The work folder's own first page, listed first, holds it too.
  return harness::WriteBytes(work + "\\Aardvark.tav", BenchProse(pageSize, 1, true));
}

void RunSearchBenchmarks() {
  harness::TempDir folders;
  const std::string many = folders / "many";
  const std::string large = folders / "large";
  if (!CreateDirectoryA(many.c_str(), nullptr) || !CreateDirectoryA(large.c_str(), nullptr) ||
      !MakeBenchNotebook(many, 100, 100, 2, 1024) ||
      !MakeBenchNotebook(large, 20, 10, 10, 100 * 1024)) {
    fprintf(stderr, "search benchmark: cannot make the notebooks\n");
    return;
  }
  PrintFloorHeader("Find in All Pages (ms, 5 runs)");
  MeasureSearch("10,100 folders, 20,000 pages", many);
  MeasureSearch("200 MB in 2,000 pages", large);
  PrintFloorHeader("The search index (ms, 5 runs)");
  MeasureIndex("10,100 folders, 20,000 pages", many);
  MeasureIndex("200 MB in 2,000 pages", large);
  MeasureSaveWithIndex(large);
}
