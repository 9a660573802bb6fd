// The display a window is on, and what is made for it: its DPI and the
// system's measures and message font there, the program's pictures brought
// to its size, and the program's own dialogs in the message font. The rules
// themselves are window-free (scaling.h).
#ifndef TAV_DPI_H
#define TAV_DPI_H

#include <windows.h>
#include <commctrl.h>

#include <stdint.h>

#include "base/scaling.h"

/* dpi.cpp */
int SystemDpi();
int DpiOfWindow(HWND window);
// The DPI of the display that holds most of a rectangle, and that
// display's corner.
int DpiOfDisplayAt(const RECT &rect, POINT *origin);
int MetricForDpi(int index, int dpi);  // GetSystemMetrics for a display of dpi
bool MessageFontForDpi(int dpi, LOGFONTW *font);
// The DPI the main window's children were last made for.
int CurrentDpi();
// A tab strip's padding for that display (a fresh strip takes the font of
// the one it replaces).
void ApplyTabPadding(HWND tabs);
// The program's own dialogs, in the system's message font.
INT_PTR RunProgramDialog(int id, HWND owner, DLGPROC procedure, LPARAM parameter);
HWND OpenProgramDialog(int id, HWND owner, DLGPROC procedure, LPARAM parameter);

/* art_images.cpp */
// Two drawings of a piece of art, for 100 % and 150 %, as a bitmap strip of
// images side by side.
struct Art {
  int resource100, resource150;
  ArtSizes sizes;
  int count;
  uint32_t key;             // transparent
  bool buttonColours;       // black, greys and white follow the system's button colours
  int backgroundColour;     // what the images are shown on
};
// The art for a display of dpi: the drawing that serves it, brought to the
// size wanted; null when the bitmap cannot be read.
HIMAGELIST MakeArtImages(const Art &art, int dpi);
// The same shown on another colour than the art's system colour (0xBBGGRR).
HIMAGELIST MakeArtImagesOn(const Art &art, int dpi, COLORREF background);
// The art's shapes all in one colour, as pictures of commands not available.
HIMAGELIST MakeArtSilhouettes(const Art &art, int dpi, COLORREF background, COLORREF ink);
// A tree of the notebook's folders with its images and indentation for a
// display of dpi, and its colours, in the current look; the list it had
// before (in *images) is destroyed and the new one kept there.
void ApplyTreeArt(HWND tree, int dpi, HIMAGELIST *images);

#endif
