// The main window: creation of the children and the start-up loads, the
// command table and dispatch, notification routing, the close sequence, the
// About box and the customize guard.
#include "app/app.h"

#include <richedit.h>

#include "app/command_status.h"
#include "app/display_scale.h"
#include "base/theme.h"
#include "editing/editing.h"
#include "pages/pages.h"
#include "settings/settings.h"
#include "toolbar/toolbar.h"
#include "notebook/notebook.h"
#include "tree/tree.h"


static void SendToEditor(UINT message, WPARAM wParam, LPARAM lParam) {
  if (Ui.editor != nullptr) SendMessageA(Ui.editor, message, wParam, lParam);
}
static void EditorUndo() { SendToEditor(EM_UNDO, 0, 0); }
static void EditorRedo() { SendToEditor(EM_REDO, 0, 0); }
static void EditorCut() { SendToEditor(WM_CUT, 0, 0); }
static void EditorCopy() { SendToEditor(WM_COPY, 0, 0); }
static void EditorPaste() { SendToEditor(WM_PASTE, 0, 0); }
static void EditorSelectAll() { SendToEditor(EM_SETSEL, 0, -1); }
static void NextPage() { StepPage(+1); }
static void PreviousPage() { StepPage(-1); }
static void SavePageNow() { SaveCurrentPage(); }
static void RefreshCommand() {
  RefreshTree();
  NoteFolderTreeChanged(WorkFolderPath);
}
static void ExploreFolder() { OpenFolder(true); }
static void OpenFolderCommand() { OpenFolder(false); }

/* The panes F6 moves the keyboard focus through, in order: a hidden tree
   is passed over. From anywhere else the focus goes to the first. */
int NextPane(int current, int delta, bool treeVisible) {
  const int count = PANE_COUNT;
  int pane = current < 0 ? (delta > 0 ? count - 1 : 0) : current;
  for (int step = 0; step < count; ++step) {
    pane = (pane + delta + count) % count;
    if (pane != PANE_TREE || treeVisible) return pane;
  }
  return PANE_EDITOR;
}

static HWND PaneWindow(int pane) {
  switch (pane) {
    case PANE_TREE:
      return Ui.tree;
    case PANE_TABS:
      return Ui.tabs;
    default:
      return Ui.editor;
  }
}

static int PaneWithFocus() {
  HWND focus = GetFocus();
  for (int pane = 0; pane < PANE_COUNT; ++pane) {
    HWND window = PaneWindow(pane);
    if (window != nullptr && (focus == window || IsChild(window, focus))) return pane;
  }
  return -1;
}

static void MoveToPane(int delta) {
  if (GetActiveWindow() != MainWindow) SetActiveWindow(MainWindow);
  HWND window = PaneWindow(NextPane(PaneWithFocus(), delta, Ui.treeVisible));
  if (window != nullptr) SetFocus(window);
}
static void NextPaneCommand() { MoveToPane(+1); }
static void PreviousPaneCommand() { MoveToPane(-1); }

static void ToggleTree() {
  Ui.treeVisible = !Ui.treeVisible;
  LayoutChildren();
}

static INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ApplyThemeToDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      EndDialog(dialog, 1);
      return TRUE;
  }
  return FALSE;
}

void ShowAboutBox() { RunProgramDialog(IDD_ABOUT, MainWindow, AboutDlgProc, 0); }

static void CustomizeToolbar() {
  if (HasNewCommonControls) {
    if (Ui.toolbar != nullptr) SendMessageA(Ui.toolbar, TB_CUSTOMIZE, 0, 0);
    return;
  }
  MessageBoxA(MainWindow,
              "You have to install the updated COMCTRL32.DLL librabries to use this feature",
              "Unavailable Feature", MB_ICONWARNING);
}

/* A page that cannot be saved keeps its text in a recovery copy, which the
   next start offers back; the question says whether that copy could be
   written. */
static bool AskToExitWithoutSaving(bool copyKept) {
  const char *text =
      copyKept ? "The current page couldn't be saved\nExit anyway?\n\n"
                 "The text typed since its last save is kept, and TAV offers it back at its next "
                 "start."
               : "The current page couldn't be saved\nExit anyway?\n\n"
                 "TAV could not keep a copy of the text typed since its last save either: "
                 "exiting loses it.";
  return MessageBoxA(MainWindow, text, "Confirm Program Exit", MB_YESNO | MB_ICONWARNING) ==
         IDYES;
}

/* The close sequence, for the close box and the Exit command alike: the page
   first, then the settings, then the window. A clean exit leaves no recovery
   copy: the page is saved. */
static void RequestExit() {
  if (SavePageIfModified(SelectedTab())) {
    RemoveShownPagesRecoveryCopy();
  } else {
    bool copyKept = WriteRecoveryCopy(false);
    if (!AskToExitWithoutSaving(copyKept)) return;
    // The Replace dialog stays usable while the question is shown.
    if (copyKept) WriteRecoveryCopy(false);
  }
  KeepPagesShown();
  KeepDeletedVersionsNow();  // some read from copies that go next
  ForgetDeletes();
  ThinVersionStore();
  SaveSettings();
  SaveToolbarLayout();
  DestroyWindow(MainWindow);
}

/* Rename of the selected folder in place: the tree is shown first, since a
   hidden tree cannot edit a label. */
static void StartFolderRename() {
  if (!Ui.treeVisible) ToggleTree();
  if (Ui.tree == nullptr) return;
  HTREEITEM item = SelectedTreeNode();
  if (item != nullptr) SendMessageA(Ui.tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(item));
}

static const CommandRow CommandTable[] = {
    {CMD_IMPORT, ImportTextFile},
    {CMD_EXPORT, ExportSelection},
    {CMD_UNDO, EditorUndo},
    {CMD_EXIT, RequestExit},
    {CMD_CUT, EditorCut},
    {CMD_COPY, EditorCopy},
    {CMD_PASTE, EditorPaste},
    {CMD_ABOUT, ShowAboutBox},
    {CMD_WORKDIR, ChooseWorkFolder},
    {CMD_WORDWRAP, ToggleWordWrap},
    {CMD_FONT, ChooseEditorFont},
    {CMD_NEWPAGE, NewPage},
    {CMD_DELETEPAGE, DeletePage},
    {CMD_NEXTPAGE, NextPage},
    {CMD_PREVPAGE, PreviousPage},
    {CMD_RENAMEPAGE, RenamePage},
    {CMD_SAVENOW, SavePageNow},
    {CMD_REFRESH, RefreshCommand},
    {CMD_CUSTOMIZE, CustomizeToolbar},
    {CMD_FIND, OpenFindDialog},
    {CMD_FINDNEXT, FindNextCommand},
    {CMD_REPLACE, OpenReplaceDialog},
    {CMD_DATETIME, InsertDateTime},
    {CMD_SHOWTREE, ToggleTree},
    {CMD_REDO, EditorRedo},
    {CMD_MOVEUP, GoToParentFolder},
    {CMD_SELECTALL, EditorSelectAll},
    {CMD_RENAMEFOLDER, StartFolderRename},
    {CMD_DELETEFOLDER, DeleteFolder},
    {CMD_ADDFOLDER, AddSubfolder},
    {CMD_EXPLOREFOLDER, ExploreFolder},
    {CMD_OPENFOLDER, OpenFolderCommand},
    {CMD_FINDALL, OpenFindAllDialog},
    {CMD_NEXTPANE, NextPaneCommand},
    {CMD_PREVPANE, PreviousPaneCommand},
    {CMD_OPENPAGE, OpenPageDialog},
    {CMD_BACK, GoBack},
    {CMD_FORWARD, GoForward},
    {CMD_MOVEPAGE, MovePageCommand},
    {CMD_MOVEFOLDER, MoveFolderCommand},
    {CMD_UNDOMOVE, UndoMove},
    {CMD_THEMESYSTEM, ChooseSystemTheme},
    {CMD_THEMELIGHT, ChooseLightTheme},
    {CMD_THEMEDARK, ChooseDarkTheme},
    {CMD_UNDODELETE, UndoDelete},
    {CMD_HISTORY, OpenHistoryDialog},
    {CMD_DELETEDPAGES, OpenDeletedPagesDialog},
};
const int CommandTableSize = sizeof CommandTable / sizeof CommandTable[0];

const CommandRow *FindCommand(int commandId) {
  for (const CommandRow &row : CommandTable)
    if (row.id == commandId) return &row;
  return nullptr;
}

void ExecuteCommand(int commandId) {
  const CommandRow *row = FindCommand(commandId);
  if (row != nullptr) row->action();
}

/* Log-off or shutdown asks first: the page is saved now, and a page that
   cannot be saved (its error shown) keeps the session from ending. */
static LRESULT OnQueryEndSession() {
  return SavePageIfModified(SelectedTab()) ? TRUE : FALSE;
}

/* The session ends and the process with it, without the close sequence:
   what that sequence would write is written now. */
static void OnEndSession(bool ending) {
  if (!ending) return;
  KeepPagesShown();
  SaveSettings();
  SaveToolbarLayout();
  SaveWindowPlacement();
}

/* The mouse's back and forward buttons run Back and Forward. */
static LRESULT OnAppCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  int command = CommandOfAppCommand(GET_APPCOMMAND_LPARAM(lParam));
  if (command == 0) return DefWindowProcA(window, WM_APPCOMMAND, wParam, lParam);
  ExecuteCommand(command);
  return TRUE;
}

static LRESULT RouteTreeNotification(NMHDR *header) {
  switch (header->code) {
    case TVN_SELCHANGEDA: {
      const NMTREEVIEWA *change = reinterpret_cast<NMTREEVIEWA *>(header);
      OnFolderSelected(change->itemNew.hItem, change->itemOld.hItem);
      return 0;
    }
    case TVN_ITEMEXPANDINGA:
      return OnFolderExpanding(reinterpret_cast<NMTREEVIEWA *>(header));
    case TVN_DELETEITEMA: {
      HTREEITEM gone = reinterpret_cast<NMTREEVIEWA *>(header)->itemOld.hItem;
      ForgetFolderNode(gone);
      ForgetDragNode(gone);
      return 0;
    }
    case TVN_GETDISPINFOA:
      return OnFolderGetDispInfo(reinterpret_cast<NMTVDISPINFOA *>(header));
    case TVN_BEGINLABELEDITA:
      return OnBeginFolderRename(reinterpret_cast<NMTVDISPINFOA *>(header)->item.hItem);
    case TVN_ENDLABELEDITA:
      return OnEndFolderRename(reinterpret_cast<NMTVDISPINFOA *>(header));
    case NM_RCLICK:
      return OnTreeRightClick();
    case NM_CUSTOMDRAW:
      return ThemeTreeCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW *>(header));
    case TVN_BEGINDRAGA:
      return OnTreeBeginDrag(reinterpret_cast<NMTREEVIEWA *>(header));
  }
  return 0;
}

/* The customize dialog takes the look; its lists are the control's own.
   The notification names the dialog (NMTBCUSTOMIZEDLG, comctl32 6), which
   the headers here do not declare. */
static void ThemeCustomizeDialog(NMHDR *header) {
  struct CustomizeNotification {
    NMHDR header;
    HWND dialog;
  };
  HWND dialog = reinterpret_cast<CustomizeNotification *>(header)->dialog;
  if (dialog != nullptr && IsWindow(dialog)) ApplyThemeToDialog(dialog);
}

static LRESULT RouteToolbarNotification(NMHDR *header) {
  switch (header->code) {
    case TBN_GETBUTTONINFOA:
      return OnToolbarGetButtonInfo(reinterpret_cast<NMTOOLBARA *>(header));
    case TBN_BEGINADJUST:
      SaveToolbarLayout();
      return 0;
    case TBN_RESET:
      OnToolbarReset();
      return 0;
    case NM_CUSTOMDRAW:
      return OnToolbarCustomDraw(reinterpret_cast<NMTBCUSTOMDRAW *>(header));
    case TBN_INITCUSTOMIZE:
      ThemeCustomizeDialog(header);
      return 0;
    case TBN_QUERYINSERT:
    case TBN_QUERYDELETE:
      return 1;
  }
  return 0;
}

static LRESULT RouteNotification(int senderId, NMHDR *header) {
  if (header->code == TTN_NEEDTEXTA) {
    OnNeedToolTipText(reinterpret_cast<NMTTDISPINFOA *>(header));
    return 0;
  }
  switch (senderId) {
    case ID_TREE:
      return RouteTreeNotification(header);
    case ID_TABS:
      if (header->code == TCN_SELCHANGE) OnPageTabChanged();
      return 0;
    case ID_TOOLBAR:
      return RouteToolbarNotification(header);
  }
  return 0;
}

static HWND MakeToolbar() {
  TBBUTTON *buttons = nullptr;
  int count = 0;
  BuildToolbarButtons(&buttons, &count);
  // Custom erase lets the dark look fill the face; the light look leaves it to
  // the control.
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER | CCS_ADJUSTABLE |
                TBSTYLE_TOOLTIPS | TBSTYLE_CUSTOMERASE;
  if (HasNewCommonControls) style |= TBSTYLE_FLAT;
  HWND toolbar = CreateToolbarEx(MainWindow, style, ID_TOOLBAR, CATALOGUE_SIZE, AppInstance,
                                 IDB_TOOLBAR, buttons, count, 16, 15, 16, 15, sizeof(TBBUTTON));
  delete[] buttons;
  return toolbar;
}

static void MakeChildControls(const RECT &client) {
  Ui.editor = CreateEditorWindow(MainWindow, client);
  Ui.tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS |
                            WS_CLIPCHILDREN, 0, 0, 10, 10, MainWindow,
                            reinterpret_cast<HMENU>(ID_TABS), AppInstance, nullptr);
  Ui.splitter = CreateWindowExA(0, "TAV_Splitter", "", WS_CHILD | WS_CLIPSIBLINGS |
                                WS_CLIPCHILDREN, 0, 0, 10, 10, MainWindow,
                                reinterpret_cast<HMENU>(ID_SPLITTER), AppInstance, nullptr);
  Ui.tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr,
                            WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TVS_HASBUTTONS |
                                TVS_HASLINES | TVS_EDITLABELS | TVS_SHOWSELALWAYS,
                            0, 0, 100, 100, MainWindow, reinterpret_cast<HMENU>(ID_TREE),
                            AppInstance, nullptr);
  Ui.toolbar = MakeToolbar();
  if (Ui.tree != nullptr) WatchTreeForDrags(Ui.tree);
  if (Ui.tabs != nullptr) {
    WatchTabStripForDrags(Ui.tabs);
    ThemePageTabs(Ui.tabs);
  }
}

/* Creates the children and runs the start-up loads. 0 when the program
   cannot run. */
static int CreateChildWindows() {
  RECT client;
  GetClientRect(MainWindow, &client);
  MakeChildControls(client);
  if (Ui.editor == nullptr || Ui.toolbar == nullptr || Ui.tabs == nullptr) return 0;
  // No page is shown until the tree has been filled; should that fail (the
  // work folder cannot be entered), nothing typed could ever be saved.
  SendMessageA(Ui.editor, EM_SETREADONLY, TRUE, 0);
  // Images, fonts, cursor and measures for the display the window is on.
  ApplyDisplayScale(DpiOfWindow(MainWindow));
  findReplaceMessage = RegisterWindowMessageA("commdlg_FindReplace");
  SetStatusTable(CommandStatusTable);
  WorkFolderPath = new char[PATH_BUFFER_SIZE]();
  SavedPagePath = new char[PATH_BUFFER_SIZE]();
  DWORD length = GetCurrentDirectoryA(PATH_BUFFER_SIZE, WorkFolderPath);
  if (length == 0 || length >= PATH_BUFFER_SIZE) {
    if (length >= PATH_BUFFER_SIZE) SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ShowSystemError("GetCurrentDirectory() failed");
    return 0;
  }
  LoadSettings();
  LoadPagesShown();
  ApplyEditorFont();
  ApplyWordWrap();
  FollowTheme();
  LayoutChildren();
  RefreshTree();
  OfferRecoveredPages();
  SetFocus(Ui.editor);
  return 1;
}

/* The children go with the main window; nothing may reach them afterwards. */
static void ForgetWindows() {
  MainWindow = nullptr;
  Ui.editor = Ui.toolbar = Ui.tabs = Ui.tree = Ui.splitter = nullptr;
}

static void OnSize(WPARAM wParam, LPARAM lParam) {
  if (Ui.toolbar != nullptr) SendMessageA(Ui.toolbar, WM_SIZE, wParam, lParam);
  if (wParam != SIZE_MINIMIZED && Ui.editor != nullptr) LayoutChildren();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (findReplaceMessage != 0 && message == findReplaceMessage) {
    OnFindReplace(lParam);
    return 0;
  }
  switch (message) {
    case WM_DESTROY:
      StopWatchingNotebook();
      SaveWindowPlacement();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      ForgetWindows();
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SIZE:
      OnSize(wParam, lParam);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT *>(lParam));
      return 0;
    case WM_SETTINGCHANGE:
      FollowSettingChange(wParam, reinterpret_cast<const char *>(lParam));
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_SYSCOLORCHANGE:
      FollowTheme();
      return 0;
    case WM_ERASEBKGND:
      if (EraseMainWindow(reinterpret_cast<HDC>(wParam))) return 1;
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_ACTIVATEAPP:
      // Back from another program, which may have changed the notebook.
      if (wParam) CheckNotebookOnActivation();
      return 0;
    case WM_SETFOCUS:
      if (Ui.editor != nullptr) SetFocus(Ui.editor);
      return 0;
    case WM_CLOSE:
      RequestExit();
      return 0;
    case WM_QUERYENDSESSION:
      return OnQueryEndSession();
    case WM_ENDSESSION:
      OnEndSession(wParam != FALSE);
      return 0;
    case WM_NOTIFY:
      return RouteNotification(static_cast<int>(wParam), reinterpret_cast<NMHDR *>(lParam));
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE && Ui.editor != nullptr &&
          reinterpret_cast<HWND>(lParam) == Ui.editor) {
        NoteEditorChanged();
        NoteShownTextChanged();
        return 0;
      }
      ExecuteCommand(LOWORD(wParam));
      return 0;
    case WM_APPCOMMAND:
      return OnAppCommand(window, wParam, lParam);
    case WM_INITMENUPOPUP:
      UpdateMenuStatus(reinterpret_cast<HMENU>(wParam), lParam);
      return 0;
    case UM_CREATECHILDREN:
      return CreateChildWindows();
    case UM_IDLEUPDATE:
      if (Ui.toolbar != nullptr) UpdateToolbarStatus(Ui.toolbar);
      KeepRecoveryCopy();
      return 0;
    case UM_LAYOUTCHILDREN:
      LayoutChildren();
      return 0;
    case UM_TABSTRIPMADE:
      WatchTabStripForDrags(reinterpret_cast<HWND>(wParam));
      return 0;
    case UM_PAGEWRITTEN:
      FollowPageWritten(reinterpret_cast<const char *>(lParam));
      return 0;
    case UM_FOLDERSHOWN:
      FollowFolderShown(wParam != FALSE);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
