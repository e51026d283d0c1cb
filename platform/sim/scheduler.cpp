// The simulated clock and threads. A single baton passes between platform
// threads: only its holder runs, and it is handed on only inside blocking
// platform calls (Sleep, GetMessage, StopThread) and when a thread ends. The
// next holder is the lowest-numbered thread that can go on; when none can,
// due timed events fire one at a time, and when none is due the clock jumps
// to the next wake-up or event. Every run with the same inputs therefore
// takes the same path. What carries a thread (an OS thread, or in the page a
// fiber) is the carrier's business; in the page the clock is real time, and
// instead of jumping the scheduler waits for it (or for input).
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/audio/audio.h"
#include "platform/sim/sim_driver.h"
#include "platform/sim/sim_internal.h"

namespace platform::sim::detail {
namespace {

// The calling OS thread's simulation thread, valid only for the generation
// (the span between two Resets) it was taken in.
struct ThreadTag {
  uint64_t generation = 0;
  SimThread* thread = nullptr;
};
thread_local ThreadTag tag;

bool Runnable(const Sim& s, const SimThread& t) {
  switch (t.state) {
    case SimThread::State::Ready:
      return true;
    case SimThread::State::Sleeping:
      return t.stopRequested || t.wakeAt <= s.now;
    case SimThread::State::WaitingMessage:
      return t.stopRequested || HasMessage(s, t);
    case SimThread::State::Joining:  // joinTarget is always one of ours: set from a checked handle
      return s.threads[t.joinTarget - 1]->state == SimThread::State::Ended;
    case SimThread::State::Ended:
      return false;
  }
  return false;
}

// In real time the clock moves by itself: brought up to date at every look.
void CatchUp(Sim& s) {
  if (s.realClock) s.now = std::max(s.now, s.realClock());
}

SimThread* PickRunnable(Sim& s) {
  for (auto& t : s.threads) {
    if (Runnable(s, *t)) return t.get();
  }
  return nullptr;
}

// Fires the earliest event that is due. The baton holder runs it with the
// lock released, so that it may call the platform (post messages, dump state).
bool RunDueEvent(Lock& lk, Sim& s) {
  if (s.events.empty()) return false;
  auto it = s.events.begin();
  if (std::get<0>(it->first) > s.now) return false;
  std::function<void()> fn = std::move(it->second);
  s.events.erase(it);
  lk.unlock();
  fn();
  lk.lock();
  return true;
}

// Pulls audio for the time from the current moment up to `to`.
void RenderAudioUntil(Lock& lk, Sim& s, uint64_t to) {
  const uint64_t target = to * static_cast<uint64_t>(kAudioRate) / 1000;
  if (target <= s.audioFrames) return;
  constexpr int kChunk = 4096;
  static std::vector<int16_t> buffer(static_cast<size_t>(kChunk) * kAudioChannels);
  auto sink = s.audioSink;
  uint64_t done = s.audioFrames;
  lk.unlock();
  while (done < target) {
    const int n = static_cast<int>(std::min<uint64_t>(kChunk, target - done));
    RenderAudio(buffer.data(), n);
    if (sink) sink(buffer.data(), n);
    done += static_cast<uint64_t>(n);
  }
  lk.lock();
  s.audioFrames = done;
}

// Nobody can go on and nothing is due: move the clock to the next moment
// that changes anything, or end the run.
void AdvanceClock(Lock& lk, Sim& s) {
  uint64_t next = UINT64_MAX;
  for (auto& t : s.threads) {
    if (t->state == SimThread::State::Sleeping) next = std::min(next, t->wakeAt);
  }
  if (!s.events.empty()) next = std::min(next, std::get<0>(s.events.begin()->first));
  if (s.until && next > *s.until) {
    if (s.now < *s.until) {
      next = *s.until;
    } else {
      auto onUntil = s.onUntil;
      lk.unlock();
      if (onUntil) onUntil();
      Fatal("the simulation reached its end time with nobody to stop it");
    }
  }
  if (s.wait) {
    // Real time: wait for it, or for input, in the page's own way. Meanwhile
    // the page's event loop runs, which is none of the platform threads.
    const ThreadTag held = tag;
    tag = {};
    s.wait(lk, next);
    tag = held;
    CatchUp(s);
    return;
  }
  if (next == UINT64_MAX) {
    auto onDeadlock = s.onDeadlock;
    const uint64_t stuckAt = s.now;
    lk.unlock();
    if (onDeadlock) onDeadlock();
    Fatal("every simulated thread waits for ever at " + std::to_string(stuckAt) + " ms");
  }
  RenderAudioUntil(lk, s, next);
  s.now = next;
}

// Ends every thread but the caller's, in creation order.
void StopOthers(Lock& lk, Sim& s, SimThread* self) {
  for (size_t i = 0; i < s.threads.size(); ++i) {
    SimThread* t = s.threads[i].get();
    if (t == self || t->state == SimThread::State::Ended || t->adopted) continue;
    t->stopRequested = true;
    self->state = SimThread::State::Joining;
    self->joinTarget = t->id;
    Reschedule(lk, self);
    self->state = SimThread::State::Ready;
  }
}

}  // namespace

Sim& S() {
  // Never destroyed: threads still blocked at process exit keep waiting on it.
  static Sim* sim = new Sim();
  return *sim;
}

[[noreturn]] void Fatal(const std::string& what) {
  std::fprintf(stderr, "quillmoor-sim: %s\n", what.c_str());
  std::fflush(nullptr);
  std::abort();
}

SimThread* CurrentOrNull() {
  Sim& s = S();
  return tag.generation == s.generation ? tag.thread : nullptr;
}

SimThread* Self(Lock& lk) {
  (void)lk;
  Sim& s = S();
  if (tag.generation == s.generation && tag.thread) return tag.thread;
  if (!s.threads.empty()) {
    Fatal("a platform call came from a thread the simulation does not run");
  }
  auto t = std::make_unique<SimThread>();
  t->id = 1;
  t->name = "main";
  t->adopted = true;
  t->carrier = AdoptCarrier();
  tag = {s.generation, t.get()};
  s.running = t.get();
  s.threads.push_back(std::move(t));
  return tag.thread;
}

void RunThreadBody(SimThread* t) {
  Sim& s = S();
  bool run = false;
  {
    Lock lk(s.mu);
    tag = {s.generation, t};
    run = !t->stopRequested;  // stopped before it ever ran: it never starts
  }
  if (run) {
    try {
      t->fn();
    } catch (const ThreadStopped&) {
      // asked to stop: the thread ends here
    }
  }
  t->fn = nullptr;
  Lock lk(s.mu);
  t->state = SimThread::State::Ended;
  t->queue.clear();
  t->quitPending = false;
  Reschedule(lk, t);
}

void EndStopped(Lock& lk, SimThread* self) {
#ifdef QM_NO_THREAD_UNWIND
  self->fn = nullptr;
  self->state = SimThread::State::Ended;
  self->queue.clear();
  self->quitPending = false;
  Reschedule(lk, self);
  Fatal("a stopped thread ran on");
#else
  (void)lk, (void)self;
  throw ThreadStopped{};
#endif
}

void Reschedule(Lock& lk, SimThread* self) {
  Sim& s = S();
  for (;;) {
    CatchUp(s);
    if (SimThread* next = PickRunnable(s)) {
      if (next == self) return;
      s.running = next;
      PassBaton(lk, self, next);
      tag = {s.generation, self};  // fibers share one OS thread and its thread_local
      return;
    }
    if (RunDueEvent(lk, s)) continue;
    AdvanceClock(lk, s);
  }
}

EventKey ScheduleEvent(Lock& lk, uint64_t at, int rank, std::function<void()> fn) {
  (void)lk;
  Sim& s = S();
  EventKey key{std::max(at, s.now), rank, s.eventSeq++};
  s.events.emplace(key, std::move(fn));
  return key;
}

void CancelEvent(Lock& lk, const EventKey& key) {
  (void)lk;
  S().events.erase(key);
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  out += '"';
  return out;
}

void AppendLog(Lock& lk, const std::string& text) {
  (void)lk;
  Sim& s = S();
  std::string line = std::to_string(s.now) + ' ';
  for (char c : text) {
    if (c == '\r') {
      line += "\\r";
    } else if (c == '\n') {
      line += "\\n";
    } else {
      line += c;
    }
  }
  s.log.push_back(line);
  if (s.logSink) s.logSink(line);
}

// ---------------------------------------------------------------- driver hooks

void SetUntil(std::optional<uint64_t> until, std::function<void()> onUntil) {
  Sim& s = S();
  Lock lk(s.mu);
  s.until = until;
  s.onUntil = std::move(onUntil);
}

void SetDeadlockHandler(std::function<void()> fn) {
  Sim& s = S();
  Lock lk(s.mu);
  s.onDeadlock = std::move(fn);
}

void SetAudioSink(std::function<void(const int16_t*, int)> sink) {
  Sim& s = S();
  Lock lk(s.mu);
  s.audioSink = std::move(sink);
}

void SetLogSink(std::function<void(const std::string&)> sink) {
  Sim& s = S();
  Lock lk(s.mu);
  s.logSink = std::move(sink);
}

void StopAllOtherThreads() {
  Sim& s = S();
  Lock lk(s.mu);
  SimThread* self = Self(lk);
  StopOthers(lk, s, self);
  for (auto& t : s.threads) {
    if (t.get() != self && !t->adopted) JoinCarrier(lk, t.get());
  }
}


}  // namespace platform::sim::detail

// ---------------------------------------------------------------- platform calls

namespace platform {
using namespace platform::sim::detail;

uint32_t GetTickCount() {
  Sim& s = S();
  Lock lk(s.mu);
  CatchUp(s);
  return s.tickBase + static_cast<uint32_t>(s.now);
}

void Sleep(int ms) {
  Sim& s = S();
  Lock lk(s.mu);
  SimThread* self = Self(lk);
  if (self->stopRequested) EndStopped(lk, self);
  CatchUp(s);
  self->state = SimThread::State::Sleeping;
  self->wakeAt = s.now + static_cast<uint64_t>(std::max(ms, 1));
  Reschedule(lk, self);
  self->state = SimThread::State::Ready;
  if (self->stopRequested) EndStopped(lk, self);
}

ThreadHandle StartThread(std::function<void()> fn, const char* name) {
  if (!fn) return 0;
  Sim& s = S();
  Lock lk(s.mu);
  if (!s.realClock) Self(lk);  // in real time the page's event loop starts them, itself none
  auto t = std::make_unique<SimThread>();
  t->id = static_cast<ThreadHandle>(s.threads.size() + 1);
  t->name = name ? name : "";
  t->fn = std::move(fn);
  SimThread* raw = t.get();
  if (!StartCarrier(raw)) return 0;
  s.threads.push_back(std::move(t));
  return raw->id;
}

void StopThread(ThreadHandle thread) {
  if (thread == 0) return;
  Sim& s = S();
  Lock lk(s.mu);
  SimThread* self = Self(lk);
  if (thread > s.threads.size()) return;
  SimThread* t = s.threads[thread - 1].get();
  if (t->state == SimThread::State::Ended) return;
  t->stopRequested = true;
  if (t == self) return;  // its own next blocking call ends it
  // Waiting for the thread to end is not itself cut short by a stop request,
  // so that a thread being stopped can still stop the threads it owns.
  self->state = SimThread::State::Joining;
  self->joinTarget = thread;
  Reschedule(lk, self);
  self->state = SimThread::State::Ready;
  JoinCarrier(lk, t);
}

bool StopRequested() {
  Sim& s = S();
  Lock lk(s.mu);
  SimThread* self = CurrentOrNull();
  return self && self->stopRequested;
}

}  // namespace platform

// ---------------------------------------------------------------- control

namespace platform::sim {
using namespace platform::sim::detail;

void Reset() {
  Sim& s = S();
  Lock lk(s.mu);
  // Nothing scripted may fire while the old threads wind down.
  s.events.clear();
  s.repeatEvent.reset();
  s.until.reset();
  s.onUntil = nullptr;
  s.onDeadlock = nullptr;
  if (!s.threads.empty()) {
    SimThread* self = CurrentOrNull();
    if (!self) Fatal("Reset called from a thread the simulation does not run");
    StopOthers(lk, s, self);
    for (auto& t : s.threads) {
      if (t.get() != self && !t->adopted) JoinCarrier(lk, t.get());
    }
    s.threads.clear();
  }
  s.generation++;
  s.now = 0;
  s.tickBase = 0;
  s.running = nullptr;
  s.events.clear();
  s.eventSeq = 0;
  s.until.reset();
  s.onUntil = nullptr;
  s.onDeadlock = nullptr;
  s.audioSink = nullptr;
  s.audioFrames = 0;
  s.logSink = nullptr;
  s.realClock = nullptr;
  s.wait = nullptr;
  ClearWindows(lk);
  Self(lk);  // the caller is the new main thread
}

uint64_t Now() {
  Sim& s = S();
  Lock lk(s.mu);
  return s.now;
}

void SetTickBase(uint32_t base) {
  Sim& s = S();
  Lock lk(s.mu);
  s.tickBase = base;
}

void ScheduleAt(uint64_t ms, std::function<void()> fn) {
  Sim& s = S();
  Lock lk(s.mu);
  ScheduleEvent(lk, ms, kRankInput, std::move(fn));
}

}  // namespace platform::sim
