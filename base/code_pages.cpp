// Code pages: the one the system gives programs that keep its own, UTF-8,
// and names held in the process code page.
#include "base/code_pages.h"

#include <limits.h>
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

// The length of the well-formed UTF-8 character at the start of bytes (of
// which left remain), 0 when none starts there: no overlong forms, no
// surrogates, nothing above U+10FFFF.
static size_t Utf8CharacterLength(const unsigned char *bytes, size_t left) {
  unsigned char lead = bytes[0];
  if (lead < 0x80) return 1;
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
    return 0;
  }
  if (left < size) return 0;
  if (bytes[1] < low || bytes[1] > high) return 0;
  for (size_t k = 2; k < size; ++k)
    if (bytes[k] < 0x80 || bytes[k] > 0xBF) return 0;
  return size;
}

bool IsValidUtf8(const char *text, size_t length, bool *hasMultiByte) {
  const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
  *hasMultiByte = false;
  size_t i = 0;
  while (i < length) {
    size_t size = Utf8CharacterLength(bytes + i, length - i);
    if (size == 0) return false;
    if (size > 1) *hasMultiByte = true;
    i += size;
  }
  return true;
}

// Characters a name is not shown with as they are: controls, the marks
// that turn the direction of the text after them (a name could then read
// backwards), and "<", which no file name holds, so that an escape never
// reads as part of a name.
static bool IsShownAsEscape(unsigned long character) {
  return character < 0x20 || (character >= 0x7F && character <= 0x9F) || character == '<' ||
         character == 0x200E || character == 0x200F ||
         (character >= 0x202A && character <= 0x202E) ||
         (character >= 0x2066 && character <= 0x2069);
}

std::wstring Utf8AsShown(const std::string &utf8) {
  const unsigned char *bytes = reinterpret_cast<const unsigned char *>(utf8.data());
  std::wstring shown;
  size_t i = 0;
  while (i < utf8.size()) {
    size_t size = Utf8CharacterLength(bytes + i, utf8.size() - i);
    unsigned long character = bytes[i];
    if (size > 1) {
      character &= 0x7Fu >> size;
      for (size_t k = 1; k < size; ++k) character = (character << 6) | (bytes[i + k] & 0x3Fu);
    }
    if (size == 0 || IsShownAsEscape(character)) {
      static const wchar_t digits[] = L"0123456789ABCDEF";
      for (size_t k = 0; k < (size == 0 ? 1 : size); ++k) {
        const wchar_t escape[] = {L'<', L'0', L'x', digits[bytes[i + k] >> 4],
                                  digits[bytes[i + k] & 0xF], L'>', L'\0'};
        shown += escape;
      }
    } else if (character >= 0x10000) {
      shown += static_cast<wchar_t>(0xD800 + ((character - 0x10000) >> 10));
      shown += static_cast<wchar_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
    } else {
      shown += static_cast<wchar_t>(character);
    }
    i += size == 0 ? 1 : size;
  }
  return shown;
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

namespace {

// The conversion functions count in int; a page is never that long, and one
// that is is not text this program can hold.
bool FitsInt(size_t length) { return length <= static_cast<size_t>(INT_MAX); }

// Flags that keep a character from being written as a look-alike; the code
// pages that take no flags at all are written without.
DWORD ExactFlags(UINT codePage) {
  if (codePage == 42 || codePage == CP_UTF7 || codePage == CP_UTF8 || codePage == 50220 || codePage == 50221 ||
      codePage == 50222 || codePage == 50225 || codePage == 50227 || codePage == 50229 ||
      codePage == 52936 || codePage == 54936 || (codePage >= 57002 && codePage <= 57011))
    return 0;
  return WC_NO_BEST_FIT_CHARS;
}

// What each byte of a single-byte code page reads as, and the byte each
// character is written as (-1 for none), kept for the code page last asked
// for.
struct SingleByteTables {
  UINT codePage;
  wchar_t decode[256];
  short encode[65536];
};

const SingleByteTables *SingleByteTablesFor(UINT codePage) {
  static SingleByteTables *tables = nullptr;
  if (tables != nullptr && tables->codePage == codePage) return tables;
  if (tables == nullptr) tables = new SingleByteTables;
  char bytes[256];
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
  tables->codePage = 0;
  if (MultiByteToWideChar(codePage, 0, bytes, 256, tables->decode, 256) != 256) return nullptr;
  for (short &byte : tables->encode) byte = -1;
  for (int i = 255; i >= 0; --i) tables->encode[tables->decode[i]] = static_cast<short>(i);
  tables->codePage = codePage;
  return tables;
}

// A single-byte code page, character by character through the table of the
// bytes that read back as each: a character no byte reads back as is not
// held, so neither a look-alike nor the default character is ever written.
// (The platform's conversion asked for no look-alikes took five times as
// long, seen under Wine.)
bool EncodeSingleByte(UINT codePage, const wchar_t *text, size_t length, std::string *bytes) {
  const SingleByteTables *tables = SingleByteTablesFor(codePage);
  if (tables == nullptr) return false;
  bytes->resize(length);
  char *out = &(*bytes)[0];
  for (size_t i = 0; i < length; ++i) {
    short byte = tables->encode[static_cast<unsigned short>(text[i])];
    if (byte < 0) {
      bytes->clear();
      return false;
    }
    out[i] = static_cast<char>(byte);
  }
  return true;
}

}  // namespace

bool TextFromCodePage(UINT codePage, const char *bytes, size_t length, std::wstring *text) {
  text->clear();
  if (length == 0) return true;
  if (!FitsInt(length)) return false;
  int units = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(length), nullptr, 0);
  if (units <= 0) return false;
  text->resize(static_cast<size_t>(units));
  return MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(length), &(*text)[0], units) ==
         units;
}

// Encodes into a code page, true only when every character came out as
// itself: the code page's default character and look-alikes are refused
// (WC_NO_BEST_FIT_CHARS makes the platform refuse a character that would not
// read back as itself); for the code pages that take no flags, the bytes
// must read back as the text. UTF-8 refuses a lone surrogate.
bool TextInCodePage(UINT codePage, const wchar_t *text, size_t length, std::string *bytes) {
  bytes->clear();
  if (length == 0) return true;
  if (!FitsInt(length)) return false;
  CPINFO info;
  size_t perUnit = codePage == CP_UTF8 ? 3 : (GetCPInfo(codePage, &info) ? info.MaxCharSize : 4);
  if (perUnit < 1 || length > static_cast<size_t>(INT_MAX) / perUnit) return false;
  if (perUnit == 1) return EncodeSingleByte(codePage, text, length, bytes);
  DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : ExactFlags(codePage);
  BOOL usedDefault = FALSE;
  BOOL *usedDefaultOut = flags == WC_NO_BEST_FIT_CHARS ? &usedDefault : nullptr;
  bytes->resize(length * perUnit);
  int size = WideCharToMultiByte(codePage, flags, text, static_cast<int>(length), &(*bytes)[0],
                                 static_cast<int>(bytes->size()), nullptr, usedDefaultOut);
  if (size <= 0 || usedDefault) {
    bytes->clear();
    return false;
  }
  bytes->resize(static_cast<size_t>(size));
  if (flags == 0) {
    std::wstring again;
    if (!TextFromCodePage(codePage, bytes->data(), bytes->size(), &again) ||
        again.compare(0, std::wstring::npos, text, length) != 0) {
      bytes->clear();
      return false;
    }
  }
  return true;
}


// Only a path that reads back as itself is written as UTF-8; any other is
// kept as its bytes, which the reader then refuses rather than take for
// another path (a UTF-8 process's conversion gives U+FFFD for a stray byte).
std::string PathInUtf8(const std::string &path) {
  std::wstring wide;
  std::string utf8, back;
  if (!TextFromCodePage(GetACP(), path.data(), path.size(), &wide) ||
      !TextInCodePage(CP_UTF8, wide.data(), wide.size(), &utf8) || !PathFromUtf8(utf8, &back) ||
      back != path)
    return path;
  return utf8;
}

// The conversion itself would take a stray byte, an overlong form or a
// surrogate for U+FFFD, and so for a character of another name: only strict
// UTF-8 is converted, and only into bytes that read back as the same
// characters.
bool PathFromUtf8(const std::string &utf8, std::string *path) {
  path->clear();
  bool multiByte = false;
  std::wstring wide, back;
  if (!IsValidUtf8(utf8.data(), utf8.size(), &multiByte) ||
      !TextFromCodePage(CP_UTF8, utf8.data(), utf8.size(), &wide) ||
      !TextInCodePage(GetACP(), wide.data(), wide.size(), path) ||
      !TextFromCodePage(GetACP(), path->data(), path->size(), &back) || back != wide) {
    path->clear();
    return false;
  }
  return true;
}
