// Shared set-up for the play tests: a simulated main window with its back
// buffer cleared to black, sprite records of known sizes (no pictures), and
// a fresh game.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "entities/tables.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "state/game_state.h"

// Test radii: frame-1 sprites of 16, 20, 24 and 64 pixels square.
constexpr int32_t kKind1Radius = 8, kKind2Radius = 10, kKind3Radius = 12, kBossRadius = 32;

// The back buffer's pixel as 0x00RRGGBB, and the whole buffer filled.
uint32_t Pixel(int x, int y);
void FillBackBuffer(uint32_t colorRef);
inline void HoldKey(int vk) { platform::sim::PressKey(vk); }
// A fresh game at the given level, with the game state at its start-up values.
void StartTestGame(int enemySlots = 12);
// An enemy of the given kind (its test radius and usual hp) or a shot,
// placed directly, without random numbers.
Chr& PlaceEnemy(int slot, int kind, int x, int y);
Sht& PlaceShot(int slot, int kind, int x, int y, int vx, int vy, int radius, int damage = 1);
int ShotsInFlight();
// Fills shot slots 1..count with parked bullets out of every contact.
void FillShots(int count);

// Fields as one comparable row, so that a record is checked in one line.
inline auto Pos(const Chr& c) { return std::make_tuple(c.state, c.x, c.y, c.vx, c.vy); }
inline auto Motion(const Sht& s) { return std::make_tuple(s.kind, s.x, s.y, s.vx, s.vy); }

class PlayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Also checks that nothing the test drew raised a drawing-layer message.
  void TearDown() override;
};
