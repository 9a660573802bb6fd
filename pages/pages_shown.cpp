// The record of the pages shown, without windows: the most recent first,
// each with the place the user left it at, bounded to the pages shown last,
// and its file, which is read as input another program may have written.
#include "pages/pages.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <unordered_set>

#include "base/code_pages.h"
#include "base/paths.h"

static const char ShownHeader[] = "TAV pages shown 1";

static long IndexOfShown(const PagesShown &shown, const char *path) {
  for (size_t i = 0; i < shown.size(); ++i)
    if (FolderPathsEqual(shown[i].path.c_str(), path)) return static_cast<long>(i);
  return -1;
}

const ShownPage *FindPageShown(const PagesShown &shown, const char *path, size_t *rank) {
  long at = IndexOfShown(shown, path);
  if (at < 0) return nullptr;
  if (rank != nullptr) *rank = static_cast<size_t>(at);
  return &shown[static_cast<size_t>(at)];
}

/* The page comes first, with the place it had; the one shown longest ago
   goes when there are too many. */
void NotePageShown(PagesShown *shown, const char *path) {
  long at = IndexOfShown(*shown, path);
  ShownPage page = {path, false, PagePlace{0, 0, 0}};
  if (at >= 0) {
    page = (*shown)[static_cast<size_t>(at)];
    shown->erase(shown->begin() + at);
  }
  shown->insert(shown->begin(), page);
  if (shown->size() > PAGES_SHOWN_KEPT) shown->resize(PAGES_SHOWN_KEPT);
}

void NotePagePlace(PagesShown *shown, const char *path, const PagePlace &place) {
  long at = IndexOfShown(*shown, path);
  if (at < 0) {
    NotePageShown(shown, path);
    at = 0;
  }
  (*shown)[static_cast<size_t>(at)].placed = true;
  (*shown)[static_cast<size_t>(at)].place = place;
}

/* A page recorded twice keeps its more recent record. Paths are compared
   as FolderPathsEqual compares them, ASCII letter case ignored. */
static void DropRepeats(PagesShown *shown) {
  std::unordered_set<std::string> seen;
  auto repeated = [&](const ShownPage &page) {
    std::string key = page.path;
    for (char &c : key)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return !seen.insert(key).second;
  };
  shown->erase(std::remove_if(shown->begin(), shown->end(), repeated), shown->end());
}

/* A page or a folder renamed: what was recorded at or below the old path is
   recorded at the new one. Where the new path was recorded already, the
   more recent of the two stays. */
void MovePagesShown(PagesShown *shown, const char *from, const char *to) {
  char moved[PATH_BUFFER_SIZE];
  for (ShownPage &page : *shown)
    if (FollowMove(page.path.c_str(), from, to, moved)) page.path = moved;
  DropRepeats(shown);
}

void ForgetPagesShown(PagesShown *shown, const char *path) {
  for (size_t i = shown->size(); i-- > 0;)
    if (PathIsAtOrBelow((*shown)[i].path.c_str(), path)) shown->erase(shown->begin() + static_cast<long>(i));
}

PagePlace PlaceWithin(const PagePlace &place, LONG length) {
  PagePlace within = place;
  if (within.selectionStart > length) within.selectionStart = length;
  if (within.selectionEnd > length) within.selectionEnd = length;
  if (within.firstVisible > length) within.firstVisible = length;
  return within;
}

/* ---- the file ---- */

/* A line per page, the most recent first: the selection's start and end and
   the first character in view, a tab and the path in UTF-8; a page left at
   no place yet has "-" for the three numbers. */
std::string FormatPagesShown(const PagesShown &shown) {
  std::string bytes = std::string(ShownHeader) + "\r\n";
  for (const ShownPage &page : shown) {
    char numbers[64] = "-";
    if (page.placed)
      snprintf(numbers, sizeof numbers, "%ld %ld %ld", static_cast<long>(page.place.selectionStart),
               static_cast<long>(page.place.selectionEnd),
               static_cast<long>(page.place.firstVisible));
    bytes += numbers;
    bytes += '\t';
    bytes += PathInUtf8(page.path);
    bytes += "\r\n";
  }
  return bytes;
}

// A count of characters: decimal digits alone, no larger than a position
// of the editor can be.
static bool TakePosition(const char **cursor, LONG *value) {
  const char *at = *cursor;
  long long number = 0;
  int digits = 0;
  while (*at >= '0' && *at <= '9') {
    if (++digits > 10) return false;
    number = number * 10 + (*at++ - '0');
  }
  if (digits == 0 || number > 0x7FFFFFFF) return false;
  *value = static_cast<LONG>(number);
  *cursor = at;
  return true;
}

static bool ParsePlace(const std::string &numbers, ShownPage *page) {
  page->placed = false;
  page->place = PagePlace{0, 0, 0};
  if (numbers == "-") return true;
  const char *at = numbers.c_str();
  PagePlace place;
  if (!TakePosition(&at, &place.selectionStart) || *at++ != ' ' ||
      !TakePosition(&at, &place.selectionEnd) || *at++ != ' ' ||
      !TakePosition(&at, &place.firstVisible) || *at != '\0')
    return false;
  if (place.selectionStart > place.selectionEnd) return false;
  page->placed = true;
  page->place = place;
  return true;
}

/* An absolute path of a page, as the tree names one: a drive or a share, no
   control characters, no "." or ".." steps that would lead elsewhere. */
static bool IsPagePath(const std::string &path) {
  bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
               ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  bool share = path.compare(0, 2, "\\\\") == 0;
  if (!drive && !share) return false;
  for (unsigned char c : path)
    if (c < 0x20 || c == 0x7F || c == '/') return false;
  std::string steps = path + "\\";
  return steps.find("\\.\\") == std::string::npos && steps.find("\\..\\") == std::string::npos;
}

static bool ParseShownLine(const std::string &line, ShownPage *page) {
  size_t tab = line.find('\t');
  if (tab == std::string::npos || !ParsePlace(line.substr(0, tab), page)) return false;
  std::string utf8 = line.substr(tab + 1);
  bool multiByte = false;
  if (!IsValidUtf8(utf8.data(), utf8.size(), &multiByte) || !IsPagePath(utf8)) return false;
  return PathFromUtf8(utf8, &page->path) && page->path.size() < PATH_BUFFER_SIZE;
}

/* What TAV wrote, or anything else: a file without the header is no record
   at all; a line that is not one TAV would write is passed over, and so is
   a page recorded twice, after its first line. */
bool ParsePagesShown(const std::string &bytes, PagesShown *shown) {
  shown->clear();
  if (bytes.size() > PAGES_SHOWN_FILE_LIMIT) return false;
  size_t at = 0;
  bool first = true;
  // Lines recorded twice are dropped at the end; as many lines are read as
  // can leave the pages kept.
  while (at < bytes.size() && shown->size() < 4 * PAGES_SHOWN_KEPT) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (first) {
      if (line != ShownHeader) return false;
      first = false;
      continue;
    }
    ShownPage page;
    if (ParseShownLine(line, &page)) shown->push_back(page);
  }
  DropRepeats(shown);
  if (shown->size() > PAGES_SHOWN_KEPT) shown->resize(PAGES_SHOWN_KEPT);
  return !first;
}
