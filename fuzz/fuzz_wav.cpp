// The WAV reader on arbitrary bytes: never a read outside them, and what it
// accepts is a playable sound (a sane rate, whole stereo frames).
#include <cstdint>
#include <cstdlib>

#include "platform/audio/wav.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::WavSound w;
  std::string why;
  if (!platform::DecodeWav(data, size, w, &why)) {
    if (why.empty() || !w.samples.empty()) std::abort();
    return 0;
  }
  if (w.rate < 1000 || w.rate > 384000 || w.samples.size() % 2 != 0) std::abort();
  if (w.samples.size() / 2 > size) std::abort();  // never more frames than bytes
  return 0;
}
