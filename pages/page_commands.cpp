// Page commands: New Page, Rename Page and Delete Page, and the name dialog
// they share with Add Subfolder.
#include "pages/pages.h"

#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include "base/dpi.h"
#include "base/ui_handles.h"

static const char PageExtension[] = ".tav";
enum { PAGE_EXTENSION_LENGTH = 4 };

// What one run of the name dialog works with; it travels in the dialog's
// creation parameter.
struct NameRequest {
  char *out;                // PATH_BUFFER_SIZE bytes
  const char *initialText;
  bool subfolderMode;
  const char *caption;      // for another name than the one taken, else null
  const char *prompt;
};

/* ---- the name dialog ---- */

// A name whose extension is not ".tav" (in any letter case) gets one.
static bool NeedsPageExtension(const char *name) {
  return !NamesEqualIgnoringAsciiCase(PathFindExtensionA(name), PageExtension);
}

/* Reads the typed name into name; returns why it cannot be used, or null
   when it can. A page name is a file name in the page's own folder: a
   separator (or the colon of a drive or a stream) would put the file
   somewhere else, and the extension must still fit the name buffer. The
   field itself has no limit, so a name too long to read whole is refused
   rather than cut. */
static const char *ReadTypedName(HWND field, const NameRequest &request, char *name) {
  int typedLength = GetWindowTextLengthA(field);
  if (typedLength >= PATH_BUFFER_SIZE) return "The name is too long: at most 259 characters fit.";
  GetWindowTextA(field, name, PATH_BUFFER_SIZE);
  // A folder given another name on its way keeps to the names a rename
  // allows: a separator would send it elsewhere.
  if (request.subfolderMode && request.caption != nullptr &&
      strpbrk(name, "<>:\"\\/|") != nullptr)
    return "A folder name can't contain any of these characters: < > : \" \\ / |";
  if (request.subfolderMode) return nullptr;
  if (strpbrk(name, "\\/:") != nullptr)
    return "A page name can't contain '\\', '/' or ':'.";
  size_t fileNameLength = strlen(name) + (NeedsPageExtension(name) ? PAGE_EXTENSION_LENGTH : 0);
  if (fileNameLength >= PATH_BUFFER_SIZE)
    return "The page name is too long: with its extension '.tav' at most 259 characters fit.";
  return nullptr;
}

static void InitNameDialog(HWND dialog, const NameRequest *request) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(request));
  if (request->caption != nullptr) {
    SetWindowTextA(dialog, request->caption);
    SetDlgItemTextA(dialog, IDC_NAME_PROMPT, request->prompt);
    SetDlgItemTextA(dialog, IDC_NAME_EDIT, request->initialText);
  } else if (request->subfolderMode) {
    SetWindowTextA(dialog, "Add Subfolder");
    SetDlgItemTextA(dialog, IDC_NAME_PROMPT, "Enter the subfolder name:");
  } else if (request->initialText[0] != '\0') {
    SetWindowTextA(dialog, "Rename Page");
    SetDlgItemTextA(dialog, IDC_NAME_EDIT, request->initialText);
  }
}

/* OK with an empty field leaves the dialog open without a word; a name that
   can't be used is explained, and the user may correct it. */
static void ConfirmName(HWND dialog) {
  const NameRequest *request =
      reinterpret_cast<const NameRequest *>(GetWindowLongPtrA(dialog, DWLP_USER));
  HWND field = GetDlgItem(dialog, IDC_NAME_EDIT);
  char name[PATH_BUFFER_SIZE] = "";
  const char *refusal = ReadTypedName(field, *request, name);
  if (refusal != nullptr) {
    MessageBoxA(dialog, refusal, "Error", MB_OK | MB_ICONSTOP);
    SendMessageA(field, EM_SETSEL, 0, -1);
    SetFocus(field);
    return;
  }
  if (name[0] == '\0') return;
  strcpy(request->out, name);
  EndDialog(dialog, IDOK);
}

static INT_PTR CALLBACK NameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitNameDialog(dialog, reinterpret_cast<const NameRequest *>(lParam));
      return TRUE;  // the focus goes to the name field, the first tab stop
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) ConfirmName(dialog);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

/* In page mode the name comes back as a page file name: "Plan" becomes
   "Plan.tav", "Plan.TAV" stays, "Week.2" becomes "Week.2.tav". */
static bool RunNameDialog(const NameRequest &request) {
  request.out[0] = '\0';
  INT_PTR result = RunProgramDialog(IDD_NAME, MainWindow, NameDialogProc,
                                    reinterpret_cast<LPARAM>(&request));
  if (result != IDOK) return false;
  if (!request.subfolderMode && NeedsPageExtension(request.out)) strcat(request.out, PageExtension);
  return true;
}

bool AskItemName(char *out, const char *initialText, bool subfolderMode) {
  return RunNameDialog({out, initialText != nullptr ? initialText : "", subfolderMode, nullptr,
                        nullptr});
}

bool AskOtherName(char *out, const char *initialText, bool subfolderMode, const char *caption,
                  const char *prompt) {
  return RunNameDialog({out, initialText, subfolderMode, caption, prompt});
}

/* ---- the commands ---- */

// A page file's full path in the folder the tab strip was filled from; the
// last error says why when it does not fit.
static bool PageFilePath(const char *fileName, char *path) {
  return JoinPath(PageFolder, fileName, path);
}

/* An existing file of that name is opened and shown as it is; only a
   missing one is created, so no page is ever emptied here. A page needs a
   folder that is shown: without one there is nowhere to put it. */
void NewPage() {
  if (PageFolder[0] == '\0') return;
  char fileName[PATH_BUFFER_SIZE];
  if (!AskItemName(fileName, "", false)) return;
  char path[PATH_BUFFER_SIZE];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (PageFilePath(fileName, path)) {
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) {
    ShowSystemErrorAbout("Error creating file '%s'", fileName);
    return;
  }
  CloseHandle(file);
  RebuildPageTabs(fileName);
  NoteFolderPagesChanged(PageFolder);
}

/* Moves a page file within folder; a change of letter case alone works
   too. leftAt names the file when it was left under a step name. */
static bool MovePageFile(const char *folder, const char *from, const char *to, char *leftAt) {
  leftAt[0] = '\0';
  char fromPath[PATH_BUFFER_SIZE];
  char toPath[PATH_BUFFER_SIZE];
  if (!JoinPath(folder, from, fromPath) || !JoinPath(folder, to, toPath)) return false;
  return RenameInFolder(folder, fromPath, toPath, leftAt);
}

// Whether the editor still shows the page at path: a question names the
// page it acts on, whatever is shown once it is answered.
static bool IsPageShown(const char *path) {
  char shown[PATH_BUFFER_SIZE];
  return ShownPagePath(shown) && strcmp(shown, path) == 0;
}

/* A page left under a rename's step name is named, so that the user knows
   where its text is; the next listing of the folder gives it a page name. */
static void ReportRenameFailure(const char *from, const char *to, const char *leftAt) {
  char message[MESSAGE2_BUFFER_SIZE + PATH_BUFFER_SIZE];
  if (leftAt[0] == '\0')
    snprintf(message, sizeof message, "Error renaming file '%s' to '%s'", from, to);
  else
    snprintf(message, sizeof message,
             "Error renaming file '%s' to '%s'\n"
             "It could not be given its old name back either: the page is now the file '%s'.",
             from, to, leftAt);
  MessageBoxA(MainWindow, message, "Error", MB_OK | MB_ICONSTOP);
}

/* The page's unsaved text is written before its file moves. When that save
   fails the rename stops, as a page change does: moving the file and leaving
   the text to be saved later under the old name would split the page in two.
   The page renamed is the one named in the dialog, in its own folder. */
void RenamePage() {
  int tab = SelectedTab();
  if (tab < 0) return;
  char oldFileName[PATH_BUFFER_SIZE];
  char pageName[PATH_BUFFER_SIZE];
  char folder[PATH_BUFFER_SIZE];
  char oldPath[PATH_BUFFER_SIZE];
  strcpy(folder, PageFolder);
  if (!GetPageFileName(tab, oldFileName) || !GetPageName(tab, pageName) ||
      !JoinPath(folder, oldFileName, oldPath))
    return;
  char newFileName[PATH_BUFFER_SIZE];
  if (!AskItemName(newFileName, pageName, false)) return;
  if (IsPageShown(oldPath) && !SavePageIfModified(CurrentPageIndex)) return;
  char leftAt[PATH_BUFFER_SIZE];
  if (!MovePageFile(folder, oldFileName, newFileName, leftAt)) {
    ReportRenameFailure(oldFileName, newFileName, leftAt);
    return;
  }
  // The page keeps its place and its history under its new name.
  char newPath[PATH_BUFFER_SIZE];
  if (JoinPath(folder, newFileName, newPath)) NotePagesMoved(oldPath, newPath);
  bool sameFolder = FolderPathsEqual(folder, PageFolder);
  RebuildPageTabs(sameFolder ? newFileName : nullptr);
  NoteFolderPagesChanged(folder);
}

/* A deleted page's unsaved changes go with it; a page that can't be deleted
   stays as it was, unsaved changes included. The file deleted is the one the
   question named. */
void DeletePage() {
  int tab = SelectedTab();
  if (tab < 0) return;
  char pageName[PATH_BUFFER_SIZE];
  if (!GetPageName(tab, pageName)) return;
  char fileName[PATH_BUFFER_SIZE];
  char path[PATH_BUFFER_SIZE];
  bool named = GetPageFileName(tab, fileName) && PageFilePath(fileName, path);
  char message[MESSAGE_BUFFER_SIZE];
  snprintf(message, sizeof message, "Delete page '%s'?", pageName);
  if (MessageBoxA(MainWindow, message, "Confirm page delete", MB_YESNO | MB_ICONWARNING) != IDYES)
    return;
  if (!named || !DeleteFileA(path)) {
    ShowSystemErrorAbout("Couldn't delete page '%s'", pageName);
    return;
  }
  if (IsPageShown(path)) EditorSetModified(false);
  RemoveRecoveryCopy(path);
  NotePagesDeleted(path);
  RebuildPageTabs();
  NotePageFileChanged(path);
}
