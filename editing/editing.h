// Editing tools: the editor's persistent options, date/time insertion, and find
// and replace.
#ifndef TAV_EDITING_H
#define TAV_EDITING_H

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "base/ui_handles.h"
#include "editing/text_search.h"

extern bool wordWrap;
extern LOGFONTA editorFont;
extern int fontSizeTenths;

/* editor_control.cpp */
HWND CreateEditorWindow(HWND parent, const RECT &place);
HWND ReplaceEditorWindow();  // a fresh, empty editor in the old one's place

/* editor_theme.cpp */
// The editor's background and text in the current look; its text, caret,
// selection, scroll position, undo and unsaved state stay as they are.
void ApplyEditorTheme(HWND editor);

/* editor_options.cpp */
// The rich edit turns points into pixels for the system's DPI; on a display
// of another, it is zoomed to show them at that display's.
void ApplyEditorZoom(HWND editor);
void ApplyEditorFont();
void ApplyWordWrap();
void ToggleWordWrap();
void ChooseEditorFont();
void InsertDateTime();
void FormatDateTime(char *out, int capacity);  // exported for the tests

/* find_replace.cpp */
void OpenFindDialog();
void FindNextCommand();
void OpenReplaceDialog();
void OnFindReplace(LPARAM record);
// The request both dialogs share, kept for the whole run; exported for the
// tests, which fill it as a dialog would. The search and replacement texts
// are buffers of 96 bytes.
enum { FIND_BUFFER_SIZE = 96 };
extern FINDREPLACEA findRequest;
extern char findWhatText[FIND_BUFFER_SIZE];
extern char replaceWithText[FIND_BUFFER_SIZE];
void PrepareFindRequest();

#endif
