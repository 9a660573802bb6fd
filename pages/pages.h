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
void OnPageTabChanged();
// Replaces folder\fileName by the given bytes through a temporary file in the
// same folder, keeping the letter case of an existing file's name. On failure
// the old file is untouched and GetLastError tells why.
bool WritePageFile(const char *folder, const char *fileName, const char *text, size_t length);
// True while the editor shows a page that must never be written back (it
// holds NUL bytes, could not be read to its end, or could not be opened
// although it exists).
bool CurrentPageIsProtected();
// Steps of the above, exported for the tests.
bool UpdateSavedPagePath();
void PageNameFromLabel(const char *label, char *out);

// Reads a page file in pieces for the editor. The editor takes each piece on
// its own, so a piece never ends inside a line break (a CR LF pair split over
// two pieces is read as two breaks) nor inside a double-byte character of the
// ANSI code page (each half would be read as a character of its own); the
// bytes that decide where a piece may end are held back for the next block.
// A NUL byte is handed on as a space (and noted). "\r\r\n", a soft line break
// some editors write, is handed on as one line break, since the editor would
// read it as a blank; a CR followed by another CR is handed on as LF, which
// the editor takes for the same line break.
enum { PAGE_BLOCK_SIZE = 4096 };
struct PageReader {
  HANDLE file;
  char block[PAGE_BLOCK_SIZE + 2];  // room for the bytes held back from the block before
  DWORD start;      // first byte of block not handed on yet; always starts a character
  DWORD end;        // one past the last byte read into block
  DWORD whole;      // one past the last byte of block that ends a character
  bool atEnd;       // the file delivered 0 bytes
  bool sawNul;
  DWORD readError;  // nonzero when a read failed before the end
  bool hasLeadBytes;      // the ANSI code page has double-byte characters
  bool isLeadByte[256];
};
void StartPageReader(PageReader *reader, HANDLE file);
// Copies up to capacity bytes (at least 2) of the page into out; *got = 0 at
// the end.
void ReadPagePiece(PageReader *reader, char *out, long capacity, long *got);

/* page_tabs.cpp */
// Shows the page file firstPage first when the folder has it.
void RebuildPageTabs(const char *firstPage = nullptr);
int FindPageTab(const char *fileName);
bool SelectPageByName(const char *fileName);
int SelectedTab();  // -1 when no tab is selected or there is no tab strip
void StepPage(int delta);
HTREEITEM GetParentFolderNode();
void GoToParentFolder();
bool IsPageFileName(const char *name);
// Window-free rules of the tab strip, exported for the tests.
int StepTarget(int selected, int delta, int count);
bool MakeTabLabel(const char *pageName, char *label);

/* page_commands.cpp */
bool AskItemName(char *out, const char *initialText, bool subfolderMode);
void NewPage();
void RenamePage();
void DeletePage();

/* import_export.cpp */
void ImportTextFile();
void ExportSelection();

#endif
