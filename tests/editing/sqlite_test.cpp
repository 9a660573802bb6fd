// The SQLite compiled into TAV: Debian's 3.40.1 with FTS5, whose trigram
// tokenizer finds any three characters of a text, Japanese as well as ASCII.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>

namespace {

TEST(Sqlite, IsDebiansVersionWithFts5Trigram) {
  EXPECT_STREQ("3.40.1", sqlite3_libversion());

  sqlite3 *db = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &db));
  char *error = nullptr;
  const char *fill =
      "CREATE VIRTUAL TABLE pages USING fts5(body, tokenize='trigram');"
      "INSERT INTO pages VALUES ('English only'), "
      "('\xE4\xBB\x8A\xE6\x97\xA5\xE3\x81\xAF\xE4\xBC\x9A\xE8\xAD\xB0\xE3\x81\xAE"
      "\xE8\xA8\x98\xE9\x8C\xB2\xE3\x81\xA7\xE3\x81\x99');";  // 今日は会議の記録です
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, fill, nullptr, nullptr, &error)) << (error ? error : "");

  sqlite3_stmt *find = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "SELECT rowid FROM pages WHERE pages MATCH ?",
                                          -1, &find, nullptr));
  const std::string middle = "\xE4\xBC\x9A\xE8\xAD\xB0\xE3\x81\xAE";  // 会議の
  sqlite3_bind_text(find, 1, middle.c_str(), static_cast<int>(middle.size()), SQLITE_STATIC);
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(find));
  EXPECT_EQ(2, sqlite3_column_int(find, 0));
  EXPECT_EQ(SQLITE_DONE, sqlite3_step(find));
  sqlite3_finalize(find);
  sqlite3_close(db);
}

}  // namespace
