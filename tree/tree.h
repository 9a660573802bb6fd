// The folder tree: folder paths and the current folder, the tree itself,
// folder commands and the work folder.
#ifndef TAV_TREE_H
#define TAV_TREE_H

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

/* folder_paths.cpp */
bool GetNodeLabel(HTREEITEM node, char *out);
bool GetFolderPath(HTREEITEM node, char *out);
bool SwitchFolder(const char *path);
void ReportFolderNotEntered(const char *path);  // "Cannot switch to directory ..."

/* folder_tree.cpp */
bool RefreshTree();
void OnFolderSelected(HTREEITEM node, HTREEITEM previous = nullptr);
// Selects the folder of a page's full path, listing the folders on the way,
// and the page when it is there; false when the folder is not in the notebook.
bool SelectFolderOfPage(const char *pagePath);
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
LRESULT OnFolderExpanding(const NMTREEVIEWA *change);  // TVN_ITEMEXPANDING
LRESULT OnFolderGetDispInfo(NMTVDISPINFOA *info);       // TVN_GETDISPINFO
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

/* folder_commands.cpp */
LRESULT OnBeginFolderRename(HTREEITEM node);
LRESULT OnEndFolderRename(NMTVDISPINFOA *info);
LRESULT OnTreeRightClick();
void AddSubfolder();
void DeleteFolder();
void OpenFolder(bool explore);

/* notebook_walk.cpp */
// A walk through every folder and page below the work folder in the tree's
// order: a folder's pages in listing order, then its subfolders sorted as
// the tree sorts them, each walked whole before the next.
struct WalkFolder {
  std::string path;
  std::string relative;  // below the work folder; empty for the work folder
  std::vector<std::string> pages;  // file names
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

/* work_folder.cpp */
void ChooseWorkFolder();

#endif
