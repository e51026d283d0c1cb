// Writes the MIDI fuzzer's starting corpus: format 0 and 1 files with tempo
// changes, running status, system-exclusive and text events, an unknown chunk.
#include <cstdio>
#include <string>

#include "tests/audio/sound_files.h"

using namespace soundfiles;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  Bytes f1 = MidiHeader(1, 2, 96);
  Track(f1, {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,
             0x00, 0xFF, 0x2F, 0x00});
  Track(f1, {0x00, 0xC0, 0x05, 0x00, 0x90, 0x3C, 0x64, 0x30, 0x3E, 0x64, 0x30, 0x3C, 0x00,
             0x00, 0xF0, 0x02, 0x7E, 0xF7, 0x00, 0xFF, 0x01, 0x02, 'h', 'i', 0x81, 0x00, 0x3E, 0x00,
             0x00, 0xFF, 0x2F, 0x00});
  Bytes f2 = MidiHeader(0, 1, 480);
  Tag(f2, "XFIH");
  Be32(f2, 2);
  f2.insert(f2.end(), {9, 9});
  Track(f2, {0x00, 0xB0, 0x07, 0x64, 0x00, 0xE0, 0x00, 0x40, 0x00, 0x99, 0x24, 0x70, 0x60, 0x89, 0x24, 0x00});
  const Bytes seeds[] = {ChordMidi(2), f1, f2};
  int n = 0;
  for (const Bytes& b : seeds) {
    const std::string path = std::string(argv[1]) + "/seed" + std::to_string(n++);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 1;
    const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    if (std::fclose(f) != 0 || !ok) return 1;
  }
  return 0;
}
