// Files dropped on a folder node from another program (Explorer) become pages
// of that folder: "Notes.txt" the page "Notes", its bytes as they are, which
// the page-encoding rules read when it is shown. A page is never replaced;
// folders, pipes and devices, files larger than a page may be and files that
// are not text are not taken.
#include "notebook/notebook.h"
#include <shlwapi.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/code_pages.h"

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

// The most a dropped file may hold to become a page. A page is shown whole
// in the editor: under Wine the rich edit takes 16 MB of text in 5 to 9 s
// and holds 1.2 GB of memory for it, 64 MB in 43 s and 4.7 GB (measured
// with EM_STREAMIN). No page written by hand comes near; a larger file is a
// log or data, and is refused before it is read. (The editor's own limit,
// 2^31 characters, is set only so that it never cuts a page short.)
static const ULONGLONG LargestDroppedFile = 16 * 1024 * 1024;

// A size as the user reads it, rounded up, so that a file over the limit
// never reads as the limit itself.
static std::wstring SizeText(ULONGLONG bytes) {
  static const wchar_t *const units[] = {L"KB", L"MB", L"GB", L"TB"};
  ULONGLONG unit = 1024;
  size_t which = 0;
  while (which + 1 < sizeof units / sizeof units[0] && bytes / unit >= 1024) {
    unit *= 1024;
    ++which;
  }
  ULONGLONG tenths = bytes / unit * 10 + (bytes % unit * 10 + unit - 1) / unit;
  std::wstring text = std::to_wstring(tenths / 10);
  if (tenths % 10 != 0) text += L"." + std::to_wstring(tenths % 10);
  return text + L" " + units[which];
}

static std::wstring TooLarge(ULONGLONG size) {
  return L" is " + SizeText(size) + L"; a page holds " + SizeText(LargestDroppedFile) +
         L" at most.";
}

static std::wstring SystemText(DWORD error) {
  WCHAR text[512] = L"";
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                 text, sizeof text / sizeof text[0], nullptr);
  return text;
}

// Why a handle is no file that can be a page: a pipe or a device (a name
// may lead to one through a link) would keep the read waiting, or never end
// it. Checked on the handle read from, so that a name changed after the
// check cannot slip another file in. Opening does not wait: Windows opens
// a pipe's client end at once or fails, and Wine 8 opens a Unix FIFO at
// once (seen here; a read then waits for as long as a writer holds it).
static std::wstring WhyNotAPage(HANDLE file) {
  switch (GetFileType(file)) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_PIPE:
      return L" is a pipe, not a file.";
    case FILE_TYPE_CHAR:
      return L" is a device, not a file.";
    default:
      return L" is not a file.";
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info))
    return L" could not be read: " + SystemText(GetLastError());
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return L" is a folder.";
  ULONGLONG size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return size > LargestDroppedFile ? TooLarge(size) : std::wstring();
}

/* The bytes of a dropped file that can be a page; empty, or why it was not
   read (it may also grow past the limit while it is read). */
static std::wstring ReadDroppedFile(const std::wstring &path, std::string *bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return L" could not be read: " + SystemText(GetLastError());
  std::wstring why = WhyNotAPage(file);
  if (why.empty()) {
    DWORD error = ReadFileUpTo(file, static_cast<size_t>(LargestDroppedFile), bytes);
    if (error == ERROR_FILE_TOO_LARGE) {
      LARGE_INTEGER now = {};
      GetFileSizeEx(file, &now);
      why = TooLarge(std::max<ULONGLONG>(now.QuadPart, LargestDroppedFile + 1));
    } else if (error != 0) {
      why = L" could not be read: " + SystemText(error);
    }
  }
  CloseHandle(file);
  return why;
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
  std::wstring why = ReadDroppedFile(path, &bytes);
  if (!why.empty()) {
    *refused += L"\n" + Quoted(path) + why;
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
