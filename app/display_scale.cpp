// The main window and its children drawn for the display they are on: the
// DPI of each window where Windows tells it (Windows 10 1607 and later), the
// system's elsewhere; the toolbar and tree images, the font of the tree and
// tab strip, the splitter bar's width and cursor, the window's icons and the
// editor's zoom made for that DPI, and made again when the window moves to a
// display of another scaling. Also the program's dialogs in the message
// font, and a stored window rectangle brought to the display it returns on.
#include "app/display_scale.h"

#include <richedit.h>

#include "app/ui_handles.h"
#include "toolbar/toolbar.h"

namespace {

// Functions newer Windows has, looked up so that TAV still runs on Windows 7.
struct DpiFunctions {
  UINT(WINAPI *dpiForWindow)(HWND);
  UINT(WINAPI *dpiForSystem)();
  int(WINAPI *metricsForDpi)(int, UINT);
  BOOL(WINAPI *parametersForDpi)(UINT, UINT, PVOID, UINT, UINT);
  HRESULT(WINAPI *dpiForMonitor)(HMONITOR, int, UINT *, UINT *);
};

template <typename Function>
void Find(HMODULE module, const char *name, Function *function) {
  *function = module != nullptr ? reinterpret_cast<Function>(
                                      reinterpret_cast<void *>(GetProcAddress(module, name)))
                                : nullptr;
}

const DpiFunctions &Dpi() {
  static const DpiFunctions functions = [] {
    DpiFunctions found = {};
    HMODULE user = GetModuleHandleA("user32.dll");
    Find(user, "GetDpiForWindow", &found.dpiForWindow);
    Find(user, "GetDpiForSystem", &found.dpiForSystem);
    Find(user, "GetSystemMetricsForDpi", &found.metricsForDpi);
    Find(user, "SystemParametersInfoForDpi", &found.parametersForDpi);
    // Windows 8.1 and later; the library stays loaded for the run.
    Find(LoadLibraryA("shcore.dll"), "GetDpiForMonitor", &found.dpiForMonitor);
    return found;
  }();
  return functions;
}

// What the main window's children were last made for.
struct DisplayState {
  int dpi = BASE_DPI;
  HFONT font = nullptr;  // tree and tab strip
  HIMAGELIST toolbarImages = nullptr;
  HCURSOR splitterCursor = nullptr;
  HICON bigIcon = nullptr, smallIcon = nullptr;
};
DisplayState State;

// Two drawings of each piece of art, for 100 % and 150 %.
struct Art {
  int resource100, resource150;
  ArtSizes sizes;
  int count;
  uint32_t key;             // transparent
  bool buttonColours;       // black, greys and white follow the system's button colours
  int backgroundColour;     // what the images are shown on
};
const Art ToolbarArt = {IDB_TOOLBAR, IDB_TOOLBAR_150, {16, 15, 24, 22}, CATALOGUE_SIZE,
                        0xC0C0C0, true, COLOR_BTNFACE};
const Art TreeArt = {IDB_TREE, IDB_TREE_150, {16, 14, 24, 21}, 4, 0xFF00FF, false, COLOR_WINDOW};

// Toolbar and tab padding and the tree's indentation at 96 per inch: the
// controls' own defaults, which they do not grow with the display.
const int ToolbarPaddingX = 7, ToolbarPaddingY = 6;
const int TabPaddingX = 6, TabPaddingY = 3;
const int TreeIndent = 19;
// The sizes resources/art/splitter.txt gives the cursor (tools/pixelart.py).
const int CursorSizes[] = {32, 48, 64, 96};

// A bitmap of 32-bit pixels, top row first.
BITMAPINFO PixelFormat(int width, int height) {
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  return format;
}

uint32_t RgbOf(COLORREF colour) {
  return (static_cast<uint32_t>(GetRValue(colour)) << 16) |
         (static_cast<uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

// The strip of drawings as pixels, the key colour transparent, and black,
// greys and white as the system's button colours where the art wants that
// (the toolbar did so when it loaded its bitmap itself).
bool ReadStrip(int resource, const Art &art, ArtImage *strip) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(AppInstance, MAKEINTRESOURCEA(resource),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return false;
  BITMAP info = {};
  bool ok = GetObjectA(bitmap, sizeof info, &info) == sizeof info && info.bmWidth > 0 &&
            info.bmHeight > 0;
  if (ok) {
    strip->width = info.bmWidth;
    strip->height = info.bmHeight;
    strip->pixels.assign(static_cast<size_t>(info.bmWidth) * info.bmHeight, 0);
    BITMAPINFO format = PixelFormat(info.bmWidth, info.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    ok = dc != nullptr && GetDIBits(dc, bitmap, 0, info.bmHeight, strip->pixels.data(), &format,
                                    DIB_RGB_COLORS) == info.bmHeight;
    if (dc != nullptr) DeleteDC(dc);
  }
  DeleteObject(bitmap);
  if (!ok) return false;
  const uint32_t text = RgbOf(GetSysColor(COLOR_BTNTEXT));
  const uint32_t shadow = RgbOf(GetSysColor(COLOR_BTNSHADOW));
  const uint32_t light = RgbOf(GetSysColor(COLOR_BTNHIGHLIGHT));
  for (uint32_t &pixel : strip->pixels) {
    uint32_t rgb = pixel & 0xFFFFFF;
    if (rgb == art.key) {
      pixel = 0;
      continue;
    }
    if (art.buttonColours)
      rgb = rgb == 0 ? text : rgb == 0x808080 ? shadow : rgb == 0xFFFFFF ? light : rgb;
    pixel = 0xFF000000 | rgb;
  }
  return true;
}

ArtImage CutImage(const ArtImage &strip, int index, int width) {
  ArtImage image;
  image.width = width;
  image.height = strip.height;
  image.pixels.reserve(static_cast<size_t>(width) * strip.height);
  for (int y = 0; y < strip.height; ++y) {
    const uint32_t *row = &strip.pixels[static_cast<size_t>(y) * strip.width + index * width];
    image.pixels.insert(image.pixels.end(), row, row + width);
  }
  return image;
}

// Images side by side in a colour bitmap and its mask (1 where transparent,
// the colour black there, as an image list draws them).
HIMAGELIST ImageListOf(const std::vector<ArtImage> &images, int width, int height) {
  const int count = static_cast<int>(images.size());
  const int stripWidth = width * count;
  BITMAPINFO format = PixelFormat(stripWidth, height);
  void *bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  const int maskStride = (stripWidth + 15) / 16 * 2;  // rows of whole 16-bit words
  std::vector<BYTE> maskBits(static_cast<size_t>(maskStride) * height, 0);
  if (colour != nullptr) {
    uint32_t *pixels = static_cast<uint32_t *>(bits);
    for (int i = 0; i < count; ++i) {
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          uint32_t pixel = images[i].pixels[static_cast<size_t>(y) * width + x];
          int column = i * width + x;
          bool shows = ArtPixelShows(pixel);
          pixels[static_cast<size_t>(y) * stripWidth + column] = shows ? (pixel & 0xFFFFFF) : 0;
          if (!shows)
            maskBits[static_cast<size_t>(y) * maskStride + column / 8] |= 0x80 >> (column % 8);
        }
      }
    }
    GdiFlush();
  }
  HBITMAP mask = CreateBitmap(stripWidth, height, 1, 1, maskBits.data());
  HIMAGELIST list = nullptr;
  if (colour != nullptr && mask != nullptr) {
    list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, count, 1);
    if (list != nullptr) {
      ImageList_SetBkColor(list, CLR_NONE);
      if (ImageList_Add(list, colour, mask) < 0 || ImageList_GetImageCount(list) != count) {
        ImageList_Destroy(list);
        list = nullptr;
      }
    }
  }
  if (colour != nullptr) DeleteObject(colour);
  if (mask != nullptr) DeleteObject(mask);
  return list;
}

/* The art for a display of dpi: the drawing that serves it, brought to the
   size wanted. */
HIMAGELIST MakeArtImages(const Art &art, int dpi) {
  const ArtChoice choice = ChooseArt(art.sizes, dpi);
  ArtImage strip;
  if (!ReadStrip(choice.from150 ? art.resource150 : art.resource100, art, &strip)) return nullptr;
  const int drawnWidth = choice.from150 ? art.sizes.width150 : art.sizes.width;
  if (strip.width != drawnWidth * art.count) return nullptr;
  const uint32_t background = RgbOf(GetSysColor(art.backgroundColour));
  std::vector<ArtImage> images;
  for (int i = 0; i < art.count; ++i)
    images.push_back(ResampleArt(CutImage(strip, i, drawnWidth), choice.width, choice.height,
                                 background));
  return ImageListOf(images, choice.width, choice.height);
}

void ApplyToolbarImages(int dpi) {
  if (Ui.toolbar == nullptr) return;
  HIMAGELIST images = MakeArtImages(ToolbarArt, dpi);
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

// The message font's face and size in points, for a dialog template. The
// size is measured at 96 per inch, where the font's height in pixels is what
// its size in points was made for (Wine rounds it differently at each DPI).
bool DialogFontFor(DialogFont *font) {
  LOGFONTW message;
  if (!MessageFontForDpi(BASE_DPI, &message) || message.lfFaceName[0] == L'\0') return false;
  font->face = message.lfFaceName;
  font->points = static_cast<WORD>(FontPoints(message.lfHeight, BASE_DPI));
  font->weight = static_cast<WORD>(message.lfWeight);
  font->italic = message.lfItalic;
  font->charset = message.lfCharSet;
  return true;
}

// The template of one of the program's dialogs in the message font; false
// keeps the template as the resource has it.
bool ProgramTemplate(int id, std::vector<DWORD> *out) {
  HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(id), RT_DIALOG);
  HGLOBAL loaded = found != nullptr ? LoadResource(AppInstance, found) : nullptr;
  const BYTE *bytes = loaded != nullptr ? static_cast<const BYTE *>(LockResource(loaded)) : nullptr;
  DialogFont font;
  return bytes != nullptr && DialogFontFor(&font) &&
         TemplateWithFont(bytes, SizeofResource(AppInstance, found), font, out);
}

}  // namespace

void ApplyTreeArt(HWND tree, int dpi, HIMAGELIST *images) {
  HIMAGELIST made = MakeArtImages(TreeArt, dpi);
  if (made == nullptr) return;
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(made));
  SendMessageA(tree, TVM_SETINDENT, ScaleForDpi(TreeIndent, dpi), 0);
  if (*images != nullptr) ImageList_Destroy(*images);
  *images = made;
}

int SystemDpi() {
  if (Dpi().dpiForSystem != nullptr) return static_cast<int>(Dpi().dpiForSystem());
  HDC screen = GetDC(nullptr);
  int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : BASE_DPI;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : BASE_DPI;
}

int DpiOfWindow(HWND window) {
  if (window != nullptr && Dpi().dpiForWindow != nullptr) {
    UINT dpi = Dpi().dpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int DpiOfDisplayAt(const RECT &rect, POINT *origin) {
  HMONITOR display = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  *origin = POINT{0, 0};
  if (display != nullptr && GetMonitorInfoA(display, &info))
    *origin = POINT{info.rcMonitor.left, info.rcMonitor.top};
  UINT x = 0, y = 0;
  const int effectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (display != nullptr && Dpi().dpiForMonitor != nullptr &&
      SUCCEEDED(Dpi().dpiForMonitor(display, effectiveDpi, &x, &y)) && y != 0)
    return static_cast<int>(y);
  return SystemDpi();
}

int MetricForDpi(int index, int dpi) {
  if (Dpi().metricsForDpi != nullptr) return Dpi().metricsForDpi(index, static_cast<UINT>(dpi));
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

bool MessageFontForDpi(int dpi, LOGFONTW *font) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (Dpi().parametersForDpi != nullptr &&
      Dpi().parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                             static_cast<UINT>(dpi))) {
    *font = metrics.lfMessageFont;
    return true;
  }
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return false;
  *font = metrics.lfMessageFont;
  font->lfHeight = MulDiv(font->lfHeight, dpi, SystemDpi());
  return true;
}

int CurrentDpi() { return State.dpi; }

void ApplyTabPadding(HWND tabs) {
  const int x = ScaleForDpi(TabPaddingX, State.dpi), y = ScaleForDpi(TabPaddingY, State.dpi);
  SendMessageA(tabs, TCM_SETPADDING, 0, MAKELPARAM(x, y));
}

void ApplyDisplayScale(int dpi) {
  if (dpi <= 0) dpi = BASE_DPI;
  State.dpi = dpi;
  Ui.splitterWidth = MetricForDpi(SM_CXFRAME, dpi);
  ApplyFont(dpi);
  ApplyTreeImages(dpi);
  ApplyToolbarImages(dpi);
  ApplyCursor(dpi);
  ApplyIcons(dpi);
  ApplyEditorZoom(Ui.editor);
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
  if (State.splitterCursor != nullptr) DestroyCursor(State.splitterCursor);
  if (State.bigIcon != nullptr) DestroyIcon(State.bigIcon);
  if (State.smallIcon != nullptr) DestroyIcon(State.smallIcon);
  State = DisplayState();
}

void ApplyEditorZoom(HWND editor) {
  if (editor == nullptr) return;
  const int system = SystemDpi();
  if (State.dpi == system)
    SendMessageA(editor, EM_SETZOOM, 0, 0);
  else
    SendMessageA(editor, EM_SETZOOM, static_cast<WPARAM>(State.dpi), system);
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

INT_PTR RunProgramDialog(int id, HWND owner, DLGPROC procedure, LPARAM parameter) {
  std::vector<DWORD> dialog;
  if (ProgramTemplate(id, &dialog))
    return DialogBoxIndirectParamA(AppInstance, reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()),
                                   owner, procedure, parameter);
  return DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(id), owner, procedure, parameter);
}

HWND OpenProgramDialog(int id, HWND owner, DLGPROC procedure, LPARAM parameter) {
  std::vector<DWORD> dialog;
  if (ProgramTemplate(id, &dialog))
    return CreateDialogIndirectParamA(AppInstance,
                                      reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()), owner,
                                      procedure, parameter);
  return CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(id), owner, procedure, parameter);
}
