// Deterministic randomness for procedural pictures: a seeded generator and
// value noise that can wrap, so a picture can tile without a seam.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace assetkit {

inline uint32_t Hash32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

inline uint32_t Hash3(int a, int b, uint32_t seed) {
  return Hash32(uint32_t(a) * 0x9E3779B1u ^ Hash32(uint32_t(b) * 0x85EBCA77u ^ Hash32(seed)));
}

// Small seeded generator (xorshift64*); same seed, same sequence, everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
    if (s_ == 0) s_ = 1;
  }
  uint64_t Next() {
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return s_ * 0x2545F4914F6CDD1Dull;
  }
  double Uniform() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }  // [0, 1)
  double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  int Int(int lo, int hi) { return lo + int(Next() % uint64_t(hi - lo + 1)); }  // [lo, hi]

 private:
  uint64_t s_;
};

inline double Lattice(int ix, int iy, int px, int py, uint32_t seed) {
  if (px > 0) ix = ((ix % px) + px) % px;
  if (py > 0) iy = ((iy % py) + py) % py;
  return double(Hash3(ix, iy, seed) & 0xFFFFFF) / double(0xFFFFFF);
}

// Smooth value noise in [0, 1] with lattice cells of `cell` pixels; it repeats
// every px cells across and py cells down (0: no repeat).
inline double ValueNoise(double x, double y, double cell, int px, int py, uint32_t seed) {
  double fx = x / cell, fy = y / cell;
  int ix = int(std::floor(fx)), iy = int(std::floor(fy));
  double tx = fx - ix, ty = fy - iy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  double a = Lattice(ix, iy, px, py, seed), b = Lattice(ix + 1, iy, px, py, seed);
  double c = Lattice(ix, iy + 1, px, py, seed), d = Lattice(ix + 1, iy + 1, px, py, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Fractal sum of `octaves` layers, each half the cell size of the one before.
// With width and height given, every layer repeats over width x height, as
// long as the cell sizes divide them.
inline double Fbm(double x, double y, double cell, int octaves, int width, int height, uint32_t seed) {
  double sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    int px = width > 0 ? int(std::lround(width / cell)) : 0;
    int py = height > 0 ? int(std::lround(height / cell)) : 0;
    sum += amp * ValueNoise(x, y, cell, px, py, seed + uint32_t(o) * 101u);
    norm += amp;
    amp *= 0.5;
    cell *= 0.5;
  }
  return sum / norm;
}

}  // namespace assetkit

namespace assetkit {

// Gradient (Perlin) noise in [0, 1], repeating every px by py cells; smoother
// than value noise, with no visible lattice, for large soft shapes.
inline double GradientNoise(double x, double y, double cell, int px, int py, uint32_t seed) {
  double fx = x / cell, fy = y / cell;
  int ix = int(std::floor(fx)), iy = int(std::floor(fy));
  double tx = fx - ix, ty = fy - iy;
  auto grad = [&](int gx, int gy, double dx, double dy) {
    if (px > 0) gx = ((gx % px) + px) % px;
    if (py > 0) gy = ((gy % py) + py) % py;
    double a = double(Hash3(gx, gy, seed) & 0xFFFF) / 65536.0 * 6.283185307179586;
    return std::cos(a) * dx + std::sin(a) * dy;
  };
  auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
  double u = fade(tx), v = fade(ty);
  double a = grad(ix, iy, tx, ty), b = grad(ix + 1, iy, tx - 1, ty);
  double c = grad(ix, iy + 1, tx, ty - 1), d = grad(ix + 1, iy + 1, tx - 1, ty - 1);
  double n = (a + (b - a) * u) + ((c + (d - c) * u) - (a + (b - a) * u)) * v;
  return std::clamp(0.5 + n * 0.75, 0.0, 1.0);
}

inline double GradientFbm(double x, double y, double cell, int octaves, int width, int height, uint32_t seed) {
  double sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    int px = width > 0 ? int(std::lround(width / cell)) : 0;
    int py = height > 0 ? int(std::lround(height / cell)) : 0;
    sum += amp * GradientNoise(x, y, cell, px, py, seed + uint32_t(o) * 131u);
    norm += amp;
    amp *= 0.5;
    cell *= 0.5;
  }
  return sum / norm;
}

}  // namespace assetkit
