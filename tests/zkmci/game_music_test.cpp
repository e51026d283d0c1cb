// The title music as heard from a whole run of quillmoor-sim, started and stopped by the game thread.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/audio/wav.h"
#include "tests/audio/sound_files.h"
#include "tests/support/child_process.h"

#ifdef QM_SIM_BINARY
namespace {

using namespace soundfiles;

std::string ReadAll(const std::string& path) {
  return (std::stringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str();
}

size_t Frame(uint64_t ms) { return static_cast<size_t>(ms * 441 / 10); }

TEST(GameMusic, TheTitleMusicIsHeardUntilItsStopThenSilence) {
  const std::string dir = ScratchDir("game-music");
  // Enter on the title starts a game; Escape during the stage banner ends the program.
  std::ofstream(dir + "/keys.txt") << "5000 down Enter\n5100 up Enter\n9500 down Escape\n9600 up Escape\n";
  const pid_t sim = testsupport::Spawn(
      {.argv = {QM_SIM_BINARY, "--dir", QM_SOURCE_DIR, "--exe", dir + "/quillmoor", "--keys",
                dir + "/keys.txt", "--log", dir + "/log.txt", "--audio", dir + "/music.wav"},
       .cwd = dir});
  ASSERT_EQ(testsupport::WaitExit(sim, 120000), 0);
  std::vector<std::pair<uint64_t, std::string>> sent;  // the MCI strings and their times
  std::istringstream log(ReadAll(dir + "/log.txt"));
  for (std::string l; std::getline(log, l);)
    if (size_t b = l.find(' '); b != std::string::npos && l.compare(b + 1, 4, "mci ") == 0)
      sent.push_back({std::strtoull(l.c_str(), nullptr, 10), l.substr(b + 5)});
  auto find = [&](const std::string& text, size_t i) { while (i < sent.size() && sent[i].second != text) ++i; return i; };
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(sent[3].second, "open \"bgm/ending.mid\" type Sequencer alias sa4 wait");
  const size_t playAt = find("play sa1", 0), stopAt = find("stop sa1 wait", playAt);
  const size_t nextAt = std::min(find("play sa2", stopAt), find("close sa1 wait", stopAt));
  ASSERT_LT(nextAt, sent.size());
  const uint64_t play = sent[playAt].first, stop = sent[stopAt].first, next = sent[nextAt].first;
  ASSERT_GT(stop, play + 3000);
  ASSERT_GT(next, stop + 500);
  const std::string wav = ReadAll(dir + "/music.wav");
  platform::WavSound heard;
  ASSERT_TRUE(platform::DecodeWav(reinterpret_cast<const uint8_t*>(wav.data()), wav.size(), heard));
  ASSERT_GE(heard.Frames(), Frame(next));
  EXPECT_EQ(Rms(heard.samples, 0, Frame(play)), 0.0);  // nothing before the title music
  const double music = Rms(heard.samples, Frame(play + 200), Frame(stop));
  EXPECT_GT(music, 1000.0);   // well above silence (full scale is 32768)
  EXPECT_LT(music, 16000.0);  // and not driven into clipping
  EXPECT_EQ(Rms(heard.samples, Frame(stop + 50), Frame(next)), 0.0);
}

}  // namespace
#endif
