// Find in All Pages answered from the search index: its rows are the rows
// of a search that reads every page, row for row, in every encoding, for a
// table of words, also after pages were changed, replaced, renamed, deleted
// and made behind its back and by TAV; a damaged, foreign or locked index
// changes nothing but where the bytes come from.
#include <gtest/gtest.h>

#include <richedit.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "editing/editing_fixture.h"
#include "notebook/notebook.h"
#include "notebook/search_index.h"
#include "tree/tree.h"

namespace {

using Strings = std::vector<std::string>;

class SearchIndexApp : public EditingApp {
 protected:
  void TearDown() override {
    SearchIndexInUse = false;
    EditingApp::TearDown();
  }
  void Page(const std::string &relative, const std::string &bytes) {
    size_t slash = relative.rfind('\\');
    if (slash != std::string::npos) {
      ASSERT_TRUE(harness::MakeDirs(notebook / relative.substr(0, slash)));
    }
    ASSERT_TRUE(harness::WriteBytes(notebook / relative, bytes));
  }
  // A page of every encoding TAV reads, and one that is not text.
  void MakePages() {
    Page("Aaa.tav", "the page shown first");
    Page("Utf8.tav", "Caf\xC3\xA9 au lait and the budget\r\n\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1 "
                     "met \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0\n");
    Page("Bom.tav", "\xEF\xBB\xBF\xE4\xBB\x8A\xE6\x97\xA5\xE3\x81\xAF\xE4\xBC\x9A\xE8\xAD\xB0\xE3\x81"
                    "\xAE\xE8\xA8\x98\xE9\x8C\xB2 BUDGETS ab");
    Page("Sub\\Wide.tav", std::string("\xFF\xFE", 2) + Utf16(L"budget \u00fcber \u03a3\u039f\u03a6\u0399\u0391\r\n\u043c\u043e\u0441\u043a\u0432\u0430 vu"));
    Page("Sub\\Deep\\Legacy.tav", "d\xE9j\xE0 vu, CAF\xC9" " budget");
    Page("X binary.tav", std::string("bud\0get\x01\x02\x80\x81 budget ab\x90", 22));
    Page("Emoji.tav", "zebrafish \xF0\x9F\x93\x9A" "ab budget");
  }
  static std::string Utf16(const std::wstring &text) {
    return std::string(reinterpret_cast<const char *>(text.data()), text.size() * 2);
  }
  void BuildIndex() {
    SearchIndexInUse = true;
    for (int slices = 0; RunIndexUpkeepSlice(); ++slices) ASSERT_LT(slices, 1000);
  }
  // The rows of a whole search, with the index or without.
  Strings Search(const SearchPattern &pattern, bool indexed) {
    SearchIndexInUse = indexed;
    Strings rows;
    EXPECT_TRUE(StartFindAll(pattern));
    for (int slices = 0; RunFindAllSlice(); ++slices)
      if (slices > 10000) break;
    for (const FoundRow &row : FoundRows()) {
      char text[400];
      WideCharToMultiByte(CP_UTF8, 0, row.text.c_str(), -1, text, sizeof text, nullptr, nullptr);
      rows.push_back(row.folder + "/" + row.page + ":" + std::to_string(row.line) + ":" +
                     std::to_string(row.column) + ": " + text);
    }
    return rows;
  }
  // Every word of the table, with Match case and Whole word on and off: the
  // index's rows and the scan's. Gives how many pages the index answered.
  size_t ExpectRowsOfAScan(const char *when) {
    static const wchar_t *const words[] = {
        L"budget", L"caf\u00e9", L"\u03c3\u03bf\u03c6", L"\u041c\u041e\u0421\u041a\u0412\u0410",
        L"\u4f1a\u8b70\u306e", L"ab", L"\U0001F4DAab", L"vu,", L"zebrafish", L"typed"};
    size_t fromIndex = 0;
    for (const wchar_t *word : words)
      for (int options = 0; options < 4; ++options) {
        SearchPattern pattern = {word, (options & 1) != 0, (options & 2) != 0};
        Strings scan = Search(pattern, false);
        Strings indexed = Search(pattern, true);
        fromIndex += FindAllState.pagesFromIndex;
        char label[64];
        WideCharToMultiByte(CP_UTF8, 0, word, -1, label, sizeof label, nullptr, nullptr);
        EXPECT_EQ(indexed, scan) << when << ": '" << label << "' case " << pattern.matchCase
                                 << " word " << pattern.wholeWord;
      }
    SearchIndexInUse = true;
    return fromIndex;
  }
  std::string IndexFile() {
    char file[PATH_BUFFER_SIZE];
    EXPECT_TRUE(IndexFilePath(WorkFolderPath, file, true));
    return file;
  }
};

// Under Wine as on Windows the folder's own listing gives each page the
// identity its open file reports (the inode under Wine): a page replaced
// by another file of the same size and time is told apart without opening it.
TEST_F(SearchIndexApp, TheWalkListsEachPageWithItsIdentity) {
  Page("One.tav", "one");
  Page("Two.tav", "two two");
  NotebookWalk walk;
  EnterWalkFolder(&walk, notebook.path(), "");
  ASSERT_EQ(walk.folders.back().pages.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    const FileStamp &listed = walk.folders.back().stamps[i];
    HANDLE file = CreateFileA((notebook / walk.folders.back().pages[i]).c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    BY_HANDLE_FILE_INFORMATION info;
    ASSERT_TRUE(GetFileInformationByHandle(file, &info));
    CloseHandle(file);
    EXPECT_NE(listed.fileId, 0u);
    EXPECT_EQ(listed.fileId, (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
    EXPECT_EQ(listed.size, info.nFileSizeLow);
    EXPECT_EQ(listed.writeTime, (static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                    info.ftLastWriteTime.dwLowDateTime);
  }
}

TEST_F(SearchIndexApp, RowsAreTheScansThroughChangesMadeAnywhere) {
  MakePages();
  ASSERT_TRUE(RefreshTree());
  BuildIndex();
  EXPECT_GT(ExpectRowsOfAScan("built"), 0u) << "the index answered";
  ASSERT_TRUE(StartFindAll(SearchPattern{L"budget", false, false}));
  while (RunFindAllSlice()) {
  }
  char shown[PATH_BUFFER_SIZE];
  EXPECT_EQ(FindAllState.pagesFromIndex, FindAllState.pagesSearched - (ShownPagePath(shown) ? 1 : 0))
      << "every page but the one shown, from the index";

  // Changed behind TAV's back: rewritten; replaced by a file of the same
  // size, its time put back; renamed; deleted; made.
  Page("Utf8.tav", "the new budget, and Moskva gone");
  const std::string bom = notebook / "Bom.tav";
  HANDLE old = CreateFileA(bom.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(old, INVALID_HANDLE_VALUE);
  FILETIME written;
  ASSERT_TRUE(GetFileTime(old, nullptr, nullptr, &written));
  CloseHandle(old);
  std::string same = harness::ReadBytes(bom);
  same.replace(same.find("\xE4\xBC\x9A"), 3, "\xE4\xBB\x8A");  // the same size, another word
  ASSERT_TRUE(harness::WriteBytes(notebook / "Bom.new", same));
  ASSERT_TRUE(MoveFileExA((notebook / "Bom.new").c_str(), bom.c_str(), MOVEFILE_REPLACE_EXISTING));
  HANDLE now = CreateFileA(bom.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(now, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(now, nullptr, nullptr, &written));
  CloseHandle(now);
  ASSERT_TRUE(MoveFileA((notebook / "Sub\\Wide.tav").c_str(), (notebook / "Sub\\Wide2.tav").c_str()));
  ASSERT_TRUE(DeleteFileA((notebook / "X binary.tav").c_str()));
  Page("Sub\\New.tav", "a new budget \xC3\xBC" "ber all");
  // And by TAV: a rename, a delete, a save of a page then left.
  const std::string legacy = notebook / "Sub\\Deep\\Legacy.tav", renamed = notebook / "Sub\\Deep\\Old.tav";
  ASSERT_TRUE(MoveFileA(legacy.c_str(), renamed.c_str()));
  FollowItemMoved(MOVE_PAGE, legacy.c_str(), renamed.c_str());
  ASSERT_TRUE(DeleteFileA((notebook / "Emoji.tav").c_str()));
  FollowItemDeleted(MOVE_PAGE, (notebook / "Emoji.tav").c_str());
  ASSERT_TRUE(SelectFolderOfPage((notebook / "Sub\\New.tav").c_str()));
  SendMessageA(Ui.editor, EM_SETSEL, -1, -1);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(" typed budget"));
  ExecuteCommand(CMD_SAVENOW);
  ASSERT_TRUE(SelectFolderOfPage((notebook / "Utf8.tav").c_str()));
  ExpectRowsOfAScan("changed");
  ASSERT_TRUE(StartFindAll(SearchPattern{L"vu", false, true}));
  while (RunFindAllSlice()) {
  }
  EXPECT_EQ(FindAllState.pagesFromIndex, 2u) << "the page TAV renamed kept its entry, as did Aaa";

  BuildIndex();
  EXPECT_GT(ExpectRowsOfAScan("stored again"), 0u);
  // The index keeps no text of the page TAV deleted.
  CloseIndex();
  std::string stored = harness::ReadBytes(IndexFile());
  EXPECT_GT(stored.size(), 0u);
  EXPECT_EQ(stored.find("zebrafish"), std::string::npos);
  EXPECT_NE(stored.find("new budget"), std::string::npos);
}

// What was at the index's place is input: set aside as ".bad" and made
// anew, said once, or (locked by another TAV) gone without in silence; the
// rows are the scan's all the same.
enum Damage { GARBAGE, TRUNCATED, FOREIGN, OTHER_FOLDER, BYTES_CUT, LOCKED };

TEST_F(SearchIndexApp, ADamagedForeignOrLockedIndexChangesNothingButSpeed) {
  struct Case {
    Damage damage;
    const char *label;
  } cases[] = {{GARBAGE, "garbage"},        {TRUNCATED, "truncated"},
               {FOREIGN, "another program's"}, {OTHER_FOLDER, "another work folder's"},
               {BYTES_CUT, "a page's bytes cut"}, {LOCKED, "locked"}};
  MakePages();
  ASSERT_TRUE(RefreshTree());
  const SearchPattern budget = {L"budget", false, false};
  const Strings scan = Search(budget, false);
  ASSERT_EQ(scan.size(), 6u);
  for (const Case &c : cases) {
    SCOPED_TRACE(c.label);
    CloseIndex();
    const std::string file = IndexFile();
    DeleteFileA((file + ".bad").c_str());
    DeleteFileA(file.c_str());
    if (c.damage == TRUNCATED || c.damage == BYTES_CUT) {
      BuildIndex();
      CloseIndex();
    }
    sqlite3 *db = nullptr;
    switch (c.damage) {
      case GARBAGE:
        ASSERT_TRUE(harness::WriteBytes(file, std::string(5000, 'x')));
        break;
      case TRUNCATED: {
        std::string bytes = harness::ReadBytes(file);
        ASSERT_GT(bytes.size(), 8192u);
        ASSERT_TRUE(harness::WriteBytes(file, bytes.substr(0, bytes.size() / 2)));
        break;
      }
      case FOREIGN:
      case BYTES_CUT:
      case LOCKED:
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, c.damage == FOREIGN ? "CREATE TABLE notes(text); INSERT INTO notes VALUES('x')"
                                   : c.damage == BYTES_CUT ? "UPDATE pages SET bytes = substr(bytes, 1, 3) WHERE path = 'Utf8.tav'"
                                                           : "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        if (c.damage != LOCKED) {
          sqlite3_close(db);
          db = nullptr;
        }
        break;
      case OTHER_FOLDER: {
        SearchIndex other;
        ASSERT_EQ(OpenSearchIndex(&other, file.c_str(), "C:\\elsewhere"), INDEX_OPENED);
        CloseSearchIndex(&other);
        break;
      }
    }
    EXPECT_EQ(Search(budget, true), scan);
    const bool saidFirst = FindAllState.indexSetAside;
    BuildIndex();
    EXPECT_EQ(Search(budget, true), scan);
    const bool saidSecond = FindAllState.indexSetAside;
    if (c.damage == LOCKED) {
      EXPECT_EQ(FindAllState.pagesFromIndex, 0u) << "gone without";
      EXPECT_FALSE(saidFirst || saidSecond) << "in silence";
      EXPECT_FALSE(harness::FileExists(file + ".bad"));
      sqlite3_close(db);
      continue;
    }
    EXPECT_TRUE(saidFirst != saidSecond) << "said once";
    EXPECT_TRUE(harness::FileExists(file + ".bad"));
    EXPECT_EQ(FindAllState.pagesFromIndex, 6u) << "made anew and used; the page shown is the editor's";
  }
}

}  // namespace
