// Page tabs and navigation: the tab strip listing the current folder's pages,
// finding a page by name, stepping between pages, and Move Up.
#include "pages/pages.h"

#include <shlwapi.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/dpi.h"
#include "base/ui_handles.h"


// A folder opened for one particular page shows it straight away, rather
// than loading its first page on the way.
static int FirstPageToShow(const char *fileName) {
  if (fileName == nullptr) return 0;
  int index = FindPageTab(fileName);
  return index >= 0 ? index : 0;
}

/* ---- names ---- */

// The label shows each "&" of the page name doubled; false when that would
// not fit a label buffer (the name is then left out rather than cut, since a
// cut label would name another file).
bool MakeTabLabel(const char *pageName, char *label) {
  size_t to = 0;
  for (const char *c = pageName; *c != '\0'; ++c) {
    size_t needed = (*c == '&') ? 2 : 1;
    if (to + needed >= PATH_BUFFER_SIZE) {
      label[0] = '\0';
      return false;
    }
    label[to++] = *c;
    if (*c == '&') label[to++] = '&';
  }
  label[to] = '\0';
  return true;
}

/* ---- the tab strip ---- */

static void SetTabsMultiline(LONG style, bool multiline) {
  style = multiline ? (style | TCS_MULTILINE) : (style & ~TCS_MULTILINE);
  SetWindowLongA(Ui.tabs, GWL_STYLE, style);
}

/* Emptying a tab control of many tabs costs as much as filling it (Wine lays
   the remaining tabs out again after each one it deletes); a new control
   costs a few milliseconds. The new strip takes the old one's id, styles,
   font, place, z-order and focus, and has no tabs. Null, with the old strip
   left as it was, when no control can be made. */
static HWND ReplaceTabStrip() {
  HWND old = Ui.tabs;
  if (old == nullptr) return nullptr;
  HWND parent = GetParent(old);
  RECT place;
  GetWindowRect(old, &place);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&place), 2);
  HWND fresh = CreateWindowExA(
      static_cast<DWORD>(GetWindowLongA(old, GWL_EXSTYLE)), WC_TABCONTROLA, "",
      static_cast<DWORD>(GetWindowLongA(old, GWL_STYLE)), place.left, place.top,
      place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID(old))), AppInstance, nullptr);
  if (fresh == nullptr) return nullptr;
  SendMessageA(fresh, WM_SETFONT, static_cast<WPARAM>(SendMessageA(old, WM_GETFONT, 0, 0)), FALSE);
  ApplyTabPadding(fresh);
  ThemePageTabs(fresh);
  // Right below the old strip, which is where it stands once that is gone.
  SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Ui.tabs = fresh;
  // Whatever watches the strip (dragging a tab) is to watch the new one.
  TellMainWindow(UM_TABSTRIPMADE, reinterpret_cast<WPARAM>(fresh));
  if (GetFocus() == old) SetFocus(fresh);
  DestroyWindow(old);
  return fresh;
}

// From this many tabs on, a fresh tab strip is cheaper than emptying the old
// one (under Wine: 16 tabs take 6 ms to delete, a new control 3 ms).
enum { REPLACE_STRIP_FROM_TABS = 16 };

static void EmptyTabStrip() {
  if (TabCtrl_GetItemCount(Ui.tabs) >= REPLACE_STRIP_FROM_TABS && ReplaceTabStrip() != nullptr)
    return;
  TabCtrl_DeleteAllItems(Ui.tabs);
}

// The folders whose pages with names the code page cannot hold were named
// in a notice already: once a run is enough.
static std::vector<std::string> FoldersWithNamesNoticed;

static void ReportPagesLeftOut(const char *folder, const std::vector<std::wstring> &names) {
  if (names.empty()) return;
  for (const std::string &noticed : FoldersWithNamesNoticed)
    if (FolderPathsEqual(noticed.c_str(), folder)) return;
  FoldersWithNamesNoticed.push_back(folder);
  ShowNamesLeftOut(names, folder);
}

/* The pages of a folder in the order the listing yields them. A page whose
   name the code page cannot hold is left out, rather than shown under a
   name that would open another file, and so is one whose tab label would
   not fit. */
void ListPageNames(const char *folder, std::vector<std::string> *names,
                   std::vector<std::wstring> *leftOut) {
  char pattern[PATH_BUFFER_SIZE];
  if (!JoinPath(folder, "*.tav", pattern)) return;
  FolderListing listing;
  if (!StartListing(pattern, &listing)) return;
  ListedEntry found;
  while (NextListed(&listing, &found)) {
    // A directory named like a page is a folder, a node of the tree.
    if (found.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (found.name[0] == '\0') {
      size_t length = wcslen(found.wideName);
      if (leftOut != nullptr && length >= 4 && _wcsicmp(found.wideName + length - 4, L".tav") == 0)
        leftOut->push_back(found.wideName);
      continue;
    }
    if (!IsPageFileName(found.name)) continue;
    char pageName[PATH_BUFFER_SIZE];
    strcpy(pageName, found.name);
    pageName[strlen(pageName) - 4] = '\0';
    char label[PATH_BUFFER_SIZE];
    if (MakeTabLabel(pageName, label)) names->push_back(pageName);
  }
  EndListing(&listing);
}

// One tab per page name.
static int InsertPageTabs(const std::vector<std::string> &names) {
  int count = 0;
  for (const std::string &name : names) {
    char label[PATH_BUFFER_SIZE];
    if (!MakeTabLabel(name.c_str(), label)) continue;
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = label;
    if (SendMessageA(Ui.tabs, TCM_INSERTITEMA, count, reinterpret_cast<LPARAM>(&item)) >= 0)
      ++count;
  }
  return count;
}

/* The tabs become these pages, drawn once; with two tabs or more the strip
   takes as many rows as they need. */
int FillTabStrip(const std::vector<std::string> &names) {
  EmptyTabStrip();
  LONG style = GetWindowLongA(Ui.tabs, GWL_STYLE);
  SetTabsMultiline(style, false);
  SendMessageA(Ui.tabs, WM_SETREDRAW, FALSE, 0);
  int count = InsertPageTabs(names);
  SendMessageA(Ui.tabs, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Ui.tabs, nullptr, TRUE);
  HasPages = count > 0;
  if (count >= 2) SetTabsMultiline(style, true);
  return count;
}

/* One notice for the pages of a folder that a rename left under its step
   name and that now have a page name again, or still could not get one. */
static void ReportRecoveredPages(const std::vector<std::string> &recovered,
                                 const std::vector<std::string> &stuck) {
  if (recovered.empty() && stuck.empty()) return;
  std::string message;
  if (!recovered.empty()) {
    message = recovered.size() == 1 ? "A page left halfway through a rename was found in this "
                                      "folder; it is listed now as:"
                                    : "Pages left halfway through a rename were found in this "
                                      "folder; they are listed now as:";
    for (const std::string &name : recovered) message += "\n'" + name + "'";
  }
  if (!stuck.empty()) {
    if (!message.empty()) message += "\n\n";
    message += "These files of pages left halfway through a rename could not be given a page "
               "name; they are in the folder as they are:";
    for (const std::string &name : stuck) message += "\n'" + name + "'";
  }
  MessageBoxA(MainWindow, message.c_str(), "TAV", MB_OK | MB_ICONINFORMATION);
}

/* Fills the tab strip with the pages of a folder and shows the first (or
   firstPage, when the folder has it). PageFolder, the folder whose pages
   are shown, is set here and nowhere else; the main window is told, so that
   the folder is watched. The page shown before is saved first, into its own
   folder; when that fails nothing changes. */
void ShowFolderPages(const char *folder, const char *firstPage) {
  if (Ui.tabs == nullptr) return;
  if (!SavePageIfModified(TabCtrl_GetCurSel(Ui.tabs))) return;
  if (strlen(folder) >= PATH_BUFFER_SIZE) folder = "";
  strcpy(PageFolder, folder);
  RemoveLeftoverTemporaryFiles(PageFolder);
  std::vector<std::string> recovered, stuck;
  RecoverRenameSteps(PageFolder, &recovered, &stuck);

  std::vector<std::string> names;
  std::vector<std::wstring> leftOut;
  if (PageFolder[0] != '\0') ListPageNames(PageFolder, &names, &leftOut);
  int count = FillTabStrip(names);
  ShowPage(count > 0 ? FirstPageToShow(firstPage) : -1);
  RequestLayout();
  TellMainWindow(UM_FOLDERSHOWN, FALSE);
  ReportRecoveredPages(recovered, stuck);
  ReportPagesLeftOut(PageFolder, leftOut);
}

std::vector<std::string> TabPageNames() {
  std::vector<std::string> names;
  int count = TabCtrl_GetItemCount(Ui.tabs);
  char name[PATH_BUFFER_SIZE];
  for (int index = 0; index < count; ++index)
    names.push_back(GetPageName(index, name) ? name : "");
  return names;
}

long IndexOfName(const std::vector<std::string> &names, const std::string &name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (NamesEqualIgnoringAsciiCase(names[i].c_str(), name.c_str())) return static_cast<long>(i);
  return -1;
}

/* The last tab whose page name matches wins; letter case is folded for the
   ASCII letters only. */
int FindPageTab(const char *fileName) {
  if (Ui.tabs == nullptr || strlen(fileName) >= PATH_BUFFER_SIZE) return -1;
  char wanted[PATH_BUFFER_SIZE];
  strcpy(wanted, fileName);
  PathRemoveExtensionA(wanted);
  for (int index = TabCtrl_GetItemCount(Ui.tabs) - 1; index >= 0; --index) {
    char pageName[PATH_BUFFER_SIZE];
    if (!GetPageName(index, pageName)) return -1;
    if (NamesEqualIgnoringAsciiCase(pageName, wanted)) return index;
  }
  return -1;
}

bool SelectPageByName(const char *fileName) {
  int index = FindPageTab(fileName);
  if (index < 0) return false;
  ShowPage(index);
  return true;
}

// Next and previous wrap around at both ends.
int StepTarget(int selected, int delta, int count) {
  int target = selected + delta;
  if (target >= count) target = 0;
  if (target < 0) target = count - 1;
  return target;
}


void StepPage(int delta) {
  if (Ui.tabs == nullptr) return;
  int count = TabCtrl_GetItemCount(Ui.tabs);
  if (count < 1) return;
  ShowPage(StepTarget(TabCtrl_GetCurSel(Ui.tabs), delta, count));
}
