// Page files: which file belongs to a tab, loading a page into the editor and
// writing it back.
#include "pages/pages.h"

#include <richedit.h>
#include <stdio.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "app/ui_handles.h"
#include "pages/page_text.h"
#include "tree/tree.h"

int CurrentPageIndex = -1;

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

// What the window title says about the page shown.
static ShownPageNotice Notice = NOTICE_NONE;
static void SayShownPageNotice(ShownPageNotice notice);

bool CurrentPageIsProtected() { return PageIsProtected; }
PageEncoding CurrentPageEncoding() { return ShownEncoding; }

/* ---- names ---- */

// A tab label carries every "&" of the page name doubled; undo that.
void PageNameFromLabel(const char *label, char *out) {
  size_t to = 0;
  for (size_t from = 0; label[from] != '\0'; ++from) {
    out[to++] = label[from];
    if (label[from + 1] == '&') ++from;
  }
  out[to] = '\0';
}

bool GetPageName(int index, char *out) {
  out[0] = '\0';
  if (Ui.tabs == nullptr || index < 0) return false;
  char label[PATH_BUFFER_SIZE] = "";
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = label;
  item.cchTextMax = PATH_BUFFER_SIZE;
  if (!SendMessageA(Ui.tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return false;
  label[PATH_BUFFER_SIZE - 1] = '\0';
  PageNameFromLabel(label, out);
  return true;
}

bool GetPageFileName(int index, char *out) {
  if (!GetPageName(index, out)) return false;
  if (strlen(out) + 4 >= PATH_BUFFER_SIZE) {
    out[0] = '\0';
    return false;
  }
  strcat(out, ".tav");
  return true;
}

/* The saved page path names the page shown: the selected folder's path and
   the page file name. When the tab strip still lists another folder (the
   folder change went ahead although the page could not be saved), the
   page's own folder is named instead. */
bool UpdateSavedPagePath() {
  if (SavedPagePath == nullptr) return false;
  SavedPagePath[0] = '\0';
  if (!HasPages) return false;
  HTREEITEM node = SelectedTreeNode();
  if (node == nullptr) return false;
  char folder[PATH_BUFFER_SIZE];
  if (!GetFolderPath(node, folder)) return false;
  if (PageFolder[0] != '\0' && !FolderPathsEqual(folder, PageFolder)) strcpy(folder, PageFolder);
  strcpy(SavedPagePath, folder);
  char fileName[PATH_BUFFER_SIZE];
  if (!GetPageFileName(SelectedTab(), fileName)) return false;
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(folder, fileName, path)) return false;
  strcpy(SavedPagePath, path);
  return true;
}

/* ---- writing ---- */

// The existing page file's real name (its letter case may differ from the
// one asked for) and its attributes. Windows gives a replaced file the letter
// case of the name handed to MoveFileEx, so the save names the file exactly as
// it is. FindFirstFileA also matches 8.3 short names under Wine, so only an
// entry whose own name is the wanted one counts.
static bool FindExistingPageFile(const char *path, const char *fileName, char *realName,
                                 DWORD *attributes) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  if (!NamesEqualIgnoringAsciiCase(found.cFileName, fileName)) return false;
  strcpy(realName, found.cFileName);
  *attributes = found.dwFileAttributes;
  return true;
}

// Writes all bytes to a new file, makes sure they reached the disk and
// closes it. A write that takes fewer bytes than offered counts as a failure.
static bool WriteWholeFile(HANDLE file, const char *text, size_t length) {
  const size_t chunkLimit = 16u << 20;
  bool ok = true;
  size_t done = 0;
  while (ok && done < length) {
    DWORD wanted = static_cast<DWORD>(length - done < chunkLimit ? length - done : chunkLimit);
    DWORD written = 0;
    if (!WriteFile(file, text + done, wanted, &written, nullptr)) {
      ok = false;
    } else if (written != wanted) {
      SetLastError(ERROR_DISK_FULL);
      ok = false;
    }
    done += written;
  }
  if (ok && !FlushFileBuffers(file)) ok = false;
  DWORD error = GetLastError();
  if (!CloseHandle(file) && ok) {
    ok = false;
    error = GetLastError();
  }
  SetLastError(error);
  return ok;
}

/* The bytes go to a temporary file in the folder first, which then takes
   the target's place (replacing what is there only when asked to), so a
   failure at any step leaves the target as it was. */
static bool WriteThroughTemporary(const char *folder, const char *target, const char *text,
                                  size_t length, DWORD attributes, bool replace) {
  char temporary[PATH_BUFFER_SIZE];
  HANDLE file = INVALID_HANDLE_VALUE;
  if (!CreateTemporaryFile(folder, temporary, &file)) return false;
  bool ok = WriteWholeFile(file, text, length);
  const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  // Losing a hidden or archive bit is no reason to refuse the save.
  if (ok && kept != 0) SetFileAttributesA(temporary, kept);
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (ok && !MoveFileExA(temporary, target, flags)) ok = false;
  if (!ok) DeleteFileKeepingError(temporary);
  ForgetMadeFile(temporary);
  return ok;
}

/* The old page file is replaced only once the whole new text is safely in a
   temporary file beside it, so a failure at any step leaves it as it was. */
bool WritePageFile(const char *folder, const char *fileName, const char *text, size_t length) {
  char target[PATH_BUFFER_SIZE];
  if (!JoinPath(folder, fileName, target)) return false;
  char realName[PATH_BUFFER_SIZE];
  DWORD attributes = 0;
  if (FindExistingPageFile(target, fileName, realName, &attributes)) {
    // A read-only page is refused as Windows would refuse it; Wine running as
    // root would otherwise replace it.
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    if (!JoinPath(folder, realName, target)) return false;
  } else {
    attributes = 0;
  }
  return WriteThroughTemporary(folder, target, text, length, attributes, true);
}

bool WriteNewPageFile(const char *folder, const char *fileName, const char *text, size_t length) {
  char target[PATH_BUFFER_SIZE];
  if (!JoinPath(folder, fileName, target)) return false;
  return WriteThroughTemporary(folder, target, text, length, 0, false);
}

/* ---- the page file as it was read ---- */

// The file of the page shown, as it was when the page was read (or written
// since): a save that finds it otherwise asks before replacing it. The file
// is named without its folder, which a folder rename may move.
static struct {
  bool known;
  bool existed;
  char fileName[PATH_BUFFER_SIZE];
  DWORD sizeHigh;
  DWORD sizeLow;
  FILETIME lastWrite;
  // Which file it was: a rename keeps it, with its size and time.
  bool identified;
  DWORD volume, indexHigh, indexLow;
} PageOnDisk;

static void IdentifyPageOnDisk(const BY_HANDLE_FILE_INFORMATION &info) {
  PageOnDisk.identified = true;
  PageOnDisk.volume = info.dwVolumeSerialNumber;
  PageOnDisk.indexHigh = info.nFileIndexHigh;
  PageOnDisk.indexLow = info.nFileIndexLow;
}

static bool IsPageOnDisk(const BY_HANDLE_FILE_INFORMATION &info) {
  return PageOnDisk.known && PageOnDisk.identified && info.dwVolumeSerialNumber == PageOnDisk.volume &&
         info.nFileIndexHigh == PageOnDisk.indexHigh && info.nFileIndexLow == PageOnDisk.indexLow &&
         info.nFileSizeHigh == PageOnDisk.sizeHigh && info.nFileSizeLow == PageOnDisk.sizeLow &&
         CompareFileTime(&info.ftLastWriteTime, &PageOnDisk.lastWrite) == 0;
}

static void ForgetPageOnDisk() { PageOnDisk.known = false; }

PageFileState ShownPageFileState() {
  PageFileState state = {PageOnDisk.known, PageOnDisk.existed, PageOnDisk.sizeHigh,
                         PageOnDisk.sizeLow, PageOnDisk.lastWrite};
  return state;
}

static void RememberPageOnDisk(const char *fileName, bool existed, DWORD sizeHigh,
                               DWORD sizeLow, FILETIME lastWrite) {
  PageOnDisk.known = strlen(fileName) < PATH_BUFFER_SIZE;
  PageOnDisk.identified = false;
  if (!PageOnDisk.known) return;
  strcpy(PageOnDisk.fileName, fileName);
  PageOnDisk.existed = existed;
  PageOnDisk.sizeHigh = sizeHigh;
  PageOnDisk.sizeLow = sizeLow;
  PageOnDisk.lastWrite = lastWrite;
}

static void RememberPageAsWritten(const char *path, const char *fileName) {
  NotePageWritten(path);
  BY_HANDLE_FILE_INFORMATION now;
  if (!ItemInformationAt(path, &now)) {
    ForgetPageOnDisk();
    return;
  }
  RememberPageOnDisk(fileName, true, now.nFileSizeHigh, now.nFileSizeLow, now.ftLastWriteTime);
  IdentifyPageOnDisk(now);
}

/* Whether a save to path would replace something other than what was read:
   another program wrote the file, or made it where there was none. A file
   that is not there may be written. */
static bool PageFileChangedOnDisk(const char *path, const char *fileName) {
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &now))
    return !IsMissingFileError(GetLastError());
  if (!PageOnDisk.known || !PageOnDisk.existed ||
      !NamesEqualIgnoringAsciiCase(PageOnDisk.fileName, fileName))
    return true;
  return now.nFileSizeHigh != PageOnDisk.sizeHigh || now.nFileSizeLow != PageOnDisk.sizeLow ||
         CompareFileTime(&now.ftLastWriteTime, &PageOnDisk.lastWrite) != 0;
}

/* ---- the editor's text ---- */

// The lead bytes of the ANSI code page's double-byte characters; false when
// it has none.
static bool LearnLeadBytes(bool isLeadByte[256]) {
  memset(isLeadByte, 0, 256 * sizeof(bool));
  bool any = false;
  CPINFO info;
  if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize < 2) return false;
  for (int range = 0; range + 1 < MAX_LEADBYTES && info.LeadByte[range] != 0; range += 2) {
    for (unsigned byte = info.LeadByte[range]; byte <= info.LeadByte[range + 1]; ++byte) {
      isLeadByte[byte] = true;
      any = true;
    }
  }
  return any;
}

// Every trail byte of the double-byte code pages is 0x40 or above, so a lead
// byte before a smaller byte (a line break, say) stands alone. A trail byte
// can have the value of a lead byte: only a walk from the start of a
// character tells them apart.
static bool CanBeTrailByte(char byte) { return static_cast<unsigned char>(byte) >= 0x40; }

// Characters in ANSI text: a lead byte and the trail byte after it count as
// one.
static size_t CountCharacters(const char *text, size_t length) {
  bool isLeadByte[256];
  if (!LearnLeadBytes(isLeadByte)) return length;
  size_t count = 0;
  for (size_t at = 0; at < length; ++count) {
    bool pair = isLeadByte[static_cast<unsigned char>(text[at])] && at + 1 < length &&
                CanBeTrailByte(text[at + 1]);
    at += pair ? 2 : 1;
  }
  return count;
}

/* The length of the editor's text with CR LF line breaks, in bytes of the
   ANSI code page and in characters. Windows counts the bytes exactly; Wine
   answers twice the characters on a double-byte code page, and counts
   characters for WM_GETTEXTLENGTH (seen under code page 932). The 1.0 rich
   edit of Windows knows no EM_GETTEXTLENGTHEX (it answers 0) and counts
   bytes for WM_GETTEXTLENGTH. */
static void MeasureEditorText(size_t *bytes, LRESULT *characters) {
  GETTEXTLENGTHEX inBytes = {GTL_NUMBYTES | GTL_PRECISE | GTL_USECRLF, CP_ACP};
  GETTEXTLENGTHEX inCharacters = {GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, CP_ACP};
  LRESULT precise =
      SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&inBytes), 0);
  LRESULT plain = SendMessageA(Ui.editor, WM_GETTEXTLENGTH, 0, 0);
  LRESULT most = precise > plain ? precise : plain;
  *bytes = most > 0 ? static_cast<size_t>(most) : 0;
  *characters =
      SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&inCharacters), 0);
}

/* The 1.0 control's whole text, in the process code page with CR LF line
   breaks, made UTF-16. Wine's rich edit copies nothing, or only a part, into
   a buffer too small for the bytes, and still reports success: a text is
   taken only when it is as long as the editor's, in bytes or in
   characters. */
static bool FetchAnsiEditorText(std::wstring *text, bool *cutShort) {
  size_t bytes = 0;
  LRESULT characters = 0;
  MeasureEditorText(&bytes, &characters);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (bytes > (SIZE_MAX - 2) / 2 || bytes + 2 > static_cast<size_t>(INT_MAX)) break;
    size_t capacity = (bytes + 2) << attempt;
    std::string ansi(capacity, '\0');
    LRESULT copied =
        SendMessageA(Ui.editor, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(&ansi[0]));
    size_t got = copied > 0 ? static_cast<size_t>(copied) : 0;
    if (got + 1 < capacity &&
        (got == bytes || CountCharacters(ansi.data(), got) == static_cast<size_t>(characters))) {
      if (TextFromCodePage(GetACP(), ansi.data(), got, text)) return true;
      break;
    }
    *cutShort = true;
  }
  return false;
}

/* The editor's whole text as UTF-16 with CR LF line breaks, whatever the
   process code page. *cutShort is set when the editor gave back less than
   it holds (the reason is otherwise in the last error). */
static bool FetchEditorText(std::wstring *text, bool *cutShort) {
  *cutShort = false;
  if (!HasRichEdit20) return FetchAnsiEditorText(text, cutShort);
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, 1200};
  LRESULT units = SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  if (units < 0) units = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    size_t capacity = (static_cast<size_t>(units) + 2) << attempt;
    if (capacity > static_cast<size_t>(INT_MAX) / sizeof(wchar_t)) break;
    text->resize(capacity);
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(capacity * sizeof(wchar_t));
    request.flags = GT_USECRLF;
    request.codepage = 1200;
    LRESULT copied = SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                  reinterpret_cast<LPARAM>(&(*text)[0]));
    // Wine copies what fits into a buffer too small and reports success.
    if (copied == units && static_cast<size_t>(copied) + 1 < capacity) {
      text->resize(static_cast<size_t>(copied));
      return true;
    }
    *cutShort = true;
  }
  text->clear();
  return false;
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
  if (Notice != NOTICE_DELETED_ELSEWHERE || !MakeFolderAgain(folder)) return;
  ReleaseFolderShownWatch();
  WatchFolderShown();
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
    saved = plan.changed
                ? SaveChangedPage(folder, path, fileName, plan, bytes.data(), bytes.size())
                : WriteUnchangedPage(folder, path, fileName, bytes.data(), bytes.size());
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

/* Reads as many bytes as the file has, and on while it grows, up to most
   bytes: one more ends the read. */
DWORD ReadFileUpTo(HANDLE file, size_t most, std::string *bytes) {
  bytes->clear();
  if (most >= static_cast<size_t>(INT_MAX)) most = static_cast<size_t>(INT_MAX) - 1;
  LARGE_INTEGER size;
  size_t expected = 0;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0)
    expected = static_cast<size_t>(std::min<ULONGLONG>(size.QuadPart, most));
  // One byte more than expected tells a file that grew from one that did not.
  size_t room = expected + 1;
  size_t filled = 0;
  for (;;) {
    bytes->resize(room);
    DWORD got = 0;
    if (!ReadFile(file, &(*bytes)[filled], static_cast<DWORD>(room - filled), &got, nullptr)) {
      DWORD error = GetLastError();
      bytes->resize(filled);
      return error != 0 ? error : ERROR_READ_FAULT;
    }
    filled += got;
    if (got == 0) {
      bytes->resize(filled);
      return 0;
    }
    if (filled > most) {
      bytes->resize(most);
      return ERROR_FILE_TOO_LARGE;
    }
    if (filled == room) room = std::min(room + room / 2 + 65536, most + 1);
  }
}

DWORD ReadWholeFile(HANDLE file, std::string *bytes) {
  DWORD error = ReadFileUpTo(file, static_cast<size_t>(INT_MAX) - 1, bytes);
  return error == ERROR_FILE_TOO_LARGE ? ERROR_NOT_ENOUGH_MEMORY : error;
}

DWORD ReadFileAt(const char *path, std::string *bytes) {
  bytes->clear();
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = ReadWholeFile(file, bytes);
  CloseHandle(file);
  return error;
}

// The editor's own stream buffer is its to size; the pieces fit it.
struct EditorStream {
  PagePieces *pieces;
  bool unicode;  // else the 1.0 control, which takes the process code page
  bool notHeld;  // the 1.0 control met a character its code page cannot hold
};

static DWORD CALLBACK StreamPiecesIn(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG *got) {
  EditorStream *stream = reinterpret_cast<EditorStream *>(cookie);
  *got = 0;
  if (stream->unicode) {
    size_t units = capacity > 0 ? static_cast<size_t>(capacity) / sizeof(wchar_t) : 0;
    if (units < 2) return 1;
    size_t n = NextPagePiece(stream->pieces, reinterpret_cast<wchar_t *>(buffer), units);
    *got = static_cast<LONG>(n * sizeof(wchar_t));
    return 0;
  }
  // A unit takes at most three bytes in any code page this control knows.
  size_t units = capacity > 0 ? static_cast<size_t>(capacity) / 3 : 0;
  if (units < 2) return 1;
  std::wstring piece(units, L'\0');
  size_t n = NextPagePiece(stream->pieces, &piece[0], units);
  if (n == 0) return 0;
  // A character the code page cannot hold ends the stream: the page is then
  // shown cut short, never saved with a look-alike or "?" in its place.
  std::string bytes;
  if (!TextInCodePage(GetACP(), piece.data(), n, &bytes) ||
      bytes.size() > static_cast<size_t>(capacity)) {
    stream->notHeld = true;
    return 1;
  }
  memcpy(buffer, bytes.data(), bytes.size());
  *got = static_cast<LONG>(bytes.size());
  return 0;
}

bool StreamIntoEditor(HWND editor, PagePieces *pieces, bool intoSelection, bool *notHeld) {
  EditorStream stream = {pieces, HasRichEdit20, false};
  EDITSTREAM request = {};
  request.dwCookie = reinterpret_cast<DWORD_PTR>(&stream);
  request.pfnCallback = StreamPiecesIn;
  WPARAM format = SF_TEXT | (HasRichEdit20 ? SF_UNICODE : 0) | (intoSelection ? SFF_SELECTION : 0);
  SendMessageA(editor, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&request));
  if (notHeld != nullptr) *notHeld = stream.notHeld;
  return request.dwError == 0 && pieces->at == pieces->length;
}

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
  if (madeAgainst.known)
    RememberPageOnDisk(fileName, madeAgainst.existed, madeAgainst.sizeHigh, madeAgainst.sizeLow,
                       madeAgainst.lastWrite);
  else
    ForgetPageOnDisk();
  StartRecoveryForPage();
  return true;
}

/* ---- the page shown, changed by another program ---- */

/* The notice goes into the window title and the page's tab is
   highlighted: a message box would take the keys typed into the page. */
static void SayShownPageNotice(ShownPageNotice notice) {
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

/* The editor reads its page again, in the encoding its bytes have now; the
   caret, the selection and the line at the top stay where they were as
   nearly as the new text allows. */
static void ReadShownPageAgain() {
  LeaveShownPage();
  SayShownPageNotice(NOTICE_NONE);
  DWORD error = 0;
  char fileName[PATH_BUFFER_SIZE], path[PATH_BUFFER_SIZE];
  LoadOutcome outcome = LoadShownPage(CurrentPageIndex, fileName, path, &error);
  StartRecoveryForPage();
  ReportLoadOutcome(outcome, fileName, error);
}

/* Whether the file is still what the page shown was read from or last
   written as. */
static bool IsFileAsKnown(const char *fileName, const WIN32_FILE_ATTRIBUTE_DATA &now) {
  return PageOnDisk.known && PageOnDisk.existed &&
         NamesEqualIgnoringAsciiCase(PageOnDisk.fileName, fileName) &&
         now.nFileSizeHigh == PageOnDisk.sizeHigh && now.nFileSizeLow == PageOnDisk.sizeLow &&
         CompareFileTime(&now.ftLastWriteTime, &PageOnDisk.lastWrite) == 0;
}

/* The page shown could not be opened and still cannot, for the same reason
   (another program keeps it locked): reading it again at each activation
   and each change in its folder would only say so again in a box. Once it
   opens, or fails otherwise, it is read again. */
static bool StillUnreadableAsBefore(const char *path) {
  if (UnreadableError == 0) return false;
  HANDLE file = OpenPageFile(path);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return false;
  }
  return GetLastError() == UnreadableError;
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
  if (PageOnDisk.known) strcpy(PageOnDisk.fileName, newFileName);
  if (JoinPath(PageFolder, fileName, oldPath)) RemoveRecoveryCopy(oldPath);
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
  if (!PageOnDisk.known || !PageOnDisk.existed) return SHOWN_AS_READ;
  if (!EditorIsModified()) return SHOWN_GONE;
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

void OnPageTabChanged() {
  if (Ui.tabs == nullptr) return;
  ShowPage(TabCtrl_GetCurSel(Ui.tabs));
}
