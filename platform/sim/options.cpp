// Parsing of quillmoor-sim's command line and key scripts. Everything is
// checked strictly: a typo in a test's script must fail loudly, not be
// ignored and leave the test passing for the wrong reason.
#include <cctype>
#include <charconv>
#include <cstring>

#include "platform/platform.h"
#include "platform/sim/sim_driver.h"

namespace platform::sim {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool ParseU64(const std::string& s, uint64_t& out) {
  if (!AllDigits(s)) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

bool ParseInt(const std::string& s, long long lo, long long hi, int& out) {
  const bool neg = !s.empty() && s[0] == '-';
  if (!AllDigits(neg ? s.substr(1) : s)) return false;
  long long v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
  out = static_cast<int>(v);
  return true;
}

// Splits a script line into words; a word in double quotes may hold blanks
// (and \" or \\). A # outside quotes ends the line.
bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string word;
      ++i;
      bool closed = false;
      while (i < n) {
        if (line[i] == '\\' && i + 1 < n && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          word += line[i + 1];
          i += 2;
        } else if (line[i] == '"') {
          closed = true;
          ++i;
          break;
        } else {
          word += line[i++];
        }
      }
      if (!closed) {
        error = "unterminated quote";
        return false;
      }
      if (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#') {
        error = "text right after a closing quote";
        return false;
      }
      words.push_back(word);
    } else {
      std::string word;
      while (i < n && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#') {
        word += line[i++];
      }
      words.push_back(word);
    }
  }
  return true;
}

// "MS:REST" with MS decimal and REST not empty.
bool SplitTimed(const std::string& arg, uint64_t& ms, std::string& rest) {
  const size_t colon = arg.find(':');
  if (colon == std::string::npos) return false;
  rest = arg.substr(colon + 1);
  return ParseU64(arg.substr(0, colon), ms) && !rest.empty();
}

}  // namespace

int ParseKeyName(const std::string& name) {
  static const struct {
    const char* name;
    int vk;
  } kNames[] = {
      {"enter", VK_RETURN}, {"shift", VK_SHIFT}, {"ctrl", VK_CONTROL}, {"escape", VK_ESCAPE},
      {"space", VK_SPACE},  {"left", VK_LEFT},   {"up", VK_UP},        {"right", VK_RIGHT},
      {"down", VK_DOWN},    {"p", 'P'},          {"s", 'S'},           {"f2", VK_F2},
      {"f4", VK_F4},
  };
  const std::string lower = Lower(name);
  for (const auto& k : kNames) {
    if (lower == k.name) return k.vk;
  }
  int vk = 0;
  if (ParseInt(name, 1, 254, vk)) return vk;
  return 0;
}

bool ParseKeyScript(const std::string& text, std::vector<ScriptEvent>& out,
                    std::string& error) {
  out.clear();
  size_t start = 0;
  int lineNo = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    std::vector<std::string> w;
    std::string why;
    auto fail = [&](const std::string& what) {
      error = "line " + std::to_string(lineNo) + ": " + what;
      return false;
    };
    if (!SplitWords(line, w, why)) return fail(why);
    if (w.empty()) continue;
    ScriptEvent e;
    e.line = lineNo;
    if (!ParseU64(w[0], e.ms)) return fail("bad time \"" + w[0] + "\"");
    if (w.size() < 2) return fail("missing event after the time");
    const std::string kind = Lower(w[1]);
    if (kind == "down" || kind == "up") {
      e.kind = kind == "down" ? ScriptEvent::Kind::Down : ScriptEvent::Kind::Up;
      if (w.size() != 3) return fail("expected MS " + kind + " KEY");
      e.vk = ParseKeyName(w[2]);
      if (e.vk == 0) return fail("unknown key \"" + w[2] + "\"");
    } else if (kind == "click") {
      e.kind = ScriptEvent::Kind::Click;
      if (w.size() != 5) return fail("expected MS click TITLE X Y");
      e.title = w[2];
      if (!ParseInt(w[3], -32768, 32767, e.x) || !ParseInt(w[4], -32768, 32767, e.y)) {
        return fail("bad click position");
      }
    } else if (kind == "close") {
      e.kind = ScriptEvent::Kind::Close;
      if (w.size() != 3) return fail("expected MS close TITLE");
      e.title = w[2];
    } else {
      return fail("unknown event \"" + w[1] + "\"");
    }
    out.push_back(e);
  }
  return true;
}

const char* Usage() {
  return "usage: quillmoor-sim [--dir DIR] [--exe PATH] [--tick N] [--keys FILE] [--until MS]\n"
         "                     [--shot MS:FILE.png]... [--state MS:FILE.json]... "
         "[--set MS:NAME=VALUE]...\n"
         "                     [--log FILE] [--audio FILE.wav] [--display-fail CODE]\n"
         "                     [--bot [--bot-games N] [--bot-careless S] [--bot-keep]\n"
         "                      [--log-memory]]\n"
         "                     [--replay FILE.qmr [--verify]] [--help] [--version]\n"
         "Runs the game headless on a simulated clock.\n"
         "  --dir DIR           change to DIR first (it holds image/ and bgm/); without it\n"
         "                      they are found as the game finds them: ../share/quillmoor\n"
         "                      from the program's folder, the current one, the program's\n"
         "                      own (--exe stands in for the program's path)\n"
         "  --exe PATH          the program's own path (the settings file is PATH.ini)\n"
         "  --tick N            simulated tick count at the start (seeds the random numbers)\n"
         "  --keys FILE         key script: 'MS down KEY', 'MS up KEY', 'MS click TITLE X Y',\n"
         "                      'MS close TITLE' (the window's close box)\n"
         "  --until MS          stop at that simulated time as if killed (status 2)\n"
         "  --shot MS:FILE      PNG of the main window at that time\n"
         "  --state MS:FILE     JSON dump of the game state at that time\n"
         "  --set MS:NAME=VALUE set one game value at that time\n"
         "  --log FILE          event log, one line per event, time first\n"
         "  --audio FILE        WAV of everything played (44.1 kHz, 16-bit stereo)\n"
         "  --display-fail CODE make the full-window switch fail with CODE (1..4)\n"
         "  --bot               the game's bot plays: Enter on every waiting screen, fire,\n"
         "                      dodging; it logs 'bot title', 'bot game N', 'bot boss',\n"
         "                      'bot won', 'bot lost', 'bot over score S' as it sees them\n"
         "  --bot-games N       with --bot: back on the title screen after N games, the\n"
         "                      bot presses Escape\n"
         "  --bot-careless S    with --bot: it stops dodging S seconds into each game (and\n"
         "                      so loses most of them)\n"
         "  --bot-keep          with --bot: each game's recording is also kept, as game-N.qmr\n"
         "                      beside the settings file\n"
         "  --log-memory        with --bot: each bot log line ends with 'rss KB', the\n"
         "                      process's resident memory (the one output that differs\n"
         "                      between runs)\n"
         "  --replay FILE       watch a recorded game (last.qmr, best.qmr) before the title\n"
         "  --verify            with --replay: play it headless as fast as possible and\n"
         "                      check it frame for frame; status 0 when it plays as\n"
         "                      recorded, 1 (with the first frame that differs) when not,\n"
         "                      4 when the game's pictures are not found\n"
         "  --version           the game's version\n"
         "Paths are taken relative to the directory quillmoor-sim starts in.\n"
         "Status: the program's exit code; 2 at --until; 1 for bad arguments;\n"
         "3 when every thread waits for ever; 4 as --verify says.\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, SimOptions& out,
                      std::string& error) {
  out = SimOptions{};
  std::vector<std::string> seen;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string opt = args[i];
    std::string value;
    bool hasValue = false;
    if (opt.rfind("--", 0) == 0) {
      const size_t eq = opt.find('=');
      if (eq != std::string::npos) {
        value = opt.substr(eq + 1);
        opt = opt.substr(0, eq);
        hasValue = true;
      }
    }
    if (opt == "--help" || opt == "-h" || opt == "--version") {
      if (hasValue) {
        error = opt + " takes no value";
        return false;
      }
      (opt == "--version" ? out.version : out.help) = true;
      continue;
    }
    if (opt == "--verify") {
      if (hasValue || out.verify) {
        error = hasValue ? "--verify takes no value" : "--verify given twice";
        return false;
      }
      out.verify = true;
      continue;
    }
    if (opt == "--bot" || opt == "--log-memory" || opt == "--bot-keep") {
      if (hasValue) {
        error = opt + " takes no value";
        return false;
      }
      bool& flag = opt == "--bot" ? out.bot : opt == "--bot-keep" ? out.botKeep : out.logMemory;
      if (flag) {
        error = opt + " given twice";
        return false;
      }
      flag = true;
      continue;
    }
    static const char* kKnown[] = {"--dir",   "--exe",   "--tick",  "--keys",
                                   "--until", "--shot",  "--state", "--set",
                                   "--log",   "--audio", "--display-fail", "--bot-games", "--replay",
                                   "--bot-careless"};
    bool known = false;
    for (const char* k : kKnown) known = known || opt == k;
    if (!known) {
      error = "unknown argument \"" + args[i] + "\"";
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = opt + " needs a value";
        return false;
      }
      value = args[++i];
    }
    const bool repeatable = opt == "--shot" || opt == "--state" || opt == "--set";
    if (!repeatable) {
      for (const auto& s : seen) {
        if (s == opt) {
          error = opt + " given twice";
          return false;
        }
      }
      seen.push_back(opt);
    }
    auto bad = [&](const std::string& what) {
      error = "bad " + opt + " \"" + value + "\": " + what;
      return false;
    };
    if (opt == "--dir") {
      if (value.empty()) return bad("empty");
      out.dir = value;
    } else if (opt == "--exe") {
      if (value.empty()) return bad("empty");
      out.exe = value;
    } else if (opt == "--tick") {
      uint64_t v = 0;
      if (!ParseU64(value, v) || v > UINT32_MAX) return bad("expected 0..4294967295");
      out.tick = static_cast<uint32_t>(v);
    } else if (opt == "--keys") {
      if (value.empty()) return bad("empty");
      out.keys = value;
    } else if (opt == "--until") {
      uint64_t v = 0;
      if (!ParseU64(value, v)) return bad("expected milliseconds");
      out.until = v;
    } else if (opt == "--shot" || opt == "--state") {
      TimedFile f;
      if (!SplitTimed(value, f.ms, f.path)) return bad("expected MS:FILE");
      (opt == "--shot" ? out.shots : out.states).push_back(f);
    } else if (opt == "--set") {
      TimedSet s;
      std::string rest;
      if (!SplitTimed(value, s.ms, rest)) return bad("expected MS:NAME=VALUE");
      const size_t eq = rest.find('=');
      if (eq == std::string::npos || eq == 0) return bad("expected MS:NAME=VALUE");
      s.name = rest.substr(0, eq);
      s.value = rest.substr(eq + 1);
      out.sets.push_back(s);
    } else if (opt == "--log") {
      if (value.empty()) return bad("empty");
      out.log = value;
    } else if (opt == "--audio") {
      if (value.empty()) return bad("empty");
      out.audio = value;
    } else if (opt == "--display-fail") {
      if (!ParseInt(value, 0, 4, out.displayFail)) return bad("expected 1..4");
    } else if (opt == "--replay") {
      if (value.empty()) return bad("empty");
      out.replay = value;
    } else if (opt == "--bot-careless") {
      if (!ParseInt(value, 1, 1000000, out.botCareless)) return bad("expected 1..1000000");
    } else if (opt == "--bot-games") {
      if (!ParseInt(value, 1, 1000000, out.botGames)) return bad("expected 1..1000000");
    }
  }
  if (out.logMemory && !out.bot) {
    error = "--log-memory needs --bot";
    return false;
  }
  if (out.verify && out.replay.empty()) {
    error = "--verify needs --replay";
    return false;
  }
  if ((out.botCareless != 0 || out.botKeep) && !out.bot) {
    error = std::string(out.botKeep ? "--bot-keep" : "--bot-careless") + " needs --bot";
    return false;
  }
  if (out.botGames != 0 && !out.bot) {
    error = "--bot-games needs --bot";
    return false;
  }
  return true;
}

}  // namespace platform::sim
