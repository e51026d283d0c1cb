// Text metrics, clipping, bad sizes and fonts, and Shift-JIS lengths.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/gfx/surface.h"
#include "platform/gfx/text.h"

using namespace platform;

constexpr uint32_t kBg = 0x00102030;

static Surface Canvas(int w, int h) {
  Surface s(w, h);
  std::fill(s.data(), s.data() + size_t(w) * h, kBg);
  return s;
}

// Pixels of the text colour.
static int Inked(const Surface& s, uint32_t px) {
  int n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.at(x, y) == px;
  return n;
}

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TearDown();
    ASSERT_TRUE(FontAvailable(FontFace::Mincho)) << "IPAMincho is not installed";
    ASSERT_TRUE(FontAvailable(FontFace::Gothic)) << "IPAGothic is not installed";
  }
  void TearDown() override { ResetFontPath(FontFace::Mincho), ResetFontPath(FontFace::Gothic); }
};

TEST(ShiftJis, LengthCountsHalfWidthOnceEverythingElseTwiceAndBadBytesOnce) {
  const std::pair<const char*, int> rows[] = {
      {"", 0}, {"SCORE 123456pt", 14}, {"神 業 ", 6}, {"神 業 MODE:  AUTO", 17},
      {"ｱｲｳｴｵ", 5},                            // half-width katakana
      {"\xEF\xBD\xA1\xEF\xBE\x9F", 2},          // U+FF61 and U+FF9F, the ends of that range
      {"\xEF\xBD\xA0\xEF\xBE\xA0", 4},          // U+FF60 and U+FFA0, just outside it
      {"ＡＢＣ", 6}, {"ウィンドウ &h0000ABCD は既に", 28}, {"\r\n\t", 3}, {"あいうえお", 10},
      {"\xFF", 1}, {"A\x80" "B", 3}, {"\xE3\x81", 2} /* truncated */, {"\xC0\xAF", 2} /* overlong */,
      {"\xED\xA0\x80", 3} /* surrogate */, {"\xEF\xBF\xBD", 2} /* a real U+FFFD */};
  for (const auto& [text, len] : rows) EXPECT_EQ(ShiftJisLength(text), len) << text;
}

// Each length at its smallest and largest code point, around the surrogates; a
// bad form gives U+FFFD and moves on by one byte.
TEST(ShiftJis, DecoderReadsEveryLengthToItsBoundsAndRejectsBadForms) {
  const std::pair<std::string, char32_t> rows[] = {
      {"\x7F", 0x7F}, {"\xC2\x80", 0x80}, {"\xDF\xBF", 0x7FF}, {"\xE0\xA0\x80", 0x800}, {"\xED\x9F\xBF", 0xD7FF},
      {"\xEE\x80\x80", 0xE000}, {"\xEF\xBF\xBF", 0xFFFF}, {"\xF0\x90\x80\x80", 0x10000}, {"\xF4\x8F\xBF\xBF", 0x10FFFF},
      {"\xC1\xBF", 0}, {"\xE0\x9F\xBF", 0}, {"\xF0\x8F\xBF\xBF", 0}, {"\xED\xA0\x80", 0}, {"\xED\xBF\xBF", 0},
      {"\xF4\x90\x80\x80", 0}, {"\x80", 0}, {"\xF8\x88\x80\x80", 0}, {"\xC3", 0}, {"\xE3\x81", 0}, {"\xF0\x9F\x98", 0},
      {"\xC3" "A", 0}, {"\xE3\x81" "A", 0}, {"\xF0\x9F\x98" "A", 0}, {"\xE3\xC3\xA9", 0}};
  for (const auto& [bytes, cp] : rows) {
    size_t pos = 0;
    EXPECT_EQ(std::pair(NextCodePoint(bytes, pos), pos), std::pair(cp ? cp : U'\uFFFD', cp ? bytes.size() : 1u)) << bytes;
  }
}

TEST_F(TextTest, MinchoIsFixedPitchHalfAndFullWidth) {
  const Font f{FontFace::Mincho, 12}, bold{FontFace::Mincho, 12, true};
  struct Row { const char* text; Font font; int width; };
  const Row rows[] = {{"A", f, 6}, {"SCORE 123456pt", f, 84}, {"あ", f, 12},
                      {"神 業 ", f, 36} /* lines up with the six-column labels */, {" EASY ", f, 36},
                      {"A\rB", f, 12} /* controls take no room */, {"ABC", bold, 18} /* bold keeps the cells */,
                      {"FPS 1000", bold, 48} /* the HUD's readout fits */, {"神 業 ", bold, 36}, {" EASY ", bold, 36},
                      {"AAAAAAAA", {FontFace::Mincho, 1}, 8} /* the smallest size */, {"A", {FontFace::Mincho, 512}, 256} /* the largest */};
  for (const Row& r : rows) EXPECT_EQ(MeasureText(r.text, r.font), r.width) << r.text;
}

// The glyph cache keeps each face, weight and slant of a size apart: every one, drawn after the others (twice
// over, the second time from the cache), is what it is drawn afresh.
TEST_F(TextTest, TheGlyphCacheKeepsEachFaceWeightAndSlantApart) {
  ClearGlyphCache();
  for (int k = 0; k < 16; ++k) {
    const Font f{k & 1 ? FontFace::Gothic : FontFace::Mincho, 16, (k & 2) != 0, (k & 4) != 0};
    Surface cached = Canvas(40, 20), fresh = Canvas(40, 20);
    TextOut(cached, 1, 1, "永A", 0xFFFFFF, f), TextOutUncached(fresh, 1, 1, "永A", 0xFFFFFF, f);
    EXPECT_TRUE(std::equal(cached.data(), cached.data() + 40 * 20, fresh.data())) << k;
  }
}

TEST_F(TextTest, ClippedAtEveryEdgeFarAwayAndBadSizesDrawNothingOutside) {
  const Font f{FontFace::Mincho, 24};
  Surface whole = Canvas(80, 40);
  TextOut(whole, 10, 8, "AB", 0xFFFFFF, f);
  for (int dx : {-30, -12, 60, 75})
    for (int dy : {-20, -8, 30, 39}) {
      Surface s = Canvas(80, 40);
      TextOut(s, 10 + dx, 8 + dy, "AB", 0xFFFFFF, f);
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
          const int wx = x - dx, wy = y - dy;
          const uint32_t want = (wx >= 0 && wx < 80 && wy >= 0 && wy < 40) ? whole.at(wx, wy) : kBg;
          ASSERT_EQ(s.at(x, y), want) << dx << "," << dy << " at " << x << "," << y;
        }
    }
  // Drawn again and again, in turn black (a shadow) and in colours: the pixels of the uncached path.
  for (uint32_t px : {0x000000u, 0xFF8000u, 0x000000u, 0xFF8000u, 0x123456u, 0x000000u}) {
    Surface a = Canvas(80, 40), b = Canvas(80, 40);
    TextOut(a, 10, 8, "AB", px, f), TextOutUncached(b, 10, 8, "AB", px, f);
    EXPECT_TRUE(std::equal(a.data(), a.data() + 80 * 40, b.data())) << px;
  }
  // Far more lines drawn again than the kept pictures may hold: each still draws as the uncached path does.
  for (int i = 0; i < 80; ++i)
    for (uint32_t px : {0x00FF00u, 0x00FF00u}) {
      Surface a = Canvas(80, 40), b = Canvas(80, 40);
      const std::string text = "W" + std::to_string(i * 7919);
      TextOut(a, 1, 8, text, px, f), TextOutUncached(b, 1, 8, text, px, f);
      ASSERT_TRUE(std::equal(a.data(), a.data() + 80 * 40, b.data())) << text;
    }
  Surface s = Canvas(10, 10), empty;
  TextOut(s, INT32_MAX - 3, INT32_MIN + 2, "WWWW", 0xFFFFFF, f);
  TextOut(s, INT32_MIN, INT32_MAX, "WWWW", 0xFFFFFF, f);
  TextOut(empty, 0, 0, "W", 0xFFFFFF, f);
  EXPECT_EQ(Inked(s, 0xFFFFFF), 0);
  for (int size : {0, -12, 513, 100000, INT32_MIN}) {
    Surface t = Canvas(40, 40);
    EXPECT_TRUE(TextOut(t, 0, 0, "A", 0xFFFFFF, Font{FontFace::Mincho, size}) == 0 && Inked(t, 0xFFFFFF) == 0) << size;
  }
}

TEST_F(TextTest, WithoutAFontNothingIsDrawn) {
  const std::string junk = std::string(QM_BINARY_DIR) + "/not_a_font.ttf";
  std::ofstream(junk, std::ios::binary) << std::string("\0\1\0\0 this is no font", 20);
  for (const std::string& path : {std::string(), junk}) {
    SCOPED_TRACE("font path \"" + path + "\"");
    OverrideFontPath(FontFace::Mincho, path);
    EXPECT_FALSE(FontAvailable(FontFace::Mincho));
    Surface s = Canvas(40, 20);
    EXPECT_EQ(TextOut(s, 0, 0, "AB", 0xFFFFFF, Font{}) + TextOutUncached(s, 0, 0, "AB", 0xFFFFFF, Font{}), 0);
    EXPECT_EQ(MeasureText("AB", Font{}) + Inked(s, 0xFFFFFF), 0);
    EXPECT_GT(TextOut(s, 0, 0, "AB", 0xFFFFFF, Font{FontFace::Gothic}), 0);  // the other face is unaffected
  }
  std::filesystem::copy_file(FontPath(FontFace::Gothic), junk, std::filesystem::copy_options::overwrite_existing);
  EXPECT_FALSE(FontAvailable(FontFace::Mincho)) << "a face that failed is tried again once its path is given anew, not before";
  EXPECT_TRUE((OverrideFontPath(FontFace::Mincho, junk), FontAvailable(FontFace::Mincho)));
  ResetFontPath(FontFace::Mincho);
  Surface t = Canvas(40, 20);
  EXPECT_GT(TextOut(t, 0, 0, "AB", 0xFFFFFF, Font{}), 0);
}
