// The first game of a new installation runs at its target rate from the
// first frame, not at thousands of frames a second.
#include <gtest/gtest.h>

#include "shell/main_window.h"
#include "state/game_state.h"

TEST(FrameDelayStart, UnlearnedDelayStartsAtTheTargetsFrameTime) {
  ResetGameState();
  struct Case {
    int target, stored, expected;
  } cases[] = {
      {30, 0, 33}, {15, 0, 66}, {60, 0, 16},  // nothing learned yet
      {30, 12, 12},                            // a learned delay is kept
      {1000, 0, 0},                            // "No Wait" runs flat out
      {0, 0, 0},                               // (never after loading: 0 reads as 30)
  };
  for (const Case& c : cases) {
    gs.targetFps = c.target;
    gs.frameDelay = c.stored;
    StartFrameDelay();
    EXPECT_EQ(gs.frameDelay, c.expected) << c.target << " " << c.stored;
  }
  ResetGameState();
}
