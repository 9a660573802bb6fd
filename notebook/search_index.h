// The search index, without windows: a database of TAV's own that keeps
// each page file's bytes as they were read, with the size, write time and
// identity the file had then, and a full-text index of trigrams of the
// page's text with letter case folded as Find in All Pages folds it. It is a
// cache: whatever it says is checked against the page's listing before it
// is used, and deleting it loses nothing.
#ifndef TAV_SEARCH_INDEX_H
#define TAV_SEARCH_INDEX_H

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/paths.h"

struct sqlite3;
struct sqlite3_stmt;

// A page the index knows, by its path below the work folder.
struct IndexedPage {
  long long id;
  FileStamp stamp;     // the file's when its bytes were read
  bool held;           // its bytes and text are in the index; false for a page too large
  bool outdated;       // TAV wrote the file since: read from the file until stored again
  unsigned long long generation;  // when it was (last) stored
};

// The statements made once for each database opened.
enum IndexStatement {
  STMT_INSERT_PAGE, STMT_UPDATE_PAGE, STMT_DELETE_PAGE, STMT_RENAME_PAGE,
  STMT_READ_BYTES, STMT_INSERT_TEXT, STMT_DELETE_TEXT, STMT_MATCH, STMT_COUNT
};

struct SearchIndex {
  sqlite3 *db = nullptr;
  sqlite3_stmt *statements[STMT_COUNT] = {};
  std::unordered_map<std::string, IndexedPage> pages;
  unsigned long long generation = 0;  // counts the pages stored in this run
  bool inTransaction = false;
  int logFrames = 0;  // database pages in the write-ahead log, not yet written back
  // Set by any call that found the database damaged (or not one at all):
  // it is to be set aside and made anew.
  bool damaged = false;
  // Set by any call that could not read or write it otherwise (locked by
  // another TAV, the disk full): it is to be closed and gone without.
  bool failed = false;
};

// The largest page the index keeps; a page's most is 16 MB, and a page of
// more than this is read from its file at every search.
enum { INDEXED_PAGE_MOST = 256 * 1024, PAGE_BYTES_MOST = 16 * 1024 * 1024 };

enum IndexOpening {
  INDEX_OPENED,      // as it was, or new where there was none
  INDEX_MADE_AGAIN,  // what was there was not one of ours (damaged, foreign, another
                     // work folder's or format's) and was set aside as ".bad"
  INDEX_LOCKED,      // another TAV has it open
  INDEX_UNAVAILABLE  // it cannot be made or read (no folder, the disk full)
};
// Opens (or makes) the database at file (a path in the program's code page)
// for the work folder, and reads which pages it holds.
IndexOpening OpenSearchIndex(SearchIndex *index, const char *file, const char *workFolder);
void CloseSearchIndex(SearchIndex *index);
// Puts the (closed) database at file aside as ".bad", an older one replaced.
void SetAsideIndexFile(const char *file);

// Many pages stored in one transaction; each call of the pair may be
// repeated (a begun transaction is kept, an ended one ends once).
void BeginIndexWork(SearchIndex *index);
void EndIndexWork(SearchIndex *index);

// The write-ahead log is written back into the database only when asked,
// outside any transaction: a write-back takes as long as the commits that
// filled the log, so the upkeep gives it a slice of its own.
bool IndexLogDue(const SearchIndex *index);
void WriteBackIndexLog(SearchIndex *index);

// Stores a page's bytes as read with the stamp its file had; a page larger
// than INDEXED_PAGE_MOST is noted by its stamp alone. False when the
// database failed (index->damaged or index->failed says how).
bool StorePage(SearchIndex *index, const std::string &relative, const FileStamp &stamp,
               const std::string &bytes);
// Forgets a page, its text with it.
bool ForgetPage(SearchIndex *index, const std::string &relative);
// A page renamed or moved keeps its entry under its new path.
bool RenamePage(SearchIndex *index, const std::string &from, const std::string &to);
// A page's bytes as stored; false (and index->damaged) when they are not
// what was stored with them.
bool ReadPageBytes(SearchIndex *index, const IndexedPage &page, std::string *bytes);

// The text the index holds of a page's bytes: decoded as the search decodes
// them and folded as it folds letter case, as UTF-8.
std::string IndexedText(const std::string &bytes);
// The pages whose text may hold the pattern's folded text, by id; *all when
// the pattern is too short to be looked up and every page may.
bool FindCandidates(SearchIndex *index, const std::wstring &folded,
                    std::unordered_set<long long> *ids, bool *all);
// The lookup FindCandidates makes: each trigram of three characters of the
// Basic Multilingual Plane, a few of them spread over the text, as a phrase
// of its own; empty when there is none.
std::string CandidateQuery(const std::wstring &folded);

#endif
