#include "frame/frame.h"

#include "enemies/waves.h"
#include "entities/player.h"
#include "entities/tables.h"
#include "frame/hud.h"
#include "frame/play_input.h"
#include "frame/rage.h"
#include "frame/shots.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace {
constexpr int kBoldShadow = kTextBold | kTextShadow;
constexpr int32_t kPauseRequested = 240;
}  // namespace

void ScrollBackground() {
  gs.scrollY += gs.scrollSpeed;
  if (gs.scrollY > 240) gs.scrollY -= 240;
  // The sky tiles vertically and covers the whole buffer: nothing is cleared.
  int32_t y = gs.scrollY;
  DrawBmp(0, y - 240, skyBmp, platform::SRCCOPY);
  DrawBmp(0, y, skyBmp, platform::SRCCOPY);
}

void DrawPatternBanner() {
  if (gs.bannerTimer <= 0) return;
  gs.bannerTimer -= 1;
  if (!gs.bannerText.empty())
    PrintText(-1, -1, "- " + gs.bannerText + " -", RGB(0, 128, 255), 36, kBoldShadow);
}

void PauseStep() {
  // The window thread only ever writes 240 over 240, so test-then-set is safe.
  if (gs.pauseState != kPauseRequested) return;
  PrintText(-1, -1, "P A U S E", RGB(255, 255, 0), 36, kBoldShadow);
  gs.pauseState = 1;
  gs.frameCount = -1;
}

void StepFrame() {
  gs.frameCount += 1;
  ScrollBackground();
  DrawHud();
  UpdateEnemies();
  UpdatePlayer();
  UpdateShots();
  DrawPatternBanner();
  CheckLevelUp();
  UpdateRage();
  PauseStep();
  RepaintZKGDI(gs.mainWindow);
}

PlayEnd EndTest() {
  if (gs.quota < 1 && chr[1].state == 0) return PlayEnd::kWon;
  if (chr[0].state == 0) return PlayEnd::kLost;
  if (gs.quitRequested != 0) return PlayEnd::kAbandoned;
  return PlayEnd::kNone;
}

PlayEnd PlayLoopIteration() {
  if (gs.pauseState == 1) {
    // Paused: the picture stays frozen and the regulator measures nothing.
    gs.frameCount = -1;
    platform::Sleep(1);
    return PlayEnd::kNone;
  }
  StepFrame();
  platform::Sleep(gs.frameDelay);
  if (gs.inputLocked == 0) {
    ReadMoveKeys();
    ReadFireKey();
  }
  return EndTest();
}

PlayEnd RunPlayLoop() {
  for (;;) {
    PlayEnd end = PlayLoopIteration();
    if (end != PlayEnd::kNone) return end;
  }
}
