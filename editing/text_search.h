// Finding text in pages, without windows: what counts as a match (letter
// case and whole words), the lines and columns of the matches in a page's
// text, and a quick look at a page's bytes that tells the pages that cannot
// hold a match from those that may.
#ifndef TAV_TEXT_SEARCH_H
#define TAV_TEXT_SEARCH_H

#include <windows.h>

#include <stddef.h>

#include <string>
#include <vector>

#include "base/page_text.h"

struct SearchPattern {
  std::wstring text;
  bool matchCase;
  bool wholeWord;
};

// A match in a page's text: where it starts, in units of the text, and its
// line (from 1) and column (units from the line's start), lines ended as
// the editor ends its paragraphs: CR LF, CR, LF, and "\r\r\n" as one.
struct TextMatch {
  size_t at;
  size_t line;
  size_t column;
};

// The character as letter case is ignored: its upper-case form, except that
// no other character becomes an ASCII one (a dotless "\u0131" is not an
// "i", nor "\u017f" an "s"), so that ASCII text is matched by ASCII text
// alone.
wchar_t FoldCase(wchar_t c);
// A letter or digit of any script; what is not one parts words.
bool IsWordCharacter(wchar_t c);
// Every match in the text, in order; a match starts after the end of the
// one before.
void FindMatches(const wchar_t *text, size_t length, const SearchPattern &pattern,
                 std::vector<TextMatch> *matches);

// A quick look at a page's bytes, before they are decoded. False only when
// the page cannot hold a match; true says it may. When the pattern is ASCII
// the bytes' encoding need not be known beyond a UTF-16 byte-order mark:
// every other encoding a page can have writes ASCII as ASCII.
class PageFilter {
 public:
  explicit PageFilter(const SearchPattern &pattern);
  bool MayHoldMatch(const char *bytes, size_t length) const;
  bool NeedsEncoding() const { return !asciiPattern_; }
  // For a pattern beyond ASCII: with the page's encoding, as read.
  bool MayHoldMatch(const char *bytes, size_t length, const PageEncoding &encoding) const;

 private:
  SearchPattern pattern_;
  bool asciiPattern_;
  bool foldsBeyondAscii_;  // case ignored, and letters beyond ASCII
};

// Whether needle stands in the bytes, ASCII letters folded when asked: a
// Boyer-Moore-Horspool search.
bool BytesHold(const char *bytes, size_t length, const std::string &needle, bool foldAscii);

#endif
