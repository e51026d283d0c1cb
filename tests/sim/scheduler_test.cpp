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
 protected:
  void SetUp() override { sim::Reset(); }
  std::vector<std::string> trace;
  void Mark(const std::string& who) { trace.push_back(who + "@" + std::to_string(sim::Now())); }
  std::string Trace() const {
    std::string all;
    for (const auto& t : trace) all += (all.empty() ? "" : " ") + t;
    return all;
  }
};

// Three threads with different periods: at a shared moment they run in the
// order they were created, and the result is the same every time.
std::string RunPeriodic() {
  sim::Reset();
  std::string out;
  auto worker = [&out](const char* name, int period) {
    return [&out, name, period] {
      for (;;) {
        out += std::string(name) + std::to_string(GetTickCount()) + " ";
        Sleep(period);
      }
    };
  };
  ThreadHandle c = StartThread(worker("c", 6), "c");
  ThreadHandle a = StartThread(worker("a", 4), "a");
  ThreadHandle b = StartThread(worker("b", 3), "b");
  Sleep(12);
  StopThread(a);
  StopThread(b);
  StopThread(c);
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

TEST_F(Scheduler, ANewThreadRunsOnlyOnceItsCreatorBlocks) {
  StartThread([&] { Mark("child"); }, "child");
  Mark("parent-before");
  int busy = 0;
  for (int i = 0; i < 1000; ++i) busy += GetTickCount() == 0 ? 1 : 0;  // no switch here
  EXPECT_EQ(busy, 1000);
  Mark("parent-still");
  Sleep(1);
  Mark("parent-after");
  EXPECT_EQ(Trace(), "parent-before@0 parent-still@0 child@0 parent-after@1");
}

TEST_F(Scheduler, SleepsAdvanceTheClockExactlyAndZeroOrLessLastsOneMillisecond) {
  EXPECT_EQ(sim::Now(), 0u);
  Sleep(250);
  EXPECT_EQ(sim::Now(), 250u);
  Sleep(0);
  EXPECT_EQ(sim::Now(), 251u);
  Sleep(-5);
  EXPECT_EQ(sim::Now(), 252u);
  // A "no wait" loop of 1000 zero sleeps takes one simulated second.
  for (int i = 0; i < 1000; ++i) Sleep(0);
  EXPECT_EQ(sim::Now(), 1252u);
}

TEST_F(Scheduler, TickCountStartsAtTheBaseAndWrapsAt32Bits) {
  sim::SetTickBase(0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  Sleep(0x20);
  EXPECT_EQ(GetTickCount(), 0x10u);
  EXPECT_EQ(sim::Now(), 0x20u);
}

TEST_F(Scheduler, TheClockJumpsToTheNextWakeUpWhenEveryoneSleeps) {
  StartThread([&] { Sleep(1000); Mark("long"); }, "long");
  StartThread([&] { Sleep(30); Mark("short"); }, "short");
  Sleep(5000);
  Mark("main");
  EXPECT_EQ(Trace(), "short@30 long@1000 main@5000");
}

TEST_F(Scheduler, StopThreadUnwindsASleepingThreadAtOnce) {
  struct Guard {
    std::vector<std::string>* t;
    ~Guard() { t->push_back("unwound@" + std::to_string(sim::Now())); }
  };
  bool sawStop = false;
  ThreadHandle t = StartThread([&] {
    Guard g{&trace};
    Sleep(1'000'000);
    trace.push_back("never");
  }, "sleeper");
  ThreadHandle probe = StartThread([&] {
    try {
      Sleep(1'000'000);
    } catch (const ThreadStopped&) {
      sawStop = StopRequested();
      throw;
    }
  }, "probe");
  Sleep(5);
  EXPECT_FALSE(StopRequested());
  StopThread(t);
  Mark("stopped");
  StopThread(probe);
  EXPECT_TRUE(sawStop);
  // The sleeper ended without the clock moving on to its wake-up.
  EXPECT_EQ(Trace(), "unwound@5 stopped@5");
  // Stopping again, stopping 0 and stopping an unknown handle are harmless.
  StopThread(t);
  StopThread(0);
  StopThread(9999);
  EXPECT_EQ(sim::Now(), 5u);
}

TEST_F(Scheduler, StopThreadUnwindsAThreadWaitingForMessagesAndWaitsForItsCleanup) {
  ThreadHandle t = StartThread([&] {
    try {
      Message m;
      GetMessage(m);
    } catch (const ThreadStopped&) {
      Mark("caught");
      // Waiting for a thread of its own still works while being stopped.
      ThreadHandle inner = StartThread([&] {
        try {
          Sleep(100000);
        } catch (const ThreadStopped&) {
          Mark("inner");
          throw;
        }
      }, "inner");
      Sleep(0);  // the stop request cuts this short
      (void)inner;
    }
  }, "pump");
  Sleep(3);
  StopThread(t);
  Mark("main");
  EXPECT_EQ(Trace(), "caught@3 main@3");
}

TEST_F(Scheduler, AStoppedThreadThatWasNeverScheduledNeverRuns) {
  bool ran = false;
  ThreadHandle t = StartThread([&] { ran = true; }, "idle");
  StopThread(t);
  EXPECT_FALSE(ran);
}

TEST_F(Scheduler, AThreadStoppingItselfEndsAtItsNextBlockingCall) {
  ThreadHandle self = 0;
  ThreadHandle t = StartThread([&] {
    StopThread(self);
    Mark("still-running");
    EXPECT_TRUE(StopRequested());
    Sleep(10);
    Mark("never");
  }, "self");
  self = t;
  Sleep(20);
  EXPECT_EQ(Trace(), "still-running@0");
}

TEST_F(Scheduler, AThreadThatReturnsEndsAndItsHandleStaysSafe) {
  ThreadHandle t = StartThread([&] { Sleep(2); Mark("done"); }, "short");
  Sleep(10);
  StopThread(t);  // already ended
  EXPECT_EQ(Trace(), "done@2");
  EXPECT_EQ(sim::Now(), 10u);
}

TEST_F(Scheduler, ScheduledEventsFireWhenEveryThreadIsBlockedAtTheirMoment) {
  int frame = 0;
  bool halfFrame = false;
  // A "frame" of two steps with no blocking call between them: an event can
  // never see the first step without the second.
  StartThread([&] {
    for (;;) {
      frame++;
      halfFrame = true;
      frame++;
      halfFrame = false;
      Sleep(10);
    }
  }, "frames");
  std::vector<std::pair<uint64_t, int>> seen;
  bool sawHalf = false;
  for (uint64_t at : {0u, 15u, 20u, 20u, 35u}) {
    sim::ScheduleAt(at, [&] {
      seen.push_back({sim::Now(), frame});
      sawHalf = sawHalf || halfFrame;
    });
  }
  Sleep(40);
  EXPECT_FALSE(sawHalf);
  // Threads due at a moment run before that moment's events.
  const std::vector<std::pair<uint64_t, int>> want = {
      {0, 2}, {15, 4}, {20, 6}, {20, 6}, {35, 8}};
  EXPECT_EQ(seen, want);
}

TEST_F(Scheduler, ResetStopsEveryThreadAndStartsAgainFromZero) {
  bool unwound = false;
  StartThread([&] {
    struct G {
      bool* u;
      ~G() { *u = true; }
    } g{&unwound};
    for (;;) Sleep(7);
  }, "forever");
  sim::ScheduleAt(1000, [&] { Mark("stale"); });
  Sleep(100);
  sim::Reset();
  EXPECT_TRUE(unwound);
  EXPECT_EQ(sim::Now(), 0u);
  EXPECT_EQ(GetTickCount(), 0u);
  Sleep(2000);  // the event of before the reset is gone
  EXPECT_TRUE(trace.empty());
}
