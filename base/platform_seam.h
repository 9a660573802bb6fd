// The system's common dialogs and the shell, reached through one record of
// function pointers so that a test can answer them. The program never calls
// these functions directly.
#ifndef TAV_PLATFORM_SEAM_H
#define TAV_PLATFORM_SEAM_H

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>

#include <string>
#include <vector>

struct PlatformDialogs {
  BOOL(WINAPI *getOpenFileName)(OPENFILENAMEA *);
  BOOL(WINAPI *getSaveFileName)(OPENFILENAMEA *);
  BOOL(WINAPI *chooseFont)(CHOOSEFONTA *);
  PIDLIST_ABSOLUTE(WINAPI *browseForFolder)(BROWSEINFOA *);
  BOOL(WINAPI *getPathFromIDList)(PCIDLIST_ABSOLUTE, char *);
  HINSTANCE(WINAPI *shellExecute)(HWND, const char *, const char *, const char *, const char *, int);
  HRESULT(WINAPI *getFolderPath)(HWND, int, HANDLE, DWORD, char *);
  // The attributes a folder listing gives for an entry (a cloud drive's
  // pages kept online only carry theirs here); the system's are taken as
  // listed, and a test may answer others.
  DWORD (*listedAttributes)(const WCHAR *name, DWORD attributes);
  // The shell's file operations: deletes go to the Recycle Bin through it.
  int(WINAPI *fileOperation)(SHFILEOPSTRUCTA *);
  // Where the Recycle Bin keeps what it takes when it is laid out as the
  // freedesktop trash (each item in "files", the bin's record of it in
  // "info"): under Wine, the user's trash. False where the bin is Windows'
  // own.
  bool (*trashFolder)(char *folder);  // PATH_BUFFER_SIZE
};

extern PlatformDialogs Platform;
extern const PlatformDialogs SystemPlatform;

// The calls as the program makes them. Each puts the process's current
// directory back as it was: the file dialogs move it to the folder they were
// left in, even when cancelled, and what the shell and its extensions do
// inside our process is theirs. The current folder changes only when the
// user selects a folder.
BOOL ShowOpenFileDialog(OPENFILENAMEA *dialog);
BOOL ShowSaveFileDialog(OPENFILENAMEA *dialog);
BOOL ShowFontDialog(CHOOSEFONTA *dialog);
PIDLIST_ABSOLUTE ShowFolderBrowser(BROWSEINFOA *browse);
BOOL PathFromItemList(PCIDLIST_ABSOLUTE list, char *path);
HINSTANCE RunShellVerb(HWND owner, const char *verb, const char *file, int show);
// The modeless Find and Replace dialogs, and the reason the last common
// dialog failed; the real ones always, loaded on first use.
HWND ShowFindDialog(FINDREPLACEA *request);
HWND ShowReplaceDialog(FINDREPLACEA *request);
DWORD CommonDialogError();
// One of the user's own folders (CSIDL_APPDATA, CSIDL_LOCAL_APPDATA) into a
// MAX_PATH buffer; false, with out empty, when the shell has none.
bool UserFolderPath(int folder, char *out);
// TAV's folder in the user's local application data, made when asked
// (PATH_BUFFER_SIZE).
bool LocalDataFolder(char *folder, bool make);
// Moves files and folders (full paths) into the Recycle Bin, with no
// dialog of the shell's own; warnForGood lets the shell ask first where it
// would delete for good instead (no bin on that drive, a network share, an
// item too big for the bin). True when the shell did it all and nothing is
// left at those paths; false with a reason in the last error otherwise.
bool SendToRecycleBin(const char *const *paths, size_t count, bool warnForGood);
// Sends items to the Recycle Bin where the program can take each back out
// again, and says where each went: (*places)[i] is where the bin keeps item
// i now. An item the bin would delete for good instead is left where it
// was, with no place; so, very rarely, is one the bin took without saying
// where (it is gone from its path: the user finds it in the bin). False,
// with nothing done, where this system's bin cannot say where it keeps
// what it takes: then SendToRecycleBin is all there is.
bool RecycleKnowingWhere(const char *const *paths, size_t count, std::vector<std::string> *places);
// Whether a place names an item of the Recycle Bin itself, as
// RecycleKnowingWhere names it: nothing else is ever taken back out.
bool IsRecycleBinPlace(const char *place);
// Takes an item back out of the Recycle Bin to a free path (never over
// anything), and the bin's record of it with it.
bool TakeBackFromRecycleBin(const char *place, const char *to);
// Whether attributes say a file's data is kept online only: opening it
// would fetch it (RECALL_ON_DATA_ACCESS, RECALL_ON_OPEN, OFFLINE).
bool IsStoredOnlineOnly(DWORD attributes);

#endif
