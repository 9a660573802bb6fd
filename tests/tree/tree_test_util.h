// What the folder tree tests read from the tree and the tab strip, and the
// long-path folders they build.
#ifndef TAV_TREE_TEST_UTIL_H
#define TAV_TREE_TEST_UTIL_H

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace treetest {

std::string Label(HWND tree, HTREEITEM node);
std::vector<std::string> ChildLabels(HWND tree, HTREEITEM parent);
// The node reached from the root through these labels, or null.
HTREEITEM FindNode(HWND tree, const std::vector<std::string> &labels);
bool IsExpanded(HWND tree, HTREEITEM node);
std::string SelectedLabel(HWND tree);

std::vector<std::string> TabLabels(HWND tabs);
std::string SelectedTabLabel(HWND tabs);

// The labels in the order a tree view gives them when each is inserted with
// TVI_SORT in the order given.
std::vector<std::string> OrderOfSortedInsertion(const std::vector<std::string> &labels);

// Folders whose paths pass the usual limit, through the "\\?\" form.
bool MakeLongDir(const std::string &path);
void RemoveLongTree(const std::string &path);

}  // namespace treetest

#endif
