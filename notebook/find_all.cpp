// Find in All Pages: a modeless dialog that searches every page below the
// work folder, in slices run while the message queue is empty, lists every
// match as it is found, and shows the page of a match chosen in the list.
#include "editing/editing.h"

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
#include "base/ui_handles.h"
#include "editing/text_search.h"
#include "pages/pages.h"
#include "notebook/notebook.h"

namespace {

struct Search {
  bool running = false;
  SearchPattern pattern;
  std::unique_ptr<PageFilter> filter;
  std::vector<FoundRow> rows;
  NotebookWalk walk;
  std::vector<std::string> unreadable;  // the page and why
  size_t onlineOnly = 0;  // pages kept online only, which are not fetched to be searched
  size_t pagesSearched = 0;
  size_t pagesWithMatches = 0;
  char workFolder[PATH_BUFFER_SIZE] = "";
  // The page shown is searched as the editor holds it.
  char shownPage[PATH_BUFFER_SIZE] = "";
  std::wstring shownText;
  // What the dialog shows of the search, and since when.
  size_t shownRows = 0;
  ULONGLONG statusShownAt = 0;
};

Search Current;
HWND Dialog;
int DpiOfDialog;  // the display's the dialog was last made for

// The dialog's controls, by id.
HWND Control(int id) { return Dialog != nullptr ? GetDlgItem(Dialog, id) : nullptr; }

/* ---- the walk ---- */

std::wstring Wide(const std::string &text) {
  WCHAR wide[PATH_BUFFER_SIZE];
  WideFromCodePage(text.c_str(), wide, PATH_BUFFER_SIZE);
  return wide;
}

// The text around a match on its line: what comes before it, cut short, and
// what follows it, tabs shown as blanks.
std::wstring LineAround(const wchar_t *text, size_t length, const TextMatch &match, size_t size) {
  const size_t before = 30, after = 90;
  size_t lineStart = match.at - match.column;
  size_t lineEnd = match.at + size;
  while (lineEnd < length && text[lineEnd] != L'\r' && text[lineEnd] != L'\n') ++lineEnd;
  size_t from = match.column > before ? match.at - before : lineStart;
  size_t to = lineEnd - (match.at + size) > after ? match.at + size + after : lineEnd;
  std::wstring line(text + from, to - from);
  for (wchar_t &c : line)
    if (c == L'\t' || c == L'\0') c = L' ';
  if (from > lineStart) line = L"\u2026" + line;
  if (to < lineEnd) line += L"\u2026";
  return line;
}

void AddRows(const WalkFolder &folder, const char *fileName, const char *path,
             const std::wstring &text) {
  std::vector<TextMatch> matches;
  FindMatches(text.data(), text.size(), Current.pattern, &matches);
  if (matches.empty()) return;
  ++Current.pagesWithMatches;
  char pageName[PATH_BUFFER_SIZE];
  strcpy(pageName, fileName);
  pageName[strlen(pageName) - 4] = '\0';
  for (const TextMatch &match : matches) {
    FoundRow row;
    row.folder = folder.relative;
    row.page = pageName;
    row.pagePath = path;
    row.line = match.line;
    row.column = match.column;
    row.length = Current.pattern.text.size();
    row.text = LineAround(text.data(), text.size(), match, row.length);
    Current.rows.push_back(row);
  }
}

void NoteUnreadable(const WalkFolder &folder, const char *fileName, DWORD error) {
  char reason[200] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reason, sizeof reason, nullptr);
  size_t length = strlen(reason);
  while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n')) reason[--length] = '\0';
  std::string where = folder.relative.empty() ? fileName : folder.relative + "\\" + fileName;
  Current.unreadable.push_back("'" + where + "': " + reason);
}

/* A page's bytes are read whole once; only a page whose bytes may hold a
   match is decoded. */
void SearchPage(const WalkFolder &folder, const char *fileName) {
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(folder.path.c_str(), fileName, path)) return;
  if (Current.shownPage[0] != '\0' && FolderPathsEqual(path, Current.shownPage)) {
    ++Current.pagesSearched;
    AddRows(folder, fileName, path, Current.shownText);
    return;
  }
  // Reading a page a cloud drive keeps online only would fetch it.
  size_t index = folder.nextPage - 1;
  if (index < folder.onlineOnly.size() && folder.onlineOnly[index]) {
    ++Current.onlineOnly;
    return;
  }
  ++Current.pagesSearched;
  std::string bytes;
  DWORD error = ReadFileAt(path, &bytes);
  if (error != 0) {
    NoteUnreadable(folder, fileName, error);
    return;
  }
  // The encoding is detected once, and only when the filter or the decoding
  // needs it: most pages hold no match and are never decoded.
  const bool needsEncoding = Current.filter->NeedsEncoding();
  PageEncoding encoding = {};
  if (needsEncoding)
    encoding = DetectPageEncoding(bytes.data(), bytes.size(), LegacyCodePage(), GetACP());
  bool may = needsEncoding ? Current.filter->MayHoldMatch(bytes.data(), bytes.size(), encoding)
                           : Current.filter->MayHoldMatch(bytes.data(), bytes.size());
  if (!may) return;
  if (!needsEncoding)
    encoding = DetectPageEncoding(bytes.data(), bytes.size(), LegacyCodePage(), GetACP());
  std::wstring text;
  DecodePageBytes(bytes.data(), bytes.size(), encoding, &text);
  AddRows(folder, fileName, path, text);
}

// One step of the walk: a page, or a folder entered. False at the end.
bool SearchStep() {
  const WalkFolder *folder = nullptr;
  std::string fileName;
  WalkStepKind step = WalkStep(&Current.walk, &folder, &fileName);
  if (step == WALK_PAGE) SearchPage(*folder, fileName.c_str());
  return step != WALK_END;
}

void EndWalk() {
  Current.walk.folders.clear();
  Current.running = false;
  Current.filter.reset();
  std::wstring().swap(Current.shownText);
}

/* ---- the dialog ---- */

void ShowStatus() {
  HWND status = Control(IDC_FINDALL_STATUS);
  if (status == nullptr) return;
  char text[200];
  const char *state = Current.running ? "Searching: " : "";
  snprintf(text, sizeof text, "%s%zu %s in %zu of %zu pages searched", state,
           Current.rows.size(), Current.rows.size() == 1 ? "match" : "matches",
           Current.pagesWithMatches, Current.pagesSearched);
  if (!Current.running && !Current.unreadable.empty()) {
    size_t used = strlen(text);
    snprintf(text + used, sizeof text - used, "; %zu could not be read", Current.unreadable.size());
  }
  if (Current.onlineOnly > 0) {
    size_t used = strlen(text);
    snprintf(text + used, sizeof text - used,
             Current.onlineOnly == 1 ? "; %zu page is stored online only and was not searched"
                                     : "; %zu pages are stored online only and were not searched",
             Current.onlineOnly);
  }
  SetWindowTextA(status, text);
}

void ShowRows() {
  HWND list = Control(IDC_FINDALL_RESULTS);
  if (list == nullptr) return;
  Current.shownRows = Current.rows.size();
  SendMessageA(list, LVM_SETITEMCOUNT, Current.rows.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  InvalidateRect(list, nullptr, FALSE);
}

/* Pages that could not be read are named when the search ends. */
void ReportUnreadable() {
  if (Current.unreadable.empty()) return;
  std::string message = Current.unreadable.size() == 1
                            ? std::string("1 page could not be read and was not searched:")
                            : std::to_string(Current.unreadable.size()) +
                                  " pages could not be read and were not searched:";
  const size_t shownAtMost = 15;
  for (size_t i = 0; i < Current.unreadable.size() && i < shownAtMost; ++i)
    message += "\n" + Current.unreadable[i];
  if (Current.unreadable.size() > shownAtMost) message += "\n...";
  MessageBoxA(Dialog != nullptr ? Dialog : MainWindow, message.c_str(), "Find in All Pages",
              MB_OK | MB_ICONWARNING);
}

void ShowRunning(bool running) {
  SetDlgItemTextA(Dialog, IDOK, running ? "&Stop" : "&Find");
}

void FinishSearch() {
  EndWalk();
  if (Dialog != nullptr) {
    ShowRows();
    ShowStatus();
    ShowRunning(false);
  }
  ReportUnreadable();
}

std::wstring FieldText(int id) {
  HWND field = Control(id);
  int length = field != nullptr ? GetWindowTextLengthW(field) : 0;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  if (length > 0) GetWindowTextW(field, &text[0], length + 1);
  text.resize(wcslen(text.c_str()));
  return text;
}

/* The page shown, as the editor holds it now. */
void TakeShownPage() {
  Current.shownPage[0] = '\0';
  if (!ShownPagePath(Current.shownPage) || Ui.editor == nullptr) return;
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, 1200};
  LRESULT units = SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  if (units < 0) units = 0;
  Current.shownText.assign(static_cast<size_t>(units) + 2, L'\0');
  GETTEXTEX request = {};
  request.cb = static_cast<DWORD>(Current.shownText.size() * sizeof(wchar_t));
  request.flags = GT_USECRLF;
  request.codepage = 1200;
  LRESULT copied = SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                reinterpret_cast<LPARAM>(&Current.shownText[0]));
  Current.shownText.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
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
  DpiOfDialog = DpiOfWindow(dialog);
  const ListColumn columns[] = {
      {L"Folder", 110, false}, {L"Page", 110, false}, {L"Line", 45, true}, {L"Text", 420, false}};
  PrepareRowList(GetDlgItem(dialog, IDC_FINDALL_RESULTS), columns, 4, DpiOfDialog);
  SendMessageA(GetDlgItem(dialog, IDC_FINDALL_TEXT), EM_LIMITTEXT, PATH_BUFFER_SIZE, 0);
  NoteMadeSize(dialog);
  if (Current.running) ShowRunning(true);
  ShowRows();
  ShowStatus();
}

// The text shown in a cell of the list.
void FillCell(NMLVDISPINFOW *info) {
  if (!(info->item.mask & LVIF_TEXT) || info->item.iItem < 0 ||
      static_cast<size_t>(info->item.iItem) >= Current.rows.size())
    return;
  const FoundRow &row = Current.rows[info->item.iItem];
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
    } else if (Current.running) {
      StopFindAll();
    } else {
      StartSearchFromDialog();
    }
  } else if (id == IDCANCEL) {
    if (Current.running)
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
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
    case WM_NOTIFY:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT,
                        OnNotify(reinterpret_cast<NMHDR *>(lParam)));
      return TRUE;
    case WM_DESTROY:
      if (Current.running) EndWalk();
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
  FindMatches(text.data() + at, lineEnd - at, Current.pattern, &matches);
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

bool StartFindAll(const SearchPattern &pattern) {
  if (Current.running) EndWalk();
  Current.pattern = pattern;
  Current.rows.clear();
  Current.unreadable.clear();
  Current.pagesSearched = Current.pagesWithMatches = Current.onlineOnly = 0;
  if (WorkFolderPath == nullptr || WorkFolderPath[0] == '\0' || pattern.text.empty()) return false;
  strcpy(Current.workFolder, WorkFolderPath);
  Current.filter.reset(new PageFilter(pattern));
  TakeShownPage();
  EnterWalkFolder(&Current.walk, Current.workFolder, "");
  Current.running = true;
  Current.shownRows = 0;
  Current.statusShownAt = 0;
  if (Dialog != nullptr) {
    ShowRunning(Current.running);
    ShowRows();
    ShowStatus();
  }
  return Current.running;
}

void StopFindAll() {
  if (!Current.running) return;
  FinishSearch();
}

bool FindAllRunning() { return Current.running; }

/* As much of the search as a sixtieth of a second takes, so that a key
   pressed meanwhile waits no longer; the rows found so far are shown. */
bool RunFindAllSlice() {
  if (!Current.running) return false;
  ULONGLONG until = GetTickCount64() + 16;
  bool more = true;
  do {
    more = SearchStep();
  } while (more && GetTickCount64() < until);
  if (!more) {
    FinishSearch();
    return false;
  }
  // New rows are shown at once; the count of pages searched four times a
  // second (drawing it after every slice took a third of the search's time,
  // seen under Wine).
  if (Dialog != nullptr) {
    if (Current.rows.size() != Current.shownRows) ShowRows();
    ULONGLONG now = GetTickCount64();
    if (now - Current.statusShownAt >= 250) {
      ShowStatus();
      Current.statusShownAt = now;
    }
  }
  return true;
}

const std::vector<FoundRow> &FoundRows() { return Current.rows; }
size_t UnreadablePageCount() { return Current.unreadable.size(); }
size_t OnlineOnlyPageCount() { return Current.onlineOnly; }

/* Shows a row's page by the page protocol (the page left is saved first;
   when that fails, nothing moves), its folder and tab selected, and the
   match selected in the editor. */
void OpenFoundRow(size_t index) {
  if (index >= Current.rows.size()) return;
  // A question of the main window names the page and folder it acts on once
  // answered: they stay shown until then.
  if (MainWindowWaitsForUser()) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  const FoundRow row = Current.rows[index];
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
