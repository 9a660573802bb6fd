// A page's history under code page 932: a page in the code page, in a
// folder whose name ends in a trail byte with a backslash's value, keeps
// its versions under that path and is restored in its own encoding.
#include <gtest/gtest.h>

#include <richedit.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
#include "pages/pages.h"

namespace {

using harness::ReadBytes;
using harness::WriteBytes;

class DoubleByteHistory : public harness::AppTest {
 protected:
  bool StartsInSetUp() const override { return false; }
};

TEST_F(DoubleByteHistory, ACodePagePageIsRestoredInItsEncoding) {
  const std::string local = scratch / "Local";
  ASSERT_TRUE(harness::MakeDirs(local));
  harness::UseLocalDataOnly(local);
  const std::string folder = "\x95\x5C";  // its trail byte is a backslash's
  const std::string page = folder + "\\\x93\xFA\x96\x7B.tav";
  const std::string original = "\x82\xA0\x81\x81 line\n\x95\x5C end\n";
  ASSERT_TRUE(harness::MakeDirs(notebook / folder));
  ASSERT_TRUE(WriteBytes(notebook / page, original));
  StartApp();
  ASSERT_EQ(ShowPageAt((notebook / page).c_str()), PAGE_SHOWN);
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("\x82\xA0"));
  ASSERT_TRUE(SaveCurrentPage());
  std::vector<PageVersion> versions;
  ASSERT_TRUE(ListPageVersions((notebook / page).c_str(), &versions));
  ASSERT_EQ(versions.size(), 1u);
  boxes.Handle([](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); });
  ExecuteCommand(CMD_HISTORY);
  ASSERT_TRUE(SaveCurrentPage());
  EXPECT_EQ(ReadBytes(notebook / page), original);
  EXPECT_EQ(boxes.unexpected(), 0);
}

}  // namespace
