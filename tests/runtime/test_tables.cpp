// The shared records: the one collision test for states a game never gives,
// and the shot-slot search when the table is full.
#include <gtest/gtest.h>

#include "entities/tables.h"

// A hit needs a distance strictly below the radius sum and both records in
// a hittable state (anything but 0, 240 and the unknown 9 and -1).
TEST(Hit, DistanceBelowTheRadiusSumBetweenLiveRecords) {
  struct Case { int stateA, xA, yA, rA, stateB, xB, yB, rB, hit; } cases[] = {
      {3, 0, 0, 2, 1, 3, 4, 3, 0},          // 3-4-5 against a sum of 5
      {3, 0, 0, 2, 1, 3, 3, 3, 1},          {240, 10, 10, 20, 1, 10, 10, 20, 0},
      {1, 10, 10, 20, 240, 10, 10, 20, 0},  {0, 10, 10, 20, 1, 10, 10, 20, 0},
      {9, 10, 10, 20, 1, 10, 10, 20, 0},    {-1, 10, 10, 20, 1, 10, 10, 20, 0},
      {8, 10, 10, 20, 1, 10, 10, 20, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.stateA << "@" << c.xA << "," << c.yA << " / " << c.stateB
                                    << "@" << c.xB << "," << c.yB);
    Chr a{c.stateA, 0, c.xA, c.yA, c.rA}, b{c.stateB, 0, c.xB, c.yB, c.rB};
    Sht sa{c.stateA, 0, c.xA, c.yA, c.rA}, sb{c.stateB, 0, c.xB, c.yB, c.rB};
    // Either table, either order.
    EXPECT_EQ(std::make_tuple(Hit(a, b), Hit(b, a), Hit(a, sb), Hit(sb, a), Hit(sa, sb)),
              std::make_tuple(c.hit, c.hit, c.hit, c.hit, c.hit));
  }
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
  sht[60].kind = 1;
  sht[0].kind = 0;  // slot 0 is never handed out
  EXPECT_EQ(FreeShotSlot(), 0);
  ClearTables();
}
