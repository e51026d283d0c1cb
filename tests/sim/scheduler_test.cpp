// The simulated clock and the one-at-a-time threads: who runs when, how long
// sleeps last, and how stopping a thread unwinds it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"

using namespace platform;

namespace {

class Scheduler : public ::testing::Test {
 public:
  void SetUp() override { sim::Reset(); }
  std::string trace;
  void Mark(const std::string& who) { trace += (trace.empty() ? "" : " ") + who + "@" + std::to_string(sim::Now()); }
};

// Three threads with different periods: at a shared moment they run in the
// order they were created, and the result is the same every time.
std::string RunPeriodic() {
  sim::Reset();
  std::string out;
  auto worker = [&out](const char* name, int period) {
    return [&out, name, period] {
      for (;;) out += std::string(name) + std::to_string(GetTickCount()) + " ", Sleep(period);
    };
  };
  ThreadHandle c = StartThread(worker("c", 6), "c"), a = StartThread(worker("a", 4), "a"), b = StartThread(worker("b", 3), "b");
  Sleep(12);
  for (ThreadHandle t : {a, b, c}) StopThread(t);
  return out;
}

}  // namespace

TEST_F(Scheduler, ThreadsWakingTogetherRunInCreationOrderAndRunsRepeatExactly) {
  const std::string first = RunPeriodic();
  // At 0 all three are due; at 6 c and b, at 4 and 8 a, at 3 and 9 b. At 12
  // main (the first thread) wakes and asks a to stop; c, due then as well and
  // created before a, runs first, while a and b end inside their sleeps.
  EXPECT_EQ(first, "c0 a0 b0 b3 a4 c6 b6 a8 b9 c12 ");
  for (int i = 0; i < 5; ++i) EXPECT_EQ(RunPeriodic(), first);
}

TEST_F(Scheduler, NewThreadsRunOnceTheirCreatorBlocksAndTheClockJumpsToTheNextWakeUp) {
  StartThread([&] { Mark("child"); }, "child");
  StartThread([&] { Sleep(1000), Mark("long"); }, "long");
  StartThread([&] { Sleep(30), Mark("short"); }, "short");
  Mark("parent");
  int busy = 0;
  for (int i = 0; i < 1000; ++i) busy += GetTickCount() == 0 ? 1 : 0;  // no switch here
  EXPECT_EQ(busy, 1000);
  Mark("parent");
  Sleep(5000);
  Mark("parent");
  EXPECT_EQ(trace, "parent@0 parent@0 child@0 short@30 long@1000 parent@5000");
}

TEST_F(Scheduler, SleepsAdvanceTheClockExactlyAndZeroOrLessLastsOneMillisecond) {
  const std::pair<int, uint64_t> sleeps[] = {{250, 250}, {0, 251}, {-5, 252}, {1, 253}};
  for (auto [ms, now] : sleeps) {
    Sleep(ms);
    EXPECT_EQ(sim::Now(), now) << "after Sleep(" << ms << ")";
  }
  for (int i = 0; i < 1000; ++i) Sleep(0);  // a "no wait" loop of 1000 takes a simulated second
  EXPECT_EQ(sim::Now(), 1253u);
  // The tick count starts at its base and wraps at 32 bits.
  sim::Reset();
  sim::SetTickBase(0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  Sleep(0x20);
  EXPECT_EQ(GetTickCount(), 0x10u);
  EXPECT_EQ(sim::Now(), 0x20u);
}

TEST_F(Scheduler, StopThreadUnwindsSleepingWaitingSelfStoppedAndEndedThreads) {
  struct Guard {
    Scheduler* s;
    ~Guard() { s->Mark("unwound"); }
  };
  bool sawStop = false, idleRan = false;
  ThreadHandle sleeper = StartThread([&] {
    Guard g{this};
    Sleep(1'000'000);
    Mark("never");
  }, "sleeper");
  ThreadHandle probe = StartThread([&] {
    try {
      Sleep(1'000'000);
    } catch (const ThreadStopped&) {
      sawStop = StopRequested();
      throw;
    }
  }, "probe");
  ThreadHandle pump = StartThread([&] {
    try {
      Message m;
      GetMessage(m);
    } catch (const ThreadStopped&) {
      Mark("caught");
      // Waiting for a thread of its own still works while being stopped.
      StartThread([&] {
        try {
          Sleep(100000);
        } catch (const ThreadStopped&) {
          Mark("inner");
          throw;
        }
      }, "inner");
      Sleep(0);  // the stop request cuts this short
    }
  }, "pump");
  ThreadHandle self = 0;
  self = StartThread([&] {
    StopThread(self);
    Mark("self-still-running");
    EXPECT_TRUE(StopRequested());
    Sleep(10);
    Mark("never");
  }, "self");
  ThreadHandle ended = StartThread([&] { Sleep(2), Mark("ended"); }, "short");
  Sleep(5);
  EXPECT_FALSE(StopRequested());
  StopThread(sleeper);
  Mark("stopped");
  StopThread(probe);
  EXPECT_TRUE(sawStop);
  StopThread(pump);
  Mark("main");
  // Stopping again, stopping 0, an unknown handle or an ended thread are harmless.
  for (ThreadHandle t : {sleeper, ThreadHandle(0), ThreadHandle(9999), ended}) StopThread(t);
  // A stopped thread that was never scheduled never runs.
  StopThread(StartThread([&] { idleRan = true; }, "idle"));
  EXPECT_FALSE(idleRan);
  // Nobody's clock moved on to the sleepers' wake-ups.
  EXPECT_EQ(trace, "self-still-running@0 ended@2 unwound@5 stopped@5 caught@5 main@5");
  EXPECT_EQ(sim::Now(), 5u);
}

TEST_F(Scheduler, ScheduledEventsFireWhenEveryThreadIsBlockedAtTheirMoment) {
  int frame = 0;
  bool halfFrame = false, sawHalf = false;
  // A "frame" of two steps with no blocking call between them: an event can
  // never see the first step without the second.
  StartThread([&] {
    for (;;) frame++, halfFrame = true, frame++, halfFrame = false, Sleep(10);
  }, "frames");
  std::vector<std::pair<uint64_t, int>> seen;
  for (uint64_t at : {0u, 15u, 20u, 20u, 35u}) {
    sim::ScheduleAt(at, [&] {
      seen.push_back({sim::Now(), frame});
      sawHalf = sawHalf || halfFrame;
    });
  }
  Sleep(40);
  EXPECT_FALSE(sawHalf);
  // Threads due at a moment run before that moment's events.
  EXPECT_EQ(seen, (std::vector<std::pair<uint64_t, int>>{{0, 2}, {15, 4}, {20, 6}, {20, 6}, {35, 8}}));
}
