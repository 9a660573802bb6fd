// Pages: page files and the editor's content, the tab strip and page
// navigation, page commands, import and export.
#ifndef TAV_PAGES_H
#define TAV_PAGES_H

#include <windows.h>
#include <commctrl.h>

#include <stddef.h>

#include <string>
#include <vector>

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
// The same for a new file: nothing of that name is ever replaced (the last
// error is ERROR_ALREADY_EXISTS when something has it).
bool WriteNewPageFile(const char *folder, const char *fileName, const char *text, size_t length);
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
// The same for a file of at most `most` bytes: ERROR_FILE_TOO_LARGE, with
// the first `most` bytes, when it has more (it may grow while it is read).
DWORD ReadFileUpTo(HANDLE file, size_t most, std::string *bytes);
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
// The page shown as another program left its file: read again (it had no
// unsaved changes), changed and kept (the title says so and a save asks),
// renamed (the new file name is given; the tab is to follow it), gone
// (nothing unsaved: the tab is to go) or gone and kept (its text is written
// to its name again when the page is left).
struct NameMove;
enum ShownPageCheck {
  SHOWN_AS_READ,
  SHOWN_READ_AGAIN,
  SHOWN_CHANGED_KEPT,
  SHOWN_RENAMED,
  SHOWN_GONE,
  SHOWN_GONE_KEPT
};
// renamed: pages renamed in the page's folder, by file name; newPages: the
// pages there that have no tab yet, by page name.
ShownPageCheck CheckShownPageFile(const std::vector<NameMove> &renamed,
                                  const std::vector<std::string> &newPages, char *newFileName);
enum ShownPageNotice { NOTICE_NONE, NOTICE_CHANGED_ELSEWHERE, NOTICE_DELETED_ELSEWHERE };
ShownPageNotice ShownPageNoticeNow();
void MarkShownPageTab();  // highlighted while there is a notice
void ForgetShownPage();   // its file went and nothing was unsaved
void ShownPageTabMoved(int index);  // the tab strip was filled again
// The text in that encoding, or in UTF-8 with a byte-order mark (true, the
// encoding used in *changedTo) when it cannot hold every character.
bool EncodeForPage(const std::wstring &text, const PageEncoding &encoding, std::string *bytes,
                   PageEncoding *changedTo);

/* page_tabs.cpp */
// Shows the page file firstPage first when the folder has it.
void RebuildPageTabs(const char *firstPage = nullptr);
int FindPageTab(const char *fileName);
// Other programs made, removed or renamed pages in the folder shown, or
// wrote the page shown: the tabs become the folder's pages again, the page
// shown keeping its tab. renamed: pages renamed there, by file name.
void ListShownFolderAgain(const std::vector<NameMove> &renamed);
// The page files of a folder in listing order, by page name; names the
// code page cannot hold go to leftOut when it is given.
void ListPageNames(const char *folder, std::vector<std::string> *names,
                   std::vector<std::wstring> *leftOut);
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
// The same dialog asking for another name than one that is taken, under a
// caption and prompt of the caller's, the name offered; in subfolder mode
// the characters a folder rename refuses are refused.
bool AskOtherName(char *out, const char *initialText, bool subfolderMode, const char *caption,
                  const char *prompt);
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
// TAV moved a page, or a folder with pages below it: the copies of their
// unsaved text follow them to their new paths.
void MoveRecoveryCopies(const char *from, const char *to);
void OfferRecoveredPages();  // at start, for every copy left by an earlier run
// TAV's folder in the user's local application data, made when asked.
bool LocalDataFolder(char *folder, bool make);
// The copy's file, without windows.
struct RecoveryCopy {
  // In the process code page; read from a copy, empty when the path it
  // names is not UTF-8 or holds characters the process code page cannot.
  std::string pagePath;
  std::string pageAsNamed;  // read from a copy: its path's bytes as they are there
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

/* pages_shown.cpp */
// Where the user was in a page, in the editor's character positions: the
// selection (its start and end, equal for the caret alone) and the first
// character in view, on the top line.
struct PagePlace {
  LONG selectionStart, selectionEnd, firstVisible;
};
// A page shown lately, by its full path, and the place it was left at.
struct ShownPage {
  std::string path;
  bool placed;
  PagePlace place;
};
// The pages shown, the most recent first; the ones shown longest ago go.
enum { PAGES_SHOWN_KEPT = 1000 };
// The file holds at most a thousand lines of a path and three numbers; a
// file much larger than that is not one TAV wrote.
enum { PAGES_SHOWN_FILE_LIMIT = 4 * 1024 * 1024 };
typedef std::vector<ShownPage> PagesShown;
void NotePageShown(PagesShown *shown, const char *path);
void NotePagePlace(PagesShown *shown, const char *path, const PagePlace &place);
const ShownPage *FindPageShown(const PagesShown &shown, const char *path, size_t *rank = nullptr);
void MovePagesShown(PagesShown *shown, const char *from, const char *to);
void ForgetPagesShown(PagesShown *shown, const char *path);  // a page, or a folder's pages
PagePlace PlaceWithin(const PagePlace &place, LONG length);  // beyond the end: the end
std::string FormatPagesShown(const PagesShown &shown);
// False for bytes that are no record at all; lines that are not right are
// passed over.
bool ParsePagesShown(const std::string &bytes, PagesShown *shown);

/* page_places.cpp */
// The record of the pages shown in this run and earlier ones, kept in the
// user's local application data.
extern PagesShown PagesShownRecord;
void LoadPagesShown();  // at start
void KeepPagesShown();  // at exit: the place of the page shown, then the file
bool PagesShownFile(char *path);  // PATH_BUFFER_SIZE
// The page shown is about to be left: its place is taken.
void LeaveShownPage();
// A page was loaded: its kept place, if it has one, clamped to its text.
bool KeptPlace(HWND editor, const char *path, PagePlace *place);
void SelectPlace(HWND editor, const PagePlace &place);
void ScrollToPlace(HWND editor, const PagePlace &place);
// The editor's text changed: the page shown may be at another place now.
void NoteShownTextChanged();
// The editor now shows the page at path, or none (null); at the place it
// was given, when it was given its kept one.
void NotePageArrived(const char *path, const PagePlace *given = nullptr);
// TAV moved or deleted a page or a folder: the places and the history
// follow; a move's recovery copies and the moves Undo Move takes back too.
void NotePagesMoved(const char *from, const char *to);
void NotePagesDeleted(const char *path);
void ResetPageNavigation();  // everything forgotten, for the tests

/* page_history.cpp */
// Back and Forward through the pages shown, as a browser goes.
void NoteHistoryVisit(const char *path);
void GoBack();
void GoForward();
bool CanGoBack();
bool CanGoForward();
void MoveHistory(const char *from, const char *to);
void ForgetHistory();
// The mouse's back and forward buttons; true when the command was one.
bool OnAppCommand(int command);
// Shows the page at a full path by the page protocol: the page left is
// saved first, and the page's folder and tab are selected.
enum ShowOutcome { PAGE_SHOWN, PAGE_NOT_LEFT, PAGE_NOT_FOUND };
ShowOutcome ShowPageAt(const char *pagePath);
bool IsPageFile(const char *path);  // a file (not a folder) is there
void ReturnToEditor();  // after a dialog showed a page

/* page_match.cpp */
// How the letters typed match a page, best first.
enum PageMatch {
  MATCH_WHOLE_NAME,
  MATCH_NAME_START,
  MATCH_NAME_WORDS,     // runs of letters that begin words of the name
  MATCH_PATH_WORDS,     // the same in folder\name
  MATCH_NAME_ADJACENT,  // the letters together, inside the name
  MATCH_PATH_ADJACENT,
  MATCH_NAME_SPREAD,    // the letters in order, apart
  MATCH_PATH_SPREAD,
  MATCH_NONE
};
// A page as Open Page lists it: its name and folder (below the work folder,
// empty for the work folder itself) as shown, folder\name, both folded.
enum : size_t { NOT_SHOWN_LATELY = static_cast<size_t>(-1) };
struct ListedPage {
  std::string fullPath;  // in the process code page
  std::wstring name, folder, path;
  std::wstring foldedName, foldedPath;
  size_t recency;       // its rank among the pages shown, or NOT_SHOWN_LATELY
  unsigned char match;  // how the text typed last matched it
};
// What was typed, folded; letters: without what parts words.
struct TypedText {
  std::wstring folded, letters;
};
wchar_t FoldForMatch(wchar_t c);
TypedText FoldTyped(const std::wstring &typed);
void MakeListedPage(const std::string &fullPath, const std::wstring &name,
                    const std::wstring &folder, size_t recency, ListedPage *page);
PageMatch MatchPage(const TypedText &typed, const ListedPage &page);
bool ListedBefore(const ListedPage &a, const ListedPage &b);  // the base order
bool RankedBefore(const ListedPage &a, const ListedPage &b);  // by match, then as listed
// Whether the pages matching now are among those that matched before.
bool CanNarrow(const TypedText &before, const TypedText &now);
// The pages that match, best first; base: the pages in ListedBefore order.
// Narrowing tries only the pages that matched before.
void RankPages(std::vector<ListedPage> *pages, const std::vector<size_t> &base,
               const TypedText &typed, bool narrowing, std::vector<size_t> *ranked);

/* open_page.cpp */
// Open Page: a modeless dialog that lists every page below the work folder,
// the pages shown lately first, and shows the one chosen by a few letters.
void OpenPageDialog();
HWND OpenPageDialogWindow();
bool OpenPageListing();   // the listing has more to do
bool RunOpenPageSlice();  // a slice of it, from the idle step; false at its end
// The pages of one folder were made, renamed or deleted; a folder and all
// below it changed (renamed, deleted, listed again).
void NoteFolderPagesChanged(const char *folder);
void NotePageFileChanged(const char *pagePath);  // the folder of that page
void NoteFolderTreeChanged(const char *folder);

/* import_export.cpp */
void ImportTextFile();
void ExportSelection();

#endif
