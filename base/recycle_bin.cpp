// The Recycle Bin as Undo Delete needs it: what it took, found where it
// keeps it, and taken back out. Windows' shell names each item it takes as
// it takes it; under Wine the bin is the freedesktop trash, looked into.
// The shell's file-operation object came with Windows Vista.
#undef _WIN32_IE
#define _WIN32_IE 0x0700
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#undef WINVER
#define WINVER 0x0600
#include <windows.h>
#include <shobjidl.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "base/platform_seam.h"

#ifndef FOFX_RECYCLEONDELETE
#define FOFX_RECYCLEONDELETE 0x00080000  // Windows 8 on
#endif

static bool WideToCodePage(const WCHAR *wide, char *out, int size) {
  BOOL usedDefault = FALSE;
  bool utf8 = GetACP() == CP_UTF8;  // which takes neither flags nor a default
  int made = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, -1, out, size,
                                 nullptr, utf8 ? nullptr : &usedDefault);
  return made > 0 && !usedDefault;
}

/* Under Wine the Recycle Bin is the Unix user's freedesktop trash, where
   Wine puts it: $XDG_DATA_HOME/Trash, else ~/.local/share/Trash. Wine's
   kernel32 names Unix paths as DOS ones, and Wine gives the home folder as
   WINEHOMEDIR (the Unix HOME is not passed on); Windows has neither. */
bool WineTrashFolder(char *folder) {
  typedef WCHAR *(CDECL * DosFileName)(const char *);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  DosFileName dosFileName =
      kernel == nullptr ? nullptr
                        : reinterpret_cast<DosFileName>(reinterpret_cast<void *>(
                              GetProcAddress(kernel, "wine_get_dos_file_name")));
  if (dosFileName == nullptr) return false;
  WCHAR value[2048];
  DWORD length = GetEnvironmentVariableW(L"XDG_DATA_HOME", value, 2048);
  if (length > 0 && length < 2048 && value[0] == L'/') {
    char unixPath[4096];
    if (WideCharToMultiByte(CP_UTF8, 0, value, -1, unixPath, sizeof unixPath - 8, nullptr,
                            nullptr) <= 0)
      return false;
    strcat(unixPath, "/Trash");
    WCHAR *dos = dosFileName(unixPath);
    if (dos == nullptr) return false;
    bool named = WideToCodePage(dos, folder, PATH_BUFFER_SIZE);
    HeapFree(GetProcessHeap(), 0, dos);
    return named;
  }
  length = GetEnvironmentVariableW(L"WINEHOMEDIR", value, 2048);
  const WCHAR *home = value;
  if (length == 0 || length >= 2048 - 32) return false;
  if (wcsncmp(home, L"\\??\\", 4) == 0) home += 4;
  std::wstring trash = std::wstring(home) + L"\\.local\\share\\Trash";
  return home[0] != L'\0' && home[1] == L':' && WideToCodePage(trash.c_str(), folder, PATH_BUFFER_SIZE);
}

/* ---- the Recycle Bin, taken back out of ---- */

static bool IsFolderThere(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

static bool MakeTrashFolder(const char *path) {
  return IsFolderThere(path) || CreateDirectoryA(path, nullptr);
}

// A single name: nothing that leads to another folder.
static bool IsOneName(const char *name) {
  return name[0] != '\0' && strcmp(name, ".") != 0 && strcmp(name, "..") != 0 &&
         strpbrk(name, "\\/:*?\"<>|") == nullptr;
}

// The names in the trash's files that begin as an item's name does: the
// trash keeps an item under its own name, or that name and a suffix where
// the name is taken there.
static void ListTrashNamesLike(const char *files, const char *name, std::vector<std::string> *names) {
  names->clear();
  char pattern[PATH_BUFFER_SIZE];
  std::string start = std::string(name) + "*";
  FolderListing listing;
  if (!JoinPath(files, start.c_str(), pattern) || !StartListing(pattern, &listing)) return;
  ListedEntry entry;
  while (NextListed(&listing, &entry))
    if (IsOneName(entry.name)) names->push_back(entry.name);
  EndListing(&listing);
}

static bool Contains(const std::vector<std::string> &names, const std::string &name) {
  for (const std::string &listed : names)
    if (listed == name) return true;
  return false;
}

static bool TrashFolders(char *files, char *info) {
  char trash[PATH_BUFFER_SIZE];
  return Platform.trashFolder != nullptr && Platform.trashFolder(trash) &&
         JoinPath(trash, "files", files) && JoinPath(trash, "info", info);
}

static bool TrashRecordOf(const char *name, const char *info, char *record) {
  std::string recordName = std::string(name) + ".trashinfo";
  return JoinPath(info, recordName.c_str(), record);
}

/* The trash says nothing of where it put an item: the item is the one new
   name in its files that begins as the item's name and has its record in
   info. Where that is not one name (another program trashing an item of
   that name at that moment), the place is not known. */
static bool RecycleIntoTrash(const char *const *paths, size_t count, std::vector<std::string> *places) {
  char trash[PATH_BUFFER_SIZE], files[PATH_BUFFER_SIZE], info[PATH_BUFFER_SIZE];
  if (!Platform.trashFolder(trash) || !MakeTrashFolder(trash) || !TrashFolders(files, info) ||
      !MakeTrashFolder(files) || !MakeTrashFolder(info))
    return false;
  std::vector<std::vector<std::string>> before(count);
  for (size_t i = 0; i < count; ++i) {
    const char *name = strrchr(paths[i], '\\');
    if (name == nullptr || !IsOneName(name + 1)) return false;
    ListTrashNamesLike(files, name + 1, &before[i]);
  }
  SendToRecycleBin(paths, count, false);  // what counts is where each item is now
  places->assign(count, "");
  std::vector<std::string> after, claimed;
  char place[PATH_BUFFER_SIZE], record[PATH_BUFFER_SIZE];
  for (size_t i = 0; i < count; ++i) {
    if (GetFileAttributesA(paths[i]) != INVALID_FILE_ATTRIBUTES) continue;
    ListTrashNamesLike(files, strrchr(paths[i], '\\') + 1, &after);
    std::string found;
    int candidates = 0;
    for (const std::string &name : after)
      if (!Contains(before[i], name) && !Contains(claimed, name) &&
          TrashRecordOf(name.c_str(), info, record) &&
          GetFileAttributesA(record) != INVALID_FILE_ATTRIBUTES) {
        found = name;
        ++candidates;
      }
    if (candidates != 1 || !JoinPath(files, found.c_str(), place)) continue;
    (*places)[i] = place;
    claimed.push_back(found);
  }
  return true;
}

namespace {

/* Windows' bin, through the shell's file operation: an item it would delete
   for good is refused before it goes (which ends the operation: what is
   left stays where it was), and each item it took is named as it is in
   the bin. */
class RecycleWatch : public IFileOperationProgressSink {
 public:
  RecycleWatch(const std::vector<std::wstring> &paths, std::vector<std::string> *places)
      : paths_(paths), places_(places) {}
  virtual ~RecycleWatch() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **object) override {
    if (id == IID_IUnknown || id == __uuidof(IFileOperationProgressSink)) {
      *object = static_cast<IFileOperationProgressSink *>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // on the stack
  HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem *) override {
    return (flags & TSF_DELETE_RECYCLE_IF_POSSIBLE) ? S_OK : HRESULT_FROM_WIN32(ERROR_CANCELLED);
  }
  HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem *item, HRESULT deleted,
                                           IShellItem *inBin) override {
    if (FAILED(deleted) || item == nullptr || inBin == nullptr) return S_OK;
    WCHAR *from = nullptr, *to = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &from)) &&
        SUCCEEDED(inBin->GetDisplayName(SIGDN_FILESYSPATH, &to))) {
      char place[PATH_BUFFER_SIZE];
      for (size_t i = 0; i < paths_.size(); ++i)
        if (lstrcmpiW(paths_[i].c_str(), from) == 0 && WideToCodePage(to, place, sizeof place))
          (*places_)[i] = place;
    }
    CoTaskMemFree(from);
    CoTaskMemFree(to);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem *, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem *, LPCWSTR, HRESULT,
                                           IShellItem *) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem *, IShellItem *, LPCWSTR) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem *, IShellItem *, LPCWSTR, HRESULT,
                                         IShellItem *) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem *, IShellItem *, LPCWSTR) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem *, IShellItem *, LPCWSTR, HRESULT,
                                         IShellItem *) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem *, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem *, LPCWSTR, LPCWSTR, DWORD, HRESULT,
                                        IShellItem *) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }

 private:
  const std::vector<std::wstring> &paths_;
  std::vector<std::string> *places_;
  ULONG references_ = 1;
};

}  // namespace

// False, with nothing deleted, where the operation cannot be set up as
// asked (Wine has the object, but not its methods).
static bool RunRecycleOperation(IFileOperation *operation, const char *const *paths, size_t count,
                                std::vector<std::string> *places) {
  const DWORD quiet = FOF_ALLOWUNDO | FOF_NO_UI;
  if (FAILED(operation->SetOperationFlags(quiet | FOFX_RECYCLEONDELETE)) &&
      FAILED(operation->SetOperationFlags(quiet)))
    return false;
  std::vector<std::wstring> wide(count);
  for (size_t i = 0; i < count; ++i) {
    WCHAR path[MAX_PATH];
    IShellItem *item = nullptr;
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, paths[i], -1, path, MAX_PATH) <= 0 ||
        FAILED(SHCreateItemFromParsingName(path, nullptr, IID_PPV_ARGS(&item))))
      return false;
    wide[i] = path;
    HRESULT queued = operation->DeleteItem(item, nullptr);
    item->Release();
    if (FAILED(queued)) return false;
  }
  places->assign(count, "");
  RecycleWatch watch(wide, places);
  DWORD cookie = 0;
  if (FAILED(operation->Advise(&watch, &cookie))) return false;
  operation->PerformOperations();  // what counts is where each item is now
  operation->Unadvise(cookie);
  return true;
}

static bool RecycleWithFileOperation(const char *const *paths, size_t count,
                                     std::vector<std::string> *places) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  IFileOperation *operation = nullptr;
  bool done = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL,
                                 IID_PPV_ARGS(&operation)))) {
    // The shell and its extensions may move the current directory.
    char current[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof current, current);
    done = RunRecycleOperation(operation, paths, count, places);
    if (length > 0 && length < sizeof current) SetCurrentDirectoryA(current);
    operation->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return done;
}

bool RecycleKnowingWhere(const char *const *paths, size_t count, std::vector<std::string> *places) {
  places->clear();
  for (size_t i = 0; i < count; ++i)
    if (paths[i] == nullptr || strlen(paths[i]) >= PATH_BUFFER_SIZE) return false;
  char trash[PATH_BUFFER_SIZE];
  if (Platform.trashFolder != nullptr && Platform.trashFolder(trash))
    return RecycleIntoTrash(paths, count, places);
  return RecycleWithFileOperation(paths, count, places);
}

/* Windows keeps an item as "$R..." in its drive's $Recycle.Bin, in the
   user's own folder there, and its record beside it as "$I...". */
static bool IsWindowsBinPlace(const char *place, char *record) {
  const char *bin = place + 3;
  if (strlen(place) < 4 || place[1] != ':' || place[2] != '\\' ||
      _strnicmp(bin, "$Recycle.Bin\\", 13) != 0)
    return false;
  const char *user = bin + 13;
  const char *name = strchr(user, '\\');
  if (name == nullptr || name == user) return false;
  ++name;
  std::string owner(user, static_cast<size_t>(name - 1 - user));
  if (!IsOneName(owner.c_str()) || !IsOneName(name) || (name[0] != '$') ||
      (name[1] != 'R' && name[1] != 'r'))
    return false;
  if (record != nullptr) {
    strcpy(record, place);
    record[name - place + 1] = 'I';
  }
  return true;
}

static bool IsTrashPlace(const char *place, char *record) {
  char files[PATH_BUFFER_SIZE], info[PATH_BUFFER_SIZE], folder[PATH_BUFFER_SIZE];
  const char *name = strrchr(place, '\\');
  if (name == nullptr || !TrashFolders(files, info) ||
      static_cast<size_t>(name - place) >= sizeof folder)
    return false;
  memcpy(folder, place, static_cast<size_t>(name - place));
  folder[name - place] = '\0';
  return FolderPathsEqual(folder, files) && IsOneName(name + 1) &&
         (record == nullptr || TrashRecordOf(name + 1, info, record));
}

bool IsRecycleBinPlace(const char *place) {
  if (place == nullptr || strlen(place) >= PATH_BUFFER_SIZE) return false;
  char trash[PATH_BUFFER_SIZE];
  if (Platform.trashFolder != nullptr && Platform.trashFolder(trash))
    return IsTrashPlace(place, nullptr);
  return IsWindowsBinPlace(place, nullptr);
}

bool TakeBackFromRecycleBin(const char *place, const char *to) {
  char record[PATH_BUFFER_SIZE], trash[PATH_BUFFER_SIZE];
  bool inTrash = Platform.trashFolder != nullptr && Platform.trashFolder(trash);
  if (!IsRecycleBinPlace(place) ||
      !(inTrash ? IsTrashPlace(place, record) : IsWindowsBinPlace(place, record))) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  if (!MoveFileExA(place, to, 0)) return false;
  DeleteFileA(record);  // an item back without it is back all the same
  return true;
}
