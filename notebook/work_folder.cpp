// The work folder: choosing another root for the notebook with the system's
// folder browser.
#include "notebook/notebook.h"
#include <shlobj.h>
#include <string.h>

#include "base/platform_seam.h"
#include "base/theme.h"

/* Makes a folder the work folder and shows its notebook; the rebuild saves
   the page shown into the old notebook first. When that save fails, or the
   new folder cannot be entered, the rebuild leaves the old tree on screen,
   and the old work folder comes back with it. */
static void ApplyWorkFolder(const char *chosen) {
  char previous[PATH_BUFFER_SIZE];
  // The history of a page is kept by its path below the work folder.
  KeepDeletedVersionsNow();
  strcpy(previous, WorkFolderPath);
  strcpy(WorkFolderPath, chosen);
  if (!RefreshTree()) strcpy(WorkFolderPath, previous);
  NoteFolderTreeChanged(WorkFolderPath);
  // Undo Move takes back moves made in the notebook shown.
  if (!FolderPathsEqual(previous, WorkFolderPath)) ForgetMoves();
}

/* Asks for a file-system folder; true with its path when one was chosen,
   false on cancel. *failed tells a browser or path failure from a cancel. */
/* The folder browser takes the program's look once it is made. */
static int CALLBACK BrowserCallback(HWND browser, UINT message, LPARAM, LPARAM) {
  if (message == BFFM_INITIALIZED) ApplyThemeToDialog(browser);
  return 0;
}

static bool BrowseForWorkFolder(IMalloc *allocator, char *chosen, bool *failed) {
  BROWSEINFOA browse = {};
  browse.hwndOwner = MainWindow;
  browse.pidlRoot = nullptr;
  browse.pszDisplayName = chosen;
  browse.lpszTitle = "Select working folder:";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = BrowserCallback;
  PIDLIST_ABSOLUTE list = ShowFolderBrowser(&browse);
  if (list == nullptr) return false;
  chosen[0] = '\0';
  bool gotPath = PathFromItemList(list, chosen) && chosen[0] != '\0';
  allocator->Free(list);
  *failed = !gotPath;
  return gotPath;
}

/* The Work directory command. Cancelling the browser changes nothing. */
void ChooseWorkFolder() {
  if (WorkFolderPath == nullptr) return;
  char chosen[PATH_BUFFER_SIZE] = "";
  bool failed = true;
  IMalloc *allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
    failed = false;
    bool picked = BrowseForWorkFolder(allocator, chosen, &failed);
    allocator->Release();
    if (picked) ApplyWorkFolder(chosen);
  }
  if (failed) MessageBoxA(MainWindow, "Error selecting the work directory", "TAV", MB_ICONERROR);
}
