#include "frame/rage.h"

#include "enemies/enemy.h"
#include "entities/tables.h"
#include "frame/draw_box.h"
#include "platform/platform.h"
#include "replay/frame_input.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace {
constexpr int32_t kRageDamage = 50;
constexpr int32_t kRageBonus = 100;

// Ten bars from x 240, each a brighter red and a pixel taller; returns the
// red of the last bar drawn, 0 when none.
int32_t DrawGauge() {
  int x = 240, top = 35;
  int32_t red = 0;
  for (int i = 1; i <= 10; ++i) {
    if (i > gs.grazeGauge) break;
    red = Int(i / 10.0 * 127) + 127;
    DrawBox(x, top, x + 4, 40, RGB(red, 0, 0), 1);
    x += 5;
    top -= 1;
    if (top < 20) top = 20;
  }
  return red;
}

void StartBurst() {
  gs.grazeGauge = 0;
  int32_t fps = replay::MeasuredFps();
  gs.rageTimer = fps * 2.0;
  gs.score += kRageBonus;
  int slots = EnemySlotCount();
  int32_t levelSlots = gs.enemySlots;
  // Every present enemy and the boss; not one that is already exploding.
  for (int i = 1; i <= slots; ++i) {
    Chr& c = chr[i];
    if (c.state < 1 || c.state > levelSlots) continue;
    c.hp -= kRageDamage;
    c.cooldown = fps * 2;
    if (c.hp <= 0) {
      c.hp = 0;
      DestroyEnemy(i);
    }
  }
  // Every enemy bullet vanishes; the player's shots stay.
  for (int i = 1; i <= kShotSlots; ++i)
    if (sht[i].kind != 1) sht[i].kind = 0;
}
}  // namespace

void UpdateRage() {
  if (gs.grazeCooldown >= 1) gs.grazeCooldown -= 1;
  int32_t red = DrawGauge();
  PrintText(295, 30, "怒", RGB(red, 0, 0), 20, kTextBold);
  if (gs.rageTimer > 0) {
    gs.rageTimer -= 1;
    if (gs.rageTimer <= 0) gs.rageTimer = 0;
    DrawBmp(0, 0, rageBmp, platform::SRCPAINT);
  } else if (gs.grazeGauge >= 10) {
    StartBurst();
  }
}
