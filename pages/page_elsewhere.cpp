// The page shown as another program left its file: read again when it has
// nothing unsaved, or changed and kept (the window title and the tab say so,
// and a save asks), renamed (its tab follows), gone, or gone and kept (its
// text is written to its name again when it is left).
#include "pages/pages.h"

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

// What the window title says about the page shown.
static ShownPageNotice Notice = NOTICE_NONE;

/* The notice goes into the window title and the page's tab is
   highlighted: a message box would take the keys typed into the page. */
void SayShownPageNotice(ShownPageNotice notice) {
  if (notice == Notice && notice == NOTICE_NONE) return;
  Notice = notice;
  if (MainWindow == nullptr) return;
  char title[MESSAGE2_BUFFER_SIZE] = "TAV";
  char pageName[PATH_BUFFER_SIZE];
  if (notice != NOTICE_NONE && GetPageName(CurrentPageIndex, pageName))
    snprintf(title, sizeof title,
             notice == NOTICE_CHANGED_ELSEWHERE
                 ? "TAV - '%s' was changed by another program: saving asks which text to keep, "
                   "and keeps both"
                 : "TAV - '%s' was deleted by another program: your text is written to it again "
                   "when you leave it",
             pageName);
  SetWindowTextA(MainWindow, title);
  MarkShownPageTab();
}

ShownPageNotice ShownPageNoticeNow() { return Notice; }

void MarkShownPageTab() {
  if (Ui.tabs == nullptr) return;
  int count = TabCtrl_GetItemCount(Ui.tabs);
  for (int index = 0; index < count; ++index)
    SendMessageA(Ui.tabs, TCM_HIGHLIGHTITEM, index,
                 MAKELPARAM(Notice != NOTICE_NONE && index == CurrentPageIndex, 0));
}

/* Where the page shown went, when it was renamed elsewhere: the name a
   rename record gives it, or a page new to the folder that is its very file
   (a rename reported as one page gone and another made). */
static bool FindShownPageRenamed(const char *fileName, const std::vector<NameMove> &renamed,
                                 const std::vector<std::string> &newPages, char *newFileName) {
  char path[PATH_BUFFER_SIZE];
  for (const NameMove &move : renamed) {
    DWORD attributes;
    if (NamesEqualIgnoringAsciiCase(move.from.c_str(), fileName) &&
        IsPageFileName(move.to.c_str()) && JoinPath(PageFolder, move.to.c_str(), path) &&
        (attributes = GetFileAttributesA(path)) != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      strcpy(newFileName, move.to.c_str());
      return true;
    }
  }
  BY_HANDLE_FILE_INFORMATION info;
  for (const std::string &page : newPages) {
    if (page.size() + 4 >= PATH_BUFFER_SIZE) continue;
    std::string candidate = page + ".tav";
    if (JoinPath(PageFolder, candidate.c_str(), path) && ItemInformationAt(path, &info) &&
        IsPageOnDisk(info)) {
      strcpy(newFileName, candidate.c_str());
      return true;
    }
  }
  return false;
}

/* The page shown goes on under its new name, its unsaved text with it, and
   its recovery copy follows. */
static void FollowShownPageRenamed(const char *fileName, const char *newFileName) {
  char oldPath[PATH_BUFFER_SIZE];
  RenamePageOnDisk(newFileName);
  if (JoinPath(PageFolder, fileName, oldPath)) {
    RemoveRecoveryCopy(oldPath);
    char newPath[PATH_BUFFER_SIZE];
    if (JoinPath(PageFolder, newFileName, newPath)) MoveVersions(false, oldPath, newPath);
  }
  if (EditorIsModified()) NoteEditorChanged();
}

ShownPageCheck CheckShownPageFile(const std::vector<NameMove> &renamed,
                                  const std::vector<std::string> &newPages, char *newFileName) {
  newFileName[0] = '\0';
  char fileName[PATH_BUFFER_SIZE], path[PATH_BUFFER_SIZE];
  if (CurrentPageIndex < 0 || Ui.editor == nullptr || !GetPageFileName(CurrentPageIndex, fileName) ||
      !JoinPath(PageFolder, fileName, path))
    return SHOWN_AS_READ;
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (GetFileAttributesExA(path, GetFileExInfoStandard, &now)) {
    if (now.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return SHOWN_AS_READ;
    if (IsFileAsKnown(fileName, now)) {
      if (Notice != NOTICE_NONE) SayShownPageNotice(NOTICE_NONE);
      return SHOWN_AS_READ;
    }
    if (StillUnreadableAsBefore(path)) return SHOWN_AS_READ;
    if (!EditorIsModified()) {
      ReadShownPageAgain();
      return SHOWN_READ_AGAIN;
    }
    SayShownPageNotice(NOTICE_CHANGED_ELSEWHERE);
    return SHOWN_CHANGED_KEPT;
  }
  if (!IsMissingFileError(GetLastError())) return SHOWN_AS_READ;
  if (FindShownPageRenamed(fileName, renamed, newPages, newFileName)) {
    FollowShownPageRenamed(fileName, newFileName);
    return SHOWN_RENAMED;
  }
  // A page whose file was missing when it was shown is no news.
  if (!PageOnDiskExisted()) return SHOWN_AS_READ;
  if (!EditorIsModified()) {
    // The text shown is the page's last: it is kept as the deleted page's.
    KeepShownTextAsVersion(REASON_DELETED);
    MarkVersionsDeleted(false, path);
    return SHOWN_GONE;
  }
  SayShownPageNotice(NOTICE_DELETED_ELSEWHERE);
  return SHOWN_GONE_KEPT;
}

/* The page shown lost its file and has nothing unsaved: the editor holds no
   page until the next is shown. */
void ForgetShownPage() {
  LeaveShownPage();
  NotePageArrived(nullptr);
  CurrentPageIndex = -1;
  ForgetPageOnDisk();
  SayShownPageNotice(NOTICE_NONE);
}

void ShownPageTabMoved(int index) {
  CurrentPageIndex = index;
  if (Ui.tabs != nullptr) TabCtrl_SetCurSel(Ui.tabs, index);
  if (Notice != NOTICE_NONE) SayShownPageNotice(Notice);
}

