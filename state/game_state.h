// The one process-wide record of shared game values.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "state/shared_value.h"

struct GameState {
  // Every integer is a SharedInt: the window thread, the regulator and the
  // game thread read and write them without a lock.
  SharedInt targetFps{0};
  SharedInt measuredFps{0};
  SharedInt frameCount{0};
  SharedInt frameDelay{0};
  SharedInt scrollY{0};
  SharedInt scrollSpeed{0};
  SharedInt score{0};
  SharedInt shownScore{0};
  SharedInt hiScore{0};
  SharedInt quota{0};
  SharedInt pauseState{0};  // 0 running, 240 pause requested, 1 paused
  SharedInt fireMode{0};    // 1 AUTO, 0 MANUAL
  SharedInt inputLocked{0};
  SharedInt levelUpTimer{0};
  SharedInt grazeCooldown{0};
  SharedInt godUnlocked{0};
  SharedInt titleActive{1};
  // Reals touched by the game thread only.
  double bossX = 0;
  double bossY = 0;
  double grazeGauge = 0;
  double rageTimer = 0;
  SharedInt levelThreshold[6]{};  // entries 1..5
  SharedInt fpsChoices[4]{};
  SharedInt enemySlots{0};
  SharedInt displayHandle{0};
  SharedInt startQuota{0};
  SharedInt startScore{0};
  SharedInt bossMaxHp{0};
  SharedInt patternBullets{6};
  SharedInt bannerTimer{0};
  std::string bannerText;  // game thread only
  SharedInt spareSetting{0};
  SharedInt quitRequested{0};
  SharedInt BgmId[5]{};  // entries 1..4: opening, stage, boss, ending
  platform::Surface* backSurface = nullptr;
  Shared<platform::Window> mainWindow{0};
};

extern GameState gs;

// The target rate a game runs at: any number of frames per second from 1 up.
// The options offer 15, 30, 60 and 1000 ("No Wait"); a hand-edited settings
// file may hold another (45, or 2000 to outrun "No Wait"), which keeps its
// meaning. 0 is the new file's "not chosen yet", and below 0 only comes from
// a number too long for 32 bits: both are read as 30.
inline int32_t PlayableTargetFps(int32_t fps) { return fps < 1 ? 30 : fps; }

// Puts every field back to its value at process start (for tests).
void ResetGameState();
// The constant parts set at start-up: level thresholds, frame-rate choices,
// windowed display, start quota and score, bullets per burst, title active.
void SetConstantGameState();
