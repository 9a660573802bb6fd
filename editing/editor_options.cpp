// The editor's font and word wrap, and the date/time insertion.
#include "editing/editing.h"

#include <richedit.h>
#include <stdio.h>
#include <string.h>

#include "app/platform_seam.h"
#include "app/ui_handles.h"
#include "pages/pages.h"

bool wordWrap;
LOGFONTA editorFont;
int fontSizeTenths;

static_assert(sizeof(LOGFONTA) == 60, "the settings file stores the font record as 60 bytes");

/* Size of a font height in twips on this screen, rounded; the sign of the
   height (cell or character height) does not matter here. */
static LONG HeightInTwips(LONG height) {
  HDC screen = GetDC(nullptr);
  int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  if (dpi <= 0) dpi = 96;
  long long magnitude = height < 0 ? -static_cast<long long>(height) : height;
  return static_cast<LONG>((magnitude * 1440 + dpi / 2) / dpi);
}

/* The character format that shows editorFont: bold, italic, face and size. */
static CHARFORMATA EditorCharFormat() {
  CHARFORMATA format = {};
  format.cbSize = sizeof format;
  format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_FACE | CFM_SIZE;
  if (editorFont.lfWeight > 600) format.dwEffects |= CFE_BOLD;
  if (editorFont.lfItalic != 0) format.dwEffects |= CFE_ITALIC;
  format.yHeight = HeightInTwips(editorFont.lfHeight);
  format.bCharSet = editorFont.lfCharSet;
  format.bPitchAndFamily = editorFont.lfPitchAndFamily;
  memcpy(format.szFaceName, editorFont.lfFaceName, sizeof format.szFaceName);
  format.szFaceName[sizeof format.szFaceName - 1] = '\0';
  return format;
}

void ApplyEditorFont() {
  if (editorFont.lfHeight == 0 || Ui.editor == nullptr) return;
  CHARFORMATA format = EditorCharFormat();
  SendMessageA(Ui.editor, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  // Text streamed in later takes the default format, so set that as well.
  SendMessageA(Ui.editor, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

void ApplyWordWrap() {
  if (Ui.editor == nullptr) return;
  SendMessageA(Ui.editor, EM_SETTARGETDEVICE, 0, wordWrap ? 0 : 1);
}

void ToggleWordWrap() {
  wordWrap = !wordWrap;
  ApplyWordWrap();
}

void ChooseEditorFont() {
  LOGFONTA chosen = editorFont;
  CHOOSEFONTA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = MainWindow;
  dialog.lpLogFont = &chosen;
  dialog.Flags = CF_SCREENFONTS;
  if (editorFont.lfHeight != 0) dialog.Flags |= CF_INITTOLOGFONTSTRUCT;
  if (!ShowFontDialog(&dialog)) return;
  editorFont = chosen;
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
  if (Ui.editor == nullptr || SelectedTab() < 0 || CurrentPageIsProtected()) return;
  char text[96];
  FormatDateTime(text, sizeof text);
  SendMessageA(Ui.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}
