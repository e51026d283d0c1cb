// Whole runs of quillmoor-sim beyond the recorded games: the exit status,
// --until saving nothing, bad arguments, the display switch's failures and
// the win at Hard unlocking God.
#include <cstring>

#include "tests/scenario/json.h"
#include "tests/scenario/scenario.h"

namespace scenario {
namespace {

class Sim : public ScenarioTest {
 protected:
  Result RunKeys(const std::string& keys, std::vector<std::string> args) {
    WriteFile(P("keys.txt"), keys);
    args.insert(args.begin(), {"--keys", P("keys.txt"), "--log", P("log.txt"), "--until", "60000"});
    return Run(args);
  }
};

TEST_F(Sim, EscapeSavesUntilKillsWithoutSavingBadArgumentsRunNothing) {
  Result r = RunKeys("1500 down Escape\n", {"--set", "1000:hiScore=4242", "--audio", P("b.wav")});
  ASSERT_EQ(r.status, 0) << r.errors;
  const long long endMs = std::atoll(Lines(ReadFile(P("log.txt"))).back().c_str());
  EXPECT_TRUE(endMs >= 1500 && endMs < 1600) << endMs;
  // The sound heard: a WAV header (as words: RIFF, size, WAVE, "fmt ", 16, PCM and 2 channels, the rate, bytes a
  // second, block and bits, "data", size), then every simulated millisecond's samples.
  const std::string wav = ReadFile(P("b.wav"));
  const uint32_t data = static_cast<uint32_t>(endMs * 44100 / 1000 * 4);
  std::vector<uint32_t> header(11);
  std::memcpy(header.data(), wav.data(), std::min<size_t>(44, wav.size()));
  EXPECT_EQ(header, (std::vector<uint32_t>{0x46464952, 36 + data, 0x45564157, 0x20746d66, 16, 0x20001, 44100, 176400, 0x100004, 0x61746164, data}));
  EXPECT_EQ(wav.size(), 44u + data);
  const std::string saved = ReadFile(P("quillmoor.ini"));
  EXPECT_EQ(saved, SettingsText(30, 33, 0, 0, 4242, 12, false));
  // Relative paths from the starting directory; --until leaves the file alone.
  r = RunSim({"--dir", QM_SOURCE_DIR, "--exe", "quillmoor", "--set", "1000:hiScore=5555", "--until", "1600",
              "--log", "rel.log"}, dir_);
  ASSERT_EQ(r.status, 2) << r.errors;
  EXPECT_EQ(Lines(ReadFile(P("rel.log"))).back(), "1600 exit 2");
  EXPECT_EQ(ReadFile(P("quillmoor.ini")), saved);
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--frobnicate"}, {"--until", "soon"},
       {"--display-fail", "9"}, {"--keys", P("missing.txt")}, {"stray"}}) {
    r = RunSim(bad, dir_);
    EXPECT_EQ(r.status, 1) << bad[0];
    EXPECT_EQ(Lines(r.errors).size(), 1u) << r.errors;
  }
  fs::remove(P("log.txt"));
  r = RunKeys("100 down Enter\n200 hold Enter\n", {});
  EXPECT_TRUE(r.status == 1 && r.errors.find("line 2") != std::string::npos) << r.errors;
  EXPECT_FALSE(fs::exists(P("log.txt")));
}

TEST_F(Sim, AFailedDisplaySwitchIsReportedEachTimeAndAGoodOneUndoneAfterTheSave) {
  const std::pair<const char*, const char*> rows[] = {{"2", "DirectDrawの作成に失敗しました(Err=2)"},
                                                      {"4", "画面解像度の切り替えに失敗しました(Err=4)"}, {nullptr, ""}};
  for (const auto& [fail, report] : rows) {
    std::vector<std::string> args;
    if (fail) args = {"--display-fail", fail};
    const std::string again = fail ? "900 down F4\n950 up F4\n" : "";
    ASSERT_EQ(RunKeys("500 down F4\n550 up F4\n" + again + "1500 down Escape\n", args).status, 0);
    const std::vector<std::string> log = Lines(ReadFile(P("log.txt")));
    size_t boxes = 0, mode = 0, saved = 0, restored = 0, gone = 0;
    for (const std::string& l : log) boxes += l.find(std::string("\"Full Window\" \"") + report + "\"") != l.npos;
    EXPECT_EQ(boxes, fail ? 2u : 0u) << (fail ? fail : "none");
    EXPECT_EQ(TimeOf(log, "display mode 320x240x16 4097", 0, 1, &mode), fail ? -1 : 500);
    EXPECT_EQ(TimeOf(log, "display restored", 0, 1, &restored), fail ? -1 : 1500);
    TimeOf(log, "settings written", 1500, 1, &saved);
    EXPECT_GE(TimeOf(log, "window destroyed \"Quillmoor", 1500, 1, &gone), 1500);
    if (!fail) { EXPECT_TRUE(mode < saved && saved < restored && restored < gone); }
  }
}

TEST_F(Sim, WinAtHardUnlocksGod) {
  WriteFile(P("quillmoor.ini"), SettingsText(30, 30, 1, 0, 0, 20, false));
  const Result r = RunKeys("2900 down Shift\n3000 down Enter\n3100 up Enter\n5200 up Shift\n9500 down Enter\n"
                           "9600 up Enter\n24100 down Escape\n",
                           {"--state", "16900:" + P("boss.json"), "--set", "17000:chr[1].hp=1"});
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(ParseJson(ReadFile(P("boss.json")))["bossMaxHp"].Int(), 15000);
  std::string why;
  const std::vector<std::string> ini = SettingsLines(P("quillmoor.ini"), why);
  ASSERT_EQ(ini.size(), 7u) << why;
  EXPECT_EQ(ini[6], "AH!NO_WAY!!");
}

}  // namespace
}  // namespace scenario
