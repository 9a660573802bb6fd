// Window-free rules of the folder tree: the order of siblings.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "notebook/notebook.h"
#include "tree/tree.h"
#include "tree_test_util.h"

namespace {

// Sorting the names first and appending them must give the very order the
// tree view gives when each is inserted with TVI_SORT, for every listing order.
TEST(SortSubfolders, GivesTheOrderOfSortedInsertion) {
  const std::vector<std::string> names = {
      "b",        "ab",    "a-b", "a'b", "Ab",   "AB",  "aB",   "10",       "9",
      "1",        "01",    "a b", "a_b", "e",    "\xc3\xa9", "f", "\xc3\x84", "a",
      "\xc3\xa6", "ae",    "\xc3\x9f", "ss", "_x", "~x", ".hidden", "#h",  " x",
      "Zeta",     "zeta",  "co-op", "coop", "co'op", "-",  "'",  "--",       "x-",
      "x",        "a1",    "a01", "a-1", "ABC",  "abc", "Abc",  "aBC",      "\xc3\x89t\xc3\xa9",
      "ete",      "Ete",   "\xce\xa9mega", "\xe6\x97\xa5\xe6\x9c\xac", "\xf0\x9f\x93\x9a Reading"};
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
