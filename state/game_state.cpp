#include "state/game_state.h"

GameState gs;

void ResetGameState() {
  SharedInt* ints[] = {
      &gs.targetFps,    &gs.measuredFps,  &gs.frameCount,   &gs.frameDelay,    &gs.scrollY,
      &gs.scrollSpeed,  &gs.score,        &gs.shownScore,   &gs.hiScore,       &gs.quota,
      &gs.pauseState,   &gs.fireMode,     &gs.inputLocked,  &gs.levelUpTimer,  &gs.grazeCooldown,
      &gs.godUnlocked,  &gs.enemySlots,   &gs.displayHandle, &gs.startQuota,   &gs.startScore,
      &gs.bossMaxHp,    &gs.bannerTimer,  &gs.spareSetting, &gs.quitRequested,
  };
  for (SharedInt* v : ints) *v = 0;
  for (auto& v : gs.levelThreshold) v = 0;
  for (auto& v : gs.fpsChoices) v = 0;
  for (auto& v : gs.BgmId) v = 0;
  gs.titleActive = 1;
  gs.patternBullets = 6;
  gs.bossX = gs.bossY = gs.grazeGauge = gs.rageTimer = 0;
  gs.bannerText.clear();
  gs.backSurface = nullptr;
  gs.mainWindow = 0;
}

void SetConstantGameState() {
  const int32_t thresholds[6] = {0, 0, 200, 500, 1500, 4000};
  for (int i = 0; i < 6; ++i) gs.levelThreshold[i] = thresholds[i];
  const int32_t fps[4] = {15, 30, 60, 1000};
  for (int i = 0; i < 4; ++i) gs.fpsChoices[i] = fps[i];
  gs.displayHandle = 0;
  gs.startQuota = 255;
  gs.startScore = 0;
  gs.patternBullets = 6;
  gs.titleActive = 1;
  gs.bannerText.clear();
}
