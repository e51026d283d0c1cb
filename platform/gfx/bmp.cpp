// The BMP decoder. Every offset and length read from the file is checked
// against the bytes actually present before it is used; a file that fails
// any check decodes to 0x0, which the drawing layer treats as no picture.
#include "platform/gfx/bmp.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <vector>

namespace platform {

namespace {

enum : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

// Largest file read from disk: the largest picture at 32 bits is 16 MiB,
// so anything well beyond that cannot be a picture we accept.
constexpr long kMaxFileBytes = 32L << 20;

class Bytes {
 public:
  Bytes(const uint8_t* d, size_t n) : d_(d), n_(n) {}
  size_t size() const { return n_; }
  bool Has(uint64_t off, uint64_t len) const { return off <= n_ && len <= n_ - off; }
  uint8_t U8(size_t off) const { return d_[off]; }
  uint16_t U16(size_t off) const { return static_cast<uint16_t>(d_[off] | (d_[off + 1] << 8)); }
  uint32_t U32(size_t off) const {
    return uint32_t{d_[off]} | (uint32_t{d_[off + 1]} << 8) | (uint32_t{d_[off + 2]} << 16) |
           (uint32_t{d_[off + 3]} << 24);
  }
  int32_t I32(size_t off) const { return static_cast<int32_t>(U32(off)); }
  const uint8_t* At(size_t off) const { return d_ + off; }

 private:
  const uint8_t* d_;
  size_t n_;
};

// One colour channel of a bit-field pixel, widened to 8 bits by repeating
// its bits (so a full 5-bit value becomes 255) or narrowed to its top 8.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;

  static bool Make(uint32_t mask, Channel& out) {
    out = Channel{};
    if (mask == 0) return true;
    out.mask = mask;
    out.shift = std::countr_zero(mask);
    out.bits = std::popcount(mask);
    // The set bits must be contiguous.
    return (mask >> out.shift) == ((out.bits == 32) ? 0xFFFFFFFFu : ((1u << out.bits) - 1));
  }
  uint32_t Get(uint32_t px) const {
    if (!bits) return 0;
    const uint32_t v = (px & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    uint32_t out = 0;
    int have = 0;
    while (have < 8) {
      out = (out << bits) | v;
      have += bits;
    }
    return (out >> (have - 8)) & 0xFF;
  }
};

struct Info {
  int width = 0, height = 0;
  bool topDown = false;
  int bpp = 0;
  uint32_t compression = BI_RGB;
  uint64_t bitsOffset = 0;
  uint64_t sizeImage = 0;
  std::vector<uint32_t> palette;  // as pixels 0x00RRGGBB
  Channel red, green, blue;
};

uint32_t Pixel(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

bool ReadInfo(const Bytes& f, Info& info) {
  if (!f.Has(0, 14 + 12) || f.U8(0) != 'B' || f.U8(1) != 'M') return false;
  const uint32_t offBits = f.U32(10);
  const uint32_t headerSize = f.U32(14);
  const bool core = headerSize == 12;
  if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124)
    return false;
  if (!f.Has(14, headerSize)) return false;

  int64_t width, height;
  uint32_t planes, clrUsed = 0;
  if (core) {
    width = f.U16(18);
    height = f.U16(20);
    planes = f.U16(22);
    info.bpp = f.U16(24);
    info.compression = BI_RGB;
  } else {
    width = f.I32(18);
    height = f.I32(22);
    planes = f.U16(26);
    info.bpp = f.U16(28);
    info.compression = f.U32(30);
    info.sizeImage = f.U32(34);
    clrUsed = f.U32(46);
  }
  if (planes != 1 || width <= 0 || height == 0) return false;
  info.topDown = height < 0;
  if (height < 0) height = -height;
  if (width > kMaxBmpSide || height > kMaxBmpSide || width * height > kMaxBmpPixels) return false;
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);

  const int bpp = info.bpp;
  switch (info.compression) {
    case BI_RGB:
      if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
      if (core && (bpp == 16 || bpp == 32)) return false;
      break;
    case BI_RLE8:
      if (bpp != 8 || info.topDown) return false;
      break;
    case BI_RLE4:
      if (bpp != 4 || info.topDown) return false;
      break;
    case BI_BITFIELDS:
      if (bpp != 16 && bpp != 32) return false;
      break;
    default:
      return false;  // JPEG, PNG and the rest are not read
  }

  // The colour masks: in the header from the 52-byte version on, otherwise
  // three words right after a 40-byte header.
  uint64_t tableStart = 14 + uint64_t{headerSize};
  uint32_t masks[3];
  if (info.compression == BI_BITFIELDS) {
    if (headerSize == 40) {
      if (!f.Has(tableStart, 12)) return false;
      tableStart += 12;
    }
    for (int i = 0; i < 3; ++i) masks[i] = f.U32(54 + 4 * i);
    if (bpp == 16 && ((masks[0] | masks[1] | masks[2]) >> 16) != 0) return false;
  } else if (bpp == 16) {
    masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000; masks[1] = 0x00FF00; masks[2] = 0x0000FF;
  }
  if (!Channel::Make(masks[0], info.red) || !Channel::Make(masks[1], info.green) ||
      !Channel::Make(masks[2], info.blue))
    return false;

  // The colour table. A table shorter than the depth allows is fine (the
  // missing entries are black); one that runs past the pixel data or the
  // end of the file is not.
  const uint64_t entrySize = core ? 3 : 4;
  uint64_t entries = 0;
  if (bpp <= 8) {
    const uint64_t full = uint64_t{1} << bpp;
    entries = core ? full : (clrUsed ? std::min<uint64_t>(clrUsed, full) : full);
  } else if (!core) {
    entries = std::min<uint64_t>(clrUsed, 256);  // an optional table to skip
  }
  if (offBits != 0) {
    if (offBits < tableStart) return false;
    entries = std::min<uint64_t>(entries, (offBits - tableStart) / entrySize);
  }
  if (!f.Has(tableStart, entries * entrySize)) return false;
  if (bpp <= 8) {
    info.palette.assign(uint64_t{1} << bpp, 0);
    for (uint64_t i = 0; i < entries; ++i) {
      const size_t p = tableStart + i * entrySize;
      info.palette[i] = Pixel(f.U8(p + 2), f.U8(p + 1), f.U8(p));
    }
  }
  info.bitsOffset = offBits != 0 ? offBits : tableStart + entries * entrySize;
  return f.Has(info.bitsOffset, 0);
}

bool DecodeUncompressed(const Bytes& f, const Info& info, Surface& out) {
  const uint64_t stride = ((uint64_t{static_cast<uint32_t>(info.width)} * info.bpp + 31) / 32) * 4;
  if (!f.Has(info.bitsOffset, stride * static_cast<uint64_t>(info.height))) return false;
  out.Resize(info.width, info.height);
  for (int y = 0; y < info.height; ++y) {
    const int fileRow = info.topDown ? y : info.height - 1 - y;
    const uint8_t* s = f.At(info.bitsOffset + stride * fileRow);
    uint32_t* d = out.row(y);
    const int w = info.width;
    switch (info.bpp) {
      case 1:
        for (int x = 0; x < w; ++x) d[x] = info.palette[(s[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < w; ++x) d[x] = info.palette[(s[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
        break;
      case 8:
        for (int x = 0; x < w; ++x) d[x] = info.palette[s[x]];
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t px = s[2 * x] | (uint32_t{s[2 * x + 1]} << 8);
          d[x] = Pixel(info.red.Get(px), info.green.Get(px), info.blue.Get(px));
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x) d[x] = Pixel(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
        break;
      case 32:
        for (int x = 0; x < w; ++x) {
          const uint32_t px = s[4 * x] | (uint32_t{s[4 * x + 1]} << 8) |
                              (uint32_t{s[4 * x + 2]} << 16) | (uint32_t{s[4 * x + 3]} << 24);
          d[x] = Pixel(info.red.Get(px), info.green.Get(px), info.blue.Get(px));
        }
        break;
    }
  }
  return true;
}

// Run-length data, bottom-up. Pixels that no run reaches (after a line end
// or a jump) stay black. A run past the end of its line, a jump outside the
// picture, or data that ends before the picture is complete is malformed.
bool DecodeRle(const Bytes& f, const Info& info, Surface& out) {
  const bool four = info.compression == BI_RLE4;
  uint64_t end = f.size();
  if (info.sizeImage != 0) end = std::min<uint64_t>(end, info.bitsOffset + info.sizeImage);
  uint64_t p = info.bitsOffset;
  const int w = info.width, h = info.height;
  out.Resize(w, h);
  int x = 0, y = 0;  // y counts lines from the bottom
  auto put = [&](int px, uint32_t index) { out.at(px, h - 1 - y) = info.palette[index]; };
  while (y < h) {
    if (p + 2 > end) return false;
    const uint32_t count = f.U8(p), value = f.U8(p + 1);
    p += 2;
    if (count > 0) {  // a run of one index (RLE4: two alternating)
      if (x + static_cast<int>(count) > w) return false;
      for (uint32_t i = 0; i < count; ++i)
        put(x + i, four ? ((i & 1) ? value & 0xF : value >> 4) : value);
      x += count;
    } else if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of picture
      break;
    } else if (value == 2) {  // jump right and up
      if (p + 2 > end) return false;
      const int dx = f.U8(p), dy = f.U8(p + 1);
      p += 2;
      x += dx;
      y += dy;
      if (x > w || y > h) return false;  // y == h: the picture is complete
    } else {  // `value` literal indices, padded to a 16-bit boundary
      const uint32_t n = value;
      const uint64_t bytes = four ? (n + 1) / 2 : n;
      const uint64_t padded = (bytes + 1) & ~uint64_t{1};
      if (p + padded > end || x + static_cast<int>(n) > w) return false;
      for (uint32_t i = 0; i < n; ++i) {
        const uint8_t b = f.U8(p + (four ? i / 2 : i));
        put(x + i, four ? ((i & 1) ? b & 0xF : b >> 4) : b);
      }
      x += n;
      p += padded;
    }
  }
  return true;
}

}  // namespace

Surface DecodeBmp(const uint8_t* data, size_t size) {
  Surface out;
  if (!data) return out;
  const Bytes f(data, size);
  Info info;
  if (!ReadInfo(f, info)) return out;
  const bool ok = (info.compression == BI_RLE8 || info.compression == BI_RLE4)
                      ? DecodeRle(f, info, out)
                      : DecodeUncompressed(f, info, out);
  if (!ok) out = Surface();
  return out;
}

Surface LoadBmpFile(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return Surface();
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  bool ok = true;
  for (;;) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, file);
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (bytes.size() > static_cast<size_t>(kMaxFileBytes)) {
      ok = false;
      break;
    }
    if (got < sizeof chunk) {
      ok = !std::ferror(file);
      break;
    }
  }
  std::fclose(file);
  if (!ok) return Surface();
  return DecodeBmp(bytes.data(), bytes.size());
}

}  // namespace platform
