// The name dialog: the name of a new page, a page's new name, a new
// subfolder's name, or another name where the one given is taken.
#include "pages/pages.h"
#include "base/theme.h"

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
      ApplyThemeToDialog(dialog);
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
