#include "frame/shots.h"

#include "enemies/enemy.h"
#include "entities/player.h"
#include "entities/sprites.h"
#include "entities/tables.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "zkgdi/zkgdi.h"

namespace {
constexpr int32_t kGrazeCooldown = 5;

// Kind 3 falls faster the lower it is: the first row whose y it has passed.
void FallFaster(Sht& s) {
  if (s.y > 120) {
    s.vy = 20;
  } else if (s.y > 96) {
    s.vy = 12;
  } else if (s.y > 72) {
    s.vy = 8;
  } else if (s.y > 48) {
    s.vy = 4;
  } else if (s.y > 24) {
    s.vy = 2;
  }
}

// Kind 4 zig-zags: it turns only when it lands exactly on row 32n + 1.
void ZigZag(Sht& s) {
  switch (s.y) {
    case 33: case 65: case 97: case 129: case 161: case 193: case 225:
      s.vx = -s.vx;
      break;
    default:
      break;
  }
}

// A player shot damages the lowest-numbered enemy it overlaps and is gone.
void PlayerShotContact(Sht& s) {
  int slots = EnemySlotCount();
  for (int j = 1; j <= slots; ++j) {
    if (!Hit(chr[j], s)) continue;
    gs.score += 1;
    DrawExplosion(s.x, s.y, 2);
    s.kind = 0;
    chr[j].hp -= s.damage;
    if (chr[j].hp <= 0) DestroyEnemy(j);
  }
}

// Farther than the graze reach on either axis, the bullet can neither hit nor
// graze: the two distance tests would both say no, so they are skipped.
bool BeyondReach(const Chr& ship, const Sht& s) {
  int64_t reach = static_cast<int64_t>(ship.radius > kShipGrazeRadius ? ship.radius
                                                                      : kShipGrazeRadius) +
                  s.radius;
  int64_t dx = static_cast<int64_t>(ship.x) - s.x;
  int64_t dy = static_cast<int64_t>(ship.y) - s.y;
  return dx > reach || -dx > reach || dy > reach || -dy > reach;
}

void EnemyBulletContact(Sht& s) {
  Chr& ship = chr[0];
  if (BeyondReach(ship, s)) return;
  if (Hit(ship, s)) {
    DrawExplosion(s.x, s.y, 2);
    s.kind = 0;
    ship.hp -= s.damage;
    gs.grazeGauge = 0;
    if (ship.hp <= 0) ship.hp = 0;
    return;
  }
  if (gs.grazeCooldown != 0) return;
  // A graze: within the widened radius but not touching.
  ship.radius = kShipGrazeRadius;
  if (Hit(ship, s) && gs.rageTimer == 0) {
    gs.grazeGauge += 1;
    gs.grazeCooldown = kGrazeCooldown;
    PrintText(s.x, s.y, "BAZZ", RGB(255, 0, 0), 12, kTextBold);
    gs.score += 1;
  }
  ship.radius = kShipRadius;
}
}  // namespace

void UpdateShots() {
  for (int i = 1; i <= kShotSlots; ++i) {
    Sht& s = sht[i];
    if (s.kind <= 0) {
      DrawIdleShot();
      continue;
    }
    s.anim += 3 * 0.05;
    int32_t frame = Int(s.anim);
    if (frame > 3) {
      s.anim = 1.0;
      frame = 1;
    }
    s.x += s.vx;
    s.y += s.vy;
    int left = s.x - 8, top = s.y - 8;
    if (left < -s.radius || left > 320 + s.radius || top < -s.radius || top > 240 + s.radius) {
      s.kind = 0;
      continue;
    }
    if (s.kind == 3) {
      FallFaster(s);
    } else if (s.kind == 4) {
      ZigZag(s);
    }
    DrawShtSprite(s.kind - 1, frame, left, top);
    if (s.kind == 1) {
      PlayerShotContact(s);
    } else {
      EnemyBulletContact(s);
    }
  }
}
