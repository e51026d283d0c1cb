// Enemy appearance by quota, explosions of destroyed enemies, and destruction
// with its score, quota count and the boss's entry.
#pragma once

// enemySlots kept within the table (the difficulty level: 5, 12, 20 or 30).
int EnemySlotCount();
// The kind a new enemy gets at this quota (draws a second random number only
// where the quota's row needs one).
int ChooseEnemyKind(int quota);
// Visits enemy slots 1..enemySlots: free slots may receive an enemy, exploding
// ones play their explosion, live ones take their step.
void UpdateEnemies();
// Turns enemy i into an explosion; counts it against the quota and pays for
// it, sending in the boss when the quota runs out.
void DestroyEnemy(int i);
