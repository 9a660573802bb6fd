// Delete Folder into the Recycle Bin (the tests' own, behind the platform
// seam) and Undo Delete of it: the folder comes back whole with the page
// shown's unsaved text, a folder holding other files keeps them, and
// deletes of pages and folders are taken back in turn.
#include "folder_commands/folders_fixture.h"

#include "base/platform_seam.h"

namespace {

class FolderDeletes : public Folders {
 protected:
  // Selecting another folder saves the page shown: a folder already
  // selected is deleted as its page stands.
  void DeleteSelected(const Strings &labels, int laterAnswer = 0) {
    HTREEITEM node = Node(labels);
    if (TreeView_GetSelection(Ui.tree) != node) TreeView_SelectItem(Ui.tree, node);
    boxes.Answer(IDYES);
    if (laterAnswer != 0) boxes.Answer(laterAnswer);
    ExecuteCommand(CMD_DELETEFOLDER);
  }
  Strings BinItems() {
    Strings paths;
    for (const harness::RecycledItem &item : harness::Recycled) paths.push_back(item.path);
    return paths;
  }
};

TEST_F(FolderDeletes, AFolderComesBackWholeWithTheUnsavedTextOfItsPage) {
  Dir("Keep");
  Dir("D\\E\\Empty");
  ASSERT_TRUE(harness::WriteBytes(At("D\\p.tav"), "P\r\n"));
  ASSERT_TRUE(harness::WriteBytes(At("D\\E\\q.tav"), std::string("\xEF\xBB\xBFq\rQ", 6)));
  Refresh(At("D\\p.tav"));
  Type("typed");
  DeleteSelected({"D"});
  EXPECT_EQ(BinItems(), Strings{At("D")}) << "the folder goes to the bin whole";
  EXPECT_EQ(ListNames(notebook.path()), Strings{"Keep"});
  EXPECT_FALSE(EditorIsModified());
  Boxes();

  boxes.Answer(IDOK);
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(Boxes(), Strings{"TAV: 'p' is back with the text typed into it before it was "
                             "deleted, not saved yet."});
  EXPECT_EQ(ListNames(At("D")), (Strings{"E", "p.tav"}));
  EXPECT_EQ(ListNames(At("D\\E")), (Strings{"Empty", "q.tav"}));
  EXPECT_EQ(ReadBytes(At("D\\p.tav")), "P\r\n") << "the text typed is not saved";
  EXPECT_EQ(ReadBytes(At("D\\E\\q.tav")), std::string("\xEF\xBB\xBFq\rQ", 6));
  EXPECT_EQ(Children(Node({"D"})), Strings{"E"});
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Node({"D"}));
  EXPECT_EQ(SelectedTab(), "p");
  EXPECT_EQ(harness::WindowText(Ui.editor), "typed");
  EXPECT_TRUE(EditorIsModified());
  EXPECT_FALSE(CanUndoDelete());
}

// What the folder holds is looked at before the question; a file another
// program puts into it while the question is up still keeps its folder.
TEST_F(FolderDeletes, AFileMadeWhileTheQuestionIsUpKeepsItsFolder) {
  Dir("D\\E");
  Page("D\\p.tav");
  Page("D\\E\\q.tav");
  Refresh(At("D\\p.tav"));
  HTREEITEM node = Node({"D"});
  if (TreeView_GetSelection(Ui.tree) != node) TreeView_SelectItem(Ui.tree, node);
  const std::string note = At("D\\E\\note.txt");
  boxes.Handle([note](HWND box) {
    harness::WriteBytes(note, "not a page");
    PostMessageA(box, WM_COMMAND, IDYES, 0);
  });
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_DELETEFOLDER);
  EXPECT_EQ(ReadBytes(note), "not a page");
  EXPECT_EQ(BinItems(), Strings{At("D\\E\\q.tav")}) << "pages went one by one";
  EXPECT_EQ(ListNames(At("D\\E")), Strings{"note.txt"});
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(ListNames(At("D")), (Strings{"E", "p.tav"}));
  EXPECT_EQ(ListNames(At("D\\E")), (Strings{"note.txt", "q.tav"}));
}

// Where the bin cannot say where it keeps what it takes, TAV keeps a copy
// of its own first, and Undo Delete puts that back.
TEST_F(FolderDeletes, WhereTheBinCannotSayWhereItKeepsThingsTavKeepsACopy) {
  Platform.trashFolder = [](char *) { return false; };
  Dir("D\\E");
  ASSERT_TRUE(harness::WriteBytes(At("D\\E\\q.tav"), std::string("\xFF\xFEq\0\r\0", 6)));
  Refresh(At("D\\E\\q.tav"));
  DeleteSelected({"D"});
  Boxes();
  EXPECT_EQ(BinItems(), Strings{At("D")});
  char store[PATH_BUFFER_SIZE];
  ASSERT_TRUE(DeletedStoreFolder(store, false));
  EXPECT_EQ(ListNames(store).size(), 1u) << "a copy of TAV's own";
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(ReadBytes(At("D\\E\\q.tav")), std::string("\xFF\xFEq\0\r\0", 6));
  EXPECT_TRUE(harness::FileExists(harness::Recycled[0].binPath + "\\E\\q.tav"))
      << "the bin keeps what it took";
  EXPECT_EQ(ListNames(store), Strings{});
  EXPECT_EQ(Boxes(), Strings{});
}

// The deletion keeps its outcome: the pages of a folder that holds another
// file go, the file and its folder stay, the failure is said; Undo Delete
// brings back what went.
TEST_F(FolderDeletes, AFolderHoldingOtherFilesKeepsThemAndGetsItsPagesBack) {
  Dir("D\\E");
  Page("D\\p.tav");
  Page("D\\note.txt");
  Page("D\\E\\q.tav");
  Refresh(At("D\\p.tav"));
  DeleteSelected({"D"}, IDOK);
  Strings shown = Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1], "Error: " + At("D") + "\\:\n");
  EXPECT_EQ(BinItems(), (Strings{At("D\\E"), At("D\\p.tav")}));
  EXPECT_EQ(ListNames(At("D")), Strings{"note.txt"});

  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(ListNames(At("D")), (Strings{"E", "note.txt", "p.tav"}));
  EXPECT_EQ(ListNames(At("D\\E")), Strings{"q.tav"});
  EXPECT_EQ(Boxes(), Strings{});
}

// Pages and folders deleted in turn come back in the opposite order; a
// folder made again meanwhile under a deleted one's name is left as it is
// and the folder comes back under the name the user gives.
TEST_F(FolderDeletes, DeletesAreTakenBackInTurnAndNeverOverAFolderMadeMeanwhile) {
  Dir("A");
  Dir("B");
  Page("A\\a.tav");
  Page("B\\b.tav");
  Refresh(At("A\\a.tav"));
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEPAGE);
  DeleteSelected({"A"});
  DeleteSelected({"B"});
  Dir("B");
  Page("B\\new.tav");
  Boxes();

  boxes.Handle([](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_NAME_EDIT, "B old");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"B", "B old"}));
  EXPECT_EQ(ListNames(At("B")), Strings{"new.tav"});
  EXPECT_EQ(ListNames(At("B old")), Strings{"b.tav"});
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(ListNames(At("A")), Strings{});
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(ListNames(At("A")), Strings{"a.tav"});
  EXPECT_EQ(SelectedTab(), "a");
  EXPECT_EQ(Boxes(), Strings{"Undo Delete: "});
  EXPECT_FALSE(CanUndoDelete());
}

}  // namespace
