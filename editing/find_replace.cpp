// Find and replace in the editor through the system's modeless Find and
// Replace dialogs, and Find Next (F3), which repeats the last search.
#include "editing/editing.h"

#include <richedit.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

#include "base/platform_seam.h"
#include "base/list_dialogs.h"
#include "base/theme.h"

// The dialogs are offered 90 bytes of each text, terminator included.
enum { FIND_TEXT_CAPACITY = 90 };

// One request for both dialogs and Find Next, kept for the whole run: the
// texts and options of one dialog are there when the next one opens.
FINDREPLACEA findRequest;
char findWhatText[FIND_BUFFER_SIZE];
char replaceWithText[FIND_BUFFER_SIZE];

/* Makes the request ready for a dialog; the option bits and both texts stay. */
/* The common Find and Replace dialogs take the program's look through their
   hook; everything else stays the dialogs' own. A hook that answers FALSE
   to WM_INITDIALOG must show the dialog itself: TRUE leaves that to it. */
static UINT_PTR CALLBACK FindDialogHook(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return 0;
  ApplyThemeToDialog(dialog);
  return TRUE;
}

void PrepareFindRequest() {
  findRequest.lStructSize = sizeof findRequest;
  findRequest.hwndOwner = MainWindow;
  findRequest.hInstance = AppInstance;
  findRequest.lpstrFindWhat = findWhatText;
  findRequest.lpstrReplaceWith = replaceWithText;
  findRequest.wFindWhatLen = FIND_TEXT_CAPACITY;
  findRequest.wReplaceWithLen = FIND_TEXT_CAPACITY;
  findRequest.Flags |= FR_HIDEUPDOWN | FR_ENABLEHOOK;
  findRequest.lpfnHook = FindDialogHook;
}

static void ReportDialogFailure(const char *which) {
  char message[MESSAGE_BUFFER_SIZE];
  snprintf(message, sizeof message, "The %s dialog could not be opened (error %lu)", which,
           static_cast<unsigned long>(CommonDialogError()));
  MessageBoxA(MainWindow, message, "Error", MB_OK | MB_ICONERROR);
}

void OpenFindDialog() {
  PrepareFindRequest();
  HWND dialog = ShowFindDialog(&findRequest);
  if (dialog == nullptr)
    ReportDialogFailure("Find");
  else
    NoteModelessDialog(dialog);
}

void OpenReplaceDialog() {
  PrepareFindRequest();
  HWND dialog = ShowReplaceDialog(&findRequest);
  if (dialog == nullptr)
    ReportDialogFailure("Replace");
  else
    NoteModelessDialog(dialog);
}

/* Until a dialog has been opened there is nothing to repeat. */
void FindNextCommand() {
  if (findRequest.lStructSize == 0) {
    OpenFindDialog();
    return;
  }
  findRequest.Flags |= FR_FINDNEXT;
  OnFindReplace(reinterpret_cast<LPARAM>(&findRequest));
}

/* The first occurrence of the search text from start to the end of the text.
   An empty search text matches nothing: it would match everywhere without
   consuming any text. The match's end is the one the editor reports: its
   positions count characters, and the search text's length counts bytes,
   two for each double-byte character. */
static bool FindFrom(DWORD options, LONG start, CHARRANGE *match) {
  if (Ui.editor == nullptr || findWhatText[0] == '\0') return false;
  FINDTEXTEXA search = {};
  search.chrg.cpMin = start;
  search.chrg.cpMax = -1;
  search.lpstrText = findWhatText;
  LRESULT found = SendMessageA(Ui.editor, EM_FINDTEXTEX, FR_DOWN | options,
                               reinterpret_cast<LPARAM>(&search));
  if (found < 0 || search.chrgText.cpMax < search.chrgText.cpMin) return false;
  *match = search.chrgText;
  return true;
}

static void SelectInEditor(const CHARRANGE &range) {
  CHARRANGE copy = range;
  SendMessageA(Ui.editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&copy));
}

static void ReplaceSelection() {
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(replaceWithText));
}

static void ReportNotFound() {
  MessageBoxA(MainWindow, "Search text not found", "Find Next", MB_OK | MB_ICONINFORMATION);
}

/* A page shown read-only is never saved: a replacement there would be lost
   without a word, so none is made. */
static bool RefuseChangesToProtectedPage() {
  if (SelectedTab() < 0 || !EditorIsReadOnly()) return false;
  MessageBoxA(MainWindow,
              "This page is shown read-only and is never saved; its text is not replaced.", "TAV",
              MB_OK | MB_ICONINFORMATION);
  return true;
}

static void FindNextMatch(DWORD options, const CHARRANGE &selection) {
  CHARRANGE match;
  if (!FindFrom(options, selection.cpMin + 1, &match)) {
    ReportNotFound();
    return;
  }
  SelectInEditor(match);
  SetFocus(Ui.editor);
}

static void ReplaceOneMatch(DWORD options, const CHARRANGE &selection) {
  if (RefuseChangesToProtectedPage()) return;
  CHARRANGE match;
  if (!FindFrom(options, selection.cpMin, &match)) {
    ReportNotFound();
    return;
  }
  SelectInEditor(match);
  ReplaceSelection();
  SetFocus(Ui.editor);
}

/* Each search goes on one character after the start of the occurrence just
   replaced, but never beyond the end of the inserted text: an empty
   replacement leaves the next character at that start. A match lying wholly
   inside the text just inserted is that text found again (the replacement
   holds the search text): it is skipped, and the search goes on after the
   inserted text, so the loop always ends. */
static void ReplaceAllMatches(DWORD options, const CHARRANGE &selection) {
  if (RefuseChangesToProtectedPage()) return;
  CHARRANGE inserted = {-1, -1};
  LONG position = selection.cpMin;
  CHARRANGE match;
  while (FindFrom(options, position, &match)) {
    if (match.cpMin >= inserted.cpMin && match.cpMax <= inserted.cpMax) {
      position = inserted.cpMax;
      continue;
    }
    SelectInEditor(match);
    ReplaceSelection();
    // The caret stands after the inserted text.
    inserted.cpMin = match.cpMin;
    CHARRANGE caret = {0, 0};
    SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    inserted.cpMax = caret.cpMax;
    position = match.cpMin + 1 < inserted.cpMax ? match.cpMin + 1 : inserted.cpMax;
  }
  SetFocus(Ui.editor);
}

/* One press of a dialog button, or Find Next. */
void OnFindReplace(LPARAM) {
  if (Ui.editor == nullptr) return;
  CHARRANGE selection = {0, 0};
  SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  DWORD options = findRequest.Flags & (FR_MATCHCASE | FR_WHOLEWORD);
  findRequest.Flags &= ~static_cast<DWORD>(FR_DIALOGTERM);
  if (findRequest.Flags & FR_FINDNEXT)
    FindNextMatch(options, selection);
  else if (findRequest.Flags & FR_REPLACE)
    ReplaceOneMatch(options, selection);
  else if (findRequest.Flags & FR_REPLACEALL)
    ReplaceAllMatches(options, selection);
}
