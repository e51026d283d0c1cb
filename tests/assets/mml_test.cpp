// The note language: what each command does to time and pitch, and that
// mistakes in a score are reported instead of producing a wrong file.
#include <gtest/gtest.h>

#include <string>

#include "tools/assetkit/mml.h"

using namespace assetkit;

namespace {

Song Compile(const std::string& body, const std::string& head = "#tempo 120\n#track a 1\n") {
  Song s;
  std::string error;
  EXPECT_TRUE(CompileMml(head + body, s, error)) << error;
  return s;
}

std::string ErrorOf(const std::string& text) {
  Song s;
  std::string error;
  EXPECT_FALSE(CompileMml(text, s, error));
  return error;
}

struct Note {
  uint32_t on, off;
  int pitch, velocity;
};

std::vector<Note> Notes(const MidiTrack& t) {
  std::vector<Note> out;
  for (const auto& e : t.events)
    if ((e.data[0] & 0xF0) == 0x90) out.push_back({e.tick, 0, e.data[1], e.data[2]});
  for (auto& n : out)
    for (const auto& e : t.events)
      if ((e.data[0] & 0xF0) == 0x80 && e.data[1] == n.pitch && e.tick > n.on) {
        n.off = e.tick;
        break;
      }
  return out;
}

}  // namespace

TEST(Mml, LengthsDotsAndDefaultLength) {
  Song s = Compile("a: o4 c d8 e4. l16 f g. r2");
  auto n = Notes(s.tracks[0]);
  ASSERT_EQ(n.size(), 5u);
  EXPECT_EQ(n[0].pitch, 60);  // o4 c is middle C
  EXPECT_EQ(n[1].on, 480u);
  EXPECT_EQ(n[2].on, 720u);
  EXPECT_EQ(n[3].on, 1440u);  // a dotted quarter is 720 ticks
  EXPECT_EQ(n[4].on, 1560u);
  EXPECT_EQ(n[4].off, 1560u + 180u);  // dotted sixteenth
  EXPECT_EQ(s.endTick, 1740u + 960u);
}

TEST(Mml, PitchOctavesAccidentalsAndTranspose) {
  Song s = Compile("a: o3 a b- >c+ < b <c k2 c k0 n36");
  auto n = Notes(s.tracks[0]);
  ASSERT_EQ(n.size(), 7u);
  EXPECT_EQ(n[0].pitch, 57);
  EXPECT_EQ(n[1].pitch, 58);
  EXPECT_EQ(n[2].pitch, 61);
  EXPECT_EQ(n[3].pitch, 59);
  EXPECT_EQ(n[4].pitch, 36);
  EXPECT_EQ(n[5].pitch, 38);
  EXPECT_EQ(n[6].pitch, 36);  // raw numbers ignore transposition
}

TEST(Mml, TiesGateAndChords) {
  Song s = Compile("a: q4 c4^4 c4&c4 d4 {c e g}2 {n36 n42}4");
  auto n = Notes(s.tracks[0]);
  ASSERT_EQ(n.size(), 8u);
  // c4^4 sounds as one half note; the gate applies to the whole length.
  EXPECT_EQ(n[0].on, 0u);
  EXPECT_EQ(n[0].off, 480u);
  // c4&c4 is one note too.
  EXPECT_EQ(n[1].on, 960u);
  EXPECT_EQ(n[1].off, 1440u);
  EXPECT_EQ(n[2].pitch, 62);
  for (int k = 3; k < 6; ++k) EXPECT_EQ(n[size_t(k)].on, 2400u);
  EXPECT_EQ(n[6].pitch, 36);
  EXPECT_EQ(n[7].pitch, 42);
}

TEST(Mml, LoopsWithBreakAndMacros) {
  Song s = Compile("$m = c d\na: [ $m / e ]3 f");
  auto n = Notes(s.tracks[0]);
  // c d e c d e c d f
  ASSERT_EQ(n.size(), 9u);
  const int want[] = {60, 62, 64, 60, 62, 64, 60, 62, 65};
  for (size_t k = 0; k < 9; ++k) EXPECT_EQ(n[k].pitch, want[k]) << k;
}

TEST(Mml, SettingsBecomeControllerEvents) {
  Song s = Compile("a: @56 V100 p32 y91,40 v90 c");
  const auto& ev = s.tracks[0].events;
  ASSERT_GE(ev.size(), 5u);
  EXPECT_EQ(ev[0].data, (std::vector<uint8_t>{0xC0, 56}));
  EXPECT_EQ(ev[1].data, (std::vector<uint8_t>{0xB0, 7, 100}));
  EXPECT_EQ(ev[2].data, (std::vector<uint8_t>{0xB0, 10, 32}));
  EXPECT_EQ(ev[3].data, (std::vector<uint8_t>{0xB0, 91, 40}));
  EXPECT_EQ(Notes(s.tracks[0])[0].velocity, 90);
}

TEST(Mml, DrumTrackUsesChannelTen) {
  Song s = Compile("d: n36 n38", "#track d 10\n");
  EXPECT_EQ(s.tracks[0].events[0].data[0], 0x99);
}

TEST(Mml, LengthFollowsTempoAndIsChecked) {
  Song s = Compile("a: c1 c1 c1 c1", "#tempo 96\n#length 10\n#track a 1\n");
  EXPECT_NEAR(SecondsAt(s, s.endTick), 10.0, 1e-6);
  EXPECT_NE(ErrorOf("#tempo 100\n#length 10\n#track a 1\na: c1 c1 c1 c1\n").find("lasts"), std::string::npos);
}

TEST(Mml, MistakesAreReportedWithTheirLine) {
  const char* const rows[][2] = {
      {"#track a 1\na: c4 |\n", "bar line"},
      {"#track a 1\na: c4 r2.\n\na: x\n", "line 4"},
      {"#track a 1\na: [c d\n", "without ]"},
      {"#track a 1\na: c7\n", "length"},
      {"#track a 1\na: o9 b\n", "MIDI range"},
      {"#track a 1\nb: c\n", "undeclared"},
      {"#track a 1\na: $nope\n", "unknown macro"},
      {"#track a 1\n#track b 2\na: c1\nb: c2\n", "differ"},
      {"#track a 1\na: ^4\n", "nothing to lengthen"},
      {"#track a 17\n", "CHANNEL"}};
  for (const auto& [score, words] : rows) EXPECT_NE(ErrorOf(score).find(words), std::string::npos) << score;
}

TEST(Smf, WrittenFileReadsBackWithItsLengthAndNotes) {
  Song s = Compile("a: @40 [c d e f]4\nd: [n36 n38 n36 n38 | [n42,8]8 |]2",
                   "#tempo 150\n#track a 1\n#track d 10\n");
  std::vector<uint8_t> bytes = EncodeSmf(s);
  SmfSummary sum;
  std::string error;
  ASSERT_TRUE(ReadSmf(bytes, sum, error)) << error;
  EXPECT_EQ(sum.format, 1);
  EXPECT_EQ(sum.trackCount, 3);  // conductor + two
  EXPECT_EQ(sum.division, kPpq);
  EXPECT_NEAR(sum.seconds, 16 * 0.4, 1e-3);
  EXPECT_EQ(sum.notesOnChannel[0], 16);
  EXPECT_EQ(sum.notesOnChannel[9], 24);
  EXPECT_EQ(sum.programOnChannel[0], 40);
  // A cut file is refused, not misread.
  bytes.resize(bytes.size() - 3);
  EXPECT_FALSE(ReadSmf(bytes, sum, error));
}
