// The look the program's windows take now, and what colours a window in it:
// Windows' app mode read from the registry, high contrast asked of the
// system, the platform's dark parts (title bar, scroll bars, the common
// controls' own drawing, menus) asked for where the system has them, and the
// program's dialogs coloured with one call. The rules are window-free
// (theme_rules.h).
#ifndef TAV_THEME_H
#define TAV_THEME_H

#include <windows.h>
#include <commctrl.h>

#include "base/theme_rules.h"

/* theme.cpp */
// The user's choice (ThemeChoice), loaded from and saved to TAV.INI.
extern int themeChoice;
// The look in force; light until DecideThemeMode says otherwise.
ThemeMode CurrentThemeMode();
bool ThemeIsDark();
const ThemeColours &CurrentColours();
// Reads Windows' app mode and high contrast and sets the look for the
// choice; true when the look changed.
bool DecideThemeMode();
// Back to the light look and the system's choice, as before the first
// window was made.
void ForgetThemeMode();
AppModeValue ReadAppModeValue();
bool HighContrastIsOn();
// Brushes of the current look's colours, kept for the run.
HBRUSH ThemeBrush(COLORREF colour);
// The platform's dark parts of one window: its title bar, and the dark
// visual style of its scroll bars and of a common control's own parts
// (subAppName as SetWindowTheme takes it; null for the default). Nothing
// where the system lacks them; back to the system's look when light.
void ThemeWindowFrame(HWND window);
void ThemeControlStyle(HWND control, const wchar_t *darkStyle);
// A tree or list view's colours in the current look.
void ThemeTreeView(HWND tree);
void ThemeListView(HWND list);
// A tree view's NM_CUSTOMDRAW: in the dark look its selected item in the
// dark look's selection colours (the control would take the system's face
// for it while the tree has no focus, under light text).
LRESULT ThemeTreeCustomDraw(NMTVCUSTOMDRAW *draw);
// Menus and the program's windows follow the look where the platform lets
// a program ask for that (Windows 10 version 1809 and later).
void ThemeProcessMenus();
// A dialog in the current look, its controls with it: to be called in its
// WM_INITDIALOG, and again for every open dialog when the look changes.
void ApplyThemeToDialog(HWND dialog);
// Every open dialog of this thread that took the look, in the current one.
void ApplyThemeToOpenDialogs();

/* dark_controls.cpp */
// What the dark look draws itself: a group box's frame and label and a
// list's column header (subclass procedures, passing through in the light
// look), and a push button (its NM_CUSTOMDRAW, to the dialog).
bool WindowClassIs(HWND window, const char *name);
bool IsPushButton(HWND window);
LRESULT CALLBACK DarkGroupBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR data);
LRESULT CALLBACK DarkListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                              DWORD_PTR data);
LRESULT DrawDarkPushButton(const NMCUSTOMDRAW *draw);
// A list view's NM_CUSTOMDRAW, to its dialog: the selected row in the dark
// look's selection colours.
LRESULT DrawDarkListRow(NMLVCUSTOMDRAW *draw);

#endif
