// quillmoor-sim --replay FILE [--verify]: a recording watched as in the
// window, or checked headless frame for frame against its digests.
#pragma once
#include <string>

#include "replay/frame_input.h"

// Sets up a playfield and loads the pictures on the sim backend (a fresh one,
// or one just Reset), for VerifyRecordedGame (flow/replay_game.h) to play
// recordings on. Empty, or why no recording can be played on it.
std::string SetUpReplayPlayfield();
// Sets up the playfield and plays the recording at once, without title screens or
// pacing, against its digests. Frame 0 in a mismatch: it could not be played
// (no playfield, or the pictures are missing), and the reason says which.
replay::Verdict VerifyReplay(const replay::Record& rec);
// The status when a recording cannot be checked where quillmoor-sim runs.
inline constexpr int kCannotVerify = 4;
// Reads the recording. With verify it is played at once, without the title
// screens or any pacing, and the answer is printed: 0 when it plays exactly as
// recorded, 1 when it does not or cannot be read, kCannotVerify when the
// game's pictures are missing. Without verify it is armed to be watched
// before the first title, and -1 says to run the program.
int RunReplayOption(const std::string& path, bool verify);
