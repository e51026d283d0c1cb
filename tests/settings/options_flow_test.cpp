// Whole runs of quillmoor-sim: the settings file from start to shutdown, and
// the Option window driven by the S key and mouse clicks as a player would.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef QM_SIM_BINARY

namespace fs = std::filesystem;

namespace {

// Client points of the Option window's controls.
const std::string kOk = "Option 40 162", kCancel = "Option 130 162", kList = "Option 100 37",
                  kAuto = "Option 80 65", kEasy = "Option 75 92", kHard = "Option 75 122",
                  kGod = "Option 75 137";
std::string Entry(int index) { return "Option 100 " + std::to_string(27 + 20 + 1 + index * 15 + 7); }

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Ini(int fps, int delay, int fire, int spare, int hi, int level, bool god) {
  std::string out;
  for (int v : {fps, delay, fire, spare, hi, level}) out += std::to_string(v) + "\r\n";
  return out + (god ? "AH!NO_WAY!!\r\n" : "\r\n");
}

// Opens the window at 2000 ms, clicks the points 100 ms apart from 2100,
// and closes the game with Escape 300 ms after the last.
std::string Script(const std::vector<std::string>& clicks) {
  std::string s = "2000 down S\n2050 up S\n";
  int t = 2100;
  for (const std::string& c : clicks) s += std::to_string(t) + " click " + c + "\n", t += 100;
  return s + std::to_string(t + 200) + " down Escape\n" + std::to_string(t + 250) + " up Escape\n";
}

int Field(const std::string& json, const std::string& name) {
  const size_t at = json.find("\"" + name + "\":");
  return at == std::string::npos ? -99999 : std::atoi(json.c_str() + at + name.size() + 3);
}

struct Dump {
  int ms;
  const char* field;
  int value;
  bool notEqual = false;
};

TEST(OptionFlow, TheSettingsFileFromStartToShutdownAndThroughTheOptionWindow) {
  const std::string newFile = "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\r\n";
  const std::string escapeInWindow = "2000 down S\n2050 up S\n2100 click " + kList + "\n2200 click " + Entry(2) +
                                     "\n2300 click " + kEasy + "\n2400 down Escape\n2450 up Escape\n" +
                                     "2700 down Escape\n2750 up Escape\n";
  const struct {
    const char* name;
    const char* before;  // nullptr: no file; "dir": a folder in its place
    std::string script;
    std::vector<std::string> extra;
    int status;
    std::string after;  // the file's bytes; empty: only fields 1 and 3..7 of `like`
    std::string like;
    std::vector<Dump> dumps;
    const char* logHas;
    const char* logLacks;
  } rows[] = {
      // A new installation killed before shutdown keeps the file of zeros
      // written at start; a normal end writes the defaults in memory, with
      // the delay started at 30 frames a second's frame time.
      {"new installation killed", nullptr, "", {"--until", "3000"}, 2, newFile, "", {}, "settings written", ""},
      {"new installation ended", nullptr, "2000 down Escape\n2050 up Escape\n", {}, 0, Ini(30, 33, 0, 0, 0, 12, false), "", {}, "", ""},
      {"God hidden: OK stores Hard", "30 33 1 0 777 30 0", Script({kGod, kOk}), {}, 0, Ini(30, 33, 1, 0, 777, 20, false), "",
       {{2050, "enemySlots", 30}}, "window created \"Option\"", ""},
      {"God shown and kept", "60 3 0 0 50 30 1", Script({kOk}), {}, 0, Ini(60, 3, 0, 0, 50, 30, true), "", {}, "", ""},
      {"God chosen from Easy", "60 3 0 0 50 5 1", Script({kGod, kOk}), {}, 0, Ini(60, 3, 0, 0, 50, 30, true), "", {}, "", ""},
      {"No Wait stores a thousand", "30 33 1 0 0 12 0", Script({kList, Entry(3), kAuto, kEasy, kOk}), {}, 0, "",
       Ini(1000, 0, 0, 0, 0, 5, false), {{2600, "targetFps", 1000}, {2600, "fireMode", 0}, {2600, "enemySlots", 5}}, "", ""},
      {"Cancel", "15 66 1 0 123 20 1", Script({kList, Entry(3), kAuto, kGod, kCancel}), {}, 0, Ini(15, 66, 1, 0, 123, 20, true),
       "", {}, "", ""},
      // Escape in the window is its Cancel; the second Escape closes the game.
      {"Escape in the window", "15 66 1 0 123 20 1", escapeInWindow, {}, 0, Ini(15, 66, 1, 0, 123, 20, true), "",
       {{2600, "targetFps", 15}, {2600, "enemySlots", 20}}, "window destroyed \"Option\"", ""},
      {"stored level 7 repaired at load", "30 33 0 0 0 7 0", Script({kCancel}), {}, 0, Ini(30, 33, 0, 0, 0, 12, false), "",
       {{1000, "enemySlots", 12}}, "", ""},
      {"level set to 7 repaired as the window opens", "30 33 0 0 0 12 0", Script({kCancel}), {"--set=1500:enemySlots=7"},
       0, Ini(30, 33, 0, 0, 0, 12, false), "", {{1800, "enemySlots", 7}, {2060, "enemySlots", 12}}, "", ""},
      {"S ignored during play", "30 33 1 0 0 12 0",
       "1500 down Enter\n1550 up Enter\n6000 down S\n6050 up S\n6100 click " + kEasy + "\n6500 down Escape\n6550 up Escape\n",
       {}, 0, Ini(30, 33, 1, 0, 0, 12, false), "", {{6080, "titleActive", 0}}, "", "window created \"Option\""},
      {"S ignored in full-window mode", "30 33 1 0 0 12 0",
       "1500 down F4\n1550 up F4\n2000 down S\n2050 up S\n2100 click " + kEasy + "\n2500 down Escape\n2550 up Escape\n",
       {}, 0, Ini(30, 33, 1, 0, 0, 12, false), "", {{2080, "displayHandle", 0, true}, {2080, "titleActive", 1}}, "",
       "window created \"Option\""},
      // Nothing can be read or written: the game runs on its defaults, the
      // options still work, and no message box shows.
      {"settings file is a folder", "dir", Script({kHard, kOk}), {}, 0, "", "", {{2400, "targetFps", 30}, {2400, "enemySlots", 20}},
       "settings not written", "message box"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    char tmpl[] = "/tmp/qm-optflow-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl, ini = dir / "quillmoor.ini";
    if (row.before && std::string(row.before) == "dir") {
      fs::create_directory(ini);
    } else if (row.before) {
      std::istringstream in(row.before);
      int v[7];
      for (int& x : v) in >> x;
      std::ofstream(ini, std::ios::binary) << Ini(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
    }
    std::ofstream(dir / "keys.txt") << row.script;
    std::vector<std::string> args = {QM_SIM_BINARY, "--dir", QM_SOURCE_DIR, "--exe", (dir / "quillmoor").string(),
                                     "--keys", (dir / "keys.txt").string(), "--log", (dir / "log.txt").string()};
    args.insert(args.end(), row.extra.begin(), row.extra.end());
    for (const Dump& d : row.dumps)
      args.push_back("--state=" + std::to_string(d.ms) + ":" + (dir / (std::to_string(d.ms) + ".json")).string());
    if (row.extra.empty() || row.extra[0] != "--until") args.insert(args.end(), {"--until", "60000"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, row.status);
    const std::string log = Slurp(dir / "log.txt"), saved = Slurp(ini);
    EXPECT_TRUE(row.after.empty() || saved == row.after) << saved << " instead of " << row.after;
    if (!row.like.empty()) {
      // The tuned frame delay is the regulator's; every other line is exact.
      const size_t a = saved.find("\r\n"), b = saved.find("\r\n", a + 2);
      const size_t c = row.like.find("\r\n"), d = row.like.find("\r\n", c + 2);
      EXPECT_EQ(saved.substr(0, a) + saved.substr(b), row.like.substr(0, c) + row.like.substr(d)) << saved;
    }
    EXPECT_EQ(fs::is_directory(ini), row.before && std::string(row.before) == "dir");
    EXPECT_FALSE(fs::exists(ini.string() + ".tmp"));
    for (const Dump& d : row.dumps) {
      const int got = Field(Slurp(dir / (std::to_string(d.ms) + ".json")), d.field);
      EXPECT_TRUE(d.notEqual ? got != d.value : got == d.value) << d.field << " at " << d.ms << ": " << got;
    }
    EXPECT_NE(log.find(row.logHas), std::string::npos) << row.logHas;
    EXPECT_TRUE(!*row.logLacks || log.find(row.logLacks) == std::string::npos) << row.logLacks;
    if (!HasFailure()) fs::remove_all(dir);
  }
}

}  // namespace

#endif  // QM_SIM_BINARY
