// Closing the game with Escape at every stage of a run (loading, title, play)
// ends it with code 0 and the settings written; in full-window mode the
// settings are saved and the display restored before anything else goes.
#include <algorithm>
#include <cstdlib>

#include "scenario.h"

namespace scenario {
namespace {

class ShellExit : public ScenarioTest {
 protected:
  // The time of the first log line containing text, or -1.
  static long long TimeOf(const std::vector<std::string>& log, const std::string& text,
                          size_t* index = nullptr) {
    for (size_t i = 0; i < log.size(); ++i) {
      if (log[i].find(text) != std::string::npos) {
        if (index) *index = i;
        return std::atoll(log[i].c_str());
      }
    }
    return -1;
  }
  static int IntField(const std::string& json, const std::string& name) {
    size_t at = json.find("\"" + name + "\":");
    if (at == std::string::npos) return -99999;
    return std::atoi(json.c_str() + at + name.size() + 3);
  }
  // Runs with Escape pressed at `ms` (and whatever keys come before), a state
  // dump just before it, and checks that the run ended well with the
  // settings written at exit. Returns the dump.
  std::string EscapeAt(long long ms, const std::string& keysBefore) {
    WriteFile(P("keys.txt"), keysBefore + std::to_string(ms) + " down Escape\n" +
                                 std::to_string(ms + 50) + " up Escape\n");
    const std::string dumpAt = std::to_string(ms - 1);
    Result r = Run({"--keys", P("keys.txt"), "--log", P("log.txt"), "--state",
                    dumpAt + ":" + P("before.json"), "--set", dumpAt + ":hiScore=4321",
                    "--until", "600000"});
    EXPECT_EQ(r.status, 0) << r.errors;
    std::vector<std::string> log = Lines(ReadFile(P("log.txt")));
    EXPECT_FALSE(log.empty());
    // The sound loop takes a few simulated milliseconds to close the music.
    if (!log.empty()) {
      EXPECT_NE(log.back().find(" exit 0"), std::string::npos) << log.back();
      EXPECT_GE(std::atoll(log.back().c_str()), ms);
      EXPECT_LT(std::atoll(log.back().c_str()), ms + 100);
    }
    size_t saved = 0, destroyed = 0;
    // The save at exit (a missing file is also written once at start-up).
    long long savedAt = -1;
    for (size_t i = 0; i < log.size(); ++i)
      if (log[i].find("settings written") != std::string::npos) {
        saved = i;
        savedAt = std::atoll(log[i].c_str());
      }
    EXPECT_EQ(savedAt, ms);
    EXPECT_GE(TimeOf(log, "window destroyed \"Quillmoor Ver.1.00\"", &destroyed), ms);
    EXPECT_LT(saved, destroyed);
    // Seven lines, each ended by CR LF, with the high score set during the run.
    std::string settings = ReadFile(P("quillmoor.ini"));
    std::vector<std::string> lines;
    size_t start = 0, crlf;
    while ((crlf = settings.find("\r\n", start)) != std::string::npos) {
      lines.push_back(settings.substr(start, crlf - start));
      start = crlf + 2;
    }
    EXPECT_EQ(start, settings.size()) << settings;
    EXPECT_EQ(lines.size(), 7u) << settings;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "4321"), lines.end()) << settings;
    return ReadFile(P("before.json"));
  }
};

TEST_F(ShellExit, EscapeBeforeTheLoadingPicture) {
  std::string s = EscapeAt(50, "");
  EXPECT_EQ(IntField(s, "titleActive"), 1);
  EXPECT_NE(s.find("\"BgmId\":[0,0,0,0,0]"), std::string::npos);  // nothing opened yet
}

TEST_F(ShellExit, EscapeWhileTheMusicIsOpened) {
  std::string s = EscapeAt(400, "");
  EXPECT_EQ(IntField(s, "titleActive"), 1);
  std::vector<std::string> log = Lines(ReadFile(P("log.txt")));
  EXPECT_GE(TimeOf(log, "opening.mid"), 0);
  EXPECT_EQ(TimeOf(log, "ending.mid"), -1);  // the loading had not finished
}

TEST_F(ShellExit, EscapeOnTheTitleScreen) {
  std::string s = EscapeAt(3000, "");
  EXPECT_EQ(IntField(s, "titleActive"), 1);
  std::vector<std::string> log = Lines(ReadFile(P("log.txt")));
  long long music = TimeOf(log, "mci play sa1");
  EXPECT_GE(music, 0);  // the title's music was playing
  EXPECT_LT(music, 3000);
}

TEST_F(ShellExit, EscapeDuringPlay) {
  // A first run finds when play begins: the stage music starts with it.
  const std::string start = "3000 down Enter\n3100 up Enter\n7000 down Enter\n7100 up Enter\n";
  WriteFile(P("keys.txt"), start);
  Result probe = Run({"--keys", P("keys.txt"), "--log", P("log.txt"), "--until", "20000"});
  ASSERT_EQ(probe.status, 2) << probe.errors;
  long long play = TimeOf(Lines(ReadFile(P("log.txt"))), "mci play sa2");
  ASSERT_GT(play, 7100) << "the game did not start";

  std::string s = EscapeAt(play + 30, start);
  EXPECT_EQ(IntField(s, "titleActive"), 0);
  const std::string shipState = "\"chr\":[{\"state\":";
  const size_t ship = s.find(shipState);
  ASSERT_NE(ship, std::string::npos);
  EXPECT_EQ(std::atoi(s.c_str() + ship + shipState.size()), 1);  // the ship is in play
}

TEST_F(ShellExit, FullWindowIsRestoredRightAfterTheSave) {
  WriteFile(P("keys.txt"), "500 down F4\n550 up F4\n1500 down Escape\n1550 up Escape\n");
  Result r = Run({"--keys", P("keys.txt"), "--log", P("log.txt")});
  EXPECT_EQ(r.status, 0) << r.errors;
  std::vector<std::string> log = Lines(ReadFile(P("log.txt")));
  size_t mode = 0, saved = 0, restored = 0, stopped = 0, freed = 0, destroyed = 0;
  ASSERT_EQ(TimeOf(log, "display mode 320x240x16", &mode), 500);
  ASSERT_EQ(TimeOf(log, "display restored", &restored), 1500);
  ASSERT_GE(TimeOf(log, "game thread stopped", &stopped), 1500);
  ASSERT_GE(TimeOf(log, "pictures freed", &freed), 1500);
  ASSERT_GE(TimeOf(log, "window destroyed \"Quillmoor", &destroyed), 1500);
  for (size_t i = mode; i < log.size(); ++i)
    if (log[i].find("settings written") != std::string::npos) saved = i;
  EXPECT_GT(saved, mode);
  EXPECT_LT(saved, restored);
  EXPECT_LT(restored, stopped);
  EXPECT_LT(stopped, freed);
  EXPECT_LT(freed, destroyed);
}

TEST_F(ShellExit, FailedFullWindowIsReportedAndTheGameGoesOn) {
  WriteFile(P("keys.txt"),
            "500 down F4\n550 up F4\n900 down F4\n950 up F4\n1500 down Escape\n1550 up Escape\n");
  Result r = Run({"--keys", P("keys.txt"), "--log", P("log.txt"), "--display-fail", "4"});
  EXPECT_EQ(r.status, 0) << r.errors;
  std::vector<std::string> log = Lines(ReadFile(P("log.txt")));
  // Each F4 tries again and is reported once.
  int reports = 0;
  for (const std::string& line : log)
    if (line.find("message box \"Full Window\" \"画面解像度の切り替えに失敗しました(Err=4)\"") !=
        std::string::npos)
      ++reports;
  EXPECT_EQ(reports, 2);
  EXPECT_EQ(TimeOf(log, "display restored"), -1);
  EXPECT_GE(TimeOf(log, "window destroyed \"Quillmoor"), 1500);
}

}  // namespace
}  // namespace scenario
