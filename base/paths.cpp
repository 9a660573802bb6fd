// Paths and names: the one place for the rules the folder tree and the pages
// share about joining, comparing and placing paths, and about the files the
// program writes beside a page.
#include "base/paths.h"

#include "base/code_pages.h"
#include "base/platform_seam.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <string>

/* ---- joining ---- */

/* Both separators count: a work folder may come with either. */
bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

/* The trail byte of a double-byte character may have the value of a
   backslash, so the last character is found by stepping back through the
   code page. */
bool EndsWithSeparator(const char *path) {
  size_t length = strlen(path);
  if (length == 0) return false;
  const char *last = CharPrevA(path, path + length);
  return IsPathSeparator(*last);
}

// How a folder and a name join: no backslash after a separator, none when
// the folder is empty, and the name's own leading backslashes passed over
// after a folder. Unlike PathAppendA nothing is canonicalized: "a." or "..."
// stay as the directory listing gave them.
struct JoinPlan {
  const char *name;
  bool separator;
  size_t length;
};

static JoinPlan PlanJoin(const char *folder, const char *name) {
  size_t folderLength = strlen(folder);
  bool separator = false;
  if (folderLength > 0) {
    while (*name == '\\') ++name;
    separator = !EndsWithSeparator(folder);
  }
  return JoinPlan{name, separator, folderLength + (separator ? 1 : 0) + strlen(name)};
}

bool JoinPath(const char *folder, const char *name, char *out) {
  JoinPlan plan = PlanJoin(folder, name);
  if (plan.length >= PATH_BUFFER_SIZE) {
    out[0] = '\0';
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  size_t at = strlen(folder);
  memmove(out, folder, at);
  if (plan.separator) out[at++] = '\\';
  memcpy(out + at, plan.name, strlen(plan.name) + 1);
  return true;
}

bool JoinPath(char *path, const char *name) {
  if (PlanJoin(path, name).length >= PATH_BUFFER_SIZE) return false;
  return JoinPath(path, name, path);
}

void JoinPathForMessage(const char *folder, const char *name, char *out, size_t capacity) {
  snprintf(out, capacity, "%s%s%s", folder, EndsWithSeparator(folder) ? "" : "\\", name);
}

/* ---- comparing ---- */

static char FoldAsciiCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

/* Copies the first length bytes of a text into a PATH_BUFFER_SIZE buffer with
   letters made upper case the way the code page does it; false when they do
   not fit. */
static bool UpperCaseCopy(const char *text, size_t length, char *out) {
  if (length >= PATH_BUFFER_SIZE) return false;
  memcpy(out, text, length);
  out[length] = '\0';
  CharUpperBuffA(out, static_cast<DWORD>(length));
  return true;
}

enum LetterCase { ASCII_LETTERS, CODE_PAGE_LETTERS };

/* Whether the first length bytes of a and b are the same but for the letter
   case the rule folds. b has at least length bytes; a may be shorter. The
   trail byte of a double-byte character may have the value of an ASCII
   letter (in code page 932, 0x83 0x41 and 0x83 0x61 are two different
   katakana), so both bytes of such a character compare as they are. */
static bool SameIgnoringCase(const char *a, const char *b, size_t length, LetterCase letters) {
  if (letters == ASCII_LETTERS) {
    for (size_t i = 0; i < length; ++i) {
      if (IsDBCSLeadByte(static_cast<BYTE>(a[i])) && i + 1 < length) {
        if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        ++i;
      } else if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) {
        return false;  // stops at a's end
      }
    }
    return true;
  }
  char upperA[PATH_BUFFER_SIZE];
  char upperB[PATH_BUFFER_SIZE];
  return strlen(a) >= length && UpperCaseCopy(a, length, upperA) &&
         UpperCaseCopy(b, length, upperB) && memcmp(upperA, upperB, length) == 0;
}

bool NamesEqualIgnoringAsciiCase(const char *a, const char *b) {
  size_t length = strlen(b);
  return strlen(a) == length && SameIgnoringCase(a, b, length, ASCII_LETTERS);
}

bool NamesDifferOnlyInCase(const char *a, const char *b) {
  size_t length = strlen(a);
  return strcmp(a, b) != 0 && strlen(b) == length &&
         SameIgnoringCase(a, b, length, CODE_PAGE_LETTERS);
}

// A path's length without one trailing separator, unless it is one alone.
static size_t LengthWithoutTrailingSeparator(const char *path) {
  size_t length = strlen(path);
  return (length > 1 && EndsWithSeparator(path)) ? length - 1 : length;
}

bool FolderPathsEqual(const char *a, const char *b) {
  size_t length = LengthWithoutTrailingSeparator(a);
  return LengthWithoutTrailingSeparator(b) == length &&
         SameIgnoringCase(a, b, length, ASCII_LETTERS);
}

bool PathIsAtOrBelow(const char *path, const char *folder) {
  size_t length = strlen(folder);
  if (length == 0 || !SameIgnoringCase(path, folder, length, ASCII_LETTERS)) return false;
  return path[length] == '\0' || path[length] == '\\';
}

/* The folder may end with separators (the root of a drive) or not; the path
   leaves it at a separator of either kind, so "D:\Notes2" is not below
   "D:\Notes". */
bool PathBelowFolder(const char *path, const char *folder, const char **remainder) {
  *remainder = nullptr;
  size_t length = strlen(folder);
  while (length > 0) {
    const char *last = CharPrevA(folder, folder + length);
    if (!IsPathSeparator(*last)) break;
    length = static_cast<size_t>(last - folder);
  }
  if (folder[0] == '\0' || !SameIgnoringCase(path, folder, length, CODE_PAGE_LETTERS))
    return false;
  const char *rest = path + length;
  if (!IsPathSeparator(*rest)) return false;
  ++rest;
  if (*rest == '\0') return false;
  *remainder = rest;
  return true;
}

/* A path at or below a folder that moved keeps what followed the folder. */
bool FollowMove(const char *path, const char *from, const char *to, char *moved) {
  if (!PathIsAtOrBelow(path, from)) return false;
  size_t tail = strlen(path) - strlen(from);
  if (strlen(to) + tail >= PATH_BUFFER_SIZE) return false;
  strcpy(moved, to);
  strcat(moved, path + strlen(from));
  return true;
}

/* Rewrites a PATH_BUFFER_SIZE path that lies at or below a renamed or moved
   page or folder; other paths stay as they are. */
void FollowRename(char *path, const char *oldPath, const char *newPath) {
  char renamed[PATH_BUFFER_SIZE];
  if (path != nullptr && FollowMove(path, oldPath, newPath, renamed)) strcpy(path, renamed);
}

/* ---- items ---- */

/* An item's folder and its name, by its last separator found by
   characters: a trail byte may have a separator's value. */
bool SplitItemPath(const char *path, char *folder, const char **name) {
  const char *last = nullptr;
  for (const char *c = path; *c != '\0'; c = CharNextA(c))
    if (*c == '\\') last = c;
  if (last == nullptr || last[1] == '\0') return false;
  size_t length = static_cast<size_t>(last - path);
  if (length >= PATH_BUFFER_SIZE) return false;
  memcpy(folder, path, length);
  folder[length] = '\0';
  // The root of a drive keeps its separator: "D:\" holds "D:\Notes".
  if (length == 2 && folder[1] == ':') strcpy(folder + 2, "\\");
  *name = last + 1;
  return true;
}

/* A page is a file whose own name ends in ".tav". The listing matches
   "*.tav" against 8.3 short names too, which under Wine brings in names such
   as "d.tavx" and "h.tav~". */
bool IsPageFileName(const char *name) {
  size_t length = strlen(name);
  return length >= 4 && NamesEqualIgnoringAsciiCase(name + length - 4, ".tav");
}

bool IsPageFile(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

/* ---- listing ---- */

bool SameFileStamp(const FileStamp &listed, const FileStamp &stored) {
  if (listed.size != stored.size || listed.writeTime != stored.writeTime) return false;
  return listed.fileId == 0 || stored.fileId == 0 || listed.fileId == stored.fileId;
}

static unsigned long long FileTimeValue(const FILETIME &time) {
  return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool StartListing(const char *pattern, FolderListing *listing) {
  listing->pending = false;
  listing->folder = INVALID_HANDLE_VALUE;
  WCHAR widePattern[MAX_PATH + 8];
  if (!WideFromCodePage(pattern, widePattern, MAX_PATH + 8)) {
    listing->search = INVALID_HANDLE_VALUE;
    return false;
  }
  listing->search = FindFirstFileW(widePattern, &listing->found);
  listing->pending = listing->search != INVALID_HANDLE_VALUE;
  return listing->pending;
}

/* The folder's entries a buffer at a time, as the file system hands them
   on; the first call starts from the folder's first entry. */
bool StartListingWithIds(const char *folder, FolderListing *listing) {
  listing->search = INVALID_HANDLE_VALUE;
  listing->pending = false;
  listing->at = listing->end = 0;
  WCHAR wideFolder[MAX_PATH + 8];
  listing->folder = INVALID_HANDLE_VALUE;
  if (!WideFromCodePage(folder, wideFolder, MAX_PATH + 8)) return false;
  listing->folder = CreateFileW(wideFolder, FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (listing->folder == INVALID_HANDLE_VALUE) return false;
  listing->buffer.resize(64 * 1024 / sizeof(unsigned long long));
  const DWORD bytes = static_cast<DWORD>(listing->buffer.size() * sizeof(unsigned long long));
  if (!GetFileInformationByHandleEx(listing->folder, FileIdBothDirectoryRestartInfo,
                                    listing->buffer.data(), bytes)) {
    DWORD error = GetLastError();
    // An empty folder has no entry at all to give, not even "." on some file systems.
    if (error == ERROR_NO_MORE_FILES) return true;
    CloseHandle(listing->folder);
    listing->folder = INVALID_HANDLE_VALUE;
    SetLastError(error);
    return false;
  }
  listing->end = bytes;
  return true;
}

static bool NextListedWithId(FolderListing *listing, ListedEntry *entry) {
  const DWORD bytes = static_cast<DWORD>(listing->buffer.size() * sizeof(unsigned long long));
  unsigned char *base = reinterpret_cast<unsigned char *>(listing->buffer.data());
  if (listing->at >= listing->end) {
    if (listing->end == 0 || !GetFileInformationByHandleEx(listing->folder, FileIdBothDirectoryInfo,
                                                           base, bytes))
      return false;
    listing->at = 0;
    listing->end = bytes;
  }
  const FILE_ID_BOTH_DIR_INFO *info =
      reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(base + listing->at);
  listing->at = info->NextEntryOffset == 0 ? listing->end : listing->at + info->NextEntryOffset;
  size_t units = info->FileNameLength / sizeof(WCHAR);
  if (units >= MAX_PATH) units = MAX_PATH - 1;
  memcpy(entry->wideName, info->FileName, units * sizeof(WCHAR));
  entry->wideName[units] = L'\0';
  entry->attributes = Platform.listedAttributes(entry->wideName, info->FileAttributes);
  // For a reparse point the field of extended attributes holds its tag.
  entry->reparseTag = (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? info->EaSize : 0;
  entry->stamp.size = static_cast<unsigned long long>(info->EndOfFile.QuadPart);
  entry->stamp.writeTime = static_cast<unsigned long long>(info->LastWriteTime.QuadPart);
  entry->stamp.fileId = static_cast<unsigned long long>(info->FileId.QuadPart);
  NameInCodePage(entry->wideName, entry->name, sizeof entry->name);
  return true;
}

bool NextListed(FolderListing *listing, ListedEntry *entry) {
  if (listing->folder != INVALID_HANDLE_VALUE) return NextListedWithId(listing, entry);
  if (listing->search == INVALID_HANDLE_VALUE) return false;
  if (!listing->pending && !FindNextFileW(listing->search, &listing->found)) return false;
  listing->pending = false;
  const WIN32_FIND_DATAW &found = listing->found;
  memcpy(entry->wideName, found.cFileName, sizeof entry->wideName);
  entry->wideName[MAX_PATH - 1] = L'\0';
  entry->attributes = Platform.listedAttributes(found.cFileName, found.dwFileAttributes);
  entry->reparseTag = found.dwReserved0;
  entry->stamp.size = (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  entry->stamp.writeTime = FileTimeValue(found.ftLastWriteTime);
  entry->stamp.fileId = 0;
  NameInCodePage(entry->wideName, entry->name, sizeof entry->name);
  return true;
}

void EndListing(FolderListing *listing) {
  if (listing->search != INVALID_HANDLE_VALUE) FindClose(listing->search);
  listing->search = INVALID_HANDLE_VALUE;
  if (listing->folder != INVALID_HANDLE_VALUE) CloseHandle(listing->folder);
  listing->folder = INVALID_HANDLE_VALUE;
}

/* ---- files beside a page ---- */

bool IsMissingFileError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

void DeleteFileKeepingError(const char *path) {
  DWORD error = GetLastError();
  DeleteFileA(path);
  SetLastError(error);
}

/* The trail byte of a double-byte character is taken as it is, as
   SameIgnoringCase compares it: folded, two pages whose names differ only
   there would share one recovery copy. */
unsigned long long HashPathIgnoringAsciiCase(const char *path) {
  unsigned long long hash = 14695981039346656037ull;
  for (const char *c = path; *c != '\0'; ++c) {
    if (IsDBCSLeadByte(static_cast<BYTE>(*c)) && c[1] != '\0') {
      hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
      ++c;
      hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
      continue;
    }
    hash = (hash ^ static_cast<unsigned char>(FoldAsciiCase(*c))) * 1099511628211ull;
  }
  return hash;
}

/* Opened for its attributes only, sharing everything, so that neither a
   page being written nor a folder (which needs backup semantics to open)
   is in the way, and a page kept online only is not fetched. */
bool ItemInformationAt(const char *path, BY_HANDLE_FILE_INFORMATION *info) {
  HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool known = GetFileInformationByHandle(file, info) != 0;
  CloseHandle(file);
  return known;
}
