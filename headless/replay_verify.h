// quillmoor-sim --replay FILE [--verify]: a recording watched as in the
// window, or checked headless frame for frame against its digests.
#pragma once
#include <string>

// Reads the recording. With verify it is played at once, without the title
// screens or any pacing, and the answer is printed: 0 when it plays exactly as
// recorded, 1 when it does not or cannot be read. Without verify it is armed
// to be watched before the first title, and -1 says to run the program.
int RunReplayOption(const std::string& path, bool verify);
