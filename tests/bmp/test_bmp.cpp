// The BMP decoder: every kind of file pixel for pixel, and malformed files
// of every sort decoding to no picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "platform/gfx/bmp.h"
#include "tests/bmp/bmp_writer.h"

using namespace platform;
using Bytes = std::vector<uint8_t>;

namespace {

uint32_t Colour(uint32_t i) { return (i * 37u & 0xFF) << 16 | (i * 91u & 0xFF) << 8 | (255 - i); }
std::vector<uint32_t> Palette(int n) { std::vector<uint32_t> p; for (int i = 0; i < n; ++i) p.push_back(Colour(i)); return p; }

// Values that differ in every row and column, with runs so that run-length files use both modes.
bmpw::Grid Pattern(int w, int h, int bpp) {
  bmpw::Grid g{w, h, {}};
  for (int i = 0, x = 0, y = 0, n = bpp <= 8 ? 1 << bpp : 0; i < w * h; ++i, x = i % w, y = i / w)
    g.v.push_back(n ? ((x < w / 3) ? (y % n) : ((x * 7 + y * 3) % n)) : ((x * 40 + y) & 0xFF) << 16 | ((y * 50 + 7 * x) & 0xFF) << 8 | ((x * y + 13) & 0xFF));
  return g;
}

Surface Decode(const Bytes& b) { return DecodeBmp(b.data(), b.size()); }

// What a file must decode to: palette colours (black past the table), or each
// channel's kept top bits repeated downward to fill a byte.
uint32_t Expected(uint32_t v, const bmpw::Options& o) {
  if (o.bpp <= 8) return v < o.palette.size() ? o.palette[v] : 0;
  static const uint32_t k555[3] = {0x7C00, 0x03E0, 0x001F}, k888[3] = {0xFF0000, 0xFF00, 0xFF};
  const uint32_t* masks = o.compression == bmpw::kBitFields ? o.masks : o.bpp == 16 ? k555 : k888;
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c) {
    const int bits = std::min(std::popcount(masks[c]), 8);
    const uint32_t top = ((v >> (16 - 8 * c)) & 0xFF) >> (8 - bits);
    for (int at = 8 - bits; bits && at > -bits; at -= bits) out |= ((at >= 0 ? top << at : top >> -at) & 0xFF) << (16 - 8 * c);
  }
  return out;
}

std::string Describe(const bmpw::Options& o) {
  return "header " + std::to_string(o.header) + " bpp " + std::to_string(o.bpp) + " compression " + std::to_string(o.compression) + (o.topDown ? " top-down" : "") + " red mask " + std::to_string(o.masks[0]);
}

// Every header, depth, compression, bit-field layout and row order the decoder reads.
std::vector<bmpw::Options> AllVariants() {
  std::vector<bmpw::Options> v;
  auto add = [&](uint32_t h, int bpp, uint32_t comp, bool topDown, const uint32_t* m = nullptr) {
    v.push_back({h, bpp, comp, topDown, {m ? m[0] : 0, m ? m[1] : 0, m ? m[2] : 0}, bpp <= 8 ? Palette(1 << bpp) : std::vector<uint32_t>{}});
  };
  const uint32_t fields[][4] = {{16, 0xF800, 0x07E0, 0x001F}, {16, 0x7C00, 0x03E0, 0x001F}, {16, 0x0F00, 0x00F0, 0x000F}, {16, 0x001F, 0x07E0, 0xF800},
                                {32, 0xFF0000, 0xFF00, 0xFF}, {32, 0xFF000000, 0x00FF0000, 0x0000FF00}, {32, 0x3FF00000, 0x000FFC00, 0x000003FF}, {32, 0x00FF0000, 0, 0x000000FF}};
  for (uint32_t h : {12, 40, 52, 56, 108, 124}) {
    for (int bpp : {1, 4, 8, 16, 24, 32})
      for (bool topDown : {false, true})
        if (h != 12 || !(topDown || bpp == 16 || bpp == 32)) add(h, bpp, bmpw::kRgb, topDown);
    if (h == 12) continue;
    add(h, 4, bmpw::kRle4, false), add(h, 8, bmpw::kRle8, false);
    for (const auto& f : fields)
      for (bool topDown : {false, true}) add(h, f[0], bmpw::kBitFields, topDown, f + 1);
  }
  return v;
}

// A run-length file whose pixel data is these bytes.
Bytes RleFile(int w, int h, bool four, const Bytes* rle = nullptr) {
  const bmpw::Options o{40, four ? 4 : 8, four ? bmpw::kRle4 : bmpw::kRle8, false, {}, Palette(four ? 16 : 256)};
  Bytes b = bmpw::Encode(bmpw::Grid{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, 0)}, o);
  if (!rle) return b;
  b.resize(b[10] | (b[11] << 8));
  b.insert(b.end(), rle->begin(), rle->end());
  bmpw::Set32(b, 34, static_cast<uint32_t>(rle->size()));
  bmpw::Set32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

}  // namespace

TEST(Bmp, EveryKindDecodesPixelExact) {
  for (const bmpw::Options& o : AllVariants())
    for (auto [w, h] : {std::pair{13, 7}, std::pair{1, 1}, std::pair{32, 3}, std::pair{300, 2}, std::pair{kMaxBmpSide, 1}}) {  // the last at the side limit
      const bmpw::Grid g = Pattern(w, h, o.bpp);
      const Surface s = Decode(bmpw::Encode(g, o));
      ASSERT_EQ(std::pair(s.width(), s.height()), std::pair(w, h)) << Describe(o);
      for (int i = 0; i < w * h; ++i) ASSERT_EQ(s.at(i % w, i / w), Expected(g.v[i], o)) << Describe(o) << " " << w << "x" << h << " pixel " << i;
    }
}

// Run-length data and colour tables by hand, good and malformed.
TEST(Bmp, OddFilesByHand) {
  const Bytes six = bmpw::Encode({6, 1, {0, 1, 2, 3, 4, 255}}, {40, 8, bmpw::kRgb, false, {}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, 4});
  const Bytes count = bmpw::Encode({2, 1, {1, 0}}, {40, 1, bmpw::kRgb, false, {}, {0x112233, 0x445566}, 1000});  // more than the depth allows
  Bytes sixAtZero = six, twoAtZero = bmpw::Encode({2, 1, {1, 0}}, {40, 1, bmpw::kRgb, false, {}, {0x112233, 0x445566}});
  bmpw::Set32(sixAtZero, 10, 0), bmpw::Set32(twoAtZero, 10, 0);  // pixels right after the table
  const std::vector<uint32_t> sixWant = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0};
  const uint32_t red = Colour(1), green = Colour(2), c9 = Colour(9), cC = Colour(12), cF = Colour(15);
  struct Case { const char* what; bool four; int w, h; Bytes rle; bool good; std::vector<uint32_t> want = {}; const Bytes* file = nullptr; };
  const Case cases[] = {  // want: top row first
      {"indices past a short table are black", 0, 6, 1, {}, true, sixWant, &six},
      {"offset 0: pixels follow the table", 0, 6, 1, {}, true, sixWant, &sixAtZero},
      {"a count past the depth reads the depth's colours", 0, 2, 1, {}, true, {0x445566, 0x112233}, &count},
      {"offset 0 and no count: the depth's whole table, then pixels", 0, 2, 1, {}, true, {0x445566, 0x112233}, &twoAtZero},
      // Bottom row: a run of 2, EOL; a jump of (1, 1) to the top row, one pixel, end.
      {"jumps and early end leave black", false, 4, 3, {2, 1, 0, 0, 0, 2, 1, 1, 1, 2, 0, 1}, true, {0, green, 0, 0, 0, 0, 0, 0, red, red, 0, 0}},
      // A run of 5 of 0x9C alternates; an odd literal is padded to a word.
      {"rle4 runs and literals", true, 5, 2, {5, 0x9C, 0, 0, 0, 3, 0x12, 0x30, 2, 0xFF, 0, 1}, true, {red, green, Colour(3), cF, cF, c9, cC, c9, cC, c9}},
      {"two full lines", false, 4, 2, {4, 1, 0, 0, 4, 2, 0, 1}, true},
      {"jump to the right edge", false, 4, 2, {0, 2, 4, 1, 0, 1}, true},
      {"jump to the end", false, 4, 2, {0, 2, 0, 2}, true},
      {"run past the line", false, 4, 2, {5, 1, 0, 1}, false},
      {"literal past the line", false, 4, 2, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, false},
      {"literal past the data", false, 4, 2, {0, 4, 1, 2}, false},
      {"jump past the right edge", false, 4, 2, {0, 2, 5, 0, 0, 1}, false},
      {"jump past the top", false, 4, 2, {0, 2, 0, 3, 0, 1}, false},
      {"jump cut short", false, 4, 2, {0, 2, 1}, false},
      {"no end of picture", false, 4, 2, {4, 1, 0, 0}, false},
      {"nothing at all", false, 4, 2, {}, false},
      {"half a pair", false, 4, 2, {4}, false},
      {"rle4 run past the line", true, 4, 2, {5, 0x11, 0, 1}, false},
      {"rle4 literal past the line", true, 4, 2, {0, 6, 0x12, 0x34, 0x56, 0, 0, 1}, false},
  };
  for (const Case& c : cases) {
    const Surface s = Decode(c.file ? *c.file : RleFile(c.w, c.h, c.four, &c.rle));
    ASSERT_EQ(s.empty(), !c.good) << c.what;
    EXPECT_EQ(s.width(), c.good ? c.w : 0) << c.what;
    for (size_t i = 0; i < c.want.size(); ++i) EXPECT_EQ(s.at(i % c.w, i / c.w), c.want[i]) << c.what << " pixel " << i;
  }
}

TEST(Bmp, TruncatedAtEveryOffsetIsNoPicture) {
  for (const bmpw::Options& o : AllVariants()) {
    const Bytes b = bmpw::Encode(Pattern(5, 3, o.bpp), o);
    ASSERT_FALSE(Decode(b).empty()) << Describe(o);
    for (size_t n = 0; n < b.size(); ++n)  // a copy of exactly n bytes, for the sanitizer
      ASSERT_TRUE(Decode(Bytes(b.begin(), b.begin() + static_cast<long>(n))).empty()) << Describe(o) << " cut at " << n;
  }
  EXPECT_TRUE(DecodeBmp(nullptr, 100).empty());
}

constexpr uint64_t WH(int32_t w, int32_t h) { return uint64_t(uint32_t(h)) << 32 | uint32_t(w); }

TEST(Bmp, BadSizesOffsetsHeaderFieldsAndBitFieldsAreNoPicture) {
  const Bytes good = bmpw::Encode(Pattern(3, 3, 8), {40, 8, bmpw::kRgb, false, {}, Palette(256)});
  const Bytes good16 = bmpw::Encode(Pattern(2, 2, 16), {40, 16, bmpw::kBitFields, false, {0xF800, 0x07E0, 0x001F}, {}});
  Bytes shortTable(good.begin(), good.begin() + 54 + 100), shortMasks(good16.begin(), good16.begin() + 14 + 40 + 8), rle = RleFile(70, 2, false), rle4 = RleFile(70, 2, true);  // wide enough that "BM" would read as a run
  bmpw::Set32(shortTable, 10, 0);  // pixels right after the table
  struct Patch { const char* what; size_t at; int bytes; uint64_t value; const Bytes* file = nullptr; };
  const Patch patches[] = {
      {"magic", 0, 2, 0x4142},
      {"width past the limit", 18, 8, WH(kMaxBmpSide + 1, 1)},
      {"height past the limit", 18, 8, WH(1, kMaxBmpSide + 1)},
      {"both at the limit, data short", 18, 8, WH(kMaxBmpSide, kMaxBmpSide)},
      {"run-length, both at the limit, data short", 18, 8, WH(kMaxBmpSide, kMaxBmpSide), &rle},
      {"width INT32_MAX", 18, 8, WH(INT32_MAX, 1)},
      {"height INT32_MAX", 18, 8, WH(1, INT32_MAX)},
      {"height INT32_MIN", 18, 8, WH(1, INT32_MIN)},
      {"width INT32_MIN", 18, 8, WH(INT32_MIN, 1)},
      {"negative width", 18, 8, WH(-2, 2)},
      {"zero width", 18, 8, WH(0, 2)},
      {"zero height", 18, 8, WH(2, 0)},
      {"4096x4097", 18, 8, WH(4096, 4097)},
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
      {"holes in a mask", 58, 4, 0x0700, &good16},  // with red F0F0, set below
      {"a colour table running past the end", 0, 0, 0, &shortTable},
      {"a 40-byte header's masks cut short", 0, 0, 0, &shortMasks},
      {"top-down run-length data", 22, 4, static_cast<uint32_t>(-2), &rle},
      {"top-down run-length 4 data", 22, 4, static_cast<uint32_t>(-2), &rle4},
      {"run-length 4 data at 8 bits", 28, 2, 8, &rle4},
      {"run-length 8 data at 4 bits", 28, 2, 4, &rle},
  };
  for (const Patch& p : patches) {
    Bytes b = p.file ? *p.file : good;
    for (int i = 0; i < p.bytes; ++i) b[p.at + i] = (p.value >> (8 * i)) & 0xFF;
    if (p.at == 58) bmpw::Set32(b, 54, 0xF0F0);
    EXPECT_TRUE(Decode(b).empty()) << p.what;
  }
}

TEST(Bmp, MissingFilesAndFoldersAreNoPicture) {
  for (const std::string& bad : {std::string(QM_BINARY_DIR) + "/missing.bmp", std::string(QM_BINARY_DIR), std::string()})
    EXPECT_TRUE(LoadBmpFile(bad).empty()) << bad;
}
