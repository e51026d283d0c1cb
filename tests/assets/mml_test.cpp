// The note language's mistakes are reported instead of producing a wrong file;
// the scores' normal commands are checked by the bit-for-bit remake of bgm/.
#include <gtest/gtest.h>

#include <string>

#include "tools/assetkit/mml.h"

using namespace assetkit;

namespace {

std::string ErrorOf(const std::string& text) {
  Song s;
  std::string error;
  EXPECT_FALSE(CompileMml(text, s, error)) << text;
  return error;
}

}  // namespace

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
      {"#track a 17\n", "CHANNEL"},
      {"#tempo 100\n#length 10\n#track a 1\na: c1 c1 c1 c1\n", "lasts"}};
  for (const auto& [score, words] : rows) EXPECT_NE(ErrorOf(score).find(words), std::string::npos) << score;
}

// No committed score ties notes: c4^4 and c4&c4 each sound as one half note.
TEST(Mml, TiesJoinIntoOneNote) {
  Song s;
  std::string error;
  ASSERT_TRUE(CompileMml("#tempo 120\n#track a 1\na: q4 c4^4 c4&c4 d4\n", s, error)) << error;
  std::vector<std::pair<uint32_t, int>> got;  // tick, status | pitch
  for (const auto& e : s.tracks[0].events)
    if ((e.data[0] & 0xE0) == 0x80) got.push_back({e.tick, (e.data[0] & 0xF0) << 8 | e.data[1]});
  const std::vector<std::pair<uint32_t, int>> want = {
      {0, 0x903C}, {480, 0x803C}, {960, 0x903C}, {1440, 0x803C}, {1920, 0x903E}, {2160, 0x803E}};
  EXPECT_EQ(got, want);
}

TEST(Smf, ACutFileIsRefusedNotMisread) {
  Song s;
  std::string error;
  ASSERT_TRUE(CompileMml("#tempo 150\n#track a 1\na: [c d e f]4\n", s, error)) << error;
  std::vector<uint8_t> bytes = EncodeSmf(s);
  SmfSummary sum;
  ASSERT_TRUE(ReadSmf(bytes, sum, error)) << error;
  EXPECT_EQ(sum.notesOnChannel[0], 16);
  bytes.resize(bytes.size() - 3);
  EXPECT_FALSE(ReadSmf(bytes, sum, error));
}
