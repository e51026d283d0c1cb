// Whole runs of quillmoor-sim: the settings file from a new installation to
// shutdown, and the Option window opened by the S key and driven by clicks
// as a player would (what it does with each choice is options_window_test's).
#ifdef QM_SIM_BINARY
#include "tests/scenario/json.h"
#include "tests/scenario/scenario.h"

namespace scenario {
namespace {

// Client points of the Option window's controls.
const std::string kOk = "Option 40 162", kList = "Option 100 37", kAuto = "Option 80 65",
                  kEasy = "Option 75 92", kHard = "Option 75 122";
std::string Entry(int index) { return "Option 100 " + std::to_string(27 + 20 + 1 + index * 15 + 7); }

// S at 2000 ms, the clicks 100 ms apart from 2100, Escape 300 ms after the last.
std::string Script(const std::vector<std::string>& clicks) {
  std::string s = "2000 down S\n2050 up S\n";
  int t = 2100;
  for (const std::string& c : clicks) s += std::to_string(t) + " click " + c + "\n", t += 100;
  return s + std::to_string(t + 200) + " down Escape\n" + std::to_string(t + 250) + " up Escape\n";
}

class OptionFlow : public ScenarioTest {};

TEST_F(OptionFlow, TheSettingsFileFromStartToShutdownAndThroughTheOptionWindow) {
  const struct {
    const char* name;
    std::string before;  // empty: no file; "dir": a folder in its place
    std::string script;
    std::string until;
    int status;
    std::string after;  // the file's bytes, the frame delay (the regulator's) left out when "?"
    std::string dumpAt;
    std::vector<std::pair<const char*, int>> dump;  // fields of the state then
    const char* logHas;
    const char* logLacks;
  } rows[] = {
      // A new installation killed before shutdown keeps the file of zeros
      // written at start; a normal end writes the defaults in memory, with
      // the delay started at 30 frames a second's frame time.
      {"new installation killed", "", "", "3000", 2, SettingsText(0, 0, 0, 0, 0, 0, false), "", {}, "settings written", ""},
      {"new installation ended", "", "2000 down Escape\n2050 up Escape\n", "60000", 0, SettingsText(30, 33, 0, 0, 0, 12, false),
       "", {}, "", ""},
      {"No Wait, manual fire, Easy", SettingsText(30, 33, 1, 0, 0, 12, false), Script({kList, Entry(3), kAuto, kEasy, kOk}),
       "60000", 0, "1000\r\n?\r\n0\r\n0\r\n0\r\n5\r\n\r\n", "2600", {{"targetFps", 1000}, {"fireMode", 0}, {"enemySlots", 5}},
       "window created \"Option\"", ""},
      // Escape in the window is its Cancel; the second Escape closes the game.
      {"Escape in the window", SettingsText(15, 66, 1, 0, 123, 20, true),
       "2000 down S\n2050 up S\n2100 click " + kList + "\n2200 click " + Entry(2) + "\n2300 click " + kEasy +
           "\n2400 down Escape\n2450 up Escape\n2700 down Escape\n2750 up Escape\n",
       "60000", 0, SettingsText(15, 66, 1, 0, 123, 20, true), "2600", {{"targetFps", 15}, {"enemySlots", 20}},
       "window destroyed \"Option\"", ""},
      {"S ignored during play", SettingsText(30, 33, 1, 0, 0, 12, false),
       "1500 down Enter\n1550 up Enter\n6000 down S\n6050 up S\n6100 click " + kEasy + "\n6500 down Escape\n6550 up Escape\n",
       "60000", 0, SettingsText(30, 33, 1, 0, 0, 12, false), "6080", {{"titleActive", 0}}, "", "window created \"Option\""},
      {"S ignored in full-window mode", SettingsText(30, 33, 1, 0, 0, 12, false),
       "1500 down F4\n1550 up F4\n2000 down S\n2050 up S\n2100 click " + kEasy + "\n2500 down Escape\n2550 up Escape\n",
       "60000", 0, SettingsText(30, 33, 1, 0, 0, 12, false), "2080", {{"titleActive", 1}}, "display mode",
       "window created \"Option\""},
      // Nothing can be read or written: the game runs on its defaults, the
      // options still work, and no message box shows.
      {"settings file is a folder", "dir", Script({kHard, kOk}), "60000", 0, "", "2400",
       {{"targetFps", 30}, {"enemySlots", 20}}, "settings not written", "message box"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(P("quillmoor.ini"));
    if (row.before == "dir") fs::create_directory(P("quillmoor.ini"));
    if (!row.before.empty() && row.before != "dir") WriteFile(P("quillmoor.ini"), row.before);
    WriteFile(P("keys.txt"), row.script);
    std::vector<std::string> args = {"--keys", P("keys.txt"), "--log", P("log.txt"), "--until", row.until};
    if (!row.dumpAt.empty()) args.insert(args.end(), {"--state", row.dumpAt + ":" + P("state.json")});
    EXPECT_EQ(Run(args).status, row.status);
    std::string saved = fs::is_directory(P("quillmoor.ini")) ? "" : ReadFile(P("quillmoor.ini"));
    if (row.after.find('?') != std::string::npos && saved.find("\r\n") != std::string::npos)
      saved.replace(saved.find("\r\n") + 2, saved.find("\r\n", saved.find("\r\n") + 2) - saved.find("\r\n") - 2, "?");
    EXPECT_EQ(saved, row.after);
    EXPECT_EQ(fs::is_directory(P("quillmoor.ini")), row.before == "dir");
    EXPECT_FALSE(fs::exists(P("quillmoor.ini.tmp")));
    const Json state = ParseJson(ReadFile(P("state.json")));
    for (const auto& [field, value] : row.dump) EXPECT_EQ(state[field].Int(), value) << field;
    const std::string log = ReadFile(P("log.txt"));
    EXPECT_NE(log.find(row.logHas), std::string::npos) << row.logHas;
    EXPECT_TRUE(!*row.logLacks || log.find(row.logLacks) == std::string::npos) << row.logLacks;
  }
}

}  // namespace
}  // namespace scenario
#endif  // QM_SIM_BINARY
