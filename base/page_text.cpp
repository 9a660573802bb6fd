// Page text: encodings and line breaks of page files, decoding them for the
// editor and encoding its text again, and the pieces the editor is handed.
#include "base/page_text.h"

#include "base/code_pages.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

const unsigned char Utf8Mark[] = {0xEF, 0xBB, 0xBF};
const unsigned char Utf16LeMark[] = {0xFF, 0xFE};
const unsigned char Utf16BeMark[] = {0xFE, 0xFF};

bool StartsWith(const char *bytes, size_t length, const unsigned char *mark, size_t markLength) {
  return length >= markLength && memcmp(bytes, mark, markLength) == 0;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf16(const wchar_t *text, size_t length, bool bigEndian, std::string *bytes) {
  size_t at = bytes->size();
  bytes->resize(at + 2 * length);
  char *out = &(*bytes)[0] + at;
  for (size_t i = 0; i < length; ++i) {
    wchar_t unit = text[i];
    unsigned char low = static_cast<unsigned char>(unit & 0xFF);
    unsigned char high = static_cast<unsigned char>(unit >> 8);
    *out++ = static_cast<char>(bigEndian ? high : low);
    *out++ = static_cast<char>(bigEndian ? low : high);
  }
}

// The length of the line break at text[i] (CR CR LF, CR LF, a lone CR or a
// lone LF) and its kind; 0 where none starts.
size_t LineBreakAt(const wchar_t *text, size_t length, size_t i, LineBreaks *kind) {
  wchar_t c = text[i];
  if (c == L'\n') {
    *kind = BREAKS_LF;
    return 1;
  }
  if (c != L'\r') return 0;
  if (i + 2 < length && text[i + 1] == L'\r' && text[i + 2] == L'\n') {
    *kind = BREAKS_CRCRLF;
    return 3;
  }
  if (i + 1 < length && text[i + 1] == L'\n') {
    *kind = BREAKS_CRLF;
    return 2;
  }
  *kind = BREAKS_CR;
  return 1;
}

const wchar_t *LineBreakText(LineBreaks breaks) {
  switch (breaks) {
    case BREAKS_LF:
      return L"\n";
    case BREAKS_CR:
      return L"\r";
    case BREAKS_CRCRLF:
      return L"\r\r\n";
    case BREAKS_CRLF:
      break;
  }
  return L"\r\n";
}

// Whether a line break of the text is not the page's kind.
bool HasOtherLineBreaks(const wchar_t *text, size_t length, LineBreaks breaks) {
  for (size_t i = 0; i < length; ++i) {
    if (text[i] > L'\r') continue;
    LineBreaks kind;
    size_t size = LineBreakAt(text, length, i, &kind);
    if (size == 0) continue;
    if (kind != breaks) return true;
    i += size - 1;
  }
  return false;
}

// Every line break of the text as the page's.
std::wstring WithLineBreaks(const wchar_t *text, size_t length, LineBreaks breaks) {
  std::wstring out;
  out.reserve(length + length / 16);
  const wchar_t *lineBreak = LineBreakText(breaks);
  for (size_t i = 0; i < length; ++i) {
    LineBreaks kind;
    size_t size = text[i] <= L'\r' ? LineBreakAt(text, length, i, &kind) : 0;
    if (size == 0) {
      out += text[i];
      continue;
    }
    out += lineBreak;
    i += size - 1;
  }
  return out;
}

}  // namespace

/* ---- encodings ---- */

PageEncoding NewPageEncoding() {
  UINT process = GetACP();
  if (process == CP_UTF8) return PageEncoding{TEXT_UTF8, 0, false, BREAKS_CRLF};
  return PageEncoding{TEXT_CODE_PAGE, process, false, BREAKS_CRLF};
}

PageEncoding Utf8WithMark(LineBreaks breaks) { return PageEncoding{TEXT_UTF8, 0, true, breaks}; }

std::string EncodingName(const PageEncoding &encoding) {
  switch (encoding.form) {
    case TEXT_UTF8:
      return encoding.byteOrderMark ? "UTF-8 with a byte-order mark" : "UTF-8";
    case TEXT_UTF16LE:
      return "UTF-16";
    case TEXT_UTF16BE:
      return "UTF-16 big-endian";
    case TEXT_CODE_PAGE:
      break;
  }
  char name[32];
  snprintf(name, sizeof name, "code page %u", encoding.codePage);
  return name;
}

PageEncoding DetectPageEncoding(const char *bytes, size_t length, UINT legacyCodePage,
                                UINT processCodePage) {
  if (StartsWith(bytes, length, Utf8Mark, sizeof Utf8Mark))
    return PageEncoding{TEXT_UTF8, 0, true, BREAKS_CRLF};
  if (StartsWith(bytes, length, Utf16LeMark, sizeof Utf16LeMark))
    return PageEncoding{TEXT_UTF16LE, 0, true, BREAKS_CRLF};
  if (StartsWith(bytes, length, Utf16BeMark, sizeof Utf16BeMark))
    return PageEncoding{TEXT_UTF16BE, 0, true, BREAKS_CRLF};
  bool hasMultiByte = false;
  bool valid = IsValidUtf8(bytes, length, &hasMultiByte);
  if (valid && hasMultiByte) return PageEncoding{TEXT_UTF8, 0, false, BREAKS_CRLF};
  if (valid) {  // ASCII alone
    if (processCodePage == CP_UTF8) return PageEncoding{TEXT_UTF8, 0, false, BREAKS_CRLF};
    return PageEncoding{TEXT_CODE_PAGE, processCodePage, false, BREAKS_CRLF};
  }
  return PageEncoding{TEXT_CODE_PAGE, legacyCodePage, false, BREAKS_CRLF};
}

/* The kind most lines end with; in a tie CR LF first, then LF, CR and
   CR CR LF. */
LineBreaks DetectLineBreaks(const wchar_t *text, size_t length, unsigned *kinds) {
  size_t counts[LINE_BREAK_KINDS] = {};
  for (size_t i = 0; i < length; ++i) {
    if (text[i] > L'\r') continue;
    LineBreaks kind;
    size_t size = LineBreakAt(text, length, i, &kind);
    if (size == 0) continue;
    ++counts[kind];
    i += size - 1;
  }
  unsigned found = 0;
  LineBreaks most = BREAKS_CRLF;
  for (int kind = 0; kind < LINE_BREAK_KINDS; ++kind) {
    if (counts[kind] > 0) found |= 1u << kind;
    if (counts[kind] > counts[most]) most = static_cast<LineBreaks>(kind);
  }
  if (kinds != nullptr) *kinds = found;
  return most;
}

bool LineBreakKindsMixed(unsigned kinds) { return (kinds & (kinds - 1)) != 0; }

const char *LineBreaksName(LineBreaks breaks) {
  switch (breaks) {
    case BREAKS_LF:
      return "LF";
    case BREAKS_CR:
      return "CR";
    case BREAKS_CRCRLF:
      return "CR CR LF";
    case BREAKS_CRLF:
      break;
  }
  return "CR LF";
}

std::string LineBreakKindsNames(unsigned kinds) {
  std::vector<std::string> names;
  for (int kind = 0; kind < LINE_BREAK_KINDS; ++kind)
    if (kinds & (1u << kind)) names.push_back(LineBreaksName(static_cast<LineBreaks>(kind)));
  std::string text;
  for (size_t i = 0; i < names.size(); ++i)
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return text;
}

/* ---- decoding ---- */

bool DecodePageBytes(const char *bytes, size_t length, const PageEncoding &encoding,
                     std::wstring *text) {
  text->clear();
  switch (encoding.form) {
    case TEXT_UTF8: {
      size_t skip = encoding.byteOrderMark && StartsWith(bytes, length, Utf8Mark, 3) ? 3 : 0;
      bool hasMultiByte = false;
      bool valid = IsValidUtf8(bytes + skip, length - skip, &hasMultiByte);
      return TextFromCodePage(CP_UTF8, bytes + skip, length - skip, text) && valid;
    }
    case TEXT_UTF16LE:
    case TEXT_UTF16BE: {
      size_t skip = encoding.byteOrderMark && length >= 2 ? 2 : 0;
      size_t units = (length - skip) / 2;
      text->resize(units);
      const unsigned char *in = reinterpret_cast<const unsigned char *>(bytes + skip);
      bool bigEndian = encoding.form == TEXT_UTF16BE;
      for (size_t i = 0; i < units; ++i) {
        unsigned first = in[2 * i], second = in[2 * i + 1];
        (*text)[i] = static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
      }
      return (length - skip) % 2 == 0;  // a byte after the last unit is no text
    }
    case TEXT_CODE_PAGE:
      break;
  }
  if (!TextFromCodePage(encoding.codePage, bytes, length, text)) {
    text->clear();
    return length == 0;
  }
  std::string again;
  return TextInCodePage(encoding.codePage, text->data(), text->size(), &again) &&
         again.size() == length && memcmp(again.data(), bytes, length) == 0;
}

bool ReadPageText(const char *bytes, size_t length, PageEncoding *encoding, std::wstring *text,
                  unsigned *breakKinds) {
  *encoding = DetectPageEncoding(bytes, length, LegacyCodePage(), GetACP());
  bool exact = DecodePageBytes(bytes, length, *encoding, text);
  encoding->breaks = DetectLineBreaks(text->data(), text->size(), breakKinds);
  return exact;
}

/* ---- encoding ---- */

bool EncodePageText(const wchar_t *text, size_t length, const PageEncoding &encoding,
                    std::string *bytes) {
  bytes->clear();
  // The text is copied only when its line breaks are not the page's already.
  std::wstring lines;
  if (HasOtherLineBreaks(text, length, encoding.breaks)) {
    lines = WithLineBreaks(text, length, encoding.breaks);
    text = lines.data();
    length = lines.size();
  }
  switch (encoding.form) {
    case TEXT_UTF8: {
      std::string body;
      if (!TextInCodePage(CP_UTF8, text, length, &body)) return false;
      if (!encoding.byteOrderMark) {
        bytes->swap(body);
        return true;
      }
      bytes->assign(reinterpret_cast<const char *>(Utf8Mark), 3);
      *bytes += body;
      return true;
    }
    case TEXT_UTF16LE:
    case TEXT_UTF16BE: {
      bool bigEndian = encoding.form == TEXT_UTF16BE;
      if (encoding.byteOrderMark)
        bytes->assign(reinterpret_cast<const char *>(bigEndian ? Utf16BeMark : Utf16LeMark), 2);
      AppendUtf16(text, length, bigEndian, bytes);
      return true;
    }
    case TEXT_CODE_PAGE:
      break;
  }
  return TextInCodePage(encoding.codePage, text, length, bytes);
}

/* ---- pieces for the editor ---- */

void StartPagePieces(PagePieces *pieces, const wchar_t *text, size_t length) {
  pieces->text = text;
  pieces->length = length;
  pieces->at = 0;
  pieces->sawNul = false;
}

size_t NextPagePiece(PagePieces *pieces, wchar_t *out, size_t capacity) {
  const wchar_t *text = pieces->text;
  const size_t length = pieces->length;
  auto unitAt = [&](size_t at) { return at < length ? text[at] : L'\0'; };
  size_t written = 0;
  while (pieces->at < length && written < capacity) {
    size_t at = pieces->at;
    wchar_t c = text[at];
    if (c == L'\r' && unitAt(at + 1) == L'\r' && at + 1 < length) {
      ++pieces->at;
      if (unitAt(at + 2) == L'\n' && at + 2 < length) continue;  // the CR LF after it is the break
      out[written++] = L'\n';
      continue;
    }
    bool pair = (c == L'\r' && unitAt(at + 1) == L'\n' && at + 1 < length) ||
                (IsHighSurrogate(c) && IsLowSurrogate(unitAt(at + 1)) && at + 1 < length);
    if (pair) {
      if (written + 2 > capacity && written > 0) break;
      out[written++] = c;
      out[written++] = text[at + 1];
      pieces->at += 2;
      continue;
    }
    if (c == L'\0') {
      c = L' ';
      pieces->sawNul = true;
    }
    out[written++] = c;
    ++pieces->at;
  }
  return written;
}
