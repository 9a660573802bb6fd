// Page files: which file belongs to a tab, loading a page into the editor and
// writing it back.
#include "pages/pages.h"

#include <richedit.h>
#include <stdio.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "app/ui_handles.h"
#include "tree/tree.h"

int CurrentPageIndex = -1;

// Set while the editor shows a page whose text is not the file's whole
// content; such a page is shown read-only and never written back.
static bool PageIsProtected = false;

// Stand-in shown for each NUL byte of a page file.
static const char NulStandIn = ' ';

bool CurrentPageIsProtected() { return PageIsProtected; }

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

bool JoinFolderAndName(const char *folder, const char *name, char *out) {
  size_t folderLength = strlen(folder);
  bool needsSeparator = folderLength > 0 && folder[folderLength - 1] != '\\';
  size_t total = folderLength + (needsSeparator ? 1 : 0) + strlen(name);
  if (total >= PATH_BUFFER_SIZE) {
    out[0] = '\0';
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  memmove(out, folder, folderLength);
  size_t at = folderLength;
  if (needsSeparator) out[at++] = '\\';
  strcpy(out + at, name);
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
  if (!GetPageFileName(TabCtrl_GetCurSel(Ui.tabs), fileName)) return false;
  char path[PATH_BUFFER_SIZE];
  if (!JoinFolderAndName(folder, fileName, path)) return false;
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

// Writes all bytes to a new file and makes sure they reached the disk. A
// write that takes fewer bytes than offered counts as a failure.
static bool WriteWholeFile(const char *path, const char *text, size_t length) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
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

/* A new, empty file with a name of its own in a page's folder, for writing
   beside a page. GetTempFileNameA is not used: it refuses folders of more
   than 246 characters, and under Wine leaves such a name unterminated, while
   pages live in folders of up to 259. Where the usual name would not fit, a
   four-character one does, since every page file name has at least four. */
bool CreateTemporaryFile(const char *folder, char *out) {
  DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  DWORD error = ERROR_FILE_EXISTS;
  for (DWORD attempt = 0; attempt < 256; ++attempt) {
    DWORD number = (seed + attempt * 7919u) & 0xFFFF;
    char name[16];
    snprintf(name, sizeof name, "~tav%04lX.tmp", static_cast<unsigned long>(number));
    if (!JoinFolderAndName(folder, name, out)) {
      snprintf(name, sizeof name, "~%03lX", static_cast<unsigned long>(number & 0xFFF));
      if (!JoinFolderAndName(folder, name, out)) return false;
    }
    HANDLE file = CreateFileA(out, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return true;
    }
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  out[0] = '\0';
  SetLastError(error);
  return false;
}

/* The old page file is replaced only once the whole new text is safely in a
   temporary file beside it, so a failure at any step leaves it as it was. */
bool WritePageFile(const char *folder, const char *fileName, const char *text, size_t length) {
  char target[PATH_BUFFER_SIZE];
  if (!JoinFolderAndName(folder, fileName, target)) return false;
  char realName[PATH_BUFFER_SIZE];
  DWORD attributes = 0;
  if (FindExistingPageFile(target, fileName, realName, &attributes)) {
    // A read-only page is refused as Windows would refuse it; Wine running as
    // root would otherwise replace it.
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    if (!JoinFolderAndName(folder, realName, target)) return false;
  } else {
    attributes = 0;
  }
  char temporary[PATH_BUFFER_SIZE];
  if (!CreateTemporaryFile(folder, temporary)) return false;
  bool ok = WriteWholeFile(temporary, text, length);
  const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  // Losing a hidden or archive bit is no reason to refuse the save.
  if (ok && kept != 0) SetFileAttributesA(temporary, kept);
  if (ok && !MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    ok = false;
  if (!ok) {
    DWORD error = GetLastError();
    DeleteFileA(temporary);
    SetLastError(error);
  }
  return ok;
}

// The editor's whole text with CR LF line breaks, in a buffer the caller
// frees; null (with the reason in the last error) when it cannot be had.
// The editor counts its length in characters, and a character of a
// double-byte code page takes two bytes: a text that fills the buffer is
// fetched again into a larger one rather than saved cut short.
static char *FetchEditorText(size_t *length) {
  LRESULT reported = SendMessageA(Ui.editor, WM_GETTEXTLENGTH, 0, 0);
  if (reported < 0) reported = 0;
  size_t capacity = static_cast<size_t>(reported) + 2;
  for (;;) {
    char *text = static_cast<char *>(malloc(capacity));
    if (text == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    LRESULT copied = SendMessageA(Ui.editor, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text));
    if (copied < 0) copied = 0;
    if (static_cast<size_t>(copied) + 1 < capacity) {
      *length = static_cast<size_t>(copied);
      return text;
    }
    free(text);
    if (capacity > (SIZE_MAX - 2) / 2) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    capacity = capacity * 2 + 2;
  }
}

static void ShowSaveError(const char *fileName) {
  char message[MESSAGE_BUFFER_SIZE];
  snprintf(message, sizeof message, "Error saving to file '%s'", fileName);
  ShowSystemError(message);
}

bool SavePageIfModified(int index) {
  if (index < 0 || Ui.editor == nullptr || !EditorIsModified()) return true;
  // Writing back a page the editor holds only in part would cut its file.
  if (PageIsProtected && index == CurrentPageIndex) return true;
  char fileName[PATH_BUFFER_SIZE];
  if (!GetPageFileName(index, fileName)) return false;
  size_t length = 0;
  char *text = FetchEditorText(&length);
  bool saved = text != nullptr && WritePageFile(PageFolder, fileName, text, length);
  DWORD error = GetLastError();
  free(text);
  if (!saved) {
    SetLastError(error);
    ShowSaveError(fileName);
    return false;
  }
  EditorSetModified(false);
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

void StartPageReader(PageReader *reader, HANDLE file) {
  reader->file = file;
  reader->start = reader->end = 0;
  reader->atEnd = false;
  reader->sawNul = false;
  reader->readError = 0;
}

// Moves what is left (at most a held-back CR) to the front and reads the
// next block behind it.
static void RefillPageBlock(PageReader *reader) {
  DWORD kept = reader->end - reader->start;
  memmove(reader->block, reader->block + reader->start, kept);
  reader->start = 0;
  reader->end = kept;
  DWORD got = 0;
  if (!ReadFile(reader->file, reader->block + kept, PAGE_BLOCK_SIZE, &got, nullptr)) {
    reader->readError = GetLastError();
    if (reader->readError == 0) reader->readError = ERROR_READ_FAULT;
    reader->atEnd = true;
    return;
  }
  if (got == 0) reader->atEnd = true;
  reader->end = kept + got;
}

void ReadPagePiece(PageReader *reader, char *out, long capacity, long *got) {
  *got = 0;
  if (capacity <= 0) return;
  for (;;) {
    DWORD ready = reader->end - reader->start;
    if (ready > 0 && !reader->atEnd && reader->block[reader->end - 1] == '\r') --ready;
    if (ready > 0) {
      DWORD n = ready < static_cast<DWORD>(capacity) ? ready : static_cast<DWORD>(capacity);
      // Never end a piece between the CR and the LF of one line break.
      const char *next = reader->block + reader->start + n;
      if (n < ready && n > 1 && next[-1] == '\r' && next[0] == '\n') --n;
      const char *from = reader->block + reader->start;
      for (DWORD i = 0; i < n; ++i) {
        char c = from[i];
        if (c == '\0') {
          c = NulStandIn;
          reader->sawNul = true;
        }
        out[i] = c;
      }
      reader->start += n;
      *got = static_cast<long>(n);
      return;
    }
    if (reader->atEnd) return;
    RefillPageBlock(reader);
  }
}

static DWORD CALLBACK StreamPageIn(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG *got) {
  long delivered = 0;
  ReadPagePiece(reinterpret_cast<PageReader *>(cookie), reinterpret_cast<char *>(buffer),
                capacity, &delivered);
  *got = delivered;
  return 0;
}

// How far a page file reached the editor.
enum LoadOutcome { LOAD_WHOLE, LOAD_OPEN_FAILED, LOAD_HAS_NUL, LOAD_READ_FAILED, LOAD_CUT_SHORT };

static LoadOutcome LoadPageFile(HWND editor, const char *path, DWORD *error) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return LOAD_OPEN_FAILED;
  }
  PageReader *reader = static_cast<PageReader *>(malloc(sizeof(PageReader)));
  if (reader == nullptr) {
    CloseHandle(file);
    *error = ERROR_NOT_ENOUGH_MEMORY;
    return LOAD_READ_FAILED;
  }
  StartPageReader(reader, file);
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(reader);
  stream.pfnCallback = StreamPageIn;
  SendMessageA(editor, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  CloseHandle(file);
  LoadOutcome outcome = LOAD_WHOLE;
  if (reader->readError != 0) {
    *error = reader->readError;
    outcome = LOAD_READ_FAILED;
  } else if (stream.dwError != 0 || !reader->atEnd || reader->end != reader->start) {
    outcome = LOAD_CUT_SHORT;
  } else if (reader->sawNul) {
    outcome = LOAD_HAS_NUL;
  }
  free(reader);
  return outcome;
}

// Tells the user why the page shown is not all of its file, or could not be
// opened at all.
static void ReportLoadOutcome(LoadOutcome outcome, const char *fileName, DWORD error) {
  char message[MESSAGE_BUFFER_SIZE + 200];
  switch (outcome) {
    case LOAD_WHOLE:
      return;
    case LOAD_OPEN_FAILED:
      snprintf(message, sizeof message, "Error opening file '%s'", fileName);
      SetLastError(error);
      ShowSystemError(message);
      return;
    case LOAD_READ_FAILED:
      snprintf(message, sizeof message,
               "Error reading file '%s'; the part read is shown read-only and will not be saved",
               fileName);
      SetLastError(error);
      ShowSystemError(message);
      return;
    case LOAD_HAS_NUL:
      snprintf(message, sizeof message,
               "The page '%s' contains NUL bytes, which the editor cannot hold.\n"
               "It is shown read-only, with a space for each NUL byte, and will not be saved.",
               fileName);
      break;
    case LOAD_CUT_SHORT:
      snprintf(message, sizeof message,
               "The page '%s' is longer than the editor can hold.\n"
               "The part it holds is shown read-only and will not be saved.",
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

/* The only way the editor changes pages: the page it leaves is saved first,
   and when that fails the editor stays on it and its tab is selected again. */
void ShowPage(int index) {
  if (!SavePageIfModified(CurrentPageIndex)) {
    if (Ui.tabs != nullptr) TabCtrl_SetCurSel(Ui.tabs, CurrentPageIndex);
    return;
  }
  CurrentPageIndex = index;
  PageIsProtected = false;
  HWND editor = EmptiedEditor();
  if (editor == nullptr) return;
  SendMessageA(editor, WM_SETREDRAW, FALSE, 0);
  LoadOutcome outcome = LOAD_WHOLE;
  DWORD error = 0;
  char fileName[PATH_BUFFER_SIZE] = "";
  if (index >= 0) {
    char path[PATH_BUFFER_SIZE];
    if (GetPageFileName(index, fileName)) {
      if (JoinFolderAndName(PageFolder, fileName, path)) {
        outcome = LoadPageFile(editor, path, &error);
      } else {
        outcome = LOAD_OPEN_FAILED;
        error = GetLastError();
      }
    }
    PutCaretAtEnd(editor);
    if (Ui.tabs != nullptr) TabCtrl_SetCurSel(Ui.tabs, index);
    UpdateSavedPagePath();
  }
  PageIsProtected = outcome == LOAD_HAS_NUL || outcome == LOAD_READ_FAILED ||
                    outcome == LOAD_CUT_SHORT;
  SendMessageA(editor, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  SendMessageA(editor, EM_SETREADONLY, (index < 0 || PageIsProtected) ? TRUE : FALSE, 0);
  SendMessageA(editor, EM_SETMODIFY, FALSE, 0);
  SendMessageA(editor, EM_EMPTYUNDOBUFFER, 0, 0);
  SendMessageA(editor, EM_SCROLLCARET, 0, 0);
  ReportLoadOutcome(outcome, fileName, error);
}

void OnPageTabChanged() {
  if (Ui.tabs == nullptr) return;
  ShowPage(TabCtrl_GetCurSel(Ui.tabs));
}
