// quillmoor-sim --replay FILE [--verify]: a recording watched as in the
// window, or checked headless frame for frame against its digests.
#pragma once
#include <string>

#include "replay/frame_input.h"

// Sets up a playfield and the pictures on the sim backend (a fresh one, or
// one just Reset) and plays the recording at once, without title screens or
// pacing, against its digests.
replay::Verdict VerifyReplay(const replay::Record& rec);
// Reads the recording. With verify it is played at once, without the title
// screens or any pacing, and the answer is printed: 0 when it plays exactly as
// recorded, 1 when it does not or cannot be read. Without verify it is armed
// to be watched before the first title, and -1 says to run the program.
int RunReplayOption(const std::string& path, bool verify);
