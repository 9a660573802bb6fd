// How long TAV.exe takes from its start to its first idle moment (the main
// window built, the tree filled, the first page shown), with a notebook of a
// few folders and pages, and how long its close takes.
#include <stdio.h>

#include <string>

#include "bench/bench.h"
#include "harness/harness.h"

namespace {

std::string MachineSettingsPath() {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  return std::string(windows) + "\\TAV.INI";
}

void MakeNotebook(const harness::TempDir &notebook) {
  for (int folder = 0; folder < 20; ++folder) {
    std::string path = notebook / ("Folder " + std::to_string(folder));
    harness::MakeDirs(path);
    for (int page = 0; page < 5; ++page)
      harness::WriteBytes(path + "\\Page " + std::to_string(page) + ".tav", std::string(2000, 'x'));
  }
  harness::WriteBytes(notebook / "Start.tav", "first page");
}

}  // namespace

void RunStartupBenchmarks() {
  std::string settings = MachineSettingsPath();
  bool hadSettings = false;
  std::string saved = harness::ReadBytes(settings, &hadSettings);
  harness::TempDir notebook;
  MakeNotebook(notebook);
  Runs starts, closes;
  for (int run = 1; run <= 5; ++run) {
    harness::WriteBytes(settings, "[Settings]\r\nWorkDir=" + notebook.path() + "\r\n");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string command = std::string("\"") + TAV_EXE + "\"";
    double begin = BenchSeconds();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        notebook.path().c_str(), &startup, &info)) {
      printf("cannot start %s\n", TAV_EXE);
      break;
    }
    WaitForInputIdle(info.hProcess, 30000);
    double idle = BenchSeconds();
    HWND main = FindWindowA("TAV", nullptr);
    if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
    WaitForSingleObject(info.hProcess, 30000);
    double end = BenchSeconds();
    starts.Add(idle - begin);
    closes.Add(end - idle);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
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
