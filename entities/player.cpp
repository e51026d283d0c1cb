#include "entities/player.h"

#include "entities/sprites.h"
#include "entities/tables.h"
#include "runtime/runtime.h"
#include "state/game_state.h"

namespace {
constexpr double kAnimStep = 0.05;  // each sprite frame shows for 20 frames
constexpr int32_t kShotRadius = 7;

struct FirePattern {
  int shots;      // 1: straight only; 3: straight, left, right
  int32_t vy;
  int32_t damage;
};

// Shot pattern by level 1..5; vy is floor(5 * -1.2) or floor(5 * -1.5).
const FirePattern kPatterns[kShipMaxLevel + 1] = {
    {0, 0, 0}, {1, -6, 2}, {1, -8, 4}, {3, -8, 4}, {3, -8, 8}, {3, -8, 16},
};
}  // namespace

void UpdatePlayer() {
  Chr& ship = chr[0];
  if (ship.state == 1) {
    ship.anim += kAnimStep;
    if (ship.anim >= 4) ship.anim = 1;
    if (ship.cooldown > 0) ship.cooldown -= 1;
    DrawChrSprite(0, Int(ship.anim), ship.x - 10, ship.y - 10);
  } else if (ship.state == 240) {
    int32_t f = Int(ship.anim / 10);
    if (f > 5) {
      ship.state = 0;
    } else {
      DrawExplosion(ship.x, ship.y, f);
      ship.anim += 1;
    }
  }
}

void FirePlayerShots() {
  int32_t level = chr[0].level;
  if (level < 1 || level > kShipMaxLevel) return;
  const FirePattern& p = kPatterns[level];
  SpawnPlayerShot(FreeShotSlot(), 0, p.vy, p.damage);
  if (p.shots == 3) {
    SpawnPlayerShot(FreeShotSlot(), -1, p.vy, p.damage);
    SpawnPlayerShot(FreeShotSlot(), 1, p.vy, p.damage);
  }
}

void SpawnPlayerShot(int slot, int dx, int vy, int damage) {
  if (slot < 1 || slot > kShotSlots) return;
  Chr& ship = chr[0];
  Sht& s = sht[slot];
  s.kind = 1;
  s.radius = kShotRadius;
  s.spare = 0;
  s.anim = 1.0;
  s.damage = damage;
  s.level = ship.level;
  s.vx = dx * 2;
  s.vy = vy;
  s.x = ship.x;
  s.y = ship.y - kShotRadius;
  // 9 frames at level 1, 6 at levels 2 and 3, 3 at levels 4 and 5.
  ship.cooldown = Int((6 - ship.level) * 0.5 + 0.9) * 3;
}

void CheckLevelUp() {
  Chr& ship = chr[0];
  int32_t next = ship.level + 1;
  if (next < 1 || next > kShipMaxLevel) return;
  if (gs.shownScore > gs.levelThreshold[next]) {
    gs.scrollSpeed += 4;  // floor(240 * 0.02)
    gs.levelUpTimer = 25;
    ship.level = next;
  }
}
