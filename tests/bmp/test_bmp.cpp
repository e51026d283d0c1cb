// The BMP decoder: every kind of file pixel for pixel, and malformed files
// of every sort decoding to 0x0.
#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "platform/gfx/bmp.h"
#include "tests/bmp/bmp_writer.h"

using namespace platform;
using Bytes = std::vector<uint8_t>;

namespace {

const std::vector<uint32_t> kPalette16 = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

std::vector<uint32_t> Palette(int entries) {
  std::vector<uint32_t> p;
  for (int i = 0; i < entries; ++i)
    p.push_back(i < 16 ? kPalette16[i] : ((i * 37u & 0xFF) << 16 | (i * 91u & 0xFF) << 8 | (255 - i)));
  return p;
}

// Indices or colours that differ in every row and column, with some runs so
// that run-length files use both of their modes.
bmpw::Grid Pattern(int w, int h, int bpp) {
  bmpw::Grid g{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t n = bpp <= 8 ? 1u << bpp : 0;
      g.v.push_back(bpp <= 8 ? ((x < w / 3) ? (y % n) : ((x * 7 + y * 3) % n))
                             : ((x * 40 + y) & 0xFF) << 16 | ((y * 50 + 7 * x) & 0xFF) << 8 | ((x * y + 13) & 0xFF));
    }
  return g;
}

Surface Decode(const Bytes& b) { return DecodeBmp(b.data(), b.size()); }

const uint32_t* MasksOf(const bmpw::Options& o) {
  static const uint32_t k555[3] = {0x7C00, 0x03E0, 0x001F}, k888[3] = {0xFF0000, 0xFF00, 0xFF};
  return o.compression == bmpw::kBitFields ? o.masks : o.bpp == 16 ? k555 : k888;
}

// The pixels a file of this grid must decode to: palette colours (black past
// the table), or each channel's kept top bits repeated downward to fill a byte.
Surface Expected(const bmpw::Grid& g, const bmpw::Options& o) {
  Surface s(g.width, g.height);
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      const uint32_t v = g.at(x, y);
      if (o.bpp <= 8) {
        s.at(x, y) = v < o.palette.size() ? o.palette[v] : 0;
        continue;
      }
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const uint32_t v8 = (v >> (16 - 8 * c)) & 0xFF;
        const int bits = std::popcount(MasksOf(o)[c]);
        uint32_t e = bits >= 8 ? v8 : 0;
        for (int at = 8 - bits; bits && bits < 8 && at > -bits; at -= bits)
          e |= at >= 0 ? (v8 >> (8 - bits)) << at : (v8 >> (8 - bits)) >> -at;
        out |= (e & 0xFF) << (16 - 8 * c);
      }
      s.at(x, y) = out;
    }
  return s;
}

void ExpectSame(const Surface& got, const Surface& want, const std::string& what) {
  ASSERT_EQ(got.width(), want.width()) << what;
  ASSERT_EQ(got.height(), want.height()) << what;
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x) ASSERT_EQ(got.at(x, y), want.at(x, y)) << what << " at " << x << "," << y;
}

struct Variant {
  std::string name;
  bmpw::Options o;
};

// Every header, depth, compression and row order the decoder reads.
std::vector<Variant> AllVariants() {
  std::vector<Variant> v;
  auto add = [&](uint32_t h, int bpp, uint32_t comp, bool topDown, const std::string& what, const uint32_t* m = nullptr) {
    bmpw::Options o;
    o.header = h, o.bpp = bpp, o.compression = comp, o.topDown = topDown;
    if (bpp <= 8) o.palette = Palette(1 << bpp);
    for (int i = 0; m && i < 3; ++i) o.masks[i] = m[i];
    v.push_back({"hdr" + std::to_string(h) + "_" + what + (topDown ? "_topdown" : ""), o});
  };
  struct M { const char* name; int bpp; uint32_t m[3]; };
  const M fields[] = {
      {"565", 16, {0xF800, 0x07E0, 0x001F}},     {"555", 16, {0x7C00, 0x03E0, 0x001F}},
      {"444", 16, {0x0F00, 0x00F0, 0x000F}},     {"bgr565", 16, {0x001F, 0x07E0, 0xF800}},
      {"8888", 32, {0x00FF0000, 0x0000FF00, 0x000000FF}}, {"rgbx", 32, {0xFF000000, 0x00FF0000, 0x0000FF00}},
      {"101010", 32, {0x3FF00000, 0x000FFC00, 0x000003FF}}, {"nogreen", 32, {0x00FF0000, 0, 0x000000FF}}};
  for (uint32_t h : {12, 40, 52, 56, 108, 124}) {
    for (int bpp : {1, 4, 8, 16, 24, 32})
      for (bool topDown : {false, true})
        if (h != 12 || !(topDown || bpp == 16 || bpp == 32)) add(h, bpp, bmpw::kRgb, topDown, std::to_string(bpp) + "bit");
    if (h == 12) continue;
    add(h, 4, bmpw::kRle4, false, "rle4");
    add(h, 8, bmpw::kRle8, false, "rle8");
    for (const M& f : fields)
      for (bool topDown : {false, true}) add(h, f.bpp, bmpw::kBitFields, topDown, std::string("fields") + f.name, f.m);
  }
  return v;
}

Bytes RleFile(int w, int h, bool four) {
  bmpw::Options o;
  o.bpp = four ? 4 : 8;
  o.compression = four ? bmpw::kRle4 : bmpw::kRle8;
  o.palette = Palette(1 << o.bpp);
  return bmpw::Encode(bmpw::Grid{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, 0)}, o);
}

// The same file with these run-length bytes as its pixel data.
Bytes RleFile(int w, int h, bool four, const Bytes& rle) {
  Bytes b = RleFile(w, h, four);
  b.resize(b[10] | (b[11] << 8));
  b.insert(b.end(), rle.begin(), rle.end());
  bmpw::Set32(b, 34, static_cast<uint32_t>(rle.size()));
  bmpw::Set32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

}  // namespace

TEST(BmpVariants, EveryKindDecodesPixelExact) {
  int checked = 0;
  for (const Variant& v : AllVariants())
    for (auto [w, h] : {std::pair{13, 7}, std::pair{1, 1}, std::pair{32, 3}, std::pair{300, 2}}) {
      const bmpw::Grid g = Pattern(w, h, v.o.bpp);
      ExpectSame(Decode(bmpw::Encode(g, v.o)), Expected(g, v.o), v.name + " " + std::to_string(w) + "x" + std::to_string(h));
      ++checked;
    }
  EXPECT_GT(checked, 150);
}

TEST(BmpVariants, ChannelWideningPalettesAndOffsetsByHand) {
  bmpw::Options o555, o565, o32, o8, o1;
  o555.bpp = o565.bpp = 16;
  o565.compression = bmpw::kBitFields;
  o565.masks[0] = 0xF800, o565.masks[1] = 0x07E0, o565.masks[2] = 0x001F;
  o32.bpp = 32;
  o8.bpp = 8, o8.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, o8.clrUsed = 4;  // a short table
  o1.bpp = 1, o1.palette = {0x112233, 0x445566}, o1.clrUsed = 1000;  // more than the depth allows
  const bmpw::Grid grey{4, 1, {0xFFFFFF, 0x808080, 0x080408, 0x00FC00}};
  struct Row { const char* what; bmpw::Grid g; const bmpw::Options* o; std::vector<uint32_t> want; int patchAt; uint32_t patch; };
  const Row rows[] = {
      // 5 bits: 10000 -> 10000100, 00001 -> 00001000; green 4 is below one step.
      {"555", grey, &o555, {0xFFFFFF, 0x848484, 0x080008, 0x00FF00}, -1, 0},
      {"565 keeps six green bits", grey, &o565, {0xFFFFFF, 0x848284, 0x080408, 0x00FF00}, -1, 0},
      {"32 bits ignore the fourth byte", {1, 1, {0x123456}}, &o32, {0x123456}, -1 /* last byte */, 0xAB},
      {"indices past a short table are black", {6, 1, {0, 1, 2, 3, 4, 255}}, &o8, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0}, -1, 0},
      {"offset 0: pixels follow the table", {6, 1, {0, 1, 2, 3, 4, 255}}, &o8, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0}, 10, 0},
      {"a count past the depth reads the depth's colours", {2, 1, {1, 0}}, &o1, {0x445566, 0x112233}, -1, 0},
  };
  for (const Row& r : rows) {
    Bytes b = bmpw::Encode(r.g, *r.o);
    if (r.patchAt >= 0) bmpw::Set32(b, r.patchAt, r.patch);
    else if (r.patch) b.back() = static_cast<uint8_t>(r.patch);
    const Surface s = Decode(b);
    ASSERT_EQ(s.width(), static_cast<int>(r.want.size())) << r.what;
    for (int x = 0; x < s.width(); ++x) EXPECT_EQ(s.at(x, 0), r.want[x]) << r.what << " at " << x;
  }
}

TEST(BmpRle, JumpsEarlyEndsRle4RunsAndPaddedLiteralsByHand) {
  const uint32_t red = kPalette16[1], green = kPalette16[2], P9 = kPalette16[9], PC = kPalette16[12];
  struct Row { const char* what; bool four; int w, h; Bytes rle; std::vector<uint32_t> want; };  // want: rows top first
  const Row rows[] = {
      // Bottom row: a run of 2, EOL; a jump of (1, 1) to the top row, one pixel, end.
      {"jumps and early end leave black", false, 4, 3, {2, 1, 0, 0, 0, 2, 1, 1, 1, 2, 0, 1},
       {0, green, 0, 0, 0, 0, 0, 0, red, red, 0, 0}},
      // A run of 5 of 0x9C alternates; an odd literal is padded to a word.
      {"rle4 runs and literals", true, 5, 2, {5, 0x9C, 0, 0, 0, 3, 0x12, 0x30, 2, 0xFF, 0, 1},
       {kPalette16[1], kPalette16[2], kPalette16[3], kPalette16[15], kPalette16[15], P9, PC, P9, PC, P9}},
  };
  for (const Row& r : rows) {
    const Surface s = Decode(RleFile(r.w, r.h, r.four, r.rle));
    ASSERT_EQ(s.width(), r.w) << r.what;
    ASSERT_EQ(s.height(), r.h) << r.what;
    for (int i = 0; i < r.w * r.h; ++i) EXPECT_EQ(s.at(i % r.w, i / r.w), r.want[i]) << r.what << " pixel " << i;
  }
}

TEST(BmpMalformed, BadRunLengthDataIsNoPicture) {
  struct Case { const char* what; bool four; Bytes rle; bool good; };
  const Case cases[] = {
      {"run past the line", false, {5, 1, 0, 1}, false},
      {"literal past the line", false, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, false},
      {"literal past the data", false, {0, 4, 1, 2}, false},
      {"jump past the right edge", false, {0, 2, 5, 0, 0, 1}, false},
      {"jump past the top", false, {0, 2, 0, 3, 0, 1}, false},
      {"jump cut short", false, {0, 2, 1}, false},
      {"no end of picture", false, {4, 1, 0, 0}, false},
      {"nothing at all", false, {}, false},
      {"half a pair", false, {4}, false},
      {"rle4 run past the line", true, {5, 0x11, 0, 1}, false},
      {"rle4 literal past the line", true, {0, 6, 0x12, 0x34, 0x56, 0, 0, 1}, false},
      // The same files with good data decode, so the cases above fail for the reason they name.
      {"two full lines", false, {4, 1, 0, 0, 4, 2, 0, 1}, true},
      {"jump to the right edge", false, {0, 2, 4, 1, 0, 1}, true},
      {"jump to the end", false, {0, 2, 0, 2}, true},
  };
  for (const Case& c : cases) {
    const Surface s = Decode(RleFile(4, 2, c.four, c.rle));
    EXPECT_EQ(s.empty(), !c.good) << c.what;
    EXPECT_EQ(s.width() == 0, !c.good) << c.what;
  }
}

TEST(BmpMalformed, TruncatedAtEveryOffsetIsNoPicture) {
  int files = 0;
  for (const Variant& v : AllVariants()) {
    const Bytes b = bmpw::Encode(Pattern(5, 3, v.o.bpp), v.o);
    ASSERT_FALSE(Decode(b).empty()) << v.name;
    for (size_t n = 0; n < b.size(); ++n) {
      // A fresh copy of exactly n bytes, so that a read past them is caught
      // by the address sanitizer build.
      Bytes cut(b.begin(), b.begin() + static_cast<long>(n));
      ASSERT_TRUE(DecodeBmp(cut.data(), cut.size()).empty()) << v.name << " cut at " << n;
    }
    ++files;
  }
  EXPECT_GT(files, 50);
  EXPECT_TRUE(DecodeBmp(nullptr, 100).empty());
}

TEST(BmpMalformed, OversizedDimensionsAreNoPicture) {
  bmpw::Options o;
  const Bytes base = bmpw::Encode(Pattern(2, 2, 24), o);
  const std::pair<int32_t, int32_t> cases[] = {
      {kMaxBmpSide + 1, 1}, {1, kMaxBmpSide + 1}, {kMaxBmpSide, kMaxBmpSide}, {INT32_MAX, 1}, {1, INT32_MAX},
      {1, INT32_MIN}, {INT32_MIN, 1}, {-2, 2}, {0, 2}, {2, 0}, {4096, 4097}};
  for (auto [w, h] : cases) {
    Bytes b = base;
    bmpw::Set32(b, 18, static_cast<uint32_t>(w));
    bmpw::Set32(b, 22, static_cast<uint32_t>(h));
    EXPECT_TRUE(Decode(b).empty()) << w << "x" << h;
  }
  // A picture at the side limit is read when its data is all there.
  const Surface s = Decode(bmpw::Encode(bmpw::Grid{kMaxBmpSide, 1, std::vector<uint32_t>(kMaxBmpSide, 0x010203)}, o));
  EXPECT_EQ(s.width(), kMaxBmpSide);
  EXPECT_EQ(s.at(kMaxBmpSide - 1, 0), 0x010203u);
  // A run-length file claiming a huge picture with a few bytes of data.
  Bytes rle = RleFile(4, 2, false);
  bmpw::Set32(rle, 18, kMaxBmpSide);
  bmpw::Set32(rle, 22, kMaxBmpSide);
  EXPECT_TRUE(Decode(rle).empty());
}

TEST(BmpMalformed, BadOffsetsHeaderFieldsAndBitFieldsAreNoPicture) {
  bmpw::Options o8, o16;
  o8.bpp = 8, o8.palette = Palette(256);
  o16.bpp = 16, o16.compression = bmpw::kBitFields;
  o16.masks[0] = 0xF800, o16.masks[1] = 0x07E0, o16.masks[2] = 0x001F;
  const Bytes good = bmpw::Encode(Pattern(3, 3, 8), o8), good16 = bmpw::Encode(Pattern(2, 2, 16), o16);
  ASSERT_FALSE(Decode(good).empty());
  ASSERT_FALSE(Decode(good16).empty());
  struct Patch { const char* what; size_t at; int bytes; uint32_t value; const Bytes* file = nullptr; };
  const Patch patches[] = {
      {"magic", 0, 2, 0x4142},
      {"pixels beyond the file", 10, 4, 0x00100000},
      {"pixels at the very end", 10, 4, static_cast<uint32_t>(good.size())},
      {"pixels inside the header", 10, 4, 20},
      {"pixels at offset -1", 10, 4, 0xFFFFFFFF},
      {"header size 64", 14, 4, 64},
      {"header size 16", 14, 4, 16},
      {"header size 0", 14, 4, 0},
      {"header size huge", 14, 4, 0x7FFFFFF0},
      {"two planes", 26, 2, 2},
      {"zero planes", 26, 2, 0},
      {"two bits", 28, 2, 2},
      {"zero bits", 28, 2, 0},
      {"64 bits", 28, 2, 64},
      {"jpeg", 30, 4, 4},
      {"png", 30, 4, 5},
      {"alpha bit fields", 30, 4, 6},
      {"unknown compression", 30, 4, 99},
      {"rle4 at 8 bits", 30, 4, 2},
      {"bit fields at 8 bits", 30, 4, 3},
      {"red mask beyond 16 bits", 54, 4, 0xF000F, &good16},
      {"holes in a mask", 54, 12, 0, &good16},  // masks F0F0 0700 000F, patched below
  };
  for (const Patch& p : patches) {
    Bytes b = p.file ? *p.file : good;
    for (int i = 0; i < p.bytes && p.bytes < 12; ++i) b[p.at + i] = (p.value >> (8 * i)) & 0xFF;
    if (p.bytes == 12) bmpw::Set32(b, 54, 0xF0F0), bmpw::Set32(b, 58, 0x0700), bmpw::Set32(b, 62, 0x000F);
    EXPECT_TRUE(Decode(b).empty()) << p.what;
  }
  // Cut short: a colour table running past the end, and a 40-byte header's masks.
  Bytes shortTable(good.begin(), good.begin() + 54 + 100), shortMasks(good16.begin(), good16.begin() + 14 + 40 + 8);
  bmpw::Set32(shortTable, 10, 0);
  EXPECT_TRUE(Decode(shortTable).empty());
  EXPECT_TRUE(Decode(shortMasks).empty());
  // Top-down run-length data is not a thing.
  Bytes rle = RleFile(4, 2, false);
  bmpw::Set32(rle, 22, static_cast<uint32_t>(-2));
  EXPECT_TRUE(Decode(rle).empty());
}

TEST(BmpFiles, MissingFilesAndFoldersAreNoPicture) {
  for (const std::string& bad : {std::string(QM_BINARY_DIR) + "/missing.bmp", std::string(QM_BINARY_DIR), std::string()})
    EXPECT_TRUE(LoadBmpFile(bad).empty()) << bad;
}
