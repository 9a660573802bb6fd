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
void FormatDateTime(char *out, int capacity);  // exported for the tests

/* find_replace.cpp */
void OpenFindDialog();
void FindNextCommand();
void OpenReplaceDialog();
void OnFindReplace(LPARAM record);
bool RouteToFindDialog(MSG *msg);  // the loop's keys for an open dialog
// The request both dialogs share, kept for the whole run; exported for the
// tests, which fill it as a dialog would. The search and replacement texts
// are buffers of 96 bytes.
enum { FIND_BUFFER_SIZE = 96 };
extern FINDREPLACEA findRequest;
extern char findWhatText[FIND_BUFFER_SIZE];
extern char replaceWithText[FIND_BUFFER_SIZE];
void PrepareFindRequest();

#endif
