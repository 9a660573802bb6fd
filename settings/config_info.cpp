// The settings-file object: typed reads and writes of named keys through the
// platform's profile functions, with the text encoding of each value type.
#include "settings/settings.h"

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// The program's one store, bound to a bare name so that the profile functions
// place it in the system's Windows directory.
CConfigInfo ConfigInfo("TAV.INI", 0);

namespace {

// A byte block of n bytes takes 3n-1 characters; its buffers hold 3n+1 bytes.
// Larger blocks could not be measured in an int, so they are refused.
const int MAX_BINARY_BYTES = (INT_MAX - 1) / 3;

// The store reaches the file only with a name: a null name would make the
// profile functions fall back to the system's own WIN.INI.
bool StoreIsActive(int disabled, const char *fileName) {
  return disabled == 0 && fileName != nullptr;
}

bool IsProfileSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One character of a stored byte block; positions past the stored text read as
// '0', so a short value still gives every byte a defined value.
unsigned char HexCharAt(const char *text, int length, long long index) {
  return index < length ? static_cast<unsigned char>(text[index]) : '0';
}

// The lenient digit arithmetic: '0'-'9', 'A'-'F' and 'a'-'f' give their values,
// anything else whatever the same 8-bit arithmetic makes of it.
unsigned char HexDigitValue(unsigned char c) {
  unsigned char v = static_cast<unsigned char>(c - '0');
  if (v > 9) v = static_cast<unsigned char>(v - 7);
  if (v > 15) v = static_cast<unsigned char>(v - 32);
  return v;
}

}  // namespace

CConfigInfo::CConfigInfo(const char *name, int disabledFlag)
    : fileName(nullptr), disabled(disabledFlag) {
  SetFileName(name);
}

CConfigInfo::~CConfigInfo() {
  free(fileName);
}

// Keeps a private copy of the name. When no memory is left for the copy, the
// old name stays in use rather than leaving the store without a file.
void CConfigInfo::SetFileName(const char *name) {
  if (name == nullptr) {
    free(fileName);
    fileName = nullptr;
    return;
  }
  size_t size = strlen(name) + 1;
  char *copy = static_cast<char *>(malloc(size));
  if (copy == nullptr) return;
  memcpy(copy, name, size);
  free(fileName);
  fileName = copy;
}

// Null names are refused here: to the profile functions a null key deletes
// the whole section and a null text deletes the key.
int CConfigInfo::WriteString(const char *section, const char *key, const char *text) {
  if (!StoreIsActive(disabled, fileName)) return 0;
  if (section == nullptr || key == nullptr || text == nullptr) return 0;
  return WritePrivateProfileStringA(section, key, text, fileName) ? 1 : 0;
}

// Null names are refused too, since they would list the sections or keys
// instead of reading one value.
int CConfigInfo::ReadString(const char *section, const char *key, const char *defaultText,
                            char *buffer, int capacity) {
  if (!StoreIsActive(disabled, fileName)) return 0;
  if (section == nullptr || key == nullptr || buffer == nullptr || capacity <= 0) return 0;
  DWORD count = GetPrivateProfileStringA(section, key, defaultText ? defaultText : "",
                                         buffer, static_cast<DWORD>(capacity), fileName);
  return static_cast<int>(count);
}

int CConfigInfo::WriteInt(const char *section, const char *key, int value) {
  char text[16];
  snprintf(text, sizeof text, "%d", value);
  return WriteString(section, key, text);
}

// An empty or missing value gives the caller's default; any other value is
// parsed, so a value without digits reads as 0. A disabled store reads nothing
// and so also answers the default.
int CConfigInfo::ReadInt(const char *section, const char *key, int defaultValue) {
  char text[16];
  if (ReadString(section, key, "", text, sizeof text) == 0) return defaultValue;
  return ParseProfileInt(text);
}

int CConfigInfo::WriteBinary(const char *section, const char *key, const void *bytes, int n) {
  if (n <= 0 || n > MAX_BINARY_BYTES || bytes == nullptr) return 0;
  if (!StoreIsActive(disabled, fileName)) return 0;
  char *text = static_cast<char *>(malloc(3 * static_cast<size_t>(n) + 1));
  if (text == nullptr) return 0;
  EncodeHexBytes(static_cast<const unsigned char *>(bytes), n, text);
  int result = WriteString(section, key, text);
  free(text);
  return result;
}

// Decodes exactly n bytes whenever the value is present, however short or
// malformed its text; a missing or empty value leaves the destination alone.
int CConfigInfo::ReadBinary(const char *section, const char *key, void *destination, int n) {
  if (n <= 0 || n > MAX_BINARY_BYTES || destination == nullptr) return 0;
  if (!StoreIsActive(disabled, fileName)) return 0;
  char *text = static_cast<char *>(malloc(3 * static_cast<size_t>(n) + 1));
  if (text == nullptr) return 0;
  int length = ReadString(section, key, "", text, 3 * n);
  if (length > 0) DecodeHexBytes(text, length, static_cast<unsigned char *>(destination), n);
  free(text);
  return length > 0 ? n : 0;
}

// Reads a decimal integer the way the settings file stores it: blanks, one
// optional sign, digits up to the first non-digit. A value beyond the 32-bit
// range (only a hand-edited file holds one) is clamped to INT_MIN or INT_MAX;
// the magnitude stops growing once it passes 2^31, so no digit count overflows.
int ParseProfileInt(const char *text) {
  if (text == nullptr) return 0;
  const uint64_t limit = 2147483648u;  // the magnitude of INT_MIN
  const char *p = text;
  while (IsProfileSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  uint64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(*p - '0');
    if (magnitude > limit) magnitude = limit + 1;
  }
  if (negative) return magnitude >= limit ? INT_MIN : -static_cast<int>(magnitude);
  return magnitude >= limit ? INT_MAX : static_cast<int>(magnitude);
}

// Writes n bytes as "%02X" pairs joined by ',' and a terminator: 3n bytes.
void EncodeHexBytes(const unsigned char *bytes, int n, char *out) {
  static const char digits[] = "0123456789ABCDEF";
  if (n <= 0) {
    if (out != nullptr) out[0] = '\0';
    return;
  }
  char *p = out;
  for (int i = 0; i < n; ++i) {
    if (i > 0) *p++ = ',';
    *p++ = digits[bytes[i] >> 4];
    *p++ = digits[bytes[i] & 0x0F];
  }
  *p = '\0';
}

// Decodes n bytes from the first 3n-1 characters of a stored block: two digits
// per byte, and one character between bytes skipped without looking at it.
void DecodeHexBytes(const char *text, int length, unsigned char *out, int n) {
  if (text == nullptr) length = 0;
  for (int i = 0; i < n; ++i) {
    long long position = 3LL * i;
    unsigned char value = 0;
    for (int k = 0; k < 2; ++k) {
      unsigned char digit = HexDigitValue(HexCharAt(text, length, position + k));
      value = static_cast<unsigned char>((value << 4) | digit);
    }
    out[i] = value;
  }
}
