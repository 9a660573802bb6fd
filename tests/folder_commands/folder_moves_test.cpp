// Moving pages and folders in the running program: Move Page and Move with
// the folder chooser, dragging, Undo Move, and files dropped from other
// programs; what ends up on disk, in the tree, in the tab strip and in boxes.
#include <gtest/gtest.h>

#include <richedit.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "folders_fixture.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/change_records.h"
#include "tree/tree.h"

namespace {

std::string LabelIn(HWND tree, HTREEITEM node) {
  char label[PATH_BUFFER_SIZE] = "";
  TreeNodeLabel(tree, node, label);
  return label;
}

class Moves : public Folders {
 protected:
  // Answers the folder chooser: notes the folder it offered, opens the way
  // to the folder given by its labels below the root, and presses OK.
  void ChooseFolder(const Strings &labels, std::string *offered = nullptr) {
    boxes.Handle([labels, offered](HWND dialog) {
      HWND tree = GetDlgItem(dialog, IDC_MOVE_TREE);
      if (offered != nullptr) *offered = LabelIn(tree, TreeView_GetSelection(tree));
      HTREEITEM node = TreeView_GetRoot(tree);
      for (const std::string &label : labels) {
        TreeView_Expand(tree, node, TVE_EXPAND);
        HTREEITEM child = TreeView_GetChild(tree, node);
        while (child != nullptr && LabelIn(tree, child) != label)
          child = TreeView_GetNextSibling(tree, child);
        node = child;
      }
      TreeView_SelectItem(tree, node);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
  }
  // Folders A, B and C, the page of C shown, and A's page moved to B.
  void MovePageFromAToB() {
    Dir("A");
    Dir("B");
    Dir("C");
    Page("A\\p.tav");
    Page("C\\c.tav");
    Refresh(At("C\\c.tav"));
    ASSERT_TRUE(MoveItem(MOVE_PAGE, At("A\\p.tav").c_str(), At("B").c_str()));
  }
  void Show(const std::string &page) { ASSERT_TRUE(SelectFolderOfPage(At(page).c_str())); }
  bool Expanded(HTREEITEM node) {
    return node != nullptr && (TreeView_GetItemState(Ui.tree, node, TVIS_EXPANDED) & TVIS_EXPANDED);
  }
  // The centre of a node, in the client area of a window.
  LPARAM PointOver(HTREEITEM node, HWND in) {
    RECT place = {};
    EXPECT_TRUE(TreeView_GetItemRect(Ui.tree, node, &place, TRUE));
    POINT at = {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    MapWindowPoints(Ui.tree, in, &at, 1);
    return MAKELPARAM(at.x, at.y);
  }
  // A folder node held and dragged (the tree has seen the drag distance).
  void BeginFolderDrag(HTREEITEM node) {
    NMTREEVIEWA drag = {};
    drag.hdr = {Ui.tree, ID_TREE, static_cast<UINT>(TVN_BEGINDRAGA)};
    drag.itemNew.hItem = node;
    SendMessageA(MainWindow, WM_NOTIFY, ID_TREE, reinterpret_cast<LPARAM>(&drag));
  }
  // Files of the scratch folder dropped over a node, as Explorer posts them.
  void PostDrop(const Strings &names, HTREEITEM over) {
    std::wstring files;
    for (const std::string &name : names) {
      WCHAR wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, (scratch / name).c_str(), -1, wide, MAX_PATH);
      files += wide;
      files += L'\0';
    }
    files += L'\0';
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + files.size() * sizeof(WCHAR));
    DROPFILES *drop = static_cast<DROPFILES *>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    LPARAM at = PointOver(over, Ui.tree);
    drop->pt = POINT{LOWORD(at), HIWORD(at)};
    drop->fWide = TRUE;
    memcpy(drop + 1, files.data(), files.size() * sizeof(WCHAR));
    GlobalUnlock(block);
    PostMessageA(Ui.tree, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
  }
  void DropFolderOn(HTREEITEM target) {
    SendMessageA(Ui.tree, WM_MOUSEMOVE, MK_LBUTTON, PointOver(target, Ui.tree));
    SendMessageA(Ui.tree, WM_LBUTTONUP, 0, PointOver(target, Ui.tree));
  }
};

TEST_F(Moves, MovePageSavesItAndKeepsItShownInItsNewFolder) {
  Dir("A");
  Dir("B");
  ASSERT_TRUE(harness::WriteBytes(At("A\\Plan.tav"), "old"));
  Page("A\\Other.tav");
  Refresh(At("A\\Plan.tav"));
  Type("new");
  std::string offered;
  ChooseFolder({"B"}, &offered);
  ExecuteCommand(CMD_MOVEPAGE);
  EXPECT_EQ(offered, "A");
  EXPECT_EQ(ListNames(At("A")), Strings{"Other.tav"});
  EXPECT_EQ(ReadBytes(At("B\\Plan.tav")), "new");
  EXPECT_EQ(Label(SelectedTreeNode()), "B");
  EXPECT_EQ(SelectedTab(), "Plan");
  EXPECT_STREQ(SavedPagePath, At("B\\Plan.tav").c_str());
  EXPECT_FALSE(EditorIsModified());
  EXPECT_EQ(boxes.unexpected(), 0);
}

// Nothing is ever overwritten: a name taken in any letter case is asked
// again, and Cancel moves nothing.
TEST_F(Moves, ANameTakenThereIsAskedForAgainOrTheMoveIsCancelled) {
  Dir("A\\Sub");
  Dir("B");
  Page("A\\Plan.tav");
  Page("B\\plan.TAV");
  Page("B\\sub");
  Refresh(At("A\\Plan.tav"));
  ChooseFolder({"B"});
  AnswerName("Plan 2");
  ExecuteCommand(CMD_MOVEPAGE);
  EXPECT_EQ(ListNames(At("B")), (Strings{"Plan 2.tav", "plan.TAV", "sub"}));
  EXPECT_EQ(SelectedTab(), "Plan 2");
  TreeView_SelectItem(Ui.tree, Node({"A", "Sub"}));
  ChooseFolder({"B"});
  AnswerName("Sub", IDCANCEL);
  ExecuteCommand(CMD_MOVEFOLDER);
  EXPECT_EQ(Boxes(), (Strings{"Move Page: ", "Move Page: ", "Move Folder: ", "Move Folder: "}));
  EXPECT_EQ(ListNames(At("A")), Strings{"Sub"});
  EXPECT_EQ(ListNames(At("B")), (Strings{"Plan 2.tav", "plan.TAV", "sub"}));
}

// The folder goes whole; its nodes stay open as they were, the selection
// goes with it, and the pages shown are saved where the folder now is.
TEST_F(Moves, AFolderMovesWholeAndKeepsItsNodesTheSelectionAndTheOtherNodes) {
  Dir("A\\x\\deep");
  Dir("B");
  Dir("C\\c1");
  Page("A\\a.tav");
  Page("A\\x\\p.tav");
  Refresh(At("A\\x\\p.tav"));
  TreeView_Expand(Ui.tree, Node({"C"}), TVE_EXPAND);
  TreeView_SelectItem(Ui.tree, Node({"A"}));
  ASSERT_TRUE(Expanded(Node({"A", "x"})));
  ChooseFolder({"B"});
  ExecuteCommand(CMD_MOVEFOLDER);
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"B", "C"}));
  EXPECT_EQ(ListNames(At("B\\A\\x")), (Strings{"deep", "p.tav"}));
  EXPECT_EQ(Children(Root()), (Strings{"B", "C"}));
  EXPECT_TRUE(Expanded(Node({"B", "A"})));
  EXPECT_TRUE(Expanded(Node({"B", "A", "x"})));
  EXPECT_TRUE(Expanded(Node({"C"})));
  EXPECT_EQ(SelectedTreeNode(), Node({"B", "A"}));
  EXPECT_EQ(SelectedTab(), "a");
  Type("typed after the move");
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(At("B\\A\\a.tav")), "typed after the move");
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"B", "C"}));
  EXPECT_EQ(boxes.unexpected(), 0);
}

// A tab dragged onto a folder moves its page, which stays shown; a folder
// dragged onto another goes below it. Escape gives a drag up, and a drop
// where nothing would change does nothing; a folder dropped on its own
// subfolder is refused.
TEST_F(Moves, DraggingMovesPagesAndFoldersOntoTheNodeUnderTheMouse) {
  Dir("A\\x");
  Dir("B");
  Page("A\\p.tav");
  Refresh(At("A\\p.tav"));
  TreeView_Expand(Ui.tree, Node({"A"}), TVE_EXPAND);
  RECT tab = {};
  ASSERT_TRUE(TabCtrl_GetItemRect(Ui.tabs, 0, &tab));
  SendMessageA(Ui.tabs, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(tab.left + 4, tab.top + 4));
  SendMessageA(Ui.tabs, WM_MOUSEMOVE, MK_LBUTTON, PointOver(Node({"B"}), Ui.tabs));
  EXPECT_EQ(TreeView_GetDropHilight(Ui.tree), Node({"B"}));
  SendMessageA(Ui.tabs, WM_LBUTTONUP, 0, PointOver(Node({"B"}), Ui.tabs));
  EXPECT_EQ(ListNames(At("B")), Strings{"p.tav"});
  EXPECT_EQ(Label(SelectedTreeNode()), "B");
  EXPECT_EQ(SelectedTab(), "p");
  EXPECT_EQ(TreeView_GetDropHilight(Ui.tree), nullptr);

  BeginFolderDrag(Node({"A"}));
  SendMessageA(Ui.tree, WM_MOUSEMOVE, MK_LBUTTON, PointOver(Node({"B"}), Ui.tree));
  SendMessageA(Ui.tree, WM_KEYDOWN, VK_ESCAPE, 0);
  DropFolderOn(Node({"B"}));
  BeginFolderDrag(Node({"A"}));
  DropFolderOn(Root());
  EXPECT_EQ(Boxes(), Strings{});
  BeginFolderDrag(Node({"A"}));
  boxes.Answer(IDOK);
  DropFolderOn(Node({"A", "x"}));
  EXPECT_EQ(Boxes(), Strings{"TAV: The folder '" + At("A") +
                             "' cannot be moved into itself or into a folder below it."});
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"A", "B"}));

  BeginFolderDrag(Node({"A"}));
  DropFolderOn(Node({"B"}));
  EXPECT_EQ(ListNames(At("B")), (Strings{"A", "p.tav"}));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(boxes.unexpected(), 0);
}

// Undo Move takes back the moves one after another, also after TAV moved
// the item again; what another program moved or put in its old place since
// is said, nothing changes, and the move is given up.
TEST_F(Moves, UndoMoveTakesBackMovesInTurnUnlessTheyChangedSince) {
  MovePageFromAToB();
  ASSERT_TRUE(MoveItem(MOVE_FOLDER, At("B").c_str(), At("C").c_str()));
  ExecuteCommand(CMD_UNDOMOVE);
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"A", "B", "C"}));
  ExecuteCommand(CMD_UNDOMOVE);
  EXPECT_EQ(ListNames(At("A")), Strings{"p.tav"});
  EXPECT_EQ(ListNames(At("B")), Strings{});
  EXPECT_FALSE(CanUndoMove());
  EXPECT_EQ(Children(Root()), (Strings{"A", "B", "C"}));

  ASSERT_TRUE(MoveItem(MOVE_PAGE, At("A\\p.tav").c_str(), At("B").c_str()));
  ASSERT_TRUE(MoveItem(MOVE_PAGE, At("C\\c.tav").c_str(), At("B").c_str()));
  ASSERT_TRUE(MoveFileA(At("B\\c.tav").c_str(), At("c.tav").c_str()));  // another program
  Page("A\\P.TAV");
  boxes.Answer(IDOK);
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_UNDOMOVE);
  ExecuteCommand(CMD_UNDOMOVE);
  EXPECT_EQ(Boxes(), (Strings{"TAV: Undo Move cannot take back the move of '" + At("B\\c.tav") +
                                  "': it is no longer there.",
                              "TAV: Undo Move cannot take back the move of '" + At("B\\p.tav") +
                                  "': something named 'p.tav' is in its old place now."}));
  EXPECT_EQ(ListNames(At("A")), Strings{"P.TAV"});
  EXPECT_EQ(ListNames(At("B")), Strings{"p.tav"});
  EXPECT_FALSE(CanUndoMove());
}

// Undo Move takes back only the page or folder it moved: another one made
// under its name, once another program took the moved one away, stays.
TEST_F(Moves, UndoMoveLeavesAnItemMadeSinceUnderTheMovedName) {
  Dir("A\\F");
  MovePageFromAToB();
  ASSERT_TRUE(MoveItem(MOVE_FOLDER, At("A\\F").c_str(), At("B").c_str()));
  harness::TempDir elsewhere;  // kept, so that no new item can reuse their index
  ASSERT_TRUE(MoveFileA(At("B\\p.tav").c_str(), (elsewhere / "p.tav").c_str()));
  ASSERT_TRUE(MoveFileA(At("B\\F").c_str(), (elsewhere / "F").c_str()));
  Dir("B\\F");
  Page("B\\p.tav");
  boxes.Answer(IDOK);
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_UNDOMOVE);
  ExecuteCommand(CMD_UNDOMOVE);
  EXPECT_EQ(Boxes(), (Strings{"TAV: Undo Move cannot take back the move of '" + At("B\\F") +
                                  "': it is no longer there.",
                              "TAV: Undo Move cannot take back the move of '" + At("B\\p.tav") +
                                  "': it is no longer there."}));
  EXPECT_EQ(ListNames(At("A")), Strings{});
  EXPECT_EQ(ListNames(At("B")), (Strings{"F", "p.tav"}));
  EXPECT_FALSE(CanUndoMove());
}

// A page another program writes in the moved page's place (a sync bringing
// another device's page) may get the moved one's file index: ext4 hands the
// inode on at once under Wine, a FAT drive the folder's entry slot. It is
// still not the page that was moved, and Undo Move leaves it.
TEST_F(Moves, UndoMoveLeavesAPageWrittenInTheMovedOnesPlace) {
  MovePageFromAToB();
  ASSERT_TRUE(DeleteFileA(At("B\\p.tav").c_str()));
  Sleep(20);
  Page("B\\p.tav");  // as empty as the moved one
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_UNDOMOVE);
  EXPECT_EQ(Boxes(), Strings{"TAV: Undo Move cannot take back the move of '" + At("B\\p.tav") +
                             "': it is no longer there."});
  EXPECT_EQ(ListNames(At("A")), Strings{});
  EXPECT_EQ(ListNames(At("B")), Strings{"p.tav"});
  EXPECT_FALSE(CanUndoMove());
}

// The notebook's watch sees TAV's own moves and Undo Move as renames (under
// Wine only some of them: they are handed over as Windows reports them) and
// changes nothing more: no node made again, no page read again, no notice,
// and Undo Move still takes back each move.
TEST_F(Moves, TheWatchSeesTheProgramsOwnMovesAndChangesNothingMore) {
  Dir("A\\X\\sub\\deep");
  Dir("B");
  Page("A\\X\\p.tav");
  Refresh(At("A\\X\\p.tav"));
  TreeView_Expand(Ui.tree, Node({"A", "X", "sub"}), TVE_EXPAND);
  auto seen = [&](const std::vector<changetest::Record> &records) {
    std::vector<unsigned char> bytes = changetest::Records(records);
    NoteChangeRecords(bytes.data(), bytes.size(), "");
    harness::FollowNotebookChanges(nullptr, 1000);
  };
  ASSERT_TRUE(MoveItem(MOVE_PAGE, At("A\\X\\p.tav").c_str(), At("B").c_str()));
  ASSERT_TRUE(MoveItem(MOVE_FOLDER, At("A\\X").c_str(), At("B").c_str()));
  HTREEITEM moved = Node({"B", "X"}), sub = Node({"B", "X", "sub"});
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed"));
  const std::string title = harness::WindowText(MainWindow);
  seen({{FILE_ACTION_RENAMED_OLD_NAME, L"A\\X\\p.tav"},
        {FILE_ACTION_RENAMED_NEW_NAME, L"B\\p.tav"},
        {FILE_ACTION_RENAMED_OLD_NAME, L"A\\X"},
        {FILE_ACTION_RENAMED_NEW_NAME, L"B\\X"}});
  EXPECT_EQ(Node({"B", "X"}), moved);
  EXPECT_EQ(Node({"B", "X", "sub"}), sub);
  EXPECT_TRUE(Expanded(sub));
  EXPECT_EQ(Label(TreeView_GetSelection(Ui.tree)), "B");
  EXPECT_TRUE(SendMessageA(Ui.editor, EM_CANUNDO, 0, 0)) << "the page shown was not read again";
  EXPECT_EQ(harness::WindowText(MainWindow), title) << "nor said to be changed elsewhere";

  ExecuteCommand(CMD_UNDOMOVE);
  ExecuteCommand(CMD_UNDOMOVE);
  seen({{FILE_ACTION_RENAMED_OLD_NAME, L"B\\X"},
        {FILE_ACTION_RENAMED_NEW_NAME, L"A\\X"},
        {FILE_ACTION_RENAMED_OLD_NAME, L"B\\p.tav"},
        {FILE_ACTION_RENAMED_NEW_NAME, L"A\\X\\p.tav"}});
  EXPECT_EQ(ListNames(At("A\\X")), (Strings{"p.tav", "sub"}));
  EXPECT_EQ(ListNames(At("B")), Strings{});
  EXPECT_EQ(std::string(PageFolder), At("A\\X"));
  EXPECT_EQ(ReadBytes(At("A\\X\\p.tav")), "typed");
  EXPECT_EQ(Boxes(), Strings{});
}

// A move the system refuses says why and changes nothing; so does a page
// shown that cannot be saved first.
TEST_F(Moves, AFailedMoveSaysWhyAndLeavesEverythingWhereItWas) {
  Dir("A");
  Dir("B");
  Page("A\\p.tav");
  Page("A\\q.tav");
  Refresh(At("A\\q.tav"));
  HANDLE held = CreateFileA(At("A\\p.tav").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  boxes.Answer(IDOK);
  EXPECT_FALSE(MoveItem(MOVE_PAGE, At("A\\p.tav").c_str(), At("B").c_str()));
  CloseHandle(held);
  EXPECT_EQ(Boxes(), Strings{"Error: Cannot move '" + At("A\\p.tav") + "' to '" +
                             At("B\\p.tav") + "':\n"});
  ASSERT_TRUE(SetFileAttributesA(At("A\\q.tav").c_str(), FILE_ATTRIBUTE_READONLY));
  Type("unsaved");
  boxes.Answer(IDOK);
  EXPECT_FALSE(MoveItem(MOVE_FOLDER, At("A").c_str(), At("B").c_str()));
  EXPECT_EQ(Boxes(), Strings{"Error: Error saving to file 'q.tav':\n"});
  SetFileAttributesA(At("A\\q.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ListNames(At("A")), (Strings{"p.tav", "q.tav"}));
  EXPECT_EQ(ListNames(At("B")), Strings{});
  EXPECT_FALSE(CanUndoMove());
}

// A link goes as the link it is, never what it leads to. Wine opens what a
// link leads to whatever the flags, so there the move is refused.
TEST_F(Moves, ALinkIsMovedAsItselfOrNotAtAll) {
  Dir("A");
  Dir("B");
  harness::TempDir elsewhere;
  ASSERT_TRUE(harness::WriteBytes(elsewhere / "e.tav", "elsewhere"));
  ASSERT_TRUE(harness::MakeDirectoryLink(At("A\\L"), elsewhere.path()));
  Refresh("");
  if (harness::RunningUnderWine()) boxes.Answer(IDOK);
  bool moved = MoveItem(MOVE_FOLDER, At("A\\L").c_str(), At("B").c_str());
  EXPECT_EQ(ListNames(elsewhere.path()), Strings{"e.tav"});
  if (harness::RunningUnderWine()) {
    EXPECT_FALSE(moved);
    EXPECT_EQ(ListNames(At("A")), Strings{"L"});
    EXPECT_EQ(Boxes().size(), 1u);
  } else {
    EXPECT_TRUE(moved);
    EXPECT_EQ(ListNames(At("B")), Strings{"L"});
    EXPECT_EQ(ListNames(At("B\\L")), Strings{"e.tav"});
  }
}

// Files dropped from another program on a folder node: a text file becomes
// a page of its name, its bytes as they are, never over a page; a folder
// and a file that is not text are named in one notice.
TEST_F(Moves, TextFilesDroppedOnAFolderBecomeItsPages) {
  Dir("B");
  ASSERT_TRUE(harness::WriteBytes(At("B\\Notes.tav"), "a page"));
  Page("root.tav");
  Refresh(At("root.tav"));
  const std::string text = "caf\xC3\xA9\r\nline two\n";
  ASSERT_TRUE(harness::WriteBytes(scratch / "Notes.txt", text));
  ASSERT_TRUE(harness::WriteBytes(scratch / "data.bin", std::string("ab\0cd", 5)));
  ASSERT_TRUE(harness::MakeDirs(scratch / "Sub"));
  AnswerName("Notes 2");
  boxes.Answer(IDOK);
  PostDrop({"Notes.txt", "data.bin", "Sub"}, Node({"B"}));
  harness::PumpMessages();
  EXPECT_EQ(ListNames(At("B")), (Strings{"Notes 2.tav", "Notes.tav"}));
  EXPECT_EQ(ReadBytes(At("B\\Notes 2.tav")), text);
  EXPECT_EQ(ReadBytes(At("B\\Notes.tav")), "a page");
  ASSERT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Copy as Page");
  EXPECT_EQ(boxes.boxes()[1].text,
            "TAV takes text files as pages; these were not copied:\n"
            "'data.bin' is not a text file.\n'Sub' is a folder.");
  EXPECT_EQ(Label(SelectedTreeNode()), "B");
  EXPECT_EQ(SelectedTab(), "Notes 2");
}

// What cannot be a page is refused before it is read, named with why in the
// one notice: a file larger than a page may be, with its size, and under
// Wine a Unix FIFO and a link to a device, which a read would wait on or
// never end (Windows keeps neither in a folder).
TEST_F(Moves, PipesDevicesAndFilesTooLargeForAPageAreRefusedBeforeTheyAreRead) {
  Dir("B");
  Page("root.tav");
  Refresh(At("root.tav"));
  HANDLE big = CreateFileA((scratch / "big.log").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(big, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 16 * 1024 * 1024 + 1;
  bool sized = SetFilePointerEx(big, size, nullptr, FILE_BEGIN) && SetEndOfFile(big);
  CloseHandle(big);
  ASSERT_TRUE(sized);
  Strings dropped = {"big.log"};
  std::string refused = "\n'big.log' is 16.1 MB; a page holds 16 MB at most.";
  if (harness::RunningUnderWine()) {
    ASSERT_TRUE(harness::MakeUnixFifo(scratch / "fifo.txt"));
    ASSERT_TRUE(harness::MakeUnixLink(scratch / "null.txt", "/dev/null"));
    dropped.insert(dropped.end(), {"fifo.txt", "null.txt"});
    refused += "\n'fifo.txt' is a pipe, not a file.\n'null.txt' is a device, not a file.";
  }
  boxes.Answer(IDOK);
  PostDrop(dropped, Node({"B"}));
  harness::PumpMessages();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, "TAV takes text files as pages; these were not copied:" + refused);
  EXPECT_EQ(ListNames(At("B")), Strings{});
}

// A box's modal loop dispatches a drop too: while the main window asks
// about a folder, nothing is copied and no other folder is shown under the
// question.
TEST_F(Moves, FilesDroppedWhileAQuestionIsUpAreRefused) {
  Dir("A");
  Dir("B");
  Page("A\\a.tav");
  Refresh(At("A\\a.tav"));
  ASSERT_TRUE(harness::WriteBytes(scratch / "Notes.txt", "text"));
  HTREEITEM b = Node({"B"});
  boxes.Handle([&](HWND question) {
    PostDrop({"Notes.txt"}, b);
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
  });
  ExecuteCommand(CMD_DELETEFOLDER);
  harness::PumpMessages();
  EXPECT_EQ(ListNames(At("B")), Strings{});
  EXPECT_EQ(ListNames(At("A")), Strings{"a.tav"});
  EXPECT_EQ(Label(SelectedTreeNode()), "A");
  EXPECT_EQ(SelectedTab(), "a");
  EXPECT_EQ(Boxes().size(), 1u) << "the question only";
}

// A link's folder takes nothing moved, dragged or by a command: what it
// leads to is not listed, and lies outside the notebook or below the very
// folder moved.
TEST_F(Moves, NothingIsMovedIntoALink) {
  Dir("A\\Sub");
  Dir("B");
  Page("B\\p.tav");
  harness::TempDir elsewhere;
  ASSERT_TRUE(harness::MakeDirectoryLink(At("L"), At("A\\Sub")));
  ASSERT_TRUE(harness::MakeDirectoryLink(At("M"), elsewhere.path()));
  Refresh(At("B\\p.tav"));
  boxes.Answer(IDOK);
  boxes.Answer(IDOK);
  EXPECT_FALSE(MoveItem(MOVE_FOLDER, At("A").c_str(), At("L").c_str()));
  EXPECT_FALSE(MoveItem(MOVE_PAGE, At("B\\p.tav").c_str(), At("M").c_str()));
  const std::string notice =
      " is a link to a folder elsewhere, or lies below one. TAV moves pages and folders within "
      "the notebook only.";
  EXPECT_EQ(Boxes(), (Strings{"TAV: '" + At("A") + "' cannot be moved to '" + At("L") +
                                  "': that folder" + notice,
                              "TAV: '" + At("B\\p.tav") + "' cannot be moved to '" + At("M") +
                                  "': that folder" + notice}));
  EXPECT_EQ(ListNames(At("A\\Sub")), Strings{});
  EXPECT_EQ(ListNames(elsewhere.path()), Strings{});
  EXPECT_EQ(ListNames(At("B")), Strings{"p.tav"});

  BeginFolderDrag(Node({"B"}));
  SendMessageA(Ui.tree, WM_MOUSEMOVE, MK_LBUTTON, PointOver(Node({"L"}), Ui.tree));
  EXPECT_EQ(TreeView_GetDropHilight(Ui.tree), nullptr) << "no drop target";
  SendMessageA(Ui.tree, WM_KEYDOWN, VK_ESCAPE, 0);
}

}  // namespace
