// A game at Easy played through quillmoor-sim in MANUAL fire, which the
// recorded games (Normal and Hard, AUTO) never start: its start values, and
// no shot while Space stays up, even with the ship walked to a corner.
#include <string>
#include <vector>

#include "json.h"
#include "scenario.h"

namespace scenario {
namespace {

// Title and stage banner are passed with Enter; on the simulated clock play
// then starts at 8470 ms, always.
constexpr long long kPlay = 8470;

class PlayRun : public ScenarioTest {};

TEST_F(PlayRun, EasyGameInManualFireStartsAndHoldsItsFire) {
  const auto at = [](long long ms) { return std::to_string(kPlay + ms); };
  WriteFile(P("keys.txt"), "3000 down Enter\n3100 up Enter\n7000 down Enter\n7100 up Enter\n" +
                               at(200) + " down Left\n" + at(200) + " down Down\n" + at(2200) +
                               " up Left\n" + at(2200) + " up Down\n");
  std::vector<std::string> args = {"--keys", P("keys.txt"), "--log", P("run.log"), "--set",
                                   "100:enemySlots=5", "--state", at(0) + ":" + P("start.json"),
                                   "--state", at(2300) + ":" + P("corner.json"), "--until",
                                   at(2400)};
  Result r = Run(args);
  ASSERT_EQ(r.status, 2) << r.errors;
  ASSERT_NE(ReadFile(P("run.log")).find("\n" + at(0) + " mci play sa2"), std::string::npos)
      << "play started elsewhen";
  const Json s = ParseJson(ReadFile(P("start.json")));
  const Json& ship = s["chr"][0];
  EXPECT_EQ(std::make_tuple(ship["state"].Int(), ship["hp"].Int(), ship["x"].Int(), ship["y"].Int(),
                            ship["level"].Int()),
            std::make_tuple(1, 100, 159, 214, 1));
  EXPECT_EQ(std::make_tuple(s["quota"].Int(), s["enemySlots"].Int(), s["fireMode"].Int(),
                            s["patternBullets"].Int(), s["titleActive"].Int()),
            std::make_tuple(255, 5, 0, 5, 0));
  const Json c = ParseJson(ReadFile(P("corner.json")));
  EXPECT_EQ(std::make_tuple(c["chr"][0]["x"].Int(), c["chr"][0]["y"].Int(), c["fireMode"].Int()),
            std::make_tuple(2, 220, 0));
  for (const Json& shot : c["sht"].items) EXPECT_NE(shot["kind"].Int(), 1) << "a shot in MANUAL";
}

}  // namespace
}  // namespace scenario
