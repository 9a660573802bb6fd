// Finding a page by a few letters of its name, without windows: what the
// letters typed match in a page's name or in its folder and name, how well,
// and the order of the pages found.
#include "pages/pages.h"

#include <algorithm>
#include <string>
#include <vector>

#include "editing/text_search.h"

namespace {

// The Latin, Greek and Cyrillic letters written with accents, and the
// letters they are written on; the other characters stand for themselves.
enum { ACCENTED_END = 0x2000 };

const wchar_t *BaseLetters() {
  static wchar_t *table = nullptr;
  if (table != nullptr) return table;
  static wchar_t made[ACCENTED_END];
  for (unsigned c = 0; c < ACCENTED_END; ++c) {
    made[c] = static_cast<wchar_t>(c);
    if (c < 0x80) continue;
    wchar_t one = static_cast<wchar_t>(c), parts[8];
    int count = FoldStringW(MAP_COMPOSITE, &one, 1, parts, 8);
    bool accents = count >= 2;
    for (int i = 1; i < count; ++i)
      if (parts[i] < 0x300 || parts[i] > 0x36F) accents = false;
    if (accents && IsWordCharacter(parts[0])) made[c] = parts[0];
  }
  table = made;
  return table;
}

std::wstring Folded(const std::wstring &text) {
  std::wstring folded(text);
  for (wchar_t &c : folded) c = FoldForMatch(c);
  return folded;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A word begins after what is not part of a word, after a small letter
// ("MeetingNotes"), and where digits and letters meet. A small letter is
// one that case folding changes.
bool IsWordStart(const std::wstring &text, size_t at) {
  if (!IsWordCharacter(text[at])) return false;
  if (at == 0) return true;
  wchar_t before = text[at - 1], c = text[at];
  if (!IsWordCharacter(before)) return true;
  if (IsDigit(before) != IsDigit(c)) return true;
  return FoldCase(before) != before && FoldCase(c) == c;
}

// Whether the letters are in the text in order, not necessarily together.
bool HoldsInOrder(const std::wstring &letters, const std::wstring &text) {
  size_t found = 0;
  for (size_t i = 0; i < text.size() && found < letters.size(); ++i)
    if (text[i] == letters[found]) ++found;
  return found == letters.size();
}

// The search for runs of letters that each begin a word: failed[] marks
// the (letter, position) pairs from which no way was found, so that each is
// tried once.
struct WordRuns {
  const std::wstring &letters;
  const std::wstring &folded;
  std::vector<size_t> &starts;
  std::vector<unsigned char> &failed;
};

bool RunsFrom(WordRuns *runs, size_t letter, size_t from) {
  const size_t m = runs->letters.size(), n = runs->folded.size();
  if (letter == m) return true;
  unsigned char &failed = runs->failed[letter * (n + 1) + from];
  if (failed) return false;
  for (auto start = std::lower_bound(runs->starts.begin(), runs->starts.end(), from);
       start != runs->starts.end(); ++start) {
    size_t length = 0;
    while (letter + length < m && *start + length < n &&
           runs->folded[*start + length] == runs->letters[letter + length])
      ++length;
    for (; length > 0; --length)
      if (RunsFrom(runs, letter + length, *start + length)) return true;
  }
  failed = 1;
  return false;
}

// Whether the letters can be taken in runs, each the start of a word of
// the text: "mn" and "meetno" both begin the words of "Meeting Notes".
bool BeginsWords(const std::wstring &letters, const std::wstring &folded, const std::wstring &text) {
  if (letters.empty() || letters.size() > folded.size()) return false;
  // Kept from one page to the next: thousands of pages are tried for each
  // letter typed.
  static std::vector<size_t> starts;
  static std::vector<unsigned char> failed;
  starts.clear();
  for (size_t i = 0; i < text.size(); ++i)
    if (IsWordStart(text, i)) starts.push_back(i);
  failed.assign((letters.size() + 1) * (folded.size() + 1), 0);
  WordRuns runs = {letters, folded, starts, failed};
  return RunsFrom(&runs, 0, 0);
}

bool Contains(const std::wstring &text, const std::wstring &part) {
  return text.find(part) != std::wstring::npos;
}

}  // namespace

/* Letter case folded as Find in All Pages folds it, and an accented letter
   taken as the letter it is written on, so that "cafe" finds "Café". */
wchar_t FoldForMatch(wchar_t c) {
  if (c >= 0x80 && c < ACCENTED_END) c = BaseLetters()[c];
  return FoldCase(c);
}

TypedText FoldTyped(const std::wstring &typed) {
  TypedText folded;
  for (wchar_t c : typed) {
    wchar_t f = FoldForMatch(c);
    folded.folded += f;
    if (IsWordCharacter(c)) folded.letters += f;
  }
  return folded;
}

void MakeListedPage(const std::string &fullPath, const std::wstring &name,
                    const std::wstring &folder, size_t recency, ListedPage *page) {
  page->fullPath = fullPath;
  page->name = name;
  page->folder = folder;
  page->path = folder.empty() ? name : folder + L"\\" + name;
  page->foldedName = Folded(name);
  page->foldedPath = Folded(page->path);
  page->recency = recency;
  page->match = MATCH_NONE;
}

/* Every match holds the typed letters in order somewhere in folder\name
   (or, when nothing typed is a letter, the text typed itself), so that
   test comes first and turns most pages away at once. */
PageMatch MatchPage(const TypedText &typed, const ListedPage &page) {
  const std::wstring &text = typed.folded;
  const bool letters = !typed.letters.empty();
  if (letters ? !HoldsInOrder(typed.letters, page.foldedPath) : !Contains(page.foldedPath, text))
    return MATCH_NONE;
  if (page.foldedName == text) return MATCH_WHOLE_NAME;
  if (page.foldedName.compare(0, text.size(), text) == 0) return MATCH_NAME_START;
  const bool inName = letters && HoldsInOrder(typed.letters, page.foldedName);
  if (inName && BeginsWords(typed.letters, page.foldedName, page.name)) return MATCH_NAME_WORDS;
  if (letters && BeginsWords(typed.letters, page.foldedPath, page.path)) return MATCH_PATH_WORDS;
  if (Contains(page.foldedName, text)) return MATCH_NAME_ADJACENT;
  if (Contains(page.foldedPath, text)) return MATCH_PATH_ADJACENT;
  if (inName) return MATCH_NAME_SPREAD;
  return letters ? MATCH_PATH_SPREAD : MATCH_NONE;
}

/* Among equals, the page shown more recently, then the shorter path. */
bool ListedBefore(const ListedPage &a, const ListedPage &b) {
  if (a.recency != b.recency) return a.recency < b.recency;
  if (a.path.size() != b.path.size()) return a.path.size() < b.path.size();
  int order = a.foldedPath.compare(b.foldedPath);
  if (order != 0) return order < 0;
  return a.fullPath < b.fullPath;
}

bool RankedBefore(const ListedPage &a, const ListedPage &b) {
  if (a.match != b.match) return a.match < b.match;
  return ListedBefore(a, b);
}

bool CanNarrow(const TypedText &before, const TypedText &now) {
  return !before.letters.empty() && now.folded.size() >= before.folded.size() &&
         now.folded.compare(0, before.folded.size(), before.folded) == 0;
}

/* The pages in base order are sorted into one list per kind of match and
   the lists joined: no sort is needed. */
void RankPages(std::vector<ListedPage> *pages, const std::vector<size_t> &base,
               const TypedText &typed, bool narrowing, std::vector<size_t> *ranked) {
  ranked->clear();
  if (typed.folded.empty()) {
    for (size_t index : base) (*pages)[index].match = MATCH_WHOLE_NAME;
    *ranked = base;
    return;
  }
  // Kept from one letter to the next, with the room they took.
  static std::vector<size_t> kinds[MATCH_NONE];
  for (std::vector<size_t> &kind : kinds) kind.clear();
  for (size_t index : base) {
    ListedPage &page = (*pages)[index];
    if (narrowing && page.match == MATCH_NONE) continue;
    page.match = static_cast<unsigned char>(MatchPage(typed, page));
    if (page.match != MATCH_NONE) kinds[page.match].push_back(index);
  }
  for (const std::vector<size_t> &kind : kinds) ranked->insert(ranked->end(), kind.begin(), kind.end());
}
