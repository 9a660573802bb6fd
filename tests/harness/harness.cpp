// Test harness: temporary folders, file helpers, message pumping and the
// fixture that runs the real main window.
#include "harness/harness.h"

#include <algorithm>
#include <cstdio>

#include "app/command_status.h"
#include "base/platform_seam.h"
#include "base/theme.h"
#include "notebook/notebook.h"
#include "editing/editing.h"
#include "pages/pages.h"
#include "settings/settings.h"
#include "tree/tree.h"

#include <commctrl.h>
#include <shlobj.h>

namespace harness {

static int tempCounter;

TempDir::TempDir() {
  char base[MAX_PATH];
  DWORD length = GetTempPathA(sizeof base, base);
  if (length == 0 || length >= sizeof base) strcpy(base, "C:\\windows\\temp\\");
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%stav-%lu-%d", base, GetCurrentProcessId(), ++tempCounter);
    if (CreateDirectoryA(name, nullptr)) {
      path_ = name;
      return;
    }
  }
  ADD_FAILURE() << "cannot make a temporary folder";
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  // The process cannot remove its own current directory.
  if (_strnicmp(CurrentDirectory().c_str(), path_.c_str(), path_.size()) == 0) {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    SetCurrentDirectoryA(base);
  }
  RemoveTree(path_);
}

std::string TempDir::operator/(const std::string &relative) const { return path_ + "\\" + relative; }

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The Unix side of a Wine path, through Wine's own export; empty elsewhere.
static std::string UnixPath(const std::string &path) {
  typedef char *(CDECL * ToUnix)(const WCHAR *);
  ToUnix toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void *>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return "";
  WCHAR wide[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) == 0) return "";
  char *unix = toUnix(wide);
  if (unix == nullptr) return "";
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

// Linux's symlink and unlink, called directly: Wine runs the test as a Linux
// process, and has no call of its own that makes or removes a Unix link.
static long LinuxCall2(long number, const char *a, const char *b) {
  long result;
  __asm__ volatile("syscall" : "=a"(result) : "a"(number), "D"(a), "S"(b) : "rcx", "r11", "memory");
  return result;
}
static long LinuxCall3(long number, const char *a, long b, long c) {
  long result;
  __asm__ volatile("syscall"
                   : "=a"(result)
                   : "a"(number), "D"(a), "S"(b), "d"(c)
                   : "rcx", "r11", "memory");
  return result;
}
enum { LINUX_UNLINK = 87, LINUX_SYMLINK = 88, LINUX_MKNOD = 133, LINUX_FIFO_MODE = 0010600 };

bool MakeUnixFifo(const std::string &path) {
  std::string unixPath = RunningUnderWine() ? UnixPath(path) : "";
  return !unixPath.empty() && LinuxCall3(LINUX_MKNOD, unixPath.c_str(), LINUX_FIFO_MODE, 0) == 0;
}

bool MakeUnixLink(const std::string &path, const std::string &unixTarget) {
  std::string unixLink = RunningUnderWine() ? UnixPath(path) : "";
  return !unixLink.empty() && LinuxCall2(LINUX_SYMLINK, unixTarget.c_str(), unixLink.c_str()) == 0;
}

bool MakeDirectoryLink(const std::string &path, const std::string &target) {
  if (!RunningUnderWine())
    return CreateSymbolicLinkA(path.c_str(), target.c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */) != 0;
  std::string unixLink = UnixPath(path);
  bool absolute = target.size() > 1 && target[1] == ':';
  std::string unixTarget = absolute ? UnixPath(target) : target;
  if (!absolute)
    for (char &c : unixTarget)
      if (c == '\\') c = '/';
  return !unixLink.empty() && !unixTarget.empty() &&
         LinuxCall2(LINUX_SYMLINK, unixTarget.c_str(), unixLink.c_str()) == 0;
}

static bool RemoveDirectoryLink(const std::string &path) {
  if (!RunningUnderWine()) return RemoveDirectoryA(path.c_str()) != 0;
  std::string unixLink = UnixPath(path);
  return !unixLink.empty() && LinuxCall2(LINUX_UNLINK, unixLink.c_str(), nullptr) == 0;
}

bool RemoveTree(const std::string &path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
          (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveDirectoryLink(child);
        continue;
      }
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      // Wine deletes no FIFO and no link to a device (error 87): the Unix
      // name goes instead.
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else if (!DeleteFileA(child.c_str()) && RunningUnderWine())
        RemoveDirectoryLink(child);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(path.c_str()) != 0;
}

bool MakeDirs(const std::string &path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      std::string part = path.substr(0, i);
      if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    }
  }
  return true;
}

bool WriteBytes(const std::string &path, const std::string &bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string ReadBytes(const std::string &path, bool *ok) {
  std::string bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ok) *ok = file != INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char block[65536];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
  CloseHandle(file);
  return bytes;
}

bool FileExists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string CurrentDirectory() {
  char buffer[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof buffer, buffer);
  return buffer;
}

std::vector<std::string> ListNames(const std::string &folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    if (MainWindow != nullptr && AccelTable != nullptr && !KeyBelongsToTextField(msg) &&
        TranslateAcceleratorA(MainWindow, AccelTable, &msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool FollowNotebookChanges(const std::function<bool()> &done, DWORD milliseconds) {
  ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    PumpMessages();
    HANDLE handles[NOTEBOOK_WATCH_HANDLES];
    DWORD count = NotebookWatchHandles(handles);
    DWORD due = NotebookChangesDueIn();
    MsgWaitForMultipleObjectsEx(count, handles, due < 20 ? due : 20, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    TakeNotebookWatchRecords();
    while (NotebookChangesPending() && RunNotebookChangesSlice()) {
    }
    PumpMessages();
    bool finished = done ? done() : !NotebookChangesPending() && NotebookChangesDueIn() == INFINITE;
    if (finished || GetTickCount64() >= end) return finished;
  }
}

bool PutOnClipboard(const std::wstring &text) {
  if (!OpenClipboard(MainWindow)) return false;
  EmptyClipboard();
  size_t size = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  bool put = false;
  if (memory != nullptr) {
    memcpy(GlobalLock(memory), text.c_str(), size);
    GlobalUnlock(memory);
    put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    if (!put) GlobalFree(memory);
  }
  CloseClipboard();
  return put;
}

std::wstring ListCell(HWND list, int row, int column) {
  wchar_t text[300] = L"";
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 300;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

std::string WindowText(HWND window) {
  // The length is counted in characters; a double-byte character takes two
  // bytes, and Wine's rich edit copies nothing into a buffer too small.
  int length = GetWindowTextLengthA(window) * 2;
  std::string text(length + 1, '\0');
  int got = GetWindowTextA(window, &text[0], length + 1);
  text.resize(got > 0 ? got : 0);
  return text;
}

// The user's own folders, for every test: folders of the test run's own, so
// that no test reads or writes the settings or recovery copies of the
// machine's user.
std::string UserFoldersRoot;

static HRESULT WINAPI TestUserFolder(HWND owner, int folder, HANDLE token, DWORD flags,
                                     char *path) {
  const char *leaf = nullptr;
  switch (folder & 0xFF) {
    case CSIDL_APPDATA:
      leaf = "Roaming";
      break;
    case CSIDL_LOCAL_APPDATA:
      leaf = "Local";
      break;
  }
  if (leaf == nullptr || UserFoldersRoot.empty())
    return SystemPlatform.getFolderPath(owner, folder, token, flags, path);
  std::string own = UserFoldersRoot + "\\" + leaf;
  MakeDirs(own);
  strcpy(path, own.c_str());
  return S_OK;
}

static std::string LocalDataOnly;

static HRESULT WINAPI LocalDataOnlyFolder(HWND, int folder, HANDLE, DWORD, char *path) {
  if ((folder & 0xFF) != CSIDL_LOCAL_APPDATA) return E_FAIL;
  strcpy(path, LocalDataOnly.c_str());
  return S_OK;
}

void UseLocalDataOnly(const std::string &folder) {
  LocalDataOnly = folder;
  Platform.getFolderPath = LocalDataOnlyFolder;
}

std::vector<RecycledItem> Recycled;

std::string TestBinFolder() { return UserFoldersRoot + "\\Bin"; }

/* The shell's delete into the Recycle Bin, for the tests: each item moved
   into a bin of the test run's own (the real bin would fill up with every
   test's pages), laid out as Wine's trash is, the request recorded. */
static int WINAPI RecycleIntoTestBin(SHFILEOPSTRUCTA *operation) {
  if (operation->wFunc != FO_DELETE || operation->pFrom == nullptr) return ERROR_INVALID_PARAMETER;
  MakeDirs(TestBinFolder() + "\\files");
  MakeDirs(TestBinFolder() + "\\info");
  for (const char *path = operation->pFrom; *path != '\0'; path += strlen(path) + 1) {
    const char *slash = strrchr(path, '\\');
    std::string name = slash != nullptr ? slash + 1 : path;
    std::string kept = name;
    for (int n = 2; GetFileAttributesA((TestBinFolder() + "\\files\\" + kept).c_str()) !=
                    INVALID_FILE_ATTRIBUTES;
         ++n)
      kept = name + "-" + std::to_string(n);
    std::string binPath = TestBinFolder() + "\\files\\" + kept;
    Recycled.push_back(RecycledItem{path, operation->fFlags, binPath});
    if (!MoveFileExA(path, binPath.c_str(), MOVEFILE_COPY_ALLOWED)) {
      operation->fAnyOperationsAborted = TRUE;
      return static_cast<int>(GetLastError());
    }
    WriteBytes(TestBinFolder() + "\\info\\" + kept + ".trashinfo",
               "[Trash Info]\nPath=" + std::string(path) + "\n");
  }
  return 0;
}

static bool TestTrashFolder(char *folder) {
  std::string bin = TestBinFolder();
  if (bin.size() >= MAX_PATH) return false;
  strcpy(folder, bin.c_str());
  return true;
}

void ResetProgramState() {
  int splitterWidth = Ui.splitterWidth;
  Ui = UiHandles{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, true, 330, splitterWidth};
  MainWindow = nullptr;
  AccelTable = nullptr;
  CurrentPageIndex = -1;
  HasPages = false;
  PageFolder[0] = '\0';
  StopWatchingNotebook();
  ResetPageNavigation();
  ForgetMoves();
  ForgetVersionStoreState();
  ForgetDeletedVersionsLater(nullptr);
  wordWrap = false;
  memset(&editorFont, 0, sizeof editorFont);
  fontSizeTenths = 0;
  ForgetThemeMode();
  // The find request lives as long as the process.
  findRequest = FINDREPLACEA{};
  findWhatText[0] = replaceWithText[0] = '\0';
  SetStatusTable(nullptr);
  Platform = SystemPlatform;
  Platform.getFolderPath = TestUserFolder;
  Platform.fileOperation = RecycleIntoTestBin;
  Platform.trashFolder = TestTrashFolder;
  Recycled.clear();
  if (!UserFoldersRoot.empty()) RemoveTree(TestBinFolder());
  ForgetDeletes();
  // The search index works in the idle step's slices: a test that runs
  // them asks for it.
  CloseIndex();
  SearchIndexInUse = false;
  SetSettingsPlace(SettingsPlace{"", true, 0, 0, "", ""});
}

bool SetUpProgramLibraries() {
  AppInstance = GetModuleHandleA(nullptr);
  int exitCode = 0;
  if (!InitPlatformLibraries(&exitCode) || !RegisterWindowClasses()) {
    fprintf(stderr, "cannot set up the program's libraries and window classes\n");
    return false;
  }
  LoadLibraryA(HasRichEdit20 ? "RICHED20.DLL" : "RICHED32.DLL");
  return true;
}

void AppTest::SetUp() {
  ResetProgramState();
  settingsFile = scratch / "TAV.INI";
  ConfigInfo.SetFileName(settingsFile.c_str());
  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  if (StartsInSetUp()) StartApp();
}

void AppTest::WriteSettings(const std::string &iniText) {
  ASSERT_TRUE(WriteBytes(settingsFile, iniText));
}

std::string AppTest::SettingsText() { return ReadBytes(settingsFile); }

void AppTest::StartApp() {
  // Without a stored work folder the program announces the current one; a
  // test that wants that notice writes its own settings first.
  if (!FileExists(settingsFile)) WriteSettings("[Settings]\r\nWorkDir=" + notebook.path() + "\r\n");
  ASSERT_NE(CreateMainWindow(), nullptr);
  ASSERT_NE(SendMessageA(MainWindow, UM_CREATECHILDREN, 0, 0), 0);
  ShowWindow(MainWindow, SW_SHOWNORMAL);
  UpdateWindow(MainWindow);
  AccelTable = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_MAIN));
  PumpMessages();
}

void AppTest::CloseApp() {
  if (MainWindow != nullptr) SendMessageA(MainWindow, WM_CLOSE, 0, 0);
  PumpMessages();
}

void AppTest::TearDown() {
  if (MainWindow != nullptr) DestroyWindow(MainWindow);
  PumpMessages();
  ReleaseAppResources();
  ResetProgramState();
  // Recovery copies a test left (an exit without saving keeps one) are not
  // the next test's to offer back.
  if (!UserFoldersRoot.empty()) RemoveTree(UserFoldersRoot + "\\Local\\TAV");
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  SetCurrentDirectoryA(base);
  EXPECT_EQ(boxes.unexpected(), 0) << "a message box nobody expected was shown";
}

}  // namespace harness
