// WAV decoding: the formats a game's sound files come in, and every way a
// file can be broken (which must give "no sound", never a crash).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/audio/wav.h"
#include "tests/audio/sound_files.h"

using namespace soundfiles;
using platform::DecodeWav;
using platform::WavSound;

namespace {

bool Decode(const Bytes& b, WavSound& w, std::string* why = nullptr) { return DecodeWav(b.data(), b.size(), w, why); }
Bytes Wav(const Bytes& fmt, const Bytes& data) { return RiffWave({{"fmt ", fmt}, {"data", data}}); }

// The extensible form of 16-bit stereo, with the PCM sub-format GUID.
Bytes Extensible() {
  Bytes fmt = FmtBody(0xFFFE, 2, 44100, 16);
  for (uint32_t v : {22, 16}) Le16(fmt, v);  // extra size, valid bits
  Le32(fmt, 3);                              // channel mask
  Le16(fmt, 1);
  fmt.insert(fmt.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
  return fmt;
}

TEST(Wav, SampleFormatsDecodeToSixteenBitStereo) {
  Bytes floats;
  for (float f : {0.5f, -1.0f, 2.0f, std::nanf("")}) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    Le32(floats, u);
  }
  Bytes odd = Wav(FmtBody(1, 2, 8000, 16), {1, 0, 2, 0, 9});  // one whole frame and a stray byte
  Bytes unpadded = odd;
  unpadded.pop_back();  // the pad byte missing, the RIFF size counting without it
  unpadded[4] -= 1;
  struct Row { const char* what; Bytes file; int rate; std::vector<int16_t> samples; };
  const Row rows[] = {
      {"16-bit stereo", Wav16(44100, 2, {100, -200, 32767, -32768}), 44100, {100, -200, 32767, -32768}},
      {"mono to both sides", Wav16(22050, 1, {5, -7}), 22050, {5, 5, -7, -7}},
      {"8-bit around 128", Wav(FmtBody(1, 1, 11025, 8), {0, 128, 255}), 11025, {-32768, -32768, 0, 0, 32512, 32512}},
      {"24-bit top bits", Wav(FmtBody(1, 1, 48000, 24), {0x11, 0x34, 0x12, 0x00, 0x00, 0x80}), 48000,
       {0x1234, 0x1234, -32768, -32768}},
      {"float scaled, clipped, NaN silent", Wav(FmtBody(3, 2, 44100, 32), floats), 44100, {16384, -32767, 32767, 0}},
      {"extensible after an odd unknown chunk", RiffWave({{"LIST", {1, 2, 3}}, {"fmt ", Extensible()}, {"data", {1, 0, 2, 0}}}),
       44100, {1, 2}},
      {"partial last frame", odd, 8000, {1, 2}},
      {"odd data without its pad", unpadded, 8000, {1, 2}},
  };
  for (const Row& r : rows) {
    WavSound w;
    ASSERT_TRUE(Decode(r.file, w)) << r.what;
    EXPECT_EQ(w.rate, r.rate) << r.what;
    EXPECT_EQ(w.samples, r.samples) << r.what;
    EXPECT_EQ(w.Frames(), r.samples.size() / 2) << r.what;
  }
}

TEST(Wav, MalformedFilesAreRefused) {
  const Bytes good = Wav16(44100, 2, {1, 2, 3, 4});
  auto with = [&](size_t at, uint8_t v) {
    Bytes b = good;
    b[at] = v;
    return b;
  };
  Bytes badAlign = FmtBody(1, 2, 44100, 16), notPcm = Extensible();
  badAlign[12] = 3;
  notPcm[24] = 2;  // a sub-format that is neither PCM nor float
  const Bytes mono = FmtBody(1, 1, 44100, 16);
  const std::pair<const char*, Bytes> cases[] = {
      {"empty", {}},
      {"no RIFF", with(0, 'X')},
      {"not WAVE", with(8, 'A')},
      {"riff size beyond the file", with(4, good[4] + 10)},
      {"data size beyond the body", with(40, 0xFF)},
      {"fmt size beyond the body", with(16, 200)},
      {"fmt too short", Wav(Bytes(12, 0), {0, 0})},
      {"no fmt", RiffWave({{"data", {0, 0}}})},
      {"no data", RiffWave({{"fmt ", mono}})},
      {"two fmt", RiffWave({{"fmt ", mono}, {"fmt ", mono}, {"data", {0, 0}}})},
      {"adpcm", Wav(FmtBody(2, 1, 44100, 4), {0, 0})},
      {"zero channels", Wav(FmtBody(1, 0, 44100, 16), {0, 0})},
      {"six channels", Wav(FmtBody(1, 6, 44100, 16), Bytes(12, 0))},
      {"rate 0", Wav(FmtBody(1, 1, 0, 16), {0, 0})},
      {"12 bits", Wav(FmtBody(1, 1, 44100, 12), {0, 0})},
      {"float 16", Wav(FmtBody(3, 1, 44100, 16), {0, 0})},
      {"block align", Wav(badAlign, {0, 0, 0, 0})},
      {"extensible, not PCM", Wav(notPcm, {1, 0, 2, 0})},
  };
  WavSound w;
  for (const auto& [what, bytes] : cases) {
    ASSERT_TRUE(Decode(good, w));
    std::string why;
    EXPECT_FALSE(Decode(bytes, w, &why)) << what;
    EXPECT_FALSE(why.empty()) << what;
    EXPECT_TRUE(w.samples.empty()) << what;
  }
  for (size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(DecodeWav(good.data(), n, w)) << "cut at " << n;
}

}  // namespace
