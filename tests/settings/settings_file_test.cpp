// The settings file: the reading rule with its defaults and repairs, the
// exact bytes of a save, the save that never leaves a torn file, and what
// happens when the place cannot be read or written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "settings/settings.h"
#include "state/game_state.h"

namespace fs = std::filesystem;

namespace {

using Values = std::vector<int>;  // the seven values in file order

Values Of(const SettingsValues& v) {
  return {v.targetFps, v.frameDelay, v.fireMode, v.spareSetting, v.hiScore, v.enemySlots, v.godUnlocked};
}

const char kZeros[] = "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\r\n";  // what a new installation gets

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGameState();
    SetConstantGameState();
    char tmpl[] = "/tmp/qm-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = dir_ + "/quillmoor.ini";
  }
  void TearDown() override {
    SetSettingsSaveHook({});
    fs::remove_all(dir_);
    ResetGameState();
  }
  void Write(const std::string& bytes) { std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes; }
  static std::string Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  std::string dir_, path_;
};

TEST_F(SettingsFile, LoadReadsFieldsAppliesDefaultsAndRepairsBadValues) {
  const std::string head = "30\r\n0\r\n0\r\n0\r\n0\r\n20\r\n";
  const struct {
    const char* name;
    const char* bytes;  // nullptr: no file
    std::string extra;  // appended to bytes
    Values expected;
  } rows[] = {
      // A missing or empty file is recreated as zeros; the defaults apply in memory.
      {"missing", nullptr, "", {30, 0, 0, 0, 0, 12, 0}},
      {"empty", "", "", {30, 0, 0, 0, 0, 12, 0}},
      {"blanks and tabs before numbers", "  60\r\n\t 5\r\n 1\r\n\t0\r\n   4200\r\n 20\r\nAH!NO_WAY!!\r\n", "", {60, 5, 1, 0, 4200, 20, 1}},
      {"quotes, LF and CR line ends, text after digits", "\"15\"\n\"3\"x\r1\n0\n99pts\n\"5\"\n\"AH!NO_WAY!!\"\n", "", {15, 3, 1, 0, 99, 5, 1}},
      {"a comma ends a field", "30,7\r\n1\r\n0\r\n50\r\n12\r\nAH!NO_WAY!!\r\n", "", {30, 7, 1, 0, 50, 12, 1}},
      // The sign is not a digit: a field not beginning with one reads as 0.
      {"no digit first", "abc\r\n-5\r\nx1\r\n-9\r\n-100\r\n\r\n\r\n", "", {30, 0, 0, 0, 0, 12, 0}},
      {"a quote never closed ends with its line", "\"60\r\n2\r\n1\r\n0\r\n77\r\n20\r\nAH!NO_WAY!!\r\n", "", {60, 2, 1, 0, 77, 20, 1}},
      {"cut short keeps what it holds", "60\r\n4\r\n1\r\n0\r\n31337", "", {60, 4, 1, 0, 31337, 12, 0}},
      {"one line end", "\r\n", "", {30, 0, 0, 0, 0, 12, 0}},
      {"unlock without a line end", "", head + "AH!NO_WAY!!", {30, 0, 0, 0, 0, 20, 1}},
      {"unlock after blanks", "", head + "  AH!NO_WAY!!\r\n", {30, 0, 0, 0, 0, 20, 1}},
      {"unlock in lower case", "", head + "ah!no_way!!\r\n", {30, 0, 0, 0, 0, 20, 0}},
      {"unlock in mixed case", "", head + "Ah!No_Way!!\r\n", {30, 0, 0, 0, 0, 20, 0}},
      {"unlock one short", "", head + "AH!NO_WAY!\r\n", {30, 0, 0, 0, 0, 20, 0}},
      {"unlock one long", "", head + "AH!NO_WAY!!!\r\n", {30, 0, 0, 0, 0, 20, 0}},
      {"unlock with a blank after", "", head + "AH!NO_WAY!! \r\n", {30, 0, 0, 0, 0, 20, 0}},
      {"unlock line 1", "", head + "1\r\n", {30, 0, 0, 0, 0, 20, 0}},
      // A frame rate outside the list is the options window's business.
      {"frame rate 45", "45\r\n0\r\n0\r\n0\r\n0\r\n12\r\n\r\n", "", {45, 0, 0, 0, 0, 12, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove(path_);
    const std::string bytes = row.bytes ? row.bytes + row.extra : "";
    if (row.bytes) Write(bytes);
    ResetGameState();
    EXPECT_TRUE(LoadSettingsFrom(path_));
    EXPECT_EQ(Of(CurrentSettings()), row.expected);
    // Only a missing or empty file is written on load.
    EXPECT_EQ(Read(path_), bytes.empty() ? kZeros : bytes);
  }
}

// Only the four levels are kept, anything else is Normal; the frame delay
// is held to 1000, and a value past 32 bits wraps to a negative one, read as 0.
TEST_F(SettingsFile, LevelsAndDelaysOutOfRangeAreRepaired) {
  const std::tuple<const char*, const char*, int, int> rows[] = {
      {"5", "0", 5, 0},     {"12", "1000", 12, 1000}, {"30", "1001", 30, 1000}, {"20", "2147483647", 20, 1000},
      {"0", "4294967295", 12, 0}, {"4", "7", 12, 7}, {"6", "0", 12, 0}, {"7", "0", 12, 0}, {"31", "0", 12, 0},
      {"100", "0", 12, 0},  {"4294967295", "0", 12, 0}, {"99999999999", "0", 12, 0},
  };
  for (const auto& [level, delay, levelRead, delayRead] : rows) {
    SCOPED_TRACE(std::string(level) + " " + delay);
    Write("30\r\n" + std::string(delay) + "\r\n0\r\n0\r\n0\r\n" + level + "\r\n\r\n");
    ResetGameState();
    EXPECT_TRUE(LoadSettingsFrom(path_));
    EXPECT_EQ(Of(CurrentSettings()), (Values{30, delayRead, 0, 0, 0, levelRead, 0}));
  }
}

TEST_F(SettingsFile, SaveWritesSevenCrLfLinesThatReadBackTheSame) {
  const struct {
    SettingsValues values;
    const char* bytes;
  } rows[] = {
      {{1000, 17, 1, 3, 123456, 30, 1}, "1000\r\n17\r\n1\r\n3\r\n123456\r\n30\r\nAH!NO_WAY!!\r\n"},
      {{15, 0, 0, 0, 0, 5, 0}, "15\r\n0\r\n0\r\n0\r\n0\r\n5\r\n\r\n"},
      {{30, 1000, 1, 7, 2147483647, 12, 1}, "30\r\n1000\r\n1\r\n7\r\n2147483647\r\n12\r\nAH!NO_WAY!!\r\n"},
      {{60, 33, 0, 123, 98765, 20, 0}, "60\r\n33\r\n0\r\n123\r\n98765\r\n20\r\n\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bytes);
    ApplyLoadedSettings(row.values);
    ASSERT_TRUE(SaveSettingsTo(path_));
    EXPECT_EQ(Read(path_), row.bytes);
    EXPECT_FALSE(fs::exists(path_ + ".tmp"));
    ResetGameState();
    ASSERT_TRUE(LoadSettingsFrom(path_));
    EXPECT_EQ(Of(CurrentSettings()), Of(row.values));
    const std::string b = row.bytes;
    EXPECT_EQ(Of(ParseSettings(reinterpret_cast<const uint8_t*>(b.data()), b.size())), Of(row.values));
    EXPECT_EQ(FormatSettings(row.values), b);
  }
  // Parsing applies no defaults: that is the loader's job.
  EXPECT_EQ(Of(ParseSettings(nullptr, 0)), (Values{0, 0, 0, 0, 0, 0, 0}));
  // A save keeps the file's permissions.
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  ASSERT_TRUE(SaveSettingsTo(path_));
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(SettingsFile, InterruptedSaveLeavesTheOldFileWhole) {
  ApplyLoadedSettings({60, 0, 0, 0, 5000, 20, 0});
  ASSERT_TRUE(SaveSettingsTo(path_));
  const std::string old = Read(path_);
  std::string seenTemp;
  SetSettingsSaveHook([&](const std::string& temp) {
    seenTemp = temp;
    return false;  // the process dies here, before the rename
  });
  gs.hiScore = 9999;
  EXPECT_FALSE(SaveSettingsTo(path_));
  EXPECT_EQ(Read(path_), old);
  // The temporary file sits beside the settings file and is complete.
  EXPECT_EQ(fs::path(seenTemp).parent_path(), fs::path(path_).parent_path());
  EXPECT_EQ(Read(seenTemp), "60\r\n0\r\n0\r\n0\r\n9999\r\n20\r\n\r\n");
  // The next start reads the old file; the next save replaces the leftover.
  ResetGameState();
  SetSettingsSaveHook({});
  ASSERT_TRUE(LoadSettingsFrom(path_));
  EXPECT_EQ(gs.hiScore, 5000);
  gs.hiScore = 7000;
  ASSERT_TRUE(SaveSettingsTo(path_));
  EXPECT_EQ(Read(path_), "60\r\n0\r\n0\r\n0\r\n7000\r\n20\r\n\r\n");
  EXPECT_FALSE(fs::exists(seenTemp));
}

TEST_F(SettingsFile, UnusablePlaceLeavesTheGameOnItsValues) {
  std::ofstream(dir_ + "/plain") << "x";  // nothing can be created below a file, even by root
  fs::create_directory(path_);            // a settings "file" that is a folder
  gs.hiScore = 4321;
  gs.fireMode = 1;
  for (const std::string& path : {dir_ + "/plain/quillmoor.ini", dir_ + "/no/such/folder/q.ini", path_,
                                  std::string()}) {  // empty: no known executable path
    SCOPED_TRACE(path);
    EXPECT_FALSE(LoadSettingsFrom(path));
    EXPECT_FALSE(SaveSettingsTo(path));
    EXPECT_EQ(Of(CurrentSettings()), (Values{30, 0, 1, 0, 4321, 12, 0}));
  }
  EXPECT_TRUE(fs::is_directory(path_));
  EXPECT_FALSE(fs::exists(dir_ + "/no"));
}

TEST(SettingsPathRule, ExeBecomesIniOtherwiseIniIsAppended) {
  const std::pair<const char*, const char*> rows[] = {
      {"/opt/games/quillmoor", "/opt/games/quillmoor.ini"}, {"/opt/games/game.exe", "/opt/games/game.ini"},
      {"C:/GAMES/GAME.EXE", "C:/GAMES/GAME.ini"},           {"/a.b/quillmoor-sim", "/a.b/quillmoor-sim.ini"},
      {"/x/game.exe2", "/x/game.exe2.ini"},                 {"/x/notexe", "/x/notexe.ini"},
      {"/x/.exe", "/x/.ini"},                               {"", ""},
  };
  for (const auto& [exe, ini] : rows) EXPECT_EQ(SettingsPathFor(exe), ini) << exe;
}

}  // namespace
