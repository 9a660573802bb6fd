// Pages: page files and the editor's content, the tab strip and page
// navigation, page commands, import and export.
#ifndef TAV_PAGES_H
#define TAV_PAGES_H

#include <windows.h>
#include <commctrl.h>

#include <stddef.h>

#include <string>

#include "pages/page_text.h"

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

// Reads a whole file into bytes; 0, or the error that ended the read (the
// bytes read before it stay).
DWORD ReadWholeFile(HANDLE file, std::string *bytes);
// The same for the file at path, which other programs may go on writing;
// 0, or the error that kept it from being opened or read whole.
DWORD ReadFileAt(const char *path, std::string *bytes);
// Streams a text's pieces into the editor, replacing all its text or only
// the selection; false when the editor did not take them all, *notHeld
// telling whether the 1.0 control met a character it cannot hold.
bool StreamIntoEditor(HWND editor, PagePieces *pieces, bool intoSelection,
                      bool *notHeld = nullptr);
// How the page shown is written back.
PageEncoding CurrentPageEncoding();
// The page shown's file as it was when read or written last: a save that
// finds it otherwise asks first.
struct PageFileState {
  bool known;
  bool existed;
  DWORD sizeHigh, sizeLow;
  FILETIME lastWrite;
};
PageFileState ShownPageFileState();
bool ShownPagePath(char *path);  // PATH_BUFFER_SIZE; false when no page is shown
bool ShowPageWithText(int index, const std::wstring &text, const PageEncoding &encoding,
                      const PageFileState &madeAgainst);
// The text in that encoding, or in UTF-8 with a byte-order mark (true, the
// encoding used in *changedTo) when it cannot hold every character.
bool EncodeForPage(const std::wstring &text, const PageEncoding &encoding, std::string *bytes,
                   PageEncoding *changedTo);

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

/* recovery.cpp */
// Copies of the unsaved text of the page shown, kept in the user's local
// application data while it has unsaved changes, and offered back after a
// run that ended without saving it.
void NoteEditorChanged();     // the editor's text changed
void StartRecoveryForPage();  // a page was shown: nothing of it to keep yet
DWORD RecoveryCopyDueIn();    // milliseconds until a copy is due, INFINITE for none
void KeepRecoveryCopy();      // writes the copy when one is due
// Writes it now; false when it could not be had or written, or, yielding
// to input, when the user did something meanwhile.
bool WriteRecoveryCopy(bool yieldToInput = true);
void RemoveRecoveryCopy(const char *pagePath);  // saved, or its changes given up
void RemoveShownPagesRecoveryCopy();
void OfferRecoveredPages();  // at start, for every copy left by an earlier run
// The copy's file, without windows.
struct RecoveryCopy {
  std::string pagePath;  // in the process code page
  PageEncoding encoding;
  PageFileState madeAgainst;
  std::wstring text;
};
std::string FormatRecoveryCopy(const RecoveryCopy &copy);
bool ParseRecoveryCopy(const std::string &bytes, RecoveryCopy *copy);
std::string RecoveryCopyName(const char *pagePath);
// Whether a copy's page path names a page of the notebook in workFolder: an
// absolute path of a ".tav" file below it, every name on the way a plain
// name (no ".", "..", separator of another kind, colon, wildcard or NUL),
// its folder there. A copy is acted on only then.
bool IsPageOfNotebook(const std::string &pagePath, const char *workFolder);
// The first copy interval, and the next one after a copy that took copyMs:
// copies take at most a thirtieth of the time.
enum { RECOVERY_INTERVAL_MS = 5000 };
DWORD NextRecoveryInterval(DWORD copyMs);

/* import_export.cpp */
void ImportTextFile();
void ExportSelection();

#endif
