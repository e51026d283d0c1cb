// Whole runs: a new installation killed keeps the zeros written at start, a normal end writes the defaults;
// S opens the Option window only on the title in a window, where Escape is its Cancel.
#ifdef QM_SIM_BINARY
#include "tests/scenario/json.h"
#include "tests/scenario/scenario.h"

namespace scenario {
namespace {

class OptionFlow : public ScenarioTest {};

TEST_F(OptionFlow, TheSettingsFileFromStartToShutdownAndThroughTheOptionWindow) {
  const std::string normal = SettingsText(30, 33, 1, 0, 0, 12, false), god = SettingsText(15, 66, 1, 0, 123, 20, true);
  const struct {
    std::string before, script, until, after, dumpAt, field;  // after: the file's bytes at the end
    int value;  // of the field in the state at dumpAt
    const char* logHas;
  } rows[] = {
      {"", "", "3000", SettingsText(0, 0, 0, 0, 0, 0, false), "2000", "targetFps", 30, "settings written"},
      {"", "2000 down Escape\n", "60000", SettingsText(30, 33, 0, 0, 0, 12, false), "1000", "enemySlots", 12, "exit 0"},
      {god, "2000 down S\n2050 up S\n2100 click Option 100 37\n2200 click Option 100 85\n2300 click Option 75 92\n"
            "2400 down Escape\n2450 up Escape\n2700 down Escape\n", "60000", god, "2600", "enemySlots", 20, "window destroyed \"Option\""},
      {normal, "1500 down Enter\n1550 up Enter\n6000 down S\n6050 up S\n6500 down Escape\n", "60000", normal, "6080", "titleActive", 0, "exit 0"},
      {normal, "1500 down F4\n1550 up F4\n2000 down S\n2050 up S\n2500 down Escape\n", "60000", normal, "2080", "titleActive", 1, "display mode"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    fs::remove(P("quillmoor.ini"));
    if (!row.before.empty()) WriteFile(P("quillmoor.ini"), row.before);
    WriteFile(P("keys.txt"), row.script);
    EXPECT_EQ(Run({"--keys", P("keys.txt"), "--log", P("log.txt"), "--until", row.until, "--state", row.dumpAt + ":" + P("s.json")}).status,
              row.until == "3000" ? 2 : 0);
    EXPECT_EQ(ReadFile(P("quillmoor.ini")), row.after);
    EXPECT_EQ(ParseJson(ReadFile(P("s.json")))[row.field].Int(), row.value);
    const std::string log = ReadFile(P("log.txt"));
    EXPECT_NE(log.find(row.logHas), std::string::npos) << row.logHas;
    EXPECT_EQ(log.find("window created \"Option\"") != std::string::npos, row.before == god) << "S opens it only on the title in a window";
  }
}

}  // namespace
}  // namespace scenario
#endif  // QM_SIM_BINARY
