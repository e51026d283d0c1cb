// The full 320x240 pictures: the scrolling sky, the title scene and its
// eclipse variant, and the rage overlay.
#include <algorithm>
#include <cmath>

#include "tools/imagegen/art.h"

namespace art {

using namespace assetkit;

namespace {

constexpr int W = 320, H = 240;
constexpr double kPi = 3.14159265358979323846;

double Smooth(double a, double b, double x) {
  double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}


struct SceneColours {
  Pixel skyTop, skyMid, skyLow, horizon;
  Pixel moon, moonRim, halo;
  Pixel farHills, midHills, moorDark, moorLit, heather;
  Pixel star;
};

// The night moor: sky, moon, stars, three ranges of hills with a tor, the
// heather in front, and the ship climbing away with its trail.
Image Scene(bool eclipse, const Image& ship) {
  SceneColours c;
  if (!eclipse) {
    c = {Rgb(12, 14, 38),  Rgb(40, 34, 92),  Rgb(112, 52, 118), Rgb(236, 132, 84),
         Rgb(250, 244, 222), Rgb(200, 200, 220), Rgb(150, 130, 200),
         Rgb(74, 50, 104),  Rgb(48, 30, 72),   Rgb(22, 14, 34),    Rgb(60, 36, 78),  Rgb(150, 70, 150),
         Rgb(255, 250, 230)};
  } else {
    c = {Rgb(8, 2, 6),      Rgb(46, 6, 14),    Rgb(110, 14, 20),   Rgb(220, 60, 30),
         Rgb(20, 6, 10),     Rgb(255, 90, 50),  Rgb(200, 30, 30),
         Rgb(54, 12, 18),   Rgb(34, 6, 12),    Rgb(12, 3, 6),      Rgb(44, 10, 16),  Rgb(120, 24, 30),
         Rgb(255, 170, 150)};
  }
  Image img(W, H);
  const double moonX = 252, moonY = 70, moonR = 24;
  // Sky with the afterglow low in the west.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double t = y / 165.0;
      Pixel p = t < 0.55 ? Mix(c.skyTop, c.skyMid, t / 0.55) : Mix(c.skyMid, c.skyLow, std::min(1.0, (t - 0.55) / 0.45));
      double glow = Smooth(95, 165, y) * (0.55 + 0.45 * Smooth(320, 0, x));
      p = Mix(p, c.horizon, glow * 0.8);
      // Thin streaks of cloud across the glow.
      double n = Fbm(x * 0.5, y * 3.0, 40, 3, 0, 0, 555);
      double band = Smooth(0.58, 0.75, n) * Smooth(70, 120, y) * Smooth(170, 130, y);
      p = Mix(p, eclipse ? Rgb(30, 4, 8) : Rgb(70, 40, 96), band * 0.7);
      // Moon halo.
      double dm = std::hypot(x + 0.5 - moonX, y + 0.5 - moonY);
      p = Mix(p, c.halo, std::max(0.0, 1.0 - (dm - moonR) / 70.0) * 0.35 * (dm > moonR));
      img.Ref(x, y) = p;
    }
  // Stars, fewer toward the glow.
  Rng rng(eclipse ? 1234 : 1234);
  for (int k = 0; k < 170; ++k) {
    int x = rng.Int(0, W - 1), y = rng.Int(0, 130);
    double b = rng.Range(0.25, 1.0) * (1.0 - Smooth(40, 130, y));
    if (std::hypot(x - moonX, y - moonY) < moonR + 6) continue;
    img.Ref(x, y) = Mix(img.At(x, y), c.star, b);
    if (b > 0.8 && k % 5 == 0) {  // a few bright ones with a cross
      for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
        if (img.In(x + dx, y + dy)) img.Ref(x + dx, y + dy) = Mix(img.At(x + dx, y + dy), c.star, 0.45);
    }
  }
  // The moon (or the dead sun of the eclipse).
  for (int y = int(moonY - moonR - 2); y <= int(moonY + moonR + 2); ++y)
    for (int x = int(moonX - moonR - 2); x <= int(moonX + moonR + 2); ++x) {
      double dx = x + 0.5 - moonX, dy = y + 0.5 - moonY, d = std::hypot(dx, dy);
      if (d > moonR + 1.5) continue;
      if (eclipse) {
        Pixel p = d > moonR - 1.5 ? c.moonRim : c.moon;
        img.Ref(x, y) = d > moonR ? Mix(img.At(x, y), p, moonR + 1.5 - d) : p;
        continue;
      }
      double shade = 0.82 + 0.18 * (-dx - dy) / (moonR * 1.4);
      double crater = Fbm(x, y, 10, 3, 0, 0, 99);
      shade -= Smooth(0.55, 0.7, crater) * 0.16;
      Pixel p = Scale(c.moon, shade);
      img.Ref(x, y) = d > moonR ? Mix(img.At(x, y), p, std::max(0.0, moonR + 1.5 - d) / 1.5) : p;
    }
  if (eclipse) {  // a corona of red flares around the black disc
    for (int y = 0; y < 150; ++y)
      for (int x = 180; x < W; ++x) {
        double dx = x + 0.5 - moonX, dy = y + 0.5 - moonY, d = std::hypot(dx, dy);
        if (d <= moonR + 1.5) continue;
        double a = std::atan2(dy, dx);
        double ray = Fbm((a + kPi) * 40, 0, 8, 3, 0, 0, 31);
        double s = std::exp(-(d - moonR) / (6 + 20 * ray));
        img.Ref(x, y) = Mix(img.At(x, y), Rgb(255, 80 + int(100 * s), 40), std::min(1.0, s * 1.1));
      }
  }
  // Hill ranges: each a ridge line from one-dimensional noise.
  auto ridge = [&](double base, double amp, double cell, uint32_t seed, Pixel col, double hazeTop) {
    for (int x = 0; x < W; ++x) {
      double top = base - amp * Fbm(x, 0.5, cell, 4, 0, 0, seed);
      for (int y = std::max(0, int(std::floor(top))); y < H; ++y) {
        double cov = std::min(1.0, y + 1 - top);
        double haze = Smooth(top + 14, top, y) * hazeTop;  // the crest catches the glow
        img.Ref(x, y) = Mix(img.At(x, y), Mix(col, c.horizon, haze), cov);
      }
    }
  };
  ridge(160, 34, 80, 11, c.farHills, 0.18);
  ridge(178, 26, 60, 22, c.midHills, 0.10);
  // The tor on the middle hill: stacked granite with ragged steps.
  const Pixel stone = eclipse ? Rgb(24, 6, 10) : Rgb(36, 26, 54);
  const Pixel stoneLit = eclipse ? Rgb(96, 22, 24) : Rgb(104, 76, 118);
  const Pixel crack = eclipse ? Rgb(12, 2, 4) : Rgb(22, 14, 34);
  for (int x = 30; x < 104; ++x) {
    double u = (x - 66) / 36.0;
    double hump = std::pow(std::max(0.0, 1 - u * u), 0.6) * 36;
    double n = Fbm(x / 7 * 7.0, 0.5, 14, 2, 0, 0, 71);  // the same within each 7-pixel block
    int h = int(std::floor(hump * (0.7 + 0.6 * n) / 6)) * 6;
    int top = 190 - h;
    for (int y = top; y < 192; ++y) {
      Pixel p = stone;
      if (y == top || (x % 7 == 0 && y < top + 3)) p = stoneLit;
      else if ((y - top) % 6 == 0 || x % 7 == 0) p = crack;
      img.Ref(x, y) = p;
    }
  }
  ridge(192, 14, 50, 33, c.moorDark, 0.05);
  // Heather clumps, larger toward the viewer, flowering on top.
  Rng heath(eclipse ? 5150 : 5150);
  for (int k = 0; k < 420; ++k) {
    double y = 190 + 52 * std::pow(heath.Uniform(), 0.8), x = heath.Range(-6, W + 6);
    double rx = 1.5 + (y - 188) / 9.0, ry = rx * 0.5;
    double lit = heath.Uniform();
    for (int py = int(y - ry); py <= int(y + ry); ++py)
      for (int px = int(x - rx); px <= int(x + rx); ++px) {
        double dx = (px + 0.5 - x) / rx, dy = (py + 0.5 - y) / ry;
        if (dx * dx + dy * dy > 1 || !img.In(px, py)) continue;
        Pixel p = Mix(c.moorDark, c.moorLit, 0.35 + 0.65 * lit * (dy < 0 ? 1.0 : 0.5));
        if (dy < -0.35 && Hash3(px, py, 9) % 4 == 0) p = Mix(p, c.heather, 0.5 + 0.5 * lit);
        img.Ref(px, py) = p;
      }
  }
  // The ship climbing away over the hills, its exhaust trail below it.
  if (ship.w > 0) {
    const int sx = 238, sy = 136;
    for (int y = sy + 36; y < H; ++y) {
      double fade = 1.0 - double(y - sy - 36) / (H - sy - 36);
      for (int dx = -1; dx <= 1; ++dx) {
        int x = sx + 20 + dx - (dx > 0);
        img.Ref(x, y) = Mix(img.At(x, y), eclipse ? Rgb(255, 120, 80) : Rgb(255, 210, 140), fade * (dx == 0 ? 0.8 : 0.35));
      }
    }
    Image big = Enlarge(ship, 2);
    Paste(img, big, sx, sy);
  }
  return img;
}

}  // namespace

Image Title(const Image& ship) { return Scene(false, ship); }

Image Title2(const Image& ship) { return Scene(true, ship); }

Image Sky() {
  // Night air over the moor seen from above: dark blue with moonlit cloud
  // banks and a few far lights. Every noise layer repeats over 320x240 (the
  // cells divide both sides), so the picture tiles without a seam.
  Image img(W, H);
  const Pixel deep = Rgb(16, 20, 44), deep2 = Rgb(28, 30, 64);
  const Pixel cloudDark = Rgb(44, 40, 86), cloud = Rgb(72, 72, 120), cloudLit = Rgb(124, 122, 172);
  auto density = [&](double x, double y) {
    // A little domain warp makes the banks billow instead of following the lattice.
    double wx = GradientFbm(x, y, 80, 2, W, H, 41) - 0.5, wy = GradientFbm(x, y, 80, 2, W, H, 43) - 0.5;
    return GradientFbm(x + 40 * wx, y + 40 * wy, 80, 5, W, H, 17);
  };
  std::vector<double> dens(size_t(W) * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) dens[size_t(y) * W + size_t(x)] = density(x, y);
  auto at = [&](int x, int y) { return dens[size_t((y % H + H) % H) * W + size_t((x % W + W) % W)]; };
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double base = GradientFbm(x, y, 80, 2, W, H, 3);
      Pixel p = Mix(deep, deep2, Smooth(0.35, 0.65, base));
      double d = at(x, y);
      double lit = std::clamp((at(x, y + 3) - at(x, y - 3)) * 12.0, -1.0, 1.0);  // tops face the moon
      double amount = Smooth(0.47, 0.62, d);
      Pixel cl = lit > 0 ? Mix(cloud, cloudLit, lit) : Mix(cloud, cloudDark, -lit);
      p = Mix(p, cl, amount * 0.8);
      img.Ref(x, y) = p;
    }
  Rng rng(2024);
  for (int k = 0; k < 70; ++k) {
    int x = rng.Int(0, W - 1), y = rng.Int(0, H - 1);
    double b = rng.Range(0.3, 0.8);
    if (Smooth(0.47, 0.62, at(x, y)) > 0.15) continue;  // hidden behind cloud
    img.Ref(x, y) = Mix(img.At(x, y), Rgb(210, 220, 255), b);
  }
  return img;
}

Image RageOverlay() {
  // Laid over the playfield with OR: black leaves it as it is, so the
  // middle stays black and a ring of flame licks in from every edge, with
  // red streaks bursting outward from the centre.
  Image img(W, H, Rgb(0, 0, 0));
  const Pixel ramp[] = {Rgb(70, 0, 0),     Rgb(130, 8, 0),    Rgb(190, 30, 0),
                        Rgb(240, 80, 10),  Rgb(255, 150, 40), Rgb(255, 220, 120)};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      // Position along the border (0..1) for the flame noise, and depth in.
      double depth = std::min({double(x), double(W - 1 - x), double(y), double(H - 1 - y)});
      double along = (y < depth + 0.5 || H - 1 - y < depth + 0.5) ? x : y * 1.7 + 600;
      double n = Fbm(along, depth * 0.6, 24, 4, 0, 0, 66);
      double reach = 10 + 46 * n * n + (y > H - 60 ? 14 : 0);
      double t = 1.0 - depth / reach;
      // Streaks from the centre.
      double dx = x + 0.5 - W / 2.0, dy = y + 0.5 - H / 2.0, r = std::hypot(dx, dy);
      double a = std::atan2(dy, dx);
      double ray = Fbm((a + kPi) * 60, 0.5, 6, 2, 0, 0, 12);
      double streak = Smooth(0.76, 0.9, ray) * Smooth(60, 160, r) * 0.33;
      double v = std::max(t, streak);
      if (v <= 0) continue;
      int i = std::min(5, int(v * 6));
      img.Ref(x, y) = ramp[i];
    }
  return img;
}

}  // namespace art
