// Page names, tab labels and the small rules of the tab strip, without windows.
#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "notebook/notebook.h"
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
