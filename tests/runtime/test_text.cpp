// Number text and its inverse: the HUD, the settings file and messages use them.
#include <gtest/gtest.h>

#include "runtime/runtime.h"

TEST(Str, Integers) {
  EXPECT_EQ(Str(120), "120");
  EXPECT_EQ(Str(0), "0");
  EXPECT_EQ(Str(-5), "-5");
  EXPECT_EQ(Str(4000), "4000");
  EXPECT_EQ(Str(2147483647.0), "2147483647");
  EXPECT_EQ(Str(-2147483648.0), "-2147483648");
}

TEST(Str, NegativeZeroKeepsItsSign) {
  EXPECT_EQ(Str(-0.0), "-0");
}

TEST(Str, FractionsHaveAtMostFifteenDigitsAndNoTrailingZeros) {
  EXPECT_EQ(Str(0.5), "0.5");
  EXPECT_EQ(Str(-2.25), "-2.25");
  EXPECT_EQ(Str(1.0 / 3), "0.33333333333333");
  EXPECT_EQ(Str(123456.75), "123456.75");
  std::string third = Str(100.0 / 3);
  EXPECT_EQ(third, "33.3333333333333");
}

TEST(Val, LeadingDigitsOnly) {
  EXPECT_EQ(Val("30\r\n"), 30u);
  EXPECT_EQ(Val("1000"), 1000u);
  EXPECT_EQ(Val("12abc"), 12u);
  EXPECT_EQ(Val(""), 0u);
  EXPECT_EQ(Val("abc"), 0u);
}

TEST(Val, SignOrBlankFirstGivesZero) {
  EXPECT_EQ(Val("-5"), 0u);
  EXPECT_EQ(Val("+5"), 0u);
  EXPECT_EQ(Val(" 5"), 0u);
}

TEST(Val, HexAndOctalPrefixes) {
  EXPECT_EQ(Val("&HFF"), 255u);
  EXPECT_EQ(Val("&hff"), 255u);
  EXPECT_EQ(Val("&H7fffFFFF"), 0x7FFFFFFFu);
  EXPECT_EQ(Val("&O17"), 15u);
  EXPECT_EQ(Val("&O19"), 1u);  // stops at the first non-octal digit
  EXPECT_EQ(Val("&X12"), 0u);
  EXPECT_EQ(Val("&"), 0u);
}

TEST(Val, WrapsBeyondThirtyTwoBits) {
  EXPECT_EQ(Val("4294967296"), 0u);
  EXPECT_EQ(Val("4294967297"), 1u);
}

TEST(TextHelpers, HexLeftRightCharRepeat) {
  EXPECT_EQ(Hex(0), "0");
  EXPECT_EQ(Hex(0x1A2B), "1A2B");
  EXPECT_EQ(Hex(0xFFFFFFFFu), "FFFFFFFF");
  EXPECT_EQ(Left("Quillmoor", 5), "Quill");
  EXPECT_EQ(Left("ab", 5), "ab");
  EXPECT_EQ(Left("ab", -1), "");
  EXPECT_EQ(Right("game.exe", 3), "exe");
  EXPECT_EQ(Right("ab", 9), "ab");
  EXPECT_EQ(CharText(13), "\r");
  EXPECT_EQ(CharText(34), "\"");
  EXPECT_EQ(RepeatText(3, "ab"), "ababab");
  EXPECT_EQ(RepeatText(0, "ab"), "");
}
