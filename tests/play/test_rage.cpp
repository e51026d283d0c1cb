// The graze gauge and the rage burst.
#include "frame/rage.h"
#include "play_fixture.h"

namespace {
uint32_t BarRed(int i) { return static_cast<uint32_t>((i * 127 / 10 + 127) << 16); }
}  // namespace

class RageTest : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    FillBackBuffer(0);
  }
};

TEST_F(RageTest, GaugeShowsOneBarPerGrazeGrowingToTheRight) {
  gs.grazeGauge = 9;
  UpdateRage();
  for (int i = 1; i <= 9; ++i) {
    int x = 240 + 5 * (i - 1);
    int top = 35 - (i - 1);
    EXPECT_EQ(Pixel(x, top), BarRed(i)) << i;
    EXPECT_EQ(Pixel(x + 3, 39), BarRed(i)) << i;
    EXPECT_EQ(Pixel(x, top - 1), 0u) << i;
    EXPECT_EQ(Pixel(x + 4, 39), 0u) << i;  // 4 pixels wide
    EXPECT_EQ(Pixel(x, 40), 0u) << i;
  }
  EXPECT_EQ(Pixel(285, 35), 0u);  // no tenth bar
  EXPECT_EQ(gs.rageTimer, 0.0);   // nine do not fire
  EXPECT_EQ(BarRed(1), 0x8B0000u);
  EXPECT_EQ(BarRed(10), 0xFE0000u);
  // Below one graze nothing but the black glyph.
  FillBackBuffer(0);
  gs.grazeGauge = 0.5;
  UpdateRage();
  EXPECT_EQ(Pixel(240, 39), 0u);
}

TEST_F(RageTest, FullGaugeReleasesTheBurst) {
  gs.grazeGauge = 10;
  gs.measuredFps = 30;
  gs.score = 40;
  PlaceEnemy(2, 2, 100, 100);          // 6 hp: destroyed
  PlaceEnemy(3, 3, 200, 100).hp = 70;  // survives with 20
  PlaceEnemy(4, 1, 50, 50).state = 240;
  chr[4].hp = 2;
  PlaceShot(1, 1, 100, 150, 0, -8, 7);
  PlaceShot(2, 2, 100, 150, 0, 5, 6);
  PlaceShot(3, 6, 100, 150, 0, 5, 8);
  UpdateRage();
  EXPECT_EQ(gs.grazeGauge, 0.0);
  EXPECT_EQ(gs.rageTimer, 60.0);
  EXPECT_EQ(gs.score, 40 + 100 + 10);  // the burst and the destroyed kind 2
  EXPECT_EQ(gs.quota, 254);
  EXPECT_EQ(chr[2].state, 240);
  EXPECT_EQ(chr[2].hp, 0);
  EXPECT_EQ(chr[3].hp, 20);
  EXPECT_EQ(chr[3].cooldown, 60);
  EXPECT_EQ(chr[4].hp, 2);  // already exploding: untouched
  EXPECT_EQ(sht[1].kind, 1);
  EXPECT_EQ(sht[2].kind, 0);
  EXPECT_EQ(sht[3].kind, 0);
  // The overlay comes from the next frame on, and the timer runs down.
  UpdateRage();
  EXPECT_EQ(gs.rageTimer, 59.0);
}

TEST_F(RageTest, NoNewBurstWhileOneRuns) {
  gs.rageTimer = 2;
  gs.grazeGauge = 12;
  gs.score = 0;
  UpdateRage();
  EXPECT_EQ(gs.rageTimer, 1.0);
  EXPECT_EQ(gs.grazeGauge, 12.0);
  EXPECT_EQ(gs.score, 0);
  UpdateRage();
  EXPECT_EQ(gs.rageTimer, 0.0);
  UpdateRage();  // the timer is out: the full gauge fires now
  EXPECT_EQ(gs.grazeGauge, 0.0);
  EXPECT_EQ(gs.score, 100);
}

TEST_F(RageTest, BurstWithNoMeasuredRateHasNoOverlayAndNoCooldown) {
  gs.measuredFps = 0;
  gs.grazeGauge = 10;
  PlaceEnemy(3, 3, 200, 100).hp = 70;
  PlaceShot(5, 3, 100, 150, 0, 5, 6);
  UpdateRage();
  EXPECT_EQ(gs.rageTimer, 0.0);
  EXPECT_EQ(chr[3].hp, 20);
  EXPECT_EQ(chr[3].cooldown, 0);
  EXPECT_EQ(sht[5].kind, 0);
  EXPECT_EQ(gs.score, 100);
  UpdateRage();
  EXPECT_EQ(gs.rageTimer, 0.0);
  EXPECT_EQ(gs.score, 100);
}

TEST_F(RageTest, BurstCanEndTheBoss) {
  gs.quota = 0;
  gs.grazeGauge = 10;
  PlaceEnemy(1, 4, 140, 90).hp = 50;
  UpdateRage();
  EXPECT_EQ(chr[1].state, 240);
  EXPECT_EQ(chr[1].hp, 0);
  EXPECT_EQ(gs.bossX, 108.0);
  EXPECT_EQ(gs.bossY, 58.0);
  EXPECT_EQ(gs.score, 100);  // the boss pays nothing
}

TEST_F(RageTest, GrazeCooldownRunsDown) {
  gs.grazeCooldown = 2;
  UpdateRage();
  EXPECT_EQ(gs.grazeCooldown, 1);
  UpdateRage();
  UpdateRage();
  EXPECT_EQ(gs.grazeCooldown, 0);
}
