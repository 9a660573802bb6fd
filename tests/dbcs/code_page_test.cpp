// This executable runs with the ANSI code page 932 (Japanese), which Wine
// takes from the locale variables: its tests cover double-byte text.
#include <windows.h>

#include <gtest/gtest.h>

TEST(DoubleByteCodePage, RunsUnderCodePage932) {
  ASSERT_EQ(932u, GetACP()) << "test_dbcs must run with LC_ALL=ja_JP.UTF-8";
  // "あ" is 0x82 0xA0 in code page 932: a lead byte and a trail byte that
  // is not a lead byte on its own.
  EXPECT_TRUE(IsDBCSLeadByte(0x82));
  EXPECT_FALSE(IsDBCSLeadByte('A'));
}
