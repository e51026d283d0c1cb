// The game's music as a player hears it: a whole run of quillmoor-sim with
// its sound captured, the title music started and stopped by the game thread.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/audio/wav.h"
#include "tests/audio/sound_files.h"
#include "tests/support/child_process.h"

#ifdef QM_SIM_BINARY

namespace {

using namespace soundfiles;

std::string ReadAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

struct Sent {
  uint64_t ms;
  std::string text;
};

std::vector<Sent> MciLines(const std::string& log) {
  std::vector<Sent> out;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    size_t blank = line.find(' ');
    if (blank == std::string::npos || line.compare(blank + 1, 4, "mci ") != 0) continue;
    out.push_back({std::strtoull(line.c_str(), nullptr, 10), line.substr(blank + 5)});
  }
  return out;
}

// The first line with this text after line `from`; lines.size() when none.
size_t Find(const std::vector<Sent>& lines, const std::string& text, size_t from = 0) {
  for (size_t i = from; i < lines.size(); ++i)
    if (lines[i].text == text) return i;
  return lines.size();
}

size_t Frame(uint64_t ms) { return static_cast<size_t>(ms * 441 / 10); }

TEST(GameMusic, TheTitleMusicIsHeardUntilItsStopAndThenSilence) {
  const std::string dir = ScratchDir("game-music");
  // Enter on the title screen starts a game; Escape during the stage banner ends the program.
  {
    std::ofstream k(dir + "/keys.txt");
    k << "5000 down Enter\n5100 up Enter\n9500 down Escape\n9600 up Escape\n";
  }
  const pid_t sim = testsupport::Spawn(
      {.argv = {QM_SIM_BINARY, "--dir", QM_SOURCE_DIR, "--exe", dir + "/quillmoor", "--keys",
                dir + "/keys.txt", "--log", dir + "/log.txt", "--audio", dir + "/music.wav"},
       .cwd = dir});
  ASSERT_EQ(testsupport::WaitExit(sim, 120000), 0);

  const std::vector<Sent> sent = MciLines(ReadAll(dir + "/log.txt"));
  ASSERT_GE(sent.size(), 4u);
  const char* names[] = {"opening", "stage", "boss", "ending"};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(sent[i].text, "open \"bgm/" + std::string(names[i]) + ".mid\" type Sequencer alias sa" +
                                std::to_string(i + 1) + " wait");

  const size_t playAt = Find(sent, "play sa1");
  const size_t stopAt = Find(sent, "stop sa1 wait", playAt);
  const size_t nextAt = std::min(Find(sent, "play sa2", stopAt), Find(sent, "close sa1 wait", stopAt));
  ASSERT_LT(nextAt, sent.size());
  const uint64_t play = sent[playAt].ms, stop = sent[stopAt].ms, next = sent[nextAt].ms;
  ASSERT_GT(stop, play + 3000);
  ASSERT_GT(next, stop + 500);

  const std::string wav = ReadAll(dir + "/music.wav");
  platform::WavSound heard;
  ASSERT_TRUE(platform::DecodeWav(reinterpret_cast<const uint8_t*>(wav.data()), wav.size(), heard));
  ASSERT_EQ(heard.rate, 44100);
  ASSERT_GE(heard.Frames(), Frame(next));

  EXPECT_EQ(Rms(heard.samples, 0, Frame(play)), 0.0);  // nothing before the title music
  const double music = Rms(heard.samples, Frame(play + 200), Frame(stop));
  EXPECT_GT(music, 1000.0);  // well above silence (full scale is 32768)
  EXPECT_LT(music, 16000.0);  // and not driven into clipping
  EXPECT_EQ(Rms(heard.samples, Frame(stop + 50), Frame(next)), 0.0);

  // Closing the program stops and closes all four pieces.
  std::vector<std::string> tail;
  for (size_t i = nextAt; i < sent.size(); ++i)
    if (sent[i].text.rfind("close ", 0) == 0) tail.push_back(sent[i].text);
  EXPECT_EQ(tail, (std::vector<std::string>{"close sa1 wait", "close sa2 wait", "close sa3 wait", "close sa4 wait"}));
}

}  // namespace
#endif
