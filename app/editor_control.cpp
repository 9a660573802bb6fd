// The editor, tree and tab strip as the program drives them: creating the
// editor (and a fresh one in its place), a fresh tab strip in the old one's
// place, the editor's modified flag, the tree's selected node.
#include "app/ui_handles.h"

#include <richedit.h>

#include "app/display_scale.h"
#include "editing/editing.h"
#include "tree/tree.h"

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
  DestroyWindow(old);
  if (hadFocus) SetFocus(fresh);
  return fresh;
}

/* Emptying a tab control of many tabs costs as much as filling it (Wine lays
   the remaining tabs out again after each one it deletes); a new control
   costs a few milliseconds. The new strip takes the old one's id, styles,
   font, place, z-order and focus, and has no tabs. Null, with the old strip
   left as it was, when no control can be made. */
HWND ReplaceTabStrip() {
  HWND old = Ui.tabs;
  if (old == nullptr) return nullptr;
  HWND parent = GetParent(old);
  RECT place;
  GetWindowRect(old, &place);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&place), 2);
  HWND fresh = CreateWindowExA(
      static_cast<DWORD>(GetWindowLongA(old, GWL_EXSTYLE)), WC_TABCONTROLA, "",
      static_cast<DWORD>(GetWindowLongA(old, GWL_STYLE)), place.left, place.top,
      place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID(old))), AppInstance, nullptr);
  if (fresh == nullptr) return nullptr;
  SendMessageA(fresh, WM_SETFONT, static_cast<WPARAM>(SendMessageA(old, WM_GETFONT, 0, 0)), FALSE);
  ApplyTabPadding(fresh);
  // Right below the old strip, which is where it stands once that is gone.
  SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Ui.tabs = fresh;
  WatchTabStripForDrags(fresh);
  if (GetFocus() == old) SetFocus(fresh);
  DestroyWindow(old);
  return fresh;
}

// The editor answers a set modified flag with a nonzero value that is not
// always 1 (Wine answers -1).
bool EditorIsModified() {
  return Ui.editor != nullptr && SendMessageA(Ui.editor, EM_GETMODIFY, 0, 0) != 0;
}

void EditorSetModified(bool modified) {
  if (Ui.editor != nullptr) SendMessageA(Ui.editor, EM_SETMODIFY, modified ? TRUE : FALSE, 0);
}

HTREEITEM SelectedTreeNode() {
  if (Ui.tree == nullptr) return nullptr;
  return reinterpret_cast<HTREEITEM>(SendMessageA(Ui.tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

bool TreeHasParent(HTREEITEM item) {
  return Ui.tree != nullptr && item != nullptr &&
         SendMessageA(Ui.tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)) != 0;
}
