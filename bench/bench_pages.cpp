// Pages against their floors: showing a large page and leaving it, saving
// one, and filling the tab strip from a folder of many pages. The floors do
// the least the platform allows for the same work: one stream-in of the same
// text into a fresh rich edit, destroying that control, and writing the same
// bytes with WriteFile.
#include <stdio.h>
#include <string.h>

#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ui_handles.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "pages/pages.h"

namespace {


// Lines of ordinary prose length, CR LF separated, up to the size asked.
std::string PageText(size_t size) {
  static const char *words[] = {"note", "plan", "meeting", "idea", "draft", "tomorrow",
                                "review", "the", "a", "and", "list", "call"};
  std::string text;
  text.reserve(size + 100);
  unsigned seed = 12345;
  size_t lineLength = 0;
  while (text.size() < size) {
    seed = seed * 1103515245u + 12345u;
    const char *word = words[(seed >> 16) % 12];
    text += word;
    lineLength += strlen(word) + 1;
    if (lineLength > 60 + (seed >> 8) % 20) {
      text += "\r\n";
      lineLength = 0;
    } else {
      text += ' ';
    }
  }
  text.resize(size);
  if (text.back() == '\r') text.back() = '.';
  return text;
}

double Best(const std::vector<double> &runs) { return *std::min_element(runs.begin(), runs.end()); }

int TabNamed(const char *label) {
  int count = TabCtrl_GetItemCount(Ui.tabs);
  for (int i = 0; i < count; ++i) {
    char text[PATH_BUFFER_SIZE] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(Ui.tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    if (strcmp(text, label) == 0) return i;
  }
  return -1;
}

struct Memory {
  const std::string *text;
  size_t at;
};

DWORD CALLBACK StreamFromMemory(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG *got) {
  Memory *memory = reinterpret_cast<Memory *>(cookie);
  size_t n = std::min<size_t>(std::min<size_t>(capacity, 4096), memory->text->size() - memory->at);
  memcpy(buffer, memory->text->data() + memory->at, n);
  memory->at += n;
  *got = static_cast<LONG>(n);
  return 0;
}

DWORD CALLBACK StreamToString(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG *taken) {
  reinterpret_cast<std::string *>(cookie)->append(reinterpret_cast<char *>(buffer), size);
  *taken = size;
  return 0;
}

struct Floor {
  double streamIn;
  double destroy;
};

// One stream-in of the text into a fresh editor like the program's, and the
// destruction of that editor.
Floor MeasureFloor(const std::string &text) {
  RECT place;
  GetWindowRect(Ui.editor, &place);
  MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT *>(&place), 2);
  HWND editor = CreateEditorWindow(MainWindow, place);
  harness::PumpMessages();
  double start = BenchSeconds();
  SendMessageA(editor, WM_SETREDRAW, FALSE, 0);
  Memory memory = {&text, 0};
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&memory);
  stream.pfnCallback = StreamFromMemory;
  SendMessageA(editor, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  SendMessageA(editor, WM_SETREDRAW, TRUE, 0);
  double streamed = BenchSeconds() - start;
  start = BenchSeconds();
  DestroyWindow(editor);
  double destroyed = BenchSeconds() - start;
  harness::PumpMessages();
  return Floor{streamed, destroyed};
}

void PrintRow(const char *what, double measured, double floor, const char *floorName) {
  printf("%-34s %10.1f %10.1f  %-26s %6.2fx\n", what, measured * 1000, floor * 1000, floorName,
         measured / floor);
}

// What every change of page costs whatever the size: a fresh editor and a
// 1 KB page loaded into it.
void SwitchSmall(int runs) {
  std::vector<double> switches;
  int small = TabNamed("small");
  int other = TabNamed("small 2");
  for (int run = 0; run < runs; ++run) {
    double start = BenchSeconds();
    ShowPage(run % 2 ? small : other);
    switches.push_back(BenchSeconds() - start);
    harness::PumpMessages();
  }
  printf("%-34s %10.1f\n", "go from one 1 KB page to another", Best(switches) * 1000);
}

// Showing a page of the given size from a 1 KB page, and leaving it again.
void ShowAndLeave(const char *label, const std::string &text, int runs) {
  std::vector<double> show, leave, streamIn, destroy;
  int big = TabNamed(label);
  int small = TabNamed("small");
  for (int run = 0; run < runs; ++run) {
    ShowPage(small);
    harness::PumpMessages();
    double start = BenchSeconds();
    ShowPage(big);
    show.push_back(BenchSeconds() - start);
    harness::PumpMessages();
    start = BenchSeconds();
    ShowPage(small);
    leave.push_back(BenchSeconds() - start);
    harness::PumpMessages();
    Floor floor = MeasureFloor(text);
    streamIn.push_back(floor.streamIn);
    destroy.push_back(floor.destroy);
  }
  char what[64];
  snprintf(what, sizeof what, "show the %s page", label);
  PrintRow(what, Best(show), Best(streamIn), "one stream-in");
  snprintf(what, sizeof what, "leave it for a 1 KB page");
  PrintRow(what, Best(leave), Best(destroy), "destroy the control");
}

double WriteFloor(const std::string &path, const std::string &text) {
  double start = BenchSeconds();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
  return BenchSeconds() - start;
}

void SaveLarge(const std::string &work, const std::string &text, int runs) {
  std::vector<double> save, floor, fetchText, fetchStream;
  ShowPage(TabNamed("10 MB"));
  for (int run = 0; run < runs; ++run) {
    SendMessageA(Ui.editor, EM_SETMODIFY, TRUE, 0);
    double start = BenchSeconds();
    SavePageIfModified(CurrentPageIndex);
    save.push_back(BenchSeconds() - start);
    floor.push_back(WriteFloor(work + "\\floor.bin", text));

    start = BenchSeconds();
    LRESULT length = SendMessageA(Ui.editor, WM_GETTEXTLENGTH, 0, 0);
    std::string buffer(length + 1, '\0');
    SendMessageA(Ui.editor, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&buffer[0]));
    fetchText.push_back(BenchSeconds() - start);

    start = BenchSeconds();
    std::string streamed;
    streamed.reserve(text.size() + 16);
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&streamed);
    stream.pfnCallback = StreamToString;
    SendMessageA(Ui.editor, EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    fetchStream.push_back(BenchSeconds() - start);
  }
  DeleteFileA((work + "\\floor.bin").c_str());
  PrintRow("save the 10 MB page", Best(save), Best(floor), "WriteFile + flush");
  PrintRow("", Best(save), Best(floor) + std::min(Best(fetchText), Best(fetchStream)),
           "+ fetching the text");
  printf("%-34s %10.1f\n", "  fetching by WM_GETTEXT", Best(fetchText) * 1000);
  printf("%-34s %10.1f\n", "  fetching by EM_STREAMOUT", Best(fetchStream) * 1000);
}

void RebuildMany(const std::string &work, int runs) {
  std::string folder = work + "\\many";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (int i = 0; i < 2000; ++i) {
    char name[64];
    snprintf(name, sizeof name, "\\Page %04d.tav", (i * 7919) % 2000);
    harness::WriteBytes(folder + name, "a short page\r\n");
  }
  SetCurrentDirectoryA(folder.c_str());
  std::vector<double> rebuild, listing, insertion;
  for (int run = 0; run < runs; ++run) {
    double start = BenchSeconds();
    RebuildPageTabs();
    rebuild.push_back(BenchSeconds() - start);
    harness::PumpMessages();

    start = BenchSeconds();
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.tav").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do names.push_back(found.cFileName);
      while (FindNextFileA(search, &found));
      FindClose(search);
    }
    listing.push_back(BenchSeconds() - start);

    HWND tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE, 0, 0, 600, 100,
                                MainWindow, nullptr, AppInstance, nullptr);
    start = BenchSeconds();
    SendMessageA(tabs, WM_SETREDRAW, FALSE, 0);
    for (size_t i = 0; i < names.size(); ++i) {
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = &names[i][0];
      SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(tabs, WM_SETREDRAW, TRUE, 0);
    SetWindowLongA(tabs, GWL_STYLE, GetWindowLongA(tabs, GWL_STYLE) | TCS_MULTILINE);
    insertion.push_back(BenchSeconds() - start);
    DestroyWindow(tabs);
    harness::PumpMessages();
  }
  PrintRow("rebuild the tabs of 2,000 pages", Best(rebuild), Best(listing) + Best(insertion),
           "listing + tab insertion");
  SetCurrentDirectoryA(work.c_str());
}

}  // namespace

void RunPageBenchmarks() {
  BenchApp app;
  app.Start();
  const std::string work = app.Work();
  const std::string oneMegabyte = PageText(1 << 20);
  const std::string tenMegabytes = PageText(10 << 20);
  bool made = harness::WriteBytes(work + "\\1 MB.tav", oneMegabyte) &&
              harness::WriteBytes(work + "\\10 MB.tav", tenMegabytes) &&
              harness::WriteBytes(work + "\\small.tav", PageText(1024)) &&
              harness::WriteBytes(work + "\\small 2.tav", PageText(1024));
  if (!made) {
    fprintf(stderr, "pages benchmark: cannot write the pages\n");
    app.Stop();
    return;
  }
  RebuildPageTabs();
  harness::PumpMessages();

  printf("\nPages (ms, best of runs)\n");
  printf("%-34s %10s %10s  %-26s %7s\n", "case", "measured", "floor", "floor is", "ratio");
  SwitchSmall(10);
  ShowAndLeave("1 MB", oneMegabyte, 3);
  ShowAndLeave("10 MB", tenMegabytes, 2);
  SaveLarge(work, tenMegabytes, 3);
  RebuildMany(work, 3);
  fflush(stdout);
  app.Stop();
}
