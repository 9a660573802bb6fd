// Find in All Pages from the search index under code page 932: a page whose
// folder and name are double-byte names (the folder's trail byte a
// backslash's value), its text in the code page, is found from the index
// with the rows a scan gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/harness.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

namespace {

class DoubleByteSearchIndex : public harness::AppTest {
 protected:
  void TearDown() override {
    SearchIndexInUse = false;
    harness::AppTest::TearDown();
  }
  std::vector<std::string> Search(bool indexed) {
    SearchIndexInUse = indexed;
    std::vector<std::string> rows;
    EXPECT_TRUE(StartFindAll(SearchPattern{L"\u4f1a\u8b70\u306e", false, false}));
    while (RunFindAllSlice()) {
    }
    for (const FoundRow &row : FoundRows())
      rows.push_back(row.folder + "/" + row.page + ":" + std::to_string(row.column));
    return rows;
  }
};

TEST_F(DoubleByteSearchIndex, AJapanesePageIsFoundFromTheIndex) {
  ASSERT_EQ(932u, GetACP());
  const std::string folder = "\x95\x5C", page = folder + "\\\x89\xEF\x8B\x63.tav";  // 表\会議
  ASSERT_TRUE(harness::WriteBytes(notebook / "Aaa.tav", "shown"));
  ASSERT_TRUE(harness::MakeDirs(notebook / folder));
  // 今日は会議の記録 in the code page.
  ASSERT_TRUE(harness::WriteBytes(notebook / page, "\x8D\xA1\x93\xFA\x82\xCD\x89\xEF\x8B\x63\x82\xCC\x8B\x4C\x98\x5E"));
  ASSERT_TRUE(RefreshTree());
  const std::vector<std::string> scan = Search(false);
  ASSERT_EQ(scan, std::vector<std::string>{folder + "/\x89\xEF\x8B\x63:3"});
  SearchIndexInUse = true;
  while (RunIndexUpkeepSlice()) {
  }
  EXPECT_EQ(Search(true), scan);
  EXPECT_EQ(FindAllState.pagesFromIndex, 1u);
}

}  // namespace
