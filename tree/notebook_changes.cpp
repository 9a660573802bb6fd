// What the change records of the notebook's watches say, without windows:
// the records are read as input another program's actions produced (checked
// for size, alignment and names that could lead elsewhere), and gathered into
// the folders to list again, each once, and the names that moved.
#include <string.h>
#include <wchar.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/paths.h"
#include "tree/tree.h"

// The header of one record before its name: NextEntryOffset, Action and
// FileNameLength, three DWORDs.
enum { RECORD_HEADER_SIZE = 12 };
// Beyond this many folders in one settling, listing the whole tree again is
// as cheap as listing each and much cheaper to keep track of.
enum { CHANGED_FOLDERS_LIMIT = 4096 };

/* ---- names ---- */

static bool EndsWithIgnoringCase(const char *name, const char *ending) {
  size_t length = strlen(name), endingLength = strlen(ending);
  return length >= endingLength && NamesEqualIgnoringAsciiCase(name + length - endingLength, ending);
}

static bool IsUpperHex(const char *text, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (!((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'A' && text[i] <= 'F'))) return false;
  return true;
}

/* The files TAV writes beside a page while it saves or renames one: their
   coming and going is never a change of the notebook. */
static bool IsOwnStepName(const char *name) {
  size_t length = strlen(name);
  if (length == 12 && strncmp(name, "~tav", 4) == 0 && IsUpperHex(name + 4, 4))
    return strcmp(name + 8, ".tmp") == 0 || strcmp(name + 8, ".ren") == 0;
  if (length == 4 && name[0] == '~')
    return IsUpperHex(name + 1, 3) || (name[1] == 'R' && IsUpperHex(name + 2, 2));
  return false;
}

/* Names that sync tools, editors and office programs give their temporary
   files and backups; they never name a page, and a folder named so is no
   folder anyone expects to see appear at once. */
bool IsIgnoredChangeName(const char *name) {
  static const char *const endings[] = {".tmp", ".temp", ".tav~", "~", ".bak", ".swp", ".swx",
                                        ".part", ".partial", ".crdownload", ".download"};
  if (IsOwnStepName(name)) return true;
  if (strncmp(name, "~$", 2) == 0 || strncmp(name, ".~lock.", 7) == 0 ||
      strncmp(name, ".#", 2) == 0)
    return true;
  for (const char *ending : endings)
    if (EndsWithIgnoringCase(name, ending)) return true;
  return NamesEqualIgnoringAsciiCase(name, "desktop.ini") ||
         NamesEqualIgnoringAsciiCase(name, "Thumbs.db") ||
         NamesEqualIgnoringAsciiCase(name, ".DS_Store");
}

static bool IsPageName(const char *name) {
  return strlen(name) > 4 && EndsWithIgnoringCase(name, ".tav");
}

/* A relative path as a record names it: steps of plain names between single
   backslashes. Anything else (an empty step, "." or "..", a colon of a
   stream or drive, a slash, wildcards, control characters) could name
   something outside the folder watched, and is passed over. */
static bool IsPlainRelativePath(const wchar_t *path, size_t length) {
  if (length == 0 || path[0] == L'\\' || path[length - 1] == L'\\') return false;
  size_t stepStart = 0;
  for (size_t i = 0; i <= length; ++i) {
    if (i == length || path[i] == L'\\') {
      size_t step = i - stepStart;
      if (step == 0) return false;
      if (path[stepStart] == L'.' && (step == 1 || (step == 2 && path[stepStart + 1] == L'.')))
        return false;
      stepStart = i + 1;
      continue;
    }
    wchar_t c = path[i];
    if (c < 0x20 || wcschr(L"/:*?\"<>|", c) != nullptr) return false;
  }
  return true;
}

/* ---- gathering ---- */

/* One key for every spelling of a path that differs in ASCII letter case;
   the trail bytes of double-byte characters stay as they are. */
static std::string FoldedKey(const std::string &path) {
  std::string key = path;
  for (size_t i = 0; i < key.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(key[i]))) {
      ++i;
      continue;
    }
    if (key[i] >= 'a' && key[i] <= 'z') key[i] = static_cast<char>(key[i] - 32);
  }
  return key;
}

static ChangedFolder *FolderEntry(NotebookChanges *changes, const std::string &path) {
  std::string key = FoldedKey(path);
  auto found = changes->index.find(key);
  if (found != changes->index.end()) return &changes->folders[found->second];
  if (changes->folders.size() >= CHANGED_FOLDERS_LIMIT) {
    changes->listEverything = true;
    return nullptr;
  }
  changes->index.emplace(key, changes->folders.size());
  changes->folders.push_back(ChangedFolder{path, false, false, false, {}, false});
  return &changes->folders.back();
}

/* The folder and the name of a relative path, by its last separator: the
   trail byte of a double-byte character may have a backslash's value, so
   the path is walked a character at a time. */
void SplitRelativePath(const std::string &path, std::string *folder, std::string *name) {
  size_t separator = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i]))) {
      ++i;
      continue;
    }
    if (path[i] == '\\') separator = i;
  }
  if (separator == std::string::npos) {
    folder->clear();
    *name = path;
  } else {
    *folder = path.substr(0, separator);
    *name = path.substr(separator + 1);
  }
}

/* A name came, went or moved in its folder. */
static void NoteNameChanged(NotebookChanges *changes, const std::string &path) {
  std::string folder, name;
  SplitRelativePath(path, &folder, &name);
  if (IsIgnoredChangeName(name.c_str())) return;
  ++changes->noted;
  ChangedFolder *entry = FolderEntry(changes, folder);
  if (entry == nullptr) return;
  // A directory may be named like a page: the folder's subfolders are
  // listed again either way, which costs one listing of a folder the tree
  // shows, and nothing for one it does not.
  entry->subfolders = true;
  if (IsPageName(name.c_str())) {
    entry->pages = true;
    return;
  }
  if (entry->manyEntries) return;
  for (const std::string &seen : entry->entries)
    if (seen == name) return;
  if (entry->entries.size() >= CHANGED_ENTRIES_KEPT) {
    entry->manyEntries = true;
    entry->entries.clear();
    return;
  }
  entry->entries.push_back(name);
}

static void NotePageWritten(NotebookChanges *changes, const std::string &path) {
  std::string folder, name;
  SplitRelativePath(path, &folder, &name);
  if (!IsPageName(name.c_str()) || IsIgnoredChangeName(name.c_str())) return;
  ++changes->noted;
  ChangedFolder *entry = FolderEntry(changes, folder);
  if (entry != nullptr) entry->pageWritten = true;
}

static void NoteMove(NotebookChanges *changes, const std::string &from, const std::string &to) {
  std::string fromFolder, fromName, toFolder, toName;
  SplitRelativePath(from, &fromFolder, &fromName);
  SplitRelativePath(to, &toFolder, &toName);
  if (IsIgnoredChangeName(fromName.c_str()) || IsIgnoredChangeName(toName.c_str())) return;
  if (changes->moves.size() < MOVES_KEPT) changes->moves.push_back(NameMove{from, to});
}

/* The path a record names, relative to the work folder: the folder watched
   (base) and the record's own path; false when it is not a plain path or
   the process code page cannot hold it (such a name is not shown). */
static bool RecordPath(const wchar_t *name, size_t units, const std::string &base,
                       std::string *path) {
  if (!IsPlainRelativePath(name, units) || units >= MAX_PATH) return false;
  wchar_t wide[MAX_PATH];
  wmemcpy(wide, name, units);
  wide[units] = L'\0';
  char inCodePage[PATH_BUFFER_SIZE];
  if (!NameInCodePage(wide, inCodePage, sizeof inCodePage)) return false;
  *path = base.empty() ? std::string(inCodePage) : base + "\\" + inCodePage;
  return path->size() < PATH_BUFFER_SIZE;
}

bool TakeChangeRecords(const unsigned char *bytes, size_t length, const std::string &base,
                       NotebookChanges *changes) {
  // No records at all: the platform's buffer overflowed, and what changed
  // is not known.
  if (bytes == nullptr || length == 0) {
    changes->listEverything = true;
    ++changes->noted;
    return true;
  }
  size_t at = 0;
  std::string renamedFrom;
  bool haveRenamedFrom = false;
  // Windows starts each record on a four-byte boundary; Wine 8 packs them
  // without padding. Every field is copied out, so either is read.
  for (;;) {
    if (length - at < RECORD_HEADER_SIZE) break;
    DWORD next, action, nameBytes;
    memcpy(&next, bytes + at, 4);
    memcpy(&action, bytes + at + 4, 4);
    memcpy(&nameBytes, bytes + at + 8, 4);
    if (nameBytes % 2 != 0 || nameBytes > length - at - RECORD_HEADER_SIZE) break;
    if (next != 0 && (next < RECORD_HEADER_SIZE + nameBytes || next > length - at)) break;
    size_t units = nameBytes / 2;
    std::vector<wchar_t> name(units);
    if (units > 0) memcpy(name.data(), bytes + at + RECORD_HEADER_SIZE, nameBytes);
    std::string path;
    bool usable = RecordPath(name.data(), units, base, &path);
    switch (action) {
      case FILE_ACTION_ADDED:
      case FILE_ACTION_REMOVED:
        if (usable) NoteNameChanged(changes, path);
        break;
      case FILE_ACTION_MODIFIED:
        if (usable) NotePageWritten(changes, path);
        break;
      case FILE_ACTION_RENAMED_OLD_NAME:
        if (usable) NoteNameChanged(changes, path);
        renamedFrom = path;
        haveRenamedFrom = usable;
        break;
      case FILE_ACTION_RENAMED_NEW_NAME:
        if (usable) NoteNameChanged(changes, path);
        if (usable && haveRenamedFrom) NoteMove(changes, renamedFrom, path);
        haveRenamedFrom = false;
        break;
      default:
        break;
    }
    if (action != FILE_ACTION_RENAMED_OLD_NAME) haveRenamedFrom = false;
    if (next == 0) return true;
    at += next;
  }
  // Records that do not hold together: what they meant is not known.
  changes->listEverything = true;
  ++changes->noted;
  return false;
}

void NoteNameChangedAt(NotebookChanges *changes, const std::string &path) {
  NoteNameChanged(changes, path);
}

void NoteFolderToCheck(NotebookChanges *changes, const std::string &folder) {
  ChangedFolder *entry = FolderEntry(changes, folder);
  if (entry != nullptr) entry->subfolders = entry->pages = entry->pageWritten = true;
}

void ClearNotebookChanges(NotebookChanges *changes) {
  changes->listEverything = false;
  changes->folders.clear();
  changes->moves.clear();
  changes->index.clear();
}

bool NoNotebookChanges(const NotebookChanges &changes) {
  return !changes.listEverything && changes.folders.empty() && changes.moves.empty();
}

/* Folders nearer the work folder first: a folder removed is taken away
   before anything below it is looked for. */
void OrderChangedFolders(NotebookChanges *changes) {
  std::stable_sort(changes->folders.begin(), changes->folders.end(),
                   [](const ChangedFolder &a, const ChangedFolder &b) {
                     return std::count(a.path.begin(), a.path.end(), '\\') + !a.path.empty() <
                            std::count(b.path.begin(), b.path.end(), '\\') + !b.path.empty();
                   });
  changes->index.clear();
  for (size_t i = 0; i < changes->folders.size(); ++i)
    changes->index.emplace(FoldedKey(changes->folders[i].path), i);
}
