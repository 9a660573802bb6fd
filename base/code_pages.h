// Code pages: the system's own, UTF-8, and names in the process code page,
// which is UTF-8 where Windows honours the manifest's entry and the system's
// code page elsewhere.
#ifndef TAV_CODE_PAGES_H
#define TAV_CODE_PAGES_H

#include <windows.h>

#include <stddef.h>

#include <string>

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
// Bytes of a code page as UTF-16.
bool TextFromCodePage(UINT codePage, const char *bytes, size_t length, std::wstring *text);
// UTF-16 in a code page, true only when every character came out as itself:
// never a look-alike or the default character, and a lone surrogate is
// refused by UTF-8; bytes are left empty otherwise. Takes a real code page
// number, not CP_ACP.
bool TextInCodePage(UINT codePage, const wchar_t *text, size_t length, std::string *bytes);
// A path of the process code page as UTF-8, for files that must read the
// same under any code page (unchanged when it would not read back as
// itself), and back: false, with path empty, when the bytes are not strict
// UTF-8 or the process code page cannot hold the path as itself. NUL bytes
// are kept: what the path says is for the caller to check.
std::string PathInUtf8(const std::string &path);
bool PathFromUtf8(const std::string &utf8, std::string *path);
// Bytes meant as UTF-8 as text to show: each well-formed character as
// itself, each byte of none, each control or direction mark and "<" as
// its bytes, "<0xE9>".
std::wstring Utf8AsShown(const std::string &utf8);

#endif
