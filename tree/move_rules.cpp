// The rules of moving a page or a folder, without windows: what a move would
// do given what is on disk, and the record of the moves made in this run
// that Undo Move takes back, kept true as TAV moves things again.
#include <string.h>

#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/ui_handles.h"
#include "tree/tree.h"

/* Names as the file system compares them: NTFS folds letter case by its
   table of upper-case letters, which CompareStringOrdinal with its flag set
   follows for every script, not only the letters of the code page. */
bool NamesEqualAsFileSystem(const wchar_t *a, const wchar_t *b) {
  return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

bool NameTakenIn(const std::vector<std::wstring> &namesThere, const char *name) {
  WCHAR wide[MAX_PATH];
  if (!WideFromCodePage(name, wide, MAX_PATH)) return false;
  for (const std::wstring &there : namesThere)
    if (NamesEqualAsFileSystem(there.c_str(), wide)) return true;
  return false;
}

/* In this order: nothing to do where it is already; never into itself;
   never onto another volume (that would be a copy and a delete, not a
   rename); never over a name taken, in any letter case; never where a path
   would pass 259 characters. */
MoveDecision DecideMove(const MoveRequest &request, char *to) {
  to[0] = '\0';
  char folder[PATH_BUFFER_SIZE];
  const char *oldName = nullptr;
  if (!SplitItemPath(request.from, folder, &oldName)) return MOVE_PATH_TOO_LONG;
  if (FolderPathsEqual(folder, request.targetFolder)) return MOVE_NOTHING_TO_DO;
  if (request.kind == MOVE_FOLDER && PathIsAtOrBelow(request.targetFolder, request.from))
    return MOVE_INTO_ITSELF;
  if (!request.sameVolume) return MOVE_OTHER_VOLUME;
  if (NameTakenIn(*request.namesThere, request.name)) return MOVE_NAME_TAKEN;
  if (!JoinPath(request.targetFolder, request.name, to)) return MOVE_PATH_TOO_LONG;
  if (request.kind == MOVE_FOLDER && strlen(to) + request.tailBelow >= PATH_BUFFER_SIZE) {
    to[0] = '\0';
    return MOVE_PATH_TOO_LONG;
  }
  return MOVE_GO;
}

/* ---- which item it is ---- */

/* A folder is known by its volume and index alone: its times and size
   change with whatever is made in it (Wine gives a folder the time of its
   last change as its creation time too, seen under Wine 8). */
ItemIdentity IdentityFrom(const BY_HANDLE_FILE_INFORMATION &info) {
  ItemIdentity identity;
  identity.known = true;
  identity.volume = info.dwVolumeSerialNumber;
  identity.indexHigh = info.nFileIndexHigh;
  identity.indexLow = info.nFileIndexLow;
  identity.isFile = !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  if (identity.isFile) {
    identity.created = info.ftCreationTime;
    identity.lastWrite = info.ftLastWriteTime;
    identity.sizeHigh = info.nFileSizeHigh;
    identity.sizeLow = info.nFileSizeLow;
  }
  return identity;
}

bool IsSameItem(const ItemIdentity &noted, const ItemIdentity &now) {
  if (!noted.known || !now.known) return true;
  if (now.volume != noted.volume || now.indexHigh != noted.indexHigh ||
      now.indexLow != noted.indexLow || now.isFile != noted.isFile)
    return false;
  if (!noted.isFile) return true;
  return CompareFileTime(&now.created, &noted.created) == 0 &&
         CompareFileTime(&now.lastWrite, &noted.lastWrite) == 0 &&
         now.sizeHigh == noted.sizeHigh && now.sizeLow == noted.sizeLow;
}

/* ---- the moves this run made ---- */

/* The item follows wherever it goes. Its old place follows only a folder
   above it: whatever is moved from the old place itself came there later
   (or is the move itself, seen again by the notebook's watch), and the
   move is not taken back to where that went. */
void FollowMoveRecords(std::vector<MoveRecord> *records, const char *from, const char *to) {
  char moved[PATH_BUFFER_SIZE];
  for (MoveRecord &record : *records) {
    if (!FolderPathsEqual(record.from.c_str(), from) &&
        FollowMove(record.from.c_str(), from, to, moved))
      record.from = moved;
    if (FollowMove(record.to.c_str(), from, to, moved)) record.to = moved;
  }
}

void KeepMoveRecord(std::vector<MoveRecord> *records, const MoveRecord &record) {
  records->push_back(record);
  if (records->size() > MOVE_RECORDS_KEPT) records->erase(records->begin());
}
