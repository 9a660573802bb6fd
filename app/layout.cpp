// Where the children go, and the splitter bar with which the user moves the
// boundary between the folder tree and the pages.
#include "app/app.h"

#include <windowsx.h>

static bool dragActive;
static int dragStartPermille;

/* A tree share outside 1..999 thousandths hides the tree and starts it again
   at half the width. Returns whether the share is usable. */
bool NormalizeTreeShare(int *permille, bool *visible) {
  if (*permille <= 0 || *permille >= 1000) {
    *visible = false;
    *permille = 500;
    return false;
  }
  return true;
}

/* The places of the tab strip, tree and splitter bar, and the rectangle the
   tab strip turns into the editor's place. Rectangles hold x, y, width and
   height. */
LayoutPlan PlanLayout(int clientWidth, int clientHeight, int toolbarHeight, int permille,
                      bool visible, int splitterWidth) {
  LayoutPlan plan = {};
  plan.bandTop = toolbarHeight - 1;
  int share = 0;
  if (visible) share = static_cast<int>(static_cast<long long>(clientWidth) * permille / 1000);
  plan.treeShare = share;
  int bandHeight = clientHeight - plan.bandTop;
  plan.tabs = {share, plan.bandTop, clientWidth - share, bandHeight};
  // A share narrower than the bar would give the tree a negative width: the
  // tree then gets none, and the bar keeps its full width so it can still be
  // grabbed.
  int treeWidth = share - splitterWidth;
  if (treeWidth < 0) treeWidth = 0;
  plan.tree = {0, plan.bandTop, treeWidth, bandHeight};
  plan.splitter = {treeWidth, plan.bandTop, splitterWidth, bandHeight};
  plan.editorArea = {0, 0, clientWidth - share, clientHeight - toolbarHeight};
  return plan;
}

int PermilleFromSplitterX(int x, int clientWidth) {
  return static_cast<int>(static_cast<long long>(x) * 1000 / clientWidth);
}

void LayoutChildren() {
  if (Ui.toolbar == nullptr || MainWindow == nullptr || Ui.tree == nullptr) return;
  RECT client, toolbarRect;
  GetClientRect(MainWindow, &client);
  GetWindowRect(Ui.toolbar, &toolbarRect);
  int toolbarHeight = toolbarRect.bottom - toolbarRect.top;
  NormalizeTreeShare(&Ui.treeWidthPermille, &Ui.treeVisible);
  LayoutPlan plan = PlanLayout(client.right, client.bottom, toolbarHeight, Ui.treeWidthPermille,
                               Ui.treeVisible, Ui.splitterWidth);
  RECT editor = plan.editorArea;
  if (Ui.tabs != nullptr) SendMessageA(Ui.tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&editor));
  OffsetRect(&editor, plan.treeShare, 0);

  HDWP batch = BeginDeferWindowPos(4);
  if (batch != nullptr && Ui.tabs != nullptr)
    batch = DeferWindowPos(batch, Ui.tabs, nullptr, plan.tabs.left, plan.tabs.top, plan.tabs.right,
                           plan.tabs.bottom, SWP_NOZORDER);
  if (batch != nullptr && Ui.editor != nullptr)
    batch = DeferWindowPos(batch, Ui.editor, HWND_TOP, editor.left, editor.top + toolbarHeight,
                           editor.right - editor.left, editor.bottom - editor.top, SWP_SHOWWINDOW);
  const UINT shown = SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW;
  const UINT hidden = SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
  if (batch != nullptr)
    batch = Ui.treeVisible
                ? DeferWindowPos(batch, Ui.tree, nullptr, plan.tree.left, plan.tree.top,
                                 plan.tree.right, plan.tree.bottom, shown)
                : DeferWindowPos(batch, Ui.tree, nullptr, 0, 0, 0, 0, hidden);
  if (batch != nullptr && Ui.splitter != nullptr)
    batch = Ui.treeVisible
                ? DeferWindowPos(batch, Ui.splitter, nullptr, plan.splitter.left,
                                 plan.splitter.top, plan.splitter.right, plan.splitter.bottom,
                                 shown)
                : DeferWindowPos(batch, Ui.splitter, nullptr, 0, 0, 0, 0, hidden);
  if (batch != nullptr) EndDeferWindowPos(batch);
}

static void EndDrag() {
  dragActive = false;
  ReleaseCapture();
}

/* One step of a drag: the tree's right edge follows the pointer. Reaching
   either edge of the client area hides the tree and ends the drag, keeping
   the width it had before. */
static void DragStep(HWND bar, LPARAM lParam) {
  if (!dragActive || MainWindow == nullptr) return;
  POINT pointer = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(bar, &pointer);
  ScreenToClient(MainWindow, &pointer);
  RECT client;
  GetClientRect(MainWindow, &client);
  if (pointer.x < client.left || pointer.x > client.right) return;
  int width = client.right - client.left;
  if (width <= 0) return;  // nothing to divide while the window has no width
  Ui.treeWidthPermille = PermilleFromSplitterX(pointer.x, width);
  LayoutChildren();
  if (!Ui.treeVisible) {
    Ui.treeWidthPermille = dragStartPermille;
    EndDrag();
  }
}

static void PaintSplitter(HWND bar) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(bar, &paint);
  if (dc == nullptr) return;
  RECT area;
  GetClientRect(bar, &area);
  DrawSplitterBar(dc, area);
  EndPaint(bar, &paint);
}

LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      if (!dragActive) {
        dragActive = true;
        dragStartPermille = Ui.treeWidthPermille;
        SetCapture(window);
      }
      return 0;
    case WM_MOUSEMOVE:
      DragStep(window, lParam);
      return 0;
    case WM_LBUTTONUP:
      if (dragActive) EndDrag();
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != window && dragActive) dragActive = false;
      return 0;
    case WM_SETCURSOR:
      SetCursor(Ui.splitterCursor);
      return 1;
    case WM_PAINT:
      PaintSplitter(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
