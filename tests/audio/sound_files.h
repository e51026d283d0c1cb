// Small WAV and MIDI files made in the tests themselves, and a scratch folder.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace soundfiles {

using Bytes = std::vector<uint8_t>;

inline void Le16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
inline void Le32(Bytes& b, uint32_t v) { Le16(b, v & 0xFFFF), Le16(b, v >> 16); }
inline void Be16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
inline void Be32(Bytes& b, uint32_t v) { Be16(b, v >> 16), Be16(b, v & 0xFFFF); }
inline void Tag(Bytes& b, const char* t) { b.insert(b.end(), t, t + 4); }

// A chunk: tag, little-endian size, body, pad byte when odd.
inline void Chunk(Bytes& b, const char* tag, const Bytes& body) {
  Tag(b, tag), Le32(b, static_cast<uint32_t>(body.size())), b.insert(b.end(), body.begin(), body.end());
  if (body.size() & 1) b.push_back(0);
}

inline Bytes FmtBody(uint16_t format, int channels, int rate, int bits) {
  Bytes f;
  return Le16(f, format), Le16(f, channels), Le32(f, rate), Le32(f, rate * channels * bits / 8), Le16(f, channels * bits / 8), Le16(f, bits), f;
}

inline Bytes RiffWave(const std::vector<std::pair<const char*, Bytes>>& chunks) {
  Bytes body = {'W', 'A', 'V', 'E'}, b;
  for (auto& [tag, data] : chunks) Chunk(body, tag, data);
  return Chunk(b, "RIFF", body), b;
}

// 16-bit PCM from a list of interleaved samples.
inline Bytes Wav16(int rate, int channels, const std::vector<int16_t>& samples) {
  Bytes data;
  for (int16_t s : samples) Le16(data, static_cast<uint16_t>(s));
  return RiffWave({{"fmt ", FmtBody(1, channels, rate, 16)}, {"data", data}});
}

// A sine tone at the given amplitude, 16-bit.
inline Bytes SineWav(int rate, int channels, double seconds, double hz = 440, int amplitude = 12000) {
  std::vector<int16_t> s;
  for (int i = 0; i < static_cast<int>(rate * seconds); ++i)
    s.insert(s.end(), channels, static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate))));
  return Wav16(rate, channels, s);
}

// A MIDI variable-length quantity: seven bits a byte, the top bit on all but the last.
inline void Vlq(Bytes& b, uint32_t v) {
  for (int shift = 28; shift > 0; shift -= 7)
    if (v >> shift) b.push_back(static_cast<uint8_t>(0x80 | ((v >> shift) & 0x7F)));
  b.push_back(v & 0x7F);
}

inline Bytes MidiHeader(int format, int tracks, int division) {
  Bytes b;
  return Tag(b, "MThd"), Be32(b, 6), Be16(b, format), Be16(b, tracks), Be16(b, division), b;
}

inline void Track(Bytes& b, const Bytes& events) { Tag(b, "MTrk"), Be32(b, static_cast<uint32_t>(events.size())), b.insert(b.end(), events.begin(), events.end()); }

// A track that sets a tempo (microseconds per quarter), picks a piano, and
// holds one loud chord per quarter note for `quarters` quarters.
inline Bytes ChordEvents(int quarters, int division = 480, uint32_t tempo = 500000, int program = 0) {
  Bytes e = {0, 0xFF, 0x51, 0x03, uint8_t(tempo >> 16), uint8_t(tempo >> 8), uint8_t(tempo), 0, 0xC0, uint8_t(program)};
  for (int q = 0; q < quarters; ++q)
    e.insert(e.end(), {0, 0x90, 60, 120, 0, 0x90, 64, 120, 0, 0x90, 67, 120}), Vlq(e, division), e.insert(e.end(), {0x80, 60, 0, 0, 0x80, 64, 0, 0, 0x80, 67, 0});
  return e.insert(e.end(), {0, 0xFF, 0x2F, 0x00}), e;
}

// A format-0 file of `quarters` chords at 120 beats a minute (half a second each).
inline Bytes ChordMidi(int quarters) {
  Bytes b = MidiHeader(0, 1, 480);
  return Track(b, ChordEvents(quarters)), b;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  if (FILE* f = std::fopen(path.c_str(), "wb")) (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f)), std::fclose(f);
}

#ifdef QM_BINARY_DIR
}  // namespace soundfiles
#include <gtest/gtest.h>
namespace soundfiles {

// A fresh folder per test: ctest runs one binary's tests side by side, and would empty a shared one under a neighbour.
inline std::string ScratchDir(const std::string& name) {
  std::filesystem::path p = std::filesystem::path(QM_BINARY_DIR) / "test-scratch" / name;
  if (const auto* t = ::testing::UnitTest::GetInstance()->current_test_info()) {
    std::string test = std::string(t->test_suite_name()) + "." + t->name();
    std::replace(test.begin(), test.end(), '/', '_');
    p /= test;
  }
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p.string();
}
#endif

// Root mean square of interleaved stereo samples in [from, to) frames.
inline double Rms(const std::vector<int16_t>& s, size_t fromFrame, size_t toFrame) {
  toFrame = std::min(toFrame, s.size() / 2);
  double sum = 0;
  for (size_t i = 2 * fromFrame; i < 2 * toFrame; ++i) sum += double(s[i]) * s[i];
  return toFrame <= fromFrame ? 0 : std::sqrt(sum / double(2 * (toFrame - fromFrame)));
}

}  // namespace soundfiles
