// Editing tools: the editor's persistent options, date/time insertion, and find
// and replace.
#ifndef TAV_EDITING_H
#define TAV_EDITING_H

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "editing/text_search.h"

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
void NoteModelessDialog(HWND dialog);  // one more dialog RouteToFindDialog serves
// The request both dialogs share, kept for the whole run; exported for the
// tests, which fill it as a dialog would. The search and replacement texts
// are buffers of 96 bytes.
enum { FIND_BUFFER_SIZE = 96 };
extern FINDREPLACEA findRequest;
extern char findWhatText[FIND_BUFFER_SIZE];
extern char replaceWithText[FIND_BUFFER_SIZE];
void PrepareFindRequest();

/* find_all.cpp */
// A match of Find in All Pages, as its row shows it and its page is found
// again: the folder below the work folder (empty for the work folder
// itself), the page name, the line from 1 and the column from 0 in units.
struct FoundRow {
  std::string folder;
  std::string page;
  std::string pagePath;
  size_t line, column, length;
  std::wstring text;  // the line around the match
};
void OpenFindAllDialog();
HWND FindAllDialogWindow();
bool StartFindAll(const SearchPattern &pattern);
void StopFindAll();
bool FindAllRunning();
// A slice of the search, run from the idle step; false once it has ended.
bool RunFindAllSlice();
const std::vector<FoundRow> &FoundRows();
size_t UnreadablePageCount();
size_t OnlineOnlyPageCount();  // pages kept online only, not searched
void OpenFoundRow(size_t index);

#endif
