// The record of the pages shown and the places they were left at: bounded,
// the most recent first, following moves; its file read as input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notebook/notebook.h"
#include "pages/pages.h"

namespace {

std::vector<std::string> Paths(const PagesShown &shown) {
  std::vector<std::string> paths;
  for (const ShownPage &page : shown) paths.push_back(page.path);
  return paths;
}

TEST(PagesShown, KeepsTheThousandShownLastAndFollowsMoves) {
  PagesShown shown;
  for (int i = 0; i <= PAGES_SHOWN_KEPT; ++i)
    NotePageShown(&shown, ("C:\\N\\p" + std::to_string(i) + ".tav").c_str());
  ASSERT_EQ(shown.size(), static_cast<size_t>(PAGES_SHOWN_KEPT));
  EXPECT_EQ(shown.front().path, "C:\\N\\p1000.tav");
  EXPECT_EQ(FindPageShown(shown, "C:\\N\\p0.tav"), nullptr) << "the one shown longest ago went";
  NotePagePlace(&shown, "c:\\n\\P5.TAV", PagePlace{3, 9, 2});
  NotePageShown(&shown, "C:\\N\\p5.tav");
  size_t rank = 99;
  const ShownPage *page = FindPageShown(shown, "C:\\N\\p5.tav", &rank);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(rank, 0u);
  EXPECT_TRUE(page->placed);
  EXPECT_EQ(page->place.selectionEnd, 9);

  PagesShown moved;
  NotePagePlace(&moved, "C:\\N\\Old\\a.tav", PagePlace{1, 1, 0});
  NotePageShown(&moved, "C:\\N\\Older\\b.tav");
  NotePageShown(&moved, "C:\\N\\New\\a.tav");
  NotePageShown(&moved, "C:\\N\\Old\\Sub\\c.tav");
  MovePagesShown(&moved, "C:\\N\\Old", "C:\\N\\New");
  EXPECT_EQ(Paths(moved), (std::vector<std::string>{"C:\\N\\New\\Sub\\c.tav", "C:\\N\\New\\a.tav",
                                                    "C:\\N\\Older\\b.tav"}))
      << "a page moved onto one recorded keeps the more recent record";
  ForgetPagesShown(&moved, "C:\\N\\New");
  EXPECT_EQ(Paths(moved), std::vector<std::string>{"C:\\N\\Older\\b.tav"});
  EXPECT_EQ(PlaceWithin(PagePlace{5, 80, 70}, 40).selectionEnd, 40);
}

TEST(PagesShownFile, ReadsBackWhatItWritesAndPassesOverWhatIsWrong) {
  PagesShown shown;
  NotePageShown(&shown, "D:\\Notes\\Plan.tav");
  NotePagePlace(&shown, "C:\\Notes\\Caf\xC3\xA9 \xE6\x97\xA5.tav", PagePlace{12, 30, 7});
  std::string bytes = FormatPagesShown(shown);
  EXPECT_EQ(bytes, "TAV pages shown 1\r\n12 30 7\tC:\\Notes\\Caf\xC3\xA9 \xE6\x97\xA5.tav\r\n"
                   "-\tD:\\Notes\\Plan.tav\r\n");
  PagesShown back;
  ASSERT_TRUE(ParsePagesShown(bytes, &back));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].path, shown[0].path);
  EXPECT_EQ(back[0].place.firstVisible, 7);
  EXPECT_FALSE(back[1].placed);

  EXPECT_FALSE(ParsePagesShown("1 2 3\tC:\\a.tav\r\n", &back)) << "no header";
  EXPECT_TRUE(back.empty());
  std::string lines = "TAV pages shown 1\n"
                      "1 2 3\tC:\\good.tav\n"
                      "1 2\tC:\\two numbers.tav\n"
                      "-1 0 0\tC:\\negative.tav\n"
                      "99999999999 0 0\tC:\\too large.tav\n"
                      "5 3 0\tC:\\backwards.tav\n"
                      "0 0 0\trelative.tav\n"
                      "0 0 0\tC:\\Notes\\..\\escape.tav\n"
                      "0 0 0\tC:\\bad \xC3(utf8.tav\n"
                      "0 0 0\tC:\\control\x01.tav\n"
                      "0 0 0 C:\\no tab.tav\n"
                      "7 7 7\tc:\\GOOD.tav\n"
                      "-\t\\\\server\\share\\unc.tav";
  ASSERT_TRUE(ParsePagesShown(lines, &back));
  EXPECT_EQ(Paths(back), (std::vector<std::string>{"C:\\good.tav", "\\\\server\\share\\unc.tav"}));
  EXPECT_EQ(back[0].place.selectionStart, 1) << "the first line of a page counts";

  std::string many = "TAV pages shown 1\r\n";
  for (int i = 0; i < PAGES_SHOWN_KEPT + 5; ++i) many += "-\tC:\\p" + std::to_string(i) + ".tav\r\n";
  ASSERT_TRUE(ParsePagesShown(many, &back));
  EXPECT_EQ(back.size(), static_cast<size_t>(PAGES_SHOWN_KEPT));
}

}  // namespace
