// The program's two looks, window-free: which one a window takes, from the
// user's choice, Windows' app mode and high contrast; the colours of each;
// and the text of the setting change that says Windows' app mode changed.
#ifndef TAV_THEME_RULES_H
#define TAV_THEME_RULES_H

#include <windows.h>

// The user's choice, as TAV.INI keeps it ([Settings] Theme).
enum ThemeChoice { THEME_CHOICE_SYSTEM = 0, THEME_CHOICE_LIGHT = 1, THEME_CHOICE_DARK = 2 };
// A stored value as a choice: anything but 1 and 2 follows the system.
int ThemeChoiceFromStored(int stored);

// What the windows show. The light look is the system's own drawing, as
// under high contrast, where the system's colours are the user's.
enum ThemeMode { THEME_MODE_LIGHT, THEME_MODE_DARK, THEME_MODE_SYSTEM_COLOURS };

// Windows' app mode as read from AppsUseLightTheme: a missing value, or one
// of another type, means light.
struct AppModeValue {
  bool present;  // a DWORD was read
  DWORD value;   // 0 dark, else light
};
bool AppModeIsDark(const AppModeValue &stored);
ThemeMode ChooseThemeMode(int choice, const AppModeValue &appMode, bool highContrast);

// The colours of one look. The light row is what the system draws with its
// standard colours; TAV draws with the dark row where it colours windows.
struct ThemeColours {
  COLORREF window;        // editor, tree, lists, edits
  COLORREF text;          // their text
  COLORREF selection;     // selected text and rows
  COLORREF selectionText;
  COLORREF face;          // toolbar, tab strip, dialogs, main window
  COLORREF faceText;      // tab labels, dialog texts
  COLORREF faceHot;       // the selected tab, a button under the mouse
  COLORREF line;          // tree lines, tab and separator edges
  COLORREF splitter;      // the splitter bar
  COLORREF grayText;      // disabled texts
};
const ThemeColours &ColoursOfMode(ThemeMode mode);
// The contrast ratio of two colours as WCAG measures it, 1 to 21.
double ContrastRatio(COLORREF a, COLORREF b);

// Windows announces a change of the app mode with a WM_SETTINGCHANGE whose
// text is "ImmersiveColorSet"; null or any other text is another change.
bool IsAppModeChange(const char *settingText);

#endif
