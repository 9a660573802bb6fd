// A walk through every folder and page below the work folder, in the tree's
// order, one step at a time: Find in All Pages and Open Page run it in slices
// between messages.
#include "tree/tree.h"

#include <string.h>

#include "base/paths.h"
#include "base/platform_seam.h"

/* Its pages and subfolders: a page or folder whose name the code page
   cannot hold is not in the tree either; a link leads elsewhere, perhaps
   back up, and the tree does not enter one. Listed with the pages'
   identities where the file system gives them, so that a page replaced by
   another file of the same size and time is told apart. */
static void ListWalkFolder(WalkFolder *folder) {
  char pattern[PATH_BUFFER_SIZE];
  if (!JoinPath(folder->path.c_str(), "*", pattern)) return;
  FolderListing listing;
  if (!StartListingWithIds(folder->path.c_str(), &listing) && !StartListing(pattern, &listing))
    return;
  std::vector<Subfolder> found;
  ListedEntry entry;
  while (NextListed(&listing, &entry)) {
    if (entry.name[0] == '\0') continue;
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (!IsPageFileName(entry.name)) continue;
      folder->pages.push_back(entry.name);
      folder->onlineOnly.push_back(IsStoredOnlineOnly(entry.attributes));
      folder->stamps.push_back(entry.stamp);
      continue;
    }
    if (strcmp(entry.name, ".") == 0 || strcmp(entry.name, "..") == 0) continue;
    if (IsDirectoryLink(entry.attributes, entry.reparseTag)) continue;
    found.push_back(Subfolder{entry.name, false});
  }
  EndListing(&listing);
  SortSubfolders(&found);
  for (const Subfolder &subfolder : found) folder->subfolders.push_back(subfolder.name);
}

void EnterWalkFolder(NotebookWalk *walk, const std::string &path, const std::string &relative) {
  walk->folders.push_back(WalkFolder{path, relative, {}, {}, {}, 0, {}, 0});
  ListWalkFolder(&walk->folders.back());
}

WalkStepKind WalkStep(NotebookWalk *walk, const WalkFolder **folder, std::string *fileName) {
  while (!walk->folders.empty()) {
    WalkFolder &top = walk->folders.back();
    if (top.nextPage < top.pages.size()) {
      *folder = &top;
      *fileName = top.pages[top.nextPage++];
      return WALK_PAGE;
    }
    if (top.nextSubfolder < top.subfolders.size()) {
      const std::string name = top.subfolders[top.nextSubfolder++];
      const std::string relative = top.relative.empty() ? name : top.relative + "\\" + name;
      char path[PATH_BUFFER_SIZE];
      if (JoinPath(top.path.c_str(), name.c_str(), path)) EnterWalkFolder(walk, path, relative);
      return WALK_FOLDER;
    }
    walk->folders.pop_back();
  }
  return WALK_END;
}

/* What the walk has still to list in a folder is dropped, and with below
   everything under it too: the caller has listed it again itself. */
void SkipWalkIn(NotebookWalk *walk, const char *folder, bool below) {
  for (WalkFolder &open : walk->folders) {
    if (below ? !PathIsAtOrBelow(open.path.c_str(), folder)
              : !FolderPathsEqual(open.path.c_str(), folder))
      continue;
    open.nextPage = open.pages.size();
    if (below) open.nextSubfolder = open.subfolders.size();
  }
}
