// Enemy appearance by quota, explosions, and destruction with its score and
// the boss's entry.
#include <set>

#include "enemies/enemy.h"
#include "entities/waves.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

using WaveTest = PlayTest;

// The kinds ChooseEnemyKind gives at this quota over many seeds, and whether
// it drew a random number.
static std::set<int> KindsAt(int quota, bool* drew) {
  std::set<int> kinds;
  *drew = false;
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    SetRandomSeed(seed * 7919u);
    kinds.insert(ChooseEnemyKind(quota));
    if (RandomSeed() != seed * 7919u) *drew = true;
  }
  return kinds;
}

TEST_F(WaveTest, KindTableShiftsWithTheQuota) {
  struct Case {
    int quota;
    std::set<int> kinds;
    bool draws;
  } cases[] = {
      {255, {1}, false},    {205, {1}, false},       {204, {1, 2}, true},
      {154, {1, 2}, true},  {153, {1, 2, 3}, true},  {103, {1, 2, 3}, true},
      {102, {2, 3}, true},  {52, {2, 3}, true},      {51, {3}, false},
      {1, {3}, false},
  };
  for (const Case& c : cases) {
    bool drew = false;
    EXPECT_EQ(KindsAt(c.quota, &drew), c.kinds) << "quota " << c.quota;
    EXPECT_EQ(drew, c.draws) << "quota " << c.quota;
  }
}

TEST_F(WaveTest, FreeSlotReceivesAnEnemyOnARollBelowSix) {
  // Find seeds whose first roll is 5 (enters) and 6 (does not).
  uint32_t enters = 0, stays = 0;
  for (uint32_t seed = 1; seed < 100000 && (!enters || !stays); ++seed) {
    SetRandomSeed(seed);
    int r = Int(Rnd() * 100);
    if (r == 5 && !enters) enters = seed;
    if (r == 6 && !stays) stays = seed;
  }
  ASSERT_TRUE(enters && stays);
  gs.enemySlots = 5;
  // Keep slots 2..5 busy so that only slot 1 rolls.
  for (int i = 2; i <= 5; ++i) PlaceEnemy(i, 1, 40 * i, 100);
  for (int i = 2; i <= 5; ++i) chr[i].vy = 0;
  chr[0].x = 300;  // out of the way
  gs.quota = 255;
  SetRandomSeed(stays);
  UpdateEnemies();
  EXPECT_EQ(chr[1].state, 0);
  SetRandomSeed(enters);
  UpdateEnemies();
  EXPECT_EQ(chr[1].state, 1);  // quota 255: kind 1
  EXPECT_EQ(chr[1].y, -kKind1Radius);
}

TEST_F(WaveTest, NoEnemyEntersWhileTheQuotaIsUsedUp) {
  gs.quota = 0;
  chr[1] = Chr{};
  SetRandomSeed(99);
  for (int f = 0; f < 500; ++f) UpdateEnemies();
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(chr[i].state, 0);
  EXPECT_EQ(RandomSeed(), 99u);  // no roll is even drawn
}

TEST_F(WaveTest, ExplosionShowsTenFramesAndFreesTheSlotOnTheEleventh) {
  PlaceEnemy(4, 2, 100, 100);
  DestroyEnemy(4);
  EXPECT_EQ(chr[4].anim, 0.0);
  for (int f = 1; f <= 10; ++f) {
    UpdateEnemies();
    ASSERT_EQ(chr[4].state, 240) << "frame " << f;
    EXPECT_EQ(chr[4].anim, f);
  }
  UpdateEnemies();
  EXPECT_EQ(chr[4].state, 0);
}

TEST_F(WaveTest, DestroyingPaysFiveTimesTheKindAndCountsTheQuota) {
  for (int kind = 1; kind <= 3; ++kind) {
    PlaceEnemy(kind, kind, 50 * kind, 60);
    int score = gs.score, quota = gs.quota;
    DestroyEnemy(kind);
    EXPECT_EQ(chr[kind].state, 240);
    EXPECT_EQ(gs.score, score + 5 * kind);
    EXPECT_EQ(gs.quota, quota - 1);
  }
}

TEST_F(WaveTest, LastQuotaEnemyBringsInTheBossAndClearsTheField) {
  gs.quota = 1;
  PlaceEnemy(3, 3, 100, 60);
  PlaceEnemy(5, 1, 200, 60);
  PlaceEnemy(6, 2, 20, 60);
  PlaceEnemy(7, 1, 250, 60);
  chr[7].state = 240;  // already exploding
  chr[7].anim = 4;
  PlaceEnemy(1, 2, 150, 30);  // slot 1 is simply overwritten
  DestroyEnemy(3);
  EXPECT_EQ(gs.quota, 0);
  EXPECT_EQ(gs.score, 15);
  EXPECT_EQ(chr[1].state, 4);
  EXPECT_EQ(chr[1].hp, 10000);
  EXPECT_EQ(gs.bossMaxHp, 10000);
  EXPECT_EQ(chr[1].y, -kBossRadius);
  EXPECT_EQ(chr[3].state, 240);
  EXPECT_EQ(chr[5].state, 240);
  EXPECT_EQ(chr[5].anim, 0.0);
  EXPECT_EQ(chr[6].state, 240);
  EXPECT_EQ(chr[7].anim, 4.0);  // goes on exploding where it was
  // The field's explosions pay nothing.
  EXPECT_EQ(gs.score, 15);
}

TEST_F(WaveTest, DestroyingTheBossPaysNothingAndMarksItsWreck) {
  gs.quota = 0;
  PlaceEnemy(1, 4, 140, 90);
  DestroyEnemy(1);
  EXPECT_EQ(chr[1].state, 240);
  EXPECT_EQ(gs.score, 0);
  EXPECT_EQ(gs.quota, 0);
  EXPECT_EQ(gs.bossX, 140.0 - kBossRadius);
  EXPECT_EQ(gs.bossY, 90.0 - kBossRadius);
}

TEST_F(WaveTest, RammingAnEnemyCostsTheShipItsHitPoints) {
  chr[0].x = 100;
  chr[0].y = 200;
  PlaceEnemy(2, 2, 100, 195).vx = 0;
  chr[2].vy = 0;
  UpdateEnemies();
  EXPECT_EQ(chr[2].state, 240);
  EXPECT_EQ(gs.quota, 254);
  EXPECT_EQ(gs.score, 10);
  EXPECT_EQ(chr[0].hp, 0);
  // The boss can be touched freely.
  StartTestGame();
  gs.quota = 0;
  chr[0].x = 100;
  chr[0].y = 100;
  PlaceEnemy(1, 4, 100, 100).vx = 2;
  chr[1].vy = 0;
  UpdateEnemies();
  EXPECT_EQ(chr[1].state, 4);
  EXPECT_EQ(chr[0].hp, 100);
}
