// Code pages: the system's own, UTF-8, and names in the process code page,
// which is UTF-8 where Windows honours the manifest's entry and the system's
// code page elsewhere.
#ifndef TAV_CODE_PAGES_H
#define TAV_CODE_PAGES_H

#include <windows.h>

#include <stddef.h>

// The code page the system gives programs that do not ask for UTF-8: the
// system locale's ANSI code page, whatever this process uses.
UINT LegacyCodePage();
// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const char *bytes, size_t length, bool *hasMultiByte);
// A file or folder name, as listed, in the process code page into out
// (capacity bytes); false, with out empty, when the code page cannot hold it
// as itself or it does not fit.
bool NameInCodePage(const wchar_t *wide, char *out, size_t capacity);
// Text of the process code page as UTF-16, into capacity units.
bool WideFromCodePage(const char *text, wchar_t *out, size_t capacity);

#endif
