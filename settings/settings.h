// Settings: the settings-file object with its value encodings, and what the
// program keeps in TAV.INI.
#ifndef TAV_SETTINGS_H
#define TAV_SETTINGS_H

#include <windows.h>

#include "base/paths.h"

#include <string>

/* config_info.cpp */
class CConfigInfo {
 public:
  CConfigInfo(const char *fileName, int disabled);
  virtual ~CConfigInfo();

  void SetFileName(const char *fileName);
  const char *FileName() const { return fileName; }

  int WriteString(const char *section, const char *key, const char *text);
  int ReadString(const char *section, const char *key, const char *defaultText,
                 char *buffer, int capacity);
  int WriteInt(const char *section, const char *key, int value);
  int ReadInt(const char *section, const char *key, int defaultValue);
  int WriteBinary(const char *section, const char *key, const void *bytes, int n);
  int ReadBinary(const char *section, const char *key, void *destination, int n);

 private:
  CConfigInfo(const CConfigInfo &) = delete;
  CConfigInfo &operator=(const CConfigInfo &) = delete;
  char *fileName;
  int disabled;
};

extern CConfigInfo ConfigInfo;

// A value's bytes as the file holds them, read without the profile
// functions; false when the file has no such key.
bool ReadStoredValueBytes(const char *fileName, const char *section, const char *key,
                          std::string *value);

// The value encodings, usable without a file.
int ParseProfileInt(const char *text);
void EncodeHexBytes(const unsigned char *bytes, int n, char *out);     // out: 3n bytes
void DecodeHexBytes(const char *text, int length, unsigned char *out, int n);

/* settings_file.cpp */
// Where the settings file is, decided once at start.
struct SettingsPlace {
  char path[PATH_BUFFER_SIZE];
  bool writable;
  DWORD error;  // why it cannot be written
  // Why the settings an earlier TAV kept in the Windows folder could not be
  // taken over (0 when they were, or there were none), and that file.
  DWORD takeOverError;
  char takenFrom[PATH_BUFFER_SIZE];
  // The file the settings are meant to be kept in: the one a message about
  // an unwritable settings file names.
  char wanted[PATH_BUFFER_SIZE];
};
// The window-free rule, for the program's folder, the user's application
// data folder and the Windows folder (any may be empty).
void ChooseSettingsPlace(const char *programFolder, const char *userFolder,
                         const char *windowsFolder, SettingsPlace *place);
// Decides the place for this run and binds the store to it.
void UseSettingsPlace();
// Binds the store to the place, unless its path is empty.
void SetSettingsPlace(const SettingsPlace &place);
const SettingsPlace &CurrentSettingsPlace();
void ReportSettingsNotKept(DWORD error);
void ReportSettingsNotTakenOver();

/* settings.cpp */
void LoadWindowRect(RECT *rect);
int LoadWindowRectDpi();  // the DPI the stored rectangle counts in
RECT FitWindowRect(const RECT &stored, const RECT &workArea);  // window-free
void KeepWindowRectOnScreen(RECT *rect);
void LoadSettings();
void SaveSettings();
void SaveWindowPlacement();

#endif
