// The BMP decoder: every kind of file pixel for pixel, and malformed files
// of every sort decoding to 0x0.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/gfx/bmp.h"
#include "tests/bmp/bmp_writer.h"

using namespace platform;

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
      uint32_t v;
      if (bpp <= 8) {
        const uint32_t n = 1u << bpp;
        v = (x < w / 3) ? (y % n) : ((x * 7 + y * 3) % n);
      } else {
        v = ((x * 40 + y) & 0xFF) << 16 | ((y * 50 + 7 * x) & 0xFF) << 8 | ((x * y + 13) & 0xFF);
      }
      g.v.push_back(v);
    }
  return g;
}

Surface Decode(const std::vector<uint8_t>& b) { return DecodeBmp(b.data(), b.size()); }

// The pixels a file of this grid must decode to.
Surface Expected(const bmpw::Grid& g, const std::vector<uint32_t>& palette, int bpp,
                 const uint32_t masks[3]) {
  Surface s(g.width, g.height);
  for (int y = 0; y < g.height; ++y)
    for (int x = 0; x < g.width; ++x) {
      const uint32_t v = g.at(x, y);
      if (bpp <= 8) {
        s.at(x, y) = v < palette.size() ? palette[v] : 0;
        continue;
      }
      uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        const uint32_t mask = masks[c];
        const uint32_t v8 = (v >> (16 - 8 * c)) & 0xFF;
        int bits = 0;
        for (uint32_t m = mask; m; m &= m - 1) ++bits;
        uint32_t e;
        if (bits == 0) e = 0;
        else if (bits >= 8) e = v8;
        else {
          // The kept top bits, repeated downward to fill the byte.
          const uint32_t q = v8 >> (8 - bits);
          e = 0;
          for (int at = 8 - bits; at > -bits; at -= bits) e |= at >= 0 ? q << at : q >> -at;
          e &= 0xFF;
        }
        out |= e << (16 - 8 * c);
      }
      s.at(x, y) = out;
    }
  return s;
}

void ExpectSame(const Surface& got, const Surface& want, const std::string& what) {
  ASSERT_EQ(got.width(), want.width()) << what;
  ASSERT_EQ(got.height(), want.height()) << what;
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x)
      ASSERT_EQ(got.at(x, y), want.at(x, y)) << what << " at " << x << "," << y;
}

struct Variant {
  std::string name;
  bmpw::Options o;
};

// Every header, depth, compression and row order the decoder reads.
std::vector<Variant> AllVariants() {
  std::vector<Variant> v;
  const uint32_t headers[] = {12, 40, 52, 56, 108, 124};
  for (uint32_t h : headers) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
      for (bool topDown : {false, true}) {
        if (h == 12 && (topDown || bpp == 16 || bpp == 32)) continue;
        bmpw::Options o;
        o.header = h;
        o.bpp = bpp;
        o.topDown = topDown;
        if (bpp <= 8) o.palette = Palette(1 << bpp);
        v.push_back({"hdr" + std::to_string(h) + "_" + std::to_string(bpp) + "bit" +
                         (topDown ? "_topdown" : ""), o});
      }
    }
    if (h == 12) continue;
    for (int bpp : {4, 8}) {
      bmpw::Options o;
      o.header = h;
      o.bpp = bpp;
      o.compression = bpp == 8 ? bmpw::kRle8 : bmpw::kRle4;
      o.palette = Palette(1 << bpp);
      v.push_back({"hdr" + std::to_string(h) + (bpp == 8 ? "_rle8" : "_rle4"), o});
    }
    struct M { const char* name; int bpp; uint32_t m[3]; };
    const M fields[] = {
        {"565", 16, {0xF800, 0x07E0, 0x001F}},
        {"555", 16, {0x7C00, 0x03E0, 0x001F}},
        {"444", 16, {0x0F00, 0x00F0, 0x000F}},
        {"bgr565", 16, {0x001F, 0x07E0, 0xF800}},
        {"8888", 32, {0x00FF0000, 0x0000FF00, 0x000000FF}},
        {"rgbx", 32, {0xFF000000, 0x00FF0000, 0x0000FF00}},
        {"101010", 32, {0x3FF00000, 0x000FFC00, 0x000003FF}},
        {"nogreen", 32, {0x00FF0000, 0, 0x000000FF}},
    };
    for (const M& f : fields) {
      for (bool topDown : {false, true}) {
        bmpw::Options o;
        o.header = h;
        o.bpp = f.bpp;
        o.compression = bmpw::kBitFields;
        o.topDown = topDown;
        for (int i = 0; i < 3; ++i) o.masks[i] = f.m[i];
        v.push_back({"hdr" + std::to_string(h) + "_fields" + f.name + (topDown ? "_topdown" : ""), o});
      }
    }
  }
  return v;
}

const uint32_t* MasksOf(const bmpw::Options& o) {
  static const uint32_t k555[3] = {0x7C00, 0x03E0, 0x001F};
  static const uint32_t k888[3] = {0xFF0000, 0xFF00, 0xFF};
  if (o.compression == bmpw::kBitFields) return o.masks;
  return o.bpp == 16 ? k555 : k888;
}

}  // namespace

TEST(BmpVariants, EveryKindDecodesPixelExact) {
  int checked = 0;
  for (const Variant& v : AllVariants()) {
    for (auto [w, h] : {std::pair{13, 7}, std::pair{1, 1}, std::pair{32, 3}, std::pair{300, 2}}) {
      const bmpw::Grid g = Pattern(w, h, v.o.bpp);
      const Surface got = Decode(bmpw::Encode(g, v.o));
      ExpectSame(got, Expected(g, v.o.palette, v.o.bpp, MasksOf(v.o)),
                 v.name + " " + std::to_string(w) + "x" + std::to_string(h));
      ++checked;
    }
  }
  EXPECT_GT(checked, 150);
}

TEST(BmpVariants, ChannelWideningByHand) {
  // 5-5-5: full white, mid grey and the smallest step; 5-6-5 green keeps six bits.
  bmpw::Grid g{4, 1, {0xFFFFFF, 0x808080, 0x080408, 0x00FC00}};
  bmpw::Options o;
  o.bpp = 16;
  Surface s = Decode(bmpw::Encode(g, o));
  ASSERT_EQ(s.width(), 4);
  EXPECT_EQ(s.at(0, 0), 0xFFFFFFu);
  EXPECT_EQ(s.at(1, 0), 0x848484u);  // 10000 -> 10000100
  EXPECT_EQ(s.at(2, 0), 0x080008u);  // 00001 -> 00001000; green 4 is below one step
  o.compression = bmpw::kBitFields;
  o.masks[0] = 0xF800; o.masks[1] = 0x07E0; o.masks[2] = 0x001F;
  s = Decode(bmpw::Encode(g, o));
  EXPECT_EQ(s.at(3, 0), 0x00FF00u);
  EXPECT_EQ(s.at(2, 0), 0x080408u);  // six green bits: 000001 -> 00000100
  // 32 bits without masks: the fourth byte is ignored.
  bmpw::Options o32;
  o32.bpp = 32;
  std::vector<uint8_t> b = bmpw::Encode(bmpw::Grid{1, 1, {0x123456}}, o32);
  b.back() = 0xAB;
  s = Decode(b);
  EXPECT_EQ(s.at(0, 0), 0x123456u);
}

TEST(BmpVariants, ShortPaletteAndPixelsRightAfterIt) {
  // Eight bits with a table of four colours: indices beyond it are black.
  bmpw::Grid g{6, 1, {0, 1, 2, 3, 4, 255}};
  bmpw::Options o;
  o.bpp = 8;
  o.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  o.clrUsed = 4;
  std::vector<uint8_t> b = bmpw::Encode(g, o);
  Surface s = Decode(b);
  ASSERT_EQ(s.width(), 6);
  EXPECT_EQ(s.at(0, 0), 0xFF0000u);
  EXPECT_EQ(s.at(3, 0), 0xFFFFFFu);
  EXPECT_EQ(s.at(4, 0), 0u);
  EXPECT_EQ(s.at(5, 0), 0u);
  // A zero pixel offset means the pixels follow the colour table.
  bmpw::Set32(b, 10, 0);
  ExpectSame(Decode(b), s, "offset 0");
  // A count larger than the depth allows reads only the depth's colours.
  bmpw::Options o1;
  o1.bpp = 1;
  o1.palette = {0x112233, 0x445566};
  o1.clrUsed = 1000;
  s = Decode(bmpw::Encode(bmpw::Grid{2, 1, {1, 0}}, o1));
  ASSERT_EQ(s.width(), 2);
  EXPECT_EQ(s.at(0, 0), 0x445566u);
  EXPECT_EQ(s.at(1, 0), 0x112233u);
}

TEST(BmpRle, JumpsAndEarlyEndLeaveBlack) {
  // 4x3 RLE8: bottom row "run of 2 of index 1, EOL"; then a jump of (1, 1)
  // to the top row, one pixel of index 2, end of picture.
  bmpw::Grid dummy{4, 3, std::vector<uint32_t>(12, 0)};
  bmpw::Options o;
  o.bpp = 8;
  o.compression = bmpw::kRle8;
  o.palette = {0x000000, 0xFF0000, 0x00FF00};
  std::vector<uint8_t> b = bmpw::Encode(dummy, o);
  const size_t off = b[10] | (b[11] << 8);
  b.resize(off);
  const uint8_t rle[] = {2, 1, 0, 0, 0, 2, 1, 1, 1, 2, 0, 1};
  b.insert(b.end(), rle, rle + sizeof rle);
  bmpw::Set32(b, 34, sizeof rle);
  Surface s = Decode(b);
  ASSERT_EQ(s.width(), 4);
  ASSERT_EQ(s.height(), 3);
  EXPECT_EQ(s.at(0, 2), 0xFF0000u);
  EXPECT_EQ(s.at(1, 2), 0xFF0000u);
  EXPECT_EQ(s.at(2, 2), 0u);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(s.at(x, 1), 0u);
  EXPECT_EQ(s.at(0, 0), 0u);
  EXPECT_EQ(s.at(1, 0), 0x00FF00u);
  EXPECT_EQ(s.at(2, 0), 0u);
}

// Replaces the pixel data of a file with these run-length bytes.
std::vector<uint8_t> WithRle(std::vector<uint8_t> b, const std::vector<uint8_t>& rle) {
  const size_t off = b[10] | (b[11] << 8);
  b.resize(off);
  b.insert(b.end(), rle.begin(), rle.end());
  bmpw::Set32(b, 34, static_cast<uint32_t>(rle.size()));
  bmpw::Set32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

std::vector<uint8_t> RleFile(int w, int h, bool four) {
  bmpw::Options o;
  o.bpp = four ? 4 : 8;
  o.compression = four ? bmpw::kRle4 : bmpw::kRle8;
  o.palette = Palette(1 << o.bpp);
  return bmpw::Encode(bmpw::Grid{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, 0)}, o);
}

TEST(BmpRle, Rle4RunsAlternateAndOddLiteralsArePadded) {
  // Run of 5 of 0x9C: 9 C 9 C 9; EOL; literal of 3 (0x12 0x30, padded to
  // a word) then a run of 2 of 0xFF; end.
  const std::vector<uint8_t> rle = {5, 0x9C, 0, 0, 0, 3, 0x12, 0x30, 2, 0xFF, 0, 1};
  Surface s = Decode(WithRle(RleFile(5, 2, true), rle));
  ASSERT_EQ(s.width(), 5);
  const uint32_t bottom[5] = {kPalette16[9], kPalette16[12], kPalette16[9], kPalette16[12], kPalette16[9]};
  const uint32_t top[5] = {kPalette16[1], kPalette16[2], kPalette16[3], kPalette16[15], kPalette16[15]};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(s.at(x, 1), bottom[x]) << x;
    EXPECT_EQ(s.at(x, 0), top[x]) << x;
  }
}

TEST(BmpMalformed, BadRunLengthDataIsNoPicture) {
  struct Case { const char* what; bool four; std::vector<uint8_t> rle; };
  const Case cases[] = {
      {"run past the line", false, {5, 1, 0, 1}},
      {"literal past the line", false, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}},
      {"literal past the data", false, {0, 4, 1, 2}},
      {"jump past the right edge", false, {0, 2, 5, 0, 0, 1}},
      {"jump past the top", false, {0, 2, 0, 3, 0, 1}},
      {"jump cut short", false, {0, 2, 1}},
      {"no end of picture", false, {4, 1, 0, 0}},
      {"nothing at all", false, {}},
      {"half a pair", false, {4}},
      {"rle4 run past the line", true, {5, 0x11, 0, 1}},
      {"rle4 literal past the line", true, {0, 6, 0x12, 0x34, 0x56, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    Surface s = Decode(WithRle(RleFile(4, 2, c.four), c.rle));
    EXPECT_TRUE(s.empty()) << c.what;
    EXPECT_EQ(s.width(), 0) << c.what;
  }
  // The same files with good data decode, so the cases above fail for the
  // reason they name.
  EXPECT_FALSE(Decode(WithRle(RleFile(4, 2, false), {4, 1, 0, 0, 4, 2, 0, 1})).empty());
  EXPECT_FALSE(Decode(WithRle(RleFile(4, 2, false), {0, 2, 4, 1, 0, 1})).empty());
  EXPECT_FALSE(Decode(WithRle(RleFile(4, 2, false), {0, 2, 0, 2})).empty());  // jump to the end
}

TEST(BmpMalformed, TruncatedAtEveryOffsetIsNoPicture) {
  int files = 0;
  for (const Variant& v : AllVariants()) {
    const std::vector<uint8_t> b = bmpw::Encode(Pattern(5, 3, v.o.bpp), v.o);
    ASSERT_FALSE(Decode(b).empty()) << v.name;
    for (size_t n = 0; n < b.size(); ++n) {
      // A fresh copy of exactly n bytes, so that a read past them is caught
      // by the address sanitizer build.
      std::vector<uint8_t> cut(b.begin(), b.begin() + static_cast<long>(n));
      ASSERT_TRUE(DecodeBmp(cut.data(), cut.size()).empty()) << v.name << " cut at " << n;
    }
    ++files;
  }
  EXPECT_GT(files, 50);
  EXPECT_TRUE(DecodeBmp(nullptr, 100).empty());
}

TEST(BmpMalformed, OversizedDimensionsAreNoPicture) {
  bmpw::Options o;
  o.bpp = 24;
  const std::vector<uint8_t> base = bmpw::Encode(Pattern(2, 2, 24), o);
  struct Case { int32_t w, h; };
  const Case cases[] = {{kMaxBmpSide + 1, 1}, {1, kMaxBmpSide + 1}, {kMaxBmpSide, kMaxBmpSide},
                        {INT32_MAX, 1},       {1, INT32_MAX},       {1, INT32_MIN},
                        {INT32_MIN, 1},       {-2, 2},              {0, 2},
                        {2, 0},               {4096, 4097}};
  for (const Case& c : cases) {
    std::vector<uint8_t> b = base;
    bmpw::Set32(b, 18, static_cast<uint32_t>(c.w));
    bmpw::Set32(b, 22, static_cast<uint32_t>(c.h));
    EXPECT_TRUE(Decode(b).empty()) << c.w << "x" << c.h;
  }
  // A picture at the side limit is read when its data is all there.
  bmpw::Grid wide{kMaxBmpSide, 1, std::vector<uint32_t>(kMaxBmpSide, 0x010203)};
  Surface s = Decode(bmpw::Encode(wide, o));
  EXPECT_EQ(s.width(), kMaxBmpSide);
  EXPECT_EQ(s.at(kMaxBmpSide - 1, 0), 0x010203u);
  // A run-length file claiming a huge picture with a few bytes of data.
  std::vector<uint8_t> rle = RleFile(4, 2, false);
  bmpw::Set32(rle, 18, kMaxBmpSide);
  bmpw::Set32(rle, 22, kMaxBmpSide);
  EXPECT_TRUE(Decode(rle).empty());
}

TEST(BmpMalformed, BadOffsetsAndHeaderFieldsAreNoPicture) {
  bmpw::Options o8;
  o8.bpp = 8;
  o8.palette = Palette(256);
  const std::vector<uint8_t> good = bmpw::Encode(Pattern(3, 3, 8), o8);
  ASSERT_FALSE(Decode(good).empty());
  struct Patch { const char* what; size_t at; int bytes; uint32_t value; };
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
  };
  for (const Patch& p : patches) {
    std::vector<uint8_t> b = good;
    for (int i = 0; i < p.bytes; ++i) b[p.at + i] = (p.value >> (8 * i)) & 0xFF;
    EXPECT_TRUE(Decode(b).empty()) << p.what;
  }
  // A colour table that runs past the end of the file.
  std::vector<uint8_t> shortTable(good.begin(), good.begin() + 54 + 100);
  bmpw::Set32(shortTable, 10, 0);
  EXPECT_TRUE(Decode(shortTable).empty());
  // Top-down run-length data is not a thing.
  std::vector<uint8_t> rle = RleFile(4, 2, false);
  bmpw::Set32(rle, 22, static_cast<uint32_t>(-2));
  EXPECT_TRUE(Decode(rle).empty());
}

TEST(BmpMalformed, BadBitFieldsAreNoPicture) {
  bmpw::Options o;
  o.bpp = 16;
  o.compression = bmpw::kBitFields;
  const uint32_t bad[][3] = {
      {0xF000F, 0x07E0, 0x001F},   // beyond 16 bits
      {0xF0F0, 0x0700, 0x000F},    // holes in a mask
  };
  for (const auto& m : bad) {
    for (int i = 0; i < 3; ++i) o.masks[i] = m[i];
    EXPECT_TRUE(Decode(bmpw::Encode(Pattern(2, 2, 16), o)).empty()) << std::hex << m[0];
  }
  // A 40-byte header whose masks are cut off.
  o.masks[0] = 0xF800; o.masks[1] = 0x07E0; o.masks[2] = 0x001F;
  std::vector<uint8_t> b = bmpw::Encode(Pattern(2, 2, 16), o);
  b.resize(14 + 40 + 8);
  EXPECT_TRUE(Decode(b).empty());
}

TEST(BmpFiles, LoadsFromDiskAndMissingFilesAreNoPicture) {
  const std::string dir = std::string(QM_BINARY_DIR) + "/bmp_test_files";
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/pic.bmp";
  bmpw::Options o;
  const bmpw::Grid g = Pattern(9, 4, 24);
  const std::vector<uint8_t> b = bmpw::Encode(g, o);
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
  ExpectSame(LoadBmpFile(path), Expected(g, {}, 24, MasksOf(o)), "from disk");
  EXPECT_TRUE(LoadBmpFile(dir + "/missing.bmp").empty());
  EXPECT_TRUE(LoadBmpFile(dir).empty());  // a directory
  EXPECT_TRUE(LoadBmpFile("").empty());
  std::filesystem::remove_all(dir);
}
