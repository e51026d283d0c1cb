// A game as a player meets it, through quillmoor-sim: the title screen, the
// banner, play, the ways a game ends, the high score, the boss finale, the
// ending and staff roll, and the music commands in their order.
#include <algorithm>
#include <cstdlib>

#include "platform/gfx/bmp.h"
#include "platform/gfx/png.h"
#include "tests/scenario/json.h"
#include "tests/scenario/scenario.h"

namespace scenario {
namespace {

// Times on the simulated clock that leave every screen room to finish.
constexpr int kTitleEnter = 3000;   // the title is pulsing by then
constexpr int kBannerEnter = 9500;  // the banner waits, even after a Maker Mode blink
constexpr int kPlaying = 11500;     // play has started (stage music at about 11 s)

class Flow : public ScenarioTest {
 protected:
  // A settings file with the frame rate already learned, so play runs at
  // about 30 frames per second from the first frame.
  void Settings(int hiScore, int level, bool god, int fireMode = 1) {
    WriteFile(P("quillmoor.ini"), "30\r\n30\r\n" + std::to_string(fireMode) + "\r\n0\r\n" +
                                      std::to_string(hiScore) + "\r\n" +
                                      std::to_string(level) + "\r\n" +
                                      (god ? "AH!NO_WAY!!" : "") + "\r\n");
  }
  static std::string Press(int ms, const std::string& key) {
    return std::to_string(ms) + " down " + key + "\n" + std::to_string(ms + 100) + " up " +
           key + "\n";
  }
  Result RunWith(const std::string& keys, std::vector<std::string> args) {
    WriteFile(P("keys.txt"), keys);
    args.insert(args.begin(), {"--keys", P("keys.txt"), "--log", P("log.txt")});
    return Run(args);
  }
  Json State(const std::string& name) { return ParseJson(ReadFile(P(name))); }
  std::vector<std::string> SoundLog() {
    std::vector<std::string> out;
    for (const std::string& line : Lines(ReadFile(P("log.txt")))) {
      size_t at = line.find(" mci ");
      if (at != std::string::npos && line.find(" seek ") == std::string::npos)
        out.push_back(line.substr(at + 5));
    }
    return out;
  }
  long long TimeOf(const std::string& text, int nth = 1) {
    for (const std::string& line : Lines(ReadFile(P("log.txt"))))
      if (line.find(text) != std::string::npos && --nth == 0) return std::atoll(line.c_str());
    return -1;
  }
  // The time of the first log line holding the text at or after a moment, or -1.
  long long TimeAfter(const std::string& text, long long from) {
    for (const std::string& line : Lines(ReadFile(P("log.txt"))))
      if (line.find(text) != std::string::npos && std::atoll(line.c_str()) >= from)
        return std::atoll(line.c_str());
    return -1;
  }
  std::vector<std::string> SettingsLines() { return Lines(ReadFile(P("quillmoor.ini"))); }
  // Yellow text pixels in the middle band of a capture ("HI SCORE!!").
  int YellowPixels(const std::string& png) {
    platform::Surface s;
    platform::ReadPng(P(png), s);
    int n = 0;
    for (int y = 90; y < 140 && y < s.height(); ++y)
      for (int x = 0; x < s.width(); ++x) {
        uint32_t p = s.at(x, y);
        if (((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) > 200 && (p & 0xFF) < 80) ++n;
      }
    return n;
  }
};

TEST_F(Flow, LostGameRaisesTheHighScoreAndReturnsToTheTitle) {
  Settings(0, 12, false);
  std::string keys = Press(kTitleEnter, "Enter") + Press(kBannerEnter, "Enter") +
                     Press(40000, "Escape");
  Result r = RunWith(keys, {"--state", "11400:play.json", "--set", "11500:score=50", "--set",
                            "11500:chr[0].hp=0", "--state", "20000:after.json", "--state",
                            "39000:title.json", "--until", "60000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  Json play = State("play.json");
  EXPECT_EQ(play["titleActive"].Int(), 0);
  EXPECT_EQ(play["quota"].Int(), 255);
  EXPECT_EQ(play["chr"][0]["state"].Int(), 1);
  EXPECT_EQ(play["pauseState"].Int(), 0) << "Enter's pause request is cleared by NewGame";
  Json after = State("after.json");
  EXPECT_EQ(after["chr"][0]["state"].Int(), 0);
  EXPECT_EQ(after["hiScore"].Int(), after["score"].Int());
  EXPECT_GE(after["hiScore"].Int(), 50);
  EXPECT_EQ(State("title.json")["titleActive"].Int(), 1);
  // Stage music stopped after the wipe, the opening music back for the title.
  // (A play command stops and rewinds first, so look past the stage's start.)
  long long stageStop = TimeAfter("mci stop sa2", TimeOf("mci play sa2") + 1);
  ASSERT_GT(stageStop, 11500);
  EXPECT_GT(TimeOf("mci play sa1", 2), stageStop);
  std::vector<std::string> ini = SettingsLines();
  ASSERT_EQ(ini.size(), 7u);
  EXPECT_EQ(std::atoi(ini[4].c_str()), after["hiScore"].Int());
}

TEST_F(Flow, HiScoreTextShowsOnlyForAStrictlyHigherScore) {
  for (int stored : {0, 9999}) {
    Settings(stored, 12, false);
    std::string keys = Press(kTitleEnter, "Enter") + Press(kBannerEnter, "Enter");
    std::vector<std::string> args = {"--set", "11500:score=50", "--set", "11500:chr[0].hp=0",
                                     "--state", "16000:after.json", "--until", "17000"};
    for (int t = 13000; t <= 16000; t += 250) {
      args.push_back("--shot");
      args.push_back(std::to_string(t) + ":" + P("s" + std::to_string(t) + ".png"));
    }
    Result r = RunWith(keys, args);
    ASSERT_EQ(r.status, 2) << r.errors;
    int most = 0;
    for (int t = 13000; t <= 16000; t += 250)
      most = std::max(most, YellowPixels("s" + std::to_string(t) + ".png"));
    Json after = State("after.json");
    if (stored == 0) {
      EXPECT_GT(most, 100) << "HI SCORE!! is drawn over the last frame";
      EXPECT_EQ(after["hiScore"].Int(), after["score"].Int());
    } else {
      EXPECT_LT(most, 20);
      EXPECT_EQ(after["hiScore"].Int(), 9999);
    }
  }
}

TEST_F(Flow, EqualScoreDoesNotReplaceTheHighScore) {
  // The score reached is the high score exactly: nothing changes.
  Settings(0, 12, false);
  Result first = RunWith(Press(kTitleEnter, "Enter") + Press(kBannerEnter, "Enter"),
                         {"--set", "11500:score=50", "--set", "11500:chr[0].hp=0", "--state",
                          "16000:after.json", "--until", "17000"});
  ASSERT_EQ(first.status, 2) << first.errors;
  int reached = State("after.json")["score"].Int();
  Settings(reached, 12, false);
  std::vector<std::string> args = {"--set", "11500:score=50", "--set", "11500:chr[0].hp=0",
                                   "--state", "16000:after.json", "--until", "17000"};
  for (int t = 13000; t <= 16000; t += 250) {
    args.push_back("--shot");
    args.push_back(std::to_string(t) + ":" + P("e" + std::to_string(t) + ".png"));
  }
  Result r = RunWith(Press(kTitleEnter, "Enter") + Press(kBannerEnter, "Enter"), args);
  ASSERT_EQ(r.status, 2) << r.errors;
  Json after = State("after.json");
  EXPECT_EQ(after["score"].Int(), reached);
  EXPECT_EQ(after["hiScore"].Int(), reached);
  for (int t = 13000; t <= 16000; t += 250)
    EXPECT_LT(YellowPixels("e" + std::to_string(t) + ".png"), 20) << t;
}

TEST_F(Flow, AbandonedGameStillRecordsANewHighScore) {
  Settings(10, 12, false);
  std::string keys = Press(kTitleEnter, "Enter") + Press(kBannerEnter, "Enter") +
                     Press(12000, "F2") + Press(30000, "Escape");
  Result r = RunWith(keys, {"--set", "11800:score=70", "--state", "11900:play.json", "--state",
                            "22000:title.json", "--until", "60000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(State("play.json")["chr"][0]["state"].Int(), 1);
  Json title = State("title.json");
  EXPECT_EQ(title["titleActive"].Int(), 1);
  EXPECT_EQ(title["quitRequested"].Int(), 1) << "cleared only after the title screen";
  EXPECT_GE(title["hiScore"].Int(), 70);
  std::vector<std::string> ini = SettingsLines();
  ASSERT_EQ(ini.size(), 7u);
  EXPECT_EQ(std::atoi(ini[4].c_str()), title["hiScore"].Int());
}

TEST_F(Flow, F2OnTheTitleScreenDoesNotEndTheNextGame) {
  Settings(0, 12, false);
  std::string keys = Press(2000, "F2") + Press(kTitleEnter, "Enter") + Press(kBannerEnter, "Enter");
  Result r = RunWith(keys, {"--state", "2500:title.json", "--state", "13000:play.json",
                            "--until", "13500"});
  ASSERT_EQ(r.status, 2) << r.errors;
  EXPECT_EQ(State("title.json")["quitRequested"].Int(), 1);
  Json play = State("play.json");
  EXPECT_EQ(play["quitRequested"].Int(), 0);
  EXPECT_EQ(play["titleActive"].Int(), 0);
  EXPECT_EQ(play["chr"][0]["state"].Int(), 1);
  EXPECT_EQ(TimeAfter("mci stop sa2", TimeOf("mci play sa2") + 1), -1)
      << "the game is still running";
}

// Maker Mode, the boss, its 15 explosions, the ending and the staff roll, then
// the title screen twice before the next game.
TEST_F(Flow, MakerModeGameToTheStaffRollAndTheTitleTwice) {
  Settings(0, 12, false);
  std::string keys = "2900 down Shift\n" + Press(kTitleEnter, "Enter") + "5200 up Shift\n" +
                     Press(kBannerEnter, "Enter") + Press(132000, "Enter") +
                     Press(138000, "Enter") + Press(146000, "Enter") + Press(152000, "Enter") +
                     Press(156000, "Escape");
  Result r = RunWith(keys, {"--state", "11200:start.json", "--state", "16900:boss.json",
                            "--set", "17000:chr[1].hp=1", "--state", "24000:won.json",
                            "--state", "60000:ending.json", "--until", "200000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  Json start = State("start.json");
  EXPECT_EQ(start["startQuota"].Int(), 3);
  EXPECT_EQ(start["startScore"].Int(), 4000);
  EXPECT_EQ(start["quota"].Int(), 3);
  EXPECT_EQ(start["score"].Int(), 4000);
  EXPECT_LT(start["shownScore"].Int(), 4000) << "the shown score rolls up from 0";
  EXPECT_EQ(start["fireMode"].Int(), 1) << "holding Shift also switches to AUTO";
  Json boss = State("boss.json");
  EXPECT_LE(boss["quota"].Int(), 0);
  EXPECT_EQ(boss["chr"][1]["state"].Int(), 4);
  EXPECT_EQ(boss["bossMaxHp"].Int(), 10000);
  EXPECT_EQ(boss["chr"][0]["level"].Int(), 5);
  Json won = State("won.json");
  EXPECT_EQ(won["godUnlocked"].Int(), 0) << "only a win at Hard unlocks God";
  // Music: title, stage, boss in, both stopped, ending looped, ending stopped,
  // then the opening music for each of the two title screens.
  std::vector<std::string> sounds = SoundLog();
  std::vector<std::string> expected = {
      "open \"bgm/opening.mid\" type Sequencer alias sa1 wait",
      "open \"bgm/stage.mid\" type Sequencer alias sa2 wait",
      "open \"bgm/boss.mid\" type Sequencer alias sa3 wait",
      "open \"bgm/ending.mid\" type Sequencer alias sa4 wait",
      "stop sa1 wait", "play sa1",   // title
      "stop sa1 wait",               // title fades out
      "stop sa2 wait", "play sa2",   // stage
      "stop sa2 wait",               // boss enters
      "stop sa3 wait", "play sa3",
      "stop sa2 wait", "stop sa3 wait",  // after the wipe
      "stop sa4 wait", "play sa4",       // ending and staff roll
      "stop sa4 wait", "play sa4",       // restarted after its 83-second loop
      "stop sa4 wait",                   // Enter on the closing page
      "stop sa1 wait", "play sa1",       // the title once
      "stop sa1 wait",
      "stop sa1 wait", "play sa1",       // and again
      "stop sa1 wait",
  };
  ASSERT_GE(sounds.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(sounds[i], expected[i]) << i;
  // The second title led into a new game (stage music again), not to an ending.
  EXPECT_GT(TimeOf("mci play sa2", 2), 152000);
  EXPECT_EQ(TimeAfter("mci play sa4", 132000), -1);
}

TEST_F(Flow, WinAtHardUnlocksGod) {
  Settings(0, 20, false);
  std::string keys = "2900 down Shift\n" + Press(kTitleEnter, "Enter") + "5200 up Shift\n" +
                     Press(kBannerEnter, "Enter") + Press(40000, "Escape");
  Result r = RunWith(keys, {"--set", "17000:chr[1].hp=1", "--state", "16900:boss.json",
                            "--state", "30000:won.json", "--until", "100000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(State("boss.json")["bossMaxHp"].Int(), 15000);
  EXPECT_EQ(State("won.json")["godUnlocked"].Int(), 1);
  std::vector<std::string> ini = SettingsLines();
  ASSERT_EQ(ini.size(), 7u);
  EXPECT_EQ(ini[6], "AH!NO_WAY!!\r");
}

TEST_F(Flow, WinAtGodShowsTheSecondTitlePictureAfterwards) {
  Settings(0, 30, true);
  std::string keys = "2900 down Shift\n" + Press(kTitleEnter, "Enter") + "5200 up Shift\n" +
                     Press(kBannerEnter, "Enter") + Press(132000, "Enter");
  // The God-level boss fires fast: keep the ship whole while it falls.
  Result r = RunWith(keys, {"--set", "13800:chr[1].hp=1", "--set", "13800:chr[0].hp=100",
                            "--state", "13700:boss.json", "--shot", "136000:after.png",
                            "--until", "137000"});
  ASSERT_EQ(r.status, 2) << r.errors;
  EXPECT_EQ(State("boss.json")["bossMaxHp"].Int(), 30000);
  // The sky band at the top of the title picture, away from the texts.
  platform::Surface title = platform::LoadBmpFile(std::string(QM_SOURCE_DIR) + "/image/title.bmp");
  platform::Surface title2 =
      platform::LoadBmpFile(std::string(QM_SOURCE_DIR) + "/image/title2.bmp");
  platform::Surface after;
  platform::ReadPng(P("after.png"), after);
  ASSERT_FALSE(title.empty());
  ASSERT_FALSE(after.empty());
  int same1 = 0, same2 = 0;
  for (int y = 40; y < 60; ++y)
    for (int x = 0; x < 320; ++x) {
      same1 += after.at(x, y) == title.at(x, y);
      same2 += after.at(x, y) == title2.at(x, y);
    }
  // (The lettering covers part of the band in both.)
  EXPECT_GT(same2, 4000);
  EXPECT_LT(same1, same2 / 4);
}

}  // namespace
}  // namespace scenario
