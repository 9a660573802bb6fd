// Moving pages and folders under code page 932: names whose second byte is a
// backslash's, and names in the target that the code page cannot hold.
#include <gtest/gtest.h>

#include <string>

#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"
#include "tree/tree.h"

namespace {

class DoubleByteMoves : public harness::AppTest {};

// "表" ends in the byte of a backslash: the folder is moved by its whole
// name. A page "Café.tav" in the target, which code page 932 would list by
// its best-fit spelling "Cafe.tav", is not taken for the name of the page
// "Cafe.tav" moved there.
TEST_F(DoubleByteMoves, NamesEndingInATrailByteAndNamesTheCodePageCannotHold) {
  ASSERT_EQ(932u, GetACP());
  const std::string hyo = "\x95\x5C";
  ASSERT_TRUE(harness::MakeDirs(notebook / hyo));
  ASSERT_TRUE(harness::WriteBytes(notebook / (hyo + "\\p.tav"), "p"));
  ASSERT_TRUE(harness::MakeDirs(notebook / "Src"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "Src\\Cafe.tav", "plain"));
  ASSERT_TRUE(harness::MakeDirs(notebook / "Target"));
  WCHAR cafe[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, (notebook / "Target\\Caf").c_str(), -1, cafe, MAX_PATH);
  HANDLE file = CreateFileW((std::wstring(cafe) + L"\u00e9.tav").c_str(), GENERIC_WRITE, 0,
                            nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ExecuteCommand(CMD_REFRESH);
  EXPECT_TRUE(MoveItem(MOVE_PAGE, (notebook / "Src\\Cafe.tav").c_str(),
                       (notebook / "Target").c_str()));
  EXPECT_EQ(harness::ReadBytes(notebook / "Target\\Cafe.tav"), "plain");
  EXPECT_TRUE(MoveItem(MOVE_FOLDER, (notebook / hyo).c_str(), (notebook / "Target").c_str()));
  EXPECT_EQ(harness::ReadBytes(notebook / ("Target\\" + hyo + "\\p.tav")), "p");
  EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
