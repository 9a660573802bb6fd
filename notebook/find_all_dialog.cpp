// Find in All Pages' dialog: the text and options to search for, every
// match listed as it is found, and the page of a match chosen in the list
// shown, its match selected.
#include "notebook/notebook.h"
#include "base/theme.h"

#include <richedit.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/dpi.h"
#include "base/list_dialogs.h"
#include "editing/text_search.h"

namespace {

HWND Dialog;
int DpiOfDialog;  // the display's the dialog was last made for

// The dialog's controls, by id.
HWND Control(int id) { return Dialog != nullptr ? GetDlgItem(Dialog, id) : nullptr; }

/* ---- the dialog ---- */

std::wstring Wide(const std::string &text) {
  WCHAR wide[PATH_BUFFER_SIZE];
  WideFromCodePage(text.c_str(), wide, PATH_BUFFER_SIZE);
  return wide;
}

void ShowStatus() {
  HWND status = Control(IDC_FINDALL_STATUS);
  if (status == nullptr) return;
  char text[320];
  const char *state = FindAllState.running ? "Searching: " : "";
  snprintf(text, sizeof text, "%s%zu %s in %zu of %zu pages searched", state,
           FindAllState.rows.size(), FindAllState.rows.size() == 1 ? "match" : "matches",
           FindAllState.pagesWithMatches, FindAllState.pagesSearched);
  if (!FindAllState.running && !FindAllState.unreadable.empty()) {
    size_t used = strlen(text);
    snprintf(text + used, sizeof text - used, "; %zu could not be read", FindAllState.unreadable.size());
  }
  if (FindAllState.onlineOnly > 0) {
    size_t used = strlen(text);
    snprintf(text + used, sizeof text - used,
             FindAllState.onlineOnly == 1 ? "; %zu page is stored online only and was not searched"
                                     : "; %zu pages are stored online only and were not searched",
             FindAllState.onlineOnly);
  }
  if (!FindAllState.running && FindAllState.indexSetAside) {
    size_t used = strlen(text);
    snprintf(text + used, sizeof text - used,
             "; the search index was damaged and is being made again");
  }
  SetWindowTextA(status, text);
}

void ShowRows() {
  HWND list = Control(IDC_FINDALL_RESULTS);
  if (list == nullptr) return;
  FindAllState.shownRows = FindAllState.rows.size();
  SendMessageA(list, LVM_SETITEMCOUNT, FindAllState.rows.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  InvalidateRect(list, nullptr, FALSE);
}

void ShowRunning(bool running) {
  SetDlgItemTextA(Dialog, IDOK, running ? "&Stop" : "&Find");
}

std::wstring FieldText(int id) {
  HWND field = Control(id);
  int length = field != nullptr ? GetWindowTextLengthW(field) : 0;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  if (length > 0) GetWindowTextW(field, &text[0], length + 1);
  text.resize(wcslen(text.c_str()));
  return text;
}

void StartSearchFromDialog() {
  SearchPattern pattern = {FieldText(IDC_FINDALL_TEXT),
                           IsDlgButtonChecked(Dialog, IDC_FINDALL_CASE) == BST_CHECKED,
                           IsDlgButtonChecked(Dialog, IDC_FINDALL_WORD) == BST_CHECKED};
  if (pattern.text.empty()) return;
  StartFindAll(pattern);
}

void Layout(HWND dialog) {
  RECT client;
  GetClientRect(dialog, &client);
  RECT unit = {0, 0, 6, 6};
  MapDialogRect(dialog, &unit);
  const int margin = unit.right;
  auto place = [&](int id, int left, int top, int right, int bottom) {
    SetWindowPos(GetDlgItem(dialog, id), nullptr, left, top, right - left, bottom - top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  };
  auto rectOf = [&](int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
    return r;
  };
  RECT find = rectOf(IDOK), close = rectOf(IDCANCEL), text = rectOf(IDC_FINDALL_TEXT);
  RECT status = rectOf(IDC_FINDALL_STATUS), list = rectOf(IDC_FINDALL_RESULTS);
  const int buttonWidth = find.right - find.left;
  const int buttonLeft = client.right - margin - buttonWidth;
  place(IDOK, buttonLeft, find.top, client.right - margin, find.bottom);
  place(IDCANCEL, buttonLeft, close.top, client.right - margin, close.bottom);
  place(IDC_FINDALL_TEXT, text.left, text.top, buttonLeft - margin, text.bottom);
  const int statusHeight = status.bottom - status.top;
  place(IDC_FINDALL_STATUS, status.left, client.bottom - margin - statusHeight,
        client.right - margin, client.bottom - margin);
  place(IDC_FINDALL_RESULTS, list.left, list.top, client.right - margin,
        client.bottom - 2 * margin - statusHeight);
}

void InitDialog(HWND dialog) {
  Dialog = dialog;
  SetFindAllDialog(dialog);
  DpiOfDialog = DpiOfWindow(dialog);
  const ListColumn columns[] = {
      {L"Folder", 110, false}, {L"Page", 110, false}, {L"Line", 45, true}, {L"Text", 420, false}};
  PrepareRowList(GetDlgItem(dialog, IDC_FINDALL_RESULTS), columns, 4, DpiOfDialog);
  SendMessageA(GetDlgItem(dialog, IDC_FINDALL_TEXT), EM_LIMITTEXT, PATH_BUFFER_SIZE, 0);
  NoteMadeSize(dialog);
  if (FindAllState.running) ShowRunning(true);
  ShowRows();
  ShowStatus();
}

// The text shown in a cell of the list.
void FillCell(NMLVDISPINFOW *info) {
  if (!(info->item.mask & LVIF_TEXT) || info->item.iItem < 0 ||
      static_cast<size_t>(info->item.iItem) >= FindAllState.rows.size())
    return;
  const FoundRow &row = FindAllState.rows[info->item.iItem];
  std::wstring text;
  switch (info->item.iSubItem) {
    case 0:
      text = row.folder.empty() ? L"(work folder)" : Wide(row.folder);
      break;
    case 1:
      text = Wide(row.page);
      break;
    case 2:
      text = std::to_wstring(row.line);
      break;
    default:
      text = row.text;
  }
  lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
}

int SelectedRow() { return SelectedListRow(Control(IDC_FINDALL_RESULTS)); }

INT_PTR OnNotify(NMHDR *header) {
  if (header->idFrom != IDC_FINDALL_RESULTS) return FALSE;
  if (header->code == LVN_GETDISPINFOW) {
    FillCell(reinterpret_cast<NMLVDISPINFOW *>(header));
    return TRUE;
  }
  if (header->code == NM_DBLCLK) {
    int row = reinterpret_cast<NMITEMACTIVATE *>(header)->iItem;
    if (row >= 0) OpenFoundRow(static_cast<size_t>(row));
    return TRUE;
  }
  return FALSE;
}

/* Enter on a row shows its page; elsewhere it is Find, or Stop while a
   search runs. Escape stops a search that runs, else closes. */
void OnCommand(int id) {
  if (id == IDOK) {
    if (GetFocus() == Control(IDC_FINDALL_RESULTS) && SelectedRow() >= 0) {
      OpenFoundRow(static_cast<size_t>(SelectedRow()));
    } else if (FindAllState.running) {
      StopFindAll();
    } else {
      StartSearchFromDialog();
    }
  } else if (id == IDCANCEL) {
    if (FindAllState.running)
      StopFindAll();
    else
      DestroyWindow(Dialog);
  }
}

INT_PTR CALLBACK FindAllDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ListDialogFrameMessage(dialog, message, wParam, lParam, IDC_FINDALL_RESULTS, &DpiOfDialog,
                             Layout))
    return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      ApplyThemeToDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT,
                        OnNotify(reinterpret_cast<NMHDR *>(lParam)));
      return TRUE;
    case UM_FINDALLSHOW:
      if (wParam & FINDALL_SHOW_ROWS) ShowRows();
      if (wParam & FINDALL_SHOW_STATUS) ShowStatus();
      if (wParam & FINDALL_SHOW_RUNNING) ShowRunning(FindAllState.running);
      return TRUE;
    case WM_DESTROY:
      SetFindAllDialog(nullptr);
      if (FindAllState.running) EndFindAllWalk();
      Dialog = nullptr;
      return TRUE;
  }
  return FALSE;
}

/* The editor's text as paragraphs, each ended by one CR, as its positions
   count them. */
std::wstring EditorParagraphs() {
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE, 1200};
  LRESULT units = SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  std::wstring text(static_cast<size_t>(units > 0 ? units : 0) + 2, L'\0');
  GETTEXTEX request = {};
  request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  request.flags = GT_DEFAULT;
  request.codepage = 1200;
  LRESULT copied = SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                reinterpret_cast<LPARAM>(&text[0]));
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

/* Selects a row's match in the page shown: its line and column, or, when
   the page has changed since, the first match on that line, or the line. */
void SelectMatch(const FoundRow &row) {
  std::wstring text = EditorParagraphs();
  size_t at = 0;
  for (size_t line = 1; line < row.line && at < text.size(); ++at)
    if (text[at] == L'\r') ++line;
  size_t lineEnd = text.find(L'\r', at);
  if (lineEnd == std::wstring::npos) lineEnd = text.size();
  std::vector<TextMatch> matches;
  FindMatches(text.data() + at, lineEnd - at, FindAllState.pattern, &matches);
  size_t start = at, end = at;
  for (const TextMatch &match : matches) {
    if (match.at == row.column || start == end) {
      start = at + match.at;
      end = start + row.length;
    }
    if (match.at == row.column) break;
  }
  CHARRANGE range = {static_cast<LONG>(start), static_cast<LONG>(end)};
  SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  SendMessageA(Ui.editor, EM_SCROLLCARET, 0, 0);
}

}  // namespace

/* ---- what the program calls ---- */

void OpenFindAllDialog() {
  if (Dialog == nullptr) {
    HWND dialog = CreateModelessDialog(IDD_FINDALL, FindAllDialogProc,
                                       "The Find in All Pages dialog could not be opened");
    if (dialog == nullptr) return;
    ShowWindow(dialog, SW_SHOW);
  }
  FocusDialogField(Dialog, IDC_FINDALL_TEXT);
}

HWND FindAllDialogWindow() { return Dialog; }

/* Shows a row's page by the page protocol (the page left is saved first;
   when that fails, nothing moves), its folder and tab selected, and the
   match selected in the editor. */
void OpenFoundRow(size_t index) {
  if (index >= FindAllState.rows.size()) return;
  // A question of the main window names the page and folder it acts on once
  // answered: they stay shown until then.
  if (MainWindowWaitsForUser()) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  const FoundRow row = FindAllState.rows[index];
  ShowOutcome outcome = ShowPageAt(row.pagePath.c_str());
  if (outcome == PAGE_NOT_LEFT) return;
  if (outcome == PAGE_NOT_FOUND) {
    char message[MESSAGE2_BUFFER_SIZE];
    snprintf(message, sizeof message, "The page '%s' is no longer in the notebook.",
             row.pagePath.c_str());
    MessageBoxA(Dialog != nullptr ? Dialog : MainWindow, message, "Find in All Pages",
                MB_OK | MB_ICONWARNING);
    return;
  }
  SelectMatch(row);
  ReturnToEditor();
}
