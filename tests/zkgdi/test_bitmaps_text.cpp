// Bitmaps drawn through the layer, and text placement, flags and shadow.
#include <cstdio>

#include "platform/gfx/surface.h"
#include "platform/gfx/text.h"
#include "runtime/runtime.h"
#include "tests/bmp/bmp_writer.h"
#include "zkgdi_fixture.h"

using platform::sim::MessageBoxRecord;

namespace {

std::string WriteBmp(const std::string& path, const bmpw::Grid& g) {
  const std::vector<uint8_t> b = bmpw::Encode(g, bmpw::Options{});
  FILE* f = std::fopen(path.c_str(), "wb");
  EXPECT_NE(f, nullptr);
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
  return path;
}

bool Same(const Surface& a, const Surface& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.at(x, y) != b.at(x, y)) return false;
  return true;
}

}  // namespace

class ZkgdiBitmapTest : public ZkgdiTest {
 protected:
  void SetUp() override {
    ZkgdiTest::SetUp();
    win = NewWindow();
    ASSERT_EQ(StartZKGDI(win, 320, 240), 1);
    back = SlotSurface(FindWindowSlot(win));
    // A 3x2 sprite: a red and a green pixel on the top row, the rest clear.
    const uint32_t W = 0xFFFFFF, K = 0;
    mask = WriteBmp(TempDir() + "/spritem.bmp", bmpw::Grid{3, 2, {K, W, K, W, W, W}});
    pic = WriteBmp(TempDir() + "/sprite.bmp", bmpw::Grid{3, 2, {0xFF0000, K, 0x00FF00, K, K, K}});
  }
  Window win = 0;
  Surface* back = nullptr;
  std::string mask, pic;
};

TEST_F(ZkgdiBitmapTest, OpenFillsTheRecordAndCloseTwiceAnswersOneThenZero) {
  BmpRecord r;
  ASSERT_EQ(OpenBmp(r, pic), 1);
  EXPECT_EQ(r.window, win);
  ASSERT_NE(r.hbitmap, nullptr);
  EXPECT_EQ(r.surface, r.hbitmap);
  EXPECT_EQ(r.width, 3);
  EXPECT_EQ(r.height, 2);
  EXPECT_EQ(r.hbitmap->at(0, 0), 0xFF0000u);
  EXPECT_EQ(CloseBmp(r), 1);
  EXPECT_EQ(r.window, 0u);
  EXPECT_EQ(r.hbitmap, nullptr);
  EXPECT_EQ(r.width, 0);
  EXPECT_EQ(CloseBmp(r), 0);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZkgdiBitmapTest, MissingOrBrokenFileIsAnEmptyPictureThatDrawsNothing) {
  const std::string broken = TempDir() + "/broken.bmp";
  FILE* f = std::fopen(broken.c_str(), "wb");
  std::fputs("BM this is not a bitmap", f);
  std::fclose(f);
  for (const std::string& name : {TempDir() + "/missing.bmp", broken}) {
    Fill(*back, 0x123456);
    BmpRecord r;
    EXPECT_EQ(OpenBmp(r, name), 1);
    EXPECT_EQ(r.window, win);
    EXPECT_EQ(r.hbitmap, nullptr);
    EXPECT_EQ(r.width, 0);
    EXPECT_EQ(r.height, 0);
    DrawBmp(0, 0, r, platform::SRCCOPY);
    EXPECT_EQ(back->at(0, 0), 0x123456u);
    EXPECT_EQ(CloseBmp(r), 0);
    EXPECT_EQ(r.window, win);  // left unchanged
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZkgdiBitmapTest, MaskThenPictureKeepsTheBackgroundWhereTheMaskIsWhite) {
  BmpRecord m, p;
  ASSERT_EQ(OpenBmp(m, mask), 1);
  ASSERT_EQ(OpenBmp(p, pic), 1);
  Fill(*back, 0x336699);
  DrawBmp(10, 20, m, platform::SRCAND);
  DrawBmp(10, 20, p, platform::SRCPAINT);
  EXPECT_EQ(back->at(10, 20), 0xFF0000u);
  EXPECT_EQ(back->at(11, 20), 0x336699u);
  EXPECT_EQ(back->at(12, 20), 0x00FF00u);
  for (int x = 10; x < 13; ++x) EXPECT_EQ(back->at(x, 21), 0x336699u);
  EXPECT_EQ(back->at(9, 20), 0x336699u);
  EXPECT_EQ(back->at(13, 20), 0x336699u);
  // At (-1, -1) the picture moves up and left by one, clipped.
  Fill(*back, 0x336699);
  DrawBmp(-1, -1, p, platform::SRCCOPY);
  EXPECT_EQ(back->at(0, 0), 0u);  // the picture's (1, 1)
  EXPECT_EQ(back->at(1, 0), 0u);  // its (2, 1)
  EXPECT_EQ(back->at(2, 0), 0x336699u);
  EXPECT_EQ(back->at(0, 1), 0x336699u);
  // Far outside: nothing, and no trouble.
  Fill(*back, 0x336699);
  DrawBmp(INT32_MAX, INT32_MIN, p, platform::SRCCOPY);
  DrawBmp(320, 240, p, platform::SRCCOPY);
  DrawBmp(-3, -2, p, platform::SRCCOPY);
  DrawBmp(0, 0, p, 0x00660046);  // an unknown raster operation draws nothing
  EXPECT_EQ(back->at(0, 0), 0x336699u);
  EXPECT_EQ(back->at(319, 239), 0x336699u);
  CloseBmp(m);
  CloseBmp(p);
}

TEST_F(ZkgdiBitmapTest, DrawingAnotherWindowsPictureShowsTheWrongWindowMessage) {
  BmpRecord p;
  ASSERT_EQ(OpenBmp(p, pic), 1);
  Window other = NewWindow();
  ASSERT_EQ(StartZKGDI(other, 320, 240), 1);  // now the target
  Surface* otherBack = SlotSurface(FindWindowSlot(other));
  Fill(*otherBack, 0x336699);
  DrawBmp(0, 0, p, platform::SRCCOPY);
  EXPECT_EQ(otherBack->at(0, 0), 0x336699u);
  ASSERT_EQ(Boxes().size(), 1u);
  const MessageBoxRecord b = Boxes()[0];
  EXPECT_EQ(b.text, kWrongWindowText);
  EXPECT_EQ(b.caption, "ZKGDI");
  EXPECT_EQ(b.flags, platform::MB_OK);
  EXPECT_EQ(b.owner, platform::GetForegroundWindow());
  // Back on its own window it draws.
  TargetWindow(win);
  DrawBmp(0, 0, p, platform::SRCCOPY);
  EXPECT_EQ(back->at(0, 0), 0xFF0000u);
  EXPECT_EQ(Boxes().size(), 1u);
  CloseBmp(p);
}

// ---------------------------------------------------------------- text

class ZkgdiTextTest : public ZkgdiBitmapTest {
 protected:
  // What PrintText must have drawn, made directly with the text engine.
  Surface Direct(int x, int y, const std::string& text, uint32_t colorRef, int size, bool bold,
                 bool italic, bool shadow) {
    Surface s(320, 240);
    const platform::Font f{platform::FontFace::Mincho, size, bold, italic};
    if (shadow) platform::TextOut(s, x + 1, y + 1, text, 0x808080, f);
    platform::TextOut(s, x, y, text, colorRef, f);
    return s;
  }
  Surface Printed(int x, int y, const std::string& text, uint32_t colorRef, int size, int flags) {
    Fill(*back, 0);
    PrintText(x, y, text, colorRef, size, flags);
    return *back;
  }
};

TEST_F(ZkgdiTextTest, CentringUsesTheOuterSizeAndHalfTheSizePerByte) {
  // Outer size 326 x 264 (client 320 x 240 plus the nominal frame).
  ASSERT_EQ(platform::GetWindowRect(win).width(), 326);
  ASSERT_EQ(platform::GetWindowRect(win).height(), 264);
  // "LEVEL UP!" is 9 bytes: 108 pixels wide at size 24.
  // Bold: x = floor((326 - 108) * 0.45) = 98, y = floor((264 - 24) * 0.45) = 108.
  EXPECT_TRUE(Same(Printed(-1, -1, "LEVEL UP!", 0x00FFFF, 24, 17),
                   Direct(98, 108, "LEVEL UP!", 0x00FFFF, 24, true, false, true)));
  // Plain: x = floor(218 * 0.5) = 109, y = floor(240 * 0.5) = 120.
  EXPECT_TRUE(Same(Printed(-1, -1, "LEVEL UP!", 0x00FFFF, 24, 0),
                   Direct(109, 120, "LEVEL UP!", 0x00FFFF, 24, false, false, false)));
  // Ten half-width or five full-width characters at size 12 count 60 pixels:
  // x = floor((326 - 60) * 0.5) = 133.
  EXPECT_TRUE(Same(Printed(-1, 7, "ABCDEFGHIJ", 0xFFFFFF, 12, 0),
                   Direct(133, 7, "ABCDEFGHIJ", 0xFFFFFF, 12, false, false, false)));
  EXPECT_TRUE(Same(Printed(-1, 7, "あいうえお", 0xFFFFFF, 12, 0),
                   Direct(133, 7, "あいうえお", 0xFFFFFF, 12, false, false, false)));
  // Only negative coordinates centre; 0 is a position.
  EXPECT_TRUE(Same(Printed(0, -5, "Hi", 0xFFFFFF, 12, 1),
                   Direct(0, Int((264 - 12) * 0.45), "Hi", 0xFFFFFF, 12, true, false, false)));
  // A text wider than the window centres to a negative x and is clipped.
  const std::string wide(60, 'W');  // 60 bytes at 24: 720 pixels
  EXPECT_TRUE(Same(Printed(-1, 0, wide, 0xFFFFFF, 24, 0),
                   Direct(Int((326 - 720) * 0.5), 0, wide, 0xFFFFFF, 24, false, false, false)));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZkgdiTextTest, FlagsThreeAndFourGiveTheSameBoldItalic) {
  const Surface three = Printed(-1, -1, "GAME OVER", 0xFFFFFF, 24, 3);
  const Surface four = Printed(-1, -1, "GAME OVER", 0xFFFFFF, 24, 4);
  EXPECT_TRUE(Same(three, four));
  EXPECT_TRUE(Same(four, Direct(Int((326 - 108) * 0.45), Int((264 - 24) * 0.45), "GAME OVER",
                                0xFFFFFF, 24, true, true, false)));
  // Italic alone keeps the plain centring factor.
  EXPECT_TRUE(Same(Printed(-1, 3, "GAME OVER", 0xFFFFFF, 24, 2),
                   Direct(109, 3, "GAME OVER", 0xFFFFFF, 24, false, true, false)));
  EXPECT_FALSE(Same(three, Printed(-1, -1, "GAME OVER", 0xFFFFFF, 24, 1)));
}

TEST_F(ZkgdiTextTest, ShadowIsAGreyCopyOnePixelRightAndDown) {
  const Surface s = Printed(20, 30, "SCORE 123456pt", 0x00FFFF, 12, 16);
  EXPECT_TRUE(Same(s, Direct(20, 30, "SCORE 123456pt", 0x00FFFF, 12, false, false, true)));
  int grey = 0, yellow = 0;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      if (s.at(x, y) == 0x808080u) ++grey;
      if (s.at(x, y) == 0xFFFF00u) ++yellow;
    }
  EXPECT_GT(grey, 20);
  EXPECT_GT(yellow, 50);
  // The main text covers its own shadow: where both fall, the text wins.
  const Surface plain = Direct(20, 30, "SCORE 123456pt", 0x00FFFF, 12, false, false, false);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      if (plain.at(x, y) == 0xFFFF00u) { ASSERT_EQ(s.at(x, y), 0xFFFF00u); }
      // Every grey pixel is the shadow of a text pixel up and left of it.
      if (s.at(x, y) == 0x808080u) { ASSERT_EQ(plain.at(x - 1, y - 1), 0xFFFF00u); }
    }
}

TEST_F(ZkgdiTextTest, TextWithoutAFontDrawsNothing) {
  platform::OverrideFontPath(platform::FontFace::Mincho, "");
  const Surface s = Printed(-1, -1, "LEVEL UP!", 0xFFFFFF, 24, 17);
  platform::ResetFontPath(platform::FontFace::Mincho);
  EXPECT_TRUE(Same(s, Surface(320, 240)));
  EXPECT_TRUE(Boxes().empty());
}
