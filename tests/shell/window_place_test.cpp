// Window placement (the client area fitted through the nominal frame,
// centring over a window or the desktop), the main window, and full-window
// mode there and back with each failure and its message, byte for byte.
#include "display/full_window.h"
#include "shell/main_window.h"
#include "shell_fixture.h"

using platform::Rect;
using platform::Window;

namespace shelltest {
namespace {

class WindowPlace : public ShellTest {
 protected:
  static Rect Centred(int w, int h) {
    Rect d = platform::GetDesktopRect();
    int x = d.left + static_cast<int>(std::floor(0.5 * (d.width() - w)));
    int y = d.top + static_cast<int>(std::floor(0.5 * (d.height() - h)));
    return Rect{x, y, x + w, y + h};
  }
};

TEST_F(WindowPlace, FitClientSizeKeepsPlaceAndAddsTheFrame) {
  // 3 pixels a side, 22 for the caption and top border, 2 below; none frameless.
  const struct {
    uint32_t style;
    int cw, ch;
    Rect outer;
  } rows[] = {{platform::WS_CAPTION_FRAME, 320, 240, {100, 50, 426, 314}},
              {platform::WS_CAPTION_FRAME, 199, 101, {100, 50, 305, 175}},  // again: same place
              {0, 320, 240, {100, 50, 420, 290}}};
  Window framed = MakeWindow(100, 50, 640, 481);
  Window bare = platform::CreateWindow("TESTWND", "bare", 0, 100, 50, 500, 400, 0);
  for (const auto& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.style << " " << r.cw << "x" << r.ch);
    gs.mainWindow = r.style ? framed : bare;
    FitClientSize(r.cw, r.ch);
    EXPECT_TRUE(SameRect(platform::GetClientRect(gs.mainWindow), Rect{0, 0, r.cw, r.ch}));
    EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), r.outer));
  }
}

TEST_F(WindowPlace, CentresByFlooringHalfTheDifference) {
  Window other = MakeWindow(10, 20, 300, 200);
  // floor(0.5 * 199) + 10, floor(0.5 * 149) + 20; wider: floor(0.5 * -51) = -26.
  const struct { int w, h; Rect want; } rows[] = {{101, 51, {109, 94, 210, 145}},
                                                 {351, 241, {-16, -1, 335, 240}}};
  for (const auto& r : rows) {
    Window w = MakeWindow(0, 0, r.w, r.h);
    ASSERT_EQ(WindowCenter(w, other), 1);
    EXPECT_TRUE(SameRect(platform::GetWindowRect(w), r.want)) << r.w;
  }
  Window w = MakeWindow(5, 5, 327, 265);
  ASSERT_EQ(WindowCenter(w, 0), 1);  // over the desktop
  EXPECT_TRUE(SameRect(platform::GetWindowRect(w), Centred(327, 265)));
  EXPECT_TRUE(platform::sim::MessageBoxes().empty());

  EXPECT_EQ(WindowCenter(0, other), 0);
  auto boxes = platform::sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "WindowCenter");
  EXPECT_EQ(boxes[0].text, "ハンドルに0は指定できません");
  EXPECT_EQ(boxes[0].flags, 0x40030u);  // exclamation icon, topmost
  EXPECT_EQ(boxes[0].owner, platform::GetForegroundWindow());
  EXPECT_TRUE(SameRect(platform::GetWindowRect(other), Rect{10, 20, 310, 220}));  // not moved
}

TEST_F(WindowPlace, MainWindowHasThePlayfieldAsClientCentredAndTitled) {
  PrepareProcess();
  Window w = CreateMainWindow();
  ASSERT_NE(w, 0u);
  EXPECT_EQ(Window(gs.mainWindow), w);
  EXPECT_TRUE(SameRect(platform::GetClientRect(w), Rect{0, 0, 320, 240}));
  EXPECT_TRUE(SameRect(platform::GetWindowRect(w), Centred(326, 264)));
  EXPECT_EQ(platform::GetWindowText(w), "Quillmoor Ver.1.00");
  ASSERT_NE(gs.backSurface, nullptr);  // the playfield's back buffer
  EXPECT_EQ(gs.backSurface->width(), 320);
  EXPECT_EQ(gs.backSurface->height(), 240);
  EXPECT_NE(GameThreadHandle(), 0u);
  EXPECT_NE(RegulatorThreadHandle(), 0u);
  EXPECT_EQ(gs.levelThreshold[5], 4000);  // the constant parts of the state are in place
  EXPECT_EQ(gs.fpsChoices[3], 1000);
  EXPECT_EQ(gs.startQuota, 255);
  platform::DestroyWindow(w);
  EXPECT_EQ(GameThreadHandle(), 0u);
  EXPECT_EQ(RegulatorThreadHandle(), 0u);
}

// Failure code 0 is the switch that works: the client area at the screen's
// origin, and back centred. Every failure reports once, stays windowed, and
// the next F4 tries again.
TEST_F(WindowPlace, FullWindowThereAndBackAndEachFailure) {
  const char* const texts[] = {"", "デスクトップハンドルの取得に失敗しました(Err=1)",
                               "DirectDrawの作成に失敗しました(Err=2)",
                               "フルスクリーンの設定に失敗しました(Err=3)",
                               "画面解像度の切り替えに失敗しました(Err=4)"};
  for (int code = 0; code <= 4; ++code) {
    SCOPED_TRACE(code);
    platform::sim::Reset();
    platform::RegisterWindowClass("TESTWND", PlainProc);
    gs.displayHandle = 0;
    gs.mainWindow = MakeWindow(200, 150, 326, 264);
    if (code) EXPECT_EQ(FullWindowFailureText(code), texts[code]);
    platform::sim::SetDisplayFailure(code);
    ToggleFullWindow();
    auto boxes = platform::sim::MessageBoxes();
    if (code == 0) {
      const int handle = gs.displayHandle;
      EXPECT_GE(handle, 5);
      EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Rect{-3, -22, 323, 242}));
      EXPECT_TRUE(boxes.empty());
      EXPECT_GE(LogIndex("display mode 320x240x16"), 0);
      ToggleFullWindow();
      EXPECT_EQ(gs.displayHandle, 0);
      EXPECT_GE(LogIndex("display restored " + std::to_string(handle)), 0);
      EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Centred(326, 264)));
      EXPECT_TRUE(platform::sim::MessageBoxes().empty());
      continue;
    }
    EXPECT_EQ(gs.displayHandle, 0);
    EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Centred(326, 264)));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Full Window");
    EXPECT_EQ(boxes[0].text, texts[code]);
    EXPECT_EQ(boxes[0].flags, 0x40000u);
    EXPECT_EQ(boxes[0].owner, Window(gs.mainWindow));
    EXPECT_EQ(LogIndex("display restored"), -1);
    platform::sim::SetDisplayFailure(0);
    ToggleFullWindow();
    EXPECT_GE(gs.displayHandle, 5);
    EXPECT_EQ(platform::sim::MessageBoxes().size(), 1u);
  }
}

}  // namespace
}  // namespace shelltest
