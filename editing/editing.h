// Editing tools: the editor's persistent options, date/time insertion, and find
// and replace.
#ifndef TAV_EDITING_H
#define TAV_EDITING_H

#include <windows.h>
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
void OpenFindDialog();
void FindNextCommand();
void OpenReplaceDialog();
void OnFindReplace(LPARAM record);

#endif
