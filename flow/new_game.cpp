#include "flow/new_game.h"

#include "enemies/enemy.h"
#include "entities/player.h"
#include "entities/tables.h"
#include "runtime/runtime.h"
#include "state/game_state.h"

void NewGame() {
  int slots = EnemySlotCount();
  for (int i = 0; i <= slots; ++i) chr[i] = Chr{};
  for (int i = 0; i <= kShotSlots; ++i) sht[i] = Sht{};

  gs.scrollY = 0;
  gs.scrollSpeed = 3;
  gs.quota = gs.startQuota.load();
  gs.pauseState = 0;  // drops a pause requested outside play
  gs.inputLocked = 0;
  gs.bossX = gs.bossY = -100.0;
  gs.grazeGauge = 0.0;
  gs.score = gs.startScore.load();
  gs.shownScore = 0;
  gs.rageTimer = 0.0;
  gs.bannerTimer = 0;
  gs.bannerText.clear();

  gs.patternBullets = 6;
  switch (gs.enemySlots) {
    case 5: gs.patternBullets = 5; break;
    case 12: gs.patternBullets = 6; break;
    case 20: gs.patternBullets = 7; break;
    case 30: gs.patternBullets = 10; break;
    default: break;
  }

  Chr& ship = chr[0];
  ship.state = 1;
  ship.hp = kShipHp;
  ship.radius = kShipRadius;  // before x and y, which follow from it
  ship.x = Int(0.5 * (320 - ship.radius));
  ship.y = Int(0.9 * (240 - ship.radius));
  ship.anim = 1.0;
  ship.vx = 0;
  ship.vy = 0;
  ship.cooldown = 0;
  ship.level = 1;
}
