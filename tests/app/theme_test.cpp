// The program's two looks: the rules that choose one, the colours of each,
// and the main window following Windows' app mode and the user's choice at
// once, every pane with it, the page shown untouched.
#include "harness/harness.h"

#include <richedit.h>

#include "app/command_status.h"
#include "base/theme.h"
#include "editing/editing.h"
#include "pages/pages.h"
#include "settings/settings.h"

namespace {

TEST(ThemeRules, TheChoiceWindowsModeAndHighContrastDecideTheLook) {
  const AppModeValue missing = {false, 0}, dark = {true, 0}, light = {true, 1}, other = {true, 7};
  const struct {
    const char *label;
    int choice;
    AppModeValue appMode;
    bool highContrast;
    ThemeMode look;
  } cases[] = {
      {"system, no value: light", 0, missing, false, THEME_MODE_LIGHT},
      {"system, dark", 0, dark, false, THEME_MODE_DARK},
      {"system, light", 0, light, false, THEME_MODE_LIGHT},
      {"system, any value but 0 is light", 0, other, false, THEME_MODE_LIGHT},
      {"light chosen on a dark system", 1, dark, false, THEME_MODE_LIGHT},
      {"dark chosen on a light system", 2, light, false, THEME_MODE_DARK},
      {"dark chosen, no value", 2, missing, false, THEME_MODE_DARK},
      {"a choice out of range follows the system", 5, dark, false, THEME_MODE_DARK},
      {"a negative choice follows the system", -1, light, false, THEME_MODE_LIGHT},
      {"high contrast over a dark choice", 2, light, true, THEME_MODE_SYSTEM_COLOURS},
      {"high contrast over Windows' dark mode", 0, dark, true, THEME_MODE_SYSTEM_COLOURS},
      {"high contrast over a light choice", 1, dark, true, THEME_MODE_SYSTEM_COLOURS},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ChooseThemeMode(c.choice, c.appMode, c.highContrast), c.look) << c.label;
  const int stored[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 0}, {-1, 0}, {0x7FFFFFFF, 0}};
  for (const auto &s : stored) EXPECT_EQ(ThemeChoiceFromStored(s[0]), s[1]) << s[0];
}

TEST(ThemeRules, EveryTextStandsOutSevenToOneInBothLooks) {
  EXPECT_NEAR(ContrastRatio(RGB(0, 0, 0), RGB(255, 255, 255)), 21.0, 0.01);
  EXPECT_NEAR(ContrastRatio(RGB(255, 255, 255), RGB(0, 0, 0)), 21.0, 0.01);
  EXPECT_NEAR(ContrastRatio(RGB(119, 119, 119), RGB(119, 119, 119)), 1.0, 0.001);
  for (ThemeMode mode : {THEME_MODE_LIGHT, THEME_MODE_DARK}) {
    const ThemeColours &c = ColoursOfMode(mode);
    const struct {
      const char *label;
      COLORREF text, background;
    } pairs[] = {
        {"text on window", c.text, c.window},
        {"selected text", c.selectionText, c.selection},
        {"face text", c.faceText, c.face},
        {"face text on the selected tab", c.faceText, c.faceHot},
    };
    for (const auto &p : pairs)
      EXPECT_GE(ContrastRatio(p.text, p.background), 7.0)
          << (mode == THEME_MODE_DARK ? "dark: " : "light: ") << p.label;
  }
  // The dark look is dark: its surfaces are nearer black than white.
  const ThemeColours &dark = ColoursOfMode(THEME_MODE_DARK);
  for (COLORREF surface : {dark.window, dark.face, dark.splitter})
    EXPECT_GT(ContrastRatio(surface, RGB(255, 255, 255)), ContrastRatio(surface, RGB(0, 0, 0)));
}

TEST(ThemeRules, OnlyTheImmersiveColourSetIsAChangeOfWindowsMode) {
  EXPECT_TRUE(IsAppModeChange("ImmersiveColorSet"));
  for (const char *other : {"Policy", "WindowMetrics", "intl", "", "ImmersiveColorSetX"})
    EXPECT_FALSE(IsAppModeChange(other)) << other;
  EXPECT_FALSE(IsAppModeChange(nullptr));
}

const char PersonalizeKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Windows' app mode as the test sets it, put back as it was at the end.
class AppModeInRegistry {
 public:
  AppModeInRegistry() {
    DWORD size = sizeof before_;
    had_ = RegGetValueA(HKEY_CURRENT_USER, PersonalizeKey, "AppsUseLightTheme", RRF_RT_REG_DWORD,
                        nullptr, &before_, &size) == ERROR_SUCCESS;
  }
  ~AppModeInRegistry() {
    if (had_)
      Set(before_);
    else
      RegDeleteKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, "AppsUseLightTheme");
  }
  void Set(DWORD value) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, PersonalizeKey, "AppsUseLightTheme", REG_DWORD,
                              &value, sizeof value),
              ERROR_SUCCESS);
  }

 private:
  bool had_;
  DWORD before_ = 1;
};

// What the window shows at a point of its client area, drawn now.
COLORREF PixelAt(HWND window, int x, int y) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = GetDC(window);
  COLORREF pixel = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return pixel;
}

// The panes' background: the editor's and the tree's client areas well
// away from any text, the tab strip right of its tabs, the toolbar right
// of its buttons, the splitter bar's middle.
struct PanePixels {
  COLORREF editor, tree, tabs, toolbar, splitter;
};
PanePixels ReadPanes() {
  RECT editor, tree, tabs, toolbar, splitter;
  GetClientRect(Ui.editor, &editor);
  GetClientRect(Ui.tree, &tree);
  GetClientRect(Ui.tabs, &tabs);
  GetClientRect(Ui.toolbar, &toolbar);
  GetClientRect(Ui.splitter, &splitter);
  return {PixelAt(Ui.editor, editor.right - 30, editor.bottom - 30),
          PixelAt(Ui.tree, tree.right - 10, tree.bottom - 10),
          PixelAt(Ui.tabs, tabs.right - 5, 5), PixelAt(Ui.toolbar, toolbar.right - 5, 5),
          PixelAt(Ui.splitter, splitter.right / 2, splitter.bottom / 2)};
}

bool IsDarkPixel(COLORREF pixel) {
  return pixel != CLR_INVALID && ContrastRatio(pixel, RGB(0, 0, 0)) < 3.0;
}

class ThemeTest : public harness::AppTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness::WriteBytes(notebook / "Page.tav", "first line\r\nsecond line\r\n"));
    appMode.Set(1);
    AppTest::SetUp();
    ASSERT_TRUE(HasPages);
  }
  void SendAppModeChange() {
    SendMessageA(MainWindow, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("ImmersiveColorSet"));
    harness::PumpMessages();
  }
  AppModeInRegistry appMode;
};

void ExpectPanes(bool dark, const char *when) {
  PanePixels panes = ReadPanes();
  const struct {
    const char *pane;
    COLORREF pixel;
  } shown[] = {{"editor", panes.editor},   {"tree", panes.tree},        {"tabs", panes.tabs},
               {"toolbar", panes.toolbar}, {"splitter", panes.splitter}};
  for (const auto &s : shown)
    EXPECT_EQ(IsDarkPixel(s.pixel), dark) << when << ": " << s.pane << " shows " << std::hex
                                          << s.pixel;
}

// The switch leaves the page as it was: its text, the selection, the line
// at the top, whether it has unsaved changes and what Undo would take back.
TEST_F(ThemeTest, WindowsModeChangedSwitchesEveryPaneBothWaysAndLeavesThePage) {
  ExpectPanes(false, "at start");
  SendMessageA(Ui.editor, EM_SETSEL, 3, 8);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("X"));
  SendMessageA(Ui.editor, EM_SETSEL, 1, 4);
  const std::string text = harness::WindowText(Ui.editor);
  const LRESULT canUndo = SendMessageA(Ui.editor, EM_CANUNDO, 0, 0);
  ASSERT_TRUE(EditorIsModified());

  appMode.Set(0);
  SendMessageA(MainWindow, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("WindowMetrics"));
  harness::PumpMessages();
  EXPECT_FALSE(ThemeIsDark()) << "another setting's change is not the app mode's";
  SendAppModeChange();
  EXPECT_TRUE(ThemeIsDark());
  ExpectPanes(true, "dark");
  DWORD start = 0, end = 0;
  SendMessageA(Ui.editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 4u);
  EXPECT_EQ(harness::WindowText(Ui.editor), text);
  EXPECT_TRUE(EditorIsModified());
  EXPECT_EQ(SendMessageA(Ui.editor, EM_CANUNDO, 0, 0), canUndo);

  appMode.Set(1);
  SendAppModeChange();
  EXPECT_FALSE(ThemeIsDark());
  ExpectPanes(false, "light again");
  EXPECT_EQ(harness::WindowText(Ui.editor), text);
  EXPECT_TRUE(EditorIsModified());
  // Undo takes back the typing, not a change of colour.
  SendMessageA(Ui.editor, EM_UNDO, 0, 0);
  EXPECT_EQ(harness::WindowText(Ui.editor), "first line\r\nsecond line\r\n");
}

// A page saved in the dark look holds its text and nothing of its colour.
TEST_F(ThemeTest, APageSavedDarkHoldsOnlyItsText) {
  ExecuteCommand(CMD_THEMEDARK);
  ASSERT_TRUE(ThemeIsDark());
  SendMessageA(Ui.editor, EM_SETSEL, 0, 0);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("new "));
  ExecuteCommand(CMD_SAVENOW);
  EXPECT_EQ(harness::ReadBytes(notebook / "Page.tav"), "new first line\r\nsecond line\r\n");
}

// The text of the page shown, all of it, in the colour of the look.
void ExpectPageTextColour(COLORREF colour, bool automatic, const char *when) {
  CHARRANGE kept = {}, all = {0, -1};
  SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  CHARFORMATA format = {};
  format.cbSize = sizeof format;
  SendMessageA(Ui.editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  ASSERT_TRUE(format.dwMask & CFM_COLOR) << when << ": more than one colour";
  EXPECT_EQ((format.dwEffects & CFE_AUTOCOLOR) != 0, automatic) << when;
  if (!automatic) EXPECT_EQ(format.crTextColor, colour) << when;
}

// Pages shown after the switch take its colours too, and so does a page
// whose font was chosen while it was shown (its text then has a format of
// its own).
TEST_F(ThemeTest, PagesShownLaterAndAFontChosenKeepTheLook) {
  ASSERT_TRUE(harness::WriteBytes(notebook / "Second.tav", "another page"));
  ExecuteCommand(CMD_REFRESH);
  ExecuteCommand(CMD_THEMEDARK);
  ExpectPageTextColour(CurrentColours().text, false, "the page shown");
  ExecuteCommand(CMD_NEXTPAGE);
  ASSERT_EQ(harness::WindowText(Ui.editor).substr(0, 7), "another");
  ExpectPageTextColour(CurrentColours().text, false, "the next page");
  editorFont.lfHeight = -16;
  editorFont.lfWeight = FW_BOLD;
  lstrcpynA(editorFont.lfFaceName, "Arial", LF_FACESIZE);
  ApplyEditorFont();
  const bool modified = EditorIsModified();  // Wine marks a font set on the text as a change
  ExecuteCommand(CMD_THEMELIGHT);
  ExpectPageTextColour(0, true, "light after a font was chosen");
  EXPECT_EQ(EditorIsModified(), modified) << "a colour is no change of the page";
  SendMessageA(Ui.editor, EM_SETMODIFY, FALSE, 0);
  ExecuteCommand(CMD_THEMEDARK);
  ExpectPageTextColour(CurrentColours().text, false, "dark after a font was chosen");
  EXPECT_FALSE(EditorIsModified());
}

// High contrast wins over a dark choice while it is on, and its change is
// followed like the app mode's.
TEST_F(ThemeTest, HighContrastShowsTheSystemsColours) {
  ExecuteCommand(CMD_THEMEDARK);
  ASSERT_TRUE(ThemeIsDark());
  HIGHCONTRASTA contrast = {};
  contrast.cbSize = sizeof contrast;
  contrast.dwFlags = HCF_HIGHCONTRASTON;
  if (!SystemParametersInfoA(SPI_SETHIGHCONTRAST, sizeof contrast, &contrast, 0) ||
      !HighContrastIsOn())
    GTEST_SKIP() << "high contrast cannot be switched on here";
  SendMessageA(MainWindow, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  bool darkUnderHighContrast = ThemeIsDark();
  contrast.dwFlags = 0;
  SystemParametersInfoA(SPI_SETHIGHCONTRAST, sizeof contrast, &contrast, 0);
  EXPECT_FALSE(darkUnderHighContrast);
  EXPECT_EQ(CurrentThemeMode(), THEME_MODE_SYSTEM_COLOURS);
  SendMessageA(MainWindow, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  EXPECT_TRUE(ThemeIsDark()) << "dark again once high contrast is off";
}

bool MenuChecked(int command) {
  HMENU options = GetSubMenu(GetMenu(MainWindow), 4);
  HMENU themes = GetSubMenu(options, 2);
  SendMessageA(MainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(themes), 2);
  MENUITEMINFOA item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STATE | MIIM_FTYPE;
  GetMenuItemInfoA(themes, command, FALSE, &item);
  EXPECT_TRUE(item.fType & MFT_RADIOCHECK) << command;
  return (item.fState & MFS_CHECKED) != 0;
}

// The user's choice wins over Windows' mode, shows as the one item checked,
// and is kept in TAV.INI for the next start.
TEST_F(ThemeTest, TheUsersChoiceWinsIsCheckedAndKept) {
  appMode.Set(0);
  SendAppModeChange();
  ASSERT_TRUE(ThemeIsDark());
  EXPECT_TRUE(MenuChecked(CMD_THEMESYSTEM));
  ExecuteCommand(CMD_THEMELIGHT);
  EXPECT_FALSE(ThemeIsDark());
  ExpectPanes(false, "light chosen on a dark system");
  EXPECT_FALSE(MenuChecked(CMD_THEMESYSTEM));
  EXPECT_TRUE(MenuChecked(CMD_THEMELIGHT));
  EXPECT_FALSE(MenuChecked(CMD_THEMEDARK));
  SendAppModeChange();
  EXPECT_FALSE(ThemeIsDark()) << "the user's light stays";
  appMode.Set(1);
  ExecuteCommand(CMD_THEMEDARK);
  EXPECT_TRUE(ThemeIsDark());
  EXPECT_TRUE(MenuChecked(CMD_THEMEDARK));
  CloseApp();
  std::string stored;
  ASSERT_TRUE(ReadStoredValueBytes(settingsFile.c_str(), "Settings", "Theme", &stored));
  EXPECT_EQ(stored, "2");

  // The next start is dark from the first: Windows is light, the choice dark.
  ReleaseAppResources();
  harness::ResetProgramState();
  ConfigInfo.SetFileName(settingsFile.c_str());
  StartApp();
  EXPECT_TRUE(ThemeIsDark());
  EXPECT_TRUE(MenuChecked(CMD_THEMEDARK));
  ExpectPanes(true, "started dark");
}

// A hand-edited value that is no choice follows the system.
TEST_F(ThemeTest, AStoredThemeThatIsNoChoiceFollowsWindows) {
  CloseApp();
  ReleaseAppResources();
  harness::ResetProgramState();
  ConfigInfo.SetFileName(settingsFile.c_str());
  ConfigInfo.WriteString("Settings", "Theme", "dark");
  appMode.Set(0);
  StartApp();
  EXPECT_EQ(themeChoice, THEME_CHOICE_SYSTEM);
  EXPECT_TRUE(ThemeIsDark());
}

// The program's dialogs take the look when they open and when it changes
// while they are open: here Open Page, its list and its text field.
TEST_F(ThemeTest, AnOpenDialogFollowsTheSwitch) {
  ExecuteCommand(CMD_OPENPAGE);
  HWND dialog = FindWindowA(nullptr, "Open Page");
  ASSERT_NE(dialog, nullptr);
  HWND list = GetDlgItem(dialog, IDC_OPENPAGE_LIST);
  const COLORREF lightList = static_cast<COLORREF>(SendMessageA(list, LVM_GETBKCOLOR, 0, 0));
  ExecuteCommand(CMD_THEMEDARK);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageA(list, LVM_GETBKCOLOR, 0, 0)),
            CurrentColours().window);
  HWND field = GetDlgItem(dialog, IDC_OPENPAGE_TEXT);
  HDC dc = GetDC(field);
  HBRUSH brush = reinterpret_cast<HBRUSH>(
      SendMessageA(dialog, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(field)));
  EXPECT_EQ(GetTextColor(dc), CurrentColours().text);
  EXPECT_EQ(GetBkColor(dc), CurrentColours().window);
  EXPECT_NE(brush, nullptr);
  ReleaseDC(field, dc);
  ExecuteCommand(CMD_THEMELIGHT);
  EXPECT_EQ(static_cast<COLORREF>(SendMessageA(list, LVM_GETBKCOLOR, 0, 0)), lightList);
  DestroyWindow(dialog);
}

}  // namespace
