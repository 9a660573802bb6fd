// The store of the pages' earlier versions, in %LOCALAPPDATA%\TAV\History:
// a folder for each notebook, named by a hash of its work folder, and in it
// a folder for each page, named by a hash of the page's path below the work
// folder, holding the page's index and its versions, each a file of the
// exact bytes the page file held. A deleted page's folder is renamed aside
// ("d-<hash>-<when>"), so that a new page of the same name starts afresh.
// What the store holds may be damaged or written by anyone: every name and
// index is checked before it is acted on, and what does not read right is
// passed over.
#include "pages/pages.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/platform_seam.h"

static const char IndexName[] = "page.txt";

// Why the store could not be written, until the user is told (once a run).
static DWORD StoreFailure = 0;
static bool StoreFailureSaid = false;
// The bytes the versions take, once the store was gone through in this run.
static bool StoreMeasured = false;
static unsigned long long StoreBytes = 0;
// The pages a save kept a version of in this run, by the hash of their
// path below the work folder, and when.
static std::vector<std::pair<unsigned long long, ULONGLONG>> KeptThisRun;

static void NoteStoreFailure() {
  if (StoreFailure == 0) StoreFailure = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
}

void SayVersionStoreFailure() {
  if (StoreFailure == 0 || StoreFailureSaid) return;
  StoreFailureSaid = true;
  char folder[PATH_BUFFER_SIZE];
  if (!VersionStoreFolder(folder, false)) strcpy(folder, "History");
  SetLastError(StoreFailure);
  ShowSystemErrorAbout("TAV cannot keep the earlier versions of your pages in '%s'; the pages "
                       "are saved as always, but their earlier texts are not kept",
                       folder);
}

void ForgetVersionStoreState() {
  StoreFailure = 0;
  StoreFailureSaid = false;
  StoreMeasured = false;
  StoreBytes = 0;
  KeptThisRun.clear();
}

/* ---- folders ---- */

// A folder of the store that is a link could lead anywhere: it is never
// entered.
static bool IsPlainFolder(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

static bool MakeStoreFolder(const char *path, bool make) {
  if (IsPlainFolder(path)) return true;
  if (!make || GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return CreateDirectoryA(path, nullptr) || IsPlainFolder(path);
}

bool VersionStoreFolder(char *folder, bool make) {
  char local[PATH_BUFFER_SIZE];
  return LocalDataFolder(local, make) && JoinPath(local, "History", folder) &&
         MakeStoreFolder(folder, make);
}

/* The notebook's own folder in the store, named by a hash of its work
   folder: two notebooks with pages of one name keep apart. */
static bool NotebookStore(char *folder, bool make) {
  if (WorkFolderPath == nullptr || WorkFolderPath[0] == '\0') return false;
  char history[PATH_BUFFER_SIZE], name[24];
  snprintf(name, sizeof name, "%016llx", HashPathIgnoringAsciiCase(WorkFolderPath));
  // Looked for first: making it means asking for every folder above it.
  if (VersionStoreFolder(history, false) && JoinPath(history, name, folder) && IsPlainFolder(folder))
    return true;
  return make && VersionStoreFolder(history, true) && JoinPath(history, name, folder) &&
         MakeStoreFolder(folder, true);
}

// The page's path below the work folder: only a page of the notebook shown
// has versions.
static bool RelativePagePath(const char *pagePath, std::string *relative) {
  const char *rest = nullptr;
  if (WorkFolderPath == nullptr || !PathBelowFolder(pagePath, WorkFolderPath, &rest)) return false;
  *relative = rest;
  return IsPlainRelativePagePath(*relative);
}

static std::string LiveEntryName(const std::string &relative) {
  char name[24];
  snprintf(name, sizeof name, "%016llx", HashPathIgnoringAsciiCase(relative.c_str()));
  return name;
}

static bool IsHexName(const char *name, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return false;
  return true;
}

// "<hash>" for a page of the notebook, "d-<hash>-<when>" for a deleted one.
static bool ParseEntryName(const char *name, bool *deleted) {
  size_t length = strlen(name);
  if (length == 16 && IsHexName(name, 16)) {
    *deleted = false;
    return true;
  }
  *deleted = true;
  return length == 35 && name[0] == 'd' && name[1] == '-' && IsHexName(name + 2, 16) &&
         name[18] == '-' && IsHexName(name + 19, 16);
}

/* The index of an entry, read and checked: its page's path must be a plain
   path below the work folder, and hash to the entry's name. */
static bool ReadEntryIndex(const char *entryFolder, const char *entryName, PageIndex *index) {
  bool deleted = false;
  char path[PATH_BUFFER_SIZE];
  std::string bytes;
  HANDLE file = INVALID_HANDLE_VALUE;
  if (!ParseEntryName(entryName, &deleted) || !IsPlainFolder(entryFolder) ||
      !JoinPath(entryFolder, IndexName, path))
    return false;
  file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD error = ReadFileUpTo(file, 4096, &bytes);
  CloseHandle(file);
  if (error != 0 || !ParsePageIndex(bytes, index) || (index->deletedAt != 0) != deleted)
    return false;
  return LiveEntryName(index->relative).compare(0, 16, entryName + (deleted ? 2 : 0), 16) == 0;
}

/* The store's files are written without waiting for the disk: a version
   is a copy of a text that is elsewhere as well (the page, its Recycle Bin
   item), and one cut short by a crash no longer matches the hash in its
   name, so it is passed over; an index cut short is passed over too. Each
   wait would cost a delete of a thousand pages seconds. A new file is never
   written over anything. */
static bool WriteStoreFile(const char *path, const std::string &bytes) {
  return WriteFileUnwaited(path, bytes, false);
}

// The index takes its place once written whole.
static bool WriteEntryIndex(const char *entryFolder, const PageIndex &index) {
  char path[PATH_BUFFER_SIZE], next[PATH_BUFFER_SIZE];
  if (!JoinPath(entryFolder, IndexName, path) || !JoinPath(entryFolder, "page.new", next))
    return false;
  DeleteFileA(next);
  if (!WriteStoreFile(next, FormatPageIndex(index))) return false;
  if (MoveFileExA(next, path, MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileKeepingError(next);
  return false;
}

/* The folder of a page's versions; made, with its index, when asked (*fresh
   then says whether it was made just now, and so holds no versions). */
static bool PageEntry(const char *pagePath, char *entry, bool make, std::string *relative,
                      bool *fresh = nullptr) {
  char notebook[PATH_BUFFER_SIZE];
  if (fresh != nullptr) *fresh = false;
  if (!RelativePagePath(pagePath, relative) || !NotebookStore(notebook, make) ||
      !JoinPath(notebook, LiveEntryName(*relative).c_str(), entry))
    return false;
  if (!make) return IsPlainFolder(entry);
  // Made at the first try for most pages of a folder being deleted: nothing
  // more to look at.
  char indexPath[PATH_BUFFER_SIZE];
  if (CreateDirectoryA(entry, nullptr)) {
    if (fresh != nullptr) *fresh = true;
    return JoinPath(entry, IndexName, indexPath) &&
           WriteStoreFile(indexPath, FormatPageIndex(PageIndex{*relative, 0}));
  }
  PageIndex index;
  if (!IsPlainFolder(entry)) return false;
  if (ReadEntryIndex(entry, PathFindFileNameA(entry), &index) &&
      index.relative == *relative)
    return true;
  return WriteEntryIndex(entry, PageIndex{*relative, 0});
}

/* ---- the versions of a page ---- */

static unsigned long long NowAsFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<unsigned long long>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

// The versions in an entry's folder whose names this program writes, files
// (not folders or links) of a page's size at most; newest first.
static void ListEntryVersions(const char *entry, std::vector<PageVersion> *versions) {
  versions->clear();
  char pattern[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (!JoinPath(entry, "*.ver", pattern) || !StartListing(pattern, &listing)) return;
  ListedEntry listed;
  PageVersion version;
  while (NextListed(&listing, &listed)) {
    if (listed.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    if (!ParseVersionName(listed.name, &version.name)) continue;
    version.file = listed.name;
    const WIN32_FIND_DATAW &found = listing.found;
    version.size = static_cast<unsigned long long>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    if (version.size > PAGE_VERSION_LIMIT) continue;
    versions->push_back(version);
  }
  EndListing(&listing);
  std::sort(versions->begin(), versions->end(), [](const PageVersion &a, const PageVersion &b) {
    return a.name.time != b.name.time ? a.name.time > b.name.time : a.file > b.file;
  });
}

bool ListPageVersions(const char *pagePath, std::vector<PageVersion> *versions) {
  versions->clear();
  char entry[PATH_BUFFER_SIZE];
  std::string relative;
  PageIndex index;
  if (!PageEntry(pagePath, entry, false, &relative) ||
      !ReadEntryIndex(entry, PathFindFileNameA(entry), &index))
    return false;
  ListEntryVersions(entry, versions);
  return !versions->empty();
}

static bool ReadVersionAt(const char *entry, const PageVersion &version, std::string *bytes) {
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(entry, version.file.c_str(), path)) return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD error = ReadFileUpTo(file, PAGE_VERSION_LIMIT, bytes);
  CloseHandle(file);
  // A version whose bytes are not those its name's hash says is damaged.
  return error == 0 && HashVersionBytes(bytes->data(), bytes->size()) == version.name.hash;
}

bool ReadPageVersion(const char *pagePath, const PageVersion &version, std::string *bytes) {
  char entry[PATH_BUFFER_SIZE];
  std::string relative;
  return PageEntry(pagePath, entry, false, &relative) && ReadVersionAt(entry, version, bytes);
}

/* ---- keeping a version ---- */

// A version's time: now, or just after the newest, so that the order the
// versions were kept in stays their order by name.
static unsigned long long NextVersionTime(const std::vector<PageVersion> &versions) {
  unsigned long long now = NowAsFileTime();
  const unsigned long long ms = 10000;
  if (!versions.empty() && versions.front().name.time / ms >= now / ms)
    now = (versions.front().name.time / ms + 1) * ms;
  return now;
}

static bool SameAsNewest(const std::vector<PageVersion> &versions, unsigned long long size,
                         unsigned long long hash) {
  return !versions.empty() && versions.front().name.hash == hash && versions.front().size == size;
}

/* The store is gone through at exit, not at a save, and also once the
   versions kept in a run (before it was measured) or since it was measured
   take it past its bound. */
static void NoteKeptBytes(unsigned long long size) {
  StoreBytes += size;
  if (StoreBytes > (StoreMeasured ? VERSION_STORE_BOUND : VERSION_STORE_BOUND / 8))
    ThinVersionStore();
}

bool KeepTextAsVersion(const char *pagePath, const std::string &bytes, VersionReason reason) {
  char entry[PATH_BUFFER_SIZE];
  std::string relative;
  if (!RelativePagePath(pagePath, &relative)) return false;
  bool fresh = false;
  if (!PageEntry(pagePath, entry, true, &relative, &fresh)) {
    NoteStoreFailure();
    return false;
  }
  std::vector<PageVersion> versions;
  if (!fresh) ListEntryVersions(entry, &versions);
  unsigned long long hash = HashVersionBytes(bytes.data(), bytes.size());
  if (SameAsNewest(versions, bytes.size(), hash)) return true;
  std::string name = FormatVersionName(VersionName{NextVersionTime(versions), reason, hash});
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(entry, name.c_str(), path) || !WriteStoreFile(path, bytes)) {
    NoteStoreFailure();
    return false;
  }
  NoteKeptBytes(bytes.size());
  return true;
}

static bool SetEntryAside(const char *notebook, const char *entry, const std::string &relative,
                          unsigned long long when);

bool KeepDeletedPageText(const char *pagePath, unsigned long long deletedAt,
                         const std::string &bytes) {
  std::string relative;
  char notebook[PATH_BUFFER_SIZE], live[PATH_BUFFER_SIZE], aside[PATH_BUFFER_SIZE], name[40];
  if (!RelativePagePath(pagePath, &relative)) return false;
  if (!NotebookStore(notebook, true)) {
    NoteStoreFailure();
    return false;
  }
  std::string liveName = LiveEntryName(relative);
  snprintf(name, sizeof name, "d-%s-%016llx", liveName.c_str(), deletedAt);
  if (!JoinPath(notebook, liveName.c_str(), live) || !JoinPath(notebook, name, aside)) return false;
  PageIndex index;
  if (!IsPlainFolder(aside) && IsPlainFolder(live) &&
      GetFileAttributesA(pagePath) == INVALID_FILE_ATTRIBUTES &&
      ReadEntryIndex(live, liveName.c_str(), &index) && index.relative == relative)
    SetEntryAside(notebook, live, relative, deletedAt);
  char path[PATH_BUFFER_SIZE];
  if (!IsPlainFolder(aside) &&
      (!CreateDirectoryA(aside, nullptr) || !JoinPath(aside, IndexName, path) ||
       !WriteStoreFile(path, FormatPageIndex(PageIndex{relative, deletedAt})))) {
    NoteStoreFailure();
    return false;
  }
  std::vector<PageVersion> versions;
  ListEntryVersions(aside, &versions);
  unsigned long long hash = HashVersionBytes(bytes.data(), bytes.size());
  if (SameAsNewest(versions, bytes.size(), hash)) return true;
  std::string file = FormatVersionName(VersionName{NextVersionTime(versions), REASON_DELETED, hash});
  if (!JoinPath(aside, file.c_str(), path) || !WriteStoreFile(path, bytes)) {
    NoteStoreFailure();
    return false;
  }
  NoteKeptBytes(bytes.size());
  return true;
}

/* The page file as it is, kept by a hard link where the store is on its
   volume (the save is about to put a new file in its place, so the link
   then holds the old text alone), else by a copy. */
static bool KeepFileAsVersion(const char *pagePath, const char *entry,
                              const std::vector<PageVersion> &versions, unsigned long long hash,
                              VersionReason reason, unsigned long long size, std::string *made) {
  std::string name = FormatVersionName(VersionName{NextVersionTime(versions), reason, hash});
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(entry, name.c_str(), path)) return false;
  if (!CreateHardLinkA(path, pagePath, nullptr) && !CopyFileA(pagePath, path, TRUE)) return false;
  *made = path;
  NoteKeptBytes(size);
  return true;
}

bool KeepVersionBeforeSave(const char *pagePath, bool hashKnown, unsigned long long hash,
                           std::string *made) {
  made->clear();
  std::string relative;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!RelativePagePath(pagePath, &relative) ||
      !GetFileAttributesExA(pagePath, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  unsigned long long key = HashPathIgnoringAsciiCase(relative.c_str());
  const std::pair<unsigned long long, ULONGLONG> *kept = nullptr;
  for (const auto &page : KeptThisRun)
    if (page.first == key) kept = &page;
  if (!VersionDueAtSave(kept != nullptr, kept != nullptr ? kept->second : 0, GetTickCount64()))
    return false;
  unsigned long long size = static_cast<unsigned long long>(data.nFileSizeHigh) << 32 |
                            data.nFileSizeLow;
  if (size > PAGE_VERSION_LIMIT) return false;
  if (!hashKnown) {
    // The file is not what TAV read: it is read for its hash, and kept as read.
    std::string bytes;
    if (ReadFileAt(pagePath, &bytes) != 0) return false;
    return KeepTextAsVersion(pagePath, bytes, REASON_SAVED_OVER);
  }
  char entry[PATH_BUFFER_SIZE];
  if (!PageEntry(pagePath, entry, true, &relative)) {
    NoteStoreFailure();
    return false;
  }
  std::vector<PageVersion> versions;
  ListEntryVersions(entry, &versions);
  if (SameAsNewest(versions, size, hash)) return true;
  if (!KeepFileAsVersion(pagePath, entry, versions, hash, REASON_SAVED_OVER, size, made)) {
    NoteStoreFailure();
    return false;
  }
  return true;
}

/* A save that failed left the page file in place, and a link to it would
   change with it: the version goes. One that succeeded starts the ten
   minutes until the next. */
void FinishVersionBeforeSave(const char *pagePath, const std::string &made, bool kept,
                             bool saved) {
  if (!saved) {
    if (!made.empty()) DeleteFileA(made.c_str());
    return;
  }
  std::string relative;
  if (!RelativePagePath(pagePath, &relative)) return;
  unsigned long long key = HashPathIgnoringAsciiCase(relative.c_str());
  for (auto &page : KeptThisRun)
    if (page.first == key) {
      if (kept) page.second = GetTickCount64();
      return;
    }
  KeptThisRun.push_back({key, GetTickCount64()});
}

/* ---- following moves and deletions ---- */

// The entry of a page is set aside as deleted: its page's name is free for
// a new page with a history of its own.
static bool SetEntryAside(const char *notebook, const char *entry, const std::string &relative,
                          unsigned long long when) {
  char name[40], aside[PATH_BUFFER_SIZE];
  snprintf(name, sizeof name, "d-%s-%016llx", LiveEntryName(relative).c_str(), when);
  if (!JoinPath(notebook, name, aside) || !WriteEntryIndex(entry, PageIndex{relative, when}))
    return false;
  if (MoveFileA(entry, aside)) return true;
  WriteEntryIndex(entry, PageIndex{relative, 0});
  return false;
}

/* An entry named for a page's new path; one that is there already belonged
   to a page of that name that is gone (the move found the name free), and
   is set aside as deleted. */
static bool MoveEntry(const char *notebook, const char *entry, const std::string &to) {
  char target[PATH_BUFFER_SIZE];
  PageIndex index;
  if (!JoinPath(notebook, LiveEntryName(to).c_str(), target)) return false;
  bool sameEntry = strcmp(PathFindFileNameA(target), PathFindFileNameA(entry)) == 0;
  if (!sameEntry && IsPlainFolder(target)) {
    if (!ReadEntryIndex(target, PathFindFileNameA(target), &index) ||
        !SetEntryAside(notebook, target, index.relative, NowAsFileTime()))
      return false;
  }
  if (!sameEntry && !MoveFileA(entry, target)) return false;
  return WriteEntryIndex(target, PageIndex{to, 0});
}

// The pages' entries of the notebook: (entry name, index).
static void ListEntries(const char *notebook, bool deleted,
                        std::vector<std::pair<std::string, PageIndex>> *entries) {
  entries->clear();
  char pattern[PATH_BUFFER_SIZE], entry[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (!JoinPath(notebook, "*", pattern) || !StartListing(pattern, &listing)) return;
  ListedEntry listed;
  PageIndex index;
  bool isDeleted;
  while (NextListed(&listing, &listed)) {
    if (!(listed.attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !ParseEntryName(listed.name, &isDeleted) || isDeleted != deleted)
      continue;
    if (JoinPath(notebook, listed.name, entry) && ReadEntryIndex(entry, listed.name, &index))
      entries->push_back({listed.name, index});
  }
  EndListing(&listing);
}

void MoveVersions(bool folder, const char *from, const char *to) {
  std::string fromRelative, toRelative;
  char notebook[PATH_BUFFER_SIZE], entry[PATH_BUFFER_SIZE], moved[PATH_BUFFER_SIZE];
  if (!NotebookStore(notebook, false)) return;
  if (!folder) {
    if (!RelativePagePath(from, &fromRelative) || !RelativePagePath(to, &toRelative) ||
        !JoinPath(notebook, LiveEntryName(fromRelative).c_str(), entry) || !IsPlainFolder(entry))
      return;
    PageIndex index;
    if (ReadEntryIndex(entry, PathFindFileNameA(entry), &index))
      MoveEntry(notebook, entry, toRelative);
    return;
  }
  // A folder: the entries of the pages below it, by their indexes.
  std::vector<std::pair<std::string, PageIndex>> entries;
  ListEntries(notebook, false, &entries);
  std::string page;
  for (const auto &listed : entries) {
    if (!JoinPath(WorkFolderPath, listed.second.relative.c_str(), moved)) continue;
    page = moved;
    if (!FollowMove(page.c_str(), from, to, moved) || !RelativePagePath(moved, &toRelative) ||
        !JoinPath(notebook, listed.first.c_str(), entry))
      continue;
    MoveEntry(notebook, entry, toRelative);
  }
}

void MarkVersionsDeleted(bool folder, const char *path, bool (*passOver)(const char *)) {
  std::string relative;
  char notebook[PATH_BUFFER_SIZE], entry[PATH_BUFFER_SIZE], page[PATH_BUFFER_SIZE];
  PageIndex index;
  // Those passed over are set aside with the texts they had, as those are kept.
  if ((passOver != nullptr && passOver(path)) || !NotebookStore(notebook, false)) return;
  unsigned long long now = NowAsFileTime();
  if (!folder) {
    if (RelativePagePath(path, &relative) &&
        JoinPath(notebook, LiveEntryName(relative).c_str(), entry) && IsPlainFolder(entry) &&
        ReadEntryIndex(entry, PathFindFileNameA(entry), &index))
      SetEntryAside(notebook, entry, index.relative, now);
    return;
  }
  std::vector<std::pair<std::string, PageIndex>> entries;
  ListEntries(notebook, false, &entries);
  for (const auto &listed : entries)
    if (JoinPath(WorkFolderPath, listed.second.relative.c_str(), page) &&
        PathIsAtOrBelow(page, path) && (passOver == nullptr || !passOver(page)) &&
        JoinPath(notebook, listed.first.c_str(), entry))
      SetEntryAside(notebook, entry, listed.second.relative, now);
}

/* ---- deleted pages ---- */

void ListDeletedPages(std::vector<DeletedPage> *pages) {
  pages->clear();
  char notebook[PATH_BUFFER_SIZE], entry[PATH_BUFFER_SIZE];
  if (!NotebookStore(notebook, false)) return;
  std::vector<std::pair<std::string, PageIndex>> entries;
  ListEntries(notebook, true, &entries);
  std::vector<PageVersion> versions;
  for (const auto &listed : entries) {
    if (!JoinPath(notebook, listed.first.c_str(), entry)) continue;
    ListEntryVersions(entry, &versions);
    if (versions.empty()) continue;
    pages->push_back(DeletedPage{listed.first, listed.second.relative, listed.second.deletedAt,
                                 versions.front()});
  }
  std::sort(pages->begin(), pages->end(), [](const DeletedPage &a, const DeletedPage &b) {
    return a.deletedAt > b.deletedAt;
  });
}

bool ReadDeletedPageText(const DeletedPage &page, std::string *bytes) {
  char notebook[PATH_BUFFER_SIZE], entry[PATH_BUFFER_SIZE];
  PageIndex index;
  return NotebookStore(notebook, false) && JoinPath(notebook, page.entry.c_str(), entry) &&
         ReadEntryIndex(entry, page.entry.c_str(), &index) && ReadVersionAt(entry, page.newest, bytes);
}

/* The page is back at pagePath: its versions are its history again. */
void ReviveDeletedPage(const DeletedPage &page, const char *pagePath) {
  char notebook[PATH_BUFFER_SIZE], entry[PATH_BUFFER_SIZE];
  std::string relative;
  PageIndex index;
  if (!RelativePagePath(pagePath, &relative) || !NotebookStore(notebook, false) ||
      !JoinPath(notebook, page.entry.c_str(), entry) ||
      !ReadEntryIndex(entry, page.entry.c_str(), &index))
    return;
  MoveEntry(notebook, entry, relative);
}

/* Pages brought back at their old paths (a delete undone): the history of
   each, its last deletion's, is its history again. */
void ReviveDeletedVersions(bool folder, const char *path) {
  char notebook[PATH_BUFFER_SIZE], entry[PATH_BUFFER_SIZE], page[PATH_BUFFER_SIZE];
  if (!NotebookStore(notebook, false)) return;
  std::vector<std::pair<std::string, PageIndex>> entries;
  ListEntries(notebook, true, &entries);
  std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
    return a.second.deletedAt > b.second.deletedAt;
  });
  std::vector<std::string> revived;
  for (const auto &listed : entries) {
    const std::string &relative = listed.second.relative;
    if (!JoinPath(WorkFolderPath, relative.c_str(), page) ||
        !(folder ? PathIsAtOrBelow(page, path) : FolderPathsEqual(page, path)) ||
        !IsPageFile(page) || std::find(revived.begin(), revived.end(), relative) != revived.end() ||
        !JoinPath(notebook, listed.first.c_str(), entry))
      continue;
    revived.push_back(relative);
    MoveEntry(notebook, entry, relative);
  }
}

/* ---- thinning ---- */

namespace {
struct StoreContents {
  std::vector<std::string> entries;  // their folders
  std::vector<StoredPage> pages;
  std::vector<StoredVersion> versions;
  std::vector<std::string> files;  // of the versions
};
}  // namespace

static void ReadStoreContents(const char *notebook, StoreContents *contents) {
  char entry[PATH_BUFFER_SIZE];
  std::vector<PageVersion> versions;
  for (bool deleted : {false, true}) {
    std::vector<std::pair<std::string, PageIndex>> entries;
    ListEntries(notebook, deleted, &entries);
    for (const auto &listed : entries) {
      if (!JoinPath(notebook, listed.first.c_str(), entry)) continue;
      size_t page = contents->pages.size();
      contents->entries.push_back(entry);
      contents->pages.push_back(StoredPage{listed.second.deletedAt});
      ListEntryVersions(entry, &versions);
      for (const PageVersion &version : versions) {
        contents->versions.push_back(
            StoredVersion{page, version.name.time, version.size, version.name.reason});
        contents->files.push_back(std::string(entry) + "\\" + version.file);
      }
    }
  }
}

// A deleted page forgotten: its versions are gone, then its index and folder.
static void RemoveEntry(const std::string &entry) {
  std::vector<PageVersion> versions;
  ListEntryVersions(entry.c_str(), &versions);
  if (!versions.empty()) return;
  char index[PATH_BUFFER_SIZE];
  if (JoinPath(entry.c_str(), IndexName, index)) DeleteFileA(index);
  RemoveDirectoryA(entry.c_str());
}

void ThinVersionStore() {
  char notebook[PATH_BUFFER_SIZE];
  StoreMeasured = true;
  if (!NotebookStore(notebook, false)) return;
  StoreContents contents;
  ReadStoreContents(notebook, &contents);
  ThinningPlan plan =
      PlanThinning(contents.pages, contents.versions, NowAsFileTime(), VERSION_STORE_BOUND);
  std::vector<char> goes(contents.versions.size(), 0);
  for (size_t i : plan.versions) {
    if (DeleteFileA(contents.files[i].c_str())) goes[i] = 1;
  }
  StoreBytes = 0;
  for (size_t i = 0; i < contents.versions.size(); ++i)
    if (!goes[i]) StoreBytes += contents.versions[i].size;
  for (size_t page : plan.pages) RemoveEntry(contents.entries[page]);
}
