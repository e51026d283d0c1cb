// The state dump is valid JSON holding every value once under its name, and
// the setter takes exactly the names and values it should.
#include <functional>

#include "headless/state_dump.h"
#include "shell_fixture.h"
#include "tests/scenario/json.h"

namespace shelltest {
namespace {

using scenario::Json;

class StateDump : public ShellTest {
 protected:
  Json Dump() {
    text_ = DumpStateJson();
    Json j = scenario::ParseJson(text_);
    EXPECT_EQ(j.type, Json::kObject) << "not valid JSON: " << text_.substr(0, 200);
    return j;
  }
  std::string text_;
};

TEST_F(StateDump, EveryValueOnceUnderItsNameAndTheTablesAsRecords) {
  SetConstantGameState();
  gs.score = 4321;
  gs.quota = 17;
  gs.pauseState = 240;
  gs.bossX = 123.5;
  gs.bannerText = "a\"b\\c\r\x01";
  gs.BgmId[4] = 4;
  chr[0] = Chr{1, 100, 160, 200, 2, 1.5, 0, 0, 3, 2};
  sht[60] = Sht{4, 7, 10, 11, 3, 0.25, -2, 5, 9, 1};
  Json j = Dump();
  // Text is escaped, control characters as \u.
  EXPECT_NE(text_.find(R"("bannerText":"a\"b\\c\r\u0001")"), std::string::npos) << text_;
  EXPECT_EQ(j["bannerText"].text.substr(0, 5), "a\"b\\c");
  const std::pair<const char*, double> values[] = {
      {"score", 4321}, {"quota", 17}, {"pauseState", 240}, {"bossX", 123.5},
      {"titleActive", 1}, {"patternBullets", 6}};
  for (const auto& [name, want] : values) EXPECT_EQ(j[name].number, want) << name;
  const std::tuple<const char*, size_t, size_t, double> arrays[] = {
      {"BgmId", 5, 4, 4}, {"levelThreshold", 6, 2, 200}, {"levelThreshold", 6, 5, 4000},
      {"fpsChoices", 4, 3, 1000}};
  for (const auto& [name, size, index, want] : arrays) {
    EXPECT_EQ(j[name].items.size(), size) << name;
    EXPECT_EQ(j[name][index].number, want) << name << "[" << index << "]";
  }
  for (const char* name :
       {"score", "targetFps", "measuredFps", "frameCount", "frameDelay", "scrollY", "scrollSpeed",
        "shownScore", "hiScore", "fireMode", "inputLocked", "levelUpTimer", "grazeCooldown",
        "godUnlocked", "bossY", "grazeGauge", "rageTimer", "enemySlots", "displayHandle",
        "startQuota", "startScore", "bossMaxHp", "bannerTimer", "spareSetting",
        "quitRequested", "mainWindow", "chr", "sht"}) {
    EXPECT_NE(j[name].type, Json::kNull) << name;
    size_t n = 0;
    for (size_t at = 0; (at = text_.find("\"" + std::string(name) + "\":", at)) != std::string::npos; ++at) ++n;
    EXPECT_EQ(n, 1u) << name;
  }
  ASSERT_EQ(j["chr"].items.size(), static_cast<size_t>(kMaxEnemySlots + 1));
  ASSERT_EQ(j["sht"].items.size(), static_cast<size_t>(kShotSlots + 1));
  const Json &c = j["chr"][0], &s = j["sht"][60];
  EXPECT_EQ(c.fields.size(), 10u);
  EXPECT_EQ(s.fields.size(), 10u);
  const std::pair<const char*, double> chrFields[] = {{"state", 1}, {"hp", 100}, {"x", 160}, {"y", 200},
      {"radius", 2}, {"anim", 1.5}, {"cooldown", 3}, {"level", 2}};
  for (const auto& [name, want] : chrFields) EXPECT_EQ(c[name].number, want) << "chr." << name;
  const std::pair<const char*, double> shtFields[] = {{"kind", 4}, {"damage", 7}, {"anim", 0.25},
      {"vx", -2}, {"vy", 5}, {"spare", 9}};
  for (const auto& [name, want] : shtFields) EXPECT_EQ(s[name].number, want) << "sht." << name;
}

TEST_F(StateDump, SetsFieldsArraysAndRecords) {
  const std::tuple<const char*, const char*, std::function<double()>> rows[] = {
      {"score", "777", []() -> double { return gs.score; }},
      {"quota", "-3", []() -> double { return gs.quota; }},
      {"grazeGauge", "9.5", []() -> double { return gs.grazeGauge; }},
      {"BgmId[3]", "42", []() -> double { return gs.BgmId[3]; }},
      {"levelThreshold[5]", "5000", []() -> double { return gs.levelThreshold[5]; }},
      {"chr[1].hp", "250", []() -> double { return chr[1].hp; }},
      {"chr[30].anim", "2.75", []() -> double { return chr[30].anim; }},
      {"sht[60].kind", "3", []() -> double { return sht[60].kind; }},
      {"score", "2147483647", []() -> double { return gs.score; }},
  };
  for (const auto& [name, value, read] : rows) {
    EXPECT_TRUE(SetStateValue(name, value)) << name;
    EXPECT_EQ(read(), std::stod(value)) << name;
  }
  EXPECT_TRUE(SetStateValue("bannerText", "Rainy"));
  EXPECT_EQ(gs.bannerText, "Rainy");
}

TEST_F(StateDump, RefusesUnknownNamesBadValuesAndIndexesOutOfRange) {
  gs.score = 5;
  chr[1].hp = 9;
  const char* const bad[][2] = {
      {"scor", "1"},           {"score", ""},           {"score", "12abc"},
      {"score", "2147483648"}, {"score", "1.5"},        {"score[0]", "1"},
      {"BgmId", "1"},          {"BgmId[5]", "1"},       {"BgmId[-1]", "1"},
      {"BgmId[x]", "1"},       {"fpsChoices[4]", "1"},  {"chr[31].hp", "1"},
      {"sht[61].kind", "1"},   {"chr[1].kind", "1"},    {"sht[1].state", "1"},
      {"chr.hp", "1"},         {"chr[1].hp", "many"},   {"grazeGauge", "nan"},
      {"grazeGauge", "1e999"}, {"mainWindow", "3"},     {"backSurface", "0"},
      {"", "1"},               {"npc[1].hp", "1"},      {"chr[1]", "1"},
  };
  for (const auto& b : bad) EXPECT_FALSE(SetStateValue(b[0], b[1])) << b[0] << "=" << b[1];
  EXPECT_EQ(gs.score, 5);
  EXPECT_EQ(chr[1].hp, 9);
}

TEST_F(StateDump, HooksReachThePlatform) {
  RegisterStateDumpHooks();
  platform::StateHooks h = platform::sim::Hooks();
  ASSERT_TRUE(h.dumpJson && h.set);
  EXPECT_TRUE(h.set("hiScore", "31337"));
  EXPECT_NE(h.dumpJson().find("\"hiScore\":31337"), std::string::npos);
}

}  // namespace
}  // namespace shelltest
