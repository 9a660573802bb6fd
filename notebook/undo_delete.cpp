// Deletes that go to the Recycle Bin, and Undo Delete, which puts the last
// one back, then the one before it. Where the shell says where the bin
// keeps what it took, Undo Delete takes it back out of the bin, and the
// delete costs no more than the bin's own. Where the bin would delete for
// good instead (no bin on that drive, a network share, an item too big for
// it), or cannot say where it keeps things, TAV first keeps its own copy
// (deleted_store.cpp) and Undo Delete restores from that.
#include "notebook/notebook.h"

#include "base/platform_seam.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

// The entries of this run's deletes, the last one last.
static std::vector<std::string> DeleteStack;
// The delete being made, and whether its copies can be kept.
static DeletedEntry Pending;
static bool PendingKept = false;
static unsigned long long PendingSince = 0;  // when it began, as a file time
static bool StoreFailureSaid = false;
// What the folder being deleted held, looked at before the question.
static TreeOfPagesCheck Prepared;
// Entries that could not go when they were done with (a copy kept as a hard
// link cannot be deleted while another program holds its page open without
// sharing its deletion): they go at exit.
static std::vector<std::string> LeftToRemove;

static void RemoveEntry(const std::string &folder) {
  RemoveKeptTree(folder.c_str());
  if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) LeftToRemove.push_back(folder);
}

/* A store that cannot be written is said once a run; the deletes still go
   to the Recycle Bin, where the shell asks first should it delete for good. */
static void SayStoreFailureOnce() {
  if (StoreFailureSaid) return;
  StoreFailureSaid = true;
  char store[PATH_BUFFER_SIZE];
  if (!DeletedStoreFolder(store, false)) strcpy(store, "%LOCALAPPDATA%\\TAV\\Deleted");
  ShowSystemErrorAbout(
      "TAV cannot keep its copies for Undo Delete in '%s'. What you delete still goes to the "
      "Recycle Bin",
      store);
}

/* ---- deleting ---- */

void PrepareFolderDelete(const char *path) { CheckTreeOfPages(path, &Prepared); }

static bool FolderHoldsOnlyPages(const char *path) {
  if (!FolderPathsEqual(Prepared.path.c_str(), path) || !IsTreeCheckCurrent(Prepared))
    CheckTreeOfPages(path, &Prepared);
  return Prepared.onlyPages;
}

void BeginDelete() {
  Pending = DeletedEntry();
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  PendingSince = static_cast<unsigned long long>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
  PendingKept = StartDeletedEntry(&Pending);
  if (!PendingKept) SayStoreFailureOnce();
}

void KeepShownTextOfDeleted(const char *path) {
  char shown[PATH_BUFFER_SIZE];
  if (!PendingKept || !EditorIsModified() || !ShownPagePath(shown) ||
      !PathIsAtOrBelow(shown, path))
    return;
  RecoveryCopy copy;
  copy.pagePath = shown;
  copy.encoding = CurrentPageEncoding();
  copy.madeAgainst = ShownPageFileState();
  bool cutShort = false;
  if (FetchEditorText(&copy.text, &cutShort) && !cutShort && !KeepUnsavedText(&Pending, copy))
    SayStoreFailureOnce();
}

// Forgets the copies of items the shell left where they were: putting one
// back would only make a second of it.
static void ForgetItemsStillThere(size_t from) {
  for (size_t i = Pending.items.size(); i-- > from;) {
    const DeletedItem &item = Pending.items[i];
    if (GetFileAttributesA(item.original.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    char copy[PATH_BUFFER_SIZE];
    if (KeptCopyPath(Pending, item, copy)) RemoveKeptTree(copy);
    Pending.items.erase(Pending.items.begin() + static_cast<long>(i));
  }
}

/* The pages' last saved texts are kept as versions from where the delete
   put them, while TAV is idle. */
static void KeepVersionsOfItemsFrom(size_t first) {
  char now[PATH_BUFFER_SIZE];
  for (size_t i = first; i < Pending.items.size(); ++i)
    if (KeptCopyPath(Pending, Pending.items[i], now))
      KeepDeletedVersionsLater(now, Pending.items[i].original.c_str(),
                               Pending.items[i].kind == MOVE_FOLDER, PendingSince);
}

/* Where the bin says where it keeps each item it took, it takes them all
   whole, and TAV keeps no copy. What it left where it was (it would have
   deleted that for good) is left for the copies. */
static void RecycleUndoably(MoveKind kind, const char *const *paths, size_t count,
                            bool versionsLater, std::vector<const char *> *left) {
  left->assign(paths, paths + count);
  std::vector<std::string> places;
  if (!PendingKept || !RecycleKnowingWhere(paths, count, &places)) return;
  left->clear();
  size_t first = Pending.items.size();
  for (size_t i = 0; i < count; ++i)
    if (!places[i].empty())
      Pending.items.push_back(DeletedItem{kind, paths[i], "", places[i]});
    else if (GetFileAttributesA(paths[i]) != INVALID_FILE_ATTRIBUTES)
      left->push_back(paths[i]);
  if (versionsLater) KeepVersionsOfItemsFrom(first);
}

/* Sends the items at paths to the Recycle Bin; of those the bin cannot give
   back, copies are kept first, then the shell takes them all at once. An
   item no copy could be kept of still goes, the shell warned to ask before
   it deletes for good. The versions of a page deleted alone are kept
   before it goes; those of the pages of a folder, from where they went. */
static bool KeepAndRecycle(MoveKind kind, const char *const *givenPaths, size_t givenCount,
                           bool versionsLater, bool *notOnlyPages) {
  if (kind == MOVE_FOLDER && PendingKept && !FolderHoldsOnlyPages(givenPaths[0])) {
    *notOnlyPages = true;
    return false;
  }
  std::vector<const char *> left;
  RecycleUndoably(kind, givenPaths, givenCount, versionsLater, &left);
  if (left.empty()) return true;
  const char *const *paths = left.data();
  size_t count = left.size();
  size_t first = Pending.items.size();
  bool allKept = PendingKept;
  for (size_t i = 0; i < count && allKept; ++i) {
    KeepOutcome outcome = KeepDeletedCopy(&Pending, kind, paths[i]);
    if (outcome == KEEP_NOT_ONLY_PAGES) {
      *notOnlyPages = true;
      ForgetItemsStillThere(first);
      return false;
    }
    if (outcome == KEEP_STORE_FAILED) {
      SayStoreFailureOnce();
      allKept = false;
    }
  }
  if (!allKept && kind == MOVE_FOLDER && !IsTreeOfPages(paths[0])) {
    *notOnlyPages = true;
    return false;
  }
  bool recycled = SendToRecycleBin(paths, count, !allKept);
  DWORD error = GetLastError();
  ForgetItemsStillThere(first);
  if (versionsLater) KeepVersionsOfItemsFrom(first);
  SetLastError(error);
  return recycled;
}

bool DeleteToRecycleBin(MoveKind kind, const char *path, bool *notOnlyPages) {
  bool ignored = false;
  return KeepAndRecycle(kind, &path, 1, kind == MOVE_FOLDER,
                        notOnlyPages != nullptr ? notOnlyPages : &ignored);
}

/* The first page still there is named, as a failed DeleteFileA named it. */
bool DeletePagesToRecycleBin(const char *folder, const std::vector<std::string> &names) {
  std::vector<std::string> paths(names.size());
  std::vector<const char *> list;
  char path[PATH_BUFFER_SIZE];
  for (size_t i = 0; i < names.size(); ++i)
    if (JoinPath(folder, names[i].c_str(), path)) {
      paths[i] = path;
      list.push_back(paths[i].c_str());
    }
  bool notOnlyPages = false;
  if (KeepAndRecycle(MOVE_PAGE, list.data(), list.size(), true, &notOnlyPages)) return true;
  DWORD error = GetLastError();
  for (size_t i = 0; i < names.size(); ++i)
    if (!paths[i].empty() && GetFileAttributesA(paths[i].c_str()) != INVALID_FILE_ATTRIBUTES) {
      SetLastError(error);
      ShowSystemError(names[i].c_str());
      break;
    }
  return false;
}

/* A folder that holds only pages and folders goes to the bin whole; one
   with anything else is deleted a folder at a time (false, not failed). */
static bool DeleteWholeFolder(const char *path, bool *failed) {
  // Windows cannot move a folder that is some process's current directory.
  char current[PATH_BUFFER_SIZE];
  DWORD length = GetCurrentDirectoryA(PATH_BUFFER_SIZE, current);
  if (length > 0 && length < PATH_BUFFER_SIZE && PathIsAtOrBelow(current, path) &&
      WorkFolderPath != nullptr)
    SetCurrentDirectoryA(WorkFolderPath);
  bool notOnlyPages = false;
  if (DeleteToRecycleBin(MOVE_FOLDER, path, &notOnlyPages)) return true;
  if (notOnlyPages) return false;
  *failed = true;
  char named[PATH_BUFFER_SIZE];
  DWORD error = GetLastError();
  strcpy(named, path);
  JoinPath(named, "");  // named as a folder, as a failed removal names it
  SetLastError(error);
  ShowSystemError(named);
  return false;
}

const FolderDeleteSteps RecycleBinSteps = {DeleteWholeFolder, DeletePagesToRecycleBin};

void EndDelete() {
  Prepared = TreeOfPagesCheck();
  if (!PendingKept) return;
  PendingKept = false;
  if (!Pending.items.empty() && WriteDeletedEntryList(Pending)) {
    DeleteStack.push_back(Pending.folder);
    return;
  }
  if (!Pending.items.empty()) SayStoreFailureOnce();
  RemoveEntry(Pending.folder);
}

/* ---- undoing ---- */

bool CanUndoDelete() { return !DeleteStack.empty(); }

// Whether anything has that name now, in any letter case.
static bool IsTaken(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

/* Where an item goes back: where it was, or, where something has taken that
   name meanwhile, under another name the user gives; false when the user
   would rather leave it. Nothing is ever put over what is there. */
static bool FreePlaceFor(const DeletedItem &item, char *target) {
  strcpy(target, item.original.c_str());
  char folder[PATH_BUFFER_SIZE];
  const char *name = nullptr;
  if (!SplitItemPath(item.original.c_str(), folder, &name)) return false;
  char offered[PATH_BUFFER_SIZE];
  strcpy(offered, name);
  while (IsTaken(target)) {
    if (item.kind == MOVE_PAGE && IsPageFileName(offered)) offered[strlen(offered) - 4] = '\0';
    char prompt[MESSAGE2_BUFFER_SIZE];
    snprintf(prompt, sizeof prompt, "'%s' is taken meanwhile. Enter another name to put it back under:",
             PathFindFileNameA(target));
    char typed[PATH_BUFFER_SIZE];
    if (!AskOtherName(typed, offered, item.kind == MOVE_FOLDER, "Undo Delete", prompt)) return false;
    if (!JoinPath(folder, typed, target)) {
      ShowSystemError(typed);
      return false;
    }
    strcpy(offered, typed);
  }
  return true;
}

/* The folders on the way to an item's folder, made again where another
   program removed them meanwhile; never through a link, which leads out of
   the notebook. */
static bool MakeFoldersTo(const char *folder) {
  if (GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES) return !FolderIsReachedThroughLink(folder);
  char parent[PATH_BUFFER_SIZE];
  const char *name = nullptr;
  if (WorkFolderPath == nullptr || !PathIsAtOrBelow(folder, WorkFolderPath) ||
      FolderPathsEqual(folder, WorkFolderPath) || !SplitItemPath(folder, parent, &name) ||
      !MakeFoldersTo(parent))
    return false;
  return CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

/* A kept folder is copied where it cannot be renamed (the store on another
   volume than the notebook), never over anything. */
static bool CopyKeptTree(const char *from, const char *to) {
  if (!CreateDirectoryA(to, nullptr)) return false;
  char pattern[PATH_BUFFER_SIZE], fromChild[PATH_BUFFER_SIZE], toChild[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (!JoinPath(from, "*", pattern) || !StartListing(pattern, &listing)) return false;
  bool copied = true;
  ListedEntry found;
  while (copied && NextListed(&listing, &found)) {
    if (strcmp(found.name, ".") == 0 || strcmp(found.name, "..") == 0) continue;
    copied = JoinPath(from, found.name, fromChild) && JoinPath(to, found.name, toChild) &&
             ((found.attributes & FILE_ATTRIBUTE_DIRECTORY) ? CopyKeptTree(fromChild, toChild)
                                                            : CopyFileA(fromChild, toChild, TRUE));
  }
  EndListing(&listing);
  return copied;
}

static bool PutKeptCopyBack(const DeletedItem &item, const char *copy, const char *target) {
  MoveKind kind = item.kind;
  if (!item.inBin.empty()) return TakeBackFromRecycleBin(copy, target);
  if (MoveFileExA(copy, target, kind == MOVE_PAGE ? MOVEFILE_COPY_ALLOWED : 0)) return true;
  if (kind == MOVE_PAGE || GetLastError() != ERROR_NOT_SAME_DEVICE) return false;
  bool copied = CopyKeptTree(copy, target);
  DWORD error = GetLastError();
  if (copied) RemoveKeptTree(copy);
  SetLastError(error);
  return copied;
}

struct PutBack {
  DeletedItem item;
  std::string at;
};

/* Puts one item back; false when it stays in the store. */
static bool PutItemBack(const DeletedEntry &entry, const DeletedItem &item, PutBack *back) {
  char copy[PATH_BUFFER_SIZE], target[PATH_BUFFER_SIZE], folder[PATH_BUFFER_SIZE];
  const char *name = nullptr;
  if (!KeptCopyPath(entry, item, copy) || !FreePlaceFor(item, target)) return false;
  if (!SplitItemPath(target, folder, &name) || !MakeFoldersTo(folder)) {
    ShowSystemErrorAbout("Cannot make the folder '%s' again", folder);
    return false;
  }
  if (!PutKeptCopyBack(item, copy, target)) {
    ShowSystemErrorAbout("Cannot put '%s' back", target);
    return false;
  }
  // Back before its last texts were kept as a deleted page's: they are
  // the page's own again.
  ForgetDeletedVersionsLater(copy);
  back->item = item;
  back->at = target;
  FollowItemRestored(item.kind, target);
  return true;
}

/* The page shown when it was deleted comes back with the text typed into
   it that was not saved, as unsaved changes, and the user is told. */
static void GiveBackUnsavedText(const DeletedEntry &entry, const std::vector<PutBack> &back,
                                bool *given) {
  *given = false;
  RecoveryCopy copy;
  if (!ReadUnsavedText(entry, &copy)) return;
  for (const PutBack &put : back) {
    char now[PATH_BUFFER_SIZE];
    if (!FollowMove(copy.pagePath.c_str(), put.item.original.c_str(), put.at.c_str(), now))
      continue;
    *given = true;  // handled here, whether or not it can be shown
    int tab = -1;
    if (ShowPageAt(now) == PAGE_SHOWN) tab = FindPageTab(PathFindFileNameA(now));
    char pageName[PATH_BUFFER_SIZE];
    strcpy(pageName, PathFindFileNameA(now));
    if (IsPageFileName(pageName)) pageName[strlen(pageName) - 4] = '\0';
    char message[MESSAGE2_BUFFER_SIZE];
    if (tab >= 0 && ShowPageWithText(tab, copy.text, copy.encoding, copy.madeAgainst))
      snprintf(message, sizeof message,
               "'%s' is back with the text typed into it before it was deleted, not saved yet.",
               pageName);
    else
      snprintf(message, sizeof message,
               "'%s' is back as it was last saved: the text typed into it before it was deleted "
               "could not be shown again.",
               pageName);
    MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONINFORMATION);
    return;
  }
}

/* The tree built again shows what came back last: a page in its folder,
   or a folder selected. */
static void RefreshTreeShowingPutBack(const PutBack &last) {
  char folder[PATH_BUFFER_SIZE];
  const char *name = nullptr;
  if (last.item.kind == MOVE_FOLDER)
    RefreshTreeShowing(last.at.c_str(), nullptr);
  else if (SplitItemPath(last.at.c_str(), folder, &name))
    RefreshTreeShowing(folder, name);
  else
    RefreshTree();
}

static void SayPassedOver(size_t count) {
  char message[MESSAGE_BUFFER_SIZE];
  snprintf(message, sizeof message,
           "%u of the items deleted cannot be put back: the copy TAV kept is damaged, or it was "
           "not in the notebook shown.",
           static_cast<unsigned>(count));
  MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONWARNING);
}

/* Takes back the last delete of this run. Items that cannot be put back
   (the user kept the name that was taken) stay in the store, and the delete
   stays on the stack with them alone. */
void UndoDelete() {
  if (DeleteStack.empty()) return;
  std::string folder = DeleteStack.back();
  DeleteStack.pop_back();
  DeletedEntry entry;
  if (!ReadDeletedEntry(folder.c_str(), &entry)) {
    MessageBoxA(MainWindow,
                "The copy TAV kept of what was deleted last is damaged: it cannot be put back.",
                "TAV", MB_OK | MB_ICONWARNING);
    return;
  }
  if (!SaveCurrentPage()) {
    DeleteStack.push_back(folder);
    return;
  }
  std::vector<PutBack> back;
  std::vector<DeletedItem> left;
  size_t passedOver = 0;
  for (const DeletedItem &item : entry.items) {
    if (!IsNotebookItemPath(item.original, item.kind, WorkFolderPath) ||
        !IsKeptCopySound(entry, item)) {
      ++passedOver;
      continue;
    }
    PutBack put;
    if (PutItemBack(entry, item, &put))
      back.push_back(put);
    else
      left.push_back(item);
  }
  if (passedOver > 0) SayPassedOver(passedOver);
  if (!back.empty()) {
    RefreshTreeShowingPutBack(back.back());
    bool textGiven = false;
    GiveBackUnsavedText(entry, back, &textGiven);
    if (textGiven) entry.hasUnsavedText = false;
  }
  entry.items = left;
  if (!left.empty() && WriteDeletedEntryList(entry))
    DeleteStack.push_back(folder);
  else if (passedOver == 0)
    RemoveEntry(folder);
}

void ForgetDeletes() {
  for (const std::string &folder : DeleteStack) RemoveKeptTree(folder.c_str());
  for (const std::string &folder : LeftToRemove) RemoveKeptTree(folder.c_str());
  DeleteStack.clear();
  LeftToRemove.clear();
  StoreFailureSaid = false;
  ForgetDeletedStoreFolder();
}
