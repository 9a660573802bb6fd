// The matching rules of Find in All Pages, without windows: letter case,
// whole words, lines and columns, and the look at a page's bytes that must
// never pass over a page holding a match.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editing/text_search.h"

namespace {

std::string Found(const std::wstring &text, const SearchPattern &pattern) {
  std::vector<TextMatch> matches;
  FindMatches(text.data(), text.size(), pattern, &matches);
  std::string all;
  for (const TextMatch &m : matches)
    all += (all.empty() ? "" : " ") + std::to_string(m.line) + ":" + std::to_string(m.column);
  return all;
}

TEST(TextMatches, CaseWordsLinesAndColumns) {
  const struct {
    const char *what;
    std::wstring text, find;
    bool matchCase, wholeWord;
    const char *found;  // line:column of each match
  } cases[] = {
      {"case ignored", L"Plan plan PLAN", L"plan", false, false, "1:0 1:5 1:10"},
      {"case matched", L"Plan plan PLAN", L"plan", true, false, "1:5"},
      {"whole words", L"plan plans planned, plan.", L"plan", false, true, "1:0 1:20"},
      {"parts of words", L"plan plans", L"plan", false, false, "1:0 1:5"},
      {"no overlap", L"aaaa", L"aa", false, false, "1:0 1:2"},
      {"CR LF lines", L"one\r\ntwo plan\r\nplan", L"plan", false, false, "2:4 3:0"},
      {"LF and CR lines", L"a\nplan\rb plan", L"plan", false, false, "2:0 3:2"},
      {"a soft break is one", L"a\r\r\nplan", L"plan", false, false, "2:0"},
      {"letters beyond ASCII", L"\u00c9t\u00e9 \u00e9t\u00e9", L"\u00e9t\u00e9", false, false, "1:0 1:4"},
      {"beyond ASCII, case matched", L"\u00c9t\u00e9 \u00e9t\u00e9", L"\u00e9t\u00e9", true, false, "1:4"},
      {"no other letter is an ASCII one", L"\u0131s \u017fs is", L"is", false, false, "1:6"},
      {"words of other scripts", L"\u65e5\u672c\u8a9e \u65e5\u672c", L"\u65e5\u672c", false, true, "1:4"},
      {"beside an emoji", L"\U0001F4DA plan", L"plan", false, true, "1:3"},
      {"separators part words", L"a_plan-plan's", L"plan", false, true, "1:2 1:7"},
      {"longer than the text", L"pl", L"plan", false, false, ""},
  };
  for (const auto &c : cases) {
    SearchPattern pattern = {c.find, c.matchCase, c.wholeWord};
    EXPECT_EQ(Found(c.text, pattern), c.found) << c.what;
  }
}

// Whatever the page's encoding, a page whose text holds a match is never
// passed over by the look at its bytes; most others are.
TEST(PageFilter, NeverPassesOverAPageHoldingAMatch) {
  const PageEncoding encodings[] = {
      {TEXT_UTF8, 0, false, BREAKS_CRLF},      {TEXT_UTF8, 0, true, BREAKS_CRLF},
      {TEXT_UTF16LE, 0, true, BREAKS_CRLF},    {TEXT_UTF16BE, 0, true, BREAKS_CRLF},
      {TEXT_CODE_PAGE, 1252, false, BREAKS_CRLF}, {TEXT_CODE_PAGE, 932, false, BREAKS_CRLF},
  };
  const std::wstring pages[] = {
      L"the Plan for today", L"no such word here", L"\u00c9t\u00e9 \u00e0 Paris",
      L"\u65e5\u672c\u306e plan", L"planned", L"PLAN"};
  const SearchPattern patterns[] = {
      {L"plan", false, false}, {L"Plan", true, false}, {L"\u00e9t\u00e9", false, false},
      {L"\u65e5\u672c", true, false}, {L"plan", false, true}};
  for (const PageEncoding &encoding : encodings) {
    for (const std::wstring &page : pages) {
      std::string bytes;
      if (!EncodePageText(page.data(), page.size(), encoding, &bytes)) continue;
      for (const SearchPattern &pattern : patterns) {
        std::vector<TextMatch> matches;
        FindMatches(page.data(), page.size(), pattern, &matches);
        PageFilter filter(pattern);
        bool may = filter.NeedsEncoding()
                       ? filter.MayHoldMatch(bytes.data(), bytes.size(), encoding)
                       : filter.MayHoldMatch(bytes.data(), bytes.size());
        if (!matches.empty()) {
          EXPECT_TRUE(may) << EncodingName(encoding) << ", page " << page.size();
        }
      }
    }
  }
  PageFilter plan({L"plan", false, false});
  EXPECT_FALSE(plan.MayHoldMatch("no such word here", 17));
  EXPECT_TRUE(plan.MayHoldMatch("a PLAN", 6));
  EXPECT_TRUE(BytesHold("xxabcabd", 8, "abd", false));
  EXPECT_FALSE(BytesHold("xxabcabe", 8, "abd", false));
  EXPECT_TRUE(BytesHold("xxABcAbD", 8, "abd", true));
}

}  // namespace
