// The quillmoor-sim run: reads the command line and key script, queues the
// scripted input, captures, dumps and sets as timed events, runs the program
// on the calling thread (the simulation's main thread) and writes the log and
// the audio capture. Every output depends only on the arguments and files, so
// two runs with the same ones write the same bytes.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "platform/audio/audio.h"
#include "platform/data_folder.h"
#include "platform/gfx/png.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"
#include "platform/sim/sim_internal.h"
#include "quillmoor_version.h"

namespace platform::sim {
namespace {

// A WAV file written as the audio is pulled; the sizes in its header are
// filled in when it is closed.
class WavWriter {
 public:
  bool Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    WriteHeader();
    return true;
  }
  void Write(const int16_t* samples, int frames) {
    if (!file_) return;
    const size_t n = static_cast<size_t>(frames) * kAudioChannels;
    bytes_.resize(n * 2);
    for (size_t i = 0; i < n; ++i) {
      const auto v = static_cast<uint16_t>(samples[i]);
      bytes_[2 * i] = static_cast<unsigned char>(v & 0xFF);
      bytes_[2 * i + 1] = static_cast<unsigned char>(v >> 8);
    }
    std::fwrite(bytes_.data(), 1, bytes_.size(), file_);
    dataBytes_ += bytes_.size();
  }
  void Close() {
    if (!file_) return;
    WriteHeader();
    std::fclose(file_);
    file_ = nullptr;
  }

 private:
  void Put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
  }
  void Put16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
  }
  void WriteHeader() {
    const uint32_t data = dataBytes_ > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36
                                                          : static_cast<uint32_t>(dataBytes_);
    unsigned char h[44];
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36 + data);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);  // PCM
    Put16(h + 22, kAudioChannels);
    Put32(h + 24, kAudioRate);
    Put32(h + 28, kAudioRate * kAudioChannels * 2);
    Put16(h + 32, kAudioChannels * 2);
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, data);
    std::fseek(file_, 0, SEEK_SET);
    std::fwrite(h, 1, sizeof h, file_);
    std::fseek(file_, 0, SEEK_END);
  }

  std::FILE* file_ = nullptr;
  uint64_t dataBytes_ = 0;
  std::vector<unsigned char> bytes_;
};

struct Run {
  Run() = default;
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;
  // A run that ended early (a bad output path) still closes what it opened.
  ~Run() {
    if (log) std::fclose(log);
    wav.Close();
  }
  std::FILE* log = nullptr;
  WavWriter wav;
  // Scripted things not done yet, described as on the command line.
  std::map<uint64_t, std::string> pending;
  uint64_t nextId = 0;
};
// Owned here rather than by SimMain's frame: events the program's end
// overtook may still sit in the scheduler until the next Reset, and they
// reach the run through this. A second run in the same process (the tests
// run several) replaces it.
std::unique_ptr<Run> run;

void Warn(const std::string& what) { std::fprintf(stderr, "quillmoor-sim: %s\n", what.c_str()); }

// Closes every output. Called once, at whichever end the run reaches.
void Finish(int code) {
  LogEvent("exit " + std::to_string(code));
  detail::SetLogSink(nullptr);
  detail::SetAudioSink(nullptr);
  SetAudioVoiced(true);
  if (run->log) {
    std::fclose(run->log);
    run->log = nullptr;
  }
  run->wav.Close();
  std::fflush(nullptr);
}

std::string WithMs(const std::string& json, uint64_t ms) {
  const std::string field = "\"ms\":" + std::to_string(ms);
  const size_t open = json.find('{');
  std::string out;
  if (open == std::string::npos) {
    out = "{" + field + "}";
  } else {
    const size_t next = json.find_first_not_of(" \t\r\n", open + 1);
    const bool empty = next != std::string::npos && json[next] == '}';
    out = json.substr(0, open + 1) + field + (empty ? "" : ",") + json.substr(open + 1);
  }
  if (out.empty() || out.back() != '\n') out += '\n';
  return out;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
  f.flush();
  return static_cast<bool>(f);
}

// Queues fn as a scripted event. A capture or set that the program's end
// overtakes is reported; key events after the end are not worth a word.
void Queue(uint64_t ms, int rank, const std::string& what, std::function<void()> fn) {
  const uint64_t id = run->nextId++;
  if (!what.empty()) run->pending[id] = what;
  detail::Sim& s = detail::S();
  detail::Lock lk(s.mu);
  detail::ScheduleEvent(lk, ms, rank, [id, fn = std::move(fn)] {
    if (run) run->pending.erase(id);
    fn();
  });
}

void QueueScript(const std::vector<ScriptEvent>& script) {
  for (const ScriptEvent& e : script) {
    switch (e.kind) {
      case ScriptEvent::Kind::Down:
        Queue(e.ms, detail::kRankInput, "", [vk = e.vk] { PressKey(vk); });
        break;
      case ScriptEvent::Kind::Up:
        Queue(e.ms, detail::kRankInput, "", [vk = e.vk] { ReleaseKey(vk); });
        break;
      case ScriptEvent::Kind::Click:
        Queue(e.ms, detail::kRankInput, "", [e] {
          if (!Click(e.title, e.x, e.y)) {
            Warn("no enabled window \"" + e.title + "\" to click at " + std::to_string(e.ms) +
                 " ms");
          }
        });
        break;
      case ScriptEvent::Kind::Close:
        Queue(e.ms, detail::kRankInput, "", [e] {
          if (!CloseWindowTitled(e.title)) {
            Warn("no enabled window \"" + e.title + "\" with a close box at " +
                 std::to_string(e.ms) + " ms");
          }
        });
        break;
    }
  }
}

void QueueCaptures(const SimOptions& o) {
  for (const TimedSet& set : o.sets) {
    Queue(set.ms, detail::kRankSet, "--set " + std::to_string(set.ms) + ":" + set.name, [set] {
      StateHooks hooks = Hooks();
      const bool ok = hooks.set && hooks.set(set.name, set.value);
      LogEvent("set " + set.name + "=" + set.value + (ok ? "" : " rejected"));
      if (!ok) Warn("--set " + set.name + "=" + set.value + " was not taken");
    });
  }
  for (const TimedFile& shot : o.shots) {
    Queue(shot.ms, detail::kRankShot, "--shot " + std::to_string(shot.ms) + ":" + shot.path,
          [shot] {
            Surface frame;
            if (!RenderMainWindow(frame)) {
              Warn("nothing painted yet for --shot at " + std::to_string(shot.ms) + " ms");
              return;
            }
            if (!WritePng(frame, shot.path)) Warn("cannot write " + shot.path);
          });
  }
  for (const TimedFile& state : o.states) {
    Queue(state.ms, detail::kRankState,
          "--state " + std::to_string(state.ms) + ":" + state.path, [state] {
            StateHooks hooks = Hooks();
            std::string json = "{}";
            if (hooks.dumpJson) {
              json = hooks.dumpJson();
            } else {
              Warn("no state hook registered for --state at " + std::to_string(state.ms) +
                   " ms");
            }
            if (!WriteText(state.path, WithMs(json, state.ms))) Warn("cannot write " + state.path);
          });
  }
}

// The bot: asked once per simulated millisecond, at a moment when every
// thread is blocked, so it always sees whole frames. It stops with the main
// window, letting go of whatever it held.
struct BotRun {
  std::function<std::vector<int>(uint64_t, std::string&)> decide;
  std::vector<int> held;
  bool logMemory = false;
  int gamesWanted = 0;  // 0: plays on for ever
  int careless = 0;
  bool keep = false;
  int games = 0;
  bool leaving = false;
};
std::unique_ptr<BotRun> bot;

void BotTick() {
  if (!bot) return;  // left over from a run that has ended
  const Window main = MainWindow();
  if (main == 0 || !IsWindow(main)) {
    for (int vk : bot->held) ReleaseKey(vk);
    bot->held.clear();
    return;
  }
  if (!bot->decide) {
    bot->decide = Hooks().bot;
    if (!bot->decide) {
      Warn("the program registered no bot: --bot does nothing");
      return;
    }
    if (auto option = Hooks().botOption) {
      option("careless", bot->careless);
      option("keep", bot->keep ? 1 : 0);
    }
  }
  std::string note;
  std::vector<int> keys = bot->decide(Now(), note);
  auto has = [](const std::vector<int>& v, int vk) {
    return std::find(v.begin(), v.end(), vk) != v.end();
  };
  for (int vk : bot->held) {
    if (!has(keys, vk)) ReleaseKey(vk);
  }
  for (int vk : keys) {
    if (!has(bot->held, vk)) PressKey(vk);
  }
  bot->held = std::move(keys);
  size_t start = 0;
  while (start < note.size()) {
    size_t end = note.find('\n', start);
    if (end == std::string::npos) end = note.size();
    const std::string what = note.substr(start, end - start);
    std::string line = "bot " + what;
    if (bot->logMemory) line += " rss " + std::to_string(ResidentKb());
    LogEvent(line);
    start = end + 1;
    if (what.rfind("game ", 0) == 0) bot->games += 1;
    if (what == "title" && bot->gamesWanted > 0 && bot->games >= bot->gamesWanted &&
        !bot->leaving) {
      // Enough games: leave as a player would, from the title screen.
      bot->leaving = true;
      LogEvent("bot leaves after " + std::to_string(bot->games) + " games");
      PressKey(VK_ESCAPE);
    }
  }
  Queue(Now() + 1, detail::kRankInput, "", BotTick);
}

std::string Absolute(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

}  // namespace

bool CloseWindowTitled(const std::string& title) {
  Window target = 0;
  {
    detail::Sim& s = detail::S();
    detail::Lock lk(s.mu);
    const detail::SimWindow* pick = detail::WindowTitled(s, title);  // the one a click would reach
    if (!pick || !(pick->style & WS_SYSMENU)) return false;
    target = pick->id;
  }
  PostMessage(target, WM_CLOSE, 0, 0);
  return true;
}

long ResidentKb() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

int SimMain(int argc, char** argv, const std::function<int()>& program,
            const std::function<int(const std::string&, bool)>& replay) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  SimOptions o;
  std::string error;
  if (!ParseCommandLine(args, o, error)) {
    Warn(error + " (see --help)");
    return 1;
  }
  if (o.help || o.version) {
    std::fputs(o.help ? Usage() : "Quillmoor " QM_VERSION "\n", stdout);
    return 0;
  }

  // Every path is read relative to where we were started, before --dir.
  o.exe = Absolute(o.exe);
  o.keys = Absolute(o.keys);
  o.log = Absolute(o.log);
  o.audio = Absolute(o.audio);
  o.replay = Absolute(o.replay);
  for (auto& f : o.shots) f.path = Absolute(f.path);
  for (auto& f : o.states) f.path = Absolute(f.path);

  std::vector<ScriptEvent> script;
  if (!o.keys.empty()) {
    std::ifstream f(o.keys, std::ios::binary);
    std::stringstream text;
    if (f) text << f.rdbuf();
    if (!f || f.bad()) {
      Warn("cannot read the key script " + o.keys);
      return 1;
    }
    if (!ParseKeyScript(text.str(), script, error)) {
      Warn(o.keys + ": " + error);
      return 1;
    }
  }
  if (!o.dir.empty() && ::chdir(o.dir.c_str()) != 0) {
    Warn("cannot change to the directory " + o.dir);
    return 1;
  }

  bot.reset();
  run = std::make_unique<Run>();
  if (!o.log.empty()) {
    run->log = std::fopen(o.log.c_str(), "wb");
    if (!run->log) {
      Warn("cannot write the log " + o.log);
      run.reset();
      return 1;
    }
    std::setvbuf(run->log, nullptr, _IOLBF, 0);
  }
  if (!o.audio.empty() && !run->wav.Open(o.audio)) {
    Warn("cannot write the audio capture " + o.audio);
    run.reset();
    return 1;
  }

  Reset();
  SetTickBase(o.tick);
  SetExecutablePath(o.exe);
  // Without --dir the data is found as the game finds it, from the program's
  // own path (--exe stands in for it).
  if (o.dir.empty()) {
    const std::string data = FindDataFolder(ExecutablePath());
    if (!data.empty() && data != "." && ::chdir(data.c_str()) != 0) Warn("cannot change to " + data);
  }
  SetDisplayFailure(o.displayFail);
  detail::SetLogSink([](const std::string& line) {
    if (run->log) {
      std::fputs(line.c_str(), run->log);
      std::fputc('\n', run->log);
    }
  });
  if (!o.audio.empty()) {
    detail::SetAudioSink([](const int16_t* samples, int frames) { run->wav.Write(samples, frames); });
  }
  // Music nobody listens to is not synthesised; its timing is kept exactly.
  SetAudioVoiced(!o.audio.empty());
  detail::SetUntil(o.until, [] {
    // As if killed: nothing more runs, nothing is saved.
    Finish(2);
    std::_Exit(2);
  });
  detail::SetDeadlockHandler([] {
    Warn("every simulated thread waits for ever at " + std::to_string(Now()) + " ms");
    Finish(3);
    std::_Exit(3);
  });
  QueueScript(script);
  QueueCaptures(o);
  if (o.bot) {
    bot = std::make_unique<BotRun>();
    bot->logMemory = o.logMemory;
    bot->gamesWanted = o.botGames;
    bot->careless = o.botCareless;
    bot->keep = o.botKeep;
    Queue(0, detail::kRankInput, "", BotTick);
  }

  if (!o.replay.empty()) {
    const int status = replay ? replay(o.replay, o.verify) : 1;
    if (status >= 0) {
      detail::StopAllOtherThreads();
      Finish(status);
      return status;
    }
  }
  const int code = program();
  // The program ended by itself: its remaining threads end before it does.
  detail::StopAllOtherThreads();
  for (const auto& [id, what] : run->pending) {
    Warn("the program ended at " + std::to_string(Now()) + " ms, before " + what);
  }
  Finish(code);
  return code;
}

}  // namespace platform::sim
