// The copies of unsaved text an earlier run left, offered back at start:
// Yes shows the page, its folder and tab selected, with the copy's text as
// unsaved changes; No keeps the text beside the page. A copy of anything but
// a page of the notebook shown is kept in the Recovery folder.
#include "notebook/notebook.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

/* Yes shows the page, its folder selected, with the copy's text as unsaved
   changes. False when the page is not in the notebook shown any more. */
static bool RestoreCopy(const RecoveryCopy &copy) {
  if (!SelectFolderOfPage(copy.pagePath.c_str())) return false;
  int tab = FindPageTab(PathFindFileNameA(copy.pagePath.c_str()));
  if (tab < 0) return false;
  return ShowPageWithText(tab, copy.text, copy.encoding, copy.madeAgainst);
}

static bool AskToRestore(const char *pageFileName) {
  char question[MESSAGE2_BUFFER_SIZE];
  snprintf(question, sizeof question,
           "TAV ended without saving '%s'. Restore the text typed after its last save?",
           pageFileName);
  return MessageBoxA(MainWindow, question, "TAV", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

static void TellWhereTheTextIs(const char *pageFileName, const char *where) {
  char message[MESSAGE2_BUFFER_SIZE + PATH_BUFFER_SIZE];
  snprintf(message, sizeof message, "The text typed in '%s' after its last save is kept in '%s'.",
           pageFileName, where);
  MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONINFORMATION);
}

static void OfferCopy(const char *copyPath) {
  std::string bytes;
  RecoveryCopy copy;
  if (ReadFileAt(copyPath, &bytes) != 0 || !ParseRecoveryCopy(bytes, &copy)) return;
  std::string().swap(bytes);
  if (!IsPageOfNotebook(copy.pagePath, WorkFolderPath)) {
    KeepCopyOfOtherPage(copy, copyPath);
    return;
  }
  const char *pageFileName = PathFindFileNameA(copy.pagePath.c_str());
  if (AskToRestore(pageFileName)) {
    if (RestoreCopy(copy)) {  // the copy goes once the page is saved
      NoteKeptCopy(PathFindFileNameA(copyPath));
      return;
    }
  }
  char keptAs[PATH_BUFFER_SIZE];
  if (KeepCopyBesidePage(copy, keptAs)) {
    DeleteFileA(copyPath);
    TellWhereTheTextIs(pageFileName, keptAs);
  } else {
    TellWhereTheTextIs(pageFileName, copyPath);
  }
}

/* At start: the temporary files of copies whose writing was cut short (the
   process killed) go, and every copy an earlier run left is offered back. */
void OfferRecoveredPages() {
  char folder[PATH_BUFFER_SIZE], pattern[PATH_BUFFER_SIZE];
  if (!RecoveryFolder(folder, false) || !JoinPath(folder, "page-*.rec", pattern)) return;
  RemoveLeftoverTemporaryFiles(folder);
  std::vector<std::string> copies;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    char path[PATH_BUFFER_SIZE];
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        JoinPath(folder, found.cFileName, path))
      copies.push_back(path);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  for (const std::string &copy : copies) OfferCopy(copy.c_str());
}
