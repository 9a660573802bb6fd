// The boxes that say what went wrong: the error box after a failed system
// call, with the system's own text, and the notice of names the process code
// page cannot hold.
#include "base/ui_handles.h"

#include <stdio.h>

#include "base/code_pages.h"

/* Error box after a failed system call: the context, ":\n" and the system's
   text for the last error. Must run before anything else touches the last
   error code. */
void ShowSystemError(const char *context) {
  DWORD code = GetLastError();
  char *systemText = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                reinterpret_cast<char *>(&systemText), 0, nullptr);
  char fallback[64];
  const char *text = systemText;
  if (length == 0 || systemText == nullptr) {
    snprintf(fallback, sizeof fallback, "System error %lu.\r\n", static_cast<unsigned long>(code));
    text = fallback;
  }
  char message[1024];
  if (context != nullptr && context[0] != '\0')
    snprintf(message, sizeof message, "%s:\n%s", context, text);
  else
    snprintf(message, sizeof message, "%s", text);
  MessageBoxA(MainWindow, message, "Error", MB_ICONWARNING | MB_TASKMODAL | MB_SETFOREGROUND);
  if (systemText != nullptr) LocalFree(systemText);
}

/* The same with a context that quotes one name: format holds one "%s" and is
   the program's own text, never the user's. */
void ShowSystemErrorAbout(const char *format, const char *name) {
  DWORD error = GetLastError();
  char context[MESSAGE_BUFFER_SIZE + 200];
  snprintf(context, sizeof context, format, name);
  SetLastError(error);
  ShowSystemError(context);
}

/* The names of folders or pages the process code page cannot hold, by their
   real names (so in UTF-16): the program leaves them out rather than show or
   open them under another spelling. */
void ShowNamesLeftOut(const std::vector<std::wstring> &names, const char *folder) {
  std::wstring message =
      L"These names cannot be written in this system's code page, so TAV leaves them out";
  if (folder != nullptr) {
    WCHAR wideFolder[PATH_BUFFER_SIZE];
    WideFromCodePage(folder, wideFolder, PATH_BUFFER_SIZE);
    message += std::wstring(L" of '") + wideFolder + L"'";
  }
  message += L":";
  const size_t shownAtMost = 20;
  for (size_t i = 0; i < names.size() && i < shownAtMost; ++i) message += L"\n'" + names[i] + L"'";
  if (names.size() > shownAtMost) message += L"\n...";
  MessageBoxW(MainWindow, message.c_str(), L"TAV", MB_OK | MB_ICONINFORMATION);
}

