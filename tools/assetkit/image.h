// Pictures for the asset tools: an RGBA canvas, Windows BMP and PNG output,
// and the colour/mask pair that the game draws with AND then OR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetkit {

// 0xAARRGGBB. Alpha is only "there" (255) or "not there" (0) in finished
// sprites; in between is used while compositing procedural pictures.
using Pixel = uint32_t;

constexpr Pixel Rgb(int r, int g, int b) {
  return 0xFF000000u | (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255);
}
constexpr int R(Pixel p) { return (p >> 16) & 255; }
constexpr int G(Pixel p) { return (p >> 8) & 255; }
constexpr int B(Pixel p) { return p & 255; }
constexpr int A(Pixel p) { return (p >> 24) & 255; }
constexpr Pixel kClear = 0;

// The darkest colour a visible sprite pixel may have: pure black is
// transparent under the OR pass, so outlines use this instead.
constexpr Pixel kInk = Rgb(16, 16, 24);

struct Image {
  int w = 0, h = 0;
  std::vector<Pixel> px;

  Image() = default;
  Image(int width, int height, Pixel fill = kClear)
      : w(width), h(height), px(size_t(width) * size_t(height), fill) {}

  bool In(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
  Pixel At(int x, int y) const { return In(x, y) ? px[size_t(y) * w + x] : kClear; }
  void Set(int x, int y, Pixel p) {
    if (In(x, y)) px[size_t(y) * w + x] = p;
  }
  Pixel& Ref(int x, int y) { return px[size_t(y) * w + x]; }
};

// Clamped float colour helpers for procedural work.
Pixel RgbF(double r, double g, double b);  // components 0..255, clamped and rounded
Pixel Mix(Pixel a, Pixel b, double t);     // t = 0 gives a, 1 gives b (colour only, alpha of a)
Pixel Scale(Pixel p, double f);            // brightness times f
// Alpha-over: draws src with coverage `alpha` (0..1) on top of dst.
void Blend(Image& img, int x, int y, Pixel src, double alpha);

// Copies src onto dst at (x, y), skipping transparent pixels.
void Paste(Image& dst, const Image& src, int x, int y);
// Nearest-neighbour enlargement by a whole factor.
Image Enlarge(const Image& src, int factor);

// Picture side of a sprite: transparent pixels become black, opaque pure
// black becomes kInk so it stays visible.
Image SpriteColour(const Image& sprite);
// Mask side: white exactly where the colour picture is black, black elsewhere.
Image MaskOf(const Image& colour);

// 24-bit bottom-up Windows BMP with a BITMAPINFOHEADER. Alpha is ignored.
std::vector<uint8_t> EncodeBmp(const Image& img);
// Reads back what EncodeBmp writes (24-bit, BITMAPINFOHEADER, bottom-up or
// top-down). Returns false for anything else or anything inconsistent.
bool DecodeBmp24(const std::vector<uint8_t>& bytes, Image& out);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes);
// RGB with alpha dropped, or RGBA with `alpha` (for pictures with clear parts).
bool WritePng(const std::string& path, const Image& img, bool alpha = false);

}  // namespace assetkit
