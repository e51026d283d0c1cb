#include "flow/assets.h"

#include <cstdio>

namespace {

// "image/" + prefix + two-digit number + kind letter + frame digit + ".bmp"
std::string SpriteName(const char* prefix, int set, char kind, int frame) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "image/%s%02d%c%d.bmp", prefix, set, kind, frame);
  return buf;
}

std::vector<ImageEntry> BuildTable() {
  std::vector<ImageEntry> t = {
      {&titleBmp, "image/title.bmp"},   {&titleStrBmp, "image/ttstr.bmp"},
      {&titleStrMask, "image/ttstrm.bmp"}, {&skyBmp, "image/sky.bmp"},
      {&rageBmp, "image/dra.bmp"},
  };
  for (int set = 0; set <= 4; ++set)
    for (int frame = 1; frame <= 3; ++frame) {
      t.push_back({&chrBmp[set * 4 + frame], SpriteName("chr", set, 'b', frame)});
      t.push_back({&chrMask[set * 4 + frame], SpriteName("chr", set, 'm', frame)});
    }
  for (int n = 1; n <= 5; ++n) {
    char b[32], m[32];
    std::snprintf(b, sizeof b, "image/bom%02db.bmp", n);
    std::snprintf(m, sizeof m, "image/bom%02dm.bmp", n);
    t.push_back({&bomBmp[n], b});
    t.push_back({&bomMask[n], m});
  }
  for (int set = 0; set <= 5; ++set)
    for (int frame = 1; frame <= 3; ++frame) {
      t.push_back({&shtBmp[set * 4 + frame], SpriteName("sht", set, 'b', frame)});
      t.push_back({&shtMask[set * 4 + frame], SpriteName("sht", set, 'm', frame)});
    }
  return t;
}

}  // namespace

const std::vector<ImageEntry>& ImageTable() {
  static const std::vector<ImageEntry> table = BuildTable();
  return table;
}

void LoadImages() {
  // A missing or unreadable file leaves its record empty: it draws nothing.
  for (const ImageEntry& e : ImageTable()) OpenBmp(*e.record, e.file);
}

void FreeImages() {
  for (const ImageEntry& e : ImageTable()) CloseBmp(*e.record);
}
