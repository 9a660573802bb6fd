// The folder tree: folder paths and the current folder, the tree itself and
// a folder listed again, what folder commands do in it, the watch of the
// notebook and the rules of its change records, the rules of moves and their
// folder chooser, and the walk through the notebook. Nothing here knows the
// pages: the folder shown is given, and news goes to the main window.
#ifndef TAV_TREE_H
#define TAV_TREE_H

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "base/paths.h"
#include "base/ui_handles.h"

/* folder_paths.cpp */
bool GetNodeLabel(HTREEITEM node, char *out);
bool GetFolderPath(HTREEITEM node, char *out);
// The same in any tree of the notebook's folders (the main window's, the
// move dialog's).
bool TreeNodeLabel(HWND tree, HTREEITEM node, char *out);
bool TreeFolderPath(HWND tree, HTREEITEM node, char *out);
bool SwitchFolder(const char *path);
void ReportFolderNotEntered(const char *path);  // "Cannot switch to directory ..."
HTREEITEM GetParentFolderNode();  // the selected folder's parent, or null

/* folder_tree.cpp */
// A node's subfolders are listed into it when they are first needed. What a
// node knows is kept in the tree item: its lParam holds these flags, and its
// cChildren is I_CHILDRENCALLBACK until the tree has asked whether the
// folder has subfolders (then 0 or 1, as it is once the node is listed).
enum FolderNodeFlags : LPARAM {
  NODE_LISTED = 1,  // the folder's subfolders are the node's children
  NODE_LINK = 2,    // a link to a directory elsewhere: shown, never listed
};
LPARAM FolderNodeState(HTREEITEM node);
// Lists the subfolders of a node's folder into it unless it was listed
// already or is a link. A folder that cannot be entered gets no children and
// is reported when sayUnentered.
void ListFolderNode(HTREEITEM node, bool sayUnentered);
// Lists a folder's subfolders into a node: the step ListFolderNode takes,
// by the folder's path.
void ScanFolder(const char *path, HTREEITEM node);
// Whatever lists folders runs inside a walk; the end of the outermost walk
// says once what the listings left out (folders too deep, names the code
// page cannot hold).
void BeginFolderWalk();
void EndFolderWalk();
// For the main window's tree and the move dialog's alike: the tree is the
// notification's sender.
LRESULT OnFolderExpanding(const NMTREEVIEWA *change);  // TVN_ITEMEXPANDING
LRESULT OnFolderGetDispInfo(NMTVDISPINFOA *info);       // TVN_GETDISPINFO
// The root of a tree of the notebook's folders, the work folder's
// subfolders listed into it and shown.
HTREEITEM AddNotebookRoot(HWND tree);
// Every node of the main window's tree replaced by the root and the folders
// of the work folder; the root, or null.
HTREEITEM RebuildTreeNodes();
// The node of a folder in a tree, the folders on the way listed and
// expanded; null when the folder is not in the notebook.
HTREEITEM WalkToFolderNode(HWND tree, const char *folder);
// The node of a page's folder along its full path, the folders on the way
// listed and expanded, and the page's file name (empty for none) in a
// PATH_BUFFER_SIZE buffer. False when the page lies outside the work folder
// or a folder on the way is missing.
bool WalkToPageFolder(const char *path, HTREEITEM *folder, char *pageName);
// The node of a folder in the main window's tree as it stands, listing
// nothing; null when the tree does not show it.
HTREEITEM FindFolderNode(const char *folder);
// The folders at and below a node that are expanded, by their paths below
// it ("" for the node itself), and the same expanded again below another
// node, listing them as they are opened.
void NoteExpandedBelow(HTREEITEM node, std::vector<std::string> *expanded);
// A node the tree deletes (TVN_DELETEITEM) leaves the record of listed nodes.
void ForgetFolderNode(HTREEITEM node);
void ExpandAgainBelow(HTREEITEM node, const std::vector<std::string> &expanded);
// Selects a node without opening its folder: the caller keeps tabs and
// editor in step.
void SelectFolderNodeQuietly(HTREEITEM node);
// Whether the selection is changing as the program's own step (a rebuild,
// a node deleted, a quiet selection): its notification is passed over.
bool TreeSelectionIsOwn();
// Redrawing held while the program changes many nodes, and drawn again
// once with the selected node in view; false when the tree is hidden.
bool SuspendTreeRedraw();
void ResumeTreeRedraw(bool suspended);
// The order of the scan, exported for the tests and the benchmark. A
// subdirectory as listed: its name, and whether it is a link (symbolic
// link or junction) to a directory elsewhere, which the scan does not enter.
struct Subfolder {
  std::string name;
  bool isLink;
};
bool FolderNameLess(const char *a, const char *b);  // the order of TVI_SORT
bool IsDirectoryLink(DWORD attributes, DWORD reparseTag);
void SortSubfolders(std::vector<Subfolder> *folders);
// The subfolders of a folder in listing order, and the names the code page
// cannot hold when notShown is given; false, with the reason in the last
// error, when the folder cannot be entered.
bool ListSubfolders(const char *path, std::vector<Subfolder> *folders,
                    std::vector<std::wstring> *notShown = nullptr);
// What the listing of a folder again takes from the rest of this file.
bool MayHaveSubfolders(const char *path);
bool ListShownSubfolders(const char *path, bool notices, std::vector<Subfolder> *shown);
HTREEITEM InsertFolderNode(HWND tree, HTREEITEM parent, HTREEITEM after, const Subfolder &folder);
void SetButton(HWND tree, HTREEITEM node, bool shown);
void SetNodeParam(HWND tree, HTREEITEM node, LPARAM value);
void MarkListed(HWND tree, HTREEITEM node);
void DeleteTreeNodes(const std::vector<HTREEITEM> &nodes);
bool TakePathComponent(const char **cursor, char *out, bool *last);
bool FindChildNamed(HWND tree, HTREEITEM parent, const char *name, HTREEITEM *found);

/* folder_relisting.cpp */
// A folder's subfolders changed on disk (a move, or another program): they
// are listed again into its node. Nodes of folders gone go, new ones come in
// their sorted place, every node that stays keeps its children and
// expansion, and a folder renamed (renamed: old and new names in this
// folder) keeps its node. The selection stays, and so does every remaining
// line on screen (when the line at the top goes, the line above it takes
// its place). When the folder shown went, its node's selection goes to the
// folder listed, unless keepSelected (its page has unsaved changes). A node
// never listed lists nothing: at most its expand button changes. Nothing
// visible changes when the folder matches its node (the program's own
// changes). False when the folder itself is gone.
struct Relisted {
  // Folders at or above the one shown that were renamed elsewhere, by their
  // full paths: whatever names the folder shown is to follow them.
  std::vector<NameMove> renamed;
  // The folder shown went and the selection came to this node, quietly:
  // its folder is to be opened.
  HTREEITEM selectionMoved = nullptr;
};
bool RelistFolderNode(HTREEITEM node, const std::vector<NameMove> *renamed, bool keepSelected,
                      Relisted *done);
// The same by the folder's full path; the node is found without listing
// anything new. False when the tree does not show that folder listed.
bool RelistFolderAt(const char *path, const std::vector<NameMove> *renamed, bool keepSelected,
                    Relisted *done);
// The full paths of the folders whose nodes are listed, each folder before
// the folders below it.
void ListedFolderPaths(std::vector<std::string> *paths);

/* notebook_changes.cpp */
// What the change records of the watches on the work folder say, gathered
// until they settle. Paths are relative to the work folder ("" for the work
// folder itself), in the process code page.
enum { CHANGED_ENTRIES_KEPT = 32, MOVES_KEPT = 1024 };
struct ChangedFolder {
  std::string path;
  bool subfolders;   // an entry that may be a folder came, went or was renamed
  bool pages;        // a page came, went or was renamed
  bool pageWritten;  // a page's file was written
  std::vector<std::string> entries;  // names other than pages that came or went
  bool manyEntries;  // more of them than are kept
};
struct NotebookChanges {
  bool listEverything;  // what changed is not known
  std::vector<ChangedFolder> folders;
  std::vector<NameMove> moves;  // renamed, in the order they came
  std::unordered_map<std::string, size_t> index;
  // Records that counted, ever: a caller tells by it whether records it
  // handed over gathered anything.
  unsigned long noted = 0;
};
// The records of one completed watch (FILE_NOTIFY_INFORMATION, as bytes),
// whose paths are relative to base. No bytes at all mean the platform lost
// what changed. False when the records do not hold together: everything is
// then to be listed again.
bool TakeChangeRecords(const unsigned char *bytes, size_t length, const std::string &base,
                       NotebookChanges *changes);
// The folder ("" for the work folder) and the name of a relative path.
void SplitRelativePath(const std::string &path, std::string *folder, std::string *name);
// A name came or went at a path; a folder is to be looked at whole.
void NoteNameChangedAt(NotebookChanges *changes, const std::string &path);
void NoteFolderToCheck(NotebookChanges *changes, const std::string &folder);
void ClearNotebookChanges(NotebookChanges *changes);
bool NoNotebookChanges(const NotebookChanges &changes);
void OrderChangedFolders(NotebookChanges *changes);  // folders nearer the top first
// Temporary files and backups of other programs, and TAV's own files
// beside a page: never a folder or a page.
bool IsIgnoredChangeName(const char *name);

/* notebook_watch.cpp */
// The work folder and the folder shown are watched for what other programs
// change; what the records say is gathered until it settles, and the
// notebook takes it up.
void WatchWorkFolder();  // after the tree was built from the work folder
// The folder whose pages the tabs show; none (empty) or the work folder
// itself, which its own watch covers, closes this watch.
void WatchFolderShown(const char *folder);
void StopWatchingNotebook();
// The watch of the folder shown holds the folder open, and a folder with a
// handle open at or below it cannot be renamed or removed on Windows (Wine
// keeps a removed one until the handle closes): it is let go of before TAV
// renames, moves or deletes folders, and armed again by WatchFolderShown.
void ReleaseFolderShownWatch();
// Changes each time the notebook watched is another (or none): what was
// begun for the one before is given up.
unsigned WatchedNotebookNow();
// For the message loop's wait: the handles to wait on (at most
// NOTEBOOK_WATCH_HANDLES).
enum { NOTEBOOK_WATCH_HANDLES = 2 };
DWORD NotebookWatchHandles(HANDLE *handles);
void TakeNotebookWatchRecords();  // whatever the watches completed, without waiting
// Milliseconds until what was gathered has settled, INFINITE for nothing
// gathered or while held; the changes handed over, and forgotten.
DWORD GatheredChangesDueIn(bool held);
void TakeGatheredChanges(NotebookChanges *changes);
void ForgetGatheredChanges();
void SettleGatheredChanges();  // due at once
// A folder (relative to the work folder) to look at whole, at once; where
// the work folder cannot be watched, every folder listed too.
void CheckFolderNow(const std::string &relative);
// Records as a watch delivers them, for the tests and the benchmark: base
// is the folder watched, relative to the work folder.
void NoteChangeRecords(const unsigned char *bytes, size_t length, const char *base);
// Whether a watch could be armed on the work folder; false on a share
// without change notification.
bool WorkFolderIsWatched();
// A folder's path relative to the work folder, empty for the work folder
// itself; false (and empty) when it does not lie in the notebook.
bool RelativeToWorkFolder(const char *path, std::string *relative);

/* folder_commands.cpp */
void SetNodeLabel(HTREEITEM node, const char *label);
// The right click selects its node (which shows that folder's pages, by the
// tree's notification) and offers the folder commands there.
LRESULT OnTreeRightClick();
// How a deletion takes what it deletes (the notebook sends it to the Recycle
// Bin, keeping a copy): a whole folder at once when it holds only pages and
// folders (false, with *failed clear, when it does not), and the pages of
// one folder by their names. A step that fails has said why.
struct FolderDeleteSteps {
  bool (*wholeFolder)(const char *path, bool *failed);
  bool (*pages)(const char *folder, const std::vector<std::string> &names);
};
// Deletes a folder's subtree, children first, then its pages and the folder
// itself; the first failure is reported and ends the whole deletion.
bool DeleteFolderTree(HTREEITEM node, const FolderDeleteSteps &steps);
void OpenFolder(bool explore);
// A page's or folder's volume, index and times, read without opening its
// data; a link is asked about itself, not about what it leads to.
bool ItemInformationOf(const char *path, bool isLink, BY_HANDLE_FILE_INFORMATION *info);
// The longest tail ("\child\grandchild") the folders below a folder add to
// its path, read from disk; links are not entered.
size_t LongestTailBelow(const char *path);
// A directory that leads elsewhere; one whose kind cannot be read counts.
bool IsLinkToElsewhere(const char *path);
// A link opened as itself (DELETE and FILE_READ_ATTRIBUTES), never what it
// leads to: INVALID_HANDLE_VALUE when only that could be opened.
HANDLE OpenLinkItself(const char *path);
// A folder of the notebook that is a link or lies below one takes nothing
// moved: what it leads to is outside the notebook, or inside what moves.
bool FolderIsReachedThroughLink(const char *folder);

/* move_rules.cpp */
// A page is moved as its file, a folder as its directory with everything
// below it: one rename on the volume, never a copy.
enum MoveKind { MOVE_PAGE, MOVE_FOLDER };
struct MoveRequest {
  MoveKind kind;
  const char *from;          // the page file's or the folder's full path
  const char *targetFolder;  // the folder it is to go into
  const char *name;          // its name there: a file name for a page
  const std::vector<std::wstring> *namesThere;  // every entry of the target
  bool sameVolume;           // the target lies on the item's own volume
  size_t tailBelow;          // a folder's longest path below it, beyond its own
};
enum MoveDecision {
  MOVE_GO,
  MOVE_NOTHING_TO_DO,  // it is in that folder already
  MOVE_INTO_ITSELF,    // a folder into itself or a folder below it
  MOVE_OTHER_VOLUME,
  MOVE_NAME_TAKEN,     // something there has that name, in some letter case
  MOVE_PATH_TOO_LONG,  // the item, or a folder below it, could not be named
};
// The decision, and the item's new path in to (PATH_BUFFER_SIZE) for MOVE_GO.
MoveDecision DecideMove(const MoveRequest &request, char *to);
bool NamesEqualAsFileSystem(const wchar_t *a, const wchar_t *b);
bool NameTakenIn(const std::vector<std::wstring> &namesThere, const char *name);
// Which file or folder an item is, whatever its name: its volume and its
// index there, and for a page file also when it was made and what it was
// when TAV last moved or wrote it (its size and last write). Not known where
// the system cannot tell.
struct ItemIdentity {
  bool known = false;
  DWORD volume = 0, indexHigh = 0, indexLow = 0;
  bool isFile = false;
  FILETIME created = {}, lastWrite = {};
  DWORD sizeHigh = 0, sizeLow = 0;
};
ItemIdentity IdentityFrom(const BY_HANDLE_FILE_INFORMATION &info);
// Whether the item at a path now is the one noted: only a difference seen
// counts, so where either cannot be told it is taken to be the same. A file
// system may give a new file the index of one deleted just before it
// (ext4's inode numbers under Wine, a FAT folder's entry slots), so a page
// must be the file it was in every respect noted.
bool IsSameItem(const ItemIdentity &noted, const ItemIdentity &now);
// The identity of the page or folder at a path (folder_commands.cpp).
ItemIdentity IdentityOfItem(const char *path);
// A move made in this run, as Undo Move takes it back: the item is at 'to'
// and goes back to 'from'. The records follow TAV's later moves and renames.
struct MoveRecord {
  MoveKind kind;
  std::string from, to;
  ItemIdentity moved;  // the item the move put at 'to'
};
enum { MOVE_RECORDS_KEPT = 100 };
void FollowMoveRecords(std::vector<MoveRecord> *records, const char *from, const char *to);
void KeepMoveRecord(std::vector<MoveRecord> *records, const MoveRecord &record);

/* move_dialog.cpp */
// The folder chooser of Move Page and Move: the notebook's folders as a
// tree, the folder given selected; true with the folder chosen (a
// PATH_BUFFER_SIZE buffer). The folder being moved, when given, is refused
// as its own target, and so is every folder below it.
bool ChooseTargetFolder(const char *caption, const char *current, const char *moving,
                        char *chosen);
void ReportMoveIntoItself(HWND owner, const char *folder);

/* notebook_walk.cpp */
// A walk through every folder and page below the work folder in the tree's
// order: a folder's pages in listing order, then its subfolders sorted as
// the tree sorts them, each walked whole before the next.
struct WalkFolder {
  std::string path;
  std::string relative;  // below the work folder; empty for the work folder
  std::vector<std::string> pages;  // file names
  std::vector<bool> onlineOnly;    // each page's data is kept online only
  std::vector<FileStamp> stamps;   // each page's size, write time and identity as listed
  size_t nextPage;
  std::vector<std::string> subfolders;
  size_t nextSubfolder;
};
struct NotebookWalk {
  std::vector<WalkFolder> folders;  // the folders entered and not yet left
};
// Lists a folder now; it is walked next.
void EnterWalkFolder(NotebookWalk *walk, const std::string &path, const std::string &relative);
// One step: a page (its folder, valid until the next step, and its file
// name), or a folder entered, or the end.
enum WalkStepKind { WALK_PAGE, WALK_FOLDER, WALK_END };
WalkStepKind WalkStep(NotebookWalk *walk, const WalkFolder **folder, std::string *fileName);
void SkipWalkIn(NotebookWalk *walk, const char *folder, bool below);

#endif
