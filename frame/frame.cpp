#include "frame/frame.h"

#include "enemies/waves.h"
#include "entities/player.h"
#include "entities/tables.h"
#include "frame/hud.h"
#include "frame/play_input.h"
#include "frame/rage.h"
#include "frame/shots.h"
#include "platform/platform.h"
#include "replay/frame_input.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace {
constexpr int kBoldShadow = kTextBold | kTextShadow;
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
  // A replay takes its pauses from the recording.
  if (!replay::PauseTaken()) return;
  PrintText(-1, -1, "P A U S E", RGB(255, 255, 0), 36, kBoldShadow);
  gs.pauseState = 1;
  gs.frameCount = -1;
}

void StepFrame() {
  replay::BeginFrame();
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
  if (replay::QuitRequested()) return PlayEnd::kAbandoned;
  return PlayEnd::kNone;
}

PlayEnd PlayLoopIteration() {
  if (gs.pauseState == 1) {
    // Paused: the picture stays frozen and the regulator measures nothing.
    // A replay resumes by itself where the recorded pause ended.
    if (!replay::PauseOver()) {
      gs.frameCount = -1;
      platform::Sleep(1);
      return PlayEnd::kNone;
    }
    gs.pauseState = 0;
  }
  StepFrame();
  platform::Sleep(replay::FrameSleep(gs.frameDelay));
  if (gs.inputLocked == 0) {
    replay::SampleKeys();  // every key of the frame read at one moment
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
