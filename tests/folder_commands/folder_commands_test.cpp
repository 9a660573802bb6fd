// Folder commands and the choice of the work folder in the running program:
// what ends up on disk, in the tree and in the tab strip, and every box shown.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/platform_seam.h"
#include "folders_fixture.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

TEST_F(Folders, RenameKeepsTheOldNameUnlessTheMoveSucceeds) {
  const std::string deep(258 - At("Old\\").size(), 'n');  // a path of 258 characters
  Dir("Old\\" + deep);
  Dir("Two");
  Refresh("");
  const Strings unchanged = {"Old", "Two"};
  const struct {
    std::string text;
    bool cancel;
    DWORD error;  // shown once, the system's text alone; none for a refusal
  } kept[] = {{"Cancelled", true, 0}, {"", false, 0},    {"a<b", false, 0},  {"a>b", false, 0},
              {"a:b", false, 0},      {"a\"b", false, 0}, {"a\\b", false, 0}, {"a/b", false, 0},
              {"a|b", false, 0},      {"Two", false, ERROR_ALREADY_EXISTS},
              {"Older", false, ERROR_FILENAME_EXCED_RANGE}};  // too deep for the folder below
  for (const auto &c : kept) {
    SCOPED_TRACE(c.text);
    if (c.error != 0) boxes.Answer(IDOK);
    Rename(Node({"Old"}), c.text, c.cancel);
    EXPECT_EQ(Boxes(), c.error != 0 ? Strings{"Error: " + SystemText(c.error)} : Strings{});
    EXPECT_EQ(Children(Root()), unchanged);
    EXPECT_EQ(ListNames(notebook.path()), unchanged);
  }
  Rename(Node({"Old"}), "New");
  EXPECT_EQ(Children(Root()), (Strings{"New", "Two"}));
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"New", "Two"}));
  // Wine's MoveFileA reports success for a change of letter case alone without making it.
  Rename(Node({"New"}), "NEW");
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"NEW", "Two"}));
  EXPECT_EQ(Children(Root()), (Strings{"NEW", "Two"}));
}

// A change of letter case alone passes through a step name beside the
// folder; in a parent too deep for the usual step name a short one serves.
TEST_F(Folders, LetterCaseOfAFolderChangesNearThePathLimit) {
  const std::string parent(254 - At("").size(), 'p');  // the folder's path has 259 characters
  Dir(parent + "\\abcd");
  Refresh("");
  Rename(Node({parent, "abcd"}), "ABCD");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(ListNames(At(parent)), Strings{"ABCD"});
  EXPECT_EQ(Children(Node({parent})), Strings{"ABCD"});
}

TEST_F(Folders, PagesOfARenamedFolderAreSavedUnderItsNewName) {
  Dir("A\\B");
  Page("A\\B\\p.tav");
  Refresh(At("A\\B\\p.tav"));
  Rename(Node({"A", "B"}), "B2");
  EXPECT_EQ(CurrentDirectory(), At("A\\B2"));
  Type("one");
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(At("A\\B2\\p.tav")), "one");

  Rename(Node({"A"}), "A2");
  EXPECT_EQ(CurrentDirectory(), At("A2\\B2"));
  Type("two");
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(At("A2\\B2\\p.tav")), "two");
  EXPECT_EQ(ListNames(notebook.path()), Strings{"A2"});
  Refresh(SavedPagePath);  // the page shown last is found under the new names
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Node({"A2", "B2"}));
  EXPECT_EQ(SelectedTab(), "p");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(Folders, AddSubfolderCreatesItAndKeepsTheSelection) {
  Dir("Shown");
  Page("Shown\\x.tav");
  Refresh(At("Shown\\x.tav"));
  AnswerName("New");
  ExecuteCommand(CMD_ADDFOLDER);
  EXPECT_EQ(Boxes(), Strings{"Add Subfolder: "});
  EXPECT_EQ(Children(Node({"Shown"})), Strings{"New"});
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Node({"Shown"}));
  EXPECT_EQ(SelectedTab(), "x");

  AnswerName("Cancelled", IDCANCEL);
  ExecuteCommand(CMD_ADDFOLDER);
  const std::string tooLong(250, 'n');
  for (const std::string &name : {std::string("New"), tooLong}) {
    AnswerName(name);
    boxes.Answer(IDOK);
    ExecuteCommand(CMD_ADDFOLDER);
  }
  EXPECT_EQ(Boxes(), (Strings{"Add Subfolder: ", "Add Subfolder: ",
                              "Error: " + At("Shown\\New") + ":\n", "Add Subfolder: ",
                              "Error: " + At("Shown\\" + tooLong) + ":\n"}));
  EXPECT_EQ(ListNames(At("Shown")), (Strings{"New", "x.tav"}));
}

TEST_F(Folders, DeleteRemovesTheSubtreeAndDropsItsUnsavedPage) {
  Dir("Keep");
  Dir("D\\E");
  Dir("D\\F\\G");
  Dir("D\\F\\folder.tav");
  Page("D\\p.tav");
  Page("D\\E\\q.tav");
  Page("D\\F\\r.tav");
  Refresh(At("D\\p.tav"));
  Type("unsaved");
  boxes.Answer(IDNO);
  ExecuteCommand(CMD_DELETEFOLDER);
  EXPECT_EQ(Boxes(), Strings{"Delete folder: Warning! This will delete '" + At("D") +
                             "' and all pages and folders below it.\nContinue?"});
  EXPECT_EQ(ListNames(At("D")), (Strings{"E", "F", "p.tav"}));

  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEFOLDER);
  EXPECT_EQ(Boxes().size(), 1u) << "no error: the page of the deleted folder is not saved";
  EXPECT_EQ(ListNames(notebook.path()), Strings{"Keep"});
  EXPECT_EQ(Children(Root()), Strings{"Keep"});
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Root());
}

TEST_F(Folders, DeleteStopsAtAFolderHoldingOtherFiles) {
  Dir("D\\E");
  Page("D\\p.tav");
  Page("D\\note.txt");
  Page("D\\keep.tavx");  // matches "*.tav" by its short name, and is no page
  Page("D\\E\\q.tav");
  Refresh(At("D\\p.tav"));
  boxes.Answer(IDYES);
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_DELETEFOLDER);
  Strings shown = Boxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1], "Error: " + At("D") + "\\:\n") << "one error, naming the folder left";
  EXPECT_EQ(ListNames(At("D")), (Strings{"keep.tavx", "note.txt"}));
  EXPECT_EQ(Children(Node({"D"})), Strings{});
}

Strings shellCalls;
HINSTANCE WINAPI RecordShellCall(HWND owner, const char *verb, const char *file,
                                 const char *parameters, const char *directory, int show) {
  bool plain = owner == MainWindow && !parameters && !directory && show == SW_SHOWNORMAL;
  shellCalls.push_back(std::string(verb) + " " + file + (plain ? "" : " (other arguments)"));
  return reinterpret_cast<HINSTANCE>(33);
}

TEST_F(Folders, OpenAndExploreHandTheFolderToTheShell) {
  Dir("Sub");
  Refresh("");
  TreeView_SelectItem(Ui.tree, Node({"Sub"}));
  shellCalls.clear();
  Platform.shellExecute = RecordShellCall;
  ExecuteCommand(CMD_OPENFOLDER);
  ExecuteCommand(CMD_EXPLOREFOLDER);
  EXPECT_EQ(shellCalls, (Strings{"open " + At("Sub"), "explore " + At("Sub")}));
}

// What the context menu offered, read from inside its modal loop: item
// count, default item, whether Delete and Change work directory are there.
std::string menuSeen;
void CALLBACK InspectMenuAndClose(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menuWindow = FindWindowA("#32768", nullptr);
  if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) return;
  KillTimer(nullptr, timer);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
  menuSeen = std::to_string(GetMenuItemCount(menu)) + " " +
             std::to_string(GetMenuDefaultItem(menu, FALSE, 0)) +
             (GetMenuState(menu, CMD_DELETEFOLDER, MF_BYCOMMAND) != UINT(-1) ? " delete" : "") +
             (GetMenuState(menu, CMD_WORKDIR, MF_BYCOMMAND) != UINT(-1) ? " workdir" : "");
  EndMenu();
}

TEST_F(Folders, RightClickSelectsTheNodeUnderThePointerAndOffersItsMenu) {
  Dir("A");
  Dir("B");
  Page("B\\b.tav");
  Refresh("");
  const struct {
    HTREEITEM node;
    std::string menu, page;
  } clicks[] = {{Node({"B"}), "7 11871 delete", "b"}, {Root(), "5 11871 workdir", ""}};
  for (const auto &click : clicks) {
    SCOPED_TRACE(click.menu);
    RECT place;
    ASSERT_TRUE(TreeView_GetItemRect(Ui.tree, click.node, &place, TRUE));
    POINT at = {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    ClientToScreen(Ui.tree, &at);
    SetCursorPos(at.x, at.y);
    menuSeen.clear();
    SetTimer(nullptr, 0, 50, InspectMenuAndClose);
    NMHDR header = {Ui.tree, ID_TREE, static_cast<UINT>(NM_RCLICK)};
    EXPECT_NE(SendMessageA(MainWindow, WM_NOTIFY, ID_TREE, reinterpret_cast<LPARAM>(&header)), 0);
    EXPECT_EQ(menuSeen, click.menu);
    EXPECT_EQ(TreeView_GetSelection(Ui.tree), click.node);
    EXPECT_EQ(SelectedTab(), click.page);
  }
}

// Names outside every old code page are folders and pages like any other:
// listed, opened, saved, renamed and deleted under their own names.
TEST_F(Folders, NamesOutsideTheOldCodePagesOpenSaveRenameAndDelete) {
  const std::string omega = "\xCE\xA9mega", japan = "\xE6\x97\xA5\xE6\x9C\xAC",
                    reading = "\xF0\x9F\x93\x9A Reading";
  Dir(omega);
  Dir(reading);
  Dir("Omega");
  Page(omega + "\\" + japan + ".tav");
  Page(reading + "\\x.tav");
  Refresh("");
  EXPECT_EQ(Children(Root()), (Strings{"Omega", omega, reading}));
  TreeView_SelectItem(Ui.tree, Node({omega}));
  EXPECT_EQ(SelectedTab(), japan);
  Type(japan.c_str());
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(At(omega + "\\" + japan + ".tav")), japan);

  AnswerName(japan + "\xE8\xAA\x9E");
  ExecuteCommand(CMD_RENAMEPAGE);
  EXPECT_EQ(ListNames(At(omega)), Strings{japan + "\xE8\xAA\x9E.tav"});
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEPAGE);
  EXPECT_EQ(ListNames(At(omega)), Strings{});

  Rename(Node({reading}), "\xF0\x9F\x93\x9A Read");
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"Omega", omega, "\xF0\x9F\x93\x9A Read"}));
  TreeView_SelectItem(Ui.tree, Node({omega}));
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEFOLDER);
  EXPECT_EQ(ListNames(notebook.path()), (Strings{"Omega", "\xF0\x9F\x93\x9A Read"}));
  EXPECT_EQ(Boxes(), (Strings{"Rename Page: ", "Confirm page delete: Delete page '" + japan + "\xE8\xAA\x9E'?",
                              "Delete folder: Warning! This will delete '" + At(omega) +
                                  "' and all pages and folders below it.\nContinue?"}));
}

// A link inside a deleted folder is removed as a link: the folder it leads
// to (here one beside it, and the work folder itself) keeps every page.
// Windows removes the link; Wine cannot remove a Unix link through the
// calls that leave its target alone, so there the deletion stops at the link
// with one message naming it, and nothing it leads to is touched.
TEST_F(Folders, DeleteRemovesALinkAndNeverWhatItLeadsTo) {
  Dir("A");
  Dir("B");
  Page("B\\b.tav");
  Page("B\\c.tav");
  Page("root.tav");
  ASSERT_TRUE(harness::MakeDirectoryLink(At("A\\L"), "..\\B"));
  ASSERT_TRUE(harness::MakeDirectoryLink(At("A\\Notebook"), notebook.path()));
  Refresh(At("root.tav"));
  TreeView_SelectItem(Ui.tree, Node({"A"}));
  boxes.Answer(IDYES);
  if (harness::RunningUnderWine()) boxes.Answer(IDOK);
  ExecuteCommand(CMD_DELETEFOLDER);
  Strings shown = Boxes();
  EXPECT_EQ(ListNames(At("B")), (Strings{"b.tav", "c.tav"}));
  EXPECT_TRUE(harness::FileExists(At("root.tav")));
  if (harness::RunningUnderWine()) {
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "Error: Cannot remove the link '" + At("A\\L") +
                            "'; the folder it leads to is left as it is:\n");
    EXPECT_EQ(ListNames(At("A")), (Strings{"L", "Notebook"}));
  } else {
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(ListNames(notebook.path()), (Strings{"B", "root.tav"}));
  }
}

// A right click on another folder while the page shown cannot be saved
// leaves the selection where it was, and offers no menu whose commands would
// act on that folder. Under Wine a menu opened right after a message box
// may close at once, so the menu is seen by its opening message.
WNDPROC mainWindowProc;
int menusOpened;
LRESULT CALLBACK CountMenus(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITMENUPOPUP) ++menusOpened;
  return CallWindowProcA(mainWindowProc, window, message, wParam, lParam);
}

TEST_F(Folders, RightClickOffersNoMenuWhenTheSelectionCannotMove) {
  Dir("A");
  Dir("B");
  Page("A\\a.tav");
  Refresh(At("A\\a.tav"));
  Type("unsaved");
  SetFileAttributesA(At("A\\a.tav").c_str(), FILE_ATTRIBUTE_READONLY);
  RECT place;
  ASSERT_TRUE(TreeView_GetItemRect(Ui.tree, Node({"B"}), &place, TRUE));
  POINT at = {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
  ClientToScreen(Ui.tree, &at);
  SetCursorPos(at.x, at.y);
  menusOpened = 0;
  mainWindowProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountMenus)));
  UINT_PTR timer = SetTimer(nullptr, 0, 50, InspectMenuAndClose);
  boxes.Answer(IDOK);
  NMHDR header = {Ui.tree, ID_TREE, static_cast<UINT>(NM_RCLICK)};
  SendMessageA(MainWindow, WM_NOTIFY, ID_TREE, reinterpret_cast<LPARAM>(&header));
  KillTimer(nullptr, timer);
  SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mainWindowProc));
  EXPECT_EQ(Boxes(), Strings{"Error: Error saving to file 'a.tav':\n"});
  EXPECT_EQ(menusOpened, 0);
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Node({"A"}));
  SetFileAttributesA(At("A\\a.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The folder the browser stand-in answers with; empty means Cancel.
std::string browserAnswer;
std::string browserAsked;
PIDLIST_ABSOLUTE WINAPI AnswerBrowser(BROWSEINFOA *info) {
  // The callback only colours the browser; it never chooses for the user.
  bool plain = info->hwndOwner == MainWindow && info->pidlRoot == nullptr &&
               (!info->lpfn || info->lpfn(nullptr, BFFM_SELCHANGED, 0, info->lParam) == 0);
  browserAsked = std::string(info->lpszTitle) + (plain ? "" : " (other arguments)") +
                 (info->ulFlags == BIF_RETURNONLYFSDIRS ? "" : " (other flags)");
  return browserAnswer.empty() ? nullptr : ILCreateFromPathA(browserAnswer.c_str());
}
BOOL WINAPI NoPathForTheItem(PCIDLIST_ABSOLUTE, char *path) {
  path[0] = '\0';
  return FALSE;
}

TEST_F(Folders, WorkFolderChangesOnlyWhenTheOldNotebookIsSaved) {
  Platform.browseForFolder = AnswerBrowser;
  Dir("Work\\Sub");
  Page("Work\\Sub\\p.tav");
  Page("Work\\Sub\\q.tav");
  strcpy(WorkFolderPath, At("Work").c_str());
  Refresh(At("Work\\Sub\\q.tav"));
  auto choose = [](const std::string &folder) {
    browserAnswer = folder;
    ExecuteCommand(CMD_WORKDIR);
  };
  auto expectShown = [this](const std::string &work, HTREEITEM folder, const std::string &page) {
    EXPECT_EQ(std::string(WorkFolderPath), work);
    EXPECT_EQ(Label(Root()), work);
    EXPECT_EQ(TreeView_GetSelection(Ui.tree), folder);
    EXPECT_EQ(SelectedTab(), page);
  };
  choose("");  // Cancel
  EXPECT_EQ(browserAsked, "Select working folder:");
  boxes.Answer(IDOK);
  Platform.getPathFromIDList = NoPathForTheItem;
  choose(scratch.path());
  EXPECT_EQ(Boxes(), Strings{"TAV: Error selecting the work directory"});
  expectShown(At("Work"), Node({"Sub"}), "q");

  Platform.getPathFromIDList = SystemPlatform.getPathFromIDList;
  Type("saved in the old notebook");
  SetFileAttributesA(At("Work\\Sub\\q.tav").c_str(), FILE_ATTRIBUTE_READONLY);
  boxes.Answer(IDOK);
  choose(scratch.path());
  EXPECT_EQ(Boxes(), Strings{"Error: Error saving to file 'q.tav':\n"});
  expectShown(At("Work"), Node({"Sub"}), "q");

  SetFileAttributesA(At("Work\\Sub\\q.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
  choose(At("Work"));
  EXPECT_EQ(ReadBytes(At("Work\\Sub\\q.tav")), "saved in the old notebook");
  expectShown(At("Work"), Node({"Sub"}), "q");
  choose(notebook.path());  // the parent: the page shown last is found again below it
  expectShown(notebook.path(), Node({"Work", "Sub"}), "q");
  choose(scratch.path());
  expectShown(scratch.path(), Root(), "");
  EXPECT_TRUE(Boxes().empty());
}

}  // namespace
