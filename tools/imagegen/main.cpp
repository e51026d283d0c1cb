// qm_imagegen: writes every picture the game reads into image/.
//   qm_imagegen [--assets DIR] [--out DIR] [--sheet PNG] [--pictures PNG]
//               [--icon-bmp DIR] [--icon-png DIR]
// DIR defaults: tools/assets and image. --sheet writes the contact sheet of
// every sprite at 3x over the sky; --pictures a sheet of the full pictures.
// --icon-bmp writes the window icon as the game reads it (icon.bmp and its
// mask iconm.bmp); --icon-png the desktop's icons, quillmoor-N.png at 32, 64
// and 128 pixels, enlarged whole so that they stay sharp.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/imagegen/art.h"

using assetkit::Image;

namespace {

struct Sprite {
  std::string name;  // file stem without b/m and frame, e.g. "chr00"
  std::vector<Image> frames;
};

bool Save(const std::string& path, const Image& img) {
  if (!assetkit::WriteFile(path, assetkit::EncodeBmp(img))) {
    std::fprintf(stderr, "qm_imagegen: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

// Colour picture and mask, as the game draws them: mask with AND, picture with OR.
bool SaveSprite(const std::string& dir, const std::string& colourName, const std::string& maskName, const Image& s) {
  Image colour = assetkit::SpriteColour(s);
  return Save(dir + "/" + colourName, colour) && Save(dir + "/" + maskName, assetkit::MaskOf(colour));
}

std::string Two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// Draws a sprite the way the game does: (dst AND mask) OR colour.
void DrawMasked(Image& dst, const Image& sprite, int x, int y) {
  Image colour = assetkit::SpriteColour(sprite);
  Image mask = assetkit::MaskOf(colour);
  for (int j = 0; j < colour.h; ++j)
    for (int i = 0; i < colour.w; ++i) {
      if (!dst.In(x + i, y + j)) continue;
      assetkit::Pixel& d = dst.Ref(x + i, y + j);
      d = 0xFF000000u | ((d & mask.At(i, j)) | colour.At(i, j));
    }
}

Image TiledSky(const Image& sky, int w, int h) {
  Image out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.Ref(x, y) = sky.At(x % sky.w, y % sky.h);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::string assets = "tools/assets", out = "image", sheet, pictures, iconBmp, iconPng;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 < argc && a == "--assets") assets = argv[++i];
    else if (i + 1 < argc && a == "--out") out = argv[++i];
    else if (i + 1 < argc && a == "--sheet") sheet = argv[++i];
    else if (i + 1 < argc && a == "--pictures") pictures = argv[++i];
    else if (i + 1 < argc && a == "--icon-bmp") iconBmp = argv[++i];
    else if (i + 1 < argc && a == "--icon-png") iconPng = argv[++i];
    else {
      std::fprintf(stderr, "usage: qm_imagegen [--assets DIR] [--out DIR] [--sheet PNG] [--pictures PNG] "
                           "[--icon-bmp DIR] [--icon-png DIR]\n");
      return 2;
    }
  }
  std::string error;
  art::Palette palette;
  if (!palette.Load(assets + "/palette.txt", error)) {
    std::fprintf(stderr, "qm_imagegen: %s\n", error.c_str());
    return 1;
  }

  // Characters: 0 the ship, 1..3 the enemy kinds, 4 the boss.
  std::vector<Sprite> chr(5);
  for (int set : {0, 1, 3}) {
    if (!art::LoadGridSprite(assets + "/sprites/chr" + Two(set) + ".txt", chr[size_t(set)].frames, error)) {
      std::fprintf(stderr, "qm_imagegen: %s\n", error.c_str());
      return 1;
    }
  }
  chr[2].frames = art::WheelEnemyFrames();
  chr[4].frames = art::BossFrames();
  std::vector<Image> bom = art::ExplosionFrames();
  std::vector<Sprite> sht(6);
  for (int set = 0; set < 6; ++set) sht[size_t(set)].frames = art::ShotFrames(set);

  const Image title = art::Title(chr[0].frames[0]), title2 = art::Title2(chr[0].frames[0]);
  const Image sky = art::Sky(), rage = art::RageOverlay();
  const Image lettering = assetkit::SpriteColour(art::Lettering());

  bool ok = Save(out + "/title.bmp", title) && Save(out + "/ttstr.bmp", lettering) &&
            Save(out + "/ttstrm.bmp", assetkit::MaskOf(lettering)) && Save(out + "/sky.bmp", sky) &&
            Save(out + "/dra.bmp", rage) && Save(out + "/title2.bmp", title2);
  for (int set = 0; set < 5 && ok; ++set) {
    if (chr[size_t(set)].frames.size() != 3) {
      std::fprintf(stderr, "qm_imagegen: character set %d needs 3 frames\n", set);
      return 1;
    }
    for (int f = 1; f <= 3 && ok; ++f)
      ok = SaveSprite(out, "chr" + Two(set) + "b" + std::to_string(f) + ".bmp",
                      "chr" + Two(set) + "m" + std::to_string(f) + ".bmp", chr[size_t(set)].frames[size_t(f - 1)]);
  }
  for (int n = 1; n <= 5 && ok; ++n)
    ok = SaveSprite(out, "bom" + Two(n) + "b.bmp", "bom" + Two(n) + "m.bmp", bom[size_t(n - 1)]);
  for (int set = 0; set < 6 && ok; ++set)
    for (int f = 1; f <= 3 && ok; ++f)
      ok = SaveSprite(out, "sht" + Two(set) + "b" + std::to_string(f) + ".bmp",
                      "sht" + Two(set) + "m" + std::to_string(f) + ".bmp", sht[size_t(set)].frames[size_t(f - 1)]);
  if (!ok) return 1;

  const Image icon = art::Icon(chr[0].frames[0]);
  if (!iconBmp.empty() && !SaveSprite(iconBmp, "icon.bmp", "iconm.bmp", icon)) return 1;
  for (int size : {32, 64, 128}) {
    if (iconPng.empty()) break;
    const std::string path = iconPng + "/quillmoor-" + std::to_string(size) + ".png";
    if (!assetkit::WritePng(path, assetkit::Enlarge(icon, size / icon.w), true)) {
      std::fprintf(stderr, "qm_imagegen: cannot write %s\n", path.c_str());
      return 1;
    }
  }

  if (!sheet.empty()) {
    // Every sprite over the sky, in rows: characters, boss, explosions, shots.
    const int cw = 380, chh = 200;
    Image canvas = TiledSky(sky, cw, chh);
    int x = 4, y = 4;
    for (int set : {0, 1, 2, 3}) {
      for (const Image& f : chr[size_t(set)].frames) {
        DrawMasked(canvas, f, x, y + (32 - f.h) / 2);
        x += f.w + 4;
      }
      x += 6;
    }
    x = 4;
    y += 40;
    for (const Image& f : chr[4].frames) {
      DrawMasked(canvas, f, x, y);
      x += f.w + 8;
    }
    x = 4;
    y += 70;
    for (const Image& f : bom) {
      DrawMasked(canvas, f, x, y);
      x += f.w + 6;
    }
    x = 4;
    y += 40;
    for (const Sprite& s : sht) {
      for (const Image& f : s.frames) {
        DrawMasked(canvas, f, x, y);
        x += f.w + 2;
      }
      x += 6;
    }
    if (!assetkit::WritePng(sheet, assetkit::Enlarge(canvas, 3))) {
      std::fprintf(stderr, "qm_imagegen: cannot write %s\n", sheet.c_str());
      return 1;
    }
  }
  if (!pictures.empty()) {
    // The full pictures: title with lettering, eclipse title, sky, rage over sky.
    Image canvas(640 + 12, 480 + 12, assetkit::Rgb(40, 40, 40));
    Image t = title;
    DrawMasked(t, art::Lettering(), 0, 0);
    assetkit::Paste(canvas, t, 4, 4);
    Image t2 = title2;
    DrawMasked(t2, art::Lettering(), 0, 0);
    assetkit::Paste(canvas, t2, 328, 4);
    assetkit::Paste(canvas, sky, 4, 248);
    Image r = sky;
    for (size_t i = 0; i < r.px.size(); ++i) r.px[i] |= rage.px[i];
    assetkit::Paste(canvas, r, 328, 248);
    if (!assetkit::WritePng(pictures, canvas)) return 1;
  }
  return 0;
}
