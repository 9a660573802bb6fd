// Editing tools: the editor's persistent options, date/time insertion, and find
// and replace.
#ifndef TAV_EDITING_H
#define TAV_EDITING_H

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

extern bool wordWrap;
extern LOGFONTA editorFont;
extern int fontSizeTenths;

/* editor_options.cpp */
void ApplyEditorFont();
void ApplyWordWrap();
void ToggleWordWrap();
void ChooseEditorFont();
void InsertDateTime();
void FormatDateTime(char *out, int capacity);
CHARFORMATA EditorCharFormat();

/* find_replace.cpp */
// The search and replacement texts: buffers of 96 bytes, of which the dialogs
// are offered 90 (terminator included).
enum { FIND_BUFFER_SIZE = 96, FIND_TEXT_CAPACITY = 90 };
extern FINDREPLACEA findRequest;
extern char findWhatText[FIND_BUFFER_SIZE];
extern char replaceWithText[FIND_BUFFER_SIZE];
void PrepareFindRequest();
bool FindFrom(DWORD options, LONG start, CHARRANGE *match);
void OpenFindDialog();
void FindNextCommand();
void OpenReplaceDialog();
void OnFindReplace(LPARAM record);
bool RouteToFindDialog(MSG *msg);  // the loop's keys for an open dialog

#endif
