// Paths under the double-byte code page 932, where the trail byte of a
// character may have the value of a backslash.
#include <gtest/gtest.h>

#include "app/paths.h"
#include "harness/harness.h"
#include "pages/pages.h"

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

// A recovery copy's page is checked name by name: in a folder named "表"
// the trail byte is no separator, so the page is one of the notebook's,
// while ".." still leads out of it.
TEST(DoubleBytePaths, ACopysPageIsCheckedCharacterByCharacter) {
  harness::TempDir work;
  const std::string folder = work / "\x95\x5C";
  ASSERT_TRUE(harness::MakeDirs(folder));
  EXPECT_TRUE(IsPageOfNotebook(folder + "\\p.tav", work.path().c_str()));
  EXPECT_FALSE(IsPageOfNotebook(folder + "\\..\\..\\p.tav", work.path().c_str()));
}

// "ア" is 0x83 0x41 and "ヂ" 0x83 0x61: pages named so are two pages, each
// with a recovery copy of its own, while ASCII letters still fold.
TEST(DoubleBytePaths, PagesDifferingOnlyInATrailByteHaveCopiesOfTheirOwn) {
  EXPECT_NE(RecoveryCopyName("C:\\Notes\\\x83\x41.tav"), RecoveryCopyName("C:\\Notes\\\x83\x61.tav"));
  EXPECT_EQ(RecoveryCopyName("C:\\Notes\\\x83\x41" "a.tav"), RecoveryCopyName("c:\\NOTES\\\x83\x41" "A.TAV"));
}

}  // namespace
