// The entry procedure, the message loop with its idle step, the error box for
// failed system calls, and the clean-up at exit.
#include "app/app.h"

#include <limits.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include "base/code_pages.h"
#include "app/display_scale.h"
#include "base/list_dialogs.h"
#include "editing/editing.h"
#include "pages/pages.h"
#include "settings/settings.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

static HMODULE RichEditLibrary;

// The splitter bar is as wide as the system's sizing border; recorded before
// the entry procedure runs, like the settings object is made.
static int InitialSplitterWidth() {
  Ui.splitterWidth = GetSystemMetrics(SM_CXFRAME);
  return Ui.splitterWidth;
}
[[maybe_unused]] static const int splitterWidthAtStart = InitialSplitterWidth();

// The position and kind of the last mouse move that counted as activity.
static struct {
  int x;
  int y;
  UINT message;
} lastMouse;

/* Version of a system library from its DllGetVersion export; a library
   without the export counts as 4.0. */
bool ProbeDllVersion(const char *library, DWORD *major, DWORD *minor) {
  HMODULE module = LoadLibraryA(library);
  if (module == nullptr) return false;
  bool ok = true;
  auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void *>(GetProcAddress(module, "DllGetVersion")));
  if (getVersion != nullptr) {
    DLLVERSIONINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (FAILED(getVersion(&info))) {
      ok = false;
    } else {
      *major = info.dwMajorVersion;
      *minor = info.dwMinorVersion;
    }
  } else {
    *major = 4;
    *minor = 0;
  }
  FreeLibrary(module);
  return ok;
}

bool IsNewCommonControlsVersion(DWORD major, DWORD minor) {
  return major > 4 || (major == 4 && minor >= 70);
}

/* Common controls and the rich-edit library. False when the program cannot
   run; *exitCode then holds the code the entry procedure ends with. */
bool InitPlatformLibraries(int *exitCode) {
  DWORD major = 0, minor = 0;
  HasNewCommonControls =
      ProbeDllVersion("comctl32.dll", &major, &minor) && IsNewCommonControlsVersion(major, minor);
  if (HasNewCommonControls) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
    if (!InitCommonControlsEx(&classes)) {
      MessageBoxA(nullptr, "Common controls initialization failed", "TAV", MB_ICONERROR);
      *exitCode = 1;
      return false;
    }
  } else {
    InitCommonControls();
  }
  HasRichEdit20 = false;
  RichEditLibrary = LoadLibraryA("RICHED20.DLL");
  if (RichEditLibrary != nullptr) {
    HasRichEdit20 = true;
  } else {
    RichEditLibrary = LoadLibraryA("RICHED32.DLL");
    if (RichEditLibrary == nullptr) {
      ShowSystemError("Loading Rich Edit DLL");
      *exitCode = 0;
      return false;
    }
  }
  return true;
}

bool RegisterWindowClasses() {
  WNDCLASSA mainClass = {};
  mainClass.lpfnWndProc = MainWindowProc;
  mainClass.hInstance = AppInstance;
  mainClass.hIcon = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_TAV));
  mainClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  mainClass.lpszClassName = "TAV";
  if (!RegisterClassA(&mainClass)) {
    ShowSystemError("RegisterClass");
    return false;
  }
  WNDCLASSA splitterClass = {};
  splitterClass.style = CS_HREDRAW | CS_VREDRAW;
  splitterClass.lpfnWndProc = SplitterProc;
  splitterClass.hInstance = AppInstance;
  splitterClass.lpszClassName = "TAV_Splitter";
  if (!RegisterClassA(&splitterClass)) {
    ShowSystemError("RegisterClass");
    return false;
  }
  return true;
}

/* The main window at its saved place, or where the user can reach it when
   that place is on no screen; a size whose far edge is not stored is left to
   the system. */
HWND CreateMainWindow() {
  RECT saved;
  LoadWindowRect(&saved);
  FitStoredRectToDisplay(&saved, LoadWindowRectDpi());
  KeepWindowRectOnScreen(&saved);
  int width = saved.right == CW_USEDEFAULT ? CW_USEDEFAULT : saved.right - saved.left;
  int height = saved.bottom == CW_USEDEFAULT ? CW_USEDEFAULT : saved.bottom - saved.top;
  HMENU menu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDM_MAIN));
  if (menu != nullptr) MarkThemeChoicesAsRadio(menu);
  MainWindow = CreateWindowExA(0, "TAV", "TAV", WS_OVERLAPPEDWINDOW | WS_VISIBLE, saved.left,
                               saved.top, width, height, nullptr, menu, AppInstance, nullptr);
  return MainWindow;
}

/* One step of an idle period: the first refreshes the toolbar, the second
   ends the period, unless a search of all pages or the listing of Open Page
   has more to do. */
bool RunIdleStep(int idleCount) {
  if (idleCount <= 0 && MainWindow != nullptr && IsWindowVisible(MainWindow))
    SendMessageA(MainWindow, UM_IDLEUPDATE, 0, 0);
  if (idleCount <= 0) return true;
  // They go on, a slice at a time, while nothing else is to be done.
  TakeNotebookWatchRecords();
  bool following = RunNotebookChangesSlice();
  bool searching = RunFindAllSlice();
  bool listing = RunOpenPageSlice();
  bool indexing = RunIndexUpkeepSlice();
  bool keeping = RunDeletedVersionsSlice();
  return following || searching || listing || indexing || keeping;
}

/* Whether a message is user activity. Mouse moves that do not move the
   pointer, painting and the caret-blink timer are not. */
bool MessageEndsIdle(const MSG &msg) {
  switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
      if (msg.pt.x == lastMouse.x && msg.pt.y == lastMouse.y && msg.message == lastMouse.message)
        return false;
      lastMouse.x = msg.pt.x;
      lastMouse.y = msg.pt.y;
      lastMouse.message = msg.message;
      return true;
    case WM_PAINT:
    case 0x0118:  // WM_SYSTIMER, the caret blink
      return false;
    default:
      return true;
  }
}

/* Whether a window is a text field of its own: an edit control, or a rich
   edit other than the page editor. */
static bool IsOtherTextField(HWND window) {
  if (window == nullptr || window == Ui.editor) return false;
  char className[32] = "";
  if (GetClassNameA(window, className, sizeof className) == 0) return false;
  return lstrcmpiA(className, "Edit") == 0 || _strnicmp(className, "RichEdit", 8) == 0;
}

/* Ctrl+Z, Ctrl+Y and Ctrl+D belong to the field that has the keys: in the
   folder's label edit or a Find field they undo, redo or do nothing there,
   never change the page unseen. */
bool KeyBelongsToTextField(const MSG &msg) {
  if (msg.message != WM_KEYDOWN) return false;
  if (msg.wParam != 'Z' && msg.wParam != 'Y' && msg.wParam != 'D') return false;
  return GetKeyState(VK_CONTROL) < 0 && IsOtherTextField(msg.hwnd);
}

/* Whether a key message ends an accelerator pressed with Alt (Alt+Left):
   Alt's release is not handed on. Wine's default handling, which never saw
   the key pressed with Alt since the accelerator took it, would open the
   menu bar on that release, and the next key typed would go to the menu
   (seen under Wine 8); Windows opens no menu there either. */
static bool EndsAltAccelerator(const MSG &msg, bool taken) {
  static bool altChordTaken = false;
  if (taken) {
    altChordTaken = msg.message == WM_SYSKEYDOWN;
    return false;
  }
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) altChordTaken = false;
  // The release comes as WM_KEYUP under Wine, as WM_SYSKEYUP on Windows.
  const bool released = msg.message == WM_SYSKEYUP || msg.message == WM_KEYUP;
  if (!altChordTaken || !released || msg.wParam != VK_MENU) return false;
  altChordTaken = false;
  return true;
}

/* Takes one message waiting for the thread and handles it, never waiting
   for one: the main window's accelerators come first, also while a Find or
   Replace dialog has the focus (F3 works there), then the dialog's own keys.
   Messages sent to the thread are handled on the way and leave nothing to
   take. */
PumpResult PumpOneMessage(MSG *msg) {
  if (!PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE)) return PUMP_NONE;
  if (msg->message == WM_QUIT) return PUMP_QUIT;
  if (MainWindow != nullptr && AccelTable != nullptr && !KeyBelongsToTextField(*msg) &&
      TranslateAcceleratorA(MainWindow, AccelTable, msg)) {
    EndsAltAccelerator(*msg, true);
    return PUMP_HANDLED;
  }
  if (EndsAltAccelerator(*msg, false)) return PUMP_HANDLED;
  if (RouteToModelessDialog(msg)) return PUMP_HANDLED;
  TranslateMessage(msg);
  DispatchMessageA(msg);
  return PUMP_HANDLED;
}

DWORD WaitForMessageOrHandles(DWORD count, const HANDLE *handles, DWORD timeout) {
  return MsgWaitForMultipleObjectsEx(count, handles, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

/* Work done a slice at a time from the idle step, not finished yet: the
   search of all pages, the listing of Open Page, the changes other
   programs made to the notebook once they settled, and the search index's
   upkeep. Whatever started it (a
   click, or a message another program sent, which is handled inside the
   peek and leaves nothing queued), the loop goes on with it rather than
   sleep. */
static bool SlicedWorkPending() {
  return FindAllRunning() || OpenPageListing() || NotebookChangesPending() || IndexUpkeepPending() ||
         DeletedVersionsPending();
}

/* Sleeps until a message comes or a watch of the notebook reports; while
   a recovery copy of unsaved text is due, or changes to the notebook are
   settling, no longer than until then. With nothing pending it sleeps for
   as long as nothing happens. */
static void SleepUntilMessage() {
  HANDLE handles[NOTEBOOK_WATCH_HANDLES];
  DWORD count = NotebookWatchHandles(handles);
  DWORD recoveryDue = RecoveryCopyDueIn();
  DWORD changesDue = NotebookChangesDueIn();
  DWORD woke = WaitForMessageOrHandles(count, handles, recoveryDue < changesDue ? recoveryDue : changesDue);
  if (woke >= WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + count)
    TakeNotebookWatchRecords();
  else if (woke == WAIT_TIMEOUT)
    KeepRecoveryCopy();
}

/* Messages first; then the idle steps of the period, and the sliced work for
   as long as there is some; then sleep. The loop never blocks inside
   GetMessage, so work pending always goes on. */
int RunMessageLoop() {
  bool idle = true;
  int idleCount = 0;
  MSG msg;
  for (;;) {
    PumpResult pumped = PumpOneMessage(&msg);
    if (pumped == PUMP_QUIT) return ReleaseAppResources();
    if (pumped == PUMP_HANDLED) {
      if (MessageEndsIdle(msg)) {
        idle = true;
        idleCount = 0;
      }
      continue;
    }
    if (idle || SlicedWorkPending()) {
      if (!RunIdleStep(idleCount)) idle = false;
      if (idleCount < INT_MAX) ++idleCount;
      continue;
    }
    SleepUntilMessage();
  }
}

int ReleaseAppResources() {
  StopWatchingNotebook();
  CloseIndex();
  ReleaseDisplayScale();
  if (Ui.treeImageList != nullptr) {
    ImageList_Destroy(Ui.treeImageList);
    Ui.treeImageList = nullptr;
  }
  delete[] WorkFolderPath;
  WorkFolderPath = nullptr;
  delete[] SavedPagePath;
  SavedPagePath = nullptr;
  if (RichEditLibrary != nullptr) {
    FreeLibrary(RichEditLibrary);
    RichEditLibrary = nullptr;
  }
  return 0;
}

int TavMain(HINSTANCE instance, int showCommand) {
  AppInstance = instance;
  HWND running = FindWindowA("TAV", nullptr);
  if (running != nullptr) {
    SetForegroundWindow(running);
    return 0;
  }
  int exitCode = 0;
  if (!InitPlatformLibraries(&exitCode)) return exitCode;
  if (!RegisterWindowClasses()) return -1;
  UseSettingsPlace();
  if (CreateMainWindow() == nullptr) return 0;
  if (SendMessageA(MainWindow, UM_CREATECHILDREN, 0, 0) == 0) {
    DestroyWindow(MainWindow);
    return 0;
  }
  ShowWindow(MainWindow, showCommand);
  UpdateWindow(MainWindow);
  AccelTable = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_MAIN));
  return RunMessageLoop();
}
