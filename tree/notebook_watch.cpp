// The watches of the notebook: the work folder (with everything below it)
// and the folder shown are watched with overlapped directory-change reads
// whose events the message loop waits on, with no thread, timer or polling.
// What their records say is gathered until about 200 ms pass without
// another; the notebook then takes the changes up.
#include <string.h>

#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/ui_handles.h"
#include "tree/tree.h"

enum {
  SETTLE_MS = 200,
  // While another program keeps writing (a page saved again and again, a
  // sync that does not stop), changes are taken up this long after the
  // first of them at the latest.
  LONGEST_WAIT_MS = 1000,
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

}  // namespace

static Watch Watches[NOTEBOOK_WATCH_HANDLES] = {
    {INVALID_HANDLE_VALUE, nullptr, {}, false, true, "", {}},
    {INVALID_HANDLE_VALUE, nullptr, {}, false, false, "", {}}};
enum { WORK_FOLDER_WATCH = 0, FOLDER_SHOWN_WATCH = 1 };

static NotebookChanges Gathered;   // since the last change settled
static ULONGLONG FirstChangeAt;    // when the first of them came
static ULONGLONG LastChangeAt;     // when the last record came
static bool WorkFolderUnwatched;   // no watch could be armed on it
// Changes to the notebook shown since it was watched: a takeup begun for
// another is given up.
static unsigned WatchedNotebook = 1;

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
  ++WatchedNotebook;
}

/* The folder shown is watched on its own as well: Wine's subtree watch does
   not see into folders that existed when it started (Windows does, and the
   two watches then report the same change, which is taken up once). */
void WatchFolderShown(const char *folder) {
  Watch &watch = Watches[FOLDER_SHOWN_WATCH];
  if (folder[0] == '\0' || WorkFolderPath == nullptr || FolderPathsEqual(folder, WorkFolderPath)) {
    CloseWatch(&watch);
    return;
  }
  if (watch.directory != INVALID_HANDLE_VALUE && strcmp(watch.path, folder) == 0) return;
  OpenWatch(&watch, folder);
}

void ReleaseFolderShownWatch() { CloseWatch(&Watches[FOLDER_SHOWN_WATCH]); }

void StopWatchingNotebook() {
  for (Watch &watch : Watches) {
    CloseWatch(&watch);
    if (watch.event != nullptr) CloseHandle(watch.event);
    watch.event = nullptr;
  }
  ClearNotebookChanges(&Gathered);
  ++WatchedNotebook;
  WorkFolderUnwatched = false;
}

unsigned WatchedNotebookNow() { return WatchedNotebook; }

bool WorkFolderIsWatched() { return !WorkFolderUnwatched; }

DWORD NotebookWatchHandles(HANDLE *handles) {
  DWORD count = 0;
  for (Watch &watch : Watches)
    if (watch.reading) handles[count++] = watch.event;
  return count;
}

/* A folder's path relative to the work folder, empty for the work folder
   itself; false (and empty) when it does not lie in the notebook. */
bool RelativeToWorkFolder(const char *path, std::string *relative) {
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

/* How long until the changes gathered have settled: about 200 ms after the
   last record, a second after the first at most. A takeup held (a drag, a
   label edit) waits for as long as it lasts. */
DWORD GatheredChangesDueIn(bool held) {
  if (NoNotebookChanges(Gathered) || held) return INFINITE;
  ULONGLONG now = GetTickCount64();
  ULONGLONG settled = LastChangeAt + SETTLE_MS, longest = FirstChangeAt + LONGEST_WAIT_MS;
  ULONGLONG due = settled < longest ? settled : longest;
  return now >= due ? 0 : static_cast<DWORD>(due - now);
}

void TakeGatheredChanges(NotebookChanges *changes) {
  *changes = NotebookChanges();
  std::swap(*changes, Gathered);
}

void ForgetGatheredChanges() { ClearNotebookChanges(&Gathered); }

void SettleGatheredChanges() { LastChangeAt = GetTickCount64() - SETTLE_MS; }

/* A folder to look at whole, settled at once; with everything to list
   again where the work folder cannot be watched. */
void CheckFolderNow(const std::string &relative) {
  TakeNotebookWatchRecords();
  const bool hadChanges = !NoNotebookChanges(Gathered);
  if (WorkFolderUnwatched) Gathered.listEverything = true;
  NoteFolderToCheck(&Gathered, relative);
  NoteChangeTime(hadChanges);
  LastChangeAt -= SETTLE_MS;
}
