// The folder tree against its floor, with a notebook of 1,010, 4,040 and
// 10,100 folders (10, 40 and 100 folders of 100 subfolders each):
// - the program's start (its main window made and shown, the tree filled and
//   the root's pages listed), against an empty notebook's start plus the
//   least the platform needs for the same nodes: every folder listed by its
//   full path, the names sorted as the tree orders them, and the nodes
//   appended in that order to a fresh tree view like the program's;
// - Refresh, against the same listing, sort and insertion plus deleting the
//   old nodes of a tree view that holds as many.
// Then with two pages in each of the 10,000 folders below those 100:
// - Refresh with the page shown last two levels down (one folder of 100
//   open), against Refresh of a notebook of one page; then both with the
//   drawing that follows;
// - the expansion of a folder of 100 subfolders, against listing that folder
//   and appending its 100 nodes, sorted beforehand, below a node of a fresh
//   tree view and expanding it; then the same with the drawing that follows
//   (where the tree asks for the buttons of the nodes in view).
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

namespace {

const int Repeats = 5;

struct Folder {
  std::string name;
  std::vector<Folder> children;
};

// The floor's listing: one search per folder, by its full path; links are
// not entered, as the program enters none.
void ListFolder(const std::string &path, Folder *folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*.*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<bool> links;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
    folder->children.push_back(Folder{entry.cFileName, {}});
    links.push_back((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  for (size_t i = 0; i < folder->children.size(); ++i)
    if (!links[i]) ListFolder(path + "\\" + folder->children[i].name, &folder->children[i]);
}

void SortAll(Folder *folder) {
  std::sort(folder->children.begin(), folder->children.end(), [](const Folder &a, const Folder &b) {
    return FolderNameLess(a.name.c_str(), b.name.c_str());
  });
  for (Folder &child : folder->children) SortAll(&child);
}

HTREEITEM Insert(HWND tree, HTREEITEM parent, const char *label) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<char *>(label);
  insert.item.iImage = 1;
  insert.item.iSelectedImage = 2;
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void InsertAll(HWND tree, HTREEITEM parent, const Folder &folder) {
  for (const Folder &child : folder.children)
    InsertAll(tree, Insert(tree, parent, child.name.c_str()), child);
}

// A tree view like the program's, in its place, with its images.
HWND MakeFloorTree() {
  RECT place = {0, 0, 200, 400};
  if (Ui.tree != nullptr) {
    GetWindowRect(Ui.tree, &place);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT *>(&place), 2);
  }
  HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr,
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                  TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS |
                                  TVS_SHOWSELALWAYS,
                              place.left, place.top, place.right - place.left,
                              place.bottom - place.top, MainWindow, nullptr, AppInstance, nullptr);
  if (tree != nullptr && Ui.treeImageList != nullptr)
    SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(Ui.treeImageList));
  return tree;
}

// The floor's nodes for one work folder: the old ones deleted (when the tree
// holds any), every folder listed, sorted and appended. Seconds.
double FillFloorTree(HWND tree, const std::string &work) {
  double start = BenchSeconds();
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  Folder root{work, {}};
  ListFolder(work, &root);
  SortAll(&root);
  HTREEITEM top = Insert(tree, TVI_ROOT, root.name.c_str());
  InsertAll(tree, top, root);
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
  SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree, nullptr, TRUE);
  return BenchSeconds() - start;
}

// Folders named in an order unlike the sorted one.
bool MakeFolders(const std::string &base, int count, const char *pattern) {
  char name[64];
  for (int i = 0; i < count; ++i) {
    snprintf(name, sizeof name, pattern, (i * 7919) % count);
    if (!CreateDirectoryA((base + "\\" + name).c_str(), nullptr)) return false;
  }
  return true;
}

// Grows a notebook to 'tops' folders of 100 subfolders each; the folders
// are named in an order unlike the sorted one.
bool GrowNotebook(const std::string &work, int from, int tops) {
  for (int i = from; i < tops; ++i) {
    char name[32];
    snprintf(name, sizeof name, "\\Top %03d", (i * 37) % 100);
    if (!CreateDirectoryA((work + name).c_str(), nullptr) ||
        !MakeFolders(work + name, 100, "sub-%02d"))
      return false;
  }
  return true;
}

// Two pages in each folder below the 'tops' folders of GrowNotebook.
bool AddLeafPages(const std::string &work, int tops) {
  for (int top = 0; top < tops; ++top)
    for (int sub = 0; sub < 100; ++sub) {
      char folder[64];
      snprintf(folder, sizeof folder, "\\Top %03d\\sub-%02d", top, sub);
      if (!harness::WriteBytes(work + folder + "\\Page 1.tav", "a page\r\n") ||
          !harness::WriteBytes(work + folder + "\\Page 2.tav", "another page\r\n"))
        return false;
    }
  return true;
}

// The program started on the notebook, against an empty notebook's start
// plus the floor's nodes in a fresh tree view.
void MeasureStart(const std::string &work, const std::string &empty, Runs *measured, Runs *floor) {
  for (int run = 0; run < Repeats; ++run) {
    {
      BenchApp app;
      double start = BenchSeconds();
      app.StartIn(work);
      measured->Add(BenchSeconds() - start);
      app.Stop();
    }
    BenchApp app;
    double start = BenchSeconds();
    app.StartIn(empty);
    double emptyStart = BenchSeconds() - start;
    HWND tree = MakeFloorTree();
    double nodes = FillFloorTree(tree, work);
    harness::PumpMessages();
    floor->Add(emptyStart + nodes);
    DestroyWindow(tree);
    app.Stop();
  }
}

// Refresh of a tree that shows the notebook already, against the floor's
// nodes replacing as many in a tree view of its own.
void MeasureRefresh(const std::string &work, Runs *measured, Runs *floor) {
  BenchApp app;
  app.StartIn(work);
  HWND tree = MakeFloorTree();
  FillFloorTree(tree, work);
  harness::PumpMessages();
  for (int run = 0; run < Repeats; ++run) {
    double start = BenchSeconds();
    RefreshTree();
    measured->Add(BenchSeconds() - start);
    harness::PumpMessages();
    floor->Add(FillFloorTree(tree, work));
    harness::PumpMessages();
  }
  DestroyWindow(tree);
  app.Stop();
}

// Refresh, and with the drawing that follows (where the tree asks for the
// buttons of the nodes in view), as the user waits for it.
void TimeRefresh(Runs *refresh, Runs *drawn) {
  double start = BenchSeconds();
  RefreshTree();
  double refreshed = BenchSeconds();
  harness::PumpMessages();
  refresh->Add(refreshed - start);
  drawn->Add(BenchSeconds() - start);
}

// Refresh of the big notebook showing the page two levels down, against
// Refresh of a notebook of one page.
void MeasureBranchRefresh(const std::string &big, const std::string &onePage, Runs *refresh,
                          Runs *floor, Runs *drawn, Runs *floorDrawn) {
  for (int run = 0; run < Repeats; ++run) {
    {
      BenchApp app;
      app.StartIn(big, big + "\\" + BigNotebookSavedPage);
      TimeRefresh(refresh, drawn);
      app.Stop();
    }
    BenchApp app;
    app.StartIn(onePage, onePage + "\\Page.tav");
    TimeRefresh(floor, floorDrawn);
    app.Stop();
  }
}

HTREEITEM ChildLabelled(HTREEITEM parent, const char *label) {
  char text[PATH_BUFFER_SIZE];
  for (HTREEITEM child = TreeView_GetChild(Ui.tree, parent); child != nullptr;
       child = TreeView_GetNextSibling(Ui.tree, child))
    if (GetNodeLabel(child, text) && strcmp(text, label) == 0) return child;
  return nullptr;
}

// Expands a node at the top of the tree's view, as a click on its button
// does, and then waits for the drawing. Seconds of each.
void TimeExpansion(HWND tree, HTREEITEM node, Runs *expand, Runs *drawn) {
  SendMessageA(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(node));
  UpdateWindow(tree);
  double start = BenchSeconds();
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
  double expanded = BenchSeconds();
  UpdateWindow(tree);
  expand->Add(expanded - start);
  drawn->Add(BenchSeconds() - start);
}

// The floor of an expansion: the folder listed by its full path, its names
// (sorted beforehand) appended below a node, which is expanded, and then
// drawn.
void ExpansionFloor(HWND tree, HTREEITEM node, const std::string &path,
                    const std::vector<Folder> &sorted, Runs *expand, Runs *drawn) {
  SendMessageA(tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(node));
  UpdateWindow(tree);
  double start = BenchSeconds();
  Folder listed{path, {}};
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*.*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.')
        listed.children.push_back(Folder{entry.cFileName, {}});
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  for (const Folder &child : sorted) Insert(tree, node, child.name.c_str());
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
  double expanded = BenchSeconds();
  UpdateWindow(tree);
  expand->Add(expanded - start);
  drawn->Add(BenchSeconds() - start);
}

// Expanding folders of 100 subfolders not listed yet, one per run, in the
// program started on the big notebook; the floor's nodes go below a node of
// their own in a fresh tree view.
void MeasureExpansion(const std::string &big, Runs *expand, Runs *floorExpand, Runs *drawn,
                      Runs *floorDrawn) {
  BenchApp app;
  app.StartIn(big, big + "\\" + BigNotebookSavedPage);
  HWND floorTree = MakeFloorTree();
  HTREEITEM floorRoot = Insert(floorTree, TVI_ROOT, big.c_str());
  for (int run = 0; run < Repeats; ++run) {
    char label[32];
    snprintf(label, sizeof label, "Top %03d", 10 + run);
    HTREEITEM node = ChildLabelled(TreeView_GetRoot(Ui.tree), label);
    if (node == nullptr) break;
    TimeExpansion(Ui.tree, node, expand, drawn);
    SendMessageA(Ui.tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(node));
    harness::PumpMessages();

    Folder folder{big + "\\" + label, {}};
    ListFolder(folder.name, &folder);
    SortAll(&folder);
    HTREEITEM floorNode = Insert(floorTree, floorRoot, label);
    SendMessageA(floorTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(floorRoot));
    ExpansionFloor(floorTree, floorNode, folder.name, folder.children, floorExpand, floorDrawn);
    SendMessageA(floorTree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(floorNode));
    harness::PumpMessages();
  }
  DestroyWindow(floorTree);
  app.Stop();
}

}  // namespace

const char BigNotebookSavedPage[] = "Top 050\\sub-50\\Page 1.tav";

bool MakeBigNotebook(const std::string &work) {
  return GrowNotebook(work, 0, 100) && AddLeafPages(work, 100);
}

void RunTreeBenchmarks() {
  harness::TempDir folders;
  const std::string empty = folders / "empty";
  const std::string work = folders / "notebook";
  if (!CreateDirectoryA(empty.c_str(), nullptr) || !CreateDirectoryA(work.c_str(), nullptr)) {
    fprintf(stderr, "tree benchmark: cannot make the folders\n");
    return;
  }
  PrintFloorHeader(
      "Folder tree (ms, 5 runs; floor = listing by full path + sort + appending in order,\n"
      "for the start-up also an empty notebook's start, for Refresh also deleting the old nodes)");
  // The same notebook grown from one size to the next.
  const struct {
    const char *label;
    int tops;
  } sizes[] = {{"1,010", 10}, {"4,040", 40}, {"10,100", 100}};
  int made = 0;
  std::vector<double> perFolder;
  for (const auto &size : sizes) {
    if (!GrowNotebook(work, made, size.tops)) {
      fprintf(stderr, "tree benchmark: cannot make the folders\n");
      return;
    }
    made = size.tops;
    Runs measured, floor;
    char what[64];
    MeasureStart(work, empty, &measured, &floor);
    snprintf(what, sizeof what, "start-up, %s folders", size.label);
    PrintFloorRow(what, measured, floor, "empty start + nodes");
    measured = floor = Runs();
    MeasureRefresh(work, &measured, &floor);
    snprintf(what, sizeof what, "Refresh, %s folders", size.label);
    PrintFloorRow(what, measured, floor, "delete + nodes");
    perFolder.push_back(measured.Median() / (size.tops * 101));
  }
  printf("Refresh per folder (median, us):");
  for (size_t i = 0; i < perFolder.size(); ++i)
    printf(" %s: %.0f", sizes[i].label, perFolder[i] * 1e6);
  printf("\n");
  fflush(stdout);

  const std::string onePage = folders / "one page";
  if (!AddLeafPages(work, made) || !CreateDirectoryA(onePage.c_str(), nullptr) ||
      !harness::WriteBytes(onePage + "\\Page.tav", "the one page")) {
    fprintf(stderr, "tree benchmark: cannot make the pages\n");
    return;
  }
  PrintFloorHeader("Folder tree of 10,100 folders and 20,000 pages (ms, 5 runs)");
  Runs measured, floor, drawn, floorDrawn;
  MeasureBranchRefresh(work, onePage, &measured, &floor, &drawn, &floorDrawn);
  PrintFloorRow("Refresh, one folder of 100 open", measured, floor, "Refresh, one page");
  PrintFloorRow("the same, drawn", drawn, floorDrawn, "the same, drawn");
  measured = floor = drawn = floorDrawn = Runs();
  MeasureExpansion(work, &measured, &floor, &drawn, &floorDrawn);
  PrintFloorRow("expanding a folder of 100", measured, floor, "list + append 100 sorted");
  PrintFloorRow("the same, drawn", drawn, floorDrawn, "the same, drawn");
}
