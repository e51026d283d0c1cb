// WAV and MIDI reading: the formats, the tempo map, the rewritten MIDI, every broken file (no sound, never a crash).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "platform/audio/midi_file.h"
#include "platform/audio/wav.h"
#include "tests/audio/sound_files.h"

using namespace soundfiles;
using namespace platform;

namespace {

bool Decode(const Bytes& b, WavSound& w, std::string* why = nullptr) { return DecodeWav(b.data(), b.size(), w, why); }
bool Parse(const Bytes& b, MidiFileInfo& info, std::string* why = nullptr, Bytes* clean = nullptr) { return ParseMidiFile(b.data(), b.size(), info, why, clean); }
Bytes Wav(const Bytes& fmt, const Bytes& data) { return RiffWave({{"fmt ", fmt}, {"data", data}}); }

// The extensible form of 16-bit stereo: extra size, valid bits, channel mask, the PCM sub-format GUID.
Bytes Extensible(Bytes fmt = FmtBody(0xFFFE, 2, 44100, 16)) {
  return Le16(fmt, 22), Le16(fmt, 16), Le32(fmt, 3), Le16(fmt, 1), fmt.insert(fmt.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}), fmt;
}

TEST(Wav, SampleFormatsDecodeToSixteenBitStereo) {
  Bytes floats;
  for (float f : {0.5f, -1.0f, 2.0f, std::nanf("")}) Le32(floats, std::bit_cast<uint32_t>(f));
  Bytes odd = Wav(FmtBody(1, 2, 8000, 16), {1, 0, 2, 0, 9});  // one whole frame and a stray byte
  Bytes unpadded(odd.begin(), odd.end() - 1);  // the pad byte missing, the RIFF size counting without it
  unpadded[4] -= 1;
  struct Row { const char* what; Bytes file; int rate; std::vector<int16_t> samples; };
  const Row rows[] = {
      {"16-bit stereo", Wav16(44100, 2, {100, -200, 32767, -32768}), 44100, {100, -200, 32767, -32768}},
      {"mono to both sides", Wav16(22050, 1, {5, -7}), 22050, {5, 5, -7, -7}},
      {"8-bit around 128", Wav(FmtBody(1, 1, 11025, 8), {0, 128, 255}), 11025, {-32768, -32768, 0, 0, 32512, 32512}},
      {"24-bit top bits", Wav(FmtBody(1, 1, 48000, 24), {0x11, 0x34, 0x12, 0x00, 0x00, 0x80}), 48000, {0x1234, 0x1234, -32768, -32768}},
      {"32-bit top bits", Wav(FmtBody(1, 1, 8000, 32), {0x99, 0x11, 0x34, 0x12, 0, 0, 0, 0x80}), 8000, {0x1234, 0x1234, -32768, -32768}},
      {"float scaled, clipped, NaN silent", Wav(FmtBody(3, 2, 44100, 32), floats), 44100, {16384, -32767, 32767, 0}},
      {"extensible after an odd unknown chunk", RiffWave({{"LIST", {1, 2, 3}}, {"fmt ", Extensible()}, {"data", {1, 0, 2, 0}}}), 44100, {1, 2}},
      {"partial last frame", odd, 8000, {1, 2}},
      {"odd data without its pad", unpadded, 8000, {1, 2}},
  };
  for (const Row& r : rows) {
    WavSound w;
    ASSERT_TRUE(Decode(r.file, w)) << r.what;
    EXPECT_EQ(std::tie(w.rate, w.samples), std::tie(r.rate, r.samples)) << r.what;
  }
}

Bytes File(std::initializer_list<Bytes> tracks, int format = 0, int division = 96) {
  Bytes f = MidiHeader(format, static_cast<int>(tracks.size()), division);
  return std::for_each(tracks.begin(), tracks.end(), [&](const Bytes& t) { Track(f, t); }), f;
}

TEST(MidiFile, LengthFollowsTheTempoMap) {
  MidiFileInfo info;
  // Format 1: a tempo track (120 bpm, 60 from quarter 2 at delta 0x87 0x40) and a note track of 4 quarters (0x8F 0x00).
  const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x87, 0x40, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00};
  const Bytes notes = {0x00, 0x90, 60, 100, 0x8F, 0x00, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
  ASSERT_TRUE(Parse(File({tempo, notes}, 1, 480), info));
  EXPECT_EQ(std::make_tuple(info.tracks, info.lastTick, info.lengthSeconds), std::make_tuple(2, 1920u, 1.0 + 2.0));  // 2 quarters at 0.5 s, 2 at 1 s
}

TEST(MidiFile, RunningStatusOddChunksAndTrailingBytesAreRewrittenPlainly) {
  // Running status (note-on, two data pairs), a sysex, an unknown chunk, a long header, no end-of-track.
  Bytes f = {'M', 'T', 'h', 'd', 0, 0, 0, 8, 0, 0, 0, 1, 0, 96, 0xAB, 0xCD, 'X', 'F', 'I', 'H', 0, 0, 0, 3, 1, 2, 3};  // two extra header bytes
  Track(f, {0, 0x90, 60, 100, 10, 62, 100, 10, 60, 0, 0, 0xF0, 0x02, 0x7E, 0xF7});
  MidiFileInfo info;
  Bytes clean;
  ASSERT_TRUE(Parse(f, info, nullptr, &clean));
  EXPECT_EQ(std::pair(info.lastTick, info.noteOns), std::pair(20u, 2));
  EXPECT_EQ(clean, File({{0, 0x90, 60, 100, 10, 0x90, 62, 100, 10, 0x90, 60, 0, 0, 0xF0, 0x02, 0x7E, 0xF7, 0x00, 0xFF, 0x2F, 0x00}}));
  // Bytes after the end of a track are not read.
  ASSERT_TRUE(Parse(File({{0, 0xFF, 0x2F, 0x00, 0x55, 0x99, 0xFF}}), info, nullptr, &clean));
  EXPECT_EQ(clean.size(), 14u + 8u + 4u);
}

// Each broken file gives no sound and a reason, whatever was decoded before it.
TEST(SoundFiles, MalformedFilesAreRefused) {
  const Bytes goodWav = Wav16(44100, 2, {1, 2, 3, 4}), goodMidi = ChordMidi(2);
  auto with = [](Bytes b, size_t at, uint8_t v, size_t at2 = 0, uint8_t v2 = 0) { return b[at] = v, b[at2 ? at2 : at] = at2 ? v2 : v, b; };
  Bytes badAlign = FmtBody(1, 2, 44100, 16), notPcm = Extensible();
  badAlign[12] = 3;
  notPcm[24] = 2;  // a sub-format that is neither PCM nor float
  const Bytes mono = FmtBody(1, 1, 44100, 16);
  const std::tuple<const char*, bool, Bytes> cases[] = {  // what, MIDI, file
      {"empty", false, {}},
      {"no RIFF", false, with(goodWav, 0, 'X')},
      {"not WAVE", false, with(goodWav, 8, 'A')},
      {"riff size beyond the file", false, with(goodWav, 4, goodWav[4] + 10)},
      {"data size beyond the body", false, with(goodWav, 40, 0xFF)},
      {"fmt size beyond the body", false, with(goodWav, 16, 200)},
      {"fmt too short", false, Wav(Bytes(12, 0), {0, 0})},
      {"no fmt", false, RiffWave({{"data", {0, 0}}})},
      {"no data", false, RiffWave({{"fmt ", mono}})},
      {"two fmt", false, RiffWave({{"fmt ", mono}, {"fmt ", mono}, {"data", {0, 0}}})},
      {"adpcm", false, Wav(FmtBody(2, 1, 44100, 4), {0, 0})},
      {"zero channels", false, Wav(FmtBody(1, 0, 44100, 16), {0, 0})},
      {"six channels", false, Wav(FmtBody(1, 6, 44100, 16), Bytes(12, 0))},
      {"rate 0", false, Wav(FmtBody(1, 1, 0, 16), {0, 0})},
      {"12 bits", false, Wav(FmtBody(1, 1, 44100, 12), {0, 0})},
      {"float 16", false, Wav(FmtBody(3, 1, 44100, 16), {0, 0})},
      {"block align", false, Wav(badAlign, {0, 0, 0, 0})},
      {"extensible, not PCM", false, Wav(notPcm, {1, 0, 2, 0})},
      {"empty", true, {}},
      {"no MThd", true, with(goodMidi, 0, 'X')},
      {"header length 2", true, with(goodMidi, 7, 2)},
      {"header length huge", true, with(goodMidi, 4, 0x7F)},
      {"format 3", true, with(goodMidi, 9, 3)},
      {"no tracks", true, with(goodMidi, 11, 0)},
      {"format 0 with two tracks", true, with(goodMidi, 11, 2)},
      {"time-code division", true, with(goodMidi, 12, 0xE7)},
      {"division 0", true, with(goodMidi, 12, 0, 13, 0)},
      {"track longer than file", true, with(goodMidi, 21, 0xFF)},
      {"not a track chunk", true, with(goodMidi, 14, 'X')},
      {"running status first", true, File({{0x00, 60, 100}})},
      {"channel event cut short", true, File({{0x00, 0x90, 60}})},
      {"data byte with top bit", true, File({{0x00, 0x90, 0x80, 100}})},
      {"meta longer than track", true, File({{0x00, 0xFF, 0x01, 0x10, 'a'}})},
      {"tempo of two bytes", true, File({{0x00, 0xFF, 0x51, 0x02, 0x01, 0x02}})},
      {"tempo zero", true, File({{0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}})},
      {"sysex longer than track", true, File({{0x00, 0xF0, 0x05, 0x01}})},
      {"delta of five bytes", true, File({{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100}})},
      {"delta cut short", true, File({{0x81}})},
      {"system message", true, File({{0x00, 0xF8}})},
      {"running status after meta", true, File({{0x00, 0x90, 60, 100, 0x00, 0xFF, 0x01, 0x00, 0x00, 60, 0}})},
  };
  WavSound w;
  MidiFileInfo info;
  for (const auto& [what, midi, bytes] : cases) {
    std::string why;
    ASSERT_TRUE(Decode(goodWav, w) && Parse(goodMidi, info));
    EXPECT_FALSE(midi ? Parse(bytes, info, &why) : Decode(bytes, w, &why)) << what;
    EXPECT_TRUE(w.samples.empty() == !midi && !why.empty()) << what;
  }
  for (size_t n = 0; n < goodWav.size(); ++n) EXPECT_FALSE(DecodeWav(goodWav.data(), n, w)) << "cut at " << n;
  for (size_t n = 0; n < goodMidi.size(); ++n) EXPECT_FALSE(ParseMidiFile(goodMidi.data(), n, info)) << "cut at " << n;
}

}  // namespace
