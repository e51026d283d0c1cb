// The BMP decoder on arbitrary bytes: it must never read outside them,
// overflow, or hand back a picture whose size disagrees with its pixels.
#include <cstdint>
#include <cstdlib>

#include "platform/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::Surface s = platform::DecodeBmp(data, size);
  if (s.empty()) {
    if (s.width() != 0 && s.height() != 0) std::abort();
    return 0;
  }
  if (s.width() > platform::kMaxBmpSide || s.height() > platform::kMaxBmpSide ||
      int64_t{s.width()} * s.height() > platform::kMaxBmpPixels)
    std::abort();
  // Touch every pixel so that a short buffer shows up under the sanitizer.
  uint32_t acc = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) acc ^= s.at(x, y);
  if (acc & 0xFF000000u) std::abort();  // decoded pixels never carry a top byte
  return 0;
}
