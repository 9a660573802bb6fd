// Pages in the running main window: the tab strip built from a folder, pages
// loaded and saved, and what the user is told and left with when a save or a
// load goes wrong. Every failure case checks the boxes shown, the tab and text
// the window shows afterwards, and that no byte was lost.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>
#include <richedit.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "small_disk.h"
#include "tree/tree.h"

namespace {

using harness::FileExists;
using harness::ListNames;
using harness::ReadBytes;
using harness::WriteBytes;

class PagesApp : public harness::AppTest {
 protected:
  void Page(const std::string &relative, const std::string &bytes) {
    ASSERT_TRUE(WriteBytes(notebook / relative, bytes)) << relative;
  }
  void Folder(const std::string &relative) { ASSERT_TRUE(harness::MakeDirs(notebook / relative)); }
  // The tree and the tabs built again from disk, as the Refresh command does.
  void Refresh() {
    ASSERT_TRUE(RefreshTree());
    harness::PumpMessages();
  }
  std::vector<std::string> Labels() {
    std::vector<std::string> labels;
    int count = TabCtrl_GetItemCount(Ui.tabs);
    for (int i = 0; i < count; ++i) {
      char label[PATH_BUFFER_SIZE] = "";
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = label;
      item.cchTextMax = sizeof label;
      EXPECT_TRUE(SendMessageA(Ui.tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)));
      labels.push_back(label);
    }
    return labels;
  }
  std::vector<std::string> SortedLabels() {
    std::vector<std::string> labels = Labels();
    std::sort(labels.begin(), labels.end());
    return labels;
  }
  int TabOf(const std::string &label) {
    std::vector<std::string> labels = Labels();
    auto found = std::find(labels.begin(), labels.end(), label);
    return found == labels.end() ? -1 : static_cast<int>(found - labels.begin());
  }
  int Selected() { return TabCtrl_GetCurSel(Ui.tabs); }
  std::string Text() { return harness::WindowText(Ui.editor); }
  bool ReadOnly() { return (GetWindowLongA(Ui.editor, GWL_STYLE) & ES_READONLY) != 0; }
  bool CanUndo() { return SendMessageA(Ui.editor, EM_CANUNDO, 0, 0) != 0; }
  // Text put in at the caret the way typing does (undoable, sets the flag).
  void Type(const std::string &text) {
    SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void ReplaceAll(const std::string &text) {
    SendMessageA(Ui.editor, EM_SETSEL, 0, -1);
    Type(text);
  }
  // A click on a tab: the strip selects it and notifies the main window.
  void ClickTab(int index) {
    SendMessageA(Ui.tabs, TCM_SETCURFOCUS, index, 0);
    harness::PumpMessages();
  }
  HTREEITEM Node(const std::string &label) {
    HTREEITEM node = TreeView_GetChild(Ui.tree, TreeView_GetRoot(Ui.tree));
    for (; node != nullptr; node = TreeView_GetNextSibling(Ui.tree, node)) {
      char text[PATH_BUFFER_SIZE] = "";
      if (GetNodeLabel(node, text) && label == text) return node;
    }
    ADD_FAILURE() << "no folder node " << label;
    return nullptr;
  }
  void SelectFolder(HTREEITEM node) {
    TreeView_SelectItem(Ui.tree, node);
    harness::PumpMessages();
  }
  void ExpectCaretAtEnd() {
    GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
    LRESULT end = SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
    CHARRANGE selection = {-1, -1};
    SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, end);
    EXPECT_EQ(selection.cpMax, end);
  }
  // The boxes since the last check: each an error box about saving fileName.
  void ExpectSaveErrors(size_t count, const std::string &fileName) {
    ASSERT_EQ(boxes.boxes().size(), count);
    for (const harness::Box &box : boxes.boxes()) {
      EXPECT_EQ(box.caption, "Error");
      std::string start = "Error saving to file '" + fileName + "':\n";
      EXPECT_EQ(box.text.substr(0, start.size()), start) << box.text;
      EXPECT_GT(box.text.size(), start.size()) << "no system text";
    }
    boxes.Clear();
  }
  void ExpectNoTemporaryFiles(const std::string &folder) {
    for (const std::string &name : ListNames(folder))
      EXPECT_FALSE(name.size() > 4 && name.substr(name.size() - 4) == ".tmp") << name;
  }
  void AnswerBoxes(int count) {
    for (int i = 0; i < count; ++i) boxes.Answer(IDOK);
  }
};

TEST_F(PagesApp, ListsOnlyPagesWithTheirLabels) {
  Page("a.tav", "page a");
  Page("B.TAV", "page B");
  Page("c.Tav", "page c");
  Page("R&D.tav", "research");
  Page("A&&B.tav", "double");
  Page("d.tavx", "not a page");
  Page("h.tav~", "not a page");
  Page("e.tav.bak", "not a page");
  Page("tav1A2B.tmp", "not a name TAV gives its files");
  Page("~tav0C3D.tmp", "left over from a killed save");
  Folder("f.tav");  // a folder, shown in the tree
  Refresh();
  EXPECT_FALSE(FileExists(notebook / "~tav0C3D.tmp"));
  EXPECT_TRUE(FileExists(notebook / "tav1A2B.tmp"));
  EXPECT_EQ(SortedLabels(),
            (std::vector<std::string>{"A&&&&B", "B", "R&&D", "a", "c"}));
  EXPECT_TRUE(HasPages);
  EXPECT_TRUE(GetWindowLongA(Ui.tabs, GWL_STYLE) & TCS_MULTILINE);
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(CurrentPageIndex, 0);

  EXPECT_TRUE(SelectPageByName("r&d.TAV"));
  EXPECT_EQ(Text(), "research");
  EXPECT_EQ(Selected(), TabOf("R&&D"));
  EXPECT_TRUE(SelectPageByName("A&&B.tav"));
  EXPECT_EQ(Text(), "double");
  EXPECT_EQ(SavedPagePath, notebook / "A&&B.tav");
  EXPECT_FALSE(SelectPageByName("missing.tav"));
  EXPECT_EQ(Text(), "double");

  // A directory named like a page is a folder: no tab names it.
  EXPECT_FALSE(SelectPageByName("f.tav"));
  EXPECT_EQ(Text(), "double");
}

// A rename that stopped between its two moves leaves the page under its step
// name; the folder's listing gives it a page name again and says so once.
// A folder left so is shown by the tree and stays as it is.
TEST_F(PagesApp, APageLeftHalfwayThroughARenameIsListedAgain) {
  Page("a.tav", "a");
  Page("~tav1A2C.ren", "the renamed page's text");
  Page("~tav1A2D.ren", "another");
  Page("~tav1a2e.ren", "not a name TAV gives its files");
  Folder("~tav1A2F.ren");
  boxes.Answer(IDOK);
  Refresh();
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text,
            "Pages left halfway through a rename were found in this folder; they are listed "
            "now as:\n'Recovered page.tav'\n'Recovered page 2.tav'");
  boxes.Clear();
  EXPECT_EQ(SortedLabels(), (std::vector<std::string>{"Recovered page", "Recovered page 2", "a"}));
  EXPECT_EQ(ReadBytes(notebook / "Recovered page.tav"), "the renamed page's text");
  EXPECT_EQ(ListNames(notebook.path()),
            (std::vector<std::string>{"Recovered page 2.tav", "Recovered page.tav", "a.tav",
                                      "~tav1A2F.ren", "~tav1a2e.ren"}));
}

TEST_F(PagesApp, FindPageTabPrefersTheLastMatchAndFoldsAsciiOnly) {
  const char *labels[] = {"Plan", "x", "PLAN", "\xC3\x84pfel"};
  for (int i = 0; i < 4; ++i) {
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char *>(labels[i]);
    ASSERT_EQ(SendMessageA(Ui.tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item)), i);
  }
  EXPECT_EQ(FindPageTab("plan.tav"), 2);
  EXPECT_EQ(FindPageTab("X.TAV"), 1);
  EXPECT_EQ(FindPageTab("\xC3\x84PFEL.tav"), 3);
  EXPECT_EQ(FindPageTab("\xC3\xA4pfel.tav"), -1);
  EXPECT_EQ(FindPageTab("Plans.tav"), -1);
  TabCtrl_DeleteAllItems(Ui.tabs);
}

TEST_F(PagesApp, OnePageKeepsOneRowAndNoPageLeavesTheEditorReadOnly) {
  EXPECT_FALSE(HasPages);
  EXPECT_EQ(CurrentPageIndex, -1);
  EXPECT_EQ(TabCtrl_GetItemCount(Ui.tabs), 0);
  EXPECT_TRUE(ReadOnly());
  EXPECT_EQ(Text(), "");

  Page("only.tav", "alone");
  Refresh();
  EXPECT_EQ(Labels(), std::vector<std::string>{"only"});
  EXPECT_FALSE(GetWindowLongA(Ui.tabs, GWL_STYLE) & TCS_MULTILINE);
  EXPECT_EQ(Text(), "alone");
  EXPECT_FALSE(ReadOnly());
}

// What the program set on the tab strip and what stands around it.
struct StripLook {
  int id;
  LONG style, exStyle;
  WPARAM font;
  RECT strip, editor;
  std::vector<std::string> zOrder;  // the main window's children, topmost first
  bool focused;
};

StripLook LookAtStrip() {
  StripLook look = {};
  look.id = GetDlgCtrlID(Ui.tabs);
  look.style = GetWindowLongA(Ui.tabs, GWL_STYLE);
  look.exStyle = GetWindowLongA(Ui.tabs, GWL_EXSTYLE);
  look.font = static_cast<WPARAM>(SendMessageA(Ui.tabs, WM_GETFONT, 0, 0));
  GetWindowRect(Ui.tabs, &look.strip);
  GetWindowRect(Ui.editor, &look.editor);
  for (HWND child = GetWindow(MainWindow, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const char *role = child == Ui.tabs     ? "tabs"
                       : child == Ui.editor ? "editor"
                       : child == Ui.tree   ? "tree"
                       : child == Ui.toolbar ? "toolbar"
                       : child == Ui.splitter ? "splitter"
                                              : "other";
    look.zOrder.push_back(role);
  }
  look.focused = GetFocus() == Ui.tabs;
  return look;
}

TEST_F(PagesApp, AStripOfManyTabsIsReplacedByOneLikeIt) {
  for (int i = 10; i < 50; ++i) Page("p" + std::to_string(i) + ".tav", "page " + std::to_string(i));
  Refresh();
  SetFocus(Ui.tabs);
  const HWND old = Ui.tabs;
  const StripLook before = LookAtStrip();
  const std::vector<std::string> labels = Labels();
  ASSERT_EQ(labels.size(), 40u);
  ASSERT_TRUE(before.focused);

  RebuildPageTabs();
  harness::PumpMessages();
  EXPECT_NE(Ui.tabs, old) << "emptied in place";
  EXPECT_FALSE(IsWindow(old));
  const StripLook after = LookAtStrip();
  EXPECT_EQ(after.id, ID_TABS);
  EXPECT_EQ(after.style, before.style);
  EXPECT_EQ(after.exStyle, before.exStyle);
  EXPECT_EQ(after.font, before.font);
  EXPECT_TRUE(EqualRect(&after.strip, &before.strip));
  EXPECT_TRUE(EqualRect(&after.editor, &before.editor)) << "the same rows of tabs";
  EXPECT_EQ(after.zOrder, before.zOrder);
  EXPECT_TRUE(after.focused);
  EXPECT_EQ(Labels(), labels);
  EXPECT_EQ(Text(), "page 10");

  ClickTab(TabOf("p42"));
  EXPECT_EQ(Text(), "page 42") << "the new strip's notifications reach the program";
}

// On a display of 150 % (sent as Windows sends it; Wine has one display) the
// tabs are larger, and a fresh strip in the old one's place keeps their size.
TEST_F(PagesApp, AReplacedStripKeepsTheTabsOfItsDisplay) {
  for (int i = 10; i < 30; ++i) Page("p" + std::to_string(i) + ".tav", "page");
  Refresh();
  auto tabHeight = [] {
    RECT tab = {};
    TabCtrl_GetItemRect(Ui.tabs, 0, &tab);
    return tab.bottom - tab.top;
  };
  const int at96 = tabHeight();
  RECT frame;
  GetWindowRect(MainWindow, &frame);
  SendMessageA(MainWindow, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&frame));
  const HWND old = Ui.tabs;
  const int at144 = tabHeight();
  EXPECT_GT(at144, at96);
  RebuildPageTabs();
  harness::PumpMessages();
  ASSERT_NE(Ui.tabs, old);
  EXPECT_EQ(tabHeight(), at144);
}

TEST_F(PagesApp, LoadsEveryFileExactly) {
  std::string crlfAcrossBlocks = "x";
  for (int i = 0; i < 5000; ++i) crlfAcrossBlocks += "\r\n";
  std::string lines;
  for (int i = 0; i < 3000; ++i) lines += "line " + std::to_string(i) + "\r\n";
  const struct {
    const char *what;
    std::string bytes;
    std::string shown;
  } cases[] = {
      {"empty", "", ""},
      {"4096 bytes", std::string(4096, 'q'), std::string(4096, 'q')},
      {"4097 bytes", std::string(4097, 'r'), std::string(4097, 'r')},
      {"CR LF at the block end", std::string(4095, 's') + "\r\nend",
       std::string(4095, 's') + "\r\nend"},
      {"CR LF across every block end", crlfAcrossBlocks, crlfAcrossBlocks},
      {"many lines", lines, lines},
      // Windows' rich edit stops at 32,767 characters unless told otherwise.
      {"past the default text limit", lines + lines + lines + lines, lines + lines + lines + lines},
      // A lone CR or LF is a line break the editor gives back as CR LF.
      {"lone CR and LF", "a\rb\nc", "a\r\nb\r\nc"},
      // "\r\r\n" is a soft line break; the editor alone would show a blank.
      {"soft line break", "a\r\r\nb", "a\r\nb"},
      {"soft line break across the block end", std::string(4094, 't') + "\r\r\nu",
       std::string(4094, 't') + "\r\nu"},
      {"CR before a soft line break", "a\r\r\r\nb", "a\r\n\r\nb"},
  };
  // A page of its own for each case: a page shown before would come back at
  // its place rather than at its end.
  std::string previous;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    if (!previous.empty()) DeleteFileA((notebook / previous).c_str());
    previous = std::string(c.what) + ".tav";
    Page(previous, c.bytes);
    RebuildPageTabs();
    EXPECT_EQ(Text(), c.shown);
    EXPECT_FALSE(EditorIsModified());
    EXPECT_FALSE(ReadOnly());
    EXPECT_FALSE(CanUndo());
    ExpectCaretAtEnd();
    EXPECT_EQ(ReadBytes(notebook / previous), c.bytes);
  }
}

TEST_F(PagesApp, SavingKeepsTheNameItsCaseAndTheEditorState) {
  Page("Plan.TAV", "old");
  Refresh();
  Type(" and new");
  ASSERT_TRUE(EditorIsModified());
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(ReadBytes(notebook / "Plan.TAV"), "old and new");
  EXPECT_EQ(ListNames(notebook.path()), std::vector<std::string>{"Plan.TAV"});
  EXPECT_FALSE(EditorIsModified());
  EXPECT_TRUE(CanUndo());
  ExpectCaretAtEnd();
  EXPECT_EQ(SavedPagePath, notebook / "Plan.tav");

  // Without changes nothing is written.
  ASSERT_TRUE(WriteBytes(notebook / "Plan.TAV", "changed outside"));
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(notebook / "Plan.TAV"), "changed outside");
}

TEST_F(PagesApp, LeavingAPageSavesItAndShowingItAgainReloadsIt) {
  Page("a.tav", "first");
  Page("b.tav", "second");
  Refresh();
  ASSERT_EQ(Labels(), (std::vector<std::string>{"a", "b"}));
  Type(" typed");
  ClickTab(1);
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "first typed");
  EXPECT_EQ(Text(), "second");
  EXPECT_EQ(CurrentPageIndex, 1);

  Type("!");
  ShowPage(1);
  EXPECT_EQ(ReadBytes(notebook / "b.tav"), "second!");
  EXPECT_EQ(Text(), "second!");
  EXPECT_FALSE(CanUndo());
}

TEST_F(PagesApp, NextAndPreviousWrapAround) {
  Page("a.tav", "A");
  Page("b.tav", "B");
  Page("c.tav", "C");
  Refresh();
  StepPage(-1);
  EXPECT_EQ(Selected(), 2);
  EXPECT_EQ(Text(), "C");
  StepPage(1);
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(Text(), "A");
  ExecuteCommand(CMD_NEXTPAGE);
  EXPECT_EQ(Text(), "B");

  // With one page both steps save it and load it again.
  DeleteFileA((notebook / "a.tav").c_str());
  DeleteFileA((notebook / "c.tav").c_str());
  Refresh();
  Type("+");
  StepPage(1);
  EXPECT_EQ(ReadBytes(notebook / "b.tav"), "B+");
  EXPECT_EQ(Text(), "B+");
  EXPECT_FALSE(EditorIsModified());
}

TEST_F(PagesApp, AReadOnlyPageIsNotLeftAndKeepsItsText) {
  Page("a.tav", "old a");
  Page("b.tav", "old b");
  Refresh();
  ASSERT_TRUE(SetFileAttributesA((notebook / "a.tav").c_str(), FILE_ATTRIBUTE_READONLY));
  Type(" typed");
  boxes.Answer(IDOK);
  ClickTab(1);
  ExpectSaveErrors(1, "a.tav");
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(CurrentPageIndex, 0);
  EXPECT_EQ(Text(), "old a typed");
  EXPECT_TRUE(EditorIsModified());
  EXPECT_TRUE(CanUndo());
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "old a");
  ExpectNoTemporaryFiles(notebook.path());

  ASSERT_TRUE(SetFileAttributesA((notebook / "a.tav").c_str(), FILE_ATTRIBUTE_NORMAL));
  ClickTab(1);
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "old a typed");
  EXPECT_EQ(Text(), "old b");
}

TEST_F(PagesApp, APageHeldOpenElsewhereIsNotLeft) {
  Page("a.tav", "old a");
  Page("b.tav", "old b");
  Refresh();
  HANDLE held = CreateFileA((notebook / "a.tav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Type(" typed");
  boxes.Answer(IDOK);
  StepPage(1);
  ExpectSaveErrors(1, "a.tav");
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(Text(), "old a typed");
  EXPECT_TRUE(EditorIsModified());
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "old a");
  ExpectNoTemporaryFiles(notebook.path());

  StepPage(1);
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "old a typed");
  EXPECT_EQ(Text(), "old b");
}

TEST_F(PagesApp, AFullDiskKeepsBothTheFileAndTheEditorText) {
  SmallDisk disk;
  if (!disk.mounted()) GTEST_SKIP() << disk.failure();
  std::string oldText(20000, 'o');
  ASSERT_TRUE(WriteBytes(disk.path() + "\\big.tav", oldText));
  const std::string work = WorkFolderPath;
  strcpy(WorkFolderPath, disk.path().c_str());
  ASSERT_TRUE(RefreshTree());
  ASSERT_EQ(Text(), oldText);
  std::string newText(60000, 'n');
  ReplaceAll(newText);
  boxes.Answer(IDOK);
  EXPECT_FALSE(SaveCurrentPage());
  ExpectSaveErrors(1, "big.tav");
  EXPECT_EQ(ReadBytes(disk.path() + "\\big.tav"), oldText);
  EXPECT_EQ(ListNames(disk.path()), std::vector<std::string>{"big.tav"});
  EXPECT_EQ(Text(), newText);
  EXPECT_TRUE(EditorIsModified());

  std::string shorter(30000, 's');
  ReplaceAll(shorter);
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(disk.path() + "\\big.tav"), shorter);
  strcpy(WorkFolderPath, work.c_str());
  ASSERT_TRUE(RefreshTree());
  DeleteFileA((disk.path() + "\\big.tav").c_str());
}

TEST_F(PagesApp, APageDeletedFromOutsideIsWrittenAgainWhenLeft) {
  Page("a.tav", "old a");
  Page("b.tav", "old b");
  Refresh();
  ASSERT_TRUE(DeleteFileA((notebook / "a.tav").c_str()));
  Type(" typed");
  ClickTab(1);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "old a typed");
  EXPECT_EQ(Text(), "old b");
}

// The page's folder vanishes while the page is shown: the page is not written
// anywhere else, the user stays on it, and it can be saved once the folder is
// back.
TEST_F(PagesApp, APageWhoseFolderIsGoneIsNeverWrittenElsewhere) {
  Page("p.tav", "root p");
  Folder("sub");
  Page("sub\\p.tav", "sub p");
  Refresh();
  SelectFolder(Node("sub"));
  ASSERT_EQ(Text(), "sub p");
  Type(" typed");
  // Something else made another folder current and removed this one (as a
  // Unix program would, at once: Wine keeps a folder while the watch of the
  // folder shown holds it).
  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  StopWatchingNotebook();
  ASSERT_TRUE(harness::RemoveTree(notebook / "sub"));

  boxes.Answer(IDOK);
  StepPage(1);
  ExpectSaveErrors(1, "p.tav");
  EXPECT_EQ(Text(), "sub p typed");
  EXPECT_TRUE(EditorIsModified());

  // Selecting the root: the folder change saves first, fails, and goes no
  // further; the selection stays on the page's folder, and so do the tabs.
  AnswerBoxes(1);
  SelectFolder(TreeView_GetRoot(Ui.tree));
  ExpectSaveErrors(1, "p.tav");
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Node("sub"));
  EXPECT_EQ(Labels(), std::vector<std::string>{"p"});
  EXPECT_EQ(Text(), "sub p typed");
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "root p");
  EXPECT_EQ(ListNames(notebook.path()), std::vector<std::string>{"p.tav"});

  Folder("sub");
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(notebook / "sub\\p.tav"), "sub p typed");
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "root p");
}

TEST_F(PagesApp, AFolderChangeNeverSavesIntoTheNewFolder) {
  Folder("one");
  Folder("two");
  Page("one\\x.tav", "one x");
  Page("two\\x.tav", "two x");
  Refresh();
  SelectFolder(Node("one"));
  ASSERT_TRUE(SetFileAttributesA((notebook / "one\\x.tav").c_str(), FILE_ATTRIBUTE_READONLY));
  Type(" typed");

  // The folder change stops where the page cannot be saved: one error, and
  // tree, current folder and tabs stay with the page.
  AnswerBoxes(1);
  SelectFolder(Node("two"));
  ExpectSaveErrors(1, "x.tav");
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), Node("one"));
  EXPECT_EQ(harness::CurrentDirectory(), notebook / "one");
  EXPECT_EQ(ReadBytes(notebook / "two\\x.tav"), "two x");
  EXPECT_EQ(ReadBytes(notebook / "one\\x.tav"), "one x");
  EXPECT_EQ(Text(), "one x typed");

  boxes.Answer(IDOK);
  EXPECT_FALSE(RefreshTree());
  harness::PumpMessages();
  ExpectSaveErrors(1, "x.tav");
  EXPECT_EQ(Text(), "one x typed");

  ASSERT_TRUE(SetFileAttributesA((notebook / "one\\x.tav").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(notebook / "one\\x.tav"), "one x typed");
  EXPECT_EQ(ReadBytes(notebook / "two\\x.tav"), "two x");
  EXPECT_TRUE(UpdateSavedPagePath());
  EXPECT_EQ(SavedPagePath, notebook / "one\\x.tav");
}

TEST_F(PagesApp, APageWithNulBytesIsShownReadOnlyAndNeverSaved) {
  std::string bytes("ab\0cd\r\nef", 9);
  Page("n.tav", bytes);
  Page("o.tav", "other");
  boxes.Answer(IDOK);
  Refresh();
  ASSERT_EQ(Labels(), (std::vector<std::string>{"n", "o"}));
  // The first page was shown by the refresh, with its notice.
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "TAV");
  EXPECT_EQ(boxes.boxes()[0].text,
            "The page 'n.tav' contains NUL bytes, which the editor cannot hold.\n"
            "It is shown read-only, with a space for each NUL byte, and will not be saved.");
  boxes.Clear();
  EXPECT_EQ(Text(), "ab cd\r\nef");
  EXPECT_TRUE(ReadOnly());
  EXPECT_TRUE(CurrentPageIsProtected());

  // The program's own insertions still reach a read-only editor.
  Type("inserted");
  ExecuteCommand(CMD_SAVENOW);
  ClickTab(1);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(ReadBytes(notebook / "n.tav"), bytes);
  EXPECT_EQ(Text(), "other");
  EXPECT_FALSE(ReadOnly());
  EXPECT_FALSE(CurrentPageIsProtected());

  // A refresh goes straight to the page shown last: the folder's first page
  // is not loaded on the way, so its notice does not appear.
  Refresh();
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(Text(), "other");
  // Restored, the NUL page is loaded once and says so once.
  boxes.Answer(IDOK);
  ClickTab(0);
  boxes.Clear();
  boxes.Answer(IDOK);
  Refresh();
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(Text(), "ab cd\r\nef");
}

// A page file that exists but cannot be opened (held without sharing, as a
// sync client or a virus scanner does for a moment) is never written: its
// text never reached the editor.
TEST_F(PagesApp, APageThatCannotBeOpenedIsNeverWritten) {
  Page("a.tav", "precious");
  Page("b.tav", "other");
  HANDLE held = CreateFileA((notebook / "a.tav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  boxes.Answer(IDOK);
  Refresh();
  CloseHandle(held);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  std::string told =
      "Error opening file 'a.tav'; the page is shown empty and read-only, and its file is left "
      "untouched:\n";
  EXPECT_EQ(boxes.boxes()[0].text.substr(0, told.size()), told);
  boxes.Clear();
  EXPECT_EQ(Selected(), 0);
  EXPECT_TRUE(ReadOnly());
  EXPECT_TRUE(CurrentPageIsProtected());

  Type("typed");  // the program's own insertions still reach a read-only editor
  ExecuteCommand(CMD_SAVENOW);
  ClickTab(1);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "precious");
  EXPECT_EQ(Text(), "other");
  ClickTab(0);
  EXPECT_EQ(Text(), "precious");
  EXPECT_FALSE(ReadOnly());
}

// A page another program changed while it was shown is replaced only when
// the user says so, and neither text is lost: the one that does not become
// the page is kept beside it, under a name that is not a page's.
TEST_F(PagesApp, APageChangedByAnotherProgramIsReplacedOnlyWhenTheUserSaysSo) {
  Page("a.tav", "mine");
  Page("b.tav", "other");
  Refresh();
  Type(" typed");
  Page("a.tav", "changed outside");
  boxes.Answer(IDYES);
  ClickTab(1);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Confirm page overwrite");
  EXPECT_EQ(boxes.boxes()[0].text,
            "The page 'a.tav' was changed by another program after TAV loaded it.\n\n"
            "Replace it with your text? The other version will be kept as "
            "'a (other version).txt'.\n\n"
            "No keeps the other version as the page and saves your text as "
            "'a (your version).txt'.");
  boxes.Clear();
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "mine typed");
  EXPECT_EQ(ReadBytes(notebook / "a (other version).txt"), "changed outside");
  EXPECT_EQ(Text(), "other");
  EXPECT_EQ(SortedLabels(), (std::vector<std::string>{"a", "b"}));

  // No: the page keeps the other program's text, and the user's is kept
  // beside it. Saving again asks again. A change that keeps the size is
  // seen by its time.
  ClickTab(0);
  Type(" again");
  Page("a.tav", "SAME LENGTH AS THAT");
  boxes.Answer(IDNO);
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "SAME LENGTH AS THAT");
  EXPECT_EQ(ReadBytes(notebook / "a (your version).txt"), "mine typed again");
  EXPECT_EQ(Text(), "mine typed again");
  EXPECT_FALSE(EditorIsModified());
  Type("!");
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "mine typed again!");
  EXPECT_EQ(ReadBytes(notebook / "a (other version 2).txt"), "SAME LENGTH AS THAT");
  boxes.Clear();

  // Once saved, the page is the user's again: the next save asks nothing.
  Type("?");
  ClickTab(1);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "mine typed again!?");
}

// The Replace dialog stays usable while the question about a changed page
// is shown (only the main window is disabled): a Replace All made then is
// part of the text saved, not dropped with the modified flag.
HWND replaceDialog = nullptr;
TEST_F(PagesApp, AReplacementMadeWhileAskedAboutAChangedPageIsSaved) {
  Page("a.tav", "mine");
  Page("b.tav", "other");
  Refresh();
  if (Text() != "mine") ClickTab(TabOf("a"));
  boxes.Handle([](HWND dialog) { replaceDialog = dialog; });
  ExecuteCommand(CMD_REPLACE);
  for (int i = 0; i < 400 && replaceDialog == nullptr; ++i, Sleep(5)) harness::PumpMessages();
  ASSERT_NE(replaceDialog, nullptr);
  SetDlgItemTextA(replaceDialog, edt1, "mine");
  SetDlgItemTextA(replaceDialog, edt2, "MINE");
  Type(" typed");
  SendMessageA(Ui.editor, EM_SETSEL, 0, 0);  // Replace All works from the caret on
  Page("a.tav", "changed outside");
  boxes.Handle([](HWND question) {
    SendMessageA(GetDlgItem(replaceDialog, psh2), BM_CLICK, 0, 0);
    PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
  });
  ClickTab(TabOf("b"));
  DestroyWindow(replaceDialog);
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "MINE typed");
  EXPECT_EQ(ReadBytes(notebook / "a (other version).txt"), "changed outside");
}

// Wine's rich edit answers a request for the text into a buffer too small
// for it with a part of it and success; an editor that gives back less than
// it holds must not empty the page.
WNDPROC editorProc = nullptr;
LRESULT CALLBACK GivesNoText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETTEXT) {
    if (wParam > 0) reinterpret_cast<char *>(lParam)[0] = '\0';
    return 0;
  }
  if (message == EM_GETTEXTEX) {
    reinterpret_cast<wchar_t *>(lParam)[0] = L'\0';
    return 0;
  }
  return CallWindowProcA(editorProc, window, message, wParam, lParam);
}

TEST_F(PagesApp, AnEditorThatGivesBackLessKeepsThePageFile) {
  Page("a.tav", "old text");
  Page("b.tav", "other");
  Refresh();
  Type(" and more");
  editorProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(Ui.editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GivesNoText)));
  boxes.Answer(IDOK);
  ClickTab(1);
  SetWindowLongPtrA(Ui.editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editorProc));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.boxes()[0].text,
            "Error saving to file 'a.tav':\nThe editor gave back only part of the page's text, "
            "so the file was left as it was.");
  boxes.Clear();
  EXPECT_EQ(ReadBytes(notebook / "a.tav"), "old text");
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(Text(), "old text and more");
  EXPECT_TRUE(EditorIsModified());
}

TEST_F(PagesApp, MoveUpSavesAndShowsTheParentsPages) {
  Page("r.tav", "root page");
  Folder("sub");
  Page("sub\\s.tav", "sub page");
  Refresh();
  EXPECT_EQ(GetParentFolderNode(), nullptr);
  SelectFolder(Node("sub"));
  EXPECT_EQ(SavedPagePath, notebook / "sub\\s.tav");
  EXPECT_EQ(GetParentFolderNode(), TreeView_GetRoot(Ui.tree));
  Type(" typed");
  ExecuteCommand(CMD_MOVEUP);
  harness::PumpMessages();
  EXPECT_EQ(ReadBytes(notebook / "sub\\s.tav"), "sub page typed");
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), TreeView_GetRoot(Ui.tree));
  EXPECT_EQ(Labels(), std::vector<std::string>{"r"});
  EXPECT_EQ(Text(), "root page");
  EXPECT_TRUE(FolderPathsEqual(harness::CurrentDirectory().c_str(), notebook.path().c_str()));
}

TEST_F(PagesApp, MoveUpStaysWhenThePageCannotBeSaved) {
  Folder("sub");
  Page("sub\\s.tav", "sub page");
  Page("s.tav", "root s");
  Refresh();
  HTREEITEM sub = Node("sub");
  SelectFolder(sub);
  ASSERT_TRUE(SetFileAttributesA((notebook / "sub\\s.tav").c_str(), FILE_ATTRIBUTE_READONLY));
  Type(" typed");
  boxes.Answer(IDOK);
  GoToParentFolder();
  harness::PumpMessages();
  ExpectSaveErrors(1, "s.tav");
  EXPECT_EQ(TreeView_GetSelection(Ui.tree), sub);
  EXPECT_EQ(Text(), "sub page typed");
  EXPECT_EQ(ReadBytes(notebook / "s.tav"), "root s");
  EXPECT_EQ(ReadBytes(notebook / "sub\\s.tav"), "sub page");
  SetFileAttributesA((notebook / "sub\\s.tav").c_str(), FILE_ATTRIBUTE_NORMAL);
}

/* ---- pages other programs change while they are shown ---- */

bool TabHighlighted(int index) {
  TCITEMA item = {};
  item.mask = TCIF_STATE;
  item.dwStateMask = TCIS_HIGHLIGHTED;
  return SendMessageA(Ui.tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item)) &&
         (item.dwState & TCIS_HIGHLIGHTED) != 0;
}

// Pages made, renamed and deleted elsewhere in the folder shown change the
// tabs; the page shown keeps its tab, and temporary files change nothing.
TEST_F(PagesApp, PagesChangedElsewhereChangeTheTabsAtOnce) {
  Page("a.tav", "a");
  Page("b.tav", "b");
  Refresh();
  ClickTab(1);
  Type(" typed");
  HWND editor = Ui.editor;
  for (const char *other : {"x.tmp", "~$a.docx", "b.tav~", "~tav12AB.tmp", "notes.txt"})
    Page(other, "temporary");
  harness::FollowNotebookChanges(nullptr, 1000);
  EXPECT_EQ(Labels(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Ui.editor, editor);

  Page("c.tav", "c");
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return Labels().size() == 3; }));
  ASSERT_TRUE(MoveFileA((notebook / "a.tav").c_str(), (notebook / "a2.tav").c_str()));
  ASSERT_TRUE(DeleteFileA((notebook / "c.tav").c_str()));
  EXPECT_TRUE(harness::FollowNotebookChanges(
      [&] { return Labels() == std::vector<std::string>{"a2", "b"}; }));
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(CurrentPageIndex, 1);
  EXPECT_EQ(Text(), "b typed");
  EXPECT_TRUE(EditorIsModified());
  EXPECT_TRUE(boxes.boxes().empty());
}

// The page shown, rewritten elsewhere with nothing unsaved, is read again at
// once in the encoding of its new bytes, its caret and selection kept.
TEST_F(PagesApp, ThePageShownRewrittenElsewhereIsReadAgainWithItsCaret) {
  Page("p.tav", "line one\r\nline two");
  Refresh();
  SendMessageA(Ui.editor, EM_SETSEL, 5, 8);
  Page("p.tav", std::string("\xFF\xFEL\0I\0N\0E\0 \0o\0n\0e\0\r\0\n\0", 22) +
                    std::string("l\0i\0n\0e\0 \0t\0w\0o\0", 16));
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return Text() == "LINE one\r\nline two"; }));
  CHARRANGE selection = {};
  SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  EXPECT_EQ(selection.cpMin, 5);
  EXPECT_EQ(selection.cpMax, 8);
  EXPECT_EQ(CurrentPageEncoding().form, TEXT_UTF16LE);
  EXPECT_FALSE(EditorIsModified());
  EXPECT_TRUE(boxes.boxes().empty());
}

// With unsaved text nothing is lost and nothing asks while the user types:
// the title and the tab say it, and the save asks, keeping both texts.
TEST_F(PagesApp, ThePageShownChangedElsewhereKeepsUnsavedTextAndAsksAtTheSave) {
  Page("p.tav", "mine");
  Refresh();
  Type(" typed");
  Page("p.tav", "theirs");
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return TabHighlighted(0); }));
  EXPECT_EQ(Text(), "mine typed");
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(harness::WindowText(MainWindow),
            "TAV - 'p' was changed by another program: saving asks which text to keep, and keeps "
            "both");
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_SAVENOW);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Confirm page overwrite");
  EXPECT_EQ(ReadBytes(notebook / "p.tav"), "mine typed");
  EXPECT_EQ(ReadBytes(notebook / "p (other version).txt"), "theirs");
  EXPECT_EQ(harness::WindowText(MainWindow), "TAV");
  EXPECT_FALSE(TabHighlighted(0));
}

// Renamed elsewhere: the tab follows, the unsaved text stays and is saved
// under the new name.
TEST_F(PagesApp, ThePageShownRenamedElsewhereKeepsItsTextUnderTheNewName) {
  Page("p.tav", "text");
  Refresh();
  Type(" typed");
  ASSERT_TRUE(MoveFileA((notebook / "p.tav").c_str(), (notebook / "q.tav").c_str()));
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return Labels() == std::vector<std::string>{"q"}; }));
  EXPECT_EQ(Text(), "text typed");
  ASSERT_TRUE(SaveCurrentPage());
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(ReadBytes(notebook / "q.tav"), "text typed");
  EXPECT_FALSE(FileExists(notebook / "p.tav"));
  EXPECT_EQ(std::string(SavedPagePath), notebook / "q.tav");
}

// Renamed and rewritten at once (a sync bringing both, an editor's "save
// as" that removes the old file): the tab follows the new name, and the
// text is read again, or with unsaved text kept and the change said.
TEST_F(PagesApp, ThePageShownRenamedAndRewrittenElsewhereIsNotLeftStale) {
  Page("p.tav", "text");
  Refresh();
  ASSERT_TRUE(MoveFileA((notebook / "p.tav").c_str(), (notebook / "q.tav").c_str()));
  Page("q.tav", "their text");
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return Text() == "their text"; }));
  EXPECT_EQ(Labels(), std::vector<std::string>{"q"});
  EXPECT_FALSE(EditorIsModified());

  SendMessageA(Ui.editor, EM_SETSEL, 100, 100);
  Type(" typed");
  ASSERT_TRUE(MoveFileA((notebook / "q.tav").c_str(), (notebook / "r.tav").c_str()));
  Page("r.tav", "theirs again");
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return TabHighlighted(0); }));
  EXPECT_EQ(Labels(), std::vector<std::string>{"r"});
  EXPECT_EQ(Text(), "their text typed");
  EXPECT_EQ(harness::WindowText(MainWindow),
            "TAV - 'r' was changed by another program: saving asks which text to keep, and keeps "
            "both");
  EXPECT_TRUE(boxes.boxes().empty());
}

// Deleted elsewhere: with nothing unsaved its tab goes and the next page is
// shown; with unsaved text it stays, is said once, and is written to its
// name again when it is left.
TEST_F(PagesApp, ThePageShownDeletedElsewhereGoesUnlessItHasUnsavedText) {
  Page("a.tav", "a");
  Page("b.tav", "b");
  Page("c.tav", "c");
  Refresh();
  ClickTab(1);
  ASSERT_TRUE(DeleteFileA((notebook / "b.tav").c_str()));
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return Labels().size() == 2; }));
  EXPECT_EQ(Text(), "c");
  EXPECT_EQ(Selected(), 1);

  Type(" typed");
  ASSERT_TRUE(DeleteFileA((notebook / "c.tav").c_str()));
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return TabHighlighted(1); }));
  EXPECT_EQ(Labels(), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(Text(), "c typed");
  EXPECT_EQ(harness::WindowText(MainWindow),
            "TAV - 'c' was deleted by another program: your text is written to it again when you "
            "leave it");
  ClickTab(0);
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(ReadBytes(notebook / "c.tav"), "c typed");
  EXPECT_EQ(harness::WindowText(MainWindow), "TAV");
}

// A page another program keeps locked is said once, when it is shown: the
// checks at each change in its folder and each activation leave it quiet,
// and it is read once the lock goes.
TEST_F(PagesApp, APageThatCannotBeOpenedIsSaidOnceAndReadWhenItCan) {
  Page("a.tav", "a");
  Page("p.tav", "locked text");
  Refresh();
  HANDLE lock = CreateFileA((notebook / "p.tav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  boxes.Answer(IDOK);
  ClickTab(1);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  Page("b.tav", "b");
  EXPECT_TRUE(harness::FollowNotebookChanges([&] { return Labels().size() == 3; }));
  SendMessageA(MainWindow, WM_ACTIVATEAPP, TRUE, 0);
  harness::FollowNotebookChanges(nullptr, 1000);
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.unexpected(), 0);
  CloseHandle(lock);
  SendMessageA(MainWindow, WM_ACTIVATEAPP, TRUE, 0);
  harness::FollowNotebookChanges(nullptr, 1000);
  EXPECT_EQ(Text(), "locked text");
  EXPECT_EQ(boxes.boxes().size(), 1u);
}

}  // namespace
