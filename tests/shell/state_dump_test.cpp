// The state dump is valid JSON with escaped text and each name once; the
// setter takes exactly the names and values it should.
#include <functional>

#include "headless/state_dump.h"
#include "shell_fixture.h"
#include "tests/scenario/json.h"

namespace shelltest {
namespace {

using scenario::Json;

class StateDump : public ShellTest {};

TEST_F(StateDump, TextIsEscapedEachNameOnceAndTheTablesAreRecords) {
  SetConstantGameState();
  gs.bannerText = "a\"b\\c\r\x01";
  sht[60] = Sht{4, 7, 10, 11, 3, 0.25, -2, 5, 9, 1};
  const std::string text = DumpStateJson();
  Json j = scenario::ParseJson(text);
  ASSERT_EQ(j.type, Json::kObject) << text.substr(0, 200);
  EXPECT_NE(text.find(R"("bannerText":"a\"b\\c\r\u0001")"), std::string::npos) << text;
  for (const char* name : {"score", "hiScore", "fireMode", "bossY", "displayHandle", "mainWindow", "chr", "sht"}) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find("\"" + std::string(name) + "\":", at)) != std::string::npos; ++at) ++n;
    EXPECT_EQ(n, 1u) << name;
  }
  ASSERT_EQ(j["chr"].items.size(), static_cast<size_t>(kMaxEnemySlots + 1));
  ASSERT_EQ(j["sht"].items.size(), static_cast<size_t>(kShotSlots + 1));
  EXPECT_EQ(j["chr"][0].fields.size() + j["sht"][60].fields.size(), 20u);
  EXPECT_EQ(j["sht"][60]["anim"].number, 0.25);
}

TEST_F(StateDump, SetsFieldsArraysAndRecords) {
  const std::tuple<const char*, const char*, std::function<double()>> rows[] = {
      {"score", "777", [] { return double(gs.score); }}, {"quota", "-3", [] { return double(gs.quota); }},
      {"grazeGauge", "9.5", [] { return double(gs.grazeGauge); }}, {"BgmId[3]", "42", [] { return double(gs.BgmId[3]); }},
      {"levelThreshold[5]", "5000", [] { return double(gs.levelThreshold[5]); }},
      {"chr[1].hp", "250", [] { return double(chr[1].hp); }}, {"chr[30].anim", "2.75", [] { return double(chr[30].anim); }},
      {"sht[60].kind", "3", [] { return double(sht[60].kind); }}, {"score", "2147483647", [] { return double(gs.score); }}};
  for (const auto& [name, value, read] : rows) {
    EXPECT_TRUE(SetStateValue(name, value)) << name;
    EXPECT_EQ(read(), std::stod(value)) << name;
  }
  EXPECT_TRUE(SetStateValue("bannerText", "Rainy") && gs.bannerText == "Rainy");
}

TEST_F(StateDump, RefusesUnknownNamesBadValuesAndIndexesOutOfRange) {
  gs.score = 5;
  chr[1].hp = 9;
  const char* const bad[][2] = {
      {"scor", "1"}, {"score", ""}, {"score", "12abc"}, {"score", "2147483648"}, {"score", "1.5"},
      {"score[0]", "1"}, {"BgmId", "1"}, {"BgmId[5]", "1"}, {"BgmId[-1]", "1"}, {"BgmId[x]", "1"},
      {"fpsChoices[4]", "1"}, {"chr[31].hp", "1"}, {"sht[61].kind", "1"}, {"chr[1].kind", "1"},
      {"sht[1].state", "1"}, {"chr.hp", "1"}, {"chr[1].hp", "many"}, {"grazeGauge", "nan"},
      {"grazeGauge", "1e999"}, {"mainWindow", "3"}, {"backSurface", "0"}, {"", "1"},
      {"npc[1].hp", "1"}, {"chr[1]", "1"}};
  for (const auto& b : bad) EXPECT_FALSE(SetStateValue(b[0], b[1])) << b[0] << "=" << b[1];
  EXPECT_EQ(gs.score * 10 + chr[1].hp, 59);  // unchanged
}

}  // namespace
}  // namespace shelltest
