// What a delete keeps as versions: each page's last saved text, and the
// unsaved text of the page shown when it goes too.
#include "pages/pages.h"

#include <string.h>

#include <string>

static void KeepPageFileAsDeleted(const char *path) {
  std::string bytes;
  if (ReadFileAt(path, &bytes) == 0 && bytes.size() <= PAGE_VERSION_LIMIT)
    KeepTextAsVersion(path, bytes, REASON_DELETED);
}

/* Every page below a folder, its folders below it too; a link is never
   entered. */
static void KeepFolderPagesAsDeleted(const char *folder, int depth) {
  char pattern[PATH_BUFFER_SIZE], path[PATH_BUFFER_SIZE];
  FolderListing listing;
  if (depth > 64 || !JoinPath(folder, "*", pattern) || !StartListing(pattern, &listing)) return;
  ListedEntry entry;
  while (NextListed(&listing, &entry)) {
    if (entry.name[0] == '\0' || strcmp(entry.name, ".") == 0 || strcmp(entry.name, "..") == 0 ||
        (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !JoinPath(folder, entry.name, path))
      continue;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
      KeepFolderPagesAsDeleted(path, depth + 1);
    else if (IsPageFileName(entry.name))
      KeepPageFileAsDeleted(path);
  }
  EndListing(&listing);
}

/* Before a page or a folder is deleted: the last saved text of each page it
   takes, and the unsaved text of the page shown when it is among them. */
void KeepVersionsBeforeDelete(const char *path, bool folder) {
  if (folder)
    KeepFolderPagesAsDeleted(path, 0);
  else
    KeepPageFileAsDeleted(path);
  char shown[PATH_BUFFER_SIZE];
  if (EditorIsModified() && ShownPagePath(shown) &&
      (folder ? PathIsAtOrBelow(shown, path) : FolderPathsEqual(shown, path)))
    KeepShownTextAsVersion(REASON_DELETED);
  SayVersionStoreFailure();
}
