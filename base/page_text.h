// Page text without windows: the encoding and line breaks of a page's bytes
// (decided once, when the page is read), its text as UTF-16 for the editor,
// handed on in pieces the editor reads as one text, and text written back in
// the page's encoding.
#ifndef TAV_PAGE_TEXT_H
#define TAV_PAGE_TEXT_H

#include <windows.h>

#include <stddef.h>

#include <string>

#include "base/code_pages.h"

enum TextForm { TEXT_CODE_PAGE, TEXT_UTF8, TEXT_UTF16LE, TEXT_UTF16BE };
// The kinds of line break a page keeps. The values are stored in recovery
// copies: a new kind goes at the end. CR CR LF is left by a double
// conversion of line breaks; the editor shows it as one.
enum LineBreaks { BREAKS_CRLF, BREAKS_LF, BREAKS_CR, BREAKS_CRCRLF };
enum { LINE_BREAK_KINDS = 4 };

struct PageEncoding {
  TextForm form;
  UINT codePage;       // the bytes' code page, for TEXT_CODE_PAGE
  bool byteOrderMark;  // the bytes start with one, and are written back with it
  LineBreaks breaks;   // how the page's lines end
};

// A page that has no file yet, or only ASCII text: the process code page,
// lines ended by CR LF.
PageEncoding NewPageEncoding();
PageEncoding Utf8WithMark(LineBreaks breaks);
// "UTF-8", "UTF-8 with a byte-order mark", "UTF-16", "code page 1252", ...
std::string EncodingName(const PageEncoding &encoding);

// A byte-order mark; else valid UTF-8 with a character of more than one
// byte; else ASCII alone, in the process code page; else the legacy code
// page. Lines end by CR LF until DetectLineBreaks says otherwise.
PageEncoding DetectPageEncoding(const char *bytes, size_t length, UINT legacyCodePage,
                                UINT processCodePage);
// The way most lines end, CR LF where as many end another way; *kinds gets
// a bit (1 << kind) for each kind of line break found: more than one, and a
// save makes them all alike.
LineBreaks DetectLineBreaks(const wchar_t *text, size_t length, unsigned *kinds = nullptr);
bool LineBreakKindsMixed(unsigned kinds);
// "CR LF", "LF", "CR" or "CR CR LF".
const char *LineBreaksName(LineBreaks breaks);
// The kinds named, "CR LF and LF" say.
std::string LineBreakKindsNames(unsigned kinds);

// The bytes' text as UTF-16, the byte-order mark left out. True when the
// text, encoded again, gives back the same bytes: false for bytes that are
// not text of the encoding (a lone lead byte, invalid UTF-8, an odd byte
// after UTF-16) or that the code page reads as a character it writes
// otherwise.
bool DecodePageBytes(const char *bytes, size_t length, const PageEncoding &encoding,
                     std::wstring *text);
// Detects the encoding and line breaks of a page's bytes and decodes them;
// the result is DecodePageBytes's.
bool ReadPageText(const char *bytes, size_t length, PageEncoding *encoding, std::wstring *text,
                  unsigned *breakKinds = nullptr);

// Text with line breaks as the editor gives them (CR, or CR LF) in the
// encoding, each line break as the encoding's, the byte-order mark in front.
// "\r\r\n" counts as one line break, as the editor shows it.
// False, with bytes empty, when the encoding cannot hold every character:
// no character is ever written as another.
bool EncodePageText(const wchar_t *text, size_t length, const PageEncoding &encoding,
                    std::string *bytes);

// Hands a page's text to the editor in pieces. The editor reads each piece
// on its own, so a piece never ends between the CR and the LF of one line
// break (the editor would read two) nor between the halves of a surrogate
// pair. A NUL is handed on as a space (and noted); "\r\r\n", a soft line
// break some editors write, as one line break, since the editor would read
// it as a blank; a CR followed by another CR as LF, which the editor takes
// for the same line break.
struct PagePieces {
  const wchar_t *text;
  size_t length;
  size_t at;  // the first unit not handed on yet
  bool sawNul;
};
void StartPagePieces(PagePieces *pieces, const wchar_t *text, size_t length);
// Copies the next piece, at most capacity units (at least 2), into out and
// gives its length; 0 at the end.
size_t NextPagePiece(PagePieces *pieces, wchar_t *out, size_t capacity);

#endif
