#include "headless/state_dump.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "entities/tables.h"
#include "flow/replay_game.h"
#include "headless/bot.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "state/game_state.h"

namespace {

// ---------------------------------------------------------------- writing

void AppendString(std::string& out, const std::string& s) {
  out += '"';
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

void AppendNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  out += buf;
}

class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}
  void Key(const char* name) {
    if (!first_) out_ += ',';
    first_ = false;
    AppendString(out_, name);
    out_ += ':';
  }
  void Int(const char* name, int64_t v) {
    Key(name);
    out_ += std::to_string(v);
  }
  void Real(const char* name, double v) {
    Key(name);
    AppendNumber(out_, v);
  }
  template <size_t N>
  void IntArray(const char* name, const SharedInt (&a)[N]) {
    Key(name);
    out_ += '[';
    for (size_t i = 0; i < N; ++i) {
      if (i) out_ += ',';
      out_ += std::to_string(a[i].load());
    }
    out_ += ']';
  }

 private:
  std::string& out_;
  bool first_ = true;
};

// ---------------------------------------------------------------- fields

struct IntField {
  const char* name;
  SharedInt GameState::*member;
};
const IntField kIntFields[] = {
    {"targetFps", &GameState::targetFps},         {"measuredFps", &GameState::measuredFps},
    {"frameCount", &GameState::frameCount},       {"frameDelay", &GameState::frameDelay},
    {"scrollY", &GameState::scrollY},             {"scrollSpeed", &GameState::scrollSpeed},
    {"score", &GameState::score},                 {"shownScore", &GameState::shownScore},
    {"hiScore", &GameState::hiScore},             {"quota", &GameState::quota},
    {"pauseState", &GameState::pauseState},       {"fireMode", &GameState::fireMode},
    {"inputLocked", &GameState::inputLocked},     {"levelUpTimer", &GameState::levelUpTimer},
    {"grazeCooldown", &GameState::grazeCooldown}, {"godUnlocked", &GameState::godUnlocked},
    {"titleActive", &GameState::titleActive},     {"enemySlots", &GameState::enemySlots},
    {"displayHandle", &GameState::displayHandle}, {"startQuota", &GameState::startQuota},
    {"startScore", &GameState::startScore},       {"bossMaxHp", &GameState::bossMaxHp},
    {"patternBullets", &GameState::patternBullets}, {"bannerTimer", &GameState::bannerTimer},
    {"spareSetting", &GameState::spareSetting},   {"quitRequested", &GameState::quitRequested},
};

struct RealField {
  const char* name;
  double GameState::*member;
};
const RealField kRealFields[] = {
    {"bossX", &GameState::bossX},
    {"bossY", &GameState::bossY},
    {"grazeGauge", &GameState::grazeGauge},
    {"rageTimer", &GameState::rageTimer},
};

struct ArrayField {
  const char* name;
  SharedInt* data;
  int size;
};
ArrayField ArrayFields(int i) {
  switch (i) {
    case 0: return {"levelThreshold", gs.levelThreshold, 6};
    case 1: return {"fpsChoices", gs.fpsChoices, 4};
    default: return {"BgmId", gs.BgmId, 5};
  }
}

// Record fields: the same accessors serve both tables.
template <typename R>
struct RecordField {
  const char* name;
  int32_t R::*intMember;
  double R::*realMember;
};
const RecordField<Chr> kChrFields[] = {
    {"state", &Chr::state, nullptr},    {"hp", &Chr::hp, nullptr},
    {"x", &Chr::x, nullptr},            {"y", &Chr::y, nullptr},
    {"radius", &Chr::radius, nullptr},  {"anim", nullptr, &Chr::anim},
    {"vx", &Chr::vx, nullptr},          {"vy", &Chr::vy, nullptr},
    {"cooldown", &Chr::cooldown, nullptr}, {"level", &Chr::level, nullptr},
};
const RecordField<Sht> kShtFields[] = {
    {"kind", &Sht::kind, nullptr},      {"damage", &Sht::damage, nullptr},
    {"x", &Sht::x, nullptr},            {"y", &Sht::y, nullptr},
    {"radius", &Sht::radius, nullptr},  {"anim", nullptr, &Sht::anim},
    {"vx", &Sht::vx, nullptr},          {"vy", &Sht::vy, nullptr},
    {"spare", &Sht::spare, nullptr},    {"level", &Sht::level, nullptr},
};

template <typename R, size_t F, size_t N>
void AppendRecords(std::string& out, const char* name, const R (&table)[N],
                   const RecordField<R> (&fields)[F]) {
  AppendString(out, name);
  out += ":[";
  for (size_t i = 0; i < N; ++i) {
    if (i) out += ',';
    out += '{';
    Writer w(out);
    for (const auto& f : fields) {
      if (f.intMember)
        w.Int(f.name, table[i].*f.intMember);
      else
        w.Real(f.name, table[i].*f.realMember);
    }
    out += '}';
  }
  out += ']';
}

// ---------------------------------------------------------------- parsing

bool ParseInt(const std::string& s, int32_t& v) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long long x = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || end != s.c_str() + s.size()) return false;
  if (x < INT32_MIN || x > INT32_MAX) return false;
  v = static_cast<int32_t>(x);
  return true;
}

bool ParseReal(const std::string& s, double& v) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  double x = std::strtod(s.c_str(), &end);
  if (errno != 0 || end != s.c_str() + s.size() || !std::isfinite(x)) return false;
  v = x;
  return true;
}

// "name[index]" -> name, index; plain "name" -> name, -1. False if malformed.
bool SplitIndex(const std::string& s, std::string& name, int& index) {
  size_t open = s.find('[');
  if (open == std::string::npos) {
    name = s;
    index = -1;
    return !s.empty();
  }
  if (s.back() != ']' || open == 0) return false;
  name = s.substr(0, open);
  std::string digits = s.substr(open + 1, s.size() - open - 2);
  if (digits.empty() || digits.size() > 4) return false;
  for (char c : digits)
    if (c < '0' || c > '9') return false;
  index = std::atoi(digits.c_str());
  return true;
}

template <typename R, size_t F, size_t N>
bool SetRecord(R (&table)[N], const RecordField<R> (&fields)[F], int index,
               const std::string& field, const std::string& value) {
  if (index < 0 || index >= static_cast<int>(N)) return false;
  for (const auto& f : fields) {
    if (field != f.name) continue;
    if (f.intMember) {
      int32_t v;
      if (!ParseInt(value, v)) return false;
      table[index].*f.intMember = v;
    } else {
      double v;
      if (!ParseReal(value, v)) return false;
      table[index].*f.realMember = v;
    }
    return true;
  }
  return false;
}

}  // namespace

std::string DumpStateJson() {
  std::string out = "{";
  Writer w(out);
  for (const auto& f : kIntFields) w.Int(f.name, (gs.*f.member).load());
  for (const auto& f : kRealFields) w.Real(f.name, gs.*f.member);
  for (int i = 0; i < 3; ++i) {
    ArrayField a = ArrayFields(i);
    w.Key(a.name);
    out += '[';
    for (int k = 0; k < a.size; ++k) {
      if (k) out += ',';
      out += std::to_string(a.data[k].load());
    }
    out += ']';
  }
  w.Key("bannerText");
  AppendString(out, gs.bannerText);
  w.Key("backSurface");
  if (gs.backSurface) {
    out += "{\"width\":" + std::to_string(gs.backSurface->width()) +
           ",\"height\":" + std::to_string(gs.backSurface->height()) + "}";
  } else {
    out += "null";
  }
  w.Int("mainWindow", gs.mainWindow.load());
  out += ',';
  AppendRecords(out, "chr", chr, kChrFields);
  out += ',';
  AppendRecords(out, "sht", sht, kShtFields);
  out += '}';
  return out;
}

bool SetStateValue(const std::string& name, const std::string& value) {
  size_t dot = name.find('.');
  if (dot != std::string::npos) {
    std::string table, field = name.substr(dot + 1);
    int index;
    if (!SplitIndex(name.substr(0, dot), table, index) || index < 0) return false;
    if (table == "chr") return SetRecord(chr, kChrFields, index, field, value);
    if (table == "sht") return SetRecord(sht, kShtFields, index, field, value);
    return false;
  }
  std::string field;
  int index;
  if (!SplitIndex(name, field, index)) return false;
  if (index < 0) {
    for (const auto& f : kIntFields) {
      if (field != f.name) continue;
      int32_t v;
      if (!ParseInt(value, v)) return false;
      gs.*f.member = v;
      return true;
    }
    for (const auto& f : kRealFields) {
      if (field != f.name) continue;
      double v;
      if (!ParseReal(value, v)) return false;
      gs.*f.member = v;
      return true;
    }
    if (field == "bannerText") {
      gs.bannerText = value;
      return true;
    }
    return false;  // unknown, a table without an index, or read-only
  }
  for (int i = 0; i < 3; ++i) {
    ArrayField a = ArrayFields(i);
    if (field != a.name) continue;
    int32_t v;
    if (index >= a.size || !ParseInt(value, v)) return false;
    a.data[index] = v;
    return true;
  }
  return false;
}

namespace {
// Copies last.qmr to game-N.qmr beside the settings file (--bot-keep).
void KeepLastGame(int n) {
  const std::string settings = SettingsPath();
  const size_t slash = settings.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : settings.substr(0, slash);
  std::ifstream in(dir + "/" + kLastGameFile, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  if (!in || !WriteFileBesideSettings("game-" + std::to_string(n) + ".qmr", bytes.str()))
    platform::LogEvent("bot cannot keep game " + std::to_string(n));
}
}  // namespace

void RegisterStateDumpHooks() {
  // A fresh bot per registration: each run starts from what it has not seen.
  auto bot = std::make_shared<Bot>();
  auto keep = std::make_shared<bool>(false);
  platform::RegisterStateHooks(platform::StateHooks{
      DumpStateJson, SetStateValue,
      [bot, keep](uint64_t ms, std::string& note) {
        std::vector<int> keys = bot->Step(ms, note);
        // The game's recording is written as its last frame ends, well before
        // the bot sees the frames stop.
        if (*keep && note.find("over score") != std::string::npos) KeepLastGame(bot->games());
        return keys;
      },
      [bot, keep](const std::string& name, int value) {
        if (name == "careless") bot->SetCarelessAfter(uint64_t(value) * 1000);
        if (name == "keep") *keep = value != 0;
      }});
}
