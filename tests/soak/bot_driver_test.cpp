// quillmoor-sim's --bot, --bot-games and --log-memory: how they are read,
// and, in process with a small stand-in program, how the bot's answers
// become key presses and releases, log lines and the final Escape.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"
#include "tests/scenario/scenario.h"

using namespace platform;

namespace {

TEST(BotOptions, FlagsAreReadStrictly) {
  sim::SimOptions o;
  std::string error;
  ASSERT_TRUE(sim::ParseCommandLine({}, o, error));
  EXPECT_FALSE(o.bot || o.logMemory);
  EXPECT_EQ(o.botGames, 0);
  ASSERT_TRUE(sim::ParseCommandLine({"--bot", "--bot-games", "50", "--log-memory", "--until", "9"}, o, error))
      << error;
  EXPECT_TRUE(o.bot && o.logMemory);
  EXPECT_EQ(o.botGames, 50);
  ASSERT_TRUE(o.until.has_value());
  EXPECT_EQ(*o.until, 9u);
  ASSERT_TRUE(sim::ParseCommandLine({"--bot-games=3", "--bot"}, o, error)) << error;
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
  for (const char* word : {"--bot ", "--bot-games N", "--log-memory", "'MS close TITLE'"})
    EXPECT_NE(std::string(sim::Usage()).find(word), std::string::npos) << word;
}

struct KeyMessage {
  uint64_t ms;
  uint32_t message;
  int vk;
  bool operator==(const KeyMessage&) const = default;
};
std::vector<KeyMessage> keyMessages;

intptr_t Proc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  if (msg == WM_DESTROY) return PostQuitMessage(5), 0;
  if (msg != WM_KEYDOWN && msg != WM_KEYUP) return DefWindowProc(w, msg, wParam, lParam);
  if (msg == WM_KEYDOWN && (lParam & (intptr_t{1} << 30))) return 0;  // repeats
  keyMessages.push_back({sim::Now(), msg, static_cast<int>(wParam)});
  if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) DestroyWindow(w);
  return 0;
}

// A stand-in game whose bot holds Left from 10 ms, adds Space at 20, drops
// Left at 30, and says "game 1" at 15, "title" at 40, and two things at 50.
int Program() {
  keyMessages.clear();
  RegisterWindowClass("BOTFAKE", Proc);
  ShowWindow(CreateWindow("BOTFAKE", "fake", WS_CAPTION_FRAME | WS_SYSMENU, 0, 0, 326, 264, 0), true);
  StateHooks hooks;
  hooks.bot = [](uint64_t ms, std::string& note) {
    note = ms == 15 ? "game 1" : ms == 40 ? "title" : ms == 50 ? "over\nstill" : "";
    std::vector<int> keys;
    if (ms >= 10 && ms < 30) keys.push_back(VK_LEFT);
    if (ms >= 20) keys.push_back(VK_SPACE);
    return keys;
  };
  RegisterStateHooks(hooks);
  StartThread([] {  // something to wait for, as the game's threads would
    for (;;) Sleep(5);
  }, "ticker");
  Message m;
  int r;
  while ((r = GetMessage(m)) > 0) DispatchMessage(m);
  return r == 0 ? static_cast<int>(m.wParam) : 1;
}

class BotDriver : public scenario::ScenarioTest {
 protected:
  int RunInProcess(std::vector<std::string> args) {
    args.insert(args.begin(), {"quillmoor-sim", "--bot", "--log", P("log.txt"), "--exe", P("x")});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return sim::SimMain(static_cast<int>(argv.size()), argv.data(), Program);
  }
  std::vector<std::string> BotLines() {
    std::vector<std::string> out;
    for (const std::string& l : scenario::Lines(scenario::ReadFile(P("log.txt"))))
      if (l.find(" bot ") != std::string::npos) out.push_back(l);
    return out;
  }
};

TEST_F(BotDriver, AnswersBecomePressesAndReleasesAndNotesBecomeLogLines) {
  // Without --bot-games the bot plays on; the script ends the run.
  scenario::WriteFile(P("keys.txt"), "100 down Escape\n");
  ASSERT_EQ(RunInProcess({"--keys", P("keys.txt")}), 5);
  EXPECT_EQ(keyMessages, (std::vector<KeyMessage>{{10, WM_KEYDOWN, VK_LEFT}, {20, WM_KEYDOWN, VK_SPACE},
                                                  {30, WM_KEYUP, VK_LEFT}, {100, WM_KEYDOWN, VK_ESCAPE}}));
  EXPECT_EQ(BotLines(), (std::vector<std::string>{"15 bot game 1", "40 bot title", "50 bot over", "50 bot still"}));
}

TEST_F(BotDriver, AfterTheWantedGamesTheTitleNoteBringsEscapeAndTheBotLetsGo) {
  ASSERT_EQ(RunInProcess({"--bot-games", "1", "--log-memory"}), 5);
  ASSERT_FALSE(keyMessages.empty());
  EXPECT_EQ(keyMessages.back(), (KeyMessage{40, WM_KEYDOWN, VK_ESCAPE}));
  const std::vector<std::string> lines = BotLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("15 bot game 1 rss ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("40 bot title rss ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "40 bot leaves after 1 games");
  // A process holds more than 1 MB.
  for (int i : {0, 1}) EXPECT_GT(std::atol(lines[i].c_str() + lines[i].find(" rss ") + 5), 1000) << lines[i];
  EXPECT_GT(sim::ResidentKb(), 1000);
}

}  // namespace
