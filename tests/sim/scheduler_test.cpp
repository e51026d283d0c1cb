// The simulated clock and threads: how long sleeps last, and how stopping a thread unwinds it (the golden games take the rest).
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

}  // namespace

TEST_F(Scheduler, SleepsAdvanceTheClockExactlyAndZeroOrLessLastsOneMillisecond) {
  const std::pair<int, uint64_t> sleeps[] = {{250, 250}, {0, 251}, {-5, 252}, {1, 253}};
  for (auto [ms, now] : sleeps) EXPECT_EQ((Sleep(ms), sim::Now()), now) << "after Sleep(" << ms << ")";
  for (int i = 0; i < 1000; ++i) Sleep(0);  // a "no wait" loop of 1000 takes a simulated second
  EXPECT_EQ(sim::Now(), 1253u);
  // The tick count starts at its base and wraps at 32 bits.
  sim::Reset();
  sim::SetTickBase(0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
  Sleep(0x20);
  EXPECT_EQ(std::pair(GetTickCount(), sim::Now()), std::pair(0x10u, uint64_t{0x20}));
}

TEST_F(Scheduler, StopThreadUnwindsSleepingWaitingSelfStoppedAndEndedThreads) {
  struct Guard { Scheduler* s; ~Guard() { s->Mark("unwound"); } };
  bool sawStop = false, idleRan = false;
  ThreadHandle sleeper = StartThread([&] {
    Guard g{this};
    Sleep(1'000'000);
    Mark("never");
  }, "sleeper");
  ThreadHandle probe = StartThread([&] {
    try { Sleep(1'000'000); } catch (const ThreadStopped&) { sawStop = StopRequested(); throw; }
  }, "probe");
  ThreadHandle pump = StartThread([&] {
    try { Message m; GetMessage(m); } catch (const ThreadStopped&) {
      Mark("caught");
      // Waiting for a thread of its own still works while being stopped.
      StartThread([&] { try { Sleep(100000); } catch (const ThreadStopped&) { Mark("inner"); throw; } }, "inner");
      Sleep(0);  // the stop request cuts this short
    }
  }, "pump");
  ThreadHandle self = StartThread([&] {
    StopThread(self);
    Mark("self-still-running");
    EXPECT_TRUE(StopRequested());
    Sleep(10);
    Mark("never");
  }, "self");
  ThreadHandle ended = StartThread([&] { Sleep(2), Mark("ended"); }, "short");
  Sleep(5);
  EXPECT_FALSE(StopRequested());
  StopThread(sleeper), Mark("stopped"), StopThread(probe), StopThread(pump), Mark("main");
  EXPECT_TRUE(sawStop);
  // Stopping again, stopping 0, an unknown handle or an ended thread are harmless.
  for (ThreadHandle t : {sleeper, ThreadHandle(0), ThreadHandle(9999), ended}) StopThread(t);
  // A stopped thread that was never scheduled never runs.
  StopThread(StartThread([&] { idleRan = true; }, "idle"));
  EXPECT_FALSE(idleRan);
  // Nobody's clock moved on to the sleepers' wake-ups.
  EXPECT_EQ(trace, "self-still-running@0 ended@2 unwound@5 stopped@5 caught@5 main@5");
  EXPECT_EQ(sim::Now(), 5u);
}
