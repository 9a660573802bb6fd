// Enabled and checked states of menu items and toolbar buttons.
#include "harness/harness.h"

#include <richedit.h>

#include "app/command_status.h"
#include "notebook/notebook.h"
#include "editing/editing.h"
#include "pages/pages.h"

namespace {

struct StateCase {
  const char *label;
  int enabled, check, check2;
  UINT menuBefore, menuAfter;
  BYTE buttonBefore, buttonAfter;
};

TEST(StatusRules, EnabledAndCheckBitsFollowTheObject) {
  const StateCase cases[] = {
      {"enable clears both grey bits", 1, 2, 2, MFS_GRAYED, 0, 0, TBSTATE_ENABLED},
      {"disable sets both grey bits", 0, 2, 2, 0, MFS_GRAYED, TBSTATE_ENABLED, 0},
      {"check 1 sets the mark", 1, 1, 2, 0, MFS_CHECKED, TBSTATE_ENABLED, TBSTATE_ENABLED | TBSTATE_CHECKED},
      {"check 0 clears the mark", 1, 0, 2, MFS_CHECKED, 0, TBSTATE_ENABLED | TBSTATE_CHECKED, TBSTATE_ENABLED},
      {"check 2 leaves the mark", 1, 2, 2, MFS_CHECKED, MFS_CHECKED, TBSTATE_ENABLED | TBSTATE_CHECKED,
       TBSTATE_ENABLED | TBSTATE_CHECKED},
      {"a 0 wins over a 1", 1, 1, 0, MFS_CHECKED, 0, TBSTATE_ENABLED | TBSTATE_CHECKED, TBSTATE_ENABLED},
      {"a 0 wins over a 1 either way", 1, 0, 1, MFS_CHECKED, 0, TBSTATE_ENABLED | TBSTATE_CHECKED, TBSTATE_ENABLED},
      {"second check alone sets", 1, 2, 1, 0, MFS_CHECKED, TBSTATE_ENABLED, TBSTATE_ENABLED | TBSTATE_CHECKED},
      {"other bits stay", 1, 2, 2, MFS_DEFAULT | MFS_HILITE, MFS_DEFAULT | MFS_HILITE, TBSTATE_ENABLED | TBSTATE_WRAP,
       TBSTATE_ENABLED | TBSTATE_WRAP},
  };
  for (const StateCase &c : cases) {
    CMyUpdateUI status;
    status.SetEnabled(c.enabled);
    status.SetCheck(c.check);
    status.SetCheck2(c.check2);
    EXPECT_EQ(ApplyStatusToMenuState(c.menuBefore, &status), c.menuAfter) << c.label;
    EXPECT_EQ(ApplyStatusToButtonState(c.buttonBefore, &status), c.buttonAfter) << c.label;
  }
}

TEST(StatusRules, ANewObjectIsEnabledAndLeavesChecksAlone) {
  CMyUpdateUI status;
  EXPECT_EQ(status.GetEnabled(), 1);
  EXPECT_EQ(status.GetCheck(), 2);
  EXPECT_EQ(status.GetCheck2(), 2);
}

TEST(StatusTable, HandlersAreFoundOnlyAfterRegistration) {
  SetStatusTable(nullptr);
  EXPECT_EQ(FindStatusHandler(CMD_CUT), nullptr);
  SetStatusTable(CommandStatusTable);
  EXPECT_NE(FindStatusHandler(CMD_CUT), nullptr);
  // Commands without a row keep the state they were made with; New Page has
  // one, since it needs a folder that is shown.
  const UINT always[] = {CMD_EXIT, CMD_ABOUT, CMD_WORKDIR, CMD_FONT, CMD_REFRESH, 0, 99};
  for (UINT id : always) EXPECT_EQ(FindStatusHandler(id), nullptr) << id;
  int rows = 0;
  for (const StatusRow *row = CommandStatusTable; row->handler != nullptr; ++row) ++rows;
  EXPECT_EQ(rows, 40);
  SetStatusTable(nullptr);
}

class StatusTest : public harness::AppTest {
 protected:
  // The state a pop-up of the main menu shows when it opens.
  UINT MenuState(int popup, UINT id) {
    HMENU menu = GetSubMenu(GetMenu(MainWindow), popup);
    SendMessageA(MainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), popup);
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    GetMenuItemInfoA(menu, id, FALSE, &item);
    return item.fState;
  }
  bool MenuEnabled(int popup, UINT id) { return (MenuState(popup, id) & MFS_GRAYED) == 0; }
  bool MenuChecked(int popup, UINT id) { return (MenuState(popup, id) & MFS_CHECKED) != 0; }
  BYTE ButtonState(int id) {
    SendMessageA(MainWindow, UM_IDLEUPDATE, 0, 0);
    return static_cast<BYTE>(SendMessageA(Ui.toolbar, TB_GETSTATE, id, 0));
  }
  enum { FILE_MENU, EDIT_MENU, PAGE_MENU, TREE_MENU, OPTIONS_MENU, HELP_MENU };
};

TEST_F(StatusTest, AFolderWithoutPagesGreysThePageCommands) {
  ASSERT_FALSE(HasPages);
  const struct {
    int popup;
    UINT id;
  } pageCommands[] = {
      {FILE_MENU, CMD_IMPORT}, {FILE_MENU, CMD_EXPORT}, {FILE_MENU, CMD_SAVENOW},
      {EDIT_MENU, CMD_SELECTALL}, {EDIT_MENU, CMD_FIND}, {EDIT_MENU, CMD_FINDNEXT},
      {EDIT_MENU, CMD_REPLACE}, {EDIT_MENU, CMD_DATETIME}, {PAGE_MENU, CMD_RENAMEPAGE},
      {PAGE_MENU, CMD_DELETEPAGE}, {PAGE_MENU, CMD_NEXTPAGE}, {PAGE_MENU, CMD_PREVPAGE},
      {PAGE_MENU, CMD_MOVEPAGE},
  };
  for (const auto &c : pageCommands) EXPECT_FALSE(MenuEnabled(c.popup, c.id)) << c.id;
  EXPECT_TRUE(MenuEnabled(PAGE_MENU, CMD_NEWPAGE));
  EXPECT_FALSE(ButtonState(CMD_EXPORT) & TBSTATE_ENABLED);
  EXPECT_TRUE(ButtonState(CMD_NEWPAGE) & TBSTATE_ENABLED);

  harness::WriteBytes(notebook / "Page.tav", "text");
  ExecuteCommand(CMD_REFRESH);
  ASSERT_TRUE(HasPages);
  for (const auto &c : pageCommands) EXPECT_TRUE(MenuEnabled(c.popup, c.id)) << c.id;
  EXPECT_TRUE(ButtonState(CMD_EXPORT) & TBSTATE_ENABLED);
}

TEST_F(StatusTest, CutAndCopyFollowTheSelection) {
  harness::WriteBytes(notebook / "Page.tav", "some text");
  ExecuteCommand(CMD_REFRESH);
  SendMessageA(Ui.editor, EM_SETSEL, 2, 2);
  EXPECT_FALSE(MenuEnabled(EDIT_MENU, CMD_CUT));
  EXPECT_FALSE(MenuEnabled(EDIT_MENU, CMD_COPY));
  EXPECT_FALSE(ButtonState(CMD_CUT) & TBSTATE_ENABLED);
  SendMessageA(Ui.editor, EM_SETSEL, 0, 4);
  EXPECT_TRUE(MenuEnabled(EDIT_MENU, CMD_CUT));
  EXPECT_TRUE(MenuEnabled(EDIT_MENU, CMD_COPY));
  EXPECT_TRUE(ButtonState(CMD_COPY) & TBSTATE_ENABLED);
}

TEST_F(StatusTest, UndoAndRedoFollowTheEditor) {
  harness::WriteBytes(notebook / "Page.tav", "");
  ExecuteCommand(CMD_REFRESH);
  EXPECT_FALSE(MenuEnabled(EDIT_MENU, CMD_UNDO));
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed"));
  EXPECT_TRUE(MenuEnabled(EDIT_MENU, CMD_UNDO));
  EXPECT_FALSE(MenuEnabled(EDIT_MENU, CMD_REDO));
  ExecuteCommand(CMD_UNDO);
  EXPECT_TRUE(MenuEnabled(EDIT_MENU, CMD_REDO));
}

TEST_F(StatusTest, WordWrapAndShowTreeCarryTheirChecks) {
  EXPECT_FALSE(MenuChecked(EDIT_MENU, CMD_WORDWRAP));
  EXPECT_TRUE(MenuChecked(TREE_MENU, CMD_SHOWTREE));
  ExecuteCommand(CMD_WORDWRAP);
  ExecuteCommand(CMD_SHOWTREE);
  EXPECT_TRUE(MenuChecked(EDIT_MENU, CMD_WORDWRAP));
  EXPECT_FALSE(MenuChecked(TREE_MENU, CMD_SHOWTREE));
  EXPECT_TRUE(MenuEnabled(EDIT_MENU, CMD_WORDWRAP));
  EXPECT_TRUE(MenuEnabled(TREE_MENU, CMD_SHOWTREE));
}

TEST_F(StatusTest, FolderCommandsFollowTheSelectedNode) {
  harness::MakeDirs(notebook / "Sub");
  ExecuteCommand(CMD_REFRESH);
  HTREEITEM root = TreeView_GetRoot(Ui.tree);
  ASSERT_EQ(TreeView_GetSelection(Ui.tree), root);
  EXPECT_FALSE(MenuEnabled(PAGE_MENU, CMD_MOVEUP));
  EXPECT_FALSE(MenuEnabled(TREE_MENU, CMD_RENAMEFOLDER));
  EXPECT_FALSE(MenuEnabled(TREE_MENU, CMD_DELETEFOLDER));
  EXPECT_FALSE(MenuEnabled(TREE_MENU, CMD_MOVEFOLDER));
  EXPECT_FALSE(MenuEnabled(TREE_MENU, CMD_UNDOMOVE));  // nothing moved yet
  EXPECT_FALSE(MenuEnabled(TREE_MENU, CMD_UNDODELETE));  // nor deleted
  EXPECT_FALSE(MenuEnabled(PAGE_MENU, CMD_UNDODELETE));
  EXPECT_TRUE(MenuEnabled(TREE_MENU, CMD_ADDFOLDER));
  EXPECT_TRUE(MenuEnabled(TREE_MENU, CMD_OPENFOLDER));
  EXPECT_TRUE(MenuEnabled(TREE_MENU, CMD_EXPLOREFOLDER));
  TreeView_SelectItem(Ui.tree, TreeView_GetChild(Ui.tree, root));
  EXPECT_TRUE(MenuEnabled(PAGE_MENU, CMD_MOVEUP));
  EXPECT_TRUE(MenuEnabled(TREE_MENU, CMD_RENAMEFOLDER));
  EXPECT_TRUE(MenuEnabled(TREE_MENU, CMD_DELETEFOLDER));
  EXPECT_TRUE(MenuEnabled(TREE_MENU, CMD_MOVEFOLDER));
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEFOLDER);
  EXPECT_TRUE(MenuEnabled(TREE_MENU, CMD_UNDODELETE));
  EXPECT_TRUE(MenuEnabled(PAGE_MENU, CMD_UNDODELETE));
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_FALSE(MenuEnabled(PAGE_MENU, CMD_UNDODELETE));
  TreeView_SelectItem(Ui.tree, TreeView_GetChild(Ui.tree, TreeView_GetRoot(Ui.tree)));
  TreeView_SelectItem(Ui.tree, nullptr);
  const UINT folderCommands[] = {CMD_RENAMEFOLDER, CMD_DELETEFOLDER, CMD_ADDFOLDER, CMD_OPENFOLDER,
                                 CMD_EXPLOREFOLDER};
  for (UINT id : folderCommands) EXPECT_FALSE(MenuEnabled(TREE_MENU, id)) << id;
  EXPECT_FALSE(MenuEnabled(PAGE_MENU, CMD_MOVEUP));
}

TEST_F(StatusTest, CustomizeNeedsNewCommonControls) {
  bool saved = HasNewCommonControls;
  HasNewCommonControls = false;
  EXPECT_FALSE(MenuEnabled(OPTIONS_MENU, CMD_CUSTOMIZE));
  HasNewCommonControls = true;
  EXPECT_TRUE(MenuEnabled(OPTIONS_MENU, CMD_CUSTOMIZE));
  HasNewCommonControls = saved;
}

TEST_F(StatusTest, SystemMenuSeparatorsAndUnlistedItemsAreNotTouched) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING | MF_GRAYED, CMD_EXIT, "Exit");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING | MF_GRAYED, CMD_CUSTOMIZE, "Customize");
  AppendMenuA(menu, MF_STRING | MF_GRAYED, CMD_WORDWRAP, "Wrap");
  bool saved = HasNewCommonControls;
  HasNewCommonControls = true;
  // A system menu: nothing changes, even for a listed command.
  UpdateMenuStatus(menu, MAKELPARAM(0, 1));
  EXPECT_TRUE(GetMenuState(menu, CMD_CUSTOMIZE, MF_BYCOMMAND) & MF_GRAYED);
  UpdateMenuStatus(menu, 0);
  EXPECT_TRUE(GetMenuState(menu, CMD_EXIT, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(menu, CMD_CUSTOMIZE, MF_BYCOMMAND) & MF_GRAYED);
  // A handler that only checks leaves the enabled state as it was.
  EXPECT_TRUE(GetMenuState(menu, CMD_WORDWRAP, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
  // Before the table is registered nothing changes at all.
  SetStatusTable(nullptr);
  EnableMenuItem(menu, CMD_CUSTOMIZE, MF_GRAYED);
  UpdateMenuStatus(menu, 0);
  EXPECT_TRUE(GetMenuState(menu, CMD_CUSTOMIZE, MF_BYCOMMAND) & MF_GRAYED);
  HasNewCommonControls = saved;
  DestroyMenu(menu);
}

}  // namespace
