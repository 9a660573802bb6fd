// The toolbar drawn dark: the control is told the colours of its buttons,
// and TAV fills its face and draws its separators, which the control would
// draw in the system's colours.
#include "toolbar/toolbar.h"

#include "base/theme.h"

namespace {

void FillFace(HWND toolbar, HDC dc) {
  RECT client;
  GetClientRect(toolbar, &client);
  FillRect(dc, &client, ThemeBrush(CurrentColours().face));
}

/* Each separator as one line of the dark look's edge colour in its middle,
   over what the control drew there. */
void DrawSeparators(HWND toolbar, HDC dc) {
  const ThemeColours &colours = CurrentColours();
  int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button = {};
    RECT place;
    if (!SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) ||
        !(button.fsStyle & BTNS_SEP) || (button.fsState & TBSTATE_HIDDEN) ||
        !SendMessageA(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&place)))
      continue;
    FillRect(dc, &place, ThemeBrush(colours.face));
    RECT line = place;
    line.left = (place.left + place.right) / 2;
    line.right = line.left + 1;
    InflateRect(&line, 0, -2);
    FillRect(dc, &line, ThemeBrush(colours.line));
  }
}

}  // namespace

LRESULT OnToolbarCustomDraw(NMTBCUSTOMDRAW *draw) {
  if (!ThemeIsDark()) return CDRF_DODEFAULT;
  HWND toolbar = draw->nmcd.hdr.hwndFrom;
  const ThemeColours &colours = CurrentColours();
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREERASE:
      FillFace(toolbar, draw->nmcd.hdc);
      return CDRF_SKIPDEFAULT;
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT:
      draw->clrText = colours.faceText;
      draw->clrTextHighlight = colours.faceText;
      draw->clrBtnFace = colours.face;
      draw->clrBtnHighlight = colours.faceHot;
      draw->clrHighlightHotTrack = colours.faceHot;
      return TBCDRF_HILITEHOTTRACK;
    case CDDS_POSTPAINT:
      DrawSeparators(toolbar, draw->nmcd.hdc);
      return CDRF_DODEFAULT;
  }
  return CDRF_DODEFAULT;
}
