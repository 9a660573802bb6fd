// The record Back and Forward go through: the pages shown in this run, in
// order, as a browser keeps them.
#include "pages/pages.h"

#include <shlwapi.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/ui_handles.h"

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
   no page (an empty path), going back starts with the page shown last. */
static bool ShowsHistoryPage(const char *shown) {
  return !History.pages.empty() && shown[0] != '\0' &&
         FolderPathsEqual(shown, History.pages[History.at].c_str());
}

// The first page to try going one way, or -1 for none.
long FirstHistoryStep(int delta, const char *shownPath) {
  if (History.pages.empty()) return -1;
  long at = static_cast<long>(History.at);
  long first = ShowsHistoryPage(shownPath) || delta > 0 ? at + delta : at;
  return first >= 0 && first < static_cast<long>(History.pages.size()) ? first : -1;
}

size_t HistoryLength() { return History.pages.size(); }
size_t HistoryPosition() { return History.at; }
void SetHistoryPosition(size_t at) {
  if (at < History.pages.size()) History.at = at;
}
std::string HistoryPageAt(size_t at) { return at < History.pages.size() ? History.pages[at] : ""; }

bool CanGoBack(const char *shownPath) { return FirstHistoryStep(-1, shownPath) >= 0; }
bool CanGoForward(const char *shownPath) { return FirstHistoryStep(+1, shownPath) >= 0; }


int CommandOfAppCommand(int command) {
  if (command == APPCOMMAND_BROWSER_BACKWARD) return CMD_BACK;
  if (command == APPCOMMAND_BROWSER_FORWARD) return CMD_FORWARD;
  return 0;
}
