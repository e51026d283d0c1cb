// A process killed while it saves the settings, hundreds of times: a child
// saves in a loop with a rising high score, telling the parent through a pipe
// each time a save has returned; the parent lets 0 to 2 saves through and
// kills it at a random moment within about one more save. The file must be
// a whole save every time, never older than the last save that returned: the
// old file or a new one, never a torn one.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "settings/settings.h"
#include "state/game_state.h"
#include "tests/faults/faults.h"

namespace faults {
namespace {

using Clock = std::chrono::steady_clock;

void SetValues(int32_t hiScore) {
  gs.targetFps = 60;
  gs.frameDelay = 14;
  gs.fireMode = 1;
  gs.spareSetting = 7;
  gs.hiScore = hiScore;
  gs.enemySlots = 20;
  gs.godUnlocked = 1;
}

class SaveKill : public scenario::ScenarioTest {};

TEST_F(SaveKill, AKillDuringSavesLeavesTheOldFileOrTheNewOneNeverATornOne) {
  constexpr int kKills = 200;
  const std::string path = P("quillmoor.ini");
  SetValues(0);
  ASSERT_TRUE(SaveSettingsTo(path));
  // A save syncs the disk, so its time follows the machine's load: measured
  // at first, then from the child's own pace.
  auto mark = Clock::now();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(SaveSettingsTo(path));
  double saveUs = std::chrono::duration<double, std::micro>(Clock::now() - mark).count() / 5;
  std::mt19937 rng(7);
  int32_t last = 0;
  int newer = 0, midSave = 0;
  for (int round = 0; round < kKills; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int32_t first = (round + 1) * 100000;
    const int through = static_cast<int>(rng() % 3);  // whole saves let through first
    const double fraction = std::uniform_real_distribution<double>(0, 1.2)(rng);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      for (int32_t v = first;; ++v) {
        SetValues(v);
        SaveSettingsTo(path);
        if (write(fds[1], "s", 1) != 1) _exit(1);
      }
    }
    close(fds[1]);
    mark = Clock::now();
    for (int i = 0; i < through; ++i) {
      char c;
      ASSERT_EQ(read(fds[0], &c, 1), 1) << "the saver stopped";
      const auto now = Clock::now();
      if (i > 0) saveUs = 0.8 * saveUs + 0.2 * std::chrono::duration<double, std::micro>(now - mark).count();
      mark = now;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(fraction * saveUs)));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself";

    const std::string bytes = scenario::ReadFile(path);
    const SettingsValues v = ParseSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_EQ(FormatSettings(v), bytes) << "torn file \"" << bytes << "\"";
    ASSERT_EQ(FormatSettings({60, 14, 1, 7, v.hiScore, 20, 1}), bytes);
    // The old file or one of this child's saves; a save that returned stays.
    ASSERT_TRUE(v.hiScore == last || v.hiScore >= first) << v.hiScore << " after " << last;
    if (through > 0) {
      ASSERT_GE(v.hiScore, first + through - 1) << "a finished save lost";
    }
    newer += v.hiScore != last;
    midSave += fs::exists(path + ".tmp");  // this kill came in the middle of a save
    last = v.hiScore;
  }
  // The kills came both inside saves and after them.
  EXPECT_GT(midSave, kKills / 10);
  EXPECT_GT(newer, kKills / 2);
  // The game still loads what the last kill left.
  gs.hiScore = -1;
  ASSERT_TRUE(LoadSettingsFrom(path));
  EXPECT_EQ(gs.hiScore, last);
}

}  // namespace
}  // namespace faults
