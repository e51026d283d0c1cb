#include "game/regulator.h"

#include "game/game_state.h"
#include "platform/platform.h"

void RegulatorTick() {
  if (gs.frameCount < 1) return;  // nothing measured: paused, or no frames
  gs.measuredFps = gs.frameCount * 4;
  // A dead band of 10 frames per second either side of the target, 1 ms steps.
  if (gs.measuredFps < gs.targetFps - 10 && gs.frameDelay > 0) {
    gs.frameDelay -= 1;
  } else if (gs.measuredFps > gs.targetFps + 10) {
    gs.frameDelay += 1;
  }
}

void FpsRegulator() {
  for (;;) {
    gs.frameCount = 0;
    platform::Sleep(250);
    RegulatorTick();
  }
}
