// One frame of play and one iteration of the play loop that paces it.
#pragma once

// Which end test held after a play-loop iteration.
enum class PlayEnd {
  kNone = 0,       // the game goes on
  kWon = 1,        // the quota is used up and the boss is gone
  kLost = 2,       // the ship has finished exploding
  kAbandoned = 3,  // F2
};

// Runs one frame in its fixed order: background, HUD, enemies, ship, shots,
// pattern banner, level-up, graze gauge and rage, pause text, repaint.
void StepFrame();
// The play loop's body: idles 1 ms while paused; otherwise steps a frame,
// sleeps frameDelay, reads the movement and fire keys unless input is locked,
// and runs the end tests in order (won, lost, abandoned).
PlayEnd PlayLoopIteration();
// Repeats PlayLoopIteration until an end test holds, and returns which.
PlayEnd RunPlayLoop();
// The end tests alone, in their order.
PlayEnd EndTest();
// The scrolling sky: advances scrollY and draws the picture twice.
void ScrollBackground();
// Shows "- name -" while bannerTimer runs, counting it down.
void DrawPatternBanner();
// A pending pause request draws "P A U S E" and takes effect.
void PauseStep();
