// The page shown's file as it was when it was read or last written: its
// name, size and last write and which file it was. A save that finds the file
// otherwise asks first, and the watch tells a change from a rename by it.
#include "pages/pages.h"

#include <string.h>

// The file of the page shown, as it was when the page was read (or written
// since): a save that finds it otherwise asks before replacing it. The file
// is named without its folder, which a folder rename may move.
static struct {
  bool known;
  bool existed;
  char fileName[PATH_BUFFER_SIZE];
  DWORD sizeHigh;
  DWORD sizeLow;
  FILETIME lastWrite;
  // Which file it was: a rename keeps it, with its size and time.
  bool identified;
  DWORD volume, indexHigh, indexLow;
} PageOnDisk;

void IdentifyPageOnDisk(const BY_HANDLE_FILE_INFORMATION &info) {
  PageOnDisk.identified = true;
  PageOnDisk.volume = info.dwVolumeSerialNumber;
  PageOnDisk.indexHigh = info.nFileIndexHigh;
  PageOnDisk.indexLow = info.nFileIndexLow;
}

bool IsPageOnDisk(const BY_HANDLE_FILE_INFORMATION &info) {
  return PageOnDisk.known && PageOnDisk.identified && info.dwVolumeSerialNumber == PageOnDisk.volume &&
         info.nFileIndexHigh == PageOnDisk.indexHigh && info.nFileIndexLow == PageOnDisk.indexLow &&
         info.nFileSizeHigh == PageOnDisk.sizeHigh && info.nFileSizeLow == PageOnDisk.sizeLow &&
         CompareFileTime(&info.ftLastWriteTime, &PageOnDisk.lastWrite) == 0;
}

void ForgetPageOnDisk() { PageOnDisk.known = false; }

PageFileState ShownPageFileState() {
  PageFileState state = {PageOnDisk.known, PageOnDisk.existed, PageOnDisk.sizeHigh,
                         PageOnDisk.sizeLow, PageOnDisk.lastWrite};
  return state;
}

void RememberPageOnDisk(const char *fileName, bool existed, DWORD sizeHigh,
                               DWORD sizeLow, FILETIME lastWrite) {
  PageOnDisk.known = strlen(fileName) < PATH_BUFFER_SIZE;
  PageOnDisk.identified = false;
  if (!PageOnDisk.known) return;
  strcpy(PageOnDisk.fileName, fileName);
  PageOnDisk.existed = existed;
  PageOnDisk.sizeHigh = sizeHigh;
  PageOnDisk.sizeLow = sizeLow;
  PageOnDisk.lastWrite = lastWrite;
}

void RememberPageAsWritten(const char *path, const char *fileName) {
  TellMainWindow(UM_PAGEWRITTEN, 0, reinterpret_cast<LPARAM>(path));
  BY_HANDLE_FILE_INFORMATION now;
  if (!ItemInformationAt(path, &now)) {
    ForgetPageOnDisk();
    return;
  }
  RememberPageOnDisk(fileName, true, now.nFileSizeHigh, now.nFileSizeLow, now.ftLastWriteTime);
  IdentifyPageOnDisk(now);
}

/* Whether a save to path would replace something other than what was read:
   another program wrote the file, or made it where there was none. A file
   that is not there may be written. */
bool PageFileChangedOnDisk(const char *path, const char *fileName) {
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &now))
    return !IsMissingFileError(GetLastError());
  if (!PageOnDisk.known || !PageOnDisk.existed ||
      !NamesEqualIgnoringAsciiCase(PageOnDisk.fileName, fileName))
    return true;
  return now.nFileSizeHigh != PageOnDisk.sizeHigh || now.nFileSizeLow != PageOnDisk.sizeLow ||
         CompareFileTime(&now.ftLastWriteTime, &PageOnDisk.lastWrite) != 0;
}

/* Whether the file is still what the page shown was read from or last
   written as. */
bool IsFileAsKnown(const char *fileName, const WIN32_FILE_ATTRIBUTE_DATA &now) {
  return PageOnDisk.known && PageOnDisk.existed &&
         NamesEqualIgnoringAsciiCase(PageOnDisk.fileName, fileName) &&
         now.nFileSizeHigh == PageOnDisk.sizeHigh && now.nFileSizeLow == PageOnDisk.sizeLow &&
         CompareFileTime(&now.ftLastWriteTime, &PageOnDisk.lastWrite) == 0;
}

/* The page shown's file has a new name (it was renamed elsewhere). */
void RenamePageOnDisk(const char *fileName) {
  if (PageOnDisk.known && strlen(fileName) < PATH_BUFFER_SIZE) strcpy(PageOnDisk.fileName, fileName);
}

bool PageOnDiskExisted() { return PageOnDisk.known && PageOnDisk.existed; }
