// Deleted Pages: the pages deleted from the notebook shown, by TAV or by
// other programs while TAV showed them, the last deleted first, with their
// folder and when; Restore puts the one chosen back under its name in its
// folder (made again when it is gone), never over anything, and shows it.
#include "notebook/notebook.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/dpi.h"
#include "base/list_dialogs.h"

// One dialog at a time: it is modal.
static struct {
  std::vector<DeletedPage> pages;
  int dpi;
  char restored[PATH_BUFFER_SIZE];  // the page put back, shown once the dialog is closed
} Deleted;

static HWND DeletedList(HWND dialog) { return GetDlgItem(dialog, IDC_DELETED_LIST); }

static void LayOutDeleted(HWND dialog) {
  RECT client = {}, list = {}, button = {};
  GetClientRect(dialog, &client);
  HWND listWindow = DeletedList(dialog);
  HWND restore = GetDlgItem(dialog, IDOK), close = GetDlgItem(dialog, IDCANCEL);
  if (listWindow == nullptr || restore == nullptr || close == nullptr) return;
  GetWindowRect(listWindow, &list);
  GetWindowRect(restore, &button);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&list), 2);
  const int margin = list.left;
  const int buttonWidth = button.right - button.left, buttonHeight = button.bottom - button.top;
  const int buttonTop = client.bottom - margin - buttonHeight;
  SetWindowPos(listWindow, nullptr, margin, margin, client.right - 2 * margin,
               buttonTop - 2 * margin, SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(close, nullptr, client.right - margin - buttonWidth, buttonTop, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(restore, nullptr, client.right - 2 * margin - 2 * buttonWidth, buttonTop, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static std::wstring Wide(const std::string &text) {
  std::wstring wide(text.size() + 1, L'\0');
  if (!WideFromCodePage(text.c_str(), &wide[0], wide.size())) return L"";
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

static std::wstring DeletedWhen(unsigned long long time) {
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

/* A page by its name, its folder below the work folder (the work folder's
   own name for itself). */
static void FillDeletedList(HWND dialog) {
  static const ListColumn columns[] = {
      {L"Page", 130, false}, {L"Folder", 160, false}, {L"Deleted", 130, false}};
  HWND list = DeletedList(dialog);
  PrepareRowList(list, columns, 3, Deleted.dpi);
  std::string folder, name;
  for (size_t i = 0; i < Deleted.pages.size(); ++i) {
    SplitRelativePath(Deleted.pages[i].relative, &folder, &name);
    if (name.size() > 4) name.resize(name.size() - 4);
    int row = static_cast<int>(i);
    SetCell(list, row, 0, Wide(name));
    SetCell(list, row, 1, Wide(folder.empty() ? PathFindFileNameA(WorkFolderPath) : folder));
    SetCell(list, row, 2, DeletedWhen(Deleted.pages[i].deletedAt));
  }
}

/* The folder of a page to put back, made again below the work folder with
   any of its parents that went too. */
static bool MakeFolderAgain(const char *folder) {
  DWORD attributes = GetFileAttributesA(folder);
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!PathIsAtOrBelow(folder, WorkFolderPath) || FolderPathsEqual(folder, WorkFolderPath))
    return false;
  char parent[PATH_BUFFER_SIZE];
  const char *name;
  if (!SplitItemPath(folder, parent, &name) || !MakeFolderAgain(parent)) return false;
  return CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

/* The page's own name when nothing in its folder has it (in any letter
   case), else one the user gives; false when the user gives none. */
static bool ChooseRestoredName(HWND dialog, const char *folder, std::string name,
                               char *fileName) {
  (void)dialog;
  std::string stem = name.substr(0, name.size() - 4);
  strcpy(fileName, name.c_str());
  for (;;) {
    std::vector<std::wstring> names;
    EntryNamesIn(folder, &names);
    if (!NameTakenIn(names, fileName)) return true;
    char typed[PATH_BUFFER_SIZE];
    if (!AskOtherName(typed, stem.c_str(), false, "Restore Page",
                      "That name is taken there. Enter another name:"))
      return false;
    strcpy(fileName, typed);
  }
}

/* Writes the page's last text back as a new file: a name taken meanwhile
   makes the write fail rather than replace anything. */
static void RestoreChosen(HWND dialog) {
  int row = SelectedListRow(DeletedList(dialog));
  if (row < 0 || static_cast<size_t>(row) >= Deleted.pages.size()) return;
  const DeletedPage &page = Deleted.pages[row];
  char path[PATH_BUFFER_SIZE], folder[PATH_BUFFER_SIZE], fileName[PATH_BUFFER_SIZE];
  const char *name = nullptr;
  std::string bytes;
  if (!IsPlainRelativePagePath(page.relative) ||
      !JoinPath(WorkFolderPath, page.relative.c_str(), path) ||
      !SplitItemPath(path, folder, &name) || !ReadDeletedPageText(page, &bytes)) {
    MessageBoxA(dialog, "The page's text could not be read from its history.", "Error",
                MB_OK | MB_ICONSTOP);
    return;
  }
  if (!MakeFolderAgain(folder)) {
    ShowSystemErrorAbout("Error making the folder '%s' again", folder);
    return;
  }
  if (!ChooseRestoredName(dialog, folder, name, fileName)) return;
  if (!WriteNewPageFile(folder, fileName, bytes.data(), bytes.size())) {
    ShowSystemErrorAbout("Error creating file '%s'", fileName);
    return;
  }
  JoinPath(folder, fileName, Deleted.restored);
  ReviveDeletedPage(page, Deleted.restored);
  EndDialog(dialog, IDOK);
}

static INT_PTR CALLBACK DeletedProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ListDialogFrameMessage(dialog, message, wParam, lParam, IDC_DELETED_LIST, &Deleted.dpi,
                             LayOutDeleted))
    return TRUE;
  switch (message) {
    case WM_INITDIALOG: {
      Deleted.dpi = DpiOfWindow(dialog);
      NoteMadeSize(dialog);
      FillDeletedList(dialog);
      LayOutDeleted(dialog);
      HWND list = DeletedList(dialog);
      LVITEMA item = {};
      item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
      SetFocus(list);
      return FALSE;
    }
    case WM_NOTIFY: {
      const NMHDR *header = reinterpret_cast<const NMHDR *>(lParam);
      if (header->idFrom == IDC_DELETED_LIST && header->code == LVN_ITEMCHANGED)
        EnableWindow(GetDlgItem(dialog, IDOK), SelectedListRow(DeletedList(dialog)) >= 0);
      if (header->idFrom == IDC_DELETED_LIST && header->code == NM_DBLCLK) RestoreChosen(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) RestoreChosen(dialog);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

/* The page put back is shown in its folder; the tree is read again first,
   since its folder may have been made again. */
void OpenDeletedPagesDialog() {
  if (WorkFolderPath == nullptr || WorkFolderPath[0] == '\0') return;
  KeepDeletedVersionsNow();
  ListDeletedPages(&Deleted.pages);
  if (Deleted.pages.empty()) {
    MessageBoxA(MainWindow, "No page deleted from this notebook is kept.", "Deleted Pages",
                MB_OK | MB_ICONINFORMATION);
    return;
  }
  Deleted.restored[0] = '\0';
  INT_PTR result = RunProgramDialog(IDD_DELETEDPAGES, MainWindow, DeletedProc, 0);
  Deleted.pages.clear();
  if (result != IDOK || Deleted.restored[0] == '\0') return;
  char restored[PATH_BUFFER_SIZE];
  strcpy(restored, Deleted.restored);
  char folder[PATH_BUFFER_SIZE];
  const char *name;
  if (SplitItemPath(restored, folder, &name)) NoteFolderTreeChanged(folder);
  if (SaveCurrentPage()) {
    RefreshTree();
    ShowPageAt(restored);
  }
  ReturnToEditor();
}
