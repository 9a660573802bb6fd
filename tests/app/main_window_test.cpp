// The main window: its children, command routing, the close sequence, the
// About box and the customize guard.
#include "harness/harness.h"

#include <richedit.h>

#include "app/command_status.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "settings/settings.h"
#include "tree/tree.h"

namespace {

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

using MainWindowTest = harness::AppTest;

TEST_F(MainWindowTest, ChildrenHaveTheirClassesStylesAndIds) {
  struct Child {
    HWND window;
    const char *className;
    int id;
  };
  const Child children[] = {
      {Ui.editor, "RichEdit20A", 99}, {Ui.toolbar, "ToolbarWindow32", 98},
      {Ui.tabs, "SysTabControl32", 97}, {Ui.tree, "SysTreeView32", 96},
      {Ui.splitter, "TAV_Splitter", 95},
  };
  for (const Child &c : children) {
    ASSERT_NE(c.window, nullptr) << c.className;
    EXPECT_EQ(GetParent(c.window), MainWindow) << c.className;
    EXPECT_STRCASEEQ(ClassOf(c.window).c_str(), c.className);
    EXPECT_EQ(GetDlgCtrlID(c.window), c.id) << c.className;
  }
  // The rich edit drops its scroll bar styles while the text needs no scrolling.
  const DWORD editorStyle = 0x563010C4u & ~(WS_VSCROLL | WS_HSCROLL);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(Ui.editor, GWL_STYLE)) & editorStyle, editorStyle);
  EXPECT_TRUE(GetWindowLongA(Ui.editor, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(Ui.tree, GWL_STYLE)) & 0x4600002Bu, 0x4600002Bu);
  EXPECT_FALSE(GetWindowLongA(Ui.tree, GWL_STYLE) & TVS_LINESATROOT);
  DWORD toolbarStyle = GetWindowLongA(Ui.toolbar, GWL_STYLE);
  EXPECT_TRUE(toolbarStyle & CCS_ADJUSTABLE);
  EXPECT_TRUE(toolbarStyle & TBSTYLE_TOOLTIPS);
  EXPECT_EQ((toolbarStyle & TBSTYLE_FLAT) != 0, HasNewCommonControls);
  EXPECT_NE(Ui.splitterCursor, nullptr);
  EXPECT_NE(Ui.treeImageList, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(Ui.treeImageList), 4);
  EXPECT_EQ(findReplaceMessage, RegisterWindowMessageA("commdlg_FindReplace"));
  EXPECT_EQ(GetFocus(), Ui.editor);
  char title[16] = "";
  GetWindowTextA(MainWindow, title, sizeof title);
  EXPECT_STREQ(title, "TAV");
}

// Every command the resources name has its row (the resources' own test);
// here: no command twice, none outside the range.
TEST_F(MainWindowTest, TheCommandTableHoldsEveryCommandOnce) {
  int rows = 0;
  for (int id = CMD_FIRST; id <= CMD_LAST; ++id) {
    const CommandRow *row = FindCommand(id);
    if (row == nullptr) continue;
    ++rows;
    EXPECT_NE(row->action, nullptr) << id;
  }
  EXPECT_EQ(CommandTableSize, rows);
  EXPECT_EQ(FindCommand(CMD_FIRST - 1), nullptr);
  EXPECT_EQ(FindCommand(CMD_LAST + 1), nullptr);
  EXPECT_EQ(FindCommand(ID_EDITOR), nullptr);
}

TEST_F(MainWindowTest, EditorCommandsReachTheEditor) {
  SendMessageA(Ui.editor, EM_SETREADONLY, FALSE, 0);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("abc"));
  ExecuteCommand(CMD_SELECTALL);
  DWORD start = 1, end = 0;
  SendMessageA(Ui.editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_GE(end, 3u);  // the rich edit's final paragraph mark may be included
  ExecuteCommand(CMD_UNDO);
  EXPECT_EQ(harness::WindowText(Ui.editor), "");
  ExecuteCommand(CMD_REDO);
  EXPECT_EQ(harness::WindowText(Ui.editor), "abc");
}

TEST_F(MainWindowTest, ACommandWithAChildsIdDoesNothing) {
  SendMessageA(Ui.editor, EM_SETREADONLY, FALSE, 0);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("text"));
  SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(ID_EDITOR, EN_CHANGE), reinterpret_cast<LPARAM>(Ui.editor));
  SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(ID_TOOLBAR, 0), 0);
  EXPECT_EQ(harness::WindowText(Ui.editor), "text");
  EXPECT_NE(MainWindow, nullptr);
}

TEST_F(MainWindowTest, AboutBoxClosesOnOkEnterEscapeAndCloseBox) {
  const WPARAM closers[] = {MAKEWPARAM(IDOK, BN_CLICKED), MAKEWPARAM(IDCANCEL, 0)};
  for (WPARAM closer : closers) {
    boxes.Handle([closer](HWND box) { PostMessageA(box, WM_COMMAND, closer, 0); });
    ShowAboutBox();
  }
  boxes.Handle([](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); });
  ShowAboutBox();
  // Enter and Escape go through the dialog manager as keys.
  boxes.Handle([](HWND box) {
    PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_RETURN, 0);
  });
  ShowAboutBox();
  boxes.Handle([](HWND box) { PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); });
  ShowAboutBox();
  ASSERT_EQ(boxes.boxes().size(), 5u);
  for (const harness::Box &box : boxes.boxes()) EXPECT_EQ(box.caption, "About TAV");
}

TEST_F(MainWindowTest, CustomizeWithOldCommonControlsSaysUnavailable) {
  bool saved = HasNewCommonControls;
  HasNewCommonControls = false;
  boxes.Answer(IDOK);
  ExecuteCommand(CMD_CUSTOMIZE);
  HasNewCommonControls = saved;
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Unavailable Feature");
  EXPECT_EQ(boxes.boxes()[0].text,
            "You have to install the updated COMCTRL32.DLL librabries to use this feature");
}

TEST_F(MainWindowTest, RenameFolderShowsAHiddenTreeFirst) {
  harness::MakeDirs(notebook / "Child");
  ExecuteCommand(CMD_REFRESH);
  HTREEITEM root = TreeView_GetRoot(Ui.tree);
  HTREEITEM child = TreeView_GetChild(Ui.tree, root);
  ASSERT_NE(child, nullptr);
  TreeView_SelectItem(Ui.tree, child);
  ExecuteCommand(CMD_SHOWTREE);
  ASSERT_FALSE(IsWindowVisible(Ui.tree));
  ExecuteCommand(CMD_RENAMEFOLDER);
  EXPECT_TRUE(Ui.treeVisible);
  EXPECT_TRUE(IsWindowVisible(Ui.tree));
  HWND edit = TreeView_GetEditControl(Ui.tree);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(harness::WindowText(edit), "Child");
  TreeView_EndEditLabelNow(Ui.tree, TRUE);
}

// The accelerator table sends its command straight to the main window; the
// stand-in procedure records it instead of running it.
int lastCommand;
LRESULT CALLBACK RecordCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    lastCommand = LOWORD(wParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Keys go through the accelerator table as the message loop offers them.
bool TranslatesTo(UINT key, bool control, bool shift, int *command) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  BYTE saved[256];
  memcpy(saved, keys, sizeof saved);
  keys[VK_CONTROL] = control ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  keys[VK_MENU] = 0;
  SetKeyboardState(keys);
  MSG msg = {};
  msg.hwnd = Ui.editor;
  msg.message = WM_KEYDOWN;
  msg.wParam = key;
  lastCommand = 0;
  LONG_PTR real = SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordCommand));
  bool translated = TranslateAcceleratorA(MainWindow, AccelTable, &msg) != 0;
  SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, real);
  SetKeyboardState(saved);
  *command = lastCommand;
  return translated;
}

TEST_F(MainWindowTest, CtrlTabAndCtrlShiftTabAreCommandsNotText) {
  ASSERT_NE(AccelTable, nullptr);
  struct KeyCase {
    UINT key;
    bool control, shift;
    int command;  // 0: the key is not an accelerator
  };
  const KeyCase cases[] = {
      {VK_TAB, true, false, CMD_NEXTPAGE}, {VK_TAB, true, true, CMD_PREVPAGE},
      {VK_TAB, false, false, 0},           {'S', true, false, CMD_SAVENOW},
      {'S', true, true, 0},                {VK_F5, false, false, CMD_REFRESH},
      {VK_F3, false, false, CMD_FINDNEXT}, {'A', true, false, 0},
  };
  for (const KeyCase &c : cases) {
    int command = -1;
    bool translated = TranslatesTo(c.key, c.control, c.shift, &command);
    EXPECT_EQ(translated, c.command != 0) << "key " << c.key << " ctrl " << c.control << " shift " << c.shift;
    if (c.command != 0) {
      EXPECT_EQ(command, c.command) << "key " << c.key;
    }
  }
}

// Ctrl+Z, Ctrl+Y and Ctrl+D belong to the text field that has the keys (here
// the folder's label edit): the page keeps its text and its undo history;
// every other shortcut still goes to the main window.
TEST_F(MainWindowTest, PageShortcutsLeaveAnotherTextFieldAlone) {
  ASSERT_TRUE(harness::MakeDirs(notebook / "Child"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "p.tav", "hello"));
  ASSERT_TRUE(RefreshTree());
  SendMessageA(Ui.editor, EM_SETSEL, 5, 5);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" world"));
  HWND edit = TreeView_EditLabel(Ui.tree, TreeView_GetChild(Ui.tree, TreeView_GetRoot(Ui.tree)));
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, EM_SETSEL, 5, 5);
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("2"));
  BYTE keys[256] = {}, saved[256];
  GetKeyboardState(saved);
  memcpy(keys, saved, sizeof keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  for (UINT key : {UINT('Z'), UINT('Y'), UINT('D'), UINT('S'), UINT(VK_TAB)}) {
    MSG msg = {};
    msg.hwnd = edit;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    EXPECT_EQ(KeyBelongsToTextField(msg), key == 'Z' || key == 'Y' || key == 'D') << key;
    msg.hwnd = Ui.editor;
    EXPECT_FALSE(KeyBelongsToTextField(msg)) << "in the page: " << key;
  }
  SetFocus(edit);
  PostMessageA(edit, WM_KEYDOWN, 'Z', 1);
  PostMessageA(edit, WM_KEYUP, 'Z', 0xC0000001);
  MSG msg;
  while (PumpOneMessage(&msg) == PUMP_HANDLED) {
  }
  SetKeyboardState(saved);
  EXPECT_EQ(harness::WindowText(edit), "Child") << "the label's typing is undone";
  EXPECT_EQ(harness::WindowText(Ui.editor), "hello world");
  TreeView_EndEditLabelNow(Ui.tree, TRUE);
}

// The menus Alt's release would open: Wine's default handling opens the
// menu bar when Alt is released after an accelerator took the key pressed
// with it.
int KeyMenus;
WNDPROC MainProcBefore;
LRESULT CALLBACK CountKeyMenus(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) {
    ++KeyMenus;
    return 0;
  }
  return CallWindowProcA(MainProcBefore, window, message, wParam, lParam);
}

// Alt+Left goes back a page, and the release of Alt opens no menu, so the
// next key typed goes to the page.
TEST_F(MainWindowTest, AltLeftGoesBackAndOpensNoMenu) {
  ASSERT_TRUE(harness::WriteBytes(notebook / "a.tav", "page a"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "b.tav", "page b"));
  ASSERT_TRUE(RefreshTree());
  ShowPage(FindPageTab("b.tav"));
  ShowPage(FindPageTab("a.tav"));
  KeyMenus = 0;
  MainProcBefore = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountKeyMenus)));
  BYTE keys[256] = {}, saved[256];
  GetKeyboardState(saved);
  memcpy(keys, saved, sizeof keys);
  keys[VK_MENU] = 0x80;
  SetKeyboardState(keys);
  // Sent to the main window, whose default handling keeps track of Alt.
  PostMessageA(MainWindow, WM_SYSKEYDOWN, VK_MENU, 0x20380001);
  PostMessageA(MainWindow, WM_SYSKEYDOWN, VK_LEFT, 0x214B0001);
  PostMessageA(MainWindow, WM_KEYUP, VK_MENU, 0xC0380001);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && PumpOneMessage(&msg)) {
  }
  SetKeyboardState(saved);
  SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MainProcBefore));
  EXPECT_EQ(harness::WindowText(Ui.editor), "page b");
  EXPECT_EQ(KeyMenus, 0);
}

// F6 and Shift+F6 move the keyboard focus tree, tab strip, editor and round
// again, passing over a hidden tree; on the tab strip Left and Right change
// pages by the page protocol, the page left saved.
TEST_F(MainWindowTest, F6MovesThroughThePanesAndArrowsChangePagesOnTheTabs) {
  const struct {
    int from, delta;
    bool treeVisible;
    int to;
  } steps[] = {
      {PANE_TREE, 1, true, PANE_TABS},    {PANE_TABS, 1, true, PANE_EDITOR},
      {PANE_EDITOR, 1, true, PANE_TREE},  {PANE_TREE, -1, true, PANE_EDITOR},
      {PANE_EDITOR, 1, false, PANE_TABS}, {PANE_TABS, -1, false, PANE_EDITOR},
      {-1, 1, true, PANE_TREE},           {-1, -1, true, PANE_EDITOR},
  };
  for (const auto &step : steps)
    EXPECT_EQ(NextPane(step.from, step.delta, step.treeVisible), step.to)
        << step.from << " " << step.delta << " " << step.treeVisible;

  ASSERT_TRUE(harness::WriteBytes(notebook / "a.tav", "page a"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "b.tav", "page b"));
  ASSERT_TRUE(RefreshTree());
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed "));
  SetFocus(Ui.editor);
  ExecuteCommand(CMD_NEXTPANE);
  EXPECT_EQ(GetFocus(), Ui.tree);
  ExecuteCommand(CMD_PREVPANE);
  EXPECT_EQ(GetFocus(), Ui.editor);
  ExecuteCommand(CMD_SHOWTREE);
  ExecuteCommand(CMD_NEXTPANE);
  ExecuteCommand(CMD_NEXTPANE);
  EXPECT_EQ(GetFocus(), Ui.editor) << "the hidden tree passed over";
  ExecuteCommand(CMD_SHOWTREE);

  ExecuteCommand(CMD_PREVPANE);
  ASSERT_EQ(GetFocus(), Ui.tabs);
  int first = TabCtrl_GetCurSel(Ui.tabs);
  PostMessageA(Ui.tabs, WM_KEYDOWN, first == 0 ? VK_RIGHT : VK_LEFT, 1);
  harness::PumpMessages();
  EXPECT_NE(TabCtrl_GetCurSel(Ui.tabs), first);
  EXPECT_EQ(CurrentPageIndex, TabCtrl_GetCurSel(Ui.tabs));
  std::string left = first == 0 ? "a" : "b";
  EXPECT_EQ(harness::ReadBytes(notebook / (left + ".tav")), "page " + left + "typed ");
  EXPECT_EQ(GetFocus(), Ui.tabs);
}

TEST_F(MainWindowTest, ExitAndCloseBoxRunTheSameSequence) {
  ExecuteCommand(CMD_EXIT);
  EXPECT_EQ(MainWindow, nullptr);
  std::string settings = SettingsText();
  EXPECT_NE(settings.find("[ToolBar]"), std::string::npos);
  EXPECT_NE(settings.find("WorkDir="), std::string::npos);
  EXPECT_NE(settings.find("Left="), std::string::npos);
  ReleaseAppResources();
  harness::ResetProgramState();
  DeleteFileA(settingsFile.c_str());
  StartApp();
  CloseApp();
  EXPECT_EQ(MainWindow, nullptr);
  settings = SettingsText();
  EXPECT_NE(settings.find("[ToolBar]"), std::string::npos);
  EXPECT_NE(settings.find("Left="), std::string::npos);
}

TEST_F(MainWindowTest, ExitWithAPageThatCannotBeSavedAsks) {
  harness::WriteBytes(notebook / "Page.tav", "old");
  ExecuteCommand(CMD_REFRESH);
  ASSERT_TRUE(HasPages);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" new"));
  // The page's folder disappears: the page cannot be written any more.
  std::string moved = scratch / "elsewhere";
  ASSERT_TRUE(MoveFileA(notebook.path().c_str(), moved.c_str()) ||
              (SetCurrentDirectoryA(scratch.path().c_str()) &&
               MoveFileA(notebook.path().c_str(), moved.c_str())));
  boxes.Answer(IDOK);  // the save error
  boxes.Answer(IDNO);  // exit anyway? no
  ExecuteCommand(CMD_EXIT);
  ASSERT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.boxes()[0].text.rfind("Error saving to file 'Page.tav'", 0), 0u);
  EXPECT_EQ(boxes.boxes()[1].caption, "Confirm Program Exit");
  EXPECT_EQ(boxes.boxes()[1].text.rfind("The current page couldn't be saved\nExit anyway?", 0), 0u);
  ASSERT_NE(MainWindow, nullptr);
  EXPECT_TRUE(EditorIsModified());
  EXPECT_EQ(harness::WindowText(Ui.editor), "old new");

  boxes.Answer(IDOK);
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_EXIT);
  EXPECT_EQ(MainWindow, nullptr);
  EXPECT_EQ(boxes.boxes().size(), 4u);
  MoveFileA(moved.c_str(), notebook.path().c_str());
}

TEST_F(MainWindowTest, ExitSavesAModifiedPageWithoutAsking) {
  harness::WriteBytes(notebook / "Page.tav", "old");
  ExecuteCommand(CMD_REFRESH);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" new"));
  ExecuteCommand(CMD_EXIT);
  EXPECT_EQ(MainWindow, nullptr);
  EXPECT_EQ(harness::ReadBytes(notebook / "Page.tav"), "old new");
  EXPECT_TRUE(boxes.boxes().empty());
}

// Log-off and shutdown end the process without the close sequence: the page
// is saved when the session asks, and the settings when it ends.
TEST_F(MainWindowTest, EndingTheSessionSavesThePageAndTheSettings) {
  const std::string page = notebook / "Page.tav";
  harness::WriteBytes(page, "old");
  ExecuteCommand(CMD_REFRESH);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" new"));
  EXPECT_EQ(SendMessageA(MainWindow, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(harness::ReadBytes(page), "old new");

  // A page that cannot be saved keeps the session from ending, and its text.
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" more"));
  ASSERT_TRUE(SetFileAttributesA(page.c_str(), FILE_ATTRIBUTE_READONLY));
  boxes.Answer(IDOK);
  EXPECT_EQ(SendMessageA(MainWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text.rfind("Error saving to file 'Page.tav'", 0), 0u);
  EXPECT_TRUE(EditorIsModified());
  SetFileAttributesA(page.c_str(), FILE_ATTRIBUTE_NORMAL);

  // The session goes on after all: nothing is written.
  ASSERT_TRUE(DeleteFileA(settingsFile.c_str()));
  SendMessageA(MainWindow, WM_ENDSESSION, FALSE, 0);
  EXPECT_FALSE(harness::FileExists(settingsFile));
  SendMessageA(MainWindow, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  std::string settings = SettingsText();
  for (const char *key : {"WorkDir=", "SavedPath=", "TreeX=", "[ToolBar]", "Left=", "Bottom="})
    EXPECT_NE(settings.find(key), std::string::npos) << key;
}

}  // namespace

namespace {

class UnreachableWorkFolder : public harness::AppTest {
 protected:
  bool StartsInSetUp() const override { return false; }
};

// With no folder shown there is nowhere to put a page: New Page is greyed
// and does nothing, and no file appears in the current directory.
TEST_F(UnreachableWorkFolder, NewPageNeedsAFolderShown) {
  WriteSettings("[Settings]\r\nWorkDir=" + notebook / "missing" + "\r\n");
  boxes.Answer(IDOK);
  StartApp();
  boxes.Clear();
  CMyUpdateUI status;
  FindStatusHandler(CMD_NEWPAGE)(&status);
  EXPECT_EQ(status.GetEnabled(), 0);
  ExecuteCommand(CMD_NEWPAGE);
  EXPECT_TRUE(boxes.boxes().empty()) << "no name dialog";
  EXPECT_EQ(harness::ListNames(notebook.path()), std::vector<std::string>{});
}

// With no page shown nothing typed could be saved: the editor takes no text
// until the tree has shown a page.
TEST_F(UnreachableWorkFolder, TheEditorStaysReadOnly) {
  std::string missing = notebook / "missing";
  WriteSettings("[Settings]\r\nWorkDir=" + missing + "\r\n");
  boxes.Answer(IDOK);
  StartApp();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.boxes()[0].text.rfind("Cannot switch to directory \"" + missing + "\":\n", 0), 0u);
  EXPECT_TRUE(GetWindowLongA(Ui.editor, GWL_STYLE) & ES_READONLY);
}

}  // namespace
