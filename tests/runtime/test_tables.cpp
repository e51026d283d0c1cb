// The shared records: the one collision test and the shot-slot search.
#include <gtest/gtest.h>

#include "entities/tables.h"
#include "state/game_state.h"

namespace {
Chr MakeChr(int state, int x, int y, int radius) {
  Chr c;
  c.state = state;
  c.x = x;
  c.y = y;
  c.radius = radius;
  return c;
}
Sht MakeSht(int kind, int x, int y, int radius) {
  Sht s;
  s.kind = kind;
  s.x = x;
  s.y = y;
  s.radius = radius;
  return s;
}
}  // namespace

TEST(Hit, ExactlyTheRadiusSumIsNoHitOnePixelCloserIs) {
  Chr ship = MakeChr(1, 100, 100, 2);
  Sht bullet = MakeSht(2, 108, 100, 6);  // 8 apart, radius sum 8
  EXPECT_EQ(Hit(ship, bullet), 0);
  bullet.x = 107;
  EXPECT_EQ(Hit(ship, bullet), 1);
  // Diagonal: 3-4-5 against a radius sum of 5.
  Chr a = MakeChr(3, 0, 0, 2), b = MakeChr(1, 3, 4, 3);
  EXPECT_EQ(Hit(a, b), 0);
  b.y = 3;
  EXPECT_EQ(Hit(a, b), 1);
}

TEST(Hit, AppliesToEitherTableInEitherOrder) {
  Chr enemy = MakeChr(2, 50, 50, 12);
  Sht shot = MakeSht(1, 55, 55, 7);
  EXPECT_EQ(Hit(enemy, shot), 1);
  EXPECT_EQ(Hit(shot, enemy), 1);
  Sht other = MakeSht(3, 56, 56, 6);
  EXPECT_EQ(Hit(shot, other), 1);
}

TEST(Hit, ExplodingFreeOrUnknownStatesNeverHit) {
  Chr a = MakeChr(240, 10, 10, 20), b = MakeChr(1, 10, 10, 20);
  EXPECT_EQ(Hit(a, b), 0);
  EXPECT_EQ(Hit(b, a), 0);
  a.state = 0;
  EXPECT_EQ(Hit(a, b), 0);
  a.state = 9;
  EXPECT_EQ(Hit(a, b), 0);
  a.state = -1;
  EXPECT_EQ(Hit(a, b), 0);
  a.state = 8;
  EXPECT_EQ(Hit(a, b), 1);
}

TEST(FreeShotSlot, LowestFreeSlotOrZeroWhenFull) {
  ClearTables();
  EXPECT_EQ(FreeShotSlot(), 1);
  sht[1].kind = 1;
  sht[3].kind = 2;
  EXPECT_EQ(FreeShotSlot(), 2);
  for (int i = 1; i <= kShotSlots; ++i) sht[i].kind = 2;
  EXPECT_EQ(FreeShotSlot(), 0);
  sht[60].kind = 0;
  EXPECT_EQ(FreeShotSlot(), 60);
  sht[0].kind = 0;  // slot 0 is never handed out
  for (int i = 1; i <= kShotSlots; ++i) sht[i].kind = 1;
  EXPECT_EQ(FreeShotSlot(), 0);
  ClearTables();
}

TEST(GameStateRecord, ProcessStartAndConstantValues) {
  ResetGameState();
  EXPECT_EQ(gs.titleActive, 1);
  EXPECT_EQ(gs.patternBullets, 6);
  EXPECT_EQ(gs.score, 0);
  EXPECT_TRUE(gs.bannerText.empty());
  SetConstantGameState();
  const int thresholds[] = {0, 200, 500, 1500, 4000};
  for (int lv = 1; lv <= 5; ++lv) EXPECT_EQ(gs.levelThreshold[lv], thresholds[lv - 1]);
  const int fps[] = {15, 30, 60, 1000};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(gs.fpsChoices[i], fps[i]);
  EXPECT_EQ(gs.startQuota, 255);
  EXPECT_EQ(gs.startScore, 0);
  EXPECT_EQ(gs.displayHandle, 0);
  gs.frameDelay = 5;
  gs.frameDelay -= 1;
  EXPECT_EQ(gs.frameDelay, 4);
  ResetGameState();
}
