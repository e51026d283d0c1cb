// Floor, rounding, roots, powers and colours as the game computes them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/runtime.h"

TEST(Numbers, IntFloorsTowardMinusInfinityAndSaturates) {
  struct Case {
    double in;
    int32_t out;
  } cases[] = {
      {-0.5, -1}, {2.999, 2}, {-3.0, -3}, {3.0, 3}, {-27.333, -28}, {5 * -1.2, -6},
      {5 * -1.5, -8}, {0.0, 0}, {-0.0, 0}, {1e12, std::numeric_limits<int32_t>::max()},
      {-1e12, std::numeric_limits<int32_t>::min()}, {std::nan(""), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Int(c.in), c.out) << c.in;
}

TEST(Numbers, RealToIntegerRoundsHalfToEven) {
  const double in[] = {0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 127.4, -100.0};
  const int32_t out[] = {0, 2, 2, 0, -2, -2, 127, -100};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ToInt32(in[i]), out[i]) << in[i];
  EXPECT_EQ(Abs(-3.5), 3.5);
  EXPECT_EQ(std::make_tuple(Sgn(-0.1), Sgn(0.0), Sgn(7.0)), std::make_tuple(-1, 0, 1));
}

// Sqr is Heron's method; Pow has whole and fractional exponents, and a
// fractional power of a non-positive base gives 0.
TEST(Numbers, SqrAndPow) {
  struct Case {
    double a, b, expected, tolerance;  // b < -100: Sqr(a)
  } cases[] = {
      {0, -999, 0, 0},      {-4, -999, 0, 0},          {25, -999, 5, 0},
      {289, -999, 17, 0},   {1, -999, 1, 0},           {2, -999, std::sqrt(2.0), 1e-15},
      {0.25, -999, 0.5, 1e-15}, {1e10, -999, 1e5, 1e-9},
      {2, 10, 1024, 0},     {-2, 3, -8, 0},            {2, -2, 0.25, 0},
      {5, 0, 1, 0},         {0, 0, 1, 0},              {9, 0.5, 3, 1e-12},
      {-8, 1.0 / 3, 0, 0},  {0, 0.5, 0, 0},
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
      {255, 255, 255, 0x00FFFFFF}, {128, 128, 128, 0x00808080}, {0, 128, 255, 0x00FF8000},
      {256 + 1, 512 + 2, 3, 0x00030201}, {-1, 0, 0, 0x000000FF},
      {0, 0, 256, 0x01000000},  // blue spills over: callers keep it in range
  };
  for (const Case& c : cases) EXPECT_EQ(RGB(c.r, c.g, c.b), c.out) << c.r << "," << c.g << "," << c.b;
}
