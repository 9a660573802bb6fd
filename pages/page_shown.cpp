// The page shown: loading a page's file into the editor and writing it back,
// the only way the editor changes pages (ShowPage), and the folder whose
// pages the tabs show.
#include "pages/pages.h"

#include <richedit.h>
#include <stdio.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "base/ui_handles.h"
#include "editing/editing.h"
#include "base/page_text.h"

int CurrentPageIndex = -1;
bool HasPages = false;
char PageFolder[PATH_BUFFER_SIZE] = "";

// Set while the editor shows a page whose text is not the file's whole
// content; such a page is shown read-only and never written back.
static bool PageIsProtected = false;

// How the page shown was read, and is written back: decided when its file
// is read, and changed only when it gains characters that encoding cannot
// hold. A page without a file is written as a new one.
static PageEncoding ShownEncoding = NewPageEncoding();
// The kinds of line break the page shown was read with: when its lines did
// not all end alike, its first save writes them all as most of them were,
// and says so.
static unsigned ShownBreakKinds = 0;
// The hash of the bytes the page shown's file held when TAV read or wrote
// it last: a version of that text is kept without reading it again.
static bool ShownFileHashKnown = false;
static unsigned long long ShownFileHash = 0;


bool CurrentPageIsProtected() { return PageIsProtected; }
PageEncoding CurrentPageEncoding() { return ShownEncoding; }

/* The saved page path names the page shown: the folder the tabs list (the
   selected folder, or, when the folder change went ahead although the page
   could not be saved, the page's own) and the page file name. */
bool UpdateSavedPagePath() {
  if (SavedPagePath == nullptr) return false;
  SavedPagePath[0] = '\0';
  if (!HasPages || PageFolder[0] == '\0') return false;
  strcpy(SavedPagePath, PageFolder);
  char fileName[PATH_BUFFER_SIZE];
  if (!GetPageFileName(SelectedTab(), fileName)) return false;
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(PageFolder, fileName, path)) return false;
  strcpy(SavedPagePath, path);
  return true;
}

/* ---- saving ---- */

static void ShowCutShortError(const char *fileName) {
  char message[MESSAGE2_BUFFER_SIZE];
  snprintf(message, sizeof message,
           "Error saving to file '%s':\nThe editor gave back only part of the page's text, "
           "so the file was left as it was.",
           fileName);
  MessageBoxA(MainWindow, message, "Error", MB_ICONWARNING | MB_OK);
}

/* A name beside the page that is not a page's, for one of the two texts of
   a page changed on disk: "Plan (other version).txt", then "Plan (other
   version 2).txt" and on; "O001" in a folder too deep for those. */
static bool FreeNameBesidePage(const char *folder, const char *fileName, const char *label,
                               char letter, char *name, char *path) {
  char pageName[PATH_BUFFER_SIZE];
  strcpy(pageName, fileName);
  size_t length = strlen(pageName);
  if (length >= 4) pageName[length - 4] = '\0';  // the ".tav" GetPageFileName appended
  return FreeNameBeside(folder, pageName, label, letter, name, path);
}

// Yes: the user's text replaces the page. No: the page stays as the other
// program left it. Either way the other text is kept beside it.
static bool AskToReplaceChangedPage(const char *fileName, const char *otherName,
                                    const char *yourName) {
  char message[MESSAGE2_BUFFER_SIZE];
  int written = snprintf(message, sizeof message,
                         "The page '%s' was changed by another program after TAV loaded it.\n\n"
                         "Replace it with your text? The other version will be kept as '%s'.\n\n"
                         "No keeps the other version as the page and saves your text as '%s'.",
                         fileName, otherName, yourName);
  if (written < 0 || written >= static_cast<int>(sizeof message))
    snprintf(message, sizeof message,
             "The page '%s' was changed by another program after TAV loaded it.\n\n"
             "Replace it with your text? The other version will be kept beside it.\n\n"
             "No keeps the other version as the page and saves your text beside it.",
             fileName);
  return MessageBoxA(MainWindow, message, "Confirm page overwrite", MB_YESNO | MB_ICONWARNING) ==
         IDYES;
}

/* How a page is saved: as it is, or, when another program changed its file
   since it was read, the way the user answers, with the names for the text
   kept beside it. */
struct PageSavePlan {
  bool changed;  // the page file is no longer what was read
  bool replace;  // the user's text replaces the other version
  char otherName[PATH_BUFFER_SIZE], otherPath[PATH_BUFFER_SIZE];
  char yourName[PATH_BUFFER_SIZE], yourPath[PATH_BUFFER_SIZE];
};

/* Asks before the editor's text is fetched: the Find and Replace dialogs
   stay usable while the question is shown, and a replacement made there
   meanwhile belongs to the text saved. False when no free names beside the
   page can be found. */
static bool PlanPageSave(const char *folder, const char *path, const char *fileName,
                         PageSavePlan *plan) {
  plan->changed = PageFileChangedOnDisk(path, fileName);
  plan->replace = false;
  if (!plan->changed) return true;
  if (!FreeNameBesidePage(folder, fileName, "other version", 'O', plan->otherName,
                          plan->otherPath) ||
      !FreeNameBesidePage(folder, fileName, "your version", 'Y', plan->yourName, plan->yourPath))
    return false;
  plan->replace = AskToReplaceChangedPage(fileName, plan->otherName, plan->yourName);
  return true;
}

/* Saves a page whose file another program changed since it was read, as the
   user chose; neither text is lost. When the user keeps the other version,
   what was read is still remembered, so a later save asks again. */
static bool SaveChangedPage(const char *folder, const char *path, const char *fileName,
                            const PageSavePlan &plan, const char *text, size_t length) {
  if (!plan.replace) return WritePageFile(folder, plan.yourName, text, length);
  // Unless the other program has deleted it again, its text is copied first.
  bool pageThere = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ||
                   !IsMissingFileError(GetLastError());
  if (pageThere && !CopyFileA(path, plan.otherPath, TRUE)) return false;
  if (!WritePageFile(folder, fileName, text, length)) {
    if (pageThere) DeleteFileKeepingError(plan.otherPath);
    return false;
  }
  RememberPageAsWritten(path, fileName);
  return true;
}

static bool WriteUnchangedPage(const char *folder, const char *path, const char *fileName,
                               const char *text, size_t length) {
  if (!WritePageFile(folder, fileName, text, length)) return false;
  RememberPageAsWritten(path, fileName);
  return true;
}

/* The text a save replaces is kept as a version when one is due; a save
   that only writes the user's text beside the page replaces nothing. */
static bool SaveKeepingVersion(const char *folder, const char *path, const char *fileName,
                               const PageSavePlan &plan, const std::string &bytes,
                               bool shownPage) {
  std::string made;
  bool kept = false;
  if (!plan.changed || plan.replace)
    kept = KeepVersionBeforeSave(path, !plan.changed && shownPage && ShownFileHashKnown, ShownFileHash,
                          &made);
  bool saved = plan.changed
                   ? SaveChangedPage(folder, path, fileName, plan, bytes.data(), bytes.size())
                   : WriteUnchangedPage(folder, path, fileName, bytes.data(), bytes.size());
  DWORD error = GetLastError();
  FinishVersionBeforeSave(path, made, kept, saved);
  if (saved && shownPage && (!plan.changed || plan.replace)) {
    ShownFileHash = HashVersionBytes(bytes.data(), bytes.size());
    ShownFileHashKnown = true;
  }
  SetLastError(error);
  return saved;
}

/* The page's text in the encoding it is kept in. A page that gained
   characters its encoding cannot hold goes to UTF-8 with a byte-order mark
   (UTF-16 should even that fail: only a lone surrogate can), never with a
   character written as another; *changedTo then says which. */
bool EncodeForPage(const std::wstring &text, const PageEncoding &encoding, std::string *bytes,
                   PageEncoding *changedTo) {
  *changedTo = encoding;
  if (EncodePageText(text.data(), text.size(), encoding, bytes)) return false;
  *changedTo = Utf8WithMark(encoding.breaks);
  if (EncodePageText(text.data(), text.size(), *changedTo, bytes)) return true;
  *changedTo = PageEncoding{TEXT_UTF16LE, 0, true, encoding.breaks};
  EncodePageText(text.data(), text.size(), *changedTo, bytes);
  return true;
}

static void ReportEncodingChange(const char *fileName, const PageEncoding &from,
                                 const PageEncoding &to) {
  char message[MESSAGE2_BUFFER_SIZE];
  snprintf(message, sizeof message,
           "The page '%s' now holds characters that %s cannot hold, so it was saved as %s.",
           fileName, EncodingName(from).c_str(), EncodingName(to).c_str());
  MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONINFORMATION);
}

static void ReportLineBreaksMadeAlike(const char *fileName, unsigned kinds, LineBreaks breaks) {
  char message[MESSAGE2_BUFFER_SIZE];
  snprintf(message, sizeof message,
           "The lines of the page '%s' did not all end alike (%s), so it was saved with every "
           "line ending in %s.",
           fileName, LineBreakKindsNames(kinds).c_str(), LineBreaksName(breaks));
  MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONINFORMATION);
}

/* Makes a folder of the notebook again, with any of its parents gone too;
   true when it made one. */
static bool MakeFolderAgain(const char *folder) {
  if (WorkFolderPath == nullptr || !PathIsAtOrBelow(folder, WorkFolderPath) ||
      GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES)
    return false;
  // Split by characters: under a double-byte code page the second byte of a
  // character ("\x95\x5C") may be a backslash's.
  char parent[PATH_BUFFER_SIZE];
  const char *name;
  if (!SplitItemPath(folder, parent, &name)) return false;
  MakeFolderAgain(parent);
  return CreateDirectoryA(folder, nullptr) != 0;
}

/* The page shown was deleted by another program, or its folder was, or
   moved away (out of the notebook, to the Recycle Bin): its text goes back
   to its name, its folder made again, and the watch of the folder shown is
   armed on the folder made (a folder moved away takes the old watch with
   it). */
static void MakeShownPagesFolderAgain(const char *folder) {
  if (ShownPageNoticeNow() != NOTICE_DELETED_ELSEWHERE || !MakeFolderAgain(folder)) return;
  TellMainWindow(UM_FOLDERSHOWN, TRUE);
}

bool SavePageIfModified(int index) {
  if (index < 0 || Ui.editor == nullptr || !EditorIsModified()) return true;
  // Writing back a page the editor holds only in part would cut its file.
  if (PageIsProtected && index == CurrentPageIndex) return true;
  char fileName[PATH_BUFFER_SIZE];
  if (!GetPageFileName(index, fileName)) return false;
  // The page is saved into the folder it was shown from, whatever is shown
  // once a question about it is answered.
  char folder[PATH_BUFFER_SIZE];
  strcpy(folder, PageFolder);
  char path[PATH_BUFFER_SIZE];
  bool cutShort = false;
  bool fetched = false;
  std::wstring text;
  PageSavePlan plan;
  // A page deleted elsewhere, folder and all, while it had unsaved text is
  // written to its name again: its folder is made again first.
  if (index == CurrentPageIndex) MakeShownPagesFolderAgain(folder);
  if (JoinPath(folder, fileName, path) && PlanPageSave(folder, path, fileName, &plan))
    fetched = FetchEditorText(&text, &cutShort);
  bool saved = false;
  bool encodingChanged = false;
  PageEncoding encoding = ShownEncoding;
  if (fetched) {
    std::string bytes;
    encodingChanged = EncodeForPage(text, ShownEncoding, &bytes, &encoding);
    std::wstring().swap(text);
    saved = SaveKeepingVersion(folder, path, fileName, plan, bytes, index == CurrentPageIndex);
  }
  DWORD error = GetLastError();
  if (!saved) {
    SetLastError(error);
    if (cutShort)
      ShowCutShortError(fileName);
    else
      ShowSystemErrorAbout("Error saving to file '%s'", fileName);
    return false;
  }
  EditorSetModified(false);
  RemoveRecoveryCopy(path);
  if (index == CurrentPageIndex) SayShownPageNotice(NOTICE_NONE);
  SayVersionStoreFailure();
  if (encodingChanged) {
    PageEncoding previous = ShownEncoding;
    ShownEncoding = encoding;
    ReportEncodingChange(fileName, previous, encoding);
  }
  if (LineBreakKindsMixed(ShownBreakKinds)) {
    unsigned kinds = ShownBreakKinds;
    ShownBreakKinds = 0;
    ReportLineBreaksMadeAlike(fileName, kinds, encoding.breaks);
  }
  return true;
}

bool SaveCurrentPage() {
  if (Ui.tabs == nullptr || TabCtrl_GetItemCount(Ui.tabs) < 1) return true;
  if (!EditorIsModified()) return true;
  int selected = TabCtrl_GetCurSel(Ui.tabs);
  if (selected < 0 || selected >= TabCtrl_GetItemCount(Ui.tabs)) return true;
  return SavePageIfModified(selected);
}

/* ---- reading ---- */

// How far a page file reached the editor. A file that is not there may be
// created by a save; one that is there but could not be opened must never be
// written, since its text never reached the editor.
enum LoadOutcome {
  LOAD_WHOLE,
  LOAD_MISSING,
  LOAD_UNREADABLE,
  LOAD_HAS_NUL,
  LOAD_NOT_TEXT,
  LOAD_READ_FAILED,
  LOAD_CUT_SHORT,
  LOAD_NOT_HELD
};

// Why the file of the page shown could not be opened when it was shown;
// 0 when it could.
static DWORD UnreadableError;

// No other program may write the file while it is read.
static HANDLE OpenPageFile(const char *path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

static LoadOutcome LoadPageFile(HWND editor, const char *path, const char *fileName,
                                DWORD *error) {
  HANDLE file = OpenPageFile(path);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    if (!IsMissingFileError(*error)) return LOAD_UNREADABLE;
    RememberPageOnDisk(fileName, false, 0, 0, FILETIME{});
    return LOAD_MISSING;
  }
  // Taken before the read, so that a change made while it runs is noticed.
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(file, &info)) {
    RememberPageOnDisk(fileName, true, info.nFileSizeHigh, info.nFileSizeLow,
                       info.ftLastWriteTime);
    IdentifyPageOnDisk(info);
  }
  std::string bytes;
  DWORD readError = ReadWholeFile(file, &bytes);
  CloseHandle(file);
  ShownFileHashKnown = readError == 0;
  ShownFileHash = HashVersionBytes(bytes.data(), bytes.size());
  std::wstring text;
  bool exact = ReadPageText(bytes.data(), bytes.size(), &ShownEncoding, &text, &ShownBreakKinds);
  PagePieces pieces;
  StartPagePieces(&pieces, text.data(), text.size());
  bool notHeld = false;
  bool whole = StreamIntoEditor(editor, &pieces, false, &notHeld);
  if (readError != 0) {
    *error = readError;
    return LOAD_READ_FAILED;
  }
  if (!whole) return notHeld ? LOAD_NOT_HELD : LOAD_CUT_SHORT;
  if (pieces.sawNul) return LOAD_HAS_NUL;
  if (!exact) return LOAD_NOT_TEXT;
  return LOAD_WHOLE;
}

// Tells the user why the page shown is not all of its file, or could not be
// opened at all.
static void ReportLoadOutcome(LoadOutcome outcome, const char *fileName, DWORD error) {
  char message[MESSAGE_BUFFER_SIZE + 200];
  switch (outcome) {
    case LOAD_WHOLE:
      return;
    case LOAD_MISSING:
      SetLastError(error);
      ShowSystemErrorAbout("Error opening file '%s'", fileName);
      return;
    case LOAD_UNREADABLE:
      SetLastError(error);
      ShowSystemErrorAbout("Error opening file '%s'; the page is shown empty and read-only, "
                           "and its file is left untouched",
                           fileName);
      return;
    case LOAD_READ_FAILED:
      SetLastError(error);
      ShowSystemErrorAbout(
          "Error reading file '%s'; the part read is shown read-only and will not be saved",
          fileName);
      return;
    case LOAD_HAS_NUL:
      snprintf(message, sizeof message,
               "The page '%s' contains NUL bytes, which the editor cannot hold.\n"
               "It is shown read-only, with a space for each NUL byte, and will not be saved.",
               fileName);
      break;
    case LOAD_NOT_TEXT:
      snprintf(message, sizeof message,
               "The page '%s' holds bytes that are not text in %s, which the editor cannot keep "
               "as they are.\nIt is shown read-only and will not be saved.",
               fileName, EncodingName(ShownEncoding).c_str());
      break;
    case LOAD_CUT_SHORT:
      snprintf(message, sizeof message,
               "The page '%s' is longer than the editor can hold.\n"
               "The part it holds is shown read-only and will not be saved.",
               fileName);
      break;
    case LOAD_NOT_HELD:
      snprintf(message, sizeof message,
               "The page '%s' holds characters that this system's editor cannot show.\n"
               "Only part of it is shown, read-only, and it will not be saved.",
               fileName);
      break;
  }
  MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONWARNING);
}

// An empty editor for the next page: a new control, because emptying a
// long text in place takes time that grows with the square of its length.
static HWND EmptiedEditor() {
  HWND previous = Ui.editor;
  HWND editor = ReplaceEditorWindow();
  if (editor == nullptr || editor == previous) {
    editor = Ui.editor;
    if (editor != nullptr) SendMessageA(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  }
  return editor;
}

static void PutCaretAtEnd(HWND editor) {
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
  LRESULT length = SendMessageA(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  if (length < 0) length = 0;
  CHARRANGE end = {static_cast<LONG>(length), static_cast<LONG>(length)};
  SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
}

// The editor, filled while it did not redraw, shown with its text as the
// page's own (or as unsaved changes), nothing to undo, and scrolled to the
// caret, or to the line at the top of a kept place.
static void FinishShowingText(HWND editor, bool readOnly, bool modified,
                              const PagePlace *place = nullptr) {
  // Scrolled while it does not redraw: a scroll drawn at once took 10 to 20
  // ms (seen under Wine).
  if (place != nullptr) ScrollToPlace(editor, *place);
  SendMessageA(editor, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  SendMessageA(editor, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
  SendMessageA(editor, EM_EMPTYUNDOBUFFER, 0, 0);
  SendMessageA(editor, EM_SETMODIFY, modified ? TRUE : FALSE, 0);
  if (place == nullptr) SendMessageA(editor, EM_SCROLLCARET, 0, 0);
}

/* Reads the page of a tab into an emptied editor, the state of the page
   shown with it: its encoding, its file as read, whether it may be written
   back. A page shown before gets its place back (in *given, when asked
   for), any other shows its end. */
static LoadOutcome LoadShownPage(int index, char *fileName, char *path, DWORD *error,
                                 PagePlace *given = nullptr, bool *placedThere = nullptr) {
  PageIsProtected = false;
  ShownFileHashKnown = false;
  ForgetPageOnDisk();
  ShownEncoding = NewPageEncoding();
  ShownBreakKinds = 0;
  fileName[0] = path[0] = '\0';
  HWND editor = EmptiedEditor();
  if (editor == nullptr) return LOAD_WHOLE;
  SendMessageA(editor, WM_SETREDRAW, FALSE, 0);
  LoadOutcome outcome = LOAD_WHOLE;
  PagePlace place;
  bool placed = false;
  if (index >= 0) {
    if (GetPageFileName(index, fileName)) {
      if (JoinPath(PageFolder, fileName, path)) {
        outcome = LoadPageFile(editor, path, fileName, error);
      } else {
        outcome = LOAD_UNREADABLE;
        *error = GetLastError();
      }
    }
    // A page shown before comes back where the user left it.
    placed = path[0] != '\0' && KeptPlace(editor, path, &place);
    if (placed)
      SelectPlace(editor, place);
    else
      PutCaretAtEnd(editor);
    if (Ui.tabs != nullptr) TabCtrl_SetCurSel(Ui.tabs, index);
    UpdateSavedPagePath();
  }
  UnreadableError = outcome == LOAD_UNREADABLE ? *error : 0;
  PageIsProtected = outcome == LOAD_UNREADABLE || outcome == LOAD_HAS_NUL ||
                    outcome == LOAD_NOT_TEXT || outcome == LOAD_READ_FAILED ||
                    outcome == LOAD_CUT_SHORT || outcome == LOAD_NOT_HELD;
  FinishShowingText(editor, index < 0 || PageIsProtected, false, placed ? &place : nullptr);
  if (given != nullptr) *given = place;
  if (placedThere != nullptr) *placedThere = placed;
  return outcome;
}

/* The only way the editor changes pages: the page it leaves is saved first,
   and when that fails the editor stays on it and its tab is selected again.
   The page left keeps its place. */
void ShowPage(int index) {
  if (!SavePageIfModified(CurrentPageIndex)) {
    if (Ui.tabs != nullptr) TabCtrl_SetCurSel(Ui.tabs, CurrentPageIndex);
    return;
  }
  LeaveShownPage();
  CurrentPageIndex = index;
  SayShownPageNotice(NOTICE_NONE);
  DWORD error = 0;
  char fileName[PATH_BUFFER_SIZE], path[PATH_BUFFER_SIZE];
  PagePlace place;
  bool placed = false;
  LoadOutcome outcome = LoadShownPage(index, fileName, path, &error, &place, &placed);
  NotePageArrived(path[0] != '\0' ? path : nullptr, placed ? &place : nullptr);
  StartRecoveryForPage();
  ReportLoadOutcome(outcome, fileName, error);
}

/* The editor's text as the page's file would hold it. */
static bool ShownTextAsBytes(std::string *bytes) {
  std::wstring text;
  bool cutShort = false;
  if (CurrentPageIsProtected() || !FetchEditorText(&text, &cutShort) || cutShort) return false;
  PageEncoding encoding;
  EncodeForPage(text, CurrentPageEncoding(), bytes, &encoding);
  return true;
}

bool KeepShownTextAsVersion(VersionReason reason) {
  char path[PATH_BUFFER_SIZE];
  std::string bytes;
  return ShownPagePath(path) && ShownTextAsBytes(&bytes) && KeepTextAsVersion(path, bytes, reason);
}

bool ShownPagePath(char *path) {
  path[0] = '\0';
  char fileName[PATH_BUFFER_SIZE];
  return CurrentPageIndex >= 0 && GetPageFileName(CurrentPageIndex, fileName) &&
         JoinPath(PageFolder, fileName, path);
}

/* Shows a page with text kept from an earlier run instead of its file's, as
   unsaved changes made against the file as it was then: a file changed
   since is asked about when the page is saved, and both texts are kept. */
bool ShowPageWithText(int index, const std::wstring &text, const PageEncoding &encoding,
                      const PageFileState &madeAgainst) {
  if (CurrentPageIndex != index) ShowPage(index);
  if (CurrentPageIndex != index || PageIsProtected) return false;
  char fileName[PATH_BUFFER_SIZE];
  if (!GetPageFileName(index, fileName)) return false;
  HWND editor = EmptiedEditor();
  if (editor == nullptr) return false;
  SendMessageA(editor, WM_SETREDRAW, FALSE, 0);
  PagePieces pieces;
  StartPagePieces(&pieces, text.data(), text.size());
  bool whole = StreamIntoEditor(editor, &pieces, false);
  if (!whole) {
    // Part of the text must never be saved over the page: the page's own
    // file is shown again, and the caller keeps the text elsewhere.
    SendMessageA(editor, WM_SETREDRAW, TRUE, 0);
    SendMessageA(editor, EM_SETMODIFY, FALSE, 0);
    ShowPage(index);
    return false;
  }
  PutCaretAtEnd(editor);
  FinishShowingText(editor, false, true);
  ShownEncoding = encoding;
  ShownBreakKinds = 0;
  ShownFileHashKnown = false;
  if (madeAgainst.known)
    RememberPageOnDisk(fileName, madeAgainst.existed, madeAgainst.sizeHigh, madeAgainst.sizeLow,
                       madeAgainst.lastWrite);
  else
    ForgetPageOnDisk();
  StartRecoveryForPage();
  return true;
}

void OnPageTabChanged() {
  if (Ui.tabs == nullptr) return;
  ShowPage(TabCtrl_GetCurSel(Ui.tabs));
}

/* The editor reads its page again, in the encoding its bytes have now; the
   caret, the selection and the line at the top stay where they were as
   nearly as the new text allows. */
void ReadShownPageAgain() {
  // The text shown until now is what the other program replaced.
  KeepShownTextAsVersion(REASON_CHANGED_ELSEWHERE);
  LeaveShownPage();
  SayShownPageNotice(NOTICE_NONE);
  DWORD error = 0;
  char fileName[PATH_BUFFER_SIZE], path[PATH_BUFFER_SIZE];
  LoadOutcome outcome = LoadShownPage(CurrentPageIndex, fileName, path, &error);
  StartRecoveryForPage();
  ReportLoadOutcome(outcome, fileName, error);
}

/* The page shown could not be opened and still cannot, for the same reason
   (another program keeps it locked): reading it again at each activation
   and each change in its folder would only say so again in a box. Once it
   opens, or fails otherwise, it is read again. */
bool StillUnreadableAsBefore(const char *path) {
  if (UnreadableError == 0) return false;
  HANDLE file = OpenPageFile(path);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return false;
  }
  return GetLastError() == UnreadableError;
}
