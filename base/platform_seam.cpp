// The real common dialogs and shell calls, the default behind the seam.
#include "base/platform_seam.h"

#include "base/paths.h"

#include <string>

/* The common dialogs' library is loaded when a dialog is first asked for:
   loading it brings the printing libraries along, 20 to 50 ms of every
   start (seen under Wine) for dialogs most runs never open. */
static FARPROC CommonDialogFunction(const char *name) {
  static HMODULE library = LoadLibraryA("comdlg32.dll");
  return library != nullptr ? GetProcAddress(library, name) : nullptr;
}

template <typename Function>
static Function CommonDialog(const char *name) {
  return reinterpret_cast<Function>(reinterpret_cast<void *>(CommonDialogFunction(name)));
}

static BOOL WINAPI LoadAndGetOpenFileName(OPENFILENAMEA *dialog) {
  auto call = CommonDialog<decltype(&GetOpenFileNameA)>("GetOpenFileNameA");
  return call != nullptr && call(dialog);
}

static BOOL WINAPI LoadAndGetSaveFileName(OPENFILENAMEA *dialog) {
  auto call = CommonDialog<decltype(&GetSaveFileNameA)>("GetSaveFileNameA");
  return call != nullptr && call(dialog);
}

static BOOL WINAPI LoadAndChooseFont(CHOOSEFONTA *dialog) {
  auto call = CommonDialog<decltype(&ChooseFontA)>("ChooseFontA");
  return call != nullptr && call(dialog);
}

HWND ShowFindDialog(FINDREPLACEA *request) {
  auto call = CommonDialog<decltype(&FindTextA)>("FindTextA");
  return call != nullptr ? call(request) : nullptr;
}

HWND ShowReplaceDialog(FINDREPLACEA *request) {
  auto call = CommonDialog<decltype(&ReplaceTextA)>("ReplaceTextA");
  return call != nullptr ? call(request) : nullptr;
}

DWORD CommonDialogError() {
  auto call = CommonDialog<decltype(&CommDlgExtendedError)>("CommDlgExtendedError");
  return call != nullptr ? call() : CDERR_INITIALIZATION;
}

static DWORD AttributesAsListed(const WCHAR *, DWORD attributes) { return attributes; }

// Under Wine, where its trash is (recycle_bin.cpp).
bool WineTrashFolder(char *folder);

const PlatformDialogs SystemPlatform = {
    LoadAndGetOpenFileName, LoadAndGetSaveFileName, LoadAndChooseFont, SHBrowseForFolderA,
    SHGetPathFromIDListA,   ShellExecuteA,          SHGetFolderPathA,       AttributesAsListed,
    SHFileOperationA,       WineTrashFolder,
};

bool IsStoredOnlineOnly(DWORD attributes) {
  const DWORD recallOnDataAccess = 0x00400000, recallOnOpen = 0x00040000;
  return (attributes & (recallOnDataAccess | recallOnOpen | FILE_ATTRIBUTE_OFFLINE)) != 0;
}

PlatformDialogs Platform = SystemPlatform;

namespace {

// Notes the current directory and puts it back when it goes out of scope,
// leaving the last error code of the call in between as it was.
class CurrentFolderKept {
 public:
  CurrentFolderKept() {
    DWORD length = GetCurrentDirectoryA(sizeof folder_, folder_);
    kept_ = length > 0 && length < sizeof folder_;
  }
  ~CurrentFolderKept() {
    if (!kept_) return;
    DWORD error = GetLastError();
    SetCurrentDirectoryA(folder_);
    SetLastError(error);
  }
  CurrentFolderKept(const CurrentFolderKept &) = delete;
  CurrentFolderKept &operator=(const CurrentFolderKept &) = delete;

 private:
  char folder_[MAX_PATH];
  bool kept_;
};

}  // namespace

BOOL ShowOpenFileDialog(OPENFILENAMEA *dialog) {
  CurrentFolderKept kept;
  return Platform.getOpenFileName(dialog);
}

BOOL ShowSaveFileDialog(OPENFILENAMEA *dialog) {
  CurrentFolderKept kept;
  return Platform.getSaveFileName(dialog);
}

BOOL ShowFontDialog(CHOOSEFONTA *dialog) {
  CurrentFolderKept kept;
  return Platform.chooseFont(dialog);
}

PIDLIST_ABSOLUTE ShowFolderBrowser(BROWSEINFOA *browse) {
  CurrentFolderKept kept;
  return Platform.browseForFolder(browse);
}

BOOL PathFromItemList(PCIDLIST_ABSOLUTE list, char *path) {
  CurrentFolderKept kept;
  return Platform.getPathFromIDList(list, path);
}

HINSTANCE RunShellVerb(HWND owner, const char *verb, const char *file, int show) {
  CurrentFolderKept kept;
  return Platform.shellExecute(owner, verb, file, nullptr, nullptr, show);
}

bool UserFolderPath(int folder, char *out) {
  out[0] = '\0';
  CurrentFolderKept kept;
  if (FAILED(Platform.getFolderPath(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, out))) {
    out[0] = '\0';
    return false;
  }
  return out[0] != '\0';
}

/* TAV's own folder in the user's local application data (not roaming: what
   is kept there belongs to this machine). */
bool LocalDataFolder(char *folder, bool make) {
  char local[MAX_PATH];
  if (!UserFolderPath(CSIDL_LOCAL_APPDATA, local) || !JoinPath(local, "TAV", folder)) return false;
  return !make || CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

/* The shell takes its paths as one list, each ended by a NUL and the list by
   another. Its answer is not a system error code (some of its values are
   its own, kept from older Windows): any answer but 0, and anything left at
   a path named, is a failure. */
bool SendToRecycleBin(const char *const *paths, size_t count, bool warnForGood) {
  std::string list;
  for (size_t i = 0; i < count; ++i) {
    if (paths[i] == nullptr || paths[i][0] == '\0') continue;
    list.append(paths[i]);
    list.push_back('\0');
  }
  if (list.empty()) return true;
  list.push_back('\0');
  SHFILEOPSTRUCTA operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  if (warnForGood) operation.fFlags |= FOF_WANTNUKEWARNING;
  int result;
  {
    CurrentFolderKept kept;
    result = Platform.fileOperation(&operation);
  }
  bool left = false;
  for (size_t i = 0; i < count; ++i)
    if (paths[i] != nullptr && paths[i][0] != '\0' &&
        GetFileAttributesA(paths[i]) != INVALID_FILE_ATTRIBUTES)
      left = true;
  if (result == 0 && !operation.fAnyOperationsAborted && !left) return true;
  SetLastError(result == ERROR_ACCESS_DENIED || result == ERROR_SHARING_VIOLATION ||
                       result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND
                   ? static_cast<DWORD>(result)
                   : operation.fAnyOperationsAborted ? ERROR_CANCELLED : ERROR_ACCESS_DENIED);
  return false;
}

