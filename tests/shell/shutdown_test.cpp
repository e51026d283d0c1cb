// The whole shell on the sim backend: closing saves the settings and gives
// the desktop back before anything the game thread uses is released; a
// failing message loop ends without the destroy handler.
#include <fstream>
#include <sstream>

#include "flow/assets.h"
#include "settings/settings.h"
#include "shell/main_window.h"
#include "shell/shell.h"
#include "shell_fixture.h"
#include "state/pictures.h"

namespace shelltest {
namespace {

using platform::sim::PressKey;
using platform::sim::ReleaseKey;
using platform::sim::ScheduleAt;

class Shutdown : public ShellTest {
 protected:
  std::string ReadSettings() const {
    std::ifstream in(SettingsFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};

TEST_F(Shutdown, EscapeInFullWindowSavesAndRestoresBeforeReleasing) {
  ScheduleAt(300, [] { gs.hiScore = 12345; });
  ScheduleAt(400, [] { PressKey(platform::VK_F4); });
  ScheduleAt(450, [] { ReleaseKey(platform::VK_F4); });
  ScheduleAt(900, [] { PressKey(platform::VK_ESCAPE); });
  EXPECT_EQ(QuillmoorMain(), 0);

  const int entered = LogIndex("display mode 320x240x16");
  ASSERT_GE(entered, 0) << "F4 did not reach full-window mode";
  // In this order after the switch (the save at exit is the one after it; a
  // missing file is also written once at start-up).
  int last = entered;
  for (const char* step : {"settings written", "display restored", "game thread stopped",
                           "pictures freed", "back buffer released", "window destroyed"}) {
    const int at = LogIndex(step, entered);
    EXPECT_GT(at, last) << step;
    last = std::max(at, last);
  }
  EXPECT_EQ(gs.displayHandle, 0);
  EXPECT_NE(ReadSettings().find("12345"), std::string::npos);
  EXPECT_EQ(GameThreadHandle(), 0u);
  EXPECT_EQ(RegulatorThreadHandle(), 0u);
}

TEST_F(Shutdown, CloseBoxEndsLikeEscape) {
  ScheduleAt(500, [] { platform::PostMessage(platform::sim::MainWindow(), platform::WM_CLOSE, 0, 0); });
  EXPECT_EQ(QuillmoorMain(), 0);
  EXPECT_GE(LogIndex("window destroyed"), 0);
  EXPECT_GE(LogIndex("back buffer released"), 0);
  EXPECT_EQ(LogIndex("display restored"), -1);  // windowed: nothing to restore
}

// Hands out messages until the simulated clock passes 300 ms, then fails.
int FailingSource(platform::Message& m) {
  int r = platform::GetMessage(m);
  return platform::sim::Now() >= 300 ? -1 : r;
}

TEST_F(Shutdown, MessageLoopErrorEndsWithoutTheDestroyHandler) {
  SaveSettings();  // an existing file is not rewritten at start-up
  const std::string before = ReadSettings();
  const int baseline = static_cast<int>(platform::sim::LogLines().size());
  ScheduleAt(250, [] { gs.hiScore = 999; });
  ScheduleAt(400, [] { PressKey('A'); });  // any message after the failure point
  EXPECT_EQ(RunShell(FailingSource), 0);

  EXPECT_EQ(LogIndex("window destroyed", baseline), -1);
  EXPECT_EQ(LogIndex("settings written", baseline), -1);
  EXPECT_EQ(LogIndex("back buffer released", baseline), -1);
  EXPECT_TRUE(platform::IsWindow(platform::sim::MainWindow()));
  EXPECT_EQ(ReadSettings(), before);
  // The threads are stopped all the same.
  EXPECT_EQ(GameThreadHandle(), 0u);
  EXPECT_EQ(RegulatorThreadHandle(), 0u);
  // Without the destroy handler the pictures stay loaded; the next test in
  // this process would load them over the top.
  FreeImages();
}

TEST_F(Shutdown, LoadingPictureIsWhatTheWindowShows) {
  ScheduleAt(500, [] {
    platform::Surface shown;
    ASSERT_TRUE(platform::sim::RenderMainWindow(shown));
    ASSERT_EQ(shown.width(), 320);
    ASSERT_EQ(shown.height(), 240);
    ASSERT_NE(gs.backSurface, nullptr);
    int differing = 0, yellow = 0;
    for (int y = 0; y < 240; ++y)
      for (int x = 0; x < 320; ++x) {
        if (shown.at(x, y) != gs.backSurface->at(x, y)) ++differing;
        if (shown.at(x, y) == 0xFFFF00) ++yellow;
      }
    EXPECT_EQ(differing, 0);
    // ".. Now Loading .." in yellow across the middle.
    EXPECT_GT(yellow, 100);
    PressKey(platform::VK_ESCAPE);
  });
  EXPECT_EQ(QuillmoorMain(), 0);
}

}  // namespace
}  // namespace shelltest
