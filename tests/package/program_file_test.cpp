// What TAV.exe carries for Windows: the version resource that the file's
// properties show, and the application manifest that asks for the current
// common controls. The program file is the built TAV.exe, or the file named
// by TAV_EXE_UNDER_TEST (the installer test points it at an installed copy).
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "tav_version.h"

#ifndef TAV_EXE
#error "TAV_EXE names the program under test"
#endif

namespace {

std::string ProgramPath() {
  char path[MAX_PATH] = "";
  DWORD length = GetEnvironmentVariableA("TAV_EXE_UNDER_TEST", path, sizeof path);
  if (length > 0 && length < sizeof path) return path;
  return TAV_EXE;
}

std::string Lower(std::string text) {
  for (char &c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The whole version resource of the program file; empty when it has none.
std::vector<char> VersionBlock() {
  std::string path = ProgramPath();
  DWORD unused = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &unused);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) block.clear();
  return block;
}

// A string of the version resource, looked up through its first translation
// as the file's properties do; "<missing>" when there is none.
std::string VersionString(std::vector<char> &block, const char *name) {
  struct Translation {
    WORD language, codePage;
  } *translation = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void **>(&translation), &size) ||
      size < sizeof *translation)
    return "<missing>";
  char query[128];
  snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation->language,
           translation->codePage, name);
  char *value = nullptr;
  if (!VerQueryValueA(block.data(), query, reinterpret_cast<void **>(&value), &size) ||
      value == nullptr)
    return "<missing>";
  return std::string(value);
}

TEST(VersionResource, NumbersAreTheProjectVersion) {
  std::vector<char> block = VersionBlock();
  ASSERT_FALSE(block.empty()) << ProgramPath() << " has no version resource";
  VS_FIXEDFILEINFO *info = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void **>(&info), &size));
  ASSERT_GE(size, sizeof *info);
  EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
  const WORD expected[4] = {TAV_VERSION_NUMBERS};
  EXPECT_EQ(info->dwFileVersionMS, MAKELONG(expected[1], expected[0]));
  EXPECT_EQ(info->dwFileVersionLS, MAKELONG(expected[3], expected[2]));
  EXPECT_EQ(info->dwProductVersionMS, info->dwFileVersionMS);
  EXPECT_EQ(info->dwProductVersionLS, info->dwFileVersionLS);
  EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST(VersionResource, PropertiesNameTheProgramAndItsVersion) {
  std::vector<char> block = VersionBlock();
  ASSERT_FALSE(block.empty()) << ProgramPath() << " has no version resource";
  const struct {
    const char *name, *value;  // null value: present and not empty
  } expected[] = {
      {"ProductName", "TAV"},
      {"OriginalFilename", "TAV.exe"},
      {"FileVersion", TAV_VERSION_TEXT},
      {"ProductVersion", TAV_VERSION_TEXT},
      {"FileDescription", nullptr},
      {"CompanyName", nullptr},
      {"LegalCopyright", nullptr},
  };
  for (const auto &e : expected) {
    std::string value = VersionString(block, e.name);
    if (e.value != nullptr)
      EXPECT_EQ(value, e.value) << e.name;
    else
      EXPECT_TRUE(value != "<missing>" && !value.empty()) << e.name;
  }
}

TEST(Manifest, ProgramAsksForCommonControlsSixOnWindows7To11) {
  std::string path = ProgramPath();
  HMODULE program = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr) << path;
  HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr) << "no manifest resource 24/1";
  const char *bytes = static_cast<const char *>(LockResource(LoadResource(program, found)));
  std::string manifest = Lower(std::string(bytes, SizeofResource(program, found)));
  FreeLibrary(program);

  const char *wanted[] = {
      "name=\"microsoft.windows.common-controls\" version=\"6.0.0.0\"",
      "level=\"asinvoker\"",
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
      // Text in UTF-8 where Windows honours it (10 1903 and later).
      "<activecodepage xmlns=\"http://schemas.microsoft.com/smi/2019/windowssettings\">utf-8</activecodepage>",
      // Drawn for each display's scaling, never stretched by Windows: per
      // display where Windows can (version 2 from 10 1703, the first from
      // 8.1), for the system's display before.
      "<dpiaware xmlns=\"http://schemas.microsoft.com/smi/2005/windowssettings\">true/pm</dpiaware>",
      "<dpiawareness xmlns=\"http://schemas.microsoft.com/smi/2016/windowssettings\">permonitorv2, permonitor</dpiawareness>",
  };
  for (const char *text : wanted) EXPECT_NE(manifest.find(text), std::string::npos) << text;
}

// The test executables carry the program's manifest, so every test runs with
// the side-by-side common controls 6, as TAV.exe does.
TEST(Manifest, TestsRunWithCommonControlsSix) {
  HMODULE controls = GetModuleHandleA("comctl32.dll");
  ASSERT_NE(controls, nullptr);
  char path[MAX_PATH] = "";
  ASSERT_GT(GetModuleFileNameA(controls, path, sizeof path), 0u);
  EXPECT_NE(Lower(path).find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
            std::string::npos)
      << path;
  // Version 6 reports 6.x from DllGetVersion on Windows; Wine 8's reports
  // 5.81 as its version 5 does. Either counts as the newer controls.
  EXPECT_TRUE(HasNewCommonControls);
  // And in UTF-8, as TAV.exe runs.
  EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
}

}  // namespace
