// Floor, rounding, roots, powers and colours at the edges a game never reaches:
// huge values, NaN, negative roots and bases, out-of-range channels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/runtime.h"

TEST(Numbers, IntFloorsAndSaturatesAndRealsRoundHalfToEven) {
  struct Case { double in; int32_t floor, nearest; } cases[] = {
      {-0.5, -1, 0},  {2.5, 2, 2},   {-1.5, -2, -2}, {-27.333, -28, -27}, {-0.0, 0, 0},
      {1e12, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()},
      {-1e12, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::make_tuple(Int(c.in), ToInt32(c.in)), std::make_tuple(c.floor, c.nearest)) << c.in;
  EXPECT_EQ(Int(std::nan("")), 0);
}

// Sqr (Heron's method, under every collision test) is exact on squares and
// gives 0 below zero; Pow takes whole exponents by squaring (negative ones
// inverted), and a fractional power of a non-positive base gives 0.
TEST(Numbers, SqrAndPowAtTheirEdges) {
  const double in[] = {0, -4, 289, 2, 1e10}, out[] = {0, 0, 17, std::sqrt(2.0), 1e5};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(Sqr(in[i]), out[i], 1e-9) << in[i];
  const double pow[][3] = {{-2, 3, -8}, {2, -2, 0.25}, {0, 0, 1}, {-8, 1.0 / 3, 0}, {0, 0.5, 0}};
  for (const auto& p : pow) EXPECT_NEAR(Pow(p[0], p[1]), p[2], 1e-12) << p[0] << "^" << p[1];
}

TEST(Numbers, RgbMasksRedAndGreenButNotBlue) {
  struct Case { int r, g, b; uint32_t out; } cases[] = {
      {256 + 1, 512 + 2, 3, 0x00030201}, {-1, 0, 0, 0x000000FF},
      {0, 0, 256, 0x01000000},  // blue spills over: callers keep it in range
  };
  for (const Case& c : cases) EXPECT_EQ(RGB(c.r, c.g, c.b), c.out) << c.r << "," << c.g << "," << c.b;
}
