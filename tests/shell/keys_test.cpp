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

// One row: the shared values before, a key (or an activation), and after.
TEST_F(Keys, KeysAndActivationSetTheSharedRequests) {
  struct Row {
    const char* what;
    int key, activate;  // activate -1: the key is pressed instead
    int fireBefore, pauseBefore, fireAfter, pauseAfter, quitAfter;
  };
  const Row rows[] = {
      {"Shift selects AUTO", platform::VK_SHIFT, -1, 0, 0, 1, 0, 0},
      {"Shift again", platform::VK_SHIFT, -1, 1, 0, 1, 0, 0},
      {"Ctrl selects MANUAL", platform::VK_CONTROL, -1, 1, 0, 0, 0, 0},
      {"P requests a pause", 80, -1, 0, 0, 0, 240, 0},
      {"P while pending", 80, -1, 0, 240, 0, 240, 0},
      {"P while paused resumes", 80, -1, 0, 1, 0, 0, 0},
      {"Enter requests a pause", platform::VK_RETURN, -1, 0, 0, 0, 240, 0},
      {"Enter while pending", platform::VK_RETURN, -1, 0, 240, 0, 240, 0},
      {"Enter while paused resumes", platform::VK_RETURN, -1, 0, 1, 0, 0, 0},
      {"F2 abandons", platform::VK_F2, -1, 0, 0, 0, 0, 1},
      {"deactivated while paused: one more frame", 0, 0, 0, 1, 0, 240, 0},
      {"activated", 0, 1, 0, 0, 0, 0, 0},
      {"activated by a click", 0, 2, 0, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    gs.fireMode = r.fireBefore;
    gs.pauseState = r.pauseBefore;
    gs.quitRequested = 0;
    if (r.activate >= 0) OnActivate(r.activate);
    else OnKeyDown(r.key);
    EXPECT_EQ(gs.fireMode, r.fireAfter);
    EXPECT_EQ(gs.pauseState, r.pauseAfter);
    EXPECT_EQ(gs.quitRequested, r.quitAfter);
  }
  gs.fireMode = 1;
  gs.pauseState = 0;
  for (int key : {0, 65, 81, 112, 114, 255, -1}) OnKeyDown(key);  // not keys of the game
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

// Rows of (time, key, down); the wait ends within a poll of `ends`.
TEST_F(Keys, WaitKeyPressNeedsAWholePressOfEnterAfterAnyHeldOne) {
  struct Row {
    const char* what;
    std::vector<std::tuple<uint64_t, int, bool>> events;
    uint64_t ends;
  };
  const Row rows[] = {
      {"Enter held at the start does not count",
       {{0, platform::VK_RETURN, true}, {100, platform::VK_RETURN, false},
        {300, platform::VK_RETURN, true}, {420, platform::VK_RETURN, false}}, 420},
      {"other keys are ignored",
       {{50, platform::VK_SPACE, true}, {80, platform::VK_SPACE, false},
        {200, platform::VK_RETURN, true}, {260, platform::VK_RETURN, false}}, 260},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    platform::sim::Reset();
    for (const auto& [at, key, down] : r.events) {
      if (at == 0) PressKey(key);
      else ScheduleAt(at, [key, down] { down ? PressKey(key) : ReleaseKey(key); });
    }
    WaitKeyPress(platform::VK_RETURN);
    EXPECT_GE(platform::sim::Now(), r.ends);
    EXPECT_LE(platform::sim::Now(), r.ends + 2);  // polled every millisecond
    EXPECT_FALSE(platform::KeyHeld(platform::VK_RETURN));
  }
}

}  // namespace
}  // namespace shelltest
