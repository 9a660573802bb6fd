// What the folder commands do in the tree and on disk: the tree's context
// menu, a node's label, the longest path below a folder, deleting a folder
// with everything below it (a link as a link), and handing a folder to the
// shell.
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "base/platform_seam.h"
#include "base/ui_handles.h"
#include "tree/tree.h"

/* ---- paths ---- */

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

/* ---- rename ---- */

void SetNodeLabel(HTREEITEM node, const char *label) {
  TVITEMA item = {};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = const_cast<char *>(label);
  TreeView_SetItem(Ui.tree, &item);
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

/* ---- delete ---- */

/* Deletes the page files of the current directory, which is folder. The
   pattern also matches 8.3 short names (so "x.tavx" would be listed); only
   names ending in ".tav" are pages. A failure has been reported. */
static bool DeletePageFiles(const char *folder, const FolderDeleteSteps &steps) {
  FolderListing listing;
  if (!StartListing("*.tav", &listing)) return true;
  std::vector<std::string> names;
  ListedEntry found;
  // A page whose name the code page cannot hold is not deleted under
  // another spelling: it stays, and the folder with it.
  while (NextListed(&listing, &found))
    if (!(found.attributes & FILE_ATTRIBUTE_DIRECTORY) && found.name[0] != '\0' &&
        IsPageFileName(found.name))
      names.push_back(found.name);
  EndListing(&listing);
  return names.empty() || steps.pages(folder, names);
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

/* Whether a folder of the notebook is a link, or lies below one, counted
   from the work folder down. The tree never lists what a link leads to, and
   a rename into one takes the item out of the notebook, or into the folder
   being moved when the link leads below it. The path is walked a character
   at a time: a trail byte may have a separator's value. */
bool FolderIsReachedThroughLink(const char *folder) {
  const char *below = nullptr;
  if (WorkFolderPath == nullptr || !PathBelowFolder(folder, WorkFolderPath, &below)) return false;
  char step[PATH_BUFFER_SIZE];
  for (const char *c = below;; c = CharNextA(c)) {
    if (*c != '\\' && *c != '\0') continue;
    size_t length = static_cast<size_t>(c - folder);
    if (length >= PATH_BUFFER_SIZE) return false;
    memcpy(step, folder, length);
    step[length] = '\0';
    if (IsLinkToElsewhere(step)) return true;
    if (*c == '\0') return false;
  }
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
bool DeleteFolderTree(HTREEITEM node, const FolderDeleteSteps &steps) {
  char path[PATH_BUFFER_SIZE];
  if (!GetFolderPath(node, path)) return false;
  bool failed = false;
  if (!IsLinkToElsewhere(path) && steps.wholeFolder(path, &failed)) return true;
  if (failed) return false;
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
    if (!DeleteFolderTree(child, steps)) return false;
  if (!SetCurrentDirectoryA(path)) {
    ShowSystemError(path);
    return false;
  }
  DeletePageFiles(path, steps);  // a failure is reported here and again by the removal below
  if (WorkFolderPath != nullptr) SetCurrentDirectoryA(WorkFolderPath);
  bool removed = RemoveDirectoryA(path) != 0;
  if (removed) return true;
  DWORD error = GetLastError();
  JoinPath(path, "");  // named as a folder, with a trailing separator, where that fits
  SetLastError(error);
  ShowSystemError(path);
  return false;
}

/* ---- open and explore ---- */

/* Hands the selected folder to the shell, which reports its own failures. */
void OpenFolder(bool explore) {
  HTREEITEM node = SelectedTreeNode();
  char path[PATH_BUFFER_SIZE];
  if (node == nullptr || !GetFolderPath(node, path)) return;
  RunShellVerb(MainWindow, explore ? "explore" : "open", path, SW_SHOWNORMAL);
}

/* A page's or folder's volume and index, read without opening its data; a
   link is asked about itself, not about what it leads to. */
bool ItemInformationOf(const char *path, bool isLink, BY_HANDLE_FILE_INFORMATION *info) {
  if (!isLink) return ItemInformationAt(path, info);
  HANDLE link = OpenLinkItself(path);
  if (link == INVALID_HANDLE_VALUE) return false;
  bool known = GetFileInformationByHandle(link, info) != 0;
  CloseHandle(link);
  return known;
}

ItemIdentity IdentityOfItem(const char *path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!ItemInformationOf(path, IsLinkToElsewhere(path), &info)) return ItemIdentity();
  return IdentityFrom(info);
}

