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

bool Decode(const Bytes& b, WavSound& w, std::string* why = nullptr) {
  return DecodeWav(b.data(), b.size(), w, why);
}

TEST(Wav, SampleFormatsDecodeToSixteenBitStereo) {
  WavSound w;
  // 16-bit stereo keeps its samples.
  ASSERT_TRUE(Decode(Wav16(44100, 2, {100, -200, 32767, -32768}), w));
  EXPECT_EQ(w.rate, 44100);
  EXPECT_EQ(w.samples, (std::vector<int16_t>{100, -200, 32767, -32768}));

  // Mono is copied to both sides.
  ASSERT_TRUE(Decode(Wav16(22050, 1, {5, -7}), w));
  EXPECT_EQ(w.rate, 22050);
  EXPECT_EQ(w.samples, (std::vector<int16_t>{5, 5, -7, -7}));

  // 8-bit is unsigned around 128.
  ASSERT_TRUE(Decode(RiffWave({{"fmt ", FmtBody(1, 1, 11025, 8)}, {"data", {0, 128, 255}}}), w));
  EXPECT_EQ(w.samples, (std::vector<int16_t>{-32768, -32768, 0, 0, 32512, 32512}));

  // 24-bit keeps the top 16 bits.
  ASSERT_TRUE(Decode(RiffWave({{"fmt ", FmtBody(1, 1, 48000, 24)}, {"data", {0x11, 0x34, 0x12, 0x00, 0x00, 0x80}}}), w));
  EXPECT_EQ(w.samples, (std::vector<int16_t>{0x1234, 0x1234, -32768, -32768}));

  // 32-bit float is scaled and clipped; NaN is silence.
  Bytes data;
  for (float f : {0.5f, -1.0f, 2.0f, std::nanf("")}) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    Le32(data, u);
  }
  ASSERT_TRUE(Decode(RiffWave({{"fmt ", FmtBody(3, 2, 44100, 32)}, {"data", data}}), w));
  EXPECT_EQ(w.samples, (std::vector<int16_t>{16384, -32767, 32767, 0}));
}

TEST(Wav, ExtensibleFormatAndOtherChunks) {
  Bytes fmt = FmtBody(0xFFFE, 2, 44100, 16);
  Le16(fmt, 22);      // extra size
  Le16(fmt, 16);      // valid bits
  Le32(fmt, 3);       // channel mask
  Le16(fmt, 1);       // PCM sub-format GUID
  for (uint8_t v : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
    fmt.push_back(v);
  Bytes data;
  Le16(data, 1);
  Le16(data, 2);
  WavSound w;
  // An odd-sized chunk before the data keeps its pad byte; unknown chunks are skipped.
  ASSERT_TRUE(Decode(RiffWave({{"LIST", {1, 2, 3}}, {"fmt ", fmt}, {"data", data}}), w));
  EXPECT_EQ(w.samples, (std::vector<int16_t>{1, 2}));

  // A sub-format that is not PCM or float is refused.
  fmt[24] = 2;
  EXPECT_FALSE(Decode(RiffWave({{"fmt ", fmt}, {"data", data}}), w));
}

TEST(Wav, PartialLastFrameAndOddDataWithoutPad) {
  WavSound w;
  // 5 bytes of 16-bit stereo: one whole frame, the rest dropped.
  Bytes b = RiffWave({{"fmt ", FmtBody(1, 2, 8000, 16)}, {"data", {1, 0, 2, 0, 9}}});
  ASSERT_TRUE(Decode(b, w));
  EXPECT_EQ(w.samples, (std::vector<int16_t>{1, 2}));
  // The same file with the final pad byte missing (RIFF size counts without it).
  b.pop_back();
  b[4] -= 1;
  ASSERT_TRUE(Decode(b, w));
  EXPECT_EQ(w.Frames(), 1u);
}

TEST(Wav, MalformedFilesAreRefused) {
  const Bytes good = Wav16(44100, 2, {1, 2, 3, 4});
  WavSound w;
  ASSERT_TRUE(Decode(good, w));

  struct Case {
    const char* what;
    Bytes bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty", {}});
  Bytes b = good;
  b[0] = 'X';
  cases.push_back({"no RIFF", b});
  b = good;
  b[8] = 'A';
  cases.push_back({"not WAVE", b});
  b = good;
  b[4] += 10;  // RIFF size beyond the file
  cases.push_back({"riff size", b});
  b = good;
  b[40] = 0xFF;  // data chunk size (at 40) far beyond the body
  cases.push_back({"data size", b});
  b = good;
  b[16] = 200;  // fmt chunk size beyond the body
  cases.push_back({"fmt size", b});
  cases.push_back({"fmt too short", RiffWave({{"fmt ", Bytes(12, 0)}, {"data", {0, 0}}})});
  cases.push_back({"no fmt", RiffWave({{"data", {0, 0}}})});
  cases.push_back({"no data", RiffWave({{"fmt ", FmtBody(1, 1, 44100, 16)}})});
  cases.push_back({"two fmt", RiffWave({{"fmt ", FmtBody(1, 1, 44100, 16)}, {"fmt ", FmtBody(1, 1, 44100, 16)}, {"data", {0, 0}}})});
  cases.push_back({"adpcm", RiffWave({{"fmt ", FmtBody(2, 1, 44100, 4)}, {"data", {0, 0}}})});
  cases.push_back({"zero channels", RiffWave({{"fmt ", FmtBody(1, 0, 44100, 16)}, {"data", {0, 0}}})});
  cases.push_back({"six channels", RiffWave({{"fmt ", FmtBody(1, 6, 44100, 16)}, {"data", Bytes(12, 0)}})});
  cases.push_back({"rate 0", RiffWave({{"fmt ", FmtBody(1, 1, 0, 16)}, {"data", {0, 0}}})});
  cases.push_back({"12 bits", RiffWave({{"fmt ", FmtBody(1, 1, 44100, 12)}, {"data", {0, 0}}})});
  cases.push_back({"float 16", RiffWave({{"fmt ", FmtBody(3, 1, 44100, 16)}, {"data", {0, 0}}})});
  Bytes badAlign = FmtBody(1, 2, 44100, 16);
  badAlign[12] = 3;
  cases.push_back({"block align", RiffWave({{"fmt ", badAlign}, {"data", {0, 0, 0, 0}}})});

  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(Decode(c.bytes, w, &why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
    EXPECT_TRUE(w.samples.empty()) << c.what;
  }

  // Every truncation of a good file is refused (its sizes no longer fit).
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(DecodeWav(good.data(), n, w)) << "cut at " << n;
}

}  // namespace
