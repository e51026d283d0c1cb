// A process killed while it saves the settings, hundreds of times: a child
// saves in a loop, each save with a higher high score, and is killed with
// SIGKILL at a random moment. Every time, the file must be a whole save
// (seven CR LF lines that read back to the same bytes) and never older than
// the last one seen: the old file or a new one, never a torn one.
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

#include "game/game_state.h"
#include "settings/settings.h"
#include "tests/scenario/scenario.h"

namespace {

namespace fs = std::filesystem;

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

// Saves for ever with a rising high score; never returns.
[[noreturn]] void SaveLoop(const std::string& path, int32_t first) {
  for (int32_t v = first;; ++v) {
    SetValues(v);
    SaveSettingsTo(path);
  }
}

TEST(SaveKill, AKillDuringSavesLeavesTheOldFileOrTheNewOneNeverATornOne) {
  const fs::path dir = fs::path(QM_BINARY_DIR) / "faults" / "save_kill";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "quillmoor.ini").string();
  SetValues(0);
  ASSERT_TRUE(SaveSettingsTo(path));

  // A save's time here and now (it syncs the disk, so it varies with the
  // machine's load); kills come within a few of them, so that many land in
  // the middle of a save and some between two.
  const auto before = std::chrono::steady_clock::now();
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(SaveSettingsTo(path));
  const auto saveUs = std::chrono::duration_cast<std::chrono::microseconds>(
                          std::chrono::steady_clock::now() - before)
                          .count() / 10;
  std::mt19937 rng(7);
  std::uniform_int_distribution<long long> delayUs(0, std::max<long long>(4 * saveUs, 400));
  int32_t last = 0;
  int changed = 0, midSave = 0;
  for (int round = 0; round < kKills; ++round) {
    const int32_t first = (round + 1) * 100000;
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) SaveLoop(path, first);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
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
    // The old file, or one of this child's saves.
    ASSERT_TRUE(v.hiScore == last || v.hiScore >= first)
        << "round " << round << ": high score " << v.hiScore << " after " << last;
    if (v.hiScore != last) ++changed;
    // A temporary file left behind: this kill came in the middle of a save.
    if (fs::exists(path + ".tmp")) ++midSave;
    last = v.hiScore;
  }
  // Most children got at least one save through before the kill, and many
  // kills came in the middle of one.
  EXPECT_GT(changed, kKills / 4);
  EXPECT_GT(midSave, kKills / 4);
  std::printf("save kill: %d kills, %d in the middle of a save, %d left a newer file, none torn"
              " (a save took %lld us)\n",
              kKills, midSave, changed, static_cast<long long>(saveUs));

  // The game still loads what the last kill left.
  SetValues(0);
  gs.hiScore = -1;
  ASSERT_TRUE(LoadSettingsFrom(path));
  EXPECT_EQ(gs.hiScore, last);
  fs::remove_all(dir);
}

}  // namespace
