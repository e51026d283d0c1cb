// quillmoor-sim's --bot, --bot-games and --log-memory: how they are read,
// and, in process with a small stand-in program, how the bot's answers
// become key presses and releases, log lines and the final Escape.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

bool Parse(const std::vector<std::string>& args, sim::SimOptions& o, std::string& error) {
  return sim::ParseCommandLine(args, o, error);
}

TEST(BotOptions, FlagsAreReadStrictly) {
  sim::SimOptions o;
  std::string error;
  ASSERT_TRUE(Parse({}, o, error));
  EXPECT_FALSE(o.bot);
  EXPECT_FALSE(o.logMemory);
  EXPECT_EQ(o.botGames, 0);

  ASSERT_TRUE(Parse({"--bot", "--bot-games", "50", "--log-memory", "--until", "9"}, o, error))
      << error;
  EXPECT_TRUE(o.bot);
  EXPECT_TRUE(o.logMemory);
  EXPECT_EQ(o.botGames, 50);
  ASSERT_TRUE(o.until.has_value());
  EXPECT_EQ(*o.until, 9u);
  ASSERT_TRUE(Parse({"--bot-games=3", "--bot"}, o, error)) << error;
  EXPECT_EQ(o.botGames, 3);

  const struct {
    std::vector<std::string> args;
    const char* why;
  } bad[] = {
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
  for (const auto& b : bad) {
    EXPECT_FALSE(Parse(b.args, o, error)) << b.why;
    EXPECT_EQ(error, b.why);
  }
  const std::string usage = sim::Usage();
  for (const char* word : {"--bot ", "--bot-games N", "--log-memory", "'MS close TITLE'"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
}

// ---------------------------------------------------------------- in process

struct KeyMessage {
  uint64_t ms;
  uint32_t message;
  int vk;
  bool operator==(const KeyMessage&) const = default;
};
std::vector<KeyMessage> keyMessages;
Window mainWin = 0;

intptr_t Proc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      if ((lParam & (intptr_t{1} << 30)) && msg == WM_KEYDOWN) return 0;  // repeats
      keyMessages.push_back({sim::Now(), msg, static_cast<int>(wParam)});
      if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) DestroyWindow(w);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(5);
      return 0;
    default:
      return DefWindowProc(w, msg, wParam, lParam);
  }
}

// A bot that holds Left from 10 ms, adds Space at 20, drops Left at 30, and
// says "game 1" at 15, "title" at 40, and two things at 50.
std::vector<int> ScriptedBot(uint64_t ms, std::string& note) {
  note.clear();
  if (ms == 15) note = "game 1";
  if (ms == 40) note = "title";
  if (ms == 50) note = "over\nstill";
  std::vector<int> keys;
  if (ms >= 10 && ms < 30) keys.push_back(VK_LEFT);
  if (ms >= 20) keys.push_back(VK_SPACE);
  return keys;
}

int Program() {
  keyMessages.clear();
  RegisterWindowClass("BOTFAKE", Proc);
  mainWin = CreateWindow("BOTFAKE", "fake", WS_CAPTION_FRAME | WS_SYSMENU, 0, 0, 326, 264, 0);
  ShowWindow(mainWin, true);
  StateHooks hooks;
  hooks.bot = ScriptedBot;
  RegisterStateHooks(hooks);
  // Something to wait for, as the game's threads would.
  StartThread([] {
    for (;;) Sleep(5);
  }, "ticker");
  Message m;
  int r;
  while ((r = GetMessage(m)) > 0) DispatchMessage(m);
  return r == 0 ? static_cast<int>(m.wParam) : 1;
}

class BotDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::path(QM_BINARY_DIR) / "soak_bot_driver" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  int Run(std::vector<std::string> args) {
    std::vector<char*> argv{const_cast<char*>("quillmoor-sim")};
    for (auto& a : args) argv.push_back(a.data());
    return sim::SimMain(static_cast<int>(argv.size()), argv.data(), Program);
  }
  std::vector<std::string> Log() {
    std::ifstream f(dir / "log.txt");
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(f, line)) lines.push_back(line);
    return lines;
  }
  fs::path dir;
};

TEST_F(BotDriver, AnswersBecomePressesAndReleasesAndNotesBecomeLogLines) {
  const std::string log = (dir / "log.txt").string();
  std::ofstream(dir / "keys.txt") << "100 down Escape\n";
  // Without --bot-games the bot plays on; the script ends the run.
  ASSERT_EQ(Run({"--bot", "--log", log, "--keys", (dir / "keys.txt").string(), "--exe",
                 (dir / "x").string()}),
            5);
  const std::vector<KeyMessage> expected = {
      {10, WM_KEYDOWN, VK_LEFT},
      {20, WM_KEYDOWN, VK_SPACE},
      {30, WM_KEYUP, VK_LEFT},
      {100, WM_KEYDOWN, VK_ESCAPE},
  };
  EXPECT_EQ(keyMessages, expected);
  EXPECT_FALSE(sim::LogLines().empty());
  const std::vector<std::string> lines = Log();
  std::vector<std::string> botLines;
  for (const auto& l : lines)
    if (l.find(" bot ") != std::string::npos) botLines.push_back(l);
  EXPECT_EQ(botLines, (std::vector<std::string>{"15 bot game 1", "40 bot title", "50 bot over",
                                                "50 bot still"}));
}

TEST_F(BotDriver, AfterTheWantedGamesTheTitleNoteBringsEscapeAndTheBotLetsGo) {
  const std::string log = (dir / "log.txt").string();
  ASSERT_EQ(Run({"--bot", "--bot-games", "1", "--log-memory", "--log", log, "--exe",
                 (dir / "x").string()}),
            5);
  ASSERT_FALSE(keyMessages.empty());
  EXPECT_EQ(keyMessages.back(), (KeyMessage{40, WM_KEYDOWN, VK_ESCAPE}));
  std::vector<std::string> lines = Log();
  bool leaves = false;
  int memoryLines = 0;
  for (const auto& l : lines) {
    leaves = leaves || l == "40 bot leaves after 1 games";
    const size_t at = l.find(" rss ");
    if (l.find(" bot game 1 rss ") != std::string::npos ||
        l.find(" bot title rss ") != std::string::npos) {
      ASSERT_NE(at, std::string::npos) << l;
      EXPECT_GT(std::atol(l.c_str() + at + 5), 1000) << "a process holds more than 1 MB: " << l;
      ++memoryLines;
    }
  }
  EXPECT_TRUE(leaves);
  EXPECT_EQ(memoryLines, 2);
  EXPECT_GT(sim::ResidentKb(), 1000);
}

}  // namespace
