// Glyph drawing, the glyph cache, font lookup and Shift-JIS lengths.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/gfx/png.h"
#include "platform/gfx/surface.h"
#include "platform/gfx/text.h"

using namespace platform;

namespace {

constexpr uint32_t kBg = 0x00102030;

Surface Canvas(int w, int h) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.at(x, y) = kBg;
  return s;
}

struct Ink {
  int count = 0, minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
  bool onlyInk = true;  // every changed pixel has exactly the text colour
};

Ink Measure(const Surface& s, uint32_t px) {
  Ink ink;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) {
      if (s.at(x, y) == kBg) continue;
      if (s.at(x, y) != px) ink.onlyInk = false;
      ++ink.count;
      ink.minX = std::min(ink.minX, x);
      ink.maxX = std::max(ink.maxX, x);
      ink.minY = std::min(ink.minY, y);
      ink.maxY = std::max(ink.maxY, y);
    }
  return ink;
}

bool Same(const Surface& a, const Surface& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.at(x, y) != b.at(x, y)) return false;
  return true;
}

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFontPath(FontFace::Mincho);
    ResetFontPath(FontFace::Gothic);
    ASSERT_TRUE(FontAvailable(FontFace::Mincho)) << "IPAMincho is not installed";
    ASSERT_TRUE(FontAvailable(FontFace::Gothic)) << "IPAGothic is not installed";
  }
  void TearDown() override {
    ResetFontPath(FontFace::Mincho);
    ResetFontPath(FontFace::Gothic);
  }
};

}  // namespace

TEST(ShiftJis, LengthCountsHalfWidthOnceAndEverythingElseTwice) {
  EXPECT_EQ(ShiftJisLength(""), 0);
  EXPECT_EQ(ShiftJisLength("SCORE 123456pt"), 14);
  EXPECT_EQ(ShiftJisLength("神 業 "), 6);  // the God label: six columns
  EXPECT_EQ(ShiftJisLength("神 業 MODE:  AUTO"), 17);
  EXPECT_EQ(ShiftJisLength("ｱｲｳｴｵ"), 5);  // half-width katakana U+FF71..
  EXPECT_EQ(ShiftJisLength("\xEF\xBD\xA1\xEF\xBE\x9F"), 2);  // U+FF61 and U+FF9F, the ends
  EXPECT_EQ(ShiftJisLength("\xEF\xBD\xA0\xEF\xBE\xA0"), 4);  // U+FF60 and U+FFA0: outside
  EXPECT_EQ(ShiftJisLength("ＡＢＣ"), 6);  // full-width Latin
  EXPECT_EQ(ShiftJisLength("ウィンドウ &h0000ABCD は既に"), 10 + 12 + 6);
  EXPECT_EQ(ShiftJisLength("\r\n\t"), 3);
  // Ten half-width characters and five full-width ones count the same.
  EXPECT_EQ(ShiftJisLength("ABCDEFGHIJ"), ShiftJisLength("あいうえお"));
}

TEST(ShiftJis, MalformedBytesCountOneEach) {
  EXPECT_EQ(ShiftJisLength("\xFF"), 1);
  EXPECT_EQ(ShiftJisLength("A\x80" "B"), 3);
  EXPECT_EQ(ShiftJisLength("\xE3\x81"), 2);        // truncated 3-byte sequence
  EXPECT_EQ(ShiftJisLength("\xC0\xAF"), 2);        // overlong '/'
  EXPECT_EQ(ShiftJisLength("\xED\xA0\x80"), 3);    // a surrogate
  EXPECT_EQ(ShiftJisLength("\xEF\xBF\xBD"), 2);    // a real U+FFFD
}

TEST(ShiftJis, DecoderReadsEveryLengthAndRejectsBadForms) {
  const std::string s = "A\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80";
  size_t pos = 0;
  EXPECT_EQ(NextCodePoint(s, pos), U'A');
  EXPECT_EQ(NextCodePoint(s, pos), U'\u00E9');
  EXPECT_EQ(NextCodePoint(s, pos), U'\u3042');
  EXPECT_EQ(NextCodePoint(s, pos), U'\U0001F600');
  EXPECT_EQ(pos, s.size());
  const std::string bad = "\xF4\x90\x80\x80";  // above U+10FFFF
  pos = 0;
  EXPECT_EQ(NextCodePoint(bad, pos), U'\uFFFD');
  EXPECT_EQ(pos, 1u);
}

TEST_F(TextTest, FontsAreFoundByFamily) {
  const std::string mincho = FontPath(FontFace::Mincho);
  const std::string gothic = FontPath(FontFace::Gothic);
  EXPECT_NE(mincho.find(".ttf"), std::string::npos) << mincho;
  EXPECT_NE(gothic.find(".ttf"), std::string::npos) << gothic;
  EXPECT_NE(mincho, gothic);
}

TEST_F(TextTest, GlyphsStayInsideTheCellAndUseOnlyTheTextColour) {
  for (int size : {12, 14, 24}) {
    for (const char* text : {"Mgjy|", "あ漢字", "LEVEL UP!"}) {
      Surface s = Canvas(300, 60);
      const int advance = TextOut(s, 10, 20, text, 0x0000FFFF /* yellow */, Font{FontFace::Mincho, size});
      Ink ink = Measure(s, 0x00FFFF00);
      EXPECT_TRUE(ink.onlyInk) << "anti-aliased pixels at size " << size;
      EXPECT_GT(ink.count, 0);
      EXPECT_GE(ink.minY, 20) << text << " size " << size;
      EXPECT_LT(ink.maxY, 20 + size) << text << " size " << size;
      EXPECT_GE(ink.minX, 10);
      EXPECT_LE(ink.maxX, 10 + advance);
    }
  }
}

TEST_F(TextTest, MinchoIsFixedPitchHalfAndFullWidth) {
  const Font f{FontFace::Mincho, 12};
  EXPECT_EQ(MeasureText("A", f), 6);
  EXPECT_EQ(MeasureText("SCORE 123456pt", f), 14 * 6);
  EXPECT_EQ(MeasureText("あ", f), 12);
  EXPECT_EQ(MeasureText("神 業 ", f), 36);  // lines up with the six-column labels
  EXPECT_EQ(MeasureText(" EASY ", f), 36);
  // Bold widens each glyph by a pixel.
  EXPECT_EQ(MeasureText("ABC", Font{FontFace::Mincho, 12, true}), 21);
  // Control characters take no room.
  EXPECT_EQ(MeasureText("A\rB", f), 12);
}

TEST_F(TextTest, BoldAndItalicAreSynthesised) {
  Surface regular = Canvas(120, 40), bold = Canvas(120, 40), italic = Canvas(120, 40);
  TextOut(regular, 4, 4, "IIII", 0xFFFFFF, Font{FontFace::Mincho, 24});
  TextOut(bold, 4, 4, "IIII", 0xFFFFFF, Font{FontFace::Mincho, 24, true});
  TextOut(italic, 4, 4, "IIII", 0xFFFFFF, Font{FontFace::Mincho, 24, false, true});
  Ink r = Measure(regular, 0xFFFFFF), b = Measure(bold, 0xFFFFFF), i = Measure(italic, 0xFFFFFF);
  EXPECT_GT(b.count, r.count + 4 * 10);  // every stem at least a pixel wider
  // The slant moves the top of each stem right of its foot.
  auto firstInk = [](const Surface& s, int y) {
    for (int x = 0; x < s.width(); ++x)
      if (s.at(x, y) != kBg) return x;
    return -1;
  };
  EXPECT_GT(firstInk(italic, i.minY + 1), firstInk(italic, i.maxY - 1) + 1);
  EXPECT_EQ(firstInk(regular, r.minY + 1), firstInk(regular, r.maxY - 1));
}

TEST_F(TextTest, CacheHoldsEachGlyphOnceAndMatchesUncachedDrawing) {
  ClearGlyphCache();
  Surface a = Canvas(200, 30), b = Canvas(200, 30);
  const Font f{FontFace::Mincho, 12, true, false};
  TextOut(a, 3, 5, "SCORE 123456pt", 0x00FFFF, f);
  // S C O R E space 1 2 3 4 5 6 p t: 14 distinct characters.
  EXPECT_EQ(GlyphCacheSize(), 14u);
  TextOut(a, 3, 5, "SCORE 123456pt", 0x00FFFF, f);
  EXPECT_EQ(GlyphCacheSize(), 14u);
  TextOutUncached(b, 3, 5, "SCORE 123456pt", 0x00FFFF, f);
  EXPECT_TRUE(Same(a, b));
  TextOut(a, 3, 5, "S", 0x00FFFF, Font{FontFace::Mincho, 13, true});
  TextOut(a, 3, 5, "S", 0x00FFFF, Font{FontFace::Mincho, 12, false});
  TextOut(a, 3, 5, "S", 0x00FFFF, Font{FontFace::Gothic, 12, true});
  TextOut(a, 3, 5, "S", 0x00FFFF, Font{FontFace::Mincho, 12, true, true});
  EXPECT_EQ(GlyphCacheSize(), 18u);
}

TEST_F(TextTest, TheTwoFacesDrawDifferently) {
  Surface m = Canvas(60, 20), g = Canvas(60, 20);
  TextOut(m, 0, 0, "永A", 0xFFFFFF, Font{FontFace::Mincho, 13});
  TextOut(g, 0, 0, "永A", 0xFFFFFF, Font{FontFace::Gothic, 13});
  EXPECT_FALSE(Same(m, g));
  EXPECT_GT(MeasureText("OK", Font{FontFace::Gothic, 13}), 0);
}

TEST_F(TextTest, ClippedAtEveryEdgeAndFarAway) {
  const Font f{FontFace::Mincho, 24};
  Surface whole = Canvas(80, 40);
  TextOut(whole, 10, 8, "AB", 0xFFFFFF, f);
  for (int dx : {-30, -12, 60, 75}) {
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
  }
  Surface s = Canvas(10, 10);
  TextOut(s, INT32_MAX - 3, INT32_MIN + 2, "WWWW", 0xFFFFFF, f);
  TextOut(s, INT32_MIN, INT32_MAX, "WWWW", 0xFFFFFF, f);
  Surface empty;
  TextOut(empty, 0, 0, "W", 0xFFFFFF, f);
  EXPECT_EQ(Measure(s, 0xFFFFFF).count, 0);
}

TEST_F(TextTest, SizesOutsideTheRangeDrawNothing) {
  for (int size : {0, -12, 513, 100000, INT32_MIN}) {
    Surface s = Canvas(40, 40);
    EXPECT_EQ(TextOut(s, 0, 0, "A", 0xFFFFFF, Font{FontFace::Mincho, size}), 0);
    EXPECT_EQ(Measure(s, 0xFFFFFF).count, 0);
  }
}

TEST_F(TextTest, WithoutAFontNothingIsDrawn) {
  OverrideFontPath(FontFace::Mincho, "");
  EXPECT_FALSE(FontAvailable(FontFace::Mincho));
  Surface s = Canvas(40, 20);
  EXPECT_EQ(TextOut(s, 0, 0, "AB", 0xFFFFFF, Font{}), 0);
  EXPECT_EQ(TextOutUncached(s, 0, 0, "AB", 0xFFFFFF, Font{}), 0);
  EXPECT_EQ(MeasureText("AB", Font{}), 0);
  // The other face is unaffected.
  EXPECT_GT(TextOut(s, 0, 0, "AB", 0xFFFFFF, Font{FontFace::Gothic}), 0);

  // A file that is not a font is no font either.
  const std::string junk = std::string(QM_BINARY_DIR) + "/not_a_font.ttf";
  FILE* f = std::fopen(junk.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("\0\1\0\0 this is no font", f);
  std::fclose(f);
  OverrideFontPath(FontFace::Mincho, junk);
  Surface t = Canvas(40, 20);
  EXPECT_EQ(TextOut(t, 0, 0, "AB", 0xFFFFFF, Font{}), 0);
  EXPECT_EQ(Measure(t, 0xFFFFFF).count, 0);
  std::remove(junk.c_str());
  ResetFontPath(FontFace::Mincho);
  EXPECT_GT(TextOut(t, 0, 0, "AB", 0xFFFFFF, Font{}), 0);
}

TEST_F(TextTest, SampleSheet) {
  // A picture of the faces and styles, written for a person to look at.
  Surface s = Canvas(320, 150);
  int y = 2;
  const char* line = "SCORE 123456pt ＬＥＶＥＬ 神業";
  for (int flags = 0; flags < 4; ++flags) {
    TextOut(s, 4, y, line, 0x00FFFF, Font{FontFace::Mincho, 14, (flags & 1) != 0, (flags & 2) != 0});
    y += 16;
  }
  TextOut(s, 4, y, "ゲームを終了しますか？ OK", 0xFFFFFF, Font{FontFace::Gothic, 13});
  y += 16;
  TextOut(s, 4, y, "WARNING!!", 0x0000FF, Font{FontFace::Mincho, 24, true});
  TextOut(s, 160, y, "ｱｲｳ ﾃｷｽﾄ", 0x00FF00, Font{FontFace::Mincho, 24});
  EXPECT_TRUE(WritePng(s, std::string(QM_BINARY_DIR) + "/text_sample.png"));
}
