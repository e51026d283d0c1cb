// The busy boss-phase scene every boss-frame measurement draws: God level
// (30 enemy slots), the boss roaming, every shot slot in use, a rage overlay
// running. Shared by the native benchmark (bench_frame.cpp) and the page's
// (bench/web/boss_frame.cpp).
#pragma once
#include <unistd.h>

#include "entities/tables.h"
#include "flow/assets.h"
#include "flow/new_game.h"
#include "frame/frame.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace boss_scene {

inline intptr_t BenchWindowProc(platform::Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  return platform::DefWindowProc(w, msg, wp, lp);
}

struct Scene {
  Chr chr[kMaxEnemySlots + 1];
  Sht sht[kShotSlots + 1];
};

inline bool g_ready = false;
inline Scene g_scene;

inline void BuildScene(const char* sourceDir) {
  platform::sim::Reset();
  if (chdir(sourceDir) != 0) return;
  platform::RegisterWindowClass("BENCHFRAME", BenchWindowProc);
  platform::Window w = platform::CreateWindow("BENCHFRAME", "bench", platform::WS_CAPTION_FRAME,
                                              0, 0, 326, 264, 0);
  StartZKGDI(w, 320, 240);
  ResetGameState();
  SetConstantGameState();
  gs.mainWindow = w;
  gs.backSurface = SlotSurface(FindWindowSlot(w));
  LoadImages();
  gs.enemySlots = 30;
  gs.fireMode = 1;
  gs.measuredFps = 60;
  gs.targetFps = 60;
  NewGame();
  SetRandomSeed(2026);
  gs.quota = 0;
  gs.score = 20000;
  gs.shownScore = 12000;
  gs.bossMaxHp = 30000;
  gs.scrollSpeed = 19;
  chr[0].level = 5;
  // The boss roaming in the middle of its box.
  Chr& boss = chr[1];
  boss.state = 4;
  boss.level = 4;
  boss.hp = 20000;
  boss.radius = 32;
  boss.x = 160;
  boss.y = 96;
  boss.vx = 2;
  boss.vy = 1;
  boss.anim = 1.5;
  boss.cooldown = 1;
  // The other 29 slots are free: each draws its off-screen idle explosion.
  // Every shot slot in use: player shots rising, bullets of every kind falling.
  for (int i = 1; i <= kShotSlots; ++i) {
    Sht& s = sht[i];
    s.kind = i <= 12 ? 1 : 2 + i % 5;
    s.radius = s.kind == 1 ? 7 : 6;
    s.damage = s.kind == 1 ? 16 : 4;
    s.x = 10 + (i * 37) % 300;
    s.y = 30 + (i * 53) % 180;
    s.vx = s.kind == 4 ? -2 : 0;
    s.vy = s.kind == 1 ? -8 : 3;
    s.anim = 1.0 + (i % 3);
  }
  gs.rageTimer = 1e9;  // the overlay runs throughout
  for (int i = 0; i <= kMaxEnemySlots; ++i) g_scene.chr[i] = chr[i];
  for (int i = 0; i <= kShotSlots; ++i) g_scene.sht[i] = sht[i];
  g_ready = true;
}

inline void RestoreScene() {
  for (int i = 0; i <= kMaxEnemySlots; ++i) chr[i] = g_scene.chr[i];
  for (int i = 0; i <= kShotSlots; ++i) sht[i] = g_scene.sht[i];
  gs.grazeGauge = 3;
  gs.grazeCooldown = 0;
  gs.bannerTimer = 30;
  gs.bannerText = "Fire-Work";
  gs.pauseState = 0;
}

}  // namespace boss_scene
