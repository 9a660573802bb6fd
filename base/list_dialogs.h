// The program's modeless dialogs: the message loop's keys for them, and the
// frame that those with a list of rows share.
#ifndef TAV_LIST_DIALOGS_H
#define TAV_LIST_DIALOGS_H

#include <windows.h>

/* list_dialogs.cpp */
// One more dialog the message loop hands its keys to.
void NoteModelessDialog(HWND dialog);
bool RouteToModelessDialog(MSG *msg);  // the loop's keys for an open dialog
// The modeless dialogs with a list of rows: made from their template and
// noted for the message loop (null, the failure shown, when they cannot
// be); a list of UTF-16 rows with its columns; the size they were made with
// kept as the least the user may give them (WM_GETMINMAXINFO).
struct ListColumn {
  const wchar_t *title;
  int width;
  bool alignRight;
};
HWND CreateModelessDialog(int templateId, DLGPROC procedure, const char *failure);
void FocusDialogField(HWND dialog, int fieldId);
void PrepareRowList(HWND list, const ListColumn *columns, int count, int dpi);
int SelectedListRow(HWND list);  // -1 for none
void NoteMadeSize(HWND dialog);
// The messages such a dialog answers alike (WM_SIZE, laid out by layout;
// WM_GETMINMAXINFO; WM_DPICHANGED, *dialogDpi being the display's the dialog
// was made for); false for any other.
bool ListDialogFrameMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, int listId,
                            int *dialogDpi, void (*layout)(HWND dialog));

#endif
