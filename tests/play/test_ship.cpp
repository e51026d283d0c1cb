// The ship: start values, level thresholds, fire by level, cooldowns,
// movement limits, animation and death explosion.
#include <vector>

#include "enemies/enemy_shots.h"
#include "entities/player.h"
#include "flow/new_game.h"
#include "frame/play_input.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

using platform::VK_DOWN;
using platform::VK_LEFT;
using platform::VK_RIGHT;
using platform::VK_SPACE;
using platform::VK_UP;

using ShipTest = PlayTest;

TEST_F(ShipTest, NewGameResetsEverythingAndPlacesTheShip) {
  std::tie(gs.startQuota, gs.startScore) = std::make_tuple(3, 4000);
  gs.pauseState = 240;  // a request made on the title screen
  gs.inputLocked = 1;
  gs.rageTimer = 12;
  gs.grazeGauge = 7;
  gs.bannerTimer = 9;
  gs.bannerText = "Rainy";
  PlaceEnemy(12, 3, 100, 100);
  PlaceShot(60, 2, 10, 10, 0, 0, 6);
  NewGame();
  EXPECT_EQ(std::tie(chr[12].state, sht[60].kind), std::make_tuple(0, 0));
  EXPECT_EQ(std::tie(gs.quota, gs.score, gs.shownScore), std::make_tuple(3, 4000, 0));
  EXPECT_EQ(std::tie(gs.pauseState, gs.inputLocked, gs.scrollY, gs.scrollSpeed),
            std::make_tuple(0, 0, 0, 3));
  EXPECT_EQ(std::tie(gs.bossX, gs.bossY, gs.rageTimer, gs.grazeGauge),
            std::make_tuple(-100.0, -100.0, 0.0, 0.0));
  EXPECT_EQ(gs.bannerTimer, 0);
  EXPECT_TRUE(gs.bannerText.empty());
  const Chr& ship = chr[0];
  EXPECT_EQ(Pos(ship), std::make_tuple(1, 159, 214, 0, 0));
  EXPECT_EQ(std::tie(ship.hp, ship.radius, ship.anim, ship.cooldown, ship.level),
            std::make_tuple(100, 2, 1.0, 0, 1));
  // The bullets of a pattern follow the level (enemySlots).
  const int levels[] = {5, 12, 20, 30, 7}, bullets[] = {5, 6, 7, 10, 6};
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
    EXPECT_EQ(std::tie(chr[0].level, gs.levelUpTimer), std::make_tuple(level, 0))
        << "equal to the threshold of " << level + 1;
    gs.shownScore = thresholds[level + 1] + 1;
    CheckLevelUp();
    EXPECT_EQ(std::tie(chr[0].level, gs.scrollSpeed, gs.levelUpTimer),
              std::make_tuple(level + 1, 7, 25));
  }
  // Level 5 is the top, and one level at most is gained per frame.
  gs.shownScore = 1000000;
  CheckLevelUp();
  EXPECT_EQ(chr[0].level, 5);
  chr[0].level = 1;
  CheckLevelUp();
  EXPECT_EQ(chr[0].level, 2);
}

TEST_F(ShipTest, FirePatternAndCooldownByLevel) {
  struct Case {
    int level, shots, vy, damage, cooldown;
  } cases[] = {
      {1, 1, -6, 2, 9}, {2, 1, -8, 4, 6}, {3, 3, -8, 4, 6}, {4, 3, -8, 8, 3}, {5, 3, -8, 16, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    ClearTables();
    NewGame();
    chr[0].level = c.level;
    std::tie(chr[0].x, chr[0].y) = std::make_tuple(100, 150);
    Fire(0);
    EXPECT_EQ(ShotsInFlight(), c.shots);
    const int vx[3] = {0, -2, 2};
    for (int k = 0; k < c.shots; ++k) {
      const Sht& s = sht[k + 1];
      EXPECT_EQ(Motion(s), std::make_tuple(1, 100, 143, vx[k], c.vy)) << k;
      EXPECT_EQ(std::tie(s.damage, s.radius, s.level, s.anim),
                std::make_tuple(c.damage, 7, c.level, 1.0)) << k;
    }
    EXPECT_EQ(chr[0].cooldown, c.cooldown);
  }
  // Three shots take the three lowest free slots, straight first.
  NewGame();
  chr[0].level = 3;
  PlaceShot(2, 2, 300, 10, 0, 0, 6);
  Fire(0);
  EXPECT_EQ(std::tie(sht[1].vx, sht[2].kind, sht[3].vx, sht[4].vx), std::make_tuple(0, 2, -2, 2));
}

TEST_F(ShipTest, FullShotTableMakesNoShotAndRetriesInThreeFrames) {
  FillShots(60);
  chr[0].level = 1;
  Fire(0);
  EXPECT_EQ(chr[0].cooldown, 3);
  for (int i = 1; i <= 60; ++i) ASSERT_EQ(sht[i].kind, 2);
  // Two slots left at level 3: two shots, then the cooldown of the level.
  sht[59].kind = sht[60].kind = 0;
  chr[0].level = 3;
  Fire(0);
  EXPECT_EQ(std::tie(sht[59].kind, sht[60].kind, chr[0].cooldown), std::make_tuple(1, 1, 6));
}

TEST_F(ShipTest, ManualFireNeedsTheSpaceBar) {
  struct Step {
    bool space;
    int fireMode, shots;
  } steps[] = {{false, 0, 0}, {true, 0, 1}, {true, 0, 1},  // held: once per cooldown
               {true, 5, 1}};                               // neither mode: never
  for (const Step& s : steps) {
    if (s.space) HoldKey(VK_SPACE);
    gs.fireMode = s.fireMode;
    if (s.fireMode == 5) chr[0].cooldown = 0;
    ReadFireKey();
    EXPECT_EQ(ShotsInFlight(), s.shots) << s.space << " " << s.fireMode;
  }
}

// Each frame a key moves the ship 5 pixels within x 2..318 and y 2..220.
// Held against each other the keys cancel, except near the top and left
// limits, where the first move is clamped and the second still applies.
TEST_F(ShipTest, MovementStopsAtEveryLimit) {
  struct Case {
    std::vector<int> keys;
    int x, y, frames, afterX, afterY;
  } cases[] = {
      {{VK_DOWN}, 159, 214, 10, 159, 220},
      {{VK_RIGHT}, 159, 220, 40, 318, 220},
      {{VK_UP, VK_LEFT}, 318, 220, 70, 2, 2},
      {{VK_DOWN, VK_RIGHT}, 100, 100, 1, 105, 105},
      {{VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT}, 100, 100, 1, 100, 100},
      {{VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT}, 2, 2, 5, 7, 7},
      {{VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT}, 318, 220, 1, 318, 220},  // 220 - 5 + 5, clamped
  };
  for (const Case& c : cases) {
    platform::sim::ReleaseAllKeys();
    for (int vk : c.keys) HoldKey(vk);
    std::tie(chr[0].x, chr[0].y) = std::make_tuple(c.x, c.y);
    for (int i = 0; i < c.frames; ++i) ReadMoveKeys();
    EXPECT_EQ(std::tie(chr[0].x, chr[0].y), std::make_tuple(c.afterX, c.afterY))
        << c.keys.size() << " keys from " << c.x << "," << c.y;
  }
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
