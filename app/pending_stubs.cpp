// Stand-ins for what is not written yet; each line goes when its real function arrives.
#include "app/ui_handles.h"
#include "editing/editing.h"
#include "pages/pages.h"
#include "settings/settings.h"
#include "toolbar/toolbar.h"
#include "tree/tree.h"

// page commands, import and export
void NewPage() {}
void RenamePage() {}
void DeletePage() {}
void ImportTextFile() {}
void ExportSelection() {}
// folder commands and the work folder
LRESULT OnEndFolderRename(NMTVDISPINFOA *) { return 0; }
LRESULT OnTreeRightClick() { return 0; }
void AddSubfolder() {}
void DeleteFolder() {}
void OpenFolder(bool) {}
void ChooseWorkFolder() {}
// find and replace
void OpenFindDialog() {}
void FindNextCommand() {}
void OpenReplaceDialog() {}
void OnFindReplace(LPARAM) {}
