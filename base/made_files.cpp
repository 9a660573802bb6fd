// The files the program makes beside a page or a folder: the temporary file
// a save writes before it replaces the page, the step names a rename goes
// through, the names of texts kept beside a page, and the clean-up of what a
// save or a rename killed halfway left behind.
#include "base/paths.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/platform_seam.h"

// Names of the files written beside a page: the usual one, and a short one
// for folders too deep for it.
static const char TemporaryNameFormat[] = "~tav%04lX.tmp";
static const char ShortTemporaryNameFormat[] = "~%03lX";
enum { TEMPORARY_NAME_LENGTH = 12, SHORT_TEMPORARY_NAME_LENGTH = 4 };
// Something on its way to a new name rests under these; they are never
// removed as leftovers, and a page left under one gets a page name again.
static const char RenameStepNameFormat[] = "~tav%04lX.ren";
static const char ShortRenameStepNameFormat[] = "~R%02lX";

// Whether a temporary file in folder gets the usual name or the short one.
static bool UsualTemporaryNameFits(const char *folder) {
  char probe[PATH_BUFFER_SIZE];
  return JoinPath(folder, "~tav0000.tmp", probe);
}

/* ---- the record of files made under a short name ---- */

/* A short name ("~1A2") may be the user's own, so a file TAV makes under
   one is recorded in the user's local application data, one small record
   per file: its path and what identifies the file itself. A file under such
   a name is taken for a leftover of TAV's only when its record names it and
   it is the very file recorded; without a record (none could be written, or
   an earlier build made the file) it is left alone. */
struct FileIdentity {
  DWORD volume, indexHigh, indexLow;
};
static const char MadeRecordHeader[] = "TAV made this file\r\n";

static bool IsShortMadeName(const char *path) {
  return strlen(PathFindFileNameA(path)) == SHORT_TEMPORARY_NAME_LENGTH;
}

static bool IdentityOf(HANDLE file, FileIdentity *identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  *identity = FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

static bool IdentityAt(const char *path, FileIdentity *identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!ItemInformationAt(path, &info)) return false;
  *identity = FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

// The record's path for a file made at path; the folder is made when asked.
static bool MadeRecordPath(const char *path, char *record, bool makeFolder) {
  char local[MAX_PATH], tav[PATH_BUFFER_SIZE], folder[PATH_BUFFER_SIZE], name[40];
  if (!UserFolderPath(CSIDL_LOCAL_APPDATA, local) || !JoinPath(local, "TAV", tav) ||
      !JoinPath(tav, "Made files", folder))
    return false;
  if (makeFolder) {
    CreateDirectoryA(tav, nullptr);
    CreateDirectoryA(folder, nullptr);
  }
  snprintf(name, sizeof name, "made-%016llX.txt", HashPathIgnoringAsciiCase(path));
  return JoinPath(folder, name, record);
}

/* Records the file made at path as one or two identities: a rename's step
   file is first itself, then the page moved onto it. */
static void RecordMadeFile(const char *path, const FileIdentity *identities, int count) {
  DWORD error = GetLastError();
  char record[PATH_BUFFER_SIZE];
  if (MadeRecordPath(path, record, true)) {
    std::string text = std::string(MadeRecordHeader) + path + "\r\n";
    for (int i = 0; i < count; ++i) {
      char line[40];
      snprintf(line, sizeof line, "%08lX %08lX%08lX\r\n",
               static_cast<unsigned long>(identities[i].volume),
               static_cast<unsigned long>(identities[i].indexHigh),
               static_cast<unsigned long>(identities[i].indexLow));
      text += line;
    }
    HANDLE file = CreateFileA(record, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      bool whole = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
                             nullptr) && written == text.size();
      CloseHandle(file);
      if (!whole) DeleteFileA(record);
    }
  }
  SetLastError(error);
}

/* Whether the file open as file, found at path, is one TAV recorded making
   there. */
static bool IsRecordedMadeFile(const char *path, HANDLE file) {
  char record[PATH_BUFFER_SIZE];
  FileIdentity identity;
  if (!MadeRecordPath(path, record, false) || !IdentityOf(file, &identity)) return false;
  HANDLE stored = CreateFileA(record, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (stored == INVALID_HANDLE_VALUE) return false;
  char text[512];
  DWORD got = 0;
  bool read = ReadFile(stored, text, sizeof text - 1, &got, nullptr) != FALSE;
  CloseHandle(stored);
  if (!read) return false;
  text[got] = '\0';
  size_t header = strlen(MadeRecordHeader);
  if (strncmp(text, MadeRecordHeader, header) != 0) return false;
  char *named = text + header;
  char *end = strstr(named, "\r\n");
  if (end == nullptr) return false;
  *end = '\0';
  if (!FolderPathsEqual(named, path)) return false;
  for (char *line = end + 2; *line != '\0';) {
    unsigned long volume = 0, high = 0, low = 0;
    if (sscanf(line, "%8lX %8lX%8lX", &volume, &high, &low) != 3) return false;
    if (volume == identity.volume && high == identity.indexHigh && low == identity.indexLow)
      return true;
    char *next = strstr(line, "\r\n");
    if (next == nullptr) break;
    line = next + 2;
  }
  return false;
}

void ForgetMadeFile(const char *path) {
  if (!IsShortMadeName(path)) return;
  DWORD error = GetLastError();
  char record[PATH_BUFFER_SIZE];
  if (MadeRecordPath(path, record, false)) DeleteFileA(record);
  SetLastError(error);
}

/* A new, empty file with a name of its own in a page's folder, for writing
   beside a page. GetTempFileNameA is not used: it refuses folders of more
   than 246 characters, and under Wine leaves such a name unterminated, while
   pages live in folders of up to 259. Where the usual name would not fit, a
   four-character one does, since every page file name has at least four;
   such a file is recorded. */
static bool CreateFileNamedLike(const char *folder, const char *format, const char *shortFormat,
                                DWORD shortMask, char *out, HANDLE *open = nullptr) {
  DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  DWORD error = ERROR_FILE_EXISTS;
  bool usual = UsualTemporaryNameFits(folder);
  for (DWORD attempt = 0; attempt < 256; ++attempt) {
    DWORD number = (seed + attempt * 7919u) & 0xFFFF;
    char name[16];
    if (usual)
      snprintf(name, sizeof name, format, static_cast<unsigned long>(number));
    else
      snprintf(name, sizeof name, shortFormat, static_cast<unsigned long>(number & shortMask));
    if (!JoinPath(folder, name, out)) return false;
    HANDLE file = CreateFileA(out, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      FileIdentity identity;
      if (!usual && IdentityOf(file, &identity)) RecordMadeFile(out, &identity, 1);
      if (open != nullptr)
        *open = file;
      else
        CloseHandle(file);
      return true;
    }
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  out[0] = '\0';
  SetLastError(error);
  return false;
}

bool CreateTemporaryFile(const char *folder, char *out) {
  return CreateFileNamedLike(folder, TemporaryNameFormat, ShortTemporaryNameFormat, 0xFFF, out);
}

bool CreateTemporaryFile(const char *folder, char *out, HANDLE *open) {
  return CreateFileNamedLike(folder, TemporaryNameFormat, ShortTemporaryNameFormat, 0xFFF, out,
                             open);
}

bool CreateRenameStepFile(const char *folder, char *out) {
  return CreateFileNamedLike(folder, RenameStepNameFormat, ShortRenameStepNameFormat, 0xFF, out);
}

static bool IsUpperHexDigits(const char *text, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (!((text[i] >= '0' && text[i] <= '9') || (text[i] >= 'A' && text[i] <= 'F'))) return false;
  return true;
}

// Only a name CreateTemporaryFile would give in this folder, letter for
// letter: the user's own "~" files are left alone.
static bool IsOwnTemporaryName(const char *name, bool usual) {
  size_t length = strlen(name);
  if (usual)
    return length == TEMPORARY_NAME_LENGTH && strncmp(name, "~tav", 4) == 0 &&
           IsUpperHexDigits(name + 4, 4) && strcmp(name + 8, ".tmp") == 0;
  return length == SHORT_TEMPORARY_NAME_LENGTH && name[0] == '~' && IsUpperHexDigits(name + 1, 3);
}

/* A save killed between writing its temporary file and moving it over the
   page leaves the file behind; the page itself is whole. A leftover is
   opened without sharing and deleted only once it is known as TAV's, so a
   file that any process still holds (a save running elsewhere) stays. A
   usual name is TAV's by its form; a short one only by its record. */
void RemoveLeftoverTemporaryFiles(const char *folder) {
  char pattern[PATH_BUFFER_SIZE];
  if (folder[0] == '\0' || !JoinPath(folder, "~*", pattern)) return;
  bool usual = UsualTemporaryNameFits(folder);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) continue;
    if (!IsOwnTemporaryName(found.cFileName, usual)) continue;
    char path[PATH_BUFFER_SIZE];
    if (!JoinPath(folder, found.cFileName, path)) continue;
    HANDLE file = CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    FILE_DISPOSITION_INFO disposition = {TRUE};
    bool ours = usual || IsRecordedMadeFile(path, file);
    bool removed = ours && SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                                      sizeof disposition);
    CloseHandle(file);
    if (removed) ForgetMadeFile(path);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

/* The short names have four characters, which fit wherever the page file
   name does. */
bool FreeNameBeside(const char *folder, const char *pageName, const char *label, char letter,
                    char *name, char *path) {
  for (int number = 1; number < 1000; ++number) {
    int written = number == 1
                      ? snprintf(name, PATH_BUFFER_SIZE, "%s (%s).txt", pageName, label)
                      : snprintf(name, PATH_BUFFER_SIZE, "%s (%s %d).txt", pageName, label, number);
    if (written < 0 || written >= PATH_BUFFER_SIZE || !JoinPath(folder, name, path)) {
      snprintf(name, PATH_BUFFER_SIZE, "%c%03d", letter, number);
      if (!JoinPath(folder, name, path)) return false;
    }
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && IsMissingFileError(GetLastError()))
      return true;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return false;
}

static bool IsFolder(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

/* Moves from onto the rename step file at step. A file takes the step
   file's place; a folder cannot, so the step file makes way for it first. */
static bool MoveOntoStep(const char *from, const char *step) {
  if (IsFolder(from)) return DeleteFileA(step) && MoveFileA(from, step);
  return MoveFileExA(from, step, MOVEFILE_REPLACE_EXISTING) != 0;
}

static bool MoveWithoutReplacing(const char *from, const char *to) {
  return MoveFileA(from, to) != 0;
}

/* When the step cannot take its new name and not its old one either, the
   last error stays the first failure's and leftAt names the step. */
bool FinishRenameStep(const char *step, const char *from, const char *to, MoveOne move,
                      char *leftAt) {
  leftAt[0] = '\0';
  if (move(step, to)) return true;
  DWORD error = GetLastError();
  if (!move(step, from)) strcpy(leftAt, step);
  SetLastError(error);
  return false;
}

/* Wine answers a move that changes only the letter case with success but
   leaves the name as it was, so such a rename goes by way of a step name in
   the same folder (the current one when folder is empty). When the second
   move fails, the first is undone; should that fail too, leftAt says where
   the file or folder is. */
bool RenameInFolder(const char *folder, const char *from, const char *to, char *leftAt) {
  leftAt[0] = '\0';
  if (strcmp(from, to) == 0) return true;
  if (!NamesDifferOnlyInCase(from, to)) return MoveFileA(from, to) != 0;
  char step[PATH_BUFFER_SIZE];
  if (!CreateRenameStepFile(folder[0] != '\0' ? folder : ".", step)) return false;
  // Under a short step name, the page about to rest there is recorded too.
  FileIdentity identities[2];
  if (IsShortMadeName(step) && IdentityAt(step, &identities[0]) &&
      IdentityAt(from, &identities[1]))
    RecordMadeFile(step, identities, 2);
  if (!MoveOntoStep(from, step)) {
    DeleteFileKeepingError(step);
    ForgetMadeFile(step);
    return false;
  }
  bool renamed = FinishRenameStep(step, from, to, MoveWithoutReplacing, leftAt);
  if (leftAt[0] == '\0') ForgetMadeFile(step);
  return renamed;
}

// Only a name CreateRenameStepFile would give in this folder, letter for
// letter.
static bool IsOwnRenameStepName(const char *name, bool usual) {
  size_t length = strlen(name);
  if (usual)
    return length == TEMPORARY_NAME_LENGTH && strncmp(name, "~tav", 4) == 0 &&
           IsUpperHexDigits(name + 4, 4) && strcmp(name + 8, ".ren") == 0;
  return length == SHORT_TEMPORARY_NAME_LENGTH && strncmp(name, "~R", 2) == 0 &&
         IsUpperHexDigits(name + 2, 2);
}

/* A page name nothing in folder has yet: "Recovered page.tav", then
   "Recovered page 2.tav" and on, or "R001.tav" and on in a folder too deep
   for those. */
static bool FreeRecoveredPageName(const char *folder, char *name, char *path) {
  for (int number = 1; number < 1000; ++number) {
    if (number == 1)
      snprintf(name, PATH_BUFFER_SIZE, "Recovered page.tav");
    else
      snprintf(name, PATH_BUFFER_SIZE, "Recovered page %d.tav", number);
    if (!JoinPath(folder, name, path)) {
      snprintf(name, PATH_BUFFER_SIZE, "R%03d.tav", number);
      if (!JoinPath(folder, name, path)) return false;
    }
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && IsMissingFileError(GetLastError()))
      return true;
  }
  return false;
}

// Whether the step file at path is TAV's: a usual name by its form, a short
// one by its record.
static bool IsOwnRenameStep(const char *path, bool usual) {
  if (usual) return true;
  HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ours = IsRecordedMadeFile(path, file);
  CloseHandle(file);
  return ours;
}

/* A rename that was killed, or failed and could not be undone, between its
   two moves leaves the page under a step name, which no tab shows. Folders
   left so are shown by the tree under that name and stay as they are. */
void RecoverRenameSteps(const char *folder, std::vector<std::string> *recovered,
                        std::vector<std::string> *stuck) {
  char pattern[PATH_BUFFER_SIZE];
  if (folder[0] == '\0' || !JoinPath(folder, "~*", pattern)) return;
  bool usual = UsualTemporaryNameFits(folder);
  std::vector<std::string> steps;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (IsOwnRenameStepName(found.cFileName, usual)) steps.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  for (const std::string &step : steps) {
    char from[PATH_BUFFER_SIZE], name[PATH_BUFFER_SIZE], to[PATH_BUFFER_SIZE];
    if (!JoinPath(folder, step.c_str(), from) || !IsOwnRenameStep(from, usual)) continue;
    if (FreeRecoveredPageName(folder, name, to) && MoveFileA(from, to)) {
      recovered->push_back(name);
      ForgetMadeFile(from);
    } else {
      stuck->push_back(step);
    }
  }
}
