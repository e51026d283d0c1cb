// Window placement: the client area fitted through the nominal frame, and
// centring over a window or the desktop.
#include "display/full_window.h"
#include "shell/main_window.h"
#include "shell_fixture.h"

using platform::Rect;
using platform::Window;

namespace shelltest {
namespace {

class WindowPlace : public ShellTest {};

TEST_F(WindowPlace, FitClientSizeKeepsPlaceAndAddsTheFrame) {
  Window w = MakeWindow(100, 50, 640, 481);
  ASSERT_NE(w, 0u);
  gs.mainWindow = w;
  FitClientSize(320, 240);
  EXPECT_TRUE(SameRect(platform::GetClientRect(w), Rect{0, 0, 320, 240}));
  // 3 pixels a side, 22 for the caption and top border, 2 below.
  EXPECT_TRUE(SameRect(platform::GetWindowRect(w), Rect{100, 50, 426, 314}));

  // Fitting again to another size keeps the same place.
  FitClientSize(199, 101);
  EXPECT_TRUE(SameRect(platform::GetClientRect(w), Rect{0, 0, 199, 101}));
  EXPECT_TRUE(SameRect(platform::GetWindowRect(w), Rect{100, 50, 305, 175}));
}

TEST_F(WindowPlace, FitClientSizeOfAFramelessWindowAddsNothing) {
  Window w = platform::CreateWindow("TESTWND", "bare", 0, 10, 20, 500, 400, 0);
  ASSERT_NE(w, 0u);
  gs.mainWindow = w;
  FitClientSize(320, 240);
  EXPECT_TRUE(SameRect(platform::GetWindowRect(w), Rect{10, 20, 330, 260}));
}

TEST_F(WindowPlace, CentresByFlooringHalfTheDifference) {
  Window other = MakeWindow(10, 20, 300, 200);
  Window w = MakeWindow(0, 0, 101, 51);
  ASSERT_EQ(WindowCenter(w, other), 1);
  // floor(0.5 * 199) + 10, floor(0.5 * 149) + 20
  EXPECT_TRUE(SameRect(platform::GetWindowRect(w), Rect{109, 94, 210, 145}));

  // Wider than the window it is centred over: the half is floored downward.
  Window big = MakeWindow(0, 0, 351, 241);
  ASSERT_EQ(WindowCenter(big, other), 1);
  // floor(0.5 * -51) = -26, floor(0.5 * -41) = -21
  EXPECT_TRUE(SameRect(platform::GetWindowRect(big), Rect{-16, -1, 335, 240}));
}

TEST_F(WindowPlace, CentresOnTheDesktopWhenOtherIsZero) {
  Window w = MakeWindow(5, 5, 327, 265);
  ASSERT_EQ(WindowCenter(w, 0), 1);
  Rect d = platform::GetDesktopRect();
  int x = d.left + static_cast<int>(std::floor(0.5 * (d.width() - 327)));
  int y = d.top + static_cast<int>(std::floor(0.5 * (d.height() - 265)));
  EXPECT_TRUE(SameRect(platform::GetWindowRect(w), Rect{x, y, x + 327, y + 265}));
  EXPECT_TRUE(platform::sim::MessageBoxes().empty());
}

TEST_F(WindowPlace, WindowOfZeroIsRefusedWithItsMessage) {
  Window other = MakeWindow(10, 20, 300, 200);
  EXPECT_EQ(WindowCenter(0, other), 0);
  auto boxes = platform::sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "WindowCenter");
  EXPECT_EQ(boxes[0].text, "ハンドルに0は指定できません");
  EXPECT_EQ(boxes[0].flags, 0x40030u);  // exclamation icon, topmost
  EXPECT_EQ(boxes[0].owner, platform::GetForegroundWindow());
  // Nothing was moved.
  EXPECT_TRUE(SameRect(platform::GetWindowRect(other), Rect{10, 20, 310, 220}));
}

TEST_F(WindowPlace, MainWindowHasThePlayfieldAsClientCentredAndTitled) {
  PrepareProcess();
  Window w = CreateMainWindow();
  ASSERT_NE(w, 0u);
  EXPECT_EQ(Window(gs.mainWindow), w);
  EXPECT_TRUE(SameRect(platform::GetClientRect(w), Rect{0, 0, 320, 240}));
  Rect d = platform::GetDesktopRect();
  int x = d.left + static_cast<int>(std::floor(0.5 * (d.width() - 326)));
  int y = d.top + static_cast<int>(std::floor(0.5 * (d.height() - 264)));
  EXPECT_TRUE(SameRect(platform::GetWindowRect(w), Rect{x, y, x + 326, y + 264}));
  EXPECT_EQ(platform::GetWindowText(w), "Quillmoor Ver.1.00");
  // The back buffer is the playfield's size and bound to the game state.
  ASSERT_NE(gs.backSurface, nullptr);
  EXPECT_EQ(gs.backSurface->width(), 320);
  EXPECT_EQ(gs.backSurface->height(), 240);
  EXPECT_NE(GameThreadHandle(), 0u);
  EXPECT_NE(RegulatorThreadHandle(), 0u);
  // The constant parts of the game state are in place.
  EXPECT_EQ(gs.levelThreshold[5], 4000);
  EXPECT_EQ(gs.fpsChoices[3], 1000);
  EXPECT_EQ(gs.startQuota, 255);
  platform::DestroyWindow(w);
  EXPECT_EQ(GameThreadHandle(), 0u);
  EXPECT_EQ(RegulatorThreadHandle(), 0u);
}

}  // namespace
}  // namespace shelltest
