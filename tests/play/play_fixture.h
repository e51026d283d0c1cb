// Shared set-up for the play tests: a simulated main window with its back
// buffer cleared to black, sprite records of known sizes (no pictures), and
// a fresh game.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "entities/tables.h"
#include "flow/assets.h"
#include "flow/new_game.h"
#include "platform/gfx/surface.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

// Test radii: frame-1 sprites of 16, 20, 24 and 64 pixels square.
constexpr int32_t kKind1Radius = 8, kKind2Radius = 10, kKind3Radius = 12, kBossRadius = 32;

inline platform::Window g_playWindow = 0;

inline platform::Surface* BackSurface() { return SlotSurface(FindWindowSlot(g_playWindow)); }
// The back buffer's pixel as 0x00RRGGBB.
inline uint32_t Pixel(int x, int y) { return BackSurface()->at(x, y); }
inline void HoldKey(int vk) { platform::sim::PressKey(vk); }

// A fresh game at the given level, with the game state at its start-up values.
inline void StartTestGame(int enemySlots = 12) {
  ResetGameState();
  SetConstantGameState();
  gs.mainWindow = g_playWindow;
  gs.backSurface = BackSurface();
  TargetWindow(g_playWindow);
  gs.enemySlots = enemySlots;
  gs.targetFps = gs.measuredFps = 30;
  gs.fireMode = 1;
  ClearTables();
  NewGame();
  SetRandomSeed(1);
}

// An enemy of the given kind (its test radius and usual hp) or a shot,
// placed directly, without random numbers.
inline Chr& PlaceEnemy(int slot, int kind, int x, int y) {
  const int32_t radii[5] = {0, kKind1Radius, kKind2Radius, kKind3Radius, kBossRadius};
  const int32_t hp[5] = {0, 2, 6, 16, 10000};
  return chr[slot] = Chr{kind, hp[kind], x, y, radii[kind], 1.0, 0, 0, 0, kind};
}
inline Sht& PlaceShot(int slot, int kind, int x, int y, int vx, int vy, int radius,
                      int damage = 1) {
  return sht[slot] = Sht{kind, damage, x, y, radius, 1.0, vx, vy, 0, 0};
}
inline int ShotsInFlight() {
  int n = 0;
  for (int i = 1; i <= kShotSlots; ++i) n += sht[i].kind != 0;
  return n;
}
// Fills shot slots 1..count with parked bullets out of every contact.
inline void FillShots(int count) {
  for (int i = 1; i <= count && i <= kShotSlots; ++i) PlaceShot(i, 2, 300, 10, 0, 0, 6);
}

class PlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (g_playWindow == 0) {  // once per process
      platform::sim::Reset();
      platform::RegisterWindowClass("PLAYTEST", platform::DefWindowProc);
      g_playWindow = platform::CreateWindow("PLAYTEST", "play test", platform::WS_CAPTION_FRAME,
                                            0, 0, 320 + 6, 240 + 24, 0);
      ASSERT_EQ(StartZKGDI(g_playWindow, 320, 240), 1);
      // Every record bound to the playfield but empty, as a missing file
      // leaves it: drawing it draws nothing.
      for (const ImageEntry& e : ImageTable()) OpenBmp(*e.record, "image/none-such.bmp");
    }
    const int sizes[] = {0, 16, 20, 24, 64};
    for (int kind = 1; kind <= 4; ++kind) {
      BmpRecord& r = chrBmp[kind * 4 + 1];
      CloseBmp(r);
      r = BmpRecord{};
      r.window = g_playWindow;
      r.width = r.height = sizes[kind];
    }
    platform::sim::ReleaseAllKeys();
    platform::sim::ClearMessageBoxes();
    StartTestGame();
    platform::Surface* s = BackSurface();
    for (int y = 0; y < s->height(); ++y)
      for (int x = 0; x < s->width(); ++x) s->at(x, y) = 0;
  }
  // Also checks that nothing the test drew raised a drawing-layer message.
  void TearDown() override {
    platform::sim::ReleaseAllKeys();
    for (const auto& box : platform::sim::MessageBoxes())
      ADD_FAILURE() << "message box " << box.caption << ": " << box.text;
  }
};
