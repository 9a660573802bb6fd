// What the program keeps in TAV.INI: the window rectangle, the tree's width and
// visibility, the editor's font and word wrap, the work folder and the page
// last shown. Each value is read once at start and written once at exit.
#include "settings/settings.h"

#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "base/code_pages.h"
#include "base/dpi.h"
#include "base/theme.h"
#include "base/ui_handles.h"
#include "editing/editing.h"

static_assert(sizeof(LOGFONTA) == 60, "the Font value holds the 60-byte font record");

namespace {

const char SETTINGS_SECTION[] = "Settings";
const char WINDOW_SECTION[] = "Window";

// The tree's share of the client width, in thousandths, is kept inside these.
const int MIN_TREE_PERMILLE = 10;
const int MAX_TREE_PERMILLE = 990;
// Windows scales displays from 100 % to 500 % (480 per inch); a stored DPI
// outside half of 96 to that is no display's.
const int MIN_STORED_DPI = 48;
const int MAX_STORED_DPI = 480;

bool IsStored(int coordinate) {
  return coordinate != CW_USEDEFAULT;
}

// True when b - a can be computed in 32 bits.
bool DifferenceFits(int a, int b) {
  long long difference = static_cast<long long>(b) - a;
  return difference > INT_MIN && difference <= INT_MAX;
}

// Text stored by a build that kept the system's code page, read in a UTF-8
// process: bytes that are not UTF-8 are taken as the system's code page and
// made UTF-8. False when the text is UTF-8 already, or when the result would
// not fit capacity bytes.
bool LegacyTextAsUtf8(const char *text, size_t length, char *out, size_t capacity) {
  bool hasMultiByte = false;
  if (GetACP() != CP_UTF8 || IsValidUtf8(text, length, &hasMultiByte)) return false;
  std::wstring wide;
  std::string utf8;
  if (!TextFromCodePage(LegacyCodePage(), text, length, &wide) ||
      !TextInCodePage(CP_UTF8, wide.data(), wide.size(), &utf8) || utf8.size() >= capacity)
    return false;
  memcpy(out, utf8.c_str(), utf8.size() + 1);
  return true;
}

// A path read from the settings file. The profile functions of a UTF-8
// process read a value an earlier build wrote in the system's code page as
// U+FFFD wherever its bytes are not UTF-8, so such a value is read again from
// the file's own bytes and decoded from that code page.
int ReadStoredPath(const char *key, char *out) {
  int length = ConfigInfo.ReadString(SETTINGS_SECTION, key, "", out, PATH_BUFFER_SIZE);
  if (length <= 0 || GetACP() != CP_UTF8 || strstr(out, "\xEF\xBF\xBD") == nullptr) return length;
  std::string stored;
  char decoded[PATH_BUFFER_SIZE];
  if (ConfigInfo.FileName() == nullptr ||
      !ReadStoredValueBytes(ConfigInfo.FileName(), SETTINGS_SECTION, key, &stored) ||
      !LegacyTextAsUtf8(stored.data(), stored.size(), decoded, sizeof decoded))
    return length;
  strcpy(out, decoded);
  return static_cast<int>(strlen(out));
}

// A font record from the file is used as it stands, except that its face name
// is always terminated (a hand-edited value could fill all 32 bytes), and
// that a face name stored in the system's code page is made UTF-8 where the
// process reads UTF-8.
void LoadEditorFont() {
  unsigned char scratch[sizeof(LOGFONTA)];
  if (ConfigInfo.ReadBinary(SETTINGS_SECTION, "Font", scratch, sizeof scratch) !=
      static_cast<int>(sizeof scratch))
    return;
  memcpy(&editorFont, scratch, sizeof scratch);
  editorFont.lfFaceName[LF_FACESIZE - 1] = '\0';
  char face[LF_FACESIZE];
  if (LegacyTextAsUtf8(editorFont.lfFaceName, strlen(editorFont.lfFaceName), face, sizeof face))
    strcpy(editorFont.lfFaceName, face);
}

// Without a stored work folder the current directory (already in the buffer)
// stays, and the user is told so once. A hand-edited folder may be relative
// ("..\.."): it is made absolute against the current directory at start,
// since every folder path is built on it while the current directory moves,
// and it is saved absolute. One that cannot be made absolute stays as stored.
void LoadWorkFolder() {
  char scratch[PATH_BUFFER_SIZE];
  int length = ReadStoredPath("WorkDir", scratch);
  if (length > 0) {
    char absolute[PATH_BUFFER_SIZE];
    DWORD full = GetFullPathNameA(scratch, sizeof absolute, absolute, nullptr);
    const char *folder = (full > 0 && full < sizeof absolute) ? absolute : scratch;
    if (WorkFolderPath != nullptr) memcpy(WorkFolderPath, folder, strlen(folder) + 1);
    return;
  }
  char message[MESSAGE_BUFFER_SIZE];
  snprintf(message, sizeof message, "No work folder is selected.\nTAV will use '%s'",
           WorkFolderPath != nullptr ? WorkFolderPath : "");
  MessageBoxA(MainWindow, message, "TAV", MB_ICONINFORMATION | MB_OK);
}

int ClampTreePermille(int permille) {
  if (permille <= MIN_TREE_PERMILLE) permille = MIN_TREE_PERMILLE;
  if (permille >= MAX_TREE_PERMILLE) permille = MAX_TREE_PERMILLE;
  return permille;
}

}  // namespace

// The saved rectangle of the main window, each side CW_USEDEFAULT when not
// stored. The program always writes all four; a hand-edited file may not. A
// missing left or top makes the rest meaningless (right and bottom are
// absolute, and a lone default x or y would misplace the window), so the whole
// rectangle then counts as missing. A right or bottom too far from its left or
// top for the width or height to fit in 32 bits leaves that size to the platform.
void LoadWindowRect(RECT *rect) {
  if (rect == nullptr) return;
  rect->left = ConfigInfo.ReadInt(WINDOW_SECTION, "Left", CW_USEDEFAULT);
  rect->right = ConfigInfo.ReadInt(WINDOW_SECTION, "Right", CW_USEDEFAULT);
  rect->top = ConfigInfo.ReadInt(WINDOW_SECTION, "Top", CW_USEDEFAULT);
  rect->bottom = ConfigInfo.ReadInt(WINDOW_SECTION, "Bottom", CW_USEDEFAULT);
  if (!IsStored(rect->left) || !IsStored(rect->top)) {
    rect->left = rect->top = rect->right = rect->bottom = CW_USEDEFAULT;
    return;
  }
  if (IsStored(rect->right) && !DifferenceFits(rect->left, rect->right))
    rect->right = CW_USEDEFAULT;
  if (IsStored(rect->bottom) && !DifferenceFits(rect->top, rect->bottom))
    rect->bottom = CW_USEDEFAULT;
}

// The DPI of the display the rectangle was measured on. An earlier TAV wrote
// none: Windows scaled it as a picture, so its rectangle counts at 96 per
// inch on any display. A value no display has counts as 96 too.
int LoadWindowRectDpi() {
  int dpi = ConfigInfo.ReadInt(WINDOW_SECTION, "Dpi", BASE_DPI);
  return dpi >= MIN_STORED_DPI && dpi <= MAX_STORED_DPI ? dpi : BASE_DPI;
}

// The main window's place where the user can reach it. It stays where it
// was stored while a grip of its title bar lies on the screen's work area;
// otherwise (a screen removed, a hand-edited file) it moves onto the work
// area, as near the stored place as it fits and no larger than the area. A
// stored size below the minimum (tiny, or right of left inverted) is raised
// to it. A position stored without its size gets three quarters of the work
// area, and the window lies on the work area: the platform's default size for
// a window placed by the program is not to be trusted (Wine makes it three
// quarters of the screen less the position: 112 pixels wide, or a client
// area 0 pixels high).
const long long MIN_WINDOW_WIDTH = 300;
const long long MIN_WINDOW_HEIGHT = 200;
const long long TITLE_GRIP_WIDTH = 100;  // of the title bar, on the work area
const long long TITLE_MIDDLE = 15;       // below the window's top edge, on the work area

static long long Clamp(long long value, long long low, long long high) {
  if (value > high) value = high;
  return value < low ? low : value;
}

static bool TitleBarReachable(long long left, long long top, long long width, const RECT &work) {
  long long middle = top + TITLE_MIDDLE;
  if (middle < work.top || middle >= work.bottom) return false;
  long long from = left > work.left ? left : work.left;
  long long to = left + width < work.right ? left + width : work.right;
  return to - from >= TITLE_GRIP_WIDTH;
}

RECT FitWindowRect(const RECT &stored, const RECT &work) {
  if (!IsStored(stored.left) || !IsStored(stored.top)) return stored;
  const long long workWidth = static_cast<long long>(work.right) - work.left;
  const long long workHeight = static_cast<long long>(work.bottom) - work.top;
  long long left = stored.left;
  long long top = stored.top;
  long long width = IsStored(stored.right) ? static_cast<long long>(stored.right) - left
                                           : workWidth * 3 / 4;
  long long height = IsStored(stored.bottom) ? static_cast<long long>(stored.bottom) - top
                                             : workHeight * 3 / 4;
  if (width < MIN_WINDOW_WIDTH) width = MIN_WINDOW_WIDTH;
  if (height < MIN_WINDOW_HEIGHT) height = MIN_WINDOW_HEIGHT;
  // A size the program chose itself lies wholly on the work area.
  bool sizeChosen = !IsStored(stored.right) || !IsStored(stored.bottom);
  if (sizeChosen || !TitleBarReachable(left, top, width, work)) {
    width = Clamp(width, 0, workWidth);
    height = Clamp(height, 0, workHeight);
    left = Clamp(left, work.left, work.right - width);
    top = Clamp(top, work.top, work.bottom - height);
  }
  RECT fitted;
  fitted.left = static_cast<LONG>(left);
  fitted.top = static_cast<LONG>(top);
  fitted.right = static_cast<LONG>(left + width);
  fitted.bottom = static_cast<LONG>(top + height);
  return fitted;
}

// Fits the rectangle to the work area of the screen nearest to it (to its
// top left corner while its size is not usable), else of the primary screen.
void KeepWindowRectOnScreen(RECT *rect) {
  if (!IsStored(rect->left) || !IsStored(rect->top)) return;
  const bool sized = IsStored(rect->right) && IsStored(rect->bottom) &&
                     rect->right > rect->left && rect->bottom > rect->top;
  const POINT corner = {rect->left, rect->top};
  HMONITOR nearest = sized ? MonitorFromRect(rect, MONITOR_DEFAULTTONEAREST)
                           : MonitorFromPoint(corner, MONITOR_DEFAULTTONEAREST);
  MONITORINFO screen = {};
  screen.cbSize = sizeof screen;
  RECT work;
  if (nearest != nullptr && GetMonitorInfoA(nearest, &screen))
    work = screen.rcWork;
  else if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
    return;
  *rect = FitWindowRect(*rect, work);
}

// Reads the settings the child windows need, in a fixed order; missing values
// keep the state's current value or the built-in default.
void LoadSettings() {
  if (!CurrentSettingsPlace().writable) ReportSettingsNotKept(CurrentSettingsPlace().error);
  ReportSettingsNotTakenOver();
  LoadEditorFont();
  fontSizeTenths = ConfigInfo.ReadInt(SETTINGS_SECTION, "FontSize", 90);
  LoadWorkFolder();
  wordWrap = ConfigInfo.ReadInt(SETTINGS_SECTION, "WordWrap", 0) != 0;
  if (SavedPagePath != nullptr) ReadStoredPath("SavedPath", SavedPagePath);
  Ui.treeWidthPermille = ClampTreePermille(
      ConfigInfo.ReadInt(WINDOW_SECTION, "TreeX", Ui.treeWidthPermille));
  int visible = ConfigInfo.ReadInt(WINDOW_SECTION, "TreeIsVisible", Ui.treeVisible ? 1 : 0);
  Ui.treeVisible = visible != 0;
  themeChoice = ThemeChoiceFromStored(ConfigInfo.ReadInt(SETTINGS_SECTION, "Theme", 0));
}

// Writes every setting but the window rectangle and the toolbar layout (the
// toolbar's own). A failed write is told once a run, and the others are
// still tried.
void SaveSettings() {
  bool written = true;
  DWORD error = 0;
  auto note = [&](int result) {
    if (result == 0 && written) {
      written = false;
      error = GetLastError();
    }
  };
  note(ConfigInfo.WriteBinary(SETTINGS_SECTION, "Font", &editorFont, sizeof editorFont));
  note(ConfigInfo.WriteInt(SETTINGS_SECTION, "FontSize", fontSizeTenths));
  if (WorkFolderPath != nullptr)
    note(ConfigInfo.WriteString(SETTINGS_SECTION, "WorkDir", WorkFolderPath));
  note(ConfigInfo.WriteInt(SETTINGS_SECTION, "WordWrap", wordWrap ? 1 : 0));
  note(ConfigInfo.WriteInt(WINDOW_SECTION, "TreeX", Ui.treeWidthPermille));
  note(ConfigInfo.WriteInt(WINDOW_SECTION, "TreeIsVisible", Ui.treeVisible ? 1 : 0));
  if (SavedPagePath != nullptr)
    note(ConfigInfo.WriteString(SETTINGS_SECTION, "SavedPath", SavedPagePath));
  note(ConfigInfo.WriteInt(SETTINGS_SECTION, "Theme", themeChoice));
  if (!written) ReportSettingsNotKept(error);
}

// Writes the main window's outer rectangle, unless it is minimised (its
// rectangle would then be the icon's) or cannot be measured.
void SaveWindowPlacement() {
  if (MainWindow == nullptr || IsIconic(MainWindow)) return;
  RECT rect;
  if (!GetWindowRect(MainWindow, &rect)) return;
  ConfigInfo.WriteInt(WINDOW_SECTION, "Left", rect.left);
  ConfigInfo.WriteInt(WINDOW_SECTION, "Right", rect.right);
  ConfigInfo.WriteInt(WINDOW_SECTION, "Top", rect.top);
  ConfigInfo.WriteInt(WINDOW_SECTION, "Bottom", rect.bottom);
  ConfigInfo.WriteInt(WINDOW_SECTION, "Dpi", CurrentDpi());
}
