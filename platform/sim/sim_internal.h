// What the sim backend's files share among themselves: the one simulation
// record, the scheduler that hands a single baton from thread to thread, and
// the timed-event queue. Nothing outside platform/sim includes this.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"

namespace platform::sim::detail {

using Lock = std::unique_lock<std::mutex>;

// What carries a simulated thread: on the desktop an OS thread that waits
// for the baton on a condition variable (carrier_thread.cpp); in the page a
// fiber (platform/web). Only the carrier's own file looks inside.
struct Carrier;
void DeleteCarrier(Carrier* c);
struct CarrierDeleter {
  void operator()(Carrier* c) const { DeleteCarrier(c); }
};

struct SimThread {
  enum class State { Ready, Sleeping, WaitingMessage, Joining, Ended };
  ThreadHandle id = 0;
  std::string name;
  std::unique_ptr<Carrier, CarrierDeleter> carrier;
  State state = State::Ready;
  uint64_t wakeAt = 0;
  ThreadHandle joinTarget = 0;
  bool stopRequested = false;
  bool adopted = false;  // an outside thread (main, or a test's) taken in, not started by us
  std::deque<Message> queue;
  bool quitPending = false;
  int quitCode = 0;
  std::function<void()> fn;
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
  // Real time (the page): when set, it gives the clock, and `wait` is called
  // instead of moving the clock on when nobody can go on. It returns once
  // real time has reached `until` (UINT64_MAX: nothing is due) or input has
  // come; it is called with the lock held and may release it meanwhile.
  std::function<uint64_t()> realClock;
  std::function<void(Lock&, uint64_t until)> wait;

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
  int desktopW = 1280, desktopH = 1024;
  bool showBoxes = false;        // message boxes as windows (the page)
  std::function<void(bool)> displayHook;
  uint64_t desktopVersion = 0;   // moves on with every change a picture of the desktop shows
  Window mouseDownOn = 0;        // the window the left button went down on
  bool mouseDownOnClose = false;  // ... on its close box

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

// ---- carriers (carrier_thread.cpp on the desktop, a fiber carrier in the page)
// A carrier for the calling thread itself (the adopted main thread).
std::unique_ptr<Carrier, CarrierDeleter> AdoptCarrier();
// Starts t's carrier, which calls RunThreadBody(t) once t first holds the
// baton. False when it cannot be started.
bool StartCarrier(SimThread* t);
// Hands the baton from self to next (s.running is next already) and returns
// once self holds it again; at once when self has ended.
void PassBaton(Lock& lk, SimThread* self, SimThread* next);
// Waits until the carrier of t, which has ended, has finished; the lock is
// released meanwhile.
void JoinCarrier(Lock& lk, SimThread* t);
// The body of every started thread, called by its carrier without the lock
// while the thread holds the baton: runs its function (unless it was stopped
// before it ever ran), then ends it and hands the baton on.
void RunThreadBody(SimThread* t);

// Ends the calling thread, which has been asked to stop: it throws
// ThreadStopped, so that its stack unwinds to where it began. The page,
// built without exceptions (QM_NO_THREAD_UNWIND), ends it where it stands:
// it hands the baton on and is never resumed.
[[noreturn]] void EndStopped(Lock& lk, SimThread* self);

// Queues fn at simulated time `at`; returns its key (for cancelling).
EventKey ScheduleEvent(Lock& lk, uint64_t at, int rank, std::function<void()> fn);
void CancelEvent(Lock& lk, const EventKey& key);

// Appends one log line: the simulated time, a blank, the text.
void AppendLog(Lock& lk, const std::string& text);
// A text in double quotes with \\, \", CR and LF escaped.
std::string Quote(const std::string& s);

// The part of Reset that belongs to windows, keys and records.
void ClearWindows(Lock& lk);
// The window a click on this title reaches: of the enabled ones, the visible
// one shown last, else the one made last; nullptr when there is none.
const SimWindow* WindowTitled(const Sim& s, const std::string& title);
// True when the thread has a message (posted, quit or paint) waiting.
bool HasMessage(const Sim& s, const SimThread& t);

// Fatal misuse of the backend: one line on stderr, then abort.
[[noreturn]] void Fatal(const std::string& what);

}  // namespace platform::sim::detail
