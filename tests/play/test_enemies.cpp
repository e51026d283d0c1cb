// Enemy and boss placement, movement, turns, and their ordinary shots.
#include <set>
#include <string>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/enemy_shots.h"
#include "enemies/patterns.h"
#include "entities/player.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

using EnemyTest = PlayTest;

// A seed whose first Rnd gives a roll (floor(r * 100)) below or from 50.
static uint32_t SeedWithRoll(bool low) {
  for (uint32_t seed = 1;; ++seed) {
    SetRandomSeed(seed);
    if ((Int(Rnd() * 100) < 50) == low) return seed;
  }
}

// Kind 1 takes the roll and then its x; kinds 2 and 3 enter from the side
// the roll picks. Each draws no more than that.
TEST_F(EnemyTest, EachKindEntersWithItsValuesAndDraws) {
  struct Case {
    int kind;
    bool low;
    int x, vx, vy, hp, radius, draws;
  } cases[] = {
      {1, true, -1, 0, 2, 2, kKind1Radius, 2},  // x: from the second number
      {2, true, 0, 2, 2, 6, kKind2Radius, 1},     {2, false, 320, -2, 2, 6, kKind2Radius, 1},
      {3, true, 80, 3, 3, 16, kKind3Radius, 1},   {3, false, 240, -3, 3, 16, kKind3Radius, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << (c.low ? " low" : " high"));
    StartTestGame();
    const uint32_t seed = SeedWithRoll(c.low);
    SetRandomSeed(seed);
    Rnd();
    const int x = c.x >= 0 ? c.x : Int((320 - 2 * kKind1Radius) * Rnd()) + kKind1Radius;
    SetRandomSeed(seed);
    SpawnEnemy(3, c.kind);
    const Chr& e = chr[3];
    EXPECT_EQ(Pos(e), std::make_tuple(c.kind, x, -c.radius, c.vx, c.vy));
    EXPECT_EQ(std::tie(e.level, e.hp, e.radius, e.cooldown, e.anim),
              std::make_tuple(c.kind, c.hp, c.radius, 0, 1.0));
    EXPECT_EQ(RndCallsBetween(seed, RandomSeed()), c.draws);
  }
}

TEST_F(EnemyTest, PlacementRefusesOverlaps) {
  const uint32_t low = SeedWithRoll(true);
  SetRandomSeed(low);
  Rnd();
  const int x = Int((320 - 2 * kKind1Radius) * Rnd()) + kKind1Radius;
  // Kind 1 is refused only by another kind 1, and never by an explosion;
  // kinds 2 and 3 by any live enemy.
  struct Case {
    int kind, otherKind, otherX, otherY, otherState;
    bool enters;
  } cases[] = {
      {1, 2, x, -5, 2, true},       {1, 1, x + 10, -5, 1, false}, {1, 1, x + 10, -5, 240, true},
      {2, 1, 5, 0, 1, false},       {3, 3, 85, -10, 3, false},    {3, 3, 85, -10, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " by " << c.otherKind << " state "
                                    << c.otherState);
    StartTestGame();
    PlaceEnemy(9, c.otherKind, c.otherX, c.otherY).state = c.otherState;
    SetRandomSeed(low);
    SpawnEnemy(2, c.kind);
    EXPECT_EQ(chr[2].state, c.enters ? c.kind : 0);
  }
}

TEST_F(EnemyTest, EnemiesEnteringDuringARageBurstAreWeak) {
  for (int kind = 1; kind <= 4; ++kind) {
    StartTestGame();
    gs.rageTimer = 10;
    SetRandomSeed(1000 + kind);
    SpawnEnemy(kind * 3, kind);  // the boss always takes slot 1
    const Chr& e = chr[kind == 4 ? 1 : kind * 3];
    ASSERT_EQ(e.state, kind);
    EXPECT_EQ(std::tie(e.hp, e.cooldown), kind == 4 ? std::make_tuple(10000, 0)
                                                    : std::make_tuple(1, 60)) << kind;
  }
}

TEST_F(EnemyTest, BossHitPointsByLevel) {
  const int levels[] = {5, 12, 20, 30}, hp[] = {5000, 10000, 15000, 30000};
  for (int k = 0; k < 4; ++k) {
    StartTestGame(levels[k]);
    SpawnEnemy(levels[k], 4);
    EXPECT_EQ(std::tie(chr[1].hp, gs.bossMaxHp), std::make_tuple(hp[k], hp[k])) << levels[k];
    // x: floor((320 - 2r) * 0.5)
    EXPECT_EQ(Pos(chr[1]), std::make_tuple(4, 128, -kBossRadius, 0, 2)) << levels[k];
    EXPECT_EQ(chr[levels[k]].state, 0);
  }
}

// From -32 at 2 a frame the boss passes row 48 on the 41st frame, then
// roams away from the ship's side; lined up with the ship it waits there.
TEST_F(EnemyTest, BossEntersToRowFortyEightAndRoamsAwayFromTheShip) {
  struct Case {
    int shipX, frames, vx;
  } cases[] = {{159, 41, -2}, {20, 41, 2}, {128, 60, 0}};
  for (const Case& c : cases) {
    StartTestGame();
    gs.quota = 0;
    SpawnEnemy(1, 4);
    chr[0].x = c.shipX;
    int frames = 0;
    while (frames < 60 && chr[1].vy != 1 && chr[1].vx == 0) {
      UpdateEnemy(1);
      ++frames;
    }
    if (c.vx == 0) {
      for (; frames < 60; ++frames) UpdateEnemy(1);
    }
    EXPECT_EQ(frames, c.frames) << c.shipX;
    EXPECT_EQ(std::tie(chr[1].y, chr[1].vx), std::make_tuple(48, c.vx)) << c.shipX;
    EXPECT_EQ(std::tie(gs.bossX, gs.bossY), std::make_tuple(128.0, 48.0)) << c.shipX;
  }
  EXPECT_EQ(chr[1].vy, 1);
  chr[0].x = 120;  // the ship moves off the line: the boss sets off
  UpdateEnemy(1);
  EXPECT_EQ(std::tie(chr[1].y, chr[1].vx), std::make_tuple(48, 2));
}

TEST_F(EnemyTest, BossTurnsAtTheWallsAndTheRowsOfItsBox) {
  gs.quota = 0;
  gs.measuredFps = 30;
  struct Step {
    int x, y, vx, vy, bannerTimer;               // before
    int afterX, afterY, afterVx, afterVy;
    bool pattern;                                 // a pattern was offered
  } steps[] = {
      {33, 100, -2, 1, 0, 32, 101, 2, 1, false},   // left wall
      {287, 100, 2, 1, 0, 288, 101, -2, 1, false},  // right wall
      {150, 168, 2, 1, 0, 152, 168, 2, -1, true},   // bottom row: a pattern
      {150, 24, 2, -1, 5, 152, 24, 2, 1, false},    // top row, banner still up
      {33, 168, -2, 1, 0, 32, 169, 2, 1, false},    // a wall bounce delays the turn
      {32, 169, 2, 1, 0, 34, 168, 2, -1, true},     // ... by a frame
  };
  Chr& b = PlaceEnemy(1, 4, 0, 0);
  b.cooldown = 5;  // no ordinary shots in the way
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "at " << s.x << "," << s.y);
    std::tie(b.x, b.y, b.vx, b.vy) = std::make_tuple(s.x, s.y, s.vx, s.vy);
    gs.bannerTimer = s.bannerTimer;
    gs.bannerText.clear();
    UpdateEnemy(1);
    EXPECT_EQ(Pos(b), std::make_tuple(4, s.afterX, s.afterY, s.afterVx, s.afterVy));
    EXPECT_EQ(gs.bannerText.empty(), !s.pattern);
    if (s.pattern) EXPECT_EQ(gs.bannerTimer, 60);
    b.cooldown = 5;
  }
}

// On the bottom row the boss's fire roll comes first, then the pick of one
// of the four patterns; on the God level a plain roaming frame rolls twice,
// while a wall bounce frame keeps the single 1 in 20 roll.
TEST_F(EnemyTest, BossRandomDrawsPickPatternsAndRollAgainOnGod) {
  const char* names[] = {"Rainy", "Fall-Leaf", "Star-Dust", "Fire-Work"};
  std::set<std::string> seen;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    StartTestGame();
    gs.quota = 0;
    Chr& b = PlaceEnemy(1, 4, 150, 168);
    std::tie(b.vx, b.vy, b.cooldown) = std::make_tuple(2, 1, 5);  // no ordinary shots
    SetRandomSeed(seed);
    Rnd();
    const int pick = Int(4 * Rnd()) + 1;
    SetRandomSeed(seed);
    UpdateEnemy(1);
    EXPECT_EQ(gs.bannerText, names[pick - 1]) << "seed " << seed;
    seen.insert(gs.bannerText);
  }
  EXPECT_EQ(seen.size(), 4u);
  struct Case {
    int level, x, draws;
  } cases[] = {{12, 150, 1}, {30, 150, 2}, {12, 289, 1}, {30, 289, 1}};
  for (const Case& c : cases) {
    StartTestGame(c.level);
    gs.quota = 0;
    Chr& b = PlaceEnemy(1, 4, c.x, 100);
    std::tie(b.vx, b.vy, b.cooldown) = std::make_tuple(2, 1, 5);
    SetRandomSeed(5);
    UpdateEnemy(1);
    EXPECT_EQ(RndCallsBetween(5, RandomSeed()), c.draws) << c.level << " at " << c.x;
  }
}

// Kind 3 turns back at its lane's edges (48..96 and 207..258), firing an
// aimed bullet when it turns and its cooldown allows.
TEST_F(EnemyTest, KindThreeTurnsAtItsLaneEdgesAndFiresAsItTurns) {
  std::tie(chr[0].x, chr[0].y) = std::make_tuple(10, 214);
  struct Step {
    int slot, x, vx, afterX, afterVx, shots, cooldown;  // cooldown -1: not checked
  } steps[] = {
      {2, 95, 3, 95, -3, 1, 6},     // 98 > 96: an aimed bullet
      {2, 50, -3, 50, 3, 1, -1},    // 47 < 48: still cooling down
      {3, 210, -3, 210, 3, 2, -1},  // 207 turns
      {3, 255, 3, 255, -3, 2, -1},  // 258 turns
  };
  for (const Step& s : steps) {
    Chr& e = chr[s.slot];
    if (e.state == 0) PlaceEnemy(s.slot, 3, 0, 0);
    std::tie(e.x, e.vx, e.vy) = std::make_tuple(s.x, s.vx, 3);
    UpdateEnemy(s.slot);
    EXPECT_EQ(std::tie(e.x, e.vx), std::make_tuple(s.afterX, s.afterVx)) << s.x;
    EXPECT_EQ(ShotsInFlight(), s.shots) << s.x;
    if (s.cooldown >= 0) EXPECT_EQ(e.cooldown, s.cooldown) << s.x;
  }
  EXPECT_EQ(std::tie(sht[1].kind, sht[1].damage), std::make_tuple(2, 6));
}

TEST_F(EnemyTest, EnemiesLeaveThroughTheirEdges) {
  struct Case {
    int kind, x, y, vx, vy;
  } cases[] = {{2, 320 + kKind2Radius - 2, 100, 2, 0},
               {2, -kKind2Radius + 2, 100, -2, 0},
               {1, 100, 240 + kKind1Radius - 2, 0, 2}};
  for (const Case& c : cases) {
    Chr& e = PlaceEnemy(2, c.kind, c.x, c.y);
    std::tie(e.vx, e.vy, e.cooldown) = std::make_tuple(c.vx, c.vy, 50);
    UpdateEnemy(2);
    EXPECT_EQ(e.state, c.kind) << c.x << "," << c.y;  // at the edge + r exactly
    UpdateEnemy(2);
    EXPECT_EQ(e.state, 0) << c.x << "," << c.y;
  }
  EXPECT_EQ(ShotsInFlight(), 0);  // a retired enemy does not fire
}

TEST_F(EnemyTest, KindTwoFiresWheneverItsCooldownAllows) {
  chr[0].x = 300;
  PlaceEnemy(2, 2, 100, 50);
  std::vector<int> fired;
  for (int f = 1; f <= 20; ++f) {
    const int before = ShotsInFlight();
    UpdateEnemy(2);
    if (ShotsInFlight() > before) fired.push_back(f);
  }
  EXPECT_EQ(fired, (std::vector<int>{1, 10, 19}));
  EXPECT_EQ(Motion(sht[1]), std::make_tuple(2, 100, 56, 0, 5));
  EXPECT_EQ(std::tie(sht[1].damage, sht[1].radius, sht[1].level), std::make_tuple(2, 6, 2));
}

TEST_F(EnemyTest, AimedShotLeansTowardTheShip) {
  struct Case {
    int x, y, vx;
  } cases[] = {
      {100, 50, 3},   {160, 50, 1},  // straight above: 1
      {0, 200, 6},    {300, 200, -6}, {100, 207, 6},  // far to the side, close above
      {100, 214, -6}, {150, 220, -4},  // level with or below: leans away
  };
  for (const Case& c : cases)
    EXPECT_EQ(AimedShotVx(c.x, c.y, 160, 214), c.vx) << c.x << "," << c.y;
  for (int above = 1; above <= 6; ++above) {  // full speed from 1 to 6 above
    EXPECT_EQ(AimedShotVx(100, 214 - above, 160, 214), 6) << above;
    EXPECT_EQ(AimedShotVx(220, 214 - above, 160, 214), -6) << above;
    EXPECT_EQ(AimedShotVx(160, 214 - above, 160, 214), 1) << above;
  }
}

TEST_F(EnemyTest, BossFiresAimedIntoTheLowerSlotThenStraight) {
  std::tie(chr[0].x, chr[0].y) = std::make_tuple(160, 214);
  PlaceEnemy(1, 4, 100, 50);
  PlaceShot(1, 1, 10, 100, 0, 0, 7);
  Fire(1);
  EXPECT_EQ(std::tie(sht[2].vx, sht[2].vy, sht[2].damage), std::make_tuple(3, 6, 8));
  EXPECT_EQ(std::tie(sht[3].vx, sht[3].vy, sht[3].damage), std::make_tuple(0, 5, 4));
  EXPECT_EQ(chr[1].cooldown, 3);
  // One free slot: only the aimed bullet.
  StartTestGame();
  PlaceEnemy(1, 4, 100, 50);
  FillShots(59);
  Fire(1);
  EXPECT_EQ(std::tie(sht[60].damage, chr[1].cooldown), std::make_tuple(8, 3));
}

TEST_F(EnemyTest, FullShotTableLeavesTheShooterToRetryInThreeFrames) {
  FillShots(60);
  PlaceEnemy(2, 1, 100, 50);
  Fire(2);
  EXPECT_EQ(chr[2].cooldown, 3);
  sht[60].kind = 0;
  Fire(2);
  EXPECT_EQ(std::tie(sht[60].damage, chr[2].cooldown), std::make_tuple(1, 12));
  sht[60].kind = 0;
  chr[2].state = 240;  // an exploding enemy fires nothing
  Fire(2);
  EXPECT_EQ(sht[60].kind, 0);
}
