// Folder paths and the current folder: how a tree node names its directory
// (the root's label is the work folder path, every other node adds its own
// label below its parent's path) and how a folder becomes current.
#include "base/ui_handles.h"
#include "tree/tree.h"

/* Reads a node's label into a PATH_BUFFER_SIZE buffer; with no node given,
   the selected node's. The buffer is empty when there is nothing to read. */
bool GetNodeLabel(HTREEITEM node, char *out) { return TreeNodeLabel(Ui.tree, node, out); }

bool TreeNodeLabel(HWND tree, HTREEITEM node, char *out) {
  out[0] = '\0';
  if (tree == nullptr) return false;
  if (node == nullptr) node = TreeView_GetSelection(tree);
  if (node == nullptr) return false;
  TVITEMA item = {};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = out;
  item.cchTextMax = PATH_BUFFER_SIZE;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
    out[0] = '\0';
    return false;
  }
  out[PATH_BUFFER_SIZE - 1] = '\0';
  return true;
}

/* Builds a node's folder path from the labels of its ancestors, root first. */
static bool AppendFolderPath(HWND tree, HTREEITEM node, char *out) {
  HTREEITEM parent = TreeView_GetParent(tree, node);
  if (parent != nullptr && !AppendFolderPath(tree, parent, out)) return false;
  char label[PATH_BUFFER_SIZE];
  if (!TreeNodeLabel(tree, node, label)) return false;
  return JoinPath(out, label);
}

/* The absolute folder path of a node into a PATH_BUFFER_SIZE buffer: the
   root's label, then every label below it joined by one backslash. Empty and
   false when there is no node, a label cannot be read or the path would be
   longer than 259 characters. */
bool GetFolderPath(HTREEITEM node, char *out) { return TreeFolderPath(Ui.tree, node, out); }

bool TreeFolderPath(HWND tree, HTREEITEM node, char *out) {
  out[0] = '\0';
  if (tree == nullptr || node == nullptr) return false;
  if (AppendFolderPath(tree, node, out)) return true;
  out[0] = '\0';
  return false;
}

/* Reports a folder that could not be made the current directory. */
void ReportFolderNotEntered(const char *path) {
  ShowSystemErrorAbout("Cannot switch to directory \"%s\"", path);
}

/* Makes a folder the process's current directory, by default the work
   folder. An empty path is passed over quietly; a folder that cannot be
   entered is reported and the current directory stays what it was. */
bool SwitchFolder(const char *path) {
  if (path == nullptr) path = WorkFolderPath;
  if (path == nullptr || path[0] == '\0') return false;
  if (SetCurrentDirectoryA(path)) return true;
  ReportFolderNotEntered(path);
  return false;
}

HTREEITEM GetParentFolderNode() {
  HTREEITEM node = SelectedTreeNode();
  if (node == nullptr) return nullptr;
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(Ui.tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(node)));
}
