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
#include "base/ui_handles.h"

// One dialog at a time: it is modal.
static struct {
  char page[PATH_BUFFER_SIZE];
  std::vector<PageVersion> versions;
  std::wstring current;  // the page's text when the dialog opened
  std::wstring chosen;   // the text of the version shown
  std::string chosenBytes;
  bool chosenRead;
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

/* A fresh read-only rich edit in the viewer's place: emptying a long text in
   place takes time that grows with the square of its length. No wrapping,
   so that its lines are the text's lines. It is shown once filled: a hidden
   one takes a long text in about three quarters of the time (seen under
   Wine). */
static HWND MakeViewer(HWND dialog) {
  RECT place = {};
  HWND old = History.viewer != nullptr ? History.viewer : GetDlgItem(dialog, IDC_HISTORY_TEXT);
  if (old != nullptr) {
    GetWindowRect(old, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&place), 2);
    DestroyWindow(old);
  }
  History.viewer = CreateWindowExA(
      WS_EX_CLIENTEDGE, HasRichEdit20 ? "RichEdit20A" : "RICHEDIT", "",
      WS_CHILD | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
          ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
      place.left, place.top, place.right - place.left, place.bottom - place.top, dialog,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_HISTORY_TEXT)), AppInstance, nullptr);
  if (History.viewer == nullptr) return nullptr;
  SendMessageA(History.viewer, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  SendMessageA(History.viewer, EM_SETTARGETDEVICE, 0, 1);
  SendMessageA(History.viewer, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
  SetWindowPos(History.viewer, GetDlgItem(dialog, IDC_HISTORY_NOTE), 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return History.viewer;
}

/* The bytes of a version read as the page reads its own: in the page's
   encoding, or, when they are not text of it (the page was written anew in
   another since), in the encoding they show. */
static bool DecodeVersion(const std::string &bytes, std::wstring *text) {
  if (DecodePageBytes(bytes.data(), bytes.size(), CurrentPageEncoding(), text)) return true;
  PageEncoding encoding;
  return ReadPageText(bytes.data(), bytes.size(), &encoding, text);
}

// The lines that differ, in the system's highlight colours: they read in a
// light scheme and a dark one alike.
static void MarkLines(HWND viewer, const std::vector<LineRange> &ranges) {
  CHARFORMAT2A format = {};
  format.cbSize = sizeof format;
  format.dwMask = CFM_BACKCOLOR | CFM_COLOR;
  format.crBackColor = GetSysColor(COLOR_HIGHLIGHT);
  format.crTextColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE, 1200};
  LONG length = static_cast<LONG>(
      SendMessageA(viewer, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0));
  LONG lines = static_cast<LONG>(SendMessageA(viewer, EM_GETLINECOUNT, 0, 0));
  for (const LineRange &range : ranges) {
    LONG start = static_cast<LONG>(SendMessageA(viewer, EM_LINEINDEX, range.begin, 0));
    LONG end = static_cast<LONG>(range.end) < lines
                   ? static_cast<LONG>(SendMessageA(viewer, EM_LINEINDEX, range.end, 0))
                   : length;
    if (start < 0) continue;
    CHARRANGE selection = {start, end > start ? end : length};
    SendMessageA(viewer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageA(viewer, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  }
  CHARRANGE top = {0, 0};
  SendMessageA(viewer, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&top));
  if (!ranges.empty())
    SendMessageA(viewer, EM_LINESCROLL, 0, static_cast<LPARAM>(ranges.front().begin > 2
                                                                   ? ranges.front().begin - 2
                                                                   : 0));
}

static void SayNote(HWND dialog, const wchar_t *text) {
  SetDlgItemTextW(dialog, IDC_HISTORY_NOTE, text);
}

/* Shows the version of a row, its differences from the page's text marked. */
static void ShowVersion(HWND dialog, int row) {
  History.chosenRead = false;
  History.chosen.clear();
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  HWND viewer = MakeViewer(dialog);
  LayOutHistory(dialog);
  if (viewer == nullptr) return;
  if (row < 0 || static_cast<size_t>(row) >= History.versions.size()) {
    ShowWindow(viewer, SW_SHOWNA);
    return;
  }
  if (!ReadPageVersion(History.page, History.versions[row], &History.chosenBytes) ||
      !DecodeVersion(History.chosenBytes, &History.chosen)) {
    ShowWindow(viewer, SW_SHOWNA);
    SayNote(dialog, L"This version cannot be read: it is damaged, or not text.");
    return;
  }
  SendMessageA(viewer, WM_SETREDRAW, FALSE, 0);
  PagePieces pieces;
  StartPagePieces(&pieces, History.chosen.data(), History.chosen.size());
  bool whole = StreamIntoEditor(viewer, &pieces, false);
  std::vector<LineRange> ranges;
  if (whole) {
    ranges = DifferingLines(History.chosen, History.current);
    MarkLines(viewer, ranges);
  }
  SendMessageA(viewer, WM_SETREDRAW, TRUE, 0);
  ShowWindow(viewer, SW_SHOWNA);
  InvalidateRect(viewer, nullptr, TRUE);
  if (!whole) {
    SayNote(dialog, L"This version is longer than the viewer can hold: only part of it is shown.");
    return;
  }
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
      FillVersionList(dialog);
      MakeViewer(dialog);
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
