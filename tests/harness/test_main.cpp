// Entry point of every test executable: the program's libraries and window
// classes are set up once, as the entry procedure does, and the settings go
// to a file of the test run's own until a test names another.
#include <gtest/gtest.h>

#include "app/ui_handles.h"
#include "harness/harness.h"
#include "settings/settings.h"

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  AppInstance = GetModuleHandleA(nullptr);
  harness::TempDir runFolder;
  std::string settings = runFolder / "TAV.INI";
  ConfigInfo.SetFileName(settings.c_str());
  int exitCode = 0;
  if (!InitPlatformLibraries(&exitCode) || !RegisterWindowClasses()) {
    fprintf(stderr, "cannot set up the program's libraries and window classes\n");
    return 2;
  }
  // The program unloads the rich-edit library when its loop ends; tests run
  // many such ends in one process, so the library keeps one more reference.
  LoadLibraryA(HasRichEdit20 ? "RICHED20.DLL" : "RICHED32.DLL");
  int result = RUN_ALL_TESTS();
  ConfigInfo.SetFileName("TAV.INI");
  return result;
}
