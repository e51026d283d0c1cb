// Long unattended play: quillmoor-sim with the bot plays game after game at
// "No Wait" (target 1000 frames per second, no frame delay) and leaves from
// the title screen. Nothing may crash, every game must be counted by the log,
// the high score must reach the file, and the resident memory after the
// first game may not grow by more than 1 MB by the last.
//
// The suite plays 10 games (about 40 s here; 4 under a sanitizer, without
// the memory limit); QM_SOAK_GAMES=50 runs the full soak by hand. The figures
// are printed for docs/RELIABILITY.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/scenario/scenario.h"

namespace scenario {
namespace {

// Under a sanitizer every run is several times slower, and its quarantine
// of freed memory makes the resident size say nothing about leaks.
constexpr bool kSanitizer =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif

int GamesWanted() {
  const char* env = std::getenv("QM_SOAK_GAMES");
  const int n = env ? std::atoi(env) : 0;
  return n > 0 ? n : kSanitizer ? 4 : 10;
}

// One "MS bot WHAT rss KB" line of the log.
struct BotLine {
  long long ms = 0;
  std::string what;
  long rssKb = -1;
};

std::vector<BotLine> BotLines(const std::vector<std::string>& log) {
  std::vector<BotLine> out;
  for (const std::string& line : log) {
    const size_t at = line.find(" bot ");
    if (at == std::string::npos) continue;
    BotLine b;
    b.ms = std::atoll(line.c_str());
    std::string rest = line.substr(at + 5);
    const size_t rss = rest.rfind(" rss ");
    if (rss != std::string::npos) {
      b.rssKb = std::atol(rest.c_str() + rss + 5);
      rest = rest.substr(0, rss);
    }
    b.what = rest;
    out.push_back(b);
  }
  return out;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

class Soak : public ScenarioTest {};

TEST_F(Soak, GamesBackToBackAtNoWaitNeitherCrashNorGrowNorLoseTheHighScore) {
  const int games = GamesWanted();
  // No Wait, no frame delay learned yet, AUTO fire, high score 0, Normal.
  WriteFile(P("quillmoor.ini"), "1000\r\n0\r\n1\r\n0\r\n0\r\n12\r\n\r\n");
  // A won game with its ending and staff roll takes under two simulated
  // minutes; the end time only stops a run that has lost its way.
  const std::string until = std::to_string(static_cast<long long>(games) * 150000 + 60000);
  const auto start = std::chrono::steady_clock::now();
  Result r = Run({"--bot", "--bot-games", std::to_string(games), "--log-memory", "--tick",
                  "20240611", "--log", P("log.txt"), "--until", until});
  const double realSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.errors, "");

  const std::vector<std::string> log = Lines(ReadFile(P("log.txt")));
  ASSERT_FALSE(log.empty());
  const std::vector<BotLine> bot = BotLines(log);

  // Every game counted twice over: the bot's own count and the stage music.
  int started = 0, won = 0, lost = 0, over = 0, stageMusic = 0;
  std::vector<int> scores;
  const std::string stagePlay = " mci play sa2";
  for (const std::string& line : log)
    if (line.size() > stagePlay.size() &&
        line.compare(line.size() - stagePlay.size(), stagePlay.size(), stagePlay) == 0)
      ++stageMusic;
  // Resident memory when the title comes back after each game.
  std::vector<long> rssAfter;
  bool awaitingTitle = false;
  for (const BotLine& b : bot) {
    if (!StartsWith(b.what, "leaves ")) {
      EXPECT_GT(b.rssKb, 0) << b.what;
    }
    if (StartsWith(b.what, "game ")) {
      ++started;
      EXPECT_EQ(b.what, "game " + std::to_string(started));
    } else if (b.what == "won") {
      ++won;
    } else if (b.what == "lost") {
      ++lost;
    } else if (StartsWith(b.what, "over score ")) {
      ++over;
      scores.push_back(std::atoi(b.what.c_str() + 11));
      awaitingTitle = true;
    } else if (b.what == "title" && awaitingTitle) {
      rssAfter.push_back(b.rssKb);
      awaitingTitle = false;
    }
  }
  EXPECT_EQ(started, games);
  EXPECT_EQ(stageMusic, games);
  EXPECT_EQ(over, games);
  EXPECT_EQ(won + lost, games);
  ASSERT_EQ(static_cast<int>(rssAfter.size()), games);
  EXPECT_EQ(bot.back().what, "leaves after " + std::to_string(games) + " games");
  EXPECT_EQ(log.back().substr(log.back().find(' ')), " exit 0");

  const long growth = rssAfter.back() - rssAfter.front();
  if (!kSanitizer) {
    EXPECT_LE(growth, 1024) << "resident memory after game 1: " << rssAfter.front()
                            << " kB, after game " << games << ": " << rssAfter.back() << " kB";
  }

  // The best score of the session is the one the file keeps.
  const std::vector<std::string> ini = Lines(ReadFile(P("quillmoor.ini")));
  ASSERT_EQ(ini.size(), 7u);
  for (const std::string& line : ini) EXPECT_TRUE(!line.empty() && line.back() == '\r');
  const int best = *std::max_element(scores.begin(), scores.end());
  EXPECT_GT(best, 0);
  EXPECT_EQ(ini[4], std::to_string(best) + "\r");
  EXPECT_EQ(ini[0], "1000\r");
  EXPECT_EQ(ini[5], "12\r");

  const long long simMs = std::atoll(log.back().c_str());
  std::printf("soak: %d games (%d won, %d lost), best score %d; simulated %.1f min, real %.1f s;"
              " resident memory after game 1 %ld kB, after game %d %ld kB (%+ld kB)\n",
              games, won, lost, best, simMs / 60000.0, realSeconds, rssAfter.front(), games,
              rssAfter.back(), growth);
}

// The bot decides from the game state alone, at moments the simulation
// fixes: two runs with the same arguments are the same run, byte for byte.
TEST_F(Soak, TheSameArgumentsGiveTheSameBotRun) {
  std::string logs[2], states[2];
  for (int i = 0; i < 2; ++i) {
    WriteFile(P("quillmoor.ini"), "1000\r\n0\r\n1\r\n0\r\n0\r\n12\r\n\r\n");
    Result r = Run({"--bot", "--tick", "31337", "--log", P("log.txt"), "--state",
                    "8000:" + P("play.json"), "--until", "16000"});
    ASSERT_EQ(r.status, 2) << r.errors;
    logs[i] = ReadFile(P("log.txt"));
    states[i] = ReadFile(P("play.json"));
  }
  EXPECT_NE(logs[0].find(" bot game 1\n"), std::string::npos);
  EXPECT_NE(logs[0].find(" bot over score "), std::string::npos) << "a whole game in 16 s";
  EXPECT_EQ(logs[0], logs[1]);
  EXPECT_EQ(states[0], states[1]);
}

}  // namespace
}  // namespace scenario
