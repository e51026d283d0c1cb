// A settings file that cannot be read or written (the tests run as root, so
// no permission bits stop them): its path taken by a directory or a device,
// its folder missing, a plain file or read-only (/proc, or immutable), the
// file itself immutable, or full of garbage. The game must run on what it
// could read or on the defaults, end with code 0 on Escape, and leave what
// was there as it was (or, for garbage, put a whole new file in its place).
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "settings/settings.h"
#include "state/game_state.h"
#include "tests/faults/faults.h"
#include "tests/scenario/json.h"

namespace faults {
namespace {

// Marks a path immutable (chattr +i) for the life of the object.
struct Immutable {
  fs::path path;
  bool ok = std::system(("chattr +i '" + path.string() + "' 2>/dev/null").c_str()) == 0;
  ~Immutable() {
    if (ok) std::system(("chattr -i '" + path.string() + "' 2>/dev/null").c_str());
  }
};

class SettingsPlace : public scenario::ScenarioTest {};

TEST_F(SettingsPlace, UnusablePlacesRunOnWhatTheyHoldAndEndWithZero) {
  const fs::path d = dir_;
  const std::string old = SettingsText(60, 16, 0, 5, 777, 20, false);
  fs::create_directories(d / "a/quillmoor.ini");
  WriteFile(d / "a/quillmoor.ini/keep", "x");
  fs::create_directories(d / "b");
  fs::create_symlink("/dev/zero", d / "b/quillmoor.ini");  // zeros for ever
  WriteFile(d / "c", "not a folder");
  for (const char* sub : {"ro-folder", "ro-file"}) {
    fs::create_directories(d / sub);
    WriteFile(d / sub / "quillmoor.ini", old);
  }
  Immutable folder{d / "ro-folder"}, file{d / "ro-file/quillmoor.ini"};
  std::mt19937 rng(99);
  for (int i = 0; i < 3; ++i) {
    // The last one past the 1 MB the game reads.
    std::string bytes(i == 2 ? 2 << 20 : 1 + rng() % 5000, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    fs::create_directories(d / ("garbage" + std::to_string(i)));
    WriteFile(d / ("garbage" + std::to_string(i)) / "quillmoor.ini", bytes);
  }
  struct Place {
    std::string name;
    fs::path exe;
    int fps = 30, level = 12, hiScore = 0;
    bool saved = false;  // whether the save at the end succeeds
  };
  std::vector<Place> places = {
      {"settings path is a directory", d / "a/quillmoor"},
      {"settings path is a device", d / "b/quillmoor"},
      {"folder does not exist", d / "missing/deeper/quillmoor"},
      {"folder is a plain file", d / "c/quillmoor"},
      {"read-only folder /proc", "/proc/quillmoor"},  // not even root creates files there
  };
  if (folder.ok && file.ok) {
    places.push_back({"immutable folder", d / "ro-folder/quillmoor", 60, 20, 777});
    places.push_back({"immutable settings file", d / "ro-file/quillmoor", 60, 20, 777});
  }
  for (int i = 0; i < 3; ++i) {
    // What random bytes read as is the loader's to decide: the game must run
    // on what the loader makes of them here.
    const fs::path g = d / ("garbage" + std::to_string(i));
    fs::copy_file(g / "quillmoor.ini", g / "copy.ini");
    ResetGameState();
    LoadSettingsFrom((g / "copy.ini").string());
    const SettingsValues v = CurrentSettings();
    EXPECT_TRUE(v.enemySlots == 5 || v.enemySlots == 12 || v.enemySlots == 20 || v.enemySlots == 30);
    EXPECT_NE(v.targetFps, 0);
    places.push_back({"garbage " + std::to_string(i), g / "quillmoor", v.targetFps, v.enemySlots,
                      v.hiScore, true});
  }
  std::vector<SimJob> jobs;
  for (const Place& p : places)
    jobs.push_back({.dir = d / ("run" + std::to_string(jobs.size())),
                    .keys = "3000 down Escape\n",
                    .args = {"--state", "2000:" + (d / ("run" + std::to_string(jobs.size())) /
                                                   "state.json").string(), "--until", "20000"},
                    .exe = p.exe});
  RunAll(jobs);
  for (size_t i = 0; i < places.size(); ++i) {
    const Place& p = places[i];
    SCOPED_TRACE(p.name);
    ExpectCleanExit(jobs[i]);
    const scenario::Json state = scenario::ParseJson(ReadFile(jobs[i].dir / "state.json"));
    EXPECT_EQ(state["titleActive"].Int(), 1);
    EXPECT_EQ(state["targetFps"].Int(), p.fps);
    EXPECT_EQ(state["enemySlots"].Int(), p.level);
    EXPECT_EQ(state["hiScore"].Int(), p.hiScore);
    const std::vector<std::string> log = jobs[i].Log();
    EXPECT_EQ(TimeOf(log, " settings written ", 3000) >= 0, p.saved);
    EXPECT_EQ(TimeOf(log, " settings not written ", 3000) >= 0, !p.saved);
    EXPECT_FALSE(fs::exists(p.exe.string() + ".ini.tmp")) << "nothing half-written left";
    std::string why;
    if (p.saved) {
      EXPECT_EQ(SettingsLines(p.exe.string() + ".ini", why).size(), 7u) << why;
    }
  }
  EXPECT_TRUE(fs::is_directory(d / "a/quillmoor.ini"));
  EXPECT_EQ(ReadFile(d / "a/quillmoor.ini/keep"), "x");
  EXPECT_EQ(fs::read_symlink(d / "b/quillmoor.ini"), "/dev/zero");
  EXPECT_FALSE(fs::exists(d / "missing"));
  EXPECT_EQ(ReadFile(d / "c"), "not a folder");
  EXPECT_FALSE(fs::exists("/proc/quillmoor.ini"));
  EXPECT_EQ(ReadFile(d / "ro-folder/quillmoor.ini"), old);
  EXPECT_EQ(ReadFile(d / "ro-file/quillmoor.ini"), old);
}

}  // namespace
}  // namespace faults
