// The three enemy kinds and the boss: placement, movement, turns, contact,
// drawing, the decision to fire, and destruction with its score, quota count
// and the boss's entry.
#pragma once
#include <cstdint>

constexpr int kBossKind = 4;

// Radius of an opponent of this kind (1..4): a quarter of the width plus
// height of its frame-1 sprite.
int32_t EnemyRadius(int kind);
// The boss's hit points at a difficulty level (enemySlots).
int32_t BossHp(int enemySlots);
// Fills slot i with a new enemy of kind 1..3, leaving it free when it would
// overlap; kind 4 places the boss in slot 1 and explodes every other live enemy.
void SpawnEnemy(int i, int kind);
// One frame of the live opponent in slot i (state 1..4).
void UpdateEnemy(int i);
// The boss's own step (entry, roaming box, turns, patterns); returns the fire
// roll (0 fires when the cooldown allows).
int32_t BossStep();

// enemySlots kept within the table (the difficulty level: 5, 12, 20 or 30).
int EnemySlotCount();
// Turns enemy i into an explosion; counts it against the quota and pays for
// it, sending in the boss when the quota runs out.
void DestroyEnemy(int i);
