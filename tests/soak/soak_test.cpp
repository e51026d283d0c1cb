// Long unattended play: the bot plays game after game at "No Wait" and leaves
// from the title. Nothing may crash, every game is counted, the best score
// reaches the file, and the resident memory may not grow by more than 1 MB
// from the first game to the last (not under a sanitizer, whose quarantine
// hides leaks). QM_SOAK_GAMES=50 runs the full soak by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/scenario/scenario.h"

namespace scenario {
namespace {

class Soak : public ScenarioTest {};

TEST_F(Soak, GamesBackToBackAtNoWaitNeitherCrashNorGrowNorLoseTheHighScore) {
  const char* env = std::getenv("QM_SOAK_GAMES");
  const int games = env && std::atoi(env) > 0 ? std::atoi(env) : kSanitizer ? 2 : 4;
  WriteFile(P("quillmoor.ini"), "1000\r\n0\r\n1\r\n0\r\n0\r\n12\r\n\r\n");  // No Wait, AUTO, Normal
  const Result r = Run({"--bot", "--bot-games", std::to_string(games), "--log-memory", "--tick", "20240611",
                        "--log", P("log.txt"), "--until", std::to_string(games * 150000LL + 60000)});
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.errors, "");
  const std::vector<std::string> log = Lines(ReadFile(P("log.txt")));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().substr(log.back().find(' ')), " exit 0");

  // Every game counted twice over: the bot's own count and the stage music;
  // the resident memory ("rss KB") when the title comes back after each.
  int started = 0, won = 0, lost = 0, stageMusic = 0;
  std::vector<int> scores;
  std::vector<long> rssAfter;
  std::string lastBot;
  for (const std::string& line : log) {
    if (line.size() > 13 && line.compare(line.size() - 13, 13, " mci play sa2") == 0) ++stageMusic;
    const size_t at = line.find(" bot ");
    if (at == std::string::npos) continue;
    std::string what = line.substr(at + 5);
    const size_t rss = what.rfind(" rss ");
    const long kb = rss == std::string::npos ? -1 : std::atol(what.c_str() + rss + 5);
    what = what.substr(0, rss);
    lastBot = what;
    EXPECT_TRUE(what.rfind("leaves ", 0) == 0 || kb > 0) << what;
    if (what.rfind("game ", 0) == 0) {
      EXPECT_EQ(what, "game " + std::to_string(++started));
    }
    won += what == "won";
    lost += what == "lost";
    if (what.rfind("over score ", 0) == 0) scores.push_back(std::atoi(what.c_str() + 11));
    if (what == "title" && rssAfter.size() < scores.size()) rssAfter.push_back(kb);
  }
  EXPECT_EQ(started, games);
  EXPECT_EQ(stageMusic, games);
  EXPECT_EQ(static_cast<int>(scores.size()), games);
  EXPECT_EQ(won + lost, games);
  ASSERT_EQ(static_cast<int>(rssAfter.size()), games);
  EXPECT_EQ(lastBot, "leaves after " + std::to_string(games) + " games");
  const long growth = rssAfter.back() - rssAfter.front();
  EXPECT_TRUE(kSanitizer || growth <= 1024) << rssAfter.front() << " kB after game 1, " << rssAfter.back() << " at the end";

  // The best score of the session is the one the file keeps.
  const int best = *std::max_element(scores.begin(), scores.end());
  EXPECT_GT(best, 0);
  const std::vector<std::string> ini = Lines(ReadFile(P("quillmoor.ini")));
  ASSERT_EQ(ini.size(), 7u);
  EXPECT_EQ(ReadFile(P("quillmoor.ini")), "1000\r\n" + ini[1] + "\n1\r\n0\r\n" + std::to_string(best) + "\r\n12\r\n\r\n");
  std::printf("soak: %d games (%d won, %d lost), best score %d; simulated %.1f min; resident memory after"
              " game 1 %ld kB, after game %d %ld kB (%+ld kB)\n",
              games, won, lost, best, std::atoll(log.back().c_str()) / 60000.0, rssAfter.front(), games,
              rssAfter.back(), growth);
}

}  // namespace
}  // namespace scenario
