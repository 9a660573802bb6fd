// Dragging: a page dragged from its tab, or a folder dragged in the tree, onto
// a folder node moves it there. While the mouse is held the node under it is
// highlighted as the drop target, a node held under it for a second opens,
// the tree scrolls near its top and bottom edges, and Escape gives up. The
// tree also takes files dropped from other programs.
#include "notebook/notebook.h"

#include <stdlib.h>
#include <string.h>

#include "base/dpi.h"

// The tree's timer while a drag is in progress, and its beat; a node under
// the mouse this long opens.
enum { DRAG_TIMER = 0x7441, DRAG_TICK_MS = 100, HOVER_OPENS_MS = 1000 };
// The tree's images: a closed folder, and the page sheet the tree has no
// other use for.
enum { FOLDER_PICTURE = 1, PAGE_PICTURE = 3 };

static struct {
  bool pressed;   // a tab is held down, not yet dragged far enough
  bool dragging;
  MoveKind kind;
  HWND source;    // the window the drag started in; it has the mouse
  HWND focusBefore;
  char from[PATH_BUFFER_SIZE];  // the page's or the folder's path
  POINT pressedAt;              // in the tab strip
  POINT last;                   // the mouse, on the screen
  HTREEITEM hover;              // the node under the mouse, and since when
  DWORD hoverSince;
  HTREEITEM target;             // highlighted as the drop target
  bool picture;                 // a drag image is shown
} Drag;

/* ---- the drop target ---- */

static HTREEITEM NodeAt(POINT screen) {
  TVHITTESTINFO hit = {};
  hit.pt = screen;
  if (Ui.tree == nullptr || !ScreenToClient(Ui.tree, &hit.pt)) return nullptr;
  HTREEITEM node = TreeView_HitTest(Ui.tree, &hit);
  return (hit.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT)) ? node : nullptr;
}

/* Whether a drop on the folder would change anything: a page goes to
   another folder than its own, a folder below another than its parent and
   never into itself or below it. */
static bool WouldMoveInto(const char *folder) {
  char parent[PATH_BUFFER_SIZE];
  const char *name;
  if (!SplitItemPath(Drag.from, parent, &name) || FolderPathsEqual(parent, folder)) return false;
  return Drag.kind == MOVE_PAGE || !PathIsAtOrBelow(folder, Drag.from);
}

/* A link's node takes nothing: what it leads to is not listed, and may be
   outside the notebook or below the folder dragged. The tree never lists
   below a link, so the node itself tells. */
static bool IsDropTarget(HTREEITEM node) {
  char folder[PATH_BUFFER_SIZE];
  return node != nullptr && !(FolderNodeState(node) & NODE_LINK) && GetFolderPath(node, folder) &&
         WouldMoveInto(folder);
}

/* ---- the picture that follows the mouse ---- */

static POINT InMainWindow(POINT screen) {
  RECT frame = {};
  GetWindowRect(MainWindow, &frame);
  return POINT{screen.x - frame.left, screen.y - frame.top};
}

/* The tree's own picture of a folder or a page, made for the window's
   display, below and right of the pointer's tip. */
static void ShowDragPicture(POINT screen) {
  if (Ui.treeImageList == nullptr) return;
  const int offset = MetricForDpi(SM_CXCURSOR, CurrentDpi()) / 2;
  int picture = Drag.kind == MOVE_PAGE ? PAGE_PICTURE : FOLDER_PICTURE;
  if (!ImageList_BeginDrag(Ui.treeImageList, picture, -offset, -offset)) return;
  POINT at = InMainWindow(screen);
  Drag.picture = ImageList_DragEnter(MainWindow, at.x, at.y) != FALSE;
  if (!Drag.picture) ImageList_EndDrag();
}

// The picture is drawn over the window: it is taken away while the tree
// below it changes, and drawn again after.
static void HidePicture() {
  if (!Drag.picture) return;
  ImageList_DragShowNolock(FALSE);
}

static void ShowPicture() {
  if (!Drag.picture) return;
  UpdateWindow(Ui.tree);
  ImageList_DragShowNolock(TRUE);
}

static void EndDragPicture() {
  if (!Drag.picture) return;
  ImageList_DragLeave(MainWindow);
  ImageList_EndDrag();
  Drag.picture = false;
}

/* ---- the drag ---- */

/* The mouse at a point on the screen: the node under it, the highlight,
   the pointer and the picture. */
static void DragTo(POINT screen) {
  Drag.last = screen;
  HTREEITEM node = NodeAt(screen);
  if (node != Drag.hover) {
    Drag.hover = node;
    Drag.hoverSince = GetTickCount();
  }
  HTREEITEM target = IsDropTarget(node) ? node : nullptr;
  if (target != Drag.target) {
    HidePicture();
    TreeView_SelectDropTarget(Ui.tree, target);
    Drag.target = target;
    ShowPicture();
  }
  SetCursor(LoadCursorA(nullptr, target != nullptr ? IDC_ARROW : IDC_NO));
  if (Drag.picture) {
    POINT at = InMainWindow(screen);
    ImageList_DragMove(at.x, at.y);
  }
}

static void StartDrag(MoveKind kind, const char *from, HWND source, POINT screen) {
  if (strlen(from) >= PATH_BUFFER_SIZE || Ui.tree == nullptr) return;
  Drag.pressed = false;
  Drag.dragging = true;
  Drag.kind = kind;
  if (from != Drag.from) strcpy(Drag.from, from);
  Drag.source = source;
  Drag.hover = Drag.target = nullptr;
  SetCapture(source);
  // Escape reaches the window with the focus.
  Drag.focusBefore = GetFocus();
  if (Drag.focusBefore != source) SetFocus(source);
  SetTimer(Ui.tree, DRAG_TIMER, DRAG_TICK_MS, nullptr);
  ShowDragPicture(screen);
  DragTo(screen);
}

/* Everything the drag set up goes; the focus goes back where it was. */
static void EndDrag() {
  if (!Drag.dragging) return;
  Drag.dragging = false;
  KillTimer(Ui.tree, DRAG_TIMER);
  EndDragPicture();
  TreeView_SelectDropTarget(Ui.tree, nullptr);
  if (GetCapture() == Drag.source) ReleaseCapture();
  if (Drag.focusBefore != Drag.source && Drag.focusBefore != nullptr &&
      IsWindow(Drag.focusBefore))
    SetFocus(Drag.focusBefore);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

/* The drop: a folder where nothing would change takes nothing; a folder
   below the one dragged is refused with a word, as the dialog refuses it. */
static void DropAt(POINT screen) {
  HTREEITEM node = NodeAt(screen);
  char folder[PATH_BUFFER_SIZE], from[PATH_BUFFER_SIZE], parent[PATH_BUFFER_SIZE];
  const char *name;
  bool onFolder = node != nullptr && GetFolderPath(node, folder);
  EndDrag();
  strcpy(from, Drag.from);
  if (!onFolder || !SplitItemPath(from, parent, &name) || FolderPathsEqual(parent, folder) ||
      FolderPathsEqual(folder, from))
    return;
  MoveItem(Drag.kind, from, folder);
}

/* Near the top or bottom edge, or beyond it, the tree scrolls a line each
   beat. */
static void ScrollNearEdges() {
  POINT at = Drag.last;
  RECT client;
  if (!ScreenToClient(Ui.tree, &at) || !GetClientRect(Ui.tree, &client)) return;
  if (at.x < client.left || at.x >= client.right) return;
  const int band = TreeView_GetItemHeight(Ui.tree);
  int direction = at.y < client.top + band ? SB_LINEUP
                  : at.y >= client.bottom - band ? SB_LINEDOWN : -1;
  if (direction < 0) return;
  HidePicture();
  SendMessageA(Ui.tree, WM_VSCROLL, MAKEWPARAM(direction, 0), 0);
  ShowPicture();
}

/* A closed folder held under the mouse for a second opens. */
static void OpenHoveredFolder() {
  HTREEITEM node = Drag.hover;
  if (node == nullptr || GetTickCount() - Drag.hoverSince < HOVER_OPENS_MS) return;
  if (TreeView_GetItemState(Ui.tree, node, TVIS_EXPANDED) & TVIS_EXPANDED) return;
  HidePicture();
  ListFolderNode(node, false);
  TreeView_Expand(Ui.tree, node, TVE_EXPAND);
  ShowPicture();
}

static void OnDragBeat() {
  ScrollNearEdges();
  OpenHoveredFolder();
  DragTo(Drag.last);
}

/* What the window the drag started in gets while it lasts; true for what
   the drag takes. Keys other than Escape do nothing meanwhile. */
static bool TakeDragMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  switch (message) {
    case WM_MOUSEMOVE:
      ClientToScreen(window, &at);
      DragTo(at);
      return true;
    case WM_LBUTTONUP:
      ClientToScreen(window, &at);
      DropAt(at);
      return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (wParam == VK_ESCAPE) EndDrag();
      return true;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
      return true;
    case WM_RBUTTONDOWN:
      EndDrag();
      return true;
    case WM_CAPTURECHANGED:
      // Another window took the mouse (a box, another program): the drag
      // is given up.
      if (reinterpret_cast<HWND>(lParam) != window) EndDrag();
      return false;
  }
  return false;
}

/* ---- the tree ---- */

static LRESULT CALLBACK TreeDragProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR) {
  if (message == WM_DROPFILES) {
    OnFilesDropped(reinterpret_cast<HDROP>(wParam));
    return 0;
  }
  if (message == WM_TIMER && wParam == DRAG_TIMER) {
    if (Drag.dragging) OnDragBeat();
    return 0;
  }
  if (Drag.dragging && Drag.source == tree && TakeDragMessage(tree, message, wParam, lParam))
    return 0;
  return DefSubclassProc(tree, message, wParam, lParam);
}

bool DragUnderway() { return Drag.pressed || Drag.dragging; }

/* On Windows a tree item's handle is its address: a node deleted while the
   mouse is over it (a folder another program removed) must not be used at
   the next beat. */
void ForgetDragNode(HTREEITEM node) {
  if (node == nullptr) return;
  if (Drag.hover == node) Drag.hover = nullptr;
  if (Drag.target == node) Drag.target = nullptr;
}

void WatchTreeForDrags(HWND tree) {
  SetWindowSubclass(tree, TreeDragProc, 0, 0);
  DragAcceptFiles(tree, TRUE);
}

/* The tree has seen the mouse go past the drag distance with a node held;
   the root, the work folder itself, stays where it is. */
LRESULT OnTreeBeginDrag(const NMTREEVIEWA *drag) {
  HTREEITEM node = drag->itemNew.hItem;
  char folder[PATH_BUFFER_SIZE];
  if (Drag.dragging || node == nullptr || !TreeHasParent(node) || !GetFolderPath(node, folder))
    return 0;
  POINT at = drag->ptDrag;
  ClientToScreen(Ui.tree, &at);
  StartDrag(MOVE_FOLDER, folder, Ui.tree, at);
  return 0;
}

/* ---- the tab strip ---- */

/* A tab held down: its page may be dragged once the mouse goes past the
   system's drag distance. Pressing it has shown its page (or said why not)
   by then; the mouse is watched outside the strip too. */
static void NoteTabPressed(HWND tabs, LPARAM lParam) {
  TCHITTESTINFO hit = {};
  hit.pt = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  int tab = TabCtrl_HitTest(tabs, &hit);
  char fileName[PATH_BUFFER_SIZE];
  if (tab < 0 || Drag.dragging || !GetPageFileName(tab, fileName) ||
      !JoinPath(PageFolder, fileName, Drag.from))
    return;
  Drag.pressed = true;
  Drag.pressedAt = hit.pt;
  SetCapture(tabs);
}

static void ReleasePressedTab(HWND tabs) {
  Drag.pressed = false;
  if (GetCapture() == tabs) ReleaseCapture();
}

/* Past the drag distance, measured as the system measures it for the
   window's display. */
static bool PastDragDistance(POINT at) {
  const int dpi = DpiOfWindow(Ui.tabs);
  return abs(at.x - Drag.pressedAt.x) > MetricForDpi(SM_CXDRAG, dpi) / 2 ||
         abs(at.y - Drag.pressedAt.y) > MetricForDpi(SM_CYDRAG, dpi) / 2;
}

static LRESULT CALLBACK TabDragProc(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR) {
  if (Drag.dragging && Drag.source == tabs && TakeDragMessage(tabs, message, wParam, lParam))
    return 0;
  if (message == WM_LBUTTONDOWN) {
    LRESULT result = DefSubclassProc(tabs, message, wParam, lParam);
    NoteTabPressed(tabs, lParam);
    return result;
  }
  if (Drag.pressed) {
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (message == WM_LBUTTONUP || (message == WM_MOUSEMOVE && !(wParam & MK_LBUTTON))) {
      ReleasePressedTab(tabs);
    } else if (message == WM_MOUSEMOVE && PastDragDistance(at)) {
      ClientToScreen(tabs, &at);
      StartDrag(MOVE_PAGE, Drag.from, tabs, at);
      return 0;
    } else if (message == WM_CAPTURECHANGED && reinterpret_cast<HWND>(lParam) != tabs) {
      Drag.pressed = false;
    }
  }
  return DefSubclassProc(tabs, message, wParam, lParam);
}

void WatchTabStripForDrags(HWND tabs) { SetWindowSubclass(tabs, TabDragProc, 0, 0); }
