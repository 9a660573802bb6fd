// The look applied to every window the program draws: at start, when
// Windows' app mode or high contrast changes, when the user chooses one in
// Options > App theme; and the main window's own parts in the dark look.
#include "app/app.h"

#include "app/display_scale.h"
#include "base/theme.h"
#include "editing/editing.h"
#include "pages/pages.h"

namespace {

const int ThemeCommands[] = {CMD_THEMESYSTEM, CMD_THEMELIGHT, CMD_THEMEDARK};

void ApplyThemeToMainWindow() {
  ThemeProcessMenus();
  ThemeWindowFrame(MainWindow);
  ApplyEditorTheme(Ui.editor);
  ApplyThemedImages();  // the toolbar's and the tree's pictures, the tree's colours
  ApplyThemeToOpenDialogs();
  if (MainWindow != nullptr)
    RedrawWindow(MainWindow, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  DrawMenuBar(MainWindow);
}

void ChooseTheme(int choice) {
  themeChoice = choice;
  FollowTheme();
}

}  // namespace

/* Nothing changes while the look stays: the light look at start is the
   system's own drawing, untouched. */
void FollowTheme() {
  if (DecideThemeMode()) ApplyThemeToMainWindow();
}

void FollowSettingChange(WPARAM action, const char *text) {
  if (IsAppModeChange(text) || action == SPI_SETHIGHCONTRAST) FollowTheme();
}

void ChooseSystemTheme() { ChooseTheme(THEME_CHOICE_SYSTEM); }
void ChooseLightTheme() { ChooseTheme(THEME_CHOICE_LIGHT); }
void ChooseDarkTheme() { ChooseTheme(THEME_CHOICE_DARK); }

/* The three choices show a bullet, as one of a group, rather than a tick. */
void MarkThemeChoicesAsRadio(HMENU menu) {
  for (int command : ThemeCommands) {
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    if (!GetMenuItemInfoA(menu, command, FALSE, &item)) continue;
    item.fType |= MFT_RADIOCHECK;
    SetMenuItemInfoA(menu, command, FALSE, &item);
  }
}

bool EraseMainWindow(HDC dc) {
  if (!ThemeIsDark() || MainWindow == nullptr) return false;
  RECT client;
  GetClientRect(MainWindow, &client);
  FillRect(dc, &client, ThemeBrush(CurrentColours().face));
  return true;
}

/* The splitter bar: the raised edge of the light look, a plain bar with a
   darker edge on either side in the dark one. */
void DrawSplitterBar(HDC dc, RECT area) {
  if (!ThemeIsDark()) {
    DrawEdge(dc, &area, EDGE_RAISED, BF_LEFT | BF_RIGHT | BF_MIDDLE);
    return;
  }
  const ThemeColours &colours = CurrentColours();
  FillRect(dc, &area, ThemeBrush(colours.splitter));
  RECT edge = area;
  edge.right = edge.left + 1;
  FillRect(dc, &edge, ThemeBrush(colours.face));
  edge = area;
  edge.left = edge.right - 1;
  FillRect(dc, &edge, ThemeBrush(colours.face));
}
