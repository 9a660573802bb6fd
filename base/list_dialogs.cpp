// What the modeless dialogs share: the message loop hands them their keys
// (Tab, Enter, Escape); and those with a list of rows (Find in All Pages,
// Open Page) are made alike, with a list of UTF-16 rows, their least size,
// and the focus on their text field.
#include "base/list_dialogs.h"

#include <algorithm>
#include <vector>

#include "base/dpi.h"
#include "base/ui_handles.h"

// The modeless dialogs opened so far; those closed since are dropped as new
// ones open.
static std::vector<HWND> OpenDialogs;

void NoteModelessDialog(HWND dialog) {
  OpenDialogs.erase(std::remove_if(OpenDialogs.begin(), OpenDialogs.end(),
                                   [](HWND open) { return !IsWindow(open); }),
                    OpenDialogs.end());
  OpenDialogs.push_back(dialog);
}

/* A modeless dialog gets Tab, Enter and Escape only when the message loop
   hands it its messages; true when one of ours took this one. */
bool RouteToModelessDialog(MSG *msg) {
  if (OpenDialogs.empty() || msg->hwnd == nullptr) return false;
  HWND root = GetAncestor(msg->hwnd, GA_ROOT);
  for (HWND dialog : OpenDialogs)
    if (dialog == root && IsWindow(dialog)) return IsDialogMessageA(dialog, msg) != FALSE;
  return false;
}

HWND CreateModelessDialog(int templateId, DLGPROC procedure, const char *failure) {
  HWND dialog = OpenProgramDialog(templateId, MainWindow, procedure, 0);
  if (dialog == nullptr) {
    ShowSystemError(failure);
    return nullptr;
  }
  NoteModelessDialog(dialog);
  return dialog;
}

void FocusDialogField(HWND dialog, int fieldId) {
  HWND field = GetDlgItem(dialog, fieldId);
  SetActiveWindow(dialog);
  SetFocus(field);
  SendMessageA(field, EM_SETSEL, 0, -1);
}

/* The rows come as UTF-16, whatever the process code page, and a click
   anywhere on a row chooses it. The columns' widths are for 96 per inch,
   grown for the dialog's display. */
void PrepareRowList(HWND list, const ListColumn *columns, int count, int dpi) {
  SendMessageA(list, CCM_SETUNICODEFORMAT, TRUE, 0);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (int i = 0; i < count; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | (columns[i].alignRight ? LVCF_FMT : 0);
    column.fmt = LVCFMT_RIGHT;
    column.pszText = const_cast<wchar_t *>(columns[i].title);
    column.cx = ScaleForDpi(columns[i].width, dpi);
    column.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

int SelectedListRow(HWND list) {
  return list != nullptr ? static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED))
                         : -1;
}

/* The size the dialog was made with is kept in its user data: the user may
   make it larger, or at most half as high. */
void NoteMadeSize(HWND dialog) {
  RECT window;
  GetWindowRect(dialog, &window);
  SetWindowLongPtrA(dialog, DWLP_USER, MAKELONG(window.right - window.left, window.bottom - window.top));
}

static void KeepMadeSize(HWND dialog, LPARAM minMaxInfo) {
  LONG_PTR size = GetWindowLongPtrA(dialog, DWLP_USER);
  if (size == 0) return;
  reinterpret_cast<MINMAXINFO *>(minMaxInfo)->ptMinTrackSize.x = LOWORD(size);
  reinterpret_cast<MINMAXINFO *>(minMaxInfo)->ptMinTrackSize.y = HIWORD(size) / 2;
}

/* On a display of another scaling the columns and the least size keep
   their share of the display, and the dialog takes the place the system
   suggests (its controls follow in WM_SIZE). A control without a header
   (the move dialog's tree) has no columns. */
static void FollowDialogDpi(HWND dialog, int listId, int *dialogDpi, int dpi,
                            const RECT *suggested) {
  const int old = *dialogDpi;
  *dialogDpi = dpi;
  if (old <= 0 || dpi <= 0) return;
  HWND list = GetDlgItem(dialog, listId);
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  int columns = header != nullptr ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (int i = 0; i < columns; ++i) {
    int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
    SendMessageA(list, LVM_SETCOLUMNWIDTH, i, MulDiv(width, dpi, old));
  }
  LONG_PTR size = GetWindowLongPtrA(dialog, DWLP_USER);
  SetWindowLongPtrA(dialog, DWLP_USER, MAKELONG(MulDiv(LOWORD(size), dpi, old),
                                                MulDiv(HIWORD(size), dpi, old)));
  SetWindowPos(dialog, nullptr, suggested->left, suggested->top,
               suggested->right - suggested->left, suggested->bottom - suggested->top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ListDialogFrameMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, int listId,
                            int *dialogDpi, void (*layout)(HWND dialog)) {
  switch (message) {
    case WM_SIZE:
      layout(dialog);
      return true;
    case WM_GETMINMAXINFO:
      KeepMadeSize(dialog, lParam);
      return true;
    case WM_DPICHANGED:
      FollowDialogDpi(dialog, listId, dialogDpi, HIWORD(wParam), reinterpret_cast<const RECT *>(lParam));
      return true;
  }
  return false;
}
