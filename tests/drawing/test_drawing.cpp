// Boxes on the back buffer, and a whole frame composed of a background,
// sprites, boxes and texts, presented through the paint path and written
// as a PNG.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "frame/draw_box.h"
#include "platform/gfx/png.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "tests/bmp/bmp_writer.h"
#include "zkgdi/zkgdi.h"

namespace {

intptr_t Proc(platform::Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  return platform::DefWindowProc(w, msg, wp, lp);
}

class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::sim::Reset();
    ResetZKGDI();
    platform::RegisterWindowClass("DRAWTEST", Proc);
    window = platform::CreateWindow("DRAWTEST", "draw", platform::WS_CAPTION_FRAME, 0, 0, 326,
                                    264, 0);
    ASSERT_EQ(StartZKGDI(window, 320, 240), 1);
    back = SlotSurface(FindWindowSlot(window));
    gs.backSurface = back;
    gs.mainWindow = window;
    dir = std::string(QM_BINARY_DIR) + "/drawing_test_files";
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    gs.backSurface = nullptr;
    ResetZKGDI();
  }
  std::string Write(const std::string& name, const bmpw::Grid& g) {
    const std::string path = dir + "/" + name;
    const std::vector<uint8_t> b = bmpw::Encode(g, bmpw::Options{});
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
    return path;
  }
  int Count(uint32_t px, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += back->at(x, y) == px;
    return n;
  }
  platform::Window window = 0;
  platform::Surface* back = nullptr;
  std::string dir;
};

}  // namespace

TEST_F(DrawingTest, FilledBoxExcludesRightAndBottomEdges) {
  DrawBox(50, 230, 250, 235, RGB(0, 255, 0), 1);
  const uint32_t green = 0x00FF00;
  EXPECT_EQ(Count(green, 0, 0, 320, 240), 200 * 5);
  EXPECT_EQ(Count(green, 50, 230, 250, 235), 200 * 5);
  EXPECT_EQ(back->at(249, 234), green);
  EXPECT_EQ(back->at(250, 234), 0u);
  EXPECT_EQ(back->at(249, 235), 0u);
  EXPECT_EQ(back->at(49, 230), 0u);
}

TEST_F(DrawingTest, FramedBoxIsOnePixelInside) {
  DrawBox(49, 229, 251, 236, RGB(192, 192, 192), 0);
  const uint32_t grey = 0xC0C0C0;
  // Columns 49 and 250, rows 229 and 235: 2 * 202 + 2 * 5 pixels.
  EXPECT_EQ(Count(grey, 0, 0, 320, 240), 2 * 202 + 2 * 5);
  EXPECT_EQ(back->at(49, 229), grey);
  EXPECT_EQ(back->at(250, 235), grey);
  EXPECT_EQ(back->at(251, 235), 0u);
  EXPECT_EQ(back->at(50, 230), 0u);  // the inside stays
  // The boss bar at full strength: 150 pixels, x 110 to 259.
  DrawBox(110, 40, 110 + 150, 45, RGB(255, 0, 0), 1);
  EXPECT_EQ(Count(0xFF0000, 0, 40, 320, 41), 150);
  EXPECT_EQ(back->at(259, 40), 0xFF0000u);
  EXPECT_EQ(back->at(260, 40), 0u);
}

TEST_F(DrawingTest, OtherStylesDrawNothingButStillMakeTheBrush) {
  const int before = platform::LiveBrushCount();
  DrawBox(0, 0, 320, 240, RGB(255, 255, 255), 2);
  DrawBox(0, 0, 320, 240, RGB(255, 255, 255), -1);
  EXPECT_EQ(Count(0xFFFFFF, 0, 0, 320, 240), 0);
  EXPECT_EQ(platform::LiveBrushCount(), before + 1);  // the one user brush
  // Boxes reaching past the edges are clipped; empty ones draw nothing.
  DrawBox(-10, -10, 5, 5, RGB(255, 255, 255), 1);
  EXPECT_EQ(Count(0xFFFFFF, 0, 0, 320, 240), 25);
  DrawBox(100, 100, 100, 150, RGB(255, 0, 255), 1);
  DrawBox(100, 100, 90, 90, RGB(255, 0, 255), 0);
  EXPECT_EQ(Count(0xFF00FF, 0, 0, 320, 240), 0);
  // Without a back buffer nothing happens at all.
  gs.backSurface = nullptr;
  DrawBox(0, 0, 10, 10, RGB(255, 255, 255), 1);
  EXPECT_TRUE(platform::sim::MessageBoxes().empty());
}

TEST_F(DrawingTest, BoxBeforeAnyRegistrationShowsTheModeMessage) {
  ResetZKGDI();
  DrawBox(0, 0, 10, 10, RGB(255, 255, 255), 1);
  ASSERT_EQ(platform::sim::MessageBoxes().size(), 1u);
  EXPECT_EQ(platform::sim::MessageBoxes()[0].caption, "ZKGDI");
}

TEST_F(DrawingTest, ComposedFrameReachesThePaintAndAPng) {
  // Background: a vertical sky gradient.
  bmpw::Grid sky{320, 240, {}};
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x)
      sky.v.push_back(((20 + y / 4) << 16) | ((40 + y / 3) << 8) | (120 + y / 2) | ((x % 64 == 0) ? 0x101010 : 0));
  // Ship 20x20: a white-and-cyan arrow; its mask is black where it is drawn.
  bmpw::Grid ship{20, 20, {}}, shipMask{20, 20, {}}, shot{16, 16, {}}, shotMask{16, 16, {}};
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool in = y >= 2 && std::abs(x - 10) * 2 <= y;
      ship.v.push_back(in ? (std::abs(x - 10) < 2 ? 0xFFFFFF : 0x00C0FF) : 0);
      shipMask.v.push_back(in ? 0 : 0xFFFFFF);
    }
  // Bullet 16x16: a magenta ring.
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const int d = (x - 8) * (x - 8) + (y - 8) * (y - 8);
      shot.v.push_back(d < 36 ? (d < 9 ? 0xFFFFFF : 0xFF30C0) : 0);
      shotMask.v.push_back(d < 36 ? 0 : 0xFFFFFF);
    }
  BmpRecord skyR, shipR, shipM, shotR, shotM;
  ASSERT_EQ(OpenBmp(skyR, Write("sky.bmp", sky)), 1);
  ASSERT_EQ(OpenBmp(shipR, Write("ship.bmp", ship)), 1);
  ASSERT_EQ(OpenBmp(shipM, Write("shipm.bmp", shipMask)), 1);
  ASSERT_EQ(OpenBmp(shotR, Write("shot.bmp", shot)), 1);
  ASSERT_EQ(OpenBmp(shotM, Write("shotm.bmp", shotMask)), 1);

  DrawBmp(0, 0, skyR, platform::SRCCOPY);
  const uint32_t skyAt200 = back->at(150, 200);
  DrawBmp(160 - 10, 200 - 10, shipM, platform::SRCAND);
  DrawBmp(160 - 10, 200 - 10, shipR, platform::SRCPAINT);
  const int shots[][2] = {{60, 80}, {-4, 60}, {316, 30}};  // two clipped at the edges
  for (const auto& s : shots) {
    DrawBmp(s[0] - 8, s[1] - 8, shotM, platform::SRCAND);
    DrawBmp(s[0] - 8, s[1] - 8, shotR, platform::SRCPAINT);
  }
  PrintText(190, 5, "神 業 MODE:  AUTO", RGB(255, 0, 255), 12, 1);
  DrawBox(49, 229, 251, 236, RGB(192, 192, 192), 0);
  DrawBox(50, 230, 250, 235, RGB(128, 128, 128), 1);
  DrawBox(50, 230, 50 + 140, 235, RGB(255, 255, 0), 1);
  PrintText(-1, -1, "LEVEL UP!", RGB(255, 255, 0), 24, 17);
  RepaintZKGDI(window);

  // The ship's transparent corner shows the sky, its nose the ship.
  EXPECT_EQ(back->at(150, 190), sky.at(150, 190));
  EXPECT_EQ(back->at(160, 205), 0xFFFFFFu);
  EXPECT_EQ(back->at(150, 200), skyAt200);
  // A bullet's centre is white, its corner is sky.
  EXPECT_EQ(back->at(60, 80), 0xFFFFFFu);
  EXPECT_EQ(back->at(53, 73), sky.at(53, 73));
  // The HUD bar and its frame.
  EXPECT_EQ(back->at(189, 232), 0xFFFF00u);
  EXPECT_EQ(back->at(190, 232), 0x808080u);
  EXPECT_EQ(back->at(49, 229), 0xC0C0C0u);

  // What the paint handler shows is exactly the finished frame.
  platform::Surface screen(320, 240);
  ASSERT_NE(PaintZKGDI(screen), 0);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) ASSERT_EQ(screen.at(x, y), back->at(x, y)) << x << "," << y;
  const std::string png = std::string(QM_BINARY_DIR) + "/composed_frame.png";
  ASSERT_TRUE(platform::WritePng(screen, png));
  platform::Surface again;
  ASSERT_TRUE(platform::ReadPng(png, again));
  EXPECT_EQ(again.at(160, 205), 0xFFFFFFu);
  EXPECT_TRUE(platform::sim::MessageBoxes().empty());
  for (BmpRecord* r : {&skyR, &shipR, &shipM, &shotR, &shotM}) EXPECT_EQ(CloseBmp(*r), 1);
}
