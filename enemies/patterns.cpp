#include "enemies/patterns.h"

#include "entities/tables.h"
#include "replay/frame_input.h"
#include "runtime/runtime.h"
#include "state/game_state.h"

namespace {
constexpr int32_t kPatternDamage = 20;  // floor(0.2 * 100)
constexpr int32_t kPatternRadius = 6;
constexpr int32_t kFireWorkRadius = 8;

// A ring of twelve directions with |vx| + |vy| = 3, clockwise from straight up.
constexpr int32_t kRingVx[kFireWorkBullets + 1] = {0, 0, 1, 2, 3, 2, 1, 0, -1, -2, -3, -2, -1};
constexpr int32_t kRingVy[kFireWorkBullets + 1] = {0, -3, -2, -1, 0, 1, 2, 3, 2, 1, 0, -1, -2};

void CommonFields(Sht& s, int32_t kind, int32_t radius) {
  s.kind = kind;
  s.radius = radius;
  s.damage = kPatternDamage;
  s.spare = 0;
  s.anim = 1.0;
  s.level = chr[1].state;
}

// Evenly spaced along the top row, the quotient taken first.
int32_t SpacedX(int k, int n) { return Int(320 * (static_cast<double>(k) / (n + 1))); }

using BulletMaker = void (*)(int k, int n, int slot);

// Reserves n slots one at a time; makes the whole volley or frees them all.
int Volley(int n, BulletMaker make, const char* name) {
  if (n < 0) n = 0;
  if (n > kMaxVolley) n = kMaxVolley;
  int slot[kMaxVolley + 1] = {};
  int reserved = 0;
  for (int k = 1; k <= n; ++k) {
    slot[k] = FreeShotSlot();
    if (slot[k] == 0) break;
    sht[slot[k]].kind = 3;  // a mark only, so the next search passes over it
    reserved = k;
  }
  int made = 0;
  if (reserved == n) {
    for (int k = 1; k <= n; ++k) make(k, n, slot[k]);
    made = 1;
  } else {
    for (int k = 1; k <= reserved; ++k) sht[slot[k]].kind = 0;
  }
  chr[1].cooldown = (5 - chr[1].state) * 3;
  gs.bannerTimer = 2 * replay::MeasuredFps();
  gs.bannerText = name;
  return made;
}

int PatternCount() { return gs.patternBullets; }
}  // namespace

void SpawnRainyBullet(int k, int n, int slot) {
  Sht& s = sht[slot];
  CommonFields(s, 3, kPatternRadius);
  s.x = SpacedX(k, n);
  s.y = 1;
  s.vx = 0;
  s.vy = 1;
}

void SpawnFallLeafBullet(int k, int n, int slot) {
  Sht& s = sht[slot];
  CommonFields(s, 4, kPatternRadius);
  s.x = SpacedX(k, n);
  s.y = 1;
  s.vx = -2;
  s.vy = 4;
}

void SpawnStarDustBullet(int, int, int slot) {
  Sht& s = sht[slot];
  CommonFields(s, 5, kPatternRadius);
  s.x = Int(319 * Rnd()) + 1;  // never on the edge columns
  s.y = 1;
  s.vx = Int(7 * Rnd()) - 4;   // drifts leftward more often
  s.vy = 6;
}

void SpawnFireWorkBullet(int k, int, int slot) {
  Sht& s = sht[slot];
  CommonFields(s, 6, kFireWorkRadius);
  s.x = chr[1].x;
  s.y = chr[1].y;
  s.vx = kRingVx[k];
  s.vy = kRingVy[k];
}

int Rainy() { return Volley(PatternCount(), SpawnRainyBullet, "Rainy"); }
int FallLeaf() { return Volley(PatternCount(), SpawnFallLeafBullet, "Fall-Leaf"); }
int StarDust() { return Volley(PatternCount(), SpawnStarDustBullet, "Star-Dust"); }
int FireWork() { return Volley(kFireWorkBullets, SpawnFireWorkBullet, "Fire-Work"); }

void ChoosePattern() {
  if (gs.bannerTimer > 0) return;
  switch (Int(4 * Rnd()) + 1) {
    case 1: Rainy(); break;
    case 2: FallLeaf(); break;
    case 3: StarDust(); break;
    default: FireWork(); break;
  }
}
