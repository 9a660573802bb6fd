// The main window and its children drawn for the display they are on: the
// toolbar and tree images, the font of the tree and tab strip, the splitter
// bar's width and cursor, the window's icons and the editor's zoom made for
// its DPI, and made again when the window moves to a display of another
// scaling; and a stored window rectangle brought to the display it returns
// on.
#include "app/display_scale.h"

#include "app/app.h"
#include "base/theme.h"
#include "editing/editing.h"
#include "toolbar/toolbar.h"

namespace {

// What the main window's children were last made for, besides their DPI.
struct DisplayState {
  HFONT font = nullptr;  // tree and tab strip
  HIMAGELIST toolbarImages = nullptr;
  HIMAGELIST disabledImages = nullptr;  // the dark look's; the control greys its own
  HCURSOR splitterCursor = nullptr;
  HICON bigIcon = nullptr, smallIcon = nullptr;
};
DisplayState State;

const Art ToolbarArt = {IDB_TOOLBAR, IDB_TOOLBAR_150, {16, 15, 24, 22}, CATALOGUE_SIZE,
                        0xC0C0C0, true, COLOR_BTNFACE};
// The dark drawings keep their own colours (resources/art/toolbar-dark.txt).
const Art DarkToolbarArt = {IDB_TOOLBAR_DARK, IDB_TOOLBAR_DARK_150, {16, 15, 24, 22},
                            CATALOGUE_SIZE, 0x101010, false, COLOR_BTNFACE};

// The toolbar's padding at 96 per inch: the control's own default, which it
// does not grow with the display.
const int ToolbarPaddingX = 7, ToolbarPaddingY = 6;
// The sizes resources/art/splitter.txt gives the cursor (tools/pixelart.py).
const int CursorSizes[] = {32, 48, 64, 96};

// The pictures of commands not available: in the light look the control
// greys its pictures itself; on the dark face that grey would be the
// lighter, so the dark look gives grey shapes of its own.
void ApplyDisabledToolbarImages(int dpi) {
  HIMAGELIST disabled = nullptr;
  if (ThemeIsDark()) {
    const ThemeColours &colours = CurrentColours();
    disabled = MakeArtSilhouettes(DarkToolbarArt, dpi, colours.face, colours.line);
  }
  if (disabled != nullptr || State.disabledImages != nullptr)
    SendMessageA(Ui.toolbar, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled));
  if (State.disabledImages != nullptr) ImageList_Destroy(State.disabledImages);
  State.disabledImages = disabled;
}

void ApplyToolbarImages(int dpi) {
  if (Ui.toolbar == nullptr) return;
  HIMAGELIST images = ThemeIsDark()
                          ? MakeArtImagesOn(DarkToolbarArt, dpi, CurrentColours().face)
                          : MakeArtImages(ToolbarArt, dpi);
  if (images == nullptr) return;
  int width = 0, height = 0;
  ImageList_GetIconSize(images, &width, &height);
  SendMessageA(Ui.toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  SendMessageA(Ui.toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
  // The buttons' padding grows with the images; the toolbar's own padding
  // is left alone (Wine cuts what TB_SETPADDING asks for to 2 pixels).
  SendMessageA(Ui.toolbar, TB_SETBUTTONSIZE, 0,
               MAKELPARAM(width + ScaleForDpi(ToolbarPaddingX, dpi),
                          height + ScaleForDpi(ToolbarPaddingY, dpi)));
  SendMessageA(Ui.toolbar, TB_AUTOSIZE, 0, 0);
  if (State.toolbarImages != nullptr) ImageList_Destroy(State.toolbarImages);
  State.toolbarImages = images;
  ApplyDisabledToolbarImages(dpi);
}

void ApplyTreeImages(int dpi) {
  if (Ui.tree != nullptr) ApplyTreeArt(Ui.tree, dpi, &Ui.treeImageList);
}

void ApplyFont(int dpi) {
  LOGFONTW message;
  if (!MessageFontForDpi(dpi, &message)) return;
  HFONT font = CreateFontIndirectW(&message);
  if (font == nullptr) return;
  if (Ui.tabs != nullptr) {
    SendMessageA(Ui.tabs, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    ApplyTabPadding(Ui.tabs);
  }
  if (Ui.tree != nullptr) SendMessageA(Ui.tree, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (State.font != nullptr) DeleteObject(State.font);
  State.font = font;
}

// The cursor in the size the system shows cursors at on this display, or the
// nearest the cursor holds: stretching a two-colour cursor makes its lines
// uneven.
void ApplyCursor(int dpi) {
  const int size = NearestSize(MetricForDpi(SM_CXCURSOR, dpi), CursorSizes,
                               sizeof CursorSizes / sizeof CursorSizes[0]);
  HCURSOR cursor = static_cast<HCURSOR>(
      LoadImageA(AppInstance, MAKEINTRESOURCEA(IDC_SPLITTER), IMAGE_CURSOR, size, size, 0));
  if (cursor == nullptr) return;
  Ui.splitterCursor = cursor;
  if (State.splitterCursor != nullptr) DestroyCursor(State.splitterCursor);
  State.splitterCursor = cursor;
}

HICON IconOfSize(int size) {
  return static_cast<HICON>(
      LoadImageA(AppInstance, MAKEINTRESOURCEA(IDI_TAV), IMAGE_ICON, size, size, 0));
}

void ApplyIcons(int dpi) {
  if (MainWindow == nullptr) return;
  HICON big = IconOfSize(MetricForDpi(SM_CXICON, dpi));
  HICON small = IconOfSize(MetricForDpi(SM_CXSMICON, dpi));
  if (big != nullptr) SendMessageA(MainWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (small != nullptr)
    SendMessageA(MainWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  if (big != nullptr) {
    if (State.bigIcon != nullptr) DestroyIcon(State.bigIcon);
    State.bigIcon = big;
  }
  if (small != nullptr) {
    if (State.smallIcon != nullptr) DestroyIcon(State.smallIcon);
    State.smallIcon = small;
  }
}

}  // namespace

void ApplyDisplayScale(int dpi) {
  if (dpi <= 0) dpi = BASE_DPI;
  Ui.dpi = dpi;
  Ui.splitterWidth = MetricForDpi(SM_CXFRAME, dpi);
  ApplyFont(dpi);
  ApplyTreeImages(dpi);
  ApplyToolbarImages(dpi);
  ApplyCursor(dpi);
  ApplyIcons(dpi);
  ApplyEditorZoom(Ui.editor);
}

// The pictures of the toolbar and the tree in the look in force.
void ApplyThemedImages() {
  ApplyToolbarImages(Ui.dpi);
  ApplyTreeImages(Ui.dpi);
}

void OnDpiChanged(int dpi, const RECT *suggested) {
  ApplyDisplayScale(dpi);
  if (suggested != nullptr && MainWindow != nullptr)
    SetWindowPos(MainWindow, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  // The same size sends no WM_SIZE, and the toolbar's height may have changed.
  if (Ui.toolbar != nullptr) SendMessageA(Ui.toolbar, TB_AUTOSIZE, 0, 0);
  LayoutChildren();
}

void ReleaseDisplayScale() {
  if (State.font != nullptr) DeleteObject(State.font);
  if (State.toolbarImages != nullptr) ImageList_Destroy(State.toolbarImages);
  if (State.disabledImages != nullptr) ImageList_Destroy(State.disabledImages);
  if (State.splitterCursor != nullptr) DestroyCursor(State.splitterCursor);
  if (State.bigIcon != nullptr) DestroyIcon(State.bigIcon);
  if (State.smallIcon != nullptr) DestroyIcon(State.smallIcon);
  State = DisplayState();
  Ui.dpi = BASE_DPI;
}

void FitStoredRectToDisplay(RECT *rect, int storedDpi) {
  const LONG unset = static_cast<LONG>(CW_USEDEFAULT);
  if (rect->left == unset || rect->top == unset) return;
  RECT where = {rect->left, rect->top, rect->left + 1, rect->top + 1};
  if (rect->right != unset && rect->bottom != unset && rect->right > rect->left &&
      rect->bottom > rect->top)
    where = *rect;
  POINT origin;
  const int dpi = DpiOfDisplayAt(where, &origin);
  *rect = ScaleWindowRect(*rect, origin, storedDpi, dpi);
}

