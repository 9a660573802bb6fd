// The page protocol: the one way the editor goes from page to page and the
// tab strip from folder to folder. The page left is saved first, and when
// that fails nothing moves: the tree, the tabs and the editor stay in step.
// A folder is opened when its node is selected (by the user, or by the
// program through the tree's notification), the tree is rebuilt and walked
// to a page, Move Up goes to the parent, Back and Forward go through the
// pages shown, and the folder shown is listed again when other programs
// changed it.
#include "notebook/notebook.h"

#include <shlwapi.h>
#include <string.h>

#include <string>
#include <vector>

/* ---- folders ---- */

/* Opens the folder of a node just selected: saves the page shown, makes the
   folder current and lists its pages, showing firstPage first when the
   folder has it. When the page cannot be saved the selection goes back to
   the folder it was left in, as a page change stays on a page it cannot
   save: tree, current folder and tabs stay in step, and the page keeps its
   text. */
void OpenSelectedFolder(HTREEITEM node, HTREEITEM previous, const char *firstPage) {
  if (!SaveCurrentPage()) {
    if (previous != nullptr && previous != node) SelectFolderNodeQuietly(previous);
    return;
  }
  char path[PATH_BUFFER_SIZE];
  GetFolderPath(node, path);
  if (path[0] != '\0') SwitchFolder(path);
  ShowFolderPages(path, firstPage);
}

/* A new folder was selected, by the user or by a command that leaves the
   rest to this notification. */
void OnFolderSelected(HTREEITEM node, HTREEITEM previous) {
  if (TreeSelectionIsOwn()) return;
  OpenSelectedFolder(node, previous, nullptr);
}

/* What a folder listed again asks to follow: the folders renamed at or
   above the one shown, and the folder shown gone. */
static void FollowRelisted(const Relisted &done) {
  for (const NameMove &move : done.renamed)
    FollowItemMoved(MOVE_FOLDER, move.from.c_str(), move.to.c_str());
  if (done.selectionMoved != nullptr) OpenSelectedFolder(done.selectionMoved, nullptr, nullptr);
}

bool ListFolderAgainAt(const char *path, const std::vector<NameMove> *renamed) {
  Relisted done;
  bool listed = RelistFolderAt(path, renamed, EditorIsModified(), &done);
  FollowRelisted(done);
  return listed;
}

/* The tabs become the pages of the selected folder, firstPage shown first
   when it is there. */
void RebuildPageTabs(const char *firstPage) {
  char folder[PATH_BUFFER_SIZE];
  if (!GetFolderPath(SelectedTreeNode(), folder)) folder[0] = '\0';
  ShowFolderPages(folder, firstPage);
}

/* Selects the node of a folder a walk found, draws the tree again (redraw
   was suspended for the walk when suspended), then opens the folder, unless
   it was selected already (the tree does not report a selection that
   stays), and shows the page of that name when the folder has it. With no
   node the tree is only drawn. Opening the folder shows a page and so
   rewrites the saved page path, which may be where the name came from: the
   name is a copy. */
static void ShowFoundFolder(HTREEITEM node, const char *pageName, bool suspended) {
  HTREEITEM previous = TreeView_GetSelection(Ui.tree);
  if (node != nullptr) SelectFolderNodeQuietly(node);
  ResumeTreeRedraw(suspended);
  if (node == nullptr) return;
  if (node != previous) OpenSelectedFolder(node, previous, pageName[0] != '\0' ? pageName : nullptr);
  if (pageName[0] == '\0') return;
  int index = FindPageTab(pageName);
  if (index >= 0 && index != CurrentPageIndex) ShowPage(index);
}

/* Selects the folder of a page's full path, listing the folders on the way,
   and then the page. The tree is drawn again once, when the folder is
   selected. */
bool SelectFolderOfPage(const char *pagePath) {
  if (Ui.tree == nullptr) return false;
  BeginFolderWalk();
  bool suspended = SuspendTreeRedraw();
  HTREEITEM folder = nullptr;
  char page[PATH_BUFFER_SIZE];
  bool found = WalkToPageFolder(pagePath, &folder, page);
  ShowFoundFolder(folder, page, suspended);
  EndFolderWalk();
  return found;
}

/* Rebuilds the tree from disk and selects again the folder and page shown
   last, else the root: the work folder's subfolders and those on the way to
   that page are listed again, no others. Stops before touching anything when
   the current page cannot be saved (the rebuild replaces the tabs it belongs
   to) or the work folder cannot be entered. The tree is drawn again once,
   before the page is shown. */
/* A folder's node in the rebuilt tree, the folders above it opened and the
   folder itself not: opening it would list every folder in it. */
static HTREEITEM NodeOfFolderUnopened(const char *folder) {
  char parent[PATH_BUFFER_SIZE];
  const char *name = nullptr;
  if (FolderPathsEqual(folder, WorkFolderPath)) return TreeView_GetRoot(Ui.tree);
  HTREEITEM node = nullptr;
  if (!SplitItemPath(folder, parent, &name) || (node = WalkToFolderNode(Ui.tree, parent)) == nullptr ||
      !FindChildNamed(Ui.tree, node, name, &node))
    return nullptr;
  return node;
}

bool RefreshTree() { return RefreshTreeShowing(nullptr, nullptr); }

bool RefreshTreeShowing(const char *shownFolder, const char *pageName) {
  if (Ui.tree == nullptr || WorkFolderPath == nullptr) return false;
  if (!SaveCurrentPage()) return false;
  if (!SwitchFolder(nullptr)) return false;
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  BeginFolderWalk();
  bool suspended = SuspendTreeRedraw();
  HTREEITEM root = RebuildTreeNodes();
  WatchWorkFolder();
  HTREEITEM folder = nullptr;
  char page[PATH_BUFFER_SIZE] = "";
  if (root != nullptr && shownFolder != nullptr &&
      (folder = NodeOfFolderUnopened(shownFolder)) != nullptr) {
    if (pageName != nullptr && strlen(pageName) < sizeof page) strcpy(page, pageName);
  } else if (root != nullptr && !WalkToPageFolder(SavedPagePath, &folder, page)) {
    folder = root;
    page[0] = '\0';
  }
  ShowFoundFolder(folder, page, suspended);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  EndFolderWalk();
  return root != nullptr;
}

/* Move Up. It stays in the folder when the page shown cannot be saved, as
   ShowPage stays on such a page. */
void GoToParentFolder() {
  if (!SaveCurrentPage()) return;
  HTREEITEM node = GetParentFolderNode();
  if (node == nullptr) return;
  SendMessageA(Ui.tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
  // The selection has normally listed the parent already; listing it again
  // would only load its first page a second time.
  char path[PATH_BUFFER_SIZE];
  if (!GetFolderPath(node, path)) return;
  if (FolderPathsEqual(path, PageFolder)) return;
  SwitchFolder(path);
  ShowFolderPages(path);
}

/* ---- pages ---- */

// The page shown, or an empty path while none is.
static const char *PageShownNow(char *path) {
  if (!ShownPagePath(path)) path[0] = '\0';
  return path;
}

bool CanGoBack() {
  char shown[PATH_BUFFER_SIZE];
  return CanGoBack(PageShownNow(shown));
}

bool CanGoForward() {
  char shown[PATH_BUFFER_SIZE];
  return CanGoForward(PageShownNow(shown));
}

/* The next page one way that is still there and is not the page shown:
   pages deleted or moved by other programs since are passed over. The
   history stands at the page before it is shown, so that showing it adds
   nothing; a page that could not be left ends the walk, and so does a
   page shown instead of the one asked for. */
static void Travel(int delta) {
  char shown[PATH_BUFFER_SIZE];
  if (!ShownPagePath(shown)) shown[0] = '\0';
  for (long i = FirstHistoryStep(delta, shown); i >= 0 && i < static_cast<long>(HistoryLength());
       i += delta) {
    const std::string page = HistoryPageAt(static_cast<size_t>(i));
    if (FolderPathsEqual(page.c_str(), shown) || !IsPageFile(page.c_str())) continue;
    const size_t was = HistoryPosition(), count = HistoryLength();
    SetHistoryPosition(static_cast<size_t>(i));
    ShowOutcome outcome = ShowPageAt(page.c_str());
    if (outcome == PAGE_SHOWN) return;
    // Another page shown on the way is where the user now is.
    if (HistoryLength() != count || HistoryPosition() != static_cast<size_t>(i)) return;
    SetHistoryPosition(was);
    if (outcome == PAGE_NOT_LEFT) return;
  }
  MessageBeep(MB_OK);
}

void GoBack() { Travel(-1); }
void GoForward() { Travel(+1); }

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
    ShowFolderPages(PageFolder, fileName);
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

/* ---- the folder shown, changed elsewhere ---- */

/* The tabs follow the folder's pages as other programs made, removed and
   renamed them; the page shown keeps its tab, under its new name when it
   was renamed, and keeps it while its file is gone but its text unsaved.
   When it went with nothing unsaved, the page after it is shown. Nothing
   changes when the tabs are the pages already (the program's own saves). */
void ListShownFolderAgain(const std::vector<NameMove> &renamed) {
  if (Ui.tabs == nullptr || PageFolder[0] == '\0') return;
  std::vector<std::string> names;
  ListPageNames(PageFolder, &names, nullptr);
  std::vector<std::string> tabs = TabPageNames();
  std::vector<std::string> newPages;
  for (const std::string &name : names)
    if (IndexOfName(tabs, name) < 0) newPages.push_back(name);
  char newFileName[PATH_BUFFER_SIZE];
  ShownPageCheck shown = CheckShownPageFile(renamed, newPages, newFileName);
  int shownIndex = CurrentPageIndex;
  std::string shownName;
  if (shownIndex >= 0 && static_cast<size_t>(shownIndex) < tabs.size()) shownName = tabs[shownIndex];
  if (shown == SHOWN_RENAMED) {
    shownName = newFileName;
    shownName.resize(shownName.size() - 4);
  }
  bool keepShown = !shownName.empty() && shown != SHOWN_GONE;
  if (keepShown && IndexOfName(names, shownName) < 0) {
    size_t at = static_cast<size_t>(shownIndex) < names.size() ? static_cast<size_t>(shownIndex)
                                                                : names.size();
    names.insert(names.begin() + static_cast<long>(at), shownName);
  }
  if (names == tabs) return;
  if (shown == SHOWN_GONE) ForgetShownPage();
  int count = FillTabStrip(names);
  if (keepShown) ShownPageTabMoved(static_cast<int>(IndexOfName(names, shownName)));
  // A rename may bring a new text along (a sync bringing both, a "save as"
  // that removes the old file): the file under its new name is looked at as
  // any file written elsewhere is.
  if (shown == SHOWN_RENAMED) CheckShownPageFile({}, {}, newFileName);
  RequestLayout();
  if (shown == SHOWN_GONE)
    ShowPage(count > 0 ? (shownIndex < count ? shownIndex : count - 1) : -1);
  else if (shownIndex < 0 && count > 0)
    ShowPage(0);  // the folder had no page to show
  else
    UpdateSavedPagePath();
}
