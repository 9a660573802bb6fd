// Finding text in pages: the matching rules, and the quick look at a page's
// bytes that spares decoding the pages that cannot hold a match.
#include "editing/text_search.h"

#include <string.h>

namespace {

// Letter case and word characters of every unit of the Basic Multilingual
// Plane, worked out once: a search asks about every unit of a page.
struct CharacterTables {
  wchar_t folded[65536];
  unsigned char word[65536 / 8];
};

const CharacterTables &Tables() {
  static CharacterTables *tables = nullptr;
  if (tables != nullptr) return *tables;
  static CharacterTables made;
  for (unsigned c = 0; c < 65536; ++c) made.folded[c] = static_cast<wchar_t>(c);
  // Surrogates stay as they are; everything else as the system makes it upper case.
  CharUpperBuffW(made.folded, 0xD800);
  CharUpperBuffW(made.folded + 0xE000, 65536 - 0xE000);
  for (unsigned c = 0x80; c < 65536; ++c)
    if (made.folded[c] < 0x80) made.folded[c] = static_cast<wchar_t>(c);
  static WORD types[65536];
  wchar_t all[256];
  for (unsigned start = 0; start < 65536; start += 256) {
    for (unsigned i = 0; i < 256; ++i) all[i] = static_cast<wchar_t>(start + i);
    if (!GetStringTypeW(CT_CTYPE1, all, 256, types + start)) memset(types + start, 0, 512);
  }
  memset(made.word, 0, sizeof made.word);
  for (unsigned c = 0; c < 65536; ++c) {
    bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    if (!surrogate && (types[c] & (C1_ALPHA | C1_DIGIT)))
      made.word[c / 8] = static_cast<unsigned char>(made.word[c / 8] | (1u << (c % 8)));
  }
  tables = &made;
  return made;
}

bool IsAscii(const std::wstring &text) {
  for (wchar_t c : text)
    if (c >= 0x80) return false;
  return true;
}

// A character beyond ASCII that has another letter case: text in either
// case matches it, so its bytes tell nothing.
bool HasCaseBeyondAscii(const std::wstring &text) {
  for (wchar_t c : text) {
    if (c < 0x80) continue;
    wchar_t lower = c;
    CharLowerBuffW(&lower, 1);
    if (FoldCase(c) != c || lower != c) return true;
  }
  return false;
}

unsigned char FoldByte(unsigned char byte, bool foldAscii) {
  return (foldAscii && byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 32) : byte;
}

std::string Utf16Bytes(const std::wstring &text, bool bigEndian) {
  std::string bytes;
  for (wchar_t unit : text) {
    char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

}  // namespace

wchar_t FoldCase(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
  return Tables().folded[c];
}

bool IsWordCharacter(wchar_t c) {
  return (Tables().word[c / 8] >> (c % 8)) & 1;
}

/* Lines are counted on the way through the text, so that each match gets
   its line and column without a second pass. */
void FindMatches(const wchar_t *text, size_t length, const SearchPattern &pattern,
                 std::vector<TextMatch> *matches) {
  const std::wstring &needle = pattern.text;
  const size_t m = needle.size();
  if (m == 0 || m > length) return;
  std::wstring folded = needle;
  if (!pattern.matchCase)
    for (wchar_t &c : folded) c = FoldCase(c);
  const wchar_t first = folded[0];
  size_t line = 1, lineStart = 0;
  for (size_t i = 0; i + m <= length; ++i) {
    wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      // "\r\r\n" ends one line, as the editor reads it; so does CR LF.
      if (c == L'\r' && i + 2 < length && text[i + 1] == L'\r' && text[i + 2] == L'\n') ++i;
      if (text[i] == L'\r' && i + 1 < length && text[i + 1] == L'\n') ++i;
      ++line;
      lineStart = i + 1;
      continue;
    }
    if ((pattern.matchCase ? c : FoldCase(c)) != first) continue;
    size_t k = 1;
    for (; k < m; ++k) {
      wchar_t t = text[i + k];
      if ((pattern.matchCase ? t : FoldCase(t)) != folded[k]) break;
    }
    if (k < m) continue;
    if (pattern.wholeWord && ((i > 0 && IsWordCharacter(text[i - 1])) ||
                              (i + m < length && IsWordCharacter(text[i + m]))))
      continue;
    matches->push_back(TextMatch{i, line, i - lineStart});
    // The next match starts after this one; a line break inside a match
    // cannot be, since the pattern holds none.
    i += m - 1;
  }
}

bool BytesHold(const char *text, size_t length, const std::string &needle, bool foldAscii) {
  const size_t m = needle.size();
  if (m == 0) return true;
  if (m > length) return false;
  const unsigned char *bytes = reinterpret_cast<const unsigned char *>(text);
  unsigned char pattern[256];
  std::string owned;
  const unsigned char *p;
  if (m <= sizeof pattern) {
    for (size_t i = 0; i < m; ++i) pattern[i] = FoldByte(static_cast<unsigned char>(needle[i]), foldAscii);
    p = pattern;
  } else {
    owned = needle;
    for (char &c : owned) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c), foldAscii));
    p = reinterpret_cast<const unsigned char *>(owned.data());
  }
  size_t skip[256];
  for (size_t &s : skip) s = m;
  for (size_t i = 0; i + 1 < m; ++i) {
    skip[p[i]] = m - 1 - i;
    if (foldAscii && p[i] >= 'A' && p[i] <= 'Z') skip[p[i] + 32] = m - 1 - i;
  }
  const unsigned char last = p[m - 1];
  for (size_t at = 0; at + m <= length;) {
    unsigned char end = FoldByte(bytes[at + m - 1], foldAscii);
    if (end == last) {
      size_t k = 0;
      while (k + 1 < m && FoldByte(bytes[at + k], foldAscii) == p[k]) ++k;
      if (k + 1 == m) return true;
    }
    at += skip[bytes[at + m - 1]];
  }
  return false;
}

PageFilter::PageFilter(const SearchPattern &pattern)
    : pattern_(pattern),
      asciiPattern_(IsAscii(pattern.text)),
      foldsBeyondAscii_(!pattern.matchCase && HasCaseBeyondAscii(pattern.text)) {}

bool PageFilter::MayHoldMatch(const char *bytes, size_t length) const {
  if (!asciiPattern_) return true;
  std::string needle(pattern_.text.begin(), pattern_.text.end());
  bool foldAscii = !pattern_.matchCase;
  const unsigned char *b = reinterpret_cast<const unsigned char *>(bytes);
  if (length >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)))
    return BytesHold(bytes, length, Utf16Bytes(pattern_.text, b[0] == 0xFE), foldAscii);
  return BytesHold(bytes, length, needle, foldAscii);
}

bool PageFilter::MayHoldMatch(const char *bytes, size_t length,
                              const PageEncoding &encoding) const {
  if (asciiPattern_) return MayHoldMatch(bytes, length);
  if (foldsBeyondAscii_) return true;
  std::string needle;
  PageEncoding plain = encoding;
  plain.byteOrderMark = false;
  // A character the page's code page cannot write is not in the page.
  if (!EncodePageText(pattern_.text.data(), pattern_.text.size(), plain, &needle)) return false;
  return BytesHold(bytes, length, needle, !pattern_.matchCase);
}
