// The main window's children drawn for the display they are on: images,
// fonts and measures made for its DPI, and made again when the window moves
// to a display of another scaling.
#ifndef TAV_DISPLAY_SCALE_H
#define TAV_DISPLAY_SCALE_H

#include "base/dpi.h"

/* display_scale.cpp */
// Images, fonts and measures of the main window's children for a display of
// dpi; the layout is the caller's.
void ApplyDisplayScale(int dpi);
// The window moved to a display of another scaling: it takes the place the
// system suggests and is laid out again.
void OnDpiChanged(int dpi, const RECT *suggested);
void ApplyThemedImages();
void ReleaseDisplayScale();
// A stored window rectangle, for the display it comes back on.
void FitStoredRectToDisplay(RECT *rect, int storedDpi);

#endif
