// The sound layer on the simulated clock: the strings it sends and when, refusals, looping, its end.
#include <gtest/gtest.h>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"
#include "platform/sim/sim_control.h"
#include "tests/audio/sound_files.h"
#include "zkmci/zkmci.h"

using namespace soundfiles;
namespace sim = platform::sim;
using Strings = std::vector<std::string>;
using Boxes = std::vector<std::pair<std::string, std::string>>;

namespace {

std::string IdMessage(int id) { return "サウンドⅠＤが異常値です (" + std::to_string(id) + ")"; }

class Zkmci : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset(), platform::ShutdownAudio(), InitZKMCI();
    dir = ScratchDir("zkmci");
    WriteFile(music = dir + "/music.mid", ChordMidi(8));  // 4 seconds
    WriteFile(second = dir + "/second.wav", SineWav(44100, 2, 1.0));
  }
  void TearDown() override { EndSoundLoop(), platform::ShutdownAudio(), sim::Reset(); }
  // The MCI strings sent so far into `texts`, and the simulated times of `only`.
  std::vector<uint64_t> Sent(const std::string& only = "") {
    std::vector<uint64_t> at;
    texts.clear();
    for (const std::string& l : sim::LogLines())
      if (size_t blank = l.find(' '); l.compare(blank + 1, 4, "mci ") == 0) {
        texts.push_back(l.substr(blank + 5));
        if (texts.back() == only) at.push_back(std::strtoull(l.c_str(), nullptr, 10));
      }
    return at;
  }
  static Boxes Shown() {  // the message boxes so far, cleared
    Boxes out;
    for (const auto& b : sim::MessageBoxes()) out.push_back({b.caption, b.text});
    sim::ClearMessageBoxes();
    return out;
  }
  std::string Open(const std::string& file, int n) {
    return "open \"" + file + "\" type " + (file == second ? "WaveAudio" : "Sequencer") + " alias sa" +
           std::to_string(n) + " wait";
  }
  std::string dir, music, second;
  Strings texts;
};

TEST(FileExtension, LastDotAndLowerCaseOfAToZOnly) {
  const std::pair<const char*, const char*> rows[] = {
      {"bgm/opening.mid", "mid"}, {"bgm/STAGE.MID", "mid"}, {"a.b.WaV", "wav"}, {"README", "readme"},
      {"ends.", ""}, {"./bgm/x", "/bgm/x"}, {"x.\xC3\x89T", "\xC3\x89t"}, {"", ""}};
  for (const auto& [name, want] : rows) EXPECT_EQ(FileExtension(name), want) << name;
}

// Play stops and rewinds first; a stop while the thread is busy is dropped and an open waits.
TEST_F(Zkmci, CommandStringsAndTheBusyThread) {
  StartSoundLoop();
  EXPECT_EQ((std::pair<int, uint64_t>{SoundCommand(0, kSoundOpen, 47, music), sim::Now()}), std::pair(1, uint64_t{200}));  // every command first waits 200 ms
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 0, second), 2);
  ASSERT_EQ(SoundCommand(2, kSoundPlayWait, 0, ""), 2);  // holds the thread for 1 s
  EXPECT_EQ((std::pair<int, int>{SoundCommand(2, kSoundStop, 0, ""), PendingSoundCommand()}), std::pair(0, int(kSoundPlayWait)));  // in order
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 21, music), 3);
  ASSERT_EQ(Sent("play sa2 wait").size(), 1u);
  EXPECT_GE(sim::Now(), Sent("play sa2 wait")[0] + 1000);
  platform::Sleep(20);
  EXPECT_EQ(std::pair(SoundRecordOf(1).loopTicks, SoundRecordOf(3).loopTicks), std::pair(4700, 2100));
  Sent();
  EXPECT_EQ(texts, (Strings{Open(music, 1), Open(second, 2), "stop sa2 wait", "seek sa2 to start wait", "play sa2 wait", Open(music, 3)}));
}

TEST_F(Zkmci, TheHundredAndFirstOpenIsRefused) {
  StartSoundLoop();
  for (int i = 1; i <= 100; ++i) ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, i < 100 ? second : music), i);
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 1, second), 0);
  EXPECT_EQ(Shown(), (Boxes{{"Sound", "サウンド数が限界値を超えました"}, {"Sound", IdMessage(0)}}));
  EXPECT_EQ(SoundCount(), 100);
  ASSERT_EQ(SoundCommand(100, kSoundPlayLooped, 0, ""), 100);  // the last slot loops like the first
  platform::Sleep(3000);
  EXPECT_GE(Sent("play sa100").size(), 3u);
  EXPECT_EQ((EndSoundLoop(), platform::MixerDeviceCount()), 0);  // the last one closed too
}

// Rows: id, command, parameter, file, the id handed back, the messages.
TEST_F(Zkmci, BadExtensionsIdsAndParameters) {
  StartSoundLoop();
  const std::string upper = dir + "/LOUD.MID", mixed = dir + "/Hit.WaV", ext = "は認識できない拡張子です";
  WriteFile(upper, ChordMidi(1));
  WriteFile(mixed, SineWav(22050, 1, 0.1));
  const struct { int id, cmd, param; std::string file; int got; Boxes boxes; } rows[] = {
      {0, kSoundOpen, 41, "bgm/title.MP3", 0, {{"Sound", "mp3" + ext}, {"Sound", IdMessage(0)}}},
      {0, kSoundOpen, 41, "noext", 0, {{"Sound", "noext" + ext}, {"Sound", IdMessage(0)}}},
      {0, kSoundOpen, 0, upper, 1, {}},  // parameter 0 counts as 1
      {0, kSoundOpen, -5, mixed, 2, {}},  // so does a negative one
      {1, kSoundOpen, 0, "x.ogg", 0, {{"Sound", "ogg" + ext}}},
      {0, kSoundPlayLooped, 0, "", 0, {{"Sound", IdMessage(0)}}},
      {3, kSoundPlayLooped, 0, "", 0, {{"Sound", IdMessage(3)}}},
      {-7, kSoundStop, 0, "", 0, {{"Sound", IdMessage(-7)}}}};
  for (const auto& r : rows) {
    EXPECT_EQ(SoundCommand(r.id, r.cmd, r.param, r.file), r.got) << r.file << r.id;
    EXPECT_EQ(Shown(), r.boxes) << r.file << r.id;
  }
  platform::Sleep(20);
  EXPECT_EQ(SoundRecordOf(1).loopTicks + SoundRecordOf(2).loopTicks, 200);
  Sent();
  EXPECT_EQ(texts, (Strings{Open(upper, 1), "open \"" + mixed + "\" type WaveAudio alias sa2 wait"}));
}

TEST_F(Zkmci, ALoopedSoundRestartsAfterItsLoopLengthUntilStopped) {
  StartSoundLoop();
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, music), 1);  // 100 ticks
  ASSERT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 1);
  platform::Sleep(3000);
  auto plays = Sent("play sa1");
  ASSERT_GE(plays.size(), 3u);
  // 100 ticks of 10 ms, then the 200 ms of the posted restart.
  for (size_t i = 1; i < plays.size(); ++i) EXPECT_NEAR(double(plays[i] - plays[i - 1]), 1205, 5);
  ASSERT_EQ(SoundCommand(1, kSoundStop, 0, ""), 1);
  platform::Sleep(5000);
  EXPECT_EQ(Sent("play sa1").size(), plays.size());
  EXPECT_EQ(SoundRecordOf(1).countdown - platform::MixerDevicePlaying("sa1"), -1);
}

TEST_F(Zkmci, EndClosesEveryDeviceAndThenNothingWaits) {
  StartSoundLoop();
  StartSoundLoop();  // twice: one thread, one message
  EXPECT_EQ(Shown(), (Boxes{{"ZKMCI", "既にサウンドループが開かれています"}}));
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, music), 1);
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, second), 2);
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, dir + "/missing.mid"), 3);  // opens with an error
  ASSERT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 1);
  ASSERT_EQ(SoundCommand(2, kSoundPlayOnce, 0, ""), 2);
  platform::Sleep(20);
  Sent();
  Strings want = texts;
  for (const char* a : {"sa1", "sa2", "sa3"})
    for (const char* s : {"stop % wait", "seek % to start wait", "close % wait"})
      want.push_back(std::string(s).replace(std::string(s).find('%'), 1, a));
  EndSoundLoop();
  EXPECT_EQ(platform::MixerDeviceCount() + SoundLoopRunning(), 0);
  const uint64_t t = sim::Now();
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 1, music), 0);
  EndSoundLoop();
  EXPECT_EQ(sim::Now(), t + 200);
  Sent();
  EXPECT_EQ(texts, want);
  EXPECT_EQ(SoundCount(), 3);  // the table is cleared but the count stays
  EXPECT_EQ(SoundRecordOf(3).alias + SoundRecordOf(3).deviceType, "");
}

// Never started: commands are refused after their pause, quietly.
TEST_F(Zkmci, WithoutASoundThreadNothingWaits) {
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 41, music), 0);
  EXPECT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 0);
  EndSoundLoop();
  EXPECT_EQ(sim::Now(), 400u);
  EXPECT_EQ(SoundCount() + PendingSoundCommand() + Shown().size() + Sent().size() + texts.size(), 0u);
}

}  // namespace
