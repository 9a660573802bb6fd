// Paths and names, window-free, for the folder tree and the pages alike:
// joining a folder and a name, comparing names and paths, where one path lies
// in another (paths.cpp), and the files the program writes beside a page or a
// folder (made_files.cpp).
#ifndef TAV_PATHS_H
#define TAV_PATHS_H

#include <windows.h>

#include <stddef.h>

#include <string>
#include <vector>

// Paths and names: 259 characters and the terminator.
enum { PATH_BUFFER_SIZE = 260 };

/* ---- joining ---- */
bool IsPathSeparator(char c);             // "\" or "/"
bool EndsWithSeparator(const char *path);  // steps back by characters, not bytes
// Joins a folder and a name into out (PATH_BUFFER_SIZE bytes) with exactly
// one backslash between them; false, with out empty and the last error
// ERROR_FILENAME_EXCED_RANGE, when the result would not fit.
bool JoinPath(const char *folder, const char *name, char *out);
// The same in place: appends name to path, which stays as it was when the
// result would not fit.
bool JoinPath(char *path, const char *name);
// The joined path for a message, into a buffer of any size: it may be longer
// than any path can be.
void JoinPathForMessage(const char *folder, const char *name, char *out, size_t capacity);

/* ---- comparing ---- */
// Only the ASCII letters are folded; other bytes, both bytes of a double-byte
// character among them, compare as they are.
bool NamesEqualIgnoringAsciiCase(const char *a, const char *b);
// Two spellings of one name on a file system that ignores letter case, the
// letters folded as the ANSI code page folds them; false for the same bytes.
bool NamesDifferOnlyInCase(const char *a, const char *b);
// Absolute folder paths that differ only in ASCII letter case or in one
// trailing separator.
bool FolderPathsEqual(const char *a, const char *b);
// Whether path names folder or lies below it, ASCII letter case ignored; the
// folder's path has no trailing separator.
bool PathIsAtOrBelow(const char *path, const char *folder);
// The part of path below folder: what follows the folder's path and one
// separator, letter case ignored as the code page folds it. False when path
// lies outside the folder or nothing follows it.
bool PathBelowFolder(const char *path, const char *folder, const char **remainder);
// The path that path takes when the page or folder from is moved to to,
// into moved (PATH_BUFFER_SIZE bytes); false when path lies elsewhere or
// would not fit.
bool FollowMove(const char *path, const char *from, const char *to, char *moved);
// A PATH_BUFFER_SIZE path at or below a page or folder that was renamed or
// moved follows it; any other stays.
void FollowRename(char *path, const char *oldPath, const char *newPath);

/* ---- items ---- */
// A name or path that became another: renamed or moved.
struct NameMove {
  std::string from, to;
};
// An item's folder (PATH_BUFFER_SIZE) and its name within it.
bool SplitItemPath(const char *path, char *folder, const char **name);
// A page is a file whose own name ends in ".tav".
bool IsPageFileName(const char *name);
bool IsPageFile(const char *path);  // a file (not a folder) is there

/* ---- listing ---- */
// A folder's entries by their real names. An entry whose name the process
// code page cannot hold as itself comes with an empty name: it is never
// shown, opened or deleted under another spelling (the A functions would
// list it by its best-fit spelling, "Omega" for "\u03a9mega").
// What tells one state of a file from another without reading it: its size,
// last write time and identity (its index on its volume; 0 when the listing
// did not give it).
struct FileStamp {
  unsigned long long size;
  unsigned long long writeTime;
  unsigned long long fileId;
};
bool SameFileStamp(const FileStamp &listed, const FileStamp &stored);
struct ListedEntry {
  char name[PATH_BUFFER_SIZE];  // empty when the code page cannot hold it
  WCHAR wideName[MAX_PATH];
  DWORD attributes;
  DWORD reparseTag;
  FileStamp stamp;
};
struct FolderListing {
  HANDLE search;
  WIN32_FIND_DATAW found;
  bool pending;  // found holds an entry not handed on yet
  // Listed through the folder's own handle, with the entries' identities.
  HANDLE folder;
  std::vector<unsigned long long> buffer;
  size_t at, end;
};
// False, with the reason in the last error, when nothing can be listed.
bool StartListing(const char *pattern, FolderListing *listing);
// A folder's entries with their identities; false where the file system
// cannot list them so (the caller then lists by pattern).
bool StartListingWithIds(const char *folder, FolderListing *listing);
bool NextListed(FolderListing *listing, ListedEntry *entry);
void EndListing(FolderListing *listing);

// A hash of a path with its ASCII letters folded: one name for every
// spelling of a path that differs only in their case.
unsigned long long HashPathIgnoringAsciiCase(const char *path);

/* ---- files ---- */
bool IsMissingFileError(DWORD error);
// A page's or folder's volume and index, read without opening its data.
bool ItemInformationAt(const char *path, BY_HANDLE_FILE_INFORMATION *info);
// Deletes a file written beside a page once a later step failed, leaving the
// last error as that failure set it.
void DeleteFileKeepingError(const char *path);

/* made_files.cpp: the files made beside a page */
// Makes a new, empty file with a free name in folder (for writing beside a
// page) and gives its path in out, PATH_BUFFER_SIZE bytes. In a folder too
// deep for the usual name the file gets a short one, which is recorded in
// the user's local application data until ForgetMadeFile: only so is it
// told from a user's file of that name.
bool CreateTemporaryFile(const char *folder, char *out);
// The same, the file left open for writing in *open.
bool CreateTemporaryFile(const char *folder, char *out, HANDLE *open);
// The same for something halfway through a rename: such a file is never
// removed as a leftover (RecoverRenameSteps gives it a page name).
bool CreateRenameStepFile(const char *folder, char *out);
// The file made at path by CreateTemporaryFile or CreateRenameStepFile is
// gone (moved or deleted): its record goes too.
void ForgetMadeFile(const char *path);
// Deletes the temporary files a save left in folder when it was killed before
// it could replace the page: only names CreateTemporaryFile makes, under a
// short name only the file it recorded, and only files no process holds
// open.
void RemoveLeftoverTemporaryFiles(const char *folder);
// A name in folder that nothing has yet, for a text kept beside a page:
// "<pageName> (<label>).txt", then "<pageName> (<label> 2).txt" and on, or
// in a folder too deep for those "<letter>001" and on. Name and path are
// PATH_BUFFER_SIZE buffers.
bool FreeNameBeside(const char *folder, const char *pageName, const char *label, char letter,
                    char *name, char *path);
// Renames the file or folder at the path from to the path to, both in
// folder; a change of letter case alone goes by way of a rename step name.
// leftAt (PATH_BUFFER_SIZE bytes) is empty unless the rename failed halfway
// and could not be undone: it then names the file or folder as it now is.
bool RenameInFolder(const char *folder, const char *from, const char *to, char *leftAt);
// The second half of a rename by way of a step name: the step moves to its
// new name, and when that fails, back to the old one. The moves are given so
// that the tests can make them fail.
typedef bool (*MoveOne)(const char *from, const char *to);
bool FinishRenameStep(const char *step, const char *from, const char *to, MoveOne move,
                      char *leftAt);
// Gives every page file in folder that a rename left under its step name a
// page name again ("Recovered page.tav", "Recovered page 2.tav" and on). The
// names given are added to recovered; the steps that could not be renamed, to
// stuck.
void RecoverRenameSteps(const char *folder, std::vector<std::string> *recovered,
                        std::vector<std::string> *stuck);

#endif
