// The ordinary bullets of enemies and the boss: straight down, or aimed.
#pragma once
#include <cstdint>

// The aimed bullet's sideways speed for a shooter at (sx, sy) and the ship at (px, py).
int32_t AimedShotVx(int32_t sx, int32_t sy, int32_t px, int32_t py);
// Fills sht[slot] (nothing when slot is 0) with a bullet from character i.
void FireStraightShot(int slot, int i);
void FireAimedShot(int slot, int i);
