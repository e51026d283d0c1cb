// Reading WAV files for the WaveAudio devices.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct WavSound {
  int rate = 0;                  // frames per second of the file
  std::vector<int16_t> samples;  // interleaved stereo (L, R), 16-bit
  size_t Frames() const { return samples.size() / 2; }
};

// Decodes a RIFF WAVE file: integer PCM of 8, 16, 24 or 32 bits or 32-bit
// float, plain or in the extensible format, mono or stereo, 1 kHz to 384 kHz.
// Every chunk must lie inside the RIFF body and the body inside the file (a
// missing pad byte after the last chunk is tolerated); the format chunk must
// be consistent (block size = channels x bytes per sample). A data chunk that
// ends in a partial frame loses that frame. Returns false, with `why` set,
// for anything else.
bool DecodeWav(const uint8_t* data, size_t size, WavSound& out, std::string* why = nullptr);

}  // namespace platform
