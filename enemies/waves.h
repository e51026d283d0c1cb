// The enemy step: enemy appearance by quota and the explosions of destroyed
// enemies. Destruction itself is the enemies' own (enemies/enemy.h).
#pragma once

// The kind a new enemy gets at this quota (draws a second random number only
// where the quota's row needs one).
int ChooseEnemyKind(int quota);
// Visits enemy slots 1..enemySlots: free slots may receive an enemy, exploding
// ones play their explosion, live ones take their step.
void UpdateEnemies();
