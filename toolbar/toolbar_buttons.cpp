// The toolbar's buttons: the catalogue of 27, the default arrangement, the
// arrangement kept in the settings file, and the answers to the customize
// dialog and the tooltips.
#include "toolbar/toolbar.h"

#include <stdio.h>
#include <string.h>

#include "base/ui_handles.h"
#include "settings/settings.h"

enum { DEFAULT_LAYOUT_SIZE = 17 };

#define CATALOGUE_BUTTON(image, command) \
  { image, command, TBSTATE_ENABLED, TBSTYLE_BUTTON, {0}, 0, 0 }

const TBBUTTON ButtonCatalogue[CATALOGUE_SIZE] = {
    CATALOGUE_BUTTON(0, CMD_NEWPAGE),        CATALOGUE_BUTTON(1, CMD_DELETEPAGE),
    CATALOGUE_BUTTON(2, CMD_RENAMEPAGE),     CATALOGUE_BUTTON(3, CMD_CUT),
    CATALOGUE_BUTTON(4, CMD_COPY),           CATALOGUE_BUTTON(5, CMD_PASTE),
    CATALOGUE_BUTTON(6, CMD_IMPORT),         CATALOGUE_BUTTON(7, CMD_EXPORT),
    CATALOGUE_BUTTON(8, CMD_PREVPAGE),       CATALOGUE_BUTTON(9, CMD_NEXTPAGE),
    CATALOGUE_BUTTON(10, CMD_EXIT),          CATALOGUE_BUTTON(11, CMD_SAVENOW),
    CATALOGUE_BUTTON(12, CMD_WORKDIR),       CATALOGUE_BUTTON(13, CMD_FIND),
    CATALOGUE_BUTTON(14, CMD_FINDNEXT),      CATALOGUE_BUTTON(15, CMD_REPLACE),
    CATALOGUE_BUTTON(16, CMD_DATETIME),      CATALOGUE_BUTTON(17, CMD_UNDO),
    CATALOGUE_BUTTON(18, CMD_REDO),          CATALOGUE_BUTTON(19, CMD_MOVEUP),
    CATALOGUE_BUTTON(20, CMD_SHOWTREE),      CATALOGUE_BUTTON(21, CMD_ADDFOLDER),
    CATALOGUE_BUTTON(22, CMD_DELETEFOLDER),  CATALOGUE_BUTTON(23, CMD_OPENFOLDER),
    CATALOGUE_BUTTON(24, CMD_EXPLOREFOLDER), CATALOGUE_BUTTON(25, CMD_WORDWRAP),
    CATALOGUE_BUTTON(26, CMD_REFRESH),
};

static const char *const ButtonNames[CATALOGUE_SIZE] = {
    "Create New Page", "Delete Page",     "Rename Page",        "Cut",
    "Copy",            "Paste",           "Import",             "Export",
    "Previos Page",    "Next Page",       "Exit",               "Force Save",
    "Select Work Folder", "Find",         "Find Next",          "Replace",
    "Insert Date/Time", "Undo",           "Redo",               "Move Up",
    "Show Tree",       "Add Subfolder",   "Delete Folder",      "Open Folder",
    "Explore Folder",  "Word Wrap",       "Refresh",
};

static const TBBUTTON SeparatorButton = {0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {0}, 0, 0};

static const int DefaultToolbarLayout[DEFAULT_LAYOUT_SIZE] = {0,  1, -1, 3, 4, 5,  -1, 16, -1,
                                                       6,  7, -1, 19, 8, 9, -1, 10};

// A stored arrangement longer than this is a hand-edited file, not a toolbar.
static const int MaxStoredButtons = 1024;

/* A stored position: a separator for a negative value and for anything
   outside the catalogue. */
static TBBUTTON ButtonForValue(int value) {
  if (value < 0 || value >= CATALOGUE_SIZE) return SeparatorButton;
  return ButtonCatalogue[value];
}

/* The arrangement from the settings file, or the default one when none is
   stored or the stored count is unusable. The caller frees the array. */
void BuildToolbarButtons(TBBUTTON **buttons, int *count) {
  int stored = ConfigInfo.ReadInt("ToolBar", "Count", 0);
  if (stored > 0 && stored <= MaxStoredButtons) {
    TBBUTTON *list = new TBBUTTON[stored];
    for (int i = 0; i < stored; ++i) {
      char key[32];
      snprintf(key, sizeof key, "Button%d", i);
      list[i] = ButtonForValue(ConfigInfo.ReadInt("ToolBar", key, -1));
    }
    *buttons = list;
    *count = stored;
    return;
  }
  TBBUTTON *list = new TBBUTTON[DEFAULT_LAYOUT_SIZE];
  for (int i = 0; i < DEFAULT_LAYOUT_SIZE; ++i) list[i] = ButtonForValue(DefaultToolbarLayout[i]);
  *buttons = list;
  *count = DEFAULT_LAYOUT_SIZE;
}

static int CatalogueIndexOfImage(int image) {
  for (int i = CATALOGUE_SIZE - 1; i >= 0; --i)
    if (ButtonCatalogue[i].iBitmap == image) return i;
  return -1;
}

void SaveToolbarLayout() {
  if (Ui.toolbar == nullptr) return;
  int count = static_cast<int>(SendMessageA(Ui.toolbar, TB_BUTTONCOUNT, 0, 0));
  ConfigInfo.WriteInt("ToolBar", "Count", count);
  for (int i = 0; i < count; ++i) {
    TBBUTTON button = {};
    if (!SendMessageA(Ui.toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button))) continue;
    int value = button.idCommand == 0 ? -1 : CatalogueIndexOfImage(button.iBitmap);
    char key[32];
    snprintf(key, sizeof key, "Button%d", i);
    ConfigInfo.WriteInt("ToolBar", key, value);
  }
}

BOOL OnToolbarGetButtonInfo(NMTOOLBARA *info) {
  if (info->iItem < 0 || info->iItem >= CATALOGUE_SIZE) return FALSE;
  info->tbButton = ButtonCatalogue[info->iItem];
  if (info->pszText != nullptr && info->cchText > 0) {
    strncpy(info->pszText, ButtonNames[info->iItem], info->cchText - 1);
    info->pszText[info->cchText - 1] = '\0';
  }
  return TRUE;
}

void OnToolbarReset() {
  if (Ui.toolbar == nullptr) return;
  int count = static_cast<int>(SendMessageA(Ui.toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int i = count - 1; i >= 0; --i) SendMessageA(Ui.toolbar, TB_DELETEBUTTON, i, 0);
  TBBUTTON *buttons = nullptr;
  int built = 0;
  BuildToolbarButtons(&buttons, &built);
  SendMessageA(Ui.toolbar, TB_ADDBUTTONSA, built, reinterpret_cast<LPARAM>(buttons));
  delete[] buttons;
}

void OnNeedToolTipText(NMTTDISPINFOA *info) {
  info->hinst = AppInstance;
  info->lpszText = MAKEINTRESOURCEA(info->hdr.idFrom);
}
