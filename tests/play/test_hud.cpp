// The HUD: score roll-up, the life and boss bars read back from the back
// buffer, the start of the ship's death, the level-up notice.
#include <vector>

#include "frame/hud.h"
#include "play_fixture.h"
#include "runtime/runtime.h"

namespace {
constexpr uint32_t kGreen = 0x00FF00, kYellow = 0xFFFF00, kRed = 0xFF0000;
constexpr uint32_t kGrey = 0x808080, kLight = 0xC0C0C0, kBlack = 0;
}  // namespace

class HudTest : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    FillBackBuffer(0);
  }
};

TEST_F(HudTest, ShownScoreRollsUpWithoutPassingTheScore) {
  gs.score = 4000;
  gs.shownScore = 0;
  std::vector<int> steps;
  for (int f = 0; f < 300; ++f) {
    int before = gs.shownScore;
    DrawHud();
    steps.push_back(gs.shownScore - before);
    ASSERT_LE(gs.shownScore, 4000);
  }
  // 30 steps of 100 to 3000, 90 of 10 to 3900, 100 of 1 to 4000, then none.
  for (int f = 0; f < 30; ++f) EXPECT_EQ(steps[f], 100) << f;
  for (int f = 30; f < 120; ++f) EXPECT_EQ(steps[f], 10) << f;
  for (int f = 120; f < 220; ++f) EXPECT_EQ(steps[f], 1) << f;
  for (int f = 220; f < 300; ++f) EXPECT_EQ(steps[f], 0) << f;
  EXPECT_EQ(gs.shownScore, 4000);

  EXPECT_EQ(ScoreRollStep(0, 10001), 1000);
  EXPECT_EQ(ScoreRollStep(0, 10000), 100);
  EXPECT_EQ(ScoreRollStep(0, 1001), 100);
  EXPECT_EQ(ScoreRollStep(0, 101), 10);
  EXPECT_EQ(ScoreRollStep(0, 100), 1);
  EXPECT_EQ(ScoreRollStep(5, 5), 0);
  EXPECT_EQ(ScoreRollStep(9, 5), 0);
  EXPECT_EQ(ScoreRollStep(INT32_MIN, INT32_MAX), 1000);
}

TEST_F(HudTest, LifeBarWidthAndColourFollowTheHitPoints) {
  struct Case {
    int hp;
    int lastX;  // last coloured column, 49 for none
    uint32_t colour;
  } cases[] = {
      {100, 249, kGreen}, {99, 247, kYellow}, {31, 111, kYellow},
      {30, 109, kRed},    {1, 51, kRed},
  };
  for (const Case& c : cases) {
    FillBackBuffer(0);
    chr[0].hp = c.hp;
    DrawHud();
    EXPECT_EQ(Pixel(50, 232), c.colour) << c.hp;
    EXPECT_EQ(Pixel(c.lastX, 230), c.colour) << c.hp;
    EXPECT_EQ(Pixel(c.lastX, 234), c.colour) << c.hp;
    if (c.lastX < 249) {
      EXPECT_EQ(Pixel(c.lastX + 1, 232), kGrey) << c.hp;
    }
    EXPECT_EQ(Pixel(50, 235), kLight);  // the frame below the bar
    EXPECT_EQ(Pixel(250, 232), kLight);
    EXPECT_EQ(Pixel(49, 229), kLight);
    EXPECT_EQ(Pixel(251, 232), kBlack);  // right edge exclusive
  }
}

TEST_F(HudTest, BossBarAppearsOnceTheQuotaIsUsedUp) {
  gs.quota = 1;
  PlaceEnemy(1, 4, 150, 100);
  gs.bossMaxHp = 10000;
  DrawHud();
  EXPECT_EQ(Pixel(150, 42), kBlack);
  struct Case {
    int hp;
    int lastRed;  // 109 for no red
  } cases[] = {{10000, 259}, {5000, 184}, {9999, 258}, {1, 109}, {0, 109}};
  gs.quota = 0;
  for (const Case& c : cases) {
    FillBackBuffer(0);
    chr[1].hp = c.hp;
    DrawHud();
    EXPECT_EQ(Pixel(109, 39), kLight) << c.hp;
    EXPECT_EQ(Pixel(109, 42), kLight) << c.hp;
    if (c.lastRed >= 110) {
      EXPECT_EQ(Pixel(c.lastRed, 42), kRed) << c.hp;
    }
    // The grey fill reaches x 259, one past the frame.
    EXPECT_EQ(Pixel(c.lastRed + 1, 42), c.lastRed < 259 ? kGrey : kBlack) << c.hp;
  }
  // A negative quota shows the boss bar too.
  gs.quota = -3;
  FillBackBuffer(0);
  chr[1].hp = 10000;
  DrawHud();
  EXPECT_EQ(Pixel(200, 42), kRed);
}

TEST_F(HudTest, DeathStartsOnceWhenTheHitPointsAreGone) {
  gs.score = 1234;
  gs.shownScore = 100;
  chr[0].hp = 0;
  DrawHud();
  EXPECT_EQ(chr[0].state, 240);
  EXPECT_EQ(chr[0].anim, 10.0);
  EXPECT_EQ(gs.inputLocked, 1);
  EXPECT_EQ(gs.shownScore, 1234);
  EXPECT_EQ(Pixel(50, 232), kGrey);  // no life bar
  chr[0].anim = 23;
  gs.score = 2000;
  gs.shownScore = 1500;
  DrawHud();
  EXPECT_EQ(chr[0].state, 240);
  EXPECT_EQ(chr[0].anim, 23.0);
  EXPECT_EQ(gs.shownScore, 1510);  // the roll-up goes on normally
}

TEST_F(HudTest, LevelUpNoticeCountsDown) {
  gs.levelUpTimer = 2;
  DrawHud();
  EXPECT_EQ(gs.levelUpTimer, 1);
  DrawHud();
  EXPECT_EQ(gs.levelUpTimer, 0);
  DrawHud();
  EXPECT_EQ(gs.levelUpTimer, 0);
}

TEST_F(HudTest, TextsAreDrawnInTheirCorners) {
  DrawHud();
  auto anyLit = [](int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (Pixel(x, y) != 0) return true;
    return false;
  };
  EXPECT_TRUE(anyLit(5, 5, 60, 19));     // LAST 255
  EXPECT_TRUE(anyLit(5, 20, 100, 33));   // level line
  EXPECT_TRUE(anyLit(5, 35, 60, 48));    // score
  EXPECT_TRUE(anyLit(190, 5, 320, 18));  // difficulty and mode
  EXPECT_TRUE(anyLit(5, 225, 40, 238));  // LIFE
  EXPECT_TRUE(anyLit(270, 225, 320, 238));
  EXPECT_TRUE(anyLit(280, 210, 320, 223));
  EXPECT_FALSE(anyLit(100, 100, 220, 140));  // nothing in the middle
  // Any other fire mode draws no mode text.
  FillBackBuffer(0);
  gs.fireMode = 7;
  DrawHud();
  EXPECT_FALSE(anyLit(190, 5, 320, 18));
}
