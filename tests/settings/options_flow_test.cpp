// Whole runs of quillmoor-sim: the settings file from start to shutdown, and
// the Option window driven by the S key and mouse clicks as a player would.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef QM_SIM_BINARY

namespace fs = std::filesystem;

namespace {

// Client points of the Option window's controls.
const char kOk[] = "Option 40 162";
const char kCancel[] = "Option 130 162";
const char kList[] = "Option 100 37";
std::string Entry(int index) { return "Option 100 " + std::to_string(27 + 20 + 1 + index * 15 + 7); }
const char kAuto[] = "Option 80 65";
const char kEasy[] = "Option 75 92";
const char kHard[] = "Option 75 122";
const char kGod[] = "Option 75 137";

const char kNewFile[] = "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\r\n";

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string SettingsText(int fps, int delay, int fire, int spare, int hi, int level, bool god) {
  std::string out;
  for (int v : {fps, delay, fire, spare, hi, level}) out += std::to_string(v) + "\r\n";
  return out + (god ? "AH!NO_WAY!!\r\n" : "\r\n");
}

class OptionFlow : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qm-optflow-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    if (!HasFailure()) fs::remove_all(dir_);
  }
  fs::path Ini() const { return dir_ / "quillmoor.ini"; }
  void WriteIni(const std::string& bytes) { std::ofstream(Ini(), std::ios::binary) << bytes; }

  // Runs the game with a key script; `extra` adds arguments. Returns the
  // exit status.
  int Run(const std::string& script, std::vector<std::string> extra = {}) {
    std::ofstream(dir_ / "keys.txt") << script;
    std::vector<std::string> args = {QM_SIM_BINARY, "--dir", QM_SOURCE_DIR, "--exe",
                                     (dir_ / "quillmoor").string(), "--keys",
                                     (dir_ / "keys.txt").string(), "--log",
                                     (dir_ / "log.txt").string(), "--until", "60000"};
    args.insert(args.end(), extra.begin(), extra.end());
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
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Log() const { return Slurp(dir_ / "log.txt"); }
  // A state field from a --state dump.
  int Field(const std::string& file, const std::string& name) const {
    const std::string json = Slurp(dir_ / file);
    const size_t at = json.find("\"" + name + "\":");
    if (at == std::string::npos) return -99999;
    return std::atoi(json.c_str() + at + name.size() + 3);
  }
  std::string Dump(int ms, const std::string& file) const {
    return "--state=" + std::to_string(ms) + ":" + (dir_ / file).string();
  }

  fs::path dir_;
};

// Opens the window at 2000 ms, clicks the given points 100 ms apart from
// 2100, and closes the game with Escape 300 ms after the last.
std::string Script(const std::vector<std::string>& clicks) {
  std::string s = "2000 down S\n2050 up S\n";
  int t = 2100;
  for (const std::string& c : clicks) {
    s += std::to_string(t) + " click " + c + "\n";
    t += 100;
  }
  t += 200;
  s += std::to_string(t) + " down Escape\n" + std::to_string(t + 50) + " up Escape\n";
  return s;
}

}  // namespace

TEST_F(OptionFlow, NewInstallationAndShutdown) {
  // Killed before shutdown: the new file of zeros stays as it was written.
  EXPECT_EQ(Run("", {}), 2);
  EXPECT_EQ(Slurp(Ini()), kNewFile);
  EXPECT_NE(Log().find("settings written " + Ini().string()), std::string::npos);
  // A normal end writes the defaults that applied in memory, with the frame
  // delay started at the 30 frames a second's frame time.
  fs::remove(Ini());
  EXPECT_EQ(Run("2000 down Escape\n2050 up Escape\n"), 0);
  EXPECT_EQ(Slurp(Ini()), SettingsText(30, 33, 0, 0, 0, 12, false));
  EXPECT_FALSE(fs::exists(Ini().string() + ".tmp"));
}

TEST_F(OptionFlow, GodHiddenWithoutUnlockAndOkStoresHard) {
  WriteIni(SettingsText(30, 33, 1, 0, 777, 30, false));
  EXPECT_EQ(Run(Script({kGod, kOk}), {Dump(2050, "open.json")}), 0);
  EXPECT_NE(Log().find("window created \"Option\""), std::string::npos);
  EXPECT_EQ(Field("open.json", "enemySlots"), 30);  // showing Hard changes nothing yet
  EXPECT_EQ(Slurp(Ini()), SettingsText(30, 33, 1, 0, 777, 20, false));
}

TEST_F(OptionFlow, GodShownAndKeptWithUnlock) {
  WriteIni(SettingsText(60, 3, 0, 0, 50, 30, true));
  EXPECT_EQ(Run(Script({kOk})), 0);
  EXPECT_EQ(Slurp(Ini()), SettingsText(60, 3, 0, 0, 50, 30, true));
  // And chosen from Easy.
  WriteIni(SettingsText(60, 3, 0, 0, 50, 5, true));
  EXPECT_EQ(Run(Script({kGod, kOk})), 0);
  EXPECT_EQ(Slurp(Ini()), SettingsText(60, 3, 0, 0, 50, 30, true));
}

TEST_F(OptionFlow, NoWaitStoresAThousand) {
  WriteIni(SettingsText(30, 33, 1, 0, 0, 12, false));
  EXPECT_EQ(Run(Script({kList, Entry(3), kAuto, kEasy, kOk}), {Dump(2600, "after.json")}), 0);
  EXPECT_EQ(Field("after.json", "targetFps"), 1000);
  EXPECT_EQ(Field("after.json", "fireMode"), 0);
  EXPECT_EQ(Field("after.json", "enemySlots"), 5);
  const std::string ini = Slurp(Ini());
  EXPECT_EQ(ini.substr(0, 6), "1000\r\n");
  EXPECT_NE(ini.find("\r\n0\r\n0\r\n0\r\n5\r\n\r\n"), std::string::npos) << ini;
}

TEST_F(OptionFlow, CancelAndEscapeChangeNothing) {
  const std::string stored = SettingsText(15, 66, 1, 0, 123, 20, true);
  WriteIni(stored);
  EXPECT_EQ(Run(Script({kList, Entry(3), kAuto, kGod, kCancel})), 0);
  EXPECT_EQ(Slurp(Ini()), stored);
  // Escape in the window is its Cancel; the second Escape closes the game.
  const std::string script = "2000 down S\n2050 up S\n2100 click " + std::string(kList) + "\n2200 click " +
           Entry(2) + "\n2300 click " + kEasy + "\n2400 down Escape\n2450 up Escape\n" +
           "2700 down Escape\n2750 up Escape\n";
  EXPECT_EQ(Run(script, {Dump(2600, "after.json")}), 0);
  EXPECT_NE(Log().find("window destroyed \"Option\""), std::string::npos);
  EXPECT_EQ(Field("after.json", "targetFps"), 15);
  EXPECT_EQ(Field("after.json", "enemySlots"), 20);
  EXPECT_EQ(Slurp(Ini()), stored);
}

TEST_F(OptionFlow, StoredLevelSevenIsRepairedAtLoad) {
  WriteIni(SettingsText(30, 33, 0, 0, 0, 7, false));
  EXPECT_EQ(Run(Script({kCancel}), {Dump(1000, "start.json")}), 0);
  EXPECT_EQ(Field("start.json", "enemySlots"), 12);
  EXPECT_EQ(Slurp(Ini()), SettingsText(30, 33, 0, 0, 0, 12, false));
}

TEST_F(OptionFlow, LevelSetToSevenIsRepairedAsTheWindowOpens) {
  // A level put into memory behind the loader's back.
  WriteIni(SettingsText(30, 33, 0, 0, 0, 12, false));
  EXPECT_EQ(Run(Script({kCancel}), {"--set=1500:enemySlots=7", Dump(1800, "before.json"),
                                   Dump(2060, "open.json")}),
            0);
  EXPECT_EQ(Field("before.json", "enemySlots"), 7);
  EXPECT_EQ(Field("open.json", "enemySlots"), 12);
  EXPECT_EQ(Slurp(Ini()), SettingsText(30, 33, 0, 0, 0, 12, false));
}

TEST_F(OptionFlow, SIgnoredDuringPlayAndInFullWindowMode) {
  WriteIni(SettingsText(30, 33, 1, 0, 0, 12, false));
  // Enter starts a game; S in play does nothing.
  EXPECT_EQ(Run("1500 down Enter\n1550 up Enter\n6000 down S\n6050 up S\n" +
                    std::string("6100 click ") + kEasy + "\n6500 down Escape\n6550 up Escape\n",
                {Dump(6080, "play.json")}),
            0);
  EXPECT_EQ(Field("play.json", "titleActive"), 0);
  EXPECT_EQ(Log().find("window created \"Option\""), std::string::npos);
  EXPECT_EQ(Slurp(Ini()), SettingsText(30, 33, 1, 0, 0, 12, false));
  // F4 switches to full-window mode; S on the title screen then does nothing.
  EXPECT_EQ(Run("1500 down F4\n1550 up F4\n2000 down S\n2050 up S\n2100 click " +
                    std::string(kEasy) + "\n2500 down Escape\n2550 up Escape\n",
                {Dump(2080, "full.json")}),
            0);
  EXPECT_NE(Field("full.json", "displayHandle"), 0);
  EXPECT_EQ(Field("full.json", "titleActive"), 1);
  EXPECT_EQ(Log().find("window created \"Option\""), std::string::npos);
  EXPECT_EQ(Slurp(Ini()), SettingsText(30, 33, 1, 0, 0, 12, false));
}

TEST_F(OptionFlow, UnwritableSettingsLeaveTheGameRunning) {
  // The settings "file" is a folder: nothing can be read or written, the game
  // runs on its defaults, the options still work, and no message box shows.
  fs::create_directory(Ini());
  EXPECT_EQ(Run(Script({kHard, kOk}), {Dump(2400, "after.json")}), 0);
  EXPECT_EQ(Field("after.json", "targetFps"), 30);
  EXPECT_EQ(Field("after.json", "enemySlots"), 20);
  EXPECT_TRUE(fs::is_directory(Ini()));
  EXPECT_NE(Log().find("settings not written"), std::string::npos);
  EXPECT_EQ(Log().find("message box"), std::string::npos);
}

#endif  // QM_SIM_BINARY
