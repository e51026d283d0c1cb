// A game played through quillmoor-sim: the ship's start values, its movement
// to the four limits, AUTO fire at the level-1 rate, and enemies entering.
#include <algorithm>
#include <string>
#include <vector>

#include "json.h"
#include "scenario.h"

namespace scenario {
namespace {

// Title and stage banner are passed with Enter; the frame delay is set to a
// steady 33 ms so that the key timings below mean whole frames, and the level
// to Easy (5 enemy slots) so that the ship's tour is not cut short. On the
// simulated clock play then starts at 8470 ms, always.
constexpr long long kPlay = 8470;

class PlayRun : public ScenarioTest {
 protected:
  static std::string At(long long ms) { return std::to_string(kPlay + ms); }
  static std::string Key(long long from, long long to, const std::string& key) {
    return At(from) + " down " + key + "\n" + At(to) + " up " + key + "\n";
  }
  Json State(const std::string& name) { return ParseJson(ReadFile(P(name))); }
};

TEST_F(PlayRun, ShipStartsMovesToItsLimitsFiresAndEnemiesEnter) {
  std::string keys = "3000 down Enter\n3100 up Enter\n7000 down Enter\n7100 up Enter\n";
  keys += Key(100, 150, "Shift");    // AUTO: the ship clears its way
  keys += Key(200, 2200, "Left");    // 159 -> 2: 32 frames
  keys += Key(2400, 2800, "Down");   // 214 -> 220
  // The long walks across the field are left out: the ship is put near the
  // right and top edges and driven into them from there.
  keys += Key(3050, 3600, "Right");  // 290 -> 318
  keys += Key(3850, 4400, "Up");     // 30 -> 2
  keys += Key(4500, 6300, "Down");   // back to the bottom row: 44 frames
  WriteFile(P("keys.txt"), keys);
  std::vector<std::string> args = {"--keys", P("keys.txt"), "--log", P("run.log"), "--set",
                                   "100:frameDelay=33", "--set", "100:enemySlots=5", "--set",
                                   At(3000) + ":chr[0].x=290", "--set", At(3800) + ":chr[0].y=30",
                                   "--until", At(8100)};
  const char* dumps[][2] = {{"0", "start"}, {"2300", "left"}, {"2900", "down"},
                            {"3700", "right"}, {"4450", "up"}, {"8000", "fire"}};
  for (const auto& d : dumps)
    args.insert(args.end(), {"--state", At(std::stoll(d[0])) + ":" + P(std::string(d[1]) + ".json")});
  Result r = Run(args);
  ASSERT_EQ(r.status, 2) << r.errors;
  const std::string log = ReadFile(P("run.log"));
  ASSERT_NE(log.find("\n" + At(0) + " mci play sa2"), std::string::npos) << "play started elsewhen";

  // Start values, as the first frame leaves them; MANUAL, nothing fired yet.
  Json s = State("start.json");
  const Json& ship = s["chr"][0];
  EXPECT_EQ(std::make_tuple(ship["state"].Int(), ship["hp"].Int(), ship["x"].Int(), ship["y"].Int(),
                            ship["radius"].Int(), ship["level"].Int()),
            std::make_tuple(1, 100, 159, 214, 2, 1));
  EXPECT_EQ(std::make_tuple(s["quota"].Int(), s["score"].Int(), s["scrollSpeed"].Int(),
                            s["fireMode"].Int(), s["patternBullets"].Int(), s["titleActive"].Int()),
            std::make_tuple(255, 0, 3, 0, 5, 0));

  struct Limit {
    const char* file;
    int x, y;
  } limits[] = {{"left.json", 2, 214}, {"down.json", 2, 220}, {"right.json", 318, 220},
                {"up.json", 318, 2}};
  for (const Limit& l : limits) {
    const Json j = State(l.file);
    const Json& c = j["chr"][0];
    EXPECT_EQ(std::make_tuple(c["state"].Int(), c["x"].Int(), c["y"].Int()),
              std::make_tuple(1, l.x, l.y)) << l.file;
  }

  // Enemies have entered from above: kind 1 only while the quota is above 204.
  Json up = State("up.json");
  int live = 0;
  for (size_t i = 1; i <= 5; ++i) {
    const Json& e = up["chr"][i];
    if (e["state"].Int() == 0 || e["state"].Int() == 240) continue;
    ++live;
    EXPECT_EQ(std::make_tuple(e["state"].Int(), e["vy"].Int()), std::make_tuple(1, 2)) << i;
    EXPECT_GE(e["x"].Int(), e["radius"].Int()) << i;
    EXPECT_LE(e["x"].Int(), 320 - e["radius"].Int()) << i;
  }
  EXPECT_GT(live, 0);

  // AUTO at level 1: a shot every 9 frames, rising 6 pixels a frame, so the
  // shots in flight from the still ship stand 54 pixels apart.
  Json f = State("fire.json");
  EXPECT_EQ(f["fireMode"].Int(), 1);
  const Json& still = f["chr"][0];
  ASSERT_EQ(std::make_tuple(still["state"].Int(), still["x"].Int(), still["y"].Int()),
            std::make_tuple(1, 318, 220));
  std::vector<int> ys;
  for (const Json& shot : f["sht"].items) {
    if (shot["kind"].Int() != 1) continue;
    EXPECT_EQ(shot["vy"].Int(), -6);
    if (shot["x"].Int() == 318 && shot["vx"].Int() == 0) ys.push_back(shot["y"].Int());
  }
  ASSERT_GE(ys.size(), 3u);
  std::sort(ys.begin(), ys.end());
  for (size_t i = 1; i < ys.size(); ++i) EXPECT_EQ(ys[i] - ys[i - 1], 54) << i;
}

}  // namespace
}  // namespace scenario
