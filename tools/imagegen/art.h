// The picture generator's parts: the palette, sprites from text grids,
// drawing helpers, and the procedural sprites and pictures.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tools/assetkit/image.h"
#include "tools/assetkit/noise.h"

namespace art {

using assetkit::Image;
using assetkit::Pixel;

// ---- palette (tools/assets/palette.txt) ----
class Palette {
 public:
  bool Load(const std::string& path, std::string& error);
  Pixel operator[](const std::string& name) const;  // aborts on an unknown name: a typo in our own source
  bool Has(const std::string& name) const { return colours_.count(name) != 0; }

 private:
  std::map<std::string, Pixel> colours_;
};
const Palette& Pal();  // the loaded palette

// ---- sprites from text grids (tools/assets/sprites/*.txt) ----
// Returns the frames of the sprite in file order.
bool LoadGridSprite(const std::string& path, std::vector<Image>& frames, std::string& error);

// ---- drawing helpers ----
using Ramp = std::vector<Pixel>;  // dark to light
Ramp MakeRamp(std::initializer_list<const char*> names);
// Picks from a ramp by a 0..1 light value.
Pixel RampAt(const Ramp& ramp, double light);

// Adds a one-pixel outline of `ink` around every opaque pixel (4 neighbours,
// or 8 with `diagonal`).
void Outline(Image& img, Pixel ink, bool diagonal = false);
// Opaque pixel test used by the shape fills: pixel centres.
void FillCircle(Image& img, double cx, double cy, double r, Pixel c);
void FillEllipse(Image& img, double cx, double cy, double rx, double ry, Pixel c);
void FillPolygon(Image& img, const std::vector<std::pair<double, double>>& pts, Pixel c);
// A lit ball: light from the upper left, quantised to the ramp.
void ShadeBall(Image& img, double cx, double cy, double r, const Ramp& ramp, double squashY = 1.0);
void MirrorLeftToRight(Image& img);

// ---- procedural sprites ----
std::vector<Image> WheelEnemyFrames();   // enemy kind 2, 24x24
std::vector<Image> BossFrames();         // boss, 64x64
std::vector<Image> ExplosionFrames();    // five frames, 32x32
std::vector<Image> ShotFrames(int set);  // sets 0..5, three frames, 16x16

// ---- full pictures, 320x240 ----
Image Sky();
// The title scene with the ship (frame 1 of its sprite) flying over it.
Image Title(const Image& ship);
Image Title2(const Image& ship);  // the same scene under a blood eclipse
Image RageOverlay();
// The lettering picture (black around) for the title screen.
Image Lettering();

// ---- the icon, 32x32 with clear corners ----
// The ship (frame 1 of its sprite) climbing across a heather moon.
Image Icon(const Image& ship);

}  // namespace art
