#include "tree_test_util.h"

namespace treetest {

std::string Label(HWND tree, HTREEITEM node) {
  char text[MAX_PATH] = "";
  TVITEMA item = {};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return "<unreadable>";
  return text;
}

// A folder's children are listed when its node is first expanded: the
// helpers open a closed node to look into it, as a user would, and close it
// again.
static bool OpenToLook(HWND tree, HTREEITEM node) {
  if (IsExpanded(tree, node)) return false;
  TreeView_Expand(tree, node, TVE_EXPAND);
  return true;
}

static void CloseAfterLooking(HWND tree, HTREEITEM node, bool opened) {
  if (opened) TreeView_Expand(tree, node, TVE_COLLAPSE);
}

std::vector<std::string> ChildLabels(HWND tree, HTREEITEM parent) {
  std::vector<std::string> labels;
  bool opened = parent != nullptr && OpenToLook(tree, parent);
  HTREEITEM child = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree);
  for (; child != nullptr; child = TreeView_GetNextSibling(tree, child))
    labels.push_back(Label(tree, child));
  CloseAfterLooking(tree, parent, opened);
  return labels;
}

HTREEITEM FindNode(HWND tree, const std::vector<std::string> &labels) {
  HTREEITEM node = TreeView_GetRoot(tree);
  for (const std::string &wanted : labels) {
    bool opened = OpenToLook(tree, node);
    HTREEITEM child = TreeView_GetChild(tree, node);
    while (child != nullptr && Label(tree, child) != wanted)
      child = TreeView_GetNextSibling(tree, child);
    CloseAfterLooking(tree, node, opened);
    if (child == nullptr) return nullptr;
    node = child;
  }
  return node;
}

bool IsExpanded(HWND tree, HTREEITEM node) {
  return (TreeView_GetItemState(tree, node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

std::string SelectedLabel(HWND tree) {
  HTREEITEM selected = TreeView_GetSelection(tree);
  return selected ? Label(tree, selected) : "<none>";
}

static std::string TabLabel(HWND tabs, int index) {
  char text[MAX_PATH] = "";
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  if (!SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return "<none>";
  return text;
}

std::vector<std::string> TabLabels(HWND tabs) {
  std::vector<std::string> labels;
  int count = TabCtrl_GetItemCount(tabs);
  for (int i = 0; i < count; ++i) labels.push_back(TabLabel(tabs, i));
  return labels;
}

std::string SelectedTabLabel(HWND tabs) { return TabLabel(tabs, TabCtrl_GetCurSel(tabs)); }

std::vector<std::string> OrderOfSortedInsertion(const std::vector<std::string> &labels) {
  HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  for (const std::string &label : labels) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_SORT;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char *>(label.c_str());
    SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
  }
  std::vector<std::string> order = ChildLabels(tree, nullptr);
  DestroyWindow(tree);
  return order;
}

bool MakeLongDir(const std::string &path) {
  return CreateDirectoryA(("\\\\?\\" + path).c_str(), nullptr) != 0;
}

void RemoveLongTree(const std::string &path) {
  std::string longPath = "\\\\?\\" + path;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((longPath + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveLongTree(path + "\\" + name);
      else
        DeleteFileA((longPath + "\\" + name).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(longPath.c_str());
}

}  // namespace treetest
