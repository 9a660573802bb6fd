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

/* Before a page or a folder is deleted: the last saved text of a page, and
   the unsaved text of the page shown when it is among what goes. A
   folder's pages are read where the delete put them, later: reading a
   thousand pages first would make the delete take seconds. */
void KeepVersionsBeforeDelete(const char *path, bool folder) {
  if (!folder) KeepPageFileAsDeleted(path);
  char shown[PATH_BUFFER_SIZE];
  if (EditorIsModified() && ShownPagePath(shown) &&
      (folder ? PathIsAtOrBelow(shown, path) : FolderPathsEqual(shown, path)))
    KeepShownTextAsVersion(REASON_DELETED);
  SayVersionStoreFailure();
}

