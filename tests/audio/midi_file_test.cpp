// Standard MIDI File checking: lengths from the tempo map, the rewritten file
// the synthesiser reads, and every way a file can be broken.
#include <gtest/gtest.h>

#include "platform/audio/midi_file.h"
#include "tests/audio/sound_files.h"

using namespace soundfiles;
using platform::MidiFileInfo;
using platform::ParseMidiFile;

namespace {

bool Parse(const Bytes& b, MidiFileInfo& info, std::string* why = nullptr, Bytes* clean = nullptr) {
  return ParseMidiFile(b.data(), b.size(), info, why, clean);
}

Bytes File(std::initializer_list<Bytes> tracks, int format = 0, int division = 96) {
  Bytes f = MidiHeader(format, static_cast<int>(tracks.size()), division);
  for (const Bytes& t : tracks) Track(f, t);
  return f;
}

TEST(MidiFile, LengthFollowsTheTempoMap) {
  MidiFileInfo info;
  ASSERT_TRUE(Parse(ChordMidi(8), info));  // 8 quarters at 120 bpm
  EXPECT_EQ(info.format, 0);
  EXPECT_EQ(info.tracks, 1);
  EXPECT_EQ(info.division, 480);
  EXPECT_EQ(info.lastTick, 8u * 480);
  EXPECT_DOUBLE_EQ(info.lengthSeconds, 4.0);
  EXPECT_EQ(info.noteOns, 24);
  // Format 1: a tempo track (120 bpm, then 60 bpm from quarter 2; 960 is
  // 0x87 0x40 as a delta) and a note track of 4 quarters (1920: 0x8F 0x00).
  const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x87, 0x40, 0xFF, 0x51, 0x03,
                       0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00};
  const Bytes notes = {0x00, 0x90, 60, 100, 0x8F, 0x00, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
  ASSERT_TRUE(Parse(File({tempo, notes}, 1, 480), info));
  EXPECT_EQ(info.tracks, 2);
  EXPECT_EQ(info.lastTick, 1920u);
  EXPECT_DOUBLE_EQ(info.lengthSeconds, 1.0 + 2.0);  // 2 quarters at 0.5 s, 2 at 1 s
}

TEST(MidiFile, RunningStatusOddChunksAndTrailingBytesAreRewrittenPlainly) {
  // Running status (note-on, then two data pairs), a sysex, a chunk the
  // format does not know, a header longer than six bytes, no end-of-track.
  Bytes f;
  Tag(f, "MThd");
  Be32(f, 8);
  for (uint32_t v : {0, 1, 96, 0xABCD}) Be16(f, v);  // two extra header bytes
  Tag(f, "XFIH");
  Be32(f, 3);
  f.insert(f.end(), {1, 2, 3});
  Track(f, {0, 0x90, 60, 100, 10, 62, 100, 10, 60, 0, 0, 0xF0, 0x02, 0x7E, 0xF7});
  MidiFileInfo info;
  Bytes clean, again;
  ASSERT_TRUE(Parse(f, info, nullptr, &clean));
  EXPECT_EQ(info.lastTick, 20u);
  EXPECT_EQ(info.noteOns, 2);
  EXPECT_EQ(clean, File({{0, 0x90, 60, 100, 10, 0x90, 62, 100, 10, 0x90, 60, 0, 0, 0xF0, 0x02, 0x7E, 0xF7,
                          0x00, 0xFF, 0x2F, 0x00}}));
  // The rewritten file reads back the same.
  ASSERT_TRUE(Parse(clean, info, nullptr, &again));
  EXPECT_EQ(info.lastTick, 20u);
  EXPECT_EQ(again, clean);
  // Bytes after the end of a track are not read.
  ASSERT_TRUE(Parse(File({{0, 0xFF, 0x2F, 0x00, 0x55, 0x99, 0xFF}}), info, nullptr, &clean));
  EXPECT_EQ(clean.size(), 14u + 8u + 4u);
}

TEST(MidiFile, MalformedFilesAreRefused) {
  const Bytes good = ChordMidi(2);
  MidiFileInfo info;
  ASSERT_TRUE(Parse(good, info));
  auto with = [&](size_t at, uint8_t v, size_t at2 = 0, uint8_t v2 = 0) {
    Bytes b = good;
    b[at] = v;
    if (at2) b[at2] = v2;
    return b;
  };
  const std::pair<const char*, Bytes> cases[] = {
      {"empty", {}},
      {"no MThd", with(0, 'X')},
      {"header length 2", with(7, 2)},
      {"header length huge", with(4, 0x7F)},
      {"format 3", with(9, 3)},
      {"no tracks", with(11, 0)},
      {"format 0 with two tracks", with(11, 2)},
      {"time-code division", with(12, 0xE7)},
      {"division 0", with(12, 0, 13, 0)},
      {"track longer than file", with(21, 0xFF)},
      {"not a track chunk", with(14, 'X')},
      {"running status first", File({{0x00, 60, 100}})},
      {"channel event cut short", File({{0x00, 0x90, 60}})},
      {"data byte with top bit", File({{0x00, 0x90, 0x80, 100}})},
      {"meta longer than track", File({{0x00, 0xFF, 0x01, 0x10, 'a'}})},
      {"tempo of two bytes", File({{0x00, 0xFF, 0x51, 0x02, 0x01, 0x02}})},
      {"tempo zero", File({{0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}})},
      {"sysex longer than track", File({{0x00, 0xF0, 0x05, 0x01}})},
      {"delta of five bytes", File({{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100}})},
      {"delta cut short", File({{0x81}})},
      {"system message", File({{0x00, 0xF8}})},
      {"running status after meta", File({{0x00, 0x90, 60, 100, 0x00, 0xFF, 0x01, 0x00, 0x00, 60, 0}})},
  };
  for (const auto& [what, bytes] : cases) {
    std::string why;
    EXPECT_FALSE(Parse(bytes, info, &why)) << what;
    EXPECT_FALSE(why.empty()) << what;
  }
  for (size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(ParseMidiFile(good.data(), n, info)) << "cut at " << n;
}

}  // namespace
