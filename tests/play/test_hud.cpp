// The HUD: score roll-up, the life and boss bars read back from the back
// buffer, the start of the ship's death, the level-up notice.
#include <vector>

#include "frame/hud.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

namespace {
constexpr uint32_t kGreen = 0x00FF00, kYellow = 0xFFFF00, kRed = 0xFF0000;
constexpr uint32_t kGrey = 0x808080, kLight = 0xC0C0C0, kBlack = 0;

bool AnyLit(int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (Pixel(x, y) != 0) return true;
  return false;
}
}  // namespace

using HudTest = PlayTest;

TEST_F(HudTest, ShownScoreRollsUpWithoutPassingTheScore) {
  gs.score = 4000;
  // 30 steps of 100 to 3000, 90 of 10 to 3900, 100 of 1 to 4000, then none.
  for (int f = 0; f < 300; ++f) {
    const int before = gs.shownScore;
    DrawHud();
    ASSERT_EQ(gs.shownScore - before, f < 30 ? 100 : f < 120 ? 10 : f < 220 ? 1 : 0) << f;
  }
  struct Case {
    int shown, score, step;
  } cases[] = {{0, 10001, 1000}, {0, 10000, 100}, {0, 1001, 100}, {0, 101, 10},
               {0, 100, 1},      {5, 5, 0},       {9, 5, 0},      {INT32_MIN, INT32_MAX, 1000}};
  for (const Case& c : cases)
    EXPECT_EQ(ScoreRollStep(c.shown, c.score), c.step) << c.shown << " to " << c.score;
}

TEST_F(HudTest, LifeBarWidthAndColourFollowTheHitPoints) {
  struct Case {
    int hp, lastX;  // last coloured column
    uint32_t colour;
  } cases[] = {{100, 249, kGreen}, {99, 247, kYellow}, {31, 111, kYellow},
               {30, 109, kRed},    {1, 51, kRed}};
  for (const Case& c : cases) {
    FillBackBuffer(0);
    chr[0].hp = c.hp;
    DrawHud();
    struct Probe {
      int x, y;
      uint32_t rgb;
    } probes[] = {{50, 232, c.colour},        {c.lastX, 230, c.colour}, {c.lastX, 234, c.colour},
                  {c.lastX + 1, 232, c.lastX < 249 ? kGrey : kLight},
                  {50, 235, kLight},          {250, 232, kLight},       {49, 229, kLight},  // frame
                  {251, 232, kBlack}};        // right edge exclusive
    for (const Probe& p : probes)
      EXPECT_EQ(Pixel(p.x, p.y), p.rgb) << "hp " << c.hp << " at " << p.x << "," << p.y;
  }
}

TEST_F(HudTest, BossBarAppearsOnceTheQuotaIsUsedUp) {
  gs.quota = 1;
  PlaceEnemy(1, 4, 150, 100);
  gs.bossMaxHp = 10000;
  DrawHud();
  EXPECT_EQ(Pixel(150, 42), kBlack);
  struct Case {
    int quota, hp, lastRed;  // 109: no red
  } cases[] = {{0, 10000, 259}, {0, 5000, 184}, {0, 9999, 258}, {0, 1, 109}, {0, 0, 109},
               {-3, 10000, 259}};  // a negative quota shows it too
  for (const Case& c : cases) {
    FillBackBuffer(0);
    gs.quota = c.quota;
    chr[1].hp = c.hp;
    DrawHud();
    EXPECT_EQ(std::make_tuple(Pixel(109, 39), Pixel(109, 42)), std::make_tuple(kLight, kLight))
        << c.hp;
    if (c.lastRed >= 110) EXPECT_EQ(Pixel(c.lastRed, 42), kRed) << c.hp;
    // The grey fill reaches x 259, one past the frame.
    EXPECT_EQ(Pixel(c.lastRed + 1, 42), c.lastRed < 259 ? kGrey : kBlack) << c.hp;
  }
}

TEST_F(HudTest, DeathStartsOnceWhenTheHitPointsAreGone) {
  gs.score = 1234;
  gs.shownScore = 100;
  chr[0].hp = 0;
  DrawHud();
  EXPECT_EQ(std::tie(chr[0].state, chr[0].anim, gs.inputLocked, gs.shownScore),
            std::make_tuple(240, 10.0, 1, 1234));
  EXPECT_EQ(Pixel(50, 232), kGrey);  // no life bar
  chr[0].anim = 23;
  gs.score = 2000;
  gs.shownScore = 1500;
  DrawHud();
  // Not restarted, and the roll-up goes on normally.
  EXPECT_EQ(std::tie(chr[0].state, chr[0].anim, gs.shownScore), std::make_tuple(240, 23.0, 1510));
}

TEST_F(HudTest, LevelUpNoticeCountsDownAndTextsSitInTheirCorners) {
  gs.levelUpTimer = 2;
  for (int expected : {1, 0, 0}) {
    DrawHud();
    EXPECT_EQ(gs.levelUpTimer, expected);
  }
  FillBackBuffer(0);
  DrawHud();
  EXPECT_TRUE(AnyLit(5, 5, 60, 19));     // LAST 255
  EXPECT_TRUE(AnyLit(5, 20, 100, 33));   // level line
  EXPECT_TRUE(AnyLit(5, 35, 60, 48));    // score
  EXPECT_TRUE(AnyLit(190, 5, 320, 18));  // difficulty and mode
  EXPECT_TRUE(AnyLit(5, 225, 40, 238));  // LIFE
  EXPECT_TRUE(AnyLit(270, 225, 320, 238));
  EXPECT_TRUE(AnyLit(280, 210, 320, 223));
  EXPECT_FALSE(AnyLit(100, 100, 220, 140));  // nothing in the middle
  FillBackBuffer(0);
  gs.fireMode = 7;  // any other fire mode draws no mode text
  DrawHud();
  EXPECT_FALSE(AnyLit(190, 5, 320, 18));
}
