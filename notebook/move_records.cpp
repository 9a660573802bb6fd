// The moves this run made, as Undo Move takes them back: each follows the
// item through TAV's later moves and renames and those the watch sees, and
// knows the item it moved by its identity.
#include "notebook/notebook.h"

#include <vector>

// The moves this run made, the last one last.
static std::vector<MoveRecord> Moves;

bool CanUndoMove() { return !Moves.empty(); }
void ForgetMoves() { Moves.clear(); }

/* The item a move put at path is now the one there: a save replaces the
   page's file by a new one, with an index of its own, and on FAT volumes the
   index is the place of the item's entry in its folder, which a rename may
   change. */
static void TakeMovedItemAgain(const char *path) {
  for (MoveRecord &record : Moves)
    if (record.moved.known && FolderPathsEqual(record.to.c_str(), path))
      record.moved = IdentityOfItem(path);
}

/* Only the item that moved is noted again where it went: another that was
   already there under that name (made by another program since) must not be
   taken for it. */
void NoteMoveForUndo(const char *from, const char *to) {
  std::vector<bool> moving(Moves.size());
  for (size_t i = 0; i < Moves.size(); ++i) moving[i] = FolderPathsEqual(Moves[i].to.c_str(), from);
  FollowMoveRecords(&Moves, from, to);
  for (size_t i = 0; i < Moves.size(); ++i)
    if (moving[i] && Moves[i].moved.known) Moves[i].moved = IdentityOfItem(Moves[i].to.c_str());
}

void NotePageWritten(const char *path) { TakeMovedItemAgain(path); }

void KeepMove(const MoveRecord &record) { KeepMoveRecord(&Moves, record); }
MoveRecord LastMove() { return Moves.back(); }
void ForgetLastMove() {
  if (!Moves.empty()) Moves.pop_back();
}
