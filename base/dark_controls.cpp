// The controls the dark look draws itself, where the platform draws them in
// colours of its own whatever their dialog says: group boxes, push buttons
// and the column headers of lists.
#include "base/theme.h"

#include <commctrl.h>

bool WindowClassIs(HWND window, const char *name) {
  char found[32] = "";
  GetClassNameA(window, found, sizeof found);
  return lstrcmpiA(found, name) == 0;
}

/* A group box's frame and label drawn in the dark look: the platform draws
   its label in a colour of its own, whatever the dialog says (Wine: nearly
   black; Windows' visual styles: the theme's). */
LRESULT CALLBACK DarkGroupBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(box, DarkGroupBoxProc, id);
  if (message != WM_PAINT || !ThemeIsDark()) return DefSubclassProc(box, message, wParam, lParam);
  const ThemeColours &colours = CurrentColours();
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(box, &paint);
  if (dc == nullptr) return 0;
  RECT area;
  GetClientRect(box, &area);
  char label[256] = "";
  GetWindowTextA(box, label, sizeof label);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  RECT frame = area;
  frame.top += metrics.tmHeight / 2;
  FrameRect(dc, &frame, ThemeBrush(colours.line));
  RECT text = {area.left + 7, area.top, area.right - 7, area.top + metrics.tmHeight};
  if (label[0] != '\0') {
    RECT measured = text;
    DrawTextA(dc, label, -1, &measured, DT_SINGLELINE | DT_CALCRECT);
    measured.left -= 2;
    measured.right += 2;
    FillRect(dc, &measured, ThemeBrush(colours.face));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(box) ? colours.faceText : colours.grayText);
    DrawTextA(dc, label, -1, &text, DT_SINGLELINE);
  }
  SelectObject(dc, oldFont);
  EndPaint(box, &paint);
  return 0;
}

bool IsPushButton(HWND window) {
  if (!WindowClassIs(window, "Button")) return false;
  LONG type = GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

/* A push button drawn dark (its NM_CUSTOMDRAW): the face lighter than the
   dialog's, pressed darker, the default button with a stronger edge, its
   label with its mnemonic, and the focus mark; the same over the dark
   visual style, so that a button looks alike everywhere. */
LRESULT DrawDarkPushButton(const NMCUSTOMDRAW *draw) {
  if (draw->dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
  const ThemeColours &colours = CurrentColours();
  HWND button = draw->hdr.hwndFrom;
  HDC dc = draw->hdc;
  RECT area = draw->rc;
  const bool pressed = (draw->uItemState & CDIS_SELECTED) != 0;
  const bool disabled = (draw->uItemState & CDIS_DISABLED) != 0 || !IsWindowEnabled(button);
  const bool isDefault = (GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  FillRect(dc, &area, ThemeBrush(pressed ? colours.face : colours.faceHot));
  FrameRect(dc, &area, ThemeBrush(isDefault ? colours.faceText : colours.line));
  char label[128] = "";
  GetWindowTextA(button, label, sizeof label);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? colours.grayText : colours.faceText);
  RECT text = area;
  if (pressed) OffsetRect(&text, 1, 1);
  UINT format = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
  if (SendMessageA(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
  DrawTextA(dc, label, -1, &text, format);
  if (draw->uItemState & CDIS_FOCUS) {
    RECT focus = area;
    InflateRect(&focus, -3, -3);
    SetTextColor(dc, colours.faceText);
    DrawFocusRect(dc, &focus);
  }
  return CDRF_SKIPDEFAULT;
}

/* A list view's column header drawn dark (its NM_CUSTOMDRAW, which the
   header sends to the list): each column's title on the dark face with an
   edge between columns, and the face right of the last column. */
namespace {

LRESULT DrawDarkHeader(NMCUSTOMDRAW *draw) {
  const ThemeColours &colours = CurrentColours();
  HWND header = draw->hdr.hwndFrom;
  HDC dc = draw->hdc;
  switch (draw->dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPREPAINT: {
      RECT area = draw->rc;
      FillRect(dc, &area, ThemeBrush(colours.face));
      RECT edge = {area.right - 1, area.top + 2, area.right, area.bottom - 2};
      FillRect(dc, &edge, ThemeBrush(colours.line));
      wchar_t title[128] = L"";
      HDITEMW item = {};
      item.mask = HDI_TEXT | HDI_FORMAT;
      item.pszText = title;
      item.cchTextMax = sizeof title / sizeof title[0];
      SendMessageW(header, HDM_GETITEMW, draw->dwItemSpec, reinterpret_cast<LPARAM>(&item));
      title[sizeof title / sizeof title[0] - 1] = L'\0';
      RECT text = area;
      InflateRect(&text, -6, 0);
      UINT align = (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT
                   : (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                                : DT_LEFT;
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, colours.faceText);
      DrawTextW(dc, title, -1, &text, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
      return CDRF_SKIPDEFAULT;
    }
    case CDDS_POSTPAINT: {
      RECT client, last = {};
      GetClientRect(header, &client);
      int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
      if (count > 0) SendMessageA(header, HDM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
      client.left = last.right;
      FillRect(dc, &client, ThemeBrush(colours.face));
      return CDRF_DODEFAULT;
    }
  }
  return CDRF_DODEFAULT;
}

}  // namespace

LRESULT DrawDarkListRow(NMLVCUSTOMDRAW *draw) {
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  HWND list = draw->nmcd.hdr.hwndFrom;
  const ThemeColours &colours = CurrentColours();
  const bool selected =
      SendMessageA(list, LVM_GETITEMSTATE, draw->nmcd.dwItemSpec, LVIS_SELECTED) != 0;
  if (!selected) return CDRF_DODEFAULT;
  const bool focused = GetFocus() == list;
  draw->clrText = focused ? colours.selectionText : colours.text;
  draw->clrTextBk = focused ? colours.selection : colours.faceHot;
  // Told it is not selected, the list takes these colours rather than the
  // system's highlight (and, without the focus, its light face).
  draw->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
  return CDRF_NEWFONT;
}

LRESULT CALLBACK DarkListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                              DWORD_PTR) {
  if (message == WM_NCDESTROY) RemoveWindowSubclass(list, DarkListProc, id);
  if (message == WM_NOTIFY && ThemeIsDark()) {
    NMHDR *header = reinterpret_cast<NMHDR *>(lParam);
    if (header->code == NM_CUSTOMDRAW &&
        header->hwndFrom == reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)))
      return DrawDarkHeader(reinterpret_cast<NMCUSTOMDRAW *>(lParam));
  }
  return DefSubclassProc(list, message, wParam, lParam);
}
