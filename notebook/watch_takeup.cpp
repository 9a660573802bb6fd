// What other programs changed in the notebook, taken up once it settles: the
// folders concerned are listed again in the tree, a few at a time between
// messages, the folder shown is listed again with its page shown among it,
// and the pages and folders renamed elsewhere are followed. What was listed
// again is compared with what is shown, so the program's own saves, renames
// and folder commands change nothing more.
#include "notebook/notebook.h"

#include <string.h>

#include <string>
#include <vector>

enum {
  // A slice of the work ends once it has taken this long, so that no
  // message waits much longer: a folder listed again is one step.
  SLICE_MS = 40,
};

namespace {
// What is being taken up: the folders in the order they are listed again,
// then the folder shown.
struct Takeup {
  NotebookChanges changes;
  size_t next;
  bool movesNoted;
  bool shownFolderTouched;
  bool active;
  unsigned notebook;  // the notebook watched when it began
};
}  // namespace

static Takeup Taking;

/* A drag holds the mouse over nodes and tabs, and a label edit holds a
   node: what the tree and the tab strip show stays as it is until they
   end. The message that ends them starts an idle period, whose steps take
   up what was gathered meanwhile. */
static bool TakeupHeld() {
  return DragUnderway() || (Ui.tree != nullptr && TreeView_GetEditControl(Ui.tree) != nullptr);
}

DWORD NotebookChangesDueIn() { return GatheredChangesDueIn(TakeupHeld()); }

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

/* Pages and folders renamed elsewhere are followed as TAV's own moves are:
   their places, history and copies of unsaved text go with them. */
static void NoteMovesMade(const std::vector<NameMove> &moves) {
  char from[PATH_BUFFER_SIZE], to[PATH_BUFFER_SIZE];
  for (const NameMove &move : moves) {
    DWORD attributes;
    if (FullPath(move.from, from) && FullPath(move.to, to) &&
        GetFileAttributesA(from) == INVALID_FILE_ATTRIBUTES &&
        (attributes = GetFileAttributesA(to)) != INVALID_FILE_ATTRIBUTES)
      FollowItemMoved((attributes & FILE_ATTRIBUTE_DIRECTORY) ? MOVE_FOLDER : MOVE_PAGE, from, to);
  }
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
  if (folder.pages) FollowFolderPagesChanged(path);
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
  WatchFolderShown(PageFolder);
}

/* The changes gathered settle into the work to do: every folder listed
   again, or those the records name, the nearer the top the sooner. */
static void StartTakeup() {
  TakeGatheredChanges(&Taking.changes);
  Taking.notebook = WatchedNotebookNow();
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

// A takeup begun in a notebook watched no longer is given up.
static bool TakingUp() {
  if (Taking.active && Taking.notebook != WatchedNotebookNow()) Taking.active = false;
  return Taking.active;
}

bool NotebookChangesPending() {
  return (TakingUp() && !TakeupHeld()) || NotebookChangesDueIn() == 0;
}

bool RunNotebookChangesSlice() {
  if (WorkFolderPath == nullptr || Ui.tree == nullptr) {
    ForgetGatheredChanges();
    Taking.active = false;
    return false;
  }
  if (TakeupHeld()) return false;
  if (!TakingUp()) {
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
  SettleGatheredChanges();
  while (RunNotebookChangesSlice()) {
  }
}

/* Back from another program: what it may have done to the folder and page
   shown is looked at now (Wine's watch may not have seen it); where the
   work folder cannot be watched, every folder listed is looked at too. */
void CheckNotebookOnActivation() {
  if (WorkFolderPath == nullptr || PageFolder[0] == '\0') return;
  std::string relative;
  if (RelativeToWorkFolder(PageFolder, &relative)) CheckFolderNow(relative);
}
