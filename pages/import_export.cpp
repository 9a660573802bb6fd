// Import and export: plain text between the current page and any file,
// chosen in the system's file dialogs opened in the work folder.
#include "pages/pages.h"

#include <richedit.h>
#include <shlwapi.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "base/platform_seam.h"
#include "base/ui_handles.h"

static const char FileDialogFilter[] =
    "Text Files (*.txt)\0*.txt\0TAV Files (*.tav)\0*.tav\0All Files (*.*)\0*.*\0";

// Room for a message quoting a full path and a sentence around it.
enum { PATH_MESSAGE_BUFFER_SIZE = MESSAGE_BUFFER_SIZE + 100 };

// The parameters both file dialogs share; path is the empty 260-byte buffer
// that receives the chosen file. The dialogs would otherwise make the folder
// they were left in the process's current directory, even when cancelled.
static void PrepareFileDialog(OPENFILENAMEA *dialog, char *path, const char *title) {
  memset(dialog, 0, sizeof *dialog);
  path[0] = '\0';
  dialog->lStructSize = sizeof *dialog;
  dialog->hwndOwner = MainWindow;
  dialog->lpstrFilter = FileDialogFilter;
  dialog->nFilterIndex = 0;
  dialog->lpstrFile = path;
  dialog->nMaxFile = PATH_BUFFER_SIZE;
  dialog->lpstrInitialDir = WorkFolderPath;
  dialog->lpstrTitle = title;
  dialog->Flags = OFN_NOCHANGEDIR;
}

static void ShowNotice(const char *format, const char *name) {
  char message[PATH_MESSAGE_BUFFER_SIZE];
  snprintf(message, sizeof message, format, name);
  MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONWARNING);
}

/* ---- import ---- */

/* The file is read by the rules of a page: its encoding found from its
   bytes, and its text streamed in at the caret, replacing the selection. A
   page shown read-only because its file holds what the editor can't keep is
   never saved, so text imported into it would be lost. */
void ImportTextFile() {
  int tab = SelectedTab();
  if (tab < 0 || Ui.editor == nullptr) return;
  if (CurrentPageIsProtected()) {
    char pageName[PATH_BUFFER_SIZE];
    if (!GetPageName(tab, pageName)) pageName[0] = '\0';
    ShowNotice("The page '%s' is shown read-only and is never saved: "
               "nothing can be imported into it.", pageName);
    return;
  }
  char path[PATH_BUFFER_SIZE];
  OPENFILENAMEA dialog;
  PrepareFileDialog(&dialog, path, "Select The Import File");
  dialog.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!ShowOpenFileDialog(&dialog)) return;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ShowSystemErrorAbout("Error importing from file '%s'", path);
    return;
  }
  std::string bytes;
  DWORD readError = ReadWholeFile(file, &bytes);
  CloseHandle(file);
  PageEncoding encoding;
  std::wstring text;
  bool exact = ReadPageText(bytes.data(), bytes.size(), &encoding, &text);
  std::string().swap(bytes);
  PagePieces pieces;
  StartPagePieces(&pieces, text.data(), text.size());
  // An empty file changes nothing, the selection included.
  bool notHeld = false;
  bool whole = text.empty() || StreamIntoEditor(Ui.editor, &pieces, true, &notHeld);
  if (!whole)
    ShowNotice(notHeld ? "Only part of '%s' was imported: it holds characters that this "
                         "system's editor cannot show."
                       : "Only part of '%s' was imported: the editor could not take the rest.",
               path);
  if (readError != 0) {
    // What was read before the failure stays in the page.
    SetLastError(readError);
    ShowSystemErrorAbout("Error reading file '%s'", path);
  }
  if (pieces.sawNul)
    ShowNotice("The file '%s' contains NUL bytes, which the editor cannot hold.\n"
               "Each was imported as a space.", path);
  if (!exact) {
    char message[PATH_MESSAGE_BUFFER_SIZE];
    snprintf(message, sizeof message,
             "The file '%s' holds bytes that are not text in %s; "
             "they were imported as the characters they come nearest to.",
             path, EncodingName(encoding).c_str());
    MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONWARNING);
  }
}

/* ---- export ---- */

// Why the selected text could not be had from the editor.
enum SelectionFetch { FETCH_DONE, FETCH_NO_MEMORY, FETCH_REFUSED };

/* The selected text as UTF-16 with CR LF line breaks, through EM_GETTEXTEX,
   which only the 2.0 rich edit knows; the buffer's size is part of the
   request. Each position yields at most two units (a line break); should
   the editor fill the buffer all the same, it is asked again with a larger
   one. */
static SelectionFetch FetchSelectionWithBreaks(LONG positions, std::wstring *text) {
  size_t capacity = 2 * static_cast<size_t>(positions) + 2;
  for (int attempt = 0; attempt < 3; ++attempt, capacity *= 2) {
    if (capacity > MAXDWORD / sizeof(wchar_t)) break;
    text->assign(capacity, L'\0');
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(capacity * sizeof(wchar_t));
    request.flags = GT_SELECTION | GT_USECRLF;
    request.codepage = 1200;
    LRESULT copied = SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                  reinterpret_cast<LPARAM>(&(*text)[0]));
    if (copied > 0 && static_cast<size_t>(copied) + 1 < capacity) {
      text->resize(static_cast<size_t>(copied));
      return FETCH_DONE;
    }
  }
  text->clear();
  return FETCH_REFUSED;
}

/* What EM_STREAMOUT hands over, gathered in a buffer that grows as it
   needs: the editor never writes into memory of the program's own. */
struct StreamedText {
  char *bytes;
  size_t length;
  size_t capacity;
  bool outOfMemory;
};

static DWORD CALLBACK GatherStreamedText(DWORD_PTR cookie, LPBYTE piece, LONG count, LONG *taken) {
  StreamedText *text = reinterpret_cast<StreamedText *>(cookie);
  *taken = 0;
  if (count <= 0) return 0;
  size_t needed = text->length + static_cast<size_t>(count) + 1;
  if (needed > text->capacity) {
    size_t capacity = text->capacity < 4096 ? 4096 : text->capacity;
    while (capacity < needed) capacity *= 2;
    char *grown = static_cast<char *>(realloc(text->bytes, capacity));
    if (grown == nullptr) {
      text->outOfMemory = true;
      return 1;  // ends the stream
    }
    text->bytes = grown;
    text->capacity = capacity;
  }
  memcpy(text->bytes + text->length, piece, static_cast<size_t>(count));
  text->length += static_cast<size_t>(count);
  *taken = count;
  return 0;
}

/* Whether a selection takes in positions past the end of the text: Wine's
   1.0 control counts two for the end of the text, which a selection of
   everything takes in, and streams them out as a line break the text does
   not have. */
static bool SelectionPassesTheText() {
  CHARRANGE selection = {0, 0};
  SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  LRESULT textLength = SendMessageA(Ui.editor, WM_GETTEXTLENGTH, 0, 0);
  return selection.cpMax > textLength;
}

/* The selected text streamed out in the process code page, which every rich
   edit knows, made UTF-16: the 1.0 control yields CR LF breaks. */
static SelectionFetch FetchSelectionPlainly(std::wstring *text) {
  StreamedText streamed = {nullptr, 0, 0, false};
  EDITSTREAM stream = {};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&streamed);
  stream.pfnCallback = GatherStreamedText;
  SendMessageA(Ui.editor, EM_STREAMOUT, SF_TEXT | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
  if (streamed.outOfMemory) {
    free(streamed.bytes);
    return FETCH_NO_MEMORY;
  }
  if (streamed.length > 0 && SelectionPassesTheText()) {
    if (streamed.length >= 2 && streamed.bytes[streamed.length - 2] == '\r' &&
        streamed.bytes[streamed.length - 1] == '\n')
      streamed.length -= 2;
    else if (streamed.bytes[streamed.length - 1] == '\r')
      streamed.length -= 1;
  }
  if (streamed.length == 0 || stream.dwError != 0) {
    free(streamed.bytes);
    return FETCH_REFUSED;
  }
  bool made = TextFromCodePage(GetACP(), streamed.bytes, streamed.length, text) && !text->empty();
  free(streamed.bytes);
  return made ? FETCH_DONE : FETCH_REFUSED;
}

/* The selected text as UTF-16. */
static SelectionFetch FetchSelectedText(LONG positions, std::wstring *text) {
  if (HasRichEdit20) {
    SelectionFetch fetched = FetchSelectionWithBreaks(positions, text);
    if (fetched != FETCH_REFUSED) return fetched;
  }
  return FetchSelectionPlainly(text);
}

/* Replaces the chosen file by the bytes given: through a temporary file
   beside it, so a failed write leaves any file of that name as it was. */
static bool WriteExportFile(const char *path, const char *text, size_t length) {
  const char *name = PathFindFileNameA(path);
  char folder[PATH_BUFFER_SIZE] = ".";
  size_t folderLength = static_cast<size_t>(name - path);
  if (folderLength > 0) {
    memcpy(folder, path, folderLength);
    folder[folderLength] = '\0';
  }
  return WritePageFile(folder, name, text, length);
}

static LONG SelectedPositions() {
  CHARRANGE selection = {0, 0};
  SendMessageA(Ui.editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  return selection.cpMax - selection.cpMin;
}

/* The selection is measured again once the save dialog has closed: the Find
   dialog stays usable while it is open and may have moved the selection. */
void ExportSelection() {
  if (SelectedTab() < 0 || Ui.editor == nullptr) return;
  if (SelectedPositions() <= 0) {
    MessageBoxA(MainWindow, "No selected text", "TAV", MB_OK | MB_ICONWARNING);
    return;
  }
  char path[PATH_BUFFER_SIZE];
  OPENFILENAMEA dialog;
  PrepareFileDialog(&dialog, path, "Select The Export File");
  dialog.Flags |= OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!ShowSaveFileDialog(&dialog)) return;
  LONG positions = SelectedPositions();
  if (positions <= 0) {
    MessageBoxA(MainWindow, "No selected text", "TAV", MB_OK | MB_ICONWARNING);
    return;
  }
  std::wstring text;
  SelectionFetch fetched = FetchSelectedText(positions, &text);
  if (fetched == FETCH_REFUSED) {
    char message[PATH_MESSAGE_BUFFER_SIZE];
    snprintf(message, sizeof message,
             "The selected text could not be read from the editor; nothing was written to '%s'.",
             path);
    MessageBoxA(MainWindow, message, "Error", MB_OK | MB_ICONERROR);
    return;
  }
  // The page's encoding, its line breaks CR LF as exported text has them.
  PageEncoding encoding = CurrentPageEncoding();
  encoding.breaks = BREAKS_CRLF;
  std::string bytes;
  PageEncoding used = encoding;
  bool changed = fetched == FETCH_DONE && EncodeForPage(text, encoding, &bytes, &used);
  bool written = fetched == FETCH_DONE && WriteExportFile(path, bytes.data(), bytes.size());
  DWORD error = fetched == FETCH_NO_MEMORY ? ERROR_NOT_ENOUGH_MEMORY : GetLastError();
  if (!written) {
    SetLastError(error);
    ShowSystemErrorAbout("Error exporting to file '%s'", path);
    return;
  }
  if (changed) {
    char message[PATH_MESSAGE_BUFFER_SIZE + 100];
    snprintf(message, sizeof message,
             "The selection holds characters that %s cannot hold, so '%s' was written as %s.",
             EncodingName(encoding).c_str(), path, EncodingName(used).c_str());
    MessageBoxA(MainWindow, message, "TAV", MB_OK | MB_ICONINFORMATION);
  }
}
