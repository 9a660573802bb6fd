// The rules of the pages' versions, without windows or files: when a save
// keeps one, what the store's names and indexes may hold, and what thinning
// removes as versions age and the store grows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/pages.h"

namespace {

const unsigned long long MS = 10000ull;  // FILETIME ticks
const unsigned long long HOUR = 3600ull * 1000 * MS;
const unsigned long long DAY = 24 * HOUR;
// Noon of 10 December 2025, as a FILETIME.
const unsigned long long NOW = 134097984000000000ull + 12 * HOUR;

TEST(VersionRules, ASaveKeepsAtTheFirstSaveOfARunThenEveryTenMinutes) {
  struct {
    bool kept;
    unsigned long long last, now;
    bool due;
  } cases[] = {
      {false, 0, 5, true},                        // first save of the run
      {true, 1000, 1000 + 599999, false},         // within ten minutes
      {true, 1000, 1000 + 600000, true},          // ten minutes on
      {true, 900000, 1000, true},                 // the tick count went back
  };
  for (const auto &c : cases)
    EXPECT_EQ(VersionDueAtSave(c.kept, c.last, c.now), c.due) << c.last << " " << c.now;
}

TEST(VersionRules, VersionNamesReadBackAndNothingElseReads) {
  VersionName name{NOW + 123 * MS, REASON_CHANGED_ELSEWHERE, 0x0123456789abcdefull};
  std::string text = FormatVersionName(name);
  EXPECT_EQ(text.substr(text.size() - 29), "-changed-0123456789abcdef.ver");
  VersionName back{};
  ASSERT_TRUE(ParseVersionName(text.c_str(), &back));
  EXPECT_EQ(back.time, name.time);
  EXPECT_EQ(back.reason, REASON_CHANGED_ELSEWHERE);
  EXPECT_EQ(back.hash, name.hash);
  const char *refused[] = {
      "20261209-071428-123-saved-0123456789abcdef.ver.txt",
      "20261209-071428-123-saved-0123456789ABCDEF.ver",
      "20261309-071428-123-saved-0123456789abcdef.ver",  // month 13
      "20261209-071428-123-other-0123456789abcdef.ver",
      "20261209-071428-123-saved-0123456789abcde.ver",
      "..\\..\\x.ver",
      "",
  };
  for (const char *bad : refused) EXPECT_FALSE(ParseVersionName(bad, &back)) << bad;
  for (VersionReason reason : {REASON_SAVED_OVER, REASON_CHANGED_ELSEWHERE, REASON_DELETED,
                               REASON_BEFORE_RESTORE}) {
    ASSERT_TRUE(ParseVersionName(FormatVersionName({NOW, reason, 1}).c_str(), &back));
    EXPECT_EQ(back.reason, reason);
  }
  EXPECT_STREQ(VersionReasonText(REASON_SAVED_OVER), "saved over");
  EXPECT_STREQ(VersionReasonText(REASON_CHANGED_ELSEWHERE), "changed by another program");
  EXPECT_STREQ(VersionReasonText(REASON_BEFORE_RESTORE), "before restore");
}

TEST(VersionRules, AnIndexNamesOnlyAPageBelowTheWorkFolder) {
  PageIndex index{"Work\\Plan.tav", 0};
  PageIndex back;
  ASSERT_TRUE(ParsePageIndex(FormatPageIndex(index), &back));
  EXPECT_EQ(back.relative, "Work\\Plan.tav");
  EXPECT_EQ(back.deletedAt, 0u);
  index.deletedAt = NOW;
  ASSERT_TRUE(ParsePageIndex(FormatPageIndex(index), &back));
  EXPECT_EQ(back.deletedAt, NOW);
  const char *hostile[] = {
      "TAV page history 1\r\nPage=..\\..\\x.tav\r\n",
      "TAV page history 1\r\nPage=C:\\Windows\\x.tav\r\n",
      "TAV page history 1\r\nPage=\\\\server\\share\\x.tav\r\n",
      "TAV page history 1\r\nPage=Work\\.\\Plan.tav\r\n",
      "TAV page history 1\r\nPage=Work/../Plan.tav\r\n",
      "TAV page history 1\r\nPage=Work\\Plan.txt\r\n",
      "TAV page history 1\r\nPage=Work\\\\Plan.tav\r\n",
      "TAV page history 1\r\nPage=Plan.tav\r\nDeleted=x\r\n",
      "TAV page history 1\r\nPage=Plan.tav\r\nDeleted=0\r\n",
      "TAV page history 1\r\nPage=Plan.tav",  // cut short
      "TAV page history 2\r\nPage=Plan.tav\r\n",
      "TAV page history 1\r\nPage=Plan.tav\r\nExtra=1\r\n",
  };
  for (const char *bytes : hostile) EXPECT_FALSE(ParsePageIndex(bytes, &back)) << bytes;
  EXPECT_FALSE(ParsePageIndex(std::string("TAV page history 1\r\nPage=a\0b.tav\r\n", 36), &back));
}

// A table of the store's pages and versions, and what thinning leaves: a
// version is given as (page, age, size, reason, expected to stay).
struct Row {
  size_t page;
  double ageDays;
  unsigned long long size;
  VersionReason reason;
  bool stays;
};

void ExpectThinning(const char *label, const std::vector<StoredPage> &pages,
                    const std::vector<Row> &rows, unsigned long long bound,
                    std::vector<size_t> pagesGone = {}) {
  std::vector<StoredVersion> versions;
  for (const Row &row : rows)
    versions.push_back(StoredVersion{
        row.page, NOW - static_cast<unsigned long long>(row.ageDays * DAY), row.size, row.reason});
  ThinningPlan plan = PlanThinning(pages, versions, NOW, bound);
  std::vector<bool> goes(rows.size(), false);
  for (size_t i : plan.versions) goes[i] = true;
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(!goes[i], rows[i].stays) << label << ": version " << i;
  EXPECT_EQ(plan.pages, pagesGone) << label;
}

const VersionReason S = REASON_SAVED_OVER, D = REASON_DELETED;
const unsigned long long BIG = ~0ull;

TEST(VersionRules, ThinningKeepsAWeekThenADayUntilNinetyDays) {
  ExpectThinning("ages", {{0}},
                 {
                     {0, 0.1, 10, S, true},    // newest
                     {0, 6.9, 10, S, true},    // within the week, both
                     {0, 6.95, 10, S, true},
                     {0, 10.2, 10, S, true},   // a day's last
                     {0, 10.3, 10, S, false},  // earlier the same day
                     {0, 11.4, 10, S, true},   // the next day back
                     {0, 89.5, 10, S, true},
                     {0, 95, 10, S, false},    // past 90 days
                 },
                 BIG);
  ExpectThinning("a page's newest stays however old", {{0}, {0}},
                 {{0, 400, 10, S, true}, {0, 500, 10, S, false}, {1, 1, 10, S, true}}, BIG);
  ExpectThinning("a clock set back: a version from the future stays", {{0}},
                 {{0, -3, 10, S, true}, {0, 0, 10, S, true}}, BIG);
}

TEST(VersionRules, TheBoundThinsTheOldestFirstButNeverWhatMustStay) {
  ExpectThinning("oldest first", {{0}, {0}},
                 {
                     {0, 0.0, 100, S, true},
                     {0, 1.0, 100, S, true},
                     {0, 2.0, 100, S, false},  // the oldest of page 0 that may go
                     {1, 0.5, 100, S, true},
                     {1, 3.0, 100, S, false},
                 },
                 300);
  // Page 1 was deleted 10 days ago: what its deletion kept stays past the
  // bound, its older versions do not.
  ExpectThinning("deleted pages", {{0}, {NOW - 10 * DAY}},
                 {
                     {0, 0.0, 500, S, true},
                     {0, 1.0, 500, S, false},
                     {1, 10.0, 500, D, true},
                     {1, 10.0, 500, D, true},
                     {1, 12.0, 500, S, false},
                 },
                 1000);
  ExpectThinning("a page deleted more than 90 days ago goes", {{0}, {NOW - 91 * DAY}},
                 {{0, 1, 10, S, true}, {1, 91, 10, D, false}}, BIG, {1});
}

// The lines of a version marked as differing from the page's text now.
TEST(VersionRules, DifferingLinesAreTheVersionsLinesTheTextNowLacks) {
  struct {
    const wchar_t *version, *current;
    std::vector<std::pair<size_t, size_t>> ranges;
  } cases[] = {
      {L"a\r\nb\r\nc", L"a\r\nb\r\nc", {}},
      {L"a\r\nB\r\nc", L"a\r\nb\r\nc", {{1, 2}}},
      {L"a\r\nx\r\ny\r\nc", L"a\r\nc", {{1, 3}}},  // lines since removed
      {L"a\r\nc", L"a\r\nx\r\nc", {}},             // a line added since: none in the version
      {L"x\na\rb", L"a\r\nb", {{0, 1}}},             // LF and lone CR end lines too
      {L"a\r\r\nb", L"a\r\nb", {}},                  // CR CR LF is one line break
      {L"a\r\nb\r\n", L"a\r\nb\r\nc", {}},          // a break at the end starts no line
      {L"", L"a", {}},
      {L"a", L"", {{0, 1}}},
  };
  for (const auto &c : cases) {
    std::vector<LineRange> ranges = DifferingLines(c.version, c.current);
    std::vector<std::pair<size_t, size_t>> found;
    for (const LineRange &range : ranges) found.push_back({range.begin, range.end});
    EXPECT_EQ(found, c.ranges) << "version \"" << testing::PrintToString(std::wstring(c.version));
  }
  // Texts with nothing in common are not searched line by line, but still
  // marked whole.
  std::wstring many, others;
  for (int i = 0; i < 20000; ++i) {
    many += L"line " + std::to_wstring(i) + L"\r\n";
    others += L"other " + std::to_wstring(i) + L"\r\n";
  }
  EXPECT_EQ(CountLines(many), 20000u);
  std::vector<LineRange> ranges = DifferingLines(many, others);
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].begin, 0u);
  EXPECT_EQ(ranges[0].end, 20000u);
}

}  // namespace
