// No sound device: the headless backend always renders its sound into memory,
// so this is the SDL game's case. Under a private X server, with
// SDL_AUDIODRIVER naming a driver that does not exist or one that finds no
// device, `quillmoor` must still open its window, play on in silence, and end
// with code 0 and its settings written when Escape is pressed. Skipped, with
// the reason, where no X server can be started.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tests/faults/faults.h"
#include "tests/support/child_process.h"

namespace faults {
namespace {

bool Have(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

class NoSound : public scenario::ScenarioTest {};

TEST_F(NoSound, TheGameStartsPlaysSilentAndEndsWithZeroOnEscape) {
#ifndef QM_GAME_BINARY
  GTEST_SKIP() << "the SDL game is not built here";
#else
  if (!Have("Xvfb") || !Have("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  testsupport::XServer x;
  std::string why;
  if (!x.Start(why)) GTEST_SKIP() << "no X server for this test: " << why;
  // A driver name SDL does not know, and a real driver with no device here.
  for (const std::string driver : {"no-such-driver", "alsa"}) {
    SCOPED_TRACE(driver);
    const fs::path dir = dir_ / driver;
    fs::create_directories(dir);
    // Its own copy of the game, so that the settings file lands here; run
    // from the repository, where image/ and bgm/ are.
    fs::copy_file(QM_GAME_BINARY, dir / "quillmoor");
    const std::string out = (dir / "output.txt").string();
    const pid_t game = testsupport::Spawn(
        {.argv = {(dir / "quillmoor").string()},
         .setEnv = testsupport::WithoutLeakCheck({"DISPLAY=" + x.display(), "SDL_AUDIODRIVER=" + driver}),
         .unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
         .outFile = out,
         .errFile = out,
         .cwd = QM_SOURCE_DIR});
    ASSERT_GT(game, 0);
    const std::string xdo = "DISPLAY=" + x.display() + " timeout 20 xdotool";
    const std::string found = (dir / "window.txt").string();
    ASSERT_EQ(std::system((xdo + " search --sync --name '^Quillmoor Ver\\.1\\.00$' > '" + found +
                           "' 2>/dev/null").c_str()), 0)
        << "no game window; the game said: " << ReadFile(out);
    const std::string window = ReadFile(found);
    // Into the title screen, where the opening music would be playing.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(waitpid(game, nullptr, WNOHANG), 0) << "the game ended by itself: " << ReadFile(out);
    EXPECT_EQ(std::system((xdo + " windowfocus --sync " + window.substr(0, window.find('\n')) +
                           " key Escape >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(testsupport::WaitExit(game, 20000), 0) << ReadFile(out);
    EXPECT_EQ(SettingsLines(dir / "quillmoor.ini", why).size(), 7u) << why;
  }
#endif
}

}  // namespace
}  // namespace faults
