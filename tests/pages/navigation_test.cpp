// Finding the way in the running main window: each page's place kept in
// this run and the next, Back and Forward through the pages shown, and
// Open Page, which shows a page chosen by a few letters of its name.
#include <gtest/gtest.h>

#include <richedit.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "editing/editing.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "settings/settings.h"
#include "tree/tree.h"

namespace {

using harness::ReadBytes;
using harness::WriteBytes;
using Strings = std::vector<std::string>;

std::string LocalData;

std::string LongText(int lines) {
  std::string text;
  for (int i = 1; i <= lines; ++i) text += "line " + std::to_string(i) + " of the page\r\n";
  return text;
}

class Navigation : public harness::AppTest {
 protected:
  bool StartsInSetUp() const override { return false; }
  void SetUp() override {
    harness::AppTest::SetUp();
    LocalData = scratch / "Local";
    ASSERT_TRUE(harness::MakeDirs(LocalData));
    harness::UseLocalDataOnly(LocalData);
  }
  void Page(const std::string &relative, const std::string &bytes) {
    size_t slash = relative.rfind('\\');
    if (slash != std::string::npos) {
      ASSERT_TRUE(harness::MakeDirs(notebook / relative.substr(0, slash)));
    }
    ASSERT_TRUE(WriteBytes(notebook / relative, bytes));
  }
  void Show(const std::string &relative) {
    ASSERT_EQ(ShowPageAt((notebook / relative).c_str()), PAGE_SHOWN) << relative;
  }
  std::string Shown() {
    char path[PATH_BUFFER_SIZE];
    if (!ShownPagePath(path)) return "";
    return std::string(path).substr(notebook.path().size() + 1);
  }
  // Where the user is in the page: the selection and the top line in view.
  struct Place {
    long start, end, top;
    bool operator==(const Place &other) const {
      return start == other.start && end == other.end && top == other.top;
    }
  };
  Place Where() {
    CHARRANGE selection = {-1, -1};
    SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    long top = static_cast<long>(SendMessageA(Ui.editor, EM_GETFIRSTVISIBLELINE, 0, 0));
    return Place{selection.cpMin, selection.cpMax, top};
  }
  void GoTo(long start, long end, long top) {
    CHARRANGE selection = {start, end};
    SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    long now = static_cast<long>(SendMessageA(Ui.editor, EM_GETFIRSTVISIBLELINE, 0, 0));
    SendMessageA(Ui.editor, EM_LINESCROLL, 0, top - now);
  }
  long TextLength() {
    GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
    return static_cast<long>(
        SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0));
  }
  // The program ended as the close box ends it, and started again.
  void Restart() {
    CloseApp();
    ASSERT_EQ(MainWindow, nullptr);
    ReleaseAppResources();
    harness::ResetProgramState();
    ConfigInfo.SetFileName(settingsFile.c_str());
    harness::UseLocalDataOnly(LocalData);
    ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
    StartApp();
  }
  std::string PlacesFile() { return LocalData + "\\TAV\\Places.txt"; }

  // The Open Page dialog, left open when the box driver sees it, its
  // listing run to its end.
  HWND OpenDialog() {
    size_t seen = boxes.boxes().size();
    boxes.Handle([](HWND) {});
    ExecuteCommand(CMD_OPENPAGE);
    for (int i = 0; i < 400 && boxes.boxes().size() == seen; ++i, Sleep(5)) harness::PumpMessages();
    while (RunOpenPageSlice()) {
    }
    return OpenPageDialogWindow();
  }
  void Type(const wchar_t *text) {
    SetWindowTextW(GetDlgItem(OpenPageDialogWindow(), IDC_OPENPAGE_TEXT), text);
  }
  // The rows as "page | folder", in UTF-8.
  Strings Rows() {
    HWND list = GetDlgItem(OpenPageDialogWindow(), IDC_OPENPAGE_LIST);
    Strings rows;
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
      std::string cells;
      for (int column = 0; column < 2; ++column) {
        char utf8[900];
        WideCharToMultiByte(CP_UTF8, 0, harness::ListCell(list, row, column).c_str(), -1, utf8,
                            sizeof utf8, nullptr, nullptr);
        cells += column == 0 ? std::string(utf8) : (utf8[0] ? " | " + std::string(utf8) : "");
      }
      rows.push_back(cells);
    }
    return rows;
  }
  int SelectedRow() {
    HWND list = GetDlgItem(OpenPageDialogWindow(), IDC_OPENPAGE_LIST);
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  }
  void Enter() { SendMessageA(OpenPageDialogWindow(), WM_COMMAND, IDOK, 0); }
};

// Caret, selection and the top line come back when a page is shown again,
// in this run and after a restart.
TEST_F(Navigation, APageComesBackAtItsPlaceInThisRunAndTheNext) {
  Page("Long.tav", LongText(300));
  Page("Other.tav", "other page");
  StartApp();
  Show("Long.tav");
  GoTo(2000, 2010, 120);
  const Place place = Where();
  ASSERT_EQ(place.top, 120);
  Show("Other.tav");
  EXPECT_EQ(Where().start, 10) << "a page never left before shows its end";
  Show("Long.tav");
  EXPECT_TRUE(Where() == place) << Where().start << " " << Where().end << " " << Where().top;
  Restart();
  EXPECT_EQ(Shown(), "Long.tav");
  EXPECT_TRUE(Where() == place) << Where().start << " " << Where().end << " " << Where().top;
}

// A page left as it came back keeps its place; anything that changes which
// text is at the top while the selection and the scroll position stay (the
// text, word wrap, the window's size, the font, the display's scaling)
// makes the place be taken again, and so does a sideways scroll.
TEST_F(Navigation, APlaceComesBackAsLeftWhateverChangedSinceThePageWasShown) {
  std::string wide;
  for (int i = 1; i <= 300; ++i)
    wide += "line " + std::to_string(i) + std::string(150, i % 2 ? 'x' : 'y') + "\r\n";
  Page("Long.tav", wide);
  Page("Other.tav", "other page");
  StartApp();
  RECT frame;
  GetWindowRect(MainWindow, &frame);
  auto resize = [&](int width) {
    SetWindowPos(MainWindow, nullptr, 0, 0, width, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  auto display = [&](int dpi) {
    RECT same;
    GetWindowRect(MainWindow, &same);
    SendMessageA(MainWindow, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&same));
  };
  auto font = [](LONG height) {
    editorFont = LOGFONTA{};
    editorFont.lfHeight = height;
    strcpy(editorFont.lfFaceName, "Arial");
    ApplyEditorFont();
  };
  const struct {
    const char *name;
    std::function<void()> change, undo;
  } cases[] = {
      {"nothing", [] {}, [] {}},
      {"a line typed above", [] {
         CHARRANGE selection;
         SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
         POINT scroll;
         SendMessageA(Ui.editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
         SendMessageA(Ui.editor, EM_SETSEL, 0, 0);
         SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("typed\r\n"));
         SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
         SendMessageA(Ui.editor, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
       }, [] {}},
      {"word wrap", [] { ExecuteCommand(CMD_WORDWRAP); }, [] { ExecuteCommand(CMD_WORDWRAP); }},
      {"a narrower window", [&] {
         ExecuteCommand(CMD_WORDWRAP);
         resize((frame.right - frame.left) * 2 / 3);
       }, [&] {
         resize(frame.right - frame.left);
         ExecuteCommand(CMD_WORDWRAP);
       }},
      {"a font chosen", [&] { font(-40); }, [&] { font(-13); }},
      {"a display of 150 %", [&] { display(144); }, [&] { display(96); }},
      {"scrolled sideways", [] {
         POINT scroll;
         SendMessageA(Ui.editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
         scroll.x += 300;
         SendMessageA(Ui.editor, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
       }, [] {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Show("Long.tav");
    GoTo(15000, 15000, 120);
    Show("Other.tav");
    Show("Long.tav");  // at the place it was left at
    c.change();
    harness::PumpMessages();
    const Place left = Where();
    Show("Other.tav");
    Show("Long.tav");
    EXPECT_TRUE(Where() == left) << "at " << Where().start << " " << Where().top << ", left at "
                                 << left.start << " " << left.top;
    c.undo();
    harness::PumpMessages();
  }
}

// A page shortened by another program since opens at its end; a damaged
// file of places only means pages open as they did before.
TEST_F(Navigation, APlaceBeyondTheEndGoesToTheEndAndADamagedFileIsNoPlace) {
  Page("Long.tav", LongText(300));
  StartApp();
  Show("Long.tav");
  GoTo(5000, 5000, 220);
  Restart();
  EXPECT_EQ(Where().start, 5000);
  CloseApp();
  Page("Long.tav", LongText(20));
  Restart();
  EXPECT_EQ(Where().start, TextLength());
  EXPECT_EQ(Where().end, TextLength());
  CloseApp();
  ASSERT_TRUE(WriteBytes(PlacesFile(), "\xFF\xFE\x01\t" + std::string(5000, 'x')));
  Page("Long.tav", LongText(300));
  Restart();
  EXPECT_EQ(Where().start, TextLength());
  CloseApp();
  EXPECT_EQ(ReadBytes(PlacesFile()).rfind("TAV pages shown 1\r\n", 0), 0u) << "written anew";
}

// Back and Forward go through the pages shown, each arriving at its place;
// a page deleted meanwhile is passed over, and so are the mouse's buttons.
TEST_F(Navigation, BackAndForwardPassOverADeletedPage) {
  Page("A.tav", LongText(200));
  Page("Sub\\B.tav", "page b");
  Page("Sub\\Deep\\C.tav", "page c");
  StartApp();
  Show("A.tav");
  GoTo(700, 705, 40);
  const Place place = Where();
  Show("Sub\\B.tav");
  Show("Sub\\Deep\\C.tav");
  EXPECT_FALSE(CanGoForward());
  ASSERT_TRUE(DeleteFileA((notebook / "Sub\\B.tav").c_str()));
  ExecuteCommand(CMD_BACK);
  EXPECT_EQ(Shown(), "A.tav");
  EXPECT_TRUE(Where() == place);
  EXPECT_FALSE(CanGoBack());
  ExecuteCommand(CMD_FORWARD);
  EXPECT_EQ(Shown(), "Sub\\Deep\\C.tav");
  char label[PATH_BUFFER_SIZE];
  GetNodeLabel(TreeView_GetSelection(Ui.tree), label);
  EXPECT_STREQ(label, "Deep");
  SendMessageA(MainWindow, WM_APPCOMMAND, reinterpret_cast<WPARAM>(Ui.editor),
               MAKELPARAM(0, FAPPCOMMAND_MOUSE | APPCOMMAND_BROWSER_BACKWARD));
  EXPECT_EQ(Shown(), "A.tav");
  Page("New.tav", "made by another program");
  Show("New.tav");
  EXPECT_FALSE(CanGoForward()) << "a page shown after going back drops the pages ahead";
}

// The pages shown lately come first, then the others by the length of
// their paths; letters typed rank them again; Up and Down in the text field
// move in the list; Enter shows the page with its folder and tab.
TEST_F(Navigation, OpenPageListsRecentPagesFirstAndShowsTheOneTyped) {
  Page("Start.tav", "start");
  Page("Journal\\Day.tav", "day");
  Page("Projects\\Quotes.tav", "quotes");
  Page("Projects\\Clients\\Acme\\2026\\Q3\\Quarterly Roadmap.tav", "roadmap");
  StartApp();
  Show("Journal\\Day.tav");
  Show("Start.tav");
  ASSERT_NE(OpenDialog(), nullptr);
  EXPECT_EQ(Rows(), (Strings{"Start | (work folder)", "Day | Journal", "Quotes | Projects",
                             "Quarterly Roadmap | Projects\\Clients\\Acme\\2026\\Q3"}));
  EXPECT_EQ(SelectedRow(), 0);
  Type(L"q");
  EXPECT_EQ(Rows(), (Strings{"Quotes | Projects",
                             "Quarterly Roadmap | Projects\\Clients\\Acme\\2026\\Q3"}));
  HWND field = GetDlgItem(OpenPageDialogWindow(), IDC_OPENPAGE_TEXT);
  SendMessageA(field, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(SelectedRow(), 1);
  SendMessageA(field, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(SelectedRow(), 0);
  Type(L"qro");
  EXPECT_EQ(Rows(), Strings{"Quarterly Roadmap | Projects\\Clients\\Acme\\2026\\Q3"});
  Enter();
  EXPECT_EQ(Shown(), "Projects\\Clients\\Acme\\2026\\Q3\\Quarterly Roadmap.tav");
  char label[PATH_BUFFER_SIZE];
  GetNodeLabel(TreeView_GetSelection(Ui.tree), label);
  EXPECT_STREQ(label, "Q3");
  EXPECT_EQ(TabCtrl_GetCurSel(Ui.tabs), 0);
  EXPECT_EQ(OpenPageDialogWindow(), nullptr) << "the dialog has done its work";
}

// Pages made, renamed or deleted by TAV while the dialog is open are right
// in the list at once.
TEST_F(Navigation, OpenPageFollowsPagesTavMakesRenamesAndDeletes) {
  Page("Start.tav", "start");
  Page("Old\\Gone.tav", "gone");
  StartApp();
  ASSERT_NE(OpenDialog(), nullptr);
  boxes.Handle([](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_NAME_EDIT, "Fresh");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  ExecuteCommand(CMD_NEWPAGE);
  EXPECT_EQ(Rows(), (Strings{"Fresh | (work folder)", "Start | (work folder)", "Gone | Old"}))
      << "the page shown last comes first";
  boxes.Handle([](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_NAME_EDIT, "Renamed");
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  ExecuteCommand(CMD_RENAMEPAGE);
  EXPECT_EQ(Rows(), (Strings{"Renamed | (work folder)", "Start | (work folder)", "Gone | Old"}));
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEPAGE);
  Show("Old\\Gone.tav");
  boxes.Answer(IDYES);
  ExecuteCommand(CMD_DELETEFOLDER);
  while (RunOpenPageSlice()) {
  }
  EXPECT_EQ(Rows(), Strings{"Start | (work folder)"});
  EXPECT_EQ(boxes.unexpected(), 0);
}

// With no match the list says so and Enter does nothing; while the main
// window asks a question, Enter leaves the page it asks about alone.
TEST_F(Navigation, OpenPageSaysWhenNothingMatchesAndWaitsForAQuestion) {
  Page("Start.tav", "start");
  Page("Sub\\Quotes.tav", "quotes");
  StartApp();
  ASSERT_NE(OpenDialog(), nullptr);
  Type(L"zzz");
  EXPECT_EQ(Rows(), Strings{"No page matches."});
  Enter();
  EXPECT_EQ(Shown(), "Start.tav");
  Type(L"quo");
  EnableWindow(MainWindow, FALSE);  // as a message box of the main window does
  Enter();
  EXPECT_EQ(Shown(), "Start.tav");
  EnableWindow(MainWindow, TRUE);
  Enter();
  EXPECT_EQ(Shown(), "Sub\\Quotes.tav");
}

}  // namespace
