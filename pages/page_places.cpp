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
#include "editing/editing.h"

PagesShown PagesShownRecord;

// The page the editor holds, by the path it was shown under (moves made by
// TAV since are followed); empty while it holds none.
static char ShownPath[PATH_BUFFER_SIZE] = "";

static const char PlacesFileName[] = "Places.txt";

// What decides which text the editor shows where: while all of it is as it
// was when the place of the page shown was known, and the text has not
// changed, that is still its place.
struct EditorView {
  HWND editor;
  CHARRANGE selection;
  POINT scroll;
  RECT client;
  int zoomNumerator, zoomDenominator;
  bool wrap;
  LOGFONTA font;
};

// The place the page shown was given when it was shown, or was taken at
// last, and the view it was known in. Finding the text at the top costs a
// walk through the text from its start (20 ms for a page of 5 MB, seen
// under Wine), so a page left as it was shown is not measured again.
static struct {
  bool known;
  PagePlace place;
  EditorView view;
} ShownPlace;

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

static EditorView ViewOf(HWND editor) {
  EditorView view = {};
  view.editor = editor;
  SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&view.selection));
  SendMessageA(editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&view.scroll));
  GetClientRect(editor, &view.client);
  SendMessageA(editor, EM_GETZOOM, reinterpret_cast<WPARAM>(&view.zoomNumerator),
               reinterpret_cast<LPARAM>(&view.zoomDenominator));
  view.wrap = wordWrap;
  view.font = editorFont;
  return view;
}

static bool SameView(const EditorView &a, const EditorView &b) {
  return a.editor == b.editor && a.selection.cpMin == b.selection.cpMin &&
         a.selection.cpMax == b.selection.cpMax && a.scroll.x == b.scroll.x &&
         a.scroll.y == b.scroll.y && EqualRect(&a.client, &b.client) &&
         a.zoomNumerator == b.zoomNumerator && a.zoomDenominator == b.zoomDenominator &&
         a.wrap == b.wrap && memcmp(&a.font, &b.font, sizeof a.font) == 0;
}

/* The character at the top left corner of the text, on the line at the
   top (past its start when scrolled sideways). The rich edit finds it in
   one walk through the text; the top line's number and then that line's
   first character take one walk each. */
static LONG FirstInView(HWND editor) {
  RECT text = {};
  SendMessageA(editor, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  POINTL corner = {text.left, text.top};
  LRESULT first = SendMessageA(editor, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&corner));
  if (first < 0) {  // no character found there
    LRESULT top = SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0);
    first = SendMessageA(editor, EM_LINEINDEX, top, 0);
  }
  return first > 0 ? static_cast<LONG>(first) : 0;
}

void LeaveShownPage() {
  if (ShownPath[0] == '\0' || Ui.editor == nullptr) return;
  const EditorView view = ViewOf(Ui.editor);
  if (!ShownPlace.known || !SameView(view, ShownPlace.view)) {
    ShownPlace.place =
        PagePlace{view.selection.cpMin, view.selection.cpMax, FirstInView(Ui.editor)};
    ShownPlace.view = view;
    ShownPlace.known = true;
  }
  NotePagePlace(&PagesShownRecord, ShownPath, ShownPlace.place);
}

void NoteShownTextChanged() { ShownPlace.known = false; }

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

void NotePageArrived(const char *path, const PagePlace *given) {
  ShownPath[0] = '\0';
  ShownPlace.known = false;
  if (path == nullptr || strlen(path) >= PATH_BUFFER_SIZE) return;
  strcpy(ShownPath, path);
  if (given != nullptr && Ui.editor != nullptr) {
    ShownPlace.view = ViewOf(Ui.editor);
    const CHARRANGE &selection = ShownPlace.view.selection;
    ShownPlace.place = PagePlace{selection.cpMin, selection.cpMax, given->firstVisible};
    ShownPlace.known = true;
  }
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
  ShownPlace.known = false;
  ForgetHistory();
}
