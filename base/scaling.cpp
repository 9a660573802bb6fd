// The display's scaling as rules without windows: sizes for a DPI, the
// drawing that serves it and its resampling, font heights in points, stored
// window rectangles, and dialog templates in another font.
#include "base/scaling.h"

#include <string.h>

int ScaleForDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, BASE_DPI); }

/* The smallest whole multiple of either drawing that is at least as large as
   wanted, shrunk to it when larger; among equal sizes the 150 % drawing,
   which has more detail. So 100 %, 150 %, 200 % and 300 % are sharp, and
   125 %, 175 % and 250 % are shrunk from 150 %, 200 % and 300 %. */
ArtChoice ChooseArt(const ArtSizes &drawn, int dpi) {
  if (dpi <= 0) dpi = BASE_DPI;
  int wanted = ScaleForDpi(drawn.width, dpi);
  if (wanted < 1) wanted = 1;
  const int times100 = (wanted + drawn.width - 1) / drawn.width;
  const int times150 = (wanted + drawn.width150 - 1) / drawn.width150;
  ArtChoice choice = {};
  choice.from150 = times150 * drawn.width150 <= times100 * drawn.width;
  const int times = choice.from150 ? times150 : times100;
  const int fromWidth = times * (choice.from150 ? drawn.width150 : drawn.width);
  const int fromHeight = times * (choice.from150 ? drawn.height150 : drawn.height);
  choice.exact = fromWidth == wanted;
  choice.width = wanted;
  choice.height = choice.exact ? fromHeight : MulDiv(fromHeight, wanted, fromWidth);
  if (choice.height < 1) choice.height = 1;
  return choice;
}

int NearestSize(int wanted, const int *sizes, int count) {
  int best = count > 0 ? sizes[0] : wanted;
  for (int i = 1; i < count; ++i) {
    int distance = sizes[i] > wanted ? sizes[i] - wanted : wanted - sizes[i];
    int bestDistance = best > wanted ? best - wanted : wanted - best;
    if (distance < bestDistance || (distance == bestDistance && sizes[i] > best)) best = sizes[i];
  }
  return best;
}

namespace {

// How much of source cell `cell` (of `cells`) lies in target cell `target`
// (of `targets`), in units of 1/targets of a source cell.
long long Overlap(int cell, int target, int cells, int targets) {
  long long from = static_cast<long long>(target) * cells, to = from + cells;
  long long cellFrom = static_cast<long long>(cell) * targets, cellTo = cellFrom + targets;
  long long low = from > cellFrom ? from : cellFrom, high = to < cellTo ? to : cellTo;
  return high > low ? high - low : 0;
}

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

}  // namespace

ArtImage ResampleArt(const ArtImage &source, int width, int height, uint32_t background) {
  ArtImage result;
  if (width <= 0 || height <= 0 || source.width <= 0 || source.height <= 0 ||
      source.pixels.size() != static_cast<size_t>(source.width) * source.height)
    return result;
  result.width = width;
  result.height = height;
  result.pixels.assign(static_cast<size_t>(width) * height, 0);
  const long long total = static_cast<long long>(source.width) * source.height;
  for (int y = 0; y < height; ++y) {
    const int rowFrom = static_cast<int>(static_cast<long long>(y) * source.height / height);
    for (int x = 0; x < width; ++x) {
      const int columnFrom = static_cast<int>(static_cast<long long>(x) * source.width / width);
      long long cover = 0, sum[3] = {0, 0, 0};
      for (int row = rowFrom; row < source.height; ++row) {
        long long rowShare = Overlap(row, y, source.height, height);
        if (rowShare == 0) break;
        for (int column = columnFrom; column < source.width; ++column) {
          long long share = Overlap(column, x, source.width, width);
          if (share == 0) break;
          uint32_t pixel = source.pixels[static_cast<size_t>(row) * source.width + column];
          if (!ArtPixelShows(pixel)) continue;
          share *= rowShare;
          cover += share;
          for (int c = 0; c < 3; ++c) sum[c] += share * Channel(pixel, 16 - 8 * c);
        }
      }
      uint32_t pixel = static_cast<uint32_t>((cover * 255 + total / 2) / total) << 24;
      for (int c = 0; c < 3; ++c) {
        long long blend = sum[c] + (total - cover) * Channel(background, 16 - 8 * c);
        pixel |= static_cast<uint32_t>((blend + total / 2) / total) << (16 - 8 * c);
      }
      result.pixels[static_cast<size_t>(y) * width + x] = pixel;
    }
  }
  return result;
}

LONG StoredFontTwips(LONG storedHeight) {
  long long magnitude = storedHeight < 0 ? -static_cast<long long>(storedHeight) : storedHeight;
  return static_cast<LONG>(magnitude * 1440 / BASE_DPI);
}

LONG FontHeightForDpi(LONG storedHeight, int dpi) { return MulDiv(storedHeight, dpi, BASE_DPI); }

/* Never 0 for a font that has a height: 0 means that none was chosen. */
LONG StoredFontHeight(LONG height, int dpi) {
  if (dpi <= 0) dpi = BASE_DPI;
  LONG stored = MulDiv(height, BASE_DPI, dpi);
  if (stored == 0 && height != 0) stored = height < 0 ? -1 : 1;
  return stored;
}

int FontPoints(LONG height, int dpi) {
  if (dpi <= 0) dpi = BASE_DPI;
  int points = MulDiv(height < 0 ? -height : height, 72, dpi);
  return points > 0 ? points : 1;
}

/* Windows' rich edit makes its default from the stock system font, whose
   height in pixels it turns into points once: the default keeps its size in
   points at every system DPI, and is taken as it is. Wine's (8.0) divides
   that height by the DPI twice, so its default keeps its size in pixels:
   180, 120 and 90 twips at 96, 144 and 192 DPI, lines 14 pixels high at all
   three, while the stock font grows from 16 to 24 and 32 pixels. A default
   of that size is given the one it has at 96 per inch. */
LONG DefaultFontTwips(LONG reportedTwips, LONG stockHeight, int dpi) {
  if (dpi <= 0 || dpi == BASE_DPI) return reportedTwips;
  const long long stock = stockHeight < 0 ? -static_cast<long long>(stockHeight) : stockHeight;
  const long long pointsTimesTwips = 72LL * 1440;
  const long long dividedTwice = stock * pointsTimesTwips / (static_cast<long long>(dpi) * dpi);
  if (stock == 0 || reportedTwips < dividedTwice - 1 || reportedTwips > dividedTwice + 1)
    return reportedTwips;
  return static_cast<LONG>(stock * pointsTimesTwips / (static_cast<long long>(dpi) * BASE_DPI));
}

RECT ScaleWindowRect(const RECT &stored, POINT origin, int fromDpi, int toDpi) {
  RECT scaled = stored;
  const LONG unset = static_cast<LONG>(CW_USEDEFAULT);
  if (fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi) return scaled;
  if (stored.left == unset || stored.top == unset) return scaled;
  auto scale = [&](long long distance) {
    return static_cast<LONG>(distance * toDpi / fromDpi);
  };
  scaled.left = origin.x + scale(static_cast<long long>(stored.left) - origin.x);
  scaled.top = origin.y + scale(static_cast<long long>(stored.top) - origin.y);
  if (stored.right != unset)
    scaled.right = scaled.left + scale(static_cast<long long>(stored.right) - stored.left);
  if (stored.bottom != unset)
    scaled.bottom = scaled.top + scale(static_cast<long long>(stored.bottom) - stored.top);
  return scaled;
}

/* ---- dialog templates ---- */

namespace {

WORD Word(const BYTE *at) {
  WORD value;
  memcpy(&value, at, sizeof value);
  return value;
}

// The offset after a string of 16-bit units ended by 0; 0 when the template
// ends first.
size_t AfterString(const BYTE *dialog, size_t size, size_t at) {
  for (; at + 2 <= size; at += 2)
    if (Word(dialog + at) == 0) return at + 2;
  return 0;
}

// A menu or class field: none, a number, or a name.
size_t AfterNameOrNumber(const BYTE *dialog, size_t size, size_t at) {
  if (at == 0 || at + 2 > size) return 0;
  WORD first = Word(dialog + at);
  if (first == 0) return at + 2;
  if (first == 0xFFFF) return at + 4 <= size ? at + 4 : 0;
  return AfterString(dialog, size, at);
}

void PutWord(std::vector<BYTE> *bytes, WORD value) {
  bytes->push_back(static_cast<BYTE>(value & 0xFF));
  bytes->push_back(static_cast<BYTE>(value >> 8));
}

}  // namespace

/* The font sits after the header, menu, class and title; the controls
   follow it from the next four-byte boundary. The new font takes its place
   and the controls follow from the new one's boundary. */
bool TemplateWithFont(const BYTE *dialog, size_t size, const DialogFont &font,
                      std::vector<DWORD> *out) {
  const size_t classicHeader = 18, extendedHeader = 26;
  if (dialog == nullptr || size < classicHeader || font.face.empty()) return false;
  const bool extended = Word(dialog) == 1 && Word(dialog + 2) == 0xFFFF;
  const size_t header = extended ? extendedHeader : classicHeader;
  if (size < header) return false;
  DWORD style;
  memcpy(&style, dialog + (extended ? 12 : 0), sizeof style);
  const WORD controls = Word(dialog + (extended ? 16 : 8));
  if (!(style & DS_SETFONT)) return false;
  size_t at = AfterNameOrNumber(dialog, size, header);  // menu
  at = AfterNameOrNumber(dialog, size, at);             // class
  if (at != 0) at = AfterString(dialog, size, at);      // title
  const size_t fontFields = extended ? 6 : 2;           // size, then weight, italic, character set
  if (at == 0 || at + fontFields > size) return false;
  const size_t fontEnd = AfterString(dialog, size, at + fontFields);
  if (fontEnd == 0) return false;
  size_t controlsAt = (fontEnd + 3) & ~static_cast<size_t>(3);
  if (controlsAt > size) {
    if (controls != 0) return false;
    controlsAt = size;
  }
  std::vector<BYTE> bytes(dialog, dialog + at);
  PutWord(&bytes, font.points);
  if (extended) {
    PutWord(&bytes, font.weight);
    bytes.push_back(font.italic);
    bytes.push_back(font.charset);
  }
  for (wchar_t unit : font.face) PutWord(&bytes, static_cast<WORD>(unit));
  PutWord(&bytes, 0);
  while (bytes.size() % 4 != 0) bytes.push_back(0);
  bytes.insert(bytes.end(), dialog + controlsAt, dialog + size);
  out->assign((bytes.size() + 3) / 4, 0);
  memcpy(out->data(), bytes.data(), bytes.size());
  return true;
}
