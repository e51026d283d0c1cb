// Recorded games: each game the player plays is kept (last.qmr, and best.qmr
// for the one that set the high score), and a recording can be played again
// through the very frames of a live game: watched in the window, or checked
// headless against the digests it holds.
#pragma once
#include <string>

#include "flow/play_game.h"
#include "replay/frame_input.h"

// Sets the game up as the recorded one started: its settings, NewGame, the
// values carried over from the game before it, the seed.
void SetUpRecordedGame(const replay::Start& start);
// Plays the recording headless as fast as possible, after the pictures are
// loaded (the enemies' sizes come from them).
replay::Verdict VerifyRecordedGame(const replay::Record& rec);

// Loads the recording at path to be watched before the first title. False,
// with one line saying why, when the file cannot be used.
bool WatchReplayFile(const std::string& path, std::string& error);
// The same for a recording already read.
void WatchReplayFirst(const replay::Record& rec);
// Game thread: watches the recording given above, if any, and returns when
// it is over or stopped; the player's settings and high score are untouched.
void WatchPendingReplay();
// Any thread: true while a recording is watched.
bool WatchingReplay();
// Any thread: puts back the player's settings if a recording being watched
// replaced them (the window's destroy handler calls it before saving).
void RestorePlayerSettings();
