#include "enemies/enemy.h"

#include "enemies/enemy_shots.h"
#include "enemies/patterns.h"
#include "entities/player.h"
#include "entities/sprites.h"
#include "entities/tables.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkmci/zkmci.h"

namespace {
// Speeds as the game derives them: kind 1 vy floor(1 + 0.25 * 5), kind 2
// floor(1 + 0.3 * 5), kind 3 vy floor(1 + 0.4 * 5) and vx floor(1 + 0.8 * vy),
// the boss's descent floor(1 + 0.25 * 5).
constexpr int32_t kKind1Speed = 2;
constexpr int32_t kKind2Speed = 2;
constexpr int32_t kKind3Vy = 3;
constexpr int32_t kKind3Vx = 3;
constexpr int32_t kBossDescent = 2;
constexpr int32_t kBossRoamVy = 1;   // floor(5 * 0.1) + 1
constexpr int32_t kBossRoamVx = 2;   // floor(5 * 0.4)
constexpr int32_t kBossEntryY = 48;  // floor(240 * 0.2)
constexpr int32_t kBossBottom = 168; // floor(240 * 0.7)
constexpr int32_t kBossTop = 24;     // floor(240 * 0.1)
constexpr int32_t kRageCooldown = 60;

bool OverlapsAny(int i, bool kind1Only) {
  int slots = EnemySlotCount();
  for (int j = 1; j <= slots; ++j) {
    if (j == i) continue;
    if (kind1Only && chr[j].state != 1) continue;
    if (Hit(chr[j], chr[i])) return true;
  }
  return false;
}

// An enemy placed during a rage burst is weak and holds its fire.
void WeakenDuringRage(Chr& c) {
  if (gs.rageTimer > 0) {
    c.hp = 1;
    c.cooldown = kRageCooldown;
  }
}

// Kind 3 turns at the edges of its lane and fires as it turns.
bool Kind3Turns(int32_t x) {
  if (x < 160) return x < 48 || x > 96;
  return x < 208 || x > 256;
}
}  // namespace

int32_t EnemyRadius(int kind) {
  if (kind < 1 || kind > 4) return 0;
  const BmpRecord& b = chrBmp[kind * 4 + 1];
  return Int(0.5 * 0.5 * (static_cast<double>(b.width) + b.height));
}

int32_t BossHp(int enemySlots) {
  switch (enemySlots) {
    case 5: return 5000;
    case 20: return 15000;
    case 30: return 30000;
    default: return 10000;  // Normal, and anything unexpected
  }
}

void SpawnEnemy(int i, int kind) {
  if (kind < 1 || kind > 4) return;
  int slots = EnemySlotCount();
  if (kind == kBossKind) {
    i = 1;
    // The field is cleared for the boss: these explosions pay nothing.
    for (int j = 2; j <= slots; ++j) {
      if (chr[j].state >= 1 && chr[j].state <= gs.enemySlots - 1) {
        chr[j].state = 240;
        chr[j].anim = 0.0;
      }
    }
  }
  if (i < 1 || i > slots) return;
  Chr& c = chr[i];
  c.state = kind;
  c.radius = EnemyRadius(kind);
  c.anim = 1.0;
  c.y = -c.radius;
  c.level = kind;
  c.cooldown = 0;
  int32_t roll = Int(Rnd() * 100);
  switch (kind) {
    case 1:
      c.hp = 2;
      c.x = Int((320 - 2 * c.radius) * Rnd()) + c.radius;
      if (OverlapsAny(i, true)) {
        c.state = 0;
        return;
      }
      c.vx = 0;
      c.vy = kKind1Speed;
      WeakenDuringRage(c);
      break;
    case 2:
      c.hp = 6;
      c.vx = c.vy = kKind2Speed;
      if (roll < 50) {
        c.x = 0;
      } else {
        c.x = 320;
        c.vx = -kKind2Speed;
      }
      WeakenDuringRage(c);
      if (OverlapsAny(i, false)) c.state = 0;
      break;
    case 3:
      c.hp = 16;
      c.vy = kKind3Vy;
      c.vx = kKind3Vx;
      if (roll < 50) {
        c.x = 80;   // floor(320 * 0.25)
      } else {
        c.x = 240;  // floor(320 * 0.75)
        c.vx = -kKind3Vx;
      }
      WeakenDuringRage(c);
      if (OverlapsAny(i, false)) c.state = 0;
      break;
    default:  // the boss
      c.hp = BossHp(gs.enemySlots);
      gs.bossMaxHp = c.hp;
      c.x = Int((320 - 2 * c.radius) * 0.5);
      c.vx = 0;
      c.vy = kBossDescent;
      break;
  }
}

int32_t BossStep() {
  Chr& b = chr[1];
  const Chr& ship = chr[0];
  int32_t fireRoll = Int(Rnd() * 20);
  if (b.vx == 0) {
    // Entry: sink until below the entry row, then roam away from the ship's
    // side. Aligned with the ship, it waits at the entry row.
    if (b.y > kBossEntryY) {
      b.y = kBossEntryY;
      b.vy = kBossRoamVy;
      b.vx = kBossRoamVx * Sgn(static_cast<double>(b.x) - ship.x);
    }
  } else if (b.x < b.radius) {
    b.x = b.radius;
    b.vx = -b.vx;
  } else if (b.x > 320 - b.radius) {
    b.x = 320 - b.radius;
    b.vx = -b.vx;
  } else if (b.y > kBossBottom) {
    b.vy = -b.vy;
    b.y = kBossBottom;
    ChoosePattern();
  } else if (b.y < kBossTop) {
    b.vy = -b.vy;
    b.y = kBossTop;
    ChoosePattern();
  } else if (gs.enemySlots == 30) {
    fireRoll = Int(Rnd() * 3);
  }
  gs.bossX = b.x;
  gs.bossY = b.y;
  return fireRoll;
}

void UpdateEnemy(int i) {
  if (i < 1 || i > kMaxEnemySlots) return;
  Chr& c = chr[i];
  if (c.cooldown > 0) c.cooldown -= 1;
  c.x += c.vx;
  c.y += c.vy;
  c.anim += 0.05;
  int32_t frame = Int(c.anim);
  if (frame > 3) {
    frame = 1;
    c.anim = 1.0;
  }
  int32_t fireRoll = 100;
  switch (c.state) {
    case 1:
      if (c.y > 240 + c.radius) c.state = 0;
      fireRoll = Int(Rnd() * 50);
      break;
    case 2:
      if (c.y > 240 + c.radius || c.x > 320 + c.radius || c.x < -c.radius) c.state = 0;
      fireRoll = 0;
      break;
    case 3:
      if (c.y > 240 + c.radius) c.state = 0;
      if (Kind3Turns(c.x)) {
        c.vx = -c.vx;
        c.x += c.vx;
        fireRoll = 0;
      }
      break;
    case kBossKind:
      // The boss always lives in slot 1.
      if (i == 1) fireRoll = BossStep();
      break;
    default:
      break;
  }
  // Ramming an enemy costs the ship everything; the boss cannot be rammed.
  if (Hit(c, chr[0]) && gs.quota > 0) {
    DestroyEnemy(i);
    chr[0].hp = 0;
  }
  if (c.state >= 1 && c.state <= 4) {
    DrawChrSprite(c.state, frame, c.x - c.radius, c.y - c.radius);
    if (fireRoll == 0 && c.cooldown == 0) Fire(i);
  }
}

int EnemySlotCount() {
  int n = gs.enemySlots;
  if (n < 0) return 0;
  return n > kMaxEnemySlots ? kMaxEnemySlots : n;
}

void DestroyEnemy(int i) {
  if (i < 0 || i > kMaxEnemySlots) return;
  chr[i].state = 240;
  chr[i].anim = 0;
  if (i > 0 && gs.quota > 0) {
    gs.quota -= 1;
    gs.score += 5 * chr[i].level;
    if (gs.quota < 1) {
      SpawnEnemy(1, 4);
      SoundCommand(gs.BgmId[2], kSoundStop, 0, "");
      SoundCommand(gs.BgmId[3], kSoundPlayLooped, 0, "");
    }
  } else if (gs.quota < 1) {
    // The wreck is drawn at the boss sprite's top-left corner from now on.
    gs.bossX = static_cast<double>(chr[1].x) - chr[1].radius;
    gs.bossY = static_cast<double>(chr[1].y) - chr[1].radius;
  }
}
