// Which look the windows take, and the colours of each.
#include "base/theme_rules.h"

#include <math.h>
#include <string.h>

int ThemeChoiceFromStored(int stored) {
  return stored == THEME_CHOICE_LIGHT || stored == THEME_CHOICE_DARK ? stored
                                                                     : THEME_CHOICE_SYSTEM;
}

bool AppModeIsDark(const AppModeValue &stored) { return stored.present && stored.value == 0; }

/* High contrast overrides every choice: its colours are the user's, and a
   program that draws its own hides them. */
ThemeMode ChooseThemeMode(int choice, const AppModeValue &appMode, bool highContrast) {
  if (highContrast) return THEME_MODE_SYSTEM_COLOURS;
  switch (ThemeChoiceFromStored(choice)) {
    case THEME_CHOICE_LIGHT:
      return THEME_MODE_LIGHT;
    case THEME_CHOICE_DARK:
      return THEME_MODE_DARK;
    default:
      return AppModeIsDark(appMode) ? THEME_MODE_DARK : THEME_MODE_LIGHT;
  }
}

namespace {

// Windows' standard light colours (COLOR_WINDOW, COLOR_BTNFACE and so on),
// but for the selection: Windows' own blue holds white text at 4.5:1, this
// darker one at 7.7:1.
const ThemeColours LightColours = {
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 84, 153),    RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(0, 0, 0),       RGB(255, 255, 255), RGB(160, 160, 160),
    RGB(240, 240, 240), RGB(109, 109, 109),
};

// Near Windows' own dark surfaces: the text area darkest, the frame a step
// lighter, the selection a muted blue that keeps white text readable.
const ThemeColours DarkColours = {
    RGB(30, 30, 30),    RGB(230, 230, 230), RGB(38, 79, 120),   RGB(255, 255, 255),
    RGB(43, 43, 43),    RGB(230, 230, 230), RGB(64, 64, 64),    RGB(100, 100, 100),
    RGB(58, 58, 58),    RGB(150, 150, 150),
};

double Linear(int channel) {
  double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF colour) {
  return 0.2126 * Linear(GetRValue(colour)) + 0.7152 * Linear(GetGValue(colour)) +
         0.0722 * Linear(GetBValue(colour));
}

}  // namespace

const ThemeColours &ColoursOfMode(ThemeMode mode) {
  return mode == THEME_MODE_DARK ? DarkColours : LightColours;
}

double ContrastRatio(COLORREF a, COLORREF b) {
  double la = Luminance(a), lb = Luminance(b);
  if (la < lb) {
    double swap = la;
    la = lb;
    lb = swap;
  }
  return (la + 0.05) / (lb + 0.05);
}

bool IsAppModeChange(const char *settingText) {
  return settingText != nullptr && strcmp(settingText, "ImmersiveColorSet") == 0;
}
