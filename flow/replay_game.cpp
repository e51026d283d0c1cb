#include "flow/replay_game.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>

#include "entities/tables.h"
#include "flow/new_game.h"
#include "flow/play_game.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "settings/settings.h"
#include "state/game_state.h"
#include "zkmci/zkmci.h"

namespace {

std::mutex heldMutex;
std::optional<replay::Record> pending;  // to watch before the first title
struct Held {
  SettingsValues settings;
  int32_t startQuota = 0, startScore = 0;
};
std::optional<Held> held;  // the player's own while a recording is watched
std::atomic<bool> watchingNow{false};

void HoldPlayerSettings() {
  std::lock_guard<std::mutex> lock(heldMutex);
  held = Held{CurrentSettings(), gs.startQuota, gs.startScore};
}

}  // namespace

void SetUpRecordedGame(const replay::Start& start) {
  gs.enemySlots = start.enemySlots;
  gs.fireMode = start.fireMode;
  gs.targetFps = start.targetFps;
  gs.startQuota = start.startQuota;
  gs.startScore = start.startScore;
  NewGame();
  gs.levelUpTimer = start.levelUpTimer;
  gs.grazeCooldown = start.grazeCooldown;
  gs.bossMaxHp = start.bossMaxHp;
  gs.quitRequested = 0;
  SetRandomSeed(start.seed);
}

replay::Verdict VerifyRecordedGame(const replay::Record& rec) {
  replay::SessionScope session;
  SetUpRecordedGame(rec.start);
  replay::StartReplaying(rec, false);
  const PlayEnd end = PlayFrames();
  return replay::FinishReplaying(static_cast<int>(end));
}

bool WatchReplayFile(const std::string& path, std::string& error) {
  replay::Record rec;
  std::string why;
  if (!replay::LoadFile(path, rec, why)) {
    error = path + ": " + why;
    return false;
  }
  WatchReplayFirst(rec);
  return true;
}

void WatchReplayFirst(const replay::Record& rec) {
  std::lock_guard<std::mutex> lock(heldMutex);
  pending = rec;
}

bool WatchingReplay() { return watchingNow; }

void RestorePlayerSettings() {
  std::lock_guard<std::mutex> lock(heldMutex);
  if (!held) return;
  const SettingsValues& v = held->settings;
  gs.targetFps = v.targetFps;
  gs.frameDelay = v.frameDelay;
  gs.fireMode = v.fireMode;
  gs.hiScore = v.hiScore;
  gs.enemySlots = v.enemySlots;
  gs.godUnlocked = v.godUnlocked;
  gs.startQuota = held->startQuota;
  gs.startScore = held->startScore;
  held.reset();
}

void WatchPendingReplay() {
  std::optional<replay::Record> rec;
  {
    std::lock_guard<std::mutex> lock(heldMutex);
    rec.swap(pending);
  }
  if (!rec) return;
  HoldPlayerSettings();
  watchingNow = true;
  // Stopped halfway (the window closed), the player's settings still come back.
  struct Done {
    ~Done() {
      replay::Reset();
      RestorePlayerSettings();
      watchingNow = false;
    }
  } done;
  SetUpRecordedGame(rec->start);
  replay::StartReplaying(*rec, true);
  SoundCommand(gs.BgmId[2], kSoundPlayLooped, 0, "");
  const PlayEnd end = PlayFrames();
  gs.frameCount = -1;
  const replay::Verdict v = replay::FinishReplaying(static_cast<int>(end));
  platform::LogEvent(v.match ? "replay as recorded, " + std::to_string(rec->frameCount) + " frames"
                             : "replay differs at frame " + std::to_string(v.frame) + ": " + v.why);
  platform::Sleep(1000);
  WipeToBlack();
  SoundCommand(gs.BgmId[2], kSoundStop, 0, "");
  SoundCommand(gs.BgmId[3], kSoundStop, 0, "");
  platform::Sleep(1000);
}
