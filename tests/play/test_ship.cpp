// The ship and the shots on the paths a scripted game does not take: MANUAL
// fire, the limits of the field, a full shot table, the hits that end a game.
#include <vector>

#include "enemies/enemy_shots.h"
#include "entities/player.h"
#include "frame/play_input.h"
#include "frame/shots.h"
#include "play_fixture.h"

using platform::VK_DOWN;
using platform::VK_LEFT;
using platform::VK_RIGHT;
using platform::VK_SPACE;
using platform::VK_UP;

using ShipTest = PlayTest;

TEST_F(ShipTest, FullShotTableMakesNoShotAndRetriesInThreeFrames) {
  FillShots(60), chr[0].level = 1, Fire(0);
  EXPECT_EQ(chr[0].cooldown, 3);
  for (int i = 1; i <= 60; ++i) ASSERT_EQ(sht[i].kind, 2);
  // Two slots left at level 3: two shots, then the cooldown of the level.
  sht[59].kind = sht[60].kind = 0, chr[0].level = 3, Fire(0);
  EXPECT_EQ(std::tie(sht[59].kind, sht[60].kind, chr[0].cooldown), std::make_tuple(1, 1, 6));
}

TEST_F(ShipTest, ManualFireNeedsTheSpaceBar) {
  // Rows: Space held, fire mode, shots: held, once per cooldown; in neither mode, never.
  const std::tuple<bool, int, int> steps[] = {{false, 0, 0}, {true, 0, 1}, {true, 0, 1}, {true, 5, 1}};
  for (const auto& [space, mode, shots] : steps) {
    if (space) HoldKey(VK_SPACE);
    gs.fireMode = mode, chr[0].cooldown = mode == 5 ? 0 : chr[0].cooldown;
    ReadFireKey();
    EXPECT_EQ(ShotsInFlight(), shots) << space << " " << mode;
  }
}

// Each frame a key moves the ship 5 pixels within x 2..318 and y 2..220.
// Held against each other the keys cancel, except near the top and left
// limits, where the first move is clamped and the second still applies.
TEST_F(ShipTest, MovementStopsAtEveryLimit) {
  const std::vector<int> all = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT};
  struct Case { std::vector<int> keys; int x, y, frames, afterX, afterY; } cases[] = {
      {{VK_DOWN}, 159, 214, 10, 159, 220}, {{VK_RIGHT}, 159, 220, 40, 318, 220}, {{VK_UP, VK_LEFT}, 318, 220, 70, 2, 2},
      {{VK_DOWN, VK_RIGHT}, 100, 100, 1, 105, 105}, {all, 100, 100, 1, 100, 100}, {all, 2, 2, 5, 7, 7},
      {all, 318, 220, 1, 318, 220}};  // the last: 220 - 5 + 5, clamped
  for (const Case& c : cases) {
    platform::sim::ReleaseAllKeys();
    for (int vk : c.keys) HoldKey(vk);
    std::tie(chr[0].x, chr[0].y) = std::make_tuple(c.x, c.y);
    for (int i = 0; i < c.frames; ++i) ReadMoveKeys();
    EXPECT_EQ(std::tie(chr[0].x, chr[0].y), std::make_tuple(c.afterX, c.afterY)) << c.keys.size() << " keys from " << c.x << "," << c.y;
  }
}

// A hit that takes more than is left stops at 0; an exploding ship is hit
// and grazed by nothing.
TEST_F(ShipTest, BulletHitsStopAtZeroAndMissTheExplodingShip) {
  std::tie(chr[0].x, chr[0].y, gs.grazeGauge) = std::make_tuple(100, 200, 7.0);
  PlaceShot(1, 6, 100, 200, 0, 0, 8, 200), UpdateShots();
  EXPECT_EQ(std::tie(chr[0].hp, sht[1].kind, gs.grazeGauge), std::make_tuple(0, 0, 0.0));
  chr[0] = Chr{240, 100, 100, 200, 2, 10.0};
  PlaceShot(1, 2, 100, 200, 0, 0, 6, 8);
  PlaceShot(2, 2, 115, 200, 0, 0, 6, 8);
  UpdateShots();
  EXPECT_EQ(std::tie(chr[0].hp, sht[1].kind, gs.grazeGauge), std::make_tuple(100, 2, 0.0));
}
