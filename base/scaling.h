// The display's scaling, window-free: sizes, art, fonts and places for a
// display of a given DPI. Everything is drawn and measured for 96 pixels per
// inch (100 %) and grown from there.
#ifndef TAV_SCALING_H
#define TAV_SCALING_H

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// Everything is drawn and measured for 96 pixels per inch (100 %) and grown
// from there.
enum { BASE_DPI = 96 };
// A size in pixels at 96 per inch, for a display of dpi; rounded.
int ScaleForDpi(int pixels, int dpi);

// A piece of art (toolbar buttons, tree images) is drawn twice: for 100 %
// and for 150 %. Every other scaling takes whole multiples of one drawing,
// shrunk smoothly where that is not the size wanted.
struct ArtSizes {
  int width, height;        // the drawing for 100 %
  int width150, height150;  // the drawing for 150 %
};
struct ArtChoice {
  bool from150;       // which drawing
  int width, height;  // the images' size on this display
  bool exact;         // a whole multiple of the drawing: every pixel sharp
};
ArtChoice ChooseArt(const ArtSizes &drawn, int dpi);

// Of the sizes a picture is drawn in, the one nearest to the size wanted;
// the larger of two as near.
int NearestSize(int wanted, const int *sizes, int count);

// Pixels as 0xAARRGGBB. A drawing's pixels are opaque or transparent.
struct ArtImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};
// A drawing brought to another size by the share of each of its pixels in
// each new pixel: whole multiples repeat pixels, other sizes blend them.
// The alpha byte of a result is its coverage, its colour the blend laid over
// background (0xRRGGBB); less than half covered shows as transparent.
ArtImage ResampleArt(const ArtImage &source, int width, int height, uint32_t background);
inline bool ArtPixelShows(uint32_t pixel) { return (pixel >> 24) >= 128; }

// The editor's font record holds its height in pixels at 96 per inch, as
// earlier TAVs stored it (Windows scaled those as pictures, so they measured
// at 96 on any display): its size in points never depends on the display.
LONG StoredFontTwips(LONG storedHeight);
LONG FontHeightForDpi(LONG storedHeight, int dpi);  // for a display of dpi
LONG StoredFontHeight(LONG height, int dpi);        // measured on a display of dpi
// The size in points of a font height in pixels on a display of dpi.
int FontPoints(LONG height, int dpi);
// The editor's font when none was chosen: the size, in twips, of the
// default a fresh rich edit reports (reportedTwips) as it is on a display of
// 100 %, for a system of dpi whose stock system font, which that default is
// made from, is stockHeight pixels high.
LONG DefaultFontTwips(LONG reportedTwips, LONG stockHeight, int dpi);

// A window rectangle stored on a display of fromDpi, for one of toDpi: its
// size keeps its share of the display, and so does its distance from the
// display's corner origin. Sides that are not stored (CW_USEDEFAULT) stay so.
RECT ScaleWindowRect(const RECT &stored, POINT origin, int fromDpi, int toDpi);

// A dialog template (DIALOG or DIALOGEX) with another font, its controls
// unchanged; false, out untouched, for a template that names no font or is
// not whole.
struct DialogFont {
  std::wstring face;
  WORD points;
  WORD weight;
  BYTE italic;
  BYTE charset;
};
bool TemplateWithFont(const BYTE *dialog, size_t size, const DialogFont &font,
                      std::vector<DWORD> *out);

#endif
