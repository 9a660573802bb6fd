// Pages: page files and the editor's content, the tab strip and page
// navigation, page commands, import and export.
#ifndef TAV_PAGES_H
#define TAV_PAGES_H

#include <windows.h>
#include <commctrl.h>

#include <stddef.h>

extern int CurrentPageIndex;
extern bool HasPages;
// The folder whose pages the tab strip shows: the selected folder, taken by
// RebuildPageTabs. Pages are loaded from and saved into it, whatever the
// current directory has become since.
extern char PageFolder[];

/* page_files.cpp */
void ShowPage(int index);
bool SavePageIfModified(int index);
bool SaveCurrentPage();          // false only when a save was needed and failed
bool GetPageName(int index, char *out);
bool GetPageFileName(int index, char *out);
bool UpdateSavedPagePath();
void OnPageTabChanged();
void PageNameFromLabel(const char *label, char *out);
// Joins a folder and a name with one backslash into a PATH_BUFFER_SIZE buffer;
// false (and ERROR_FILENAME_EXCED_RANGE) when the result would not fit.
bool JoinFolderAndName(const char *folder, const char *name, char *out);
// Replaces folder\fileName by the given bytes through a temporary file in the
// same folder, keeping the letter case of an existing file's name. On failure
// the old file is untouched and GetLastError tells why.
bool WritePageFile(const char *folder, const char *fileName, const char *text, size_t length);
// Makes a new, empty file with a free name in folder (for writing beside a
// page) and gives its path in out, PATH_BUFFER_SIZE bytes.
bool CreateTemporaryFile(const char *folder, char *out);
// True while the editor shows a page that must never be written back (it
// holds NUL bytes, or could not be read to its end).
bool CurrentPageIsProtected();

// Reads a page file in blocks for the editor's stream-in: a NUL byte is
// handed on as a space (and noted), and a CR that ends a block is held back
// for the next one, because the editor would turn a CR LF pair split across
// two pieces into two line breaks.
enum { PAGE_BLOCK_SIZE = 4096 };
struct PageReader {
  HANDLE file;
  char block[PAGE_BLOCK_SIZE + 1];  // room for a CR held back from the block before
  DWORD start;      // first byte of block not handed on yet
  DWORD end;        // one past the last byte read into block
  bool atEnd;       // the file delivered 0 bytes
  bool sawNul;
  DWORD readError;  // nonzero when a read failed before the end
};
void StartPageReader(PageReader *reader, HANDLE file);
// Copies up to capacity bytes of the page into out; *got = 0 at the end.
void ReadPagePiece(PageReader *reader, char *out, long capacity, long *got);

/* page_tabs.cpp */
void RebuildPageTabs();
// The next RebuildPageTabs shows this page first, when the folder has it.
void PreferPageOnNextRebuild(const char *fileName);
void ForgetPreferredPage();
int FindPageTab(const char *fileName);
bool SelectPageByName(const char *fileName);
void StepPage(int delta);
int StepTarget(int selected, int delta, int count);
HTREEITEM GetParentFolderNode();
void GoToParentFolder();
bool IsPageFileName(const char *name);
bool MakeTabLabel(const char *pageName, char *label);
bool NamesEqualIgnoringAsciiCase(const char *a, const char *b);
bool FolderPathsEqual(const char *a, const char *b);

/* page_commands.cpp */
bool AskItemName(char *out, const char *initialText, bool subfolderMode);
INT_PTR CALLBACK NameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void NewPage();
void RenamePage();
void DeletePage();

/* import_export.cpp */
void ImportTextFile();
void ExportSelection();

#endif
