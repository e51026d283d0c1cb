// Writes the WAV fuzzer's starting corpus: each sample format the reader
// takes, mono and stereo, an odd chunk before the data, the extensible form.
#include <cstdio>
#include <string>

#include "fuzz/seed_file.h"
#include "tests/audio/sound_files.h"

using namespace soundfiles;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  Bytes ext = FmtBody(0xFFFE, 2, 44100, 16);
  Le16(ext, 22);
  Le16(ext, 16);
  Le32(ext, 3);
  Le16(ext, 1);
  for (uint8_t v : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
    ext.push_back(v);
  const Bytes seeds[] = {
      Wav16(44100, 2, {0, 100, -100, 32767, -32768, 5}),
      SineWav(22050, 1, 0.01),
      RiffWave({{"fmt ", FmtBody(1, 1, 11025, 8)}, {"data", {0, 128, 255, 7}}}),
      RiffWave({{"fmt ", FmtBody(1, 2, 48000, 24)}, {"data", Bytes(12, 0x40)}}),
      RiffWave({{"fmt ", FmtBody(3, 1, 44100, 32)}, {"data", {0, 0, 0, 0x3F, 0, 0, 0x80, 0xBF}}}),
      RiffWave({{"LIST", {1, 2, 3}}, {"fmt ", ext}, {"data", {1, 0, 2, 0}}}),
  };
  int n = 0;
  for (const Bytes& b : seeds) {
    if (!WriteSeed(argv[1], n++, b.data(), b.size())) return 1;
  }
  return 0;
}
