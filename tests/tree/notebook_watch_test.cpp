// The folder tree following what other programs change in the notebook:
// through the real watches where Wine reports the change, and through
// recorded change records handed to the window for the deep changes it
// does not report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "change_records.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"
#include "tree_test_util.h"

namespace {

using changetest::Records;
using harness::MakeDirs;
using harness::WriteBytes;
using treetest::ChildLabels;
using treetest::FindNode;
using treetest::IsExpanded;
using treetest::SelectedLabel;

class NotebookWatch : public harness::AppTest {
 protected:
  HTREEITEM Root() const { return TreeView_GetRoot(Ui.tree); }
  HTREEITEM Node(const std::vector<std::string> &labels) const { return FindNode(Ui.tree, labels); }
  void Refresh(const std::string &savedRelative) {
    strcpy(SavedPagePath, (notebook / savedRelative).c_str());
    ASSERT_TRUE(RefreshTree());
    harness::PumpMessages();
  }
  void Expand(const std::vector<std::string> &labels) {
    TreeView_Expand(Ui.tree, Node(labels), TVE_EXPAND);
    harness::PumpMessages();
  }
  // Records as the work folder's watch would give them, gathered.
  void Note(const std::vector<changetest::Record> &records) {
    std::vector<unsigned char> bytes = Records(records);
    NoteChangeRecords(bytes.data(), bytes.size(), "");
  }
  // The same, taken up at once.
  void Deliver(const std::vector<changetest::Record> &records, const char *base = "") {
    std::vector<unsigned char> bytes = Records(records);
    NoteChangeRecords(bytes.data(), bytes.size(), base);
    TakeUpNotebookChangesNow();
    harness::PumpMessages();
  }
  bool ShowsButton(HTREEITEM node) {
    TVITEMA item = {};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = node;
    return TreeView_GetItem(Ui.tree, &item) && item.cChildren != 0;
  }
};

// Wine reports changes in the work folder itself and in folders made after
// the watch started: a folder made at the top, and one made inside it.
TEST_F(NotebookWatch, FoldersMadeByAnotherProgramAppearInTheTree) {
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", "p"));
  Refresh("p.tav");
  ASSERT_TRUE(MakeDirs(notebook / "Made"));
  EXPECT_TRUE(harness::FollowNotebookChanges(
      [&] { return ChildLabels(Ui.tree, Root()) == std::vector<std::string>{"Made"}; }));
  Expand({"Made"});
  ASSERT_TRUE(MakeDirs(notebook / "Made\\Inner"));
  EXPECT_TRUE(harness::FollowNotebookChanges(
      [&] { return ChildLabels(Ui.tree, Node({"Made"})) == std::vector<std::string>{"Inner"}; }));
  EXPECT_EQ(SelectedLabel(Ui.tree), notebook.path()) << "the selection stays";
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// Deep changes, as Windows reports them: nodes come and go in their sorted
// place, renamed ones keep what is expanded below them, and the tree keeps
// its selection and its scroll.
TEST_F(NotebookWatch, DeepChangesKeepExpansionSelectionAndScroll) {
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(MakeDirs(notebook / ("f" + std::to_string(100 + i))));
  ASSERT_TRUE(MakeDirs(notebook / "f120\\b\\c"));
  ASSERT_TRUE(MakeDirs(notebook / "f120\\d"));
  ASSERT_TRUE(WriteBytes(notebook / "f120\\d\\p.tav", "p"));
  Refresh("f120\\d\\p.tav");
  Expand({"f120", "b"});
  TreeView_Select(Ui.tree, Node({"f110"}), TVGN_FIRSTVISIBLE);
  HTREEITEM top = TreeView_GetFirstVisible(Ui.tree);
  HTREEITEM selected = TreeView_GetSelection(Ui.tree);

  ASSERT_TRUE(MakeDirs(notebook / "f120\\a"));
  ASSERT_TRUE(MoveFileA((notebook / "f120\\b").c_str(), (notebook / "f120\\bee").c_str()));
  ASSERT_TRUE(MakeDirs(notebook / "f120\\bee\\c\\deeper"));
  Deliver({{FILE_ACTION_ADDED, L"f120\\a"},
           {FILE_ACTION_RENAMED_OLD_NAME, L"f120\\b"},
           {FILE_ACTION_RENAMED_NEW_NAME, L"f120\\bee"},
           {FILE_ACTION_ADDED, L"f120\\bee\\c\\deeper"}});
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"f120"})), (std::vector<std::string>{"a", "bee", "d"}));
  EXPECT_TRUE(IsExpanded(Ui.tree, Node({"f120", "bee"}))) << "the renamed folder keeps its node";
  EXPECT_TRUE(ShowsButton(Node({"f120", "bee", "c"})))
      << "a folder never listed gains its button, and lists nothing";
  EXPECT_FALSE(FolderNodeState(Node({"f120", "bee", "c"})) & NODE_LISTED);
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), selected);
  EXPECT_EQ(TreeView_GetFirstVisible(Ui.tree), top);

  ASSERT_TRUE(harness::RemoveTree(notebook / "f101"));
  Deliver({{FILE_ACTION_REMOVED, L"f101"}});
  EXPECT_EQ(Node({"f101"}), nullptr);
  EXPECT_EQ(TreeView_GetFirstVisible(Ui.tree), top);
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// A folder renamed elsewhere takes the place its new name has, as a fresh
// listing would put it, with what is expanded and selected in it and the
// tree's scroll kept.
TEST_F(NotebookWatch, AFolderRenamedElsewhereTakesItsPlaceInTheOrder) {
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(MakeDirs(notebook / ("f" + std::to_string(100 + i))));
  ASSERT_TRUE(MakeDirs(notebook / "f120\\inner"));
  ASSERT_TRUE(WriteBytes(notebook / "f120\\inner\\p.tav", "p"));
  Refresh("f120\\inner\\p.tav");
  TreeView_Select(Ui.tree, Node({"f110"}), TVGN_FIRSTVISIBLE);
  HTREEITEM top = TreeView_GetFirstVisible(Ui.tree);
  HTREEITEM selected = TreeView_GetSelection(Ui.tree);

  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  ASSERT_TRUE(MoveFileA((notebook / "f120").c_str(), (notebook / "g120").c_str()));
  Deliver({{FILE_ACTION_RENAMED_OLD_NAME, L"f120"}, {FILE_ACTION_RENAMED_NEW_NAME, L"g120"}});
  std::vector<std::string> labels = ChildLabels(Ui.tree, Root());
  ASSERT_EQ(labels.size(), 40u);
  EXPECT_EQ(labels[20], "f121");
  EXPECT_EQ(labels.back(), "g120") << "the renamed folder stood at its old place";
  EXPECT_TRUE(IsExpanded(Ui.tree, Node({"g120"})));
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), selected);
  EXPECT_EQ(SelectedLabel(Ui.tree), "inner");
  EXPECT_EQ(TreeView_GetFirstVisible(Ui.tree), top);
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// The folder shown renamed elsewhere: the selection and the page follow it,
// and the page's unsaved text is saved under the new name.
TEST_F(NotebookWatch, TheFolderShownRenamedElsewhereIsFollowed) {
  ASSERT_TRUE(MakeDirs(notebook / "Old"));
  ASSERT_TRUE(WriteBytes(notebook / "Old\\p.tav", "text"));
  Refresh("Old\\p.tav");
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" typed"));
  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  ASSERT_TRUE(MoveFileA((notebook / "Old").c_str(), (notebook / "New").c_str()));
  Deliver({{FILE_ACTION_RENAMED_OLD_NAME, L"Old"}, {FILE_ACTION_RENAMED_NEW_NAME, L"New"}});
  EXPECT_EQ(SelectedLabel(Ui.tree), "New");
  EXPECT_EQ(std::string(PageFolder), notebook / "New");
  ASSERT_TRUE(SaveCurrentPage());
  EXPECT_EQ(harness::ReadBytes(notebook / "New\\p.tav"), "text typed");
  EXPECT_FALSE(harness::FileExists(notebook / "Old"));
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// The folder shown moved away by another program (out of the notebook, or
// to the Recycle Bin), its page holding unsaved text: the records name only
// the folder it left. It is gone for the notebook as one deleted is: the
// title says so, and leaving the page writes it back to its name.
TEST_F(NotebookWatch, TheFolderShownMovedAwayIsTakenAsGone) {
  ASSERT_TRUE(MakeDirs(notebook / "Sub"));
  ASSERT_TRUE(WriteBytes(notebook / "Sub\\A.tav", "text"));
  ASSERT_TRUE(WriteBytes(notebook / "top.tav", "top"));
  Refresh("Sub\\A.tav");
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" typed"));
  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  // As Windows reports it: the work folder's watch says the folder went,
  // and the watch of the folder shown, which follows it, says nothing. (Wine
  // reports the folder's pages as removed too, which hides the fault.)
  StopWatchingNotebook();
  ASSERT_TRUE(MoveFileA((notebook / "Sub").c_str(), (scratch / "Sub").c_str()));
  Deliver({{FILE_ACTION_REMOVED, L"Sub"}});
  EXPECT_EQ(harness::WindowText(MainWindow),
            "TAV - 'A' was deleted by another program: your text is written to it again when you "
            "leave it");
  TreeView_SelectItem(Ui.tree, Root());
  harness::PumpMessages();
  EXPECT_EQ(harness::ReadBytes(notebook / "Sub\\A.tav"), "text typed");
  EXPECT_EQ(harness::ReadBytes(scratch / "Sub\\A.tav"), "text") << "the folder moved is left";
  EXPECT_EQ(harness::WindowText(Ui.editor), "top");
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// The folder shown renamed by another program: what is changed in it later
// is seen under its new name.
TEST_F(NotebookWatch, TheFolderShownRenamedElsewhereIsWatchedUnderItsNewName) {
  ASSERT_TRUE(MakeDirs(notebook / "Sub"));
  ASSERT_TRUE(WriteBytes(notebook / "Sub\\A.tav", "text"));
  Refresh("Sub\\A.tav");
  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  ASSERT_TRUE(MoveFileA((notebook / "Sub").c_str(), (notebook / "Sub2").c_str()));
  ASSERT_TRUE(harness::FollowNotebookChanges([] { return SelectedLabel(Ui.tree) == "Sub2"; }));
  ASSERT_TRUE(WriteBytes(notebook / "Sub2\\A.tav", "their text"));
  EXPECT_TRUE(harness::FollowNotebookChanges(
      [] { return harness::WindowText(Ui.editor) == "their text"; }));
  ASSERT_TRUE(WriteBytes(notebook / "Sub2\\B.tav", "b"));
  EXPECT_TRUE(harness::FollowNotebookChanges([] { return TabCtrl_GetItemCount(Ui.tabs) == 2; }));
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// The folder shown removed elsewhere, nothing unsaved: its nearest
// remaining ancestor is shown.
TEST_F(NotebookWatch, TheFolderShownRemovedElsewhereGivesWayToItsAncestor) {
  ASSERT_TRUE(MakeDirs(notebook / "a\\b\\c"));
  ASSERT_TRUE(WriteBytes(notebook / "a\\b\\c\\p.tav", "p"));
  ASSERT_TRUE(WriteBytes(notebook / "a\\q.tav", "q"));
  Refresh("a\\b\\c\\p.tav");
  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  // Wine removes a folder only once the last handle to it is closed, and
  // the watch of the folder shown holds one (a Unix program's removal takes
  // it at once): it is let go of first.
  StopWatchingNotebook();
  ASSERT_TRUE(harness::RemoveTree(notebook / "a\\b"));
  Deliver({{FILE_ACTION_REMOVED, L"a\\b\\c\\p.tav"},
           {FILE_ACTION_REMOVED, L"a\\b\\c"},
           {FILE_ACTION_REMOVED, L"a\\b"}});
  EXPECT_EQ(SelectedLabel(Ui.tree), "a");
  EXPECT_EQ(std::string(PageFolder), notebook / "a");
  EXPECT_EQ(harness::WindowText(Ui.editor), "q");
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// What TAV changes itself (a save, a folder added) is seen by the watch and
// changes nothing more: the editor is not read again, nor the tree redrawn.
TEST_F(NotebookWatch, TheProgramsOwnChangesCauseNothing) {
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", "p"));
  Refresh("p.tav");
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" typed"));
  ASSERT_TRUE(SaveCurrentPage());
  HWND editor = Ui.editor;
  SendMessageA(Ui.editor, EM_SETSEL, 1, 1);
  harness::FollowNotebookChanges(nullptr, 1000);
  EXPECT_EQ(Ui.editor, editor) << "the page shown was not read again";
  EXPECT_TRUE(SendMessageA(Ui.editor, EM_CANUNDO, 0, 0)) << "its undo is kept";
  EXPECT_EQ(harness::WindowText(MainWindow), "TAV");
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// When the platform lost what changed, every folder listed is listed again,
// keeping the expansion and the selection.
TEST_F(NotebookWatch, LostChangesListEveryListedFolderAgain) {
  ASSERT_TRUE(MakeDirs(notebook / "a\\b"));
  ASSERT_TRUE(WriteBytes(notebook / "a\\b\\p.tav", "p"));
  Refresh("a\\b\\p.tav");
  ASSERT_TRUE(MakeDirs(notebook / "a\\b2"));
  ASSERT_TRUE(MakeDirs(notebook / "top"));
  NoteChangeRecords(nullptr, 0, "");
  TakeUpNotebookChangesNow();
  EXPECT_EQ(ChildLabels(Ui.tree, Root()), (std::vector<std::string>{"a", "top"}));
  EXPECT_EQ(ChildLabels(Ui.tree, Node({"a"})), (std::vector<std::string>{"b", "b2"}));
  EXPECT_EQ(SelectedLabel(Ui.tree), "b");
  EXPECT_TRUE(IsExpanded(Ui.tree, Node({"a"})));
}

// A drag points at nodes and tabs, and a label edit holds a node: a folder
// another program removed meanwhile goes only once they end. (On Windows a
// tree item's handle is its address, so a node deleted under the drag would
// be used after it is freed; Wine checks handles, so only the wait shows.)
TEST_F(NotebookWatch, ChangesWaitForADragOrALabelEditToEnd) {
  for (const char *name : {"A", "B", "C"}) ASSERT_TRUE(MakeDirs(notebook / name));
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", "p"));
  Refresh("p.tav");
  NMTREEVIEWA drag = {};
  drag.hdr = {Ui.tree, ID_TREE, static_cast<UINT>(TVN_BEGINDRAGA)};
  drag.itemNew.hItem = Node({"A"});
  SendMessageA(MainWindow, WM_NOTIFY, ID_TREE, reinterpret_cast<LPARAM>(&drag));
  ASSERT_TRUE(harness::RemoveTree(notebook / "B"));
  Deliver({{FILE_ACTION_REMOVED, L"B"}});
  harness::FollowNotebookChanges(nullptr, 300);
  EXPECT_NE(Node({"B"}), nullptr) << "kept while the drag lasts";
  SendMessageA(Ui.tree, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return Node({"B"}) == nullptr; }));

  ASSERT_NE(TreeView_EditLabel(Ui.tree, Node({"A"})), nullptr);
  ASSERT_TRUE(harness::RemoveTree(notebook / "C"));
  Deliver({{FILE_ACTION_REMOVED, L"C"}});
  harness::FollowNotebookChanges(nullptr, 300);
  EXPECT_NE(Node({"C"}), nullptr) << "kept while the label is edited";
  TreeView_EndEditLabelNow(Ui.tree, TRUE);
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return Node({"C"}) == nullptr; }));
  EXPECT_EQ(ChildLabels(Ui.tree, Root()), (std::vector<std::string>{"A"}));
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

// Another program that keeps writing does not keep changes from being taken
// up: records of files no one sees (a download's partial file) do not
// restart the wait, and a page written again and again delays the rest by
// about a second at most.
TEST_F(NotebookWatch, ChangesAreTakenUpWhileAnotherProgramKeepsWriting) {
  ASSERT_TRUE(WriteBytes(notebook / "p.tav", "p"));
  ASSERT_TRUE(WriteBytes(notebook / "log.tav", "log"));
  Refresh("p.tav");
  ASSERT_EQ(TabCtrl_GetItemCount(Ui.tabs), 2);
  ASSERT_TRUE(WriteBytes(notebook / "new.tav", "n"));
  Note({{FILE_ACTION_ADDED, L"new.tav"}});
  Sleep(250);
  Note({{FILE_ACTION_MODIFIED, L"film.mp4.crdownload"}});
  EXPECT_EQ(NotebookChangesDueIn(), 0u) << "settled: the partial file restarts nothing";
  EXPECT_TRUE(harness::FollowNotebookChanges([] { return TabCtrl_GetItemCount(Ui.tabs) == 3; }));

  ASSERT_TRUE(WriteBytes(notebook / "later.tav", "l"));
  Note({{FILE_ACTION_ADDED, L"later.tav"}});
  bool listed = false;
  for (int beat = 0; beat < 60 && !listed; ++beat) {
    Note({{FILE_ACTION_MODIFIED, L"log.tav"}});
    listed = harness::FollowNotebookChanges([] { return TabCtrl_GetItemCount(Ui.tabs) == 4; }, 50);
  }
  EXPECT_TRUE(listed) << "taken up while log.tav is written every 50 ms";
  EXPECT_EQ(boxes.boxes().size(), 0u);
}

}  // namespace
