// Window-free rules of the notebook's watches: change records in, folders
// to list again and names moved out. Deep changes are tested here, since
// Wine's subtree watch does not report them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "change_records.h"
#include "notebook/notebook.h"
#include "tree/tree.h"

namespace {

using changetest::Record;
using changetest::Records;
using changetest::Layout;

struct FolderSeen {
  std::string path;
  bool subfolders, pages, pageWritten;
  std::vector<std::string> entries;
};

NotebookChanges Take(const std::vector<Record> &records, const std::string &base = "") {
  NotebookChanges changes = NotebookChanges();
  std::vector<unsigned char> bytes = Records(records);
  EXPECT_TRUE(TakeChangeRecords(bytes.data(), bytes.size(), base, &changes));
  return changes;
}

std::vector<FolderSeen> Folders(const NotebookChanges &changes) {
  std::vector<FolderSeen> seen;
  for (const ChangedFolder &folder : changes.folders)
    seen.push_back(
        FolderSeen{folder.path, folder.subfolders, folder.pages, folder.pageWritten, folder.entries});
  return seen;
}

void ExpectFolders(const NotebookChanges &changes, const std::vector<FolderSeen> &expected) {
  std::vector<FolderSeen> seen = Folders(changes);
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(expected[i].path);
    EXPECT_EQ(seen[i].path, expected[i].path);
    EXPECT_EQ(seen[i].subfolders, expected[i].subfolders);
    EXPECT_EQ(seen[i].pages, expected[i].pages);
    EXPECT_EQ(seen[i].pageWritten, expected[i].pageWritten);
    EXPECT_EQ(seen[i].entries, expected[i].entries);
  }
}

// Each row: records in, the folders to list again out.
TEST(NotebookChanges, RecordsBecomeTheFoldersToListAgainEachOnce) {
  struct Row {
    const char *what;
    std::string base;
    std::vector<Record> records;
    std::vector<FolderSeen> folders;
  };
  const std::vector<Row> rows = {
      {"a folder made at the top", "", {{FILE_ACTION_ADDED, L"New"}}, {{"", true, false, false, {"New"}}}},
      {"a page made deep down",
       "",
       {{FILE_ACTION_ADDED, L"a\\b\\c\\Plan.tav"}, {FILE_ACTION_MODIFIED, L"a\\b\\c\\Plan.tav"}},
       {{"a\\b\\c", true, true, true, {}}}},
      {"a page written in the folder shown's own watch",
       "a\\b",
       {{FILE_ACTION_MODIFIED, L"Plan.tav"}},
       {{"a\\b", false, false, true, {}}}},
      {"a thousand pages into two folders",
       "",
       [] {
         std::vector<Record> many;
         for (int i = 0; i < 1000; ++i)
           many.push_back({FILE_ACTION_ADDED, (i % 2 ? L"x\\p" : L"y\\p") + std::to_wstring(i) + L".tav"});
         return many;
       }(),
       {{"y", true, true, false, {}}, {"x", true, true, false, {}}}},
      {"one folder named twice in other letter case",
       "",
       {{FILE_ACTION_ADDED, L"Work\\a.tav"}, {FILE_ACTION_REMOVED, L"WORK\\b.tav"}},
       {{"Work", true, true, false, {}}}},
      {"a folder renamed",
       "",
       {{FILE_ACTION_RENAMED_OLD_NAME, L"a\\Old"}, {FILE_ACTION_RENAMED_NEW_NAME, L"a\\New"}},
       {{"a", true, false, false, {"Old", "New"}}}},
      {"a folder's own change of time means nothing", "", {{FILE_ACTION_MODIFIED, L"a\\b"}}, {}},
      {"temporary files of other programs and TAV's own",
       "",
       {{FILE_ACTION_ADDED, L"~tav1A2B.tmp"},
        {FILE_ACTION_RENAMED_OLD_NAME, L"~tav1A2B.tmp"},
        {FILE_ACTION_ADDED, L"a\\~$Report.docx"},
        {FILE_ACTION_ADDED, L"a\\Plan.tav~"},
        {FILE_ACTION_ADDED, L"a\\x.TMP"},
        {FILE_ACTION_ADDED, L"a\\~tavBEEF.ren"},
        {FILE_ACTION_ADDED, L"a\\~R1F"},
        {FILE_ACTION_ADDED, L"a\\.~lock.Plan.odt#"},
        {FILE_ACTION_MODIFIED, L"a\\b.swp"}},
       {}},
      {"a page saved through a temporary file",
       "",
       {{FILE_ACTION_RENAMED_OLD_NAME, L"~tav00FF.tmp"}, {FILE_ACTION_RENAMED_NEW_NAME, L"Plan.tav"}},
       {{"", true, true, false, {}}}},
      {"names that would lead elsewhere are passed over",
       "",
       {{FILE_ACTION_ADDED, L"..\\outside.tav"},
        {FILE_ACTION_ADDED, L"a\\..\\..\\b"},
        {FILE_ACTION_ADDED, L"\\rooted"},
        {FILE_ACTION_ADDED, L"a\\\\b"},
        {FILE_ACTION_ADDED, L"c:x.tav"},
        {FILE_ACTION_ADDED, L"a/b"},
        {FILE_ACTION_ADDED, L"a\\.\\b"},
        {FILE_ACTION_ADDED, L"a\\"},
        {FILE_ACTION_ADDED, std::wstring(L"x\0y.tav", 7)},
        {FILE_ACTION_ADDED, L""},
        {77, L"unknown action"}},
       {}},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    NotebookChanges changes = Take(row.records, row.base);
    EXPECT_FALSE(changes.listEverything);
    ExpectFolders(changes, row.folders);
  }
}

TEST(NotebookChanges, RenamesArePairedAndKept) {
  NotebookChanges changes = Take({{FILE_ACTION_RENAMED_OLD_NAME, L"a\\Old.tav"},
                                  {FILE_ACTION_RENAMED_NEW_NAME, L"a\\New.tav"},
                                  {FILE_ACTION_RENAMED_NEW_NAME, L"a\\Orphan.tav"},
                                  {FILE_ACTION_RENAMED_OLD_NAME, L"Dir"},
                                  {FILE_ACTION_ADDED, L"between"},
                                  {FILE_ACTION_RENAMED_NEW_NAME, L"Dir2"},
                                  {FILE_ACTION_RENAMED_OLD_NAME, L"~tavAAAA.tmp"},
                                  {FILE_ACTION_RENAMED_NEW_NAME, L"Saved.tav"}},
                                 "");
  ASSERT_EQ(changes.moves.size(), 1u) << "an unpaired or interrupted rename is no move, nor a save";
  EXPECT_EQ(changes.moves[0].from, "a\\Old.tav");
  EXPECT_EQ(changes.moves[0].to, "a\\New.tav");
}

// As Wine delivers them: each record right after the one before, a name of
// 22 bytes leaving the next one off the four-byte boundary Windows keeps.
TEST(NotebookChanges, RecordsPackedWithoutPaddingAreRead) {
  std::vector<unsigned char> bytes = Records(
      {{FILE_ACTION_ADDED, L"~$Start.tav"}, {FILE_ACTION_ADDED, L"New.tav"}}, Layout::Packed);
  NotebookChanges changes = NotebookChanges();
  EXPECT_TRUE(TakeChangeRecords(bytes.data(), bytes.size(), "", &changes));
  EXPECT_FALSE(changes.listEverything) << "a temporary file made the whole tree listed again";
  ASSERT_EQ(changes.folders.size(), 1u);
  EXPECT_TRUE(changes.folders[0].pages);
}

TEST(NotebookChanges, RecordsThatDoNotHoldTogetherListEverything) {
  std::vector<unsigned char> good = Records({{FILE_ACTION_ADDED, L"a"}, {FILE_ACTION_ADDED, L"b"}});
  auto with = [&](size_t at, DWORD value) {
    std::vector<unsigned char> bytes = good;
    memcpy(&bytes[at], &value, 4);
    return bytes;
  };
  const std::vector<std::pair<const char *, std::vector<unsigned char>>> rows = {
      {"next record past the end", with(0, 4096)},
      {"next record inside this one", with(0, 8)},
      {"name longer than the buffer", with(8, 400)},
      {"name of an odd length", with(8, 3)},
      {"cut inside a header", std::vector<unsigned char>(good.begin(), good.begin() + 20)},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.first);
    NotebookChanges changes = NotebookChanges();
    EXPECT_FALSE(TakeChangeRecords(row.second.data(), row.second.size(), "", &changes));
    EXPECT_TRUE(changes.listEverything);
  }
  NotebookChanges lost = NotebookChanges();
  EXPECT_TRUE(TakeChangeRecords(nullptr, 0, "", &lost));
  EXPECT_TRUE(lost.listEverything) << "a completion with no records lost what changed";
}

TEST(NotebookChanges, FoldersNearerTheTopAreListedFirst) {
  NotebookChanges changes = Take({{FILE_ACTION_REMOVED, L"a\\b\\c\\p.tav"},
                                  {FILE_ACTION_REMOVED, L"a\\b\\c"},
                                  {FILE_ACTION_REMOVED, L"a\\b"},
                                  {FILE_ACTION_REMOVED, L"a"},
                                  {FILE_ACTION_ADDED, L"z\\n.tav"}});
  OrderChangedFolders(&changes);
  std::vector<std::string> order;
  for (const ChangedFolder &folder : changes.folders) order.push_back(folder.path);
  EXPECT_EQ(order, (std::vector<std::string>{"", "a", "z", "a\\b", "a\\b\\c"}));
}

TEST(NotebookChanges, ManyOtherEntriesInAFolderAreNotKeptOneByOne) {
  std::vector<Record> records;
  for (int i = 0; i < CHANGED_ENTRIES_KEPT + 1; ++i)
    records.push_back({FILE_ACTION_ADDED, L"a\\photo" + std::to_wstring(i) + L".jpg"});
  NotebookChanges changes = Take(records);
  ASSERT_EQ(changes.folders.size(), 1u);
  EXPECT_TRUE(changes.folders[0].manyEntries);
  EXPECT_TRUE(changes.folders[0].entries.empty());
}

}  // namespace
