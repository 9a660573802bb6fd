// The editor as the program drives it: making it, and a fresh one in its
// place, with the same font, wrapping and focus.
#include "editing/editing.h"

#include <richedit.h>

static const DWORD EditorStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                 WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                 ES_AUTOHSCROLL | ES_WANTRETURN;

// Rich edit stops at 32,767 characters unless told otherwise (Windows does,
// Wine does not); a page of any size must load whole.
static const LPARAM EditorTextLimit = 0x7FFFFFFE;

static HWND MakeEditor(HWND parent, const RECT &place, DWORD style) {
  HWND editor = CreateWindowExA(WS_EX_CLIENTEDGE, HasRichEdit20 ? "RichEdit20A" : "RICHEDIT",
                                nullptr, style, place.left, place.top, place.right - place.left,
                                place.bottom - place.top, parent,
                                reinterpret_cast<HMENU>(ID_EDITOR), AppInstance, nullptr);
  if (editor != nullptr) {
    SendMessageA(editor, EM_EXLIMITTEXT, 0, EditorTextLimit);
    // Each change of the text is noted for the recovery copy.
    SendMessageA(editor, EM_SETEVENTMASK, 0, ENM_CHANGE);
  }
  return editor;
}

HWND CreateEditorWindow(HWND parent, const RECT &place) {
  return MakeEditor(parent, place, EditorStyle);
}

/* Emptying a large rich edit in place costs time that grows with the square
   of its length; a new control costs next to nothing. The new editor takes
   the old one's place, font, wrapping and focus. */
HWND ReplaceEditorWindow() {
  HWND old = Ui.editor;
  if (old == nullptr || MainWindow == nullptr) return old;
  RECT place;
  GetWindowRect(old, &place);
  MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT *>(&place), 2);
  DWORD style = EditorStyle;
  if (!IsWindowVisible(old)) style &= ~WS_VISIBLE;
  bool hadFocus = GetFocus() == old;
  HWND fresh = MakeEditor(MainWindow, place, style);
  if (fresh == nullptr) return nullptr;
  SetWindowPos(fresh, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Ui.editor = fresh;
  ApplyEditorFont();
  ApplyWordWrap();
  ApplyEditorTheme(fresh);
  DestroyWindow(old);
  if (hadFocus) SetFocus(fresh);
  return fresh;
}
