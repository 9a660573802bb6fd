// Open Page: a modeless dialog with a text field above the list of every
// page below the work folder, the pages shown lately first; every letter
// typed ranks them again, and Enter shows the page chosen by the page
// protocol.
#include "notebook/notebook.h"
#include "base/theme.h"

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

namespace {

HWND Dialog;
int DpiOfDialog;  // the display's the dialog was last made for
bool Selecting;  // the selection is being set by the program

enum { TYPED_LIMIT = 100 };

HWND Control(int id) { return Dialog != nullptr ? GetDlgItem(Dialog, id) : nullptr; }

// What the list says when no page is in it.
const wchar_t *EmptyListText() {
  if (!PageListing.rows.empty()) return nullptr;
  if (PageListing.typed.folded.empty())
    return PageListing.listing ? L"Listing the pages..." : L"The notebook has no pages.";
  return PageListing.listing ? L"No page matches so far; still listing the pages..."
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

}  // namespace

namespace {

void OnTyped() {
  HWND field = Control(IDC_OPENPAGE_TEXT);
  WCHAR text[TYPED_LIMIT + 1] = L"";
  GetWindowTextW(field, text, TYPED_LIMIT + 1);
  TypedText typed = FoldTyped(text);
  TakeFreshPages();
  bool narrowing = CanNarrow(PageListing.typed, typed);
  PageListing.typed = typed;
  PageListing.userMoved = false;
  RankPageList(narrowing);
  ShowPageRows();
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
  if (row < 0 || static_cast<size_t>(row) >= PageListing.rows.size()) {
    MessageBeep(MB_OK);
    return;
  }
  const std::string path = PageListing.pages[PageListing.rows[static_cast<size_t>(row)]].fullPath;
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
  if (PageListing.rows.empty()) {
    if (info->item.iSubItem == 0 && EmptyListText() != nullptr) text = EmptyListText();
  } else if (row < PageListing.rows.size()) {
    const ListedPage &page = PageListing.pages[PageListing.rows[row]];
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
          static_cast<size_t>(row) < PageListing.rows.size()) {
        PageListing.userMoved = true;
        PageListing.chosen = PageListing.rows[static_cast<size_t>(row)];
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
  SetPageListDialog(dialog);
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
  ForgetPageList();
  Dialog = nullptr;
}

INT_PTR CALLBACK OpenPageDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ListDialogFrameMessage(dialog, message, wParam, lParam, IDC_OPENPAGE_LIST, &DpiOfDialog,
                             Layout))
    return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      ApplyThemeToDialog(dialog);
      return FALSE;  // the focus is given when the dialog is shown
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_OPENPAGE_TEXT && HIWORD(wParam) == EN_CHANGE) OnTyped();
      if (LOWORD(wParam) == IDOK) OpenChosenRow();
      if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, OnNotify(reinterpret_cast<NMHDR *>(lParam)));
      return TRUE;
    case UM_PAGEROWS:
      ShowPageRows(wParam != FALSE);
      return TRUE;
    case UM_PAGELISTING:
      ShowPageListingState();
      return TRUE;
    case WM_DESTROY:
      SetPageListDialog(nullptr);
      RemoveWindowSubclass(GetDlgItem(dialog, IDC_OPENPAGE_TEXT), TextFieldProc, 0);
      EndDialogState();
      return TRUE;
  }
  return FALSE;
}

}  // namespace

/* The rows as they stand: the best match selected, or the row the user
   chose where it now is. While the pages are being listed the count of rows
   (and with it the scroll bar) may lag behind the rows that fill the view. */
void ShowPageRows(bool countLags) {
  HWND list = Control(IDC_OPENPAGE_LIST);
  if (list == nullptr) return;
  size_t count = PageListing.rows.empty() ? 1 : PageListing.rows.size();
  size_t fits = static_cast<size_t>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
  size_t listed = static_cast<size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  if (!countLags || listed < fits || PageListing.rows.empty()) SetRowCount(list, count);
  // Pages found below the rows in view need no drawing, which cost a tenth
  // of the listing's time when done four times a second (seen under Wine).
  size_t top = static_cast<size_t>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  size_t end = top + static_cast<size_t>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
  std::vector<size_t> inView(PageListing.rows.begin() + std::min(top, PageListing.rows.size()),
                             PageListing.rows.begin() + std::min(end, PageListing.rows.size()));
  if (inView.empty() || inView != PageListing.inView) InvalidateRect(list, nullptr, FALSE);
  PageListing.inView.swap(inView);
  int row = PageListing.rows.empty() ? -1 : 0;
  if (PageListing.userMoved) {
    auto at = std::find(PageListing.rows.begin(), PageListing.rows.end(), PageListing.chosen);
    if (at != PageListing.rows.end()) row = static_cast<int>(at - PageListing.rows.begin());
  }
  SelectRow(row);
}

void ShowPageListingState() {
  if (Dialog != nullptr) SetWindowTextA(Dialog, PageListing.listing ? "Open Page (listing...)" : "Open Page");
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
    RunPageListing(4, 40);
    ShowPageListingState();
    ShowWindow(dialog, SW_SHOW);
  }
  FocusDialogField(Dialog, IDC_OPENPAGE_TEXT);
}

HWND OpenPageDialogWindow() { return Dialog; }

