// A folder's subfolders listed again into its node, after a move or a change
// another program made: nodes of folders gone go, new ones come in their
// sorted place, a folder renamed keeps its node, and every line that stays
// keeps its place on screen.
#include "tree/tree.h"

#include <string.h>

#include <unordered_map>
#include <string>
#include <vector>

/* ---- a folder listed again ---- */

HTREEITEM FindFolderNode(const char *folder) {
  if (Ui.tree == nullptr || WorkFolderPath == nullptr) return nullptr;
  HTREEITEM node = TreeView_GetRoot(Ui.tree);
  if (node == nullptr || FolderPathsEqual(folder, WorkFolderPath)) return node;
  const char *rest;
  if (!PathBelowFolder(folder, WorkFolderPath, &rest)) return nullptr;
  char name[PATH_BUFFER_SIZE];
  bool last = false;
  while (node != nullptr && !last) {
    if (!(FolderNodeState(node) & NODE_LISTED) || !TakePathComponent(&rest, name, &last) ||
        !FindChildNamed(Ui.tree, node, name, &node))
      return nullptr;
  }
  return node;
}

static bool IsAtOrBelowNode(HTREEITEM node, HTREEITEM ancestor) {
  for (; node != nullptr; node = TreeView_GetParent(Ui.tree, node))
    if (node == ancestor) return true;
  return false;
}

/* The child of parent at or above node; null when node lies elsewhere. */
static HTREEITEM ChildHolding(HTREEITEM parent, HTREEITEM node) {
  while (node != nullptr) {
    HTREEITEM up = TreeView_GetParent(Ui.tree, node);
    if (up == parent) return node;
    node = up;
  }
  return nullptr;
}

namespace {
// A node among its parent's children, and whether a subfolder on disk is
// still its folder.
struct ChildNode {
  HTREEITEM node;
  std::string label;
  bool isLink;
  bool kept;
};
}  // namespace

static std::vector<ChildNode> ChildNodesOf(HTREEITEM parent) {
  std::vector<ChildNode> children;
  char label[PATH_BUFFER_SIZE];
  for (HTREEITEM child = TreeView_GetChild(Ui.tree, parent); child != nullptr;
       child = TreeView_GetNextSibling(Ui.tree, child))
    if (GetNodeLabel(child, label))
      children.push_back(
          ChildNode{child, label, (FolderNodeState(child) & NODE_LINK) != 0, false});
  return children;
}

/* The nodes are the folders, in order: the usual answer, and the one for
   every change the program made itself and has shown already. */
static bool SameNames(const std::vector<ChildNode> &children, const std::vector<Subfolder> &folders) {
  if (children.size() != folders.size()) return false;
  for (size_t i = 0; i < children.size(); ++i)
    if (children[i].label != folders[i].name || children[i].isLink != folders[i].isLink)
      return false;
  return true;
}

/* Gives a node the name its folder has now. A folder at or above the one
   shown that got a new name elsewhere is told to the caller, for whatever
   names the folder shown to follow it. */
static void RelabelChild(const char *parentPath, ChildNode *child, const std::string &name,
                         HTREEITEM selected, Relisted *done) {
  char oldPath[PATH_BUFFER_SIZE], newPath[PATH_BUFFER_SIZE];
  if (!JoinPath(parentPath, child->label.c_str(), oldPath) ||
      !JoinPath(parentPath, name.c_str(), newPath))
    return;
  SetNodeLabel(child->node, name.c_str());
  if (selected != nullptr && IsAtOrBelowNode(selected, child->node))
    done->renamed.push_back(NameMove{oldPath, newPath});
  child->label = name;
  child->kept = true;
}

/* Matches the nodes to the folders on disk (nodeOf: each folder's node, or
   null for a new one): by name, letter for letter and as link or folder;
   then a folder renamed elsewhere keeps its node under the new name, and so
   does one whose name changed only in letter case. True when a node was
   given a new name. */
static bool MatchChildren(const char *path, std::vector<ChildNode> &children,
                          const std::vector<Subfolder> &folders,
                          const std::vector<NameMove> *renamed, HTREEITEM selected,
                          std::vector<HTREEITEM> *nodeOf, Relisted *done) {
  nodeOf->assign(folders.size(), nullptr);
  std::unordered_map<std::string, size_t> folderNamed, childLabelled;
  for (size_t i = 0; i < folders.size(); ++i) folderNamed.emplace(folders[i].name, i);
  for (size_t i = 0; i < children.size(); ++i) childLabelled.emplace(children[i].label, i);
  auto keep = [&](ChildNode &child, size_t folder) {
    if ((*nodeOf)[folder] != nullptr || folders[folder].isLink != child.isLink) return false;
    (*nodeOf)[folder] = child.node;
    child.kept = true;
    return true;
  };
  for (ChildNode &child : children) {
    auto found = folderNamed.find(child.label);
    if (found != folderNamed.end()) keep(child, found->second);
  }
  bool changed = false;
  for (size_t i = 0; renamed != nullptr && i < renamed->size(); ++i) {
    auto child = childLabelled.find((*renamed)[i].from);
    auto folder = folderNamed.find((*renamed)[i].to);
    if (child == childLabelled.end() || folder == folderNamed.end() ||
        children[child->second].kept || !keep(children[child->second], folder->second))
      continue;
    RelabelChild(path, &children[child->second], (*renamed)[i].to, selected, done);
    changed = true;
  }
  for (ChildNode &child : children) {
    for (size_t i = 0; i < folders.size() && !child.kept; ++i) {
      if (!NamesEqualIgnoringAsciiCase(folders[i].name.c_str(), child.label.c_str()) ||
          !keep(child, i))
        continue;
      RelabelChild(path, &child, folders[i].name, selected, done);
      changed = true;
    }
  }
  return changed;
}

/* Takes away the nodes whose folders are gone. A node that holds the
   selection hands it to the folder's node first, quietly (deleting the
   selected node would select a sibling, with notifications): true then,
   and the caller opens the folder. The node of the folder shown stays when
   the caller keeps it (its page has unsaved changes, which are written to
   the page's name again when it is left). The line at the top, when it goes, gives way to the line
   above it, so that every line that stays keeps its place on screen (the
   tree would move them all up by one). */
static bool TakeAwayGoneChildren(HTREEITEM node, std::vector<ChildNode> &children,
                                 bool keepSelected, HTREEITEM *top) {
  HTREEITEM holdingSelection = ChildHolding(node, TreeView_GetSelection(Ui.tree));
  std::unordered_map<HTREEITEM, bool> gone;
  bool selectionMoved = false;
  for (ChildNode &child : children) {
    if (child.kept) continue;
    if (child.node == holdingSelection) {
      if (keepSelected) continue;
      selectionMoved = true;
    }
    gone.emplace(child.node, true);
  }
  for (HTREEITEM at; *top != nullptr && (at = ChildHolding(node, *top)) != nullptr &&
                     gone.count(at) != 0;)
    *top = TreeView_GetPrevVisible(Ui.tree, at);
  if (selectionMoved) SelectFolderNodeQuietly(node);
  std::vector<HTREEITEM> deleted;
  for (const auto &child : gone) deleted.push_back(child.first);
  DeleteTreeNodes(deleted);
  return selectionMoved;
}

/* Inserts the folders that have no node yet, each in its sorted place
   among the nodes kept. */
static void InsertNewChildren(HTREEITEM node, const std::vector<Subfolder> &folders,
                              const std::vector<HTREEITEM> &nodeOf) {
  HTREEITEM after = TVI_FIRST;
  for (size_t i = 0; i < folders.size(); ++i) {
    HTREEITEM placed =
        nodeOf[i] != nullptr ? nodeOf[i] : InsertFolderNode(Ui.tree, node, after, folders[i]);
    if (placed != nullptr) after = placed;
  }
}

namespace {
// A child's label and flags while its siblings are sorted: the tree hands
// the callback only each node's lParam, which holds the entry's index then.
struct SortedChild {
  HTREEITEM node;
  std::string label;
  LPARAM state;
};
}  // namespace

static int CALLBACK CompareSortedChildren(LPARAM a, LPARAM b, LPARAM childrenList) {
  const auto &children = *reinterpret_cast<const std::vector<SortedChild> *>(childrenList);
  const char *labelA = children[static_cast<size_t>(a)].label.c_str();
  const char *labelB = children[static_cast<size_t>(b)].label.c_str();
  return FolderNameLess(labelA, labelB) ? -1 : FolderNameLess(labelB, labelA) ? 1 : 0;
}

/* A node given a new name moves to the place its name has among its
   siblings, as a fresh listing would put it; the tree moves nodes with
   their children, expansion and selection. */
static void SortChildrenAgain(HTREEITEM node) {
  std::vector<SortedChild> children;
  char label[PATH_BUFFER_SIZE];
  for (HTREEITEM child = TreeView_GetChild(Ui.tree, node); child != nullptr;
       child = TreeView_GetNextSibling(Ui.tree, child))
    if (GetNodeLabel(child, label)) children.push_back(SortedChild{child, label, FolderNodeState(child)});
  for (size_t i = 0; i < children.size(); ++i)
    SetNodeParam(Ui.tree, children[i].node, static_cast<LPARAM>(i));
  TVSORTCB sort = {};
  sort.hParent = node;
  sort.lpfnCompare = CompareSortedChildren;
  sort.lParam = reinterpret_cast<LPARAM>(&children);
  SendMessageA(Ui.tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
  for (const SortedChild &child : children) SetNodeParam(Ui.tree, child.node, child.state);
}

bool RelistFolderNode(HTREEITEM node, const std::vector<NameMove> *renamed, bool keepSelected,
                      Relisted *done) {
  *done = Relisted();
  if (Ui.tree == nullptr || node == nullptr) return false;
  char path[PATH_BUFFER_SIZE];
  if (!GetFolderPath(node, path)) return false;
  LPARAM state = FolderNodeState(node);
  if (state & NODE_LINK) return true;
  if (!(state & NODE_LISTED)) {
    // A node never listed shows the expand button its folder calls for now.
    SetButton(Ui.tree, node, MayHaveSubfolders(path));
    return true;
  }
  std::vector<Subfolder> folders;
  if (!ListShownSubfolders(path, false, &folders)) return false;
  std::vector<ChildNode> children = ChildNodesOf(node);
  if (SameNames(children, folders)) {
    MarkListed(Ui.tree, node);
    return true;
  }
  HTREEITEM top = TreeView_GetFirstVisible(Ui.tree);
  bool suspended = SuspendTreeRedraw();
  std::vector<HTREEITEM> nodeOf;
  bool relabelled =
      MatchChildren(path, children, folders, renamed, TreeView_GetSelection(Ui.tree), &nodeOf, done);
  bool selectionMoved = TakeAwayGoneChildren(node, children, keepSelected, &top);
  if (relabelled) SortChildrenAgain(node);
  InsertNewChildren(node, folders, nodeOf);
  MarkListed(Ui.tree, node);
  if (suspended) SendMessageA(Ui.tree, WM_SETREDRAW, TRUE, 0);
  if (top != nullptr && TreeView_GetFirstVisible(Ui.tree) != top)
    TreeView_Select(Ui.tree, top, TVGN_FIRSTVISIBLE);
  if (suspended) InvalidateRect(Ui.tree, nullptr, TRUE);
  // The folder shown went: its nearest remaining ancestor is opened by the
  // caller.
  if (selectionMoved) done->selectionMoved = node;
  return true;
}

bool RelistFolderAt(const char *path, const std::vector<NameMove> *renamed, bool keepSelected,
                    Relisted *done) {
  *done = Relisted();
  HTREEITEM node = FindFolderNode(path);
  return node != nullptr && RelistFolderNode(node, renamed, keepSelected, done);
}

void ListedFolderPaths(std::vector<std::string> *paths) {
  if (Ui.tree == nullptr) return;
  std::vector<HTREEITEM> pending;
  if (HTREEITEM root = TreeView_GetRoot(Ui.tree)) pending.push_back(root);
  char path[PATH_BUFFER_SIZE];
  // Breadth first: a folder comes before every folder below it.
  for (size_t next = 0; next < pending.size(); ++next) {
    HTREEITEM node = pending[next];
    if (!(FolderNodeState(node) & NODE_LISTED) || !GetFolderPath(node, path)) continue;
    paths->push_back(path);
    for (HTREEITEM child = TreeView_GetChild(Ui.tree, node); child != nullptr;
         child = TreeView_GetNextSibling(Ui.tree, child))
      pending.push_back(child);
  }
}

