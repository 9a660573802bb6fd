// What the program keeps in TAV.INI: the window rectangle, the tree's width and
// visibility, the editor's font and word wrap, the work folder and the page
// last shown. Each value is read once at start and written once at exit.
#include "settings/settings.h"

#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "app/ui_handles.h"
#include "editing/editing.h"
#include "toolbar/toolbar.h"

static_assert(sizeof(LOGFONTA) == 60, "the Font value holds the 60-byte font record");

namespace {

const char SETTINGS_SECTION[] = "Settings";
const char WINDOW_SECTION[] = "Window";

// The tree's share of the client width, in thousandths, is kept inside these.
const int MIN_TREE_PERMILLE = 10;
const int MAX_TREE_PERMILLE = 990;

bool IsStored(int coordinate) {
  return coordinate != CW_USEDEFAULT;
}

// True when b - a can be computed in 32 bits.
bool DifferenceFits(int a, int b) {
  long long difference = static_cast<long long>(b) - a;
  return difference > INT_MIN && difference <= INT_MAX;
}

// A font record from the file is used as it stands, except that its face name
// is always terminated: a hand-edited value could fill all 32 bytes.
void LoadEditorFont() {
  unsigned char scratch[sizeof(LOGFONTA)];
  if (ConfigInfo.ReadBinary(SETTINGS_SECTION, "Font", scratch, sizeof scratch) !=
      static_cast<int>(sizeof scratch))
    return;
  memcpy(&editorFont, scratch, sizeof scratch);
  editorFont.lfFaceName[LF_FACESIZE - 1] = '\0';
}

// Without a stored work folder the current directory (already in the buffer)
// stays, and the user is told so once.
void LoadWorkFolder() {
  char scratch[PATH_BUFFER_SIZE];
  int length = ConfigInfo.ReadString(SETTINGS_SECTION, "WorkDir", "", scratch, sizeof scratch);
  if (length > 0) {
    if (WorkFolderPath != nullptr) memcpy(WorkFolderPath, scratch, static_cast<size_t>(length) + 1);
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

// Reads the settings the child windows need, in a fixed order; missing values
// keep the state's current value or the built-in default.
void LoadSettings() {
  LoadEditorFont();
  fontSizeTenths = ConfigInfo.ReadInt(SETTINGS_SECTION, "FontSize", 90);
  LoadWorkFolder();
  wordWrap = ConfigInfo.ReadInt(SETTINGS_SECTION, "WordWrap", 0) != 0;
  if (SavedPagePath != nullptr)
    ConfigInfo.ReadString(SETTINGS_SECTION, "SavedPath", "", SavedPagePath, PATH_BUFFER_SIZE);
  Ui.treeWidthPermille = ClampTreePermille(
      ConfigInfo.ReadInt(WINDOW_SECTION, "TreeX", Ui.treeWidthPermille));
  int visible = ConfigInfo.ReadInt(WINDOW_SECTION, "TreeIsVisible", Ui.treeVisible ? 1 : 0);
  Ui.treeVisible = visible != 0;
}

// Writes every setting but the window rectangle, then the toolbar layout. A
// failed write is not reported: settings output never shows an error.
void SaveSettings() {
  ConfigInfo.WriteBinary(SETTINGS_SECTION, "Font", &editorFont, sizeof editorFont);
  ConfigInfo.WriteInt(SETTINGS_SECTION, "FontSize", fontSizeTenths);
  if (WorkFolderPath != nullptr)
    ConfigInfo.WriteString(SETTINGS_SECTION, "WorkDir", WorkFolderPath);
  ConfigInfo.WriteInt(SETTINGS_SECTION, "WordWrap", wordWrap ? 1 : 0);
  ConfigInfo.WriteInt(WINDOW_SECTION, "TreeX", Ui.treeWidthPermille);
  ConfigInfo.WriteInt(WINDOW_SECTION, "TreeIsVisible", Ui.treeVisible ? 1 : 0);
  if (SavedPagePath != nullptr)
    ConfigInfo.WriteString(SETTINGS_SECTION, "SavedPath", SavedPagePath);
  SaveToolbarLayout();
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
}
