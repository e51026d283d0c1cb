// The settings file: its exact bytes, the reading rule, the defaults and the
// repairs of bad values, and the save that never leaves a torn file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "settings/settings.h"
#include "state/game_state.h"

namespace fs = std::filesystem;

namespace {

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
  void Write(const std::string& bytes) {
    std::ofstream f(path_, std::ios::binary | std::ios::trunc);
    f << bytes;
  }
  std::string Read() const {
    std::ifstream f(path_, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  SettingsValues LoadBytes(const std::string& bytes) {
    Write(bytes);
    EXPECT_TRUE(LoadSettingsFrom(path_));
    return CurrentSettings();
  }
  std::string dir_, path_;
};

void ExpectValues(const SettingsValues& v, int fps, int delay, int fire, int spare, int hi,
                  int slots, int god) {
  EXPECT_EQ(v.targetFps, fps);
  EXPECT_EQ(v.frameDelay, delay);
  EXPECT_EQ(v.fireMode, fire);
  EXPECT_EQ(v.spareSetting, spare);
  EXPECT_EQ(v.hiScore, hi);
  EXPECT_EQ(v.enemySlots, slots);
  EXPECT_EQ(v.godUnlocked, god);
}

}  // namespace

TEST_F(SettingsFile, MissingFileIsCreatedWithZerosAndDefaultsApplyInMemory) {
  ASSERT_FALSE(fs::exists(path_));
  EXPECT_TRUE(LoadSettingsFrom(path_));
  const std::string created = Read();
  EXPECT_EQ(created, "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\r\n");
  EXPECT_EQ(created.size(), 20u);
  ExpectValues(CurrentSettings(), 30, 0, 0, 0, 0, 12, 0);

  EXPECT_TRUE(SaveSettingsTo(path_));
  EXPECT_EQ(Read(), "30\r\n0\r\n0\r\n0\r\n0\r\n12\r\n\r\n");
  EXPECT_FALSE(fs::exists(path_ + ".tmp"));
}

TEST_F(SettingsFile, EmptyFileIsTreatedLikeAMissingOne) {
  Write("");
  EXPECT_TRUE(LoadSettingsFrom(path_));
  EXPECT_EQ(Read(), "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\r\n");
  ExpectValues(CurrentSettings(), 30, 0, 0, 0, 0, 12, 0);
}

TEST_F(SettingsFile, ExactBytesOfAFullSave) {
  gs.targetFps = 1000;
  gs.frameDelay = 17;
  gs.fireMode = 1;
  gs.spareSetting = 3;
  gs.hiScore = 123456;
  gs.enemySlots = 30;
  gs.godUnlocked = 1;
  ASSERT_TRUE(SaveSettingsTo(path_));
  EXPECT_EQ(Read(), "1000\r\n17\r\n1\r\n3\r\n123456\r\n30\r\nAH!NO_WAY!!\r\n");
}

TEST_F(SettingsFile, FieldRule) {
  // Blanks and tabs before numbers.
  ExpectValues(LoadBytes("  60\r\n\t 5\r\n 1\r\n\t0\r\n   4200\r\n 20\r\nAH!NO_WAY!!\r\n"), 60, 5,
               1, 0, 4200, 20, 1);
  // Quoted fields, LF-only and CR-only line ends, text after digits.
  ExpectValues(LoadBytes("\"15\"\n\"3\"x\r1\n0\n99pts\n\"5\"\n\"AH!NO_WAY!!\"\n"), 15, 3, 1, 0,
               99, 5, 1);
  // A comma ends a field, so one line can carry two.
  ExpectValues(LoadBytes("30,7\r\n1\r\n0\r\n50\r\n12\r\nAH!NO_WAY!!\r\n"), 30, 7, 1, 0, 50, 12,
               1);
  // Fields that do not begin with a digit read as 0, then the defaults apply;
  // a negative number reads as 0 because the sign is not a digit.
  ExpectValues(LoadBytes("abc\r\n-5\r\nx1\r\n-9\r\n-100\r\n\r\n\r\n"), 30, 0, 0, 0, 0, 12, 0);
  // A quote never closed ends with its line and does not swallow the rest.
  ExpectValues(LoadBytes("\"60\r\n2\r\n1\r\n0\r\n77\r\n20\r\nAH!NO_WAY!!\r\n"), 60, 2, 1, 0,
               77, 20, 1);
}

TEST_F(SettingsFile, UnlockLineMustMatchExactly) {
  const std::string head = "30\r\n0\r\n0\r\n0\r\n0\r\n20\r\n";
  EXPECT_EQ(LoadBytes(head + "AH!NO_WAY!!\r\n").godUnlocked, 1);
  EXPECT_EQ(LoadBytes(head + "AH!NO_WAY!!").godUnlocked, 1);  // no final line end
  EXPECT_EQ(LoadBytes(head + "  AH!NO_WAY!!\r\n").godUnlocked, 1);  // leading blanks skipped
  for (const char* other : {"ah!no_way!!", "Ah!No_Way!!", "AH!NO_WAY!", "AH!NO_WAY!!!",
                            "AH!NO_WAY!! ", "1", ""}) {
    EXPECT_EQ(LoadBytes(head + other + "\r\n").godUnlocked, 0) << other;
  }
}

TEST_F(SettingsFile, SaveThenLoadGivesTheSameValues) {
  const SettingsValues cases[] = {
      {15, 0, 0, 0, 0, 5, 0},
      {30, 1000, 1, 7, 2147483647, 12, 1},
      {60, 33, 0, 123, 98765, 20, 0},
      {1000, 0, 1, 0, 1, 30, 1},
  };
  for (const SettingsValues& c : cases) {
    ApplyLoadedSettings(c);
    ASSERT_TRUE(SaveSettingsTo(path_));
    ResetGameState();
    ASSERT_TRUE(LoadSettingsFrom(path_));
    ExpectValues(CurrentSettings(), c.targetFps, c.frameDelay, c.fireMode, c.spareSetting,
                 c.hiScore, c.enemySlots, c.godUnlocked);
  }
}

TEST_F(SettingsFile, BadLevelsAndDelaysAreRepaired) {
  const std::string tail = "\r\n0\r\n0\r\n0\r\n";
  auto level = [&](const std::string& slots) {
    return LoadBytes("30\r\n0" + tail + slots + "\r\n\r\n").enemySlots;
  };
  EXPECT_EQ(level("5"), 5);
  EXPECT_EQ(level("12"), 12);
  EXPECT_EQ(level("20"), 20);
  EXPECT_EQ(level("30"), 30);
  for (const char* bad : {"0", "7", "4", "6", "31", "100", "4294967295", "99999999999"})
    EXPECT_EQ(level(bad), 12) << bad;

  auto delay = [&](const std::string& d) {
    return LoadBytes("30\r\n" + d + tail + "12\r\n\r\n").frameDelay;
  };
  EXPECT_EQ(delay("0"), 0);
  EXPECT_EQ(delay("1000"), 1000);
  EXPECT_EQ(delay("1001"), 1000);
  EXPECT_EQ(delay("2147483647"), 1000);
  EXPECT_EQ(delay("4294967295"), 0);  // wraps to -1: clamped up to 0

  // Other values stay as read: a frame rate outside the list is the options
  // window's business.
  EXPECT_EQ(LoadBytes("45\r\n0" + tail + "12\r\n\r\n").targetFps, 45);
}

TEST_F(SettingsFile, TruncatedFileKeepsWhatItHolds) {
  // A file cut short keeps the high score it holds; the fields it lacks read
  // as empty.
  ExpectValues(LoadBytes("60\r\n4\r\n1\r\n0\r\n31337"), 60, 4, 1, 0, 31337, 12, 0);
  ExpectValues(LoadBytes("\r\n"), 30, 0, 0, 0, 0, 12, 0);
  EXPECT_EQ(Read(), "\r\n");  // a non-empty file is not rewritten on load
}

TEST_F(SettingsFile, InterruptedSaveLeavesTheOldFileWhole) {
  gs.hiScore = 5000;
  gs.targetFps = 60;
  gs.enemySlots = 20;
  ASSERT_TRUE(SaveSettingsTo(path_));
  const std::string old = Read();

  std::string seenTemp;
  SetSettingsSaveHook([&](const std::string& temp) {
    seenTemp = temp;
    return false;  // the process dies here, before the rename
  });
  gs.hiScore = 9999;
  EXPECT_FALSE(SaveSettingsTo(path_));
  EXPECT_EQ(Read(), old);
  // The temporary file sits beside the settings file and is complete.
  EXPECT_EQ(fs::path(seenTemp).parent_path(), fs::path(path_).parent_path());
  std::ifstream t(seenTemp, std::ios::binary);
  std::stringstream s;
  s << t.rdbuf();
  EXPECT_EQ(s.str(), "60\r\n0\r\n0\r\n0\r\n9999\r\n20\r\n\r\n");

  // The next start reads the old file; the next save goes through and
  // replaces the leftover.
  ResetGameState();
  SetSettingsSaveHook({});
  ASSERT_TRUE(LoadSettingsFrom(path_));
  EXPECT_EQ(gs.hiScore, 5000);
  gs.hiScore = 7000;
  ASSERT_TRUE(SaveSettingsTo(path_));
  EXPECT_EQ(Read(), "60\r\n0\r\n0\r\n0\r\n7000\r\n20\r\n\r\n");
  EXPECT_FALSE(fs::exists(seenTemp));
}

TEST_F(SettingsFile, SaveKeepsTheFilesPermissions) {
  Write("30\r\n0\r\n0\r\n0\r\n0\r\n12\r\n\r\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  ASSERT_TRUE(LoadSettingsFrom(path_));
  ASSERT_TRUE(SaveSettingsTo(path_));
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(SettingsFile, UnwritablePlaceLeavesTheGameOnItsValues) {
  // A "folder" that is a plain file: nothing can be created below it, for
  // any user (root included).
  const std::string notADir = dir_ + "/plain";
  std::ofstream(notADir) << "x";
  const std::string path = notADir + "/quillmoor.ini";
  gs.hiScore = 4321;
  gs.fireMode = 1;
  EXPECT_FALSE(LoadSettingsFrom(path));
  ExpectValues(CurrentSettings(), 30, 0, 1, 0, 4321, 12, 0);
  EXPECT_FALSE(SaveSettingsTo(path));
  EXPECT_EQ(gs.hiScore, 4321);

  // A missing folder, and a settings "file" that is a folder.
  EXPECT_FALSE(LoadSettingsFrom(dir_ + "/no/such/folder/q.ini"));
  fs::create_directory(path_);
  EXPECT_FALSE(LoadSettingsFrom(path_));
  EXPECT_FALSE(SaveSettingsTo(path_));
  EXPECT_TRUE(fs::is_directory(path_));
  ExpectValues(CurrentSettings(), 30, 0, 1, 0, 4321, 12, 0);

  // No known executable path: nothing is read or written.
  EXPECT_FALSE(LoadSettingsFrom(""));
  EXPECT_FALSE(SaveSettingsTo(""));
}

TEST(SettingsPathRule, ExeBecomesIniOtherwiseIniIsAppended) {
  EXPECT_EQ(SettingsPathFor("/opt/games/quillmoor"), "/opt/games/quillmoor.ini");
  EXPECT_EQ(SettingsPathFor("/opt/games/game.exe"), "/opt/games/game.ini");
  EXPECT_EQ(SettingsPathFor("C:/GAMES/GAME.EXE"), "C:/GAMES/GAME.ini");
  EXPECT_EQ(SettingsPathFor("/a.b/quillmoor-sim"), "/a.b/quillmoor-sim.ini");
  EXPECT_EQ(SettingsPathFor("/x/game.exe2"), "/x/game.exe2.ini");
  EXPECT_EQ(SettingsPathFor("/x/notexe"), "/x/notexe.ini");
  EXPECT_EQ(SettingsPathFor("/x/.exe"), "/x/.ini");
  EXPECT_EQ(SettingsPathFor(""), "");
}

TEST(SettingsBytes, FormatAndParseAgree) {
  SettingsValues v{60, 12, 1, 0, 4000, 20, 1};
  const std::string text = FormatSettings(v);
  SettingsValues back =
      ParseSettings(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  ExpectValues(back, 60, 12, 1, 0, 4000, 20, 1);
  // Parsing applies no defaults: that is the loader's job.
  SettingsValues zero = ParseSettings(nullptr, 0);
  ExpectValues(zero, 0, 0, 0, 0, 0, 0, 0);
}
