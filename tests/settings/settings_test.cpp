// Loading and saving the program's settings: keys, defaults, bounds, the
// first-start notice, and the window rectangle.
#include <limits.h>
#include <string.h>

#include <string>

#include "app/display_scale.h"
#include "notebook/notebook.h"
#include "editing/editing.h"
#include "harness/harness.h"
#include "settings/settings.h"

namespace {

// Gives each test its own settings file and program state it may change, and
// puts the state back afterwards.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousFile = ConfigInfo.FileName() ? ConfigInfo.FileName() : "TAV.INI";
    file = dir / "TAV.INI";
    ConfigInfo.SetFileName(file.c_str());
    savedUi = Ui;
    savedFont = editorFont;
    savedWordWrap = wordWrap;
    savedFontSize = fontSizeTenths;
    savedWork = WorkFolderPath;
    savedPage = SavedPagePath;
    WorkFolderPath = work;
    SavedPagePath = page;
    strcpy(work, harness::CurrentDirectory().c_str());
    page[0] = '\0';
    Ui.treeVisible = true;
    Ui.treeWidthPermille = 330;
    memset(&editorFont, 0, sizeof editorFont);
    wordWrap = false;
    fontSizeTenths = 0;
  }
  void TearDown() override {
    ConfigInfo.SetFileName(previousFile.c_str());
    Ui = savedUi;
    editorFont = savedFont;
    wordWrap = savedWordWrap;
    fontSizeTenths = savedFontSize;
    WorkFolderPath = savedWork;
    SavedPagePath = savedPage;
  }

  // Sets a key, or removes it when value is null.
  void Store(const char *section, const char *key, const char *value) {
    WritePrivateProfileStringA(section, key, value, file.c_str());
  }
  std::string Read(const char *section, const char *key) {
    char text[PATH_BUFFER_SIZE];
    ConfigInfo.ReadString(section, key, "(missing)", text, sizeof text);
    return text;
  }
  // LoadSettings with a work folder stored, so no notice appears.
  void LoadQuietly() {
    Store("Settings", "WorkDir", "C:\\Notes");
    harness::BoxDriver boxes;
    LoadSettings();
    EXPECT_EQ(0u, boxes.boxes().size());
  }

  harness::TempDir dir;
  std::string file;
  std::string previousFile;
  char work[PATH_BUFFER_SIZE];
  char page[PATH_BUFFER_SIZE];

 private:
  UiHandles savedUi;
  LOGFONTA savedFont;
  bool savedWordWrap;
  int savedFontSize;
  char *savedWork;
  char *savedPage;
};

TEST_F(SettingsTest, TreeWidthIsKeptWithinBounds) {
  const struct {
    const char *stored;
    int expected;
  } cases[] = {{"5", 10}, {"10", 10}, {"11", 11}, {"989", 989}, {"990", 990},
               {"991", 990}, {"2000", 990}, {"-2147483648", 10}, {"abc", 10}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.stored);
    Store("Window", "TreeX", c.stored);
    Ui.treeWidthPermille = 330;
    LoadQuietly();
    EXPECT_EQ(c.expected, Ui.treeWidthPermille);
  }
  Store("Window", "TreeX", nullptr);
  Ui.treeWidthPermille = 500;
  LoadQuietly();
  EXPECT_EQ(500, Ui.treeWidthPermille);
}

TEST_F(SettingsTest, FlagsReadAsNonzero) {
  const struct {
    const char *stored;  // null: no such key
    bool before;
    bool expected;
  } cases[] = {{"2", false, true}, {"0", true, false}, {"abc", true, false},
               {nullptr, true, true}, {nullptr, false, false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.stored ? c.stored : "(missing)");
    Store("Window", "TreeIsVisible", c.stored);
    Ui.treeVisible = c.before;
    LoadQuietly();
    EXPECT_EQ(c.expected, Ui.treeVisible);
  }
  const struct {
    const char *stored;
    bool expected;
  } wraps[] = {{"0", false}, {"7", true}, {"-1", true}, {nullptr, false}};
  for (const auto &c : wraps) {
    SCOPED_TRACE(c.stored ? c.stored : "(missing)");
    Store("Settings", "WordWrap", c.stored);
    wordWrap = !c.expected;
    LoadQuietly();
    EXPECT_EQ(c.expected, wordWrap);
  }
}

TEST_F(SettingsTest, FontIsReplacedOnlyByAStoredValue) {
  memset(&editorFont, 0x5a, sizeof editorFont);
  LoadQuietly();
  unsigned char sentinel[sizeof(LOGFONTA)];
  memset(sentinel, 0x5a, sizeof sentinel);
  EXPECT_EQ(0, memcmp(sentinel, &editorFont, sizeof editorFont)) << "absent";
  EXPECT_EQ(90, fontSizeTenths);

  LOGFONTA font = {};
  font.lfHeight = -16;
  font.lfWeight = FW_BOLD;
  font.lfItalic = 1;
  font.lfCharSet = ANSI_CHARSET;
  strcpy(font.lfFaceName, "Courier New");
  ConfigInfo.WriteBinary("Settings", "Font", &font, sizeof font);
  Store("Settings", "FontSize", "120");
  LoadQuietly();
  EXPECT_EQ(0, memcmp(&font, &editorFont, sizeof font)) << "whole record";
  EXPECT_EQ(120, fontSizeTenths);

  // A short text still replaces the whole record; bytes without text are 0.
  Store("Settings", "Font", "F4,FF");
  LoadQuietly();
  EXPECT_EQ(0xFFF4, editorFont.lfHeight);
  EXPECT_EQ(0, editorFont.lfWeight);
  EXPECT_STREQ("", editorFont.lfFaceName);

  // A face name filling all 32 bytes is cut so that it stays terminated.
  std::string full(3 * sizeof(LOGFONTA) - 1, 'x');
  for (size_t i = 0; i < sizeof(LOGFONTA); ++i) full.replace(3 * i, 2, i < 28 ? "00" : "41");
  Store("Settings", "Font", full.c_str());
  LoadQuietly();
  EXPECT_EQ(std::string(LF_FACESIZE - 1, 'A'), editorFont.lfFaceName);
}

TEST_F(SettingsTest, MissingWorkFolderKeepsCurrentDirectoryWithNotice) {
  const char *stored[] = {nullptr, ""};
  for (const char *value : stored) {
    SCOPED_TRACE(value ? "empty" : "missing");
    Store("Settings", "WorkDir", value);
    std::string current = work;
    harness::BoxDriver boxes;
    boxes.Answer(IDOK);
    LoadSettings();
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("TAV", boxes.boxes()[0].caption);
    EXPECT_EQ("No work folder is selected.\nTAV will use '" + current + "'", boxes.boxes()[0].text);
    EXPECT_EQ(current, work);
  }
  // The folder's name is quoted as it is, never taken as a format.
  strcpy(work, "C:\\100%s%n%d");
  harness::BoxDriver boxes;
  boxes.Answer(IDOK);
  LoadSettings();
  ASSERT_EQ(1u, boxes.boxes().size());
  EXPECT_EQ("No work folder is selected.\nTAV will use 'C:\\100%s%n%d'", boxes.boxes()[0].text);
}

TEST_F(SettingsTest, StoredPathsAreTaken) {
  Store("Settings", "SavedPath", "C:\\Notes\\Plan.tav");
  LoadQuietly();
  EXPECT_STREQ("C:\\Notes", work);
  EXPECT_STREQ("C:\\Notes\\Plan.tav", page);

  Store("Settings", "SavedPath", nullptr);
  LoadQuietly();
  EXPECT_STREQ("", page);
}

// Where the settings live: beside the program when that file can be
// written, else in the user's own folder, which takes over once the file an
// earlier TAV kept in the Windows folder; the Windows folder itself only
// where the user's folder cannot be written.
TEST(SettingsPlace, BesideTheProgramElseTheUsersFolderTakingOverTheOldFile) {
  const std::string oldText = "[Settings]\r\nWorkDir=C:\\Old\r\n";
  const struct {
    const char *what;
    bool portable, portableReadOnly, old, own, blocked;
    const char *chosen;  // "portable", "own", "old"
    bool writable;
    bool oldLocked;  // another program holds the old file: the takeover fails, and says so
  } cases[] = {
      {"portable", true, false, true, true, false, "portable", true, false},
      {"portable but read-only", true, true, true, false, false, "own", true, false},
      {"first start after an earlier TAV", false, false, true, false, false, "own", true, false},
      {"own file kept", false, false, true, true, false, "own", true, false},
      {"first start ever", false, false, false, false, false, "own", true, false},
      {"user folder blocked", false, false, true, false, true, "old", true, false},
      {"old file locked", false, false, true, false, false, "own", true, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    harness::TempDir program, user, windows;
    bool made = (!c.portable || harness::WriteBytes(program / "TAV.INI", "[Settings]\r\n")) &&
                (!c.old || harness::WriteBytes(windows / "TAV.INI", oldText)) &&
                (!c.own || (harness::MakeDirs(user / "TAV") &&
                            harness::WriteBytes(user / "TAV\\TAV.INI",
                                                "[Settings]\r\nWorkDir=C:\\Own\r\n"))) &&
                (!c.blocked || harness::WriteBytes(user / "TAV", "a file where the folder goes"));
    ASSERT_TRUE(made);
    if (c.portableReadOnly)
      SetFileAttributesA((program / "TAV.INI").c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE lock = c.oldLocked ? CreateFileA((windows / "TAV.INI").c_str(), GENERIC_READ, 0,
                                            nullptr, OPEN_EXISTING, 0, nullptr)
                              : INVALID_HANDLE_VALUE;
    SettingsPlace place;
    ChooseSettingsPlace(program.path().c_str(), user.path().c_str(), windows.path().c_str(), &place);
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    EXPECT_EQ(place.takeOverError != 0, c.oldLocked);
    if (c.oldLocked) {
      EXPECT_EQ(std::string(place.takenFrom), windows / "TAV.INI");
    }
    std::string chosen = std::string(c.chosen) == "portable" ? program / "TAV.INI"
                         : std::string(c.chosen) == "own"    ? user / "TAV\\TAV.INI"
                                                             : windows / "TAV.INI";
    EXPECT_EQ(std::string(place.path), chosen);
    EXPECT_EQ(place.writable, c.writable);
    std::string own = harness::ReadBytes(user / "TAV\\TAV.INI");
    if (c.own) {
      EXPECT_EQ(own, "[Settings]\r\nWorkDir=C:\\Own\r\n") << "kept";
    } else if (c.old && !c.blocked && !c.portable && !c.oldLocked) {
      EXPECT_EQ(own, oldText) << "taken over";
    }
    if (c.old) {
      EXPECT_EQ(harness::ReadBytes(windows / "TAV.INI"), oldText) << "the old file stays";
    }
    SetFileAttributesA((program / "TAV.INI").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// Settings that cannot be written anywhere are said once a run: at start,
// and not again when the writes at exit fail.
TEST(SettingsPlace, SettingsThatCannotBeKeptAreToldOnce) {
  harness::TempDir user, windows, notebook;
  ASSERT_TRUE(harness::WriteBytes(user / "TAV", "a file where the folder goes"));
  ASSERT_TRUE(harness::MakeDirs(windows / "TAV.INI"));  // a folder where the file goes
  SettingsPlace place;
  ChooseSettingsPlace("", user.path().c_str(), windows.path().c_str(), &place);
  EXPECT_FALSE(place.writable);
  std::string previous = ConfigInfo.FileName();
  SetSettingsPlace(place);
  char work[PATH_BUFFER_SIZE], page[PATH_BUFFER_SIZE] = "";
  strcpy(work, notebook.path().c_str());
  char *savedWork = WorkFolderPath, *savedPage = SavedPagePath;
  WorkFolderPath = work;
  SavedPagePath = page;
  {
    harness::BoxDriver boxes;
    boxes.Answer(IDOK);
    boxes.Answer(IDOK);  // no work folder stored: the first-start notice
    LoadSettings();
    SaveSettings();
    SaveSettings();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.boxes()[0].text.rfind("TAV cannot write its settings file '" +
                                              std::string(place.path) + "'", 0), 0u);
  }
  WorkFolderPath = savedWork;
  SavedPagePath = savedPage;
  SetSettingsPlace(SettingsPlace{"", true, 0, 0, "", ""});
  ConfigInfo.SetFileName(previous.c_str());
}

// An old settings file that is read-only passes the attribute to its copy,
// which is TAV's own file and must take the settings: it is made writable,
// also where an earlier build left it read-only. A file TAV cannot write is
// named as the one it tried to write.
TEST(SettingsPlace, ATakenOverReadOnlyFileIsMadeWritable) {
  const std::string oldText = "[Settings]\r\nWorkDir=C:\\Old\r\n";
  auto readOnly = [](const std::string &path) {
    return (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
  };
  for (bool leftByAnEarlierBuild : {false, true}) {
    SCOPED_TRACE(leftByAnEarlierBuild ? "read-only copy left by an earlier build" : "first start");
    harness::TempDir user, windows;
    ASSERT_TRUE(harness::WriteBytes(windows / "TAV.INI", oldText));
    if (leftByAnEarlierBuild) {
      ASSERT_TRUE(harness::MakeDirs(user / "TAV") && harness::WriteBytes(user / "TAV\\TAV.INI", oldText));
      SetFileAttributesA((user / "TAV\\TAV.INI").c_str(), FILE_ATTRIBUTE_READONLY);
    }
    SetFileAttributesA((windows / "TAV.INI").c_str(), FILE_ATTRIBUTE_READONLY);
    SettingsPlace place;
    ChooseSettingsPlace("", user.path().c_str(), windows.path().c_str(), &place);
    EXPECT_EQ(std::string(place.path), user / "TAV\\TAV.INI");
    EXPECT_TRUE(place.writable);
    EXPECT_FALSE(readOnly(user / "TAV\\TAV.INI"));
    EXPECT_EQ(harness::ReadBytes(user / "TAV\\TAV.INI"), oldText);
    EXPECT_TRUE(readOnly(windows / "TAV.INI")) << "the old file stays as it was";
  }

  harness::TempDir user, windows;
  ASSERT_TRUE(harness::WriteBytes(windows / "TAV.INI", oldText));
  ASSERT_TRUE(harness::MakeDirs(user / "TAV") &&
              harness::WriteBytes(user / "TAV\\TAV.INI", "[Settings]\r\nWorkDir=C:\\Own\r\n"));
  SetFileAttributesA((user / "TAV\\TAV.INI").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA((windows / "TAV.INI").c_str(), FILE_ATTRIBUTE_READONLY);
  SettingsPlace place;
  ChooseSettingsPlace("", user.path().c_str(), windows.path().c_str(), &place);
  EXPECT_FALSE(place.writable) << "the user's own read-only file is left so";
  EXPECT_EQ(std::string(place.path), user / "TAV\\TAV.INI") << "and read";
  std::string previous = ConfigInfo.FileName();
  SetSettingsPlace(place);
  {
    harness::BoxDriver boxes;
    boxes.Answer(IDOK);
    ReportSettingsNotKept(place.error);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text.rfind("TAV cannot write its settings file '" +
                                              user / "TAV\\TAV.INI" + "'", 0), 0u)
        << boxes.boxes()[0].text;
  }
  SetSettingsPlace(SettingsPlace{"", true, 0, 0, "", ""});
  ConfigInfo.SetFileName(previous.c_str());
}

// A UTF-8 process writes its settings in UTF-8, and still reads the paths
// and the font an earlier build wrote in the system's code page (1252 here).
TEST_F(SettingsTest, PathsWrittenInTheSystemCodePageReadAsTheyWere) {
  ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
  LOGFONTA font = {};
  font.lfHeight = -13;
  strcpy(font.lfFaceName, "Caf\xE9 Sans");
  char hex[3 * sizeof font];
  EncodeHexBytes(reinterpret_cast<const unsigned char *>(&font), sizeof font, hex);
  ASSERT_TRUE(harness::WriteBytes(file, "[Settings]\r\nWorkDir=C:\\Caf\xE9\r\n"
                                        "SavedPath=C:\\Caf\xE9\\Men\xFC.tav\r\nFont=" +
                                            std::string(hex) + "\r\n"));
  harness::BoxDriver boxes;
  LoadSettings();
  EXPECT_STREQ(work, "C:\\Caf\xC3\xA9");
  EXPECT_STREQ(page, "C:\\Caf\xC3\xA9\\Men\xC3\xBC.tav");
  EXPECT_STREQ(editorFont.lfFaceName, "Caf\xC3\xA9 Sans");
  SaveSettings();
  EXPECT_EQ(harness::ReadBytes(file).find("WorkDir=C:\\Caf\xC3\xA9\r\n") != std::string::npos, true);
  strcpy(work, "C:\\\xE6\x97\xA5\xE6\x9C\xAC");
  SaveSettings();
  LoadSettings();
  EXPECT_STREQ(work, "C:\\\xE6\x97\xA5\xE6\x9C\xAC") << "UTF-8 stays UTF-8";
}

TEST_F(SettingsTest, SaveSettingsWritesEveryKey) {
  for (size_t i = 0; i < sizeof editorFont; ++i)
    reinterpret_cast<unsigned char *>(&editorFont)[i] = static_cast<unsigned char>(i * 7);
  editorFont.lfFaceName[LF_FACESIZE - 1] = '\0';
  LOGFONTA font = editorFont;
  fontSizeTenths = 120;
  strcpy(work, "C:\\Work");
  wordWrap = true;
  Ui.treeWidthPermille = 2000;  // written as it is, bounded only on reading
  Ui.treeVisible = false;
  strcpy(page, "C:\\Work\\p.tav");
  SaveSettings();

  unsigned char stored[sizeof(LOGFONTA)];
  EXPECT_EQ(60, ConfigInfo.ReadBinary("Settings", "Font", stored, sizeof stored));
  EXPECT_EQ(0, memcmp(&font, stored, sizeof stored));
  EXPECT_EQ("120", Read("Settings", "FontSize"));
  EXPECT_EQ("C:\\Work", Read("Settings", "WorkDir"));
  EXPECT_EQ("1", Read("Settings", "WordWrap"));
  EXPECT_EQ("2000", Read("Window", "TreeX"));
  EXPECT_EQ("0", Read("Window", "TreeIsVisible"));
  EXPECT_EQ("C:\\Work\\p.tav", Read("Settings", "SavedPath"));
  EXPECT_EQ("(missing)", Read("Window", "Left"));

  // What was saved loads back; the width now within its bounds.
  memset(&editorFont, 0, sizeof editorFont);
  fontSizeTenths = 0;
  work[0] = page[0] = '\0';
  wordWrap = false;
  Ui.treeVisible = true;
  LoadSettings();
  EXPECT_EQ(0, memcmp(&font, &editorFont, sizeof font));
  EXPECT_EQ(120, fontSizeTenths);
  EXPECT_STREQ("C:\\Work", work);
  EXPECT_STREQ("C:\\Work\\p.tav", page);
  EXPECT_TRUE(wordWrap);
  EXPECT_FALSE(Ui.treeVisible);
  EXPECT_EQ(990, Ui.treeWidthPermille);
}

TEST_F(SettingsTest, WindowRectangleNeedsItsPosition) {
  const int D = CW_USEDEFAULT;
  const struct {
    const char *name;
    const char *left, *right, *top, *bottom;  // null: no such key
    RECT expected;
  } cases[] = {
      {"whole", "10", "610", "20", "420", {10, 20, 610, 420}},
      {"none", nullptr, nullptr, nullptr, nullptr, {D, D, D, D}},
      {"position only", "10", nullptr, "20", nullptr, {10, 20, D, D}},  // sized on the screen
      {"no bottom", "10", "610", "20", nullptr, {10, 20, 610, D}},
      {"size without position", nullptr, "610", nullptr, "420", {D, D, D, D}},
      {"no top", "10", "610", nullptr, "420", {D, D, D, D}},
      {"top alone", nullptr, nullptr, "20", nullptr, {D, D, D, D}},
      {"width beyond 32 bits", "-2000000000", "2000000000", "0", "100", {-2000000000, 0, D, 100}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Store("Window", "Left", c.left);
    Store("Window", "Right", c.right);
    Store("Window", "Top", c.top);
    Store("Window", "Bottom", c.bottom);
    RECT rect;
    LoadWindowRect(&rect);
    EXPECT_EQ(c.expected.left, rect.left);
    EXPECT_EQ(c.expected.top, rect.top);
    EXPECT_EQ(c.expected.right, rect.right);
    EXPECT_EQ(c.expected.bottom, rect.bottom);
  }
}

TEST_F(SettingsTest, WindowPlacementIsSavedUnlessMinimised) {
  MainWindow = nullptr;
  SaveWindowPlacement();
  EXPECT_FALSE(harness::FileExists(file));

  HWND window = CreateWindowExA(0, "STATIC", "placement", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                30, 40, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr),
                                nullptr);
  ASSERT_NE(nullptr, window);
  MainWindow = window;
  RECT rect;
  GetWindowRect(window, &rect);
  SaveWindowPlacement();
  EXPECT_EQ(std::to_string(rect.left), Read("Window", "Left"));
  EXPECT_EQ(std::to_string(rect.right), Read("Window", "Right"));
  EXPECT_EQ(std::to_string(rect.top), Read("Window", "Top"));
  EXPECT_EQ(std::to_string(rect.bottom), Read("Window", "Bottom"));
  std::string text = harness::ReadBytes(file);
  EXPECT_LT(text.find("Left="), text.find("Right="));
  EXPECT_LT(text.find("Right="), text.find("Top="));
  EXPECT_LT(text.find("Top="), text.find("Bottom="));

  Store("Window", "Left", "-1");
  ShowWindow(window, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(window));
  SaveWindowPlacement();
  EXPECT_EQ("-1", Read("Window", "Left"));

  DestroyWindow(window);
  MainWindow = nullptr;
}

// A hand-edited work folder may be relative: it is taken against the current
// directory at start and kept, and saved, absolute.
TEST_F(SettingsTest, ARelativeWorkFolderIsMadeAbsolute) {
  const std::string current = harness::CurrentDirectory();
  ASSERT_TRUE(harness::MakeDirs(dir / "a\\b"));
  ASSERT_TRUE(SetCurrentDirectoryA((dir / "a\\b").c_str()));
  Store("Settings", "WorkDir", "..\\..");
  harness::BoxDriver boxes;
  LoadSettings();
  SetCurrentDirectoryA(current.c_str());
  EXPECT_EQ(dir.path(), work);
  SaveSettings();
  EXPECT_EQ(dir.path(), Read("Settings", "WorkDir"));
}

TEST(FitWindowRect, AWindowNobodyCanReachComesOntoTheWorkArea) {
  const RECT work = {0, 0, 1280, 870};
  const int D = CW_USEDEFAULT;
  const struct {
    const char *name;
    RECT stored, fitted;
  } cases[] = {
      {"on the screen", {10, 20, 610, 420}, {10, 20, 610, 420}},
      {"maximised", {-8, -8, 1288, 878}, {-8, -8, 1288, 878}},
      {"size not stored", {10, 20, D, D}, {10, 20, 970, 672}},
      {"width not stored", {10, 20, D, 420}, {10, 20, 970, 420}},
      {"height not stored", {10, 20, 610, D}, {10, 20, 610, 672}},
      {"tiny", {10, 20, 15, 22}, {10, 20, 310, 220}},
      {"inverted", {500, 400, 100, 50}, {500, 400, 800, 600}},
      {"on a screen removed", {-1500, 100, -900, 500}, {0, 100, 600, 500}},
      {"title bar above the screen", {100, -300, 700, 400}, {100, 0, 700, 700}},
      {"far off and larger than the screen", {5000, 0, 8000, 2000}, {0, 0, 1280, 870}},
      {"far off, size not stored", {-5000, 100, D, D}, {0, 100, 960, 752}},
      {"low and right, size not stored", {900, 700, D, D}, {320, 218, 1280, 870}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    RECT fitted = FitWindowRect(c.stored, work);
    EXPECT_EQ(c.fitted.left, fitted.left);
    EXPECT_EQ(c.fitted.top, fitted.top);
    EXPECT_EQ(c.fitted.right, fitted.right);
    EXPECT_EQ(c.fitted.bottom, fitted.bottom);
  }
}

// The main window itself, from a rectangle stored far off every screen.
class StoredPlacement : public harness::AppTest {
 protected:
  bool StartsInSetUp() const override { return false; }
};

// Any of the four keys may be missing from a hand-edited or cut file: the
// window is still one the user can use, on the work area.
TEST_F(StoredPlacement, EveryPartOfARectangleGivesAUsableWindow) {
  RECT work;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  const char *keys[] = {"Left", "Top", "Right", "Bottom"};
  // Far right and low: the platform's own default size would be tiny there.
  const char *values[] = {"900", "700", "1200", "850"};
  for (int stored = 0; stored < 16; ++stored) {
    std::string ini = "[Settings]\r\nWorkDir=" + notebook.path() + "\r\n[Window]\r\n";
    for (int key = 0; key < 4; ++key)
      if (stored & (1 << key)) ini += std::string(keys[key]) + "=" + values[key] + "\r\n";
    WriteSettings(ini);
    ASSERT_NE(CreateMainWindow(), nullptr);
    RECT window;
    ASSERT_TRUE(GetWindowRect(MainWindow, &window));
    DestroyWindow(MainWindow);
    harness::PumpMessages();
    SCOPED_TRACE("keys stored: " + std::to_string(stored));
    EXPECT_GE(window.right - window.left, 300);
    EXPECT_GE(window.bottom - window.top, 200);
    RECT onScreen;
    IntersectRect(&onScreen, &window, &work);
    EXPECT_TRUE(EqualRect(&onScreen, &window)) << window.left << "," << window.top << " "
                                                << window.right << "," << window.bottom;
  }
}

TEST_F(StoredPlacement, AWindowOffEveryScreenOpensOnTheScreen) {
  WriteSettings("[Settings]\r\nWorkDir=" + notebook.path() +
                "\r\n[Window]\r\nLeft=-30000\r\nRight=-29990\r\nTop=-30000\r\nBottom=-29995\r\n");
  StartApp();
  RECT work, window;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  ASSERT_TRUE(GetWindowRect(MainWindow, &window));
  RECT onScreen;
  IntersectRect(&onScreen, &window, &work);
  EXPECT_TRUE(EqualRect(&onScreen, &window)) << window.left << "," << window.top;
  EXPECT_GE(window.right - window.left, 300);
  EXPECT_GE(window.bottom - window.top, 200);
}

// A window closed on a display of 200 % comes back on one of 100 % (the
// test's) at half its size in pixels: the same share of the display. The
// next close stores the place for this display's DPI.
TEST_F(StoredPlacement, ARectangleStoredForAnotherScalingKeepsItsShare) {
  WriteSettings("[Settings]\r\nWorkDir=" + notebook.path() +
                "\r\n[Window]\r\nLeft=80\r\nTop=60\r\nRight=1280\r\nBottom=900\r\nDpi=192\r\n");
  StartApp();
  RECT window;
  ASSERT_TRUE(GetWindowRect(MainWindow, &window));
  EXPECT_EQ(window.left, 40);
  EXPECT_EQ(window.top, 30);
  EXPECT_EQ(window.right - window.left, 600);
  EXPECT_EQ(window.bottom - window.top, 420);
  CloseApp();
  EXPECT_NE(SettingsText().find("Dpi=" + std::to_string(SystemDpi()) + "\r\n"), std::string::npos);
}

}  // namespace
