// The toolbar's arrangement: the default one, one kept in the settings file
// (hand-edited values included), its saving, the customize dialog with its
// Reset, and the names and tooltips of the buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/harness.h"
#include "settings/settings.h"
#include "toolbar/toolbar.h"

namespace {

using Ids = std::vector<int>;  // command ids along the toolbar, 0 for a separator

const Ids DefaultIds = {CMD_NEWPAGE, CMD_DELETEPAGE, 0,          CMD_CUT,    CMD_COPY,    CMD_PASTE,
                        0,           CMD_DATETIME,   0,          CMD_IMPORT, CMD_EXPORT,  0,
                        CMD_MOVEUP,  CMD_PREVPAGE,   CMD_NEXTPAGE, 0,        CMD_EXIT};

// Command ids of the buttons built from the settings file now in use.
Ids BuiltIds() {
  TBBUTTON *buttons = nullptr;
  int count = 0;
  BuildToolbarButtons(&buttons, &count);
  Ids ids;
  for (int i = 0; i < count; ++i) ids.push_back(buttons[i].idCommand);
  delete[] buttons;
  return ids;
}

// The stored arrangement: Count values, -2 where no key was written.
std::vector<int> StoredLayout() {
  std::vector<int> values;
  int count = ConfigInfo.ReadInt("ToolBar", "Count", -2);
  for (int i = 0; i < count; ++i)
    values.push_back(ConfigInfo.ReadInt("ToolBar", ("Button" + std::to_string(i)).c_str(), -2));
  return values;
}

class ToolbarApp : public harness::AppTest {
 protected:
  bool StartsInSetUp() const override { return false; }
  void Start(const std::string &toolbarSection = "") {
    WriteSettings("[Settings]\r\nWorkDir=" + notebook.path() + "\r\n" + toolbarSection);
    StartApp();
  }
  // Command ids on the toolbar; every button shows its catalogue image.
  Ids ShownIds() {
    Ids ids;
    int count = static_cast<int>(SendMessageA(Ui.toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      TBBUTTON button = {};
      EXPECT_TRUE(SendMessageA(Ui.toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)));
      bool separator = (button.fsStyle & TBSTYLE_SEP) != 0;
      EXPECT_EQ(separator, button.idCommand == 0) << "position " << i;
      if (!separator) {
        EXPECT_TRUE(button.iBitmap >= 0 && button.iBitmap < CATALOGUE_SIZE &&
                    ButtonCatalogue[button.iBitmap].idCommand == button.idCommand)
            << "image of position " << i;
      }
      ids.push_back(button.idCommand);
    }
    return ids;
  }
  void DeleteButton(int position) { SendMessageA(Ui.toolbar, TB_DELETEBUTTON, position, 0); }
};

TEST_F(ToolbarApp, FirstStartShowsTheDefaultLayoutAndExitSavesIt) {
  Start();
  EXPECT_EQ(ShownIds(), DefaultIds);
  CloseApp();
  EXPECT_EQ(StoredLayout(),
            (std::vector<int>{0, 1, -1, 3, 4, 5, -1, 16, -1, 6, 7, -1, 19, 8, 9, -1, 10}));
}

TEST_F(ToolbarApp, StoredLayoutIsShownWithOddValuesAsSeparatorsAndSavedAgain) {
  // Refresh twice, 27 (outside the catalogue) and a missing Button4; Button6
  // lies beyond Count.
  Start("[ToolBar]\r\nCount=6\r\nButton0=26\r\nButton1=-1\r\nButton2=26\r\nButton3=27\r\n"
        "Button5=13\r\nButton6=5\r\n");
  EXPECT_EQ(ShownIds(), (Ids{CMD_REFRESH, 0, CMD_REFRESH, 0, 0, CMD_FIND}));
  SaveToolbarLayout();
  EXPECT_EQ(StoredLayout(), (std::vector<int>{26, -1, 26, -1, -1, 13}));
}

TEST(ToolbarLayout, UnusableCountsGiveTheDefaultLayout) {
  harness::TempDir folder;
  std::string file = folder / "TAV.INI";
  std::string kept = ConfigInfo.FileName();
  ConfigInfo.SetFileName(file.c_str());
  for (const char *count :
       {"", "Count=0\r\n", "Count=-3\r\n", "Count=2000000000\r\n", "Count=x\r\n"}) {
    ASSERT_TRUE(harness::WriteBytes(file, std::string("[ToolBar]\r\n") + count + "Button0=13\r\n"));
    EXPECT_EQ(BuiltIds(), DefaultIds) << count;
  }
  ConfigInfo.SetFileName(kept.c_str());
}

TEST_F(ToolbarApp, AnEmptiedToolbarIsSavedAsCountZeroAndComesBackAsTheDefault) {
  Start("[ToolBar]\r\nCount=2\r\nButton0=13\r\nButton1=14\r\n");
  DeleteButton(1);
  DeleteButton(0);
  CloseApp();
  EXPECT_EQ(ConfigInfo.ReadInt("ToolBar", "Count", -2), 0);
  EXPECT_EQ(BuiltIds(), DefaultIds);
}

// The customize dialog of the platform's toolbar, as this platform lays it out.
enum { AVAILABLE_LIST = 201, RESET_BUTTON = 202, TOOLBAR_LIST = 203, REMOVE_BUTTON = 204 };

void Click(HWND dialog, int control, int code = BN_CLICKED) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(control, code),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, control)));
}

TEST_F(ToolbarApp, CustomizeSavesOnOpeningAndResetReturnsThere) {
  Start("[ToolBar]\r\nCount=4\r\nButton0=13\r\nButton1=-1\r\nButton2=15\r\nButton3=14\r\n");
  DeleteButton(3);  // the arrangement at the opening differs from the stored one
  const Ids opening = {CMD_FIND, 0, CMD_REPLACE};
  bool driven = false;
  boxes.Handle([&](HWND dialog) {
    driven = true;
    EXPECT_EQ(StoredLayout(), (std::vector<int>{13, -1, 15}));
    // The catalogue entries not on the toolbar, and a separator.
    EXPECT_EQ(SendDlgItemMessageA(dialog, AVAILABLE_LIST, LB_GETCOUNT, 0, 0), 27 - 2 + 1);
    for (int i = 0; i < 2; ++i) {
      SendDlgItemMessageA(dialog, TOOLBAR_LIST, LB_SETCURSEL, 0, 0);
      Click(dialog, TOOLBAR_LIST, LBN_SELCHANGE);
      Click(dialog, REMOVE_BUTTON);
    }
    EXPECT_EQ(ShownIds(), Ids{CMD_REPLACE});
    Click(dialog, RESET_BUTTON);
    EXPECT_EQ(ShownIds(), opening);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  ExecuteCommand(CMD_CUSTOMIZE);
  EXPECT_TRUE(driven);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Customize Toolbar");
  EXPECT_EQ(ShownIds(), opening);
}

TEST_F(ToolbarApp, CatalogueNamesForTheDialogAndTooltipsFromTheStringTable) {
  Start();
  std::vector<std::string> names;
  char name[64];
  NMTOOLBARA info = {};
  info.hdr = {Ui.toolbar, ID_TOOLBAR, static_cast<UINT>(TBN_GETBUTTONINFOA)};
  info.cchText = 5;
  for (info.pszText = name; SendMessageA(MainWindow, WM_NOTIFY, ID_TOOLBAR,
                                         reinterpret_cast<LPARAM>(&info)); ++info.iItem) {
    EXPECT_EQ(info.tbButton.iBitmap, info.iItem);
    EXPECT_EQ(info.tbButton.idCommand, ButtonCatalogue[info.iItem].idCommand);
    names.push_back(name);
    info.cchText = sizeof name;
  }
  ASSERT_EQ(names.size(), 27u);
  EXPECT_EQ(names[0], "Crea") << "cut to the room offered";
  EXPECT_EQ(names[8], "Previos Page");

  HWND tips = reinterpret_cast<HWND>(SendMessageA(Ui.toolbar, TB_GETTOOLTIPS, 0, 0));
  for (int id : {CMD_PREVPAGE, CMD_DELETEPAGE}) {
    char text[80] = "";
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = Ui.toolbar;
    tool.uId = id;
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, id == CMD_PREVPAGE ? "Previous Page" : "Delete Current Page");
  }
}

}  // namespace
