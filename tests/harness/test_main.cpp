// Entry point of every test executable: the program's libraries and window
// classes are set up once, as the entry procedure does, and the settings go
// to a file of the test run's own until a test names another.
#include <gtest/gtest.h>

#include "app/app.h"
#include "harness/harness.h"
#include "settings/settings.h"

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  harness::TempDir runFolder;
  std::string settings = runFolder / "TAV.INI";
  ConfigInfo.SetFileName(settings.c_str());
  harness::UserFoldersRoot = runFolder / "User";
  harness::ResetProgramState();
  if (!harness::SetUpProgramLibraries()) return 2;
  int result = RUN_ALL_TESTS();
  ConfigInfo.SetFileName("TAV.INI");
  return result;
}
