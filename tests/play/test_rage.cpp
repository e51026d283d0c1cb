// The graze gauge and the rage burst.
#include "frame/rage.h"
#include "play_fixture.h"

using RageTest = PlayTest;

// Bar i (1..9) is 4 pixels wide at x 240 + 5 (i - 1), from y 35 - (i - 1)
// down to 39, in red i * 127 / 10 + 127.
TEST_F(RageTest, GaugeShowsOneBarPerGrazeGrowingToTheRight) {
  gs.grazeGauge = 9;
  UpdateRage();
  const uint32_t red[] = {0, 0x8B0000, 0x980000, 0xA50000, 0xB10000, 0xBE0000,
                          0xCB0000, 0xD70000, 0xE40000, 0xF10000};
  for (int i = 1; i <= 9; ++i) {
    const int x = 240 + 5 * (i - 1), top = 35 - (i - 1);
    EXPECT_EQ(std::make_tuple(Pixel(x, top), Pixel(x + 3, 39)), std::make_tuple(red[i], red[i]))
        << i;
    EXPECT_EQ(std::make_tuple(Pixel(x, top - 1), Pixel(x + 4, 39), Pixel(x, 40)),
              std::make_tuple(0u, 0u, 0u)) << i;
  }
  EXPECT_EQ(Pixel(285, 35), 0u);  // no tenth bar
  EXPECT_EQ(gs.rageTimer, 0.0);   // nine do not fire
  FillBackBuffer(0);
  gs.grazeGauge = 0.5;  // below one graze nothing but the black glyph
  UpdateRage();
  EXPECT_EQ(Pixel(240, 39), 0u);
}

TEST_F(RageTest, FullGaugeReleasesTheBurst) {
  gs.grazeGauge = 10;
  gs.score = 40;
  PlaceEnemy(2, 2, 100, 100);          // 6 hp: destroyed
  PlaceEnemy(3, 3, 200, 100).hp = 70;  // survives with 20
  PlaceEnemy(4, 1, 50, 50).state = 240;
  PlaceShot(1, 1, 100, 150, 0, -8, 7);
  PlaceShot(2, 2, 100, 150, 0, 5, 6);
  PlaceShot(3, 6, 100, 150, 0, 5, 8);
  UpdateRage();
  EXPECT_EQ(std::tie(gs.grazeGauge, gs.rageTimer), std::make_tuple(0.0, 60.0));
  EXPECT_EQ(std::tie(gs.score, gs.quota), std::make_tuple(40 + 100 + 10, 254));
  EXPECT_EQ(std::tie(chr[2].state, chr[2].hp, chr[3].hp, chr[3].cooldown),
            std::make_tuple(240, 0, 20, 60));
  EXPECT_EQ(chr[4].hp, 2);  // already exploding: untouched
  EXPECT_EQ(std::tie(sht[1].kind, sht[2].kind, sht[3].kind), std::make_tuple(1, 0, 0));
  UpdateRage();  // the timer runs down; no new burst while it runs
  EXPECT_EQ(gs.rageTimer, 59.0);
  StartTestGame();
  gs.rageTimer = 2;
  gs.grazeGauge = 12;
  gs.score = 0;
  UpdateRage();
  EXPECT_EQ(std::tie(gs.rageTimer, gs.grazeGauge, gs.score), std::make_tuple(1.0, 12.0, 0));
  UpdateRage();
  EXPECT_EQ(gs.rageTimer, 0.0);
  UpdateRage();  // the timer is out: the full gauge fires now
  EXPECT_EQ(std::tie(gs.grazeGauge, gs.score), std::make_tuple(0.0, 100));
}

TEST_F(RageTest, BurstWithNoMeasuredRateHasNoOverlayAndNoCooldown) {
  gs.measuredFps = 0;
  gs.grazeGauge = 10;
  PlaceEnemy(3, 3, 200, 100).hp = 70;
  PlaceShot(5, 3, 100, 150, 0, 5, 6);
  UpdateRage();
  EXPECT_EQ(std::tie(gs.rageTimer, chr[3].hp, chr[3].cooldown, sht[5].kind, gs.score),
            std::make_tuple(0.0, 20, 0, 0, 100));
  UpdateRage();
  EXPECT_EQ(std::tie(gs.rageTimer, gs.score), std::make_tuple(0.0, 100));
}

TEST_F(RageTest, BurstCanEndTheBossAndTheGrazeCooldownRunsDown) {
  gs.quota = 0;
  gs.grazeGauge = 10;
  gs.grazeCooldown = 2;
  PlaceEnemy(1, 4, 140, 90).hp = 50;
  UpdateRage();
  EXPECT_EQ(std::tie(chr[1].state, chr[1].hp, gs.bossX, gs.bossY),
            std::make_tuple(240, 0, 108.0, 58.0));
  EXPECT_EQ(gs.score, 100);  // the boss pays nothing
  for (int expected : {1, 0, 0}) {
    if (expected != 1) UpdateRage();
    EXPECT_EQ(gs.grazeCooldown, expected);
  }
}
