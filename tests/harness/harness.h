// Test harness: temporary notebooks and settings files, file helpers, the
// message-box driver, and a fixture that runs the real main window.
#ifndef TAV_TEST_HARNESS_H
#define TAV_TEST_HARNESS_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"

namespace harness {

// A fresh, empty directory below the temporary folder, removed with all its
// contents when the object ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string &path() const { return path_; }
  std::string operator/(const std::string &relative) const;

 private:
  std::string path_;
};

// Removes a folder with everything in it; a link found inside is removed as
// a link, never entered.
bool RemoveTree(const std::string &path);
// A link at path to the directory target (relative to the link's folder, or
// absolute). Windows makes a symbolic link; Wine cannot (its
// CreateSymbolicLink does nothing), so there the Unix link is made, which
// Wine shows as a directory link.
bool MakeDirectoryLink(const std::string &path, const std::string &target);
// Under Wine only (false elsewhere): a Unix FIFO at path, and a Unix link at
// path to a Unix path (a device, say), as another program may leave them;
// RemoveTree removes both.
bool MakeUnixFifo(const std::string &path);
bool MakeUnixLink(const std::string &path, const std::string &unixTarget);
bool RunningUnderWine();
bool MakeDirs(const std::string &path);
bool WriteBytes(const std::string &path, const std::string &bytes);
std::string ReadBytes(const std::string &path, bool *ok = nullptr);
bool FileExists(const std::string &path);
std::string CurrentDirectory();
std::vector<std::string> ListNames(const std::string &folder);  // sorted, without . and ..

// Handles the messages waiting for this thread, like the program's loop does,
// without blocking.
void PumpMessages();
// Runs the message loop's steps for the notebook's watches (their records
// taken, the changes taken up once settled) until done() holds or the time
// is up; done()'s last answer. With no done, until nothing is pending.
bool FollowNotebookChanges(const std::function<bool()> &done = nullptr, DWORD milliseconds = 5000);
// Text on the clipboard as another program puts it there: as Unicode.
bool PutOnClipboard(const std::wstring &text);
// The text of a list view's cell.
std::wstring ListCell(HWND list, int row, int column);
// Text of a window, editor included (CR LF line breaks).
std::string WindowText(HWND window);

// One message box or dialog seen by the driver.
struct Box {
  std::string caption;
  std::string text;  // the static text of a message box; empty for dialogs
};

// Answers message boxes and dialogs shown on this thread, from a thread-local
// CBT hook. Each box takes the next planned answer; a box with no plan left is
// recorded as unexpected and closed with Cancel (or OK), so a test fails
// instead of hanging.
class BoxDriver {
 public:
  BoxDriver();
  ~BoxDriver();
  // Answer the next box by pressing this button (IDOK, IDYES, IDNO, IDCANCEL).
  void Answer(int button);
  // Handle the next dialog with a function of the test; it must end the
  // dialog itself (or post a command that does).
  void Handle(std::function<void(HWND)> handler);
  const std::vector<Box> &boxes() const { return boxes_; }
  int unexpected() const { return unexpected_; }
  void Clear();

  static BoxDriver *current;

 private:
  struct Plan {
    int button;
    std::function<void(HWND)> handler;
  };
  static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK FallbackTimer(HWND, UINT, UINT_PTR, DWORD);
  void OnActivate(HWND box);

 public:
  void Answer(HWND box);  // reads, records and answers a box now

 private:

  HHOOK hook_;
  UINT_PTR timer_;
  std::vector<Plan> plans_;
  std::vector<Box> boxes_;
  std::vector<HWND> handled_;
  int unexpected_;
};

// Runs the real main window in a notebook folder of its own, with a settings
// file of its own. SetUp writes the settings (when given), makes the notebook
// folder the process's current directory and starts the program the way the
// entry procedure does, up to its message loop; TearDown closes it.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Before StartApp: settings text to write, and whether to start at all.
  virtual bool StartsInSetUp() const { return true; }
  // Starts the program; the first-start notice (when no WorkDir is stored)
  // is answered and recorded in boxes.
  void StartApp();
  // Closes the main window the way the close box does and pumps until it is gone.
  void CloseApp();
  void WriteSettings(const std::string &iniText);
  std::string SettingsText();

  TempDir notebook;
  TempDir scratch;
  std::string settingsFile;
  BoxDriver boxes;
};

// Program-wide state back to its initial values, between tests. The user's
// application data folders are then folders below UserFoldersRoot.
void ResetProgramState();
extern std::string UserFoldersRoot;
// Until the next reset, the user's local application data is this folder
// (made by the test) and every other folder of the user's is not found.
void UseLocalDataOnly(const std::string &folder);

// The Recycle Bin as the tests have it (from ResetProgramState on): every
// item the shell is asked to delete is moved into TestBinFolder under a
// number, and the request recorded.
struct RecycledItem {
  std::string path;
  unsigned flags;       // FOF_... as asked
  std::string binPath;  // where it went
};
extern std::vector<RecycledItem> Recycled;
std::string TestBinFolder();

// What the entry procedure sets up before its main window: the libraries and
// the window classes. The rich-edit library keeps one more reference, since
// every program run in the process ends by unloading it. False on failure.
bool SetUpProgramLibraries();

}  // namespace harness

#endif
