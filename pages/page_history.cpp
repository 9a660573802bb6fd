// Back and Forward: the pages shown in this run, gone through as a browser
// goes through pages, each page arriving at its kept place; and showing a
// page elsewhere in the notebook by its path.
#include "pages/pages.h"

#include <shlwapi.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/ui_handles.h"
#include "tree/tree.h"

// As many pages as anyone goes back through.
enum { HISTORY_KEPT = 200 };

// The pages shown, in order; 'at' is the one shown now, or the one shown
// last while the editor shows none. A page shown again after going back
// drops the pages ahead of it, as a browser does.
static struct {
  std::vector<std::string> pages;
  size_t at;
} History = {{}, 0};

void NoteHistoryVisit(const char *path) {
  if (!History.pages.empty() && FolderPathsEqual(History.pages[History.at].c_str(), path)) return;
  if (!History.pages.empty()) History.pages.resize(History.at + 1);
  History.pages.push_back(path);
  if (History.pages.size() > HISTORY_KEPT) History.pages.erase(History.pages.begin());
  History.at = History.pages.size() - 1;
}

void MoveHistory(const char *from, const char *to) {
  char moved[PATH_BUFFER_SIZE];
  for (std::string &page : History.pages)
    if (FollowMove(page.c_str(), from, to, moved)) page = moved;
}

void ForgetHistory() {
  History.pages.clear();
  History.at = 0;
}

/* Whether the editor shows the page the history stands at: when it shows
   no page, going back starts with the page shown last. */
static bool ShowsHistoryPage() {
  char shown[PATH_BUFFER_SIZE];
  return !History.pages.empty() && ShownPagePath(shown) &&
         FolderPathsEqual(shown, History.pages[History.at].c_str());
}

// The first page to try going one way, or -1 for none.
static long FirstStep(int delta) {
  if (History.pages.empty()) return -1;
  long at = static_cast<long>(History.at);
  long first = ShowsHistoryPage() || delta > 0 ? at + delta : at;
  return first >= 0 && first < static_cast<long>(History.pages.size()) ? first : -1;
}

bool CanGoBack() { return FirstStep(-1) >= 0; }
bool CanGoForward() { return FirstStep(+1) >= 0; }

bool IsPageFile(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

/* The next page one way that is still there and is not the page shown:
   pages deleted or moved by other programs since are passed over. The
   history stands at the page before it is shown, so that showing it adds
   nothing; a page that could not be left ends the walk, and so does a
   page shown instead of the one asked for. */
static void Travel(int delta) {
  char shown[PATH_BUFFER_SIZE];
  if (!ShownPagePath(shown)) shown[0] = '\0';
  for (long i = FirstStep(delta); i >= 0 && i < static_cast<long>(History.pages.size());
       i += delta) {
    const std::string page = History.pages[static_cast<size_t>(i)];
    if (FolderPathsEqual(page.c_str(), shown) || !IsPageFile(page.c_str())) continue;
    const size_t was = History.at, count = History.pages.size();
    History.at = static_cast<size_t>(i);
    ShowOutcome outcome = ShowPageAt(page.c_str());
    if (outcome == PAGE_SHOWN) return;
    // Another page shown on the way is where the user now is.
    if (History.pages.size() != count || History.at != static_cast<size_t>(i)) return;
    History.at = was;
    if (outcome == PAGE_NOT_LEFT) return;
  }
  MessageBeep(MB_OK);
}

void GoBack() { Travel(-1); }
void GoForward() { Travel(+1); }

int CommandOfAppCommand(int command) {
  if (command == APPCOMMAND_BROWSER_BACKWARD) return CMD_BACK;
  if (command == APPCOMMAND_BROWSER_FORWARD) return CMD_FORWARD;
  return 0;
}

static bool IsShown(const char *pagePath) {
  char shown[PATH_BUFFER_SIZE];
  return ShownPagePath(shown) && FolderPathsEqual(shown, pagePath);
}

/* The folder is selected through the tree, which opens the page with it;
   when the page is not in it after all, the folder's first page is shown.
   A page another program put into the folder shown since its tabs were
   made has no tab yet: the folder's pages are listed again. */
ShowOutcome ShowPageAt(const char *pagePath) {
  if (!SaveCurrentPage()) return PAGE_NOT_LEFT;
  if (!SelectFolderOfPage(pagePath)) return PAGE_NOT_FOUND;
  if (IsShown(pagePath)) return PAGE_SHOWN;
  const char *fileName = PathFindFileNameA(pagePath);
  std::string folder(pagePath, static_cast<size_t>(fileName - pagePath));
  if (folder.size() > 1) folder.pop_back();
  if (FolderPathsEqual(folder.c_str(), PageFolder) && IsPageFile(pagePath))
    RebuildPageTabs(fileName);
  return IsShown(pagePath) ? PAGE_SHOWN : PAGE_NOT_FOUND;
}

/* The focus back to the editor from a dialog that showed a page. Wine's
   rich edit does not draw a selection made while it had no focus when it
   gets the focus (seen under Wine 8): it is drawn again. */
void ReturnToEditor() {
  SetActiveWindow(MainWindow);
  if (Ui.editor == nullptr) return;
  SetFocus(Ui.editor);
  InvalidateRect(Ui.editor, nullptr, FALSE);
}
