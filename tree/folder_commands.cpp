// Folder commands: the tree's context menu, renaming a folder in place,
// adding a subfolder, deleting a folder with everything below it, and handing
// a folder to the shell.
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "base/platform_seam.h"
#include "base/ui_handles.h"
#include "pages/pages.h"
#include "tree/tree.h"

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

/* ---- paths ---- */

/* The length of the path a rename gives to something at or below the
   renamed folder. */
static size_t LengthAfterRename(const char *path, const char *oldPath, const char *newPath) {
  return strlen(newPath) + strlen(path) - strlen(oldPath);
}

/* Rewrites a PATH_BUFFER_SIZE path that lies at or below a renamed or moved
   page or folder; other paths stay as they are. */
void FollowRename(char *path, const char *oldPath, const char *newPath) {
  char renamed[PATH_BUFFER_SIZE];
  if (path != nullptr && FollowMove(path, oldPath, newPath, renamed)) strcpy(path, renamed);
}

/* The longest tail ("\child\grandchild...") that the folders below a folder
   add to its path, among those the tree can show: links are not entered, and
   folders already too deep to be named do not count. Read from disk, as most
   of them are not listed in the tree. */
size_t LongestTailBelow(const char *path) {
  std::vector<Subfolder> folders;
  if (!ListSubfolders(path, &folders)) return 0;
  size_t longest = 0;
  char child[PATH_BUFFER_SIZE];
  for (const Subfolder &folder : folders) {
    if (!JoinPath(path, folder.name.c_str(), child)) continue;
    size_t tail = 1 + folder.name.size() + (folder.isLink ? 0 : LongestTailBelow(child));
    if (tail > longest) longest = tail;
  }
  return longest;
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

/* ---- rename ---- */

void SetNodeLabel(HTREEITEM node, const char *label) {
  TVITEMA item = {};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = const_cast<char *>(label);
  TreeView_SetItem(Ui.tree, &item);
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
  WatchFolderShown();
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

/* ---- context menu ---- */

/* The node under the mouse pointer, if any. */
static HTREEITEM NodeUnderCursor() {
  TVHITTESTINFO hit = {};
  if (!GetCursorPos(&hit.pt) || !ScreenToClient(Ui.tree, &hit.pt)) return nullptr;
  HTREEITEM node = TreeView_HitTest(Ui.tree, &hit);
  return (hit.flags & TVHT_ONITEM) ? node : nullptr;
}

/* The node a right click meant: the one the tree drop-highlights for the
   click; where the tree leaves that unset (Wine does), the one under the
   pointer; else the selected one. */
static HTREEITEM RightClickTarget() {
  HTREEITEM target = TreeView_GetDropHilight(Ui.tree);
  if (target == nullptr) target = NodeUnderCursor();
  if (target == nullptr) target = SelectedTreeNode();
  return target;
}

/* The right click selects its node (which shows that folder's pages) and
   offers the folder commands at the pointer: the root's pop-up for the work
   folder, the other for any folder below it. No menu is offered for a node
   the selection could not move to. */
LRESULT OnTreeRightClick() {
  if (Ui.tree == nullptr) return 0;
  HTREEITEM target = RightClickTarget();
  if (target == nullptr) return 0;
  bool isRoot = !TreeHasParent(target);
  TreeView_SelectItem(Ui.tree, target);
  // When the page shown could not be saved the selection stayed where it
  // was (the error has been shown); a menu now would act on that folder.
  if (SelectedTreeNode() != target) return 1;
  POINT at = {};
  GetCursorPos(&at);
  HMENU menu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDM_CONTEXT));
  if (menu == nullptr) return 0;
  HMENU popup = GetSubMenu(menu, isRoot ? 1 : 0);
  if (popup != nullptr) {
    SetMenuDefaultItem(popup, CMD_ADDFOLDER, FALSE);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, MainWindow, nullptr);
  }
  DestroyMenu(menu);
  return 1;
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

/* Deletes the page files of the current directory. The pattern also matches
   8.3 short names (so "x.tavx" would be listed); only names ending in ".tav"
   are pages. The first file that cannot be deleted is reported and ends the
   listing. */
static bool DeletePageFiles() {
  FolderListing listing;
  if (!StartListing("*.tav", &listing)) return true;
  bool deleted = true;
  ListedEntry found;
  // A page whose name the code page cannot hold is not deleted under
  // another spelling: it stays, and the folder with it.
  while (NextListed(&listing, &found)) {
    if ((found.attributes & FILE_ATTRIBUTE_DIRECTORY) || found.name[0] == '\0' ||
        !IsPageFileName(found.name))
      continue;
    if (!DeleteFileA(found.name)) {
      ShowSystemError(found.name);
      deleted = false;
      break;
    }
  }
  EndListing(&listing);
  return deleted;
}

/* Whether the directory at path is a link to a directory elsewhere. A
   reparse point whose kind cannot be read counts as a link: a deletion must
   never enter one. */
bool IsLinkToElsewhere(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(path, &entry);
  if (search == INVALID_HANDLE_VALUE) return true;
  FindClose(search);
  return !NamesEqualIgnoringAsciiCase(entry.cFileName, PathFindFileNameA(path)) ||
         IsDirectoryLink(entry.dwFileAttributes, entry.dwReserved0);
}

/* A link opened as itself, to be deleted or renamed: only when what was
   opened is the reparse point. Wine 8 opens what the link leads to whatever
   the flags; then nothing is opened (access denied). */
HANDLE OpenLinkItself(const char *path) {
  HANDLE link = CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                            nullptr);
  if (link == INVALID_HANDLE_VALUE) return link;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(link, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return link;
  CloseHandle(link);
  SetLastError(ERROR_ACCESS_DENIED);
  return INVALID_HANDLE_VALUE;
}

/* Removes a link to a directory, never what it leads to: had the platform
   opened the directory it leads to instead, nothing is deleted.
   (RemoveDirectory is not used: under Wine it removes the directory a link
   leads to when that is empty, and leaves the link.) */
static bool RemoveDirectoryLink(const char *path) {
  HANDLE link = OpenLinkItself(path);
  if (link == INVALID_HANDLE_VALUE) return false;
  FILE_DISPOSITION_INFO disposition = {TRUE};
  bool removed =
      SetFileInformationByHandle(link, FileDispositionInfo, &disposition, sizeof disposition);
  DWORD error = GetLastError();
  CloseHandle(link);
  SetLastError(error);
  return removed;
}

/* Deletes a folder's subtree, children first in tree order (listed first
   where they are not yet), then its pages and the folder itself. The first failure is reported and ends the whole
   deletion. A link to a directory elsewhere is removed as a link: what it
   leads to is not this folder's to delete. The folder is left before it is
   removed: a process's current directory cannot be removed. */
static bool DeleteFolderTree(HTREEITEM node) {
  char path[PATH_BUFFER_SIZE];
  if (!GetFolderPath(node, path)) return false;
  if (IsLinkToElsewhere(path)) {
    if (RemoveDirectoryLink(path)) return true;
    ShowSystemErrorAbout("Cannot remove the link '%s'; the folder it leads to is left as it is",
                         path);
    return false;
  }
  // A folder that cannot be entered is said below, once.
  ListFolderNode(node, false);
  for (HTREEITEM child = TreeView_GetChild(Ui.tree, node); child != nullptr;
       child = TreeView_GetNextSibling(Ui.tree, child))
    if (!DeleteFolderTree(child)) return false;
  if (!SetCurrentDirectoryA(path)) {
    ShowSystemError(path);
    return false;
  }
  DeletePageFiles();  // a failure is reported here and again by the removal below
  if (WorkFolderPath != nullptr) SetCurrentDirectoryA(WorkFolderPath);
  bool removed = RemoveDirectoryA(path) != 0;
  if (removed) return true;
  DWORD error = GetLastError();
  JoinPath(path, "");  // named as a folder, with a trailing separator, where that fits
  SetLastError(error);
  ShowSystemError(path);
  return false;
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
   agreed, then rebuilds the tree to show what is left on disk. The work
   folder itself is never deleted. */
void DeleteFolder() {
  HTREEITEM node = SelectedTreeNode();
  if (node == nullptr || !TreeHasParent(node)) return;
  char path[PATH_BUFFER_SIZE];
  if (!GetFolderPath(node, path) || !ConfirmFolderDelete(path)) return;
  BeginFolderWalk();
  ReleaseFolderShownWatch();
  DeleteFolderTree(node);
  EndFolderWalk();
  DropChangesOfDeletedPage(path);
  NotePagesDeleted(path);
  NoteFolderTreeChanged(path);
  RefreshTree();
}

/* ---- open and explore ---- */

/* Hands the selected folder to the shell, which reports its own failures. */
void OpenFolder(bool explore) {
  HTREEITEM node = SelectedTreeNode();
  char path[PATH_BUFFER_SIZE];
  if (node == nullptr || !GetFolderPath(node, path)) return;
  RunShellVerb(MainWindow, explore ? "explore" : "open", path, SW_SHOWNORMAL);
}
