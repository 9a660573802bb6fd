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
