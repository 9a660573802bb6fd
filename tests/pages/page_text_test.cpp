// The encoding rules of page text, without windows: which encoding a page's
// bytes are read in, that every byte not edited is written back as it was,
// that no character is ever written as another, and the pieces the editor
// is handed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/page_text.h"
#include "notebook/notebook.h"
#include "pages/pages.h"

namespace {

const PageEncoding Legacy1252 = {TEXT_CODE_PAGE, 1252, false, BREAKS_CRLF};
const PageEncoding Legacy932 = {TEXT_CODE_PAGE, 932, false, BREAKS_CRLF};
const PageEncoding Utf8 = {TEXT_UTF8, 0, false, BREAKS_CRLF};
const PageEncoding Utf8Mark = {TEXT_UTF8, 0, true, BREAKS_CRLF};
const PageEncoding Utf16Le = {TEXT_UTF16LE, 0, true, BREAKS_CRLF};
const PageEncoding Utf16Be = {TEXT_UTF16BE, 0, true, BREAKS_CRLF};

std::string Describe(const PageEncoding &e) {
  return EncodingName(e) + (e.breaks == BREAKS_LF ? ", LF" : e.breaks == BREAKS_CR ? ", CR" : "");
}

TEST(PageEncoding, IsDecidedByTheMarkThenUtf8ThenAsciiThenTheLegacyCodePage) {
  const struct {
    const char *what;
    std::string bytes;
    UINT process;
    PageEncoding expected;
  } cases[] = {
      {"UTF-8 mark", "\xEF\xBB\xBFplain", CP_UTF8, Utf8Mark},
      {"UTF-16 mark", std::string("\xFF\xFEh\0i\0", 6), CP_UTF8, Utf16Le},
      {"UTF-16 big-endian mark", std::string("\xFE\xFF\0h\0i", 6), 1252, Utf16Be},
      {"UTF-8 without a mark", "Gr\xC3\xBC\xC3\x9F" "e", 1252, Utf8},
      {"an emoji", "\xF0\x9F\x98\x80", 932, Utf8},
      {"ASCII in a UTF-8 process", "plain text\r\n", CP_UTF8, Utf8},
      {"ASCII elsewhere", "plain text\r\n", 932, {TEXT_CODE_PAGE, 932, false, BREAKS_CRLF}},
      {"empty", "", 1252, Legacy1252},
      {"1252 bytes", "caf\xE9", CP_UTF8, Legacy1252},
      {"overlong UTF-8", "\xC0\xAF", CP_UTF8, Legacy1252},
      {"an encoded surrogate", "\xED\xA0\x80", CP_UTF8, Legacy1252},
      {"a cut sequence", "ab\xE2\x80", CP_UTF8, Legacy1252},
  };
  for (const auto &c : cases) {
    PageEncoding found = DetectPageEncoding(c.bytes.data(), c.bytes.size(), 1252, c.process);
    EXPECT_EQ(Describe(found), Describe(c.expected)) << c.what;
  }
}

TEST(PageEncoding, LineBreaksAreKeptAsMostLinesEnd) {
  const struct {
    const wchar_t *text;
    LineBreaks breaks;
    bool mixed;
  } cases[] = {
      {L"a\r\nb\r\n", BREAKS_CRLF, false}, {L"a\nb\n", BREAKS_LF, false},
      {L"a\rb", BREAKS_CR, false},          {L"no break", BREAKS_CRLF, false},
      {L"a\nb\r\nc", BREAKS_CRLF, true},    {L"a\nb\nc\r\nd", BREAKS_LF, true},
      {L"a\rb\rc\nd", BREAKS_CR, true},     {L"a\nb\rc", BREAKS_LF, true},
      {L"a\r\r\nb\r\r\n", BREAKS_CRCRLF, false}, {L"a\r\r\nb\r\nc", BREAKS_CRLF, true},
  };
  for (const auto &c : cases) {
    unsigned kinds = 0;
    EXPECT_EQ(DetectLineBreaks(c.text, wcslen(c.text), &kinds), c.breaks) << c.text;
    EXPECT_EQ(LineBreakKindsMixed(kinds), c.mixed) << c.text;
  }
}

// Read and written again without an edit, a page keeps every byte; bytes
// that are not text of their encoding are said to be so.
TEST(PageText, EveryByteComesBackOrIsSaidNotToBeText) {
  const struct {
    const char *what;
    std::string bytes;
    PageEncoding encoding;
    bool exact;
  } cases[] = {
      {"UTF-8 with its mark", "\xEF\xBB\xBF" "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xE2\x80\x94 "
                              "na\xC3\xAFve\r\n", Utf8Mark, true},
      {"UTF-8, LF", "Gr\xC3\xBC\xC3\x9F" "e\naus M\xC3\xBCnchen\n", {TEXT_UTF8, 0, false, BREAKS_LF}, true},
      {"UTF-16 with a surrogate pair", std::string("\xFF\xFE=\xD8\x00\xDE\r\0\n\0", 10), Utf16Le, true},
      {"UTF-16 big-endian", std::string("\xFE\xFF\x03\xA9\0!", 6), Utf16Be, true},
      {"1252, CR", "caf\xE9\r\x80\x81\x8D", {TEXT_CODE_PAGE, 1252, false, BREAKS_CR}, true},
      {"932", "\x82\xA0\x81\x81x\r\n\x83\x41", Legacy932, true},
      {"932, a lone lead byte at the end", "ab\x82", Legacy932, false},
      // NEC's "≒" reads as U+2252, which code page 932 writes as 0x81 0xE0.
      {"932, a character it writes otherwise", "\x87\x90", Legacy932, false},
      {"UTF-8 mark, then no UTF-8", "\xEF\xBB\xBF" "caf\xE9", Utf8Mark, false},
      {"UTF-16, an odd byte at the end", std::string("\xFF\xFEh\0i", 5), Utf16Le, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring text;
    EXPECT_EQ(DecodePageBytes(c.bytes.data(), c.bytes.size(), c.encoding, &text), c.exact);
    if (!c.exact) continue;
    PageEncoding encoding = c.encoding;
    encoding.breaks = DetectLineBreaks(text.data(), text.size());
    EXPECT_EQ(Describe(encoding), Describe(c.encoding));
    std::string again;
    ASSERT_TRUE(EncodePageText(text.data(), text.size(), encoding, &again));
    EXPECT_EQ(again, c.bytes);
  }
}

// The editor gives each line break as a CR: written back as the page's.
TEST(PageText, EditorLinesAreWrittenWithThePagesLineBreaks) {
  const std::wstring edited = L"one\rtwo\r\nthree\r";
  const struct {
    PageEncoding encoding;
    std::string bytes;
  } cases[] = {
      {Legacy1252, "one\r\ntwo\r\nthree\r\n"},
      {{TEXT_UTF8, 0, false, BREAKS_LF}, "one\ntwo\nthree\n"},
      {{TEXT_CODE_PAGE, 1252, false, BREAKS_CR}, "one\rtwo\rthree\r"},
      {{TEXT_UTF16BE, 0, false, BREAKS_LF},
       std::string("\0o\0n\0e\0\n\0t\0w\0o\0\n\0t\0h\0r\0e\0e\0\n", 28)},
  };
  for (const auto &c : cases) {
    std::string bytes;
    ASSERT_TRUE(EncodePageText(edited.data(), edited.size(), c.encoding, &bytes));
    EXPECT_EQ(bytes, c.bytes) << Describe(c.encoding);
  }
}

// A character the page's code page cannot hold, even one it would write as
// a look-alike, sends the page to UTF-8 with its mark: never a "?".
TEST(PageText, NoCharacterIsWrittenAsAnother) {
  const struct {
    const wchar_t *text;
    PageEncoding encoding;
    bool held;
  } cases[] = {
      {L"caf\u00e9", Legacy1252, true},
      {L"\u03a9mega", Legacy1252, false},          // best fit would write "O"
      {L"\u65e5\u672c", Legacy1252, false},
      {L"\u65e5\u672c", Legacy932, true},
      {L"\U0001F600", Legacy932, false},
      {L"\U0001F600", Utf8, true},
      {L"lone \xD800 half", Utf8, false},
      {L"lone \xD800 half", Utf16Le, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(Describe(c.encoding));
    std::wstring text = c.text;
    std::string bytes = "stale";
    EXPECT_EQ(EncodePageText(text.data(), text.size(), c.encoding, &bytes), c.held);
    if (!c.held) {
      EXPECT_EQ(bytes, "");
    }
    PageEncoding used;
    EXPECT_EQ(EncodeForPage(text, c.encoding, &bytes, &used), !c.held);
    std::wstring back;
    EXPECT_TRUE(DecodePageBytes(bytes.data(), bytes.size(), used, &back));
    EXPECT_EQ(back, text);
    if (!c.held && c.encoding.form == TEXT_CODE_PAGE) {
      EXPECT_EQ(EncodingName(used), "UTF-8 with a byte-order mark");
    }
  }
}

std::vector<std::wstring> Pieces(const std::wstring &text, size_t capacity, bool *sawNul) {
  PagePieces pieces;
  StartPagePieces(&pieces, text.data(), text.size());
  std::vector<std::wstring> all;
  std::vector<wchar_t> buffer(capacity);
  for (size_t n; (n = NextPagePiece(&pieces, buffer.data(), capacity)) > 0;) {
    EXPECT_LE(n, capacity);
    all.emplace_back(buffer.data(), n);
  }
  EXPECT_EQ(pieces.at, text.size());
  *sawNul = pieces.sawNul;
  return all;
}

// What is handed on differs from the text only in line breaks the editor
// reads alike, and no piece ends between the halves of a line break or of a
// surrogate pair.
TEST(PagePieces, NeverSplitALineBreakOrACharacter) {
  const std::wstring smile = L"\U0001F600";
  std::wstring pairs = L"x";
  for (int i = 0; i < 3000; ++i) pairs += L"\r\n";
  const struct {
    const char *what;
    std::wstring text, handedOn;
    bool nul;
  } cases[] = {
      {"empty", L"", L"", false},
      {"CR LF pairs", pairs, pairs, false},
      {"only CRs", std::wstring(9000, L'\r'), std::wstring(8999, L'\n') + L"\r", false},
      {"lone CR and LF", L"a\rb\nc\r\n", L"a\rb\nc\r\n", false},
      {"soft line breaks", L"e\r\r\nf\r\r\n", L"e\r\nf\r\n", false},
      {"surrogate pairs", L"a" + smile + smile + smile, L"a" + smile + smile + smile, false},
      {"NULs", std::wstring(L"ab\0cd\0\0e", 8), L"ab cd  e", true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    for (size_t capacity : {2048u, 7u, 2u}) {
      SCOPED_TRACE(capacity);
      bool sawNul = false;
      std::vector<std::wstring> pieces = Pieces(c.text, capacity, &sawNul);
      std::wstring joined;
      for (const std::wstring &piece : pieces) joined += piece;
      EXPECT_TRUE(joined == c.handedOn);
      EXPECT_EQ(sawNul, c.nul);
      for (size_t i = 0; i + 1 < pieces.size(); ++i) {
        wchar_t last = pieces[i].back(), next = pieces[i + 1][0];
        EXPECT_FALSE(last == L'\r' && next == L'\n') << "piece " << i;
        EXPECT_FALSE(last >= 0xD800 && last <= 0xDBFF) << "piece " << i;
      }
    }
  }
}

}  // namespace
