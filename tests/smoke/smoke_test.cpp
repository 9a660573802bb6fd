// The built TAV.exe as a user meets it: a first start in a fresh notebook,
// a second start while it runs, and what it leaves in the settings file.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "harness/harness.h"

#ifndef TAV_EXE
#error "TAV_EXE names the program under test"
#endif

namespace {

struct Program {
  PROCESS_INFORMATION info = {};
  bool Start(const std::string &folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = std::string("\"") + TAV_EXE + "\"";
    return CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                          &startup, &info) != 0;
  }
  // Exit code, or STILL_ACTIVE when it has not ended within the time.
  DWORD WaitForExit(DWORD milliseconds) {
    if (WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
  }
  ~Program() {
    if (info.hProcess != nullptr) {
      if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 99);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
  }
};

struct Found {
  DWORD process;
  const char *className;
  const char *caption;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  Found *found = reinterpret_cast<Found *>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[64] = "", caption[64] = "";
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, caption, sizeof caption);
  if ((found->process == 0 || owner == found->process) && IsWindowVisible(window) &&
      strcmp(className, found->className) == 0 && strcmp(caption, found->caption) == 0)
    found->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> VisibleWindows(DWORD process, const char *className, const char *caption) {
  Found found = {process, className, caption, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

HWND WaitForWindow(DWORD process, const char *className, const char *caption) {
  for (int i = 0; i < 300; ++i) {
    std::vector<HWND> windows = VisibleWindows(process, className, caption);
    if (!windows.empty()) return windows.front();
    Sleep(50);
  }
  return nullptr;
}

// Where settings files may be: the user's own, the Windows folder's (an
// earlier TAV's), and the one beside the program (a portable copy's).
std::string UserSettingsPath() {
  char folder[MAX_PATH] = "";
  SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::string(folder) + "\\TAV\\TAV.INI";
}
std::string WindowsSettingsPath() {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  return std::string(windows) + "\\TAV.INI";
}
std::string PortableSettingsPath() {
  std::string exe = TAV_EXE;
  return exe.substr(0, exe.rfind('\\')) + "\\TAV.INI";
}

std::string Value(const std::string &file, const char *section, const char *key) {
  char value[512] = "";
  GetPrivateProfileStringA(section, key, "<missing>", value, sizeof value, file.c_str());
  return value;
}

// A settings file of the machine's, put back as it was after the test.
struct KeptFile {
  std::string path, bytes;
  bool present = false;
  explicit KeptFile(const std::string &where) : path(where) {
    bytes = harness::ReadBytes(path, &present);
    DeleteFileA(path.c_str());
  }
  ~KeptFile() {
    if (present)
      harness::WriteBytes(path, bytes);
    else
      DeleteFileA(path.c_str());
  }
};

class ProgramRun : public ::testing::Test {
 protected:
  KeptFile user{UserSettingsPath()}, windows{WindowsSettingsPath()},
      portable{PortableSettingsPath()};
  const std::string &settings = user.path;
  harness::TempDir notebook;
};

TEST_F(ProgramRun, FirstStartSecondStartAndClose) {
  harness::WriteBytes(notebook / "Welcome.tav", "Hello");
  Program first;
  ASSERT_TRUE(first.Start(notebook.path()));

  // No work folder is stored yet: the program says which one it takes.
  HWND notice = WaitForWindow(first.info.dwProcessId, "#32770", "TAV");
  ASSERT_NE(notice, nullptr) << "no first-start notice";
  char text[512] = "";
  GetDlgItemTextA(notice, 0xFFFF, text, sizeof text);
  EXPECT_EQ(std::string(text), "No work folder is selected.\nTAV will use '" + notebook.path() + "'");
  PostMessageA(notice, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

  HWND main = WaitForWindow(first.info.dwProcessId, "TAV", "TAV");
  ASSERT_NE(main, nullptr) << "no main window";
  EXPECT_NE(GetDlgItem(main, 99), nullptr);
  EXPECT_NE(GetDlgItem(main, 98), nullptr);
  EXPECT_NE(GetDlgItem(main, 97), nullptr);
  EXPECT_NE(GetDlgItem(main, 96), nullptr);
  EXPECT_NE(GetMenu(main), nullptr);
  WaitForInputIdle(first.info.hProcess, 5000);

  // A second start hands over to the first and ends at once.
  Program second;
  ASSERT_TRUE(second.Start(notebook.path()));
  EXPECT_EQ(second.WaitForExit(20000), 0u);
  EXPECT_EQ(VisibleWindows(0, "TAV", "TAV").size(), 1u);

  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.WaitForExit(20000), 0u);

  const struct {
    const char *section, *key, *value;  // null value: present, any value
  } expected[] = {
      {"Settings", "Font", nullptr}, {"Settings", "FontSize", "90"},
      {"Settings", "WordWrap", "0"}, {"Settings", "SavedPath", nullptr},
      {"Window", "TreeX", "330"},    {"Window", "TreeIsVisible", "1"},
      {"Window", "Left", nullptr},   {"Window", "Right", nullptr},
      {"Window", "Top", nullptr},    {"Window", "Bottom", nullptr},
      {"ToolBar", "Count", "17"},
  };
  for (const auto &e : expected) {
    std::string value = Value(settings, e.section, e.key);
    EXPECT_NE(value, "<missing>") << e.section << "/" << e.key;
    if (e.value != nullptr) {
      EXPECT_EQ(value, e.value) << e.section << "/" << e.key;
    }
  }
  EXPECT_EQ(Value(settings, "Settings", "WorkDir"), notebook.path());
  EXPECT_EQ(Value(settings, "Settings", "SavedPath"), notebook / "Welcome.tav");
  EXPECT_EQ(Value(settings, "Settings", "Font").size(), 60u * 3 - 1);
  const char *layout[] = {"0", "1", "-1", "3", "4", "5", "-1", "16", "-1",
                          "6", "7", "-1", "19", "8", "9", "-1", "10"};
  for (int i = 0; i < 17; ++i) {
    std::string key = "Button" + std::to_string(i);
    EXPECT_EQ(Value(settings, "ToolBar", key.c_str()), layout[i]) << key;
  }
}

TEST_F(ProgramRun, SecondStartWithStoredSettingsShowsNoNotice) {
  harness::MakeDirs(settings.substr(0, settings.rfind('\\')));
  harness::WriteBytes(settings, "[Settings]\r\nWorkDir=" + notebook.path() + "\r\n");
  Program run;
  ASSERT_TRUE(run.Start(notebook.path()));
  HWND main = WaitForWindow(run.info.dwProcessId, "TAV", "TAV");
  ASSERT_NE(main, nullptr);
  WaitForInputIdle(run.info.hProcess, 5000);
  EXPECT_TRUE(VisibleWindows(run.info.dwProcessId, "#32770", "TAV").empty());
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(run.WaitForExit(20000), 0u);
}

}  // namespace

namespace {

// The settings an earlier TAV kept in the Windows folder are taken over
// once, into the user's own file; the old file stays as it was. A writable
// TAV.INI beside TAV.exe is used instead of both.
TEST_F(ProgramRun, SettingsAreTakenOverFromTheWindowsFolderOrKeptBesideTheProgram) {
  const std::string old = "[Settings]\r\nWorkDir=" + notebook.path() + "\r\n";
  harness::WriteBytes(windows.path, old);
  harness::WriteBytes(notebook / "Welcome.tav", "Hello");
  for (bool portableCopy : {false, true}) {
    SCOPED_TRACE(portableCopy ? "portable" : "taken over");
    if (portableCopy) {
      DeleteFileA(settings.c_str());
      harness::WriteBytes(portable.path, old);
    }
    Program run;
    ASSERT_TRUE(run.Start(notebook.path()));
    HWND main = WaitForWindow(run.info.dwProcessId, "TAV", "TAV");
    ASSERT_NE(main, nullptr);
    WaitForInputIdle(run.info.hProcess, 5000);
    EXPECT_TRUE(VisibleWindows(run.info.dwProcessId, "#32770", "TAV").empty()) << "no first-start notice";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(20000), 0u);
    const std::string &used = portableCopy ? portable.path : settings;
    EXPECT_EQ(Value(used, "Settings", "SavedPath"), notebook / "Welcome.tav");
    EXPECT_EQ(harness::ReadBytes(windows.path), old) << "the old file stays as it was";
    if (portableCopy) {
      EXPECT_FALSE(harness::FileExists(settings)) << "the user's folder is left alone";
    }
  }
}

}  // namespace
