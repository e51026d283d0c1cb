// The boss's four volleys: whole or not at all, positions, speeds, banner.
#include <vector>

#include "enemies/patterns.h"
#include "frame/shots.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

class PatternTest : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    gs.quota = 0;
    PlaceEnemy(1, 4, 150, 100);
    chr[0].x = 10;  // far from every bullet
    chr[0].y = 220;
  }
};

TEST_F(PatternTest, VolleysAreMadeWholeOrNotAtAll) {
  gs.patternBullets = 10;
  FillShots(49);
  EXPECT_EQ(FireWork(), 0);  // 12 bullets, 11 free slots
  EXPECT_EQ(ShotsInFlight(), 49);
  EXPECT_EQ(gs.bannerText, "Fire-Work");
  EXPECT_EQ(gs.bannerTimer, 60);
  EXPECT_EQ(chr[1].cooldown, 3);
  EXPECT_EQ(Rainy(), 1);  // 10 still fit
  EXPECT_EQ(ShotsInFlight(), 59);
  EXPECT_EQ(gs.bannerText, "Rainy");

  StartTestGame();
  PlaceEnemy(1, 4, 150, 100);
  gs.patternBullets = 10;
  FillShots(51);
  const uint32_t seed = RandomSeed();
  EXPECT_EQ(Rainy(), 0);
  EXPECT_EQ(FallLeaf(), 0);
  EXPECT_EQ(StarDust(), 0);
  EXPECT_EQ(ShotsInFlight(), 51);
  for (int i = 52; i <= 60; ++i) EXPECT_EQ(sht[i].kind, 0) << i;
  EXPECT_EQ(RandomSeed(), seed);  // a failed Star-Dust draws nothing
}

TEST_F(PatternTest, AFailedVolleyStillBlocksTheNextPattern) {
  FillShots(60);
  gs.measuredFps = 44;
  FireWork();
  EXPECT_EQ(gs.bannerTimer, 88);
  const uint32_t seed = RandomSeed();
  ChoosePattern();
  EXPECT_EQ(gs.bannerText, "Fire-Work");
  EXPECT_EQ(RandomSeed(), seed);
}

TEST_F(PatternTest, RainyAndFallLeafStartEvenlySpacedOnTheTopRow) {
  struct Case {
    int n;
    std::vector<int> xs;
  } cases[] = {
      {5, {53, 106, 160, 213, 266}},
      {6, {45, 91, 137, 182, 228, 274}},
      {7, {40, 80, 120, 160, 200, 240, 280}},
      {10, {29, 58, 87, 116, 145, 174, 203, 232, 261, 290}},
  };
  for (const Case& c : cases) {
    for (int pattern = 0; pattern < 2; ++pattern) {
      ClearTables();
      PlaceEnemy(1, 4, 150, 100);
      gs.patternBullets = c.n;
      EXPECT_EQ(pattern == 0 ? Rainy() : FallLeaf(), 1);
      for (int k = 1; k <= c.n; ++k) {
        const Sht& s = sht[k];
        EXPECT_EQ(s.x, c.xs[k - 1]) << "n " << c.n << " k " << k;
        EXPECT_EQ(s.y, 1);
        EXPECT_EQ(s.kind, pattern == 0 ? 3 : 4);
        EXPECT_EQ(s.vx, pattern == 0 ? 0 : -2);
        EXPECT_EQ(s.vy, pattern == 0 ? 1 : 4);
        EXPECT_EQ(s.radius, 6);
        EXPECT_EQ(s.damage, 20);
        EXPECT_EQ(s.level, 4);
        EXPECT_EQ(s.anim, 1.0);
      }
      EXPECT_EQ(ShotsInFlight(), c.n);
    }
  }
}

TEST_F(PatternTest, FireWorkRingSpreadsFromTheBossCentre) {
  EXPECT_EQ(FireWork(), 1);
  for (int k = 1; k <= 12; ++k) {
    EXPECT_EQ(sht[k].kind, 6);
    EXPECT_EQ(sht[k].radius, 8);
    EXPECT_EQ(sht[k].x, 150);
    EXPECT_EQ(sht[k].y, 100);
    EXPECT_EQ(Abs(sht[k].vx) + Abs(sht[k].vy), 3.0);
  }
  EXPECT_EQ(sht[1].vy, -3);
  EXPECT_EQ(sht[3].vx, 2);
  EXPECT_EQ(sht[3].vy, -1);
  EXPECT_EQ(sht[10].vx, -3);
  const int t = 7;
  for (int f = 0; f < t; ++f) UpdateShots();
  EXPECT_EQ(sht[4].x, 150 + 3 * t);
  EXPECT_EQ(sht[4].y, 100);
  EXPECT_EQ(sht[7].x, 150);
  EXPECT_EQ(sht[7].y, 100 + 3 * t);
}

TEST_F(PatternTest, StarDustDrawsXThenVxForEachBullet) {
  gs.patternBullets = 10;
  int lowVx = 10, highVx = -10, lowX = 400, highX = -1;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    ClearTables();
    PlaceEnemy(1, 4, 150, 100);
    SetRandomSeed(seed);
    double r[20];
    for (double& v : r) v = Rnd();
    SetRandomSeed(seed);
    ASSERT_EQ(StarDust(), 1);
    for (int k = 1; k <= 10; ++k) {
      const Sht& s = sht[k];
      ASSERT_EQ(s.x, Int(319 * r[2 * k - 2]) + 1);
      ASSERT_EQ(s.vx, Int(7 * r[2 * k - 1]) - 4);
      EXPECT_EQ(s.kind, 5);
      EXPECT_EQ(s.y, 1);
      EXPECT_EQ(s.vy, 6);
      lowVx = std::min(lowVx, s.vx);
      highVx = std::max(highVx, s.vx);
      lowX = std::min(lowX, s.x);
      highX = std::max(highX, s.x);
    }
  }
  EXPECT_EQ(lowVx, -4);
  EXPECT_EQ(highVx, 2);
  EXPECT_GE(lowX, 1);
  EXPECT_LE(highX, 319);
}
