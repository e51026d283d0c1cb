#include "enemies/enemy_shots.h"

#include "entities/player.h"
#include "entities/tables.h"
#include "runtime/runtime.h"

namespace {
constexpr int32_t kFireCooldown = 3;
constexpr int32_t kBulletRadius = 6;
constexpr int32_t kStraightVy = 5;
constexpr int32_t kAimedSpeed = 6;  // floor(1.2 * 5)

void FillBullet(Sht& s, const Chr& shooter) {
  s.kind = 2;
  s.radius = kBulletRadius;
  s.x = shooter.x;
  s.y = shooter.y + kBulletRadius;  // just below the shooter's centre
  s.spare = 0;
  s.anim = 1.0;
  s.level = shooter.state;
}

bool ValidShot(int slot, int i) {
  return slot >= 1 && slot <= kShotSlots && i >= 0 && i <= kMaxEnemySlots;
}
}  // namespace

int32_t AimedShotVx(int32_t sx, int32_t sy, int32_t px, int32_t py) {
  double dx = static_cast<double>(sx) - px;
  double dy = static_cast<double>(sy) - py;
  // Roughly minus the frames the bullet needs to sink to the ship's row.
  int32_t t = Int(dy / kAimedSpeed) + 1;
  if (t == 0) {
    // 1 to 6 pixels above the ship the division has no finite result: lean
    // toward the ship at full speed (straight down when directly above).
    if (dx == 0) return 1;
    return kAimedSpeed * Sgn(-dx);
  }
  int32_t vx = Int(dx / t) + 1;
  if (Abs(vx) > kAimedSpeed) vx = kAimedSpeed * Sgn(vx);
  return vx;
}

void FireStraightShot(int slot, int i) {
  if (!ValidShot(slot, i)) return;
  Chr& shooter = chr[i];
  Sht& s = sht[slot];
  FillBullet(s, shooter);
  s.vx = 0;
  s.vy = kStraightVy;
  s.damage = shooter.state;
  shooter.cooldown = (5 - shooter.state) * 3;
}

void FireAimedShot(int slot, int i) {
  if (!ValidShot(slot, i)) return;
  Chr& shooter = chr[i];
  Sht& s = sht[slot];
  FillBullet(s, shooter);
  s.vx = AimedShotVx(shooter.x, shooter.y, chr[0].x, chr[0].y);
  s.vy = kAimedSpeed;
  s.damage = 2 * shooter.state;
  shooter.cooldown = (5 - shooter.state) * 3;
}

void Fire(int i) {
  if (i < 0 || i > kMaxEnemySlots) return;
  chr[i].cooldown = kFireCooldown;
  if (i == 0) {
    FirePlayerShots();
    return;
  }
  switch (chr[i].state) {
    case 1:
    case 2:
      FireStraightShot(FreeShotSlot(), i);
      break;
    case 3:
      FireAimedShot(FreeShotSlot(), i);
      break;
    case 4:
      // Two searches: the aimed bullet takes the lower slot.
      FireAimedShot(FreeShotSlot(), i);
      FireStraightShot(FreeShotSlot(), i);
      break;
    default:
      break;  // exploding or free: nothing
  }
}
