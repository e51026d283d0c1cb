// The shot step: margins, kind-3 and kind-4 motion, hits, grazes.
#include <vector>

#include "frame/rage.h"
#include "frame/shots.h"
#include "play_fixture.h"

using ShotTest = PlayTest;

TEST_F(ShotTest, ShotsStayInPlayUpToTheMarginAndNoFurther) {
  // Still shots: the test is on x - 8 and y - 8 against -r .. 320 + r / 240 + r.
  struct Case {
    int x, y;
    bool stays;
  } cases[] = {
      {1, 100, true},   {0, 100, false},  {335, 100, true}, {336, 100, false},
      {100, 1, true},   {100, 0, false},  {100, 255, true}, {100, 256, false},
  };
  for (const Case& c : cases) {
    PlaceShot(1, 1, c.x, c.y, 0, 0, 7);
    UpdateShots();
    EXPECT_EQ(sht[1].kind != 0, c.stays) << c.x << "," << c.y;
  }
  // The test is made on the moved position.
  PlaceShot(1, 1, 100, 2, 0, -2, 7);
  UpdateShots();
  EXPECT_EQ(sht[1].kind, 0);
}

TEST_F(ShotTest, ShotsMoveAndAnimate) {
  PlaceShot(1, 1, 100, 100, 2, -8, 7);
  UpdateShots();
  EXPECT_EQ(sht[1].x, 102);
  EXPECT_EQ(sht[1].y, 92);
  // The three sprite frames cycle: anim wraps back to 1 after passing 4.
  int wraps = 0;
  for (int f = 0; f < 40; ++f) {
    sht[1].x = 100;
    sht[1].y = 100;
    UpdateShots();
    if (sht[1].anim == 1.0) ++wraps;
    ASSERT_LT(sht[1].anim, 4.0);
  }
  EXPECT_GE(wraps, 1);
}

TEST_F(ShotTest, KindThreeFallsFasterTheLowerItIs) {
  struct Case {
    int newY, vy;
  } cases[] = {{121, 20}, {120, 12}, {97, 12}, {96, 8}, {73, 8}, {72, 4},
               {49, 4},   {48, 2},   {25, 2},  {24, 1}, {10, 1}};
  for (const Case& c : cases) {
    PlaceShot(1, 3, 100, c.newY - 1, 0, 1, 6);
    UpdateShots();
    EXPECT_EQ(sht[1].vy, c.vy) << "at y " << c.newY;
  }
  // At y 121 it then falls 20 pixels in one frame.
  PlaceShot(1, 3, 100, 120, 0, 1, 6);
  UpdateShots();
  UpdateShots();
  EXPECT_EQ(sht[1].y, 141);
}

TEST_F(ShotTest, KindFourTurnsOnlyWhenLandingOnATurningRow) {
  PlaceShot(1, 4, 100, 31, -2, 2, 6);
  UpdateShots();
  EXPECT_EQ(sht[1].y, 33);
  EXPECT_EQ(sht[1].vx, 2);
  PlaceShot(1, 4, 100, 31, -2, 3, 6);
  UpdateShots();
  EXPECT_EQ(sht[1].y, 34);
  EXPECT_EQ(sht[1].vx, -2);
  for (int row : {65, 97, 129, 161, 193, 225}) {
    PlaceShot(1, 4, 100, row - 4, -2, 4, 6);
    UpdateShots();
    EXPECT_EQ(sht[1].vx, 2) << row;
  }
  // Other kinds have no motion rule.
  PlaceShot(1, 5, 100, 31, -2, 2, 6);
  UpdateShots();
  EXPECT_EQ(sht[1].vx, -2);
  PlaceShot(1, 2, 100, 120, 0, 1, 6);
  UpdateShots();
  EXPECT_EQ(sht[1].vy, 1);
}

TEST_F(ShotTest, PlayerShotDamagesOnlyTheLowestNumberedEnemyItOverlaps) {
  PlaceEnemy(2, 2, 100, 100);
  PlaceEnemy(5, 2, 100, 100);
  PlaceShot(7, 1, 100, 100, 0, 0, 7, 4);
  int score = gs.score;
  UpdateShots();
  EXPECT_EQ(chr[2].hp, 2);
  EXPECT_EQ(chr[5].hp, 6);
  EXPECT_EQ(sht[7].kind, 0);
  EXPECT_EQ(gs.score, score + 1);
  EXPECT_EQ(gs.quota, 255);
}

TEST_F(ShotTest, PlayerShotThatEmptiesAnEnemyDestroysIt) {
  PlaceEnemy(3, 3, 100, 100).hp = 5;
  PlaceShot(1, 1, 100, 110, 0, 0, 7, 8);
  UpdateShots();
  EXPECT_EQ(chr[3].state, 240);
  EXPECT_EQ(chr[3].hp, -3);  // not clamped
  EXPECT_EQ(gs.quota, 254);
  EXPECT_EQ(gs.score, 1 + 15);
  // A shot passing an exploding enemy goes on.
  PlaceShot(1, 1, 100, 100, 0, 0, 7, 8);
  UpdateShots();
  EXPECT_EQ(sht[1].kind, 1);
}

TEST_F(ShotTest, BulletHitTakesHitPointsAndEmptiesTheGauge) {
  chr[0].x = 100;
  chr[0].y = 200;
  gs.grazeGauge = 7;
  PlaceShot(1, 2, 107, 200, 0, 0, 6, 8);  // 7 < 2 + 6: a hit
  UpdateShots();
  EXPECT_EQ(chr[0].hp, 92);
  EXPECT_EQ(sht[1].kind, 0);
  EXPECT_EQ(gs.grazeGauge, 0.0);
  EXPECT_EQ(gs.score, 0);  // a hit is never a graze
  EXPECT_EQ(gs.grazeCooldown, 0);
  // Hit points stop at 0.
  PlaceShot(1, 6, 100, 200, 0, 0, 8, 200);
  UpdateShots();
  EXPECT_EQ(chr[0].hp, 0);
}

TEST_F(ShotTest, GrazeDistanceIsStrictlyBelowFifteenPlusTheBulletRadius) {
  chr[0].x = 100;
  chr[0].y = 200;
  struct Case {
    int x, y;
    bool grazes;
  } cases[] = {
      {121, 200, false},  // exactly 15 + 6
      {120, 200, true},
      {114, 215, true},   // about 20.5
      {115, 215, false},  // about 21.2
      {108, 200, true},   // exactly 2 + 6: not a hit, so a graze
  };
  for (const Case& c : cases) {
    gs.grazeGauge = 0;
    gs.grazeCooldown = 0;
    gs.score = 0;
    PlaceShot(1, 2, c.x, c.y, 0, 0, 6);
    UpdateShots();
    EXPECT_EQ(gs.grazeGauge, c.grazes ? 1.0 : 0.0) << c.x << "," << c.y;
    EXPECT_EQ(gs.score, c.grazes ? 1 : 0);
    EXPECT_EQ(gs.grazeCooldown, c.grazes ? 5 : 0);
    EXPECT_EQ(sht[1].kind, 2);  // a graze does not consume the bullet
    EXPECT_EQ(chr[0].radius, 2);
    EXPECT_EQ(chr[0].hp, 100);
  }
}

TEST_F(ShotTest, GrazeCooldownAllowsOneGrazeInFiveFrames) {
  chr[0].x = 100;
  chr[0].y = 200;
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

TEST_F(ShotTest, NoGrazeWhileARageBurstRuns) {
  chr[0].x = 100;
  chr[0].y = 200;
  gs.rageTimer = 0.5;
  PlaceShot(1, 2, 115, 200, 0, 0, 6);
  UpdateShots();
  EXPECT_EQ(gs.grazeGauge, 0.0);
  EXPECT_EQ(gs.grazeCooldown, 0);
  EXPECT_EQ(chr[0].radius, 2);
}

TEST_F(ShotTest, ExplodingShipIsNeitherHitNorGrazed) {
  chr[0].x = 100;
  chr[0].y = 200;
  chr[0].state = 240;
  PlaceShot(1, 2, 100, 200, 0, 0, 6, 8);
  PlaceShot(2, 2, 115, 200, 0, 0, 6, 8);
  UpdateShots();
  EXPECT_EQ(chr[0].hp, 100);
  EXPECT_EQ(sht[1].kind, 2);
  EXPECT_EQ(gs.grazeGauge, 0.0);
}

TEST_F(ShotTest, ContactAroundTheShipMatchesTheCollisionTestEverywhere) {
  // Every offset within and just beyond the graze reach, for both bullet radii.
  for (int radius : {6, 8}) {
    for (int dy = -26; dy <= 26; ++dy) {
      for (int dx = -26; dx <= 26; ++dx) {
        chr[0].x = 150;
        chr[0].y = 150;
        chr[0].hp = 100;
        gs.grazeGauge = 0;
        gs.grazeCooldown = 0;
        Sht probe = PlaceShot(1, 2, 150 + dx, 150 + dy, 0, 0, radius, 1);
        bool hit = Hit(chr[0], probe);
        Chr wide = chr[0];
        wide.radius = 15;
        bool graze = !hit && Hit(wide, probe);
        UpdateShots();
        ASSERT_EQ(chr[0].hp, hit ? 99 : 100) << dx << "," << dy;
        ASSERT_EQ(gs.grazeGauge, graze ? 1.0 : 0.0) << dx << "," << dy;
      }
    }
  }
}
