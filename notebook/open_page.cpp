// Open Page: a modeless dialog with a text field above a list of every page
// below the work folder, the pages shown lately first. The pages come from
// one walk through the notebook, run in slices while the message queue is
// empty; every letter typed ranks them again, and Enter shows the page
// chosen by the page protocol.
#include "pages/pages.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/code_pages.h"
#include "base/dpi.h"
#include "base/list_dialogs.h"
#include "base/ui_handles.h"
#include "editing/editing.h"
#include "notebook/notebook.h"

namespace {

// The list and what was typed, while the dialog is open.
struct PageList {
  bool listing = false;
  char workFolder[PATH_BUFFER_SIZE] = "";
  std::vector<std::string> recent;  // the pages shown lately, when the dialog opened
  size_t recentLooked = 0;          // how many of them were looked for
  NotebookWalk walk;
  std::vector<ListedPage> pages;  // every page found; a page gone keeps its slot
  std::unordered_map<std::string, size_t> known;  // the pages listed, by key
  std::vector<size_t> base;   // the pages listed, in ListedBefore order
  std::vector<size_t> fresh;  // pages found since the rows were last made
  TypedText typed;
  std::vector<size_t> rows;   // the pages that match, best first
  std::vector<size_t> inView; // the rows' pages in view when last drawn
  ULONGLONG shownAt = 0;      // when the pages found were last shown
  ULONGLONG countShownAt = 0; // when the count of rows was last shown
  bool userMoved = false;     // the user chose a row since the last letter typed
  size_t chosen = 0;          // that row's page
  // The folder of the pages listed last, as the rows show it.
  std::string folder;
  std::wstring folderShown;
};

PageList List;
HWND Dialog;
int DpiOfDialog;  // the display's the dialog was last made for
bool Selecting;  // the selection is being set by the program

enum { TYPED_LIMIT = 100 };

HWND Control(int id) { return Dialog != nullptr ? GetDlgItem(Dialog, id) : nullptr; }

/* ---- the pages listed ---- */

// Paths name one page whatever the letter case of their ASCII letters, as
// FolderPathsEqual compares them.
std::string KeyOf(const std::string &path) {
  std::string key = path;
  for (char &c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return key;
}

std::wstring Wide(const char *text) {
  WCHAR wide[PATH_BUFFER_SIZE];
  if (!WideFromCodePage(text, wide, PATH_BUFFER_SIZE)) return std::wstring();
  return wide;
}

/* A page at its full path, listed once; folder: below the work folder. */
void AddPage(const std::string &fullPath, const char *fileName, const std::string &folder,
             size_t recency) {
  std::string key = KeyOf(fullPath);
  if (List.known.count(key) != 0) return;
  if (List.folderShown.empty() || folder != List.folder) {
    List.folder = folder;
    List.folderShown = Wide(folder.c_str());
  }
  std::string name = fileName;
  name.resize(name.size() - 4);  // without ".tav"
  ListedPage page;
  MakeListedPage(fullPath, Wide(name.c_str()), folder.empty() ? L"" : List.folderShown, recency,
                 &page);
  List.known[key] = List.pages.size();
  List.fresh.push_back(List.pages.size());
  List.pages.push_back(std::move(page));
}

/* One of the pages shown lately, when it is still in the notebook. */
void LookForRecentPage() {
  const size_t rank = List.recentLooked++;
  const std::string &path = List.recent[rank];
  const char *below = nullptr;
  if (!PathBelowFolder(path.c_str(), List.workFolder, &below) || !IsPageFile(path.c_str())) return;
  // By characters: under a double-byte code page a trail byte may have a
  // backslash's value.
  const char *fileName = PathFindFileNameA(below);
  if (!IsPageFileName(fileName)) return;
  std::string folder(below, static_cast<size_t>(fileName - below));
  if (!folder.empty()) folder.pop_back();
  AddPage(path, fileName, folder, rank);
}

// The rank of a page among those shown lately, for pages listed again.
size_t RecencyOf(const std::string &path) {
  size_t rank = NOT_SHOWN_LATELY;
  return FindPageShown(PagesShownRecord, path.c_str(), &rank) != nullptr ? rank : NOT_SHOWN_LATELY;
}

void AddWalkedPage(const WalkFolder &folder, const std::string &fileName, bool askRecency) {
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(folder.path.c_str(), fileName.c_str(), path)) return;
  AddPage(path, fileName.c_str(), folder.relative, askRecency ? RecencyOf(path) : NOT_SHOWN_LATELY);
}

bool ListStep() {
  if (List.recentLooked < List.recent.size()) {
    LookForRecentPage();
    return true;
  }
  const WalkFolder *folder = nullptr;
  std::string fileName;
  WalkStepKind step = WalkStep(&List.walk, &folder, &fileName);
  if (step == WALK_PAGE) AddWalkedPage(*folder, fileName, false);
  return step != WALK_END;
}

bool BaseBefore(size_t a, size_t b) { return ListedBefore(List.pages[a], List.pages[b]); }
bool RowBefore(size_t a, size_t b) { return RankedBefore(List.pages[a], List.pages[b]); }

/* The pages found since the last time join the base order and, when they
   match what was typed, the rows: both stay sorted without sorting them
   again. */
void TakeFreshPages() {
  if (List.fresh.empty()) return;
  std::vector<size_t> fresh;
  fresh.swap(List.fresh);
  std::sort(fresh.begin(), fresh.end(), BaseBefore);
  size_t middle = List.base.size();
  List.base.insert(List.base.end(), fresh.begin(), fresh.end());
  std::inplace_merge(List.base.begin(), List.base.begin() + static_cast<long>(middle),
                     List.base.end(), BaseBefore);
  std::vector<size_t> matching;
  RankPages(&List.pages, fresh, List.typed, false, &matching);
  std::sort(matching.begin(), matching.end(), RowBefore);
  middle = List.rows.size();
  List.rows.insert(List.rows.end(), matching.begin(), matching.end());
  std::inplace_merge(List.rows.begin(), List.rows.begin() + static_cast<long>(middle),
                     List.rows.end(), RowBefore);
}

void ForgetPagesWhere(bool (*gone)(const ListedPage &page, const char *folder),
                      const char *folder) {
  auto removed = [&](size_t index) { return gone(List.pages[index], folder); };
  for (size_t index : List.base)
    if (removed(index)) List.known.erase(KeyOf(List.pages[index].fullPath));
  List.base.erase(std::remove_if(List.base.begin(), List.base.end(), removed), List.base.end());
  List.rows.erase(std::remove_if(List.rows.begin(), List.rows.end(), removed), List.rows.end());
  List.fresh.erase(std::remove_if(List.fresh.begin(), List.fresh.end(), removed),
                   List.fresh.end());
}

bool InFolder(const ListedPage &page, const char *folder) {
  const char *path = page.fullPath.c_str();
  const char *name = PathFindFileNameA(path);
  if (name == path) return false;
  std::string parent(path, static_cast<size_t>(name - 1 - path));
  return FolderPathsEqual(parent.c_str(), folder);
}

bool AtOrBelow(const ListedPage &page, const char *folder) {
  return PathIsAtOrBelow(page.fullPath.c_str(), folder);
}

bool InNotebook(const char *folder) {
  const char *below = nullptr;
  return FolderPathsEqual(folder, List.workFolder) || PathBelowFolder(folder, List.workFolder, &below);
}

void BeginPageList() {
  PageList fresh;
  std::swap(List, fresh);
  if (WorkFolderPath == nullptr || WorkFolderPath[0] == '\0') return;
  strcpy(List.workFolder, WorkFolderPath);
  for (const ShownPage &page : PagesShownRecord) List.recent.push_back(page.path);
  EnterWalkFolder(&List.walk, List.workFolder, "");
  List.listing = true;
}

/* ---- the dialog ---- */

// What the list says when no page is in it.
const wchar_t *EmptyListText() {
  if (!List.rows.empty()) return nullptr;
  if (List.typed.folded.empty())
    return List.listing ? L"Listing the pages..." : L"The notebook has no pages.";
  return List.listing ? L"No page matches so far; still listing the pages..."
                      : L"No page matches.";
}

int SelectedRow() { return SelectedListRow(Control(IDC_OPENPAGE_LIST)); }

/* One row selected, the list being single-selection: selecting it drops
   the selection of the row before. Clearing every row first took 50 ms for
   20,000 rows (seen under Wine, one change for each row). */
void SelectRow(int row) {
  if (row < 0) return;
  HWND list = Control(IDC_OPENPAGE_LIST);
  Selecting = true;
  LVITEMA state = {};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
  SendMessageA(list, LVM_ENSUREVISIBLE, row, FALSE);
  Selecting = false;
}

/* A new count of rows. The list view draws its scroll bars as it is told
   the count, whatever the count and whether or not it changed: 12 to 30 ms
   under Wine, where each SetScrollInfo that redraws takes 6 ms or more.
   Hidden meanwhile, as WM_SETREDRAW hides a window (the list view's own
   WM_SETREDRAW does not spare the bars), the bars are drawn with the rows
   at the next paint. */
void SetRowCount(HWND list, size_t count) {
  if (static_cast<size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) == count) return;
  LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
  SetWindowLongPtrA(list, GWL_STYLE, style & ~WS_VISIBLE);
  SendMessageA(list, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  SetWindowLongPtrA(list, GWL_STYLE, style);
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

/* The rows as they stand: the best match selected, or the row the user
   chose where it now is. While the pages are being listed the count of rows
   (and with it the scroll bar) may lag behind the rows that fill the view. */
void ShowRows(bool countLags = false) {
  HWND list = Control(IDC_OPENPAGE_LIST);
  if (list == nullptr) return;
  size_t count = List.rows.empty() ? 1 : List.rows.size();
  size_t fits = static_cast<size_t>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
  size_t listed = static_cast<size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  if (!countLags || listed < fits || List.rows.empty()) SetRowCount(list, count);
  // Pages found below the rows in view need no drawing, which cost a tenth
  // of the listing's time when done four times a second (seen under Wine).
  size_t top = static_cast<size_t>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  size_t end = top + static_cast<size_t>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
  std::vector<size_t> inView(List.rows.begin() + std::min(top, List.rows.size()),
                             List.rows.begin() + std::min(end, List.rows.size()));
  if (inView.empty() || inView != List.inView) InvalidateRect(list, nullptr, FALSE);
  List.inView.swap(inView);
  int row = List.rows.empty() ? -1 : 0;
  if (List.userMoved) {
    auto at = std::find(List.rows.begin(), List.rows.end(), List.chosen);
    if (at != List.rows.end()) row = static_cast<int>(at - List.rows.begin());
  }
  SelectRow(row);
}

void ShowListingState() {
  if (Dialog != nullptr) SetWindowTextA(Dialog, List.listing ? "Open Page (listing...)" : "Open Page");
}

void RankAgain(bool narrowing) {
  RankPages(&List.pages, List.base, List.typed, narrowing, &List.rows);
}

void OnTyped() {
  HWND field = Control(IDC_OPENPAGE_TEXT);
  WCHAR text[TYPED_LIMIT + 1] = L"";
  GetWindowTextW(field, text, TYPED_LIMIT + 1);
  TypedText typed = FoldTyped(text);
  TakeFreshPages();
  bool narrowing = CanNarrow(List.typed, typed);
  List.typed = typed;
  List.userMoved = false;
  RankAgain(narrowing);
  ShowRows();
}

/* Enter: the page of the row chosen is shown, and the dialog has done its
   work. While the main window asks a question, the page it asks about
   stays as it is. */
void OpenChosenRow() {
  if (MainWindowWaitsForUser()) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  int row = SelectedRow();
  if (row < 0 || static_cast<size_t>(row) >= List.rows.size()) {
    MessageBeep(MB_OK);
    return;
  }
  const std::string path = List.pages[List.rows[static_cast<size_t>(row)]].fullPath;
  ShowOutcome outcome = ShowPageAt(path.c_str());
  if (outcome == PAGE_NOT_LEFT) return;
  if (outcome == PAGE_NOT_FOUND) {
    char message[MESSAGE2_BUFFER_SIZE];
    snprintf(message, sizeof message, "The page '%s' is no longer in the notebook.", path.c_str());
    MessageBoxA(Dialog, message, "Open Page", MB_OK | MB_ICONWARNING);
    NotePageFileChanged(path.c_str());
    return;
  }
  DestroyWindow(Dialog);
  ReturnToEditor();
}

/* Up, Down, Page Up and Page Down in the text field move in the list. */
LRESULT CALLBACK TextFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                               UINT_PTR, DWORD_PTR) {
  if (message == WM_KEYDOWN &&
      (wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR || wParam == VK_NEXT)) {
    SendMessageA(Control(IDC_OPENPAGE_LIST), WM_KEYDOWN, wParam, lParam);
    return 0;
  }
  return DefSubclassProc(field, message, wParam, lParam);
}

void FillCell(NMLVDISPINFOW *info) {
  if (!(info->item.mask & LVIF_TEXT) || info->item.cchTextMax <= 0) return;
  std::wstring text;
  const size_t row = static_cast<size_t>(info->item.iItem);
  if (List.rows.empty()) {
    if (info->item.iSubItem == 0 && EmptyListText() != nullptr) text = EmptyListText();
  } else if (row < List.rows.size()) {
    const ListedPage &page = List.pages[List.rows[row]];
    text = info->item.iSubItem == 0 ? page.name
                                    : (page.folder.empty() ? L"(work folder)" : page.folder);
  }
  lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
}

INT_PTR OnNotify(NMHDR *header) {
  if (header->idFrom != IDC_OPENPAGE_LIST) return FALSE;
  switch (header->code) {
    case LVN_GETDISPINFOW:
      FillCell(reinterpret_cast<NMLVDISPINFOW *>(header));
      return TRUE;
    case LVN_ITEMCHANGED: {
      const NMLISTVIEW *change = reinterpret_cast<NMLISTVIEW *>(header);
      int row = change->iItem;
      if (!Selecting && (change->uNewState & LVIS_SELECTED) && row >= 0 &&
          static_cast<size_t>(row) < List.rows.size()) {
        List.userMoved = true;
        List.chosen = List.rows[static_cast<size_t>(row)];
      }
      return TRUE;
    }
    case NM_DBLCLK:
      OpenChosenRow();
      return TRUE;
  }
  return FALSE;
}

void Layout(HWND dialog) {
  RECT client;
  GetClientRect(dialog, &client);
  RECT unit = {0, 0, 6, 4};
  MapDialogRect(dialog, &unit);
  const int margin = unit.right, gap = unit.bottom;
  HWND field = GetDlgItem(dialog, IDC_OPENPAGE_TEXT);
  RECT text;
  GetWindowRect(field, &text);
  const int height = text.bottom - text.top;
  const int width = client.right - 2 * margin;
  SetWindowPos(field, nullptr, margin, margin, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  const int top = margin + height + gap;
  HWND list = GetDlgItem(dialog, IDC_OPENPAGE_LIST);
  SetWindowPos(list, nullptr, margin, top, width, client.bottom - margin - top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // The folders take the rest of the width, a scroll bar's width left free.
  RECT inside;
  GetClientRect(list, &inside);
  int rest = inside.right - static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0)) -
             MetricForDpi(SM_CXVSCROLL, DpiOfDialog);
  if (rest > 0) SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, rest);
}

/* Over the main window, towards its top, where the eye already is. */
void PlaceOverMainWindow(HWND dialog) {
  RECT owner, own;
  if (!GetWindowRect(MainWindow, &owner) || !GetWindowRect(dialog, &own)) return;
  int x = owner.left + ((owner.right - owner.left) - (own.right - own.left)) / 2;
  int y = owner.top + (owner.bottom - owner.top) / 8;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InitDialog(HWND dialog) {
  Dialog = dialog;
  DpiOfDialog = DpiOfWindow(dialog);
  const ListColumn columns[] = {{L"Page", 170, false}, {L"Folder", 250, false}};
  PrepareRowList(GetDlgItem(dialog, IDC_OPENPAGE_LIST), columns, 2, DpiOfDialog);
  HWND field = GetDlgItem(dialog, IDC_OPENPAGE_TEXT);
  SendMessageA(field, EM_LIMITTEXT, TYPED_LIMIT, 0);
  SetWindowSubclass(field, TextFieldProc, 0, 0);
  NoteMadeSize(dialog);
  PlaceOverMainWindow(dialog);
  Layout(dialog);  // the columns did not exist at the first WM_SIZE
}

void EndDialogState() {
  PageList none;
  std::swap(List, none);
  Dialog = nullptr;
}

INT_PTR CALLBACK OpenPageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ListDialogFrameMessage(dialog, message, wParam, lParam, IDC_OPENPAGE_LIST, &DpiOfDialog,
                             Layout))
    return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return FALSE;  // the focus is given when the dialog is shown
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_OPENPAGE_TEXT && HIWORD(wParam) == EN_CHANGE) OnTyped();
      if (LOWORD(wParam) == IDOK) OpenChosenRow();
      if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, OnNotify(reinterpret_cast<NMHDR *>(lParam)));
      return TRUE;
    case WM_DESTROY:
      RemoveWindowSubclass(GetDlgItem(dialog, IDC_OPENPAGE_TEXT), TextFieldProc, 0);
      EndDialogState();
      return TRUE;
  }
  return FALSE;
}

}  // namespace

/* ---- what the program calls ---- */

/* A slice of the listing, milliseconds long or until enough pages are
   found. The first pages found are
   shown at once, the ones found later four times a second and at the end:
   showing them after every slice took twice as long as the listing itself
   (seen under Wine). */
static bool RunListingFor(DWORD milliseconds, size_t enough = static_cast<size_t>(-1)) {
  if (!OpenPageListing()) return false;
  ULONGLONG now = GetTickCount64(), until = now + milliseconds;
  bool more = true;
  do {
    more = ListStep();
  } while (more && (now = GetTickCount64()) < until && List.fresh.size() < enough);
  const bool firstPages = List.base.empty() && !List.fresh.empty();
  if (!more || firstPages || now - List.shownAt >= 250) {
    // The count of rows once a second: it redraws the scroll bar, which
    // took 20 ms each time (seen under Wine).
    const bool count = !more || now - List.countShownAt >= 1000;
    if (count) List.countShownAt = now;
    List.shownAt = now;
    TakeFreshPages();
    ShowRows(!count);
  }
  if (!more) {
    List.listing = false;
    ShowListingState();
  }
  return more;
}

/* The listing begins with the dialog, and its first slice runs at once: the
   pages shown lately are in the list before the first letter is typed. */
void OpenPageDialog() {
  if (Dialog == nullptr) {
    HWND dialog = CreateModelessDialog(IDD_OPENPAGE, OpenPageDialogProc,
                                       "The Open Page dialog could not be opened");
    if (dialog == nullptr) return;
    BeginPageList();
    // A short first slice: the pages shown lately that fill the view are
    // looked for before the dialog is drawn.
    RunListingFor(4, 40);
    ShowListingState();
    ShowWindow(dialog, SW_SHOW);
  }
  FocusDialogField(Dialog, IDC_OPENPAGE_TEXT);
}

HWND OpenPageDialogWindow() { return Dialog; }

bool OpenPageListing() { return Dialog != nullptr && List.listing; }

bool RunOpenPageSlice() { return RunListingFor(16); }

/* The folder is listed again at once; the walk, where it has not passed
   it yet, need not list it. */
void NoteFolderPagesChanged(const char *folder) {
  if (Dialog == nullptr || !InNotebook(folder)) return;
  ForgetPagesWhere(InFolder, folder);
  SkipWalkIn(&List.walk, folder, false);
  const char *below = nullptr;
  NotebookWalk once;
  EnterWalkFolder(&once, folder, PathBelowFolder(folder, List.workFolder, &below) ? below : "");
  for (const std::string &fileName : once.folders.back().pages)
    AddWalkedPage(once.folders.back(), fileName, true);
  TakeFreshPages();
  RankAgain(false);
  ShowRows();
}

void NotePageFileChanged(const char *pagePath) {
  const char *name = PathFindFileNameA(pagePath);
  if (name == pagePath) return;
  NoteFolderPagesChanged(std::string(pagePath, static_cast<size_t>(name - 1 - pagePath)).c_str());
}

/* A folder renamed or deleted, or the notebook listed again: the pages at
   and below the folder are walked again. The work folder itself, or
   another work folder, starts the listing over. */
void NoteFolderTreeChanged(const char *folder) {
  if (Dialog == nullptr) return;
  if (WorkFolderPath == nullptr || !FolderPathsEqual(WorkFolderPath, List.workFolder) ||
      FolderPathsEqual(folder, List.workFolder)) {
    TypedText typed = List.typed;
    BeginPageList();
    List.typed = typed;
  } else if (InNotebook(folder)) {
    ForgetPagesWhere(AtOrBelow, folder);
    SkipWalkIn(&List.walk, folder, true);
    const char *below = nullptr;
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        PathBelowFolder(folder, List.workFolder, &below)) {
      EnterWalkFolder(&List.walk, folder, below);
      List.listing = true;
    }
  }
  RankAgain(false);
  ShowListingState();
  ShowRows();
}
