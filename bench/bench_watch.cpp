// The notebook followed as other programs change it: how soon a page made
// in the folder shown is a tab and the page shown rewritten shows its new
// text (the settling included), how long the loop stalls at most while a
// burst of ten thousand pages is taken up, and whether an idle loop wakes.
#include <stdio.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "tree/change_records.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

// The loop's steps for the watches until done() holds; the seconds taken.
double SecondsUntil(const std::function<bool()> &done) {
  double start = BenchSeconds();
  harness::FollowNotebookChanges(done, 10000);
  return BenchSeconds() - start;
}

void TabAndTextRows() {
  BenchApp app;
  app.Start();
  harness::MakeDirs(app.Work() + "\\Shown");
  harness::WriteBytes(app.Work() + "\\Shown\\p.tav", "first");
  strcpy(SavedPagePath, (app.Work() + "\\Shown\\p.tav").c_str());
  RefreshTree();
  Runs tab, text;
  for (int i = 0; i < 20; ++i) {
    int before = TabCtrl_GetItemCount(Ui.tabs);
    harness::WriteBytes(app.Work() + "\\Shown\\n" + std::to_string(i) + ".tav", "new");
    tab.Add(SecondsUntil([&] { return TabCtrl_GetItemCount(Ui.tabs) == before + 1; }));
    std::string rewritten = "rewritten " + std::to_string(i);
    harness::WriteBytes(app.Work() + "\\Shown\\p.tav", rewritten);
    text.Add(SecondsUntil([&] { return harness::WindowText(Ui.editor) == rewritten; }));
  }
  printf("%-58s %8.0f ms median, %4.0f max\n", "page made in the folder shown becomes a tab",
         tab.Median() * 1000, tab.Max() * 1000);
  printf("%-58s %8.0f ms median, %4.0f max\n", "page shown rewritten shows its new text",
         text.Median() * 1000, text.Max() * 1000);
  app.Stop();
}

// Ten thousand pages written into a hundred folders of a notebook of
// 10,100 folders while the loop runs: the records Windows would give for
// all of them are handed on as well (Wine's watch sees only the folder shown
// among folders that existed).
void BurstRow() {
  BenchApp app;
  app.Start();
  if (!MakeBenchNotebook(app.Work(), 100, 100, 2, 64)) {
    fprintf(stderr, "watch benchmark: cannot make the notebook\n");
    return;
  }
  char folderName[64];
  auto folderOf = [&](int f) {
    snprintf(folderName, sizeof folderName, "Top %03d\\sub-%02d", f, f);
    return std::string(folderName);
  };
  strcpy(SavedPagePath, (app.Work() + "\\" + folderOf(0) + "\\Page 0.tav").c_str());
  RefreshTree();
  const int tabsBefore = TabCtrl_GetItemCount(Ui.tabs);
  double longest = 0, last = BenchSeconds();
  auto step = [&] {
    harness::PumpMessages();
    TakeNotebookWatchRecords();
    RunNotebookChangesSlice();
    double now = BenchSeconds();
    if (now - last > longest) longest = now - last;
    last = now;
  };
  for (int f = 0; f < 100; ++f) {
    std::vector<changetest::Record> written;
    for (int p = 0; p < 100; ++p) {
      std::string name = folderOf(f) + "\\p" + std::to_string(p) + ".tav";
      harness::WriteBytes(app.Work() + "\\" + name, "page");
      written.push_back({FILE_ACTION_ADDED, std::wstring(name.begin(), name.end())});
    }
    std::vector<unsigned char> folder = changetest::Records(written);
    NoteChangeRecords(folder.data(), folder.size(), "");
    step();
  }
  double lastWrite = BenchSeconds();
  longest = 0;
  last = lastWrite;
  while (BenchSeconds() - lastWrite < 10 && TabCtrl_GetItemCount(Ui.tabs) != tabsBefore + 100) {
    step();
    Sleep(1);
  }
  while (NotebookChangesPending() || NotebookChangesDueIn() != INFINITE) step();
  double right = BenchSeconds() - lastWrite;
  printf("%-58s %8.0f ms after the last write; longest stall %.0f ms\n",
         "10,000 pages into 100 of 10,100 folders: tabs right", right * 1000, longest * 1000);
  app.Stop();
}

void IdleRow() {
  BenchApp app;
  app.Start();
  harness::FollowNotebookChanges(nullptr, 1000);
  HANDLE handles[NOTEBOOK_WATCH_HANDLES];
  DWORD count = NotebookWatchHandles(handles);
  int wakes = 0, byWatch = 0;
  // The caret's blink would wake the loop as it does in any program.
  SetFocus(nullptr);
  harness::PumpMessages();
  double start = BenchSeconds();
  while (BenchSeconds() - start < 60) {
    DWORD left = static_cast<DWORD>((60 - (BenchSeconds() - start)) * 1000) + 1;
    DWORD woke = WaitForMessageOrHandles(count, handles, left);
    if (woke != WAIT_TIMEOUT) {
      // The harness's box driver keeps a thread timer of a second to answer
      // boxes it missed; its ticks are the harness's, not the program's.
      MSG next;
      if (woke == WAIT_OBJECT_0 + count && PeekMessageA(&next, nullptr, 0, 0, PM_NOREMOVE) &&
          next.message == WM_TIMER && next.hwnd == nullptr) {
        harness::PumpMessages();
        continue;
      }
      ++wakes;
      if (woke < WAIT_OBJECT_0 + count) ++byWatch;
      harness::PumpMessages();
      TakeNotebookWatchRecords();
    }
  }
  printf("%-58s %8d wake-ups in 60 s, %d by the watches (%lu armed)\n",
         "idle, nothing changing, editor without the focus", wakes, byWatch,
         static_cast<unsigned long>(count));
  app.Stop();
}

}  // namespace

void RunWatchBenchmarks() {
  printf("\nThe notebook followed live\n");
  TabAndTextRows();
  BurstRow();
  IdleRow();
}
