// The entry procedure's pieces: the version rule, the idle machinery of the
// message loop and the error box.
#include "notebook/notebook.h"
#include "editing/editing.h"
#include "harness/harness.h"

namespace {

struct VersionCase {
  DWORD major, minor;
  bool isNew;
};

TEST(CommonControlsVersion, FourSeventyOrLaterIsNew) {
  const VersionCase cases[] = {
      {4, 70, true}, {4, 71, true}, {5, 0, true},  {5, 81, true}, {6, 0, true},
      {4, 0, false}, {4, 69, false}, {3, 99, false}, {0, 0, false},
  };
  for (const VersionCase &c : cases)
    EXPECT_EQ(IsNewCommonControlsVersion(c.major, c.minor), c.isNew) << c.major << "." << c.minor;
}

TEST(CommonControlsVersion, ProbeReadsTheLibrarysVersion) {
  DWORD major = 0xcccc, minor = 0xcccc;
  ASSERT_TRUE(ProbeDllVersion("comctl32.dll", &major, &minor));
  EXPECT_GE(major, 4u);
  EXPECT_NE(minor, 0xccccu);
}

TEST(CommonControlsVersion, LibraryWithoutExportCountsAsFourZero) {
  DWORD major = 0xcccc, minor = 0xcccc;
  ASSERT_TRUE(ProbeDllVersion("kernel32.dll", &major, &minor));
  EXPECT_EQ(major, 4u);
  EXPECT_EQ(minor, 0u);
}

TEST(CommonControlsVersion, MissingLibraryFailsTheProbe) {
  DWORD major = 0xcccc, minor = 0xcccc;
  EXPECT_FALSE(ProbeDllVersion("no-such-library-here.dll", &major, &minor));
  EXPECT_EQ(major, 0xccccu);
}

MSG MakeMessage(UINT message, int x, int y) {
  MSG msg = {};
  msg.message = message;
  msg.pt.x = x;
  msg.pt.y = y;
  return msg;
}

TEST(MessageEndsIdle, MouseMovesCountOnlyWhenThePointerOrKindChanges) {
  EXPECT_TRUE(MessageEndsIdle(MakeMessage(WM_MOUSEMOVE, 101, 202)));
  EXPECT_FALSE(MessageEndsIdle(MakeMessage(WM_MOUSEMOVE, 101, 202)));
  // Same point, other kind of move: activity.
  EXPECT_TRUE(MessageEndsIdle(MakeMessage(WM_NCMOUSEMOVE, 101, 202)));
  EXPECT_FALSE(MessageEndsIdle(MakeMessage(WM_NCMOUSEMOVE, 101, 202)));
  EXPECT_TRUE(MessageEndsIdle(MakeMessage(WM_NCMOUSEMOVE, 101, 203)));
  EXPECT_TRUE(MessageEndsIdle(MakeMessage(WM_MOUSEMOVE, 101, 203)));
}

TEST(MessageEndsIdle, PaintAndCaretBlinkAreNotActivity) {
  EXPECT_FALSE(MessageEndsIdle(MakeMessage(WM_PAINT, 0, 0)));
  EXPECT_FALSE(MessageEndsIdle(MakeMessage(0x0118, 0, 0)));
  EXPECT_TRUE(MessageEndsIdle(MakeMessage(WM_KEYDOWN, 0, 0)));
  EXPECT_TRUE(MessageEndsIdle(MakeMessage(WM_TIMER, 0, 0)));
  EXPECT_TRUE(MessageEndsIdle(MakeMessage(WM_NULL, 0, 0)));
}

// A stand-in main window that counts the idle refreshes and steers the loop
// through a scripted sequence of messages.
struct IdleScript {
  int idleUpdates = 0;
  std::vector<UINT> seen;
};
IdleScript *script;
const UINT MSG_ACTIVITY = WM_APP + 1;
const UINT MSG_FINISH = WM_APP + 2;

LRESULT CALLBACK IdleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == UM_IDLEUPDATE) {
    ++script->idleUpdates;
    script->seen.push_back(message);
    // First refresh: some activity. Second: only a caret blink, then a
    // timer ends the run; no third refresh may come in between.
    if (script->idleUpdates == 1) PostMessageA(window, MSG_ACTIVITY, 0, 0);
    if (script->idleUpdates == 2) PostMessageA(window, 0x0118, 0, 0);
    return 0;
  }
  if (message == 0x0118) {
    script->seen.push_back(message);
    SetTimer(window, 1, 200, nullptr);
    return 0;
  }
  if (message == WM_TIMER) {
    KillTimer(window, 1);
    PostQuitMessage(0);
    return 0;
  }
  if (message == MSG_ACTIVITY) {
    script->seen.push_back(message);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeIdleWindow(bool visible) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = IdleWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TavIdleProbe";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "TavIdleProbe", "probe", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0),
                         0, 0, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
}

class MessageLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::PumpMessages();
    script = &state;
  }
  void TearDown() override {
    if (window != nullptr) DestroyWindow(window);
    MainWindow = nullptr;
    harness::PumpMessages();
  }
  IdleScript state;
  HWND window = nullptr;
};

TEST_F(MessageLoop, OneRefreshPerIdlePeriod) {
  window = MakeIdleWindow(true);
  MainWindow = window;
  harness::PumpMessages();  // creation messages, outside the loop
  EXPECT_EQ(RunMessageLoop(), 0);
  // Refresh, activity, refresh, caret blink (no refresh), timer, quit.
  EXPECT_EQ(state.idleUpdates, 2);
  ASSERT_GE(state.seen.size(), 4u);
  EXPECT_EQ(state.seen[0], static_cast<UINT>(UM_IDLEUPDATE));
  EXPECT_EQ(state.seen[1], MSG_ACTIVITY);
  EXPECT_EQ(state.seen[2], static_cast<UINT>(UM_IDLEUPDATE));
  EXPECT_EQ(state.seen[3], 0x0118u);
}

TEST_F(MessageLoop, NothingIsSentWhileTheWindowIsHidden) {
  window = MakeIdleWindow(false);
  MainWindow = window;
  SetTimer(window, 1, 300, nullptr);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(state.idleUpdates, 0);
}

// Work done a slice at a time goes on whatever started it, here a search
// of all pages started by a message another thread sends while the loop
// sleeps: handled inside the loop's wait, it leaves nothing queued, and the
// search must still end before anything is posted.
const UINT MSG_START_SEARCH = WM_APP + 3;
const UINT MSG_LOOK = WM_APP + 4;
bool searchEndedBeforeLook;

LRESULT CALLBACK SearchProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MSG_START_SEARCH) return StartFindAll(SearchPattern{L"needle", false, false});
  if (message == MSG_LOOK) {
    searchEndedBeforeLook = !FindAllRunning();
    StopFindAll();
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI SendThenLook(void *parameter) {
  HWND window = static_cast<HWND>(parameter);
  Sleep(300);  // the loop is asleep by now
  SendMessageA(window, MSG_START_SEARCH, 0, 0);
  Sleep(1000);
  PostMessageA(window, MSG_LOOK, 0, 0);
  return 0;
}

TEST_F(MessageLoop, WorkStartedByASentMessageGoesOnWithNothingPosted) {
  harness::TempDir notebook;
  ASSERT_TRUE(harness::WriteBytes(notebook / "a.tav", "a needle"));
  ASSERT_TRUE(harness::MakeDirs(notebook / "Sub"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "Sub\\b.tav", "another needle"));
  WorkFolderPath = new char[PATH_BUFFER_SIZE];  // the loop frees it as it ends
  strcpy(WorkFolderPath, notebook.path().c_str());
  WNDCLASSA wc = {};
  wc.lpfnWndProc = SearchProbeProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TavSearchProbe";
  RegisterClassA(&wc);
  window = CreateWindowExA(0, "TavSearchProbe", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           nullptr, nullptr, wc.hInstance, nullptr);
  MainWindow = window;
  harness::PumpMessages();
  searchEndedBeforeLook = false;
  HANDLE sender = CreateThread(nullptr, 0, SendThenLook, window, 0, nullptr);
  ASSERT_NE(sender, nullptr);
  EXPECT_EQ(RunMessageLoop(), 0);
  WaitForSingleObject(sender, INFINITE);
  CloseHandle(sender);
  EXPECT_TRUE(searchEndedBeforeLook);
  EXPECT_EQ(FoundRows().size(), 2u);
}

TEST(IdleStep, AnswersTrueOnlyForTheFirstStep) {
  MainWindow = nullptr;
  EXPECT_TRUE(RunIdleStep(0));
  EXPECT_TRUE(RunIdleStep(-3));
  EXPECT_FALSE(RunIdleStep(1));
  EXPECT_FALSE(RunIdleStep(7));
}

TEST(ShowSystemError, ContextColonAndTheSystemsText) {
  harness::BoxDriver boxes;
  boxes.Answer(IDOK);
  boxes.Answer(IDOK);
  boxes.Answer(IDOK);
  SetLastError(ERROR_FILE_NOT_FOUND);
  ShowSystemError("Loading Rich Edit DLL");
  SetLastError(ERROR_FILE_NOT_FOUND);
  ShowSystemError(nullptr);
  SetLastError(ERROR_FILE_NOT_FOUND);
  ShowSystemError("");
  ASSERT_EQ(boxes.boxes().size(), 3u);
  char system[512] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_FILE_NOT_FOUND,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), system, sizeof system, nullptr);
  ASSERT_NE(system[0], '\0');
  // The system text keeps its own line break at the end.
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  EXPECT_EQ(boxes.boxes()[0].text, std::string("Loading Rich Edit DLL:\n") + system);
  EXPECT_EQ(boxes.boxes()[1].text, system);
  EXPECT_EQ(boxes.boxes()[2].text, system);
}

TEST(ShowSystemError, CodeWithoutSystemTextStillSaysSomething) {
  harness::BoxDriver boxes;
  boxes.Answer(IDOK);
  SetLastError(0x2000FFFF);
  ShowSystemError("Context");
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text.rfind("Context:\n", 0), 0u);
  EXPECT_GT(boxes.boxes()[0].text.size(), strlen("Context:\n"));
}

}  // namespace
