// Floor, rounding, roots, powers and colours as the game computes them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/runtime.h"

TEST(Numbers, IntFloorsTowardMinusInfinity) {
  EXPECT_EQ(Int(-0.5), -1);
  EXPECT_EQ(Int(2.999), 2);
  EXPECT_EQ(Int(-3.0), -3);
  EXPECT_EQ(Int(3.0), 3);
  EXPECT_EQ(Int(-27.333), -28);
  EXPECT_EQ(Int(5 * -1.2), -6);
  EXPECT_EQ(Int(5 * -1.5), -8);
  EXPECT_EQ(Int(0.0), 0);
  EXPECT_EQ(Int(-0.0), 0);
}

TEST(Numbers, IntSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(Int(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(Int(-1e12), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(Int(std::nan("")), 0);
}

TEST(Numbers, RealToIntegerRoundsHalfToEven) {
  EXPECT_EQ(ToInt32(0.5), 0);
  EXPECT_EQ(ToInt32(1.5), 2);
  EXPECT_EQ(ToInt32(2.5), 2);
  EXPECT_EQ(ToInt32(-0.5), 0);
  EXPECT_EQ(ToInt32(-1.5), -2);
  EXPECT_EQ(ToInt32(-2.5), -2);
  EXPECT_EQ(ToInt32(127.4), 127);
  EXPECT_EQ(ToInt32(-100.0), -100);
}

TEST(Numbers, AbsAndSgn) {
  EXPECT_EQ(Abs(-3.5), 3.5);
  EXPECT_EQ(Sgn(-0.1), -1);
  EXPECT_EQ(Sgn(0.0), 0);
  EXPECT_EQ(Sgn(7.0), 1);
}

TEST(Numbers, SqrIsHeronsMethod) {
  EXPECT_EQ(Sqr(0), 0);
  EXPECT_EQ(Sqr(-4), 0);
  EXPECT_DOUBLE_EQ(Sqr(25), 5);
  EXPECT_DOUBLE_EQ(Sqr(289), 17);  // radius sums the collision test meets
  EXPECT_DOUBLE_EQ(Sqr(1), 1);
  EXPECT_NEAR(Sqr(2), std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(Sqr(0.25), 0.5, 1e-15);
  EXPECT_NEAR(Sqr(1e10), 1e5, 1e-9);
}

TEST(Numbers, PowWholeAndFractionalExponents) {
  EXPECT_EQ(Pow(2, 10), 1024);
  EXPECT_EQ(Pow(-2, 3), -8);
  EXPECT_EQ(Pow(2, -2), 0.25);
  EXPECT_EQ(Pow(5, 0), 1);
  EXPECT_EQ(Pow(0, 0), 1);
  EXPECT_NEAR(Pow(9, 0.5), 3, 1e-12);
  EXPECT_EQ(Pow(-8, 1.0 / 3), 0);  // a fractional power of a non-positive base
  EXPECT_EQ(Pow(0, 0.5), 0);
}

TEST(Numbers, RgbMasksRedAndGreenButNotBlue) {
  EXPECT_EQ(RGB(255, 255, 255), 0x00FFFFFFu);
  EXPECT_EQ(RGB(128, 128, 128), 0x00808080u);
  EXPECT_EQ(RGB(0, 128, 255), 0x00FF8000u);
  EXPECT_EQ(RGB(256 + 1, 512 + 2, 3), 0x00030201u);
  EXPECT_EQ(RGB(-1, 0, 0), 0x000000FFu);
  EXPECT_EQ(RGB(0, 0, 256), 0x01000000u);  // blue spills over: callers keep it in range
}
