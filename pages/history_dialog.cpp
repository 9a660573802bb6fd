// History: the versions kept of the page shown, newest first, with when and
// why each was kept; the text of the one chosen, read-only, its lines that
// differ from the page's text now marked; and Restore, which puts that text
// into the editor as one change that Undo takes back.
#include "pages/pages.h"

#include <richedit.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/dpi.h"
#include "base/list_dialogs.h"
#include "base/scaling.h"
#include "base/theme.h"
#include "base/ui_handles.h"

// One dialog at a time: it is modal.
static struct {
  char page[PATH_BUFFER_SIZE];
  std::vector<PageVersion> versions;
  std::wstring current;  // the page's text when the dialog opened
  std::wstring chosen;   // the text of the version shown
  std::string chosenBytes;
  bool chosenRead;
  // The viewer draws the lines of the version it shows as they come into
  // sight: a megabyte of text is shown at once.
  std::vector<LineRange> lines;
  std::vector<bool> marked;
  HWND viewer;
  int dpi;
} History;

static HWND VersionList(HWND dialog) { return GetDlgItem(dialog, IDC_HISTORY_LIST); }

/* The list takes a third of what the dialog gains, the text the rest; the
   buttons keep to the lower right corner. */
static void LayOutHistory(HWND dialog) {
  RECT client = {}, list = {}, button = {};
  GetClientRect(dialog, &client);
  HWND listWindow = VersionList(dialog), note = GetDlgItem(dialog, IDC_HISTORY_NOTE);
  HWND restore = GetDlgItem(dialog, IDOK), close = GetDlgItem(dialog, IDCANCEL);
  if (listWindow == nullptr || note == nullptr || restore == nullptr || close == nullptr) return;
  GetWindowRect(listWindow, &list);
  GetWindowRect(restore, &button);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&list), 2);
  RECT noteRect;
  GetWindowRect(note, &noteRect);
  const int margin = list.left, noteHeight = noteRect.bottom - noteRect.top;
  const int width = client.right - 2 * margin;
  const int buttonWidth = button.right - button.left, buttonHeight = button.bottom - button.top;
  const int buttonTop = client.bottom - margin - buttonHeight;
  const int listHeight = (buttonTop - 2 * margin) * 3 / 10;
  const int noteTop = margin + listHeight + margin / 2;
  const int textTop = noteTop + noteHeight + margin / 2;
  SetWindowPos(listWindow, nullptr, margin, margin, width, listHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(note, nullptr, margin, noteTop, width, noteHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  if (History.viewer != nullptr)
    SetWindowPos(History.viewer, nullptr, margin, textTop, width, buttonTop - margin - textTop,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(close, nullptr, client.right - margin - buttonWidth, buttonTop, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(restore, nullptr, client.right - 2 * margin - 2 * buttonWidth, buttonTop, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

/* The viewer in its place in the dialog: a list of the version's lines,
   which the dialog draws (no text is copied into it), read-only; lines are
   chosen and copied whole. */
static HWND MakeViewer(HWND dialog) {
  RECT place = {};
  HWND old = GetDlgItem(dialog, IDC_HISTORY_TEXT);
  if (old != nullptr) {
    GetWindowRect(old, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place), 2);
    DestroyWindow(old);
  }
  History.viewer = CreateWindowExA(
      WS_EX_CLIENTEDGE, "LISTBOX", "",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NODATA |
          LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL | LBS_WANTKEYBOARDINPUT |
          LBS_NOTIFY,
      place.left, place.top, place.right - place.left, place.bottom - place.top, dialog,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_HISTORY_TEXT)), AppInstance, nullptr);
  if (History.viewer == nullptr) return nullptr;
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  SendMessageA(History.viewer, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  HDC dc = GetDC(History.viewer);
  TEXTMETRICW metrics = {};
  HGDIOBJ before = SelectObject(dc, font);
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, before);
  ReleaseDC(History.viewer, dc);
  SendMessageA(History.viewer, LB_SETITEMHEIGHT, 0, metrics.tmHeight > 0 ? metrics.tmHeight : 16);
  SetWindowPos(History.viewer, GetDlgItem(dialog, IDC_HISTORY_NOTE), 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return History.viewer;
}

// A margin of a few pixels at the left of each line.
static int ViewerMargin() { return ScaleForDpi(3, History.dpi); }

/* Wide enough to scroll to the end of the longest line: the line of the
   most characters is measured, tabs and all. */
static void SetViewerWidth(HWND viewer) {
  size_t longest = 0, most = 0;
  for (size_t i = 0; i < History.lines.size(); ++i)
    if (History.lines[i].end - History.lines[i].begin > most) {
      most = History.lines[i].end - History.lines[i].begin;
      longest = i;
    }
  int width = 0;
  if (most > 0) {
    HDC dc = GetDC(viewer);
    HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(viewer, WM_GETFONT, 0, 0)));
    DWORD extent = GetTabbedTextExtentW(dc, History.chosen.data() + History.lines[longest].begin,
                                        static_cast<int>(most > 0x7FFFFFF ? 0x7FFFFFF : most), 0,
                                        nullptr);
    SelectObject(dc, before);
    ReleaseDC(viewer, dc);
    width = LOWORD(extent) + 2 * ViewerMargin();
  }
  SendMessageA(viewer, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
}

/* The lines that differ in the selection's colours, as the editor shows
   selected text, in a light look and a dark one alike; lines chosen in the
   viewer in the colour of a selected tab. */
static void DrawViewerLine(const DRAWITEMSTRUCT *draw) {
  const ThemeColours &colours = CurrentColours();
  size_t line = draw->itemID;
  bool marked = line < History.marked.size() && History.marked[line];
  bool chosen = (draw->itemState & ODS_SELECTED) != 0;
  COLORREF back = marked ? colours.selection : chosen ? colours.faceHot : colours.window;
  COLORREF text = marked ? colours.selectionText : colours.text;
  SetBkColor(draw->hDC, back);
  SetTextColor(draw->hDC, text);
  ExtTextOutW(draw->hDC, 0, 0, ETO_OPAQUE, &draw->rcItem, nullptr, 0, nullptr);
  if (line < History.lines.size()) {
    const LineRange &range = History.lines[line];
    int x = draw->rcItem.left + ViewerMargin();
    size_t count = range.end - range.begin;
    if (count > 0)
      TabbedTextOutW(draw->hDC, x, draw->rcItem.top, History.chosen.data() + range.begin,
                     static_cast<int>(count > 0x7FFFFFF ? 0x7FFFFFF : count), 0, nullptr, x);
  }
  if ((draw->itemState & ODS_FOCUS) || (marked && chosen)) DrawFocusRect(draw->hDC, &draw->rcItem);
}

static void CopyTextToClipboard(HWND owner, const std::wstring &text) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (memory == nullptr) return;
  void *bytes = GlobalLock(memory);
  if (bytes == nullptr) {
    GlobalFree(memory);
    return;
  }
  memcpy(bytes, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  if (!OpenClipboard(owner)) {
    GlobalFree(memory);
    return;
  }
  EmptyClipboard();
  if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
  CloseClipboard();
}

/* Ctrl+C copies the lines chosen, Ctrl+A chooses them all; other keys move
   as in any list. */
static LRESULT OnViewerKey(HWND viewer, WORD key) {
  if (!(GetKeyState(VK_CONTROL) & 0x8000)) return -1;
  if (key == 'A') {
    SendMessageA(viewer, LB_SETSEL, TRUE, -1);
    return -2;
  }
  if (key != 'C') return -1;
  int count = static_cast<int>(SendMessageA(viewer, LB_GETSELCOUNT, 0, 0));
  if (count <= 0) return -2;
  std::vector<int> chosen(static_cast<size_t>(count));
  count = static_cast<int>(
      SendMessageA(viewer, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(chosen.data())));
  std::wstring text;
  for (int i = 0; i < count; ++i) {
    size_t line = static_cast<size_t>(chosen[static_cast<size_t>(i)]);
    if (line >= History.lines.size()) continue;
    if (!text.empty()) text += L"\r\n";
    text.append(History.chosen, History.lines[line].begin,
                History.lines[line].end - History.lines[line].begin);
  }
  CopyTextToClipboard(viewer, text);
  return -2;
}

/* The bytes of a version read as the page reads its own: in the page's
   encoding, or, when they are not text of it (the page was written anew in
   another since), in the encoding they show. */
static bool DecodeVersion(const std::string &bytes, std::wstring *text) {
  if (DecodePageBytes(bytes.data(), bytes.size(), CurrentPageEncoding(), text)) return true;
  PageEncoding encoding;
  return ReadPageText(bytes.data(), bytes.size(), &encoding, text);
}

static void SayNote(HWND dialog, const wchar_t *text) {
  SetDlgItemTextW(dialog, IDC_HISTORY_NOTE, text);
}

/* Shows the version of a row, its differences from the page's text marked. */
static void ShowVersion(HWND dialog, int row) {
  History.chosenRead = false;
  History.chosen.clear();
  History.lines.clear();
  History.marked.clear();
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  HWND viewer = History.viewer;
  if (viewer == nullptr) return;
  SendMessageA(viewer, LB_SETCOUNT, 0, 0);
  if (row < 0 || static_cast<size_t>(row) >= History.versions.size()) return;
  if (!ReadPageVersion(History.page, History.versions[row], &History.chosenBytes) ||
      !DecodeVersion(History.chosenBytes, &History.chosen)) {
    SayNote(dialog, L"This version cannot be read: it is damaged, or not text.");
    return;
  }
  SplitTextLines(History.chosen, &History.lines);
  std::vector<LineRange> ranges = DifferingLines(History.chosen, History.current);
  History.marked.assign(History.lines.size(), false);
  for (const LineRange &range : ranges)
    for (size_t line = range.begin; line < range.end && line < History.marked.size(); ++line)
      History.marked[line] = true;
  if (SendMessageA(viewer, LB_SETCOUNT, History.lines.size(), 0) < 0) {
    History.lines.clear();
    SayNote(dialog, L"This version is longer than the viewer can hold.");
    return;
  }
  SetViewerWidth(viewer);
  if (!ranges.empty())
    SendMessageA(viewer, LB_SETTOPINDEX, ranges.front().begin > 2 ? ranges.front().begin - 2 : 0, 0);
  size_t lines = 0;
  for (const LineRange &range : ranges) lines += range.end - range.begin;
  wchar_t note[160];
  if (lines == 0 && CountLines(History.chosen) == CountLines(History.current))
    swprintf(note, sizeof note / sizeof note[0], L"The same text as the page has now.");
  else if (lines == 0)
    swprintf(note, sizeof note / sizeof note[0],
             L"Each of its lines is in the page's text now, which has lines it lacks.");
  else
    swprintf(note, sizeof note / sizeof note[0],
             L"%u of its %u lines (marked) differ from the page's text now.",
             static_cast<unsigned>(lines), static_cast<unsigned>(CountLines(History.chosen)));
  SayNote(dialog, note);
  History.chosenRead = true;
  EnableWindow(GetDlgItem(dialog, IDOK), !EditorIsReadOnly() || CurrentPageIsProtected());
}

static std::wstring KeptWhen(unsigned long long time) {
  FILETIME utc, local;
  utc.dwLowDateTime = static_cast<DWORD>(time);
  utc.dwHighDateTime = static_cast<DWORD>(time >> 32);
  SYSTEMTIME when;
  wchar_t date[64] = L"", clock[64] = L"";
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &when)) return L"";
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, 64);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &when, nullptr, clock, 64);
  return std::wstring(date) + L" " + clock;
}

static void SetCell(HWND list, int row, int column, const std::wstring &text) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t *>(text.c_str());
  SendMessageW(list, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, column == 0 ? 0 : row,
               reinterpret_cast<LPARAM>(&item));
}

static void FillVersionList(HWND dialog) {
  static const ListColumn columns[] = {
      {L"Kept", 150, false}, {L"Size", 80, true}, {L"Why", 190, false}};
  HWND list = VersionList(dialog);
  PrepareRowList(list, columns, 3, History.dpi);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  wchar_t size[64], why[64];
  for (size_t i = 0; i < History.versions.size(); ++i) {
    const PageVersion &version = History.versions[i];
    int row = static_cast<int>(i);
    SetCell(list, row, 0, KeptWhen(version.name.time));
    StrFormatByteSizeW(static_cast<LONGLONG>(version.size), size, 64);
    SetCell(list, row, 1, size);
    MultiByteToWideChar(CP_UTF8, 0, VersionReasonText(version.name.reason), -1, why, 64);
    SetCell(list, row, 2, why);
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

/* The editor's whole text becomes the version's, as one change Undo takes
   back: the text is streamed in as plain text over a selection of
   everything (never read as rich text, whatever it begins with). The text
   it replaces was kept as a version first. */
static bool PutIntoEditor(const std::wstring &text) {
  if (Ui.editor == nullptr) return false;
  CHARRANGE all = {0, -1};
  SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  PagePieces pieces;
  StartPagePieces(&pieces, text.data(), text.size());
  if (!StreamIntoEditor(Ui.editor, &pieces, true)) {
    // What went in is taken back: the page keeps its text.
    SendMessageA(Ui.editor, EM_UNDO, 0, 0);
    MessageBoxA(MainWindow, "The editor could not take the whole text of that version.", "Error",
                MB_OK | MB_ICONSTOP);
    return false;
  }
  CHARRANGE start = {0, 0};
  SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
  SendMessageA(Ui.editor, EM_SCROLLCARET, 0, 0);
  EditorSetModified(true);
  NoteEditorChanged();
  return true;
}

/* A page shown read-only, its file not text the editor can keep (another
   program wrote bytes of another kind over it), gets the version's bytes
   back in its file, once the user agrees; what the file holds now is kept
   as a version first, and the page is read again. */
static bool RestoreIntoFile(HWND dialog) {
  char folder[PATH_BUFFER_SIZE], message[MESSAGE2_BUFFER_SIZE];
  const char *fileName = nullptr;
  if (!SplitItemPath(History.page, folder, &fileName)) return false;
  snprintf(message, sizeof message,
           "The page '%s' is shown read-only: its file holds what the editor cannot keep.\n"
           "Write this version to its file? What the file holds now is kept in its history.",
           fileName);
  if (MessageBoxA(dialog, message, "History", MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
  std::string now;
  DWORD error = ReadFileAt(History.page, &now);
  if (error == 0 ? !KeepTextAsVersion(History.page, now, REASON_BEFORE_RESTORE)
                 : !IsMissingFileError(error)) {
    SayVersionStoreFailure();
    MessageBoxA(dialog, "What the page's file holds now could not be kept, so it was left as it is.",
                "Error", MB_OK | MB_ICONSTOP);
    return false;
  }
  if (!WritePageFile(folder, fileName, History.chosenBytes.data(), History.chosenBytes.size())) {
    ShowSystemErrorAbout("Error saving to file '%s'", fileName);
    return false;
  }
  ReadShownPageAgain();
  return true;
}

/* Restore acts on the page the dialog was opened for, and only while the
   editor still shows it. */
static void RestoreChosen(HWND dialog) {
  char shown[PATH_BUFFER_SIZE];
  if (!History.chosenRead || !ShownPagePath(shown) || strcmp(shown, History.page) != 0) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  if (CurrentPageIsProtected()) {
    if (RestoreIntoFile(dialog)) EndDialog(dialog, IDOK);
    return;
  }
  if (EditorIsReadOnly()) {
    MessageBeep(MB_ICONWARNING);
    return;
  }
  if (!KeepShownTextAsVersion(REASON_BEFORE_RESTORE)) {
    SayVersionStoreFailure();
    if (MessageBoxA(dialog,
                    "The page's text now could not be kept as a version.\n"
                    "Restore anyway? Undo still takes the restore back.",
                    "History", MB_YESNO | MB_ICONWARNING) != IDYES)
      return;
  }
  if (PutIntoEditor(History.chosen)) EndDialog(dialog, IDOK);
}

static INT_PTR CALLBACK HistoryProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ListDialogFrameMessage(dialog, message, wParam, lParam, IDC_HISTORY_LIST, &History.dpi,
                             LayOutHistory))
    return TRUE;
  switch (message) {
    case WM_INITDIALOG: {
      History.dpi = DpiOfWindow(dialog);
      NoteMadeSize(dialog);
      MakeViewer(dialog);
      FillVersionList(dialog);
      LayOutHistory(dialog);
      HWND list = VersionList(dialog);
      LVITEMA item = {};
      item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
      SetFocus(list);
      return FALSE;
    }
    case WM_NOTIFY: {
      const NMHDR *header = reinterpret_cast<const NMHDR *>(lParam);
      if (header->idFrom == IDC_HISTORY_LIST && header->code == LVN_ITEMCHANGED) {
        const NMLISTVIEW *change = reinterpret_cast<const NMLISTVIEW *>(lParam);
        if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
          ShowVersion(dialog, change->iItem);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) RestoreChosen(dialog);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_DRAWITEM:
      if (wParam != IDC_HISTORY_TEXT) return FALSE;
      DrawViewerLine(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
      return TRUE;
    case WM_VKEYTOITEM:
      if (reinterpret_cast<HWND>(lParam) != History.viewer) return FALSE;
      return static_cast<INT_PTR>(OnViewerKey(History.viewer, LOWORD(wParam)));
    case WM_CTLCOLORLISTBOX:
      if (reinterpret_cast<HWND>(lParam) != History.viewer) return FALSE;
      return reinterpret_cast<INT_PTR>(ThemeBrush(CurrentColours().window));
    case WM_DESTROY:
      History.viewer = nullptr;
      return FALSE;
  }
  return FALSE;
}

void OpenHistoryDialog() {
  char page[PATH_BUFFER_SIZE], message[MESSAGE2_BUFFER_SIZE];
  if (!ShownPagePath(page)) return;
  KeepDeletedVersionsNow();
  std::vector<PageVersion> versions;
  if (!ListPageVersions(page, &versions)) {
    char name[PATH_BUFFER_SIZE];
    if (!GetPageName(CurrentPageIndex, name)) name[0] = '\0';
    snprintf(message, sizeof message, "No earlier version of the page '%s' is kept yet.", name);
    MessageBoxA(MainWindow, message, "History", MB_OK | MB_ICONINFORMATION);
    return;
  }
  bool cutShort = false;
  strcpy(History.page, page);
  History.versions.swap(versions);
  if (!FetchEditorText(&History.current, &cutShort)) History.current.clear();
  History.viewer = nullptr;
  History.chosenRead = false;
  RunProgramDialog(IDD_HISTORY, MainWindow, HistoryProc, 0);
  History.versions.clear();
  std::wstring().swap(History.current);
  std::wstring().swap(History.chosen);
  std::string().swap(History.chosenBytes);
  if (Ui.editor != nullptr) SetFocus(Ui.editor);
}
