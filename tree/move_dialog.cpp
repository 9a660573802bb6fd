// The folder chooser of Move Page and Move: the notebook's folders as a tree,
// filled as it is opened, the way the main window's tree is, and drawn for
// the display the dialog is on.
#include <string.h>

#include "base/theme.h"
#include "base/dpi.h"
#include "base/list_dialogs.h"
#include "base/ui_handles.h"
#include "tree/tree.h"

// One dialog at a time: it is modal.
static struct {
  const char *caption;
  const char *current;  // the folder selected at first
  const char *moving;   // the folder being moved, or null
  char *chosen;
  HIMAGELIST images;
  int dpi;
} Chooser;

void ReportMoveIntoItself(HWND owner, const char *folder) {
  char message[MESSAGE2_BUFFER_SIZE];
  snprintf(message, sizeof message,
           "The folder '%s' cannot be moved into itself or into a folder below it.", folder);
  MessageBoxA(owner, message, "TAV", MB_OK | MB_ICONWARNING);
}

static HWND ChooserTree(HWND dialog) { return GetDlgItem(dialog, IDC_MOVE_TREE); }

/* The tree takes what the dialog gains; the buttons keep to the lower right
   corner. */
static void LayOutChooser(HWND dialog) {
  RECT client = {}, prompt = {}, ok = {}, cancel = {};
  GetClientRect(dialog, &client);
  HWND okButton = GetDlgItem(dialog, IDOK), cancelButton = GetDlgItem(dialog, IDCANCEL);
  HWND label = GetDlgItem(dialog, IDC_MOVE_PROMPT), tree = ChooserTree(dialog);
  if (okButton == nullptr || cancelButton == nullptr || label == nullptr || tree == nullptr) return;
  GetWindowRect(label, &prompt);
  GetWindowRect(okButton, &ok);
  GetWindowRect(cancelButton, &cancel);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&prompt), 2);
  const int margin = prompt.left, gap = prompt.top;
  const int buttonWidth = ok.right - ok.left, buttonHeight = ok.bottom - ok.top;
  const int buttonTop = client.bottom - margin - buttonHeight;
  const int treeTop = prompt.bottom + gap / 2;
  SetWindowPos(cancelButton, nullptr, client.right - margin - buttonWidth, buttonTop, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(okButton, nullptr, client.right - 2 * margin - 2 * buttonWidth, buttonTop, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(tree, nullptr, margin, treeTop, client.right - 2 * margin,
               buttonTop - gap - treeTop, SWP_NOZORDER | SWP_NOACTIVATE);
}

/* The notebook's root, the way to the current folder listed and opened,
   and that folder selected. */
static void FillChooser(HWND dialog) {
  HWND tree = ChooserTree(dialog);
  Chooser.dpi = DpiOfWindow(dialog);
  ApplyTreeArt(tree, Chooser.dpi, &Chooser.images);
  BeginFolderWalk();
  HTREEITEM root = AddNotebookRoot(tree);
  HTREEITEM current = WalkToFolderNode(tree, Chooser.current);
  HTREEITEM selected = current != nullptr ? current : root;
  if (selected != nullptr) {
    TreeView_SelectItem(tree, selected);
    TreeView_EnsureVisible(tree, selected);
  }
  EndFolderWalk();
}

/* OK takes the folder selected; the folder being moved and those below it
   are refused there and then, and the dialog stays open. */
static void ConfirmChoice(HWND dialog) {
  HWND tree = ChooserTree(dialog);
  char folder[PATH_BUFFER_SIZE];
  if (!TreeFolderPath(tree, TreeView_GetSelection(tree), folder)) return;
  if (Chooser.moving != nullptr && PathIsAtOrBelow(folder, Chooser.moving)) {
    ReportMoveIntoItself(dialog, Chooser.moving);
    SetFocus(tree);
    return;
  }
  if (FolderIsReachedThroughLink(folder)) {
    MessageBoxA(dialog,
                "That folder is a link to a folder elsewhere. Choose a folder of the notebook.",
                "TAV", MB_OK | MB_ICONWARNING);
    SetFocus(tree);
    return;
  }
  strcpy(Chooser.chosen, folder);
  EndDialog(dialog, IDOK);
}

/* The tree asks the same questions as the main window's; false for a
   notification left to the dialog manager. */
static bool OnChooserNotify(HWND dialog, NMHDR *header) {
  LRESULT result = 0;
  if (header->idFrom != IDC_MOVE_TREE) return false;
  if (header->code == TVN_GETDISPINFOA)
    result = OnFolderGetDispInfo(reinterpret_cast<NMTVDISPINFOA *>(header));
  else if (header->code == TVN_ITEMEXPANDINGA)
    result = OnFolderExpanding(reinterpret_cast<const NMTREEVIEWA *>(header));
  else
    return false;
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
  return true;
}

static INT_PTR CALLBACK ChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowTextA(dialog, Chooser.caption);
      FillChooser(dialog);
      ApplyThemeToDialog(dialog);
      NoteMadeSize(dialog);
      LayOutChooser(dialog);
      SetFocus(ChooserTree(dialog));
      return FALSE;  // the focus is set
    case WM_NOTIFY:
      return OnChooserNotify(dialog, reinterpret_cast<NMHDR *>(lParam)) ? TRUE : FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) ConfirmChoice(dialog);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_DPICHANGED:
      // The images are drawn again for the new display; the frame follows.
      ApplyTreeArt(ChooserTree(dialog), HIWORD(wParam), &Chooser.images);
      break;
    case WM_DESTROY:
      SendMessageA(ChooserTree(dialog), TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
      return FALSE;
  }
  return ListDialogFrameMessage(dialog, message, wParam, lParam, IDC_MOVE_TREE, &Chooser.dpi,
                                LayOutChooser)
             ? TRUE
             : FALSE;
}

bool ChooseTargetFolder(const char *caption, const char *current, const char *moving,
                        char *chosen) {
  chosen[0] = '\0';
  Chooser = {caption, current, moving, chosen, nullptr, 0};
  INT_PTR result = RunProgramDialog(IDD_MOVE, MainWindow, ChooserProc, 0);
  if (Chooser.images != nullptr) ImageList_Destroy(Chooser.images);
  Chooser.images = nullptr;
  return result == IDOK && chosen[0] != '\0';
}
