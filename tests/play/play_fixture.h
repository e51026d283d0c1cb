// Shared set-up for the play tests: a simulated main window with its back
// buffer, sprite tables with known sizes, and a fresh game.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "entities/tables.h"
#include "state/game_state.h"

// Test radii: frame-1 sprites of 16, 20, 24 and 64 pixels square.
constexpr int32_t kKind1Radius = 8;
constexpr int32_t kKind2Radius = 10;
constexpr int32_t kKind3Radius = 12;
constexpr int32_t kBossRadius = 32;

// Starts the simulated window and its back buffer once per process.
void EnsurePlayfield();
// The back buffer's pixel as 0x00RRGGBB.
uint32_t Pixel(int x, int y);
// Fills the back buffer with one colour (0x00BBGGRR).
void FillBackBuffer(uint32_t colorRef);
// Holds or releases a key in the simulated keyboard.
void HoldKey(int vk, bool held);
void ReleaseAllKeys();
// Loads a solid w x h picture of colour 0x00RRGGBB into the record from a
// scratch BMP file (black is the opaque mask colour).
struct BmpRecord;
void LoadSolidBitmap(BmpRecord& record, int w, int h, uint32_t rgb);
// A fresh game at the given level, with the game state at its start-up values.
void StartTestGame(int enemySlots = 12);
// An enemy of the given kind placed directly, without random numbers.
Chr& PlaceEnemy(int slot, int kind, int x, int y);
// A shot placed directly.
Sht& PlaceShot(int slot, int kind, int x, int y, int vx, int vy, int radius, int damage = 1);
int ShotsInFlight();
// Fills shot slots until `count` are in use.
void FillShots(int count);
// How many Rnd calls turn seed `from` into seed `to` (up to `limit`), or -1.
int RndCallsBetween(uint32_t from, uint32_t to, int limit = 64);

class PlayTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Also checks that nothing the test drew raised a drawing-layer message.
  void TearDown() override;
};
