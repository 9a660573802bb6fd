// Find in All Pages' search: every page below the work folder read and
// searched in slices run while the message queue is empty, the page shown as
// the editor holds it; the matches kept as rows, and the dialog told what to
// show again.
#include "notebook/notebook.h"

#include <richedit.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

FindAllSearch FindAllState;

// The dialog that shows the search, told by message what changed.
static HWND SearchDialog;

void SetFindAllDialog(HWND dialog) { SearchDialog = dialog; }

static void TellDialog(WPARAM show) {
  if (SearchDialog != nullptr && show != 0) SendMessageA(SearchDialog, UM_FINDALLSHOW, show, 0);
}

namespace {

// The text around a match on its line: what comes before it, cut short, and
// what follows it, tabs shown as blanks.
std::wstring LineAround(const wchar_t *text, size_t length, const TextMatch &match, size_t size) {
  const size_t before = 30, after = 90;
  size_t lineStart = match.at - match.column;
  size_t lineEnd = match.at + size;
  while (lineEnd < length && text[lineEnd] != L'\r' && text[lineEnd] != L'\n') ++lineEnd;
  size_t from = match.column > before ? match.at - before : lineStart;
  size_t to = lineEnd - (match.at + size) > after ? match.at + size + after : lineEnd;
  std::wstring line(text + from, to - from);
  for (wchar_t &c : line)
    if (c == L'\t' || c == L'\0') c = L' ';
  if (from > lineStart) line = L"\u2026" + line;
  if (to < lineEnd) line += L"\u2026";
  return line;
}

void AddRows(const WalkFolder &folder, const char *fileName, const char *path,
             const std::wstring &text) {
  std::vector<TextMatch> matches;
  FindMatches(text.data(), text.size(), FindAllState.pattern, &matches);
  if (matches.empty()) return;
  ++FindAllState.pagesWithMatches;
  char pageName[PATH_BUFFER_SIZE];
  strcpy(pageName, fileName);
  pageName[strlen(pageName) - 4] = '\0';
  for (const TextMatch &match : matches) {
    FoundRow row;
    row.folder = folder.relative;
    row.page = pageName;
    row.pagePath = path;
    row.line = match.line;
    row.column = match.column;
    row.length = FindAllState.pattern.text.size();
    row.text = LineAround(text.data(), text.size(), match, row.length);
    FindAllState.rows.push_back(row);
  }
}

void NoteUnreadable(const WalkFolder &folder, const char *fileName, DWORD error) {
  char reason[200] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reason, sizeof reason, nullptr);
  size_t length = strlen(reason);
  while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n')) reason[--length] = '\0';
  std::string where = folder.relative.empty() ? fileName : folder.relative + "\\" + fileName;
  FindAllState.unreadable.push_back("'" + where + "': " + reason);
}

/* A page's bytes are read whole once, from its file or from the index;
   only a page whose bytes may hold a match is decoded. */
void SearchPage(const WalkFolder &folder, const char *fileName) {
  char path[PATH_BUFFER_SIZE];
  if (!JoinPath(folder.path.c_str(), fileName, path)) return;
  if (FindAllState.shownPage[0] != '\0' && FolderPathsEqual(path, FindAllState.shownPage)) {
    ++FindAllState.pagesSearched;
    AddRows(folder, fileName, path, FindAllState.shownText);
    return;
  }
  // Reading a page a cloud drive keeps online only would fetch it.
  size_t index = folder.nextPage - 1;
  if (index < folder.onlineOnly.size() && folder.onlineOnly[index]) {
    ++FindAllState.onlineOnly;
    return;
  }
  ++FindAllState.pagesSearched;
  std::string bytes;
  // The index answers for a page whose file is as it was when stored.
  IndexedPageAnswer answer = PAGE_NOT_INDEXED;
  if (index < folder.stamps.size()) {
    const std::string relative =
        folder.relative.empty() ? std::string(fileName) : folder.relative + "\\" + fileName;
    answer = PageFromIndex(FindAllState.indexed, relative, folder.stamps[index], &bytes);
  }
  if (answer != PAGE_NOT_INDEXED) ++FindAllState.pagesFromIndex;
  if (answer == PAGE_CANNOT_MATCH) return;
  DWORD error = answer == PAGE_FROM_INDEX ? 0 : ReadFileAt(path, &bytes);
  if (error != 0) {
    NoteUnreadable(folder, fileName, error);
    return;
  }
  // The encoding is detected once, and only when the filter or the decoding
  // needs it: most pages hold no match and are never decoded.
  const bool needsEncoding = FindAllState.filter->NeedsEncoding();
  PageEncoding encoding = {};
  if (needsEncoding)
    encoding = DetectPageEncoding(bytes.data(), bytes.size(), LegacyCodePage(), GetACP());
  bool may = needsEncoding ? FindAllState.filter->MayHoldMatch(bytes.data(), bytes.size(), encoding)
                           : FindAllState.filter->MayHoldMatch(bytes.data(), bytes.size());
  if (!may) return;
  if (!needsEncoding)
    encoding = DetectPageEncoding(bytes.data(), bytes.size(), LegacyCodePage(), GetACP());
  std::wstring text;
  DecodePageBytes(bytes.data(), bytes.size(), encoding, &text);
  AddRows(folder, fileName, path, text);
}

// One step of the walk: a page, or a folder entered. False at the end.
bool SearchStep() {
  const WalkFolder *folder = nullptr;
  std::string fileName;
  WalkStepKind step = WalkStep(&FindAllState.walk, &folder, &fileName);
  if (step == WALK_PAGE) SearchPage(*folder, fileName.c_str());
  return step != WALK_END;
}

}  // namespace

void EndFindAllWalk() {
  FindAllState.walk.folders.clear();
  FindAllState.running = false;
  FindAllState.filter.reset();
  std::wstring().swap(FindAllState.shownText);
  FindAllState.indexed = IndexedSearch();
}

/* Pages that could not be read are named when the search ends. */
static void ReportUnreadable() {
  if (FindAllState.unreadable.empty()) return;
  std::string message = FindAllState.unreadable.size() == 1
                            ? std::string("1 page could not be read and was not searched:")
                            : std::to_string(FindAllState.unreadable.size()) +
                                  " pages could not be read and were not searched:";
  const size_t shownAtMost = 15;
  for (size_t i = 0; i < FindAllState.unreadable.size() && i < shownAtMost; ++i)
    message += "\n" + FindAllState.unreadable[i];
  if (FindAllState.unreadable.size() > shownAtMost) message += "\n...";
  MessageBoxA(SearchDialog != nullptr ? SearchDialog : MainWindow, message.c_str(), "Find in All Pages",
              MB_OK | MB_ICONWARNING);
}

static void FinishSearch() {
  EndFindAllWalk();
  if (TakeIndexSetAsideNews()) FindAllState.indexSetAside = true;
  TellDialog(FINDALL_SHOW_ROWS | FINDALL_SHOW_STATUS | FINDALL_SHOW_RUNNING);
  ReportUnreadable();
}

/* The page shown, as the editor holds it now. */
static void TakeShownPage() {
  FindAllState.shownPage[0] = '\0';
  if (!ShownPagePath(FindAllState.shownPage) || Ui.editor == nullptr) return;
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, 1200};
  LRESULT units = SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  if (units < 0) units = 0;
  FindAllState.shownText.assign(static_cast<size_t>(units) + 2, L'\0');
  GETTEXTEX request = {};
  request.cb = static_cast<DWORD>(FindAllState.shownText.size() * sizeof(wchar_t));
  request.flags = GT_USECRLF;
  request.codepage = 1200;
  LRESULT copied = SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                reinterpret_cast<LPARAM>(&FindAllState.shownText[0]));
  FindAllState.shownText.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
}

bool StartFindAll(const SearchPattern &pattern) {
  if (FindAllState.running) EndFindAllWalk();
  FindAllState.pattern = pattern;
  FindAllState.rows.clear();
  FindAllState.unreadable.clear();
  FindAllState.pagesSearched = FindAllState.pagesWithMatches = FindAllState.onlineOnly = 0;
  FindAllState.pagesFromIndex = 0;
  if (WorkFolderPath == nullptr || WorkFolderPath[0] == '\0' || pattern.text.empty()) return false;
  strcpy(FindAllState.workFolder, WorkFolderPath);
  FindAllState.filter.reset(new PageFilter(pattern));
  TakeShownPage();
  BeginIndexedSearch(pattern, &FindAllState.indexed);
  FindAllState.indexSetAside = TakeIndexSetAsideNews();
  EnterWalkFolder(&FindAllState.walk, FindAllState.workFolder, "");
  FindAllState.running = true;
  FindAllState.shownRows = 0;
  FindAllState.statusShownAt = 0;
  TellDialog(FINDALL_SHOW_ROWS | FINDALL_SHOW_STATUS | FINDALL_SHOW_RUNNING);
  return FindAllState.running;
}

void StopFindAll() {
  if (!FindAllState.running) return;
  FinishSearch();
}

bool FindAllRunning() { return FindAllState.running; }

/* As much of the search as a sixtieth of a second takes, so that a key
   pressed meanwhile waits no longer; the rows found so far are shown. */
bool RunFindAllSlice() {
  if (!FindAllState.running) return false;
  ULONGLONG until = GetTickCount64() + 16;
  bool more = true;
  do {
    more = SearchStep();
  } while (more && GetTickCount64() < until);
  if (!more) {
    FinishSearch();
    return false;
  }
  // New rows are shown at once; the count of pages searched four times a
  // second (drawing it after every slice took a third of the search's time,
  // seen under Wine).
  if (SearchDialog != nullptr) {
    WPARAM show = FindAllState.rows.size() != FindAllState.shownRows ? FINDALL_SHOW_ROWS : 0;
    ULONGLONG now = GetTickCount64();
    if (now - FindAllState.statusShownAt >= 250) {
      show |= FINDALL_SHOW_STATUS;
      FindAllState.statusShownAt = now;
    }
    TellDialog(show);
  }
  return true;
}

const std::vector<FoundRow> &FoundRows() { return FindAllState.rows; }
size_t UnreadablePageCount() { return FindAllState.unreadable.size(); }
size_t OnlineOnlyPageCount() { return FindAllState.onlineOnly; }

