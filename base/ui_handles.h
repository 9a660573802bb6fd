// The program-wide records every layer reads: the main window's children and
// layout state, the program's flags and handles, the two path buffers, the
// private messages and control ids; the error boxes; and the small questions
// asked of the main window's controls. Nothing here calls up: a lower module
// that needs the window laid out again, or has news for the main window,
// says so with a message.
#ifndef TAV_UI_HANDLES_H
#define TAV_UI_HANDLES_H

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "../resources/resource.h"
#include "base/paths.h"

// Message texts quoting one name, and two.
enum { MESSAGE_BUFFER_SIZE = 324, MESSAGE2_BUFFER_SIZE = 584 };

// Private messages of the main window. The first two start the children and
// refresh the toolbar; the others bring news from the layers below, which
// never call up: the window is to be laid out again; a fresh tab strip (its
// handle in wParam) took the old one's place; a page file was written anew
// by a save (lParam: its full path, valid during the call); the tab strip
// now lists the folder shown, or that folder was made again (wParam TRUE):
// it is to be watched.
enum {
  UM_CREATECHILDREN = WM_USER + 100,
  UM_IDLEUPDATE = WM_USER + 101,
  UM_LAYOUTCHILDREN = WM_USER + 102,
  UM_TABSTRIPMADE = WM_USER + 103,
  UM_PAGEWRITTEN = WM_USER + 104,
  UM_FOLDERSHOWN = WM_USER + 105,
};

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
  int dpi;  // the display's the children were last made for
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

/* messages.cpp */
void ShowSystemError(const char *context);
void ShowSystemErrorAbout(const char *format, const char *name);
// One notice naming what a listing left out because the process code page
// cannot hold the names; folder names where, or is null for the tree.
void ShowNamesLeftOut(const std::vector<std::wstring> &names, const char *folder);

/* program.cpp */
// True while a message box or dialog owned by the main window waits for the
// user: a modeless window then changes neither the folder nor the page shown,
// which the question may name.
bool MainWindowWaitsForUser();
// The news for the main window (the UM_ messages above); nothing when there
// is no main window.
void TellMainWindow(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
void RequestLayout();
bool EditorIsModified();
void EditorSetModified(bool modified);
// The editor shows no page, or one that must never be written back.
bool EditorIsReadOnly();
bool TreeHasParent(HTREEITEM item);
HTREEITEM SelectedTreeNode();
int SelectedTab();  // -1 when no tab is selected or there is no tab strip

#endif
