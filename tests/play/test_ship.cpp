// The ship: start values, level thresholds, fire by level, cooldowns,
// movement limits, animation and death explosion.
#include <vector>

#include "enemies/enemy_shots.h"
#include "entities/player.h"
#include "flow/new_game.h"
#include "frame/play_input.h"
#include "platform/platform.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

using platform::VK_DOWN;
using platform::VK_LEFT;
using platform::VK_RIGHT;
using platform::VK_SPACE;
using platform::VK_UP;

using ShipTest = PlayTest;

TEST_F(ShipTest, NewGameResetsEverythingAndPlacesTheShip) {
  gs.startQuota = 3;
  gs.startScore = 4000;
  gs.pauseState = 240;  // a request made on the title screen
  gs.inputLocked = 1;
  gs.rageTimer = 12;
  gs.grazeGauge = 7;
  gs.bannerTimer = 9;
  gs.bannerText = "Rainy";
  PlaceEnemy(12, 3, 100, 100);
  PlaceShot(60, 2, 10, 10, 0, 0, 6);
  NewGame();
  EXPECT_EQ(chr[12].state, 0);
  EXPECT_EQ(sht[60].kind, 0);
  EXPECT_EQ(gs.quota, 3);
  EXPECT_EQ(gs.score, 4000);
  EXPECT_EQ(gs.shownScore, 0);
  EXPECT_EQ(gs.pauseState, 0);
  EXPECT_EQ(gs.inputLocked, 0);
  EXPECT_EQ(gs.scrollY, 0);
  EXPECT_EQ(gs.scrollSpeed, 3);
  EXPECT_EQ(gs.bossX, -100.0);
  EXPECT_EQ(gs.bossY, -100.0);
  EXPECT_EQ(gs.rageTimer, 0.0);
  EXPECT_EQ(gs.grazeGauge, 0.0);
  EXPECT_EQ(gs.bannerTimer, 0);
  EXPECT_TRUE(gs.bannerText.empty());
  const Chr& ship = chr[0];
  EXPECT_EQ(ship.state, 1);
  EXPECT_EQ(ship.hp, 100);
  EXPECT_EQ(ship.radius, 2);
  EXPECT_EQ(ship.x, 159);
  EXPECT_EQ(ship.y, 214);
  EXPECT_EQ(ship.anim, 1.0);
  EXPECT_EQ(ship.cooldown, 0);
  EXPECT_EQ(ship.level, 1);
}

TEST_F(ShipTest, BulletsPerBurstFollowTheLevel) {
  const int levels[] = {5, 12, 20, 30, 7};
  const int bullets[] = {5, 6, 7, 10, 6};
  for (int i = 0; i < 5; ++i) {
    gs.enemySlots = levels[i];
    gs.patternBullets = 99;
    NewGame();
    EXPECT_EQ(gs.patternBullets, bullets[i]) << "enemySlots " << levels[i];
  }
}

TEST_F(ShipTest, LevelUpNeedsOneMorePointThanTheThreshold) {
  const int thresholds[] = {0, 0, 200, 500, 1500, 4000};
  for (int level = 1; level <= 4; ++level) {
    chr[0].level = level;
    gs.scrollSpeed = 3;
    gs.levelUpTimer = 0;
    gs.shownScore = thresholds[level + 1];
    CheckLevelUp();
    EXPECT_EQ(chr[0].level, level) << "equal to the threshold of " << level + 1;
    EXPECT_EQ(gs.levelUpTimer, 0);
    gs.shownScore = thresholds[level + 1] + 1;
    CheckLevelUp();
    EXPECT_EQ(chr[0].level, level + 1);
    EXPECT_EQ(gs.scrollSpeed, 7);
    EXPECT_EQ(gs.levelUpTimer, 25);
  }
  // Level 5 is the top, and one level at most is gained per frame.
  gs.shownScore = 1000000;
  CheckLevelUp();
  EXPECT_EQ(chr[0].level, 5);
  chr[0].level = 1;
  CheckLevelUp();
  EXPECT_EQ(chr[0].level, 2);
}

struct FireCase {
  int level;
  int shots;
  int vy;
  int damage;
  int cooldown;
};

TEST_F(ShipTest, FirePatternAndCooldownByLevel) {
  const FireCase cases[] = {
      {1, 1, -6, 2, 9}, {2, 1, -8, 4, 6}, {3, 3, -8, 4, 6}, {4, 3, -8, 8, 3}, {5, 3, -8, 16, 3},
  };
  for (const FireCase& c : cases) {
    SCOPED_TRACE(c.level);
    ClearTables();
    NewGame();
    chr[0].level = c.level;
    chr[0].x = 100;
    chr[0].y = 150;
    Fire(0);
    EXPECT_EQ(ShotsInFlight(), c.shots);
    const int vx[3] = {0, -2, 2};
    for (int k = 0; k < c.shots; ++k) {
      const Sht& s = sht[k + 1];
      EXPECT_EQ(s.kind, 1);
      EXPECT_EQ(s.vx, vx[k]);
      EXPECT_EQ(s.vy, c.vy);
      EXPECT_EQ(s.damage, c.damage);
      EXPECT_EQ(s.radius, 7);
      EXPECT_EQ(s.x, 100);
      EXPECT_EQ(s.y, 143);
      EXPECT_EQ(s.level, c.level);
      EXPECT_EQ(s.anim, 1.0);
    }
    EXPECT_EQ(chr[0].cooldown, c.cooldown);
  }
}

TEST_F(ShipTest, ThreeShotsTakeTheThreeLowestFreeSlotsStraightFirst) {
  chr[0].level = 3;
  PlaceShot(2, 2, 300, 10, 0, 0, 6);
  Fire(0);
  EXPECT_EQ(sht[1].vx, 0);
  EXPECT_EQ(sht[2].kind, 2);  // left alone
  EXPECT_EQ(sht[3].vx, -2);
  EXPECT_EQ(sht[4].vx, 2);
}

TEST_F(ShipTest, FullShotTableMakesNoShotAndRetriesInThreeFrames) {
  FillShots(60);
  chr[0].level = 1;
  Fire(0);
  EXPECT_EQ(chr[0].cooldown, 3);
  for (int i = 1; i <= 60; ++i) ASSERT_EQ(sht[i].kind, 2);
  // Two slots left at level 3: two shots, then the cooldown of the level.
  sht[59].kind = 0;
  sht[60].kind = 0;
  chr[0].level = 3;
  Fire(0);
  EXPECT_EQ(sht[59].kind, 1);
  EXPECT_EQ(sht[60].kind, 1);
  EXPECT_EQ(chr[0].cooldown, 6);
}

TEST_F(ShipTest, AutoFireRateFollowsTheLevel) {
  const int levels[] = {1, 2, 4};
  const int intervals[] = {9, 6, 3};
  for (int k = 0; k < 3; ++k) {
    NewGame();
    chr[0].level = levels[k];
    std::vector<int> fired;
    for (int f = 1; f <= 30; ++f) {
      UpdatePlayer();
      ReadFireKey();
      if (ShotsInFlight() > 0) fired.push_back(f);
      for (auto& s : sht) s.kind = 0;
    }
    ASSERT_GE(fired.size(), 3u);
    for (size_t i = 1; i < fired.size(); ++i)
      EXPECT_EQ(fired[i] - fired[i - 1], intervals[k]) << "level " << levels[k];
  }
}

TEST_F(ShipTest, ManualFireNeedsTheSpaceBar) {
  gs.fireMode = 0;
  ReadFireKey();
  EXPECT_EQ(ShotsInFlight(), 0);
  HoldKey(VK_SPACE, true);
  ReadFireKey();
  EXPECT_EQ(ShotsInFlight(), 1);
  // Held: once per cooldown.
  ReadFireKey();
  EXPECT_EQ(ShotsInFlight(), 1);
  gs.fireMode = 5;  // neither mode: never fires
  chr[0].cooldown = 0;
  ReadFireKey();
  EXPECT_EQ(ShotsInFlight(), 1);
}

TEST_F(ShipTest, MovementStopsAtEveryLimit) {
  HoldKey(VK_DOWN, true);
  for (int i = 0; i < 10; ++i) ReadMoveKeys();
  EXPECT_EQ(chr[0].y, 220);
  HoldKey(VK_DOWN, false);
  HoldKey(VK_RIGHT, true);
  for (int i = 0; i < 40; ++i) ReadMoveKeys();
  EXPECT_EQ(chr[0].x, 318);
  HoldKey(VK_RIGHT, false);
  HoldKey(VK_UP, true);
  HoldKey(VK_LEFT, true);
  for (int i = 0; i < 70; ++i) ReadMoveKeys();
  EXPECT_EQ(chr[0].x, 2);
  EXPECT_EQ(chr[0].y, 2);
  // Diagonal: 5 pixels on each axis.
  ReleaseAllKeys();
  chr[0].x = 100;
  chr[0].y = 100;
  HoldKey(VK_DOWN, true);
  HoldKey(VK_RIGHT, true);
  ReadMoveKeys();
  EXPECT_EQ(chr[0].x, 105);
  EXPECT_EQ(chr[0].y, 105);
}

TEST_F(ShipTest, OppositeKeysCancelExceptNearTheTopAndLeftLimits) {
  HoldKey(VK_UP, true);
  HoldKey(VK_DOWN, true);
  HoldKey(VK_LEFT, true);
  HoldKey(VK_RIGHT, true);
  chr[0].x = 100;
  chr[0].y = 100;
  ReadMoveKeys();
  EXPECT_EQ(chr[0].x, 100);
  EXPECT_EQ(chr[0].y, 100);
  // At the top-left corner the first move is clamped, the second still applies.
  chr[0].x = 2;
  chr[0].y = 2;
  for (int i = 0; i < 5; ++i) ReadMoveKeys();
  EXPECT_EQ(chr[0].x, 7);
  EXPECT_EQ(chr[0].y, 7);
  // At the bottom and right they cancel: 220 - 5 + 5 is clamped back to 220.
  chr[0].x = 318;
  chr[0].y = 220;
  ReadMoveKeys();
  EXPECT_EQ(chr[0].x, 318);
  EXPECT_EQ(chr[0].y, 220);
}

TEST_F(ShipTest, AnimationShowsEachFrameForTwentyFramesAndCoolsDown) {
  chr[0].cooldown = 2;
  UpdatePlayer();
  EXPECT_EQ(chr[0].cooldown, 1);
  UpdatePlayer();
  UpdatePlayer();
  EXPECT_EQ(chr[0].cooldown, 0);
  chr[0].anim = 1.0;
  int firstOf2 = 0, wrapped = 0;
  for (int f = 1; f <= 80; ++f) {
    UpdatePlayer();
    if (!firstOf2 && Int(chr[0].anim) == 2) firstOf2 = f;
    if (!wrapped && f > 1 && chr[0].anim == 1.0) wrapped = f;
  }
  EXPECT_EQ(firstOf2, 20);
  EXPECT_EQ(wrapped, 61);  // 1.0 + 60 steps of 0.05 falls just short of 4
}

TEST_F(ShipTest, DeathExplosionLastsFiftyFrames) {
  chr[0].state = 240;
  chr[0].anim = 10.0;
  for (int f = 1; f <= 50; ++f) {
    UpdatePlayer();
    ASSERT_EQ(chr[0].state, 240) << f;
  }
  UpdatePlayer();
  EXPECT_EQ(chr[0].state, 0);
  UpdatePlayer();  // gone: nothing more happens
  EXPECT_EQ(chr[0].state, 0);
}
