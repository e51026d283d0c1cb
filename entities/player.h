// The player's ship: its per-frame step, its fire by level and the level-up rule.
#pragma once
#include <cstdint>

// Ship values at the start of a game.
constexpr int32_t kShipHp = 100;
constexpr int32_t kShipRadius = 2;
constexpr int32_t kShipGrazeRadius = 15;
constexpr int32_t kShipStartX = 159;  // floor(0.5 * (320 - radius))
constexpr int32_t kShipStartY = 214;  // floor(0.9 * (240 - radius))
constexpr int32_t kShipMaxLevel = 5;
constexpr int32_t kShipLowestY = 220;  // the LIFE gauge lies below

// Animates, cools down and draws the ship, or plays its death explosion.
void UpdatePlayer();
// The ship's shots for its level, each in the lowest free slot.
void FirePlayerShots();
// Fills sht[slot] with a player shot (nothing when slot is 0) and sets the
// ship's cooldown for its level.
void SpawnPlayerShot(int slot, int dx, int vy, int damage);
// One level at most per frame, when the shown score passes the next threshold.
void CheckLevelUp();
