// The settings-file object: typed reads and writes of named keys through the
// platform's profile functions, with the text encoding of each value type.
#include "settings/settings.h"

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

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

// Whether a line of the settings file names the section or key given, the
// way the profile functions match names: letter case and surrounding blanks
// do not count.
static bool SameName(const std::string &text, size_t from, size_t to, const char *name) {
  while (from < to && IsProfileSpace(text[from])) ++from;
  while (to > from && IsProfileSpace(text[to - 1])) --to;
  size_t length = strlen(name);
  if (to - from != length) return false;
  for (size_t i = 0; i < length; ++i) {
    char a = text[from + i], b = name[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

/* Reads the file itself: the profile functions hand values on only after
   reading the file's bytes in the process code page. */
bool ReadStoredValueBytes(const char *fileName, const char *section, const char *key,
                          std::string *value) {
  value->clear();
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string text;
  char block[4096];
  DWORD got = 0;
  while (text.size() < (1u << 20) && ReadFile(file, block, sizeof block, &got, nullptr) && got > 0)
    text.append(block, got);
  CloseHandle(file);
  bool inSection = false;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    size_t at = start;
    while (at < end && IsProfileSpace(text[at])) ++at;
    if (at < end && text[at] == '[') {
      size_t close = text.find(']', at);
      inSection = close != std::string::npos && close < end && SameName(text, at + 1, close, section);
    } else if (inSection) {
      size_t equals = text.find('=', at);
      if (equals != std::string::npos && equals < end && SameName(text, at, equals, key)) {
        size_t from = equals + 1, to = end;
        while (from < to && IsProfileSpace(text[from])) ++from;
        while (to > from && IsProfileSpace(text[to - 1])) --to;
        if (to - from >= 2 && text[from] == '"' && text[to - 1] == '"') {
          ++from;
          --to;
        }
        value->assign(text, from, to - from);
        return true;
      }
    }
    start = end + 1;
  }
  return false;
}
