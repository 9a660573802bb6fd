// Code pages: the one the system gives programs that keep its own, UTF-8,
// and names held in the process code page.
#include "app/code_pages.h"

#include <stdlib.h>
#include <string.h>

UINT LegacyCodePage() {
  char digits[16] = "";
  if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits) <=
      0)
    return GetACP();
  UINT codePage = static_cast<UINT>(strtoul(digits, nullptr, 10));
  return codePage != 0 ? codePage : GetACP();
}

/* Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. */
bool IsValidUtf8(const char *text, size_t length, bool *hasMultiByte) {
  const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
  *hasMultiByte = false;
  size_t i = 0;
  while (i < length) {
    unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t size;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
      size = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      size = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      size = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (length - i < size) return false;
    if (bytes[i + 1] < low || bytes[i + 1] > high) return false;
    for (size_t k = 2; k < size; ++k)
      if (bytes[i + k] < 0x80 || bytes[i + k] > 0xBF) return false;
    *hasMultiByte = true;
    i += size;
  }
  return true;
}

/* A name is held only when the process code page writes it and reads it
   back as itself: never as a look-alike, never with its default character. */
bool NameInCodePage(const wchar_t *wide, char *out, size_t capacity) {
  out[0] = '\0';
  UINT codePage = GetACP();
  DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  int size = WideCharToMultiByte(codePage, flags, wide, -1, out, static_cast<int>(capacity),
                                 nullptr, codePage == CP_UTF8 ? nullptr : &usedDefault);
  if (size <= 0 || usedDefault) {
    out[0] = '\0';
    return false;
  }
  WCHAR back[MAX_PATH + 1];
  int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, out, -1, back, MAX_PATH + 1);
  if (units <= 0 || wcscmp(back, wide) != 0) {
    out[0] = '\0';
    return false;
  }
  return true;
}

bool WideFromCodePage(const char *text, wchar_t *out, size_t capacity) {
  out[0] = L'\0';
  return MultiByteToWideChar(CP_ACP, 0, text, -1, out, static_cast<int>(capacity)) > 0;
}
