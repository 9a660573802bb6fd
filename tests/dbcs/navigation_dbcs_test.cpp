// Finding the way among pages named in code page 932: the file of places
// keeps their paths as UTF-8, and Open Page finds them by their letters.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>

#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"

namespace {

// "ノート\計画.tav" below C:\, in code page 932 and in UTF-8.
const std::string Keikaku932 = "\x8C\x76\x89\xE6";
const std::string Note932 = "\x83\x6D\x81\x5B\x83\x67";
const std::string Path932 = "C:\\" + Note932 + "\\" + Keikaku932 + ".tav";
const std::string PathUtf8 = "C:\\\xE3\x83\x8E\xE3\x83\xBC\xE3\x83\x88\\\xE8\xA8\x88\xE7\x94\xBB.tav";

TEST(DoubleBytePlaces, TheFileKeepsPathsAsUtf8) {
  ASSERT_EQ(932u, GetACP());
  PagesShown shown;
  NotePagePlace(&shown, Path932.c_str(), PagePlace{4, 4, 0});
  std::string bytes = FormatPagesShown(shown);
  EXPECT_EQ(bytes, "TAV pages shown 1\r\n4 4 0\t" + PathUtf8 + "\r\n");
  PagesShown back;
  ASSERT_TRUE(ParsePagesShown(bytes + "-\tC:\\Caf\xC3\xA9.tav\r\n", &back));
  ASSERT_EQ(back.size(), 1u) << "a path code page 932 cannot hold is passed over";
  EXPECT_EQ(back[0].path, Path932);
}

class DoubleByteOpenPage : public harness::AppTest {};

TEST_F(DoubleByteOpenPage, FindsAPageByItsLettersAndKeepsItsPlace) {
  ASSERT_TRUE(harness::MakeDirs(notebook / Note932));
  ASSERT_TRUE(harness::WriteBytes(notebook / (Note932 + "\\" + Keikaku932 + ".tav"),
                                  "\x82\xa0\x82\xa2\x82\xa4 plan\r\nsecond line\r\n"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "Start.tav", "start"));
  ExecuteCommand(CMD_REFRESH);
  boxes.Handle([](HWND) {});  // the dialog, left open
  ExecuteCommand(CMD_OPENPAGE);
  while (RunOpenPageSlice()) {
  }
  HWND dialog = OpenPageDialogWindow();
  ASSERT_NE(dialog, nullptr);
  SetWindowTextW(GetDlgItem(dialog, IDC_OPENPAGE_TEXT), L"\u8a08\u753b");
  HWND list = GetDlgItem(dialog, IDC_OPENPAGE_LIST);
  ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(harness::ListCell(list, 0, 1), L"\u30ce\u30fc\u30c8");
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  char shown[PATH_BUFFER_SIZE];
  ASSERT_TRUE(ShownPagePath(shown));
  EXPECT_EQ(std::string(shown), notebook / (Note932 + "\\" + Keikaku932 + ".tav"));
  CHARRANGE place = {2, 4};
  SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&place));
  ASSERT_EQ(ShowPageAt((notebook / "Start.tav").c_str()), PAGE_SHOWN);
  ExecuteCommand(CMD_BACK);
  CHARRANGE back = {-1, -1};
  SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&back));
  EXPECT_EQ(back.cpMin, 2);
  EXPECT_EQ(back.cpMax, 4);
}

// "表" is 0x95 0x5C: the page "計画表.tav" is in ノート, not in a folder
// "計画" + 0x95 found by taking its trail byte for a separator. Deleted while
// Open Page is open and its folder listed again, its row goes.
TEST_F(DoubleByteOpenPage, APageEndingInABackslashsByteIsInItsFolder) {
  const std::string folder = notebook / Note932;
  const std::string page = folder + "\\" + Keikaku932 + "\x95\x5C.tav";
  ASSERT_TRUE(harness::MakeDirs(folder));
  ASSERT_TRUE(harness::WriteBytes(page, "table"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "Start.tav", "start"));
  ExecuteCommand(CMD_REFRESH);
  boxes.Handle([](HWND) {});  // the dialog, left open
  ExecuteCommand(CMD_OPENPAGE);
  while (RunOpenPageSlice()) {
  }
  HWND list = GetDlgItem(OpenPageDialogWindow(), IDC_OPENPAGE_LIST);
  ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
  ASSERT_TRUE(DeleteFileA(page.c_str()));
  NoteFolderPagesChanged(folder.c_str());
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
}

}  // namespace
