// Where the settings file is: resolved once at start, and the one notice
// given when it cannot be written.
#include "settings/settings.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "base/platform_seam.h"
#include "base/ui_handles.h"
#include "base/file_io.h"

static const char SettingsFileName[] = "TAV.INI";

// The place in use; a store bound elsewhere (the tests bind their own)
// counts as writable.
static SettingsPlace CurrentPlace = {"", true, 0, 0, "", ""};
static bool NotKeptReported = false;

static bool IsFile(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

/* Whether the file at path can be written, made empty where it is missing:
   an empty settings file reads as one without values. A read-only file is
   refused as Windows refuses it (Wine running as root would write it). The
   last error says why not. */
static bool CanWrite(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

/* A copy of the old file carries its attributes along, read-only among
   them; the copy is TAV's own file, to be written. An earlier build left
   such copies read-only: one that still has the old file's bytes is taken
   for what it is. */
static void MakeTakenOverCopyWritable(const char *own, const char *old, bool justCopied) {
  DWORD attributes = GetFileAttributesA(own);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return;
  if (!justCopied) {
    std::string ownBytes, oldBytes;
    if (ReadFileAt(own, &ownBytes) != 0 || ReadFileAt(old, &oldBytes) != 0 ||
        ownBytes != oldBytes)
      return;
  }
  SetFileAttributesA(own, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

static bool FileIn(const char *folder, const char *name, char *path) {
  return folder != nullptr && folder[0] != '\0' && JoinPath(folder, name, path);
}

/* Beside the program when a settings file there can be written: a portable
   copy carries its settings along. Otherwise the user's own folder, made
   when missing, whose file takes over once the values an earlier TAV kept
   in the Windows folder (the old file stays as it was). When the user's
   folder cannot be written, the Windows folder as earlier versions used it;
   when that cannot be written either, the settings are read from where they
   are and cannot be kept. */
void ChooseSettingsPlace(const char *programFolder, const char *userFolder,
                         const char *windowsFolder, SettingsPlace *place) {
  place->path[0] = '\0';
  place->writable = false;
  place->error = 0;
  place->takeOverError = 0;
  place->takenFrom[0] = '\0';
  place->wanted[0] = '\0';
  char portable[PATH_BUFFER_SIZE], old[PATH_BUFFER_SIZE], own[PATH_BUFFER_SIZE];
  if (FileIn(programFolder, SettingsFileName, portable) && IsFile(portable) && CanWrite(portable)) {
    strcpy(place->path, portable);
    place->writable = true;
    return;
  }
  bool hasOldPath = FileIn(windowsFolder, SettingsFileName, old);
  bool hasOld = hasOldPath && IsFile(old);
  char folder[PATH_BUFFER_SIZE];
  bool hasOwnPath = FileIn(userFolder, "TAV", folder) && FileIn(folder, SettingsFileName, own);
  // The file TAV means to write, named should it be unwritable.
  strcpy(place->wanted, hasOwnPath ? own : hasOldPath ? old : SettingsFileName);
  if (hasOwnPath) {
    bool made = CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    DWORD attributes = made ? GetFileAttributesA(folder) : INVALID_FILE_ATTRIBUTES;
    if (made && (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))) {
      made = false;  // a file where the folder goes
      SetLastError(ERROR_ALREADY_EXISTS);
    }
    if (!made) {
      place->error = GetLastError();
    } else {
      if (!IsFile(own) && hasOld) {
        if (CopyFileA(old, own, TRUE)) {
          MakeTakenOverCopyWritable(own, old, true);
        } else if (GetLastError() != ERROR_FILE_EXISTS) {
          place->takeOverError = GetLastError();
          strcpy(place->takenFrom, old);
        }
      } else if (hasOld) {
        MakeTakenOverCopyWritable(own, old, false);
      }
      if (CanWrite(own)) {
        strcpy(place->path, own);
        place->writable = true;
        return;
      }
      place->error = GetLastError();
    }
  }
  if (hasOldPath && CanWrite(old)) {
    strcpy(place->path, old);
    place->writable = true;
    place->error = 0;
    return;
  }
  if (place->error == 0) place->error = GetLastError();
  if (hasOwnPath && IsFile(own))
    strcpy(place->path, own);
  else if (hasOld)
    strcpy(place->path, old);
  else if (hasOwnPath)
    strcpy(place->path, own);
  else
    strcpy(place->path, SettingsFileName);
}

void SetSettingsPlace(const SettingsPlace &place) {
  CurrentPlace = place;
  if (CurrentPlace.path[0] != '\0') ConfigInfo.SetFileName(CurrentPlace.path);
  NotKeptReported = false;
}

void UseSettingsPlace() {
  char program[PATH_BUFFER_SIZE] = "";
  DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
  if (length == 0 || length >= sizeof program)
    program[0] = '\0';
  else
    *PathFindFileNameA(program) = '\0';
  char user[MAX_PATH];
  UserFolderPath(CSIDL_APPDATA, user);
  char windows[PATH_BUFFER_SIZE] = "";
  length = GetWindowsDirectoryA(windows, sizeof windows);
  if (length == 0 || length >= sizeof windows) windows[0] = '\0';
  SettingsPlace place;
  ChooseSettingsPlace(program, user, windows, &place);
  SetSettingsPlace(place);
}

const SettingsPlace &CurrentSettingsPlace() { return CurrentPlace; }

// The old file cannot be read now (another program holds it, say); the
// settings start afresh, and the user, told, can copy them over.
void ReportSettingsNotTakenOver() {
  if (CurrentPlace.takeOverError == 0) return;
  SetLastError(CurrentPlace.takeOverError);
  ShowSystemErrorAbout("TAV could not take over the settings an earlier version kept in '%s'; it "
                       "starts with settings of its own, and that file is left as it was",
                       CurrentPlace.takenFrom);
}

/* Said once a run: when the file cannot be written at start, or when a
   write fails later (a full disk, a file made read-only meanwhile). The file
   named is the one TAV tried to write: at start where it means to keep the
   settings, later the file it writes. */
void ReportSettingsNotKept(DWORD error) {
  if (NotKeptReported) return;
  NotKeptReported = true;
  const char *file = ConfigInfo.FileName() != nullptr ? ConfigInfo.FileName() : "";
  if (!CurrentPlace.writable && CurrentPlace.wanted[0] != '\0') file = CurrentPlace.wanted;
  SetLastError(error != 0 ? error : ERROR_ACCESS_DENIED);
  ShowSystemErrorAbout("TAV cannot write its settings file '%s', so the settings (the work "
                       "folder, the page shown, the window's place and the others) will not be "
                       "kept for the next start. The pages are saved in the notebook all the same",
                       file);
}
