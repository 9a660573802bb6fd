// The tab strip drawn dark: its face, each tab with its label as the control
// shows it ("&&" an ampersand), the selected tab raised and lighter, a tab
// the page of which changed elsewhere highlighted, and the focus mark.
#include "pages/pages.h"

#include <commctrl.h>

#include "base/theme.h"

namespace {

const UINT_PTR TabThemeId = 0x7A6;
enum { LABEL_CAPACITY = 520 };

void DrawTab(HWND tabs, HDC dc, int index, bool selected, bool focused) {
  const ThemeColours &colours = CurrentColours();
  RECT place;
  if (!SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&place))) return;
  char label[LABEL_CAPACITY] = "";
  TCITEMA item = {};
  item.mask = TCIF_TEXT | TCIF_STATE;
  item.dwStateMask = TCIS_HIGHLIGHTED;
  item.pszText = label;
  item.cchTextMax = sizeof label;
  SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
  label[sizeof label - 1] = '\0';
  bool highlighted = (item.dwState & TCIS_HIGHLIGHTED) != 0;
  // The control raises the selected tab by two pixels and widens it.
  if (selected) {
    InflateRect(&place, 2, 0);
    place.top -= 2;
  }
  COLORREF fill = highlighted ? colours.selection : selected ? colours.faceHot : colours.face;
  FillRect(dc, &place, ThemeBrush(fill));
  RECT edge = place;
  if (selected) edge.bottom += 1;  // open towards the page below
  FrameRect(dc, &edge, ThemeBrush(colours.line));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, highlighted ? colours.selectionText : colours.faceText);
  RECT text = place;
  DrawTextA(dc, label, -1, &text, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  if (selected && focused) {
    InflateRect(&text, -3, -3);
    SetTextColor(dc, colours.faceText);
    DrawFocusRect(dc, &text);
  }
}

/* The whole strip in one pass into a memory bitmap, so a redraw never
   flickers; the selected tab last, over its neighbours' edges. */
void PaintDarkTabs(HWND tabs) {
  PAINTSTRUCT paint;
  HDC target = BeginPaint(tabs, &paint);
  if (target == nullptr) return;
  RECT client;
  GetClientRect(tabs, &client);
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = dc != nullptr ? CreateCompatibleBitmap(target, client.right, client.bottom)
                                 : nullptr;
  HDC draw = bitmap != nullptr ? dc : target;
  HGDIOBJ oldBitmap = bitmap != nullptr ? SelectObject(dc, bitmap) : nullptr;
  FillRect(draw, &client, ThemeBrush(CurrentColours().face));
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(tabs, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = SelectObject(draw, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
  int selected = static_cast<int>(SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
  bool focused = GetFocus() == tabs;
  for (int i = 0; i < count; ++i)
    if (i != selected) DrawTab(tabs, draw, i, false, false);
  if (selected >= 0 && selected < count) DrawTab(tabs, draw, selected, true, focused);
  SelectObject(draw, oldFont);
  if (bitmap != nullptr) {
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
  }
  if (dc != nullptr) DeleteDC(dc);
  EndPaint(tabs, &paint);
}

LRESULT CALLBACK TabThemeProc(HWND tabs, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                              DWORD_PTR) {
  switch (message) {
    case WM_ERASEBKGND:
      if (ThemeIsDark()) return 1;
      break;
    case WM_PAINT:
      if (ThemeIsDark()) {
        PaintDarkTabs(tabs);
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (ThemeIsDark()) InvalidateRect(tabs, nullptr, FALSE);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(tabs, TabThemeProc, id);
      break;
  }
  return DefSubclassProc(tabs, message, wParam, lParam);
}

}  // namespace

void ThemePageTabs(HWND tabs) {
  if (tabs == nullptr) return;
  SetWindowSubclass(tabs, TabThemeProc, TabThemeId, 0);
  InvalidateRect(tabs, nullptr, TRUE);
}
