// The display a window is on: its DPI where Windows tells it (Windows 10
// 1607 and later), the system's elsewhere, and the system's measures and
// message font for it; the tab strip's padding for the display the main
// window's children were made for; and the program's own dialogs in the
// message font.
#include "base/dpi.h"

#include "base/ui_handles.h"

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

// The tab strip's padding at 96 per inch: the control's own default, which
// it does not grow with the display.
const int TabPaddingX = 6, TabPaddingY = 3;

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

int CurrentDpi() { return Ui.dpi; }

void ApplyTabPadding(HWND tabs) {
  const int x = ScaleForDpi(TabPaddingX, Ui.dpi), y = ScaleForDpi(TabPaddingY, Ui.dpi);
  SendMessageA(tabs, TCM_SETPADDING, 0, MAKELPARAM(x, y));
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
