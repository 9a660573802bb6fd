// Window-free rules of the folder tree: joining names to paths, taking a saved
// page path apart, and the order of siblings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ui_handles.h"
#include "tree/tree.h"
#include "tree_test_util.h"

namespace {

struct JoinCase {
  const char *label;
  std::string path;
  std::string name;
  bool fits;
  std::string expected;
};

TEST(JoinPath, JoinsWithExactlyOneBackslashAndRefusesWhatDoesNotFit) {
  const std::string base250 = "D:\\" + std::string(247, 'p');  // 250 characters
  const JoinCase cases[] = {
      {"nested", "D:\\Notes\\Projects", "Ideas", true, "D:\\Notes\\Projects\\Ideas"},
      {"drive root", "D:\\", "Projects", true, "D:\\Projects"},
      {"empty path takes the name", "", "D:\\Notes", true, "D:\\Notes"},
      {"trailing dots kept", "D:\\Notes", "...", true, "D:\\Notes\\..."},
      {"leading backslash of the name", "D:\\Notes", "\\Ideas", true, "D:\\Notes\\Ideas"},
      {"exactly 259", base250, std::string(8, 'n'), true, base250 + "\\" + std::string(8, 'n')},
      {"260 refused", base250, std::string(9, 'n'), false, base250},
      {"long name alone", "", std::string(259, 'n'), true, std::string(259, 'n')},
      {"name too long alone", "", std::string(260, 'n'), false, ""},
  };
  for (const JoinCase &c : cases) {
    SCOPED_TRACE(c.label);
    char buffer[PATH_BUFFER_SIZE + 16];
    memset(buffer, 0xcc, sizeof buffer);
    strcpy(buffer, c.path.c_str());
    EXPECT_EQ(JoinPath(buffer, c.name.c_str()), c.fits);
    EXPECT_EQ(std::string(buffer), c.expected);
    EXPECT_EQ(static_cast<unsigned char>(buffer[PATH_BUFFER_SIZE]), 0xcc)
        << "wrote past the buffer";
  }
}

struct RemainderCase {
  const char *label;
  const char *workFolder;
  const char *path;
  const char *remainder;  // null: not below the work folder
};

TEST(SavedPathRemainder, TakesWhatFollowsTheWorkFolderAndOneSeparator) {
  const RemainderCase cases[] = {
      {"nested", "D:\\Notes", "D:\\Notes\\Projects\\Ideas\\Plan.tav", "Projects\\Ideas\\Plan.tav"},
      {"page in the work folder", "D:\\Notes", "D:\\Notes\\Plan.tav", "Plan.tav"},
      {"letter case", "D:\\Notes", "d:\\NOTES\\Plan.tav", "Plan.tav"},
      {"accented letter case", "D:\\Caf\xe9", "D:\\CAF\xc9\\Plan.tav", "Plan.tav"},
      {"sibling with a longer name", "D:\\Notes", "D:\\Notes2\\Plan.tav", nullptr},
      {"other folder", "D:\\Notes", "E:\\Notes\\Plan.tav", nullptr},
      {"the work folder itself", "D:\\Notes", "D:\\Notes", nullptr},
      {"nothing after the separator", "D:\\Notes", "D:\\Notes\\", nullptr},
      {"empty path", "D:\\Notes", "", nullptr},
      {"drive root, page at the top", "D:\\", "D:\\Plan.tav", "Plan.tav"},
      {"drive root, nested", "D:\\", "D:\\Projects\\Plan.tav", "Projects\\Plan.tav"},
      {"drive root, other drive", "D:\\", "E:\\Plan.tav", nullptr},
      {"work folder with a trailing separator", "D:\\Notes\\", "D:\\Notes\\Plan.tav", "Plan.tav"},
      {"no work folder", "", "D:\\Notes\\Plan.tav", nullptr},
  };
  for (const RemainderCase &c : cases) {
    SCOPED_TRACE(c.label);
    const char *remainder = "untouched";
    bool below = SavedPathRemainder(c.workFolder, c.path, &remainder);
    EXPECT_EQ(below, c.remainder != nullptr);
    if (c.remainder != nullptr && below) {
      EXPECT_STREQ(remainder, c.remainder);
    }
  }
}

// Sorting the names first and appending them must give the very order the
// tree view gives when each is inserted with TVI_SORT, for every listing order.
TEST(SortSubfolders, GivesTheOrderOfSortedInsertion) {
  const std::vector<std::string> names = {
      "b",    "ab",    "a-b", "a'b", "Ab",        "AB",  "aB",   "10",   "9",    "1",
      "01",   "a b",   "a_b", "e",   "\xe9",      "f",   "\xc4", "a",    "\xe6", "ae",
      "\xdf", "ss",    "_x",  "~x",  ".hidden",   "#h",  " x",   "Zeta", "zeta", "co-op",
      "coop", "co'op", "-",   "'",   "--",        "x-",  "x",    "a1",   "a01",  "a-1",
      "ABC",  "abc",   "Abc", "aBC", "\xc9t\xe9", "ete", "Ete"};
  std::vector<std::vector<std::string>> listings = {names, names, names};
  std::reverse(listings[1].begin(), listings[1].end());
  std::rotate(listings[2].begin(), listings[2].begin() + 17, listings[2].end());
  for (size_t i = 0; i < listings.size(); ++i) {
    SCOPED_TRACE("listing order " + std::to_string(i));
    std::vector<Subfolder> folders;
    for (const std::string &name : listings[i]) folders.push_back(Subfolder{name, false});
    SortSubfolders(&folders);
    std::vector<std::string> sorted;
    for (const Subfolder &folder : folders) sorted.push_back(folder.name);
    EXPECT_EQ(sorted, treetest::OrderOfSortedInsertion(listings[i]));
  }
}

}  // namespace
