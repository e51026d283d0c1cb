// Closing saves and gives the desktop back before anything the game thread
// uses is released; a failing message loop ends without the destroy handler.
#include <fstream>

#include "flow/assets.h"
#include "settings/settings.h"
#include "shell/main_window.h"
#include "shell/shell.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

using platform::sim::ScheduleAt;

class Shutdown : public ShellTest {
 protected:
  std::string Settings() const { std::ifstream in(dir_ / "quillmoor.ini"); return {std::istreambuf_iterator<char>(in), {}}; }
};

TEST_F(Shutdown, EscapeInFullWindowAndTheCloseBoxSaveAndRestoreBeforeReleasing) {
  for (bool closeBox : {false, true}) {
    SetUp();
    ScheduleAt(300, [] { gs.hiScore = 12345; });
    ScheduleAt(400, [] { platform::sim::PressKey(platform::VK_F4), platform::sim::ReleaseKey(platform::VK_F4); });
    ScheduleAt(900, [closeBox] {
      closeBox ? (void)platform::PostMessage(platform::sim::MainWindow(), platform::WM_CLOSE, 0, 0)
               : platform::sim::PressKey(platform::VK_ESCAPE);
    });
    EXPECT_EQ(QuillmoorMain(), 0);
    const int entered = LogIndex("display mode 320x240x16");
    ASSERT_GE(entered, 0) << closeBox;
    int last = entered;  // in this order after the switch
    for (const char* step : {"settings written", "display restored", "game thread stopped", "pictures freed",
                             "back buffer released", "window destroyed"}) {
      EXPECT_GT(LogIndex(step, entered), last) << step << closeBox;
      last = std::max(LogIndex(step, entered), last);
    }
    EXPECT_EQ(gs.displayHandle, 0);
    EXPECT_NE(Settings().find("12345"), std::string::npos);
    EXPECT_EQ(GameThreadHandle() + RegulatorThreadHandle(), 0u);
    TearDown();
  }
}

TEST_F(Shutdown, MessageLoopErrorEndsWithoutTheDestroyHandler) {
  LoadSettings();  // made here; an existing file is not rewritten at start-up
  const std::string before = Settings();
  const int baseline = static_cast<int>(platform::sim::LogLines().size());
  ScheduleAt(250, [] { gs.hiScore = 999; });
  ScheduleAt(400, [] { platform::sim::PressKey('A'); });  // any message after the failure
  EXPECT_EQ(RunShell([](platform::Message& m) {  // fails once the clock passes 300 ms
              const int r = platform::GetMessage(m);
              return platform::sim::Now() >= 300 ? -1 : r;
            }), 0);
  for (const char* step : {"window destroyed", "settings written", "back buffer released"})
    EXPECT_EQ(LogIndex(step, baseline), -1) << step;
  EXPECT_TRUE(platform::IsWindow(platform::sim::MainWindow()));
  EXPECT_EQ(Settings(), before);
  EXPECT_EQ(GameThreadHandle() + RegulatorThreadHandle(), 0u);  // stopped all the same
  FreeImages();  // left loaded without the destroy handler
}

}  // namespace
}  // namespace shelltest
