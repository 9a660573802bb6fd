// Open Page and the places of pages, in a notebook of 10,100 folders and
// 20,000 pages: how soon the dialog shows the pages shown lately after
// Ctrl+O (1,000 of them recorded); the whole list against a plain listing
// of every page by its full path; each letter typed against the time of one
// frame; and a page shown at its kept place against the same page shown at
// its end.
#include <stdio.h>
#include <string.h>

#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"

namespace {

const int Repeats = 5;

// The floor: every page below a folder listed by its full path.
void ListEveryPage(const std::string &path, std::vector<std::string> *pages) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::string> folders;
  do {
    std::string name = entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name != "." && name != "..") folders.push_back(name);
    } else if (name.size() >= 4 && _stricmp(name.c_str() + name.size() - 4, ".tav") == 0) {
      pages->push_back(path + "\\" + name);
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  for (const std::string &folder : folders) ListEveryPage(path + "\\" + folder, pages);
}

// 1,000 pages shown lately, spread over the notebook.
void RecordPagesShown(const std::string &work) {
  PagesShownRecord.clear();
  char name[80];
  for (int i = 0; i < PAGES_SHOWN_KEPT; ++i) {
    snprintf(name, sizeof name, "\\Top %03d\\sub-%02d\\Page %d.tav", (i * 37) % 100, (i * 53) % 100,
             i % 2);
    NotePageShown(&PagesShownRecord, (work + name).c_str());
  }
  std::reverse(PagesShownRecord.begin(), PagesShownRecord.end());
}

int ListRows(HWND dialog) {
  return static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_OPENPAGE_LIST), LVM_GETITEMCOUNT, 0, 0));
}

void CloseDialog() {
  if (OpenPageDialogWindow() != nullptr) DestroyWindow(OpenPageDialogWindow());
  harness::PumpMessages();
}

// Ctrl+O until the first rows are on the screen, and until the listing
// has ended, slices and messages handled as the message loop handles them.
void MeasureOpening(BenchApp *app, const std::string &work) {
  Runs shown, whole, floor;
  int rowsShown = 0;
  size_t pages = 0;
  for (int run = 0; run < Repeats; ++run) {
    app->Boxes().Handle([](HWND) {});  // the dialog, left open
    double start = BenchSeconds();
    ExecuteCommand(CMD_OPENPAGE);
    HWND dialog = OpenPageDialogWindow();
    UpdateWindow(dialog);
    shown.Add(BenchSeconds() - start);
    rowsShown = ListRows(dialog);
    while (RunIdleStep(1)) harness::PumpMessages();
    UpdateWindow(dialog);
    whole.Add(BenchSeconds() - start);
    pages = static_cast<size_t>(ListRows(dialog));
    CloseDialog();
    std::vector<std::string> listed;
    start = BenchSeconds();
    ListEveryPage(work, &listed);
    floor.Add(BenchSeconds() - start);
  }
  printf("%-34s %9.1f %9.1f %9s %9s %7s %7s  target 50 ms; %d rows shown then\n",
         "Ctrl+O to the pages shown lately", shown.Min() * 1000, shown.Median() * 1000, "", "", "",
         "", rowsShown);
  char what[80];
  snprintf(what, sizeof what, "the whole list (%zu pages)", pages);
  PrintFloorRow(what, whole, floor, "every page listed by full path");
}

// Each text is typed a letter at a time, then taken back a letter at a
// time; every change ranks the 20,000 pages and shows the rows in view.
// The time to the rows listed, and to the rows drawn.
void MeasureTyping(BenchApp *app) {
  app->Boxes().Handle([](HWND) {});
  ExecuteCommand(CMD_OPENPAGE);
  while (RunIdleStep(1)) harness::PumpMessages();
  HWND dialog = OpenPageDialogWindow();
  HWND field = GetDlgItem(dialog, IDC_OPENPAGE_TEXT);
  const wchar_t *texts[] = {L"page 1", L"sub-42", L"t0s0p1", L"zq", L"ge 1"};
  Runs listed, drawn;
  double worst = 0;
  std::wstring worstText;
  for (const wchar_t *text : texts) {
    std::wstring typed;
    std::vector<std::wstring> steps;
    for (const wchar_t *c = text; *c; ++c) steps.push_back(typed += *c);
    for (size_t back = steps.size() - 1; back-- > 0;) steps.push_back(steps[back]);
    steps.push_back(L"");
    for (const std::wstring &step : steps) {
      double start = BenchSeconds();
      SetWindowTextW(field, step.c_str());
      listed.Add(BenchSeconds() - start);
      UpdateWindow(dialog);
      double took = BenchSeconds() - start;
      drawn.Add(took);
      if (took > worst) {
        worst = took;
        worstText = step;
      }
    }
  }
  char worstUtf8[64];
  WideCharToMultiByte(CP_UTF8, 0, worstText.c_str(), -1, worstUtf8, sizeof worstUtf8, nullptr,
                      nullptr);
  printf("%-34s %9.1f %9.1f %9s %9s %7s %7s  target 16 ms; the slowest %.1f ms\n",
         "a letter: 20,000 pages ranked", listed.Min() * 1000, listed.Median() * 1000, "", "", "",
         "", listed.Max() * 1000);
  printf("%-34s %9.1f %9.1f %9s %9s %7s %7s  the slowest %.1f ms, \"%s\"\n", "  ... and the rows drawn",
         drawn.Min() * 1000, drawn.Median() * 1000, "", "", "", "", worst * 1000, worstUtf8);
  fflush(stdout);
  CloseDialog();
}

int TabNamed(const char *name) {
  char label[PATH_BUFFER_SIZE];
  for (int i = 0; i < TabCtrl_GetItemCount(Ui.tabs); ++i)
    if (GetPageName(i, label) && strcmp(label, name) == 0) return i;
  return -1;
}

// The same page shown from a small one, at a place in its middle and at
// its end (no place kept), one after the other.
void MeasurePlace(const std::string &work, const char *label, size_t size) {
  const std::string path = work + "\\" + label + ".tav";
  const int page = TabNamed(label), small = TabNamed("small");
  const LONG middle = static_cast<LONG>(size / 2);
  Runs placed, atEnd;
  for (int run = 0; run < 2 * Repeats; ++run) {
    ShowPage(small);
    harness::PumpMessages();
    const bool withPlace = run % 2 == 0;
    NotePagesDeleted(path.c_str());
    if (withPlace) NotePagePlace(&PagesShownRecord, path.c_str(), PagePlace{middle, middle + 5, middle - 500});
    double start = BenchSeconds();
    ShowPage(page);
    UpdateWindow(Ui.editor);
    (withPlace ? placed : atEnd).Add(BenchSeconds() - start);
    harness::PumpMessages();
  }
  char what[80];
  snprintf(what, sizeof what, "show the %s page at its place", label);
  PrintFloorRow(what, placed, atEnd, "the same page shown at its end");
}

}  // namespace

void RunOpenPageBenchmarks() {
  harness::TempDir folders;
  const std::string many = folders / "many";
  if (!CreateDirectoryA(many.c_str(), nullptr) || !MakeBenchNotebook(many, 100, 100, 2, 1024)) {
    fprintf(stderr, "open page benchmark: cannot make the notebook\n");
    return;
  }
  PrintFloorHeader("Open Page and places (ms, 5 runs)");
  BenchApp app;
  app.StartIn(many);
  RecordPagesShown(many);
  MeasureOpening(&app, many);
  MeasureTyping(&app);
  app.Stop();

  harness::TempDir pages;
  harness::WriteBytes(pages / "small.tav", BenchProse(1024, 7, false));
  harness::WriteBytes(pages / "100 KB.tav", BenchProse(100 * 1024, 8, false));
  harness::WriteBytes(pages / "2 MB.tav", BenchProse(2 * 1024 * 1024, 9, false));
  BenchApp shower;
  shower.StartIn(pages.path());
  MeasurePlace(pages.path(), "100 KB", 100 * 1024);
  MeasurePlace(pages.path(), "2 MB", 2 * 1024 * 1024);
  shower.Stop();
}
