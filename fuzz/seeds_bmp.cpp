// Writes the BMP fuzzer's starting corpus: one small file of every kind the
// decoder reads, made by the same writer as the decoder's tests.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/bmp/bmp_writer.h"

namespace {

bmpw::Grid Pattern(int w, int h, int bpp) {
  bmpw::Grid g{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      g.v.push_back(bpp <= 8 ? (x < w / 2 ? 1u : static_cast<uint32_t>(x * 3 + y)) % (1u << bpp)
                             : static_cast<uint32_t>((x * 40) << 16 | (y * 50) << 8 | (x * y)));
  return g;
}

bool Write(const std::string& path, const std::vector<uint8_t>& b) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  int written = 0;
  for (uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u}) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
      for (uint32_t comp : {bmpw::kRgb, bmpw::kRle8, bmpw::kRle4, bmpw::kBitFields}) {
        if (comp == bmpw::kRle8 && bpp != 8) continue;
        if (comp == bmpw::kRle4 && bpp != 4) continue;
        if (comp == bmpw::kBitFields && bpp != 16 && bpp != 32) continue;
        if (header == 12 && (comp != bmpw::kRgb || bpp == 16 || bpp == 32)) continue;
        for (bool topDown : {false, true}) {
          if (topDown && (header == 12 || comp == bmpw::kRle8 || comp == bmpw::kRle4)) continue;
          bmpw::Options o;
          o.header = header;
          o.bpp = bpp;
          o.compression = comp;
          o.topDown = topDown;
          if (bpp <= 8)
            for (int i = 0; i < (1 << bpp); ++i) o.palette.push_back(i * 0x010203u & 0xFFFFFF);
          if (comp == bmpw::kBitFields) {
            o.masks[0] = bpp == 16 ? 0xF800 : 0xFF0000;
            o.masks[1] = bpp == 16 ? 0x07E0 : 0x00FF00;
            o.masks[2] = bpp == 16 ? 0x001F : 0x0000FF;
          }
          const std::string name = dir + "/h" + std::to_string(header) + "_b" + std::to_string(bpp) +
                                   "_c" + std::to_string(comp) + (topDown ? "_td" : "") + ".bmp";
          if (!Write(name, bmpw::Encode(Pattern(7, 5, bpp), o))) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
          }
          ++written;
        }
      }
    }
  }
  std::printf("%d seed files in %s\n", written, dir.c_str());
  return 0;
}
