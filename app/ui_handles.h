// The application shell: the one record of the main window's children, the
// program-wide flags and handles, the private messages, and what each file of
// app/ offers to the rest of the program.
#ifndef TAV_UI_HANDLES_H
#define TAV_UI_HANDLES_H

#include <windows.h>
#include <commctrl.h>

#include "../resources/resource.h"

// Paths and names: 259 characters and the terminator.
enum { PATH_BUFFER_SIZE = 260 };
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
extern HMODULE RichEditLibrary;
extern bool HasNewCommonControls;
extern bool HasRichEdit20;
extern UINT findReplaceMessage;

// The two path buffers (PATH_BUFFER_SIZE bytes each), allocated while the
// children are created and freed at exit.
extern char *WorkFolderPath;
extern char *SavedPagePath;

/* startup.cpp */
void ShowSystemError(const char *context);
bool ProbeDllVersion(const char *library, DWORD *major, DWORD *minor);
bool IsNewCommonControlsVersion(DWORD major, DWORD minor);
bool InitPlatformLibraries(int *exitCode);
bool RegisterWindowClasses();
HWND CreateMainWindow();                 // saved rectangle, menu 1; null on failure
bool RunIdleStep(int idleCount);
bool MessageEndsIdle(const MSG &msg);
bool PumpOneMessage(MSG *msg);
int RunMessageLoop();
int ReleaseAppResources();
int TavMain(HINSTANCE instance, int showCommand);

/* main_window.cpp */
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int CreateChildWindows();
void RequestExit();
void ToggleTree();
void ShowAboutBox();
void CustomizeToolbar();
void ExecuteCommand(int commandId);
LRESULT RouteNotification(int senderId, NMHDR *header);

struct CommandRow {
  int id;
  void (*action)();
};
const CommandRow *FindCommand(int commandId);
extern const CommandRow CommandTable[];
extern const int CommandTableSize;

/* layout.cpp */
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
void LayoutChildren();
LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* command_status.cpp */
class CMyUpdateUI {
 public:
  CMyUpdateUI() : enabled(1), check(2), check2(2) {}
  virtual ~CMyUpdateUI() {}
  virtual void SetEnabled(int value) { enabled = value; }
  virtual void SetCheck(int value) { check = value; }
  virtual void SetCheck2(int value) { check2 = value; }
  virtual int GetEnabled() { return enabled; }
  virtual int GetCheck() { return check; }
  virtual int GetCheck2() { return check2; }

 private:
  int enabled;
  int check;
  int check2;
};
typedef void (*StatusHandler)(CMyUpdateUI *status);
struct StatusRow {
  UINT id;
  StatusHandler handler;
};
extern const StatusRow CommandStatusTable[];
void SetStatusTable(const StatusRow *table);
StatusHandler FindStatusHandler(UINT id);
void UpdateMenuStatus(HMENU menu, LPARAM position);
void UpdateToolbarStatus(HWND toolbar);
UINT ApplyStatusToMenuState(UINT state, CMyUpdateUI *status);
BYTE ApplyStatusToButtonState(BYTE state, CMyUpdateUI *status);

/* editor_control.cpp */
HWND CreateEditorWindow(HWND parent, const RECT &place);
HWND ReplaceEditorWindow();     // a fresh, empty editor in the old one's place
HWND ReplaceTabStrip();         // a fresh tab strip without tabs in the old one's place
bool EditorIsModified();
void EditorSetModified(bool modified);
bool TreeHasParent(HTREEITEM item);
HTREEITEM SelectedTreeNode();

#endif
