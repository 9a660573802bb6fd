// The notebook: the one folder that knows both the folder tree and the pages.
// It holds the page protocol (leaving the page shown, showing a folder and a
// page), the commands that change both (moves, folder commands, the work
// folder, files dropped), what follows the changes other programs make, Open
// Page and Find in All Pages, and one function per event that lists
// everything that follows it.
#ifndef TAV_NOTEBOOK_H
#define TAV_NOTEBOOK_H

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/ui_handles.h"
#include "editing/editing.h"
#include "pages/pages.h"
#include "tree/tree.h"

/* page_protocol.cpp */
// A new folder was selected (TVN_SELCHANGED), by the user or by a command
// that leaves the rest to this notification: the page shown is saved and the
// folder's pages shown; when the page cannot be saved the selection goes
// back to previous.
void OnFolderSelected(HTREEITEM node, HTREEITEM previous = nullptr);
void OpenSelectedFolder(HTREEITEM node, HTREEITEM previous, const char *firstPage);
// The tabs become the pages of the selected folder.
void RebuildPageTabs(const char *firstPage = nullptr);
// Rebuilds the tree from the work folder and shows again the folder and
// page shown last, else the root; false when the page could not be saved
// or the work folder cannot be entered (the old tree then stays).
bool RefreshTree();
// The same, showing the folder at shownFolder (its node selected, not
// opened) and the page named pageName in it when it has one; where that
// folder is gone, as RefreshTree.
bool RefreshTreeShowing(const char *shownFolder, const char *pageName);
// Selects the folder of a page's full path, listing the folders on the way,
// and the page when it is there; false when the folder is not in the notebook.
bool SelectFolderOfPage(const char *pagePath);
// A folder's subfolders listed again (a move, or another program): a folder
// at or above the one shown renamed elsewhere is followed, and when the
// folder shown went its nearest remaining ancestor is opened, unless the
// page shown has unsaved changes, which keep it. False when the tree does
// not show that folder listed.
bool ListFolderAgainAt(const char *path, const std::vector<NameMove> *renamed = nullptr);
void GoToParentFolder();  // Move Up
void GoBack();
void GoForward();
bool CanGoBack();  // from the page shown
bool CanGoForward();
// Shows the page at a full path: the page left is saved first, and the
// page's folder and tab are selected.
enum ShowOutcome { PAGE_SHOWN, PAGE_NOT_LEFT, PAGE_NOT_FOUND };
ShowOutcome ShowPageAt(const char *pagePath);
void ReturnToEditor();  // after a dialog showed a page
// Other programs made, removed or renamed pages in the folder shown, or
// wrote the page shown: the tabs become the folder's pages again, the page
// shown keeping its tab. renamed: pages renamed there, by file name.
void ListShownFolderAgain(const std::vector<NameMove> &renamed);

/* notebook_events.cpp */
// Everything that names a page or a folder follows it when it moved or was
// renamed, by TAV or another program: the folder shown and its watch, the
// saved page path, the current directory, places, Back and Forward, copies
// of unsaved text, Undo Move's records, Open Page's list.
void FollowItemMoved(MoveKind kind, const char *from, const char *to);
// TAV deleted a page or a folder: its places, its copy of unsaved text and
// its rows in Open Page go.
void FollowItemDeleted(MoveKind kind, const char *path);
// Undo Delete put a page or a folder back at path.
void FollowItemRestored(MoveKind kind, const char *path);
// The pages of a folder were made, renamed or deleted.
void FollowFolderPagesChanged(const char *folder);
// A save replaced a page's file by a new one.
void FollowPageWritten(const char *path);
// The tabs list another folder, or the folder shown was made again.
void FollowFolderShown(bool madeAgain);

/* page_commands.cpp */
void NewPage();
void RenamePage();
void DeletePage();

/* folder_commands.cpp */
LRESULT OnBeginFolderRename(HTREEITEM node);
LRESULT OnEndFolderRename(NMTVDISPINFOA *info);
void AddSubfolder();
void DeleteFolder();

/* deleted_store.cpp */
// What one Delete Page or Delete Folder took from the notebook, kept for
// Undo Delete in a folder of its own below DeletedStoreFolder: each page or
// folder as a copy named by a number, and where it was.
struct DeletedItem {
  MoveKind kind;
  std::string original;  // its full path, in the process code page
  std::string keptAs;    // its copy's name in the entry's folder
  std::string inBin;     // or where the Recycle Bin keeps it, no copy kept
};
struct DeletedEntry {
  std::string folder;  // the entry's folder
  std::vector<DeletedItem> items;
  bool hasUnsavedText = false;  // the page shown's unsaved text is kept too
};
enum KeepOutcome { KEEP_DONE, KEEP_NOT_ONLY_PAGES, KEEP_STORE_FAILED };
bool DeletedStoreFolder(char *folder, bool make);  // PATH_BUFFER_SIZE
void ForgetDeletedStoreFolder();                   // the user's folders changed
std::string FormatDeletedEntry(const DeletedEntry &entry);
// False for a list that is not entirely right: such an entry is passed over.
bool ParseDeletedEntry(const std::string &bytes, DeletedEntry *entry);
// Whether an entry's path names an item of the notebook in workFolder (its
// folder may be missing); nothing else is ever put back.
bool IsNotebookItemPath(const std::string &path, MoveKind kind, const char *workFolder);
bool StartDeletedEntry(DeletedEntry *entry);
// A folder holding anything but pages and folders is not kept
// (KEEP_NOT_ONLY_PAGES): it is deleted a folder at a time.
KeepOutcome KeepDeletedCopy(DeletedEntry *entry, MoveKind kind, const char *path);
bool KeepUnsavedText(DeletedEntry *entry, const RecoveryCopy &copy);
bool WriteDeletedEntryList(const DeletedEntry &entry);
void RemoveKeptTree(const char *path);
bool ReadDeletedEntry(const char *folder, DeletedEntry *entry);
bool KeptCopyPath(const DeletedEntry &entry, const DeletedItem &item, char *path);
// The copy is still a plain file, or a tree of plain folders and pages.
bool IsKeptCopySound(const DeletedEntry &entry, const DeletedItem &item);
// A folder of pages and folders alone, none a link: only such a folder goes
// to the Recycle Bin whole.
bool IsTreeOfPages(const char *path);
// The same question asked of a folder by its listing alone, with the write
// time of each folder in it; while none of those has changed (a folder's
// write time changes with every name made, removed or renamed in it), the
// answer holds.
struct TreeOfPagesCheck {
  std::string path;
  bool onlyPages = false;
  std::vector<std::pair<std::string, unsigned long long>> folders;
};
void CheckTreeOfPages(const char *path, TreeOfPagesCheck *check);
bool IsTreeCheckCurrent(const TreeOfPagesCheck &check);
bool ReadUnsavedText(const DeletedEntry &entry, RecoveryCopy *copy);

/* undo_delete.cpp */
// Delete Folder asks first; meanwhile nothing changes, and what the folder
// holds is looked at before the question rather than after the answer.
void PrepareFolderDelete(const char *path);
// A delete in the making: what the Recycle Bin takes where TAV can take it
// back out is noted where it is; of the rest, copies are kept before the
// shell sends the originals to the bin. It joins Undo Delete's stack when
// anything went.
void BeginDelete();
// The page shown, at or below path, has unsaved text: it is kept with the
// delete.
void KeepShownTextOfDeleted(const char *path);
// Keeps a copy of what is at path, then sends it to the Recycle Bin; false
// when it is still there (the reason said, unless notSaid is given: then
// the last error holds it). A folder that holds anything but pages and
// folders is left alone: false with *notOnlyPages set.
bool DeleteToRecycleBin(MoveKind kind, const char *path, bool *notOnlyPages = nullptr);
// The pages of one folder, by name, in one go.
bool DeletePagesToRecycleBin(const char *folder, const std::vector<std::string> &names);
void EndDelete();
extern const FolderDeleteSteps RecycleBinSteps;
bool CanUndoDelete();
void UndoDelete();
// At exit: the copies kept for this run's Undo Delete go (the Recycle Bin
// keeps what it holds).
void ForgetDeletes();

/* watch_takeup.cpp */
// The changes the watches gathered, taken up once they settle, in slices
// between messages.
DWORD NotebookChangesDueIn();  // milliseconds, INFINITE for none
bool NotebookChangesPending();    // settled changes wait to be taken up
bool RunNotebookChangesSlice();   // false once none are left
void TakeUpNotebookChangesNow();  // everything noted, at once
// The main window was activated: the folder and the page shown are looked
// at again, and where the work folder cannot be watched, every folder
// listed.
void CheckNotebookOnActivation();

/* recovery_offer.cpp */
void OfferRecoveredPages();  // at start, for every copy left by an earlier run

/* moves.cpp */
// Moves the page or folder at from into targetFolder by the rules above,
// asking for another name where its own is taken; true when it moved.
bool MoveItem(MoveKind kind, const char *from, const char *targetFolder);
void MovePageCommand();    // the page shown, to a folder chosen in a dialog
void MoveFolderCommand();  // the selected folder, below one chosen
void UndoMove();
// Every name in a folder as the file system has it, "." and ".." left out.
void EntryNamesIn(const char *folder, std::vector<std::wstring> *names);

/* move_records.cpp */
bool CanUndoMove();
void ForgetMoves();
void KeepMove(const MoveRecord &record);
MoveRecord LastMove();  // while CanUndoMove
void ForgetLastMove();
// A page or folder moved or was renamed: the moves recorded follow it.
void NoteMoveForUndo(const char *from, const char *to);
// TAV wrote a page anew (its saves replace the file): a move recorded of it
// takes the new file for the page it moved.
void NotePageWritten(const char *path);


/* dragging.cpp */
// Pages dragged from their tabs and folders dragged in the tree onto a
// folder; files dropped from other programs.
void WatchTreeForDrags(HWND tree);
void WatchTabStripForDrags(HWND tabs);
LRESULT OnTreeBeginDrag(const NMTREEVIEWA *drag);  // TVN_BEGINDRAG
// A tab held down or anything dragged: the tree and the tab strip stay as
// they are until the mouse is let go.
bool DragUnderway();
// A node the tree deletes is no longer one the drag may point at.
void ForgetDragNode(HTREEITEM node);

/* dropped_files.cpp */
// Files dropped on a folder node become pages of that folder.
void OnFilesDropped(HDROP drop);
// Whether bytes can be a page: the page-encoding rules read them as text
// without a NUL.
bool BytesAreText(const std::string &bytes);


/* work_folder.cpp */
void ChooseWorkFolder();


/* index_upkeep.cpp */
// The search index of the notebook shown, opened when first wanted and
// built and kept current a slice at a time from the idle step. Off, TAV
// searches by reading every page, as it does without one.
extern bool SearchIndexInUse;
// What a search takes from the index: the pages that may hold its pattern
// as the index stood when it began, and which pages were stored since.
struct IndexedSearch {
  bool on = false;
  bool allCandidates = false;
  std::unordered_set<long long> candidates;
  unsigned long long generation = 0;
};
void BeginIndexedSearch(const SearchPattern &pattern, IndexedSearch *search);
// A page as the search finds it listed: its bytes from the index when the
// index holds them as the file is now; PAGE_NOT_INDEXED when it is to be
// read from its file (it is then stored again later).
enum IndexedPageAnswer { PAGE_NOT_INDEXED, PAGE_CANNOT_MATCH, PAGE_FROM_INDEX };
IndexedPageAnswer PageFromIndex(const IndexedSearch &search, const std::string &relative,
                                const FileStamp &listed, std::string *bytes);
// The upkeep, a slice at a time; false when nothing is left to do.
bool RunIndexUpkeepSlice();
bool IndexUpkeepPending();
// True once a run, when the index was found damaged or foreign and made anew.
bool TakeIndexSetAsideNews();
void CloseIndex();
// The events, as notebook_events.cpp hands them on (full paths).
void IndexItemMoved(bool folder, const char *from, const char *to);
void IndexItemDeleted(bool folder, const char *path);
void IndexFolderPagesChanged(const char *folder);
void IndexPageWritten(const char *path);
// The database's file for the work folder (PATH_BUFFER_SIZE); false when
// there is no local folder for it.
bool IndexFilePath(const char *workFolder, char *file, bool make);

/* find_all_search.cpp */
// A match of Find in All Pages, as its row shows it and its page is found
// again: the folder below the work folder (empty for the work folder
// itself), the page name, the line from 1 and the column from 0 in units.
struct FoundRow {
  std::string folder;
  std::string page;
  std::string pagePath;
  size_t line, column, length;
  std::wstring text;  // the line around the match
};
// The search as it stands, while it runs and after.
struct FindAllSearch {
  bool running = false;
  SearchPattern pattern;
  std::unique_ptr<PageFilter> filter;
  std::vector<FoundRow> rows;
  NotebookWalk walk;
  std::vector<std::string> unreadable;  // the page and why
  size_t onlineOnly = 0;  // pages kept online only, which are not fetched to be searched
  size_t pagesSearched = 0;
  size_t pagesWithMatches = 0;
  size_t pagesFromIndex = 0;  // searched as the index holds them, their files not opened
  char workFolder[PATH_BUFFER_SIZE] = "";
  // The page shown is searched as the editor holds it.
  char shownPage[PATH_BUFFER_SIZE] = "";
  std::wstring shownText;
  IndexedSearch indexed;
  bool indexSetAside = false;  // the index was made anew: said in the status line
  // What the dialog shows of the search, and since when.
  size_t shownRows = 0;
  ULONGLONG statusShownAt = 0;
};

extern FindAllSearch FindAllState;
bool StartFindAll(const SearchPattern &pattern);
void StopFindAll();
bool FindAllRunning();
// A slice of the search, run from the idle step; false once it has ended.
bool RunFindAllSlice();
void EndFindAllWalk();
const std::vector<FoundRow> &FoundRows();
size_t UnreadablePageCount();
size_t OnlineOnlyPageCount();  // pages kept online only, not searched
// What the search tells the dialog that shows it: what to show again.
enum { UM_FINDALLSHOW = WM_APP + 3 };
enum { FINDALL_SHOW_ROWS = 1, FINDALL_SHOW_STATUS = 2, FINDALL_SHOW_RUNNING = 4 };
void SetFindAllDialog(HWND dialog);

/* find_all_dialog.cpp */
// Find in All Pages: a modeless dialog that searches every page below the
// work folder, lists every match as it is found, and shows the page of a
// match chosen in the list.
void OpenFindAllDialog();
HWND FindAllDialogWindow();
void OpenFoundRow(size_t index);

/* open_page_list.cpp */
// What the list tells the dialog that shows it: the rows changed (wParam:
// their count may lag while the pages are listed); the listing began or
// ended.
enum { UM_PAGEROWS = WM_APP + 1, UM_PAGELISTING = WM_APP + 2 };
void SetPageListDialog(HWND dialog);
// The list and what was typed, while the dialog is open.
struct OpenPageList {
  bool listing = false;
  char workFolder[PATH_BUFFER_SIZE] = "";
  std::vector<std::string> recent;  // the pages shown lately, when the dialog opened
  size_t recentLooked = 0;          // how many of them were looked for
  NotebookWalk walk;
  std::vector<ListedPage> pages;  // every page found; a page gone keeps its slot
  std::unordered_map<std::string, size_t> known;  // the pages listed, by key
  std::vector<size_t> base;   // the pages listed, in ListedBefore order
  std::vector<size_t> fresh;  // pages found since the rows were last made
  TypedText typed;
  std::vector<size_t> rows;   // the pages that match, best first
  std::vector<size_t> inView; // the rows' pages in view when last drawn
  ULONGLONG shownAt = 0;      // when the pages found were last shown
  ULONGLONG countShownAt = 0; // when the count of rows was last shown
  bool userMoved = false;     // the user chose a row since the last letter typed
  size_t chosen = 0;          // that row's page
  // The folder of the pages listed last, as the rows show it.
  std::string folder;
  std::wstring folderShown;
};

extern OpenPageList PageListing;
void BeginPageList();
void ForgetPageList();
void TakeFreshPages();          // the pages found since join the base order and the rows
void RankPageList(bool narrowing);
// A slice of the listing, milliseconds long or until enough pages are
// found; false once it has ended.
bool RunPageListing(DWORD milliseconds, size_t enough = static_cast<size_t>(-1));
bool OpenPageListing();   // the listing has more to do
bool RunOpenPageSlice();  // a slice of it, from the idle step; false at its end
// The pages of one folder were made, renamed or deleted; a folder and all
// below it changed (renamed, deleted, listed again).
void NoteFolderPagesChanged(const char *folder);
void NotePageFileChanged(const char *pagePath);  // the folder of that page
void NoteFolderTreeChanged(const char *folder);

/* open_page_dialog.cpp */
// Open Page: a modeless dialog that lists every page below the work folder,
// the pages shown lately first, and shows the one chosen by a few letters.
void OpenPageDialog();
HWND OpenPageDialogWindow();
// The rows as they stand; while the pages are listed their count may lag.
void ShowPageRows(bool countLags = false);
void ShowPageListingState();

/* deleted_pages_dialog.cpp */
// Deleted Pages: a page deleted from the notebook put back, and shown.
void OpenDeletedPagesDialog();


#endif
