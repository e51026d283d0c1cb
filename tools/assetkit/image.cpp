#include "tools/assetkit/image.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace assetkit {

namespace {
int Clamp255(double v) {
  long r = std::lround(v);
  return int(std::clamp<long>(r, 0, 255));
}
void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
uint32_t Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (uint32_t(b[at + 1]) << 8); }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) { return Get16(b, at) | (Get16(b, at + 2) << 16); }
}  // namespace

Pixel RgbF(double r, double g, double b) { return Rgb(Clamp255(r), Clamp255(g), Clamp255(b)); }

Pixel Mix(Pixel a, Pixel b, double t) {
  Pixel c = RgbF(R(a) + (R(b) - R(a)) * t, G(a) + (G(b) - G(a)) * t, B(a) + (B(b) - B(a)) * t);
  return (c & 0x00FFFFFFu) | (a & 0xFF000000u);
}

Pixel Scale(Pixel p, double f) {
  Pixel c = RgbF(R(p) * f, G(p) * f, B(p) * f);
  return (c & 0x00FFFFFFu) | (p & 0xFF000000u);
}

void Blend(Image& img, int x, int y, Pixel src, double alpha) {
  if (!img.In(x, y) || alpha <= 0) return;
  alpha = std::min(alpha, 1.0);
  Pixel& d = img.Ref(x, y);
  if (A(d) == 0) {
    // Onto nothing: take the colour, keep the coverage as opacity.
    d = (src & 0x00FFFFFFu) | (uint32_t(Clamp255(alpha * 255)) << 24);
    return;
  }
  Pixel m = Mix(d, src, alpha);
  int a = std::max(A(d), Clamp255(alpha * 255));
  d = (m & 0x00FFFFFFu) | (uint32_t(a) << 24);
}

void Paste(Image& dst, const Image& src, int x, int y) {
  for (int j = 0; j < src.h; ++j)
    for (int i = 0; i < src.w; ++i) {
      Pixel p = src.At(i, j);
      if (A(p) != 0) dst.Set(x + i, y + j, p);
    }
}

Image Enlarge(const Image& src, int factor) {
  Image out(src.w * factor, src.h * factor);
  for (int y = 0; y < out.h; ++y)
    for (int x = 0; x < out.w; ++x) out.Ref(x, y) = src.At(x / factor, y / factor);
  return out;
}

Image SpriteColour(const Image& sprite) {
  Image out(sprite.w, sprite.h, Rgb(0, 0, 0));
  for (size_t i = 0; i < sprite.px.size(); ++i) {
    Pixel p = sprite.px[i];
    if (A(p) < 128) continue;
    out.px[i] = (p & 0x00FFFFFFu) == 0 ? kInk : (p | 0xFF000000u);
  }
  return out;
}

Image MaskOf(const Image& colour) {
  Image out(colour.w, colour.h);
  for (size_t i = 0; i < colour.px.size(); ++i)
    out.px[i] = (colour.px[i] & 0x00FFFFFFu) == 0 ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
  return out;
}

std::vector<uint8_t> EncodeBmp(const Image& img) {
  const uint32_t stride = (uint32_t(img.w) * 3 + 3) & ~3u;
  const uint32_t dataSize = stride * uint32_t(img.h);
  std::vector<uint8_t> b;
  b.reserve(54 + dataSize);
  // BITMAPFILEHEADER
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + dataSize);
  Put32(b, 0);
  Put32(b, 54);
  // BITMAPINFOHEADER
  Put32(b, 40);
  Put32(b, uint32_t(img.w));
  Put32(b, uint32_t(img.h));  // positive: bottom-up
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);  // BI_RGB
  Put32(b, dataSize);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int y = img.h - 1; y >= 0; --y) {
    for (int x = 0; x < img.w; ++x) {
      Pixel p = img.At(x, y);
      b.push_back(uint8_t(B(p)));
      b.push_back(uint8_t(G(p)));
      b.push_back(uint8_t(R(p)));
    }
    for (uint32_t pad = uint32_t(img.w) * 3; pad < stride; ++pad) b.push_back(0);
  }
  return b;
}

bool DecodeBmp24(const std::vector<uint8_t>& b, Image& out) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  uint32_t offset = Get32(b, 10);
  if (Get32(b, 14) != 40) return false;
  int32_t w = int32_t(Get32(b, 18));
  int32_t h = int32_t(Get32(b, 22));
  if (Get16(b, 26) != 1 || Get16(b, 28) != 24 || Get32(b, 30) != 0) return false;
  bool topDown = h < 0;
  if (topDown) h = -h;
  if (w <= 0 || h <= 0 || w > 16384 || h > 16384) return false;
  uint64_t stride = (uint64_t(w) * 3 + 3) & ~uint64_t(3);
  if (offset < 54 || uint64_t(offset) + stride * uint64_t(h) > b.size()) return false;
  out = Image(w, h);
  for (int y = 0; y < h; ++y) {
    size_t row = offset + stride * size_t(topDown ? y : h - 1 - y);
    for (int x = 0; x < w; ++x) {
      size_t at = row + size_t(x) * 3;
      out.Ref(x, y) = Rgb(b[at + 2], b[at + 1], b[at]);
    }
  }
  return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool WritePng(const std::string& path, const Image& img, bool alpha) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  const size_t n = alpha ? 4 : 3;
  png_set_IHDR(png, info, uint32_t(img.w), uint32_t(img.h), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(img.w) * n);
  for (int y = 0; y < img.h; ++y) {
    for (int x = 0; x < img.w; ++x) {
      Pixel p = img.At(x, y);
      row[size_t(x) * n] = uint8_t(R(p));
      row[size_t(x) * n + 1] = uint8_t(G(p));
      row[size_t(x) * n + 2] = uint8_t(B(p));
      if (alpha) row[size_t(x) * n + 3] = uint8_t(A(p));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace assetkit
