// The sound layer on the simulated clock: the command strings it sends and
// when, the mailbox, the messages, the looping, the thread's start and end.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "tests/audio/sound_files.h"
#include "zkmci/zkmci.h"

using namespace soundfiles;
namespace sim = platform::sim;

namespace {

struct Line {
  uint64_t ms;
  std::string text;
};

const char* const kLimit = "サウンド数が限界値を超えました";
std::string IdMessage(int id) { return "サウンドⅠＤが異常値です (" + std::to_string(id) + ")"; }

class Zkmci : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    platform::ShutdownAudio();
    InitZKMCI();
    dir = ScratchDir("zkmci");
    music = dir + "/music.mid";
    WriteFile(music, ChordMidi(8));  // 4 seconds
    second = dir + "/second.wav";
    WriteFile(second, SineWav(44100, 2, 1.0));
  }
  void TearDown() override {
    EndSoundLoop();
    platform::ShutdownAudio();
    sim::Reset();  // joins the threads that have ended
  }

  // The MCI strings sent so far, with the simulated time of each.
  static std::vector<Line> Sent() {
    std::vector<Line> out;
    for (const std::string& l : sim::LogLines()) {
      size_t blank = l.find(' ');
      if (l.compare(blank + 1, 4, "mci ") != 0) continue;
      out.push_back({std::strtoull(l.c_str(), nullptr, 10), l.substr(blank + 5)});
    }
    return out;
  }
  static std::vector<std::string> SentTexts() {
    std::vector<std::string> out;
    for (const Line& l : Sent()) out.push_back(l.text);
    return out;
  }
  static std::vector<uint64_t> TimesOf(const std::string& text) {
    std::vector<uint64_t> out;
    for (const Line& l : Sent())
      if (l.text == text) out.push_back(l.ms);
    return out;
  }
  static std::vector<std::pair<std::string, std::string>> Boxes() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& b : sim::MessageBoxes()) {
      EXPECT_EQ(b.owner, 0u);
      EXPECT_EQ(b.flags, platform::MB_OK);
      out.push_back({b.caption, b.text});
    }
    return out;
  }

  std::string dir, music, second;
};

TEST(FileExtension, LastDotAndLowerCase) {
  EXPECT_EQ(FileExtension("bgm/opening.mid"), "mid");
  EXPECT_EQ(FileExtension("bgm/STAGE.MID"), "mid");
  EXPECT_EQ(FileExtension("a.b.WaV"), "wav");
  EXPECT_EQ(FileExtension("README"), "readme");  // no dot: the whole name
  EXPECT_EQ(FileExtension("ends."), "");
  EXPECT_EQ(FileExtension("./bgm/x"), "/bgm/x");  // the last dot, wherever it is
  EXPECT_EQ(FileExtension("x.\xC3\x89T"), "\xC3\x89t");  // only A-Z change
  EXPECT_EQ(FileExtension(""), "");
}

TEST_F(Zkmci, OpenPlayLoopedStopAndEndSendTheseStrings) {
  StartSoundLoop();
  EXPECT_TRUE(SoundLoopRunning());
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 47, music), 1);
  EXPECT_EQ(sim::Now(), 200u);  // every command first waits 200 ms
  EXPECT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 1);
  EXPECT_EQ(sim::Now(), 400u);
  platform::Sleep(20);
  SoundRecordView r = SoundRecordOf(1);
  EXPECT_EQ(r.alias, "sa1");
  EXPECT_EQ(r.deviceType, "Sequencer");
  EXPECT_EQ(r.loopTicks, 4700);
  EXPECT_GT(r.countdown, 4690);
  EXPECT_TRUE(platform::MixerDevicePlaying("sa1"));
  EXPECT_EQ(SoundCommand(1, kSoundStop, 0, ""), 1);
  platform::Sleep(20);
  EXPECT_EQ(SoundRecordOf(1).countdown, -1);
  EXPECT_FALSE(platform::MixerDevicePlaying("sa1"));
  EndSoundLoop();

  const std::vector<std::string> expected = {
      "open \"" + music + "\" type Sequencer alias sa1 wait",
      // play: stop and rewind first, so a playing sound starts again from its beginning
      "stop sa1 wait", "seek sa1 to start wait", "play sa1",
      "stop sa1 wait", "seek sa1 to start wait",
      // the end: every opened sound stopped, rewound, closed
      "stop sa1 wait", "seek sa1 to start wait", "close sa1 wait",
  };
  EXPECT_EQ(SentTexts(), expected);
  EXPECT_TRUE(Boxes().empty());

  // Closed: the table is cleared but the count and countdowns stay.
  EXPECT_FALSE(SoundLoopRunning());
  EXPECT_EQ(platform::MixerDeviceCount(), 0);
  EXPECT_EQ(PendingSoundCommand(), 0);
  EXPECT_EQ(SoundCount(), 1);
  r = SoundRecordOf(1);
  EXPECT_EQ(r.alias, "");
  EXPECT_EQ(r.deviceType, "");
  EXPECT_EQ(r.loopTicks, 0);
  EXPECT_EQ(r.countdown, -1);
}

TEST_F(Zkmci, WhileTheThreadIsBusyAStopIsDroppedAndAnOpenWaits) {
  StartSoundLoop();
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 0, second), 1);
  // Play and wait holds the thread for the length of the sound (1 s).
  ASSERT_EQ(SoundCommand(1, kSoundPlayWait, 0, ""), 1);
  EXPECT_EQ(SoundCommand(1, kSoundStop, 0, ""), 0);
  EXPECT_EQ(PendingSoundCommand(), kSoundPlayWait);
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 21, music), 2);
  auto play = TimesOf("play sa1 wait");
  ASSERT_EQ(play.size(), 1u);
  EXPECT_GE(sim::Now(), play[0] + 1000);  // the open waited until the sound had played
  platform::Sleep(20);
  const std::vector<std::string> expected = {
      "open \"" + second + "\" type WaveAudio alias sa1 wait",
      "stop sa1 wait", "seek sa1 to start wait", "play sa1 wait",
      "open \"" + music + "\" type Sequencer alias sa2 wait",  // no stop: it was dropped
  };
  EXPECT_EQ(SentTexts(), expected);
  EXPECT_EQ(SoundRecordOf(2).loopTicks, 2100);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(Zkmci, TheHundredAndFirstOpenIsRefused) {
  StartSoundLoop();
  for (int i = 1; i <= 100; ++i) ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, second), i);
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 1, second), 0);
  using Box = std::pair<std::string, std::string>;
  EXPECT_EQ(Boxes(), (std::vector<Box>{{"Sound", kLimit}, {"Sound", IdMessage(0)}}));
  EXPECT_EQ(SoundCount(), 100);
  platform::Sleep(20);
  EXPECT_EQ(SentTexts().size(), 100u);
  EXPECT_EQ(SentTexts().back(), "open \"" + second + "\" type WaveAudio alias sa100 wait");
  EXPECT_EQ(SoundRecordOf(100).alias, "sa100");
  EXPECT_EQ(platform::MixerDeviceCount(), 100);
}

TEST_F(Zkmci, ExtensionsAndIdsThatAreRefused) {
  StartSoundLoop();
  using Box = std::pair<std::string, std::string>;
  // Unknown extension with the game's id 0: both messages, nothing posted.
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 41, "bgm/title.MP3"), 0);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{"Sound", "mp3は認識できない拡張子です"}, {"Sound", IdMessage(0)}}));
  sim::ClearMessageBoxes();
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 41, "noext"), 0);
  EXPECT_EQ(Boxes()[0].second, "noextは認識できない拡張子です");
  sim::ClearMessageBoxes();

  // Capitals are accepted: MID is a sequencer file, WaV a wave file; the name is passed on as given.
  std::string upper = dir + "/LOUD.MID";
  WriteFile(upper, ChordMidi(1));
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 0, upper), 1);
  std::string mixed = dir + "/Hit.WaV";
  WriteFile(mixed, SineWav(22050, 1, 0.1));
  EXPECT_EQ(SoundCommand(0, kSoundOpen, -5, mixed), 2);
  EXPECT_TRUE(Boxes().empty());
  platform::Sleep(20);
  EXPECT_EQ(SoundRecordOf(1).deviceType, "Sequencer");
  EXPECT_EQ(SoundRecordOf(1).loopTicks, 100);  // parameter 0 counts as 1
  EXPECT_EQ(SoundRecordOf(2).deviceType, "WaveAudio");
  EXPECT_EQ(SoundRecordOf(2).loopTicks, 100);  // so does a negative one
  EXPECT_EQ(platform::MixerDeviceCount(), 2);

  // An unknown extension with a valid id: only the extension message.
  EXPECT_EQ(SoundCommand(1, kSoundOpen, 0, "x.ogg"), 0);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{"Sound", "oggは認識できない拡張子です"}}));
  sim::ClearMessageBoxes();

  // Commands for ids outside 1..count.
  EXPECT_EQ(SoundCommand(0, kSoundPlayLooped, 0, ""), 0);
  EXPECT_EQ(SoundCommand(3, kSoundPlayLooped, 0, ""), 0);
  EXPECT_EQ(SoundCommand(-7, kSoundStop, 0, ""), 0);
  EXPECT_EQ(Boxes(), (std::vector<Box>{{"Sound", IdMessage(0)}, {"Sound", IdMessage(3)}, {"Sound", IdMessage(-7)}}));
  platform::Sleep(20);
  EXPECT_EQ(SentTexts().size(), 2u);  // the two opens only
  EXPECT_EQ(SentTexts()[0], "open \"" + upper + "\" type Sequencer alias sa1 wait");
}

TEST_F(Zkmci, ALoopedSoundRestartsAfterItsLoopLength) {
  StartSoundLoop();
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, music), 1);  // 100 ticks
  ASSERT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 1);
  platform::Sleep(3000);
  auto plays = TimesOf("play sa1");
  ASSERT_GE(plays.size(), 3u);
  // 100 ticks of 10 ms, then the 200 ms of the posted restart, then the next pass.
  for (size_t i = 1; i < plays.size(); ++i) {
    EXPECT_GE(plays[i] - plays[i - 1], 1200u);
    EXPECT_LE(plays[i] - plays[i - 1], 1210u);
  }
  EXPECT_TRUE(platform::MixerDevicePlaying("sa1"));
}

TEST_F(Zkmci, ForFortySevenSecondsTheMusicRestartsAfterFortySevenSeconds) {
  StartSoundLoop();
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 47, music), 1);  // the piece itself lasts 4 s
  ASSERT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 1);
  platform::Sleep(30000);
  EXPECT_FALSE(platform::MixerDevicePlaying("sa1"));  // played to its end, waiting
  EXPECT_EQ(TimesOf("play sa1").size(), 1u);
  platform::Sleep(20000);
  auto plays = TimesOf("play sa1");
  ASSERT_EQ(plays.size(), 2u);
  EXPECT_GE(plays[1] - plays[0], 47200u);
  EXPECT_LE(plays[1] - plays[0], 47210u);
  EXPECT_TRUE(platform::MixerDevicePlaying("sa1"));  // from the start again
}

TEST_F(Zkmci, AStopCancelsTheRestart) {
  StartSoundLoop();
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, music), 1);
  ASSERT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 1);
  platform::Sleep(300);
  ASSERT_EQ(SoundCommand(1, kSoundStop, 0, ""), 1);
  platform::Sleep(5000);
  EXPECT_EQ(TimesOf("play sa1").size(), 1u);
  EXPECT_EQ(SoundRecordOf(1).countdown, -1);
  EXPECT_FALSE(platform::MixerDevicePlaying("sa1"));
}

TEST_F(Zkmci, EndSoundLoopStopsAndClosesEveryDevice) {
  StartSoundLoop();
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, music), 1);
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, second), 2);
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, dir + "/missing.mid"), 3);  // opens with an error
  ASSERT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 1);
  ASSERT_EQ(SoundCommand(2, kSoundPlayOnce, 0, ""), 2);
  platform::Sleep(20);
  EXPECT_EQ(platform::MixerDeviceCount(), 2);
  const size_t before = Sent().size();
  EndSoundLoop();
  EXPECT_FALSE(SoundLoopRunning());
  const std::vector<std::string> all = SentTexts();
  std::vector<std::string> tail(all.begin() + static_cast<long>(before), all.end());
  const std::vector<std::string> expected = {
      "stop sa1 wait", "seek sa1 to start wait", "close sa1 wait",
      "stop sa2 wait", "seek sa2 to start wait", "close sa2 wait",
      "stop sa3 wait", "seek sa3 to start wait", "close sa3 wait",
  };
  EXPECT_EQ(tail, expected);
  EXPECT_EQ(platform::MixerDeviceCount(), 0);
  for (int id = 1; id <= 3; ++id) EXPECT_EQ(SoundRecordOf(id).alias, "");

  // Afterwards nothing waits and nothing is sent.
  const uint64_t t = sim::Now();
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 1, music), 0);
  EXPECT_EQ(sim::Now(), t + 200);
  EndSoundLoop();
  EXPECT_EQ(sim::Now(), t + 200);
  EXPECT_EQ(Sent().size(), before + expected.size());
}

TEST_F(Zkmci, StartingTheLoopTwiceKeepsOneThread) {
  StartSoundLoop();
  StartSoundLoop();
  using Box = std::pair<std::string, std::string>;
  EXPECT_EQ(Boxes(), (std::vector<Box>{{"ZKMCI", "既にサウンドループが開かれています"}}));
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 1, second), 1);
  platform::Sleep(50);
  EXPECT_EQ(SentTexts().size(), 1u);  // carried out once
}

TEST_F(Zkmci, WithoutASoundThreadNothingWaits) {
  // Never started: commands are refused after their pause, quietly, and
  // nothing is handed out or posted.
  EXPECT_FALSE(SoundLoopRunning());
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 41, music), 0);
  EXPECT_EQ(sim::Now(), 200u);
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 47, music), 0);
  EXPECT_EQ(sim::Now(), 400u);
  EXPECT_EQ(SoundCommand(1, kSoundPlayLooped, 0, ""), 0);
  EXPECT_EQ(SoundCount(), 0);
  EXPECT_EQ(PendingSoundCommand(), 0);
  EXPECT_TRUE(Boxes().empty());
  EndSoundLoop();
  EXPECT_EQ(sim::Now(), 600u);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(Zkmci, InitPreparesAnEmptyLayer) {
  StartSoundLoop();
  ASSERT_EQ(SoundCommand(0, kSoundOpen, 5, music), 1);
  EndSoundLoop();
  InitZKMCI();
  EXPECT_EQ(SoundCount(), 0);
  EXPECT_EQ(PendingSoundCommand(), 0);
  EXPECT_FALSE(SoundLoopRunning());
  for (int id = 0; id <= 100; ++id) {
    SoundRecordView r = SoundRecordOf(id);
    EXPECT_EQ(r.alias, "");
    EXPECT_EQ(r.deviceType, "");
    EXPECT_EQ(r.loopTicks, 0);
    EXPECT_EQ(r.countdown, 0);
  }
  // And the loop starts again with ids from 1.
  StartSoundLoop();
  EXPECT_EQ(SoundCommand(0, kSoundOpen, 5, music), 1);
}

}  // namespace
