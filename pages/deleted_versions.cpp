// The last saved texts of the pages a delete took, kept as deleted pages'
// versions from where the delete put them (the Recycle Bin's item, or
// TAV's copy), a few pages at a time while TAV is idle: reading a thousand
// pages at the delete would make it take seconds.
#include "pages/pages.h"

#include <string.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace {

struct DeletedVersionsJob {
  std::string nowAt;
  std::string original;
  unsigned long long deletedAt;
  // Still to be done: (where it is now, where it was).
  std::vector<std::pair<std::string, std::string>> folders, pages;
};

std::deque<DeletedVersionsJob> Jobs;

const ULONGLONG SliceMilliseconds = 20;

// A folder's pages and folders join the job; a link is never entered.
void ListJobFolder(DeletedVersionsJob *job, const std::string &now, const std::string &was) {
  char pattern[PATH_BUFFER_SIZE], nowChild[PATH_BUFFER_SIZE], wasChild[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (!JoinPath(now.c_str(), "*", pattern) || !StartListing(pattern, &listing)) return;
  ListedEntry entry;
  while (NextListed(&listing, &entry)) {
    if (entry.name[0] == '\0' || strcmp(entry.name, ".") == 0 || strcmp(entry.name, "..") == 0 ||
        (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !JoinPath(now.c_str(), entry.name, nowChild) || !JoinPath(was.c_str(), entry.name, wasChild))
      continue;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
      job->folders.push_back({nowChild, wasChild});
    else if (IsPageFileName(entry.name))
      job->pages.push_back({nowChild, wasChild});
  }
  EndListing(&listing);
}

// One page kept, or one folder listed; false once the job is done.
bool StepJob(DeletedVersionsJob *job) {
  if (!job->pages.empty()) {
    std::pair<std::string, std::string> page = job->pages.back();
    job->pages.pop_back();
    std::string bytes;
    if (ReadFileAt(page.first.c_str(), &bytes) == 0 && bytes.size() <= PAGE_VERSION_LIMIT)
      KeepDeletedPageText(page.second.c_str(), job->deletedAt, bytes);
    return true;
  }
  if (job->folders.empty()) return false;
  std::pair<std::string, std::string> folder = job->folders.back();
  job->folders.pop_back();
  ListJobFolder(job, folder.first, folder.second);
  return true;
}

}  // namespace

void KeepDeletedVersionsLater(const char *nowAt, const char *original, bool folder,
                              unsigned long long deletedAt) {
  DeletedVersionsJob job;
  job.nowAt = nowAt;
  job.original = original;
  job.deletedAt = deletedAt;
  (folder ? job.folders : job.pages).push_back({nowAt, original});
  Jobs.push_back(job);
}

void ForgetDeletedVersionsLater(const char *nowAt) {
  for (size_t i = Jobs.size(); i-- > 0;)
    if (nowAt == nullptr || FolderPathsEqual(Jobs[i].nowAt.c_str(), nowAt))
      Jobs.erase(Jobs.begin() + static_cast<long>(i));
}

bool DeletedVersionsPending() { return !Jobs.empty(); }

bool RunDeletedVersionsSlice() {
  ULONGLONG start = GetTickCount64();
  while (!Jobs.empty() && GetTickCount64() - start < SliceMilliseconds)
    if (!StepJob(&Jobs.front())) Jobs.pop_front();
  SayVersionStoreFailure();
  return !Jobs.empty();
}

void KeepDeletedVersionsNow() {
  while (!Jobs.empty())
    if (!StepJob(&Jobs.front())) Jobs.pop_front();
  SayVersionStoreFailure();
}

bool IsLeftToDeletedVersions(const char *path) {
  for (const DeletedVersionsJob &job : Jobs)
    if (PathIsAtOrBelow(path, job.original.c_str())) return true;
  return false;
}
