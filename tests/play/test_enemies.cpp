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

TEST_F(EnemyTest, KindOneTakesItsXFromTheSecondRandomNumber) {
  const uint32_t seed = 4242;
  SetRandomSeed(seed);
  Rnd();  // the roll every kind takes
  double r = Rnd();
  SetRandomSeed(seed);
  SpawnEnemy(3, 1);
  const Chr& c = chr[3];
  EXPECT_EQ(c.state, 1);
  EXPECT_EQ(c.level, 1);
  EXPECT_EQ(c.hp, 2);
  EXPECT_EQ(c.radius, kKind1Radius);
  EXPECT_EQ(c.x, Int((320 - 2 * kKind1Radius) * r) + kKind1Radius);
  EXPECT_EQ(c.y, -kKind1Radius);
  EXPECT_EQ(c.vx, 0);
  EXPECT_EQ(c.vy, 2);
  EXPECT_EQ(c.anim, 1.0);
  EXPECT_EQ(c.cooldown, 0);
  EXPECT_EQ(RndCallsBetween(seed, RandomSeed()), 2);
}

TEST_F(EnemyTest, KindsTwoAndThreeEnterFromTheirSidesByTheRoll) {
  struct Case {
    int kind;
    bool low;
    int x, vx, vy, hp, radius;
  } cases[] = {
      {2, true, 0, 2, 2, 6, kKind2Radius},    {2, false, 320, -2, 2, 6, kKind2Radius},
      {3, true, 80, 3, 3, 16, kKind3Radius},  {3, false, 240, -3, 3, 16, kKind3Radius},
  };
  for (const Case& c : cases) {
    StartTestGame();
    uint32_t seed = SeedWithRoll(c.low);
    SetRandomSeed(seed);
    SpawnEnemy(2, c.kind);
    const Chr& e = chr[2];
    EXPECT_EQ(e.state, c.kind);
    EXPECT_EQ(e.x, c.x);
    EXPECT_EQ(e.y, -c.radius);
    EXPECT_EQ(e.vx, c.vx);
    EXPECT_EQ(e.vy, c.vy);
    EXPECT_EQ(e.hp, c.hp);
    EXPECT_EQ(RndCallsBetween(seed, RandomSeed()), 1);  // the roll only
  }
}

TEST_F(EnemyTest, PlacementRefusesOverlaps) {
  // Kind 1 is refused only by another kind 1.
  const uint32_t seed = 77;
  SetRandomSeed(seed);
  Rnd();
  int x = Int((320 - 2 * kKind1Radius) * Rnd()) + kKind1Radius;
  PlaceEnemy(5, 2, x, -5);
  SetRandomSeed(seed);
  SpawnEnemy(3, 1);
  EXPECT_EQ(chr[3].state, 1);
  PlaceEnemy(5, 1, x + 10, -5);
  SetRandomSeed(seed);
  SpawnEnemy(3, 1);
  EXPECT_EQ(chr[3].state, 0);
  // An exploding enemy refuses nothing.
  chr[5].state = 240;
  SetRandomSeed(seed);
  SpawnEnemy(3, 1);
  EXPECT_EQ(chr[3].state, 1);

  // Kinds 2 and 3 are refused by any live enemy.
  StartTestGame();
  uint32_t low = SeedWithRoll(true);
  PlaceEnemy(9, 1, 5, 0);
  SetRandomSeed(low);
  SpawnEnemy(2, 2);
  EXPECT_EQ(chr[2].state, 0);
  PlaceEnemy(9, 3, 85, -10);
  SetRandomSeed(low);
  SpawnEnemy(2, 3);
  EXPECT_EQ(chr[2].state, 0);
  chr[9].state = 0;
  SetRandomSeed(low);
  SpawnEnemy(2, 3);
  EXPECT_EQ(chr[2].state, 3);
}

TEST_F(EnemyTest, EnemiesEnteringDuringARageBurstAreWeak) {
  for (int kind = 1; kind <= 3; ++kind) {
    StartTestGame();
    gs.rageTimer = 10;
    SetRandomSeed(1000 + kind);
    SpawnEnemy(kind * 3, kind);
    ASSERT_EQ(chr[kind * 3].state, kind);
    EXPECT_EQ(chr[kind * 3].hp, 1);
    EXPECT_EQ(chr[kind * 3].cooldown, 60);
  }
  SpawnEnemy(1, 4);
  EXPECT_EQ(chr[1].hp, 10000);
  EXPECT_EQ(chr[1].cooldown, 0);
}

TEST_F(EnemyTest, BossHitPointsByLevel) {
  const int levels[] = {5, 12, 20, 30};
  const int hp[] = {5000, 10000, 15000, 30000};
  for (int k = 0; k < 4; ++k) {
    StartTestGame(levels[k]);
    SpawnEnemy(levels[k], 4);  // the boss always takes slot 1
    EXPECT_EQ(chr[1].state, 4);
    EXPECT_EQ(chr[1].hp, hp[k]);
    EXPECT_EQ(gs.bossMaxHp, hp[k]);
    EXPECT_EQ(chr[1].x, 128);  // floor((320 - 2r) * 0.5)
    EXPECT_EQ(chr[1].y, -kBossRadius);
    EXPECT_EQ(chr[1].vx, 0);
    EXPECT_EQ(chr[1].vy, 2);
    EXPECT_EQ(chr[levels[k]].state, 0);
  }
}

// Runs the boss's frames until it stops descending; returns the frames taken.
static int RunBossEntry() {
  int frames = 0;
  while (chr[1].vx == 0 && frames < 200) {
    UpdateEnemy(1);
    ++frames;
    if (chr[1].vy == 1) break;
  }
  return frames;
}

TEST_F(EnemyTest, BossEntersToRowFortyEightAndRoamsAwayFromTheShip) {
  gs.quota = 0;
  SpawnEnemy(1, 4);
  chr[0].x = 159;  // right of the boss at 128
  int frames = RunBossEntry();
  // From -32 at 2 per frame, y passes 48 on the 41st frame.
  EXPECT_EQ(frames, 41);
  EXPECT_EQ(chr[1].y, 48);
  EXPECT_EQ(chr[1].vy, 1);
  EXPECT_EQ(chr[1].vx, -2);
  EXPECT_EQ(gs.bossX, 128.0);
  EXPECT_EQ(gs.bossY, 48.0);
  StartTestGame();
  gs.quota = 0;
  SpawnEnemy(1, 4);
  chr[0].x = 20;
  RunBossEntry();
  EXPECT_EQ(chr[1].vx, 2);
}

TEST_F(EnemyTest, BossAlignedWithTheShipWaitsAtTheEntryRow) {
  gs.quota = 0;
  SpawnEnemy(1, 4);
  chr[0].x = 128;
  for (int f = 0; f < 60; ++f) UpdateEnemy(1);
  EXPECT_EQ(chr[1].y, 48);
  EXPECT_EQ(chr[1].vx, 0);
  chr[0].x = 120;
  UpdateEnemy(1);
  EXPECT_EQ(chr[1].vx, 2);
  EXPECT_EQ(chr[1].y, 48);
}

TEST_F(EnemyTest, BossTurnsAtTheWallsAndTheRowsOfItsBox) {
  gs.quota = 0;
  gs.measuredFps = 30;
  Chr& b = PlaceEnemy(1, 4, 33, 100);
  b.vx = -2;
  b.vy = 1;
  UpdateEnemy(1);
  EXPECT_EQ(b.x, 32);
  EXPECT_EQ(b.vx, 2);
  b.x = 287;
  UpdateEnemy(1);
  EXPECT_EQ(b.x, 288);
  EXPECT_EQ(b.vx, -2);
  // Bottom row: turns and offers a pattern.
  b.x = 150;
  b.y = 168;
  UpdateEnemy(1);
  EXPECT_EQ(b.y, 168);
  EXPECT_EQ(b.vy, -1);
  EXPECT_EQ(gs.bannerTimer, 60);
  EXPECT_FALSE(gs.bannerText.empty());
  // Top row while the banner still shows: turns, no pattern.
  gs.bannerText.clear();
  b.y = 24;
  UpdateEnemy(1);
  EXPECT_EQ(b.y, 24);
  EXPECT_EQ(b.vy, 1);
  EXPECT_TRUE(gs.bannerText.empty());
  // A wall bounce on the same frame delays the vertical turn by a frame.
  gs.bannerTimer = 0;
  b.x = 33;
  b.vx = -2;
  b.y = 168;
  b.vy = 1;
  UpdateEnemy(1);
  EXPECT_EQ(b.y, 169);
  EXPECT_EQ(b.vy, 1);
  UpdateEnemy(1);
  EXPECT_EQ(b.y, 168);
  EXPECT_EQ(b.vy, -1);
}

TEST_F(EnemyTest, PatternPickFollowsTheFireRoll) {
  const char* names[] = {"Rainy", "Fall-Leaf", "Star-Dust", "Fire-Work"};
  std::set<std::string> seen;
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    StartTestGame();
    gs.quota = 0;
    Chr& b = PlaceEnemy(1, 4, 150, 168);
    b.vx = 2;
    b.vy = 1;
    b.cooldown = 5;  // no ordinary shots in the way
    SetRandomSeed(seed);
    Rnd();  // the boss's fire roll comes first
    int pick = Int(4 * Rnd()) + 1;
    SetRandomSeed(seed);
    UpdateEnemy(1);
    EXPECT_EQ(gs.bannerText, names[pick - 1]) << "seed " << seed;
    seen.insert(gs.bannerText);
  }
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(EnemyTest, GodLevelBossRollsAgainOnPlainRoamingFrames) {
  for (int level : {12, 30}) {
    StartTestGame(level);
    gs.quota = 0;
    Chr& b = PlaceEnemy(1, 4, 150, 100);
    b.vx = 2;
    b.vy = 1;
    b.cooldown = 5;
    SetRandomSeed(5);
    UpdateEnemy(1);
    EXPECT_EQ(RndCallsBetween(5, RandomSeed()), level == 30 ? 2 : 1) << level;
    // A wall bounce frame keeps the 1 in 20 roll.
    b.x = 289;
    SetRandomSeed(5);
    UpdateEnemy(1);
    EXPECT_EQ(RndCallsBetween(5, RandomSeed()), 1) << level;
  }
}

TEST_F(EnemyTest, KindThreeTurnsAtItsLaneEdgesAndFiresAsItTurns) {
  chr[0].x = 10;
  chr[0].y = 214;
  Chr& e = PlaceEnemy(2, 3, 95, 0);
  e.vx = 3;
  e.vy = 3;
  UpdateEnemy(2);  // 98 > 96: turns back to 95
  EXPECT_EQ(e.x, 95);
  EXPECT_EQ(e.vx, -3);
  EXPECT_EQ(sht[1].kind, 2);  // an aimed bullet
  EXPECT_EQ(sht[1].damage, 6);
  EXPECT_EQ(e.cooldown, 6);
  e.x = 50;
  UpdateEnemy(2);  // 47 < 48: turns back to 50
  EXPECT_EQ(e.x, 50);
  EXPECT_EQ(e.vx, 3);
  EXPECT_EQ(sht[2].kind, 0);  // still cooling down
  // The right lane: 207 and 258 turn.
  Chr& f = PlaceEnemy(3, 3, 210, 0);
  f.vx = -3;
  f.vy = 3;
  UpdateEnemy(3);
  EXPECT_EQ(f.x, 210);
  EXPECT_EQ(f.vx, 3);
  f.x = 255;
  UpdateEnemy(3);
  EXPECT_EQ(f.x, 255);
  EXPECT_EQ(f.vx, -3);
}

TEST_F(EnemyTest, EnemiesLeaveThroughTheirEdges) {
  Chr& a = PlaceEnemy(2, 2, 320 + kKind2Radius - 2, 100);
  a.vx = 2;
  a.vy = 0;
  a.cooldown = 50;
  UpdateEnemy(2);
  EXPECT_EQ(a.state, 2);  // at 320 + r exactly
  UpdateEnemy(2);
  EXPECT_EQ(a.state, 0);
  Chr& b = PlaceEnemy(3, 2, -kKind2Radius + 2, 100);
  b.vx = -2;
  b.vy = 0;
  b.cooldown = 50;
  UpdateEnemy(3);
  EXPECT_EQ(b.state, 2);
  UpdateEnemy(3);
  EXPECT_EQ(b.state, 0);
  Chr& c = PlaceEnemy(4, 1, 100, 240 + kKind1Radius - 2);
  c.vy = 2;
  c.cooldown = 50;
  UpdateEnemy(4);
  EXPECT_EQ(c.state, 1);
  UpdateEnemy(4);
  EXPECT_EQ(c.state, 0);
  EXPECT_EQ(ShotsInFlight(), 0);  // a retired enemy does not fire
}

TEST_F(EnemyTest, KindTwoFiresWheneverItsCooldownAllows) {
  chr[0].x = 300;
  Chr& e = PlaceEnemy(2, 2, 100, 50);
  e.vx = 0;
  e.vy = 0;
  std::vector<int> fired;
  for (int f = 1; f <= 20; ++f) {
    int before = ShotsInFlight();
    UpdateEnemy(2);
    if (ShotsInFlight() > before) fired.push_back(f);
  }
  EXPECT_EQ(fired, (std::vector<int>{1, 10, 19}));
  const Sht& s = sht[1];
  EXPECT_EQ(s.kind, 2);
  EXPECT_EQ(s.x, 100);
  EXPECT_EQ(s.y, 56);
  EXPECT_EQ(s.vx, 0);
  EXPECT_EQ(s.vy, 5);
  EXPECT_EQ(s.damage, 2);
  EXPECT_EQ(s.radius, 6);
  EXPECT_EQ(s.level, 2);
}

TEST_F(EnemyTest, AimedShotLeansTowardTheShip) {
  EXPECT_EQ(AimedShotVx(100, 50, 160, 214), 3);
  EXPECT_EQ(AimedShotVx(160, 50, 160, 214), 1);  // straight above
  EXPECT_EQ(AimedShotVx(0, 200, 300, 214), 6);    // far to the side, close above
  EXPECT_EQ(AimedShotVx(300, 200, 0, 214), -6);
  EXPECT_EQ(AimedShotVx(100, 207, 160, 214), 6);  // 7 above: the formula's own result
  // Level with or below the ship the formula leans away from the ship's side.
  EXPECT_EQ(AimedShotVx(100, 214, 160, 214), -6);
  EXPECT_EQ(AimedShotVx(150, 220, 160, 214), -4);
}

TEST_F(EnemyTest, AimedShotFromOneToSixPixelsAboveGoesFullSpeedTowardTheShip) {
  for (int above = 1; above <= 6; ++above) {
    EXPECT_EQ(AimedShotVx(100, 214 - above, 160, 214), 6) << above;
    EXPECT_EQ(AimedShotVx(220, 214 - above, 160, 214), -6) << above;
    EXPECT_EQ(AimedShotVx(160, 214 - above, 160, 214), 1) << above;
  }
}

TEST_F(EnemyTest, BossFiresAimedIntoTheLowerSlotThenStraight) {
  chr[0].x = 160;
  chr[0].y = 214;
  PlaceEnemy(1, 4, 100, 50);
  PlaceShot(1, 1, 10, 100, 0, 0, 7);
  Fire(1);
  EXPECT_EQ(sht[2].vx, 3);
  EXPECT_EQ(sht[2].vy, 6);
  EXPECT_EQ(sht[2].damage, 8);
  EXPECT_EQ(sht[3].vx, 0);
  EXPECT_EQ(sht[3].vy, 5);
  EXPECT_EQ(sht[3].damage, 4);
  EXPECT_EQ(chr[1].cooldown, 3);
  // One free slot: only the aimed bullet.
  StartTestGame();
  PlaceEnemy(1, 4, 100, 50);
  FillShots(59);
  Fire(1);
  EXPECT_EQ(sht[60].damage, 8);
  EXPECT_EQ(chr[1].cooldown, 3);
}

TEST_F(EnemyTest, FullShotTableLeavesTheShooterToRetryInThreeFrames) {
  FillShots(60);
  PlaceEnemy(2, 1, 100, 50);
  Fire(2);
  EXPECT_EQ(chr[2].cooldown, 3);
  sht[60].kind = 0;
  Fire(2);
  EXPECT_EQ(sht[60].damage, 1);
  EXPECT_EQ(chr[2].cooldown, 12);
  // An exploding enemy fires nothing.
  sht[60].kind = 0;
  chr[2].state = 240;
  Fire(2);
  EXPECT_EQ(sht[60].kind, 0);
}
