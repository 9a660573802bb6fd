// The editor in the program's look. The colour is the control's, never the
// page's: the page is plain text and is read back as text, so no colour can
// reach its file.
#include "editing/editing.h"

#include <richedit.h>

#include "base/theme.h"

namespace {

/* Whether all of the text shows in the colour of the format, read as the
   selection of all of it; the selection and the scroll position are put
   back as they were. */
bool WholeTextInColour(HWND editor, const CHARFORMATA &wanted) {
  CHARRANGE kept = {};
  POINT scroll = {};
  SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  SendMessageA(editor, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  CHARRANGE all = {0, -1};
  SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  CHARFORMATA found = {};
  found.cbSize = sizeof found;
  SendMessageA(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&found));
  SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
  SendMessageA(editor, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  if (!(found.dwMask & CFM_COLOR)) return false;  // more than one colour
  if (wanted.dwEffects & CFE_AUTOCOLOR) return (found.dwEffects & CFE_AUTOCOLOR) != 0;
  return !(found.dwEffects & CFE_AUTOCOLOR) && found.crTextColor == wanted.crTextColor;
}

}  // namespace

/* The light look is the control's own: the system's window colour and the
   automatic text colour; an editor that was never dark is left alone. The
   colour goes into the default format, which the text loaded and typed
   shares, so the change joins neither the undo history nor the unsaved
   state. Only text that took a format of its own (a font chosen while the
   page is shown) is coloured as a whole, which Undo can then take back; the
   unsaved state is kept around it (Wine marks the text changed). */
void ApplyEditorTheme(HWND editor) {
  if (editor == nullptr) return;
  const char mark[] = "TAV.DarkText";
  bool dark = ThemeIsDark();
  if (!dark && GetPropA(editor, mark) == nullptr) return;
  const ThemeColours &colours = CurrentColours();
  if (dark)
    SetPropA(editor, mark, reinterpret_cast<HANDLE>(1));
  else
    RemovePropA(editor, mark);
  SendMessageA(editor, EM_SETBKGNDCOLOR, dark ? 0 : 1, dark ? colours.window : 0);
  CHARFORMATA format = {};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR;
  format.dwEffects = dark ? 0 : CFE_AUTOCOLOR;
  format.crTextColor = dark ? colours.text : 0;
  LRESULT modified = SendMessageA(editor, EM_GETMODIFY, 0, 0);
  // Wine lays the whole text out again for any change of a character
  // format, a colour's too, with redraw off or on: some 180 ms for a page of
  // 1 MB, nearly all of a switch; the background and the probe cost under
  // 20 ms beside it.
  SendMessageA(editor, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  if (!WholeTextInColour(editor, format))
    SendMessageA(editor, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  SendMessageA(editor, EM_SETMODIFY, modified != 0, 0);
  ThemeControlStyle(editor, L"DarkMode_Explorer");
}
