// The program's pictures made for a display: the art of two drawings (for
// 100 % and 150 %) brought to the size the display wants, as image lists.
#include "base/dpi.h"

#include "base/theme.h"
#include "base/ui_handles.h"

namespace {

const Art TreeArt = {IDB_TREE, IDB_TREE_150, {16, 14, 24, 21}, 4, 0xFF00FF, false, COLOR_WINDOW};
const Art DarkTreeArt = {IDB_TREE_DARK, IDB_TREE_DARK_150, {16, 14, 24, 21}, 4, 0xFF00FF, false,
                         COLOR_WINDOW};
const int TreeIndent = 19;

// A bitmap of 32-bit pixels, top row first.
BITMAPINFO PixelFormat(int width, int height) {
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  return format;
}

uint32_t RgbOf(COLORREF colour) {
  return (static_cast<uint32_t>(GetRValue(colour)) << 16) |
         (static_cast<uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

// The strip of drawings as pixels, the key colour transparent, and black,
// greys and white as the system's button colours where the art wants that
// (the toolbar did so when it loaded its bitmap itself).
bool ReadStrip(int resource, const Art &art, ArtImage *strip) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(AppInstance, MAKEINTRESOURCEA(resource),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return false;
  BITMAP info = {};
  bool ok = GetObjectA(bitmap, sizeof info, &info) == sizeof info && info.bmWidth > 0 &&
            info.bmHeight > 0;
  if (ok) {
    strip->width = info.bmWidth;
    strip->height = info.bmHeight;
    strip->pixels.assign(static_cast<size_t>(info.bmWidth) * info.bmHeight, 0);
    BITMAPINFO format = PixelFormat(info.bmWidth, info.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    ok = dc != nullptr && GetDIBits(dc, bitmap, 0, info.bmHeight, strip->pixels.data(), &format,
                                    DIB_RGB_COLORS) == info.bmHeight;
    if (dc != nullptr) DeleteDC(dc);
  }
  DeleteObject(bitmap);
  if (!ok) return false;
  const uint32_t text = RgbOf(GetSysColor(COLOR_BTNTEXT));
  const uint32_t shadow = RgbOf(GetSysColor(COLOR_BTNSHADOW));
  const uint32_t light = RgbOf(GetSysColor(COLOR_BTNHIGHLIGHT));
  for (uint32_t &pixel : strip->pixels) {
    uint32_t rgb = pixel & 0xFFFFFF;
    if (rgb == art.key) {
      pixel = 0;
      continue;
    }
    if (art.buttonColours)
      rgb = rgb == 0 ? text : rgb == 0x808080 ? shadow : rgb == 0xFFFFFF ? light : rgb;
    pixel = 0xFF000000 | rgb;
  }
  return true;
}

ArtImage CutImage(const ArtImage &strip, int index, int width) {
  ArtImage image;
  image.width = width;
  image.height = strip.height;
  image.pixels.reserve(static_cast<size_t>(width) * strip.height);
  for (int y = 0; y < strip.height; ++y) {
    const uint32_t *row = &strip.pixels[static_cast<size_t>(y) * strip.width + index * width];
    image.pixels.insert(image.pixels.end(), row, row + width);
  }
  return image;
}

// Images side by side in a colour bitmap and its mask (1 where transparent,
// the colour black there, as an image list draws them).
HIMAGELIST ImageListOf(const std::vector<ArtImage> &images, int width, int height) {
  const int count = static_cast<int>(images.size());
  const int stripWidth = width * count;
  BITMAPINFO format = PixelFormat(stripWidth, height);
  void *bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  const int maskStride = (stripWidth + 15) / 16 * 2;  // rows of whole 16-bit words
  std::vector<BYTE> maskBits(static_cast<size_t>(maskStride) * height, 0);
  if (colour != nullptr) {
    uint32_t *pixels = static_cast<uint32_t *>(bits);
    for (int i = 0; i < count; ++i) {
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          uint32_t pixel = images[i].pixels[static_cast<size_t>(y) * width + x];
          int column = i * width + x;
          bool shows = ArtPixelShows(pixel);
          pixels[static_cast<size_t>(y) * stripWidth + column] = shows ? (pixel & 0xFFFFFF) : 0;
          if (!shows)
            maskBits[static_cast<size_t>(y) * maskStride + column / 8] |= 0x80 >> (column % 8);
        }
      }
    }
    GdiFlush();
  }
  HBITMAP mask = CreateBitmap(stripWidth, height, 1, 1, maskBits.data());
  HIMAGELIST list = nullptr;
  if (colour != nullptr && mask != nullptr) {
    list = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, count, 1);
    if (list != nullptr) {
      ImageList_SetBkColor(list, CLR_NONE);
      if (ImageList_Add(list, colour, mask) < 0 || ImageList_GetImageCount(list) != count) {
        ImageList_Destroy(list);
        list = nullptr;
      }
    }
  }
  if (colour != nullptr) DeleteObject(colour);
  if (mask != nullptr) DeleteObject(mask);
  return list;
}

}  // namespace

HIMAGELIST MakeArtImages(const Art &art, int dpi) {
  return MakeArtImagesOn(art, dpi, GetSysColor(art.backgroundColour));
}

namespace {

// Every shown pixel of the strip in one colour.
void Silhouette(ArtImage *strip, COLORREF ink) {
  const uint32_t colour = 0xFF000000 | RgbOf(ink);
  for (uint32_t &pixel : strip->pixels)
    if (ArtPixelShows(pixel)) pixel = colour;
}

/* The art for a display of dpi: the drawing that serves it, brought to the
   size wanted. */
HIMAGELIST MakeImages(const Art &art, int dpi, COLORREF shownOn, const COLORREF *ink) {
  const ArtChoice choice = ChooseArt(art.sizes, dpi);
  ArtImage strip;
  if (!ReadStrip(choice.from150 ? art.resource150 : art.resource100, art, &strip)) return nullptr;
  const int drawnWidth = choice.from150 ? art.sizes.width150 : art.sizes.width;
  if (strip.width != drawnWidth * art.count) return nullptr;
  if (ink != nullptr) Silhouette(&strip, *ink);
  const uint32_t background = RgbOf(shownOn);
  std::vector<ArtImage> images;
  for (int i = 0; i < art.count; ++i)
    images.push_back(ResampleArt(CutImage(strip, i, drawnWidth), choice.width, choice.height,
                                 background));
  return ImageListOf(images, choice.width, choice.height);
}

}  // namespace

HIMAGELIST MakeArtImagesOn(const Art &art, int dpi, COLORREF shownOn) {
  return MakeImages(art, dpi, shownOn, nullptr);
}

HIMAGELIST MakeArtSilhouettes(const Art &art, int dpi, COLORREF background, COLORREF ink) {
  return MakeImages(art, dpi, background, &ink);
}

/* New pictures of the same size into the list a control already has: a tree
   given a new list measures all its items again (10,100 of them take tens
   of milliseconds), one whose pictures change only draws them. */
static bool ReplaceImagesInPlace(HIMAGELIST shown, HIMAGELIST made) {
  int shownWidth = 0, shownHeight = 0, width = 0, height = 0;
  if (shown == nullptr || !ImageList_GetIconSize(shown, &shownWidth, &shownHeight) ||
      !ImageList_GetIconSize(made, &width, &height) || width != shownWidth ||
      height != shownHeight || ImageList_GetImageCount(shown) != ImageList_GetImageCount(made))
    return false;
  for (int i = 0; i < ImageList_GetImageCount(made); ++i) {
    HICON icon = ImageList_GetIcon(made, i, ILD_NORMAL);
    bool replaced = icon != nullptr && ImageList_ReplaceIcon(shown, i, icon) == i;
    if (icon != nullptr) DestroyIcon(icon);
    if (!replaced) return false;
  }
  return true;
}

void ApplyTreeArt(HWND tree, int dpi, HIMAGELIST *images) {
  ThemeTreeView(tree);
  HIMAGELIST made = ThemeIsDark() ? MakeArtImagesOn(DarkTreeArt, dpi, CurrentColours().window)
                                  : MakeArtImages(TreeArt, dpi);
  if (made == nullptr) return;
  if (ReplaceImagesInPlace(*images, made)) {
    ImageList_Destroy(made);
    InvalidateRect(tree, nullptr, TRUE);
    return;
  }
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(made));
  SendMessageA(tree, TVM_SETINDENT, ScaleForDpi(TreeIndent, dpi), 0);
  if (*images != nullptr) ImageList_Destroy(*images);
  *images = made;
}

