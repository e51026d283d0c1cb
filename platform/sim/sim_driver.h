// quillmoor-sim's command line and key script, and the run that drives the
// program through the sim backend. main.cpp only hands over argv.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::sim {

// One line of a key script.
struct ScriptEvent {
  enum class Kind { Down, Up, Click, Close };
  uint64_t ms = 0;
  Kind kind = Kind::Down;
  int vk = 0;         // Down, Up
  std::string title;  // Click, Close
  int x = 0, y = 0;   // Click
  int line = 0;       // where it came from, for messages
};

// Parses a key script: `MS down KEY`, `MS up KEY`, `MS click TITLE X Y`,
// `MS close TITLE` (the window's close box), one a line; `#` outside quotes starts a comment; blank lines are skipped.
// False with "line N: what" in error at the first bad line.
bool ParseKeyScript(const std::string& text, std::vector<ScriptEvent>& out, std::string& error);
// Enter, Shift, Ctrl, Escape, Space, Left, Up, Right, Down, P, S, F2, F4 (any
// case) or a decimal virtual-key code 1..254; 0 when it is none of them.
int ParseKeyName(const std::string& name);

struct TimedFile {
  uint64_t ms = 0;
  std::string path;
};
struct TimedSet {
  uint64_t ms = 0;
  std::string name, value;
};

struct SimOptions {
  bool help = false, version = false;
  std::string dir;
  std::string exe;
  uint32_t tick = 0;
  std::string keys;
  std::optional<uint64_t> until;
  std::vector<TimedFile> shots;
  std::vector<TimedFile> states;
  std::vector<TimedSet> sets;
  std::string log;
  std::string audio;
  int displayFail = 0;
  bool bot = false;        // the game's bot holds the keys (headless/bot.h)
  bool logMemory = false;  // with --bot: resident memory on each bot log line
  int botGames = 0;        // with --bot: Escape on the title after this many games
  int botCareless = 0;     // with --bot: seconds into each game when it stops dodging
  bool botKeep = false;    // with --bot: each game's recording kept as game-N.qmr
  std::string replay;      // a recorded game to watch (or, with verify, to check)
  bool verify = false;
};

// Parses the arguments (without the program name). False with a one-line
// reason for anything unknown, missing, malformed or given twice.
bool ParseCommandLine(const std::vector<std::string>& args, SimOptions& out, std::string& error);
const char* Usage();

// Posts WM_CLOSE to the enabled window with this title that was shown last,
// as its close box would; false when there is no such window or it has no
// close box.
bool CloseWindowTitled(const std::string& title);
// The process's resident memory in kB (VmRSS), or -1 where it cannot be read.
long ResidentKb();

// Runs the program under the options. Returns the exit status: the
// program's own code, 1 for bad arguments or an unreadable key script, 0
// after --help; --until ends the process itself with status 2.
// replay, when --replay is given, runs after the simulation is set up and
// before the program: it gets the file and --verify, and returns the exit
// status, or -1 to go on and run the program.
int SimMain(int argc, char** argv, const std::function<int()>& program,
            const std::function<int(const std::string&, bool)>& replay = nullptr);

// ---- what the driver sets in the scheduler (also used by the backend tests)
namespace detail {
void SetUntil(std::optional<uint64_t> until, std::function<void()> onUntil);
void SetDeadlockHandler(std::function<void()> fn);
void SetAudioSink(std::function<void(const int16_t*, int)> sink);
void SetLogSink(std::function<void(const std::string&)> sink);
// Stops every platform thread but the caller's, in creation order, and joins them.
void StopAllOtherThreads();
}  // namespace detail

}  // namespace platform::sim
