// The "Quillmoor" lettering of the title screen, written with a broad quill
// nib along our own letter paths, then gilded: gold gradient, bevel, an ink
// outline and a drop shadow, so it reads over any picture.
#include <algorithm>
#include <cmath>

#include "tools/imagegen/art.h"

namespace art {

using namespace assetkit;

namespace {

constexpr int W = 320, H = 240, SS = 4;  // supersampling per axis
constexpr double kPi = 3.14159265358979323846;

using Path = std::vector<std::pair<double, double>>;

struct Glyph {
  double advance;
  std::vector<Path> strokes;
};

Path Oval(double cx, double cy, double rx, double ry, double from = 0, double to = 2 * kPi) {
  Path p;
  for (int k = 0; k <= 48; ++k) {
    double a = from + (to - from) * k / 48.0;
    p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return p;
}

// Letter paths: baseline at y 0, x-height -30, ascender -52.
Glyph GlyphFor(char c) {
  switch (c) {
    case 'Q':
      return {46,
              {Oval(20, -26, 17, 26, -kPi / 2, 3 * kPi / 2 + 0.15),
               // The tail sweeps out and on under the whole word.
               {{16, -10}, {24, -2}, {36, 6}, {70, 11}, {150, 13}, {230, 10}, {262, 4}, {272, -2}}}};
    case 'u':
      return {28, {{{3, -30}, {3, -10}, {6, -2}, {12, 0}, {18, -3}, {21, -9}}, {{22, -30}, {22, -4}, {25, 0}, {28, 0}}}};
    case 'i':
      return {13, {{{3, -30}, {3, -4}, {6, 0}, {9, 0}}, {{1, -44}, {5, -40}}}};
    case 'l':
      return {13, {{{-1, -49}, {3, -52}, {3, -4}, {6, 0}, {9, 0}}}};
    case 'm':
      return {42,
              {{{3, -30}, {3, 0}},
               {{3, -21}, {8, -29}, {14, -29}, {17, -22}, {17, 0}},
               {{17, -21}, {22, -29}, {28, -29}, {31, -22}, {31, -4}, {34, 0}, {37, 0}}}};
    case 'o':
      return {29, {Oval(12, -15, 11, 15, 0, 2 * kPi + 0.2)}};
    case 'r':
      return {23, {{{3, -30}, {3, 0}}, {{3, -19}, {8, -28}, {14, -30}, {19, -27}}}};
    default:
      return {10, {}};
  }
}

// Catmull-Rom through the points, sampled finely.
Path Smooth(const Path& p) {
  if (p.size() < 3) {
    Path out;
    for (size_t i = 0; i + 1 < p.size(); ++i)
      for (int k = 0; k < 64; ++k) {
        double t = k / 64.0;
        out.push_back({p[i].first + (p[i + 1].first - p[i].first) * t, p[i].second + (p[i + 1].second - p[i].second) * t});
      }
    out.push_back(p.back());
    return out;
  }
  Path out;
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    auto p0 = p[i == 0 ? 0 : i - 1], p1 = p[i], p2 = p[i + 1], p3 = p[std::min(p.size() - 1, i + 2)];
    double len = std::hypot(p2.first - p1.first, p2.second - p1.second);
    int steps = std::max(8, int(len * 6));
    for (int k = 0; k < steps; ++k) {
      double t = double(k) / steps, t2 = t * t, t3 = t2 * t;
      auto cr = [&](double a, double b, double c, double d) {
        return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
      };
      out.push_back({cr(p0.first, p1.first, p2.first, p3.first), cr(p0.second, p1.second, p2.second, p3.second)});
    }
  }
  out.push_back(p.back());
  return out;
}

}  // namespace

Image Lettering() {
  const std::string word = "Quillmoor";
  const double scale = 1.08, slant = 0.2, baseline = 108;
  const double nibA = 4.6, nibB = 1.25, nibAngle = 30 * kPi / 180;
  // Where each glyph starts, before centring.
  std::vector<double> starts;
  double pen = 0;
  for (char c : word) {
    starts.push_back(pen);
    pen += GlyphFor(c).advance + 3;
  }
  // Coverage on the fine grid.
  std::vector<uint8_t> fine(size_t(W * SS) * size_t(H * SS), 0);
  double minX = 1e9, maxX = -1e9;
  std::vector<std::pair<double, double>> stamps;
  for (size_t g = 0; g < word.size(); ++g)
    for (const Path& stroke : GlyphFor(word[g]).strokes)
      for (auto [x, y] : Smooth(stroke)) {
        double sx = (starts[g] + x - slant * y) * scale, sy = baseline + y * scale;
        stamps.push_back({sx, sy});
        minX = std::min(minX, sx);
        maxX = std::max(maxX, sx);
      }
  const double shift = (W - (maxX - minX)) / 2 - minX - 2;
  const double ca = std::cos(nibAngle), sa = std::sin(nibAngle);
  const double a = nibA * scale, b = nibB * scale;
  for (auto [sx, sy] : stamps) {
    sx += shift;
    for (int fy = int((sy - a - 1) * SS); fy <= int((sy + a + 1) * SS); ++fy)
      for (int fx = int((sx - a - 1) * SS); fx <= int((sx + a + 1) * SS); ++fx) {
        if (fx < 0 || fy < 0 || fx >= W * SS || fy >= H * SS) continue;
        double dx = (fx + 0.5) / SS - sx, dy = (fy + 0.5) / SS - sy;
        // Nib axes: along (cos, -sin) rising to the right, and across.
        double u = dx * ca - dy * sa, v = dx * sa + dy * ca;
        if ((u * u) / (a * a) + (v * v) / (b * b) <= 1.0) fine[size_t(fy) * W * SS + size_t(fx)] = 1;
      }
  }
  std::vector<uint8_t> ink(size_t(W) * H, 0);
  int top = H, bottom = 0;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      int sum = 0;
      for (int j = 0; j < SS; ++j)
        for (int i = 0; i < SS; ++i) sum += fine[size_t(y * SS + j) * W * SS + size_t(x * SS + i)];
      if (sum * 2 >= SS * SS) {
        ink[size_t(y) * W + size_t(x)] = 1;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < W && y < H && ink[size_t(y) * W + size_t(x)]; };
  Image img(W, H);
  const Pixel shadow = Rgb(30, 14, 44), outline = kInk;
  // Drop shadow, then a two-pixel ink outline, then the gilded letters.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      bool near = false, shade = false;
      for (int dy = -2; dy <= 2 && !near; ++dy)
        for (int dx = -2; dx <= 2 && !near; ++dx)
          if (dx * dx + dy * dy <= 5 && in(x + dx, y + dy)) near = true;
      for (int dy = -2; dy <= 2 && !shade; ++dy)
        for (int dx = -2; dx <= 2 && !shade; ++dx)
          if (dx * dx + dy * dy <= 5 && in(x - 3 + dx, y - 3 + dy)) shade = true;
      if (shade) img.Ref(x, y) = shadow;
      if (near) img.Ref(x, y) = outline;
    }
  const Pixel top1 = Rgb(255, 246, 196), mid = Rgb(246, 196, 70), low = Rgb(214, 104, 26);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      if (!in(x, y)) continue;
      double t = double(y - top) / std::max(1, bottom - top);
      Pixel p = t < 0.5 ? Mix(top1, mid, t / 0.5) : Mix(mid, low, (t - 0.5) / 0.5);
      // A bright band across the middle, like light on metal.
      if (std::abs(t - 0.42) < 0.04) p = Mix(p, Rgb(255, 255, 235), 0.6);
      if (!in(x - 1, y - 1) || !in(x, y - 1)) p = Mix(p, Rgb(255, 255, 240), 0.7);
      else if (!in(x + 1, y + 1) || !in(x, y + 1)) p = Mix(p, Rgb(130, 60, 20), 0.6);
      img.Ref(x, y) = p;
    }
  return img;
}

}  // namespace art
