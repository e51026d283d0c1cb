// What the sim backend's files share among themselves: the one simulation
// record, the scheduler that hands a single baton from thread to thread, and
// the timed-event queue. Nothing outside platform/sim includes this.
#pragma once
#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"

namespace platform::sim::detail {

using Lock = std::unique_lock<std::mutex>;

struct SimThread {
  enum class State { Ready, Sleeping, WaitingMessage, Joining, Ended };
  ThreadHandle id = 0;
  std::string name;
  std::condition_variable cv;
  State state = State::Ready;
  uint64_t wakeAt = 0;
  ThreadHandle joinTarget = 0;
  bool stopRequested = false;
  bool adopted = false;  // an outside thread (main, or a test's) taken in, not started by us
  std::deque<Message> queue;
  bool quitPending = false;
  int quitCode = 0;
  std::function<void()> fn;
  std::thread os;
};

struct SimWindow {
  Window id = 0;
  std::string className;
  WindowProc proc = nullptr;
  std::string title;
  uint32_t style = 0;
  int x = 0, y = 0, w = 0, h = 0;  // outer rectangle
  Window owner = 0;
  ThreadHandle thread = 0;
  bool visible = false, enabled = true, topmost = false, invalid = false;
  bool painting = false;
  bool destroying = false;
  uint64_t shownSeq = 0;  // when it was last shown: the activation order
  Surface screen;         // what is on screen in its client area
};

// Orders timed events: time, then kind, then the order they were queued in.
using EventKey = std::tuple<uint64_t, int, uint64_t>;
enum EventRank { kRankSet = 0, kRankInput = 1, kRankShot = 2, kRankState = 3 };

struct Sim {
  std::mutex mu;
  uint64_t generation = 1;
  uint64_t now = 0;
  uint32_t tickBase = 0;

  // threads, index = id - 1, kept after they end so that handles stay valid
  std::vector<std::unique_ptr<SimThread>> threads;
  SimThread* running = nullptr;

  // timed events, run with the lock released while the baton is held
  std::map<EventKey, std::function<void()>> events;
  uint64_t eventSeq = 0;
  std::optional<uint64_t> until;
  std::function<void()> onUntil;
  std::function<void()> onDeadlock;

  // audio, pulled for exactly the simulated time that passes
  std::function<void(const int16_t*, int)> audioSink;
  uint64_t audioFrames = 0;

  // keyboard
  std::array<bool, 256> held{};
  int repeatKey = 0;
  std::optional<EventKey> repeatEvent;

  // windows
  std::map<std::string, WindowProc> classes;
  std::map<Window, SimWindow> windows;
  Window nextWindow = kFirstWindow;
  Window mainWindow = 0;
  Window active = 0;
  uint64_t showSeq = 0;
  Surface mainFrame;
  bool mainPainted = false;

  // records
  std::vector<MessageBoxRecord> boxes;
  std::vector<std::string> log;
  std::function<void(const std::string&)> logSink;
  int displayFail = 0;
  int displayCount = 0;
  std::string exePath;
  StateHooks hooks;

  static constexpr Window kFirstWindow = 0x10001;
};

Sim& S();

// The calling thread's simulation thread, adopting the caller as the main
// thread when the simulation has none yet. Aborts for a thread the
// simulation does not run.
SimThread* Self(Lock& lk);
// The calling thread's simulation thread or nullptr; never adopts.
SimThread* CurrentOrNull();

// Called by a thread that cannot go on (it has set its state): runs the
// others, advances the clock and fires due events until it may run again.
// Returns at once for a thread that has ended, after handing the baton on.
void Reschedule(Lock& lk, SimThread* self);

// Queues fn at simulated time `at`; returns its key (for cancelling).
EventKey ScheduleEvent(Lock& lk, uint64_t at, int rank, std::function<void()> fn);
void CancelEvent(Lock& lk, const EventKey& key);

// Appends one log line: the simulated time, a blank, the text.
void AppendLog(Lock& lk, const std::string& text);
// A text in double quotes with \\, \", CR and LF escaped.
std::string Quote(const std::string& s);

// The part of Reset that belongs to windows, keys and records.
void ClearWindows(Lock& lk);
// True when the thread has a message (posted, quit or paint) waiting.
bool HasMessage(const Sim& s, const SimThread& t);

// Fatal misuse of the backend: one line on stderr, then abort.
[[noreturn]] void Fatal(const std::string& what);

}  // namespace platform::sim::detail
