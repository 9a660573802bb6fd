// Pages: page files and the editor's content, the tab strip, the name
// dialog, import and export, the copies kept for a crash, and the records of
// the pages shown (places, Back and Forward) and how Open Page matches them.
// Nothing here knows the folder tree: the folder whose pages are shown is
// given, and news goes to the main window.
#ifndef TAV_PAGES_H
#define TAV_PAGES_H

#include <windows.h>
#include <commctrl.h>

#include <stddef.h>

#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/page_text.h"
#include "base/ui_handles.h"

extern int CurrentPageIndex;
extern bool HasPages;
// The folder whose pages the tab strip shows (set by ShowFolderPages alone):
// pages are loaded from and saved into it, whatever the current directory
// has become since.
extern char PageFolder[];

/* page_names.cpp */
bool GetPageName(int index, char *out);
bool GetPageFileName(int index, char *out);
void PageNameFromLabel(const char *label, char *out);  // exported for the tests

/* page_shown.cpp */
void ShowPage(int index);
bool SavePageIfModified(int index);
bool SaveCurrentPage();          // false only when a save was needed and failed
void OnPageTabChanged();
// True while the editor shows a page that must never be written back (it
// holds NUL bytes, could not be read to its end, or could not be opened
// although it exists).
bool CurrentPageIsProtected();
bool UpdateSavedPagePath();  // a step of the above, exported for the tests
// How the page shown is written back.
PageEncoding CurrentPageEncoding();
bool ShownPagePath(char *path);  // PATH_BUFFER_SIZE; false when no page is shown
// Shows a page with text kept from an earlier run instead of its file's, as
// unsaved changes made against the file as it was then.
struct PageFileState;
bool ShowPageWithText(int index, const std::wstring &text, const PageEncoding &encoding,
                      const PageFileState &madeAgainst);
// The text in that encoding, or in UTF-8 with a byte-order mark (true, the
// encoding used in *changedTo) when it cannot hold every character.
bool EncodeForPage(const std::wstring &text, const PageEncoding &encoding, std::string *bytes,
                   PageEncoding *changedTo);
// For page_elsewhere.cpp: the page shown read again from its file, its
// place kept; whether it still cannot be opened for the reason it could not
// when it was shown.
void ReadShownPageAgain();
bool StillUnreadableAsBefore(const char *path);

/* page_file_state.cpp */
// The page shown's file as it was when read or written last: a save that
// finds it otherwise asks first.
struct PageFileState {
  bool known;
  bool existed;
  DWORD sizeHigh, sizeLow;
  FILETIME lastWrite;
};
PageFileState ShownPageFileState();
void RememberPageOnDisk(const char *fileName, bool existed, DWORD sizeHigh, DWORD sizeLow,
                        FILETIME lastWrite);
void IdentifyPageOnDisk(const BY_HANDLE_FILE_INFORMATION &info);
// A save wrote the file anew: what it is now is remembered, and the main
// window told.
void RememberPageAsWritten(const char *path, const char *fileName);
void ForgetPageOnDisk();
void RenamePageOnDisk(const char *fileName);
bool PageOnDiskExisted();
// Whether the file is the very one read (which file, its size and time),
// or at least still as read under that name.
bool IsPageOnDisk(const BY_HANDLE_FILE_INFORMATION &info);
bool IsFileAsKnown(const char *fileName, const WIN32_FILE_ATTRIBUTE_DATA &now);
// Whether a save to path would replace something other than what was read.
bool PageFileChangedOnDisk(const char *path, const char *fileName);

/* editor_text.cpp */
// The editor's whole text as UTF-16 with CR LF line breaks, whatever the
// process code page. *cutShort is set when the editor gave back less than
// it holds (the reason is otherwise in the last error).
bool FetchEditorText(std::wstring *text, bool *cutShort);
// Streams a text's pieces into the editor, replacing all its text or only
// the selection; false when the editor did not take them all, *notHeld
// telling whether the 1.0 control met a character it cannot hold.
bool StreamIntoEditor(HWND editor, PagePieces *pieces, bool intoSelection,
                      bool *notHeld = nullptr);

/* page_elsewhere.cpp */
// The page shown as another program left its file: read again (it had no
// unsaved changes), changed and kept (the title says so and a save asks),
// renamed (the new file name is given; the tab is to follow it), gone
// (nothing unsaved: the tab is to go) or gone and kept (its text is written
// to its name again when the page is left).
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
// The notice goes into the window title and the page's tab is highlighted.
void SayShownPageNotice(ShownPageNotice notice);
void MarkShownPageTab();  // highlighted while there is a notice
void ForgetShownPage();   // its file went and nothing was unsaved
void ShownPageTabMoved(int index);  // the tab strip was filled again

/* page_tabs.cpp */
// The tabs become the pages of a folder, and its first page is shown, or
// firstPage when the folder has it; the page shown before is saved first,
// and when that fails nothing changes.
void ShowFolderPages(const char *folder, const char *firstPage = nullptr);
int FindPageTab(const char *fileName);
// The tabs as they are, and made anew from page names (drawn once); the
// index of a name among page names, ASCII letter case ignored, or -1.
std::vector<std::string> TabPageNames();
int FillTabStrip(const std::vector<std::string> &names);
long IndexOfName(const std::vector<std::string> &names, const std::string &name);
// The page files of a folder in listing order, by page name; names the
// code page cannot hold go to leftOut when it is given.
void ListPageNames(const char *folder, std::vector<std::string> *names,
                   std::vector<std::wstring> *leftOut);
bool SelectPageByName(const char *fileName);
void StepPage(int delta);
// Window-free rules of the tab strip, exported for the tests.
int StepTarget(int selected, int delta, int count);
bool MakeTabLabel(const char *pageName, char *label);

/* tab_theme.cpp */
// The tab strip in the current look: the control's own drawing when light,
// TAV's in the dark look, which the control cannot be told the colours of.
// Once for each strip made; a change of look only redraws it.
void ThemePageTabs(HWND tabs);

/* name_dialog.cpp */
bool AskItemName(char *out, const char *initialText, bool subfolderMode);
// The same dialog asking for another name than one that is taken, under a
// caption and prompt of the caller's, the name offered; in subfolder mode
// the characters a folder rename refuses are refused.
bool AskOtherName(char *out, const char *initialText, bool subfolderMode, const char *caption,
                  const char *prompt);

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
// The Recovery folder, made when asked; a copy taken on from an earlier run,
// removed when its page is saved.
bool RecoveryFolder(char *folder, bool make);
void NoteKeptCopy(const std::string &name);
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
// A copy's text kept beside its page as "<page> (recovered).txt", in the
// page's encoding (false when it cannot be); a copy of anything but a page
// of the notebook shown kept in the Recovery folder, the user told where.
bool KeepCopyBesidePage(const RecoveryCopy &copy, char *keptAs);
void KeepCopyOfOtherPage(const RecoveryCopy &copy, const char *copyPath);
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
// A page or a folder moved or was deleted: the places follow, and so does
// the path of the page shown.
void NotePagesMoved(const char *from, const char *to);
void NotePagesDeleted(const char *path);
void ResetPageNavigation();  // everything forgotten, for the tests

/* back_forward.cpp */
// The pages shown in this run, which Back and Forward go through as a
// browser goes.
void NoteHistoryVisit(const char *path);
// Whether going back or forward from the page shown (its path, or empty)
// finds a page to try.
bool CanGoBack(const char *shownPath);
bool CanGoForward(const char *shownPath);
void MoveHistory(const char *from, const char *to);
void ForgetHistory();
// The first place to try going one way (-1 for none), and the record's
// places: Back and Forward stand at a page before they show it.
long FirstHistoryStep(int delta, const char *shownPath);
size_t HistoryLength();
size_t HistoryPosition();
void SetHistoryPosition(size_t at);
std::string HistoryPageAt(size_t at);
// The command of the mouse's back and forward buttons; 0 for any other.
int CommandOfAppCommand(int command);

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

/* version_rules.cpp */
// A page's earlier versions: the text a page file held before TAV replaced
// it, kept in the user's local application data. Why each was kept:
enum VersionReason {
  REASON_SAVED_OVER,
  REASON_CHANGED_ELSEWHERE,
  REASON_DELETED,
  REASON_BEFORE_RESTORE
};
const char *VersionReasonText(VersionReason reason);  // as the History dialog shows it
// A save keeps the text it replaces at a page's first save in a run, then at
// most once every ten minutes.
enum { VERSION_SAVE_INTERVAL_MS = 10 * 60 * 1000 };
bool VersionDueAtSave(bool keptThisRun, unsigned long long lastKeptMs, unsigned long long nowMs);
unsigned long long HashVersionBytes(const char *bytes, size_t length);
// A version's file is named by when it was kept (a FILETIME, UTC), why, and
// the hash of its bytes.
struct VersionName {
  unsigned long long time;
  VersionReason reason;
  unsigned long long hash;
};
std::string FormatVersionName(const VersionName &version);
bool ParseVersionName(const char *name, VersionName *version);
// The index of a page's versions: its path below the work folder (in the
// process code page) and when it was deleted (0: it was not).
struct PageIndex {
  std::string relative;
  unsigned long long deletedAt;
};
// A name that may stand between the separators of a page's path: not
// empty, ".", "..", and without a separator of another kind, colon,
// wildcard or control character.
bool IsPlainName(const char *name, size_t length);
// A path below the work folder of plain names, ending in a page's name.
bool IsPlainRelativePagePath(const std::string &relative);
std::string FormatPageIndex(const PageIndex &index);
bool ParsePageIndex(const std::string &bytes, PageIndex *index);
// What the store holds, for thinning: each page with when it was deleted,
// each version with its page (an index into the pages), time, size and
// reason. The plan: versions to remove, and deleted pages to forget.
struct StoredPage {
  unsigned long long deletedAt;
};
struct StoredVersion {
  size_t page;
  unsigned long long time, size;
  VersionReason reason;
};
struct ThinningPlan {
  std::vector<size_t> versions, pages;
};
// now: a FILETIME; bound: the bytes the versions may take in all.
ThinningPlan PlanThinning(const std::vector<StoredPage> &pages,
                          const std::vector<StoredVersion> &versions, unsigned long long now,
                          unsigned long long bound);

/* version_store.cpp */
// The store of versions, %LOCALAPPDATA%\TAV\History, made when asked; the
// bytes its versions may take in all (the newest version of each page and
// the versions of pages deleted in the last 90 days stay whatever it is); a
// version larger than a page can be is never read.
bool VersionStoreFolder(char *folder, bool make);
enum : unsigned long long { VERSION_STORE_BOUND = 256ull << 20, PAGE_VERSION_LIMIT = 16u << 20 };
struct PageVersion {
  std::string file;  // its name in the page's folder of the store
  VersionName name;
  unsigned long long size;
};
// The versions of the page at path, newest first; false for none.
bool ListPageVersions(const char *pagePath, std::vector<PageVersion> *versions);
bool ReadPageVersion(const char *pagePath, const PageVersion &version, std::string *bytes);
// Keeps bytes as a version of the page at path, unless they are its newest
// version already; false when it could not be kept.
bool KeepTextAsVersion(const char *pagePath, const std::string &bytes, VersionReason reason);
// A page deleted at deletedAt, its last saved text read from where the
// delete put it: its history is set aside as a deleted page's (unless a page
// is at its path again: then it stays that page's), the text kept with it.
bool KeepDeletedPageText(const char *pagePath, unsigned long long deletedAt,
                         const std::string &bytes);
// A save is about to replace the page file: the text it holds is kept when
// a version is due (its hash is known when the file is as TAV read or wrote
// it). *made names the version made, which FinishVersionBeforeSave removes
// when the save failed.
bool KeepVersionBeforeSave(const char *pagePath, bool hashKnown, unsigned long long hash,
                           std::string *made);
// kept: KeepVersionBeforeSave's answer.
void FinishVersionBeforeSave(const char *pagePath, const std::string &made, bool kept,
                             bool saved);
// The versions follow a page or a folder of pages moved or renamed; a page
// deleted has its versions set aside as a deleted page's.
void MoveVersions(bool folder, const char *from, const char *to);
// Pages passOver answers true for are left as they are.
void MarkVersionsDeleted(bool folder, const char *path,
                         bool (*passOver)(const char *) = nullptr);
// The pages deleted from the notebook shown, the last deleted first, each
// with its newest version; read, and taken back into the notebook at path.
struct DeletedPage {
  std::string entry;     // its folder in the store
  std::string relative;  // its path below the work folder
  unsigned long long deletedAt;
  PageVersion newest;
};
void ListDeletedPages(std::vector<DeletedPage> *pages);
bool ReadDeletedPageText(const DeletedPage &page, std::string *bytes);
void ReviveDeletedPage(const DeletedPage &page, const char *pagePath);
// A page or a folder of pages back at its old path (a delete undone): each
// page's versions are its history again, no longer a deleted page's.
void ReviveDeletedVersions(bool folder, const char *path);
// Thins the versions out by their age and the bound (at exit, and when a
// run keeps many).
void ThinVersionStore();
// A store that cannot be written is said once a run, at the next safe moment.
void SayVersionStoreFailure();
void ForgetVersionStoreState();  // for the tests

/* version_diff.cpp */
// The lines of a version that differ from the page's text now, as ranges
// of line numbers (from 0) in the version; and how many lines a text has.
struct LineRange {
  size_t begin, end;
};
std::vector<LineRange> DifferingLines(const std::wstring &version, const std::wstring &current);
size_t CountLines(const std::wstring &text);
// Where each line of a text begins and ends (its break left out), as
// offsets into it.
void SplitTextLines(const std::wstring &text, std::vector<LineRange> *lines);

/* page_versions.cpp (and page_shown.cpp, which holds the first) */
// The editor's text, as the page's file would hold it, kept as a version of
// the page shown.
bool KeepShownTextAsVersion(VersionReason reason);
// Before a page or a folder of pages is deleted: a page's last saved text
// and the unsaved text of the page shown; a folder's pages are left to
// KeepDeletedVersionsLater.
void KeepVersionsBeforeDelete(const char *path, bool folder);
// The last saved texts of a page or a folder of pages just deleted, kept as
// a deleted page's versions from where the delete put it (nowAt: its item
// in the Recycle Bin, or TAV's copy), a few pages at a time while TAV is
// idle; deletedAt is a file time.
void KeepDeletedVersionsLater(const char *nowAt, const char *original, bool folder,
                              unsigned long long deletedAt);
// Undo Delete took the item at nowAt back: its pages' histories are their
// own again, and nothing more is kept of it. nullptr forgets all (tests).
void ForgetDeletedVersionsLater(const char *nowAt);
bool RunDeletedVersionsSlice();
bool DeletedVersionsPending();
// All that is left, at once: before a history is shown, and at exit.
void KeepDeletedVersionsNow();
// Whether the page at path is deleted and its history left to the above.
bool IsLeftToDeletedVersions(const char *path);

/* history_dialog.cpp */
// History: the versions of the page shown, and Restore.
void OpenHistoryDialog();

/* import_export.cpp */
void ImportTextFile();
void ExportSelection();

#endif
