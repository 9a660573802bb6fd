// The news that a page or a folder moved, was renamed or deleted, that a
// folder's pages changed or that a page was written: each event is followed
// in one function, which lists everything that follows it. Whatever moves,
// renames or deletes calls it, TAV's own commands and the takeup of what
// other programs changed alike.
#include "notebook/notebook.h"

/* The process's current directory goes along: Windows cannot rename or
   remove a folder that is some process's current directory. */
static void FollowCurrentDirectory(const char *from, const char *to) {
  char current[PATH_BUFFER_SIZE], moved[PATH_BUFFER_SIZE];
  DWORD length = GetCurrentDirectoryA(PATH_BUFFER_SIZE, current);
  if (length > 0 && length < PATH_BUFFER_SIZE && FollowMove(current, from, to, moved))
    SetCurrentDirectoryA(moved);
}

/* Each follower changes only what lies at or below from, so following one
   move twice (TAV's own move seen again by the watch) changes nothing more.
   The watch of the folder shown names what it reports by the folder's path:
   it is armed again under the new one. */
void FollowItemMoved(MoveKind kind, const char *from, const char *to) {
  FollowRename(PageFolder, from, to);
  FollowRename(SavedPagePath, from, to);
  FollowCurrentDirectory(from, to);
  NotePagesMoved(from, to);
  MoveHistory(from, to);
  MoveRecoveryCopies(from, to);
  MoveVersions(kind == MOVE_FOLDER, from, to);
  NoteMoveForUndo(from, to);
  IndexItemMoved(kind == MOVE_FOLDER, from, to);
  if (kind == MOVE_PAGE) {
    NotePageFileChanged(from);
    NotePageFileChanged(to);
  } else {
    NoteFolderTreeChanged(from);
    NoteFolderTreeChanged(to);
  }
  WatchFolderShown(PageFolder);
}

void FollowItemDeleted(MoveKind kind, const char *path) {
  if (kind == MOVE_PAGE) RemoveRecoveryCopy(path);
  MarkVersionsDeleted(kind == MOVE_FOLDER, path, IsLeftToDeletedVersions);
  NotePagesDeleted(path);
  IndexItemDeleted(kind == MOVE_FOLDER, path);
  if (kind == MOVE_PAGE)
    NotePageFileChanged(path);
  else
    NoteFolderTreeChanged(path);
}

/* The tabs and the tree show it once the caller shows the notebook again;
   Open Page's list takes it up now. */
void FollowItemRestored(MoveKind kind, const char *path) {
  ReviveDeletedVersions(kind == MOVE_FOLDER, path);
  if (kind == MOVE_PAGE) {
    IndexPageWritten(path);
    NotePageFileChanged(path);
  } else {
    NoteFolderTreeChanged(path);
  }
}

void FollowFolderPagesChanged(const char *folder) {
  NoteFolderPagesChanged(folder);
  IndexFolderPagesChanged(folder);
}

void FollowPageWritten(const char *path) {
  NotePageWritten(path);
  IndexPageWritten(path);
}

/* A folder made again (its page was deleted elsewhere with its folder, or
   the folder moved away, taking the old watch with it) is watched anew. */
void FollowFolderShown(bool madeAgain) {
  if (madeAgain) ReleaseFolderShownWatch();
  WatchFolderShown(PageFolder);
}
