// Files read and written whole: a page, a settings file, a place record or a
// copy kept for a crash is replaced only once its whole new text is safely
// on disk, and read as far as it goes while another program may go on
// writing it.
#include "base/file_io.h"

#include <limits.h>
#include <string.h>

#include <algorithm>

#include "base/paths.h"

/* ---- writing ---- */

// The existing page file's real name (its letter case may differ from the
// one asked for) and its attributes. Windows gives a replaced file the letter
// case of the name handed to MoveFileEx, so the save names the file exactly as
// it is. FindFirstFileA also matches 8.3 short names under Wine, so only an
// entry whose own name is the wanted one counts.
static bool FindExistingPageFile(const char *path, const char *fileName, char *realName,
                                 DWORD *attributes) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  if (!NamesEqualIgnoringAsciiCase(found.cFileName, fileName)) return false;
  strcpy(realName, found.cFileName);
  *attributes = found.dwFileAttributes;
  return true;
}

// Writes all bytes to a new file, makes sure they reached the disk and
// closes it. A write that takes fewer bytes than offered counts as a failure.
static bool WriteWholeFile(HANDLE file, const char *text, size_t length) {
  const size_t chunkLimit = 16u << 20;
  bool ok = true;
  size_t done = 0;
  while (ok && done < length) {
    DWORD wanted = static_cast<DWORD>(length - done < chunkLimit ? length - done : chunkLimit);
    DWORD written = 0;
    if (!WriteFile(file, text + done, wanted, &written, nullptr)) {
      ok = false;
    } else if (written != wanted) {
      SetLastError(ERROR_DISK_FULL);
      ok = false;
    }
    done += written;
  }
  if (ok && !FlushFileBuffers(file)) ok = false;
  DWORD error = GetLastError();
  if (!CloseHandle(file) && ok) {
    ok = false;
    error = GetLastError();
  }
  SetLastError(error);
  return ok;
}

/* The bytes go to a temporary file in the folder first, which then takes
   the target's place (replacing what is there only when asked to), so a
   failure at any step leaves the target as it was. */
static bool WriteThroughTemporary(const char *folder, const char *target, const char *text,
                                  size_t length, DWORD attributes, bool replace) {
  char temporary[PATH_BUFFER_SIZE];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (!CreateTemporaryFile(folder, temporary, &file)) return false;
  bool ok = WriteWholeFile(file, text, length);
  const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  // Losing a hidden or archive bit is no reason to refuse the save.
  if (ok && kept != 0) SetFileAttributesA(temporary, kept);
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (ok && !MoveFileExA(temporary, target, flags)) ok = false;
  if (!ok) DeleteFileKeepingError(temporary);
  ForgetMadeFile(temporary);
  return ok;
}

/* The old page file is replaced only once the whole new text is safely in a
   temporary file beside it, so a failure at any step leaves it as it was. */
bool WritePageFile(const char *folder, const char *fileName, const char *text, size_t length) {
  char target[PATH_BUFFER_SIZE];
  if (!JoinPath(folder, fileName, target)) return false;
  char realName[PATH_BUFFER_SIZE];
  DWORD attributes = 0;
  if (FindExistingPageFile(target, fileName, realName, &attributes)) {
    // A read-only page is refused as Windows would refuse it; Wine running as
    // root would otherwise replace it.
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    if (!JoinPath(folder, realName, target)) return false;
  } else {
    attributes = 0;
  }
  return WriteThroughTemporary(folder, target, text, length, attributes, true);
}

bool WriteNewPageFile(const char *folder, const char *fileName, const char *text, size_t length) {
  char target[PATH_BUFFER_SIZE];
  if (!JoinPath(folder, fileName, target)) return false;
  return WriteThroughTemporary(folder, target, text, length, 0, false);
}

/* ---- reading ---- */

/* Reads as many bytes as the file has, and on while it grows, up to most
   bytes: one more ends the read. */
DWORD ReadFileUpTo(HANDLE file, size_t most, std::string *bytes) {
  bytes->clear();
  if (most >= static_cast<size_t>(INT_MAX)) most = static_cast<size_t>(INT_MAX) - 1;
  LARGE_INTEGER size;
  size_t expected = 0;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0)
    expected = static_cast<size_t>(std::min<ULONGLONG>(size.QuadPart, most));
  // One byte more than expected tells a file that grew from one that did not.
  size_t room = expected + 1;
  size_t filled = 0;
  for (;;) {
    bytes->resize(room);
    DWORD got = 0;
    if (!ReadFile(file, &(*bytes)[filled], static_cast<DWORD>(room - filled), &got, nullptr)) {
      DWORD error = GetLastError();
      bytes->resize(filled);
      return error != 0 ? error : ERROR_READ_FAULT;
    }
    filled += got;
    if (got == 0) {
      bytes->resize(filled);
      return 0;
    }
    if (filled > most) {
      bytes->resize(most);
      return ERROR_FILE_TOO_LARGE;
    }
    if (filled == room) room = std::min(room + room / 2 + 65536, most + 1);
  }
}

DWORD ReadWholeFile(HANDLE file, std::string *bytes) {
  DWORD error = ReadFileUpTo(file, static_cast<size_t>(INT_MAX) - 1, bytes);
  return error == ERROR_FILE_TOO_LARGE ? ERROR_NOT_ENOUGH_MEMORY : error;
}

DWORD ReadFileAt(const char *path, std::string *bytes) {
  bytes->clear();
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = ReadWholeFile(file, bytes);
  CloseHandle(file);
  return error;
}

bool WriteFileUnwaited(const char *path, const std::string &bytes, bool replace) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  DWORD error = GetLastError();
  if (!CloseHandle(file)) ok = false;
  if (ok) return true;
  DeleteFileA(path);
  SetLastError(error != 0 ? error : ERROR_WRITE_FAULT);
  return false;
}
