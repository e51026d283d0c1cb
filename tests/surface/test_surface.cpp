// Raster operations, fills and PNG files; the plain kernel checked by hand, the fast one against it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "platform/gfx/png.h"
#include "platform/gfx/surface.h"

using namespace platform;

static Surface Filled(int w, int h, uint32_t px) {
  Surface s(w, h);
  std::fill(s.data(), s.data() + size_t(w) * h, px);
  return s;
}

// Every pixel distinct, so a shifted or mirrored copy cannot pass.
static Surface Numbered(int w, int h, uint32_t salt = 0) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.at(x, y) = ((salt + y * 977u + x * 131u) * 2654435761u) & 0xFFFFFF;
  return s;
}

static bool Same(const Surface& a, const Surface& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::equal(a.data(), a.data() + size_t(a.width()) * a.height(), b.data());
}

TEST(BitBlt, ClippedAtEveryEdgeAndFarAwayInBothKernels) {
  const Surface pic = Numbered(3, 3);
  auto apply = [](uint32_t rop, uint32_t d, uint32_t s) { return rop == SRCCOPY ? s : rop == SRCAND ? d & s : d | s; };
  // Half off each edge and corner, fully off, one pixel in at -1, sums that overflow 32 bits.
  const std::pair<int, int> at[] = {{-2, 1}, {1, -2}, {6, 1}, {1, 6}, {-2, -2}, {6, 6}, {-2, 6}, {6, -2},
                                    {-3, 0}, {0, -3}, {8, 0}, {0, 8}, {-1, -1}, {INT32_MIN, 0}, {INT32_MAX, 0},
                                    {0, INT32_MIN}, {0, INT32_MAX}, {INT32_MAX - 1, INT32_MAX - 1}};
  for (const auto& [cx, cy] : at)
    for (uint32_t rop : {SRCCOPY, SRCAND, SRCPAINT}) {
      SCOPED_TRACE(std::to_string(cx) + "," + std::to_string(cy) + " rop " + std::to_string(rop));
      Surface fast = Numbered(8, 8, 5), ref = fast, expect = fast;
      EXPECT_EQ(BitBlt(fast, cx, cy, 3, 3, pic, 0, 0, rop) + BitBltReference(ref, cx, cy, 3, 3, pic, 0, 0, rop), 2);
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          const int64_t px = int64_t{x} - cx, py = int64_t{y} - cy;
          if (px >= 0 && px < 3 && py >= 0 && py < 3)
            expect.at(x, y) = apply(rop, expect.at(x, y), pic.at(int(px), int(py)));
        }
      EXPECT_TRUE(Same(fast, expect) && Same(ref, expect));
    }
}

TEST(BitBlt, SourceClippingAndEmptySizesDrawNothingOutsideButSucceed) {
  const Surface pic = Numbered(4, 4), empty;
  // From (-1, -1): the row and column before the picture do not exist.
  Surface d = Filled(6, 6, 1);
  BitBlt(d, 0, 0, 6, 6, pic, -1, -1, SRCCOPY);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(d.at(x, y), x >= 1 && x <= 4 && y >= 1 && y <= 4 ? pic.at(x - 1, y - 1) : 1u) << x << "," << y;
  struct Row { const char* what; int w, h, sx; bool emptySrc, emptyDst; };
  const Row rows[] = {{"source beyond", 6, 6, 4, false, false}, {"zero width", 0, 4, 0, false, false},
      {"negative size", -4, -4, 0, false, false}, {"empty source", 4, 4, 0, true, false}, {"empty destination", 4, 4, 0, false, true}};
  for (const Row& r : rows) {
    Surface e = r.emptyDst ? Surface() : Filled(6, 6, 1);
    EXPECT_EQ(BitBlt(e, 0, 0, r.w, r.h, r.emptySrc ? empty : pic, r.sx, 0, SRCCOPY), 1) << r.what;
    EXPECT_TRUE(Same(e, r.emptyDst ? Surface() : Filled(6, 6, 1))) << r.what;
  }
  // An unknown operation (here SRCINVERT) fails and draws nothing, in both kernels.
  EXPECT_EQ(BitBlt(d, 0, 0, 4, 4, pic, 0, 0, 0x00660046) + BitBltReference(d, 0, 0, 4, 4, pic, 0, 0, 0), 0);
  EXPECT_EQ(d.at(0, 0), 1u);
}

TEST(BitBlt, FastKernelMatchesReferenceOnRandomTransfersAndWithinOneSurface) {
  std::mt19937 rng(12345);
  auto r = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const uint32_t rops[] = {SRCCOPY, SRCAND, SRCPAINT};
  for (uint32_t i = 0; i < 3000; ++i) {
    Surface src = Numbered(r(0, 40), r(0, 30), i), fast = Numbered(r(1, 45), r(1, 35), i * 7), ref = fast;
    const int dx = r(-50, 50), dy = r(-40, 40), w = r(-2, 60), h = r(-2, 45), sx = r(-20, 45), sy = r(-20, 35);
    const uint32_t rop = rops[r(0, 2)];
    ASSERT_EQ(BitBlt(fast, dx, dy, w, h, src, sx, sy, rop), BitBltReference(ref, dx, dy, w, h, src, sx, sy, rop));
    ASSERT_TRUE(Same(fast, ref)) << "case " << i;
  }
  // Overlapping copies read the original pixels, in both kernels.
  for (uint32_t rop : rops)
    for (int shift : {-3, -1, 1, 3}) {
      Surface a = Numbered(16, 8), b = a, original = a, expect = a;
      BitBlt(a, shift, 1, 12, 6, a, 2, 0, rop);
      BitBltReference(b, shift, 1, 12, 6, b, 2, 0, rop);
      BitBltReference(expect, shift, 1, 12, 6, original, 2, 0, rop);
      EXPECT_TRUE(Same(a, expect) && Same(b, expect)) << rop << " " << shift;
    }
}

TEST(Fills, FillAndFrameExcludeRightAndBottomAndClipAndSetPixelRefusesOutside) {
  const int brushesBefore = LiveBrushCount();
  Brush* red = CreateSolidBrush(0x000000FF);
  struct Row { const char* what; Rect r; bool frame; int l, t, rt, b; };  // painted [l,rt) x [t,b)
  const Row rows[] = {
      {"fill", {2, 3, 5, 7}, false, 2, 3, 5, 7}, {"fill past every edge", {-100, -100, 100, 100}, false, 0, 0, 8, 8},
      {"inverted", {3, 3, 1, 1}, false, 0, 0, 0, 0}, {"empty", {1, 1, 1, 3}, false, 0, 0, 0, 0},
      {"frame", {1, 2, 6, 7}, true, 1, 2, 6, 7}, {"frame one column", {2, 0, 3, 4}, true, 2, 0, 3, 4},
      {"frame past the corner", {-1, -1, 3, 3}, true, -1, -1, 3, 3}};
  for (const Row& r : rows) {
    Surface s(8, 8), want(8, 8);
    EXPECT_EQ(r.frame ? (FrameRect(s, r.r, red), 1) : FillRect(s, r.r, red), 1) << r.what;
    for (int y = std::max(r.t, 0); y < r.b; ++y)
      for (int x = std::max(r.l, 0); x < r.rt; ++x)
        if (!r.frame || x == r.l || x == r.rt - 1 || y == r.t || y == r.b - 1) want.at(x, y) = 0xFF0000;
    EXPECT_TRUE(Same(s, want)) << r.what;
  }
  Surface u(4, 4);  // no brush: fails, paints nothing
  EXPECT_TRUE(FillRect(u, Rect{0, 0, 4, 4}, nullptr) == 0 && Same(u, Surface(4, 4)) &&
              LiveBrushCount() == brushesBefore + 1);
  DeleteBrush(red);
  DeleteBrush(nullptr);
  EXPECT_EQ(LiveBrushCount(), brushesBefore);
  // SetPixel takes 0x00BBGGRR, answers it, and refuses outside with all ones.
  EXPECT_EQ(SetPixel(u, 1, 2, 0x00112233), 0x00112233u);
  EXPECT_EQ(u.at(1, 2), 0x00332211u);
  for (auto [x, y] : std::vector<std::pair<int, int>>{{4, 0}, {-1, 0}, {0, 4}, {0, -1}})
    EXPECT_EQ(SetPixel(u, x, y, 1), 0xFFFFFFFFu) << x;
}

TEST(Png, RoundTripKeepsEveryPixelAndBadFilesFail) {
  const std::string dir = std::string(QM_BINARY_DIR) + "/", path = dir + "surface_roundtrip.png";
  ASSERT_TRUE(WritePng(Numbered(37, 23), path));
  Surface back;
  EXPECT_TRUE(ReadPng(path, back) && Same(Numbered(37, 23), back));
  EXPECT_FALSE(WritePng(Surface(), dir + "empty.png"));
  EXPECT_FALSE(WritePng(Surface(2, 2), "/nonexistent-dir/x.png"));
  std::ofstream(path, std::ios::binary) << "\x89PNG\r\n\x1a\nthis is not the rest of a png";
  Surface out(3, 3);
  EXPECT_TRUE(!ReadPng(path, out) && out.empty());
  EXPECT_FALSE(ReadPng(dir + "missing.png", out));
  std::remove(path.c_str());
}
