// Files read and written whole, for pages and for the program's own files.
#ifndef TAV_FILE_IO_H
#define TAV_FILE_IO_H

#include <windows.h>

#include <stddef.h>

#include <string>

/* file_io.cpp */
// Replaces folder\fileName by the given bytes through a temporary file in the
// same folder, keeping the letter case of an existing file's name. On failure
// the old file is untouched and GetLastError tells why.
bool WritePageFile(const char *folder, const char *fileName, const char *text, size_t length);
// The same for a new file: nothing of that name is ever replaced (the last
// error is ERROR_ALREADY_EXISTS when something has it).
bool WriteNewPageFile(const char *folder, const char *fileName, const char *text, size_t length);
// Writes a file of the program's own in one go, not waiting for the disk
// (for what a crash may cut short without harm: the caller can tell); a
// file there already is replaced only when asked. One not written whole is
// removed, the last error telling why.
bool WriteFileUnwaited(const char *path, const std::string &bytes, bool replace);
// Reads a whole file into bytes; 0, or the error that ended the read (the
// bytes read before it stay).
DWORD ReadWholeFile(HANDLE file, std::string *bytes);
// The same for a file of at most `most` bytes: ERROR_FILE_TOO_LARGE, with
// the first `most` bytes, when it has more (it may grow while it is read).
DWORD ReadFileUpTo(HANDLE file, size_t most, std::string *bytes);
// The same for the file at path, which other programs may go on writing;
// 0, or the error that kept it from being opened or read whole.
DWORD ReadFileAt(const char *path, std::string *bytes);

#endif
