// Floor, rounding, roots, powers and colours at the edges a game never
// reaches: huge values, NaN, negative bases and out-of-range channels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/runtime.h"

TEST(Numbers, IntFloorsAndSaturatesAndRealsRoundHalfToEven) {
  struct Case {
    double in;
    int32_t floor, nearest;
  } cases[] = {
      {-0.5, -1, 0},  {2.5, 2, 2},   {-1.5, -2, -2}, {-27.333, -28, -27}, {-0.0, 0, 0},
      {1e12, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()},
      {-1e12, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()},
  };
  for (const Case& c : cases)
    EXPECT_EQ(std::make_tuple(Int(c.in), ToInt32(c.in)), std::make_tuple(c.floor, c.nearest)) << c.in;
  EXPECT_EQ(Int(std::nan("")), 0);
}

// Sqr of a negative is 0; a fractional power of a non-positive base is 0.
TEST(Numbers, SqrAndPowAtTheirEdges) {
  struct Case {
    double a, b, expected, tolerance;  // b < -100: Sqr(a)
  } cases[] = {
      {0, -999, 0, 0},     {-4, -999, 0, 0},    {2, -999, std::sqrt(2.0), 1e-15},
      {1e10, -999, 1e5, 1e-9}, {-2, 3, -8, 0},  {2, -2, 0.25, 0},
      {0, 0, 1, 0},        {9, 0.5, 3, 1e-12},  {-8, 1.0 / 3, 0, 0}, {0, 0.5, 0, 0},
  };
  for (const Case& c : cases) {
    const double got = c.b < -100 ? Sqr(c.a) : Pow(c.a, c.b);
    EXPECT_NEAR(got, c.expected, c.tolerance) << c.a << " " << c.b;
  }
}

TEST(Numbers, RgbMasksRedAndGreenButNotBlue) {
  struct Case {
    int r, g, b;
    uint32_t out;
  } cases[] = {
      {256 + 1, 512 + 2, 3, 0x00030201}, {-1, 0, 0, 0x000000FF},
      {0, 0, 256, 0x01000000},  // blue spills over: callers keep it in range
  };
  for (const Case& c : cases) EXPECT_EQ(RGB(c.r, c.g, c.b), c.out) << c.r << "," << c.g << "," << c.b;
}
