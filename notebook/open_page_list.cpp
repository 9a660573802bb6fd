// Open Page's list: every page below the work folder, the pages shown lately
// first, found by one walk through the notebook run in slices while the
// message queue is empty, and kept as other programs and TAV make, rename
// and delete pages while the dialog is open.
#include "notebook/notebook.h"

#include <shlwapi.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

OpenPageList PageListing;

// The dialog that shows the list, told by message when the rows or the
// state of the listing changed: what it shows is its own.
static HWND ListDialog;

void SetPageListDialog(HWND dialog) { ListDialog = dialog; }

static void TellDialog(UINT message, bool countLags) {
  if (ListDialog != nullptr) SendMessageA(ListDialog, message, countLags ? TRUE : FALSE, 0);
}

namespace {

// Paths name one page whatever the letter case of their ASCII letters, as
// FolderPathsEqual compares them.
std::string KeyOf(const std::string &path) {
  std::string key = path;
  for (char &c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return key;
}

std::wstring Wide(const char *text) {
  WCHAR wide[PATH_BUFFER_SIZE];
  if (!WideFromCodePage(text, wide, PATH_BUFFER_SIZE)) return std::wstring();
  return wide;
}

/* A page at its full path, listed once; folder: below the work folder. */
void AddPage(const std::string &fullPath, const char *fileName, const std::string &folder,
             size_t recency) {
  std::string key = KeyOf(fullPath);
  if (PageListing.known.count(key) != 0) return;
  if (PageListing.folderShown.empty() || folder != PageListing.folder) {
    PageListing.folder = folder;
    PageListing.folderShown = Wide(folder.c_str());
  }
  std::string name = fileName;
  name.resize(name.size() - 4);  // without ".tav"
  ListedPage page;
  MakeListedPage(fullPath, Wide(name.c_str()), folder.empty() ? L"" : PageListing.folderShown, recency,
                 &page);
  PageListing.known[key] = PageListing.pages.size();
  PageListing.fresh.push_back(PageListing.pages.size());
  PageListing.pages.push_back(std::move(page));
}

/* One of the pages shown lately, when it is still in the notebook. */
void LookForRecentPage() {
  const size_t rank = PageListing.recentLooked++;
  const std::string &path = PageListing.recent[rank];
  const char *below = nullptr;
  if (!PathBelowFolder(path.c_str(), PageListing.workFolder, &below) || !IsPageFile(path.c_str())) return;
  // By characters: under a double-byte code page a trail byte may have a
  // backslash's value.
  const char *fileName = PathFindFileNameA(below);
  if (!IsPageFileName(fileName)) return;
  std::string folder(below, static_cast<size_t>(fileName - below));
  if (!folder.empty()) folder.pop_back();
  AddPage(path, fileName, folder, rank);
}

// The rank of a page among those shown lately, for pages listed again.
size_t RecencyOf(const std::string &path) {
  size_t rank = NOT_SHOWN_LATELY;
  return FindPageShown(PagesShownRecord, path.c_str(), &rank) != nullptr ? rank : NOT_SHOWN_LATELY;
}

void AddWalkedPage(const WalkFolder &folder, const std::string &fileName, bool askRecency) {
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(folder.path.c_str(), fileName.c_str(), path)) return;
  AddPage(path, fileName.c_str(), folder.relative, askRecency ? RecencyOf(path) : NOT_SHOWN_LATELY);
}

bool ListStep() {
  if (PageListing.recentLooked < PageListing.recent.size()) {
    LookForRecentPage();
    return true;
  }
  const WalkFolder *folder = nullptr;
  std::string fileName;
  WalkStepKind step = WalkStep(&PageListing.walk, &folder, &fileName);
  if (step == WALK_PAGE) AddWalkedPage(*folder, fileName, false);
  return step != WALK_END;
}

bool BaseBefore(size_t a, size_t b) { return ListedBefore(PageListing.pages[a], PageListing.pages[b]); }
bool RowBefore(size_t a, size_t b) { return RankedBefore(PageListing.pages[a], PageListing.pages[b]); }

void ForgetPagesWhere(bool (*gone)(const ListedPage &page, const char *folder),
                      const char *folder) {
  auto removed = [&](size_t index) { return gone(PageListing.pages[index], folder); };
  for (size_t index : PageListing.base)
    if (removed(index)) PageListing.known.erase(KeyOf(PageListing.pages[index].fullPath));
  PageListing.base.erase(std::remove_if(PageListing.base.begin(), PageListing.base.end(), removed), PageListing.base.end());
  PageListing.rows.erase(std::remove_if(PageListing.rows.begin(), PageListing.rows.end(), removed), PageListing.rows.end());
  PageListing.fresh.erase(std::remove_if(PageListing.fresh.begin(), PageListing.fresh.end(), removed),
                   PageListing.fresh.end());
}

bool InFolder(const ListedPage &page, const char *folder) {
  const char *path = page.fullPath.c_str();
  const char *name = PathFindFileNameA(path);
  if (name == path) return false;
  std::string parent(path, static_cast<size_t>(name - 1 - path));
  return FolderPathsEqual(parent.c_str(), folder);
}

bool AtOrBelow(const ListedPage &page, const char *folder) {
  return PathIsAtOrBelow(page.fullPath.c_str(), folder);
}

static bool InNotebook(const char *folder) {
  const char *below = nullptr;
  return FolderPathsEqual(folder, PageListing.workFolder) || PathBelowFolder(folder, PageListing.workFolder, &below);
}

}  // namespace

/* The pages found since the last time join the base order and, when they
   match what was typed, the rows: both stay sorted without sorting them
   again. */
void TakeFreshPages() {
  if (PageListing.fresh.empty()) return;
  std::vector<size_t> fresh;
  fresh.swap(PageListing.fresh);
  std::sort(fresh.begin(), fresh.end(), BaseBefore);
  size_t middle = PageListing.base.size();
  PageListing.base.insert(PageListing.base.end(), fresh.begin(), fresh.end());
  std::inplace_merge(PageListing.base.begin(), PageListing.base.begin() + static_cast<long>(middle),
                     PageListing.base.end(), BaseBefore);
  std::vector<size_t> matching;
  RankPages(&PageListing.pages, fresh, PageListing.typed, false, &matching);
  std::sort(matching.begin(), matching.end(), RowBefore);
  middle = PageListing.rows.size();
  PageListing.rows.insert(PageListing.rows.end(), matching.begin(), matching.end());
  std::inplace_merge(PageListing.rows.begin(), PageListing.rows.begin() + static_cast<long>(middle),
                     PageListing.rows.end(), RowBefore);
}

void BeginPageList() {
  OpenPageList fresh;
  std::swap(PageListing, fresh);
  if (WorkFolderPath == nullptr || WorkFolderPath[0] == '\0') return;
  strcpy(PageListing.workFolder, WorkFolderPath);
  for (const ShownPage &page : PagesShownRecord) PageListing.recent.push_back(page.path);
  EnterWalkFolder(&PageListing.walk, PageListing.workFolder, "");
  PageListing.listing = true;
}

void ForgetPageList() {
  OpenPageList none;
  std::swap(PageListing, none);
}

void RankPageList(bool narrowing) {
  RankPages(&PageListing.pages, PageListing.base, PageListing.typed, narrowing, &PageListing.rows);
}

/* A slice of the listing, milliseconds long or until enough pages are
   found. The first pages found are
   shown at once, the ones found later four times a second and at the end:
   showing them after every slice took twice as long as the listing itself
   (seen under Wine). */
bool RunPageListing(DWORD milliseconds, size_t enough) {
  if (!OpenPageListing()) return false;
  ULONGLONG now = GetTickCount64(), until = now + milliseconds;
  bool more = true;
  do {
    more = ListStep();
  } while (more && (now = GetTickCount64()) < until && PageListing.fresh.size() < enough);
  const bool firstPages = PageListing.base.empty() && !PageListing.fresh.empty();
  if (!more || firstPages || now - PageListing.shownAt >= 250) {
    // The count of rows once a second: it redraws the scroll bar, which
    // took 20 ms each time (seen under Wine).
    const bool count = !more || now - PageListing.countShownAt >= 1000;
    if (count) PageListing.countShownAt = now;
    PageListing.shownAt = now;
    TakeFreshPages();
    TellDialog(UM_PAGEROWS, !count);
  }
  if (!more) {
    PageListing.listing = false;
    TellDialog(UM_PAGELISTING, false);
  }
  return more;
}

bool OpenPageListing() { return ListDialog != nullptr && PageListing.listing; }

bool RunOpenPageSlice() { return RunPageListing(16); }

/* The folder is listed again at once; the walk, where it has not passed
   it yet, need not list it. */
void NoteFolderPagesChanged(const char *folder) {
  if (ListDialog == nullptr || !InNotebook(folder)) return;
  ForgetPagesWhere(InFolder, folder);
  SkipWalkIn(&PageListing.walk, folder, false);
  const char *below = nullptr;
  NotebookWalk once;
  EnterWalkFolder(&once, folder, PathBelowFolder(folder, PageListing.workFolder, &below) ? below : "");
  for (const std::string &fileName : once.folders.back().pages)
    AddWalkedPage(once.folders.back(), fileName, true);
  TakeFreshPages();
  RankPageList(false);
  TellDialog(UM_PAGEROWS, false);
}

void NotePageFileChanged(const char *pagePath) {
  const char *name = PathFindFileNameA(pagePath);
  if (name == pagePath) return;
  NoteFolderPagesChanged(std::string(pagePath, static_cast<size_t>(name - 1 - pagePath)).c_str());
}

/* A folder renamed or deleted, or the notebook listed again: the pages at
   and below the folder are walked again. The work folder itself, or
   another work folder, starts the listing over. */
void NoteFolderTreeChanged(const char *folder) {
  if (ListDialog == nullptr) return;
  if (WorkFolderPath == nullptr || !FolderPathsEqual(WorkFolderPath, PageListing.workFolder) ||
      FolderPathsEqual(folder, PageListing.workFolder)) {
    TypedText typed = PageListing.typed;
    BeginPageList();
    PageListing.typed = typed;
  } else if (InNotebook(folder)) {
    ForgetPagesWhere(AtOrBelow, folder);
    SkipWalkIn(&PageListing.walk, folder, true);
    const char *below = nullptr;
    DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        PathBelowFolder(folder, PageListing.workFolder, &below)) {
      EnterWalkFolder(&PageListing.walk, folder, below);
      PageListing.listing = true;
    }
  }
  RankPageList(false);
  TellDialog(UM_PAGELISTING, false);
  TellDialog(UM_PAGEROWS, false);
}
