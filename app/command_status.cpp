// Enabled and checked states of menu items and toolbar buttons, computed from
// the program's state when a menu opens and when the message loop falls idle.
#include "app/command_status.h"

#include <richedit.h>

#include "app/app.h"

#include "base/theme.h"
#include "editing/editing.h"
#include "pages/pages.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

static const StatusRow *statusTable;

static void StatusHasPages(CMyUpdateUI *status) { status->SetEnabled(HasPages); }
static void StatusFolderShown(CMyUpdateUI *status) { status->SetEnabled(PageFolder[0] != '\0'); }
static void StatusNotebookShown(CMyUpdateUI *status) {
  status->SetEnabled(Ui.tree != nullptr && TreeView_GetRoot(Ui.tree) != nullptr);
}

static void StatusHasSelection(CMyUpdateUI *status) {
  DWORD start = 0, end = 0;
  if (Ui.editor != nullptr)
    SendMessageA(Ui.editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  status->SetEnabled(start != end);
}

static LRESULT AskEditor(UINT message, WPARAM wParam) {
  return Ui.editor != nullptr ? SendMessageA(Ui.editor, message, wParam, 0) : 0;
}
static void StatusCanPaste(CMyUpdateUI *status) { status->SetEnabled(AskEditor(EM_CANPASTE, CF_TEXT) != 0); }
static void StatusCanUndo(CMyUpdateUI *status) { status->SetEnabled(AskEditor(EM_CANUNDO, 0) != 0); }
static void StatusCanRedo(CMyUpdateUI *status) { status->SetEnabled(AskEditor(EM_CANREDO, 0) != 0); }
static void StatusWordWrap(CMyUpdateUI *status) { status->SetCheck(wordWrap ? 1 : 0); }
static void StatusNodeHasParent(CMyUpdateUI *status) { status->SetEnabled(GetParentFolderNode() != nullptr); }
static void StatusTreeVisible(CMyUpdateUI *status) { status->SetCheck(Ui.treeVisible ? 1 : 0); }
static void StatusCanCustomize(CMyUpdateUI *status) { status->SetEnabled(HasNewCommonControls); }
static void StatusNodeSelected(CMyUpdateUI *status) { status->SetEnabled(SelectedTreeNode() != nullptr); }
static void StatusCanGoBack(CMyUpdateUI *status) { status->SetEnabled(CanGoBack()); }
static void StatusCanGoForward(CMyUpdateUI *status) { status->SetEnabled(CanGoForward()); }
static void StatusCanUndoMove(CMyUpdateUI *status) { status->SetEnabled(CanUndoMove()); }
static void CheckThemeChoice(CMyUpdateUI *status, int choice) {
  status->SetCheck(ThemeChoiceFromStored(themeChoice) == choice ? 1 : 0);
}
static void StatusThemeSystem(CMyUpdateUI *status) { CheckThemeChoice(status, THEME_CHOICE_SYSTEM); }
static void StatusThemeLight(CMyUpdateUI *status) { CheckThemeChoice(status, THEME_CHOICE_LIGHT); }
static void StatusThemeDark(CMyUpdateUI *status) { CheckThemeChoice(status, THEME_CHOICE_DARK); }
static void StatusCanUndoDelete(CMyUpdateUI *status) { status->SetEnabled(CanUndoDelete()); }

const StatusRow CommandStatusTable[] = {
    {CMD_EXPORT, StatusHasPages},
    {CMD_IMPORT, StatusHasPages},
    {CMD_SAVENOW, StatusHasPages},
    {CMD_SELECTALL, StatusHasPages},
    {CMD_FIND, StatusHasPages},
    {CMD_FINDNEXT, StatusHasPages},
    {CMD_REPLACE, StatusHasPages},
    {CMD_DATETIME, StatusHasPages},
    {CMD_CUT, StatusHasSelection},
    {CMD_COPY, StatusHasSelection},
    {CMD_PASTE, StatusCanPaste},
    {CMD_UNDO, StatusCanUndo},
    {CMD_REDO, StatusCanRedo},
    {CMD_WORDWRAP, StatusWordWrap},
    {CMD_RENAMEPAGE, StatusHasPages},
    {CMD_DELETEPAGE, StatusHasPages},
    {CMD_NEXTPAGE, StatusHasPages},
    {CMD_PREVPAGE, StatusHasPages},
    {CMD_MOVEUP, StatusNodeHasParent},
    {CMD_SHOWTREE, StatusTreeVisible},
    {CMD_CUSTOMIZE, StatusCanCustomize},
    {CMD_ADDFOLDER, StatusNodeSelected},
    {CMD_OPENFOLDER, StatusNodeSelected},
    {CMD_EXPLOREFOLDER, StatusNodeSelected},
    {CMD_RENAMEFOLDER, StatusNodeHasParent},
    {CMD_DELETEFOLDER, StatusNodeHasParent},
    {CMD_NEWPAGE, StatusFolderShown},
    {CMD_FINDALL, StatusNotebookShown},
    {CMD_OPENPAGE, StatusNotebookShown},
    {CMD_BACK, StatusCanGoBack},
    {CMD_FORWARD, StatusCanGoForward},
    {CMD_MOVEPAGE, StatusHasPages},
    {CMD_MOVEFOLDER, StatusNodeHasParent},
    {CMD_UNDOMOVE, StatusCanUndoMove},
    {CMD_THEMESYSTEM, StatusThemeSystem},
    {CMD_THEMELIGHT, StatusThemeLight},
    {CMD_THEMEDARK, StatusThemeDark},
    {CMD_UNDODELETE, StatusCanUndoDelete},
    {CMD_HISTORY, StatusHasPages},
    {CMD_DELETEDPAGES, StatusNotebookShown},
    {0, nullptr},
};

void SetStatusTable(const StatusRow *table) { statusTable = table; }

StatusHandler FindStatusHandler(UINT id) {
  if (statusTable == nullptr) return nullptr;
  const StatusRow *row = statusTable;
  while (row->handler != nullptr && row->id != id) ++row;
  return row->handler;
}

/* The check values: a 0 in either clears the mark, otherwise a 1 sets it,
   otherwise the mark stays. Returns -1 to leave it, else 0 or 1. */
static int CheckDecision(CMyUpdateUI *status) {
  int check = status->GetCheck(), check2 = status->GetCheck2();
  if (check == 0 || check2 == 0) return 0;
  if (check == 1 || check2 == 1) return 1;
  return -1;
}

UINT ApplyStatusToMenuState(UINT state, CMyUpdateUI *status) {
  if (status->GetEnabled() != 0)
    state &= ~static_cast<UINT>(MFS_GRAYED);
  else
    state |= MFS_GRAYED;
  int check = CheckDecision(status);
  if (check == 0) state &= ~static_cast<UINT>(MFS_CHECKED);
  if (check == 1) state |= MFS_CHECKED;
  return state;
}

BYTE ApplyStatusToButtonState(BYTE state, CMyUpdateUI *status) {
  if (status->GetEnabled() != 0)
    state |= TBSTATE_ENABLED;
  else
    state &= ~TBSTATE_ENABLED;
  int check = CheckDecision(status);
  if (check == 0) state &= ~TBSTATE_CHECKED;
  if (check == 1) state |= TBSTATE_CHECKED;
  return state;
}

void UpdateMenuStatus(HMENU menu, LPARAM position) {
  if (HIWORD(position) != 0 || menu == nullptr) return;
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(menu, i);
    if (id == static_cast<UINT>(-1) || id == 0) continue;
    StatusHandler handler = FindStatusHandler(id);
    if (handler == nullptr) continue;
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    if (!GetMenuItemInfoA(menu, i, TRUE, &item)) continue;
    CMyUpdateUI status;
    status.SetEnabled((item.fState & MFS_GRAYED) == 0 ? 1 : 0);
    handler(&status);
    item.fState = ApplyStatusToMenuState(item.fState, &status);
    SetMenuItemInfoA(menu, i, TRUE, &item);
  }
}

void UpdateToolbarStatus(HWND toolbar) {
  int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button = {};
    if (!SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button))) continue;
    if (button.idCommand == 0) continue;
    StatusHandler handler = FindStatusHandler(button.idCommand);
    if (handler == nullptr) continue;
    CMyUpdateUI status;
    status.SetEnabled((button.fsState & TBSTATE_ENABLED) != 0 ? 1 : 0);
    handler(&status);
    BYTE state = ApplyStatusToButtonState(button.fsState, &status);
    SendMessageA(toolbar, TB_SETSTATE, button.idCommand, MAKELPARAM(state, 0));
  }
}
