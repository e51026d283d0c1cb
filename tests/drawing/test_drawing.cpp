// Boxes on the back buffer where the HUD never puts them: unknown styles,
// past the edges, empty, with no back buffer, and before any registration.
#include <gtest/gtest.h>

#include "frame/draw_box.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
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
    gs.backSurface = back = SlotSurface(FindWindowSlot(window));
    gs.mainWindow = window;
  }
  void TearDown() override {
    gs.backSurface = nullptr;
    ResetZKGDI();
  }
  int Count(uint32_t px) const {
    int n = 0;
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x) n += back->at(x, y) == px;
    return n;
  }
  platform::Window window = 0;
  platform::Surface* back = nullptr;
};

}  // namespace

TEST_F(DrawingTest, OddBoxesDrawOnlyWhatIsOnTheBuffer) {
  const int before = platform::LiveBrushCount();
  struct Case { int x0, y0, x1, y1, style, pixels; } cases[] = {
      {0, 0, 320, 240, 2, 0},   {0, 0, 320, 240, -1, 0},  // unknown styles: nothing
      {-10, -10, 5, 5, 1, 25},  {315, 235, 400, 300, 0, 5 + 5 - 1},  // clipped
      {100, 100, 100, 150, 1, 0}, {100, 100, 90, 90, 0, 0},          // empty
  };
  for (const Case& c : cases) {
    platform::Brush* black = platform::CreateSolidBrush(0);
    platform::FillRect(*back, {0, 0, 320, 240}, black);
    platform::DeleteBrush(black);
    DrawBox(c.x0, c.y0, c.x1, c.y1, RGB(255, 255, 255), c.style);
    EXPECT_EQ(Count(0xFFFFFF), c.pixels) << c.x0 << "," << c.y0 << " style " << c.style;
  }
  EXPECT_EQ(platform::LiveBrushCount(), before + 1);  // the one user brush, made once
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
