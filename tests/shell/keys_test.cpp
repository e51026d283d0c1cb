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

TEST_F(Keys, ShiftAndCtrlSwitchTheFiringMode) {
  gs.fireMode = 0;
  OnKeyDown(platform::VK_SHIFT);
  EXPECT_EQ(gs.fireMode, 1);
  OnKeyDown(platform::VK_SHIFT);  // a repeat changes nothing more
  EXPECT_EQ(gs.fireMode, 1);
  OnKeyDown(platform::VK_CONTROL);
  EXPECT_EQ(gs.fireMode, 0);
}

TEST_F(Keys, PauseAndEnterRequestPauseResumeAndLeaveARequestAlone) {
  for (int key : {80, int(platform::VK_RETURN)}) {
    gs.pauseState = 0;
    OnKeyDown(key);
    EXPECT_EQ(gs.pauseState, 240) << key;
    OnKeyDown(key);  // still pending: unchanged
    EXPECT_EQ(gs.pauseState, 240) << key;
    gs.pauseState = 1;
    OnKeyDown(key);
    EXPECT_EQ(gs.pauseState, 0) << key;
  }
}

TEST_F(Keys, F2AbandonsAndDeactivationRequestsAPause) {
  OnKeyDown(platform::VK_F2);
  EXPECT_EQ(gs.quitRequested, 1);
  gs.pauseState = 1;  // paused: losing activation asks for one more frame
  OnActivate(0);
  EXPECT_EQ(gs.pauseState, 240);
  gs.pauseState = 0;
  OnActivate(1);
  EXPECT_EQ(gs.pauseState, 0);
  OnActivate(2);  // activated by a click
  EXPECT_EQ(gs.pauseState, 0);
}

TEST_F(Keys, UnknownKeysChangeNothing) {
  gs.fireMode = 1;
  gs.pauseState = 0;
  for (int key : {0, 65, 81, 112, 114, 255, -1}) OnKeyDown(key);
  EXPECT_EQ(gs.fireMode, 1);
  EXPECT_EQ(gs.pauseState, 0);
  EXPECT_EQ(gs.quitRequested, 0);
  EXPECT_EQ(gs.displayHandle, 0);
}

TEST_F(Keys, OptionsOpenOnlyOnTheTitleAndWindowed) {
  PrepareProcess();
  ASSERT_NE(CreateMainWindow(), 0u);
  gs.titleActive = 0;
  OnKeyDown('S');
  EXPECT_EQ(LogIndex("\"Option\""), -1);
  gs.titleActive = 1;
  gs.displayHandle = 5;
  OnKeyDown('S');
  EXPECT_EQ(LogIndex("\"Option\""), -1);
  gs.displayHandle = 0;
  // Modal: the window runs its own loop until Escape closes it.
  ScheduleAt(platform::sim::Now() + 200, [] { PressKey(platform::VK_ESCAPE); });
  ScheduleAt(platform::sim::Now() + 250, [] { ReleaseKey(platform::VK_ESCAPE); });
  OnKeyDown('S');
  EXPECT_GE(LogIndex("window created \"Option\""), 0);
  EXPECT_GE(LogIndex("window destroyed \"Option\""), 0);
  EXPECT_TRUE(platform::IsWindow(gs.mainWindow));  // Escape closed the options only
  platform::DestroyWindow(gs.mainWindow);
}

TEST_F(Keys, EscapeAndF4ReachTheShell) {
  PrepareProcess();
  platform::Window w = CreateMainWindow();
  ASSERT_NE(w, 0u);
  OnKeyDown(platform::VK_F4);
  EXPECT_GE(gs.displayHandle, 5);
  OnKeyDown(platform::VK_F4);
  EXPECT_EQ(gs.displayHandle, 0);
  OnKeyDown(platform::VK_ESCAPE);
  EXPECT_FALSE(platform::IsWindow(w));
  EXPECT_GE(LogIndex("settings written"), 0);
}

TEST_F(Keys, WaitKeyPressNeedsAWholePressAfterAnyHeldOne) {
  // Enter is already down when the wait starts: that press does not count.
  PressKey(platform::VK_RETURN);
  ScheduleAt(100, [] { ReleaseKey(platform::VK_RETURN); });
  ScheduleAt(300, [] { PressKey(platform::VK_RETURN); });
  ScheduleAt(420, [] { ReleaseKey(platform::VK_RETURN); });
  WaitKeyPress(platform::VK_RETURN);
  EXPECT_GE(platform::sim::Now(), 420u);
  EXPECT_LE(platform::sim::Now(), 422u);  // polled every millisecond
  EXPECT_FALSE(platform::KeyHeld(platform::VK_RETURN));
}

TEST_F(Keys, WaitKeyPressIgnoresOtherKeys) {
  ScheduleAt(50, [] { PressKey(platform::VK_SPACE); });
  ScheduleAt(80, [] { ReleaseKey(platform::VK_SPACE); });
  ScheduleAt(200, [] { PressKey(platform::VK_RETURN); });
  ScheduleAt(260, [] { ReleaseKey(platform::VK_RETURN); });
  WaitKeyPress(platform::VK_RETURN);
  EXPECT_GE(platform::sim::Now(), 260u);
  EXPECT_LE(platform::sim::Now(), 262u);
}

}  // namespace
}  // namespace shelltest
