// Full-window mode: the switch there and back, and each failure with its
// message, byte for byte.
#include "display/full_window.h"
#include "shell_fixture.h"

using platform::Rect;
using platform::Window;

namespace shelltest {
namespace {

class FullWindow : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    gs.mainWindow = MakeWindow(200, 150, 326, 264);
    ASSERT_NE(Window(gs.mainWindow), 0u);
  }
  Rect Centred() const {
    Rect d = platform::GetDesktopRect();
    int x = d.left + static_cast<int>(std::floor(0.5 * (d.width() - 326)));
    int y = d.top + static_cast<int>(std::floor(0.5 * (d.height() - 264)));
    return Rect{x, y, x + 326, y + 264};
  }
};

TEST_F(FullWindow, SwitchesOverAndBack) {
  ToggleFullWindow();
  int handle = gs.displayHandle;
  EXPECT_GE(handle, 5);
  // The client area lies at the screen's origin.
  EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Rect{-3, -22, 323, 242}));
  EXPECT_TRUE(platform::sim::MessageBoxes().empty());
  EXPECT_GE(LogIndex("display mode 320x240x16"), 0);

  ToggleFullWindow();
  EXPECT_EQ(gs.displayHandle, 0);
  EXPECT_GE(LogIndex("display restored " + std::to_string(handle)), 0);
  EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Centred()));
  EXPECT_TRUE(platform::sim::MessageBoxes().empty());
}

TEST_F(FullWindow, FailureTextsAreExact) {
  EXPECT_EQ(FullWindowFailureText(1), "デスクトップハンドルの取得に失敗しました(Err=1)");
  EXPECT_EQ(FullWindowFailureText(2), "DirectDrawの作成に失敗しました(Err=2)");
  EXPECT_EQ(FullWindowFailureText(3), "フルスクリーンの設定に失敗しました(Err=3)");
  EXPECT_EQ(FullWindowFailureText(4), "画面解像度の切り替えに失敗しました(Err=4)");
}

class FullWindowFailure : public FullWindow, public ::testing::WithParamInterface<int> {};

TEST_P(FullWindowFailure, ReportsOnceStaysWindowedAndTriesAgain) {
  const int code = GetParam();
  platform::sim::SetDisplayFailure(code);
  ToggleFullWindow();
  EXPECT_EQ(gs.displayHandle, 0);
  EXPECT_TRUE(SameRect(platform::GetWindowRect(gs.mainWindow), Centred()));
  auto boxes = platform::sim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Full Window");
  EXPECT_EQ(boxes[0].text, FullWindowFailureText(code));
  EXPECT_EQ(boxes[0].flags, 0x40000u);
  EXPECT_EQ(boxes[0].owner, Window(gs.mainWindow));
  EXPECT_EQ(LogIndex("display restored"), -1);

  // The next F4 tries again, and now it works.
  platform::sim::SetDisplayFailure(0);
  ToggleFullWindow();
  EXPECT_GE(gs.displayHandle, 5);
  EXPECT_EQ(platform::sim::MessageBoxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Codes, FullWindowFailure, ::testing::Values(1, 2, 3, 4));

}  // namespace
}  // namespace shelltest
