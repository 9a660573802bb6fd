// Which lines of a version differ from the page's text now, without
// windows: the lines are compared by their hashes, the lines both texts
// begin and end with set aside, and the rest handed to dtl (Debian's
// libdtl-dev), which finds the shortest way from one to the other.
#include "pages/pages.h"

#include <dtl.hpp>

#include <string>
#include <unordered_set>
#include <vector>

/* Lines end at CR LF, a lone CR or a lone LF, each one break, as the rich
   edit takes them; "\r\r\n" is one break too, as the editor shows it. A
   break at the very end starts no line of its own. */
void SplitTextLines(const std::wstring &text, std::vector<LineRange> *lines) {
  lines->clear();
  size_t start = 0;
  const size_t length = text.size();
  for (size_t i = 0; i <= length; ++i) {
    bool end = i == length;
    if (!end && text[i] != L'\r' && text[i] != L'\n') continue;
    if (end && start == length && length > 0) break;
    lines->push_back(LineRange{start, i});
    if (end) break;
    if (text[i] == L'\r' && i + 2 < length && text[i + 1] == L'\r' && text[i + 2] == L'\n')
      i += 2;
    else if (text[i] == L'\r' && i + 1 < length && text[i + 1] == L'\n')
      ++i;
    start = i + 1;
  }
}

static void LineHashes(const std::wstring &text, std::vector<unsigned long long> *hashes) {
  std::vector<LineRange> lines;
  SplitTextLines(text, &lines);
  hashes->clear();
  hashes->reserve(lines.size());
  for (const LineRange &line : lines)
    hashes->push_back(HashVersionBytes(reinterpret_cast<const char *>(text.data() + line.begin),
                                       (line.end - line.begin) * sizeof(wchar_t)));
}

size_t CountLines(const std::wstring &text) {
  std::vector<LineRange> lines;
  SplitTextLines(text, &lines);
  return lines.size();
}

static void AddLine(std::vector<LineRange> *ranges, size_t line) {
  if (!ranges->empty() && ranges->back().end == line)
    ++ranges->back().end;
  else
    ranges->push_back(LineRange{line, line + 1});
}

/* dtl's search takes time in proportion to the lines times the lines that
   differ: texts that have little in common are not searched, and their
   lines the current text lacks altogether are marked. */
std::vector<LineRange> DifferingLines(const std::wstring &version, const std::wstring &current) {
  if (version.empty()) return {};
  std::vector<unsigned long long> a, b;
  LineHashes(current, &a);
  LineHashes(version, &b);
  size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
    ++tail;
  std::vector<unsigned long long> middleA(a.begin() + head, a.end() - tail);
  std::vector<unsigned long long> middleB(b.begin() + head, b.end() - tail);
  std::vector<LineRange> ranges;
  if (middleB.empty()) return ranges;
  std::unordered_set<unsigned long long> inA(middleA.begin(), middleA.end());
  size_t missing = 0;
  for (unsigned long long line : middleB) missing += inA.count(line) == 0;
  const double work = static_cast<double>(middleA.size() + middleB.size()) *
                      static_cast<double>(missing + (middleA.size() > middleB.size()
                                                         ? middleA.size() - middleB.size()
                                                         : middleB.size() - middleA.size()));
  if (middleA.empty() || work > 4e7) {
    for (size_t i = 0; i < middleB.size(); ++i)
      if (inA.count(middleB[i]) == 0) AddLine(&ranges, head + i);
    return ranges;
  }
  dtl::Diff<unsigned long long> diff(middleA, middleB);
  diff.enableHuge();
  diff.compose();
  for (const auto &step : diff.getSes().getSequence())
    if (step.second.type == dtl::SES_ADD && step.second.afterIdx > 0)
      AddLine(&ranges, head + static_cast<size_t>(step.second.afterIdx - 1));
  return ranges;
}
