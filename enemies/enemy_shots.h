// The ordinary bullets of enemies and the boss: straight down, or aimed; and
// Fire, which every character's shooting goes through.
#pragma once
#include <cstdint>

// The aimed bullet's sideways speed for a shooter at (sx, sy) and the ship at (px, py).
int32_t AimedShotVx(int32_t sx, int32_t sy, int32_t px, int32_t py);
// Fills sht[slot] (nothing when slot is 0) with a bullet from character i.
void FireStraightShot(int slot, int i);
void FireAimedShot(int slot, int i);
// Fire for character i: sets its cooldown to 3, then fires the ship's pattern
// (i = 0) or the enemy's shots by its state.
void Fire(int i);
