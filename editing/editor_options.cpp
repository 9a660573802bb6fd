// The editor's font and word wrap, and the date/time insertion.
#include "editing/editing.h"

#include <richedit.h>
#include <stdio.h>
#include <string.h>

#include "base/dpi.h"
#include "base/platform_seam.h"

bool wordWrap;
LOGFONTA editorFont;
int fontSizeTenths;

static_assert(sizeof(LOGFONTA) == 60, "the settings file stores the font record as 60 bytes");

/* The character format that shows editorFont: bold, italic, face and size. */
static CHARFORMATA EditorCharFormat() {
  CHARFORMATA format = {};
  format.cbSize = sizeof format;
  format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_FACE | CFM_SIZE;
  if (editorFont.lfWeight > 600) format.dwEffects |= CFE_BOLD;
  if (editorFont.lfItalic != 0) format.dwEffects |= CFE_ITALIC;
  format.yHeight = StoredFontTwips(editorFont.lfHeight);
  format.bCharSet = editorFont.lfCharSet;
  format.bPitchAndFamily = editorFont.lfPitchAndFamily;
  memcpy(format.szFaceName, editorFont.lfFaceName, sizeof format.szFaceName);
  format.szFaceName[sizeof format.szFaceName - 1] = '\0';
  return format;
}

/* The rich edit turns points into pixels for the system's DPI; on a display
   of another, it is zoomed to show them at that display's. */
void ApplyEditorZoom(HWND editor) {
  if (editor == nullptr) return;
  const int system = SystemDpi();
  if (CurrentDpi() == system)
    SendMessageA(editor, EM_SETZOOM, 0, 0);
  else
    SendMessageA(editor, EM_SETZOOM, static_cast<WPARAM>(CurrentDpi()), system);
}

static void SetEditorFormat(const CHARFORMATA &format) {
  SendMessageA(Ui.editor, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  // Text streamed in later takes the default format, so set that as well.
  SendMessageA(Ui.editor, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

/* With no font chosen the editor keeps the control's own default, in the
   size in points that default has on a display of 100 %. */
static void ApplyDefaultFontSize() {
  CHARFORMATA reported = {};
  reported.cbSize = sizeof reported;
  SendMessageA(Ui.editor, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&reported));
  LOGFONTA stock = {};
  if (!(reported.dwMask & CFM_SIZE) ||
      GetObjectA(GetStockObject(SYSTEM_FONT), sizeof stock, &stock) != sizeof stock)
    return;
  const LONG twips = DefaultFontTwips(reported.yHeight, stock.lfHeight, SystemDpi());
  if (twips == reported.yHeight) return;
  CHARFORMATA size = {};
  size.cbSize = sizeof size;
  size.dwMask = CFM_SIZE;
  size.yHeight = twips;
  SetEditorFormat(size);
}

/* The font in its size in points, which is the same on every display; the
   editor's zoom makes the points right for the display it is on. */
void ApplyEditorFont() {
  ApplyEditorZoom(Ui.editor);
  if (Ui.editor == nullptr) return;
  if (editorFont.lfHeight == 0)
    ApplyDefaultFontSize();
  else
    SetEditorFormat(EditorCharFormat());
}

void ApplyWordWrap() {
  if (Ui.editor == nullptr) return;
  SendMessageA(Ui.editor, EM_SETTARGETDEVICE, 0, wordWrap ? 0 : 1);
}

void ToggleWordWrap() {
  wordWrap = !wordWrap;
  ApplyWordWrap();
}

/* The font dialog measures heights on the system's display; the record
   keeps them at 96 per inch. */
void ChooseEditorFont() {
  const int dialogDpi = SystemDpi();
  LOGFONTA chosen = editorFont;
  chosen.lfHeight = FontHeightForDpi(editorFont.lfHeight, dialogDpi);
  CHOOSEFONTA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = MainWindow;
  dialog.lpLogFont = &chosen;
  dialog.Flags = CF_SCREENFONTS;
  if (editorFont.lfHeight != 0) dialog.Flags |= CF_INITTOLOGFONTSTRUCT;
  if (!ShowFontDialog(&dialog)) return;
  editorFont = chosen;
  editorFont.lfHeight = StoredFontHeight(chosen.lfHeight, dialogDpi);
  fontSizeTenths = dialog.iPointSize;
  ApplyEditorFont();
}

/* The time and the date, "time date", in the system's default formats. */
void FormatDateTime(char *out, int capacity) {
  char date[30] = "";
  char time[60] = "";
  if (GetDateFormatA(LOCALE_SYSTEM_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date) == 0)
    date[0] = '\0';
  if (GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, TIME_NOSECONDS | TIME_NOTIMEMARKER, nullptr, nullptr,
                     time, sizeof time) == 0)
    time[0] = '\0';
  snprintf(out, capacity, "%s %s", time, date);
}

/* Nothing goes into a page shown read-only: it is never saved, and the
   editor would take the insertion regardless. */
void InsertDateTime() {
  if (Ui.editor == nullptr || SelectedTab() < 0 || EditorIsReadOnly()) return;
  char text[96];
  FormatDateTime(text, sizeof text);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}
