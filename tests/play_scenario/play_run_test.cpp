// A game played through quillmoor-sim: the ship's start values, its movement
// to the four limits, AUTO fire at the level-1 rate, and enemies entering.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "scenario.h"

namespace scenario {
namespace {

struct Record {
  int state = 0, hp = 0, x = 0, y = 0, radius = 0, vx = 0, vy = 0, cooldown = 0, level = 0,
      kind = 0;
};

int IntField(const std::string& json, const std::string& name) {
  size_t at = json.find("\"" + name + "\":");
  if (at == std::string::npos) return -99999;
  return std::atoi(json.c_str() + at + name.size() + 3);
}

// The records of the "chr" or "sht" table of a state dump.
std::vector<Record> Table(const std::string& json, const std::string& name) {
  std::vector<Record> out;
  size_t at = json.find("\"" + name + "\":[");
  if (at == std::string::npos) return out;
  size_t end = json.find(']', at);
  std::string body = json.substr(at, end - at);
  // Records are flat objects, so each one runs from a '{' to the next '}'.
  for (size_t open = body.find('{'); open != std::string::npos;
       open = body.find('{', open + 1)) {
    const size_t close = body.find('}', open);
    if (close == std::string::npos) break;
    const std::string r = body.substr(open, close - open + 1);
    Record rec;
    rec.state = IntField(r, "state");
    rec.kind = IntField(r, "kind");
    rec.hp = IntField(r, "hp");
    rec.x = IntField(r, "x");
    rec.y = IntField(r, "y");
    rec.radius = IntField(r, "radius");
    rec.vx = IntField(r, "vx");
    rec.vy = IntField(r, "vy");
    rec.cooldown = IntField(r, "cooldown");
    rec.level = IntField(r, "level");
    out.push_back(rec);
  }
  return out;
}

class PlayRun : public ScenarioTest {
 protected:
  // Title and stage banner are passed with Enter; the frame delay is set to
  // a steady 33 ms so that the key timings below mean whole frames, and the
  // level to Easy (5 enemy slots) so that the ship's tour is not cut short.
  const std::string start_ = "3000 down Enter\n3100 up Enter\n7000 down Enter\n7100 up Enter\n";

  long long PlayStart() {
    WriteFile(P("keys.txt"), start_);
    Result probe = Run({"--keys", P("keys.txt"), "--log", P("probe.log"), "--set",
                        "100:frameDelay=33", "--set", "100:enemySlots=5", "--until", "15000"});
    EXPECT_EQ(probe.status, 2) << probe.errors;
    for (const std::string& line : Lines(ReadFile(P("probe.log"))))
      if (line.find("mci play sa2") != std::string::npos) return std::atoll(line.c_str());
    return -1;
  }

  static std::string At(long long ms) { return std::to_string(ms); }
  std::string Key(long long from, long long to, const std::string& key) {
    return At(from) + " down " + key + "\n" + At(to) + " up " + key + "\n";
  }
  std::string Dump(long long ms, const std::string& name) {
    return At(ms) + ":" + P(name);
  }
};

TEST_F(PlayRun, ShipStartsMovesToItsLimitsFiresAndEnemiesEnter) {
  const long long play = PlayStart();
  ASSERT_GT(play, 7100) << "the game did not start";
  const long long t = play;
  std::string keys = start_;
  keys += Key(t + 100, t + 150, "Shift");    // AUTO: the ship clears its way
  keys += Key(t + 200, t + 2200, "Left");    // 159 -> 2: 32 frames
  keys += Key(t + 2400, t + 2800, "Down");   // 214 -> 220
  // The long walks across the field are left out: the ship is put near the
  // right and top edges and driven into them from there.
  keys += Key(t + 3050, t + 3600, "Right");  // 290 -> 318
  keys += Key(t + 3850, t + 4400, "Up");     // 30 -> 2
  keys += Key(t + 4500, t + 6300, "Down");   // back to the bottom row: 44 frames
  WriteFile(P("keys.txt"), keys);
  Result r = Run({"--keys", P("keys.txt"), "--log", P("run.log"), "--set", "100:frameDelay=33",
                  "--set", "100:enemySlots=5", "--set", At(t + 3000) + ":chr[0].x=290",
                  "--set", At(t + 3800) + ":chr[0].y=30", "--state", Dump(t, "start.json"),
                  "--state", Dump(t + 2300, "left.json"), "--state", Dump(t + 2900, "down.json"),
                  "--state", Dump(t + 3700, "right.json"), "--state", Dump(t + 4450, "up.json"),
                  "--state", Dump(t + 8000, "fire.json"), "--until", At(t + 8100)});
  ASSERT_EQ(r.status, 2) << r.errors;

  // Start values, as the first frame leaves them.
  std::string s = ReadFile(P("start.json"));
  std::vector<Record> chr = Table(s, "chr");
  ASSERT_FALSE(chr.empty());
  EXPECT_EQ(chr[0].state, 1);
  EXPECT_EQ(chr[0].hp, 100);
  EXPECT_EQ(chr[0].x, 159);
  EXPECT_EQ(chr[0].y, 214);
  EXPECT_EQ(chr[0].radius, 2);
  EXPECT_EQ(chr[0].level, 1);
  EXPECT_EQ(IntField(s, "quota"), 255);
  EXPECT_EQ(IntField(s, "score"), 0);
  EXPECT_EQ(IntField(s, "scrollSpeed"), 3);
  EXPECT_EQ(IntField(s, "fireMode"), 0);  // MANUAL: nothing fired yet
  EXPECT_EQ(IntField(s, "patternBullets"), 5);
  EXPECT_EQ(IntField(s, "titleActive"), 0);

  struct Limit {
    const char* file;
    int x, y;
  } limits[] = {{"left.json", 2, 214}, {"down.json", 2, 220}, {"right.json", 318, 220},
                {"up.json", 318, 2}};
  for (const Limit& l : limits) {
    std::vector<Record> c = Table(ReadFile(P(l.file)), "chr");
    ASSERT_FALSE(c.empty()) << l.file;
    EXPECT_EQ(c[0].state, 1) << l.file;
    EXPECT_EQ(c[0].x, l.x) << l.file;
    EXPECT_EQ(c[0].y, l.y) << l.file;
  }

  // Enemies have entered from above: kind 1 only while the quota is above 204.
  std::vector<Record> later = Table(ReadFile(P("up.json")), "chr");
  int live = 0;
  for (size_t i = 1; i < later.size() && i <= 5; ++i) {
    if (later[i].state == 0 || later[i].state == 240) continue;
    ++live;
    EXPECT_EQ(later[i].state, 1);
    EXPECT_EQ(later[i].vy, 2);
    EXPECT_GE(later[i].x, later[i].radius);
    EXPECT_LE(later[i].x, 320 - later[i].radius);
  }
  EXPECT_GT(live, 0);

  // AUTO at level 1: a shot every 9 frames, rising 6 pixels a frame, so the
  // shots in flight from the still ship stand 54 pixels apart.
  std::string f = ReadFile(P("fire.json"));
  EXPECT_EQ(IntField(f, "fireMode"), 1);
  std::vector<Record> ship = Table(f, "chr");
  ASSERT_FALSE(ship.empty());
  ASSERT_EQ(ship[0].state, 1);
  EXPECT_EQ(ship[0].x, 318);
  EXPECT_EQ(ship[0].y, 220);
  std::vector<int> ys;
  for (const Record& shot : Table(f, "sht"))
    if (shot.kind == 1 && shot.x == 318 && shot.vx == 0) ys.push_back(shot.y);
  ASSERT_GE(ys.size(), 3u);
  std::sort(ys.begin(), ys.end());
  for (size_t i = 1; i < ys.size(); ++i) EXPECT_EQ(ys[i] - ys[i - 1], 54) << i;
  for (const Record& shot : Table(f, "sht")) {
    if (shot.kind == 1) {
      EXPECT_EQ(shot.vy, -6);
    }
  }
}

}  // namespace
}  // namespace scenario
