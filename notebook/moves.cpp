// Moving pages and folders: Move Page, Move (a folder), the moves made by
// dragging, and Undo Move. A move is one rename on the volume; everything
// that names the item follows it (FollowItemMoved), and the tree and the
// tabs show it in its new place.
#include "notebook/notebook.h"
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/code_pages.h"

/* ---- what is there ---- */

static bool VolumeOf(const char *path, bool isLink, DWORD *serial) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!ItemInformationOf(path, isLink, &info)) return false;
  *serial = info.dwVolumeSerialNumber;
  return true;
}

/* The target is reached from the notebook, perhaps through a link or a
   mounted folder, and may lie on another volume. Where either cannot be
   told, the rename decides: without leave to copy it fails for another
   volume. */
static bool OnSameVolume(const char *item, bool isLink, const char *targetFolder) {
  DWORD itemVolume = 0, targetVolume = 0;
  return !VolumeOf(item, isLink, &itemVolume) || !VolumeOf(targetFolder, false, &targetVolume) ||
         itemVolume == targetVolume;
}

/* In UTF-16, so that a name the code page cannot hold is still seen. */
void EntryNamesIn(const char *folder, std::vector<std::wstring> *names) {
  char pattern[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (!JoinPath(folder, "*", pattern) || !StartListing(pattern, &listing)) return;
  ListedEntry entry;
  while (NextListed(&listing, &entry))
    if (wcscmp(entry.wideName, L".") != 0 && wcscmp(entry.wideName, L"..") != 0)
      names->push_back(entry.wideName);
  EndListing(&listing);
}

static bool LinkOpensAsItself(const char *path) {
  HANDLE link = OpenLinkItself(path);
  if (link == INVALID_HANDLE_VALUE) return false;
  CloseHandle(link);
  return true;
}

static bool IsDirectory(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

static bool IsShownPage(const char *path) {
  char shown[PATH_BUFFER_SIZE];
  return ShownPagePath(shown) && FolderPathsEqual(shown, path);
}

/* ---- saying why not ---- */

static void Notice(const char *format, const char *first, const char *second = "") {
  char message[MESSAGE2_BUFFER_SIZE + PATH_BUFFER_SIZE];
  snprintf(message, sizeof message, format, first, second);
  MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONWARNING);
}

static void ReportOtherVolume(const char *from, const char *targetFolder) {
  Notice("'%s' cannot be moved to '%s': that folder is on another drive. TAV moves pages and "
         "folders within one drive only, and never copies them to move them.",
         from, targetFolder);
}

/* The system's own words for why the rename failed (locked, denied, gone,
   or a path too long). */
static void ReportMoveFailure(const char *from, const char *to) {
  DWORD error = GetLastError();
  if (error == ERROR_NOT_SAME_DEVICE) {
    char folder[PATH_BUFFER_SIZE];
    const char *name;
    if (SplitItemPath(to, folder, &name)) ReportOtherVolume(from, folder);
    return;
  }
  char context[MESSAGE2_BUFFER_SIZE];
  snprintf(context, sizeof context, "Cannot move '%s' to '%s'", from, to);
  SetLastError(error);
  ShowSystemError(context);
}

/* ---- planning ---- */

enum PlanOutcome { PLAN_GO, PLAN_NOTHING, PLAN_REFUSED, PLAN_CANCELLED };

// The name dialog's texts when the item's name is taken where it goes.
static bool AskAnotherName(MoveKind kind, char *name) {
  char offered[PATH_BUFFER_SIZE];
  strcpy(offered, name);
  if (kind == MOVE_PAGE && IsPageFileName(offered)) offered[strlen(offered) - 4] = '\0';
  char typed[PATH_BUFFER_SIZE];
  if (!AskOtherName(typed, offered, kind == MOVE_FOLDER,
                    kind == MOVE_PAGE ? "Move Page" : "Move Folder",
                    "That name is taken there. Enter another name:"))
    return false;
  strcpy(name, typed);
  return true;
}

/* Decides the move against what is on disk now, asking for another name
   while the item's is taken where it goes (Undo Move asks nothing: the old
   place is taken). The new path goes to 'to'. */
static PlanOutcome PlanMove(MoveKind kind, const char *from, const char *targetFolder, char *name,
                            bool undoing, char *to) {
  const bool isLink = IsLinkToElsewhere(from);
  if (isLink && !LinkOpensAsItself(from)) {
    Notice("'%s' is a link to a folder or file elsewhere. This system cannot move the link as "
           "the link it is, and what it leads to is not TAV's to move.",
           from);
    return PLAN_REFUSED;
  }
  if (FolderIsReachedThroughLink(targetFolder)) {
    Notice("'%s' cannot be moved to '%s': that folder is a link to a folder elsewhere, or lies "
           "below one. TAV moves pages and folders within the notebook only.",
           from, targetFolder);
    return PLAN_REFUSED;
  }
  for (;;) {
    std::vector<std::wstring> names;
    EntryNamesIn(targetFolder, &names);
    MoveRequest request = {kind,   from, targetFolder, name, &names,
                           OnSameVolume(from, isLink, targetFolder), 0};
    // Walking the folders below is needed only where their paths grow.
    if (kind == MOVE_FOLDER && !isLink &&
        strlen(targetFolder) + 1 + strlen(name) > strlen(from))
      request.tailBelow = LongestTailBelow(from);
    switch (DecideMove(request, to)) {
      case MOVE_GO:
        return PLAN_GO;
      case MOVE_NOTHING_TO_DO:
        return PLAN_NOTHING;
      case MOVE_INTO_ITSELF:
        ReportMoveIntoItself(MainWindow, from);
        return PLAN_REFUSED;
      case MOVE_OTHER_VOLUME:
        ReportOtherVolume(from, targetFolder);
        return PLAN_REFUSED;
      case MOVE_PATH_TOO_LONG: {
        char context[MESSAGE2_BUFFER_SIZE];
        snprintf(context, sizeof context, "Cannot move '%s' to '%s'", from, targetFolder);
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        ShowSystemError(context);
        return PLAN_REFUSED;
      }
      case MOVE_NAME_TAKEN:
        if (undoing) {
          Notice("Undo Move cannot take back the move of '%s': something named '%s' is in its "
                 "old place now.",
                 from, name);
          return PLAN_REFUSED;
        }
        if (!AskAnotherName(kind, name)) return PLAN_CANCELLED;
        break;
    }
  }
}

/* ---- carrying it out ---- */

/* A link is renamed through a handle to the link itself: MoveFileEx of a
   link moves what it leads to under Wine 8, leaving the link behind. */
static bool RenameLinkItself(const char *from, const char *to) {
  WCHAR wideTo[MAX_PATH];
  if (!WideFromCodePage(to, wideTo, MAX_PATH)) return false;
  HANDLE link = OpenLinkItself(from);
  if (link == INVALID_HANDLE_VALUE) return false;
  const size_t nameBytes = wcslen(wideTo) * sizeof(WCHAR);
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + nameBytes, 0);
  FILE_RENAME_INFO *rename = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(nameBytes);
  memcpy(rename->FileName, wideTo, nameBytes);
  bool moved = SetFileInformationByHandle(link, FileRenameInfo, rename,
                                          static_cast<DWORD>(buffer.size())) != 0;
  DWORD error = GetLastError();
  CloseHandle(link);
  SetLastError(error);
  return moved;
}

/* One rename, never a copy. The process's current directory cannot be
   moved on Windows: when it lies in the folder, the work folder is current
   for the rename, and the current directory follows the folder. */
static bool RenameOnVolume(const char *from, const char *to) {
  char current[PATH_BUFFER_SIZE];
  DWORD length = GetCurrentDirectoryA(PATH_BUFFER_SIZE, current);
  bool stepAside = length > 0 && length < PATH_BUFFER_SIZE && PathIsAtOrBelow(current, from) &&
                   WorkFolderPath != nullptr;
  if (stepAside) SetCurrentDirectoryA(WorkFolderPath);
  bool moved =
      IsLinkToElsewhere(from) ? RenameLinkItself(from, to) : MoveFileExA(from, to, 0) != 0;
  DWORD error = GetLastError();
  if (stepAside) {
    if (moved) FollowRename(current, from, to);
    SetCurrentDirectoryA(current);
  }
  SetLastError(error);
  return moved;
}

/* The page shown stays shown, its new folder and tab selected. Any other
   page leaving or joining the folder shown changes its tabs; the page shown
   stays. */
static void ShowPageMoved(const char *from, const char *to, bool wasShown) {
  if (wasShown) {
    SelectFolderOfPage(to);
    return;
  }
  char fromFolder[PATH_BUFFER_SIZE], toFolder[PATH_BUFFER_SIZE];
  const char *name;
  if (!SplitItemPath(from, fromFolder, &name) || !SplitItemPath(to, toFolder, &name)) return;
  if (!FolderPathsEqual(PageFolder, fromFolder) && !FolderPathsEqual(PageFolder, toFolder)) return;
  char shown[PATH_BUFFER_SIZE];
  RebuildPageTabs(ShownPagePath(shown) ? PathFindFileNameA(shown) : nullptr);
}

// What the tree showed of a folder before it moved.
struct FolderView {
  std::vector<std::string> expanded;  // below the folder's node
  char selected[PATH_BUFFER_SIZE];    // the selected folder when it lies inside, else empty
};

static void NoteFolderView(const char *folder, FolderView *view) {
  NoteExpandedBelow(FindFolderNode(folder), &view->expanded);
  char selected[PATH_BUFFER_SIZE];
  view->selected[0] = '\0';
  if (GetFolderPath(SelectedTreeNode(), selected) && PathIsAtOrBelow(selected, folder))
    strcpy(view->selected, selected);
}

/* The two folders concerned are listed again, every other node staying as
   it is; the folder shows up in its new place with its nodes expanded as
   they were, and the selection follows it when it lay inside (the tabs
   show the same pages, now under the new path). The folder it left is
   listed last, once the selection has left the node that goes. */
static void ShowFolderMoved(const char *from, const char *to, const FolderView &view) {
  char fromParent[PATH_BUFFER_SIZE], toParent[PATH_BUFFER_SIZE];
  const char *name;
  if (!SplitItemPath(from, fromParent, &name) || !SplitItemPath(to, toParent, &name)) return;
  ListFolderAgainAt(toParent);
  BeginFolderWalk();
  WalkToFolderNode(Ui.tree, toParent);
  ExpandAgainBelow(FindFolderNode(to), view.expanded);
  char selected[PATH_BUFFER_SIZE];
  if (view.selected[0] != '\0' && FollowMove(view.selected, from, to, selected)) {
    HTREEITEM folder = WalkToFolderNode(Ui.tree, selected);
    if (folder != nullptr) {
      SelectFolderNodeQuietly(folder);
      TreeView_EnsureVisible(Ui.tree, folder);
    }
  }
  EndFolderWalk();
  ListFolderAgainAt(fromParent);
}

/* The page shown is saved first: a page that cannot be saved stops the
   move, as it stops a page change. */
static bool CarryOutMove(MoveKind kind, const char *from, const char *to) {
  const bool wasShown = kind == MOVE_PAGE && IsShownPage(from);
  FolderView view;
  if (kind == MOVE_FOLDER) NoteFolderView(from, &view);
  if (!SaveCurrentPage()) return false;
  // The watch of the folder shown holds it open, and no folder above an
  // open handle can be renamed on Windows.
  if (kind == MOVE_FOLDER) ReleaseFolderShownWatch();
  if (!RenameOnVolume(from, to)) {
    ReportMoveFailure(from, to);
    WatchFolderShown(PageFolder);
    return false;
  }
  FollowItemMoved(kind, from, to);
  if (kind == MOVE_PAGE)
    ShowPageMoved(from, to, wasShown);
  else
    ShowFolderMoved(from, to, view);
  WatchFolderShown(PageFolder);
  return true;
}

bool MoveItem(MoveKind kind, const char *from, const char *targetFolder) {
  char folder[PATH_BUFFER_SIZE], name[PATH_BUFFER_SIZE], to[PATH_BUFFER_SIZE];
  const char *oldName;
  if (!SplitItemPath(from, folder, &oldName)) return false;
  strcpy(name, oldName);
  if (PlanMove(kind, from, targetFolder, name, false, to) != PLAN_GO) return false;
  if (!CarryOutMove(kind, from, to)) return false;
  KeepMove(MoveRecord{kind, from, to, IdentityOfItem(to)});
  return true;
}

/* ---- the commands ---- */

/* The page named is the one shown when the command starts, whatever is
   shown once the folder is chosen. */
void MovePageCommand() {
  char from[PATH_BUFFER_SIZE], folder[PATH_BUFFER_SIZE], target[PATH_BUFFER_SIZE];
  const char *name;
  if (!ShownPagePath(from) || !SplitItemPath(from, folder, &name)) return;
  if (!ChooseTargetFolder("Move Page", folder, nullptr, target)) return;
  MoveItem(MOVE_PAGE, from, target);
}

void MoveFolderCommand() {
  HTREEITEM node = SelectedTreeNode();
  char from[PATH_BUFFER_SIZE], parent[PATH_BUFFER_SIZE], target[PATH_BUFFER_SIZE];
  const char *name;
  if (node == nullptr || !TreeHasParent(node) || !GetFolderPath(node, from) ||
      !SplitItemPath(from, parent, &name))
    return;
  if (!ChooseTargetFolder("Move Folder", parent, from, target)) return;
  MoveItem(MOVE_FOLDER, from, target);
}

/* Takes back the last move: the item goes back under its old name. When it
   is no longer where the move put it, or its old place is gone or taken,
   nothing changes and the move is given up, so that the next Undo Move
   takes back the one before it; a rename the system refused may be tried
   again. */
void UndoMove() {
  if (!CanUndoMove()) return;
  const MoveRecord record = LastMove();
  const char *item = record.to.c_str();
  char oldFolder[PATH_BUFFER_SIZE], name[PATH_BUFFER_SIZE], to[PATH_BUFFER_SIZE];
  const char *oldName;
  if (!SplitItemPath(record.from.c_str(), oldFolder, &oldName)) {
    ForgetLastMove();
    return;
  }
  DWORD attributes = GetFileAttributesA(item);
  const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  // Another page or folder may have been made under the name since.
  if (attributes == INVALID_FILE_ATTRIBUTES || isFolder != (record.kind == MOVE_FOLDER) ||
      !IsSameItem(record.moved, IdentityOfItem(item))) {
    Notice("Undo Move cannot take back the move of '%s': it is no longer there.", item);
    ForgetLastMove();
    return;
  }
  if (!IsDirectory(oldFolder)) {
    Notice("Undo Move cannot take back the move of '%s': the folder it came from, '%s', is gone.",
           item, oldFolder);
    ForgetLastMove();
    return;
  }
  strcpy(name, oldName);
  PlanOutcome plan = PlanMove(record.kind, item, oldFolder, name, true, to);
  if (plan == PLAN_GO && !CarryOutMove(record.kind, item, to)) return;
  ForgetLastMove();
}
