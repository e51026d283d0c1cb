// 32-bit pixel surfaces and the raster operations the game draws with.
// Pixels are stored as 0x00RRGGBB; colours arrive from the game as
// 0x00BBGGRR (COLORREF) and are converted at this edge.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// Raster operation codes, as the game passes them.
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t SRCAND = 0x008800C6;
constexpr uint32_t SRCPAINT = 0x00EE0086;

class Surface {
 public:
  Surface() = default;
  Surface(int width, int height) { Resize(width, height); }
  void Resize(int width, int height) {
    if (width < 0 || height < 0) width = height = 0;
    w_ = width;
    h_ = height;
    px_.assign(static_cast<size_t>(w_) * static_cast<size_t>(h_), 0);
  }
  int width() const { return w_; }
  int height() const { return h_; }
  bool empty() const { return w_ == 0 || h_ == 0; }
  uint32_t* row(int y) { return px_.data() + static_cast<size_t>(y) * w_; }
  const uint32_t* row(int y) const { return px_.data() + static_cast<size_t>(y) * w_; }
  uint32_t at(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
  uint32_t& at(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
  uint32_t* data() { return px_.data(); }
  const uint32_t* data() const { return px_.data(); }

 private:
  int w_ = 0, h_ = 0;
  std::vector<uint32_t> px_;
};

// 0x00BBGGRR <-> 0x00RRGGBB
inline uint32_t ColorRefToPixel(uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline uint32_t PixelToColorRef(uint32_t p) { return ColorRefToPixel(p); }

// A solid brush. Live brushes are counted so that leaks show in tests.
struct Brush {
  uint32_t colorRef = 0;
};
Brush* CreateSolidBrush(uint32_t colorRef);
void DeleteBrush(Brush* brush);
int LiveBrushCount();

// Copies w x h pixels from (sx, sy) of src to (dx, dy) of dst with the raster
// operation, clipped against both surfaces. Returns non-zero on success
// (including a transfer clipped away entirely), 0 for an unknown operation.
int BitBlt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
           uint32_t rop);
// Copies n pixels (not overlapping) at cache speed on every processor: our
// own vector loop, never one large C-library memcpy (see surface.cpp).
void CopyPixels(uint32_t* dst, const uint32_t* src, size_t n);

// Where a w x h picture lands on an outW x outH output at the largest whole
// scale that fits (at least 1), centred: pixels stay square and sharp.
Rect FitWholeScale(int w, int h, int outW, int outH);
// A sprite in one pass: the same pixels as BitBlt of mask with SRCAND, then of
// image with SRCPAINT, at (dx, dy) from (0, 0). False (nothing drawn) when the
// two pictures differ in size or one of them is dst: then take the two
// transfers.
bool BlitMasked(Surface& dst, int dx, int dy, int w, int h, const Surface& mask,
                const Surface& image);
// The plain per-pixel reference the fast kernel is tested against.
int BitBltReference(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                    int sy, uint32_t rop);

// Fills the rectangle (right and bottom exclusive), clipped to the surface.
int FillRect(Surface& dst, const Rect& r, const Brush* brush);
// One-pixel border just inside the rectangle.
int FrameRect(Surface& dst, const Rect& r, const Brush* brush);
// Sets one pixel; returns the colour set (COLORREF), or 0xFFFFFFFF outside.
uint32_t SetPixel(Surface& dst, int x, int y, uint32_t colorRef);

}  // namespace platform
