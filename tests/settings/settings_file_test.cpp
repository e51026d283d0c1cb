// The settings file: reading with defaults and repairs, a save's exact bytes, and where it lives.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/sim/sim_control.h"
#include "settings/settings.h"
#include "state/game_state.h"
#include "tests/scenario/scenario.h"

using namespace scenario;

namespace {

using Values = std::vector<int>;  // the seven values in file order

Values Of(const SettingsValues& v) { return {v.targetFps, v.frameDelay, v.fireMode, v.spareSetting, v.hiScore, v.enemySlots, v.godUnlocked}; }

class SettingsFile : public ScenarioTest {
 protected:
  void SetUp() override { ScenarioTest::SetUp(), path_ = P("quillmoor.ini"), ResetGameState(), SetConstantGameState(); }
  void TearDown() override { ScenarioTest::TearDown(), ResetGameState(); }
  Values Load(const std::string& bytes) {
    WriteFile(path_, bytes);
    ResetGameState();
    EXPECT_EQ(LoadSettingsFrom(path_), SettingsLoad::kRead);
    return Of(CurrentSettings());
  }
  std::string path_;
};

TEST_F(SettingsFile, LoadReadsFieldsAppliesDefaultsAndRepairsBadValues) {
  const std::string head = "30\r\n0\r\n0\r\n0\r\n0\r\n20\r\n";
  const std::pair<std::string, Values> rows[] = {
      {"  60\r\n\t 5\r\n 1\r\n\t0\r\n   4200\r\n 20\r\nAH!NO_WAY!!\r\n", {60, 5, 1, 0, 4200, 20, 1}},  // blanks before numbers
      {"\"15\"\n\"3\"x\r1\n0\n99pts\n\"5\"\n\"AH!NO_WAY!!\"\n", {15, 3, 1, 0, 99, 5, 1}},  // quotes, LF and CR, text after digits
      {"30,7\r\n1\r\n0\r\n50\r\n12\r\nAH!NO_WAY!!\r\n", {30, 7, 1, 0, 50, 12, 1}},  // a comma ends a field
      {"abc\r\n-5\r\nx1\r\n-9\r\n-100\r\n\r\n\r\n", {30, 0, 0, 0, 0, 12, 0}},  // no digit first reads as 0
      {"\"60\r\n2\r\n1\r\n0\r\n77\r\n20\r\nAH!NO_WAY!!\r\n", {60, 2, 1, 0, 77, 20, 1}},  // an unclosed quote ends with its line
      {"60\r\n4\r\n1\r\n0\r\n31337", {60, 4, 1, 0, 31337, 12, 0}},  // cut short
      {"\r\n", {30, 0, 0, 0, 0, 12, 0}},
      {"45\r\n0\r\n0\r\n0\r\n0\r\n12\r\n\r\n", {45, 0, 0, 0, 0, 12, 0}},  // off-list rates are the window's business
  };
  for (const auto& [bytes, expected] : rows) {
    EXPECT_EQ(Load(bytes), expected) << bytes;
    EXPECT_EQ(ReadFile(path_), bytes) << "only a missing or empty file is written on load";
  }
  // The unlock line: exactly the text, blanks before it allowed, its line end not needed.
  const std::pair<const char*, int> unlock[] = {{"AH!NO_WAY!!", 1}, {"  AH!NO_WAY!!\r\n", 1}, {"ah!no_way!!\r\n", 0}, {"Ah!No_Way!!\r\n", 0},
                                                {"AH!NO_WAY!\r\n", 0}, {"AH!NO_WAY!!!\r\n", 0}, {"AH!NO_WAY!! \r\n", 0}, {"1\r\n", 0}};
  for (const auto& [line, god] : unlock) EXPECT_EQ(Load(head + line), (Values{30, 0, 0, 0, 0, 20, god})) << line;
  // A missing or empty file is recreated as zeros; the defaults apply in memory.
  for (bool missing : {true, false}) {
    fs::remove(path_);
    EXPECT_EQ(missing ? (ResetGameState(), LoadSettingsFrom(path_), Of(CurrentSettings())) : Load(""), (Values{30, 0, 0, 0, 0, 12, 0}));
    EXPECT_EQ(ReadFile(path_), "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n\r\n") << missing;
  }
}

// Only the four levels are kept, else Normal; the delay is held to 1000; past 32 bits wraps negative, read as 0.
TEST_F(SettingsFile, LevelsAndDelaysOutOfRangeAreRepaired) {
  const std::tuple<const char*, const char*, int, int> rows[] = {
      {"5", "0", 5, 0}, {"12", "1000", 12, 1000}, {"30", "1001", 30, 1000}, {"20", "2147483647", 20, 1000},
      {"0", "4294967295", 12, 0}, {"4", "7", 12, 7}, {"6", "0", 12, 0}, {"7", "0", 12, 0}, {"31", "0", 12, 0},
      {"100", "0", 12, 0}, {"4294967295", "0", 12, 0}, {"99999999999", "0", 12, 0},
  };
  for (const auto& [level, delay, levelRead, delayRead] : rows)
    EXPECT_EQ(Load("30\r\n" + std::string(delay) + "\r\n0\r\n0\r\n0\r\n" + level + "\r\n\r\n"), (Values{30, delayRead, 0, 0, 0, levelRead, 0})) << level << " " << delay;
}

TEST_F(SettingsFile, SaveWritesSevenCrLfLinesThatReadBackTheSame) {
  const std::pair<SettingsValues, const char*> rows[] = {
      {{1000, 17, 1, 3, 123456, 30, 1}, "1000\r\n17\r\n1\r\n3\r\n123456\r\n30\r\nAH!NO_WAY!!\r\n"},
      {{15, 0, 0, 0, 0, 5, 0}, "15\r\n0\r\n0\r\n0\r\n0\r\n5\r\n\r\n"},
      {{30, 1000, 1, 7, 2147483647, 12, 1}, "30\r\n1000\r\n1\r\n7\r\n2147483647\r\n12\r\nAH!NO_WAY!!\r\n"},
  };
  WriteFile(path_, "x"), fs::permissions(path_, fs::perms(0640));  // a save keeps the file's permissions
  for (const auto& [values, bytes] : rows) {
    ApplyLoadedSettings(values);
    ASSERT_TRUE(SaveSettingsTo(path_) && !SaveSettingsTo(""));  // no place: nothing saved
    EXPECT_EQ(ReadFile(path_) + std::to_string(int(fs::status(path_).permissions())), std::string(bytes) + "416");
    EXPECT_EQ(Load(bytes), Of(values));
  }
  EXPECT_EQ(Of(ParseSettings(nullptr, 0)), (Values{0, 0, 0, 0, 0, 0, 0})) << "parsing applies no defaults";
}

// "x.exe" becomes "x.ini", anything else gets ".ini". An installed game keeps its files in the user's folder, even
// as root, who could write beside it; without that folder or the program's path there is no place. A run saves where
// it read at start, wherever the program is now.
TEST_F(SettingsFile, WhereTheSettingsLiveIsDecidedOnceAtStart) {
  const std::string cfg = P("cfg"), own = cfg + "/quillmoor.ini";
  const std::tuple<std::string, std::string, std::string> rows[] = {
      {"/opt/games/quillmoor", "", "/opt/games/quillmoor.ini"}, {"/opt/games/game.exe", "", "/opt/games/game.ini"},
      {"C:/GAMES/GAME.EXE", "", "C:/GAMES/GAME.ini"}, {"/a.b/quillmoor-sim", "", "/a.b/quillmoor-sim.ini"},
      {"/x/game.exe2", "", "/x/game.exe2.ini"}, {"/x/notexe", "", "/x/notexe.ini"}, {"/x/.exe", "", "/x/.ini"}, {"", cfg, ""},
      {P("quillmoor"), cfg, path_}, {"/usr/games/quillmoor-trial", cfg, own}, {"/usr/bin/quillmoor-trial", cfg, own},
      {"/usr/local/games/quillmoor-trial", cfg, own}, {"/usr/games/quillmoor-trial", "", ""}};
  for (const auto& [exe, config, place] : rows) {
    const SettingsPlaces p = ChooseSettingsPlaces(SettingsPathFor(exe), config);
    EXPECT_EQ(p.load + " " + p.save, place + " " + place) << exe;
  }
  LoadSettingsFor(P("quillmoor"), cfg);
  platform::sim::SetExecutablePath(P("moved/quillmoor")), gs.hiScore = 4242, SaveSettings();  // moved or replaced since
  EXPECT_EQ(ReadFile(path_), "30\r\n0\r\n0\r\n0\r\n4242\r\n12\r\n\r\n");
  EXPECT_FALSE(fs::exists(P("moved")) || fs::exists("/usr/games/quillmoor-trial.ini") || fs::exists("/usr/bin/quillmoor-trial.ini"));
}

}  // namespace
