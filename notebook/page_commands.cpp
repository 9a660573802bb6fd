// Page commands: New Page, Rename Page and Delete Page. Each works on the
// folder and page it named when it asked, and ends with what follows the
// page made, renamed or deleted.
#include "notebook/notebook.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

// A page file's full path in the folder the tab strip was filled from; the
// last error says why when it does not fit.
static bool PageFilePath(const char *fileName, char *path) {
  return JoinPath(PageFolder, fileName, path);
}

/* An existing file of that name is opened and shown as it is; only a
   missing one is created, so no page is ever emptied here. A page needs a
   folder that is shown: without one there is nowhere to put it. */
void NewPage() {
  if (PageFolder[0] == '\0') return;
  char fileName[PATH_BUFFER_SIZE];
  if (!AskItemName(fileName, "", false)) return;
  char path[PATH_BUFFER_SIZE];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (PageFilePath(fileName, path)) {
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) {
    ShowSystemErrorAbout("Error creating file '%s'", fileName);
    return;
  }
  CloseHandle(file);
  ShowFolderPages(PageFolder, fileName);
  FollowFolderPagesChanged(PageFolder);
}

/* Moves a page file within folder; a change of letter case alone works
   too. leftAt names the file when it was left under a step name. */
static bool MovePageFile(const char *folder, const char *from, const char *to, char *leftAt) {
  leftAt[0] = '\0';
  char fromPath[PATH_BUFFER_SIZE];
  char toPath[PATH_BUFFER_SIZE];
  if (!JoinPath(folder, from, fromPath) || !JoinPath(folder, to, toPath)) return false;
  return RenameInFolder(folder, fromPath, toPath, leftAt);
}

// Whether the editor still shows the page at path: a question names the
// page it acts on, whatever is shown once it is answered.
static bool IsPageShown(const char *path) {
  char shown[PATH_BUFFER_SIZE];
  return ShownPagePath(shown) && strcmp(shown, path) == 0;
}

/* A page left under a rename's step name is named, so that the user knows
   where its text is; the next listing of the folder gives it a page name. */
static void ReportRenameFailure(const char *from, const char *to, const char *leftAt) {
  char message[MESSAGE2_BUFFER_SIZE + PATH_BUFFER_SIZE];
  if (leftAt[0] == '\0')
    snprintf(message, sizeof message, "Error renaming file '%s' to '%s'", from, to);
  else
    snprintf(message, sizeof message,
             "Error renaming file '%s' to '%s'\n"
             "It could not be given its old name back either: the page is now the file '%s'.",
             from, to, leftAt);
  MessageBoxA(MainWindow, message, "Error", MB_OK | MB_ICONSTOP);
}

/* The page's unsaved text is written before its file moves. When that save
   fails the rename stops, as a page change does: moving the file and leaving
   the text to be saved later under the old name would split the page in two.
   The page renamed is the one named in the dialog, in its own folder. */
void RenamePage() {
  int tab = SelectedTab();
  if (tab < 0) return;
  char oldFileName[PATH_BUFFER_SIZE];
  char pageName[PATH_BUFFER_SIZE];
  char folder[PATH_BUFFER_SIZE];
  char oldPath[PATH_BUFFER_SIZE];
  strcpy(folder, PageFolder);
  if (!GetPageFileName(tab, oldFileName) || !GetPageName(tab, pageName) ||
      !JoinPath(folder, oldFileName, oldPath))
    return;
  char newFileName[PATH_BUFFER_SIZE];
  if (!AskItemName(newFileName, pageName, false)) return;
  if (IsPageShown(oldPath) && !SavePageIfModified(CurrentPageIndex)) return;
  char leftAt[PATH_BUFFER_SIZE];
  if (!MovePageFile(folder, oldFileName, newFileName, leftAt)) {
    ReportRenameFailure(oldFileName, newFileName, leftAt);
    return;
  }
  // The page keeps its place and its history under its new name.
  char newPath[PATH_BUFFER_SIZE];
  if (JoinPath(folder, newFileName, newPath)) FollowItemMoved(MOVE_PAGE, oldPath, newPath);
  bool sameFolder = FolderPathsEqual(folder, PageFolder);
  ShowFolderPages(PageFolder, sameFolder ? newFileName : nullptr);
  FollowFolderPagesChanged(folder);
}

/* The page goes to the Recycle Bin, and TAV keeps a copy for Undo Delete,
   with its unsaved text, which is dropped from the editor. A page that
   can't be deleted stays as it was, unsaved changes included. The file
   deleted is the one the question named. */
void DeletePage() {
  int tab = SelectedTab();
  if (tab < 0) return;
  char pageName[PATH_BUFFER_SIZE];
  if (!GetPageName(tab, pageName)) return;
  char fileName[PATH_BUFFER_SIZE];
  char path[PATH_BUFFER_SIZE];
  bool named = GetPageFileName(tab, fileName) && PageFilePath(fileName, path);
  char message[MESSAGE_BUFFER_SIZE];
  snprintf(message, sizeof message, "Delete page '%s'?", pageName);
  if (MessageBoxA(MainWindow, message, "Confirm page delete", MB_YESNO | MB_ICONWARNING) != IDYES)
    return;
  bool deleted = false;
  if (named) {
    KeepVersionsBeforeDelete(path, false);
    BeginDelete();
    KeepShownTextOfDeleted(path);
    deleted = DeleteToRecycleBin(MOVE_PAGE, path);
    DWORD error = GetLastError();
    EndDelete();
    SetLastError(error);
  }
  if (!deleted) {
    ShowSystemErrorAbout("Couldn't delete page '%s'", pageName);
    return;
  }
  if (IsPageShown(path)) EditorSetModified(false);
  FollowItemDeleted(MOVE_PAGE, path);
  ShowFolderPages(PageFolder);
}
