// Paths under the double-byte code page 932, where the trail byte of a
// character may have the value of a backslash.
#include <gtest/gtest.h>

#include "app/paths.h"

namespace {

// "表" is 0x95 0x5C: a folder whose name ends with it does not end with a
// separator, so a name joined to it goes inside it, not beside it.
TEST(DoubleBytePaths, ATrailByteLikeABackslashIsNoSeparator) {
  const char folder[] = "C:\\Notes\\\x95\x5C";
  char out[PATH_BUFFER_SIZE];
  ASSERT_TRUE(JoinPath(folder, "a.tav", out));
  EXPECT_STREQ(out, "C:\\Notes\\\x95\x5C\\a.tav");
  EXPECT_TRUE(FolderPathsEqual(folder, "C:\\Notes\\\x95\x5C\\"));
  EXPECT_FALSE(FolderPathsEqual(folder, "C:\\Notes\\\x95"));
}

}  // namespace
