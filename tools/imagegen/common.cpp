// Palette, text-grid sprites and the small drawing helpers the procedural
// pictures share.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tools/imagegen/art.h"

namespace art {

using namespace assetkit;

namespace {
Palette g_palette;
}

const Palette& Pal() { return g_palette; }

bool Palette::Load(const std::string& path, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    line = line.substr(0, line.find('#'));
    std::istringstream s(line);
    std::string name;
    int r, g, b;
    if (!(s >> name)) continue;
    if (!(s >> r >> g >> b) || r < 0 || g < 0 || b < 0 || r > 255 || g > 255 || b > 255 || (r | g | b) == 0) {
      error = path + ":" + std::to_string(n) + ": expected NAME R G B (not pure black)";
      return false;
    }
    colours_[name] = Rgb(r, g, b);
  }
  g_palette = *this;
  return true;
}

Pixel Palette::operator[](const std::string& name) const {
  auto it = colours_.find(name);
  if (it == colours_.end()) {
    std::fprintf(stderr, "qm_imagegen: no colour '%s' in the palette\n", name.c_str());
    std::exit(1);
  }
  return it->second;
}

bool LoadGridSprite(const std::string& path, std::vector<Image>& frames, std::string& error) {
  frames.clear();
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  int w = 0, h = 0;
  bool mirror = false, outline = false, outline8 = false;
  std::map<char, Pixel> keys;
  keys['.'] = kClear;
  std::string line;
  int n = 0;
  int row = -1;  // next row of the current frame to fill
  auto fail = [&](const std::string& what) {
    error = path + ":" + std::to_string(n) + ": " + what;
    return false;
  };
  bool fresh = false;
  while (std::getline(in, line)) {
    ++n;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream s(line);
    std::string word;
    if (!(s >> word) || word[0] == '#') continue;
    if (word == "size") {
      if (!(s >> w >> h) || w < 1 || h < 1 || w > 256 || h > 256) return fail("size W H");
    } else if (word == "mirror") {
      mirror = true;
    } else if (word == "outline") {
      outline = true;
    } else if (word == "outline8") {
      outline = outline8 = true;
    } else if (word == "key") {
      std::string ch, colour;
      if (!(s >> ch >> colour) || ch.size() != 1 || ch[0] == '_') return fail("key CHAR COLOUR");
      keys[ch[0]] = colour == "clear" ? kClear : Pal()[colour];
    } else if (word == "frame") {
      if (fresh && row != h) return fail("the previous frame has " + std::to_string(row) + " rows, not " + std::to_string(h));
      if (w == 0) return fail("size must come before the first frame");
      int number = 0;
      std::string like;
      int base = 0;
      s >> number >> like >> base;
      if (number != int(frames.size()) + 1) return fail("frames must be numbered 1, 2, 3...");
      if (like == "like") {
        if (base < 1 || base > int(frames.size())) return fail("like N: no such frame");
        frames.push_back(frames[size_t(base - 1)]);
        fresh = false;
      } else {
        frames.emplace_back(w, h);
        fresh = true;
      }
      row = 0;
    } else if (word[0] == '@') {
      if (frames.empty() || fresh) return fail("@ROW only in a frame made like another");
      row = std::atoi(word.c_str() + 1);
      if (row < 0 || row >= h) return fail("row out of range");
    } else {
      if (frames.empty()) return fail("grid row before any frame");
      if (row >= h) return fail("too many rows");
      std::string cells = word;
      int expect = mirror ? (w + 1) / 2 : w;
      if (int(cells.size()) != expect)
        return fail("row has " + std::to_string(cells.size()) + " cells, expected " + std::to_string(expect));
      Image& f = frames.back();
      for (int x = 0; x < expect; ++x) {
        char c = cells[size_t(x)];
        if (c == '_') continue;  // keep what the base frame has
        auto it = keys.find(c);
        if (it == keys.end()) return fail(std::string("no key for '") + c + "'");
        f.Set(x, row, it->second);
        if (mirror) f.Set(w - 1 - x, row, it->second);
      }
      ++row;
    }
  }
  if (fresh && row != h) return fail("the last frame has " + std::to_string(row) + " rows, not " + std::to_string(h));
  if (frames.empty()) return fail("no frames");
  if (outline)
    for (Image& f : frames) Outline(f, Pal()["ink"], outline8);
  return true;
}

Ramp MakeRamp(std::initializer_list<const char*> names) {
  Ramp r;
  for (const char* n : names) r.push_back(Pal()[n]);
  return r;
}

Pixel RampAt(const Ramp& ramp, double light) {
  int i = int(std::floor(std::clamp(light, 0.0, 0.9999) * double(ramp.size())));
  return ramp[size_t(i)];
}

void Outline(Image& img, Pixel ink, bool diagonal) {
  Image src = img;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      if (A(src.At(x, y)) != 0) continue;
      bool edge = false;
      for (int dy = -1; dy <= 1 && !edge; ++dy)
        for (int dx = -1; dx <= 1 && !edge; ++dx) {
          if (dx == 0 && dy == 0) continue;
          if (!diagonal && dx != 0 && dy != 0) continue;
          edge = A(src.At(x + dx, y + dy)) != 0;
        }
      if (edge) img.Set(x, y, ink);
    }
}

void FillCircle(Image& img, double cx, double cy, double r, Pixel c) { FillEllipse(img, cx, cy, r, r, c); }

void FillEllipse(Image& img, double cx, double cy, double rx, double ry, Pixel c) {
  if (rx <= 0 || ry <= 0) return;
  for (int y = int(std::floor(cy - ry)); y <= int(std::ceil(cy + ry)); ++y)
    for (int x = int(std::floor(cx - rx)); x <= int(std::ceil(cx + rx)); ++x) {
      double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) img.Set(x, y, c);
    }
}

void FillPolygon(Image& img, const std::vector<std::pair<double, double>>& pts, Pixel c) {
  if (pts.size() < 3) return;
  double minY = 1e9, maxY = -1e9;
  for (auto& p : pts) minY = std::min(minY, p.second), maxY = std::max(maxY, p.second);
  for (int y = std::max(0, int(std::floor(minY))); y <= std::min(img.h - 1, int(std::ceil(maxY))); ++y) {
    double py = y + 0.5;
    for (int x = 0; x < img.w; ++x) {
      double px = x + 0.5;
      bool inside = false;
      for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        auto [xi, yi] = pts[i];
        auto [xj, yj] = pts[j];
        if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) inside = !inside;
      }
      if (inside) img.Set(x, y, c);
    }
  }
}

void ShadeBall(Image& img, double cx, double cy, double r, const Ramp& ramp, double squashY) {
  const double lx = -0.5, ly = -0.6, lz = 0.62;  // light from the upper left, toward the viewer
  for (int y = int(std::floor(cy - r)); y <= int(std::ceil(cy + r)); ++y)
    for (int x = int(std::floor(cx - r)); x <= int(std::ceil(cx + r)); ++x) {
      double dx = (x + 0.5 - cx) / r, dy = (y + 0.5 - cy) / (r * squashY);
      double d2 = dx * dx + dy * dy;
      if (d2 > 1.0) continue;
      double dz = std::sqrt(1.0 - d2);
      double light = std::max(0.0, dx * lx + dy * ly + dz * lz);
      img.Set(x, y, RampAt(ramp, 0.15 + 0.95 * light));
    }
}

void MirrorLeftToRight(Image& img) {
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w / 2; ++x) img.Set(img.w - 1 - x, y, img.At(x, y));
}

}  // namespace art
