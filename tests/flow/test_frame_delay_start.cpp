// The first game of a new installation runs at its target rate from the
// first frame, not at thousands of frames a second.
#include <gtest/gtest.h>

#include "shell/main_window.h"
#include "state/game_state.h"

TEST(FrameDelayStart, UnlearnedDelayStartsAtTheTargetsFrameTime) {
  ResetGameState();
  // {target, stored, expected}: nothing learned yet; a learned delay kept;
  // "No Wait" flat out; 0 (never after loading, where it reads as 30).
  const int cases[][3] = {{30, 0, 33}, {15, 0, 66}, {60, 0, 16}, {30, 12, 12}, {1000, 0, 0},
                          {0, 0, 0}};
  for (const auto& c : cases) {
    gs.targetFps = c[0];
    gs.frameDelay = c[1];
    StartFrameDelay();
    EXPECT_EQ(gs.frameDelay, c[2]) << c[0] << " " << c[1];
  }
  ResetGameState();
}
