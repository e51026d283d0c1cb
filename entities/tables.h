// The character table (ship, enemies, boss) and the shot table (player shots
// and every enemy bullet), with the one collision test they share.
#pragma once
#include <cstdint>

constexpr int kMaxEnemySlots = 30;  // storage for the largest level
constexpr int kShotSlots = 60;      // usable shot slots 1..60

struct Chr {
  int32_t state = 0;  // 0 free; player 1 alive; enemy kind 1..3, boss 4; 240 exploding
  int32_t hp = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t radius = 0;
  double anim = 0;
  int32_t vx = 0;
  int32_t vy = 0;
  int32_t cooldown = 0;
  int32_t level = 0;
};

struct Sht {
  int32_t kind = 0;  // 0 free; 1 player shot; 2 and up enemy bullets
  int32_t damage = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t radius = 0;
  double anim = 0;
  int32_t vx = 0;
  int32_t vy = 0;
  int32_t spare = 0;
  int32_t level = 0;
};

extern Chr chr[kMaxEnemySlots + 1];  // slot 0 the ship; 1..enemySlots enemies
extern Sht sht[kShotSlots + 1];      // slot 0 never used

inline int32_t Presence(const Chr& c) { return c.state; }
inline int32_t Presence(const Sht& s) { return s.kind; }

// 1 when the two records touch: both present (1..8) and their centres closer
// than the sum of their radii (exactly the sum is no hit).
template <typename A, typename B>
int Hit(const A& a, const B& b);

extern template int Hit<Chr, Chr>(const Chr&, const Chr&);
extern template int Hit<Chr, Sht>(const Chr&, const Sht&);
extern template int Hit<Sht, Chr>(const Sht&, const Chr&);
extern template int Hit<Sht, Sht>(const Sht&, const Sht&);

// The lowest free shot slot 1..60, or 0 when all are used.
int FreeShotSlot();

// Clears both tables to zeros (for tests and a new game).
void ClearTables();
