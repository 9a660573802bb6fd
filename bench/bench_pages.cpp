// Pages against their floors: showing a large page and leaving it, saving
// one, and filling the tab strip from a folder of many pages. Each floor is
// the least the platform needs for the same work, measured in the same run:
// a change of page is the page's file read whole, a fresh rich edit made,
// the text streamed in at once and the old control destroyed; a save is the
// text fetched the faster way, written to a new file, flushed and moved over
// the old one; a tab strip is the folder listed, a fresh tab control made
// and filled, the old one destroyed, and its first page shown.
#include <stdio.h>
#include <string.h>

#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ui_handles.h"
#include "bench/bench.h"
#include "editing/editing.h"
#include "harness/harness.h"
#include "pages/pages.h"
#include "tree/tree.h"

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

const int Repeats = 5;

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

// The place of one of the program's children in the main window.
RECT PlaceOf(HWND child) {
  RECT place;
  GetWindowRect(child, &place);
  MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT *>(&place), 2);
  return place;
}

std::string ReadWhole(const std::string &path) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  DWORD size = GetFileSize(file, nullptr);
  bytes.resize(size);
  DWORD got = 0;
  if (size > 0 && ReadFile(file, &bytes[0], size, &got, nullptr)) bytes.resize(got);
  CloseHandle(file);
  return bytes;
}

struct Memory {
  const std::string *text;
  size_t at;
};

DWORD CALLBACK StreamFromMemory(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG *got) {
  Memory *memory = reinterpret_cast<Memory *>(cookie);
  size_t n = std::min<size_t>(capacity, memory->text->size() - memory->at);
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

// The floor of a change of page: the file read whole, a fresh editor on top
// in the program's editor's place that wraps lines as the program's does,
// the text streamed in at once with redraw off, and the floor's old editor
// destroyed. Seconds.
double ChangePageFloor(HWND *editor, const std::string &path) {
  double start = BenchSeconds();
  std::string text = ReadWhole(path);
  HWND fresh = CreateEditorWindow(MainWindow, PlaceOf(Ui.editor));
  SetWindowPos(fresh, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(fresh, EM_SETTARGETDEVICE, 0, wordWrap ? 0 : 1);
  SendMessageA(fresh, WM_SETREDRAW, FALSE, 0);
  Memory memory = {&text, 0};
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&memory);
  stream.pfnCallback = StreamFromMemory;
  SendMessageA(fresh, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  SendMessageA(fresh, WM_SETREDRAW, TRUE, 0);
  if (*editor != nullptr) DestroyWindow(*editor);
  *editor = fresh;
  return BenchSeconds() - start;
}

// What every change of page costs whatever the size.
void SwitchSmall(const std::string &work) {
  Runs switches, floor;
  int small = TabNamed("small");
  int other = TabNamed("small 2");
  HWND floorEditor = nullptr;
  ChangePageFloor(&floorEditor, work + "\\small.tav");
  for (int run = 0; run < 2 * Repeats; ++run) {
    double start = BenchSeconds();
    ShowPage(run % 2 ? small : other);
    switches.Add(BenchSeconds() - start);
    harness::PumpMessages();
    floor.Add(ChangePageFloor(&floorEditor, work + (run % 2 ? "\\small.tav" : "\\small 2.tav")));
    harness::PumpMessages();
  }
  DestroyWindow(floorEditor);
  PrintFloorRow("go from one 1 KB page to another", switches, floor, "read + fresh editor + stream-in");
}

// Showing a page of the given size from a 1 KB page, and leaving it again.
void ShowAndLeave(const std::string &work, const char *label) {
  Runs show, leave, showFloor, leaveFloor;
  int big = TabNamed(label);
  int small = TabNamed("small");
  const std::string bigPath = work + "\\" + label + ".tav";
  const std::string smallPath = work + "\\small.tav";
  HWND floorEditor = nullptr;
  ChangePageFloor(&floorEditor, smallPath);
  for (int run = 0; run < Repeats; ++run) {
    ShowPage(small);
    harness::PumpMessages();
    double start = BenchSeconds();
    ShowPage(big);
    show.Add(BenchSeconds() - start);
    harness::PumpMessages();
    start = BenchSeconds();
    ShowPage(small);
    leave.Add(BenchSeconds() - start);
    harness::PumpMessages();
    showFloor.Add(ChangePageFloor(&floorEditor, bigPath));
    harness::PumpMessages();
    leaveFloor.Add(ChangePageFloor(&floorEditor, smallPath));
    harness::PumpMessages();
  }
  DestroyWindow(floorEditor);
  char what[64];
  snprintf(what, sizeof what, "show the %s page", label);
  PrintFloorRow(what, show, showFloor, "read + fresh editor + stream-in");
  PrintFloorRow("leave it for a 1 KB page", leave, leaveFloor, "the same for the 1 KB page");
}

// The editor's text the faster of the two ways, and how long that took.
double FetchFloor(std::string *text) {
  double start = BenchSeconds();
  LRESULT length = SendMessageA(Ui.editor, WM_GETTEXTLENGTH, 0, 0);
  std::string buffer(length + 1, '\0');
  SendMessageA(Ui.editor, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&buffer[0]));
  double byText = BenchSeconds() - start;

  start = BenchSeconds();
  text->clear();
  text->reserve(length + 16);
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(text);
  stream.pfnCallback = StreamToString;
  SendMessageA(Ui.editor, EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  double byStream = BenchSeconds() - start;
  return std::min(byText, byStream);
}

// A new file written, flushed and moved over the old one.
double ReplaceFloor(const std::string &work, const std::string &text) {
  const std::string temporary = work + "\\floor.tmp";
  double start = BenchSeconds();
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
  MoveFileExA(temporary.c_str(), (work + "\\floor.dat").c_str(),
              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  return BenchSeconds() - start;
}

void SaveLarge(const std::string &work) {
  Runs save, floor;
  ShowPage(TabNamed("5 MB"));
  for (int run = 0; run < Repeats; ++run) {
    SendMessageA(Ui.editor, EM_SETMODIFY, TRUE, 0);
    double start = BenchSeconds();
    SavePageIfModified(CurrentPageIndex);
    save.Add(BenchSeconds() - start);
    std::string text;
    double fetch = FetchFloor(&text);
    floor.Add(fetch + ReplaceFloor(work, text));
  }
  DeleteFileA((work + "\\floor.dat").c_str());
  PrintFloorRow("save the 5 MB page", save, floor, "fetch + write + flush + replace");
}

// The names of a folder's pages, listed by full path.
std::vector<std::string> ListPages(const std::string &folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*.tav").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    names.push_back(name.substr(0, name.size() - 4));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// The floor of a tab strip: the pages listed, a fresh tab control like the
// program's in its place (below the editor) and filled, the floor's old one destroyed, the
// editor's room asked for and the first page shown. Seconds.
double TabStripFloor(HWND *tabs, HWND *editor, const std::string &folder) {
  double start = BenchSeconds();
  std::vector<std::string> names = ListPages(folder);
  RECT place = PlaceOf(Ui.tabs);
  HWND fresh = CreateWindowExA(0, WC_TABCONTROLA, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                               place.left, place.top, place.right - place.left,
                               place.bottom - place.top, MainWindow, nullptr, AppInstance, nullptr);
  SendMessageA(fresh, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  SetWindowPos(fresh, Ui.tabs, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(fresh, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < names.size(); ++i) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = &names[i][0];
    SendMessageA(fresh, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(fresh, WM_SETREDRAW, TRUE, 0);
  SetWindowLongA(fresh, GWL_STYLE, GetWindowLongA(fresh, GWL_STYLE) | TCS_MULTILINE);
  if (*tabs != nullptr) DestroyWindow(*tabs);
  *tabs = fresh;
  RECT room = {0, 0, place.right - place.left, place.bottom - place.top};
  SendMessageA(fresh, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&room));
  double strip = BenchSeconds() - start;
  return strip + ChangePageFloor(editor, folder + "\\" + names.front() + ".tav");
}

HTREEITEM ChildNamed(HTREEITEM parent, const char *label) {
  for (HTREEITEM child = TreeView_GetChild(Ui.tree, parent); child != nullptr;
       child = TreeView_GetNextSibling(Ui.tree, child)) {
    char text[PATH_BUFFER_SIZE];
    if (GetNodeLabel(child, text) && strcmp(text, label) == 0) return child;
  }
  return nullptr;
}

// Rebuilding the tabs of a folder of 2,000 pages that the strip shows already.
void RebuildMany(const std::string &work) {
  const std::string folder = work + "\\many";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (int i = 0; i < 2000; ++i) {
    char name[64];
    snprintf(name, sizeof name, "\\Page %04d.tav", (i * 7919) % 2000);
    harness::WriteBytes(folder + name, "a short page\r\n");
  }
  RefreshTree();
  TreeView_SelectItem(Ui.tree, ChildNamed(TreeView_GetRoot(Ui.tree), "many"));
  harness::PumpMessages();
  HWND floorTabs = nullptr;
  HWND floorEditor = nullptr;
  TabStripFloor(&floorTabs, &floorEditor, folder);
  harness::PumpMessages();
  Runs rebuild, floor;
  for (int run = 0; run < Repeats; ++run) {
    double start = BenchSeconds();
    RebuildPageTabs();
    rebuild.Add(BenchSeconds() - start);
    harness::PumpMessages();
    floor.Add(TabStripFloor(&floorTabs, &floorEditor, folder));
    harness::PumpMessages();
  }
  DestroyWindow(floorTabs);
  DestroyWindow(floorEditor);
  char what[64];
  snprintf(what, sizeof what, "rebuild the tabs of %d pages", TabCtrl_GetItemCount(Ui.tabs));
  PrintFloorRow(what, rebuild, floor, "list + fresh strip + first page");
}

}  // namespace

void RunPageBenchmarks() {
  BenchApp app;
  app.Start();
  const std::string work = app.Work();
  bool made = harness::WriteBytes(work + "\\1 MB.tav", PageText(1 << 20)) &&
              harness::WriteBytes(work + "\\5 MB.tav", PageText(5 << 20)) &&
              harness::WriteBytes(work + "\\small.tav", PageText(1024)) &&
              harness::WriteBytes(work + "\\small 2.tav", PageText(1024));
  if (!made) {
    fprintf(stderr, "pages benchmark: cannot write the pages\n");
    app.Stop();
    return;
  }
  RebuildPageTabs();
  harness::PumpMessages();

  PrintFloorHeader("Pages (ms, 5 runs; 10 for the 1 KB pages)");
  SwitchSmall(work);
  ShowAndLeave(work, "1 MB");
  ShowAndLeave(work, "5 MB");
  SaveLarge(work);
  RebuildMany(work);
  app.Stop();
}
