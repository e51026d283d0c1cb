// Malformed sound files through the whole sound path: the bytes become a
// file that is opened as a WaveAudio or Sequencer device, played, rendered,
// stopped and closed. Whatever the bytes, nothing crashes and a refused file
// leaves no device behind.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"

namespace {
std::string g_file;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_file = "/tmp/qm-fuzz-sound-" + std::to_string(getpid()) + ".bin";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool sequencer = data[0] & 1;
  FILE* f = std::fopen(g_file.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  const int before = platform::MixerDeviceCount();
  uint32_t err = platform::SendMciString("open \"" + g_file + "\" type " +
                                         (sequencer ? "Sequencer" : "WaveAudio") +
                                         " alias fz wait");
  if (err != 0) {
    if (platform::MixerDeviceCount() != before) std::abort();
    return 0;
  }
  platform::SendMciString("play fz");
  int16_t buffer[2 * 1024];
  platform::RenderAudio(buffer, 1024);
  platform::SendMciString("stop fz wait");
  platform::SendMciString("seek fz to start wait");
  platform::SendMciString("close fz wait");
  if (platform::MixerDeviceCount() != before) std::abort();
  return 0;
}
