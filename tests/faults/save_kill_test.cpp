// A process killed while it saves the settings, hundreds of times: a child
// saves in a loop, each save with a higher high score, telling the parent
// through a pipe each time a save has returned; the parent lets 0 to 2 saves
// through and kills it with SIGKILL at a random moment within about one
// more save. Every time, the file must be a whole save (seven CR LF lines
// that read back to the same bytes), never older than the last save that
// returned, and never older than what was seen before: the old file or a new
// one, never a torn one.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "settings/settings.h"
#include "state/game_state.h"
#include "tests/scenario/scenario.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kKills = 400;

void SetValues(int32_t hiScore) {
  gs.targetFps = 60;
  gs.frameDelay = 14;
  gs.fireMode = 1;
  gs.spareSetting = 7;
  gs.hiScore = hiScore;
  gs.enemySlots = 20;
  gs.godUnlocked = 1;
}

// Saves for ever with a rising high score, writing a byte to `done` after
// each save has returned; never returns.
[[noreturn]] void SaveLoop(const std::string& path, int32_t first, int done) {
  for (int32_t v = first;; ++v) {
    SetValues(v);
    SaveSettingsTo(path);
    const char c = 's';
    if (write(done, &c, 1) != 1) _exit(1);
  }
}

TEST(SaveKill, AKillDuringSavesLeavesTheOldFileOrTheNewOneNeverATornOne) {
  const fs::path dir = fs::path(QM_BINARY_DIR) / "faults" / "save_kill";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "quillmoor.ini").string();
  SetValues(0);
  ASSERT_TRUE(SaveSettingsTo(path));

  // A save syncs the disk, so its time follows the machine's load: it is
  // measured as the kills go on, from the child's own pace.
  double saveUs = 0;
  {
    const auto before = Clock::now();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(SaveSettingsTo(path));
    saveUs = std::chrono::duration<double, std::micro>(Clock::now() - before).count() / 5;
  }
  std::mt19937 rng(7);
  int32_t last = 0;
  int newer = 0, midSave = 0;
  for (int round = 0; round < kKills; ++round) {
    const int32_t first = (round + 1) * 100000;
    const int through = static_cast<int>(rng() % 3);  // whole saves let through first
    const double fraction = std::uniform_real_distribution<double>(0, 1.2)(rng);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      SaveLoop(path, first, fds[1]);
    }
    close(fds[1]);
    auto mark = Clock::now();
    for (int i = 0; i < through; ++i) {
      char c;
      ASSERT_EQ(read(fds[0], &c, 1), 1) << "the saver stopped";
      const auto now = Clock::now();
      if (i > 0) {  // a whole save from one byte to the next
        const double us = std::chrono::duration<double, std::micro>(now - mark).count();
        saveUs = 0.8 * saveUs + 0.2 * us;
      }
      mark = now;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(fraction * saveUs)));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself";

    const std::string bytes = scenario::ReadFile(path);
    const SettingsValues v =
        ParseSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_EQ(FormatSettings(v), bytes) << "round " << round << ": torn file \"" << bytes << "\"";
    ASSERT_EQ(v.targetFps, 60);
    ASSERT_EQ(v.frameDelay, 14);
    ASSERT_EQ(v.fireMode, 1);
    ASSERT_EQ(v.spareSetting, 7);
    ASSERT_EQ(v.enemySlots, 20);
    ASSERT_EQ(v.godUnlocked, 1);
    // The old file, or one of this child's saves; a save that returned is
    // there for good.
    ASSERT_TRUE(v.hiScore == last || v.hiScore >= first)
        << "round " << round << ": high score " << v.hiScore << " after " << last;
    if (through > 0) {
      ASSERT_GE(v.hiScore, first + through - 1) << "round " << round << ": a finished save lost";
    }
    if (v.hiScore != last) ++newer;
    // A temporary file left behind: this kill came in the middle of a save.
    if (fs::exists(path + ".tmp")) ++midSave;
    last = v.hiScore;
  }
  // The kills came both inside saves and after them.
  EXPECT_GT(midSave, kKills / 10);
  EXPECT_GT(newer, kKills / 2);
  std::printf("save kill: %d kills, %d left a temporary file (in the middle of a save), %d a newer"
              " file, none torn (a save took about %.0f us)\n",
              kKills, midSave, newer, saveUs);

  // The game still loads what the last kill left.
  SetValues(0);
  gs.hiScore = -1;
  ASSERT_TRUE(LoadSettingsFrom(path));
  EXPECT_EQ(gs.hiScore, last);
  fs::remove_all(dir);
}

}  // namespace
