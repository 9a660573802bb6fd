// How long TAV.exe takes from its start to its first idle moment (the main
// window built, the tree filled, the page shown last shown again), and how
// long its close takes:
// - with a notebook of one page, against an empty window of the same
//   libraries started the same way;
// - with a notebook of 10,100 folders and 20,000 pages, the page shown last
//   two levels down, against the notebook of one page;
// - with a notebook of a few folders and pages;
// - in the dark look (chosen in the settings) against the light one, with
//   the notebooks of one page and of 10,100 folders;
// - with the search index of the 10,100 folders built, against none.
#include <shlobj.h>
#include <stdio.h>

#include <string>

#include "base/platform_seam.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "notebook/notebook.h"

namespace {

const int Repeats = 5;

// The settings file TAV.exe reads when none lies beside it: the user's own,
// in the application data folder.
std::string UserSettingsPath() {
  char folder[MAX_PATH] = "";
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return "";
  std::string own = std::string(folder) + "\\TAV";
  CreateDirectoryA(own.c_str(), nullptr);
  return own + "\\TAV.INI";
}

void MakeSmallNotebook(const harness::TempDir &notebook) {
  for (int folder = 0; folder < 20; ++folder) {
    std::string path = notebook / ("Folder " + std::to_string(folder));
    harness::MakeDirs(path);
    for (int page = 0; page < 5; ++page)
      harness::WriteBytes(path + "\\Page " + std::to_string(page) + ".tav", std::string(2000, 'x'));
  }
  harness::WriteBytes(notebook / "Start.tav", "first page");
}

// Starts a program in a folder, waits for its first idle moment and closes
// its window of the given class. Seconds to the idle moment and of the close.
bool StartAndClose(const char *exe, const char *windowClass, const std::string &folder,
                   double *start, double *close) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string command = std::string("\"") + exe + "\"";
  double begin = BenchSeconds();
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &info)) {
    printf("cannot start %s\n", exe);
    return false;
  }
  WaitForInputIdle(info.hProcess, 60000);
  double idle = BenchSeconds();
  HWND main = FindWindowA(windowClass, nullptr);
  if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
  WaitForSingleObject(info.hProcess, 60000);
  double end = BenchSeconds();
  *start = idle - begin;
  *close = end - idle;
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return true;
}

// TAV.exe on a notebook whose page shown last is given, as its settings say.
bool StartTav(const std::string &settings, const std::string &work, const std::string &savedPage,
              Runs *starts, Runs *closes = nullptr, bool dark = false) {
  harness::WriteBytes(settings, "[Settings]\r\nWorkDir=" + work + "\r\nSavedPath=" + savedPage +
                                    "\r\nTheme=" + (dark ? "2" : "1") + "\r\n");
  double start = 0, close = 0;
  if (!StartAndClose(TAV_EXE, "TAV", work, &start, &close)) return false;
  starts->Add(start);
  if (closes != nullptr) closes->Add(close);
  return true;
}

// The search index TAV.exe keeps for a notebook, built here where TAV.exe
// looks for it (the user's own local folder); its path.
std::string BuildIndexOf(const std::string &work) {
  BenchApp app;
  app.StartIn(work);
  Platform.getFolderPath = SystemPlatform.getFolderPath;
  char file[PATH_BUFFER_SIZE] = "";
  IndexFilePath(WorkFolderPath, file, true);
  DeleteFileA(file);
  SearchIndexInUse = true;
  while (RunIndexUpkeepSlice()) {
  }
  CloseIndex();
  app.Stop();
  return file;
}

// TAV.exe on the big notebook with its index built, and with none.
void MeasureStartWithIndex(const std::string &settings, const harness::TempDir &big) {
  const std::string index = BuildIndexOf(big.path()), kept = index + ".kept";
  if (!MoveFileExA(index.c_str(), kept.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    fprintf(stderr, "start-up benchmark: no index was built\n");
    return;
  }
  Runs with, without;
  for (int run = 1; run <= Repeats; ++run) {
    CopyFileA(kept.c_str(), index.c_str(), FALSE);
    if (!StartTav(settings, big.path(), big / BigNotebookSavedPage, &with)) break;
    DeleteFileA(index.c_str());
    if (!StartTav(settings, big.path(), big / BigNotebookSavedPage, &without)) break;
    DeleteFileA(index.c_str());
  }
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExA(kept.c_str(), GetFileExInfoStandard, &data);
  DeleteFileA(kept.c_str());
  PrintFloorRow("10,100 folders, indexed", with, without, "10,100 folders, no index");
  printf("  (an index of %.1f MB)\n", data.nFileSizeLow / 1048576.0);
}

}  // namespace

void RunStartupBenchmarks() {
  std::string settings = UserSettingsPath();
  std::string portable = TAV_EXE;
  portable = portable.substr(0, portable.rfind('\\') + 1) + "TAV.INI";
  if (settings.empty() || harness::FileExists(portable)) {
    fprintf(stderr, "start-up benchmark: TAV.exe would not read %s\n", settings.c_str());
    return;
  }
  bool hadSettings = false;
  std::string saved = harness::ReadBytes(settings, &hadSettings);
  harness::TempDir small, onePage, big;
  MakeSmallNotebook(small);
  harness::WriteBytes(onePage / "Page.tav", "the one page");
  if (!MakeBigNotebook(big.path())) {
    fprintf(stderr, "start-up benchmark: cannot make the notebook\n");
    return;
  }
  Runs empty, one, many, starts, closes, oneDark, manyDark;
  for (int run = 1; run <= Repeats; ++run) {
    double start = 0, close = 0;
    if (!StartAndClose(EMPTY_WINDOW_EXE, "TAV_EmptyWindow", onePage.path(), &start, &close)) break;
    empty.Add(start);
    if (!StartTav(settings, onePage.path(), onePage / "Page.tav", &one) ||
        !StartTav(settings, big.path(), big / BigNotebookSavedPage, &many) ||
        !StartTav(settings, small.path(), small / "Start.tav", &starts, &closes) ||
        !StartTav(settings, onePage.path(), onePage / "Page.tav", &oneDark, nullptr, true) ||
        !StartTav(settings, big.path(), big / BigNotebookSavedPage, &manyDark, nullptr, true))
      break;
  }
  PrintFloorHeader("TAV.exe from its start to its first idle moment (ms, 5 runs)");
  PrintFloorRow("one page", one, empty, "empty window");
  PrintFloorRow("10,100 folders, 20,000 pages", many, one, "one page");
  PrintFloorRow("one page, dark", oneDark, one, "one page, light");
  PrintFloorRow("10,100 folders, dark", manyDark, many, "10,100 folders, light");
  MeasureStartWithIndex(settings, big);
  printf("\nTAV.exe with a notebook of 20 folders of 5 pages (ms, 5 runs)\n");
  printf("%-34s %9s %9s\n", "case", "min", "median");
  printf("%-34s %9.1f %9.1f\n", "start to first idle", starts.Min() * 1000, starts.Median() * 1000);
  printf("%-34s %9.1f %9.1f\n", "close", closes.Min() * 1000, closes.Median() * 1000);
  fflush(stdout);
  if (hadSettings)
    harness::WriteBytes(settings, saved);
  else
    DeleteFileA(settings.c_str());
}
