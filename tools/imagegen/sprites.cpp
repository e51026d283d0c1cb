// Procedural sprites: the spinning ember wheel (enemy kind 2), the boss,
// the explosion and every shot. Hard-edged like the grid sprites, lit from
// the upper left, with the same ink outline.
#include <cmath>

#include "tools/imagegen/art.h"

namespace art {

using namespace assetkit;

namespace {

constexpr double kPi = 3.14159265358979323846;

double Wrap(double a, double period) {
  a = std::fmod(a, period);
  return a < 0 ? a + period : a;
}

std::vector<std::pair<double, double>> Rotated(const std::vector<std::pair<double, double>>& pts, double cx,
                                               double cy, double angle) {
  std::vector<std::pair<double, double>> out;
  double c = std::cos(angle), s = std::sin(angle);
  for (auto [x, y] : pts) out.push_back({cx + x * c - y * s, cy + x * s + y * c});
  return out;
}

}  // namespace

std::vector<Image> WheelEnemyFrames() {
  // Six curved blades inside a red rim, a gold hub with an eye; three
  // frames turn it by 20 degrees, a third of the blade spacing, so it spins
  // seamlessly.
  std::vector<Image> frames;
  const Pixel rimDark = Pal()["re1"], rim = Pal()["re2"], rimLit = Pal()["re3"], rimHi = Pal()["re4"];
  const Pixel bladeDark = Pal()["or1"], blade = Pal()["or2"], bladeLit = Pal()["or3"];
  const Pixel gap = Pal()["nav1"], lamp = Pal()["go4"];
  for (int f = 0; f < 3; ++f) {
    Image img(24, 24);
    const double cx = 12, cy = 12, rot = f * kPi / 9.0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        double r = std::sqrt(dx * dx + dy * dy), th = std::atan2(dy, dx);
        if (r > 10.6) continue;
        double lit = (-dx - dy) / (r + 1e-9);  // toward the upper left
        if (r > 8.2) {
          img.Set(x, y, lit > 0.55 ? rimHi : lit > 0.0 ? rimLit : lit > -0.6 ? rim : rimDark);
        } else if (r > 3.6) {
          double a = Wrap(th - rot - 0.09 * r, kPi / 3);
          if (a < 0.55) img.Set(x, y, a < 0.18 ? bladeLit : blade);
          else if (a < 0.7) img.Set(x, y, bladeDark);
          else img.Set(x, y, gap);
        }
      }
    ShadeBall(img, cx, cy, 4.2, MakeRamp({"go1", "go2", "go3", "go4"}));
    FillCircle(img, cx, cy + 0.6, 1.6, Pal()["re3"]);
    img.Set(11, 12, Pal()["white"]);
    for (int k = 0; k < 6; ++k) {
      double a = rot + kPi / 6 + k * kPi / 3;
      img.Set(int(std::floor(cx + 9.4 * std::cos(a))), int(std::floor(cy + 9.4 * std::sin(a))), lamp);
    }
    Outline(img, kInk);
    frames.push_back(img);
  }
  return frames;
}

std::vector<Image> BossFrames() {
  // The sorcerer's warden: a horned mask with one great eye, bat wings and
  // fangs, facing down at the player. Frames beat the wings and let the eye
  // glare.
  std::vector<Image> frames;
  const Ramp wing = MakeRamp({"pu1", "pu2", "pu3"});
  const Ramp mask = MakeRamp({"nav1", "nav2", "pu2", "pu3", "pu4"});
  const Ramp horn = MakeRamp({"go1", "go2", "go3", "go4"});
  for (int f = 0; f < 3; ++f) {
    Image img(64, 64);
    const double flap = (f == 1 ? -3.0 : f == 2 ? 2.0 : 0.0);
    // Left wing, mirrored afterwards: a fan of three bony fingers with
    // membrane between.
    std::vector<std::pair<double, double>> membrane = {{30, 18}, {14, 8 + flap}, {2, 14 + flap * 1.5},
                                                       {4, 24 + flap}, {1, 33 + flap},  {8, 34 + flap * 0.5},
                                                       {6, 43},        {14, 40},        {18, 46},
                                                       {30, 40}};
    FillPolygon(img, membrane, wing[1]);
    // Darker folds between the fingers.
    FillPolygon(img, {{30, 22}, {5, 26 + flap}, {9, 33 + flap * 0.5}, {30, 34}}, wing[0]);
    FillPolygon(img, {{30, 36}, {9, 41}, {15, 42}, {30, 40}}, wing[0]);
    // Fingers.
    auto bone = [&](double x0, double y0, double x1, double y1) {
      for (double t = 0; t <= 1.0; t += 0.02) {
        double x = x0 + (x1 - x0) * t, y = y0 + (y1 - y0) * t;
        img.Set(int(x), int(y), wing[2]);
        img.Set(int(x), int(y) + 1, Pal()["pu1"]);
      }
    };
    bone(30, 18, 14, 8 + flap);
    bone(14, 8 + flap, 2, 14 + flap * 1.5);
    bone(24, 22, 1, 33 + flap);
    bone(24, 32, 6, 43);
    // Claws at the finger tips.
    img.Set(2, 14 + int(flap * 1.5), Pal()["go3"]);
    img.Set(1, 33 + int(flap), Pal()["go3"]);
    img.Set(6, 43, Pal()["go3"]);
    MirrorLeftToRight(img);

    // Horns sweeping up and out.
    for (int side = 0; side < 2; ++side) {
      double s = side == 0 ? -1 : 1;
      std::vector<std::pair<double, double>> h = {{32 + s * 8, 16}, {32 + s * 13, 8}, {32 + s * 15, 2},
                                                  {32 + s * 12, 5}, {32 + s * 9, 10}, {32 + s * 4, 14}};
      FillPolygon(img, h, horn[1]);
      FillPolygon(img, {{32 + s * 8, 15}, {32 + s * 12.5, 8}, {32 + s * 14.5, 3}, {32 + s * 11, 8}}, horn[3]);
    }
    // The mask: a lit shell, then plates.
    ShadeBall(img, 32, 31, 15.5, mask, 1.25);
    // Brow ridge and cheek plates.
    FillPolygon(img, {{19, 22}, {32, 18}, {45, 22}, {42, 25}, {32, 22}, {22, 25}}, Pal()["pu1"]);
    FillPolygon(img, {{20, 21}, {32, 17}, {44, 21}, {32, 19}}, Pal()["pu4"]);
    FillPolygon(img, {{18, 36}, {25, 40}, {23, 46}, {19, 42}}, Pal()["nav2"]);
    FillPolygon(img, {{46, 36}, {39, 40}, {41, 46}, {45, 42}}, Pal()["nav2"]);
    // Crown gems on the brow: their glow cycles.
    const char* gem[3] = {"re3", "re4", "he3"};
    FillCircle(img, 32, 14.5, 2.2, Pal()[gem[f]]);
    img.Set(31, 13, Pal()["white"]);
    FillCircle(img, 25, 17, 1.2, Pal()[gem[(f + 1) % 3]]);
    FillCircle(img, 39, 17, 1.2, Pal()[gem[(f + 1) % 3]]);
    // The eye.
    FillEllipse(img, 32, 30, 10.5, 6.8, Pal()["ink"]);
    FillEllipse(img, 32, 30, 9.5, 5.8, Pal()["go4"]);
    FillEllipse(img, 32, 29.5, 8.5, 4.2, Pal()["white"]);
    const double irisX = 32 + (f == 1 ? -1.5 : f == 2 ? 1.5 : 0.0);
    FillCircle(img, irisX, 30.5, 4.8, Pal()[f == 0 ? "re2" : "re3"]);
    FillCircle(img, irisX, 31, 3.3, Pal()[f == 2 ? "or3" : "or2"]);
    FillEllipse(img, irisX, 30.5, 0.9 + (f == 1 ? 0.4 : 0.0), 3.6, Pal()["ink"]);
    img.Set(int(irisX) - 2, 28, Pal()["white"]);
    // Fangs below, the side it faces.
    for (int side = 0; side < 2; ++side) {
      double s = side == 0 ? -1 : 1;
      FillPolygon(img, {{32 + s * 3, 44}, {32 + s * 8, 44}, {32 + s * 5, 55}}, Pal()["st4"]);
      FillPolygon(img, {{32 + s * 5, 44}, {32 + s * 8, 44}, {32 + s * 5.5, 52}}, Pal()["st3"]);
      FillPolygon(img, {{32 + s * 9, 42}, {32 + s * 13, 40}, {32 + s * 10, 50}}, Pal()["st3"]);
    }
    // Mouth glow between the fangs: brighter as it breathes.
    const char* glow[3] = {"re2", "or2", "re3"};
    FillEllipse(img, 32, 45.5, 3.0, 2.0 + (f == 1 ? 0.8 : 0.0), Pal()[glow[f]]);
    Outline(img, kInk);
    frames.push_back(img);
  }
  return frames;
}

std::vector<Image> ExplosionFrames() {
  // A fireball that grows over three frames, then burns out from the middle
  // into smoke and embers over the last two.
  const double radius[5] = {6, 10, 13, 15, 15.5};
  const double hot[5] = {1.7, 1.35, 1.1, 0.75, 0.5};
  const double hollow[5] = {0, 0, 0, 0.4, 0.55};
  const double holes[5] = {0, 0, 0.05, 0.3, 0.47};
  const Ramp heat = MakeRamp({"pu1", "he1", "re1", "re2", "re3", "or2", "or3", "go4", "white"});
  std::vector<Image> frames;
  for (int f = 0; f < 5; ++f) {
    Image img(32, 32);
    const double R = radius[f];
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        double dx = x + 0.5 - 16, dy = y + 0.5 - 16, d = std::sqrt(dx * dx + dy * dy);
        double n = Fbm(x, y, 8, 3, 0, 0, 77u + uint32_t(f) * 13u);
        double n2 = Fbm(x, y, 4, 2, 0, 0, 901u + uint32_t(f) * 7u);
        if (d > R * (0.72 + 0.55 * n)) continue;
        if (d < R * hollow[f] * (0.7 + 0.6 * n2)) continue;
        if (n2 < holes[f]) continue;
        double t = (1.0 - d / (R + 1e-9)) * hot[f] + (n - 0.5) * 0.55;
        if (f >= 3) t = std::min(t, (f == 3 ? 0.62 : 0.4) + (n2 - 0.5));
        img.Set(x, y, RampAt(heat, t));
      }
    // Flying sparks around the growing ball.
    if (f >= 1 && f <= 3) {
      Rng rng(4242u + uint64_t(f));
      for (int k = 0; k < 10; ++k) {
        double a = rng.Range(0, 2 * kPi), r = R * rng.Range(1.0, 1.25);
        int sx = int(std::floor(16 + r * std::cos(a))), sy = int(std::floor(16 + r * std::sin(a)));
        img.Set(sx, sy, Pal()[f == 3 ? "or2" : "go4"]);
      }
    }
    frames.push_back(img);
  }
  return frames;
}

std::vector<Image> ShotFrames(int set) {
  std::vector<Image> frames;
  const Pixel white = Pal()["white"];
  for (int f = 0; f < 3; ++f) {
    Image img(16, 16);
    switch (set) {
      case 0: {  // the ship's shot: a cyan lance pointing up, its core pulsing
        const double wide = f == 1 ? 0.6 : 0.0;
        FillPolygon(img, {{8, 1}, {10.5 + wide, 5}, {10.5 + wide, 12}, {8, 14}, {5.5 - wide, 12}, {5.5 - wide, 5}},
                    Pal()["cy2"]);
        FillPolygon(img, {{8, 2}, {9.6, 5.5}, {9.6, 11.5}, {8, 13}, {6.4, 11.5}, {6.4, 5.5}}, Pal()["cy3"]);
        FillPolygon(img, {{8, 3}, {8.9, 6}, {8.9, 10.5}, {8, 12}, {7.1, 10.5}, {7.1, 6}},
                    f == 1 ? Pal()["cy4"] : white);
        // A glint running down the lance, and sparks shed behind it.
        img.Set(7, 3 + 3 * f, white);
        img.Set(8, 3 + 3 * f, white);
        img.Set(f == 2 ? 9 : 6, 14 + (f == 1), Pal()["cy4"]);
        if (f != 1) img.Set(f == 0 ? 9 : 6, 15, Pal()["cy3"]);
        break;
      }
      case 1: {  // the enemy bullet: a pink orb that throbs
        double r = f == 1 ? 5.3 : 4.8;
        ShadeBall(img, 8, 8, r, MakeRamp({"he2", "he3", "he4"}));
        FillCircle(img, 7.3, 7.3, f == 2 ? 2.2 : 1.8, f == 1 ? Pal()["he4"] : white);
        img.Set(6, 6, white);
        break;
      }
      case 2: {  // Rainy: a falling drop, round below, pointed above
        std::vector<std::pair<double, double>> drop;
        for (int k = 0; k <= 24; ++k) {
          double a = kPi * k / 24.0;  // lower half circle
          drop.push_back({8 + 4.6 * std::cos(a), 9.5 + 4.6 * std::sin(a)});
        }
        drop.push_back({8, 1.0 + f * 0.6});
        FillPolygon(img, drop, Pal()["cy2"]);
        ShadeBall(img, 8, 9.8, 4.0, MakeRamp({"cy2", "cy3", "cy4"}));
        FillPolygon(img, {{8, 2.5 + f * 0.6}, {9.2, 7}, {6.8, 7}}, Pal()["cy3"]);
        img.Set(6, 8 + (f == 1), white);
        img.Set(6, 9 + (f == 1), white);
        img.Set(7, 7 + (f == 1), white);
        break;
      }
      case 3: {  // Fall-Leaf: an autumn leaf that rocks as it zig-zags
        double ang = (f - 1) * 0.55;
        std::vector<std::pair<double, double>> leaf;
        for (int k = 0; k <= 32; ++k) {
          double t = 2 * kPi * k / 32.0;
          double x = 5.0 * std::sin(t) * (1 - 0.25 * std::cos(t)), y = -6.0 * std::cos(t);
          // Serrated edge: two lobes a side.
          x *= 1.0 + 0.12 * std::sin(4 * t);
          leaf.push_back({x, y});
        }
        FillPolygon(img, Rotated(leaf, 8, 8, ang), Pal()["or2"]);
        auto inner = leaf;
        for (auto& p : inner) p.first *= 0.55, p.second *= 0.8, p.first -= 1.0;
        FillPolygon(img, Rotated(inner, 8, 8, ang), Pal()["or3"]);
        for (double t = -6; t <= 7.5; t += 0.25) {  // vein and stem
          double x = 8 - std::sin(ang) * t, y = 8 + std::cos(ang) * t;
          img.Set(int(x), int(y), t > 5.8 ? Pal()["br2"] : Pal()["re2"]);
        }
        break;
      }
      case 4: {  // Star-Dust: a gold star that turns
        std::vector<std::pair<double, double>> star;
        for (int k = 0; k < 10; ++k) {
          double a = -kPi / 2 + k * kPi / 5 + f * (2 * kPi / 15);
          double r = (k % 2 == 0) ? 7.2 : 3.1;
          star.push_back({8 + r * std::cos(a), 8 + r * std::sin(a)});
        }
        FillPolygon(img, star, Pal()["go2"]);
        std::vector<std::pair<double, double>> core;
        for (auto [x, y] : star) core.push_back({8 + (x - 8) * 0.62 - 0.4, 8 + (y - 8) * 0.62 - 0.4});
        FillPolygon(img, core, Pal()["go3"]);
        FillCircle(img, 7.6, 7.6, 1.7, Pal()["go4"]);
        img.Set(7, 7, white);
        break;
      }
      default: {  // Fire-Work: a white-hot spark with twinkling rays
        for (int k = 0; k < 8; ++k) {
          double a = k * kPi / 4 + (f == 1 ? kPi / 8 : 0);
          double len = (k + f) % 2 == 0 ? 7.4 : 4.6;
          for (double t = 0; t <= len; t += 0.25) {
            Pixel c = t < 2.5 ? white : t < 4.5 ? Pal()["go4"] : t < 6 ? Pal()["or3"] : Pal()["re3"];
            img.Set(int(std::floor(8 + t * std::cos(a))), int(std::floor(8 + t * std::sin(a))), c);
          }
        }
        FillCircle(img, 8, 8, f == 2 ? 3.2 : 2.6, Pal()["go4"]);
        FillCircle(img, 8, 8, 1.6, white);
        break;
      }
    }
    Outline(img, kInk);
    frames.push_back(img);
  }
  return frames;
}

Image Icon(const Image& ship) {
  // The moon lit from the upper left like every sprite, a gold rim to lift it
  // off a dark panel, and the ship over it; the ink outline keeps both edges
  // clear on a light one.
  Image img(32, 32);
  FillCircle(img, 16, 16, 15.5, Pal()["go2"]);
  ShadeBall(img, 16, 16, 14.5, MakeRamp({"nav1", "nav2", "pu2", "he2", "he3"}));
  Paste(img, ship, 6, 6);
  Outline(img, kInk);
  return img;
}

}  // namespace art
