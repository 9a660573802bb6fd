// Delete Folder and Undo Delete under code page 932: a folder whose name
// ends in a backslash's byte comes back whole, and a page whose name the
// code page cannot hold keeps its folder out of the Recycle Bin.
#include <gtest/gtest.h>

#include <string>

#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

class DoubleByteDeletes : public harness::AppTest {
 protected:
  // namesLeftOut: the folder's pages shown tell of names left out.
  void DeleteFolderAt(const std::string &path, int laterAnswer = 0, bool namesLeftOut = false) {
    HTREEITEM node = WalkToFolderNode(Ui.tree, path.c_str());
    ASSERT_NE(node, nullptr);
    if (namesLeftOut) boxes.Answer(IDOK);
    TreeView_SelectItem(Ui.tree, node);
    boxes.Answer(IDYES);
    if (laterAnswer != 0) boxes.Answer(laterAnswer);
    ExecuteCommand(CMD_DELETEFOLDER);
  }
};

// "表" is 0x95 0x5C. "é" has no spelling in 932: the page named with it
// stays, and so does its folder, while the page beside it goes and comes
// back.
TEST_F(DoubleByteDeletes, TrailBytesAndNamesTheCodePageCannotHold) {
  ASSERT_EQ(932u, GetACP());
  const std::string hyo = "\x95\x5C";
  ASSERT_TRUE(harness::MakeDirs(notebook / (hyo + "\\" + hyo)));
  ASSERT_TRUE(harness::WriteBytes(notebook / (hyo + "\\" + hyo + "\\" + hyo + ".tav"), "x\r\n"));
  ASSERT_TRUE(harness::MakeDirs(notebook / "Mixed"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "Mixed\\plain.tav", "plain"));
  WCHAR mixed[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, (notebook / "Mixed\\").c_str(), -1, mixed, MAX_PATH);
  HANDLE file = CreateFileW((std::wstring(mixed) + L"\u00e9.tav").c_str(), GENERIC_WRITE, 0,
                            nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ExecuteCommand(CMD_REFRESH);

  DeleteFolderAt(notebook / hyo);
  EXPECT_FALSE(harness::FileExists(notebook / hyo));
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(harness::ReadBytes(notebook / (hyo + "\\" + hyo + "\\" + hyo + ".tav")), "x\r\n");
  EXPECT_EQ(boxes.boxes().size(), 1u);

  DeleteFolderAt(notebook / "Mixed", IDOK, true);
  ASSERT_EQ(boxes.boxes().size(), 4u) << "the folder left is named";
  EXPECT_EQ(boxes.boxes()[3].text.rfind("C:\\", 0), 0u) << boxes.boxes()[3].text;
  EXPECT_FALSE(harness::FileExists(notebook / "Mixed\\plain.tav"));
  ASSERT_EQ(harness::Recycled.size(), 2u);
  EXPECT_EQ(harness::Recycled[1].path, notebook / "Mixed\\plain.tav");
  ExecuteCommand(CMD_UNDODELETE);
  EXPECT_EQ(harness::ReadBytes(notebook / "Mixed\\plain.tav"), "plain");
  EXPECT_EQ(harness::ListNames(notebook / "Mixed").size(), 2u);
}

}  // namespace
