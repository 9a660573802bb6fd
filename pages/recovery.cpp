// Recovery copies: while the page shown has unsaved changes, a copy of its
// text is kept in the user's local application data, written from the idle
// step now and then; a run that ends without saving the page leaves it, and
// the next start offers the text back.
#include "pages/pages.h"

#include <richedit.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <cstddef>

#include <string>
#include <vector>

#include "base/code_pages.h"
#include "base/platform_seam.h"
#include "base/ui_handles.h"

static const char CopyHeader[] = "TAV recovery copy 1\r\n";
static const char CopyExtension[] = ".rec";

// The page shown: whether its text changed since the last copy, when that
// copy was made (or the page shown), and how long until the next may be.
static struct {
  bool changed;
  ULONGLONG lastCopy;
  DWORD interval;
  bool failureReported;
} Recovery = {false, 0, RECOVERY_INTERVAL_MS, false};

// The copies this run wrote or took on from an earlier one: a save removes
// a copy only when there may be one, and so costs nothing more otherwise.
static std::vector<std::string> KeptCopies;

void NoteKeptCopy(const std::string &name) {
  for (const std::string &kept : KeptCopies)
    if (kept == name) return;
  KeptCopies.push_back(name);
}

/* ---- the copy's file ---- */

DWORD NextRecoveryInterval(DWORD copyMs) {
  DWORD share = copyMs > MAXDWORD / 30 ? MAXDWORD : copyMs * 30;
  const DWORD least = RECOVERY_INTERVAL_MS;
  return share > least ? share : least;
}

// Paths name pages without regard to letter case: "C:\Notes\Plan.tav" and
// "c:\notes\plan.TAV" have one copy.
std::string RecoveryCopyName(const char *pagePath) {
  char name[40];
  snprintf(name, sizeof name, "page-%016llX%s", HashPathIgnoringAsciiCase(pagePath),
           CopyExtension);
  return name;
}

/* A header of lines, the page's path in UTF-8 and the rest in digits, then
   a blank line and the text as UTF-16, which holds every character the
   editor can. */
std::string FormatRecoveryCopy(const RecoveryCopy &copy) {
  char lines[200];
  unsigned long long lastWrite =
      (static_cast<unsigned long long>(copy.madeAgainst.lastWrite.dwHighDateTime) << 32) |
      copy.madeAgainst.lastWrite.dwLowDateTime;
  unsigned long long size =
      (static_cast<unsigned long long>(copy.madeAgainst.sizeHigh) << 32) | copy.madeAgainst.sizeLow;
  snprintf(lines, sizeof lines, "Encoding=%d %u %d %d\r\nFile=%d %d %llu %llu\r\n\r\n",
           static_cast<int>(copy.encoding.form), copy.encoding.codePage,
           copy.encoding.byteOrderMark ? 1 : 0, static_cast<int>(copy.encoding.breaks),
           copy.madeAgainst.known ? 1 : 0, copy.madeAgainst.existed ? 1 : 0, size, lastWrite);
  std::string bytes = CopyHeader;
  bytes += "Page=" + PathInUtf8(copy.pagePath) + "\r\n";
  bytes += lines;
  bytes.append(reinterpret_cast<const char *>(copy.text.data()),
               copy.text.size() * sizeof(wchar_t));
  return bytes;
}

static bool TakeLine(const std::string &bytes, size_t *at, std::string *line) {
  size_t end = bytes.find("\r\n", *at);
  if (end == std::string::npos) return false;
  line->assign(bytes, *at, end - *at);
  *at = end + 2;
  return true;
}

bool ParseRecoveryCopy(const std::string &bytes, RecoveryCopy *copy) {
  if (bytes.compare(0, strlen(CopyHeader), CopyHeader) != 0) return false;
  size_t at = strlen(CopyHeader);
  std::string page, encoding, file, blank;
  if (!TakeLine(bytes, &at, &page) || !TakeLine(bytes, &at, &encoding) ||
      !TakeLine(bytes, &at, &file) || !TakeLine(bytes, &at, &blank) || !blank.empty())
    return false;
  if (page.compare(0, 5, "Page=") != 0) return false;
  // A path that does not convert names no page this process can reach; the
  // copy's text is kept all the same.
  copy->pageAsNamed = page.substr(5);
  PathFromUtf8(copy->pageAsNamed, &copy->pagePath);
  int form = 0, bom = 0, breaks = 0, known = 0, existed = 0;
  unsigned codePage = 0;
  unsigned long long size = 0, lastWrite = 0;
  if (sscanf(encoding.c_str(), "Encoding=%d %u %d %d", &form, &codePage, &bom, &breaks) != 4 ||
      sscanf(file.c_str(), "File=%d %d %llu %llu", &known, &existed, &size, &lastWrite) != 4)
    return false;
  if (form < TEXT_CODE_PAGE || form > TEXT_UTF16BE || breaks < BREAKS_CRLF || breaks > BREAKS_CRCRLF)
    return false;
  copy->encoding = PageEncoding{static_cast<TextForm>(form), codePage, bom != 0,
                                static_cast<LineBreaks>(breaks)};
  copy->madeAgainst.known = known != 0;
  copy->madeAgainst.existed = existed != 0;
  copy->madeAgainst.sizeHigh = static_cast<DWORD>(size >> 32);
  copy->madeAgainst.sizeLow = static_cast<DWORD>(size);
  copy->madeAgainst.lastWrite.dwHighDateTime = static_cast<DWORD>(lastWrite >> 32);
  copy->madeAgainst.lastWrite.dwLowDateTime = static_cast<DWORD>(lastWrite);
  if ((bytes.size() - at) % sizeof(wchar_t) != 0) return false;
  copy->text.assign(reinterpret_cast<const wchar_t *>(bytes.data() + at),
                    (bytes.size() - at) / sizeof(wchar_t));
  return true;
}

/* ---- where the copies are ---- */

// TAV's Recovery folder in the user's local application data; made when
// asked to.
bool RecoveryFolder(char *folder, bool make) {
  char tav[PATH_BUFFER_SIZE];
  if (!LocalDataFolder(tav, make) || !JoinPath(tav, "Recovery", folder)) return false;
  return !make || CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

static bool CopyPathOf(const char *pagePath, char *path, bool makeFolder) {
  char folder[PATH_BUFFER_SIZE];
  return RecoveryFolder(folder, makeFolder) &&
         JoinPath(folder, RecoveryCopyName(pagePath).c_str(), path);
}

/* ---- what a copy may name ---- */

static bool IsFolder(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsPageOfNotebook(const std::string &pagePath, const char *workFolder) {
  if (workFolder == nullptr || workFolder[0] == '\0') return false;
  if (pagePath.size() >= PATH_BUFFER_SIZE || strlen(pagePath.c_str()) != pagePath.size())
    return false;
  const char *rest = nullptr;
  if (!PathBelowFolder(pagePath.c_str(), workFolder, &rest)) return false;
  const char *name = rest;
  for (const char *c = rest;; c = CharNextA(c)) {
    if (*c != '\0' && *c != '\\') continue;
    if (!IsPlainName(name, static_cast<size_t>(c - name))) return false;
    if (*c == '\0') break;
    name = c + 1;
  }
  if (!IsPageFileName(name)) return false;
  char folder[PATH_BUFFER_SIZE];
  strcpy(folder, pagePath.c_str());
  folder[name - pagePath.c_str() - 1] = '\0';
  return IsFolder(folder);
}

/* ---- keeping a copy ---- */

void NoteEditorChanged() { Recovery.changed = true; }

void StartRecoveryForPage() {
  Recovery.changed = false;
  Recovery.lastCopy = GetTickCount64();
  Recovery.interval = RECOVERY_INTERVAL_MS;
}

DWORD RecoveryCopyDueIn() {
  if (!Recovery.changed || !EditorIsModified() || CurrentPageIndex < 0 ||
      CurrentPageIsProtected())
    return INFINITE;
  ULONGLONG since = GetTickCount64() - Recovery.lastCopy;
  return since >= Recovery.interval ? 0 : static_cast<DWORD>(Recovery.interval - since);
}

// What EM_STREAMOUT hands over; the stream stops as soon as the user does
// something, so that no keystroke waits on a copy, unless the copy is the
// last chance to keep the text.
struct CopyStream {
  std::string bytes;
  bool yieldToInput;
  bool interrupted;
};

static bool InputWaits() { return HIWORD(GetQueueStatus(QS_INPUT)) != 0; }

static DWORD CALLBACK GatherCopy(DWORD_PTR cookie, LPBYTE piece, LONG count, LONG *taken) {
  CopyStream *stream = reinterpret_cast<CopyStream *>(cookie);
  *taken = 0;
  if (stream->yieldToInput && InputWaits()) {
    stream->interrupted = true;
    return 1;
  }
  stream->bytes.append(reinterpret_cast<const char *>(piece), static_cast<size_t>(count));
  *taken = count;
  return 0;
}

/* The editor's text as UTF-16, streamed out; false when the user did
   something meanwhile or the editor gave nothing. */
static bool StreamEditorText(std::wstring *text, bool yieldToInput) {
  CopyStream stream = {std::string(), yieldToInput, false};
  EDITSTREAM request = {};
  request.dwCookie = reinterpret_cast<DWORD_PTR>(&stream);
  request.pfnCallback = GatherCopy;
  WPARAM format = SF_TEXT | (HasRichEdit20 ? SF_UNICODE : 0);
  SendMessageA(Ui.editor, EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&request));
  if (stream.interrupted || request.dwError != 0) return false;
  if (HasRichEdit20) {
    text->assign(reinterpret_cast<const wchar_t *>(stream.bytes.data()),
                 stream.bytes.size() / sizeof(wchar_t));
    return true;
  }
  return TextFromCodePage(GetACP(), stream.bytes.data(), stream.bytes.size(), text);
}

static void ReportCopyFailure(const char *path) {
  if (Recovery.failureReported) return;
  Recovery.failureReported = true;
  ShowSystemErrorAbout("TAV cannot keep a copy of the unsaved text in '%s'; the text is saved "
                       "as always when you leave the page, but a crash before that would lose it",
                       path);
}

bool WriteRecoveryCopy(bool yieldToInput) {
  RecoveryCopy copy;
  char pagePath[PATH_BUFFER_SIZE];
  if (!ShownPagePath(pagePath) || !StreamEditorText(&copy.text, yieldToInput)) return false;
  copy.pagePath = pagePath;
  copy.encoding = CurrentPageEncoding();
  copy.madeAgainst = ShownPageFileState();
  std::string bytes = FormatRecoveryCopy(copy);
  std::wstring().swap(copy.text);
  char path[PATH_BUFFER_SIZE];
  char folder[PATH_BUFFER_SIZE] = "";
  if (!CopyPathOf(pagePath, path, true)) {
    RecoveryFolder(folder, false);
    ReportCopyFailure(folder);
    return false;
  }
  if (yieldToInput && InputWaits()) return false;
  *PathFindFileNameA(strcpy(folder, path)) = '\0';
  if (!WritePageFile(folder, PathFindFileNameA(path), bytes.data(), bytes.size())) {
    ReportCopyFailure(path);
    return false;
  }
  NoteKeptCopy(PathFindFileNameA(path));
  return true;
}

/* From the idle step: a copy when the text changed since the last one and
   the interval has passed. The interval grows with what a copy costs, so
   that copies take a thirtieth of the time at most. A copy the user
   interrupted is tried again at the next idle moment. */
void KeepRecoveryCopy() {
  if (RecoveryCopyDueIn() != 0) return;
  ULONGLONG start = GetTickCount64();
  bool written = WriteRecoveryCopy();
  if (!written && InputWaits()) return;
  ULONGLONG now = GetTickCount64();
  Recovery.lastCopy = now;
  Recovery.interval = NextRecoveryInterval(static_cast<DWORD>(now - start));
  if (written) Recovery.changed = false;
}

void RemoveRecoveryCopy(const char *pagePath) {
  std::string name = RecoveryCopyName(pagePath);
  for (size_t i = 0; i < KeptCopies.size(); ++i) {
    if (KeptCopies[i] != name) continue;
    KeptCopies.erase(KeptCopies.begin() + static_cast<std::ptrdiff_t>(i));
    char path[PATH_BUFFER_SIZE];
    if (CopyPathOf(pagePath, path, false)) DeleteFileA(path);
    return;
  }
}

/* A copy names its page inside, and is named by the page's path: it is
   written again under the new path and the old one goes. One that cannot be
   written so stays as it is, offered for its old path at the next start.
   Copy names fold letter case, so a move that changes only the case of a
   name ("notes" to "Notes") rewrites the copy in place: it must not then be
   deleted as the old one. */
static void MoveRecoveryCopy(const std::string &name, const char *from, const char *to) {
  char folder[PATH_BUFFER_SIZE], oldPath[PATH_BUFFER_SIZE], newPath[PATH_BUFFER_SIZE];
  char moved[PATH_BUFFER_SIZE];
  std::string bytes;
  RecoveryCopy copy;
  if (!RecoveryFolder(folder, false) || !JoinPath(folder, name.c_str(), oldPath) ||
      ReadFileAt(oldPath, &bytes) != 0 || !ParseRecoveryCopy(bytes, &copy) ||
      !FollowMove(copy.pagePath.c_str(), from, to, moved))
    return;
  copy.pagePath = moved;
  bytes = FormatRecoveryCopy(copy);
  if (!CopyPathOf(moved, newPath, false) ||
      !WritePageFile(folder, PathFindFileNameA(newPath), bytes.data(), bytes.size()))
    return;
  if (strcmp(PathFindFileNameA(newPath), name.c_str()) == 0) return;
  DeleteFileA(oldPath);
  for (std::string &kept : KeptCopies)
    if (kept == name) kept = PathFindFileNameA(newPath);
}

void MoveRecoveryCopies(const char *from, const char *to) {
  const std::vector<std::string> copies = KeptCopies;
  for (const std::string &name : copies) MoveRecoveryCopy(name, from, to);
}

void RemoveShownPagesRecoveryCopy() {
  char pagePath[PATH_BUFFER_SIZE];
  if (ShownPagePath(pagePath)) RemoveRecoveryCopy(pagePath);
}

/* ---- offering copies back ---- */

/* No keeps the text beside the page as "x (recovered).txt", in the page's
   encoding; nothing is lost either way. False when there is no folder for
   it, or it cannot be written. */
bool KeepCopyBesidePage(const RecoveryCopy &copy, char *keptAs) {
  char folder[PATH_BUFFER_SIZE];
  strcpy(folder, copy.pagePath.c_str());
  char *fileName = PathFindFileNameA(folder);
  char pageName[PATH_BUFFER_SIZE];
  strcpy(pageName, fileName);
  PathRemoveExtensionA(pageName);
  if (fileName == folder) return false;
  fileName[-1] = '\0';
  char name[PATH_BUFFER_SIZE], path[PATH_BUFFER_SIZE];
  if (!FreeNameBeside(folder, pageName, "recovered", 'R', name, path)) return false;
  std::string bytes;
  PageEncoding used;
  EncodeForPage(copy.text, copy.encoding, &bytes, &used);
  if (!WritePageFile(folder, name, bytes.data(), bytes.size())) return false;
  strcpy(keptAs, path);
  return true;
}

static std::wstring Wide(const char *text) {
  std::wstring wide;
  TextFromCodePage(GetACP(), text, strlen(text), &wide);
  return wide;
}

/* A copy whose page is not a page of the notebook shown (one made while
   another work folder was shown, or one that names anything else) restores
   nothing and writes nowhere it names: its text is kept in the recovery
   folder, under the page's name where that is a plain name, and the user is
   told where the copy said it was, as the copy says it: whatever is no
   character of a name, or could disguise one, shown as its bytes' values. */
void KeepCopyOfOtherPage(const RecoveryCopy &copy, const char *copyPath) {
  const char *named = copy.pagePath.c_str();
  char stem[PATH_BUFFER_SIZE] = "Text";
  const char *last = PathFindFileNameA(named);
  if (strlen(last) < sizeof stem && IsPlainName(last, strlen(last))) {
    strcpy(stem, last);
    PathRemoveExtensionA(stem);
    if (stem[0] == '\0') strcpy(stem, "Text");
  }
  char folder[PATH_BUFFER_SIZE], name[PATH_BUFFER_SIZE], keptAs[PATH_BUFFER_SIZE];
  std::string bytes;
  PageEncoding used;
  EncodeForPage(copy.text, copy.encoding, &bytes, &used);
  bool kept = RecoveryFolder(folder, true) &&
              FreeNameBeside(folder, stem, "recovered", 'R', name, keptAs) &&
              WritePageFile(folder, name, bytes.data(), bytes.size());
  if (kept)
    DeleteFileA(copyPath);
  else
    strcpy(keptAs, copyPath);
  std::wstring message = L"TAV ended without saving '" + Utf8AsShown(copy.pageAsNamed) +
                         L"', which is not a page of the notebook it shows now ('" +
                         Wide(WorkFolderPath != nullptr ? WorkFolderPath : "") +
                         L"'). The text typed after its last save is kept in '" + Wide(keptAs) +
                         L"'.";
  MessageBoxW(MainWindow, message.c_str(), L"TAV", MB_OK | MB_ICONINFORMATION);
}
