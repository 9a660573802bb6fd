// Paths under the double-byte code page 932, where the trail byte of a
// character may have the value of a backslash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "harness/harness.h"
#include "notebook/notebook.h"
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

class DoubleByteRecovery : public harness::AppTest {
 protected:
  bool StartsInSetUp() const override { return false; }
};

// A copy names its page in UTF-8. A page whose name code page 932 cannot
// hold is no page this process can show, and never the page of its best-fit
// spelling ("café" would be "cafe", "Sub¥p" the page p in Sub): its text is
// kept in the recovery folder and the path said as the copy has it.
TEST_F(DoubleByteRecovery, ACopyOfAPageTheCodePageCannotNameIsKeptAndSaidAsItIs) {
  const std::string localData = scratch / "Local";
  const std::string recovery = localData + "\\TAV\\Recovery";
  ASSERT_TRUE(harness::MakeDirs(recovery));
  harness::UseLocalDataOnly(localData);
  ASSERT_TRUE(harness::MakeDirs(notebook / "Sub"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "cafe.tav", "saved"));
  ASSERT_TRUE(harness::WriteBytes(notebook / "Sub\\p.tav", "saved"));
  for (const std::string &named : {notebook / "caf\xC3\xA9.tav", notebook / "Sub\xC2\xA5p.tav"}) {
    RecoveryCopy copy;
    copy.pagePath = "x";
    copy.encoding = PageEncoding{TEXT_UTF8, 0, false, BREAKS_CRLF};
    copy.madeAgainst = PageFileState{false, false, 0, 0, {0, 0}};
    copy.text = L"typed";
    std::string bytes = FormatRecoveryCopy(copy);
    bytes.replace(bytes.find("Page=x\r\n"), 8, "Page=" + named + "\r\n");
    ASSERT_TRUE(harness::WriteBytes(recovery + "\\" + RecoveryCopyName(named.c_str()), bytes));
  }
  std::wstring said;
  for (int box = 0; box < 2; ++box)
    boxes.Handle([&said](HWND shown) {
      WCHAR text[1024] = L"";
      GetDlgItemTextW(shown, 0xFFFF, text, 1024);
      said += std::wstring(text) + L"\n";
      PostMessageA(shown, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
  StartApp();
  const std::wstring base(notebook.path().begin(), notebook.path().end());
  for (const std::wstring &page : {base + L"\\caf\u00e9.tav", base + L"\\Sub\u00a5p.tav"})
    EXPECT_NE(said.find(L"saving '" + page + L"', which is not a page"), std::wstring::npos) << said;
  EXPECT_EQ(harness::ListNames(notebook / "Sub"), std::vector<std::string>{"p.tav"});
  const std::vector<std::string> kept = harness::ListNames(recovery);
  ASSERT_EQ(kept.size(), 2u) << "the copies go, their text kept";
  for (const std::string &name : kept) EXPECT_EQ(harness::ReadBytes(recovery + "\\" + name), "typed");
}

}  // namespace
