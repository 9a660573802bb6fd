// Page names, tab labels and the small rules of the tab strip, without windows.
#include <gtest/gtest.h>

#include <string>

#include "app/ui_handles.h"
#include "pages/pages.h"

namespace {

struct LabelCase {
  const char *pageName;
  const char *label;
};

TEST(PageNames, LabelsDoubleEveryAmpersandAndNamesUndoIt) {
  const LabelCase cases[] = {
      {"Plan", "Plan"},   {"R&D", "R&&D"}, {"A&&B", "A&&&&B"}, {"&", "&&"},
      {"end&", "end&&"},  {"&&&", "&&&&&&"}, {"", ""},
  };
  for (const LabelCase &c : cases) {
    SCOPED_TRACE(c.pageName);
    char label[PATH_BUFFER_SIZE];
    memset(label, 0xcc, sizeof label);
    ASSERT_TRUE(MakeTabLabel(c.pageName, label));
    EXPECT_STREQ(label, c.label);
    char name[PATH_BUFFER_SIZE];
    memset(name, 0xcc, sizeof name);
    PageNameFromLabel(label, name);
    EXPECT_STREQ(name, c.pageName);
  }
}

TEST(PageNames, LabelThatWouldNotFitIsRefusedNotCut) {
  std::string fits(129, '&');  // 258 characters once doubled
  char label[PATH_BUFFER_SIZE];
  EXPECT_TRUE(MakeTabLabel(fits.c_str(), label));
  EXPECT_EQ(strlen(label), 258u);
  std::string tooMany(130, '&');
  EXPECT_FALSE(MakeTabLabel(tooMany.c_str(), label));
  EXPECT_STREQ(label, "");
  std::string plain(259, 'x');
  EXPECT_TRUE(MakeTabLabel(plain.c_str(), label));
  std::string plainTooLong(260, 'x');
  EXPECT_FALSE(MakeTabLabel(plainTooLong.c_str(), label));
}

TEST(PageNames, OnlyNamesEndingInTavArePages) {
  const struct {
    const char *name;
    bool page;
  } cases[] = {
      {"a.tav", true},      {"B.TAV", true},      {"c.Tav", true},    {".tav", true},
      {"d.tavx", false},    {"h.tav~", false},    {"e.tav.bak", false}, {"tav1A2.tmp", false},
      {"tav", false},       {"x.ta", false},      {"", false},
  };
  for (const auto &c : cases) EXPECT_EQ(IsPageFileName(c.name), c.page) << c.name;
}

TEST(PageNames, CaseIsFoldedForAsciiLettersOnly) {
  EXPECT_TRUE(NamesEqualIgnoringAsciiCase("Plan", "pLAN"));
  EXPECT_TRUE(NamesEqualIgnoringAsciiCase("", ""));
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("Plan", "Plans"));
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("Plans", "Plan"));
  // Byte pairs 32 apart that are not ASCII letters stay different.
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("a@b", "A`B"));
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("[", "{"));
  EXPECT_FALSE(NamesEqualIgnoringAsciiCase("\xC4pfel", "\xE4pfel"));  // A and a with diaeresis
  EXPECT_TRUE(NamesEqualIgnoringAsciiCase("\xC4pfel", "\xC4PFEL"));
}

TEST(PageNames, FolderPathsCompareWithoutCaseAndTrailingBackslash) {
  EXPECT_TRUE(FolderPathsEqual("C:\\Notes\\Ideas", "c:\\notes\\ideas"));
  EXPECT_TRUE(FolderPathsEqual("C:\\Notes\\", "C:\\Notes"));
  EXPECT_TRUE(FolderPathsEqual("C:\\", "c:\\"));
  EXPECT_FALSE(FolderPathsEqual("C:\\Notes", "C:\\Notes2"));
  EXPECT_FALSE(FolderPathsEqual("C:\\Notes\\A", "C:\\Notes"));
}

TEST(PageNames, JoinPutsOneBackslashAndRefusesTooLongPaths) {
  char out[PATH_BUFFER_SIZE];
  ASSERT_TRUE(JoinFolderAndName("C:\\Notes", "a.tav", out));
  EXPECT_STREQ(out, "C:\\Notes\\a.tav");
  ASSERT_TRUE(JoinFolderAndName("C:\\", "a.tav", out));
  EXPECT_STREQ(out, "C:\\a.tav");
  std::string folder = "C:\\" + std::string(246, 'f');
  ASSERT_TRUE(JoinFolderAndName(folder.c_str(), "12345.tav", out));  // 259 characters
  EXPECT_EQ(strlen(out), 259u);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(JoinFolderAndName(folder.c_str(), "123456.tav", out));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_STREQ(out, "");
}

TEST(PageNames, StepWrapsAtBothEnds) {
  const struct {
    int selected, delta, count, target;
  } cases[] = {
      {0, 1, 3, 1}, {2, 1, 3, 0}, {0, -1, 3, 2}, {1, -1, 3, 0},
      {0, 1, 1, 0}, {0, -1, 1, 0}, {-1, 1, 3, 0}, {-1, -1, 3, 2},
  };
  for (const auto &c : cases)
    EXPECT_EQ(StepTarget(c.selected, c.delta, c.count), c.target)
        << c.selected << " + " << c.delta << " of " << c.count;
}

}  // namespace
