// The notebook followed as other programs change it: the work folder (with
// everything below it) and the folder shown are watched with overlapped
// directory-change reads whose events the message loop waits on, with no
// thread, timer or polling. Changes are gathered until about 200 ms pass
// without another, then the folders concerned are listed again, a few at a
// time between messages. What was listed again is compared with what is
// shown, so the program's own saves, renames and folder commands change
// nothing more.
#include <string.h>

#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/ui_handles.h"
#include "pages/pages.h"
#include "tree/tree.h"

enum {
  SETTLE_MS = 200,
  // While another program keeps writing (a page saved again and again, a
  // sync that does not stop), changes are taken up this long after the
  // first of them at the latest.
  LONGEST_WAIT_MS = 1000,
  // A slice of the work ends once it has taken this long, so that no
  // message waits much longer: a folder listed again is one step.
  SLICE_MS = 40,
  // The size a change read may ask for on a network share.
  WATCH_BUFFER_BYTES = 64 * 1024,
};

static const DWORD WatchedChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                    FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;

namespace {
struct Watch {
  HANDLE directory;
  HANDLE event;
  OVERLAPPED overlapped;
  bool reading;              // a read is outstanding
  bool subtree;
  char path[PATH_BUFFER_SIZE];  // the folder watched, empty for none
  std::vector<DWORD> buffer;    // DWORD-aligned, as the records must be
};

// What is being taken up: the folders in the order they are listed again,
// then the folder shown.
struct Takeup {
  NotebookChanges changes;
  size_t next;
  bool movesNoted;
  bool shownFolderTouched;
  bool active;
};
}  // namespace

static Watch Watches[NOTEBOOK_WATCH_HANDLES] = {
    {INVALID_HANDLE_VALUE, nullptr, {}, false, true, "", {}},
    {INVALID_HANDLE_VALUE, nullptr, {}, false, false, "", {}}};
enum { WORK_FOLDER_WATCH = 0, FOLDER_SHOWN_WATCH = 1 };

static NotebookChanges Gathered;   // since the last change settled
static ULONGLONG FirstChangeAt;    // when the first of them came
static ULONGLONG LastChangeAt;     // when the last record came
static bool WorkFolderUnwatched;   // no watch could be armed on it
static Takeup Taking;

/* ---- the watches ---- */

/* Asks for the next records; false when the folder cannot be watched (a
   share without change notification, a folder gone). */
static bool ReadChanges(Watch *watch) {
  watch->reading = false;
  ResetEvent(watch->event);
  memset(&watch->overlapped, 0, sizeof watch->overlapped);
  watch->overlapped.hEvent = watch->event;
  if (!ReadDirectoryChangesW(watch->directory, watch->buffer.data(),
                             static_cast<DWORD>(watch->buffer.size() * sizeof(DWORD)),
                             watch->subtree ? TRUE : FALSE, WatchedChanges, nullptr,
                             &watch->overlapped, nullptr))
    return false;
  watch->reading = true;
  return true;
}

/* Ends a watch: its read is cancelled and waited for, since the system
   writes into the buffer until it is. */
static void CloseWatch(Watch *watch) {
  if (watch->directory != INVALID_HANDLE_VALUE) {
    if (watch->reading) {
      CancelIo(watch->directory);
      DWORD ignored = 0;
      GetOverlappedResult(watch->directory, &watch->overlapped, &ignored, TRUE);
    }
    CloseHandle(watch->directory);
  }
  watch->directory = INVALID_HANDLE_VALUE;
  watch->reading = false;
  watch->path[0] = '\0';
}

/* Watches a folder. The handle lets other programs rename and delete the
   folder as if it were not open. */
static bool OpenWatch(Watch *watch, const char *path) {
  CloseWatch(watch);
  WCHAR widePath[MAX_PATH + 1];
  if (strlen(path) >= PATH_BUFFER_SIZE || !WideFromCodePage(path, widePath, MAX_PATH + 1))
    return false;
  if (watch->event == nullptr) watch->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (watch->event == nullptr) return false;
  if (watch->buffer.empty()) watch->buffer.resize(WATCH_BUFFER_BYTES / sizeof(DWORD));
  watch->directory = CreateFileW(widePath, FILE_LIST_DIRECTORY,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                                 nullptr);
  if (watch->directory == INVALID_HANDLE_VALUE) return false;
  strcpy(watch->path, path);
  if (ReadChanges(watch)) return true;
  CloseWatch(watch);
  return false;
}

void WatchWorkFolder() {
  if (WorkFolderPath == nullptr) return;
  Watch &watch = Watches[WORK_FOLDER_WATCH];
  if (watch.directory != INVALID_HANDLE_VALUE && FolderPathsEqual(watch.path, WorkFolderPath))
    return;
  WorkFolderUnwatched = !OpenWatch(&watch, WorkFolderPath);
  // Whatever was gathered named folders of the notebook shown before.
  ClearNotebookChanges(&Gathered);
  Taking.active = false;
}

/* The folder shown is watched on its own as well: Wine's subtree watch does
   not see into folders that existed when it started (Windows does, and the
   two watches then report the same change, which is taken up once). */
void WatchFolderShown() {
  Watch &watch = Watches[FOLDER_SHOWN_WATCH];
  if (PageFolder[0] == '\0' || WorkFolderPath == nullptr ||
      FolderPathsEqual(PageFolder, WorkFolderPath)) {
    CloseWatch(&watch);
    return;
  }
  if (watch.directory != INVALID_HANDLE_VALUE && strcmp(watch.path, PageFolder) == 0) return;
  OpenWatch(&watch, PageFolder);
}

void ReleaseFolderShownWatch() { CloseWatch(&Watches[FOLDER_SHOWN_WATCH]); }

void StopWatchingNotebook() {
  for (Watch &watch : Watches) {
    CloseWatch(&watch);
    if (watch.event != nullptr) CloseHandle(watch.event);
    watch.event = nullptr;
  }
  ClearNotebookChanges(&Gathered);
  Taking.active = false;
  WorkFolderUnwatched = false;
}

bool WorkFolderIsWatched() { return !WorkFolderUnwatched; }

DWORD NotebookWatchHandles(HANDLE *handles) {
  DWORD count = 0;
  for (Watch &watch : Watches)
    if (watch.reading) handles[count++] = watch.event;
  return count;
}

/* A folder's path relative to the work folder, empty for the work folder
   itself; false (and empty) when it does not lie in the notebook. */
static bool RelativeToWorkFolder(const char *path, std::string *relative) {
  relative->clear();
  if (WorkFolderPath == nullptr) return false;
  if (FolderPathsEqual(path, WorkFolderPath)) return true;
  const char *below = nullptr;
  if (!PathBelowFolder(path, WorkFolderPath, &below)) return false;
  *relative = below;
  return true;
}

/* Something was gathered just now: the changes settle from here. */
static void NoteChangeTime(bool hadChanges) {
  LastChangeAt = GetTickCount64();
  if (!hadChanges) FirstChangeAt = LastChangeAt;
}

/* Records that name only files no one sees (a download's partial file, a
   log written every second) gather nothing, and do not keep what was
   gathered from settling. */
void NoteChangeRecords(const unsigned char *bytes, size_t length, const char *base) {
  const bool hadChanges = !NoNotebookChanges(Gathered);
  const unsigned long notedBefore = Gathered.noted;
  TakeChangeRecords(bytes, length, base != nullptr ? base : "", &Gathered);
  if (Gathered.noted != notedBefore) NoteChangeTime(hadChanges);
}

/* A watch whose read ended without records: the platform lost them
   (ERROR_NOTIFY_ENUM_DIR), or the folder watched went, which its parent
   then lists. */
static void NoteReadFailed(const Watch &watch, DWORD error) {
  const bool hadChanges = !NoNotebookChanges(Gathered);
  std::string base;
  bool inNotebook = RelativeToWorkFolder(watch.path, &base);
  if (error == ERROR_NOTIFY_ENUM_DIR || &watch == &Watches[WORK_FOLDER_WATCH] || !inNotebook ||
      base.empty())
    NoteChangeRecords(nullptr, 0, nullptr);
  else
    NoteNameChangedAt(&Gathered, base);
  NoteChangeTime(hadChanges);
}

void TakeNotebookWatchRecords() {
  for (Watch &watch : Watches) {
    if (!watch.reading || WaitForSingleObject(watch.event, 0) != WAIT_OBJECT_0) continue;
    watch.reading = false;
    DWORD got = 0;
    std::string base;
    bool inNotebook = RelativeToWorkFolder(watch.path, &base);
    if (GetOverlappedResult(watch.directory, &watch.overlapped, &got, FALSE)) {
      if (inNotebook)
        NoteChangeRecords(reinterpret_cast<const unsigned char *>(watch.buffer.data()), got,
                          base.c_str());
    } else {
      NoteReadFailed(watch, GetLastError());
    }
    // A folder deleted while handles to it are open stays until the last
    // one closes; on Windows the read then ends in an error, or the next
    // one cannot start, and the watch lets go of it.
    if (!ReadChanges(&watch)) {
      if (&watch == &Watches[WORK_FOLDER_WATCH]) WorkFolderUnwatched = true;
      CloseWatch(&watch);
    }
  }
}

/* A drag holds the mouse over nodes and tabs, and a label edit holds a
   node: what the tree and the tab strip show stays as it is until they
   end. The message that ends them starts an idle period, whose steps take
   up what was gathered meanwhile. */
static bool TakeupHeld() {
  return DragUnderway() || (Ui.tree != nullptr && TreeView_GetEditControl(Ui.tree) != nullptr);
}

DWORD NotebookChangesDueIn() {
  if (NoNotebookChanges(Gathered) || TakeupHeld()) return INFINITE;
  ULONGLONG now = GetTickCount64();
  ULONGLONG settled = LastChangeAt + SETTLE_MS, longest = FirstChangeAt + LONGEST_WAIT_MS;
  ULONGLONG due = settled < longest ? settled : longest;
  return now >= due ? 0 : static_cast<DWORD>(due - now);
}

/* ---- taking the changes up ---- */

/* Renames in one folder, by name, of what the records moved there. */
static std::vector<NameMove> RenamedIn(const std::string &folder, const std::vector<NameMove> &moves) {
  std::vector<NameMove> renamed;
  std::string fromFolder, fromName, toFolder, toName;
  for (const NameMove &move : moves) {
    SplitRelativePath(move.from, &fromFolder, &fromName);
    SplitRelativePath(move.to, &toFolder, &toName);
    if (NamesEqualIgnoringAsciiCase(fromFolder.c_str(), folder.c_str()) &&
        NamesEqualIgnoringAsciiCase(toFolder.c_str(), folder.c_str()))
      renamed.push_back(NameMove{fromName, toName});
  }
  return renamed;
}

static bool FullPath(const std::string &relative, char *path) {
  if (relative.empty()) {
    strcpy(path, WorkFolderPath);
    return true;
  }
  return JoinPath(WorkFolderPath, relative.c_str(), path);
}

/* Pages and folders renamed elsewhere keep their places and history. */
static void NoteMovesMade(const std::vector<NameMove> &moves) {
  char from[PATH_BUFFER_SIZE], to[PATH_BUFFER_SIZE];
  for (const NameMove &move : moves)
    if (FullPath(move.from, from) && FullPath(move.to, to) &&
        GetFileAttributesA(from) == INVALID_FILE_ATTRIBUTES &&
        GetFileAttributesA(to) != INVALID_FILE_ATTRIBUTES)
      NotePagesMoved(from, to);
}

/* The name of the folder at or above the folder shown that lies directly in
   the folder at path, into a PATH_BUFFER_SIZE buffer; false when the folder
   shown does not lie below it. Walked by characters: a trail byte may have a
   backslash's value. */
static bool StepTowardFolderShown(const char *path, char *name) {
  const char *rest = nullptr;
  if (PageFolder[0] == '\0' || !PathBelowFolder(PageFolder, path, &rest)) return false;
  const char *end = rest;
  while (*end != '\0' && *end != '\\') end = CharNextA(end);
  size_t length = static_cast<size_t>(end - rest);
  if (length == 0 || length >= PATH_BUFFER_SIZE) return false;
  memcpy(name, rest, length);
  name[length] = '\0';
  return true;
}

/* Whether the records of a folder say that the folder shown, or a folder on
   the way to it, came, went or was renamed there. A folder moved away (to
   another folder outside the notebook, to the Recycle Bin) leaves records
   only in the folder it left, none in itself: the folder shown is then gone
   as surely as one deleted. */
static bool TouchesWayToFolderShown(const ChangedFolder &folder, const char *path) {
  char step[PATH_BUFFER_SIZE];
  if (!folder.subfolders || !StepTowardFolderShown(path, step)) return false;
  if (folder.manyEntries) return true;
  // A directory named like a page is noted as a page.
  if (folder.pages && IsPageFileName(step)) return true;
  for (const std::string &name : folder.entries)
    if (NamesEqualIgnoringAsciiCase(name.c_str(), step)) return true;
  return false;
}

static void TakeUpFolder(const ChangedFolder &folder) {
  char path[PATH_BUFFER_SIZE];
  if (!FullPath(folder.path, path)) return;
  if (TouchesWayToFolderShown(folder, path)) Taking.shownFolderTouched = true;
  if (folder.subfolders) {
    std::vector<NameMove> renamed = RenamedIn(folder.path, Taking.changes.moves);
    ListFolderAgainAt(path, &renamed);
  }
  if (folder.pages) NoteFolderPagesChanged(path);
  if (folder.manyEntries) {
    NoteFolderTreeChanged(path);
  } else {
    char entry[PATH_BUFFER_SIZE];
    for (const std::string &name : folder.entries)
      if (JoinPath(path, name.c_str(), entry)) NoteFolderTreeChanged(entry);
  }
  if (PageFolder[0] != '\0' && FolderPathsEqual(path, PageFolder)) Taking.shownFolderTouched = true;
}

/* What the folder shown holds now, its page shown among it. */
static void TakeUpFolderShown() {
  std::string relative;
  RelativeToWorkFolder(PageFolder, &relative);
  std::vector<NameMove> renamed = RenamedIn(relative, Taking.changes.moves);
  ListShownFolderAgain(renamed);
  WatchFolderShown();
}

/* The changes gathered settle into the work to do: every folder listed
   again, or those the records name, the nearer the top the sooner. */
static void StartTakeup() {
  Taking.changes = NotebookChanges();
  std::swap(Taking.changes, Gathered);
  Taking.next = 0;
  Taking.movesNoted = false;
  Taking.shownFolderTouched = false;
  Taking.active = true;
  if (Taking.changes.listEverything) {
    std::vector<std::string> listed;
    ListedFolderPaths(&listed);
    Taking.changes.folders.clear();
    Taking.changes.index.clear();
    std::string relative;
    for (const std::string &path : listed) {
      if (!RelativeToWorkFolder(path.c_str(), &relative)) continue;
      Taking.changes.folders.push_back(ChangedFolder{relative, true, false, false, {}, false});
    }
    Taking.shownFolderTouched = true;
    NoteFolderTreeChanged(WorkFolderPath);
  } else {
    OrderChangedFolders(&Taking.changes);
  }
}

bool NotebookChangesPending() {
  return (Taking.active && !TakeupHeld()) || NotebookChangesDueIn() == 0;
}

bool RunNotebookChangesSlice() {
  if (WorkFolderPath == nullptr || Ui.tree == nullptr) {
    ClearNotebookChanges(&Gathered);
    Taking.active = false;
    return false;
  }
  if (TakeupHeld()) return false;
  if (!Taking.active) {
    if (NotebookChangesDueIn() != 0) return false;
    StartTakeup();
  }
  ULONGLONG start = GetTickCount64();
  if (!Taking.movesNoted) {
    NoteMovesMade(Taking.changes.moves);
    Taking.movesNoted = true;
  }
  while (Taking.next < Taking.changes.folders.size()) {
    TakeUpFolder(Taking.changes.folders[Taking.next++]);
    if (GetTickCount64() - start >= SLICE_MS) return true;
  }
  Taking.active = false;
  if (Taking.shownFolderTouched) TakeUpFolderShown();
  return NotebookChangesPending();
}

void TakeUpNotebookChangesNow() {
  LastChangeAt = GetTickCount64() - SETTLE_MS;
  while (RunNotebookChangesSlice()) {
  }
}

/* Back from another program: what it may have done to the folder and page
   shown is looked at now (Wine's watch may not have seen it); where the
   work folder cannot be watched, every folder listed is looked at too. */
void CheckNotebookOnActivation() {
  if (WorkFolderPath == nullptr || PageFolder[0] == '\0') return;
  TakeNotebookWatchRecords();
  std::string relative;
  if (!RelativeToWorkFolder(PageFolder, &relative)) return;
  const bool hadChanges = !NoNotebookChanges(Gathered);
  if (WorkFolderUnwatched) Gathered.listEverything = true;
  NoteFolderToCheck(&Gathered, relative);
  NoteChangeTime(hadChanges);
  LastChangeAt -= SETTLE_MS;
}
