// The copies Undo Delete puts back: before a page or a folder goes to the
// Recycle Bin, TAV keeps its own byte-exact copy of it in
// %LOCALAPPDATA%\TAV\Deleted, one folder per delete, with a list of where
// each item was. A page is kept as a hard link where the volume allows (no
// byte is copied, and the link outlives the original's move into the bin),
// else as a copy. The folder is TAV's, but anything may have changed it
// since: what is read back from it is checked before it is acted on.
#include "notebook/notebook.h"

#include "base/platform_seam.h"

#include <stdio.h>
#include <string.h>

static const char EntryListName[] = "deleted.txt";
static const char UnsavedTextName[] = "unsaved.txt";
static const char EntryListHeader[] = "TAV deleted 1";
// A list much larger than this one was not written by TAV.
enum { ENTRY_LIST_LIMIT = 1024 * 1024 };

// The store's folder as made last; asking the shell for the user's folder
// each time would cost every delete milliseconds.
static char MadeStore[PATH_BUFFER_SIZE] = "";

bool DeletedStoreFolder(char *folder, bool make) {
  DWORD made = MadeStore[0] != '\0' ? GetFileAttributesA(MadeStore) : INVALID_FILE_ATTRIBUTES;
  if (make && made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY) &&
      !(made & FILE_ATTRIBUTE_REPARSE_POINT)) {
    strcpy(folder, MadeStore);
    return true;
  }
  char local[PATH_BUFFER_SIZE];
  if (!LocalDataFolder(local, make) || !JoinPath(local, "Deleted", folder)) return false;
  if (!make) return true;
  if (!CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  strcpy(MadeStore, folder);
  return true;
}

void ForgetDeletedStoreFolder() { MadeStore[0] = '\0'; }

/* ---- the list ---- */

std::string FormatDeletedEntry(const DeletedEntry &entry) {
  std::string text = std::string(EntryListHeader) + "\r\n";
  for (const DeletedItem &item : entry.items)
    text += std::string(item.kind == MOVE_PAGE ? "page" : "folder") +
            (item.inBin.empty() ? "\t" + item.keptAs : "-in-bin\t" + item.inBin) + "\t" +
            item.original + "\r\n";
  if (entry.hasUnsavedText) text += std::string("unsaved\t") + UnsavedTextName + "\r\n";
  return text;
}

// A copy's name in its entry: the number TAV gave it, nothing that could
// lead out of the entry's folder.
static bool IsKeptName(const std::string &name) {
  if (name.empty() || name.size() > 9) return false;
  for (char c : name)
    if (c < '0' || c > '9') return false;
  return true;
}

static bool ParseItemLine(const std::string &line, DeletedItem *item) {
  size_t tab1 = line.find('\t');
  size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
  if (tab2 == std::string::npos) return false;
  std::string kind = line.substr(0, tab1);
  bool inBin = kind == "page-in-bin" || kind == "folder-in-bin";
  if (kind != "page" && kind != "folder" && !inBin) return false;
  item->kind = kind.compare(0, 4, "page") == 0 ? MOVE_PAGE : MOVE_FOLDER;
  std::string place = line.substr(tab1 + 1, tab2 - tab1 - 1);
  item->keptAs = inBin ? "" : place;
  item->inBin = inBin ? place : "";
  item->original = line.substr(tab2 + 1);
  if (inBin ? place.find('\0') != std::string::npos || !IsRecycleBinPlace(place.c_str())
            : !IsKeptName(item->keptAs))
    return false;
  return !item->original.empty() && item->original.find('\0') == std::string::npos;
}

/* Lines that are not right make the whole list unusable: half a delete put
   back is worse than a clear refusal. */
bool ParseDeletedEntry(const std::string &bytes, DeletedEntry *entry) {
  entry->items.clear();
  entry->hasUnsavedText = false;
  if (bytes.size() > ENTRY_LIST_LIMIT) return false;
  size_t at = 0;
  bool first = true;
  while (at < bytes.size()) {
    size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) return false;  // every line TAV writes ends
    std::string line = bytes.substr(at, end - at);
    at = end + 2;
    if (first) {
      if (line != EntryListHeader) return false;
      first = false;
      continue;
    }
    if (line == std::string("unsaved\t") + UnsavedTextName) {
      entry->hasUnsavedText = true;
      continue;
    }
    DeletedItem item;
    if (!ParseItemLine(line, &item)) return false;
    entry->items.push_back(item);
  }
  return !first && !entry->items.empty();
}

/* Whether a path names an item below the work folder by plain names, a page
   by a page's name: only such a path is ever written to. Its folder need
   not be there any more (it is made again). */
bool IsNotebookItemPath(const std::string &path, MoveKind kind, const char *workFolder) {
  if (workFolder == nullptr || workFolder[0] == '\0') return false;
  if (path.size() >= PATH_BUFFER_SIZE || strlen(path.c_str()) != path.size()) return false;
  const char *rest = nullptr;
  if (!PathBelowFolder(path.c_str(), workFolder, &rest)) return false;
  const char *name = rest;
  for (const char *c = rest;; c = CharNextA(c)) {
    if (*c != '\0' && *c != '\\') continue;
    if (!IsPlainName(name, static_cast<size_t>(c - name))) return false;
    if (*c == '\0') break;
    name = c + 1;
  }
  return kind == MOVE_FOLDER || IsPageFileName(name);
}

/* ---- keeping ---- */

bool StartDeletedEntry(DeletedEntry *entry) {
  entry->folder.clear();
  entry->items.clear();
  entry->hasUnsavedText = false;
  char store[PATH_BUFFER_SIZE];
  if (!DeletedStoreFolder(store, true)) return false;
  static unsigned serial = 0;
  char name[64], folder[PATH_BUFFER_SIZE];
  for (int attempt = 0; attempt < 100; ++attempt) {
    snprintf(name, sizeof name, "%lu-%u", GetCurrentProcessId(), ++serial);
    if (!JoinPath(store, name, folder)) return false;
    if (CreateDirectoryA(folder, nullptr)) {
      entry->folder = folder;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

static bool KeepFile(const char *from, const char *to) {
  return CreateHardLinkA(to, from, nullptr) || CopyFileA(from, to, TRUE);
}

/* A folder is kept whole only when it holds pages and folders alone, each
   nameable in the code page and none a link: anything else stays in the
   notebook, and so does the folder that holds it. */
static KeepOutcome KeepFolder(const char *from, const char *to) {
  if (!CreateDirectoryA(to, nullptr)) return KEEP_STORE_FAILED;
  char pattern[PATH_BUFFER_SIZE];
  if (!JoinPath(from, "*", pattern)) return KEEP_NOT_ONLY_PAGES;
  FolderListing listing;
  if (!StartListing(pattern, &listing)) return KEEP_NOT_ONLY_PAGES;
  KeepOutcome outcome = KEEP_DONE;
  ListedEntry found;
  char fromChild[PATH_BUFFER_SIZE], toChild[PATH_BUFFER_SIZE];
  while (outcome == KEEP_DONE && NextListed(&listing, &found)) {
    if (strcmp(found.name, ".") == 0 || strcmp(found.name, "..") == 0) continue;
    bool directory = (found.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (found.name[0] == '\0' || (found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        IsStoredOnlineOnly(found.attributes) || (!directory && !IsPageFileName(found.name)) ||
        !JoinPath(from, found.name, fromChild) || !JoinPath(to, found.name, toChild))
      outcome = KEEP_NOT_ONLY_PAGES;
    else if (directory)
      outcome = KeepFolder(fromChild, toChild);
    else if (!KeepFile(fromChild, toChild))
      outcome = KEEP_STORE_FAILED;
  }
  EndListing(&listing);
  return outcome;
}

KeepOutcome KeepDeletedCopy(DeletedEntry *entry, MoveKind kind, const char *path) {
  // A copy that could not be removed keeps its number.
  char keptAs[16], to[PATH_BUFFER_SIZE];
  unsigned number = static_cast<unsigned>(entry->items.size());
  do {
    snprintf(keptAs, sizeof keptAs, "%u", ++number);
    if (!JoinPath(entry->folder.c_str(), keptAs, to)) return KEEP_STORE_FAILED;
  } while (GetFileAttributesA(to) != INVALID_FILE_ATTRIBUTES && number < 100000000);
  KeepOutcome outcome = kind == MOVE_PAGE ? (KeepFile(path, to) ? KEEP_DONE : KEEP_STORE_FAILED)
                                          : KeepFolder(path, to);
  if (outcome != KEEP_DONE) {
    DWORD error = GetLastError();
    RemoveKeptTree(to);
    SetLastError(error);
    return outcome;
  }
  entry->items.push_back(DeletedItem{kind, path, keptAs, ""});
  return KEEP_DONE;
}

bool KeepUnsavedText(DeletedEntry *entry, const RecoveryCopy &copy) {
  std::string bytes = FormatRecoveryCopy(copy);
  if (!WriteNewPageFile(entry->folder.c_str(), UnsavedTextName, bytes.data(), bytes.size()))
    return false;
  entry->hasUnsavedText = true;
  return true;
}

/* The list is read only by the run that wrote it, for its Undo Delete,
   which a crash ends with it: it is not waited for on the disk, and one
   that could not be written whole is not used (the caller says so). */
bool WriteDeletedEntryList(const DeletedEntry &entry) {
  std::string bytes = FormatDeletedEntry(entry);
  char path[PATH_BUFFER_SIZE];
  return JoinPath(entry.folder.c_str(), EntryListName, path) &&
         WriteFileUnwaited(path, bytes, true);
}

/* Removes a kept copy, or a store entry, with everything in it; a link met
   inside (someone else put it there) is removed as itself, never entered. */
void RemoveKeptTree(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    if (attributes & FILE_ATTRIBUTE_READONLY)
      SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileA(path);
    return;
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    RemoveDirectoryA(path);
    return;
  }
  char pattern[PATH_BUFFER_SIZE], child[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (JoinPath(path, "*", pattern) && StartListing(pattern, &listing)) {
    ListedEntry found;
    while (NextListed(&listing, &found))
      if (found.name[0] != '\0' && strcmp(found.name, ".") != 0 && strcmp(found.name, "..") != 0 &&
          JoinPath(path, found.name, child))
        RemoveKeptTree(child);
    EndListing(&listing);
  }
  RemoveDirectoryA(path);
}

/* ---- reading back ---- */

/* Whether a kept copy is still what TAV kept: a page a plain file, a folder
   a tree of plain folders and pages, with no link anywhere that could lead
   a restore out of the store. */
static bool IsKeptTreeSound(const char *path, bool folder, int depth) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder || depth > 128)
    return false;
  if (!folder) return true;
  char pattern[PATH_BUFFER_SIZE], child[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (!JoinPath(path, "*", pattern) || !StartListing(pattern, &listing)) return false;
  bool sound = true;
  ListedEntry found;
  while (sound && NextListed(&listing, &found)) {
    if (strcmp(found.name, ".") == 0 || strcmp(found.name, "..") == 0) continue;
    bool directory = (found.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    sound = found.name[0] != '\0' && !(found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
            (directory || IsPageFileName(found.name)) && JoinPath(path, found.name, child) &&
            IsKeptTreeSound(child, directory, depth + 1);
  }
  EndListing(&listing);
  return sound;
}

bool IsTreeOfPages(const char *path) { return IsKeptTreeSound(path, true, 0); }

static bool FolderWriteTime(const char *path, unsigned long long *time) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  *time = static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32 |
          data.ftLastWriteTime.dwLowDateTime;
  return true;
}

// What KeepFolder takes whole, by the listing alone: one listing a folder.
static bool ListsOnlyPages(const char *path, int depth, TreeOfPagesCheck *check) {
  unsigned long long written = 0;
  char pattern[PATH_BUFFER_SIZE], child[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (depth > 64 || !FolderWriteTime(path, &written) || !JoinPath(path, "*", pattern) ||
      !StartListing(pattern, &listing))
    return false;
  check->folders.push_back({path, written});
  bool only = true;
  ListedEntry found;
  while (only && NextListed(&listing, &found)) {
    if (strcmp(found.name, ".") == 0 || strcmp(found.name, "..") == 0) continue;
    bool directory = (found.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    only = found.name[0] != '\0' && !(found.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           !IsStoredOnlineOnly(found.attributes) && (directory || IsPageFileName(found.name)) &&
           (!directory || (JoinPath(path, found.name, child) && ListsOnlyPages(child, depth + 1, check)));
  }
  EndListing(&listing);
  return only;
}

void CheckTreeOfPages(const char *path, TreeOfPagesCheck *check) {
  check->path = path;
  check->folders.clear();
  check->onlyPages = ListsOnlyPages(path, 0, check);
}

bool IsTreeCheckCurrent(const TreeOfPagesCheck &check) {
  unsigned long long written = 0;
  for (const auto &folder : check.folders)
    if (!FolderWriteTime(folder.first.c_str(), &written) || written != folder.second) return false;
  return !check.folders.empty();
}

bool KeptCopyPath(const DeletedEntry &entry, const DeletedItem &item, char *path) {
  if (!item.inBin.empty()) {
    if (item.inBin.size() >= PATH_BUFFER_SIZE) return false;
    strcpy(path, item.inBin.c_str());
    return true;
  }
  return IsKeptName(item.keptAs) && JoinPath(entry.folder.c_str(), item.keptAs.c_str(), path);
}

/* What the Recycle Bin keeps is the system's, not TAV's: it is looked at
   only as far as it goes back (itself, of the kind it was, not a link). */
bool IsKeptCopySound(const DeletedEntry &entry, const DeletedItem &item) {
  char path[PATH_BUFFER_SIZE];
  if (!KeptCopyPath(entry, item, path)) return false;
  if (item.inBin.empty()) return IsKeptTreeSound(path, item.kind == MOVE_FOLDER, 0);
  DWORD attributes = GetFileAttributesA(path);
  return IsRecycleBinPlace(path) && attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == (item.kind == MOVE_FOLDER);
}

bool ReadDeletedEntry(const char *folder, DeletedEntry *entry) {
  entry->folder = folder;
  char path[PATH_BUFFER_SIZE];
  std::string bytes;
  if (!JoinPath(folder, EntryListName, path) || ReadFileAt(path, &bytes) != 0) return false;
  return ParseDeletedEntry(bytes, entry);
}

bool ReadUnsavedText(const DeletedEntry &entry, RecoveryCopy *copy) {
  char path[PATH_BUFFER_SIZE];
  std::string bytes;
  return entry.hasUnsavedText && JoinPath(entry.folder.c_str(), UnsavedTextName, path) &&
         ReadFileAt(path, &bytes) == 0 && ParseRecoveryCopy(bytes, copy);
}
