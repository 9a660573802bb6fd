// The application shell: the one record of the main window's children, the
// program-wide flags and handles, the private messages, and what each file of
// app/ offers to the rest of the program.
#ifndef TAV_UI_HANDLES_H
#define TAV_UI_HANDLES_H

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "../resources/resource.h"
#include "app/paths.h"

// Message texts quoting one name, and two.
enum { MESSAGE_BUFFER_SIZE = 324, MESSAGE2_BUFFER_SIZE = 584 };

// Private messages of the main window.
enum { UM_CREATECHILDREN = WM_USER + 100, UM_IDLEUPDATE = WM_USER + 101 };

// Control ids of the main window's children.
enum {
  ID_SPLITTER = 95,
  ID_TREE = 96,
  ID_TABS = 97,
  ID_TOOLBAR = 98,
  ID_EDITOR = 99,
};

struct UiHandles {
  HWND editor;
  HWND toolbar;
  HWND tabs;
  HWND tree;
  HWND splitter;
  HCURSOR splitterCursor;
  HIMAGELIST treeImageList;
  bool treeVisible;
  int treeWidthPermille;
  int splitterWidth;
};

extern UiHandles Ui;
extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HACCEL AccelTable;
extern bool HasNewCommonControls;
extern bool HasRichEdit20;
extern UINT findReplaceMessage;

// The two path buffers (PATH_BUFFER_SIZE bytes each), allocated while the
// children are created and freed at exit.
extern char *WorkFolderPath;
extern char *SavedPagePath;

/* startup.cpp */
void ShowSystemError(const char *context);
void ShowSystemErrorAbout(const char *format, const char *name);
// One notice naming what a listing left out because the process code page
// cannot hold the names; folder names where, or is null for the tree.
void ShowNamesLeftOut(const std::vector<std::wstring> &names, const char *folder);
int TavMain(HINSTANCE instance, int showCommand);
// The steps of TavMain, which the tests take one at a time to run the real
// main window, and the rules of its start and its message loop.
bool InitPlatformLibraries(int *exitCode);
bool RegisterWindowClasses();
HWND CreateMainWindow();                 // saved rectangle, menu 1; null on failure
int ReleaseAppResources();
bool ProbeDllVersion(const char *library, DWORD *major, DWORD *minor);
bool IsNewCommonControlsVersion(DWORD major, DWORD minor);
bool RunIdleStep(int idleCount);
bool MessageEndsIdle(const MSG &msg);
enum PumpResult { PUMP_NONE, PUMP_HANDLED, PUMP_QUIT };
PumpResult PumpOneMessage(MSG *msg);  // never waits: PUMP_NONE when nothing waits
// The loop's one wait: until a message for the thread (sent ones included),
// one of the handles, or the timeout; what MsgWaitForMultipleObjectsEx
// answers. Input seen but not taken yet wakes it at once.
DWORD WaitForMessageOrHandles(DWORD count, const HANDLE *handles, DWORD timeout);
bool KeyBelongsToTextField(const MSG &msg);  // not offered to the accelerators
int RunMessageLoop();

/* main_window.cpp */
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The command table and the About box, exported for the tests, which run
// commands as the menu would.
struct CommandRow {
  int id;
  void (*action)();
};
void ExecuteCommand(int commandId);
// The panes F6 and Shift+F6 move the focus through; -1 is none of them.
enum { PANE_TREE, PANE_TABS, PANE_EDITOR, PANE_COUNT };
int NextPane(int current, int delta, bool treeVisible);
const CommandRow *FindCommand(int commandId);
// True while a message box or dialog owned by the main window waits for the
// user: a modeless window then changes neither the folder nor the page shown,
// which the question may name.
bool MainWindowWaitsForUser();
extern const int CommandTableSize;
void ShowAboutBox();

/* layout.cpp */
void LayoutChildren();
LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window-free arithmetic of LayoutChildren and the splitter bar,
// exported for the tests.
struct LayoutPlan {
  int bandTop;      // y0: the row where tree, splitter bar and tab strip start
  int treeShare;    // tw: tree plus splitter bar, in pixels
  RECT tabs;        // left, top, width, height in the fields right and bottom
  RECT tree;
  RECT splitter;
  RECT editorArea;  // the rectangle handed to the tab strip for TCM_ADJUSTRECT
};
bool NormalizeTreeShare(int *permille, bool *visible);
LayoutPlan PlanLayout(int clientWidth, int clientHeight, int toolbarHeight,
                      int permille, bool visible, int splitterWidth);
int PermilleFromSplitterX(int x, int clientWidth);

/* editor_control.cpp */
HWND CreateEditorWindow(HWND parent, const RECT &place);
HWND ReplaceEditorWindow();     // a fresh, empty editor in the old one's place
HWND ReplaceTabStrip();         // a fresh tab strip without tabs in the old one's place
bool EditorIsModified();
void EditorSetModified(bool modified);
bool TreeHasParent(HTREEITEM item);
HTREEITEM SelectedTreeNode();

#endif
