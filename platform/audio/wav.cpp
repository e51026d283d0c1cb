#include "platform/audio/wav.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {
namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool Fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;

// One sample of the file as 16 bits.
int16_t Sample16(const uint8_t* p, int bits, bool isFloat) {
  if (isFloat) {
    float f;
    uint32_t u = Le32(p);
    std::memcpy(&f, &u, 4);
    if (!(f == f)) return 0;  // NaN
    double v = double(f) * 32767.0;
    if (v > 32767) v = 32767;
    if (v < -32768) v = -32768;
    return static_cast<int16_t>(std::lround(v));
  }
  switch (bits) {
    case 8: return static_cast<int16_t>((int(p[0]) - 128) << 8);
    case 16: return static_cast<int16_t>(Le16(p));
    case 24: return static_cast<int16_t>(Le16(p + 1));
    default: return static_cast<int16_t>(Le16(p + 2));
  }
}

}  // namespace

bool DecodeWav(const uint8_t* data, size_t size, WavSound& out, std::string* why) {
  out = WavSound{};
  if (data == nullptr || size < 12) return Fail(why, "too short for a RIFF header");
  if (std::memcmp(data, "RIFF", 4) != 0) return Fail(why, "no RIFF header");
  if (std::memcmp(data + 8, "WAVE", 4) != 0) return Fail(why, "not a WAVE file");
  uint32_t riffSize = Le32(data + 4);
  if (riffSize < 4 || riffSize > size - 8) return Fail(why, "RIFF size beyond the file");
  size_t end = 8 + size_t{riffSize};

  const uint8_t* fmt = nullptr;
  uint32_t fmtSize = 0;
  const uint8_t* pcm = nullptr;
  uint32_t pcmSize = 0;
  size_t pos = 12;
  while (end - pos >= 8) {  // fewer than 8 bytes left: stray bytes, ignored
    uint32_t chunkSize = Le32(data + pos + 4);
    const uint8_t* body = data + pos + 8;
    if (chunkSize > end - pos - 8) return Fail(why, "chunk longer than the RIFF body");
    if (std::memcmp(data + pos, "fmt ", 4) == 0) {
      if (fmt) return Fail(why, "two format chunks");
      fmt = body;
      fmtSize = chunkSize;
    } else if (std::memcmp(data + pos, "data", 4) == 0) {
      if (pcm) return Fail(why, "two data chunks");
      pcm = body;
      pcmSize = chunkSize;
    }
    pos += 8 + size_t{chunkSize};
    if (chunkSize & 1) pos = std::min(pos + 1, end);  // pad byte, may be missing at the end
  }
  if (!fmt) return Fail(why, "no format chunk");
  if (!pcm) return Fail(why, "no data chunk");
  if (fmtSize < 16) return Fail(why, "format chunk too short");

  uint16_t format = Le16(fmt);
  int channels = Le16(fmt + 2);
  uint32_t rate = Le32(fmt + 4);
  int blockAlign = Le16(fmt + 12);
  int bits = Le16(fmt + 14);
  if (format == kFormatExtensible) {
    if (fmtSize < 40) return Fail(why, "extensible format chunk too short");
    int validBits = Le16(fmt + 18);
    if (validBits > bits) return Fail(why, "more valid bits than container bits");
    static const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (std::memcmp(fmt + 26, kGuidTail, 14) != 0) return Fail(why, "unknown sub-format");
    format = Le16(fmt + 24);
  }
  bool isFloat = format == kFormatFloat;
  if (format != kFormatPcm && !isFloat) return Fail(why, "compressed or unknown sample format");
  if (channels < 1 || channels > 2) return Fail(why, "only mono and stereo are played");
  if (rate < 1000 || rate > 384000) return Fail(why, "sample rate out of range");
  if (isFloat ? bits != 32 : (bits != 8 && bits != 16 && bits != 24 && bits != 32))
    return Fail(why, "unsupported sample size");
  int bytes = bits / 8;
  if (blockAlign != channels * bytes) return Fail(why, "block size does not match the format");

  size_t frames = pcmSize / static_cast<size_t>(blockAlign);
  out.rate = static_cast<int>(rate);
  out.samples.resize(frames * 2);
  for (size_t f = 0; f < frames; ++f) {
    const uint8_t* p = pcm + f * blockAlign;
    int16_t left = Sample16(p, bits, isFloat);
    int16_t right = channels == 2 ? Sample16(p + bytes, bits, isFloat) : left;
    out.samples[2 * f] = left;
    out.samples[2 * f + 1] = right;
  }
  return true;
}

}  // namespace platform
