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

TEST(MidiFile, LengthFollowsTheTempoMap) {
  MidiFileInfo info;
  // 8 quarters at 120 bpm: 4 seconds.
  ASSERT_TRUE(Parse(ChordMidi(8), info));
  EXPECT_EQ(info.format, 0);
  EXPECT_EQ(info.tracks, 1);
  EXPECT_EQ(info.division, 480);
  EXPECT_EQ(info.lastTick, 8u * 480);
  EXPECT_DOUBLE_EQ(info.lengthSeconds, 4.0);
  EXPECT_EQ(info.noteOns, 24);

  // Format 1: a tempo track (120 bpm, then 60 bpm from quarter 2) and a note track of 4 quarters.
  Bytes tempo;
  Vlq(tempo, 0);
  tempo.insert(tempo.end(), {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});  // 500000
  Vlq(tempo, 960);
  tempo.insert(tempo.end(), {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40});  // 1000000
  Vlq(tempo, 0);
  tempo.insert(tempo.end(), {0xFF, 0x2F, 0x00});
  Bytes notes;
  Vlq(notes, 0);
  notes.insert(notes.end(), {0x90, 60, 100});
  Vlq(notes, 1920);
  notes.insert(notes.end(), {0x80, 60, 0});
  Vlq(notes, 0);
  notes.insert(notes.end(), {0xFF, 0x2F, 0x00});
  Bytes f = MidiHeader(1, 2, 480);
  Track(f, tempo);
  Track(f, notes);
  ASSERT_TRUE(Parse(f, info));
  EXPECT_EQ(info.tracks, 2);
  EXPECT_EQ(info.lastTick, 1920u);
  EXPECT_DOUBLE_EQ(info.lengthSeconds, 1.0 + 2.0);  // 2 quarters at 0.5 s, 2 at 1 s
}

TEST(MidiFile, RunningStatusAndOddChunksAreRewrittenPlainly) {
  // Running status (note-on, then two data pairs), a sysex, a chunk the
  // format does not know, a header longer than six bytes, no end-of-track.
  Bytes e;
  Vlq(e, 0);
  e.insert(e.end(), {0x90, 60, 100});
  Vlq(e, 10);
  e.insert(e.end(), {62, 100});
  Vlq(e, 10);
  e.insert(e.end(), {60, 0});
  Vlq(e, 0);
  e.insert(e.end(), {0xF0, 0x02, 0x7E, 0xF7});
  Bytes f;
  Tag(f, "MThd");
  Be32(f, 8);
  Be16(f, 0);
  Be16(f, 1);
  Be16(f, 96);
  Be16(f, 0xABCD);  // two extra header bytes
  Tag(f, "XFIH");
  Be32(f, 3);
  f.insert(f.end(), {1, 2, 3});
  Track(f, e);

  MidiFileInfo info;
  Bytes clean;
  ASSERT_TRUE(Parse(f, info, nullptr, &clean));
  EXPECT_EQ(info.lastTick, 20u);
  EXPECT_EQ(info.noteOns, 2);

  Bytes expect = MidiHeader(0, 1, 96);
  Bytes t;
  Vlq(t, 0);
  t.insert(t.end(), {0x90, 60, 100});
  Vlq(t, 10);
  t.insert(t.end(), {0x90, 62, 100});
  Vlq(t, 10);
  t.insert(t.end(), {0x90, 60, 0});
  Vlq(t, 0);
  t.insert(t.end(), {0xF0, 0x02, 0x7E, 0xF7});
  t.insert(t.end(), {0x00, 0xFF, 0x2F, 0x00});
  Track(expect, t);
  EXPECT_EQ(clean, expect);

  // The rewritten file reads back the same.
  MidiFileInfo again;
  Bytes cleanAgain;
  ASSERT_TRUE(Parse(clean, again, nullptr, &cleanAgain));
  EXPECT_EQ(again.lastTick, info.lastTick);
  EXPECT_EQ(cleanAgain, clean);
}

TEST(MidiFile, EventsAfterEndOfTrackAreNotRead) {
  Bytes e;
  Vlq(e, 0);
  e.insert(e.end(), {0xFF, 0x2F, 0x00});
  e.insert(e.end(), {0x55, 0x99, 0xFF});  // garbage after the end
  Bytes f = MidiHeader(0, 1, 96);
  Track(f, e);
  MidiFileInfo info;
  Bytes clean;
  ASSERT_TRUE(Parse(f, info, nullptr, &clean));
  EXPECT_EQ(clean.size(), 14u + 8u + 4u);
}

TEST(MidiFile, MalformedFilesAreRefused) {
  const Bytes good = ChordMidi(2);
  MidiFileInfo info;
  ASSERT_TRUE(Parse(good, info));

  auto with = [&](size_t at, uint8_t v) {
    Bytes b = good;
    b[at] = v;
    return b;
  };
  auto track = [](const Bytes& events, int format = 0, int tracks = 1, int division = 96) {
    Bytes f = MidiHeader(format, tracks, division);
    Track(f, events);
    return f;
  };
  struct Case {
    const char* what;
    Bytes bytes;
  };
  std::vector<Case> cases = {
      {"empty", {}},
      {"no MThd", with(0, 'X')},
      {"header length 2", with(7, 2)},
      {"header length huge", with(4, 0x7F)},
      {"format 3", with(9, 3)},
      {"no tracks", with(11, 0)},
      {"format 0 with two tracks", with(11, 2)},
      {"time-code division", with(12, 0xE7)},
      {"division 0", [&] { Bytes b = good; b[12] = 0; b[13] = 0; return b; }()},
      {"track longer than file", with(21, 0xFF)},
      {"not a track chunk", [&] { Bytes b = good; b[14] = 'X'; return b; }()},
      {"running status first", track({0x00, 60, 100})},
      {"channel event cut short", track({0x00, 0x90, 60})},
      {"data byte with top bit", track({0x00, 0x90, 0x80, 100})},
      {"meta longer than track", track({0x00, 0xFF, 0x01, 0x10, 'a'})},
      {"tempo of two bytes", track({0x00, 0xFF, 0x51, 0x02, 0x01, 0x02})},
      {"tempo zero", track({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00})},
      {"sysex longer than track", track({0x00, 0xF0, 0x05, 0x01})},
      {"delta of five bytes", track({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 100})},
      {"delta cut short", track({0x81})},
      {"system message", track({0x00, 0xF8})},
      {"running status after meta", track({0x00, 0x90, 60, 100, 0x00, 0xFF, 0x01, 0x00, 0x00, 60, 0})},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(Parse(c.bytes, info, &why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
  }

  // Every truncation of a good file is refused.
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(ParseMidiFile(good.data(), n, info)) << "cut at " << n;
}

}  // namespace
