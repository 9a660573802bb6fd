// The folder tree in the running program: node paths, the current folder, the
// rebuild from disk and the selection restored along the saved page path.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"
#include "tree_test_util.h"

namespace {

using harness::CurrentDirectory;
using harness::MakeDirs;
using harness::ReadBytes;
using harness::WriteBytes;
using treetest::ChildLabels;
using treetest::FindNode;
using treetest::IsExpanded;
using treetest::Label;
using treetest::SelectedLabel;
using treetest::SelectedTabLabel;

class FolderTree : public harness::AppTest {
 protected:
  std::string Work() const { return notebook.path(); }
  std::string At(const std::string &relative) const { return notebook / relative; }
  HTREEITEM Root() const { return TreeView_GetRoot(Ui.tree); }
  HTREEITEM Node(const std::vector<std::string> &labels) const { return FindNode(Ui.tree, labels); }

  void Refresh(const std::string &savedPath) {
    ASSERT_LT(savedPath.size(), size_t{PATH_BUFFER_SIZE});
    strcpy(SavedPagePath, savedPath.c_str());
    EXPECT_TRUE(RefreshTree());
    harness::PumpMessages();
  }
  void TypeIntoEditor(const char *text) {
    SendMessageA(Ui.editor, EM_SETSEL, 0, -1);
    SendMessageA(Ui.editor, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
  }
  std::string FolderPathOf(HTREEITEM node) {
    char path[PATH_BUFFER_SIZE];
    EXPECT_TRUE(GetFolderPath(node, path));
    return path;
  }
};

HTREEITEM AppendNode(HTREEITEM parent, const std::string &label) {
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<char *>(label.c_str());
  return TreeView_InsertItem(Ui.tree, &insert);
}

TEST_F(FolderTree, FolderPathIsBuiltFromTheLabels) {
  SendMessageA(Ui.tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  char out[PATH_BUFFER_SIZE];
  memset(out, 'x', sizeof out);
  EXPECT_FALSE(GetNodeLabel(nullptr, out)) << "nothing is selected";
  EXPECT_STREQ(out, "");

  HTREEITEM notes = AppendNode(TVI_ROOT, "D:\\Notes");
  HTREEITEM ideas = AppendNode(AppendNode(notes, "Projects"), "Ideas");
  HTREEITEM drive = AppendNode(TVI_ROOT, "D:\\");
  HTREEITEM projects = AppendNode(drive, "Projects");
  HTREEITEM tooLong =
      AppendNode(AppendNode(TVI_ROOT, "D:\\" + std::string(247, 'p')), std::string(9, 'n'));
  EXPECT_EQ(FolderPathOf(notes), "D:\\Notes");
  EXPECT_EQ(FolderPathOf(ideas), "D:\\Notes\\Projects\\Ideas");
  EXPECT_EQ(FolderPathOf(projects), "D:\\Projects");
  memset(out, 'x', sizeof out);
  EXPECT_FALSE(GetFolderPath(tooLong, out)) << "260 characters cannot be a folder path";
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(GetFolderPath(nullptr, out));
}

TEST_F(FolderTree, SwitchFolderMakesTheFolderCurrentOrReportsIt) {
  ASSERT_TRUE(MakeDirs(At("Projects")));
  ASSERT_TRUE(SwitchFolder(At("Projects").c_str()));
  EXPECT_EQ(CurrentDirectory(), At("Projects"));
  ASSERT_TRUE(SwitchFolder(nullptr)) << "no path means the work folder";
  EXPECT_EQ(CurrentDirectory(), Work());

  EXPECT_FALSE(SwitchFolder(""));
  EXPECT_TRUE(boxes.boxes().empty()) << "an empty path is passed over quietly";

  boxes.Answer(IDOK);
  EXPECT_FALSE(SwitchFolder(At("Missing").c_str()));
  EXPECT_EQ(CurrentDirectory(), Work());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  EXPECT_EQ(
      boxes.boxes()[0].text.rfind("Cannot switch to directory \"" + At("Missing") + "\":\n", 0), 0u)
      << boxes.boxes()[0].text;
}

TEST_F(FolderTree, RefreshShowsEveryDirectoryOnceInSortedOrder) {
  // Made in an order unlike the sorted one; the listing's own order must not matter.
  const std::vector<std::string> folders = {"gamma", "Zeta", "beta",  "a-b",     "ab",
                                            "10",    "9",    "Alpha", ".hidden", "system"};
  for (const std::string &name : folders) ASSERT_TRUE(MakeDirs(At(name)));
  ASSERT_TRUE(MakeDirs(At("beta\\inner")));
  ASSERT_TRUE(MakeDirs(At("gamma\\folder.tav")));
  SetFileAttributesA(At(".hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA(At("system").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(WriteBytes(At("page.tav"), "text"));
  ASSERT_TRUE(WriteBytes(At("notes.txt"), "text"));
  ASSERT_TRUE(WriteBytes(At("beta\\inside.tav"), "inside"));

  Refresh("");
  ASSERT_EQ(ChildLabels(Ui.tree, nullptr), std::vector<std::string>{Work()})
      << "one root, the work folder path";
  EXPECT_TRUE(IsExpanded(Ui.tree, Root()));
  EXPECT_EQ(ChildLabels(Ui.tree, Root()), treetest::OrderOfSortedInsertion(folders));
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"beta"})), std::vector<std::string>{"inner"});
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"gamma"})), std::vector<std::string>{"folder.tav"})
      << "a directory named like a page is a folder";
  EXPECT_FALSE(IsExpanded(Ui.tree, Node({"beta"})))
      << "only the root and the restored path are expanded";
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Root()) << "no saved page: the root";
  EXPECT_EQ(CurrentDirectory(), Work());

  TreeView_SelectItem(Ui.tree, Node({"beta"}));
  EXPECT_EQ(CurrentDirectory(), At("beta"));
  EXPECT_EQ(treetest::TabLabels(Ui.tabs), std::vector<std::string>{"inside"});
}

TEST_F(FolderTree, FolderThatCannotBeEnteredIsReportedOnceAndItsSiblingsAreScanned) {
  // A name ending in a dot is listed but cannot be entered: the path is
  // normalized without the dot (on Windows as under Wine).
  const std::string trailingDot = At("a.");
  if (!treetest::MakeLongDir(trailingDot) || SetCurrentDirectoryA(trailingDot.c_str()))
    GTEST_SKIP() << "this file system keeps no unreachable directory named \"a.\"";
  ASSERT_TRUE(treetest::MakeLongDir(trailingDot + "\\below"));
  ASSERT_TRUE(MakeDirs(At("b\\b1")));
  ASSERT_TRUE(MakeDirs(At("Z\\z1")));

  Refresh("");
  EXPECT_TRUE(boxes.boxes().empty()) << "said when the folder is first listed";
  EXPECT_EQ(ChildLabels(Ui.tree, Root()), (std::vector<std::string>{"a.", "b", "Z"}));
  boxes.Answer(IDOK);
  EXPECT_TRUE(ChildLabels(Ui.tree, Node({"a."})).empty());
  EXPECT_TRUE(ChildLabels(Ui.tree, Node({"a."})).empty());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.boxes()[0].text.rfind("Cannot switch to directory \"" + trailingDot + "\":\n", 0),
            0u)
      << boxes.boxes()[0].text;
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"b"})), std::vector<std::string>{"b1"});
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"Z"})), std::vector<std::string>{"z1"});
  treetest::RemoveLongTree(trailingDot);
}

TEST_F(FolderTree, ScanListsByFullPathAndReportsWhatEnteringTheFolderWould) {
  // The scan leaves the current directory alone. A folder it cannot list
  // gets the box that making it current gives; an empty folder still lists
  // "." and "..", so it is no failure.
  ASSERT_TRUE(MakeDirs(At("empty")));
  ASSERT_TRUE(MakeDirs(At("full\\inner")));
  ASSERT_TRUE(WriteBytes(At("file"), "not a folder"));
  Refresh("");
  HTREEITEM node = AppendNode(TVI_ROOT, "scanned");
  ScanFolder(At("empty").c_str(), node);
  ScanFolder(At("full").c_str(), node);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(ChildLabels(Ui.tree, node), std::vector<std::string>{"inner"});
  EXPECT_EQ(CurrentDirectory(), Work());

  for (const char *name : {"missing", "missing\\below", "file"}) {
    SCOPED_TRACE(name);
    boxes.Clear();
    boxes.Answer(IDOK);
    boxes.Answer(IDOK);
    ScanFolder(At(name).c_str(), node);
    EXPECT_FALSE(SwitchFolder(At(name).c_str()));
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text, boxes.boxes()[1].text);
  }
  EXPECT_EQ(ChildLabels(Ui.tree, node), std::vector<std::string>{"inner"});
}

// Whether the tree shows an expand button for a node (the tree asks the
// program when the node has not said).
int ButtonOf(HTREEITEM node) {
  TVITEMA item = {};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  SendMessageA(Ui.tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.cChildren;
}

TEST_F(FolderTree, BranchIsListedWhenFirstExpanded) {
  ASSERT_TRUE(MakeDirs(At("Full\\Inner")));
  ASSERT_TRUE(MakeDirs(At("Pages")));
  ASSERT_TRUE(WriteBytes(At("Pages\\page.tav"), "a page is no folder"));
  Refresh("");
  HTREEITEM full = Node({"Full"});
  EXPECT_EQ(TreeView_GetChild(Ui.tree, full), nullptr) << "not listed before it is opened";
  EXPECT_EQ(ButtonOf(full), 1);
  EXPECT_EQ(ButtonOf(Node({"Pages"})), 0);

  ASSERT_TRUE(MakeDirs(At("Full\\Added")));
  TreeView_SelectItem(Ui.tree, full);
  SendMessageA(Ui.tree, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(IsExpanded(Ui.tree, full));
  EXPECT_EQ(ChildLabels(Ui.tree, full), (std::vector<std::string>{"Added", "Inner"}));
}

// Refresh lists again the branch that leads to the page shown, and no other.
TEST_F(FolderTree, RefreshListsTheOpenBranchAgainAndNoOther) {
  ASSERT_TRUE(MakeDirs(At("Open\\Shown")));
  ASSERT_TRUE(WriteBytes(At("Open\\Shown\\page.tav"), "shown"));
  ASSERT_TRUE(MakeDirs(At("Other\\Inside")));
  Refresh(At("Open\\Shown\\page.tav"));
  TreeView_Expand(Ui.tree, Node({"Other"}), TVE_EXPAND);
  ASSERT_TRUE(MakeDirs(At("Open\\Later")));

  Refresh(At("Open\\Shown\\page.tav"));
  EXPECT_TRUE(IsExpanded(Ui.tree, Node({"Open"})));
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"Open"})), (std::vector<std::string>{"Later", "Shown"}));
  EXPECT_EQ(SelectedLabel(Ui.tree), "Shown");
  HTREEITEM other = Node({"Other"});
  EXPECT_FALSE(IsExpanded(Ui.tree, other));
  EXPECT_EQ(TreeView_GetChild(Ui.tree, other), nullptr);
}

// The folder of the page shown last is in view after a refresh, however far
// down the tree it lies.
TEST_F(FolderTree, RestoredFolderIsScrolledIntoView) {
  char name[16];
  for (int i = 0; i < 80; ++i) {
    snprintf(name, sizeof name, "f%02d", i);
    ASSERT_TRUE(MakeDirs(At(name)));
  }
  ASSERT_TRUE(WriteBytes(At("f79\\last.tav"), "last"));
  Refresh(At("f79\\last.tav"));
  HTREEITEM selected = TreeView_GetSelection(Ui.tree);
  ASSERT_EQ(Label(Ui.tree, selected), "f79");
  RECT item = {};
  ASSERT_TRUE(TreeView_GetItemRect(Ui.tree, selected, &item, TRUE));
  RECT client;
  GetClientRect(Ui.tree, &client);
  EXPECT_GE(item.top, client.top);
  EXPECT_LE(item.bottom, client.bottom);
}

TEST_F(FolderTree, SavedPathSelectsItsFolderAndPageWhateverTheLetterCase) {
  ASSERT_TRUE(MakeDirs(At("Projects\\Ideas\\Deep")));
  ASSERT_TRUE(WriteBytes(At("Projects\\Ideas\\First.tav"), "first"));
  ASSERT_TRUE(WriteBytes(At("Projects\\Ideas\\Second.tav"), "second"));

  Refresh(Work() + "\\PROJECTS\\ideas\\second.TAV");
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Node({"Projects", "Ideas"}));
  EXPECT_TRUE(IsExpanded(Ui.tree, Node({"Projects"})));
  EXPECT_TRUE(IsExpanded(Ui.tree, Node({"Projects", "Ideas"})))
      << "the selected folder is expanded too";
  EXPECT_EQ(CurrentDirectory(), At("Projects\\Ideas"));
  EXPECT_EQ(SelectedTabLabel(Ui.tabs), "Second");
  EXPECT_EQ(harness::WindowText(Ui.editor), "second");
}

TEST_F(FolderTree, SavedPathThatLeadsNowhereSelectsTheRoot) {
  ASSERT_TRUE(MakeDirs(At("Projects\\Ideas")));
  ASSERT_TRUE(WriteBytes(At("top.tav"), "top"));
  harness::TempDir elsewhere;
  struct {
    const char *label;
    std::string savedPath;
    bool projectsExpanded;
  } cases[] = {
      {"deleted folder", At("Projects\\Gone\\Plan.tav"), true},
      {"another work folder", elsewhere / "Projects\\Plan.tav", false},
      {"a folder whose name starts like the work folder", Work() + "2\\Plan.tav", false},
      {"nothing saved", "", false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.label);
    Refresh(c.savedPath);
    EXPECT_EQ(TreeView_GetSelection(Ui.tree), Root());
    EXPECT_EQ(IsExpanded(Ui.tree, Node({"Projects"})), c.projectsExpanded)
        << "ancestors found on the way stay expanded";
    EXPECT_EQ(CurrentDirectory(), Work());
    EXPECT_EQ(SelectedTabLabel(Ui.tabs), "top");
  }
}

TEST_F(FolderTree, SavedPageInTheWorkFolderSelectsTheRootAndThatPage) {
  ASSERT_TRUE(WriteBytes(At("a.tav"), "a"));
  ASSERT_TRUE(WriteBytes(At("b.tav"), "b"));
  ASSERT_TRUE(MakeDirs(At("Projects")));
  Refresh(At("b.tav"));
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Root());
  EXPECT_EQ(SelectedTabLabel(Ui.tabs), "b");
}

TEST_F(FolderTree, RootCannotBeRenamedAndOtherRenamesSaveThePageFirst) {
  ASSERT_TRUE(MakeDirs(At("Projects")));
  ASSERT_TRUE(WriteBytes(At("Projects\\Plan.tav"), "old"));
  Refresh(At("Projects\\Plan.tav"));
  TypeIntoEditor("new");

  EXPECT_EQ(TreeView_EditLabel(Ui.tree, Root()), nullptr) << "the tree refuses to edit the root";
  EXPECT_NE(OnBeginFolderRename(Root()), 0);
  EXPECT_EQ(ReadBytes(At("Projects\\Plan.tav")), "old");

  EXPECT_EQ(OnBeginFolderRename(Node({"Projects"})), 0);
  EXPECT_EQ(ReadBytes(At("Projects\\Plan.tav")), "new");
  EXPECT_FALSE(EditorIsModified());
}

TEST_F(FolderTree, FailingSwitchToTheWorkFolderLeavesTheOldTree) {
  ASSERT_TRUE(MakeDirs(At("Projects")));
  Refresh("");
  TreeView_SelectItem(Ui.tree, Node({"Projects"}));
  const std::string work = WorkFolderPath;
  strcpy(WorkFolderPath, At("Missing").c_str());

  boxes.Answer(IDOK);
  EXPECT_FALSE(RefreshTree());
  strcpy(WorkFolderPath, work.c_str());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text.rfind("Cannot switch to directory \"" + At("Missing") + "\"", 0),
            0u);
  EXPECT_EQ(ChildLabels(Ui.tree, nullptr), std::vector<std::string>{Work()});
  EXPECT_EQ(SelectedLabel(Ui.tree), "Projects");
  EXPECT_EQ(CurrentDirectory(), At("Projects"));
}

// A page whose file is held open by someone else cannot be saved.
class LockedFile {
 public:
  explicit LockedFile(const std::string &path)
      : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~LockedFile() { Release(); }
  bool locked() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Release() {
    if (locked()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

TEST_F(FolderTree, RefreshStopsWhenThePageCannotBeSavedAndLosesNothing) {
  ASSERT_TRUE(MakeDirs(At("Projects")));
  ASSERT_TRUE(WriteBytes(At("Projects\\Plan.tav"), "old"));
  Refresh(At("Projects\\Plan.tav"));
  TypeIntoEditor("unsaved");
  ASSERT_TRUE(MakeDirs(At("Later")));
  LockedFile lock(At("Projects\\Plan.tav"));
  ASSERT_TRUE(lock.locked());

  boxes.Answer(IDOK);
  EXPECT_FALSE(RefreshTree());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_NE(boxes.boxes()[0].text.find("Plan.tav"), std::string::npos) << boxes.boxes()[0].text;
  EXPECT_EQ(ChildLabels(Ui.tree, Root()), std::vector<std::string>{"Projects"})
      << "the tree is not rebuilt";
  EXPECT_EQ(SelectedLabel(Ui.tree), "Projects");
  EXPECT_EQ(CurrentDirectory(), At("Projects"));
  EXPECT_EQ(harness::WindowText(Ui.editor), "unsaved");
  EXPECT_TRUE(EditorIsModified());

  lock.Release();
  EXPECT_TRUE(RefreshTree());
  EXPECT_EQ(ReadBytes(At("Projects\\Plan.tav")), "unsaved");
  EXPECT_EQ(ChildLabels(Ui.tree, Root()), (std::vector<std::string>{"Later", "Projects"}));
}

TEST_F(FolderTree, PageThatCannotBeSavedIsNeverWrittenIntoAnotherFolder) {
  ASSERT_TRUE(MakeDirs(At("A")));
  ASSERT_TRUE(MakeDirs(At("B")));
  ASSERT_TRUE(WriteBytes(At("A\\Plan.tav"), "a"));
  ASSERT_TRUE(WriteBytes(At("B\\Plan.tav"), "b"));
  Refresh(At("A\\Plan.tav"));
  TypeIntoEditor("changed");
  LockedFile lock(At("A\\Plan.tav"));
  ASSERT_TRUE(lock.locked());

  for (int i = 0; i < 4; ++i) boxes.Answer(IDOK);
  TreeView_SelectItem(Ui.tree, Node({"B"}));
  EXPECT_FALSE(boxes.boxes().empty()) << "the failed save is reported";
  EXPECT_EQ(ReadBytes(At("B\\Plan.tav")), "b");
  EXPECT_EQ(harness::WindowText(Ui.editor), "changed");

  lock.Release();
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(At("A\\Plan.tav")), "changed");
  EXPECT_EQ(ReadBytes(At("B\\Plan.tav")), "b");
}

TEST_F(FolderTree, FoldersNestedTooDeeplyAreLeftOutWithOneNotice) {
  // Work\A\B is exactly 259 characters long: shown. Its sibling Work\A\C
  // (260) and its child Work\A\B\x (261) cannot be named: left out. They are
  // made under short names and renamed, since no path that long can be made.
  // Windows enters folders of at most 258 characters (Wine 259), so there
  // Work\A\B is also reported as a folder that cannot be entered.
  const size_t work = Work().size();
  ASSERT_LT(work, 150u);
  const std::string a(259 - work - 1 - 1 - 100, 'A');
  const std::string b(100, 'B');
  const std::string c(101, 'C');
  ASSERT_TRUE(MakeDirs(At(a + "\\b\\x")));
  ASSERT_TRUE(MakeDirs(At(a + "\\c")));
  const std::string longA = "\\\\?\\" + At(a) + "\\";
  ASSERT_TRUE(MoveFileA((longA + "b").c_str(), (longA + b).c_str()));
  ASSERT_TRUE(MoveFileA((longA + "c").c_str(), (longA + c).c_str()));
  ASSERT_TRUE(MakeDirs(At("shallow\\below")));
  const std::string deepest = At(a + "\\" + b);
  ASSERT_EQ(deepest.size(), 259u);

  Refresh("");
  EXPECT_TRUE(boxes.boxes().empty()) << "said when their folder is first listed";
  boxes.Answer(IDOK);
  EXPECT_EQ(ChildLabels(Ui.tree, Node({a})), std::vector<std::string>{b});
  ASSERT_EQ(boxes.boxes().size(), 1u) << "one notice per listing";
  EXPECT_EQ(boxes.boxes()[0].caption, "TAV");
  EXPECT_EQ(boxes.boxes()[0].text,
            "Some folders are nested too deeply to be shown:\n'" + At(a + "\\" + c) + "'");
  boxes.Answer(IDOK);
  EXPECT_TRUE(ChildLabels(Ui.tree, Node({a, b})).empty());
  ASSERT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(boxes.boxes()[1].text,
            "Some folders are nested too deeply to be shown:\n'" + deepest + "\\x'");
  EXPECT_EQ(FolderPathOf(Node({a, b})), deepest);
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"shallow"})), std::vector<std::string>{"below"});

  // Short again, so the notebook can be removed.
  EXPECT_TRUE(MoveFileA(At(a).c_str(), At("a").c_str()));
}

// Labels from the drive root down to the first directory link found within
// 'depth' levels below 'folder' (a top-level folder of the drive).
std::vector<std::string> FirstLinkBelow(const std::string &folder, int depth) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  std::vector<std::string> result;
  do {
    std::string name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..")
      continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      result = {name};
    } else if (depth > 1) {
      result = FirstLinkBelow(folder + "\\" + name, depth - 1);
      if (!result.empty()) result.insert(result.begin(), name);
    }
  } while (result.empty() && FindNextFileA(search, &found));
  FindClose(search);
  return result;
}

TEST_F(FolderTree, WorkFolderAtTheRootOfADriveRestoresTheSavedPage) {
  // The only drive root small enough to scan as a whole is a Wine prefix's C:.
  if (!harness::RunningUnderWine()) GTEST_SKIP() << "would scan a whole system drive";
  ASSERT_TRUE(MakeDirs(At("sub")));
  ASSERT_TRUE(WriteBytes(At("sub\\one.tav"), "one"));
  ASSERT_TRUE(WriteBytes(At("sub\\two.tav"), "two"));
  const std::string drive = Work().substr(0, 3);
  ASSERT_EQ(drive.substr(1), ":\\");
  strcpy(WorkFolderPath, drive.c_str());

  Refresh(At("sub\\two.tav"));
  EXPECT_EQ(Label(Ui.tree, Root()), drive);
  EXPECT_EQ(FolderPathOf(TreeView_GetSelection(Ui.tree)), At("sub"));
  EXPECT_EQ(CurrentDirectory(), At("sub"));
  EXPECT_EQ(SelectedTabLabel(Ui.tabs), "two");
  EXPECT_EQ(std::string(SavedPagePath), At("sub\\two.tav"));

  // A Wine prefix links the profile's Documents and the like to the Unix home,
  // from where the drives lead back here: links are shown, never entered.
  std::vector<std::string> link = FirstLinkBelow(drive + "users", 2);
  if (link.empty()) return;
  link.insert(link.begin(), "users");
  HTREEITEM linkNode = Node(link);
  ASSERT_NE(linkNode, nullptr);
  EXPECT_EQ(TreeView_GetChild(Ui.tree, linkNode), nullptr);
}

}  // namespace

// A folder's children listed again after they changed on disk: the new one
// comes in its sorted place, the one gone goes, and every other node stays
// as it was, open or closed, with the selection; the line at the top, when
// it goes, gives way to the line above it; when the selection lay in a node
// that went, the folder's node takes it and its folder is opened.
TEST_F(FolderTree, ListingAFolderAgainChangesOnlyWhatChangedOnDisk) {
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(MakeDirs(At("F" + std::to_string(10 + i) + "\\sub")));
  ASSERT_TRUE(MakeDirs(At("F20\\sub\\deep")));
  Refresh("");
  TreeView_Expand(Ui.tree, Node({"F12"}), TVE_EXPAND);
  TreeView_Expand(Ui.tree, Node({"F20"}), TVE_EXPAND);
  TreeView_Expand(Ui.tree, Node({"F20", "sub"}), TVE_EXPAND);
  HTREEITEM selected = Node({"F20", "sub", "deep"});
  TreeView_SelectItem(Ui.tree, selected);
  TreeView_SelectSetFirstVisible(Ui.tree, Node({"F13"}));
  ASSERT_TRUE(MakeDirs(At("F12a")));
  ASSERT_TRUE(RemoveDirectoryA(At("F13\\sub").c_str()) && RemoveDirectoryA(At("F13").c_str()));
  EXPECT_TRUE(ListFolderAgainAt(Work().c_str()));
  std::vector<std::string> labels = ChildLabels(Ui.tree, Root());
  ASSERT_EQ(labels.size(), 40u);
  EXPECT_EQ(std::vector<std::string>(labels.begin() + 2, labels.begin() + 5),
            (std::vector<std::string>{"F12", "F12a", "F14"}));
  EXPECT_TRUE(IsExpanded(Ui.tree, Node({"F12"})));
  EXPECT_TRUE(IsExpanded(Ui.tree, Node({"F20", "sub"})));
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), selected);
  EXPECT_EQ(Label(Ui.tree, TreeView_GetFirstVisible(Ui.tree)), "sub");
  EXPECT_EQ(Label(Ui.tree, TreeView_GetParent(Ui.tree, TreeView_GetFirstVisible(Ui.tree))), "F12");
  ASSERT_TRUE(SetCurrentDirectoryA(Work().c_str()));  // a current directory cannot be removed
  ReleaseFolderShownWatch();  // Wine keeps a removed folder while a handle holds it
  ASSERT_TRUE(RemoveDirectoryA(At("F20\\sub\\deep").c_str()));
  EXPECT_TRUE(ListFolderAgainAt(At("F20\\sub").c_str()));
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Node({"F20", "sub"}));
  EXPECT_EQ(std::string(PageFolder), At("F20\\sub"));
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"F20", "sub"})), std::vector<std::string>{});
}
