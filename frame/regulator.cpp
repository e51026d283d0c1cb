#include "frame/regulator.h"

#include <cstdint>

#include "platform/platform.h"
#include "state/game_state.h"

void RegulatorTick() {
  if (gs.frameCount < 1) return;  // nothing measured: paused, or no frames
  gs.measuredFps = gs.frameCount * 4;
  // A dead band of 10 frames per second either side of the target, 1 ms steps.
  // Computed wide: a hand-edited target near the 32-bit limit must not overflow.
  const int64_t measured = gs.measuredFps, target = gs.targetFps;
  if (measured < target - 10 && gs.frameDelay > 0) {
    gs.frameDelay -= 1;
  } else if (measured > target + 10) {
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
