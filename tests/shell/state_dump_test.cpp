// The state dump is valid JSON holding every value under its name, and the
// setter takes exactly the names and values it should.
#include <cctype>
#include <map>
#include <memory>
#include <variant>

#include "headless/state_dump.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

// A small strict JSON reader: enough to prove the dump is well formed and to
// look values up by path.
struct Json;
using JsonPtr = std::shared_ptr<Json>;
struct Json {
  std::variant<std::nullptr_t, double, std::string, std::vector<JsonPtr>,
               std::map<std::string, JsonPtr>>
      v;
  const Json& operator[](const std::string& k) const {
    static const Json none;
    auto* m = std::get_if<std::map<std::string, JsonPtr>>(&v);
    if (!m || !m->count(k)) return none;
    return *m->at(k);
  }
  const Json& operator[](size_t i) const {
    static const Json none;
    auto* a = std::get_if<std::vector<JsonPtr>>(&v);
    if (!a || i >= a->size()) return none;
    return *(*a)[i];
  }
  double num() const { return std::holds_alternative<double>(v) ? std::get<double>(v) : -12345.678; }
  std::string str() const { return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : "?"; }
  size_t size() const {
    if (auto* a = std::get_if<std::vector<JsonPtr>>(&v)) return a->size();
    if (auto* m = std::get_if<std::map<std::string, JsonPtr>>(&v)) return m->size();
    return 0;
  }
};

class Reader {
 public:
  explicit Reader(const std::string& s) : s_(s) {}
  JsonPtr Parse() {
    JsonPtr j = Value();
    Space();
    if (!j || i_ != s_.size()) return nullptr;
    return j;
  }

 private:
  void Space() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  bool Eat(char c) {
    Space();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c == '\\') {
        if (i_ >= s_.size()) return false;
        char e = s_[i_++];
        if (e == 'u') {
          if (i_ + 4 > s_.size()) return false;
          out += static_cast<char>(std::stoi(s_.substr(i_, 4), nullptr, 16));
          i_ += 4;
        } else {
          out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        }
      } else {
        out += c;
      }
    }
    return Eat('"');
  }
  JsonPtr Value() {
    auto j = std::make_shared<Json>();
    Space();
    if (i_ >= s_.size()) return nullptr;
    char c = s_[i_];
    if (c == '{') {
      ++i_;
      std::map<std::string, JsonPtr> m;
      if (!Eat('}')) {
        do {
          std::string k;
          if (!String(k) || !Eat(':') || m.count(k)) return nullptr;
          JsonPtr v = Value();
          if (!v) return nullptr;
          m[k] = v;
        } while (Eat(','));
        if (!Eat('}')) return nullptr;
      }
      j->v = m;
    } else if (c == '[') {
      ++i_;
      std::vector<JsonPtr> a;
      if (!Eat(']')) {
        do {
          JsonPtr v = Value();
          if (!v) return nullptr;
          a.push_back(v);
        } while (Eat(','));
        if (!Eat(']')) return nullptr;
      }
      j->v = a;
    } else if (c == '"') {
      std::string s;
      if (!String(s)) return nullptr;
      j->v = s;
    } else if (s_.compare(i_, 4, "null") == 0) {
      i_ += 4;
      j->v = nullptr;
    } else {
      size_t used = 0;
      try {
        j->v = std::stod(s_.substr(i_), &used);
      } catch (...) {
        return nullptr;
      }
      i_ += used;
    }
    return j;
  }
  const std::string& s_;
  size_t i_ = 0;
};

class StateDump : public ShellTest {
 protected:
  Json Dump() {
    std::string text = DumpStateJson();
    JsonPtr j = Reader(text).Parse();
    EXPECT_TRUE(j) << "not valid JSON: " << text.substr(0, 200);
    return j ? *j : Json{};
  }
};

TEST_F(StateDump, EveryGameStateFieldUnderItsName) {
  SetConstantGameState();
  gs.score = 4321;
  gs.quota = 17;
  gs.pauseState = 240;
  gs.bossX = 123.5;
  gs.bannerText = "Fire-Work";
  gs.BgmId[1] = 1;
  gs.BgmId[4] = 4;
  Json j = Dump();
  EXPECT_EQ(j["score"].num(), 4321);
  EXPECT_EQ(j["quota"].num(), 17);
  EXPECT_EQ(j["pauseState"].num(), 240);
  EXPECT_EQ(j["bossX"].num(), 123.5);
  EXPECT_EQ(j["bannerText"].str(), "Fire-Work");
  EXPECT_EQ(j["titleActive"].num(), 1);
  EXPECT_EQ(j["patternBullets"].num(), 6);
  ASSERT_EQ(j["BgmId"].size(), 5u);
  EXPECT_EQ(j["BgmId"][4].num(), 4);
  ASSERT_EQ(j["levelThreshold"].size(), 6u);
  EXPECT_EQ(j["levelThreshold"][2].num(), 200);
  EXPECT_EQ(j["levelThreshold"][5].num(), 4000);
  ASSERT_EQ(j["fpsChoices"].size(), 4u);
  EXPECT_EQ(j["fpsChoices"][3].num(), 1000);
  for (const char* name :
       {"targetFps", "measuredFps", "frameCount", "frameDelay", "scrollY", "scrollSpeed",
        "shownScore", "hiScore", "fireMode", "inputLocked", "levelUpTimer", "grazeCooldown",
        "godUnlocked", "bossY", "grazeGauge", "rageTimer", "enemySlots", "displayHandle",
        "startQuota", "startScore", "bossMaxHp", "bannerTimer", "spareSetting",
        "quitRequested", "mainWindow"})
    EXPECT_NE(j[name].num(), -12345.678) << name;
}

TEST_F(StateDump, RecordTablesAsArraysOfNamedFields) {
  chr[0] = Chr{1, 100, 160, 200, 2, 1.5, 0, 0, 3, 2};
  sht[60] = Sht{4, 7, 10, 11, 3, 0.25, -2, 5, 9, 1};
  Json j = Dump();
  ASSERT_EQ(j["chr"].size(), static_cast<size_t>(kMaxEnemySlots + 1));
  ASSERT_EQ(j["sht"].size(), static_cast<size_t>(kShotSlots + 1));
  const Json& c = j["chr"][0];
  EXPECT_EQ(c.size(), 10u);
  EXPECT_EQ(c["state"].num(), 1);
  EXPECT_EQ(c["hp"].num(), 100);
  EXPECT_EQ(c["x"].num(), 160);
  EXPECT_EQ(c["y"].num(), 200);
  EXPECT_EQ(c["radius"].num(), 2);
  EXPECT_EQ(c["anim"].num(), 1.5);
  EXPECT_EQ(c["cooldown"].num(), 3);
  EXPECT_EQ(c["level"].num(), 2);
  const Json& s = j["sht"][60];
  EXPECT_EQ(s.size(), 10u);
  EXPECT_EQ(s["kind"].num(), 4);
  EXPECT_EQ(s["damage"].num(), 7);
  EXPECT_EQ(s["anim"].num(), 0.25);
  EXPECT_EQ(s["vx"].num(), -2);
  EXPECT_EQ(s["vy"].num(), 5);
  EXPECT_EQ(s["spare"].num(), 9);
}

TEST_F(StateDump, TextIsEscaped) {
  gs.bannerText = "a\"b\\c\r\x01";
  EXPECT_EQ(Dump()["bannerText"].str(), "a\"b\\c\r\x01");
}

TEST_F(StateDump, SetsFieldsArraysAndRecords) {
  EXPECT_TRUE(SetStateValue("score", "777"));
  EXPECT_EQ(gs.score, 777);
  EXPECT_TRUE(SetStateValue("quota", "-3"));
  EXPECT_EQ(gs.quota, -3);
  EXPECT_TRUE(SetStateValue("grazeGauge", "9.5"));
  EXPECT_EQ(gs.grazeGauge, 9.5);
  EXPECT_TRUE(SetStateValue("BgmId[3]", "42"));
  EXPECT_EQ(gs.BgmId[3], 42);
  EXPECT_TRUE(SetStateValue("levelThreshold[5]", "5000"));
  EXPECT_EQ(gs.levelThreshold[5], 5000);
  EXPECT_TRUE(SetStateValue("bannerText", "Rainy"));
  EXPECT_EQ(gs.bannerText, "Rainy");
  EXPECT_TRUE(SetStateValue("chr[1].hp", "250"));
  EXPECT_EQ(chr[1].hp, 250);
  EXPECT_TRUE(SetStateValue("chr[30].anim", "2.75"));
  EXPECT_EQ(chr[30].anim, 2.75);
  EXPECT_TRUE(SetStateValue("sht[60].kind", "3"));
  EXPECT_EQ(sht[60].kind, 3);
  EXPECT_TRUE(SetStateValue("score", "2147483647"));
  EXPECT_EQ(gs.score, 2147483647);
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
  ASSERT_TRUE(h.dumpJson);
  ASSERT_TRUE(h.set);
  EXPECT_TRUE(h.set("hiScore", "31337"));
  EXPECT_NE(h.dumpJson().find("\"hiScore\":31337"), std::string::npos);
}

}  // namespace
}  // namespace shelltest
