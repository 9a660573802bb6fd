// The folder tree: one node per directory below the work folder, and the
// selection restored along the saved page path. A folder's subfolders are
// listed when they are first needed: the work folder's when the tree is
// rebuilt, those on the way to a page that is to be shown, and any other
// folder's when its node is first expanded. Whether a node gets an expand
// button is looked up when the tree first draws it. Time and memory thus
// follow what the user opens, not the size of the notebook.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <unordered_map>
#include <string>
#include <vector>

#include "base/ui_handles.h"
#include "tree/tree.h"

enum { ROOT_IMAGE = 0, FOLDER_IMAGE = 1, OPEN_FOLDER_IMAGE = 2 };

// Where a folder that is nested too deeply is described: its parent's path
// and its own name, each at most 259 characters.
enum { TOO_DEEP_BUFFER_SIZE = 2 * PATH_BUFFER_SIZE };

// The tree while the program itself changes it, and what the listings of
// the walk in progress have met. The tree view reports selection changes
// with TVN_SELCHANGED sent from inside the change; the first two flags make
// OnFolderSelected pass over the changes that are the program's own.
static struct {
  // TVM_DELETEITEM of the selected node selects another, with notifications.
  bool rebuilding;
  // TVM_SELECTITEM notifies before it returns; the caller acts itself.
  bool selecting;
  int walks;                           // walks in progress, one inside another
  char tooDeep[TOO_DEEP_BUFFER_SIZE];  // the first folder left out, or empty
  std::vector<std::wstring> notShown;  // folders whose names the code page cannot hold
} TreeScan;

/* The order the tree view gives siblings inserted with TVI_SORT: the
   system's word sort ("-" and "'" ignored, lower case before upper case when
   labels differ only in case). The tree compares the labels as the
   characters they are; CompareStringA would read their bytes in the
   locale's code page, which in a UTF-8 process is not theirs. */
bool FolderNameLess(const char *a, const char *b) {
  WCHAR wideA[PATH_BUFFER_SIZE], wideB[PATH_BUFFER_SIZE];
  if (MultiByteToWideChar(CP_ACP, 0, a, -1, wideA, PATH_BUFFER_SIZE) == 0 ||
      MultiByteToWideChar(CP_ACP, 0, b, -1, wideB, PATH_BUFFER_SIZE) == 0)
    return CompareStringA(LOCALE_USER_DEFAULT, 0, a, -1, b, -1) == CSTR_LESS_THAN;
  return CompareStringW(LOCALE_USER_DEFAULT, 0, wideA, -1, wideB, -1) == CSTR_LESS_THAN;
}

/* Sorts subfolders as TVI_SORT would place them. Names that compare equal
   keep their listing order, as TVI_SORT puts a new node after its equals.
   Sorting first and appending is what makes large folders fast: TVI_SORT
   walks the siblings for every insertion. */
void SortSubfolders(std::vector<Subfolder> *folders) {
  std::stable_sort(folders->begin(), folders->end(), [](const Subfolder &a, const Subfolder &b) {
    return FolderNameLess(a.name.c_str(), b.name.c_str());
  });
}

/* A name with a separator in it cannot name one directory. Windows never
   lists one, but Wine shows a Unix directory called "a\b" under that name,
   and joining it would lead into another folder. Looked for by characters:
   under a double-byte code page the second byte of "\x95\x5C" is a
   backslash's, and that folder is as good as any. */
static bool NameHasSeparator(const char *name) {
  for (const char *c = name; *c != '\0'; c = CharNextA(c))
    if (*c == '\\' || *c == '/') return true;
  return false;
}

/* A directory that leads somewhere else: a symbolic link, a junction, or
   whatever else Wine shows for a Unix link (it reports such reparse points
   with tag 0 or 1). Cloud-storage placeholders are reparse points too, but
   they are ordinary folders to the user, so their tags are let through. */
bool IsDirectoryLink(DWORD attributes, DWORD reparseTag) {
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  const bool cloudPlaceholder = (reparseTag & ~0xF000u) == 0x9000001Au;  // the cloud tags 0..F
  const bool oneDrive = reparseTag == 0x80000021u;
  return !cloudPlaceholder && !oneDrive;
}

/* Whether a listed entry is a subfolder the tree has something to do with:
   a node, or a name the code page cannot hold, which is said. Hidden and
   system directories count; files never do. */
static bool IsSubfolderEntry(const ListedEntry &entry) {
  if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (wcscmp(entry.wideName, L".") == 0 || wcscmp(entry.wideName, L"..") == 0) return false;
  return entry.name[0] == '\0' || !NameHasSeparator(entry.name);
}

/* Adds the directories of a listing to folders, in listing order, and ends
   the listing. A folder whose name the code page cannot hold goes to
   notShown instead, when it is given. */
static void CollectSubfolders(FolderListing *listing, std::vector<Subfolder> *folders,
                              std::vector<std::wstring> *notShown) {
  ListedEntry entry;
  while (NextListed(listing, &entry)) {
    if (!IsSubfolderEntry(entry)) continue;
    if (entry.name[0] == '\0') {
      if (notShown != nullptr) notShown->push_back(entry.wideName);
      continue;
    }
    folders->push_back(Subfolder{entry.name, IsDirectoryLink(entry.attributes, entry.reparseTag)});
  }
  EndListing(listing);
}

/* Whether a folder whose listing failed cannot be entered; the last error
   then says why, as making the folder current would: missing (2, or 3 for a
   missing parent), a file (267), or the listing's own answer for a directory
   that refuses it (access denied). An existing directory that lists nothing
   at all is only empty: on Windows the root of an empty drive lists no "."
   and "..". */
static bool CannotBeEntered(const char *path, DWORD listingError) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_DIRECTORY);
    return true;
  }
  if (listingError == ERROR_FILE_NOT_FOUND || listingError == ERROR_NO_MORE_FILES) return false;
  SetLastError(listingError);
  return true;
}

/* A folder too deep for a pattern after its path is listed from inside, the
   only way the ANSI calls reach it; the current directory is put back. */
static bool ListFromInside(const char *path, std::vector<Subfolder> *folders,
                           std::vector<std::wstring> *notShown) {
  char previous[PATH_BUFFER_SIZE];
  DWORD length = GetCurrentDirectoryA(PATH_BUFFER_SIZE, previous);
  if (!SetCurrentDirectoryA(path)) return false;
  FolderListing listing;
  if (StartListing("*.*", &listing)) CollectSubfolders(&listing, folders, notShown);
  if (length > 0 && length < PATH_BUFFER_SIZE) SetCurrentDirectoryA(previous);
  return true;
}

/* The subdirectories of a folder, in listing order, found by its full path:
   making each folder current first took 170 us on top of the listing's
   280 us (seen under Wine). */
bool ListSubfolders(const char *path, std::vector<Subfolder> *folders,
                    std::vector<std::wstring> *notShown) {
  char pattern[PATH_BUFFER_SIZE];
  strcpy(pattern, path);
  if (!JoinPath(pattern, "*.*")) return ListFromInside(path, folders, notShown);
  FolderListing listing;
  if (!StartListing(pattern, &listing)) return !CannotBeEntered(path, GetLastError());
  CollectSubfolders(&listing, folders, notShown);
  return true;
}

/* Whether expanding a folder's node would show subfolders or have something
   to say: one look, which ends at the first subdirectory. A folder that
   cannot be listed counts, so that expanding it says why; so does one too
   deep for a pattern, which only its listing from inside can tell. */
bool MayHaveSubfolders(const char *path) {
  char pattern[PATH_BUFFER_SIZE];
  strcpy(pattern, path);
  if (!JoinPath(pattern, "*.*")) return true;
  FolderListing listing;
  if (!StartListing(pattern, &listing)) return CannotBeEntered(path, GetLastError());
  ListedEntry entry;
  bool found = false;
  while (!found && NextListed(&listing, &entry)) found = IsSubfolderEntry(entry);
  EndListing(&listing);
  return found;
}

/* ---- nodes and what they know ---- */

/* Inserts a node among its parent's children, after another or last. */
static HTREEITEM InsertNode(HWND tree, HTREEITEM parent, HTREEITEM after, const char *label,
                            int image, int selectedImage, int children, LPARAM state) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
  insert.item.pszText = const_cast<char *>(label);
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  insert.item.cChildren = children;
  insert.item.lParam = state;
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

/* A subfolder's node, after another or last: a link is shown but never
   listed, any other folder is asked whether it has subfolders when the
   tree first draws it. */
HTREEITEM InsertFolderNode(HWND tree, HTREEITEM parent, HTREEITEM after,
                                  const Subfolder &folder) {
  if (folder.isLink)
    return InsertNode(tree, parent, after, folder.name.c_str(), FOLDER_IMAGE, OPEN_FOLDER_IMAGE, 0,
                      NODE_LINK);
  return InsertNode(tree, parent, after, folder.name.c_str(), FOLDER_IMAGE, OPEN_FOLDER_IMAGE,
                    I_CHILDRENCALLBACK, 0);
}

// The listed nodes of the main window's tree, each with its parent. Every
// open node is listed first, so what is open below a folder is found among
// these without asking the tree about each of its children (a message to
// the tree took 0.1 ms under Wine). A node's parent never changes; a node
// leaves the record when the tree deletes it.
static std::unordered_map<HTREEITEM, HTREEITEM> ListedNodes;

void ForgetFolderNode(HTREEITEM node) { ListedNodes.erase(node); }

static LPARAM NodeState(HWND tree, HTREEITEM node) {
  TVITEMA item = {};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = node;
  if (tree == nullptr || node == nullptr ||
      !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
    return 0;
  return item.lParam;
}

LPARAM FolderNodeState(HTREEITEM node) { return NodeState(Ui.tree, node); }

/* Whether the tree shows an expand button for a node; a node that has not
   said is asked for it (TVN_GETDISPINFO). */
static bool ShowsButton(HWND tree, HTREEITEM node) {
  TVITEMA item = {};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  return SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) &&
         item.cChildren != 0;
}

/* Gives a node an expand button or takes it away, only where it is wrong:
   changing it on a node in view took 5 ms (seen under Wine, which then
   recomputes the whole tree). */
void SetButton(HWND tree, HTREEITEM node, bool shown) {
  if (ShowsButton(tree, node) == shown) return;
  TVITEMA item = {};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  item.cChildren = shown ? 1 : 0;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void SetNodeParam(HWND tree, HTREEITEM node, LPARAM value) {
  TVITEMA item = {};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = node;
  item.lParam = value;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

/* A node whose subfolders are now its children. */
void MarkListed(HWND tree, HTREEITEM node) {
  SetNodeParam(tree, node, NodeState(tree, node) | NODE_LISTED);
  if (tree == Ui.tree && ListedNodes.count(node) == 0)
    ListedNodes.emplace(node, TreeView_GetParent(tree, node));
  SetButton(tree, node, TreeView_GetChild(tree, node) != nullptr);
}

/* Keeps the first folder of this walk whose path cannot be formed. */
static void NoteTooDeep(const char *parentPath, const char *name) {
  if (TreeScan.tooDeep[0] != '\0') return;
  JoinPathForMessage(parentPath, name, TreeScan.tooDeep, sizeof TreeScan.tooDeep);
}

/* The subfolders a node of a folder shows, sorted, leaving out any whose
   path would pass 259 characters, since no node could name it. False when
   the folder cannot be listed. With a walk's notices, names left out are
   noted for them; a folder listed again for a change on disk says nothing. */
bool ListShownSubfolders(const char *path, bool notices, std::vector<Subfolder> *shown) {
  std::vector<Subfolder> folders;
  if (strlen(path) < PATH_BUFFER_SIZE &&
      !ListSubfolders(path, &folders, notices ? &TreeScan.notShown : nullptr))
    return false;
  SortSubfolders(&folders);
  char childPath[PATH_BUFFER_SIZE];
  for (Subfolder &folder : folders) {
    if (JoinPath(path, folder.name.c_str(), childPath))
      shown->push_back(std::move(folder));
    else if (notices)
      NoteTooDeep(path, folder.name.c_str());
  }
  return true;
}

/* Inserts the subdirectories of a folder under its node and marks the node
   listed. A folder that cannot be entered keeps no children, and is
   reported when sayUnentered. A link to a directory is shown but never
   listed: links can lead back to an ancestor (a user profile's junctions,
   the home folder links of a Wine prefix). Whether each new node has
   subfolders is left for the tree to ask when it draws the node. The
   current directory stays where it was. */
static void ListIntoNode(HWND tree, const char *path, HTREEITEM node, bool sayUnentered) {
  std::vector<Subfolder> folders;
  if (!ListShownSubfolders(path, true, &folders) && sayUnentered) ReportFolderNotEntered(path);
  for (const Subfolder &folder : folders) InsertFolderNode(tree, node, TVI_LAST, folder);
  MarkListed(tree, node);
}

void ScanFolder(const char *path, HTREEITEM node) {
  BeginFolderWalk();
  ListIntoNode(Ui.tree, path, node, true);
  EndFolderWalk();
}

static void ListTreeNode(HWND tree, HTREEITEM node, bool sayUnentered) {
  LPARAM state = NodeState(tree, node);
  if (node == nullptr || (state & (NODE_LISTED | NODE_LINK)) != 0) return;
  char path[PATH_BUFFER_SIZE];
  if (TreeFolderPath(tree, node, path))
    ListIntoNode(tree, path, node, sayUnentered);
  else
    MarkListed(tree, node);
}

void ListFolderNode(HTREEITEM node, bool sayUnentered) { ListTreeNode(Ui.tree, node, sayUnentered); }

/* The tree asks whether a node has children when it first draws it: a node
   listed knows, a link has none, any other node looks into its folder. The
   tree keeps the answer (TVIF_DI_SETITEM) and asks no more. */
LRESULT OnFolderGetDispInfo(NMTVDISPINFOA *info) {
  HWND tree = info->hdr.hwndFrom;
  if (tree == nullptr || !(info->item.mask & TVIF_CHILDREN)) return 0;
  HTREEITEM node = info->item.hItem;
  LPARAM state = info->item.lParam;
  bool children = false;
  char path[PATH_BUFFER_SIZE];
  if (state & NODE_LISTED)
    children = TreeView_GetChild(tree, node) != nullptr;
  else if (!(state & NODE_LINK) && TreeFolderPath(tree, node, path))
    children = MayHaveSubfolders(path);
  info->item.cChildren = children ? 1 : 0;
  info->item.mask |= TVIF_DI_SETITEM;
  return 0;
}

/* A node about to show its children for the first time lists them, whether
   the user opened it (mouse or keyboard) or the program did. */
LRESULT OnFolderExpanding(const NMTREEVIEWA *change) {
  if ((change->action & (TVE_EXPAND | TVE_COLLAPSE)) != TVE_EXPAND) return FALSE;
  BeginFolderWalk();
  ListTreeNode(change->hdr.hwndFrom, change->itemNew.hItem, true);
  EndFolderWalk();
  return FALSE;
}

/* Redrawing the tree after every change is wasted work while the program
   changes many nodes: each insertion, expansion or selection in view took
   5 to 20 ms (seen under Wine). A hidden tree is left alone: turning redraw
   back on through the default procedure would make it visible. */
bool SuspendTreeRedraw() {
  if (!(GetWindowLongA(Ui.tree, GWL_STYLE) & WS_VISIBLE)) return false;
  SendMessageA(Ui.tree, WM_SETREDRAW, FALSE, 0);
  return true;
}

/* Draws the tree again, with the selected node in view: a selection made
   while redrawing was off does not scroll (seen under Wine). */
void ResumeTreeRedraw(bool suspended) {
  if (!suspended) return;
  SendMessageA(Ui.tree, WM_SETREDRAW, TRUE, 0);
  HTREEITEM selected = TreeView_GetSelection(Ui.tree);
  if (selected != nullptr) TreeView_EnsureVisible(Ui.tree, selected);
  InvalidateRect(Ui.tree, nullptr, TRUE);
}

/* ---- walks ---- */

/* One notice per walk for the folders left out. */
static void ReportTooDeepFolders() {
  char message[MESSAGE2_BUFFER_SIZE];
  snprintf(message, sizeof message, "Some folders are nested too deeply to be shown:\n'%s'",
           TreeScan.tooDeep);
  MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONINFORMATION);
}

void BeginFolderWalk() { ++TreeScan.walks; }

/* The end of the outermost walk says what its listings left out, once. */
void EndFolderWalk() {
  if (TreeScan.walks > 0 && --TreeScan.walks > 0) return;
  if (TreeScan.tooDeep[0] != '\0') ReportTooDeepFolders();
  TreeScan.tooDeep[0] = '\0';
  std::vector<std::wstring> notShown;
  notShown.swap(TreeScan.notShown);
  if (!notShown.empty()) ShowNamesLeftOut(notShown, nullptr);
}

/* Whether the selection changed as the program's own step (a rebuild, a
   node deleted, a quiet selection): its notification is then passed over. */
bool TreeSelectionIsOwn() { return TreeScan.rebuilding || TreeScan.selecting; }

/* Deleting nodes selects others, with notifications, as the program's own
   step. */
void DeleteTreeNodes(const std::vector<HTREEITEM> &nodes) {
  TreeScan.rebuilding = true;
  for (HTREEITEM node : nodes) TreeView_DeleteItem(Ui.tree, node);
  TreeScan.rebuilding = false;
}

HTREEITEM AddNotebookRoot(HWND tree) {
  HTREEITEM root =
      InsertNode(tree, TVI_ROOT, TVI_LAST, WorkFolderPath, ROOT_IMAGE, ROOT_IMAGE, 1, 0);
  if (root != nullptr) {
    ListIntoNode(tree, WorkFolderPath, root, true);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  }
  return root;
}

/* Replaces every node by the root and the folders of the work folder. */
HTREEITEM RebuildTreeNodes() {
  TreeScan.rebuilding = true;
  SendMessageA(Ui.tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  ListedNodes.clear();  // nodes of a tree destroyed earlier, too
  HTREEITEM root = AddNotebookRoot(Ui.tree);
  TreeScan.rebuilding = false;
  return root;
}

/* Takes the next component of a saved page path into a PATH_BUFFER_SIZE
   buffer and moves past it and its separator. 'last' tells whether no
   separator followed, which makes it the page's file name. */
bool TakePathComponent(const char **cursor, char *out, bool *last) {
  const char *start = *cursor;
  const char *end = start;
  while (*end != '\0' && !IsPathSeparator(*end)) end = CharNextA(end);
  size_t length = static_cast<size_t>(end - start);
  if (length >= PATH_BUFFER_SIZE) return false;
  memcpy(out, start, length);
  out[length] = '\0';
  *last = *end == '\0';
  *cursor = *last ? end : end + 1;
  return true;
}

/* The first child whose label matches a folder name, ASCII letter case
   ignored. False when a label cannot be read. */
bool FindChildNamed(HWND tree, HTREEITEM parent, const char *name, HTREEITEM *found) {
  *found = nullptr;
  char label[PATH_BUFFER_SIZE];
  for (HTREEITEM child = TreeView_GetChild(tree, parent); child != nullptr;
       child = TreeView_GetNextSibling(tree, child)) {
    if (!TreeNodeLabel(tree, child, label)) return false;
    if (NamesEqualIgnoringAsciiCase(label, name)) {
      *found = child;
      return true;
    }
  }
  return true;
}

/* Selects a node as the program's own move: OnFolderSelected passes over
   the notification, and the caller does what the selection calls for. */
void SelectFolderNodeQuietly(HTREEITEM node) {
  TreeScan.selecting = true;
  TreeView_SelectItem(Ui.tree, node);
  TreeScan.selecting = false;
}


/* Walks a tree from its root through the folders named in rest (names
   parted by backslashes), listing and expanding each folder on the way; with
   pageName given, the last name is a page's file name and goes there
   (PATH_BUFFER_SIZE). Null when a folder on the way is missing; the folders
   expanded so far stay expanded. */
static HTREEITEM WalkFolders(HWND tree, const char *rest, char *pageName) {
  HTREEITEM node = TreeView_GetRoot(tree);
  char name[PATH_BUFFER_SIZE];
  bool last = rest[0] == '\0';
  while (node != nullptr && !last) {
    if (!TakePathComponent(&rest, name, &last)) return nullptr;
    if (last && pageName != nullptr) {
      strcpy(pageName, name);
      break;
    }
    HTREEITEM child;
    if (!FindChildNamed(tree, node, name, &child) || child == nullptr) return nullptr;
    // Listed before it is expanded: the tree does not expand a node it has
    // been told has no children, and the folder may have some by now.
    ListTreeNode(tree, child, true);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(child));
    node = child;
  }
  return node;
}

/* The node of a page's folder along a saved page path, and the page's file
   name (empty for none) in a PATH_BUFFER_SIZE buffer. False when the page
   lies outside the work folder or a folder on the way is missing. */
bool WalkToPageFolder(const char *path, HTREEITEM *folder, char *pageName) {
  pageName[0] = '\0';
  if (path == nullptr || Ui.tree == nullptr || WorkFolderPath == nullptr) return false;
  const char *rest;
  if (!PathBelowFolder(path, WorkFolderPath, &rest)) return false;
  HTREEITEM node = WalkFolders(Ui.tree, rest, pageName);
  if (node == nullptr) {
    pageName[0] = '\0';
    return false;
  }
  *folder = node;
  return true;
}

HTREEITEM WalkToFolderNode(HWND tree, const char *folder) {
  if (tree == nullptr || WorkFolderPath == nullptr) return nullptr;
  if (FolderPathsEqual(folder, WorkFolderPath)) return TreeView_GetRoot(tree);
  const char *rest;
  if (!PathBelowFolder(folder, WorkFolderPath, &rest)) return nullptr;
  return WalkFolders(tree, rest, nullptr);
}

/* ---- what is expanded below a node ---- */

/* One question per node (a listed node that is open, and its label). */
static bool IsOpenListedNode(HTREEITEM node, char *label) {
  TVITEMA item = {};
  item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_TEXT;
  item.hItem = node;
  item.stateMask = TVIS_EXPANDED;
  item.pszText = label;
  item.cchTextMax = PATH_BUFFER_SIZE;
  if (!SendMessageA(Ui.tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return false;
  label[PATH_BUFFER_SIZE - 1] = '\0';
  return (item.lParam & NODE_LISTED) && (item.state & TVIS_EXPANDED);
}

/* How many levels a listed node lies below another, by the record of
   listed nodes; -1 when it does not lie at or below it. */
static int LevelsBelow(HTREEITEM node, HTREEITEM ancestor) {
  for (int levels = 0; node != nullptr; ++levels) {
    if (node == ancestor) return levels;
    auto listed = ListedNodes.find(node);
    if (listed == ListedNodes.end()) return -1;
    node = listed->second;
  }
  return -1;
}

/* Only the listed nodes at or below the node are asked about, parents
   first: a node counts when it and every node between are open. */
void NoteExpandedBelow(HTREEITEM node, std::vector<std::string> *expanded) {
  expanded->clear();
  if (node == nullptr || ListedNodes.count(node) == 0) return;
  std::vector<std::pair<int, HTREEITEM>> below;
  for (const auto &listed : ListedNodes) {
    int levels = LevelsBelow(listed.first, node);
    if (levels >= 0) below.emplace_back(levels, listed.first);
  }
  std::stable_sort(below.begin(), below.end(),
                   [](const std::pair<int, HTREEITEM> &a, const std::pair<int, HTREEITEM> &b) {
                     return a.first < b.first;
                   });
  std::unordered_map<HTREEITEM, std::string> openAt;  // open nodes, by their paths below node
  char label[PATH_BUFFER_SIZE];
  for (const auto &listed : below) {
    HTREEITEM at = listed.second;
    if (!IsOpenListedNode(at, label)) continue;
    std::string relative;
    if (at != node) {
      auto parent = openAt.find(ListedNodes[at]);
      if (parent == openAt.end()) continue;  // a closed node above hides it
      relative = parent->second.empty() ? label : parent->second + "\\" + label;
    }
    expanded->push_back(relative);
    openAt.emplace(at, relative);
  }
}

/* Parents come before their children in the list, so each folder is
   opened on a node already listed. */
void ExpandAgainBelow(HTREEITEM node, const std::vector<std::string> &expanded) {
  if (node == nullptr) return;
  BeginFolderWalk();
  for (const std::string &relative : expanded) {
    HTREEITEM found = node;
    const char *rest = relative.c_str();
    char name[PATH_BUFFER_SIZE];
    bool last = rest[0] == '\0';
    while (found != nullptr && !last)
      if (!TakePathComponent(&rest, name, &last) || !FindChildNamed(Ui.tree, found, name, &found))
        found = nullptr;
    if (found == nullptr) continue;
    ListFolderNode(found, false);
    TreeView_Expand(Ui.tree, found, TVE_EXPAND);
  }
  EndFolderWalk();
}
