// The application shell: the entry procedure and the message loop, the main
// window with its command table and routing, and the layout of its children.
// It alone stands above the notebook, and knows every folder below.
#ifndef TAV_APP_H
#define TAV_APP_H

#include "base/ui_handles.h"

/* startup.cpp */
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
extern const int CommandTableSize;
void ShowAboutBox();

/* theme_apply.cpp */
// The look for the user's choice, Windows' app mode and high contrast,
// applied to every window when it changed; a WM_SETTINGCHANGE followed.
void FollowTheme();
void FollowSettingChange(WPARAM action, const char *text);
void ChooseSystemTheme();
void ChooseLightTheme();
void ChooseDarkTheme();
void MarkThemeChoicesAsRadio(HMENU menu);
// The main window's background and the splitter bar in the current look;
// false when the system is to erase it.
bool EraseMainWindow(HDC dc);
void DrawSplitterBar(HDC dc, RECT area);

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

#endif
