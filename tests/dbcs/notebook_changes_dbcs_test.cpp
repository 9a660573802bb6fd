// The change records of the notebook's watches under code page 932.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../tree/change_records.h"
#include "tree/tree.h"

namespace {

// "表" is 0x95 0x5C: a folder of that name made at the top is a name in the
// work folder, not a name in a folder "\x95"; a name 932 cannot hold is
// passed over, as the tree never shows it.
TEST(DoubleByteChanges, ATrailByteLikeABackslashSplitsNoPath) {
  std::vector<unsigned char> bytes = changetest::Records({{FILE_ACTION_ADDED, L"\u8868"},
                                                          {FILE_ACTION_ADDED, L"\u8868\\p.tav"},
                                                          {FILE_ACTION_ADDED, L"\U0001F4DA.tav"}});
  NotebookChanges changes = NotebookChanges();
  ASSERT_TRUE(TakeChangeRecords(bytes.data(), bytes.size(), "", &changes));
  ASSERT_EQ(changes.folders.size(), 2u);
  EXPECT_EQ(changes.folders[0].path, "");
  EXPECT_EQ(changes.folders[0].entries, std::vector<std::string>{"\x95\x5C"});
  EXPECT_FALSE(changes.folders[0].pages) << "the emoji page is passed over";
  EXPECT_EQ(changes.folders[1].path, "\x95\x5C");
  EXPECT_TRUE(changes.folders[1].pages);
}

}  // namespace
