// Files dropped on a folder node from another program (Explorer) become pages
// of that folder: "Notes.txt" the page "Notes", its bytes as they are, which
// the page-encoding rules read when it is shown. A page is never replaced;
// folders and files that are not text are not taken.
#include <shlwapi.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/code_pages.h"
#include "app/ui_handles.h"
#include "pages/pages.h"
#include "tree/tree.h"

bool BytesAreText(const std::string &bytes) {
  PageEncoding encoding;
  std::wstring text;
  return ReadPageText(bytes.data(), bytes.size(), &encoding, &text) &&
         text.find(L'\0') == std::wstring::npos;
}

static std::vector<std::wstring> DroppedPaths(HDROP drop) {
  std::vector<std::wstring> paths;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    if (DragQueryFileW(drop, i, &path[0], length + 1) == length) {
      path.resize(length);
      paths.push_back(path);
    }
  }
  return paths;
}

static DWORD ReadDroppedFile(const std::wstring &path, std::string *bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = ReadWholeFile(file, bytes);
  CloseHandle(file);
  return error;
}

/* The page name a file suggests, its name less its extension, in the
   process code page; empty when it has none the code page can hold. */
static void SuggestedPageName(const std::wstring &path, char *name) {
  name[0] = '\0';
  WCHAR stem[MAX_PATH];
  if (wcslen(PathFindFileNameW(path.c_str())) >= MAX_PATH) return;
  wcscpy(stem, PathFindFileNameW(path.c_str()));
  PathRemoveExtensionW(stem);
  if (!NameInCodePage(stem, name, PATH_BUFFER_SIZE - 4)) name[0] = '\0';
}

/* The page file name to copy to: the suggested one unless something in the
   folder has it (in any letter case), else one the user gives; false when
   the user gives none. */
static bool ChoosePageFileName(const char *folder, const char *suggested, char *fileName) {
  bool named = suggested[0] != '\0';
  if (named) strcat(strcpy(fileName, suggested), ".tav");
  for (;;) {
    std::vector<std::wstring> names;
    EntryNamesIn(folder, &names);
    if (named && !NameTakenIn(names, fileName)) return true;
    char typed[PATH_BUFFER_SIZE];
    if (!AskOtherName(typed, suggested, false, "Copy as Page",
                      named ? "That name is taken there. Enter another name:"
                            : "Enter the page name:"))
      return false;
    strcpy(fileName, typed);
    named = true;
  }
}

static std::wstring Quoted(const std::wstring &path) {
  return L"'" + std::wstring(PathFindFileNameW(path.c_str())) + L"'";
}

static std::wstring SystemText(DWORD error) {
  WCHAR text[512] = L"";
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, sizeof text / sizeof text[0], nullptr);
  return text;
}

/* One file: copied as a page (its path into copiedTo), or why not added to
   refused. */
static void CopyAsPage(const char *folder, const std::wstring &path, std::wstring *refused,
                       char *copiedTo) {
  copiedTo[0] = '\0';
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *refused += L"\n" + Quoted(path) + L" is a folder.";
    return;
  }
  std::string bytes;
  DWORD error = ReadDroppedFile(path, &bytes);
  if (error != 0) {
    *refused += L"\n" + Quoted(path) + L" could not be read: " + SystemText(error);
    return;
  }
  if (!BytesAreText(bytes)) {
    *refused += L"\n" + Quoted(path) + L" is not a text file.";
    return;
  }
  char suggested[PATH_BUFFER_SIZE], fileName[PATH_BUFFER_SIZE];
  SuggestedPageName(path, suggested);
  if (!ChoosePageFileName(folder, suggested, fileName)) return;
  if (!WriteNewPageFile(folder, fileName, bytes.data(), bytes.size())) {
    ShowSystemErrorAbout("Error creating file '%s'", fileName);
    return;
  }
  JoinPath(folder, fileName, copiedTo);
}

/* The files become pages of the folder under the mouse, and the first of
   them is shown; one notice names those not taken, and why. */
void OnFilesDropped(HDROP drop) {
  // A box's or dialog's modal loop dispatches the drop too: while the main
  // window asks a question, or a drag of its own is under way, the page and
  // folder that question or drag act on stay as they are.
  if (MainWindowWaitsForUser() || DragUnderway()) {
    DragFinish(drop);
    MessageBeep(MB_ICONWARNING);
    return;
  }
  POINT at = {};
  TVHITTESTINFO hit = {};
  DragQueryPoint(drop, &at);
  std::vector<std::wstring> paths = DroppedPaths(drop);
  DragFinish(drop);
  hit.pt = at;
  HTREEITEM node = Ui.tree != nullptr ? TreeView_HitTest(Ui.tree, &hit) : nullptr;
  char folder[PATH_BUFFER_SIZE];
  if (node == nullptr || !(hit.flags & (TVHT_ONITEM | TVHT_ONITEMRIGHT)) ||
      !GetFolderPath(node, folder))
    return;
  std::wstring refused;
  char first[PATH_BUFFER_SIZE] = "", copied[PATH_BUFFER_SIZE];
  for (const std::wstring &path : paths) {
    CopyAsPage(folder, path, &refused, copied);
    if (first[0] == '\0') strcpy(first, copied);
  }
  if (first[0] != '\0') NoteFolderPagesChanged(folder);
  if (!refused.empty())
    MessageBoxW(MainWindow, (L"TAV takes text files as pages; these were not copied:" + refused).c_str(),
                L"TAV", MB_OK | MB_ICONWARNING);
  if (first[0] != '\0') ShowPageAt(first);
}
