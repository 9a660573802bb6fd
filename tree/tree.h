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
void ScanFolder(const char *path, HTREEITEM node);  // exported for the tests
void OnFolderSelected(HTREEITEM node, HTREEITEM previous = nullptr);
// Selects the folder of a page's full path, and the page when it is there;
// false when the folder is not in the tree.
bool SelectFolderOfPage(const char *pagePath);
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

/* folder_commands.cpp */
LRESULT OnBeginFolderRename(HTREEITEM node);
LRESULT OnEndFolderRename(NMTVDISPINFOA *info);
LRESULT OnTreeRightClick();
void AddSubfolder();
void DeleteFolder();
void OpenFolder(bool explore);

/* work_folder.cpp */
void ChooseWorkFolder();

#endif
