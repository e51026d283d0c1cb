// Window placement (the client area fitted through the nominal frame, centring
// by flooring) and full-window mode with each failure and its message.
#include "display/full_window.h"
#include "shell/main_window.h"
#include "shell_fixture.h"

using platform::Rect;

namespace shelltest {
namespace {

class WindowPlace : public ShellTest {};

Rect Centred(int w, int h) {
  Rect d = platform::GetDesktopRect();
  const int x = d.left + int(std::floor(0.5 * (d.width() - w))), y = d.top + int(std::floor(0.5 * (d.height() - h)));
  return Rect{x, y, x + w, y + h};
}

// 3 pixels a side, 22 for the caption and top border, 2 below; none frameless.
TEST_F(WindowPlace, FitClientSizeKeepsPlaceAndAddsTheFrame) {
  platform::Window framed = MakeWindow(100, 50, 640, 481);
  const struct { platform::Window w; int cw, ch; Rect outer; } rows[] = {
      {framed, 320, 240, {100, 50, 426, 314}}, {framed, 199, 101, {100, 50, 305, 175}},
      {platform::CreateWindow("TESTWND", "bare", 0, 100, 50, 500, 400, 0), 320, 240, {100, 50, 420, 290}}};
  for (const auto& r : rows) {
    gs.mainWindow = r.w, FitClientSize(r.cw, r.ch);
    EXPECT_TRUE(SameRect(platform::GetClientRect(r.w), Rect{0, 0, r.cw, r.ch})) << r.cw;
    EXPECT_TRUE(SameRect(platform::GetWindowRect(r.w), r.outer)) << r.cw;
  }
}

// floor(0.5 * 199) + 10, floor(0.5 * 149) + 20; wider: floor(0.5 * -51) = -26; 0: the desktop.
TEST_F(WindowPlace, CentresByFlooringHalfTheDifferenceAndRefusesHandleZero) {
  platform::Window other = MakeWindow(10, 20, 300, 200);
  const struct { int w, h; platform::Window over; Rect want; } rows[] = {
      {101, 51, other, {109, 94, 210, 145}}, {351, 241, other, {-16, -1, 335, 240}}, {327, 265, 0, Centred(327, 265)}};
  for (const auto& r : rows) {
    platform::Window w = MakeWindow(5, 5, r.w, r.h);
    ASSERT_EQ(WindowCenter(w, r.over), 1);
    EXPECT_TRUE(SameRect(platform::GetWindowRect(w), r.want)) << r.w;
  }
  EXPECT_EQ(WindowCenter(0, other), 0);
  auto boxes = platform::sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption + boxes[0].text, "WindowCenterハンドルに0は指定できません");
  EXPECT_EQ(boxes[0].flags, 0x40030u);  // exclamation icon, topmost
  EXPECT_TRUE(SameRect(platform::GetWindowRect(other), Rect{10, 20, 310, 220}));  // not moved
}

// Code 0 works: the client area at the screen's origin, and back centred. Each
// failure reports once, stays windowed, and the next F4 tries again.
TEST_F(WindowPlace, FullWindowThereAndBackAndEachFailure) {
  const char* const texts[] = {"", "デスクトップハンドルの取得に失敗しました(Err=1)", "DirectDrawの作成に失敗しました(Err=2)",
                               "フルスクリーンの設定に失敗しました(Err=3)", "画面解像度の切り替えに失敗しました(Err=4)"};
  for (int code = 0; code <= 4; ++code) {
    SetUp();
    gs.mainWindow = MakeWindow(200, 150, 326, 264);
    platform::sim::SetDisplayFailure(code);
    ToggleFullWindow();
    auto boxes = platform::sim::MessageBoxes();
    ASSERT_EQ(boxes.size(), code ? 1u : 0u) << code;
    if (code) {
      EXPECT_EQ(boxes[0].caption + boxes[0].text, std::string("Full Window") + texts[code]);
      EXPECT_EQ(boxes[0].flags, 0x40000u);
      EXPECT_EQ(boxes[0].owner + gs.displayHandle, platform::Window(gs.mainWindow));
      EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Centred(326, 264)));
      platform::sim::SetDisplayFailure(0);
      ToggleFullWindow();
    }
    EXPECT_GE(gs.displayHandle, 5) << code;
    EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Rect{-3, -22, 323, 242})) << code;
    ToggleFullWindow();
    EXPECT_EQ(gs.displayHandle, 0);
    EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Centred(326, 264))) << code;
    EXPECT_EQ(platform::sim::MessageBoxes().size(), code ? 1u : 0u) << code;
    TearDown();
  }
}

}  // namespace
}  // namespace shelltest
