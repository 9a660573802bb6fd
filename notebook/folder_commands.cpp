// Folder commands: renaming a folder in place, adding a subfolder, and
// deleting a folder with everything below it, with what follows each in the
// pages and the tree.
#include "notebook/notebook.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <vector>

// Characters a folder name given by a rename may not hold.
static const char RefusedNameCharacters[] = "<>:\"\\/|";

// Set while a label edit is open. The tree view may report the end of one
// edit twice (Wine sends a second TVN_ENDLABELEDIT when the edit control
// loses its focus while being closed, and after a cancel that second one
// carries the edit's text); only the first end counts.
static bool FolderEditOpen = false;

static bool TakeFolderEdit() {
  bool open = FolderEditOpen;
  FolderEditOpen = false;
  return open;
}

/* ---- rename ---- */

/* The length of the path a rename gives to something at or below the
   renamed folder. */
static size_t LengthAfterRename(const char *path, const char *oldPath, const char *newPath) {
  return strlen(newPath) + strlen(path) - strlen(oldPath);
}

/* A rename must leave every folder below the node, the page's folder, the
   saved page path and the current directory nameable in 259 characters. A
   name no longer than the old one cannot take a folder below out of range. */
static bool RenameKeepsPathsInRange(const char *oldPath, const char *newPath,
                                    const char *currentDirectory) {
  if (strlen(newPath) > strlen(oldPath) &&
      strlen(newPath) + LongestTailBelow(oldPath) >= PATH_BUFFER_SIZE)
    return false;
  const char *followers[] = {PageFolder, SavedPagePath, currentDirectory};
  for (const char *path : followers)
    if (path != nullptr && PathIsAtOrBelow(path, oldPath) &&
        LengthAfterRename(path, oldPath, newPath) >= PATH_BUFFER_SIZE)
      return false;
  return true;
}

/* Renames a folder's directory. The process's current directory cannot be
   renamed on Windows, so when it lies in the folder the parent becomes
   current for the move; afterwards the page's folder, the saved page path and
   the current directory follow the new name, so the next save finds its
   folder. */
static bool RenameFolderNode(HTREEITEM node, const char *newName) {
  HTREEITEM parent = TreeView_GetParent(Ui.tree, node);
  char oldName[PATH_BUFFER_SIZE];
  char parentPath[PATH_BUFFER_SIZE];
  if (parent == nullptr || !GetNodeLabel(node, oldName) || !GetFolderPath(parent, parentPath))
    return false;
  if (strcmp(oldName, newName) == 0) return false;
  char oldPath[PATH_BUFFER_SIZE];
  char newPath[PATH_BUFFER_SIZE];
  strcpy(oldPath, parentPath);
  strcpy(newPath, parentPath);
  if (!JoinPath(oldPath, oldName)) return false;
  char current[PATH_BUFFER_SIZE];
  DWORD length = GetCurrentDirectoryA(PATH_BUFFER_SIZE, current);
  if (length == 0 || length >= PATH_BUFFER_SIZE) current[0] = '\0';
  if (!JoinPath(newPath, newName) || !RenameKeepsPathsInRange(oldPath, newPath, current)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ShowSystemError(nullptr);
    return false;
  }
  bool stepAside = PathIsAtOrBelow(current, oldPath);
  if (stepAside) SetCurrentDirectoryA(parentPath);
  ReleaseFolderShownWatch();
  char leftAt[PATH_BUFFER_SIZE];
  bool renamed = RenameInFolder(parentPath, oldPath, newPath, leftAt);
  DWORD error = GetLastError();
  // A folder left under a rename's step name is shown under that name, and
  // the page and the paths in it follow it there.
  const char *nowAt = renamed ? newPath : (leftAt[0] != '\0' ? leftAt : nullptr);
  if (nowAt != nullptr) {
    FollowItemMoved(MOVE_FOLDER, oldPath, nowAt);
    if (stepAside) FollowRename(current, oldPath, nowAt);
  }
  if (stepAside) SetCurrentDirectoryA(current);
  WatchFolderShown(PageFolder);
  if (renamed) return true;
  SetLastError(error);
  if (nowAt == nullptr) {
    ShowSystemError(nullptr);
    return false;
  }
  SetNodeLabel(node, PathFindFileNameA(leftAt));
  ShowSystemErrorAbout("The folder could not be renamed, nor given its old name back: it is now '%s'",
                       leftAt);
  return false;
}

/* The root is the work folder itself and never gets a new name from the
   tree; before any other folder's name is edited, the page is saved. */
LRESULT OnBeginFolderRename(HTREEITEM node) {
  if (node == nullptr || TreeView_GetParent(Ui.tree, node) == nullptr) return TRUE;
  SaveCurrentPage();
  FolderEditOpen = true;
  return FALSE;
}

/* The end of a label edit: the new name is accepted only when the directory
   could be renamed. A cancelled or emptied edit keeps the old name quietly;
   a name with a refused character keeps it with a beep. */
LRESULT OnEndFolderRename(NMTVDISPINFOA *info) {
  if (!TakeFolderEdit() || info == nullptr || Ui.tree == nullptr) return FALSE;
  const char *newName = info->item.pszText;
  if (newName == nullptr || newName[0] == '\0') return FALSE;
  if (strpbrk(newName, RefusedNameCharacters) != nullptr) {
    MessageBeep(0xFFFFFFFF);
    return FALSE;
  }
  return RenameFolderNode(info->item.hItem, newName) ? TRUE : FALSE;
}

/* ---- add ---- */

/* A subfolder whose path would pass 259 characters is refused before the
   path is formed. */
static void ReportSubfolderPathTooLong(const char *folder, const char *name) {
  char path[MESSAGE2_BUFFER_SIZE];
  JoinPathForMessage(folder, name, path, sizeof path);
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  ShowSystemError(path);
}

/* Creates a subfolder of the selected folder under the name typed, then
   rebuilds the tree, which keeps the folder of the page last shown selected. */
void AddSubfolder() {
  HTREEITEM node = SelectedTreeNode();
  char folder[PATH_BUFFER_SIZE];
  if (node == nullptr || !GetFolderPath(node, folder)) return;
  char name[PATH_BUFFER_SIZE] = "";
  if (!AskItemName(name, "", true)) return;
  char path[PATH_BUFFER_SIZE];
  strcpy(path, folder);
  if (!JoinPath(path, name)) {
    ReportSubfolderPathTooLong(folder, name);
    return;
  }
  if (!CreateDirectoryA(path, nullptr)) {
    ShowSystemError(path);
    return;
  }
  RefreshTree();
}

/* ---- delete ---- */

static bool ConfirmFolderDelete(const char *path) {
  char question[MESSAGE2_BUFFER_SIZE];  // a long path would cut the question short
  snprintf(question, sizeof question,
           "Warning! This will delete '%s' and all pages and folders below it.\nContinue?", path);
  return MessageBoxA(MainWindow, question, "Delete folder", MB_ICONWARNING | MB_YESNO) == IDYES;
}

/* When the page shown lost its file to the deletion, its unsaved changes go
   with it: saving them would bring the page back into a folder the user
   deleted, or fail there and stop the rebuild. */
static void DropChangesOfDeletedPage(const char *deletedFolder) {
  if (!EditorIsModified() || !PathIsAtOrBelow(PageFolder, deletedFolder)) return;
  char fileName[PATH_BUFFER_SIZE];
  char file[PATH_BUFFER_SIZE];
  if (!GetPageFileName(SelectedTab(), fileName)) return;
  if (!JoinPath(PageFolder, fileName, file)) return;
  if (GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES) return;
  EditorSetModified(false);
  RemoveRecoveryCopy(file);
}

/* Deletes the selected folder with all its pages and folders after the user
   agreed (into the Recycle Bin, TAV keeping a copy for Undo Delete, with
   the unsaved text of the page shown there), then rebuilds the tree to
   show what is left on disk. The work folder itself is never deleted. */
void DeleteFolder() {
  HTREEITEM node = SelectedTreeNode();
  if (node == nullptr || !TreeHasParent(node)) return;
  char path[PATH_BUFFER_SIZE];
  if (!GetFolderPath(node, path)) return;
  PrepareFolderDelete(path);
  if (!ConfirmFolderDelete(path)) return;
  KeepVersionsBeforeDelete(path, true);
  BeginFolderWalk();
  ReleaseFolderShownWatch();
  BeginDelete();
  KeepShownTextOfDeleted(path);
  DeleteFolderTree(node, RecycleBinSteps);
  EndDelete();
  EndFolderWalk();
  DropChangesOfDeletedPage(path);
  FollowItemDeleted(MOVE_FOLDER, path);
  RefreshTree();
}

