// The committed pictures and music: exactly what our tools make from our
// sources, in the formats and sizes the game relies on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/assetkit/image.h"
#include "tools/assetkit/mml.h"
#include "tools/assetkit/render.h"

namespace fs = std::filesystem;
using namespace assetkit;

namespace {

const std::string kRoot = QM_SOURCE_DIR;

std::string Two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

Image Load(const std::string& rel) {
  std::vector<uint8_t> bytes;
  Image img;
  EXPECT_TRUE(ReadFile(kRoot + "/" + rel, bytes)) << rel;
  EXPECT_TRUE(DecodeBmp24(bytes, img)) << rel << " is not a 24-bit BMP";
  return img;
}

// Every colour picture / mask pair the game loads, with the size it needs.
struct Pair {
  std::string colour, mask;
  int w, h;
};

std::vector<Pair> SpritePairs() {
  std::vector<Pair> out;
  const int chrSize[5] = {20, 16, 24, 32, 64};
  for (int set = 0; set < 5; ++set)
    for (int f = 1; f <= 3; ++f)
      out.push_back({"image/chr" + Two(set) + "b" + std::to_string(f) + ".bmp",
                     "image/chr" + Two(set) + "m" + std::to_string(f) + ".bmp", chrSize[set], chrSize[set]});
  for (int n = 1; n <= 5; ++n) out.push_back({"image/bom" + Two(n) + "b.bmp", "image/bom" + Two(n) + "m.bmp", 32, 32});
  for (int set = 0; set < 6; ++set)
    for (int f = 1; f <= 3; ++f)
      out.push_back({"image/sht" + Two(set) + "b" + std::to_string(f) + ".bmp",
                     "image/sht" + Two(set) + "m" + std::to_string(f) + ".bmp", 16, 16});
  out.push_back({"image/ttstr.bmp", "image/ttstrm.bmp", 320, 240});
  return out;
}

double Luma(Pixel p) { return 0.299 * R(p) + 0.587 * G(p) + 0.114 * B(p); }

double RowDifference(const Image& img, int a, int b) {
  double sum = 0;
  for (int x = 0; x < img.w; ++x) {
    Pixel p = img.At(x, a), q = img.At(x, b);
    sum += std::abs(R(p) - R(q)) + std::abs(G(p) - G(q)) + std::abs(B(p) - B(q));
  }
  return sum / img.w;
}

// A scratch folder that is removed again.
struct TempDir {
  fs::path path;
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "qm-assets-XXXXXX").string();
    path = mkdtemp(tmpl.data());
  }
  ~TempDir() { fs::remove_all(path); }
};

void ExpectSameFiles(const fs::path& made, const fs::path& committed, size_t expectedCount) {
  size_t count = 0;
  for (const auto& e : fs::directory_iterator(made)) {
    ++count;
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(ReadFile(e.path().string(), a));
    ASSERT_TRUE(ReadFile((committed / e.path().filename()).string(), b))
        << e.path().filename() << " is made by the tools but not committed";
    EXPECT_TRUE(a == b) << e.path().filename() << " differs from what the tools make: run make assets";
  }
  EXPECT_EQ(count, expectedCount);
}

}  // namespace

TEST(Bmp, WritesBottomUpTwentyFourBitWithPaddedRows) {
  Image img(5, 2, Rgb(0, 0, 0));
  img.Set(0, 0, Rgb(1, 2, 3));     // top left
  img.Set(4, 1, Rgb(250, 251, 252));  // bottom right
  std::vector<uint8_t> b = EncodeBmp(img);
  ASSERT_EQ(b.size(), 54u + 2 * 16);  // 15 bytes a row, padded to 16
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[14], 40);  // BITMAPINFOHEADER
  EXPECT_EQ(b[22], 2);   // positive height: bottom-up
  EXPECT_EQ(b[28], 24);
  // The first stored row is the bottom one; pixels are blue, green, red.
  EXPECT_EQ(b[54 + 12], 252);
  EXPECT_EQ(b[54 + 14], 250);
  EXPECT_EQ(b[54 + 16], 3);
  EXPECT_EQ(b[54 + 18], 1);
  Image back;
  ASSERT_TRUE(DecodeBmp24(b, back));
  EXPECT_EQ(back.At(0, 0) & 0xFFFFFF, Rgb(1, 2, 3) & 0xFFFFFF);
  EXPECT_EQ(back.At(4, 1) & 0xFFFFFF, Rgb(250, 251, 252) & 0xFFFFFF);
  b.resize(b.size() - 1);
  EXPECT_FALSE(DecodeBmp24(b, back));
}

TEST(Bmp, SpriteBlackBecomesInkAndMaskFollowsPicture) {
  Image s(3, 1);
  s.Set(1, 0, Rgb(0, 0, 0));  // meant as a dark, visible pixel
  s.Set(2, 0, Rgb(9, 9, 9));
  Image colour = SpriteColour(s);
  EXPECT_EQ(colour.At(0, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(colour.At(1, 0), kInk);
  Image mask = MaskOf(colour);
  EXPECT_EQ(mask.At(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(mask.At(1, 0) & 0xFFFFFF, 0u);
  EXPECT_EQ(mask.At(2, 0) & 0xFFFFFF, 0u);
}

TEST(Pictures, EveryFileHasItsSizeAndMasksAreWhiteExactlyWhereThePictureIsBlack) {
  for (const char* name : {"title", "title2", "sky", "dra"}) {
    Image img = Load(std::string("image/") + name + ".bmp");
    EXPECT_EQ(img.w, 320) << name;
    EXPECT_EQ(img.h, 240) << name;
  }
  for (const Pair& p : SpritePairs()) {
    SCOPED_TRACE(p.colour);
    Image c = Load(p.colour), m = Load(p.mask);
    EXPECT_EQ(c.w, p.w);
    EXPECT_EQ(c.h, p.h);
    EXPECT_EQ(m.w, p.w);
    EXPECT_EQ(m.h, p.h);
    ASSERT_EQ(c.px.size(), m.px.size());
    int opaque = 0, wrong = 0;
    for (size_t i = 0; i < c.px.size(); ++i) {
      bool black = (c.px[i] & 0xFFFFFF) == 0;
      wrong += (m.px[i] & 0xFFFFFF) != (black ? 0xFFFFFFu : 0u);
      opaque += !black;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(opaque, 12) << "(nearly) empty";
  }
}

TEST(Pictures, EveryAnimationFrameDiffers) {
  auto differ = [](const Image& a, const Image& b) {
    int n = 0;
    for (size_t i = 0; i < a.px.size(); ++i) n += a.px[i] != b.px[i];
    return n;
  };
  for (const std::string prefix : {"chr00", "chr01", "chr02", "chr03", "chr04", "sht00", "sht01", "sht02", "sht03",
                                   "sht04", "sht05"}) {
    Image f1 = Load("image/" + prefix + "b1.bmp"), f2 = Load("image/" + prefix + "b2.bmp"),
          f3 = Load("image/" + prefix + "b3.bmp");
    EXPECT_GT(differ(f1, f2), 2) << prefix;
    EXPECT_GT(differ(f2, f3), 2) << prefix;
    EXPECT_GT(differ(f1, f3), 2) << prefix;
  }
}

TEST(Pictures, ExplosionGrowsThenFades) {
  std::vector<int> area;
  std::vector<double> brightness;
  for (int n = 1; n <= 5; ++n) {
    Image img = Load("image/bom" + Two(n) + "b.bmp");
    int a = 0;
    double sum = 0;
    for (Pixel p : img.px)
      if ((p & 0xFFFFFF) != 0) ++a, sum += Luma(p);
    area.push_back(a);
    brightness.push_back(sum);
  }
  EXPECT_LT(area[0], area[1]);
  EXPECT_LT(area[1], area[2]);
  EXPECT_GT(brightness[2], brightness[3]);  // burning out
  EXPECT_GT(brightness[3], brightness[4]);
  EXPECT_GT(area[2], area[4]);  // smoke thins away
}

TEST(Pictures, SkyTilesVerticallyWithoutASeam) {
  Image sky = Load("image/sky.bmp");
  double worst = 0, mean = 0;
  for (int y = 0; y + 1 < sky.h; ++y) {
    double d = RowDifference(sky, y, y + 1);
    worst = std::max(worst, d);
    mean += d / (sky.h - 1);
  }
  double seam = RowDifference(sky, sky.h - 1, 0);
  EXPECT_LE(seam, worst);
  EXPECT_LE(seam, 3 * mean + 1) << "the wrap from the last row to the first stands out";
}

TEST(Pictures, RageOverlayIsBlackInTheMiddleAndFlaresAtTheEdges) {
  Image dra = Load("image/dra.bmp");
  for (int y = 100; y < 140; ++y)
    for (int x = 140; x < 180; ++x) ASSERT_EQ(dra.At(x, y) & 0xFFFFFF, 0u) << x << "," << y;
  double edge = 0;
  for (int x = 0; x < 320; ++x) edge += Luma(dra.At(x, 0)) + Luma(dra.At(x, 239));
  EXPECT_GT(edge / 640, 120.0);
}

TEST(Pictures, EclipseTitleIsADarkerTakeOnTheTitle) {
  Image t = Load("image/title.bmp"), t2 = Load("image/title2.bmp");
  double l1 = 0, l2 = 0;
  int sameShape = 0, samples = 0;
  for (size_t i = 0; i < t.px.size(); ++i) {
    l1 += Luma(t.px[i]);
    l2 += Luma(t2.px[i]);
  }
  EXPECT_LT(l2, l1 * 0.85);
  // Same composition: where the title has an edge, so has the variant.
  for (int y = 1; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      bool e1 = std::abs(Luma(t.At(x, y)) - Luma(t.At(x, y - 1))) > 20;
      bool e2 = std::abs(Luma(t2.At(x, y)) - Luma(t2.At(x, y - 1))) > 4;
      if (e1) ++samples, sameShape += e2;
    }
  EXPECT_GT(sameShape, samples / 2);
}

TEST(Pictures, LetteringReadsOverAnyPicture) {
  // Mask then paint over white and over black: the letters and their dark
  // outline are there over both, and nothing outside the lettering changes.
  Image c = Load("image/ttstr.bmp"), m = Load("image/ttstrm.bmp");
  int letters = 0, dark = 0, bright = 0;
  for (size_t i = 0; i < c.px.size(); ++i) {
    Pixel overWhite = (0xFFFFFF & m.px[i]) | (c.px[i] & 0xFFFFFF);
    Pixel overBlack = (0 & m.px[i]) | (c.px[i] & 0xFFFFFF);
    if ((m.px[i] & 0xFFFFFF) == 0) {
      ++letters;
      EXPECT_EQ(overWhite, overBlack);
      dark += Luma(c.px[i]) < 40;
      bright += Luma(c.px[i]) > 150;
    } else {
      EXPECT_EQ(overWhite, 0xFFFFFFu);
    }
  }
  EXPECT_GT(letters, 3000);
  EXPECT_GT(dark, letters / 5);    // outline and shadow
  EXPECT_GT(bright, letters / 5);  // the gilded letters
}

TEST(Music, FourPiecesOfTheRightLengthWithAllPartsRenderedWithoutClippingOrSilence) {
  const std::map<std::string, double> lengths = {{"opening", 41}, {"stage", 47}, {"boss", 21}, {"ending", 83}};
  for (const auto& [name, seconds] : lengths) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFile(kRoot + "/bgm/" + name + ".mid", bytes));
    SmfSummary s;
    std::string error;
    ASSERT_TRUE(ReadSmf(bytes, s, error)) << error;
    EXPECT_EQ(s.format, 1);
    EXPECT_NEAR(s.seconds, seconds, 0.25);
    EXPECT_GT(s.notesOnChannel[9], 50) << "no drums";
    int voiced = 0;
    for (int ch = 0; ch < 16; ++ch)
      if (ch != 9 && s.notesOnChannel[ch] > 0) ++voiced;
    EXPECT_GE(voiced, 3) << "needs melody, harmony and bass";
    Rendering r;
    ASSERT_TRUE(RenderMidi(kRoot + "/bgm/" + name + ".mid", kSoundFont, 0.0, r, error)) << error;
    LoudnessReport rep = Measure(r);
    EXPECT_LT(rep.peak, 0.98);
    ASSERT_FALSE(rep.rmsPerSecond.empty());
    // Every whole second is well above silence (the last, partial one may be a sliver).
    for (size_t i = 0; i + 1 < rep.rmsPerSecond.size(); ++i)
      EXPECT_GT(ToDb(rep.rmsPerSecond[i]), -40.0) << "second " << i;
  }
}

TEST(Reproducible, ToolsRemakeTheCommittedPicturesBitForBit) {
  TempDir out;
  std::string cmd = std::string(QM_IMAGEGEN) + " --assets " + kRoot + "/tools/assets --out " + out.path.string();
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  ExpectSameFiles(out.path, kRoot + "/image", 82);
}

TEST(Reproducible, ToolsRemakeTheCommittedMusicBitForBit) {
  TempDir out;
  std::string cmd = std::string(QM_MMLC) + " --out-dir " + out.path.string();
  for (const auto& e : fs::directory_iterator(kRoot + "/tools/assets/music"))
    if (e.path().extension() == ".mml") cmd += " " + e.path().string();
  cmd += " > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  ExpectSameFiles(out.path, kRoot + "/bgm", 4);
}
