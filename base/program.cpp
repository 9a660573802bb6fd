// The program-wide records, and the small questions every layer asks of the
// main window's controls. The news for the main window goes as a message:
// sent, so that it is taken up before the sender goes on, as a call would.
#include "base/ui_handles.h"

#include <richedit.h>

UiHandles Ui = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, true, 330, 4, 96};
HINSTANCE AppInstance;
HWND MainWindow;
HACCEL AccelTable;
bool HasNewCommonControls;
bool HasRichEdit20;
UINT findReplaceMessage;
char *WorkFolderPath;
char *SavedPagePath;

/* A modal box or dialog disables its owner for as long as it is shown;
   the modeless Find windows stay enabled all the while. */
bool MainWindowWaitsForUser() {
  return MainWindow != nullptr && IsWindow(MainWindow) && !IsWindowEnabled(MainWindow);
}

void TellMainWindow(UINT message, WPARAM wParam, LPARAM lParam) {
  if (MainWindow != nullptr && IsWindow(MainWindow)) SendMessageA(MainWindow, message, wParam, lParam);
}

void RequestLayout() { TellMainWindow(UM_LAYOUTCHILDREN); }

// The editor answers a set modified flag with a nonzero value that is not
// always 1 (Wine answers -1).
bool EditorIsModified() {
  return Ui.editor != nullptr && SendMessageA(Ui.editor, EM_GETMODIFY, 0, 0) != 0;
}

void EditorSetModified(bool modified) {
  if (Ui.editor != nullptr) SendMessageA(Ui.editor, EM_SETMODIFY, modified ? TRUE : FALSE, 0);
}

/* The editor is read-only exactly while it shows no page, or a page that
   is not its file's whole text and is never written back. */
bool EditorIsReadOnly() {
  return Ui.editor == nullptr || (GetWindowLongA(Ui.editor, GWL_STYLE) & ES_READONLY) != 0;
}

HTREEITEM SelectedTreeNode() {
  if (Ui.tree == nullptr) return nullptr;
  return reinterpret_cast<HTREEITEM>(SendMessageA(Ui.tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

bool TreeHasParent(HTREEITEM item) {
  return Ui.tree != nullptr && item != nullptr &&
         SendMessageA(Ui.tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)) != 0;
}

int SelectedTab() { return Ui.tabs != nullptr ? TabCtrl_GetCurSel(Ui.tabs) : -1; }
