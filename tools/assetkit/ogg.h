// Ogg Vorbis from 16-bit stereo samples (libvorbisenc), for the recorded
// pieces the builds without a MIDI synthesiser play (platform/audio/prerendered.h).
#pragma once
#include <cstdint>
#include <vector>

namespace assetkit {

// Encodes interleaved stereo at `rate` with Vorbis' variable bit rate at
// `quality` (-0.1 to 1.0). The same samples always give the same bytes.
bool EncodeOggVorbis(const std::vector<int16_t>& stereo, int rate, float quality,
                     std::vector<uint8_t>& out);

}  // namespace assetkit
