#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/runtime.h"

namespace {
constexpr double kMin = static_cast<double>(std::numeric_limits<int32_t>::min());
constexpr double kMax = static_cast<double>(std::numeric_limits<int32_t>::max());

// Out-of-range and NaN values would be undefined behaviour in a plain cast.
int32_t Saturate(double v) {
  if (std::isnan(v)) return 0;
  if (v <= kMin) return std::numeric_limits<int32_t>::min();
  if (v >= kMax) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}
}  // namespace

int32_t Int(double x) {
  int32_t t = Saturate(x);  // truncates toward zero
  if (x < 0 && x < static_cast<double>(t) && t != std::numeric_limits<int32_t>::min()) return t - 1;
  return t;
}

int32_t ToInt32(double x) { return Saturate(std::nearbyint(x)); }

double Abs(double x) { return std::fabs(x); }

int32_t Sgn(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }

double Sqr(double x) {
  if (!(x > 0)) return 0;
  double g = x > 1 ? x : 1;
  for (;;) {
    double next = (x / g + g) / 2;
    if (next < g) {
      g = next;
    } else {
      return next;
    }
  }
}

double Pow(double x, double y) {
  if (y == std::floor(y) && y >= kMin && y <= kMax) {
    int64_t n = static_cast<int64_t>(y);
    bool negative = n < 0;
    uint64_t e = static_cast<uint64_t>(negative ? -n : n);
    double result = 1, base = x;
    while (e) {
      if (e & 1) result *= base;
      base *= base;
      e >>= 1;
    }
    return negative ? 1 / result : result;
  }
  if (x <= 0) return 0;
  return std::exp(y * std::log(x));
}

uint32_t RGB(int32_t r, int32_t g, int32_t b) {
  // Blue is deliberately not masked; callers pass 0..255.
  return (static_cast<uint32_t>(r) & 0xFFu) | ((static_cast<uint32_t>(g) & 0xFFu) << 8) |
         (static_cast<uint32_t>(b) * 0x10000u);
}
