// The system's common dialogs and the shell, reached through one record of
// function pointers so that a test can answer them. The program never calls
// these functions directly.
#ifndef TAV_PLATFORM_SEAM_H
#define TAV_PLATFORM_SEAM_H

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>

struct PlatformDialogs {
  BOOL(WINAPI *getOpenFileName)(OPENFILENAMEA *);
  BOOL(WINAPI *getSaveFileName)(OPENFILENAMEA *);
  BOOL(WINAPI *chooseFont)(CHOOSEFONTA *);
  PIDLIST_ABSOLUTE(WINAPI *browseForFolder)(BROWSEINFOA *);
  BOOL(WINAPI *getPathFromIDList)(PCIDLIST_ABSOLUTE, char *);
  HINSTANCE(WINAPI *shellExecute)(HWND, const char *, const char *, const char *, const char *, int);
};

extern PlatformDialogs Platform;
extern const PlatformDialogs SystemPlatform;

#endif
