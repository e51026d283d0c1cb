// Whole games against their recorded course. Each run plays a scripted game
// in-process on the simulated clock and takes, every quarter second, a digest
// of the whole game state and of the picture on screen, and at the end one of
// the event log (sound commands, windows). The course must match the one kept
// beside this file line for line: any change in what the game does, however
// small, shows as the first moment that differs. After a deliberate change of
// behaviour, rerun with QM_GOLDEN_UPDATE=1 to record the new course, and
// review the diff.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "headless/state_dump.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"
#include "shell/shell.h"
#include "tests/scenario/scenario.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

constexpr uint64_t kStepMs = 250;

uint64_t Fnv(const void* data, size_t n, uint64_t h = 1469598103934665603ull) {
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
  return h;
}

std::vector<std::string> course;

std::string Line(uint64_t ms, uint64_t a, uint64_t b) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%llu %016llx %016llx", static_cast<unsigned long long>(ms),
                static_cast<unsigned long long>(a), static_cast<unsigned long long>(b));
  return buf;
}

void CaptureFrom(uint64_t ms) {
  sim::ScheduleAt(ms, [ms] {
    const std::string state = DumpStateJson();
    Surface picture;
    sim::RenderMainWindow(picture);
    course.push_back(Line(ms, Fnv(state.data(), state.size()),
                          Fnv(picture.data(), picture.width() * size_t(picture.height()) * 4)));
    CaptureFrom(ms + kStepMs);
  });
}

struct Game {
  const char* name;
  const char* course;    // the recorded course it must follow
  const char* settings;  // the settings file's seven lines
  const char* keys;      // the key script
  std::vector<std::string> args;  // more options; "@/NAME" is a file of the run
};

// Normal level, frame rate learned, AUTO fire.
constexpr const char* kNormal = "30\r\n30\r\n1\r\n0\r\n0\r\n12\r\n\r\n";
constexpr const char* kHard = "30\r\n30\r\n1\r\n0\r\n1500\r\n20\r\n\r\n";

constexpr const char* kMakerKeys =
    "2900 down Shift\n3000 down Enter\n3100 up Enter\n5200 up Shift\n9500 down Enter\n"
    "9600 up Enter\n132000 down Enter\n132100 up Enter\n138000 down Enter\n138100 up Enter\n"
    "146000 down Enter\n146100 up Enter\n152000 down Enter\n152100 up Enter\n"
    "156000 down Escape\n156100 up Escape\n";

const Game kGames[] = {
    // Maker Mode (Shift held through the title's fade), the boss given one hit
    // point, its explosions, the ending, the staff roll, the title twice.
    {"maker_game", "maker_game", kNormal, kMakerKeys, {"--set", "17000:chr[1].hp=1"}},
    // The same game heard: synthesising the music (--audio) changes nothing
    // of its course, to the millisecond of every piece's end and restart.
    {"maker_game_heard", "maker_game", kNormal, kMakerKeys,
     {"--set", "17000:chr[1].hp=1", "--audio", "@/heard.wav"}},
    // The bot at Hard for a minute of waves, grazes and rage, then F2.
    {"bot_hard", "bot_hard", kHard, "70000 down F2\n70100 up F2\n", {"--bot", "--bot-games", "1"}},
    // The same game with its final score already the high score: an equal
    // score is not a new one (no "HI SCORE!!").
    {"bot_hard_equal", "bot_hard_equal", "30\r\n30\r\n1\r\n0\r\n1687\r\n20\r\n\r\n",
     "70000 down F2\n70100 up F2\n", {"--bot", "--bot-games", "1"}},
    // The bot against the whole boss: one enemy short of the quota, F2 late.
    {"bot_boss", "bot_boss", kNormal, "75000 down F2\n75100 up F2\n",
     {"--bot", "--bot-games", "1", "--set", "11000:quota=1"}},
};

void PrintTo(const Game& g, std::ostream* os) { *os << g.name; }

class Golden : public ::testing::TestWithParam<Game> {};

TEST_P(Golden, FollowsItsRecordedCourse) {
  const Game& g = GetParam();
  const fs::path dir = fs::path(QM_BINARY_DIR) / "golden" / g.name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "quillmoor.ini", std::ios::binary) << g.settings;
  std::ofstream(dir / "keys.txt", std::ios::binary) << g.keys;
  std::vector<std::string> args = {"quillmoor-sim", "--dir", QM_SOURCE_DIR, "--exe",
                                   (dir / "quillmoor").string(), "--keys",
                                   (dir / "keys.txt").string(), "--log", (dir / "log.txt").string()};
  for (const std::string& a : g.args)  // "@/" names a file in the game's folder
    args.push_back(a.rfind("@/", 0) == 0 ? (dir / a.substr(2)).string() : a);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  // Each game in a process of its own, as a real launch: the game keeps
  // process-wide state that one run would hand to the next.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    course.clear();
    const int code = sim::SimMain(static_cast<int>(argv.size()), argv.data(), [] {
      RegisterStateDumpHooks();
      CaptureFrom(kStepMs);
      return QuillmoorMain();
    });
    std::ofstream out(dir / "course.txt", std::ios::binary);
    for (const std::string& l : course) out << l << "\n";
    out.close();
    std::_Exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the game did not end by itself";
  std::istringstream lines(scenario::ReadFile(dir / "course.txt"));
  course.clear();
  for (std::string l; std::getline(lines, l);) course.push_back(l);
  std::string got;
  for (const std::string& l : course) got += l + "\n";

  const fs::path expected = fs::path(QM_SOURCE_DIR) / "tests/golden" / (std::string(g.course) + ".txt");
  if (std::getenv("QM_GOLDEN_UPDATE") && std::string(g.name) == g.course) {
    std::ofstream(expected, std::ios::binary) << got;
    GTEST_SKIP() << "recorded " << expected;
  }
  const std::string want = scenario::ReadFile(expected);
  if (got == want) return;
  std::istringstream a(got), b(want);
  std::string la, lb;
  while (std::getline(a, la) && std::getline(b, lb) && la == lb) {}
  FAIL() << g.name << " leaves its course at: " << la << " (recorded: " << lb << ")";
}

INSTANTIATE_TEST_SUITE_P(Games, Golden, ::testing::ValuesIn(kGames),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
