// The change records of the notebook's watches under code page 932.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "../tree/change_records.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
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

class DoubleByteDeletedPage : public harness::AppTest {};

// "表" ends in the byte of a backslash: the tree shows the folder, and its
// page shown, deleted elsewhere with the folder while it had unsaved text,
// is written again: the folder is made again by its whole name, and no
// folder is made of its first byte. (Wine's file functions drop a lead byte
// left alone at the end of a path, so under Wine no such folder can come
// about; MultiByteToWideChar makes it U+30FB.)
TEST_F(DoubleByteDeletedPage, ItsFolderIsMadeAgainByItsWholeName) {
  ASSERT_EQ(932u, GetACP());
  const std::string hyo = "\x95\x5C";
  ASSERT_TRUE(CreateDirectoryA((notebook / hyo).c_str(), nullptr));
  ASSERT_TRUE(harness::WriteBytes(notebook / (hyo + "\\p.tav"), "p"));
  ExecuteCommand(CMD_REFRESH);
  ASSERT_TRUE(SelectFolderOfPage((notebook / (hyo + "\\p.tav")).c_str()));
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" typed"));
  // Wine keeps a folder while a handle to it is open (the watch, the
  // current directory); a Unix program's removal takes it at once.
  ASSERT_TRUE(SetCurrentDirectoryA(notebook.path().c_str()));
  StopWatchingNotebook();
  ASSERT_TRUE(harness::RemoveTree(notebook / hyo));
  std::vector<unsigned char> records = changetest::Records({{FILE_ACTION_REMOVED, L"\u8868\\p.tav"}});
  NoteChangeRecords(records.data(), records.size(), "");
  EXPECT_TRUE(harness::FollowNotebookChanges(
      [&] { return ShownPageNoticeNow() == NOTICE_DELETED_ELSEWHERE; }));
  EXPECT_TRUE(SaveCurrentPage());
  EXPECT_EQ(harness::ReadBytes(notebook / (hyo + "\\p.tav")), "p typed");
  EXPECT_EQ(harness::ListNames(notebook.path()), std::vector<std::string>{hyo});
  EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
