// The bot's own rules that the recorded games never meet: its flags read
// strictly, and a paused game resumed with P rather than taken for its end.
#include "headless/bot.h"

#include <gtest/gtest.h>

#include "entities/tables.h"
#include "platform/platform.h"
#include "platform/sim/sim_driver.h"
#include "state/game_state.h"

using namespace platform;

namespace {

TEST(BotOptions, FlagsAreReadStrictly) {
  sim::SimOptions o;
  std::string error;
  ASSERT_TRUE(sim::ParseCommandLine({"--bot-games=3", "--bot", "--log-memory"}, o, error)) << error;
  EXPECT_TRUE(o.bot && o.logMemory);
  EXPECT_EQ(o.botGames, 3);
  const std::pair<std::vector<std::string>, const char*> bad[] = {
      {{"--bot=yes"}, "--bot takes no value"},
      {{"--bot", "--bot"}, "--bot given twice"},
      {{"--bot", "--log-memory=1"}, "--log-memory takes no value"},
      {{"--log-memory"}, "--log-memory needs --bot"},
      {{"--bot-games", "4"}, "--bot-games needs --bot"},
      {{"--bot", "--bot-games", "0"}, "bad --bot-games \"0\": expected 1..1000000"},
      {{"--bot", "--bot-games", "-2"}, "bad --bot-games \"-2\": expected 1..1000000"},
      {{"--bot", "--bot-games"}, "--bot-games needs a value"},
      {{"--bot", "--bot-games", "2", "--bot-games", "3"}, "--bot-games given twice"},
  };
  for (const auto& [args, why] : bad) {
    EXPECT_FALSE(sim::ParseCommandLine(args, o, error)) << why;
    EXPECT_EQ(error, why);
  }
}

TEST(Bot, APausedGameIsResumedWithPAndNeverTakenForItsEnd) {
  ResetGameState();
  SetConstantGameState();
  ClearTables();
  gs.enemySlots = 12;
  gs.quota = 255;
  Bot bot;
  std::string note;
  bot.Step(0, note);  // the title
  gs.titleActive = 0;
  chr[0].state = 1;
  chr[0].hp = 100;
  chr[0].x = 159;
  chr[0].y = 214;
  bot.Step(10, note);
  gs.scrollY = 3;  // one frame
  bot.Step(11, note);
  gs.pauseState = 1;  // paused: the picture and the scroll stand still
  bool tapped = false;
  for (uint64_t ms = 12; ms < 12 + 3 * Bot::kStillMs; ++ms) {
    const std::vector<int> keys = bot.Step(ms, note);
    ASSERT_EQ(bot.phase(), Bot::Phase::kPlay) << ms;
    tapped = tapped || keys == std::vector<int>{'P'};
    ASSERT_TRUE(keys.empty() || keys == std::vector<int>{'P'}) << ms;
  }
  EXPECT_TRUE(tapped);
  gs.pauseState = 0;
  gs.scrollY = 6;
  const std::vector<int> keys = bot.Step(5000, note);
  EXPECT_NE(std::find(keys.begin(), keys.end(), VK_SPACE), keys.end());
}

}  // namespace
