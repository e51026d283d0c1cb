// The heads-up display, drawn under the sprites each frame. It also rolls the
// shown score toward the real one and starts the ship's death.
#pragma once
#include <cstdint>

// The shown score's step toward the real score this frame (1000, 100, 10, 1 or 0).
int32_t ScoreRollStep(int32_t shownScore, int32_t score);
void DrawHud();
