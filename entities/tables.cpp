#include "entities/tables.h"

#include <cmath>

#include "runtime/runtime.h"

Chr chr[kMaxEnemySlots + 1];
Sht sht[kShotSlots + 1];

template <typename A, typename B>
int Hit(const A& a, const B& b) {
  int32_t sa = Presence(a), sb = Presence(b);
  if (sa < 1 || sa > 8 || sb < 1 || sb > 8) return 0;
  double dx = Abs(static_cast<double>(a.x) - b.x);
  double dy = Abs(static_cast<double>(a.y) - b.y);
  // The distance is at least the larger of dx and dy: most pairs are told
  // apart here, before any square root.
  const double reach = static_cast<double>(a.radius) + b.radius;
  if (dx >= reach || dy >= reach) return 0;
  double dist = Sqr(dx * dx + dy * dy);
  return dist < reach ? 1 : 0;
}

template int Hit<Chr, Chr>(const Chr&, const Chr&);
template int Hit<Chr, Sht>(const Chr&, const Sht&);
template int Hit<Sht, Chr>(const Sht&, const Chr&);
template int Hit<Sht, Sht>(const Sht&, const Sht&);

int FreeShotSlot() {
  for (int i = 1; i <= kShotSlots; ++i)
    if (sht[i].kind == 0) return i;
  return 0;
}

void ClearTables() {
  for (auto& c : chr) c = Chr{};
  for (auto& s : sht) s = Sht{};
}
