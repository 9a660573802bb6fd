// Finding a page by a few typed letters: how the letters match a page's
// name or its folder and name, and the order of the pages found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "notebook/notebook.h"
#include "pages/pages.h"

namespace {

ListedPage Listed(const std::wstring &name, const std::wstring &folder,
                  size_t recency = NOT_SHOWN_LATELY) {
  ListedPage page;
  std::string full = "C:\\Notes\\" + std::string(folder.begin(), folder.end()) + "\\x.tav";
  MakeListedPage(full, name, folder, recency, &page);
  return page;
}

TEST(PageMatch, TypedLettersMatchBestFirst) {
  const struct {
    const char *what;
    const wchar_t *typed, *name, *folder;
    PageMatch expected;
  } cases[] = {
      {"the whole name, case folded", L"plan", L"Plan", L"Work", MATCH_WHOLE_NAME},
      {"accents folded", L"cafe", L"Caf\u00e9", L"", MATCH_WHOLE_NAME},
      {"Greek accents and case", L"\u03b1\u03b8\u03b7\u03bd\u03b1", L"\u0391\u03b8\u03ae\u03bd\u03b1",
       L"", MATCH_WHOLE_NAME},
      {"a start of the name", L"mee", L"Meeting notes", L"Work", MATCH_NAME_START},
      {"initials of the words", L"mn", L"Meeting notes", L"", MATCH_NAME_WORDS},
      {"runs that begin words", L"meetno", L"Meeting notes", L"", MATCH_NAME_WORDS},
      {"a blank typed between them", L"meet not", L"Meeting notes", L"", MATCH_NAME_WORDS},
      {"a capital begins a word", L"mn", L"MeetingNotes", L"", MATCH_NAME_WORDS},
      {"digits begin a word", L"rev2", L"Review2024", L"", MATCH_NAME_WORDS},
      {"words of folder and name", L"wpl", L"Plan", L"Work", MATCH_PATH_WORDS},
      {"letters together in the name", L"eet", L"Meeting notes", L"", MATCH_NAME_ADJACENT},
      {"letters together across the folder", L"k\\pl", L"Plan", L"Work", MATCH_PATH_ADJACENT},
      {"only what parts words typed", L"&", L"R&D", L"", MATCH_NAME_ADJACENT},
      {"letters apart in the name", L"mtg", L"Meeting notes", L"", MATCH_NAME_SPREAD},
      {"letters apart across the folder", L"orpn", L"Plan", L"Work", MATCH_PATH_SPREAD},
      {"letters out of order", L"nalp", L"Plan", L"", MATCH_NONE},
      {"a letter the page lacks", L"planx", L"Plan", L"Work", MATCH_NONE},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MatchPage(FoldTyped(c.typed), Listed(c.name, c.folder)), c.expected);
  }
}

std::vector<std::wstring> Ranked(std::vector<ListedPage> *pages, const std::wstring &typed,
                                 bool narrowing = false) {
  std::vector<size_t> base;
  for (size_t i = 0; i < pages->size(); ++i) base.push_back(i);
  std::stable_sort(base.begin(), base.end(),
                   [&](size_t a, size_t b) { return ListedBefore((*pages)[a], (*pages)[b]); });
  std::vector<size_t> ranked;
  RankPages(pages, base, FoldTyped(typed), narrowing, &ranked);
  std::vector<std::wstring> paths;
  for (size_t index : ranked) paths.push_back((*pages)[index].path);
  return paths;
}

// Ties go to the page shown more recently, then to the shorter path; with
// nothing typed the list is in that order. Narrowing down as letters are
// added finds what a whole new search finds.
TEST(PageMatch, RanksByMatchThenRecencyThenShorterPath) {
  std::vector<ListedPage> pages = {
      Listed(L"Planet", L""),          Listed(L"Plan", L"Work"),
      Listed(L"Plan", L"", 5),         Listed(L"Old plans", L"Archive", 0),
      Listed(L"Airplane", L"", 1),     Listed(L"Planning", L"Work"),
      Listed(L"Diary", L"Home"),
  };
  using Paths = std::vector<std::wstring>;
  EXPECT_EQ(Ranked(&pages, L"plan"),
            (Paths{L"Plan", L"Work\\Plan", L"Planet", L"Work\\Planning", L"Archive\\Old plans",
                   L"Airplane"}));
  EXPECT_EQ(Ranked(&pages, L""),
            (Paths{L"Archive\\Old plans", L"Airplane", L"Plan", L"Planet", L"Work\\Plan",
                   L"Home\\Diary", L"Work\\Planning"}));
  Ranked(&pages, L"p");
  for (const wchar_t *typed : {L"pl", L"pla", L"plan", L"plann"}) {
    SCOPED_TRACE(std::string(typed, typed + wcslen(typed)));
    Paths narrowed = Ranked(&pages, typed, true);
    EXPECT_EQ(narrowed, Ranked(&pages, typed));
  }
  EXPECT_TRUE(CanNarrow(FoldTyped(L"pl"), FoldTyped(L"Pla")));
  EXPECT_FALSE(CanNarrow(FoldTyped(L"&"), FoldTyped(L"&d"))) << "no letters to narrow by";
  EXPECT_FALSE(CanNarrow(FoldTyped(L"pla"), FoldTyped(L"pl")));
}

}  // namespace
