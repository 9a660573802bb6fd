// The display's scaling without windows: the drawing and size each scaling
// takes, resampling, font heights in points, stored window rectangles and
// dialog templates in another font.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/display_scale.h"
#include "app/app.h"

namespace {

TEST(ChooseArt, EachScalingTakesItsDrawingAtItsSize) {
  const ArtSizes toolbar = {16, 15, 24, 22};
  const struct {
    int dpi;
    bool from150;
    int width, height;
    bool exact;
  } cases[] = {
      {72, false, 12, 11, false},   // 75 %: 100 % shrunk
      {96, false, 16, 15, true},    // 100 %: as drawn
      {120, true, 20, 18, false},   // 125 %: 150 % shrunk
      {144, true, 24, 22, true},    // 150 %: as drawn
      {168, false, 28, 26, false},  // 175 %: 200 % shrunk
      {192, false, 32, 30, true},   // 200 %: each 100 % pixel twice
      {240, true, 40, 37, false},   // 250 %: 300 % shrunk
      {288, true, 48, 44, true},    // 300 %: each 150 % pixel twice, not 100 % three times
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.dpi);
    ArtChoice choice = ChooseArt(toolbar, c.dpi);
    EXPECT_EQ(choice.from150, c.from150);
    EXPECT_EQ(choice.width, c.width);
    EXPECT_EQ(choice.height, c.height);
    EXPECT_EQ(choice.exact, c.exact);
  }
  // The cursor's drawn sizes: the nearest, the larger of two as near.
  const int cursors[] = {32, 48, 64, 96};
  EXPECT_EQ(NearestSize(32, cursors, 4), 32);
  EXPECT_EQ(NearestSize(40, cursors, 4), 48);
  EXPECT_EQ(NearestSize(56, cursors, 4), 64);
  EXPECT_EQ(NearestSize(24, cursors, 4), 32);
  EXPECT_EQ(NearestSize(200, cursors, 4), 96);
}

ArtImage Image(int width, int height, std::initializer_list<uint32_t> pixels) {
  ArtImage image;
  image.width = width;
  image.height = height;
  image.pixels = pixels;
  return image;
}

TEST(ResampleArt, WholeMultiplesRepeatPixelsOtherSizesBlendOverTheBackground) {
  const uint32_t red = 0xFFFF0000, blue = 0xFF0000FF, none = 0, grey = 0xC0C0C0;
  const ArtImage source = Image(2, 2, {red, blue, none, red});
  ArtImage twice = ResampleArt(source, 4, 4, grey);
  ASSERT_EQ(twice.pixels.size(), 16u);
  EXPECT_EQ(twice.pixels[0], red);
  EXPECT_EQ(twice.pixels[1], red);
  EXPECT_EQ(twice.pixels[2], blue);
  EXPECT_EQ(twice.pixels[5], red);
  EXPECT_FALSE(ArtPixelShows(twice.pixels[8]));
  EXPECT_FALSE(ArtPixelShows(twice.pixels[13]));
  EXPECT_EQ(twice.pixels[15], red);

  // 2 to 3: the middle column is half of each, the middle row half
  // transparent.
  ArtImage half = ResampleArt(source, 3, 3, grey);
  ASSERT_EQ(half.pixels.size(), 9u);
  EXPECT_EQ(half.pixels[0], red);
  EXPECT_EQ(half.pixels[1], 0xFF800080u);  // red and blue, halves
  EXPECT_EQ(half.pixels[2], blue);
  EXPECT_EQ(half.pixels[3] >> 24, 128u);     // half covered: shows, over the grey
  EXPECT_EQ(half.pixels[3] & 0xFFFFFF, 0xE06060u);
  EXPECT_TRUE(ArtPixelShows(half.pixels[3]));
  EXPECT_FALSE(ArtPixelShows(half.pixels[6]));
  // Shrunk to one pixel: three quarters red and blue, a quarter grey.
  ArtImage one = ResampleArt(source, 1, 1, grey);
  EXPECT_EQ(one.pixels[0], 0xBFB03070u);
}

// The font record's height is for 96 per inch: the same size in points on
// every display, in pixels as many as the display has in that size.
TEST(FontHeights, ASizeInPointsOnEveryDisplay) {
  const struct {
    int dpi;
    LONG pixels;  // of a 12-point font, stored as -16
  } cases[] = {{96, -16}, {120, -20}, {144, -24}, {168, -28}, {192, -32}, {288, -48}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(StoredFontTwips(-16), 12 * 20);
    EXPECT_EQ(FontHeightForDpi(-16, c.dpi), c.pixels);
    EXPECT_EQ(StoredFontHeight(c.pixels, c.dpi), -16);
    EXPECT_EQ(FontPoints(c.pixels, c.dpi), 12);
  }
  EXPECT_EQ(StoredFontTwips(13), 195);  // either sign: 9.75 points
  // A height never becomes 0, which would mean no font was chosen.
  EXPECT_EQ(StoredFontHeight(-1, 288), -1);
  EXPECT_EQ(StoredFontHeight(1, 288), 1);
}

// With no font chosen, the editor's text is as large in points on every
// display as the control's default is at 100 %: a line 1.5 times as high at
// 150 %. Windows' control makes its default for the display already.
TEST(FontHeights, TheDefaultFontKeepsItsPointsOnEveryDisplay) {
  const struct {
    const char *name;
    int dpi;
    LONG stock, reported, expected;
  } cases[] = {
      {"Wine at 100 %", 96, 16, 180, 180},
      {"Wine at 125 %", 120, 20, 144, 180},
      {"Wine at 150 %", 144, 24, 120, 180},
      {"Wine at 175 %", 168, 28, 102, 180},
      {"Wine at 200 %", 192, 32, 90, 180},
      {"Wine at 300 %", 288, 48, 60, 180},
      {"a larger stock font, 200 %", 192, 36, 101, 202},
      {"made for 150 % already", 144, 24, 200, 200},
      {"made for 200 % already", 192, 32, 200, 200},
      {"made for 200 %, as small as Wine's at 150 %", 192, 32, 120, 120},
      {"no stock height", 144, 0, 120, 120},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DefaultFontTwips(c.reported, c.stock, c.dpi), c.expected);
  }
}

TEST(ScaleWindowRect, TheWindowKeepsItsShareOfTheDisplay) {
  const LONG D = static_cast<LONG>(CW_USEDEFAULT);
  const struct {
    const char *name;
    RECT stored;
    POINT origin;
    int from, to;
    RECT expected;
  } cases[] = {
      {"to 200 %", {40, 30, 940, 650}, {0, 0}, 96, 192, {80, 60, 1880, 1300}},
      {"to 100 %", {80, 60, 1880, 1300}, {0, 0}, 192, 96, {40, 30, 940, 650}},
      {"same", {40, 30, 940, 650}, {0, 0}, 144, 144, {40, 30, 940, 650}},
      {"display right of the first", {2000, 100, 2600, 500}, {1920, 0}, 96, 144,
       {2040, 150, 2940, 750}},
      {"size not stored", {40, 30, D, D}, {0, 0}, 96, 192, {80, 60, D, D}},
      {"nothing stored", {D, D, D, D}, {0, 0}, 96, 192, {D, D, D, D}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    RECT scaled = ScaleWindowRect(c.stored, c.origin, c.from, c.to);
    EXPECT_EQ(scaled.left, c.expected.left);
    EXPECT_EQ(scaled.top, c.expected.top);
    EXPECT_EQ(scaled.right, c.expected.right);
    EXPECT_EQ(scaled.bottom, c.expected.bottom);
  }
}

// ---------------------------------------------------------- dialog templates

std::vector<BYTE> TemplateBytes(int id) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG);
  if (found == nullptr) return {};
  const BYTE *bytes = static_cast<const BYTE *>(LockResource(LoadResource(module, found)));
  return std::vector<BYTE>(bytes, bytes + SizeofResource(module, found));
}

INT_PTR CALLBACK IgnoreAll(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::string FaceOf(HWND window) {
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfFaceName;
}

// Each control's place, in pixels, for the dialog's own font: the same in
// dialog units whatever the font.
std::vector<RECT> PlacesInUnits(HWND dialog) {
  RECT unit = {0, 0, 400, 800};
  MapDialogRect(dialog, &unit);
  std::vector<RECT> places;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&r), 2);
    places.push_back(RECT{MulDiv(r.left, 400, unit.right), MulDiv(r.top, 800, unit.bottom),
                          MulDiv(r.right, 400, unit.right), MulDiv(r.bottom, 800, unit.bottom)});
  }
  return places;
}

TEST(TemplateWithFont, TheDialogTakesTheFontAndKeepsItsControls) {
  const DialogFont font = {L"Courier New", 12, FW_NORMAL, FALSE, DEFAULT_CHARSET};
  for (int id : {IDD_NAME, IDD_FINDALL}) {  // DIALOG, DIALOGEX
    SCOPED_TRACE(id);
    std::vector<BYTE> original = TemplateBytes(id);
    ASSERT_FALSE(original.empty());
    std::vector<DWORD> changed;
    ASSERT_TRUE(TemplateWithFont(original.data(), original.size(), font, &changed));
    HWND before = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                     IgnoreAll, 0);
    HWND after = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                            reinterpret_cast<LPCDLGTEMPLATEA>(changed.data()),
                                            nullptr, IgnoreAll, 0);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(FaceOf(after), "Courier New");
    EXPECT_NE(FaceOf(before), "Courier New");
    std::vector<RECT> was = PlacesInUnits(before), is = PlacesInUnits(after);
    ASSERT_EQ(was.size(), is.size());
    for (size_t i = 0; i < was.size(); ++i) {
      EXPECT_NEAR(is[i].left, was[i].left, 1) << i;
      EXPECT_NEAR(is[i].right, was[i].right, 1) << i;
      EXPECT_NEAR(is[i].bottom, was[i].bottom, 1) << i;
    }
    DestroyWindow(before);
    DestroyWindow(after);
  }
  // A template cut short, or without a font, is left alone.
  std::vector<BYTE> name = TemplateBytes(IDD_NAME);
  std::vector<DWORD> out = {7};
  EXPECT_FALSE(TemplateWithFont(name.data(), 30, font, &out));
  name[0] &= static_cast<BYTE>(~DS_SETFONT);
  EXPECT_FALSE(TemplateWithFont(name.data(), name.size(), font, &out));
  EXPECT_EQ(out, std::vector<DWORD>{7});
}

}  // namespace
