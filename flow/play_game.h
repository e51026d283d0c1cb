// One game, from the stage banner to the black wipe that ends it.
#pragma once

#include "frame/frame.h"
#include "replay/frame_input.h"

inline constexpr const char kLastGameFile[] = "last.qmr";
inline constexpr const char kBestGameFile[] = "best.qmr";

// 1 when the boss was beaten, 0 when the ship was lost or the game abandoned.
int PlayGame();
void StageBanner();
// Runs frames until 15 boss explosions have played.
void BossDefeatSequence();
// The interlaced wipe to black that closes every game.
void WipeToBlack();
// A game's frames from NewGame's state to its last frame: the play loop and,
// after a win, the boss's explosions. Returns how it ended. Played and
// replayed games alike run through it.
PlayEnd PlayFrames();
// Writes the recording of the game that just ended beside the settings file.
void KeepRecordedGame(const replay::Record& rec, bool newHighScore);
