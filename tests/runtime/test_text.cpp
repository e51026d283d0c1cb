// Number text and its inverse: the HUD, the settings file and messages use them.
#include <gtest/gtest.h>

#include "runtime/runtime.h"

// Whole numbers plainly, fractions with at most 15 digits and no trailing
// zeros; -0 keeps its sign.
TEST(Str, NumbersAsText) {
  struct Case { double in; const char* out; } cases[] = {
      {2147483647.0, "2147483647"}, {-2147483648.0, "-2147483648"}, {-0.0, "-0"}, {-2.25, "-2.25"},
      {1.0 / 3, "0.33333333333333"}, {123456.75, "123456.75"}, {100.0 / 3, "33.3333333333333"},
  };
  for (const Case& c : cases) EXPECT_EQ(Str(c.in), c.out) << c.out;
}

// Leading digits only; a sign or blank first gives 0; &H and &O prefixes;
// wraps beyond 32 bits.
TEST(Val, TextAsNumbers) {
  struct Case { const char* in; uint32_t out; } cases[] = {
      {"12abc", 12},    {"", 0},
      {"abc", 0},       {"-5", 0},         {"+5", 0},               {" 5", 0},
      {"&HFF", 255},    {"&hff", 255},     {"&H7fffFFFF", 0x7FFFFFFF}, {"&O17", 15},
      {"&O19", 1},      {"&X12", 0},       {"&", 0},                {"4294967296", 0},
      {"4294967297", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(Val(c.in), c.out) << '"' << c.in << '"';
}
