// Bitmaps missing, broken, closed twice, another window's or far outside; text with no font.
#include <cstdio>

#include "platform/gfx/surface.h"
#include "platform/gfx/text.h"
#include "tests/bmp/bmp_writer.h"
#include "zkgdi_fixture.h"

namespace {
std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}
}  // namespace

class ZkgdiBitmapTest : public ZkgdiTest {
 protected:
  void SetUp() override {
    ZkgdiTest::SetUp();
    win = NewWindow();
    ASSERT_EQ(StartZKGDI(win, 320, 240), 1);
    back = SlotSurface(FindWindowSlot(win));
    const auto bytes = bmpw::Encode(bmpw::Grid{3, 2, {0xFF0000, 0, 0, 0, 0, 0}}, {});
    ASSERT_EQ(OpenBmp(pic, WriteFile(TempDir() + "/sprite.bmp", bytes)), 1);
    Fill(*back, 0x336699);
  }
  void TearDown() override { CloseBmp(pic); }
  Window win = 0;
  Surface* back = nullptr;
  BmpRecord pic;
};

TEST_F(ZkgdiBitmapTest, MissingOrBrokenFileIsAnEmptyPictureThatDrawsNothing) {
  const std::string text = "BM this is not a bitmap";
  const std::string broken = WriteFile(TempDir() + "/broken.bmp", {text.begin(), text.end()});
  for (const std::string& name : {TempDir() + "/missing.bmp", broken}) {
    BmpRecord r;
    EXPECT_EQ(OpenBmp(r, name), 1);
    EXPECT_TRUE(r.window == win && r.hbitmap == nullptr && r.width == 0 && r.height == 0) << name;
    DrawBmp(0, 0, r, platform::SRCCOPY);
    EXPECT_EQ(back->at(0, 0), 0x336699u);
    EXPECT_EQ(CloseBmp(r), 0);
    EXPECT_EQ(r.window, win);  // left unchanged
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZkgdiBitmapTest, FarOutsideOrAnUnknownOperationDrawsNothingAndCloseIsOnce) {
  DrawBmp(INT32_MAX, INT32_MIN, pic, platform::SRCCOPY);
  DrawBmp(320, 240, pic, platform::SRCCOPY);
  DrawBmp(-3, -2, pic, platform::SRCCOPY);
  DrawBmp(0, 0, pic, 0x00660046);
  EXPECT_EQ(back->at(0, 0), 0x336699u);
  EXPECT_EQ(back->at(319, 239), 0x336699u);
  DrawBmp(-1, -1, pic, platform::SRCCOPY);  // clipped: the picture's (1, 1) at (0, 0)
  EXPECT_EQ(back->at(0, 0), 0u);
  EXPECT_EQ(back->at(2, 0), 0x336699u);
  EXPECT_EQ(CloseBmp(pic), 1);
  EXPECT_TRUE(pic.window == 0 && pic.hbitmap == nullptr && pic.width == 0);
  EXPECT_EQ(CloseBmp(pic), 0);  // closed twice
}

TEST_F(ZkgdiBitmapTest, DrawingAnotherWindowsPictureShowsTheWrongWindowMessage) {
  Window other = NewWindow();
  ASSERT_EQ(StartZKGDI(other, 320, 240), 1);  // now the target
  Surface* otherBack = SlotSurface(FindWindowSlot(other));
  Fill(*otherBack, 0x336699);
  DrawBmp(0, 0, pic, platform::SRCCOPY);
  EXPECT_EQ(otherBack->at(0, 0), 0x336699u);
  ExpectBoxes(1, kWrongWindowText, platform::GetForegroundWindow(), platform::MB_OK);
  TargetWindow(win);  // back on its own window it draws
  DrawBmp(0, 0, pic, platform::SRCCOPY);
  EXPECT_EQ(back->at(0, 0), 0xFF0000u);
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(ZkgdiBitmapTest, TextWithoutAFontDrawsNothing) {
  platform::OverrideFontPath(platform::FontFace::Mincho, "");
  PrintText(-1, -1, "LEVEL UP!", 0xFFFFFF, 24, 17);
  platform::ResetFontPath(platform::FontFace::Mincho);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) ASSERT_EQ(back->at(x, y), 0x336699u) << x << "," << y;
  EXPECT_TRUE(Boxes().empty());
}
