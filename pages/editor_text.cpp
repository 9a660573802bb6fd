// The editor's whole text, taken out as UTF-16 whatever the process code
// page and whichever rich edit it is, and text streamed into it in pieces.
#include "pages/pages.h"

#include <richedit.h>
#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <string>

// The lead bytes of the ANSI code page's double-byte characters; false when
// it has none.
static bool LearnLeadBytes(bool isLeadByte[256]) {
  memset(isLeadByte, 0, 256 * sizeof(bool));
  bool any = false;
  CPINFO info;
  if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize < 2) return false;
  for (int range = 0; range + 1 < MAX_LEADBYTES && info.LeadByte[range] != 0; range += 2) {
    for (unsigned byte = info.LeadByte[range]; byte <= info.LeadByte[range + 1]; ++byte) {
      isLeadByte[byte] = true;
      any = true;
    }
  }
  return any;
}

// Every trail byte of the double-byte code pages is 0x40 or above, so a lead
// byte before a smaller byte (a line break, say) stands alone. A trail byte
// can have the value of a lead byte: only a walk from the start of a
// character tells them apart.
static bool CanBeTrailByte(char byte) { return static_cast<unsigned char>(byte) >= 0x40; }

// Characters in ANSI text: a lead byte and the trail byte after it count as
// one.
static size_t CountCharacters(const char *text, size_t length) {
  bool isLeadByte[256];
  if (!LearnLeadBytes(isLeadByte)) return length;
  size_t count = 0;
  for (size_t at = 0; at < length; ++count) {
    bool pair = isLeadByte[static_cast<unsigned char>(text[at])] && at + 1 < length &&
                CanBeTrailByte(text[at + 1]);
    at += pair ? 2 : 1;
  }
  return count;
}

/* The length of the editor's text with CR LF line breaks, in bytes of the
   ANSI code page and in characters. Windows counts the bytes exactly; Wine
   answers twice the characters on a double-byte code page, and counts
   characters for WM_GETTEXTLENGTH (seen under code page 932). The 1.0 rich
   edit of Windows knows no EM_GETTEXTLENGTHEX (it answers 0) and counts
   bytes for WM_GETTEXTLENGTH. */
static void MeasureEditorText(size_t *bytes, LRESULT *characters) {
  GETTEXTLENGTHEX inBytes = {GTL_NUMBYTES | GTL_PRECISE | GTL_USECRLF, CP_ACP};
  GETTEXTLENGTHEX inCharacters = {GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, CP_ACP};
  LRESULT precise =
      SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&inBytes), 0);
  LRESULT plain = SendMessageA(Ui.editor, WM_GETTEXTLENGTH, 0, 0);
  LRESULT most = precise > plain ? precise : plain;
  *bytes = most > 0 ? static_cast<size_t>(most) : 0;
  *characters =
      SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&inCharacters), 0);
}

/* The 1.0 control's whole text, in the process code page with CR LF line
   breaks, made UTF-16. Wine's rich edit copies nothing, or only a part, into
   a buffer too small for the bytes, and still reports success: a text is
   taken only when it is as long as the editor's, in bytes or in
   characters. */
static bool FetchAnsiEditorText(std::wstring *text, bool *cutShort) {
  size_t bytes = 0;
  LRESULT characters = 0;
  MeasureEditorText(&bytes, &characters);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (bytes > (SIZE_MAX - 2) / 2 || bytes + 2 > static_cast<size_t>(INT_MAX)) break;
    size_t capacity = (bytes + 2) << attempt;
    std::string ansi(capacity, '\0');
    LRESULT copied =
        SendMessageA(Ui.editor, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(&ansi[0]));
    size_t got = copied > 0 ? static_cast<size_t>(copied) : 0;
    if (got + 1 < capacity &&
        (got == bytes || CountCharacters(ansi.data(), got) == static_cast<size_t>(characters))) {
      if (TextFromCodePage(GetACP(), ansi.data(), got, text)) return true;
      break;
    }
    *cutShort = true;
  }
  return false;
}

/* The editor's whole text as UTF-16 with CR LF line breaks, whatever the
   process code page. *cutShort is set when the editor gave back less than
   it holds (the reason is otherwise in the last error). */
bool FetchEditorText(std::wstring *text, bool *cutShort) {
  *cutShort = false;
  if (!HasRichEdit20) return FetchAnsiEditorText(text, cutShort);
  GETTEXTLENGTHEX measure = {GTL_NUMCHARS | GTL_PRECISE | GTL_USECRLF, 1200};
  LRESULT units = SendMessageA(Ui.editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0);
  if (units < 0) units = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    size_t capacity = (static_cast<size_t>(units) + 2) << attempt;
    if (capacity > static_cast<size_t>(INT_MAX) / sizeof(wchar_t)) break;
    text->resize(capacity);
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(capacity * sizeof(wchar_t));
    request.flags = GT_USECRLF;
    request.codepage = 1200;
    LRESULT copied = SendMessageA(Ui.editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                  reinterpret_cast<LPARAM>(&(*text)[0]));
    // Wine copies what fits into a buffer too small and reports success.
    if (copied == units && static_cast<size_t>(copied) + 1 < capacity) {
      text->resize(static_cast<size_t>(copied));
      return true;
    }
    *cutShort = true;
  }
  text->clear();
  return false;
}

// The editor's own stream buffer is its to size; the pieces fit it.
struct EditorStream {
  PagePieces *pieces;
  bool unicode;  // else the 1.0 control, which takes the process code page
  bool notHeld;  // the 1.0 control met a character its code page cannot hold
};

static DWORD CALLBACK StreamPiecesIn(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG *got) {
  EditorStream *stream = reinterpret_cast<EditorStream *>(cookie);
  *got = 0;
  if (stream->unicode) {
    size_t units = capacity > 0 ? static_cast<size_t>(capacity) / sizeof(wchar_t) : 0;
    if (units < 2) return 1;
    size_t n = NextPagePiece(stream->pieces, reinterpret_cast<wchar_t *>(buffer), units);
    *got = static_cast<LONG>(n * sizeof(wchar_t));
    return 0;
  }
  // A unit takes at most three bytes in any code page this control knows.
  size_t units = capacity > 0 ? static_cast<size_t>(capacity) / 3 : 0;
  if (units < 2) return 1;
  std::wstring piece(units, L'\0');
  size_t n = NextPagePiece(stream->pieces, &piece[0], units);
  if (n == 0) return 0;
  // A character the code page cannot hold ends the stream: the page is then
  // shown cut short, never saved with a look-alike or "?" in its place.
  std::string bytes;
  if (!TextInCodePage(GetACP(), piece.data(), n, &bytes) ||
      bytes.size() > static_cast<size_t>(capacity)) {
    stream->notHeld = true;
    return 1;
  }
  memcpy(buffer, bytes.data(), bytes.size());
  *got = static_cast<LONG>(bytes.size());
  return 0;
}

bool StreamIntoEditor(HWND editor, PagePieces *pieces, bool intoSelection, bool *notHeld) {
  EditorStream stream = {pieces, HasRichEdit20, false};
  EDITSTREAM request = {};
  request.dwCookie = reinterpret_cast<DWORD_PTR>(&stream);
  request.pfnCallback = StreamPiecesIn;
  WPARAM format = SF_TEXT | (HasRichEdit20 ? SF_UNICODE : 0) | (intoSelection ? SFF_SELECTION : 0);
  SendMessageA(editor, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&request));
  if (notHeld != nullptr) *notHeld = stream.notHeld;
  return request.dwError == 0 && pieces->at == pieces->length;
}

