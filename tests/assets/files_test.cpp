// The committed pictures and music: exactly what our tools make from our
// sources, with the sprite sizes and masks the game's drawing relies on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/assetkit/image.h"
#include "tools/assetkit/mml.h"

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

TEST(Pictures, EveryFileHasItsSizeAndMasksAreWhiteExactlyWhereThePictureIsBlack) {
  for (const char* name : {"title", "title2", "sky", "dra"}) {
    Image img = Load(std::string("image/") + name + ".bmp");
    EXPECT_TRUE(img.w == 320 && img.h == 240) << name;
  }
  for (const Pair& p : SpritePairs()) {
    SCOPED_TRACE(p.colour);
    Image c = Load(p.colour), m = Load(p.mask);
    EXPECT_TRUE(c.w == p.w && c.h == p.h && m.w == p.w && m.h == p.h);
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
