// The generator's exact sequence: enemy waves and boss patterns depend on it.
#include <gtest/gtest.h>

#include <cmath>

#include "runtime/runtime.h"

TEST(Random, FirstOutputsFromSeedOne) {
  SetRandomSeed(1);
  EXPECT_EQ(Rand15(), 16838);
  EXPECT_EQ(RandomSeed(), 1103527590u);
  // The following steps continue the same recurrence.
  uint32_t seed = 1103527590u;
  for (int i = 0; i < 5; ++i) {
    seed = seed * 1103515245u + 12345u;
    double q = std::nearbyint(seed / 65536.0);
    int expected = static_cast<int>(static_cast<uint32_t>(q) % 32768u);
    EXPECT_EQ(Rand15(), expected) << "step " << i + 2;
    EXPECT_EQ(RandomSeed(), seed);
  }
}

TEST(Random, KnownValuesAfterSeedOne) {
  SetRandomSeed(1);
  // Pinned: rounding the quotient gives 5759, not the 5758 truncation would.
  EXPECT_EQ(Rand15(), 16838);
  EXPECT_EQ(Rand15(), 5759);
  EXPECT_EQ(Rand15(), 10114);
  EXPECT_EQ(Rand15(), 17516);
}

TEST(Random, QuotientRoundsToNearestNotDown) {
  // A seed whose quotient has a fraction above one half must round up.
  // seed 1103527590 / 65536 = 16838.49...; find a step where truncation differs.
  SetRandomSeed(1);
  int differ = 0;
  for (int i = 0; i < 1000; ++i) {
    uint32_t before = RandomSeed();
    uint32_t next = before * 1103515245u + 12345u;
    int got = Rand15();
    int truncated = static_cast<int>((next >> 16) % 32768u);
    if (got != truncated) ++differ;
  }
  EXPECT_GT(differ, 100);  // about half of all steps
}

TEST(Random, RndIsTwoStepsAndInRangeOnItsGrain) {
  SetRandomSeed(1);
  double r = Rnd();
  EXPECT_DOUBLE_EQ(r, static_cast<double>((16838LL * 5759LL) % 100000) / 100000.0);
  EXPECT_DOUBLE_EQ(r, 0.70042);
  SetRandomSeed(12345);
  for (int i = 0; i < 20000; ++i) {
    double v = Rnd();
    ASSERT_GE(v, 0.0);
    ASSERT_LT(v, 1.0);
    double scaled = v * 100000.0;
    ASSERT_NEAR(scaled, std::round(scaled), 1e-6);
  }
}
