// Tells every top-level window that Windows' app mode changed, as Windows
// does when the user switches between light and dark: a WM_SETTINGCHANGE
// whose text is "ImmersiveColorSet". The user check and the benchmarks run
// it after setting AppsUseLightTheme.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  DWORD_PTR result = 0;
  LRESULT sent = SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                                     reinterpret_cast<LPARAM>("ImmersiveColorSet"),
                                     SMTO_ABORTIFHUNG, 5000, &result);
  return sent != 0 ? 0 : 1;
}
