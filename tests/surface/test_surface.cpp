// Raster operations, fills and PNG files of surfaces.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "platform/gfx/png.h"
#include "platform/gfx/surface.h"

using namespace platform;

namespace {

Surface Filled(int w, int h, uint32_t px) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.at(x, y) = px;
  return s;
}

// Every pixel distinct, so a shifted or mirrored copy cannot pass.
Surface Numbered(int w, int h, uint32_t salt = 0) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.at(x, y) = ((salt + y * 977u + x * 131u) * 2654435761u) & 0xFFFFFF;
  return s;
}

bool Same(const Surface& a, const Surface& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.at(x, y) != b.at(x, y)) return false;
  return true;
}

std::string TempPath(const std::string& name) {
  return std::string(QM_BINARY_DIR) + "/" + name;
}

}  // namespace

TEST(Colours, ColorRefAndPixelSwapRedAndBlue) {
  EXPECT_EQ(ColorRefToPixel(0x000000FF), 0x00FF0000u);  // red
  EXPECT_EQ(ColorRefToPixel(0x00FF0000), 0x000000FFu);  // blue
  EXPECT_EQ(ColorRefToPixel(0x0000FF00), 0x0000FF00u);
  EXPECT_EQ(PixelToColorRef(0x00123456), 0x00563412u);
}

TEST(BitBlt, MaskThenPaintLeavesBackgroundWhereMaskIsWhite) {
  // A 4x1 sprite: transparent, red, green, transparent.
  Surface mask(4, 1), pic(4, 1);
  const uint32_t white = 0xFFFFFF, black = 0;
  mask.at(0, 0) = white; mask.at(1, 0) = black; mask.at(2, 0) = black; mask.at(3, 0) = white;
  pic.at(0, 0) = black; pic.at(1, 0) = 0xFF0000; pic.at(2, 0) = 0x00FF00; pic.at(3, 0) = black;
  Surface bg = Filled(6, 3, 0x336699);
  EXPECT_EQ(BitBlt(bg, 1, 1, 4, 1, mask, 0, 0, SRCAND), 1);
  EXPECT_EQ(BitBlt(bg, 1, 1, 4, 1, pic, 0, 0, SRCPAINT), 1);
  EXPECT_EQ(bg.at(1, 1), 0x336699u);
  EXPECT_EQ(bg.at(2, 1), 0xFF0000u);
  EXPECT_EQ(bg.at(3, 1), 0x00FF00u);
  EXPECT_EQ(bg.at(4, 1), 0x336699u);
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(bg.at(x, 0), 0x336699u);
    EXPECT_EQ(bg.at(x, 2), 0x336699u);
  }
}

TEST(BitBlt, EachOperationOnBits) {
  Surface d = Filled(1, 1, 0x00F0F00F), s = Filled(1, 1, 0x00FF0FF0);
  Surface c = d;
  BitBlt(c, 0, 0, 1, 1, s, 0, 0, SRCCOPY);
  EXPECT_EQ(c.at(0, 0), 0x00FF0FF0u);
  c = d;
  BitBlt(c, 0, 0, 1, 1, s, 0, 0, SRCAND);
  EXPECT_EQ(c.at(0, 0), 0x00F00000u);
  c = d;
  BitBlt(c, 0, 0, 1, 1, s, 0, 0, SRCPAINT);
  EXPECT_EQ(c.at(0, 0), 0x00FFFFFFu);
}

TEST(BitBlt, UnknownOperationFailsAndDrawsNothing) {
  Surface d = Filled(4, 4, 7), s = Filled(4, 4, 9);
  EXPECT_EQ(BitBlt(d, 0, 0, 4, 4, s, 0, 0, 0x00660046 /* SRCINVERT */), 0);
  EXPECT_EQ(BitBltReference(d, 0, 0, 4, 4, s, 0, 0, 0), 0);
  EXPECT_TRUE(Same(d, Filled(4, 4, 7)));
}

TEST(BitBlt, ClippedAtMinusOneShowsPictureShiftedUpAndLeft) {
  Surface pic = Numbered(5, 4);
  Surface d = Filled(5, 4, 0xABCDEF);
  EXPECT_EQ(BitBlt(d, -1, -1, 5, 4, pic, 0, 0, SRCCOPY), 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      uint32_t want = (x < 4 && y < 3) ? pic.at(x + 1, y + 1) : 0xABCDEF;
      EXPECT_EQ(d.at(x, y), want) << x << "," << y;
    }
}

TEST(BitBlt, ClippedBeyondEveryEdgeAndFarAway) {
  const Surface pic = Numbered(3, 3);
  struct Case { int x, y; };
  // Half off each edge, each corner, fully off, and positions whose sums
  // with the size would overflow 32 bits.
  const Case cases[] = {{-2, 1}, {1, -2}, {6, 1}, {1, 6}, {-2, -2}, {6, 6}, {-2, 6}, {6, -2},
                        {-3, 0}, {0, -3}, {8, 0},  {0, 8}, {INT32_MIN, 0}, {INT32_MAX, 0},
                        {0, INT32_MIN}, {0, INT32_MAX}, {INT32_MAX - 1, INT32_MAX - 1}};
  for (const Case& c : cases) {
    for (uint32_t rop : {SRCCOPY, SRCAND, SRCPAINT}) {
      Surface fast = Numbered(8, 8, 5), ref = Numbered(8, 8, 5), expect = Numbered(8, 8, 5);
      EXPECT_EQ(BitBlt(fast, c.x, c.y, 3, 3, pic, 0, 0, rop), 1);
      EXPECT_EQ(BitBltReference(ref, c.x, c.y, 3, 3, pic, 0, 0, rop), 1);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          int64_t px = int64_t{x} - c.x, py = int64_t{y} - c.y;
          if (px >= 0 && px < 3 && py >= 0 && py < 3) {
            uint32_t s = pic.at(static_cast<int>(px), static_cast<int>(py));
            uint32_t& e = expect.at(x, y);
            e = rop == SRCCOPY ? s : rop == SRCAND ? (e & s) : (e | s);
          }
        }
      EXPECT_TRUE(Same(fast, expect)) << c.x << "," << c.y << " rop " << rop;
      EXPECT_TRUE(Same(ref, expect)) << c.x << "," << c.y << " rop " << rop;
    }
  }
}

TEST(BitBlt, SourceRectangleIsClippedToo) {
  Surface pic = Numbered(4, 4);
  Surface d = Filled(6, 6, 1);
  // Source starts at (-1, -1): the row and column before the picture do not
  // exist, so the destination shifts by one and stays untouched there.
  BitBlt(d, 0, 0, 6, 6, pic, -1, -1, SRCCOPY);
  EXPECT_EQ(d.at(0, 0), 1u);
  EXPECT_EQ(d.at(0, 3), 1u);
  EXPECT_EQ(d.at(1, 1), pic.at(0, 0));
  EXPECT_EQ(d.at(4, 4), pic.at(3, 3));
  EXPECT_EQ(d.at(5, 5), 1u);
  // Source beyond the picture draws nothing.
  Surface e = Filled(6, 6, 1);
  BitBlt(e, 0, 0, 6, 6, pic, 4, 0, SRCCOPY);
  EXPECT_TRUE(Same(e, Filled(6, 6, 1)));
}

TEST(BitBlt, EmptyAndNegativeSizesDrawNothingButSucceed) {
  Surface d = Filled(4, 4, 3), s = Numbered(4, 4), empty;
  EXPECT_EQ(BitBlt(d, 0, 0, 0, 4, s, 0, 0, SRCCOPY), 1);
  EXPECT_EQ(BitBlt(d, 0, 0, -4, -4, s, 0, 0, SRCCOPY), 1);
  EXPECT_EQ(BitBlt(d, 0, 0, 4, 4, empty, 0, 0, SRCCOPY), 1);
  EXPECT_EQ(BitBlt(empty, 0, 0, 4, 4, s, 0, 0, SRCCOPY), 1);
  EXPECT_TRUE(Same(d, Filled(4, 4, 3)));
}

TEST(BitBlt, FastKernelMatchesReferenceOnRandomTransfers) {
  std::mt19937 rng(12345);
  auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const uint32_t rops[] = {SRCCOPY, SRCAND, SRCPAINT};
  for (int i = 0; i < 3000; ++i) {
    Surface src = Numbered(r(0, 40), r(0, 30), static_cast<uint32_t>(i));
    Surface fast = Numbered(r(1, 45), r(1, 35), static_cast<uint32_t>(i * 7));
    Surface ref = fast;
    int dx = r(-50, 50), dy = r(-40, 40), w = r(-2, 60), h = r(-2, 45);
    int sx = r(-20, 45), sy = r(-20, 35);
    uint32_t rop = rops[r(0, 2)];
    ASSERT_EQ(BitBlt(fast, dx, dy, w, h, src, sx, sy, rop),
              BitBltReference(ref, dx, dy, w, h, src, sx, sy, rop));
    ASSERT_TRUE(Same(fast, ref)) << "case " << i;
  }
}

TEST(BitBlt, WithinOneSurfaceReadsTheOriginalPixels) {
  for (uint32_t rop : {SRCCOPY, SRCAND, SRCPAINT}) {
    for (int shift : {-3, -1, 1, 3}) {
      Surface a = Numbered(16, 8), b = a, original = a;
      BitBlt(a, shift, 1, 12, 6, a, 2, 0, rop);
      BitBltReference(b, shift, 1, 12, 6, b, 2, 0, rop);
      EXPECT_TRUE(Same(a, b));
      // The reference itself must read the untouched source.
      Surface expect = original;
      BitBltReference(expect, shift, 1, 12, 6, original, 2, 0, rop);
      EXPECT_TRUE(Same(b, expect)) << rop << " " << shift;
    }
  }
}

TEST(Fills, FillRectExcludesRightAndBottomAndClips) {
  Brush* red = CreateSolidBrush(0x000000FF);
  Surface s(10, 10);
  EXPECT_EQ(FillRect(s, Rect{2, 3, 5, 7}, red), 1);
  int count = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      if (s.at(x, y) == 0xFF0000u) {
        ++count;
        EXPECT_TRUE(x >= 2 && x < 5 && y >= 3 && y < 7);
      }
  EXPECT_EQ(count, 12);
  Surface t(4, 4);
  EXPECT_EQ(FillRect(t, Rect{-100, -100, 100, 100}, red), 1);
  EXPECT_EQ(t.at(0, 0), 0xFF0000u);
  EXPECT_EQ(t.at(3, 3), 0xFF0000u);
  Surface u(4, 4);
  EXPECT_EQ(FillRect(u, Rect{3, 3, 1, 1}, red), 1);  // inverted: nothing
  EXPECT_EQ(FillRect(u, Rect{1, 1, 1, 3}, red), 1);  // empty: nothing
  EXPECT_EQ(FillRect(u, Rect{0, 0, 4, 4}, nullptr), 0);
  EXPECT_TRUE(Same(u, Surface(4, 4)));
  DeleteBrush(red);
}

TEST(Fills, FrameRectDrawsOnePixelBorderInside) {
  Brush* b = CreateSolidBrush(0x00FFFFFF);
  Surface s(8, 8);
  FrameRect(s, Rect{1, 2, 6, 7}, b);  // x 1..5, y 2..6
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool inside = x >= 1 && x <= 5 && y >= 2 && y <= 6;
      bool border = inside && (x == 1 || x == 5 || y == 2 || y == 6);
      EXPECT_EQ(s.at(x, y), border ? 0xFFFFFFu : 0u) << x << "," << y;
    }
  // A rectangle one pixel wide is a single column; one past the edge keeps
  // the sides that are inside.
  Surface t(4, 4);
  FrameRect(t, Rect{2, 0, 3, 4}, b);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(t.at(2, y), 0xFFFFFFu);
  EXPECT_EQ(t.at(1, 1), 0u);
  Surface u(4, 4);
  FrameRect(u, Rect{-1, -1, 3, 3}, b);
  EXPECT_EQ(u.at(0, 0), 0u);
  EXPECT_EQ(u.at(2, 0), 0xFFFFFFu);
  EXPECT_EQ(u.at(0, 2), 0xFFFFFFu);
  EXPECT_EQ(u.at(1, 1), 0u);
  DeleteBrush(b);
}

TEST(Fills, SetPixelConvertsAndRejectsOutside) {
  Surface s(3, 3);
  EXPECT_EQ(SetPixel(s, 1, 2, 0x00112233), 0x00112233u);
  EXPECT_EQ(s.at(1, 2), 0x00332211u);
  EXPECT_EQ(SetPixel(s, 3, 0, 1), 0xFFFFFFFFu);
  EXPECT_EQ(SetPixel(s, -1, 0, 1), 0xFFFFFFFFu);
  EXPECT_EQ(SetPixel(s, 0, 3, 1), 0xFFFFFFFFu);
}

TEST(Fills, BrushesAreCounted) {
  int before = LiveBrushCount();
  Brush* a = CreateSolidBrush(1);
  Brush* b = CreateSolidBrush(2);
  EXPECT_EQ(LiveBrushCount(), before + 2);
  DeleteBrush(a);
  DeleteBrush(b);
  DeleteBrush(nullptr);
  EXPECT_EQ(LiveBrushCount(), before);
}

TEST(Png, RoundTripKeepsEveryPixel) {
  Surface s = Numbered(37, 23);
  const std::string path = TempPath("surface_roundtrip.png");
  ASSERT_TRUE(WritePng(s, path));
  Surface back;
  ASSERT_TRUE(ReadPng(path, back));
  EXPECT_TRUE(Same(s, back));
  std::remove(path.c_str());
}

TEST(Png, EmptySurfaceBadPathAndBadFileFail) {
  EXPECT_FALSE(WritePng(Surface(), TempPath("empty.png")));
  EXPECT_FALSE(WritePng(Surface(2, 2), "/nonexistent-dir/x.png"));
  const std::string path = TempPath("not_a.png");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("\x89PNG\r\n\x1a\nthis is not the rest of a png", f);
  std::fclose(f);
  Surface out(3, 3);
  EXPECT_FALSE(ReadPng(path, out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(ReadPng(TempPath("missing.png"), out));
  std::remove(path.c_str());
}
