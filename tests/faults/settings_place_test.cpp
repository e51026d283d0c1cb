// A settings file that cannot be read or written (the tests run as root, so
// no permission bits stop them): its path taken by a directory or by a
// device, its folder missing, a plain file, or read-only (/proc, or marked
// immutable), the file itself immutable, or full of garbage. The game must
// run on what it could read or on the defaults, end with code 0 on Escape,
// and leave whatever was there as it was (or, for garbage, a whole new file).
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tests/faults/faults.h"
#include "tests/scenario/json.h"
#include "tests/scenario/scenario.h"

namespace faults {
namespace {

using scenario::Json;
using scenario::ParseJson;
using scenario::ReadFile;
using scenario::WriteFile;

struct Place {
  std::string name;
  fs::path exe;        // --exe
  int targetFps = 30;  // what the game must run on
  int level = 12;
  int hiScore = 0;
  bool saved = false;  // whether the save at the end may succeed
};

// Marks a file or folder immutable (chattr +i) for the life of the object;
// false when the file system does not support it.
class Immutable {
 public:
  explicit Immutable(const fs::path& p) : path_(p) {
    ok_ = std::system(("chattr +i '" + p.string() + "' 2>/dev/null").c_str()) == 0;
  }
  ~Immutable() {
    if (ok_) std::system(("chattr -i '" + path_.string() + "' 2>/dev/null").c_str());
  }
  bool ok() const { return ok_; }

 private:
  fs::path path_;
  bool ok_ = false;
};

class SettingsPlace : public scenario::ScenarioTest {
 protected:
  // Runs every place to the title screen and Escape, dumping the state first.
  void RunAll(std::vector<Place>& places) {
    std::vector<SimJob> jobs;
    for (size_t i = 0; i < places.size(); ++i) {
      const fs::path run = dir_ / ("run" + std::to_string(i));
      fs::create_directories(run);
      WriteFile(run / "keys.txt", "3000 down Escape\n");
      SimJob job;
      job.cwd = run;
      job.args = {"--dir",  QM_SOURCE_DIR,    "--exe",   places[i].exe.string(),
                  "--keys", (run / "keys.txt").string(), "--log", (run / "log.txt").string(),
                  "--state", "2000:" + (run / "state.json").string(), "--until", "20000"};
      jobs.push_back(job);
    }
    faults::RunAll(jobs);
    for (size_t i = 0; i < places.size(); ++i) {
      SCOPED_TRACE(places[i].name);
      const fs::path run = dir_ / ("run" + std::to_string(i));
      EXPECT_EQ(jobs[i].status, 0) << jobs[i].errors;
      EXPECT_EQ(jobs[i].errors, "");
      const Json state = ParseJson(ReadFile(run / "state.json"));
      EXPECT_EQ(state["titleActive"].Int(), 1) << "the title screen is up";
      EXPECT_EQ(state["targetFps"].Int(), places[i].targetFps);
      EXPECT_EQ(state["enemySlots"].Int(), places[i].level);
      EXPECT_EQ(state["hiScore"].Int(), places[i].hiScore);
      const LogTimes log(ReadFile(run / "log.txt"));
      ASSERT_FALSE(log.lines().empty());
      EXPECT_EQ(log.lines().back().second, "exit 0");
      EXPECT_EQ(log.Prefix("settings written ", 3000) >= 0, places[i].saved);
      EXPECT_EQ(log.Prefix("settings not written ", 3000) >= 0, !places[i].saved);
    }
  }
};

TEST_F(SettingsPlace, UnreadableOrUnwritablePlacesRunOnTheDefaultsAndEndWithZero) {
  // The settings path is a directory, with something in it to keep.
  fs::create_directories(dir_ / "a" / "quillmoor.ini");
  WriteFile(dir_ / "a" / "quillmoor.ini" / "keep", "x");
  // The settings path is a device that reads zeros for ever.
  fs::create_directories(dir_ / "b");
  fs::create_symlink("/dev/zero", dir_ / "b" / "quillmoor.ini");
  // The folder is a plain file.
  WriteFile(dir_ / "c", "not a folder");
  std::vector<Place> places = {
      {"settings path is a directory", dir_ / "a" / "quillmoor"},
      {"settings path is a device", dir_ / "b" / "quillmoor"},
      {"folder does not exist", dir_ / "missing" / "deeper" / "quillmoor"},
      {"folder is a plain file", dir_ / "c" / "quillmoor"},
      // Nobody, not even root, creates files in /proc.
      {"read-only folder /proc", "/proc/quillmoor"},
  };
  RunAll(places);
  EXPECT_TRUE(fs::is_directory(dir_ / "a" / "quillmoor.ini"));
  EXPECT_EQ(ReadFile(dir_ / "a" / "quillmoor.ini" / "keep"), "x");
  EXPECT_TRUE(fs::is_symlink(dir_ / "b" / "quillmoor.ini"));
  EXPECT_EQ(fs::read_symlink(dir_ / "b" / "quillmoor.ini"), "/dev/zero");
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  EXPECT_EQ(ReadFile(dir_ / "c"), "not a folder");
  EXPECT_FALSE(fs::exists("/proc/quillmoor.ini"));
  // Nothing half-written was left anywhere.
  for (const char* sub : {"a", "b"}) EXPECT_FALSE(fs::exists(dir_ / sub / "quillmoor.ini.tmp"));
}

TEST_F(SettingsPlace, AReadOnlyFolderOrFileKeepsTheOldSettingsWhichStillLoad) {
  const std::string old = SettingsText(60, 16, 0, 5, 777, 20, false);
  fs::create_directories(dir_ / "ro-folder");
  WriteFile(dir_ / "ro-folder" / "quillmoor.ini", old);
  fs::create_directories(dir_ / "ro-file");
  WriteFile(dir_ / "ro-file" / "quillmoor.ini", old);
  Immutable folder(dir_ / "ro-folder");
  Immutable file(dir_ / "ro-file" / "quillmoor.ini");
  if (!folder.ok() || !file.ok())
    GTEST_SKIP() << "this file system cannot mark files immutable (chattr +i)";
  std::vector<Place> places = {
      {"immutable folder", dir_ / "ro-folder" / "quillmoor", 60, 20, 777},
      {"immutable settings file", dir_ / "ro-file" / "quillmoor", 60, 20, 777},
  };
  RunAll(places);
  EXPECT_EQ(ReadFile(dir_ / "ro-folder" / "quillmoor.ini"), old);
  EXPECT_EQ(ReadFile(dir_ / "ro-file" / "quillmoor.ini"), old);
  EXPECT_FALSE(fs::exists(dir_ / "ro-folder" / "quillmoor.ini.tmp"));
  EXPECT_FALSE(fs::exists(dir_ / "ro-file" / "quillmoor.ini.tmp"));
}

TEST_F(SettingsPlace, GarbageInTheFileIsReadAsWhatItSaysAndReplacedByAWholeFile) {
  std::mt19937 rng(99);
  std::vector<Place> places;
  for (int i = 0; i < 4; ++i) {
    const fs::path folder = dir_ / ("garbage" + std::to_string(i));
    fs::create_directories(folder);
    std::string bytes(i == 3 ? 2 << 20 : 1 + rng() % 5000, '\0');  // the last past the 1 MB cap
    for (char& c : bytes) c = static_cast<char>(rng());
    WriteFile(folder / "quillmoor.ini", bytes);
    places.push_back({"garbage " + std::to_string(i), folder / "quillmoor", 0, 0, 0, true});
  }
  // What random bytes read as is theirs to decide; the run must only not
  // fail, so the state check takes whatever the game made of them.
  std::vector<SimJob> probe;
  for (size_t i = 0; i < places.size(); ++i) {
    const fs::path run = dir_ / ("probe" + std::to_string(i));
    fs::create_directories(run);
    fs::copy_file(places[i].exe.string() + ".ini", run / "quillmoor.ini");
    SimJob job;
    job.cwd = run;
    job.args = {"--dir",   QM_SOURCE_DIR, "--exe", (run / "quillmoor").string(), "--state",
                "1000:" + (run / "state.json").string(), "--until", "1500"};
    probe.push_back(job);
  }
  faults::RunAll(probe);
  for (size_t i = 0; i < places.size(); ++i) {
    ASSERT_EQ(probe[i].status, 2) << probe[i].errors;
    const Json s = ParseJson(ReadFile(probe[i].cwd / "state.json"));
    places[i].targetFps = s["targetFps"].Int();
    places[i].level = s["enemySlots"].Int();
    places[i].hiScore = s["hiScore"].Int();
    EXPECT_TRUE(places[i].level == 5 || places[i].level == 12 || places[i].level == 20 ||
                places[i].level == 30);
    EXPECT_NE(places[i].targetFps, 0);
  }
  RunAll(places);
  for (const Place& p : places) {
    SettingsLines ini;
    std::string why;
    EXPECT_TRUE(ReadSettingsExactly(p.exe.string() + ".ini", ini, why)) << p.name << ": " << why;
  }
}

}  // namespace
}  // namespace faults
