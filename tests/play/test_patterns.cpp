// The boss's four volleys: whole or not at all, positions, speeds, banner.
#include <algorithm>
#include <vector>

#include "enemies/patterns.h"
#include "frame/shots.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

class PatternTest : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    Boss();
    std::tie(chr[0].x, chr[0].y) = std::make_tuple(10, 220);  // far from every bullet
  }
  void Boss() {
    gs.quota = 0;
    PlaceEnemy(1, 4, 150, 100);
  }
};

TEST_F(PatternTest, VolleysAreMadeWholeOrNotAtAll) {
  gs.patternBullets = 10;
  FillShots(49);
  EXPECT_EQ(FireWork(), 0);  // 12 bullets, 11 free slots
  EXPECT_EQ(ShotsInFlight(), 49);
  EXPECT_EQ(std::tie(gs.bannerText, gs.bannerTimer, chr[1].cooldown),
            std::make_tuple(std::string("Fire-Work"), 60, 3));
  EXPECT_EQ(Rainy(), 1);  // 10 still fit
  EXPECT_EQ(ShotsInFlight(), 59);
  EXPECT_EQ(gs.bannerText, "Rainy");
  StartTestGame();
  Boss();
  gs.patternBullets = 10;
  FillShots(51);
  const uint32_t seed = RandomSeed();
  EXPECT_EQ(Rainy() + FallLeaf() + StarDust(), 0);
  EXPECT_EQ(ShotsInFlight(), 51);
  EXPECT_EQ(RandomSeed(), seed);  // a failed Star-Dust draws nothing
  // A failed volley still shows its banner, which blocks the next pattern.
  FillShots(60);
  gs.measuredFps = 44;
  FireWork();
  EXPECT_EQ(gs.bannerTimer, 88);
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
    for (int rainy : {1, 0}) {
      SCOPED_TRACE(testing::Message() << (rainy ? "Rainy " : "Fall-Leaf ") << c.n);
      ClearTables();
      Boss();
      gs.patternBullets = c.n;
      EXPECT_EQ(rainy ? Rainy() : FallLeaf(), 1);
      EXPECT_EQ(ShotsInFlight(), c.n);
      for (int k = 1; k <= c.n; ++k) {
        const Sht& s = sht[k];
        EXPECT_EQ(Motion(s), rainy ? std::make_tuple(3, c.xs[k - 1], 1, 0, 1)
                                   : std::make_tuple(4, c.xs[k - 1], 1, -2, 4)) << k;
        EXPECT_EQ(std::tie(s.radius, s.damage, s.level, s.anim), std::make_tuple(6, 20, 4, 1.0));
      }
    }
  }
}

TEST_F(PatternTest, FireWorkRingSpreadsFromTheBossCentre) {
  EXPECT_EQ(FireWork(), 1);
  for (int k = 1; k <= 12; ++k) {
    EXPECT_EQ(std::tie(sht[k].kind, sht[k].radius, sht[k].x, sht[k].y),
              std::make_tuple(6, 8, 150, 100)) << k;
    EXPECT_EQ(Abs(sht[k].vx) + Abs(sht[k].vy), 3.0) << k;
  }
  EXPECT_EQ(sht[1].vy, -3);
  EXPECT_EQ(std::tie(sht[3].vx, sht[3].vy), std::make_tuple(2, -1));
  EXPECT_EQ(sht[10].vx, -3);
  for (int f = 0; f < 7; ++f) UpdateShots();
  EXPECT_EQ(std::tie(sht[4].x, sht[4].y, sht[7].x, sht[7].y),
            std::make_tuple(150 + 21, 100, 150, 100 + 21));
}

TEST_F(PatternTest, StarDustDrawsXThenVxForEachBullet) {
  gs.patternBullets = 10;
  int lowVx = 10, highVx = -10, lowX = 400, highX = -1;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    ClearTables();
    Boss();
    SetRandomSeed(seed);
    double r[20];
    for (double& v : r) v = Rnd();
    SetRandomSeed(seed);
    ASSERT_EQ(StarDust(), 1);
    for (int k = 1; k <= 10; ++k) {
      const Sht& s = sht[k];
      ASSERT_EQ(Motion(s), std::make_tuple(5, Int(319 * r[2 * k - 2]) + 1, 1,
                                           Int(7 * r[2 * k - 1]) - 4, 6)) << seed << " " << k;
      lowVx = std::min(lowVx, s.vx);
      highVx = std::max(highVx, s.vx);
      lowX = std::min(lowX, s.x);
      highX = std::max(highX, s.x);
    }
  }
  EXPECT_EQ(std::tie(lowVx, highVx), std::make_tuple(-4, 2));
  EXPECT_GE(lowX, 1);
  EXPECT_LE(highX, 319);
}
