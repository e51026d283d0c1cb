#include "enemies/waves.h"

#include "enemies/enemy.h"
#include "entities/sprites.h"
#include "entities/tables.h"
#include "runtime/runtime.h"
#include "state/game_state.h"

int ChooseEnemyKind(int quota) {
  // Thresholds are floor(255 * 0.8, 0.6, 0.4, 0.2), whatever the start quota.
  if (quota > 204) return 1;
  if (quota > 153) return Int(Rnd() * 2) + 1;
  if (quota > 102) return Int(Rnd() * 3) + 1;
  if (quota > 51) return Int(Rnd() * 2) + 2;
  return 3;
}

void UpdateEnemies() {
  int slots = EnemySlotCount();
  for (int i = 1; i <= slots; ++i) {
    Chr& c = chr[i];
    if (c.state == 0) {
      DrawIdleExplosion();
      if (gs.quota > 0) {
        int32_t r = Int(Rnd() * 100);
        if (r < 6) SpawnEnemy(i, ChooseEnemyKind(gs.quota));
      }
    } else if (c.state == 240) {
      c.anim += 1;
      int32_t f = Int(c.anim * 0.5 + 0.9);  // 1, 1, 2, 2, ... 5, 5
      if (f >= 6) {
        c.state = 0;
      } else {
        // In the boss phase the wreck lies under every explosion.
        if (gs.quota < 1) DrawChrSprite(4, 1, ToInt32(gs.bossX), ToInt32(gs.bossY));
        DrawExplosion(c.x, c.y, f);
      }
    } else {
      UpdateEnemy(i);
    }
  }
}
