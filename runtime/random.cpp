#include <cmath>

#include "runtime/runtime.h"

namespace {
// The seed holds 1 until Randomize runs.
uint32_t g_seed = 1;
}  // namespace

void SetRandomSeed(uint32_t seed) { g_seed = seed; }
uint32_t RandomSeed() { return g_seed; }

int32_t Rand15() {
  g_seed = g_seed * 1103515245u + 12345u;
  // The quotient is rounded to nearest (ties to even), not truncated: this is
  // what gives the generator its exact sequence.
  double q = std::nearbyint(static_cast<double>(g_seed) / 65536.0);
  return static_cast<int32_t>(static_cast<uint32_t>(q) % 32768u);
}

double Rnd() {
  int64_t a = Rand15();
  int64_t b = Rand15();
  return static_cast<double>((a * b) % 100000) / 100000.0;
}
