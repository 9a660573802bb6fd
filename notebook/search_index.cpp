// The search index's database: its schema, checked when it is opened, and
// the pages stored, renamed and forgotten in it.
#include "notebook/search_index.h"

#include <stdio.h>
#include <string.h>

#include <vector>

#include "base/code_pages.h"
#include "base/page_text.h"
#include "editing/text_search.h"
#include "sqlite3.h"

namespace {

// Raised whenever what is stored, or how, changes: a database of another
// format is made anew.
const char FormatVersion[] = "1";

const char Schema[] =
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);"
    "CREATE TABLE pages(id INTEGER PRIMARY KEY, path TEXT UNIQUE NOT NULL, size INTEGER,"
    " write_time INTEGER, file_id INTEGER, bytes BLOB);"
    // The text is not kept a second time: a page's text is taken out again
    // from its stored bytes.
    "CREATE VIRTUAL TABLE page_text USING fts5(folded, content='', detail=none, columnsize=0,"
    " tokenize=\"trigram case_sensitive 1\");";

const char *const StatementText[STMT_COUNT] = {
    "INSERT INTO pages(size, write_time, file_id, bytes, path) VALUES(?, ?, ?, ?, ?)",
    "UPDATE pages SET size = ?, write_time = ?, file_id = ?, bytes = ? WHERE id = ?",
    "DELETE FROM pages WHERE id = ?",
    "UPDATE pages SET path = ? WHERE id = ?",
    "SELECT bytes FROM pages WHERE id = ?",
    "INSERT INTO page_text(rowid, folded) VALUES(?, ?)",
    "INSERT INTO page_text(page_text, rowid, folded) VALUES('delete', ?, ?)",
    "SELECT rowid FROM page_text WHERE page_text MATCH ?",
};

// Replaces SQLite's own write-back at a commit: only the log's size is kept.
int NoteLogFrames(void *index, sqlite3 *, const char *, int frames) {
  static_cast<SearchIndex *>(index)->logFrames = frames;
  return SQLITE_OK;
}

// What a result code says of the database: damaged (or none at all), or
// out of reach for now.
bool NoteResult(SearchIndex *index, int result) {
  switch (result & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return true;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      index->damaged = true;
      return false;
    default:
      index->failed = true;
      return false;
  }
}

bool Exec(SearchIndex *index, const char *sql) {
  return NoteResult(index, sqlite3_exec(index->db, sql, nullptr, nullptr, nullptr));
}

sqlite3_stmt *Statement(SearchIndex *index, IndexStatement which) {
  sqlite3_stmt *statement = index->statements[which];
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  return statement;
}

// Runs a statement that gives no rows.
bool Run(SearchIndex *index, sqlite3_stmt *statement) {
  int result = sqlite3_step(statement);
  sqlite3_reset(statement);
  return NoteResult(index, result);
}

void BindText(sqlite3_stmt *statement, int at, const std::string &text) {
  sqlite3_bind_text(statement, at, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string Utf8Path(const char *path) {
  wchar_t wide[MAX_PATH + 8];
  if (!WideFromCodePage(path, wide, MAX_PATH + 8)) return std::string();
  char utf8[4 * MAX_PATH + 8];
  int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
  return length > 0 ? std::string(utf8) : std::string();
}

std::string CodePagesNamed() {
  char text[40];
  snprintf(text, sizeof text, "%u/%u", GetACP(), LegacyCodePage());
  return text;
}

// The value a key of the meta table holds; empty when none.
std::string MetaValue(SearchIndex *index, const char *key) {
  sqlite3_stmt *statement = nullptr;
  std::string value;
  int result = sqlite3_prepare_v2(index->db, "SELECT value FROM meta WHERE key = ?", -1,
                                  &statement, nullptr);
  // Another program's database has no such table: not ours.
  if (result == SQLITE_ERROR) return value;
  if (!NoteResult(index, result)) return value;
  sqlite3_bind_text(statement, 1, key, -1, SQLITE_STATIC);
  result = sqlite3_step(statement);
  if (result == SQLITE_ROW && sqlite3_column_type(statement, 0) == SQLITE_TEXT)
    value = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
  else
    NoteResult(index, result);
  sqlite3_finalize(statement);
  return value;
}

bool MakeSchema(SearchIndex *index, const char *workFolder) {
  if (!Exec(index, "BEGIN") || !Exec(index, Schema)) return false;
  sqlite3_stmt *statement = nullptr;
  if (!NoteResult(index, sqlite3_prepare_v2(index->db, "INSERT INTO meta VALUES(?, ?)", -1,
                                            &statement, nullptr)))
    return false;
  const std::string codePages = CodePagesNamed();
  const char *rows[3][2] = {
      {"format", FormatVersion}, {"work_folder", workFolder}, {"code_pages", codePages.c_str()}};
  bool done = true;
  for (const auto &row : rows) {
    sqlite3_reset(statement);
    sqlite3_bind_text(statement, 1, row[0], -1, SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, row[1], -1, SQLITE_STATIC);
    done = done && NoteResult(index, sqlite3_step(statement));
  }
  sqlite3_finalize(statement);
  return done && Exec(index, "COMMIT");
}

// A database of this format, made for this work folder under these code
// pages (a page's text is taken out of its bytes again as it was put in);
// one with no tables at all is made so.
bool CheckSchema(SearchIndex *index, const char *workFolder) {
  sqlite3_stmt *statement = nullptr;
  int result = sqlite3_prepare_v2(index->db, "SELECT count(*) FROM sqlite_master", -1,
                                  &statement, nullptr);
  if (!NoteResult(index, result)) return false;
  result = sqlite3_step(statement);
  long long tables = result == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
  sqlite3_finalize(statement);
  if (!NoteResult(index, result)) return false;
  if (tables == 0) return MakeSchema(index, workFolder);
  if (MetaValue(index, "format") != FormatVersion ||
      !FolderPathsEqual(MetaValue(index, "work_folder").c_str(), workFolder) ||
      MetaValue(index, "code_pages") != CodePagesNamed()) {
    if (!index->failed) index->damaged = true;
    return false;
  }
  return true;
}

// Which pages it holds. A row that no page could have written is damage.
bool LoadPages(SearchIndex *index) {
  sqlite3_stmt *statement = nullptr;
  int result = sqlite3_prepare_v2(
      index->db, "SELECT id, path, size, write_time, file_id, bytes IS NOT NULL FROM pages", -1,
      &statement, nullptr);
  if (!NoteResult(index, result)) return false;
  while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
    const unsigned char *path = sqlite3_column_text(statement, 1);
    long long size = sqlite3_column_int64(statement, 2);
    if (path == nullptr || path[0] == '\0' || size < 0 || size > PAGE_BYTES_MOST) {
      index->damaged = true;
      break;
    }
    IndexedPage page;
    page.id = sqlite3_column_int64(statement, 0);
    page.stamp.size = static_cast<unsigned long long>(size);
    page.stamp.writeTime = static_cast<unsigned long long>(sqlite3_column_int64(statement, 3));
    page.stamp.fileId = static_cast<unsigned long long>(sqlite3_column_int64(statement, 4));
    page.held = sqlite3_column_int(statement, 5) != 0;
    page.outdated = false;
    page.generation = 0;
    index->pages[reinterpret_cast<const char *>(path)] = page;
  }
  sqlite3_finalize(statement);
  return !index->damaged && NoteResult(index, result);
}

bool PrepareStatements(SearchIndex *index) {
  for (int i = 0; i < STMT_COUNT; ++i)
    if (!NoteResult(index, sqlite3_prepare_v3(index->db, StatementText[i], -1,
                                              SQLITE_PREPARE_PERSISTENT, &index->statements[i],
                                              nullptr)))
      return false;
  return true;
}

/* Held by this TAV alone (a second TAV on the same notebook goes without
   it), in WAL mode; a page's text deleted from it is overwritten, not only
   let go. Its pages are the largest SQLite has: every page of the database
   is a write of its own at a commit, and under Wine a commit of 4 KB pages
   took ten times as long (a quarter of a second for a few megabytes). The
   log is not written back at a commit, as SQLite would do once it passes a
   size: the upkeep does it in a slice of its own (see IndexLogDue). */
bool OpenDatabase(SearchIndex *index, const std::string &file, const char *workFolder) {
  index->damaged = index->failed = false;
  int result = sqlite3_open_v2(file.c_str(), &index->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                               nullptr);
  if (!NoteResult(index, result)) return false;
  sqlite3_extended_result_codes(index->db, 1);
  return Exec(index, "PRAGMA locking_mode=EXCLUSIVE") &&
         Exec(index, "PRAGMA page_size=65536") &&
         Exec(index, "PRAGMA journal_mode=WAL") && Exec(index, "PRAGMA synchronous=NORMAL") && Exec(index, "PRAGMA secure_delete=ON") &&
         CheckSchema(index, workFolder) && LoadPages(index) && PrepareStatements(index) &&
         (sqlite3_wal_hook(index->db, NoteLogFrames, index), true);
}

/* What was there goes aside as ".bad" (an older one replaced), with its
   write-ahead log, which a new database would otherwise take up. */
void SetAside(const std::string &file) {
  wchar_t wide[MAX_PATH + 8], bad[MAX_PATH + 8];
  if (MultiByteToWideChar(CP_UTF8, 0, file.c_str(), -1, wide, MAX_PATH) == 0) return;
  _snwprintf(bad, MAX_PATH + 8, L"%ls.bad", wide);
  bad[MAX_PATH + 7] = L'\0';
  if (!MoveFileExW(wide, bad, MOVEFILE_REPLACE_EXISTING)) DeleteFileW(wide);
  _snwprintf(bad, MAX_PATH + 8, L"%ls-wal", wide);
  DeleteFileW(bad);
  _snwprintf(bad, MAX_PATH + 8, L"%ls-shm", wide);
  DeleteFileW(bad);
}

void Fold(std::wstring *text) {
  for (wchar_t &c : *text) c = c == L'\0' ? L' ' : FoldCase(c);
}

std::string Utf8(const std::wstring &text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string utf8(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], length,
                        nullptr, nullptr);
  return utf8;
}

bool IsBmpCharacter(wchar_t c) { return c < 0xD800 || c > 0xDFFF; }

// The text a page's entry put into the full-text table, taken out again.
bool DeleteText(SearchIndex *index, const IndexedPage &page) {
  if (!page.held) return true;
  std::string bytes;
  if (!ReadPageBytes(index, page, &bytes)) return false;
  sqlite3_stmt *statement = Statement(index, STMT_DELETE_TEXT);
  sqlite3_bind_int64(statement, 1, page.id);
  BindText(statement, 2, IndexedText(bytes));
  return Run(index, statement);
}

}  // namespace

IndexOpening OpenSearchIndex(SearchIndex *index, const char *file, const char *workFolder) {
  CloseSearchIndex(index);
  const std::string utf8 = Utf8Path(file);
  if (utf8.empty()) return INDEX_UNAVAILABLE;
  if (OpenDatabase(index, utf8, workFolder)) return INDEX_OPENED;
  const bool damaged = index->damaged && !index->failed;
  const bool locked = index->db != nullptr && (sqlite3_errcode(index->db) & 0xFF) == SQLITE_BUSY;
  CloseSearchIndex(index);
  if (locked) return INDEX_LOCKED;
  if (!damaged) return INDEX_UNAVAILABLE;
  SetAside(utf8);
  if (OpenDatabase(index, utf8, workFolder)) return INDEX_MADE_AGAIN;
  CloseSearchIndex(index);
  return INDEX_UNAVAILABLE;
}

void SetAsideIndexFile(const char *file) {
  const std::string utf8 = Utf8Path(file);
  if (!utf8.empty()) SetAside(utf8);
}

void CloseSearchIndex(SearchIndex *index) {
  for (sqlite3_stmt *&statement : index->statements) {
    sqlite3_finalize(statement);
    statement = nullptr;
  }
  if (index->db != nullptr) {
    if (index->inTransaction) sqlite3_exec(index->db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(index->db);
  }
  index->db = nullptr;
  index->inTransaction = false;
  index->logFrames = 0;
  index->pages.clear();
}

void BeginIndexWork(SearchIndex *index) {
  if (index->db == nullptr || index->inTransaction) return;
  index->inTransaction = Exec(index, "BEGIN");
}

void EndIndexWork(SearchIndex *index) {
  if (index->db == nullptr || !index->inTransaction) return;
  index->inTransaction = false;
  Exec(index, "COMMIT");
}

// 2 MB of the log at most is written back at once: under Wine that takes
// about 20 ms on a busy machine, 4 MB up to 40.
bool IndexLogDue(const SearchIndex *index) {
  return index->db != nullptr && !index->inTransaction && index->logFrames >= 32;
}

void WriteBackIndexLog(SearchIndex *index) {
  if (index->db == nullptr || index->inTransaction) return;
  int result = sqlite3_wal_checkpoint_v2(index->db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                         nullptr);
  // Written back whole (this connection is the only one), the log starts
  // again from its beginning.
  if (NoteResult(index, result)) index->logFrames = 0;
}

std::string IndexedText(const std::string &bytes) {
  PageEncoding encoding = DetectPageEncoding(bytes.data(), bytes.size(), LegacyCodePage(), GetACP());
  std::wstring text;
  DecodePageBytes(bytes.data(), bytes.size(), encoding, &text);
  Fold(&text);
  return Utf8(text);
}

bool StorePage(SearchIndex *index, const std::string &relative, const FileStamp &stamp,
               const std::string &bytes) {
  if (index->db == nullptr || bytes.size() != stamp.size || bytes.size() > PAGE_BYTES_MOST)
    return false;
  const bool held = bytes.size() <= INDEXED_PAGE_MOST;
  auto known = index->pages.find(relative);
  IndexedPage page = {0, stamp, held, false, ++index->generation};
  sqlite3_stmt *statement;
  if (known != index->pages.end()) {
    if (!DeleteText(index, known->second)) return false;
    page.id = known->second.id;
    statement = Statement(index, STMT_UPDATE_PAGE);
    sqlite3_bind_int64(statement, 5, page.id);
  } else {
    statement = Statement(index, STMT_INSERT_PAGE);
    BindText(statement, 5, relative);
  }
  // The same four values in the same places of both statements; the fifth
  // names the entry.
  sqlite3_bind_int64(statement, 1, static_cast<long long>(stamp.size));
  sqlite3_bind_int64(statement, 2, static_cast<long long>(stamp.writeTime));
  sqlite3_bind_int64(statement, 3, static_cast<long long>(stamp.fileId));
  if (held)
    sqlite3_bind_blob(statement, 4, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
  else
    sqlite3_bind_null(statement, 4);
  if (!Run(index, statement)) {
    index->pages.erase(relative);
    return false;
  }
  if (known == index->pages.end()) page.id = sqlite3_last_insert_rowid(index->db);
  index->pages[relative] = page;
  if (!held) return true;
  statement = Statement(index, STMT_INSERT_TEXT);
  sqlite3_bind_int64(statement, 1, page.id);
  const std::string text = IndexedText(bytes);
  BindText(statement, 2, text);
  if (Run(index, statement)) return true;
  index->pages.erase(relative);
  return false;
}

bool ForgetPage(SearchIndex *index, const std::string &relative) {
  auto known = index->pages.find(relative);
  if (index->db == nullptr || known == index->pages.end()) return true;
  IndexedPage page = known->second;
  index->pages.erase(known);
  if (!DeleteText(index, page)) return false;
  sqlite3_stmt *statement = Statement(index, STMT_DELETE_PAGE);
  sqlite3_bind_int64(statement, 1, page.id);
  return Run(index, statement);
}

bool RenamePage(SearchIndex *index, const std::string &from, const std::string &to) {
  auto known = index->pages.find(from);
  if (index->db == nullptr || known == index->pages.end() || from == to) return true;
  IndexedPage page = known->second;
  index->pages.erase(known);
  if (!ForgetPage(index, to)) return false;
  sqlite3_stmt *statement = Statement(index, STMT_RENAME_PAGE);
  BindText(statement, 1, to);
  sqlite3_bind_int64(statement, 2, page.id);
  if (!Run(index, statement)) return false;
  index->pages[to] = page;
  return true;
}

bool ReadPageBytes(SearchIndex *index, const IndexedPage &page, std::string *bytes) {
  bytes->clear();
  if (index->db == nullptr || !page.held) return false;
  sqlite3_stmt *statement = Statement(index, STMT_READ_BYTES);
  sqlite3_bind_int64(statement, 1, page.id);
  int result = sqlite3_step(statement);
  bool found = result == SQLITE_ROW;
  if (found) {
    const void *blob = sqlite3_column_blob(statement, 0);
    int length = sqlite3_column_bytes(statement, 0);
    // An empty page's blob comes as a null pointer.
    found = length >= 0 && static_cast<unsigned long long>(length) == page.stamp.size &&
            (blob != nullptr || length == 0);
    if (found) bytes->assign(static_cast<const char *>(blob), static_cast<size_t>(length));
    else index->damaged = true;
  } else if (NoteResult(index, result)) {
    index->damaged = true;  // a page the index lists and does not hold
  }
  sqlite3_reset(statement);
  return found;
}

std::string CandidateQuery(const std::wstring &folded) {
  std::vector<size_t> starts;
  for (size_t i = 0; i + 3 <= folded.size(); ++i)
    if (IsBmpCharacter(folded[i]) && IsBmpCharacter(folded[i + 1]) && IsBmpCharacter(folded[i + 2]))
      starts.push_back(i);
  // A few trigrams spread over the text leave few candidates; more only
  // make the lookup slower.
  const size_t most = 6;
  std::string query;
  for (size_t k = 0; k < starts.size() && k < most; ++k) {
    size_t at = starts.size() <= most ? starts[k] : starts[k * (starts.size() - 1) / (most - 1)];
    std::string trigram = Utf8(folded.substr(at, 3)), quoted = "\"";
    for (char c : trigram) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    if (!query.empty()) query += " AND ";
    query += quoted + "\"";
  }
  return query;
}

bool FindCandidates(SearchIndex *index, const std::wstring &folded,
                    std::unordered_set<long long> *ids, bool *all) {
  ids->clear();
  const std::string query = CandidateQuery(folded);
  *all = query.empty();
  if (*all) return true;
  if (index->db == nullptr) return false;
  sqlite3_stmt *statement = Statement(index, STMT_MATCH);
  BindText(statement, 1, query);
  int result;
  while ((result = sqlite3_step(statement)) == SQLITE_ROW) ids->insert(sqlite3_column_int64(statement, 0));
  sqlite3_reset(statement);
  return NoteResult(index, result);
}
