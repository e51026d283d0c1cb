// PNG through libpng. Its error handling longjmps, so every object whose
// destructor matters lives outside the setjmp scope.
#include "platform/gfx/png.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace platform {

namespace {

struct File {
  FILE* f = nullptr;
  ~File() {
    if (f) std::fclose(f);
  }
};

// libpng prints its errors by default; the callers only want the result.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

}  // namespace

bool WritePng(const Surface& surface, const std::string& path) {
  if (surface.empty()) return false;
  const int w = surface.width(), h = surface.height();
  std::vector<png_byte> rgb(static_cast<size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const uint32_t* s = surface.row(y);
    png_byte* d = rgb.data() + static_cast<size_t>(y) * w * 3;
    for (int x = 0; x < w; ++x) {
      d[3 * x + 0] = static_cast<png_byte>(s[x] >> 16);
      d[3 * x + 1] = static_cast<png_byte>(s[x] >> 8);
      d[3 * x + 2] = static_cast<png_byte>(s[x]);
    }
  }
  std::vector<png_bytep> rows(h);
  for (int y = 0; y < h; ++y) rows[y] = rgb.data() + static_cast<size_t>(y) * w * 3;

  File file;
  file.f = std::fopen(path.c_str(), "wb");
  if (!file.f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file.f);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file.f) != 0 || std::ferror(file.f)) ok = false;
  std::fclose(file.f);
  file.f = nullptr;
  if (!ok) std::remove(path.c_str());
  return ok;
}

bool ReadPng(const std::string& path, Surface& out) {
  out = Surface();
  File file;
  file.f = std::fopen(path.c_str(), "rb");
  if (!file.f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, QuietWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> pixels;
  std::vector<png_bytep> rows;
  volatile png_uint_32 w = 0, h = 0;
  volatile bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file.f);
    png_set_user_limits(png, 16384, 16384);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    w = png_get_image_width(png, info);
    h = png_get_image_height(png, info);
    if (png_get_rowbytes(png, info) == static_cast<size_t>(w) * 3) {
      pixels.resize(static_cast<size_t>(w) * h * 3);
      rows.resize(h);
      for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + static_cast<size_t>(y) * w * 3;
      png_read_image(png, rows.data());
      png_read_end(png, nullptr);
      ok = true;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) return false;
  out.Resize(static_cast<int>(w), static_cast<int>(h));
  for (png_uint_32 y = 0; y < h; ++y) {
    const png_byte* s = pixels.data() + static_cast<size_t>(y) * w * 3;
    uint32_t* d = out.row(static_cast<int>(y));
    for (png_uint_32 x = 0; x < w; ++x)
      d[x] = (uint32_t{s[3 * x]} << 16) | (uint32_t{s[3 * x + 1]} << 8) | s[3 * x + 2];
  }
  return true;
}

}  // namespace platform
