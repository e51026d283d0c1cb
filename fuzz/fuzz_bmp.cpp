// The BMP decoder on arbitrary bytes: it must never read outside them,
// overflow, or hand back a picture whose size disagrees with its pixels.
#include <cstdint>
#include <cstdlib>

#include "platform/gfx/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::Surface s = platform::DecodeBmp(data, size);
  if (s.empty()) {
    if (s.width() != 0 && s.height() != 0) std::abort();
    return 0;
  }
  if (s.width() > platform::kMaxBmpSide || s.height() > platform::kMaxBmpSide ||
      int64_t{s.width()} * s.height() > platform::kMaxBmpPixels)
    std::abort();
  // The corners and the first row: decoded pixels never carry a top byte.
  // (Every pixel of a picture of up to 16M pixels would slow the search.)
  uint32_t acc = s.at(s.width() - 1, s.height() - 1) | s.at(0, s.height() - 1);
  for (int x = 0; x < s.width(); ++x) acc |= s.at(x, 0);
  if (acc & 0xFF000000u) std::abort();
  return 0;
}
