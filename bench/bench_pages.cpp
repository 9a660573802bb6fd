// Pages against their floors: showing a large page and leaving it, saving
// one, in each of the encodings pages come in, and filling the tab strip
// from a folder of many pages. Each floor is the least the platform needs
// for the same work, measured in the same run: a change of page is the
// page's file read whole, made UTF-16 by the platform's own conversion, a
// fresh rich edit made, the text streamed in as UTF-16 pieces and the old
// control destroyed; a save is the text fetched as UTF-16 the faster way,
// converted by the platform, written to a new file, flushed and moved over
// the old one; a tab strip is the folder listed, a fresh tab control made
// and filled, the old one destroyed, and its first page shown.
#include <stdio.h>
#include <string.h>

#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "notebook/notebook.h"
#include "editing/editing.h"
#include "harness/harness.h"
#include "base/page_text.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

// The encodings the pages of the benchmark come in.
struct Form {
  const char *name;
  TextForm form;
  UINT codePage;
  bool wide;  // its words may hold any character
};
const Form Forms[] = {
    {"1252", TEXT_CODE_PAGE, 1252, false},
    {"UTF-8", TEXT_UTF8, CP_UTF8, true},
    {"UTF-16", TEXT_UTF16LE, 0, true},
};

// Lines of ordinary prose length, CR LF separated, as UTF-16, up to about
// the size asked once encoded; accented words, and for the Unicode forms
// words in other scripts.
std::wstring PageText(size_t size, const Form &form) {
  static const wchar_t *words[] = {L"note",  L"plan",   L"meeting", L"id\u00e9e", L"draft",
                                   L"caf\u00e9", L"review", L"the",    L"a",        L"and",
                                   L"na\u00efve", L"call", L"\u65e5\u672c", L"\u03a9mega",
                                   L"\U0001F4DA", L"\u0434\u0430"};
  const unsigned wordCount = form.wide ? 16 : 12;
  const size_t unitsWanted = form.form == TEXT_UTF16LE ? size / 2 : size * 10 / 11;
  std::wstring text;
  text.reserve(unitsWanted + 100);
  unsigned seed = 12345;
  size_t lineLength = 0;
  while (text.size() < unitsWanted) {
    seed = seed * 1103515245u + 12345u;
    const wchar_t *word = words[(seed >> 16) % wordCount];
    text += word;
    lineLength += wcslen(word) + 1;
    if (lineLength > 60 + (seed >> 8) % 20) {
      text += L"\r\n";
      lineLength = 0;
    } else {
      text += L' ';
    }
  }
  return text;
}

std::string PageBytes(const std::wstring &text, const Form &form) {
  PageEncoding encoding = {form.form, form.codePage, form.form == TEXT_UTF16LE, BREAKS_CRLF};
  std::string bytes;
  EncodePageText(text.data(), text.size(), encoding, &bytes);
  return bytes;
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
  const std::wstring *text;
  size_t at;
};

// UTF-16 pieces as the editor asks for them, never splitting a CR LF.
DWORD CALLBACK StreamFromMemory(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG *got) {
  Memory *memory = reinterpret_cast<Memory *>(cookie);
  size_t n = std::min<size_t>(static_cast<size_t>(capacity) / 2, memory->text->size() - memory->at);
  if (n > 0 && memory->at + n < memory->text->size() && (*memory->text)[memory->at + n - 1] == L'\r')
    --n;
  memcpy(buffer, memory->text->data() + memory->at, n * 2);
  memory->at += n;
  *got = static_cast<LONG>(n * 2);
  return 0;
}

DWORD CALLBACK StreamToString(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG *taken) {
  reinterpret_cast<std::string *>(cookie)->append(reinterpret_cast<char *>(buffer), size);
  *taken = size;
  return 0;
}

// The platform's own conversion of a file's bytes to UTF-16.
std::wstring Decoded(const std::string &bytes, const Form &form) {
  if (form.form == TEXT_UTF16LE) {
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    memcpy(&text[0], bytes.data() + 2, text.size() * 2);
    return text;
  }
  int units = MultiByteToWideChar(form.codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                  nullptr, 0);
  std::wstring text(units, L'\0');
  MultiByteToWideChar(form.codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                      units);
  return text;
}

// The floor of a change of page: the file read whole and made UTF-16, a
// fresh editor on top in the program's editor's place that wraps lines as
// the program's does, the text streamed in at once with redraw off, and the
// floor's old editor destroyed. Seconds.
double ChangePageFloor(HWND *editor, const std::string &path, const Form &form) {
  double start = BenchSeconds();
  std::wstring text = Decoded(ReadWhole(path), form);
  HWND fresh = CreateEditorWindow(MainWindow, PlaceOf(Ui.editor));
  SetWindowPos(fresh, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(fresh, EM_SETTARGETDEVICE, 0, wordWrap ? 0 : 1);
  SendMessageA(fresh, WM_SETREDRAW, FALSE, 0);
  Memory memory = {&text, 0};
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&memory);
  stream.pfnCallback = StreamFromMemory;
  SendMessageA(fresh, EM_STREAMIN, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
  SendMessageA(fresh, WM_SETREDRAW, TRUE, 0);
  if (*editor != nullptr) DestroyWindow(*editor);
  *editor = fresh;
  return BenchSeconds() - start;
}

const Form &SmallForm() { return Forms[1]; }

// What every change of page costs whatever the size.
void SwitchSmall(const std::string &work) {
  Runs switches, floor;
  int small = TabNamed("small");
  int other = TabNamed("small 2");
  HWND floorEditor = nullptr;
  ChangePageFloor(&floorEditor, work + "\\small.tav", SmallForm());
  for (int run = 0; run < 2 * Repeats; ++run) {
    double start = BenchSeconds();
    ShowPage(run % 2 ? small : other);
    switches.Add(BenchSeconds() - start);
    harness::PumpMessages();
    floor.Add(ChangePageFloor(&floorEditor, work + (run % 2 ? "\\small.tav" : "\\small 2.tav"),
                              SmallForm()));
    harness::PumpMessages();
  }
  DestroyWindow(floorEditor);
  PrintFloorRow("go from one 1 KB page to another", switches, floor, "read + fresh editor + stream-in");
}

// Showing a page from a 1 KB page, and leaving it again.
void ShowAndLeave(const std::string &work, const std::string &label, const Form &form) {
  Runs show, leave, showFloor, leaveFloor;
  int big = TabNamed(label.c_str());
  int small = TabNamed("small");
  const std::string bigPath = work + "\\" + label + ".tav";
  const std::string smallPath = work + "\\small.tav";
  HWND floorEditor = nullptr;
  ChangePageFloor(&floorEditor, smallPath, SmallForm());
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
    showFloor.Add(ChangePageFloor(&floorEditor, bigPath, form));
    harness::PumpMessages();
    leaveFloor.Add(ChangePageFloor(&floorEditor, smallPath, SmallForm()));
    harness::PumpMessages();
  }
  DestroyWindow(floorEditor);
  PrintFloorRow(("show the " + label + " page").c_str(), show, showFloor,
                "read + convert + fresh editor + stream-in");
  PrintFloorRow("leave it for a 1 KB page", leave, leaveFloor, "the same for the 1 KB page");
}

// The editor's text as UTF-16 the faster of the two ways, the platform's
// conversion to the page's bytes, and how long that took.
double FetchFloor(const Form &form, std::string *bytes) {
  double start = BenchSeconds();
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, 1200};
  LRESULT units = SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  std::wstring text(units + 1, L'\0');
  GETTEXTEX request = {static_cast<DWORD>(text.size() * 2), GT_USECRLF, 1200, nullptr, nullptr};
  text.resize(SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                           reinterpret_cast<LPARAM>(&text[0])));
  double byText = BenchSeconds() - start;

  start = BenchSeconds();
  std::string streamed;
  streamed.reserve(units * 2 + 16);
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&streamed);
  stream.pfnCallback = StreamToString;
  SendMessageA(Ui.editor, EM_STREAMOUT, SF_TEXT | SF_UNICODE, reinterpret_cast<LPARAM>(&stream));
  double byStream = BenchSeconds() - start;

  start = BenchSeconds();
  if (form.form == TEXT_UTF16LE) {
    bytes->assign("\xFF\xFE");
    bytes->append(reinterpret_cast<const char *>(text.data()), text.size() * 2);
  } else {
    int size = WideCharToMultiByte(form.codePage, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    bytes->resize(size);
    WideCharToMultiByte(form.codePage, 0, text.data(), static_cast<int>(text.size()), &(*bytes)[0],
                        size, nullptr, nullptr);
  }
  return std::min(byText, byStream) + BenchSeconds() - start;
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

void SaveLarge(const std::string &work, const std::string &label, const Form &form) {
  Runs save, floor;
  ShowPage(TabNamed(label.c_str()));
  for (int run = 0; run < Repeats; ++run) {
    SendMessageA(Ui.editor, EM_SETMODIFY, TRUE, 0);
    double start = BenchSeconds();
    SavePageIfModified(CurrentPageIndex);
    save.Add(BenchSeconds() - start);
    std::string bytes;
    double fetch = FetchFloor(form, &bytes);
    floor.Add(fetch + ReplaceFloor(work, bytes));
  }
  DeleteFileA((work + "\\floor.dat").c_str());
  PrintFloorRow(("save the " + label + " page").c_str(), save, floor,
                "fetch + convert + write + flush + replace");
}

// One recovery copy of a page with unsaved changes, what it costs, and the
// interval that cost sets before the next: the share of the time copies take.
void RecoveryCopyCost(const std::string &label) {
  ShowPage(TabNamed(label.c_str()));
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed"));
  Runs copies;
  for (int run = 0; run < Repeats; ++run) {
    double start = BenchSeconds();
    WriteRecoveryCopy();
    copies.Add(BenchSeconds() - start);
  }
  DWORD interval = NextRecoveryInterval(static_cast<DWORD>(copies.Median() * 1000));
  printf("%-34s %9.1f %9.1f   next copy after %.1f s: %.1f%% of the time\n",
         ("recovery copy of the " + label + " page").c_str(), copies.Min() * 1000,
         copies.Median() * 1000, interval / 1000.0, 100.0 * copies.Median() * 1000 / interval);
  fflush(stdout);
  EditorSetModified(false);
  RemoveShownPagesRecoveryCopy();
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
  return strip + ChangePageFloor(editor, folder + "\\" + names.front() + ".tav", SmallForm());
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
  bool made = harness::WriteBytes(work + "\\small.tav", PageBytes(PageText(1024, SmallForm()), SmallForm())) &&
              harness::WriteBytes(work + "\\small 2.tav", PageBytes(PageText(1024, SmallForm()), SmallForm()));
  for (const Form &form : Forms)
    for (int megabytes : {1, 5}) {
      std::string name = work + "\\" + std::to_string(megabytes) + " MB " + form.name + ".tav";
      made = made && harness::WriteBytes(name, PageBytes(PageText(megabytes << 20, form), form));
    }
  if (!made) {
    fprintf(stderr, "pages benchmark: cannot write the pages\n");
    app.Stop();
    return;
  }
  RebuildPageTabs();
  harness::PumpMessages();

  PrintFloorHeader("Pages (ms, 5 runs; 10 for the 1 KB pages)");
  SwitchSmall(work);
  for (const Form &form : Forms)
    for (int megabytes : {1, 5}) {
      std::string label = std::to_string(megabytes) + " MB " + form.name;
      ShowAndLeave(work, label, form);
      SaveLarge(work, label, form);
    }
  RecoveryCopyCost("1 MB UTF-8");
  RecoveryCopyCost("5 MB UTF-8");
  RebuildMany(work);
  app.Stop();
}
