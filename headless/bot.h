// A player for long unattended runs of the headless backend (quillmoor-sim
// --bot). It sees only the game state and answers with the keys to hold, as a
// player at the keyboard would: Enter taps on every screen that waits for
// Enter, Space held in play, and arrows that keep the ship out of the way of
// bullets and rammers while it lines up under the nearest enemy. The same
// states at the same moments give the same keys, so runs stay reproducible.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class Bot {
 public:
  // What the bot makes of the screen from the state.
  enum class Phase {
    kTitle,    // loading picture or title screen (titleActive 1)
    kWaiting,  // no frames: banner, wipe, ending, staff roll
    kStarting, // a new game is set up and its first frame not yet drawn
    kPlay,     // frames running (or paused) in a game
  };

  // Decides at simulated time ms. Returns the virtual keys to hold now, in
  // ascending order. note gets a line for each new thing seen, otherwise it
  // is left empty: "title" (the title screen is up), "game N" (the Nth game
  // is set up), "boss" (the boss is in), "won" (the boss is destroyed),
  // "lost" (the ship is gone), "over score S" (the game's frames have
  // stopped, with its score).
  std::vector<int> Step(uint64_t ms, std::string& note);

  Phase phase() const { return phase_; }
  // Stops dodging this long after each game starts (0: never), so that
  // games are lost too: the ship's end, the high-score check, the title.
  void SetCarelessAfter(uint64_t ms) { carelessMs_ = ms; }
  int games() const { return games_; }

  // The arrow move (-5, 0 or 5 on each axis) the dodging rule picks for the
  // present tables.
  struct Move {
    int dx = 0, dy = 0;
  };
  static Move ChooseMove();

  // How long a tap of Enter or P is held, and the gap after it.
  static constexpr uint64_t kTapMs = 100;
  // Frames stopped for this long mean the game is over. Longer than any stop
  // inside a game (the music switch at the boss's entry holds the game for
  // 400 ms), shorter than the second that follows its end. A paused game
  // still counts as running.
  static constexpr uint64_t kStillMs = 700;

 private:
  Phase phase_ = Phase::kWaiting;  // the first step says "title"
  bool started_ = false;   // Step has run once
  int32_t lastScroll_ = 0;
  uint64_t lastFrameMs_ = 0;
  int games_ = 0;
  bool bossSeen_ = false;
  bool ended_ = false;     // "won" or "lost" already said for this game
  uint64_t carelessMs_ = 0;
  uint64_t gameStartMs_ = 0;
};
