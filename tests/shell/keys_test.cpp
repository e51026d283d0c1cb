// The key handlers of the main window and the whole-press wait.
#include "flow/keys.h"
#include "frame/play_input.h"
#include "shell/main_window.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

using platform::sim::PressKey;
using platform::sim::ReleaseKey;
using platform::sim::ScheduleAt;

class Keys : public ShellTest {};

TEST_F(Keys, KeysAndActivationSetTheSharedRequests) {
  // key, or activation when >= 0; fire mode and pause before; fire, pause, quit after.
  const struct { int key, activate, fire, pause, fireAfter, pauseAfter, quitAfter; } rows[] = {
      {16, -1, 0, 0, 1, 0, 0}, {16, -1, 1, 0, 1, 0, 0}, {17, -1, 1, 0, 0, 0, 0},  // Shift, Ctrl
      {80, -1, 0, 0, 0, 240, 0}, {80, -1, 0, 240, 0, 240, 0}, {80, -1, 0, 1, 0, 0, 0},  // P
      {13, -1, 0, 0, 0, 240, 0}, {13, -1, 0, 240, 0, 240, 0}, {13, -1, 0, 1, 0, 0, 0},  // Enter
      {platform::VK_F2, -1, 0, 0, 0, 0, 1},
      {0, 0, 0, 1, 0, 240, 0},  // deactivated while paused: one more frame
      {0, 1, 0, 0, 0, 0, 0},    {0, 2, 0, 0, 0, 0, 0},  // activated, by a click
      {0, -1, 1, 0, 1, 0, 0},   {65, -1, 1, 0, 1, 0, 0}, {114, -1, 1, 0, 1, 0, 0},  // not keys of the game
      {255, -1, 1, 0, 1, 0, 0}, {-1, -1, 1, 0, 1, 0, 0}};
  for (const auto& r : rows) {
    gs.fireMode = r.fire, gs.pauseState = r.pause, gs.quitRequested = 0;
    r.activate >= 0 ? OnActivate(r.activate) : OnKeyDown(r.key);
    EXPECT_EQ(gs.fireMode, r.fireAfter) << r.key << " " << r.activate;
    EXPECT_EQ(gs.pauseState, r.pauseAfter) << r.key << " " << r.activate;
    EXPECT_EQ(gs.quitRequested, r.quitAfter) << r.key << " " << r.activate;
  }
}

TEST_F(Keys, OptionsOpenOnlyOnTheTitleAndWindowed) {
  PrepareProcess();
  ASSERT_NE(CreateMainWindow(), 0u);
  for (auto [title, display] : {std::pair{0, 0}, {1, 5}}) {
    gs.titleActive = title, gs.displayHandle = display;
    OnKeyDown('S');
    EXPECT_EQ(LogIndex("\"Option\""), -1) << title;
  }
  gs.displayHandle = 0;
  // Modal: the window runs its own loop until Escape closes it.
  ScheduleAt(platform::sim::Now() + 200, [] { PressKey(platform::VK_ESCAPE), ReleaseKey(platform::VK_ESCAPE); });
  OnKeyDown('S');
  EXPECT_GE(LogIndex("window destroyed \"Option\""), 0);
  EXPECT_TRUE(platform::IsWindow(gs.mainWindow));  // Escape closed the options only
  platform::DestroyWindow(gs.mainWindow);
}

TEST_F(Keys, EnterHeldWhenTheWaitStartsDoesNotCount) {
  PressKey(platform::VK_RETURN);
  for (auto [at, key, down] : {std::tuple{100, platform::VK_RETURN, false}, {150, platform::VK_SPACE, true},
                               {300, platform::VK_RETURN, true}, {420, platform::VK_RETURN, false}})
    ScheduleAt(at, [key, down] { down ? PressKey(key) : ReleaseKey(key); });
  WaitKeyPress(platform::VK_RETURN);
  EXPECT_GE(platform::sim::Now(), 420u);
  EXPECT_LE(platform::sim::Now(), 422u);  // polled every millisecond
}

}  // namespace
}  // namespace shelltest
