// The folder tree's rebuild against its floor: listing the same directories
// and appending the same labels, already sorted, to a fresh tree view.
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ui_handles.h"
#include "bench/bench.h"
#include "harness/harness.h"
#include "tree/tree.h"

namespace {


struct Folder {
  std::string name;
  std::vector<Folder> children;
};

// The floor's listing: what the rebuild must at least read from disk.
void ListFolder(const std::string &path, Folder *folder) {
  if (!SetCurrentDirectoryA(path.c_str())) return;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA("*.*", &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
    folder->children.push_back(Folder{entry.cFileName, {}});
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  for (Folder &child : folder->children) ListFolder(path + "\\" + child.name, &child);
}

void SortAll(Folder *folder) {
  std::sort(folder->children.begin(), folder->children.end(), [](const Folder &a, const Folder &b) {
    return FolderNameLess(a.name.c_str(), b.name.c_str());
  });
  for (Folder &child : folder->children) SortAll(&child);
}

HTREEITEM Insert(HWND tree, HTREEITEM parent, const char *label, HTREEITEM after) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<char *>(label);
  insert.item.iImage = 1;
  insert.item.iSelectedImage = 2;
  return reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void InsertAll(HWND tree, HTREEITEM parent, const Folder &folder, HTREEITEM after) {
  for (const Folder &child : folder.children)
    InsertAll(tree, Insert(tree, parent, child.name.c_str(), after), child, after);
}

// A tree view like the program's, beside it, for the floor's insertions.
HWND MakeFloorTree() {
  return CreateWindowExA(
      WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
      WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_EDITLABELS | TVS_SHOWSELALWAYS, 0,
      0, 200, 400, MainWindow, nullptr, AppInstance, nullptr);
}

struct Timing {
  double refresh;
  double listing;
  double insertion;
};

double Best(const std::vector<double> &runs) { return *std::min_element(runs.begin(), runs.end()); }

// Best of a few runs each, the rebuild and its floor measured alike.
Timing Measure(const std::string &work, HTREEITEM *after, int runs) {
  strcpy(WorkFolderPath, work.c_str());
  SavedPagePath[0] = '\0';
  std::vector<double> refresh, listing, insertion;
  for (int run = 0; run < runs; ++run) {
    double start = BenchSeconds();
    RefreshTree();
    refresh.push_back(BenchSeconds() - start);

    Folder root{work, {}};
    start = BenchSeconds();
    ListFolder(work, &root);
    listing.push_back(BenchSeconds() - start);

    SortAll(&root);
    HWND tree = MakeFloorTree();
    start = BenchSeconds();
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    HTREEITEM top = Insert(tree, TVI_ROOT, root.name.c_str(), TVI_LAST);
    InsertAll(tree, top, root, *after);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    insertion.push_back(BenchSeconds() - start);
    DestroyWindow(tree);
    harness::PumpMessages();
  }
  return Timing{Best(refresh), Best(listing), Best(insertion)};
}

bool MakeFolders(const std::string &base, int count, const char *pattern) {
  char name[64];
  for (int i = 0; i < count; ++i) {
    snprintf(name, sizeof name, pattern, (i * 7919) % count);  // not made in sorted order
    if (!CreateDirectoryA((base + "\\" + name).c_str(), nullptr)) return false;
  }
  return true;
}

void PrintRow(const char *label, const Timing &t) {
  double floor = t.listing + t.insertion;
  printf("%-32s %10.1f %10.1f %10.1f %10.1f %7.2fx\n", label, t.refresh * 1000, t.listing * 1000,
         t.insertion * 1000, floor * 1000, t.refresh / floor);
}

}  // namespace

void RunTreeBenchmarks() {
  BenchApp app;
  app.Start();
  const std::string deep = app.Work() + "\\deep";
  const std::string wide = app.Work() + "\\wide";
  CreateDirectoryA(deep.c_str(), nullptr);
  CreateDirectoryA(wide.c_str(), nullptr);
  bool made = MakeFolders(wide, 5000, "Folder %04d");
  for (int i = 0; made && i < 100; ++i) {
    char name[32];
    snprintf(name, sizeof name, "\\Top %02d", (i * 37) % 100);
    made = CreateDirectoryA((deep + name).c_str(), nullptr) &&
           MakeFolders(deep + name, 100, "sub-%02d");
  }
  if (!made) {
    fprintf(stderr, "tree benchmark: cannot make the folders\n");
    app.Stop();
    return;
  }
  HTREEITEM last = TVI_LAST;
  Timing deepTiming = Measure(deep, &last, 3);
  Timing wideTiming = Measure(wide, &last, 3);

  // For comparison: the same wide folder inserted one by one with TVI_SORT.
  HTREEITEM sorted = TVI_SORT;
  Timing wideSorted = Measure(wide, &sorted, 1);

  printf("\nFolder tree rebuild (ms, best of runs; floor = listing + pre-sorted insertion)\n");
  printf("%-32s %10s %10s %10s %10s %8s\n", "case", "refresh", "listing", "insertion", "floor",
         "ratio");
  PrintRow("100 x 100 folders", deepTiming);
  PrintRow("one folder, 5,000 subfolders", wideTiming);
  printf("%-32s %10s %10s %10.1f\n", "  (5,000 inserted with TVI_SORT)", "", "",
         wideSorted.insertion * 1000);
  fflush(stdout);
  app.Stop();
}
