// The shot step: margins, kind-3 and kind-4 motion, hits, grazes.
#include <vector>

#include "frame/rage.h"
#include "frame/shots.h"
#include "play_fixture.h"

class ShotTest : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    std::tie(chr[0].x, chr[0].y) = std::make_tuple(100, 200);
  }
};

// One shot alone, one step: where it is, how it moves, and whether it stays.
TEST_F(ShotTest, ShotsMoveTurnAndLeaveByTheirRules) {
  struct Case {
    int kind, x, y, vx, vy;
    int afterX, afterY, afterVx, afterVy;  // afterX -1: retired
  } cases[] = {
      // Still shots stay while x - 8 and y - 8 are within -r .. 320 + r / 240 + r.
      {1, 1, 100, 0, 0, 1, 100, 0, 0},     {1, 0, 100, 0, 0, -1, 0, 0, 0},
      {1, 335, 100, 0, 0, 335, 100, 0, 0}, {1, 336, 100, 0, 0, -1, 0, 0, 0},
      {1, 150, 1, 0, 0, 150, 1, 0, 0},     {1, 150, 0, 0, 0, -1, 0, 0, 0},
      {1, 150, 255, 0, 0, 150, 255, 0, 0}, {1, 150, 256, 0, 0, -1, 0, 0, 0},
      {1, 150, 2, 0, -2, -1, 0, 0, 0},  // tested where it has moved to
      {1, 150, 100, 2, -8, 152, 92, 2, -8},
      // Kind 3 falls faster the lower it lands.
      {3, 150, 120, 0, 1, 150, 121, 0, 20}, {3, 150, 119, 0, 1, 150, 120, 0, 12},
      {3, 150, 96, 0, 1, 150, 97, 0, 12},   {3, 150, 95, 0, 1, 150, 96, 0, 8},
      {3, 150, 72, 0, 1, 150, 73, 0, 8},    {3, 150, 71, 0, 1, 150, 72, 0, 4},
      {3, 150, 48, 0, 1, 150, 49, 0, 4},    {3, 150, 47, 0, 1, 150, 48, 0, 2},
      {3, 150, 24, 0, 1, 150, 25, 0, 2},    {3, 150, 23, 0, 1, 150, 24, 0, 1},
      {3, 150, 9, 0, 1, 150, 10, 0, 1},     {3, 150, 121, 0, 20, 150, 141, 0, 20},
      // Kind 4 turns only when it lands on a turning row (33, 65, ... 225).
      {4, 150, 31, -2, 2, 148, 33, 2, 2},   {4, 150, 31, -2, 3, 148, 34, -2, 3},
      {4, 150, 61, -2, 4, 148, 65, 2, 4},   {4, 150, 93, -2, 4, 148, 97, 2, 4},
      {4, 150, 125, -2, 4, 148, 129, 2, 4}, {4, 150, 157, -2, 4, 148, 161, 2, 4},
      {4, 150, 189, -2, 4, 148, 193, 2, 4}, {4, 150, 221, -2, 4, 148, 225, 2, 4},
      // Other kinds have no motion rule.
      {5, 150, 31, -2, 2, 148, 33, -2, 2},  {2, 150, 120, 0, 1, 150, 121, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.x << "," << c.y);
    PlaceShot(1, c.kind, c.x, c.y, c.vx, c.vy, c.kind == 1 ? 7 : 6);
    UpdateShots();
    if (c.afterX < 0) {
      EXPECT_EQ(sht[1].kind, 0);
    } else {
      EXPECT_EQ(Motion(sht[1]), std::make_tuple(c.kind, c.afterX, c.afterY, c.afterVx, c.afterVy));
    }
  }
  // The three sprite frames cycle: anim wraps back to 1 after passing 4.
  PlaceShot(1, 1, 100, 100, 0, 0, 7);
  int wraps = 0;
  for (int f = 0; f < 40; ++f) {
    UpdateShots();
    wraps += sht[1].anim == 1.0;
    ASSERT_LT(sht[1].anim, 4.0);
  }
  EXPECT_GE(wraps, 1);
}

TEST_F(ShotTest, PlayerShotDamagesOnlyTheLowestNumberedEnemyItOverlaps) {
  PlaceEnemy(2, 2, 100, 100);
  PlaceEnemy(5, 2, 100, 100);
  PlaceShot(7, 1, 100, 100, 0, 0, 7, 4);
  UpdateShots();
  EXPECT_EQ(std::tie(chr[2].hp, chr[5].hp, sht[7].kind), std::make_tuple(2, 6, 0));
  EXPECT_EQ(std::tie(gs.score, gs.quota), std::make_tuple(1, 255));
  // A shot that empties an enemy destroys it; the hit points are not clamped.
  PlaceEnemy(3, 3, 200, 100).hp = 5;
  PlaceShot(1, 1, 200, 110, 0, 0, 7, 8);
  UpdateShots();
  EXPECT_EQ(std::tie(chr[3].state, chr[3].hp), std::make_tuple(240, -3));
  EXPECT_EQ(std::tie(gs.quota, gs.score), std::make_tuple(254, 1 + 1 + 15));
  // A shot passing an exploding enemy goes on.
  PlaceShot(1, 1, 200, 100, 0, 0, 7, 8);
  UpdateShots();
  EXPECT_EQ(sht[1].kind, 1);
}

TEST_F(ShotTest, BulletHitTakesHitPointsAndEmptiesTheGauge) {
  gs.grazeGauge = 7;
  PlaceShot(1, 2, 107, 200, 0, 0, 6, 8);  // 7 < 2 + 6: a hit
  UpdateShots();
  EXPECT_EQ(std::tie(chr[0].hp, sht[1].kind, gs.grazeGauge), std::make_tuple(92, 0, 0.0));
  EXPECT_EQ(std::tie(gs.score, gs.grazeCooldown), std::make_tuple(0, 0));  // never a graze
  PlaceShot(1, 6, 100, 200, 0, 0, 8, 200);
  UpdateShots();
  EXPECT_EQ(chr[0].hp, 0) << "hit points stop at 0";
}

TEST_F(ShotTest, GrazeCooldownAllowsOneGrazeInFiveFrames) {
  PlaceShot(1, 2, 115, 200, 0, 0, 6);
  PlaceShot(2, 2, 85, 200, 0, 0, 6);  // a second bullet in the same frame
  std::vector<int> grazed;
  double gauge = 0;
  for (int f = 1; f <= 11; ++f) {
    UpdateShots();
    UpdateRage();
    if (gs.grazeGauge > gauge) grazed.push_back(f);
    gauge = gs.grazeGauge;
  }
  EXPECT_EQ(grazed, (std::vector<int>{1, 6, 11}));
  EXPECT_EQ(gs.score, 3);
}

TEST_F(ShotTest, NoGrazeOrHitWhileARageBurstRunsOrTheShipExplodes) {
  gs.rageTimer = 0.5;
  PlaceShot(1, 2, 115, 200, 0, 0, 6);
  UpdateShots();
  EXPECT_EQ(std::tie(gs.grazeGauge, gs.grazeCooldown, chr[0].radius), std::make_tuple(0.0, 0, 2));
  gs.rageTimer = 0;
  chr[0].state = 240;
  PlaceShot(1, 2, 100, 200, 0, 0, 6, 8);
  PlaceShot(2, 2, 115, 200, 0, 0, 6, 8);
  UpdateShots();
  EXPECT_EQ(std::tie(chr[0].hp, sht[1].kind, gs.grazeGauge), std::make_tuple(100, 2, 0.0));
}

// Every offset within and just beyond the graze reach, for both bullet
// radii: a hit where the collision test says so, else a graze strictly
// within 15 + the bullet's radius, which scores 1, starts the 5-frame graze
// cooldown and leaves the bullet and the ship's radius as they were.
TEST_F(ShotTest, ContactAroundTheShipIsAHitOrAGrazeByDistance) {
  for (int radius : {6, 8}) {
    for (int dy = -26; dy <= 26; ++dy) {
      for (int dx = -26; dx <= 26; ++dx) {
        std::tie(chr[0].x, chr[0].y, chr[0].hp) = std::make_tuple(150, 150, 100);
        gs.grazeGauge = gs.grazeCooldown = gs.score = 0;
        const Sht probe = PlaceShot(1, 2, 150 + dx, 150 + dy, 0, 0, radius, 1);
        const bool hit = Hit(chr[0], probe);
        const int d2 = dx * dx + dy * dy, reach = 15 + radius;
        EXPECT_EQ(hit, d2 < (2 + radius) * (2 + radius)) << dx << "," << dy;
        const bool graze = !hit && d2 < reach * reach;
        UpdateShots();
        ASSERT_EQ(std::make_tuple(int(chr[0].hp), gs.grazeGauge, int(gs.score), int(gs.grazeCooldown),
                                  sht[1].kind, chr[0].radius),
                  std::make_tuple(hit ? 99 : 100, graze ? 1.0 : 0.0, graze ? 1 : 0, graze ? 5 : 0,
                                  hit ? 0 : 2, 2))
            << dx << "," << dy << " radius " << radius;
      }
    }
  }
}
