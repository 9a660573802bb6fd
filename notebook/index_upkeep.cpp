// The search index of the notebook shown: opened when first wanted, kept in
// the user's local folder, built after start-up and kept current a slice at
// a time from the idle step (pages changed while TAV was closed found by a
// walk through the notebook), and followed through TAV's own saves, moves,
// renames and deletes and what the watch reports.
#include "notebook/notebook.h"

#include <stdio.h>
#include <string.h>

#include <deque>

#include "base/file_io.h"
#include "base/platform_seam.h"
#include "notebook/search_index.h"

bool SearchIndexInUse = true;

namespace {

SearchIndex Index;
// The work folder the index was opened (or tried) for.
char IndexedFolder[PATH_BUFFER_SIZE] = "";
// Locked by another TAV, or out of reach: searches read every page.
bool IndexOff = false;
bool SetAsideNews = false, SetAsideSaid = false;

// What the upkeep has still to do.
struct IndexUpkeep {
  bool walkDue = false;  // a walk through the whole notebook
  bool walking = false;
  NotebookWalk walk;
  std::unordered_set<std::string> seen;  // the pages the walk listed
  std::deque<std::string> folders;       // folders whose pages to list again
  ULONGLONG workSince = 0;               // when the transaction open began
  size_t bytesStored = 0;                // the page bytes it stored
  bool commitDue = false;                // that transaction to be ended in the next slice
};
IndexUpkeep Upkeep;

std::string PageRelative(const std::string &folder, const std::string &name) {
  return folder.empty() ? name : folder + "\\" + name;
}

// A full path below the work folder as the index names it; false for one
// elsewhere.
bool RelativeToWork(const char *path, std::string *relative) {
  size_t length = strlen(IndexedFolder);
  if (length == 0 || !PathIsAtOrBelow(path, IndexedFolder) || strlen(path) <= length) return false;
  const char *rest = path + length;
  if (*rest == '\\') ++rest;
  *relative = rest;
  return !relative->empty();
}

bool FullPath(const std::string &relative, char *path) {
  return JoinPath(IndexedFolder, relative.c_str(), path);
}

/* After any work on the index: a damaged one is set aside and made anew
   (and said once), one that fails otherwise is closed for this run. */
void AfterIndexWork() {
  if (Index.db == nullptr) return;
  if (Index.damaged) {
    CloseSearchIndex(&Index);
    char file[PATH_BUFFER_SIZE];
    if (IndexFilePath(IndexedFolder, file, true)) {
      SetAsideIndexFile(file);
      IndexOpening opened = OpenSearchIndex(&Index, file, IndexedFolder);
      if (opened == INDEX_OPENED || opened == INDEX_MADE_AGAIN) SetAsideNews = true;
    }
    IndexOff = Index.db == nullptr;
    Upkeep = IndexUpkeep();
    Upkeep.walkDue = true;
  } else if (Index.failed) {
    CloseSearchIndex(&Index);
    IndexOff = true;
  }
}

/* The index of the work folder shown; another work folder's is closed
   first. Null while there is none. */
SearchIndex *CurrentIndex() {
  if (!SearchIndexInUse || WorkFolderPath == nullptr || WorkFolderPath[0] == '\0') return nullptr;
  if (strcmp(IndexedFolder, WorkFolderPath) != 0) {
    CloseSearchIndex(&Index);
    snprintf(IndexedFolder, sizeof IndexedFolder, "%s", WorkFolderPath);
    Upkeep = IndexUpkeep();
    Upkeep.walkDue = true;
    char file[PATH_BUFFER_SIZE];
    IndexOpening opened =
        IndexFilePath(IndexedFolder, file, true) ? OpenSearchIndex(&Index, file, IndexedFolder)
                                                 : INDEX_UNAVAILABLE;
    if (opened == INDEX_MADE_AGAIN) SetAsideNews = true;
    IndexOff = opened == INDEX_LOCKED || opened == INDEX_UNAVAILABLE;
  }
  return Index.db != nullptr ? &Index : nullptr;
}

/* A page's bytes, when its file still has the size and write time it was
   listed with: its identity is the listing's (asking an open file for its
   index takes ten times as long as reading it under Wine, which asks for
   the volume's serial number too). A file replaced since the listing is
   found changed at the next one. Renames and deletes by other programs are
   not held up by the reading. */
bool ReadListedPage(const char *path, const FileStamp &listed, std::string *bytes) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILE_BASIC_INFO basic;
  bool read = ReadWholeFile(file, bytes) == 0 &&
              GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic);
  CloseHandle(file);
  return read && bytes->size() == listed.size &&
         static_cast<unsigned long long>(basic.LastWriteTime.QuadPart) == listed.writeTime;
}

/* A page read again and stored; one that cannot be read is forgotten. */
void StoreFromFile(const std::string &relative, const FileStamp &listed) {
  char path[PATH_BUFFER_SIZE];
  std::string bytes;
  if (!FullPath(relative, path)) return;
  if (listed.size <= PAGE_BYTES_MOST && ReadListedPage(path, listed, &bytes)) {
    StorePage(&Index, relative, listed, bytes);
    Upkeep.bytesStored += bytes.size();
  }
  else
    ForgetPage(&Index, relative);
}

// A page listed: stored again when the index does not hold it as it is now.
void KeepListedPage(const std::string &relative, const FileStamp &listed, bool onlineOnly) {
  if (onlineOnly) return;  // reading it would fetch it
  auto known = Index.pages.find(relative);
  if (known != Index.pages.end() && !known->second.outdated &&
      SameFileStamp(listed, known->second.stamp))
    return;
  StoreFromFile(relative, listed);
}

/* A folder's pages listed again: those changed stored, those gone forgotten. */
void KeepFolder(const std::string &relative) {
  char path[PATH_BUFFER_SIZE];
  if (!FullPath(relative, path) && !relative.empty()) return;
  if (relative.empty()) snprintf(path, sizeof path, "%s", IndexedFolder);
  NotebookWalk walk;
  EnterWalkFolder(&walk, path, relative);
  const WalkFolder &folder = walk.folders.back();
  std::unordered_set<std::string> listed;
  for (size_t i = 0; i < folder.pages.size(); ++i) {
    std::string page = PageRelative(relative, folder.pages[i]);
    listed.insert(page);
    KeepListedPage(page, folder.stamps[i], folder.onlineOnly[i]);
  }
  std::vector<std::string> gone;
  const std::string prefix = relative.empty() ? std::string() : relative + "\\";
  for (const auto &known : Index.pages) {
    const std::string &page = known.first;
    if (page.compare(0, prefix.size(), prefix) != 0 || page.find('\\', prefix.size()) != std::string::npos)
      continue;
    if (listed.count(page) == 0) gone.push_back(page);
  }
  for (const std::string &page : gone) ForgetPage(&Index, page);
}

/* A page's folder, to be listed again (a page's identity comes from its
   folder's listing). */
void QueueFolderOf(const std::string &page) {
  size_t slash = page.rfind('\\');
  std::string folder = slash == std::string::npos ? std::string() : page.substr(0, slash);
  if (Upkeep.folders.empty() || Upkeep.folders.back() != folder) Upkeep.folders.push_back(folder);
}

/* One step of the work: a folder queued, else a step of the walk;
   false when nothing is left. */
bool UpkeepStep() {
  if (!Upkeep.folders.empty()) {
    KeepFolder(Upkeep.folders.front());
    Upkeep.folders.pop_front();
    return true;
  }
  if (Upkeep.walkDue) {
    Upkeep.walkDue = false;
    Upkeep.walking = true;
    Upkeep.seen.clear();
    Upkeep.walk.folders.clear();
    EnterWalkFolder(&Upkeep.walk, IndexedFolder, "");
    return true;
  }
  if (!Upkeep.walking) return false;
  const WalkFolder *folder = nullptr;
  std::string fileName;
  WalkStepKind step = WalkStep(&Upkeep.walk, &folder, &fileName);
  if (step == WALK_PAGE) {
    std::string page = PageRelative(folder->relative, fileName);
    size_t at = folder->nextPage - 1;
    Upkeep.seen.insert(page);
    KeepListedPage(page, folder->stamps[at], folder->onlineOnly[at]);
    return true;
  }
  if (step == WALK_FOLDER) return true;
  // Walked through: what it did not list is no longer in the notebook.
  std::vector<std::string> gone;
  for (const auto &known : Index.pages)
    if (Upkeep.seen.count(known.first) == 0) gone.push_back(known.first);
  for (const std::string &page : gone) ForgetPage(&Index, page);
  Upkeep.walking = false;
  std::unordered_set<std::string>().swap(Upkeep.seen);
  return !Upkeep.folders.empty();
}

}  // namespace

/* %LOCALAPPDATA%\TAV\Index\<hash of the work folder's path>.db */
bool IndexFilePath(const char *workFolder, char *file, bool make) {
  char local[PATH_BUFFER_SIZE], folder[PATH_BUFFER_SIZE];
  if (!LocalDataFolder(local, make) || !JoinPath(local, "Index", folder)) return false;
  if (make && !CreateDirectoryA(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return false;
  char name[40];
  snprintf(name, sizeof name, "%016llx.db", HashPathIgnoringAsciiCase(workFolder));
  return JoinPath(folder, name, file);
}

bool IndexUpkeepPending() {
  if (!SearchIndexInUse || WorkFolderPath == nullptr || WorkFolderPath[0] == '\0') return false;
  if (strcmp(IndexedFolder, WorkFolderPath) != 0) return true;
  return !IndexOff && (Upkeep.walkDue || Upkeep.walking || !Upkeep.folders.empty() ||
                       Index.inTransaction || IndexLogDue(&Index));
}

/* Many pages to a transaction, for no longer than a message may wait; never
   while a search runs, which the upkeep would slow down. */
bool RunIndexUpkeepSlice() {
  if (!IndexUpkeepPending()) return false;
  if (FindAllRunning()) return true;
  // Opening it, and reading which pages it holds, is a slice of its own.
  const bool opening = strcmp(IndexedFolder, WorkFolderPath) != 0;
  if (CurrentIndex() == nullptr) return false;
  if (opening) return true;
  const ULONGLONG now = GetTickCount64(), until = now + 20;
  // A commit, and the log's write-back, each take as long as a slice of
  // work under Wine: each is a slice of its own.
  if (Upkeep.commitDue) {
    Upkeep.commitDue = false;
    EndIndexWork(&Index);
  } else if (IndexLogDue(&Index)) {
    WriteBackIndexLog(&Index);
  } else {
    if (!Index.inTransaction) {
      Upkeep.workSince = now;
      Upkeep.bytesStored = 0;
    }
    BeginIndexWork(&Index);
    bool more = true;
    while (more && !Index.damaged && !Index.failed) {
      more = UpkeepStep();
      if (GetTickCount64() >= until) break;
    }
    // A commit costs as much as storing many pages: one transaction spans
    // many slices, ended when the work is done, every two seconds or every
    // 2 MB of pages, so that no commit has too much to write (what a crash
    // loses is only to be read again).
    Upkeep.commitDue = !more || GetTickCount64() - Upkeep.workSince >= 2000 ||
                       Upkeep.bytesStored >= 2 * 1024 * 1024;
  }
  AfterIndexWork();
  return IndexUpkeepPending();
}

void BeginIndexedSearch(const SearchPattern &pattern, IndexedSearch *search) {
  search->on = false;
  search->candidates.clear();
  SearchIndex *index = CurrentIndex();
  if (index == nullptr) return;
  std::wstring folded = pattern.text;
  for (wchar_t &c : folded) c = FoldCase(c);
  search->on = FindCandidates(index, folded, &search->candidates, &search->allCandidates);
  search->generation = index->generation;
  AfterIndexWork();
  search->on = search->on && Index.db != nullptr;
}

IndexedPageAnswer PageFromIndex(const IndexedSearch &search, const std::string &relative,
                                const FileStamp &listed, std::string *bytes) {
  if (!search.on || Index.db == nullptr) return PAGE_NOT_INDEXED;
  auto known = Index.pages.find(relative);
  if (known == Index.pages.end() || known->second.outdated ||
      !SameFileStamp(listed, known->second.stamp)) {
    // Its folder listed again once the search is over.
    QueueFolderOf(relative);
    return PAGE_NOT_INDEXED;
  }
  const IndexedPage &page = known->second;
  if (!page.held) return PAGE_NOT_INDEXED;
  // A page stored after the search began was not asked about.
  if (!search.allCandidates && page.generation <= search.generation &&
      search.candidates.count(page.id) == 0)
    return PAGE_CANNOT_MATCH;
  if (ReadPageBytes(&Index, page, bytes)) return PAGE_FROM_INDEX;
  AfterIndexWork();
  return PAGE_NOT_INDEXED;
}

bool TakeIndexSetAsideNews() {
  if (!SetAsideNews || SetAsideSaid) return false;
  SetAsideSaid = true;
  return true;
}

void CloseIndex() {
  CloseSearchIndex(&Index);
  IndexedFolder[0] = '\0';
  IndexOff = false;
  SetAsideNews = SetAsideSaid = false;
  Upkeep = IndexUpkeep();
}

/* A rename keeps the file's identity and times: the entries stay valid
   under their new paths. */
void IndexItemMoved(bool folder, const char *from, const char *to) {
  if (Index.db == nullptr) return;
  std::string fromRelative, toRelative;
  if (!RelativeToWork(from, &fromRelative)) return;
  if (!RelativeToWork(to, &toRelative)) {
    IndexItemDeleted(folder, from);
    return;
  }
  std::vector<std::pair<std::string, std::string>> renames;
  for (const auto &known : Index.pages) {
    char path[PATH_BUFFER_SIZE], moved[PATH_BUFFER_SIZE];
    std::string movedRelative;
    if (FullPath(known.first, path) && FollowMove(path, from, to, moved) &&
        RelativeToWork(moved, &movedRelative))
      renames.emplace_back(known.first, movedRelative);
  }
  BeginIndexWork(&Index);
  for (const auto &rename : renames) RenamePage(&Index, rename.first, rename.second);
  EndIndexWork(&Index);
  AfterIndexWork();
}

/* The index keeps no text of a page deleted. */
void IndexItemDeleted(bool, const char *path) {
  if (Index.db == nullptr) return;
  std::vector<std::string> gone;
  for (const auto &known : Index.pages) {
    char full[PATH_BUFFER_SIZE];
    if (FullPath(known.first, full) && PathIsAtOrBelow(full, path)) gone.push_back(known.first);
  }
  BeginIndexWork(&Index);
  for (const std::string &page : gone) ForgetPage(&Index, page);
  EndIndexWork(&Index);
  AfterIndexWork();
}

void IndexFolderPagesChanged(const char *folder) {
  std::string relative;
  if (Index.db == nullptr) return;
  if (FolderPathsEqual(folder, IndexedFolder))
    Upkeep.folders.push_back("");
  else if (RelativeToWork(folder, &relative))
    Upkeep.folders.push_back(relative);
}

/* TAV's own save: storing a large page now would slow the save down, so
   its entry is only marked out of date (the file's new stamp differs) and
   its folder listed again in a later slice. */
void IndexPageWritten(const char *path) {
  std::string relative;
  if (Index.db == nullptr || !RelativeToWork(path, &relative)) return;
  auto known = Index.pages.find(relative);
  if (known != Index.pages.end()) known->second.outdated = true;
  QueueFolderOf(relative);
}
