// The look in force, and what the platform offers to show it: Windows' app
// mode and high contrast, the dark title bar and visual styles looked up at
// run time (older Windows and Wine lack some of them, and TAV carries on
// without), and the program's dialogs coloured through a subclass.
#include "base/theme.h"

#include <commctrl.h>

#include <string.h>

#include <utility>
#include <vector>

int themeChoice = THEME_CHOICE_SYSTEM;

namespace {

ThemeMode Mode = THEME_MODE_LIGHT;

// A window the dark look reached keeps this property, so that the light look
// undoes only what the dark one did, and leaves every other window exactly
// as the system made it.
const char DarkMark[] = "TAV.Dark";
// A dialog that takes the look keeps this one.
const char ThemedMark[] = "TAV.Themed";
const UINT_PTR DialogSubclassId = 0x7A5;

// DWMWA_USE_IMMERSIVE_DARK_MODE: 20 since Windows 10 version 2004 (build
// 19041), 19 on the builds before it that have it.
const DWORD DarkTitleAttribute = 20, DarkTitleAttributeBefore2004 = 19;
// The first Windows 10 build with dark visual styles and dark menus (1809),
// and the first whose uxtheme ordinal 135 takes an app mode rather than a flag.
const DWORD FirstDarkBuild = 17763, FirstAppModeBuild = 18362;

typedef HRESULT(WINAPI *SetWindowThemeCall)(HWND, LPCWSTR, LPCWSTR);
typedef HRESULT(WINAPI *DwmSetWindowAttributeCall)(HWND, DWORD, LPCVOID, DWORD);
typedef BOOL(WINAPI *AllowDarkModeForWindowCall)(HWND, BOOL);
typedef int(WINAPI *SetPreferredAppModeCall)(int);
typedef void(WINAPI *FlushMenuThemesCall)();
typedef void(WINAPI *RtlGetNtVersionNumbersCall)(DWORD *, DWORD *, DWORD *);

struct PlatformCalls {
  bool looked = false;
  SetWindowThemeCall setWindowTheme = nullptr;
  DwmSetWindowAttributeCall dwmSetWindowAttribute = nullptr;
  AllowDarkModeForWindowCall allowDarkModeForWindow = nullptr;
  SetPreferredAppModeCall setPreferredAppMode = nullptr;
  FlushMenuThemesCall flushMenuThemes = nullptr;
  DWORD build = 0;
};
PlatformCalls Calls;

template <typename Call>
Call Lookup(HMODULE module, const char *name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Call>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

DWORD WindowsBuild() {
  auto numbers = Lookup<RtlGetNtVersionNumbersCall>(GetModuleHandleA("ntdll.dll"),
                                                    "RtlGetNtVersionNumbers");
  if (numbers == nullptr) return 0;
  DWORD major = 0, minor = 0, build = 0;
  numbers(&major, &minor, &build);
  return major >= 10 ? (build & 0x0FFFFFFF) : 0;
}

/* The undocumented uxtheme entries behind dark menus and dark common
   controls are asked for by ordinal, and only on the builds known to have
   them at those numbers. */
const PlatformCalls &Platform() {
  if (Calls.looked) return Calls;
  Calls.looked = true;
  HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
  Calls.setWindowTheme = Lookup<SetWindowThemeCall>(uxtheme, "SetWindowTheme");
  Calls.dwmSetWindowAttribute =
      Lookup<DwmSetWindowAttributeCall>(LoadLibraryA("dwmapi.dll"), "DwmSetWindowAttribute");
  Calls.build = WindowsBuild();
  if (Calls.build >= FirstDarkBuild) {
    Calls.allowDarkModeForWindow =
        Lookup<AllowDarkModeForWindowCall>(uxtheme, MAKEINTRESOURCEA(133));
    Calls.setPreferredAppMode = Lookup<SetPreferredAppModeCall>(uxtheme, MAKEINTRESOURCEA(135));
    Calls.flushMenuThemes = Lookup<FlushMenuThemesCall>(uxtheme, MAKEINTRESOURCEA(136));
  }
  return Calls;
}

/* True when the window is to be changed at all: it is dark now, or it was
   made dark before and is to be light again. */
bool NoteDarkness(HWND window) {
  bool dark = ThemeIsDark();
  bool wasDark = GetPropA(window, DarkMark) != nullptr;
  if (dark && !wasDark) SetPropA(window, DarkMark, reinterpret_cast<HANDLE>(1));
  if (!dark && wasDark) RemovePropA(window, DarkMark);
  return dark || wasDark;
}

LRESULT ColourControl(HDC dc, COLORREF text, COLORREF background) {
  SetTextColor(dc, text);
  SetBkColor(dc, background);
  return reinterpret_cast<LRESULT>(ThemeBrush(background));
}

LRESULT CALLBACK ThemedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR) {
  const ThemeColours &colours = CurrentColours();
  HDC dc = reinterpret_cast<HDC>(wParam);
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (ThemeIsDark()) {
        bool disabled = message != WM_CTLCOLORDLG && !IsWindowEnabled(reinterpret_cast<HWND>(lParam));
        return ColourControl(dc, disabled ? colours.grayText : colours.faceText, colours.face);
      }
      break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (ThemeIsDark()) return ColourControl(dc, colours.text, colours.window);
      break;
    case WM_NOTIFY: {
      const NMHDR *header = reinterpret_cast<const NMHDR *>(lParam);
      if (header->code != NM_CUSTOMDRAW || !ThemeIsDark()) break;
      if (WindowClassIs(header->hwndFrom, WC_TREEVIEWA))
        return ThemeTreeCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW *>(lParam));
      if (WindowClassIs(header->hwndFrom, WC_LISTVIEWA))
        return DrawDarkListRow(reinterpret_cast<NMLVCUSTOMDRAW *>(lParam));
      if (IsPushButton(header->hwndFrom))
        return DrawDarkPushButton(reinterpret_cast<const NMCUSTOMDRAW *>(lParam));
      break;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(dialog, ThemedDialogProc, id);
      RemovePropA(dialog, ThemedMark);
      RemovePropA(dialog, DarkMark);
      break;
  }
  return DefSubclassProc(dialog, message, wParam, lParam);
}

/* Push buttons take the dark visual style; check boxes, radio buttons and
   group boxes lose their visual style in the dark look, since a themed one
   draws its text in the theme's colour whatever its dialog says. */
void ThemeButton(HWND button) {
  LONG type = GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK;
  bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
  if (type == BS_GROUPBOX) SetWindowSubclass(button, DarkGroupBoxProc, 0, 0);
  ThemeControlStyle(button, push ? L"DarkMode_Explorer" : L"");
}

BOOL CALLBACK ThemeDialogChild(HWND child, LPARAM) {
  if (WindowClassIs(child, "Button"))
    ThemeButton(child);
  else if (WindowClassIs(child, WC_LISTVIEWA))
    ThemeListView(child);
  else if (WindowClassIs(child, WC_TREEVIEWA))
    ThemeTreeView(child);
  else if (WindowClassIs(child, "Edit") || WindowClassIs(child, "ComboBox"))
    ThemeControlStyle(child, L"DarkMode_CFD");
  else if (WindowClassIs(child, "ListBox") || WindowClassIs(child, "ScrollBar"))
    ThemeControlStyle(child, L"DarkMode_Explorer");
  return TRUE;
}

BOOL CALLBACK ThemeOpenDialog(HWND window, LPARAM) {
  if (GetPropA(window, ThemedMark) != nullptr) ApplyThemeToDialog(window);
  return TRUE;
}

}  // namespace

ThemeMode CurrentThemeMode() { return Mode; }
bool ThemeIsDark() { return Mode == THEME_MODE_DARK; }
const ThemeColours &CurrentColours() { return ColoursOfMode(Mode); }

AppModeValue ReadAppModeValue() {
  AppModeValue stored = {false, 1};
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER,
                    "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return stored;
  DWORD type = 0, value = 1, size = sizeof value;
  if (RegQueryValueExA(key, "AppsUseLightTheme", nullptr, &type,
                       reinterpret_cast<BYTE *>(&value), &size) == ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof value) {
    stored.present = true;
    stored.value = value;
  }
  RegCloseKey(key);
  return stored;
}

bool HighContrastIsOn() {
  HIGHCONTRASTA contrast = {};
  contrast.cbSize = sizeof contrast;
  return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool DecideThemeMode() {
  ThemeMode chosen = ChooseThemeMode(themeChoice, ReadAppModeValue(), HighContrastIsOn());
  bool changed = chosen != Mode;
  Mode = chosen;
  return changed;
}

void ForgetThemeMode() {
  Mode = THEME_MODE_LIGHT;
  themeChoice = THEME_CHOICE_SYSTEM;
}

HBRUSH ThemeBrush(COLORREF colour) {
  static std::vector<std::pair<COLORREF, HBRUSH>> made;
  for (const auto &brush : made)
    if (brush.first == colour) return brush.second;
  HBRUSH brush = CreateSolidBrush(colour);
  if (brush == nullptr) return static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
  made.emplace_back(colour, brush);
  return brush;
}

void ThemeWindowFrame(HWND window) {
  if (window == nullptr || !NoteDarkness(window)) return;
  const PlatformCalls &calls = Platform();
  if (calls.allowDarkModeForWindow != nullptr) calls.allowDarkModeForWindow(window, ThemeIsDark());
  if (calls.dwmSetWindowAttribute == nullptr) return;
  BOOL dark = ThemeIsDark() ? TRUE : FALSE;
  if (FAILED(calls.dwmSetWindowAttribute(window, DarkTitleAttribute, &dark, sizeof dark)))
    calls.dwmSetWindowAttribute(window, DarkTitleAttributeBefore2004, &dark, sizeof dark);
}

void ThemeControlStyle(HWND control, const wchar_t *darkStyle) {
  if (control == nullptr || !NoteDarkness(control)) return;
  const PlatformCalls &calls = Platform();
  if (calls.allowDarkModeForWindow != nullptr)
    calls.allowDarkModeForWindow(control, ThemeIsDark());
  if (calls.setWindowTheme == nullptr) return;
  if (ThemeIsDark())
    calls.setWindowTheme(control, darkStyle, nullptr);
  else
    calls.setWindowTheme(control, nullptr, nullptr);
}

void ThemeTreeView(HWND tree) {
  if (tree == nullptr || (GetPropA(tree, DarkMark) == nullptr && !ThemeIsDark())) return;
  const ThemeColours &colours = CurrentColours();
  bool dark = ThemeIsDark();
  SendMessageA(tree, TVM_SETBKCOLOR, 0, dark ? static_cast<LPARAM>(colours.window) : -1);
  SendMessageA(tree, TVM_SETTEXTCOLOR, 0, dark ? static_cast<LPARAM>(colours.text) : -1);
  SendMessageA(tree, TVM_SETLINECOLOR, 0, dark ? static_cast<LPARAM>(colours.line) : CLR_DEFAULT);
  ThemeControlStyle(tree, L"DarkMode_Explorer");
}

void ThemeListView(HWND list) {
  if (list == nullptr || (GetPropA(list, DarkMark) == nullptr && !ThemeIsDark())) return;
  bool dark = ThemeIsDark();
  const ThemeColours &colours = CurrentColours();
  COLORREF back = dark ? colours.window : GetSysColor(COLOR_WINDOW);
  SendMessageA(list, LVM_SETBKCOLOR, 0, back);
  SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, dark ? back : CLR_DEFAULT);
  SendMessageA(list, LVM_SETTEXTCOLOR, 0, dark ? colours.text : GetSysColor(COLOR_WINDOWTEXT));
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  if (dark) SetWindowSubclass(list, DarkListProc, 0, 0);
  ThemeControlStyle(header, L"DarkMode_ItemsView");
  if (header != nullptr) InvalidateRect(header, nullptr, TRUE);
  ThemeControlStyle(list, L"DarkMode_Explorer");
}

LRESULT ThemeTreeCustomDraw(NMTVCUSTOMDRAW *draw) {
  if (!ThemeIsDark()) return CDRF_DODEFAULT;
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const ThemeColours &colours = CurrentColours();
  const bool selected = (draw->nmcd.uItemState & CDIS_SELECTED) != 0;
  const bool dropTarget = (draw->nmcd.uItemState & CDIS_DROPHILITED) != 0;
  if (selected || dropTarget) {
    bool focused = GetFocus() == draw->nmcd.hdr.hwndFrom;
    draw->clrText = focused || dropTarget ? colours.selectionText : colours.text;
    draw->clrTextBk = focused || dropTarget ? colours.selection : colours.faceHot;
  }
  return CDRF_DODEFAULT;
}

/* Menus follow the app mode the program asks for: dark or light whatever
   Windows' own mode, as the user chose. */
void ThemeProcessMenus() {
  const PlatformCalls &calls = Platform();
  if (calls.setPreferredAppMode == nullptr) return;
  const int forceDark = 2, forceLight = 3;
  if (calls.build >= FirstAppModeBuild)
    calls.setPreferredAppMode(ThemeIsDark() ? forceDark : forceLight);
  else
    calls.setPreferredAppMode(ThemeIsDark() ? TRUE : FALSE);
  if (calls.flushMenuThemes != nullptr) calls.flushMenuThemes();
}

void ApplyThemeToDialog(HWND dialog) {
  if (dialog == nullptr) return;
  if (GetPropA(dialog, ThemedMark) == nullptr) {
    SetPropA(dialog, ThemedMark, reinterpret_cast<HANDLE>(1));
    SetWindowSubclass(dialog, ThemedDialogProc, DialogSubclassId, 0);
  }
  if (!ThemeIsDark() && GetPropA(dialog, DarkMark) == nullptr) return;
  ThemeWindowFrame(dialog);
  EnumChildWindows(dialog, ThemeDialogChild, 0);
  RedrawWindow(dialog, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void ApplyThemeToOpenDialogs() {
  EnumThreadWindows(GetCurrentThreadId(), ThemeOpenDialog, 0);
}
