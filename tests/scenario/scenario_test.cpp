// Whole runs of quillmoor-sim beyond the recorded games: the same arguments
// give the same bytes, the exit status, --until saves nothing, relative
// paths, the display switch and its failures, lost games and the high
// score, F2, and the wins at Hard and God. (Escape and the close box on
// every screen are the closing trials in tests/faults.)
#include <algorithm>
#include <cstdlib>

#include "platform/gfx/bmp.h"
#include "platform/gfx/png.h"
#include "tests/scenario/json.h"
#include "tests/scenario/scenario.h"

namespace scenario {
namespace {

class Sim : public ScenarioTest {
 protected:
  static std::string Press(long long ms, const std::string& key) {
    return std::to_string(ms) + " down " + key + "\n" + std::to_string(ms + 100) + " up " + key + "\n";
  }
  static std::string ToPlay() { return Press(3000, "Enter") + Press(9500, "Enter"); }
  // Runs with the key script in keys.txt and the log in log.txt.
  Result RunKeys(const std::string& keys, std::vector<std::string> args) {
    WriteFile(P("keys.txt"), keys);
    args.insert(args.begin(), {"--keys", P("keys.txt"), "--log", P("log.txt")});
    return Run(args);
  }
  std::vector<std::string> Log(const std::string& name = "log.txt") { return Lines(ReadFile(P(name))); }
  std::string LastLine(const std::string& name = "log.txt") {
    const std::vector<std::string> log = Log(name);
    return log.empty() ? "" : log.back();
  }
  long long TimeOf(const std::string& text, long long from = 0, int nth = 1, size_t* index = nullptr) {
    return scenario::TimeOf(Log(), text, from, nth, index);
  }
  int Count(const std::string& text) {
    const std::vector<std::string> log = Log();
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& l) {
      return l.find(text) != std::string::npos;
    }));
  }
  Json State(const std::string& name) { return ParseJson(ReadFile(P(name))); }
  // A settings file with the frame rate already learned: about 30 frames a
  // second from the first frame.
  void Settings(int hiScore, int level, bool god) {
    WriteFile(P("quillmoor.ini"), SettingsText(30, 30, 1, 0, hiScore, level, god));
  }
  std::vector<std::string> Ini() {
    std::string why;
    const std::vector<std::string> values = SettingsLines(P("quillmoor.ini"), why);
    EXPECT_EQ(values.size(), 7u) << why;
    return values;
  }
  std::vector<std::string> Shots(std::vector<std::string> args, const std::string& prefix) {
    for (int t = 13000; t <= 16000; t += 250)
      args.insert(args.end(), {"--shot", std::to_string(t) + ":" + P(prefix + std::to_string(t))});
    return args;
  }
  // The most yellow text pixels in the middle band ("HI SCORE!!") of the shots.
  int MostYellow(const std::string& prefix) {
    int most = 0;
    for (int t = 13000; t <= 16000; t += 250) {
      platform::Surface s;
      platform::ReadPng(P(prefix + std::to_string(t)), s);
      int n = 0;
      for (int y = 90; y < 140 && y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
          const uint32_t p = s.at(x, y);
          n += ((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) > 200 && (p & 0xFF) < 80;
        }
      most = std::max(most, n);
    }
    return most;
  }
  // Pixels of the sky band at the top of a shot equal to the title picture.
  int SameAsPicture(const std::string& png, const std::string& bmp) {
    const platform::Surface pic = platform::LoadBmpFile(std::string(QM_SOURCE_DIR) + "/image/" + bmp);
    platform::Surface shot;
    platform::ReadPng(P(png), shot);
    EXPECT_FALSE(pic.empty() || shot.empty()) << png;
    int same = 0;
    for (int y = 40; y < 60 && !pic.empty() && !shot.empty(); ++y)
      for (int x = 0; x < 320; ++x) same += shot.at(x, y) == pic.at(x, y);
    return same;
  }
};

using SimRun = Sim;
using Flow = Sim;

TEST_F(SimRun, TwoRunsWithTheSameArgumentsWriteIdenticalFiles) {
  // Start a game, pass the banner, fly left and fire.
  const std::string keys = Press(3000, "Enter") + Press(6000, "Enter") +
                           "8000 down Left\n8600 up Left\n9000 down Space\n14000 up Space\n";
  for (const std::string run : {"1", "2"}) {
    fs::remove(P("quillmoor.ini"));  // the same files each time: no settings yet
    const Result r = RunKeys(keys, {"--tick", "4321", "--until", "16001", "--audio", P("wav" + run),
                                    "--shot", "2500:" + P("title" + run), "--shot", "12000:" + P("play" + run),
                                    "--state", "2500:" + P("state-title" + run),
                                    "--state", "12000:" + P("state-play" + run)});
    ASSERT_EQ(r.status, 2) << r.errors;
    fs::rename(P("log.txt"), P("log" + run));
  }
  for (const std::string name : {"log", "wav", "title", "play", "state-title", "state-play"}) {
    const std::string first = ReadFile(P(name + "1"));
    ASSERT_FALSE(first.empty()) << name;
    EXPECT_TRUE(first == ReadFile(P(name + "2"))) << name << " differs between runs";
  }
  for (const std::string name : {"title1", "play1"}) {
    platform::Surface shot;
    ASSERT_TRUE(platform::ReadPng(P(name), shot)) << name;
    EXPECT_EQ(shot.width(), 320);
    EXPECT_EQ(shot.height(), 240);
  }
  EXPECT_EQ(ReadFile(P("state-play1")).rfind("{\"ms\":12000,", 0), 0u);
  EXPECT_EQ(LastLine("log1"), "16001 exit 2");
  // 16001 ms at 44.1 kHz = 705644 whole frames of 4 bytes, after 44 bytes of
  // header; the music was playing, so it is not silence.
  EXPECT_EQ(fs::file_size(P("wav1")), 44u + 705644u * 4u);
  EXPECT_NE(ReadFile(P("wav1")).find_first_not_of('\0', 44), std::string::npos);
}

TEST_F(SimRun, TheExitStatusTellsHowTheRunEndedAndOnlyAnEndedRunSaves) {
  // Escape: the program ends by itself with 0 and saves the high score set.
  Result r = RunKeys("1500 down Escape\n1550 up Escape\n",
                     {"--set", "1000:hiScore=4242", "--audio", P("b.wav"), "--until", "60000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string last = LastLine();
  EXPECT_NE(last.find(" exit 0"), std::string::npos) << last;
  const long long endMs = std::atoll(last.c_str());
  EXPECT_GE(endMs, 1500);
  EXPECT_LT(endMs, 60000);
  EXPECT_EQ(fs::file_size(P("b.wav")), 44u + endMs * 44100u / 1000u * 4u);
  const std::string saved = ReadFile(P("quillmoor.ini"));
  ASSERT_NE(saved.find("4242"), std::string::npos) << saved;

  // --until kills the run at that moment and leaves the file alone, even
  // after a new high score. Relative paths are taken from the starting
  // directory, and the settings file sits beside --exe.
  r = RunSim({"--dir", QM_SOURCE_DIR, "--exe", "quillmoor", "--set", "1000:hiScore=5555", "--until",
              "1600", "--log", "rel.log", "--shot", "1500:rel.png", "--state", "1500:rel.json"},
             dir_);
  ASSERT_EQ(r.status, 2) << r.errors;
  EXPECT_EQ(LastLine("rel.log"), "1600 exit 2");
  EXPECT_EQ(ReadFile(P("quillmoor.ini")), saved);
  EXPECT_TRUE(fs::exists(P("rel.png")) && fs::exists(P("rel.json")));
  EXPECT_FALSE(fs::exists(fs::path(QM_SOURCE_DIR) / "rel.log"));

  // Bad arguments and bad scripts: 1 and one line on stderr, nothing run.
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--frobnicate"}, {"--until", "soon"}, {"--display-fail", "9"},
        {"--keys", P("missing.txt")}, {"stray"}}) {
    r = RunSim(bad, dir_);
    EXPECT_EQ(r.status, 1) << bad[0];
    EXPECT_EQ(Lines(r.errors).size(), 1u) << r.errors;
  }
  fs::remove(P("log.txt"));
  r = RunKeys("100 down Enter\n200 hold Enter\n", {});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("line 2"), std::string::npos) << r.errors;
  EXPECT_FALSE(fs::exists(P("log.txt")));
  EXPECT_EQ(RunSim({"--help"}, dir_).status, 0);
}

TEST_F(SimRun, FullWindowIsRestoredRightAfterTheSaveAndAFailedSwitchIsReportedEachTime) {
  const struct {
    const char* fail;
    const char* keys;
    const char* report;  // the message box each F4 brings, or none
  } rows[] = {
      {nullptr, "500 down F4\n550 up F4\n", nullptr},
      {"2", "500 down F4\n550 up F4\n900 down F4\n950 up F4\n", "DirectDrawの作成に失敗しました(Err=2)"},
      {"4", "500 down F4\n550 up F4\n900 down F4\n950 up F4\n", "画面解像度の切り替えに失敗しました(Err=4)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fail ? row.fail : "no failure");
    std::vector<std::string> args = {"--until", "60000"};
    if (row.fail) args.insert(args.end(), {"--display-fail", row.fail});
    const Result r = RunKeys(std::string(row.keys) + "1500 down Escape\n1550 up Escape\n", args);
    EXPECT_EQ(r.status, 0) << r.errors;
    EXPECT_GE(TimeOf("window destroyed \"Quillmoor"), 1500);
    if (row.fail) {
      EXPECT_EQ(Count(std::string("message box \"Full Window\" \"") + row.report + "\""), 2);
      EXPECT_EQ(Count("display mode 320x240"), 0);
      EXPECT_EQ(TimeOf("display restored"), -1);
      continue;
    }
    size_t mode = 0, saved = 0, restored = 0, stopped = 0, freed = 0, destroyed = 0;
    EXPECT_EQ(TimeOf("500 display mode 320x240x16 4097", 0, 1, &mode), 500);
    EXPECT_EQ(TimeOf("settings written", 500, 1, &saved), 1500);
    EXPECT_EQ(TimeOf("display restored", 0, 1, &restored), 1500);
    EXPECT_GE(TimeOf("game thread stopped", 0, 1, &stopped), 1500);
    EXPECT_GE(TimeOf("pictures freed", 0, 1, &freed), 1500);
    EXPECT_GE(TimeOf("window destroyed \"Quillmoor", 0, 1, &destroyed), 1500);
    EXPECT_TRUE(mode < saved && saved < restored && restored < stopped && stopped < freed &&
                freed < destroyed)
        << mode << " " << saved << " " << restored << " " << stopped << " " << freed << " " << destroyed;
  }
}

// A lost game: the high score rises only for a strictly higher score, with
// HI SCORE!! drawn over the last frame, and the title returns.
TEST_F(Flow, LostGameRaisesOnlyAStrictlyLowerHighScoreAndReturnsToTheTitle) {
  int reached = -1;
  for (int row = 0; row < 3; ++row) {
    const int stored = row == 0 ? 0 : row == 1 ? 9999 : reached;  // lower, higher, equal
    SCOPED_TRACE("stored high score " + std::to_string(stored));
    Settings(stored, 12, false);
    const Result r = RunKeys(ToPlay() + Press(20000, "Escape"),
                             Shots({"--state", "11400:" + P("play.json"), "--set", "11500:score=50",
                                    "--set", "11500:chr[0].hp=0", "--state", "16000:" + P("after.json"),
                                    "--state", "19000:" + P("title.json"), "--until", "60000"},
                                   "s"));
    ASSERT_EQ(r.status, 0) << r.errors;
    const Json play = State("play.json"), after = State("after.json");
    EXPECT_EQ(play["titleActive"].Int(), 0);
    EXPECT_EQ(play["quota"].Int(), 255);
    EXPECT_EQ(play["chr"][0]["state"].Int(), 1);
    EXPECT_EQ(play["pauseState"].Int(), 0) << "Enter's pause request is cleared by NewGame";
    EXPECT_EQ(after["chr"][0]["state"].Int(), 0);
    EXPECT_GE(after["score"].Int(), 50);
    if (row == 0) reached = after["score"].Int();
    EXPECT_EQ(after["score"].Int(), reached) << "the same game each time";
    EXPECT_EQ(after["hiScore"].Int(), std::max(stored, reached));
    if (row == 0) {
      EXPECT_GT(MostYellow("s"), 100) << "HI SCORE!! is drawn over the last frame";
    } else {
      EXPECT_LT(MostYellow("s"), 20);
    }
    EXPECT_EQ(State("title.json")["titleActive"].Int(), 1);
    // Stage music stopped after the wipe, the opening music back for the
    // title (a play command stops first, so look past the stage's start).
    const long long stageStop = TimeOf("mci stop sa2", TimeOf("mci play sa2") + 1);
    EXPECT_GT(stageStop, 11500);
    EXPECT_GT(TimeOf("mci play sa1", 0, 2), stageStop);
    const std::vector<std::string> ini = Ini();
    ASSERT_EQ(ini.size(), 7u);
    EXPECT_EQ(ini[4], std::to_string(std::max(stored, reached)));
  }
}

// F2 on the title screen is cleared with it and does not end the next game;
// F2 in play abandons the game, which still records a new high score.
TEST_F(Flow, F2EndsOnlyTheGameInPlayWhichStillRecordsANewHighScore) {
  Settings(10, 12, false);
  const Result r = RunKeys(Press(2000, "F2") + ToPlay() + Press(12000, "F2") + Press(23000, "Escape"),
                           {"--state", "2500:" + P("title1.json"), "--set", "11800:score=70",
                            "--state", "11900:" + P("play.json"), "--state", "22000:" + P("title2.json"),
                            "--until", "60000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(State("title1.json")["quitRequested"].Int(), 1);
  const Json play = State("play.json");
  EXPECT_EQ(play["quitRequested"].Int(), 0);
  EXPECT_EQ(play["titleActive"].Int(), 0);
  EXPECT_EQ(play["chr"][0]["state"].Int(), 1);
  EXPECT_GT(TimeOf("mci stop sa2", TimeOf("mci play sa2") + 1), 12000) << "the game ran until F2";
  const Json title = State("title2.json");
  EXPECT_EQ(title["titleActive"].Int(), 1);
  EXPECT_EQ(title["quitRequested"].Int(), 1) << "cleared only after the title screen";
  EXPECT_GE(title["hiScore"].Int(), 70);
  const std::vector<std::string> ini = Ini();
  ASSERT_EQ(ini.size(), 7u);
  EXPECT_EQ(ini[4], std::to_string(title["hiScore"].Int()));
}

// The endings the recorded Maker game never reaches: a win at Hard unlocks
// God, and a win at God changes the title picture.
TEST_F(Flow, WinAtHardUnlocksGod) {
  Settings(0, 20, false);
  const Result r = RunKeys("2900 down Shift\n" + ToPlay() + "5200 up Shift\n" + Press(24100, "Escape"),
                           {"--state", "16900:" + P("boss.json"), "--set", "17000:chr[1].hp=1",
                            "--state", "24000:" + P("won.json"), "--until", "60000"});
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(State("boss.json")["bossMaxHp"].Int(), 15000);
  EXPECT_EQ(State("won.json")["godUnlocked"].Int(), 1);
  const std::vector<std::string> ini = Ini();
  ASSERT_EQ(ini.size(), 7u);
  EXPECT_EQ(ini[6], "AH!NO_WAY!!");
}

TEST_F(Flow, WinAtGodShowsTheSecondTitlePictureAfterwards) {
  Settings(0, 30, true);
  // The God-level boss fires fast: keep the ship whole while it falls.
  const Result r = RunKeys("2900 down Shift\n" + ToPlay() + "5200 up Shift\n" + Press(132000, "Enter"),
                           {"--set", "13800:chr[1].hp=1", "--set", "13800:chr[0].hp=100", "--state",
                            "13700:" + P("boss.json"), "--shot", "136000:" + P("after.png"), "--until",
                            "137000"});
  ASSERT_EQ(r.status, 2) << r.errors;
  EXPECT_EQ(State("boss.json")["bossMaxHp"].Int(), 30000);
  // (The lettering covers part of the band in both pictures.)
  const int second = SameAsPicture("after.png", "title2.bmp");
  EXPECT_GT(second, 4000);
  EXPECT_LT(SameAsPicture("after.png", "title.bmp"), second / 4);
}

}  // namespace
}  // namespace scenario
