// Writes BMP files of every kind the decoder reads, from a grid of values:
// palette indices for 1, 4 and 8 bits, 0x00RRGGBB colours otherwise.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace bmpw {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct Grid {
  int width = 0, height = 0;
  std::vector<uint32_t> v;  // row-major, top row first
  uint32_t at(int x, int y) const { return v[static_cast<size_t>(y) * width + x]; }
};

struct Options {
  uint32_t header = 40;  // 12, 40, 52, 56, 108 or 124
  int bpp = 24;
  uint32_t compression = kRgb;
  bool topDown = false;
  uint32_t masks[3] = {0, 0, 0};     // bit fields (red, green, blue)
  std::vector<uint32_t> palette;     // 0x00RRGGBB, for 1, 4 and 8 bits
  uint32_t clrUsed = 0;              // written as given (info headers)
  bool writeSizeImage = true;
};

inline void Put16(std::vector<uint8_t>& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
inline void Put32(std::vector<uint8_t>& b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
inline void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF; }

// A colour squeezed into a bit-field mask: the channel's top bits.
inline uint32_t PackChannel(uint32_t value8, uint32_t mask) {
  int shift = 0, bits = 0;
  while (mask && !((mask >> shift) & 1)) ++shift;
  while (shift + bits < 32 && ((mask >> (shift + bits)) & 1)) ++bits;
  return !mask ? 0 : ((bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits)) << shift) & mask;
}

inline std::vector<uint8_t> EncodeRleRow(const Grid& g, int y, bool four) {
  std::vector<uint8_t> out;
  auto value = [&](int x) { const uint32_t c = g.at(x, y); return static_cast<uint8_t>(four ? (c << 4) | c : c); };
  for (int x = 0, w = g.width; x < w;) {
    int run = 1, lit = 1;  // a literal runs up to the next pair of equal values
    while (x + run < w && run < 255 && g.at(x + run, y) == g.at(x, y)) ++run;
    while (run < 2 && x + lit < w && lit < 255 && !(x + lit + 1 < w && g.at(x + lit, y) == g.at(x + lit + 1, y))) ++lit;
    if (run >= 2 || w - x < 3 || lit < 3) {
      out.insert(out.end(), {static_cast<uint8_t>(run), value(x)});
      x += run;
      continue;
    }
    out.insert(out.end(), {0, static_cast<uint8_t>(lit)});
    std::vector<uint8_t> bytes;
    for (int i = 0; i < lit; ++i) {
      const uint32_t c = g.at(x + i, y);
      if (!four) bytes.push_back(static_cast<uint8_t>(c));
      else if (i % 2 == 0) bytes.push_back(static_cast<uint8_t>(c << 4));
      else bytes.back() |= static_cast<uint8_t>(c);
    }
    out.insert(out.end(), bytes.begin(), bytes.end());
    if (bytes.size() % 2) out.push_back(0);
    x += lit;
  }
  return out;
}

inline std::vector<uint8_t> Encode(const Grid& g, const Options& o) {
  std::vector<uint8_t> px;
  const bool core = o.header == 12;
  for (int row = 0; row < g.height; ++row) {
    const bool rle = o.compression == kRle8 || o.compression == kRle4;
    const int y = o.topDown && !rle ? row : g.height - 1 - row;
    if (rle) {
      auto r = EncodeRleRow(g, y, o.compression == kRle4);
      px.insert(px.end(), r.begin(), r.end());
      px.insert(px.end(), {0, static_cast<uint8_t>(row + 1 == g.height ? 1 : 0)});
      continue;
    }
    std::vector<uint8_t> line(((static_cast<size_t>(g.width) * o.bpp + 31) / 32) * 4, 0);
    uint32_t m[3] = {o.masks[0], o.masks[1], o.masks[2]};
    if (o.compression != kBitFields) {
      if (o.bpp == 16) m[0] = 0x7C00, m[1] = 0x03E0, m[2] = 0x001F;
      else m[0] = 0xFF0000, m[1] = 0xFF00, m[2] = 0xFF;
    }
    for (int x = 0; x < g.width; ++x) {
      const uint32_t v = g.at(x, y);
      if (o.bpp == 1) line[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
      else if (o.bpp == 4) line[x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 ? 0 : 4));
      else if (o.bpp == 8) line[x] = static_cast<uint8_t>(v);
      else if (o.bpp == 24) for (int i = 0; i < 3; ++i) line[3 * x + i] = (v >> (8 * i)) & 0xFF;
      else {
        const uint32_t p = PackChannel((v >> 16) & 0xFF, m[0]) | PackChannel((v >> 8) & 0xFF, m[1]) | PackChannel(v & 0xFF, m[2]);
        for (int i = 0; i < o.bpp / 8; ++i) line[o.bpp / 8 * x + i] = (p >> (8 * i)) & 0xFF;
      }
    }
    px.insert(px.end(), line.begin(), line.end());
  }
  std::vector<uint8_t> b = {'B', 'M'};
  for (uint32_t v : {0u, 0u, 0u, o.header}) Put32(b, v);  // file size and pixel offset set below
  if (core) {
    for (uint32_t v : {g.width, g.height, 1, o.bpp}) Put16(b, v);
  } else {
    for (uint32_t v : {uint32_t(g.width), static_cast<uint32_t>(o.topDown ? -g.height : g.height)}) Put32(b, v);
    Put16(b, 1), Put16(b, o.bpp);
    for (uint32_t v : {o.compression, o.writeSizeImage ? static_cast<uint32_t>(px.size()) : 0u, 2835u, 2835u, o.clrUsed, 0u}) Put32(b, v);
    if (o.header >= 52 || o.compression == kBitFields)
      for (int i = 0; i < 3; ++i) Put32(b, o.compression == kBitFields ? o.masks[i] : 0);
    if (o.header >= 56) Put32(b, 0);  // alpha mask
    if (o.header >= 108) for (uint32_t v : {0x73524742u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u, 0u}) Put32(b, v);  // 'sRGB', end points, gamma
    if (o.header >= 124) for (uint32_t v : {4, 0, 0, 0}) Put32(b, v);  // intent, profile
  }
  for (uint32_t c : o.palette) {
    if (o.bpp > 8) break;
    b.insert(b.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    if (!core) b.push_back(0);
  }
  Set32(b, 10, static_cast<uint32_t>(b.size()));
  b.insert(b.end(), px.begin(), px.end());
  Set32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

}  // namespace bmpw
