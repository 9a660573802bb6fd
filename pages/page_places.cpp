// Each page keeps its place: the caret, the selection and the line at the
// top are taken when the editor leaves a page and given back when it shows
// the page again, in this run and the next, from a file in the user's local
// application data.
#include "pages/pages.h"

#include <richedit.h>
#include <string.h>

#include <string>

#include "base/platform_seam.h"
#include "base/ui_handles.h"

PagesShown PagesShownRecord;

// The page the editor holds, by the path it was shown under (moves made by
// TAV since are followed); empty while it holds none.
static char ShownPath[PATH_BUFFER_SIZE] = "";

static const char PlacesFileName[] = "Places.txt";

bool PagesShownFile(char *path) {
  char folder[PATH_BUFFER_SIZE];
  return LocalDataFolder(folder, false) && JoinPath(folder, PlacesFileName, path);
}

/* A missing or damaged file only means that pages open as they did before
   any place was kept; a file too large to be TAV's is not read. */
void LoadPagesShown() {
  PagesShownRecord.clear();
  char path[PATH_BUFFER_SIZE];
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (!PagesShownFile(path) || !GetFileAttributesExA(path, GetFileExInfoStandard, &file) ||
      file.nFileSizeHigh != 0 || file.nFileSizeLow > PAGES_SHOWN_FILE_LIMIT)
    return;
  std::string bytes;
  if (ReadFileAt(path, &bytes) == 0) ParsePagesShown(bytes, &PagesShownRecord);
}

/* Written whole through a temporary file, so that the old file stays should
   the write fail. A failure is not reported: places are a convenience, and
   the pages themselves are safe. */
void KeepPagesShown() {
  LeaveShownPage();
  char folder[PATH_BUFFER_SIZE];
  if (!LocalDataFolder(folder, true)) return;
  std::string bytes = FormatPagesShown(PagesShownRecord);
  WritePageFile(folder, PlacesFileName, bytes.data(), bytes.size());
}

static LONG TextLength(HWND editor) {
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
  LRESULT length = SendMessageA(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  return length > 0 ? static_cast<LONG>(length) : 0;
}

static PagePlace TakePlace(HWND editor) {
  CHARRANGE selection = {0, 0};
  SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  LRESULT top = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
  LRESULT first = SendMessageA(editor, EM_LINEINDEX, top, 0);
  PagePlace place = {selection.cpMin, selection.cpMax, first > 0 ? static_cast<LONG>(first) : 0};
  return place;
}

void LeaveShownPage() {
  if (ShownPath[0] == '\0' || Ui.editor == nullptr) return;
  NotePagePlace(&PagesShownRecord, ShownPath, TakePlace(Ui.editor));
}

bool KeptPlace(HWND editor, const char *path, PagePlace *place) {
  const ShownPage *page = FindPageShown(PagesShownRecord, path);
  if (page == nullptr || !page->placed) return false;
  *place = PlaceWithin(page->place, TextLength(editor));
  return true;
}

void SelectPlace(HWND editor, const PagePlace &place) {
  CHARRANGE selection = {place.selectionStart, place.selectionEnd};
  SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
}

/* The line that holds the first character in view comes to the top; with
   word wrap on, that is the line it is on now, however wide the window. */
void ScrollToPlace(HWND editor, const PagePlace &place) {
  LRESULT line = SendMessageA(editor, EM_EXLINEFROMCHAR, 0, place.firstVisible);
  LRESULT top = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
  if (line != top) SendMessageA(editor, EM_LINESCROLL, 0, line - top);
}

void NotePageArrived(const char *path) {
  ShownPath[0] = '\0';
  if (path == nullptr || strlen(path) >= PATH_BUFFER_SIZE) return;
  strcpy(ShownPath, path);
  NotePageShown(&PagesShownRecord, path);
  NoteHistoryVisit(path);
}

void NotePagesMoved(const char *from, const char *to) {
  MovePagesShown(&PagesShownRecord, from, to);
  char moved[PATH_BUFFER_SIZE];
  if (FollowMove(ShownPath, from, to, moved)) strcpy(ShownPath, moved);
}

/* A page deleted has no place to keep, and the page shown, when it was
   one of them, none to leave. */
void NotePagesDeleted(const char *path) {
  ForgetPagesShown(&PagesShownRecord, path);
  if (PathIsAtOrBelow(ShownPath, path)) ShownPath[0] = '\0';
}

void ResetPageNavigation() {
  PagesShownRecord.clear();
  ShownPath[0] = '\0';
  ForgetHistory();
}
