// The rules of a page's earlier versions, without windows or files: when a
// save keeps one, what a version's file and a page's index are called and
// hold, which relative paths may name a page, and which versions the store
// thins out as they age or as it grows.
#include "pages/pages.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/code_pages.h"

static const unsigned long long TICKS_PER_MS = 10000ull;
static const unsigned long long TICKS_PER_DAY = 24ull * 3600 * 1000 * TICKS_PER_MS;

/* ---- why a version was kept ---- */

namespace {
struct ReasonRow {
  VersionReason reason;
  const char *code;  // in the file's name
  const char *text;  // as the History dialog shows it
};
}  // namespace

static const ReasonRow ReasonTable[] = {
    {REASON_SAVED_OVER, "saved", "saved over"},
    {REASON_CHANGED_ELSEWHERE, "changed", "changed by another program"},
    {REASON_DELETED, "deleted", "deleted"},
    {REASON_BEFORE_RESTORE, "restore", "before restore"},
};

const char *VersionReasonText(VersionReason reason) {
  for (const ReasonRow &row : ReasonTable)
    if (row.reason == reason) return row.text;
  return "";
}

/* ---- keeping at a save ---- */

bool VersionDueAtSave(bool keptThisRun, unsigned long long lastKeptMs, unsigned long long nowMs) {
  return !keptThisRun || nowMs < lastKeptMs || nowMs - lastKeptMs >= VERSION_SAVE_INTERVAL_MS;
}

/* A quick hash of a text's bytes, eight at a time: identical texts are
   kept once, and a page of a megabyte is hashed in well under a
   millisecond. */
unsigned long long HashVersionBytes(const char *bytes, size_t length) {
  unsigned long long hash = 0x9E3779B97F4A7C15ull ^ length;
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    unsigned long long word;
    memcpy(&word, bytes + i, 8);
    hash = (hash ^ word) * 0x100000001B3ull;
    hash ^= hash >> 29;
  }
  for (; i < length; ++i) hash = (hash ^ static_cast<unsigned char>(bytes[i])) * 0x100000001B3ull;
  hash ^= hash >> 32;
  return hash;
}

/* ---- a version's file name: "20261209-071428-123-saved-<hash>.ver" ---- */

std::string FormatVersionName(const VersionName &version) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(version.time);
  time.dwHighDateTime = static_cast<DWORD>(version.time >> 32);
  SYSTEMTIME utc;
  if (!FileTimeToSystemTime(&time, &utc)) return "";
  const char *code = "";
  for (const ReasonRow &row : ReasonTable)
    if (row.reason == version.reason) code = row.code;
  char name[80];
  snprintf(name, sizeof name, "%04u%02u%02u-%02u%02u%02u-%03u-%s-%016llx.ver", utc.wYear,
           utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond, utc.wMilliseconds, code,
           version.hash);
  return name;
}

static bool ReadDigits(const char **at, int count, unsigned *value) {
  *value = 0;
  for (int i = 0; i < count; ++i, ++*at) {
    if (**at < '0' || **at > '9') return false;
    *value = *value * 10 + static_cast<unsigned>(**at - '0');
  }
  return true;
}

static bool ReadChar(const char **at, char c) {
  if (**at != c) return false;
  ++*at;
  return true;
}

/* Only a name this program writes, exactly: anything else in the store is
   passed over. */
bool ParseVersionName(const char *name, VersionName *version) {
  const char *at = name;
  unsigned year, month, day, hour, minute, second, ms;
  if (!ReadDigits(&at, 4, &year) || !ReadDigits(&at, 2, &month) || !ReadDigits(&at, 2, &day) ||
      !ReadChar(&at, '-') || !ReadDigits(&at, 2, &hour) || !ReadDigits(&at, 2, &minute) ||
      !ReadDigits(&at, 2, &second) || !ReadChar(&at, '-') || !ReadDigits(&at, 3, &ms) ||
      !ReadChar(&at, '-'))
    return false;
  SYSTEMTIME utc = {};
  utc.wYear = static_cast<WORD>(year);
  utc.wMonth = static_cast<WORD>(month);
  utc.wDay = static_cast<WORD>(day);
  utc.wHour = static_cast<WORD>(hour);
  utc.wMinute = static_cast<WORD>(minute);
  utc.wSecond = static_cast<WORD>(second);
  utc.wMilliseconds = static_cast<WORD>(ms);
  FILETIME time;
  if (year < 1601 || !SystemTimeToFileTime(&utc, &time)) return false;
  const ReasonRow *found = nullptr;
  for (const ReasonRow &row : ReasonTable) {
    size_t length = strlen(row.code);
    if (strncmp(at, row.code, length) == 0 && at[length] == '-') {
      found = &row;
      at += length + 1;
    }
  }
  if (found == nullptr) return false;
  unsigned long long hash = 0;
  for (int i = 0; i < 16; ++i, ++at) {
    char c = *at;
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return false;
    hash = hash << 4 | static_cast<unsigned>(digit);
  }
  if (strcmp(at, ".ver") != 0) return false;
  version->time = static_cast<unsigned long long>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
  version->reason = found->reason;
  version->hash = hash;
  return true;
}

/* ---- a page's index ---- */

static const char IndexHeader[] = "TAV page history 1\r\n";

// A character no file or folder name holds: a separator, a drive's or a
// stream's colon, a wildcard, a control character.
static bool IsRefusedNameCharacter(char c) {
  return static_cast<unsigned char>(c) < 0x20 || strchr("<>:\"/\\|?*", c) != nullptr;
}

// A name as a folder or file of the notebook has it; "." and ".." lead
// elsewhere. Steps through the code page: a trail byte may have the value of
// a separator.
bool IsPlainName(const char *name, size_t length) {
  if (length == 0 || (length == 1 && name[0] == '.') ||
      (length == 2 && name[0] == '.' && name[1] == '.'))
    return false;
  for (const char *c = name; c < name + length; c = CharNextA(c))
    if (CharNextA(c) == c + 1 && IsRefusedNameCharacter(*c)) return false;
  return true;
}


bool IsPlainRelativePagePath(const std::string &relative) {
  if (relative.empty() || relative.size() >= PATH_BUFFER_SIZE ||
      strlen(relative.c_str()) != relative.size())
    return false;
  const char *start = relative.c_str();
  const char *name = start;
  for (const char *c = start;; c = CharNextA(c)) {
    if (*c != '\0' && *c != '\\') continue;
    if (!IsPlainName(name, static_cast<size_t>(c - name))) return false;
    if (*c == '\0') break;
    name = c + 1;
  }
  return IsPageFileName(name);
}

/* The page's path below the work folder in UTF-8, so that it reads the
   same under any code page, and when it was deleted (0: it was not). */
std::string FormatPageIndex(const PageIndex &index) {
  std::string bytes = IndexHeader;
  bytes += "Page=" + PathInUtf8(index.relative) + "\r\n";
  if (index.deletedAt != 0) {
    char line[40];
    snprintf(line, sizeof line, "Deleted=%llu\r\n", index.deletedAt);
    bytes += line;
  }
  return bytes;
}

static bool TakeLine(const std::string &bytes, size_t *at, const char *key, std::string *value) {
  size_t keyLength = strlen(key);
  size_t end = bytes.find("\r\n", *at);
  if (end == std::string::npos || bytes.compare(*at, keyLength, key) != 0) return false;
  *value = bytes.substr(*at + keyLength, end - *at - keyLength);
  *at = end + 2;
  return true;
}

bool ParsePageIndex(const std::string &bytes, PageIndex *index) {
  if (bytes.size() > 4096 || bytes.compare(0, sizeof IndexHeader - 1, IndexHeader) != 0)
    return false;
  size_t at = sizeof IndexHeader - 1;
  std::string utf8, deleted;
  if (!TakeLine(bytes, &at, "Page=", &utf8)) return false;
  if (!PathFromUtf8(utf8, &index->relative) || !IsPlainRelativePagePath(index->relative))
    return false;
  index->deletedAt = 0;
  if (at == bytes.size()) return true;
  if (!TakeLine(bytes, &at, "Deleted=", &deleted) || at != bytes.size() || deleted.empty() ||
      deleted.size() > 20 || deleted.find_first_not_of("0123456789") != std::string::npos)
    return false;
  index->deletedAt = strtoull(deleted.c_str(), nullptr, 10);
  return index->deletedAt != 0;
}

/* ---- thinning ---- */

/* Every version of the last 7 days stays; older ones, one a day (the day's
   last) up to 90 days; none older. A page's newest version stays whatever
   its age, and so do a deleted page's versions kept at its deletion while
   it was deleted less than 90 days ago; a deleted page older than that
   goes. Then, while the versions left pass the bound, the oldest of those
   not kept whatever the bound go first. */
ThinningPlan PlanThinning(const std::vector<StoredPage> &pages,
                          const std::vector<StoredVersion> &versions, unsigned long long now,
                          unsigned long long bound) {
  ThinningPlan plan;
  const unsigned long long week = 7 * TICKS_PER_DAY, season = 90 * TICKS_PER_DAY;
  auto age = [now](unsigned long long time) { return time >= now ? 0ull : now - time; };
  std::vector<char> goes(versions.size(), 0), protectedVersion(versions.size(), 0);
  std::vector<char> pageGoes(pages.size(), 0);
  for (size_t p = 0; p < pages.size(); ++p)
    if (pages[p].deletedAt != 0 && age(pages[p].deletedAt) > season) {
      pageGoes[p] = 1;
      plan.pages.push_back(p);
    }
  // Newest first, so that the first version met of a page, or of a day, is
  // the one that stays.
  std::vector<size_t> order(versions.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&versions](size_t a, size_t b) {
    return versions[a].time > versions[b].time;
  });
  std::vector<char> pageSeen(pages.size(), 0);
  std::vector<unsigned long long> lastDay(pages.size(), ~0ull);
  for (size_t i : order) {
    const StoredVersion &version = versions[i];
    if (version.page >= pages.size() || pageGoes[version.page]) {
      goes[i] = 1;
      continue;
    }
    const StoredPage &page = pages[version.page];
    bool newest = !pageSeen[version.page];
    pageSeen[version.page] = 1;
    if (newest || (page.deletedAt != 0 && version.reason == REASON_DELETED)) {
      protectedVersion[i] = 1;
      lastDay[version.page] = version.time / TICKS_PER_DAY;
      continue;
    }
    unsigned long long old = age(version.time), day = version.time / TICKS_PER_DAY;
    if (old <= week) {
      lastDay[version.page] = day;
    } else if (old <= season && day != lastDay[version.page]) {
      lastDay[version.page] = day;
    } else {
      goes[i] = 1;
    }
  }
  unsigned long long total = 0;
  for (size_t i = 0; i < versions.size(); ++i)
    if (!goes[i]) total += versions[i].size;
  for (auto it = order.rbegin(); it != order.rend() && total > bound; ++it)
    if (!goes[*it] && !protectedVersion[*it]) {
      goes[*it] = 1;
      total -= versions[*it].size;
    }
  for (size_t i = 0; i < versions.size(); ++i)
    if (goes[i]) plan.versions.push_back(i);
  return plan;
}
