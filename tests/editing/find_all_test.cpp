// Find in All Pages in the running main window: every page below the work
// folder searched, in every encoding, the page shown as the editor holds
// it, pages that cannot be read named, and a match opened from the list.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "app/display_scale.h"
#include "base/platform_seam.h"
#include "editing/editing_fixture.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

namespace {

using Strings = std::vector<std::string>;

class FindAll : public EditingApp {
 protected:
  void Page(const std::string &relative, const std::string &bytes) {
    size_t slash = relative.rfind('\\');
    if (slash != std::string::npos) {
      ASSERT_TRUE(harness::MakeDirs(notebook / relative.substr(0, slash)));
    }
    ASSERT_TRUE(harness::WriteBytes(notebook / relative, bytes));
  }
  // The whole search, slice after slice, as the idle step runs it.
  void Search(const std::wstring &text, bool matchCase = false, bool wholeWord = false) {
    ASSERT_TRUE(StartFindAll(SearchPattern{text, matchCase, wholeWord}));
    for (int slices = 0; RunFindAllSlice(); ++slices) ASSERT_LT(slices, 10000);
  }
  // The rows as "folder/page:line: text".
  Strings Rows() {
    Strings rows;
    for (const FoundRow &row : FoundRows()) {
      char text[400];
      WideCharToMultiByte(CP_UTF8, 0, row.text.c_str(), -1, text, sizeof text, nullptr, nullptr);
      rows.push_back(row.folder + "/" + row.page + ":" + std::to_string(row.line) + ": " + text);
    }
    return rows;
  }
};

TEST_F(FindAll, ListsEveryMatchOfEveryPageInTreeOrder) {
  Page("Work\\Plan.tav", "monday\r\nthe budget meeting\r\n");
  Page("Home\\List.tav", "milk\nbudget for food\n");
  Page("Home\\Deep\\Notes.tav", std::string("\xFF\xFE" "b\0u\0d\0g\0e\0t\0", 14));
  Page("Home\\Caf\xC3\xA9.tav", "\xEF\xBB\xBF" "no match here");
  Page("Root.tav", "Budget, budgets and the BUDGET");
  Page("Legacy.tav", "d\xE9j\xE0 budget");
  Page("Ignored.txt", "budget");
  ASSERT_TRUE(RefreshTree());
  Search(L"budget", false, true);
  EXPECT_EQ(Rows(), (Strings{"/Legacy:1: d\xC3\xA9j\xC3\xA0 budget",
                             "/Root:1: Budget, budgets and the BUDGET",
                             "/Root:1: Budget, budgets and the BUDGET",
                             "Home/List:2: budget for food",
                             "Home\\Deep/Notes:1: budget",
                             "Work/Plan:2: the budget meeting"}))
      << "pages of a folder in listing order, folders in the tree's";
  EXPECT_EQ(UnreadablePageCount(), 0u);
  EXPECT_FALSE(FindAllRunning());
}

// The page shown is searched as the editor holds it, unsaved text included;
// a word beyond ASCII is found in a UTF-8 page.
TEST_F(FindAll, FindsUnsavedTextAndWordsBeyondAscii) {
  Page("Shown.tav", "saved text");
  Page("Sub\\Other.tav", "Gr\xC3\xBC\xC3\x9F" "e aus M\xC3\xBCnchen");
  ASSERT_TRUE(RefreshTree());
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" gr\xC3\xBC\xC3\x9F" "e"));
  Search(L"gr\u00fc\u00dfe");
  EXPECT_EQ(Rows(), (Strings{"/Shown:1: saved text gr\xC3\xBC\xC3\x9F" "e",
                             "Sub/Other:1: Gr\xC3\xBC\xC3\x9F" "e aus M\xC3\xBCnchen"}));
  EXPECT_EQ(harness::ReadBytes(notebook / "Shown.tav"), "saved text") << "nothing is saved";
}

// A page that cannot be read is counted and named when the search ends.
TEST_F(FindAll, PagesThatCannotBeReadAreNamed) {
  Page("a.tav", "one match");
  Page("Sub\\held.tav", "match too");
  ASSERT_TRUE(RefreshTree());
  HANDLE held = CreateFileA((notebook / "Sub\\held.tav").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  boxes.Answer(IDOK);
  Search(L"match");
  CloseHandle(held);
  EXPECT_EQ(Rows(), Strings{"/a:1: one match"});
  EXPECT_EQ(UnreadablePageCount(), 1u);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text.rfind("1 page could not be read and was not searched:\n'Sub\\held.tav': ", 0), 0u)
      << boxes.boxes()[0].text;
}

// Pages a cloud drive keeps online only are never opened to be searched
// (that would fetch them): they are counted and said. The tree and the tabs
// list them as usual, and showing one opens it.
DWORD OnlineOnlyWhenNamedCloud(const WCHAR *name, DWORD attributes) {
  return wcsncmp(name, L"cloud", 5) == 0 ? attributes | 0x00400000 : attributes;
}

TEST_F(FindAll, PagesKeptOnlineOnlyAreCountedNotOpened) {
  Page("Page.tav", "match");
  Page("a.tav", "match");
  Page("cloud1.tav", "match");
  Page("Sub\\cloud2.tav", "match");
  Platform.listedAttributes = OnlineOnlyWhenNamedCloud;
  ASSERT_TRUE(RefreshTree());
  HANDLE held = CreateFileA((notebook / "Sub\\cloud2.tav").c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE) << "held, so that opening it would be noticed";
  boxes.Handle([](HWND) {});  // the dialog itself, left open
  ExecuteCommand(CMD_FINDALL);
  for (int i = 0; i < 400 && boxes.boxes().empty(); ++i, Sleep(5)) harness::PumpMessages();
  Search(L"match");
  CloseHandle(held);
  EXPECT_EQ(Rows(), (Strings{"/a:1: match", "/Page:1: match"}));
  EXPECT_EQ(OnlineOnlyPageCount(), 2u);
  EXPECT_EQ(UnreadablePageCount(), 0u);
  char status[200] = "";
  GetDlgItemTextA(FindAllDialogWindow(), IDC_FINDALL_STATUS, status, sizeof status);
  EXPECT_STREQ(status,
               "2 matches in 2 of 2 pages searched; 2 pages are stored online only and were not "
               "searched");
  EXPECT_EQ(TabCtrl_GetItemCount(Ui.tabs), 3) << "listed as usual";
  SendMessageA(Ui.tabs, TCM_SETCURFOCUS, 2, 0);
  harness::PumpMessages();
  EXPECT_EQ(harness::WindowText(Ui.editor), "match") << "showing it opens it";
}

// A row in a branch the tree has not listed yet, made after the tree drew
// its folder without an expand button: the folders on its way are listed,
// and its folder and page shown.
TEST_F(FindAll, ARowInABranchNotListedYetShowsItsPage) {
  Page("Start.tav", "start");
  ASSERT_TRUE(harness::MakeDirs(notebook / "Far"));
  ASSERT_TRUE(RefreshTree());
  HTREEITEM farNode = TreeView_GetChild(Ui.tree, TreeView_GetRoot(Ui.tree));
  TVITEMA item = {};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = farNode;
  SendMessageA(Ui.tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  ASSERT_EQ(item.cChildren, 0) << "drawn without a button";
  Page("Far\\Away\\Deep.tav", "the word is here");
  Search(L"word");
  ASSERT_EQ(Rows(), Strings{"Far\\Away/Deep:1: the word is here"});
  OpenFoundRow(0);
  HTREEITEM away = TreeView_GetSelection(Ui.tree);
  char label[PATH_BUFFER_SIZE];
  GetNodeLabel(away, label);
  EXPECT_STREQ(label, "Away");
  EXPECT_EQ(TreeView_GetParent(Ui.tree, away), farNode);
  EXPECT_TRUE(TreeView_GetItemState(Ui.tree, farNode, TVIS_EXPANDED) & TVIS_EXPANDED);
  EXPECT_EQ(harness::WindowText(Ui.editor), "the word is here");
  EXPECT_TRUE(boxes.boxes().empty());
}

// The dialog: Find starts the search, its rows appear in the list, Enter on
// a row shows its page by the page protocol (the page left saved), its
// folder and tab selected and the match selected in the editor; Escape
// closes.
TEST_F(FindAll, TheDialogSearchesAndOpensARowWithEnter) {
  Page("Start.tav", "start");
  Page("Sub\\A.tav", "first page");
  Page("Sub\\B.tav", "line one\r\nline two has the word here\r\n");
  ASSERT_TRUE(RefreshTree());
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" typed"));
  boxes.Handle([](HWND) {});  // the dialog itself, left open
  ExecuteCommand(CMD_FINDALL);
  HWND dialog = FindAllDialogWindow();
  for (int i = 0; i < 400 && boxes.boxes().empty(); ++i, Sleep(5)) harness::PumpMessages();
  ASSERT_NE(dialog, nullptr);
  SetDlgItemTextA(dialog, IDC_FINDALL_TEXT, "word");
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(FindAllRunning());
  while (RunIdleStep(1)) {
  }
  HWND list = GetDlgItem(dialog, IDC_FINDALL_RESULTS);
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(harness::ListCell(list, 0, 3), L"line two has the word here");
  LVITEMA select = {};
  select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
  SetFocus(list);
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);  // Enter, with the focus on the list
  EXPECT_EQ(harness::ReadBytes(notebook / "Start.tav"), "start typed");
  char label[PATH_BUFFER_SIZE];
  GetNodeLabel(TreeView_GetSelection(Ui.tree), label);
  EXPECT_STREQ(label, "Sub");
  char page[PATH_BUFFER_SIZE];
  GetPageName(TabCtrl_GetCurSel(Ui.tabs), page);
  EXPECT_STREQ(page, "B");
  EXPECT_EQ(Selection(), Range(26, 30)) << "9 positions for line one and its break, 17 into line two";
  EXPECT_EQ(GetFocus(), Ui.editor);
  SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindow(dialog));
}

// The dialog is in the system's message font; its columns are made for its
// display, and kept in proportion when it moves to a display of another
// scaling (sent here as Windows sends it; Wine has one display).
TEST_F(FindAll, TheDialogIsInTheMessageFontAndFollowsItsDisplay) {
  boxes.Handle([](HWND) {});  // the dialog itself, left open
  ExecuteCommand(CMD_FINDALL);
  HWND dialog = FindAllDialogWindow();
  ASSERT_NE(dialog, nullptr);
  LOGFONTW message;
  ASSERT_TRUE(MessageFontForDpi(96, &message));
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, message.lfFaceName);
  HWND list = GetDlgItem(dialog, IDC_FINDALL_RESULTS);
  auto widths = [list] {
    std::vector<int> columns;
    for (int i = 0; i < 4; ++i)
      columns.push_back(static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0)));
    return columns;
  };
  const int dpi = DpiOfWindow(dialog);
  EXPECT_EQ(widths(), (std::vector<int>{ScaleForDpi(110, dpi), ScaleForDpi(110, dpi),
                                        ScaleForDpi(45, dpi), ScaleForDpi(420, dpi)}));
  RECT suggested = {10, 20, 1210, 820};  // above the smallest size, now twice as large
  SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(widths(), (std::vector<int>{2 * ScaleForDpi(110, dpi), 2 * ScaleForDpi(110, dpi),
                                        2 * ScaleForDpi(45, dpi), 2 * ScaleForDpi(420, dpi)}));
  RECT now;
  GetWindowRect(dialog, &now);
  EXPECT_TRUE(EqualRect(&now, &suggested));
  SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

// While the main window asks a question, a row opened in Find in All Pages
// changes neither folder nor page: the delete, the rename and the save ask
// about One\B or One\A and act on exactly that page.
TEST_F(FindAll, ARowOpenedWhileTheMainWindowAsksChangesNothing) {
  Page("One\\A.tav", "page A");
  Page("One\\B.tav", "page B");
  Page("Two\\X.tav", "x");
  Page("Two\\Y.tav", "needle");
  ASSERT_TRUE(RefreshTree());
  ASSERT_TRUE(SelectFolderOfPage((notebook / "One\\B.tav").c_str()));
  Search(L"needle");
  ASSERT_EQ(FoundRows().size(), 1u);
  auto openRowThen = [](int button, const char *name) {
    return [button, name](HWND box) {
      OpenFoundRow(0);
      if (name != nullptr) SetDlgItemTextA(box, IDC_NAME_EDIT, name);
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    };
  };
  boxes.Handle(openRowThen(IDYES, nullptr));  // "Delete page 'B'?"
  ExecuteCommand(CMD_DELETEPAGE);
  EXPECT_FALSE(harness::FileExists(notebook / "One\\B.tav"));
  EXPECT_EQ(harness::ReadBytes(notebook / "Two\\Y.tav"), "needle");

  boxes.Handle(openRowThen(IDOK, "C"));  // the name dialog, renaming A
  ExecuteCommand(CMD_RENAMEPAGE);
  EXPECT_EQ(harness::ListNames(notebook / "One"), Strings{"C.tav"});
  EXPECT_EQ(harness::ListNames(notebook / "Two"), (Strings{"X.tav", "Y.tav"}));

  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" mine"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "One\\C.tav", "changed elsewhere"));
  boxes.Handle(openRowThen(IDYES, nullptr));  // replace the page changed on disk
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(harness::ReadBytes(notebook / "One\\C.tav"), "page A mine");
  EXPECT_EQ(harness::ReadBytes(notebook / "One\\C (other version).txt"), "changed elsewhere");
  EXPECT_EQ(harness::ListNames(notebook / "Two"), (Strings{"X.tav", "Y.tav"}));
  EXPECT_EQ(Text(), "page A mine");
  EXPECT_FALSE(EditorIsModified());
  EXPECT_EQ(boxes.boxes().size(), 3u);
}

}  // namespace
