#include <gtest/gtest.h>
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
TEST(Smoke, Sleep) {
  platform::sim::Reset();
  platform::Sleep(5);
  EXPECT_EQ(platform::GetTickCount(), 5u);
}
TEST(Smoke, Threads) {
  using namespace platform;
  sim::Reset();
  std::vector<std::string> trace;
  auto a = StartThread([&] { for (int i = 0; i < 3; ++i) { trace.push_back("a" + std::to_string(GetTickCount())); Sleep(10); } }, "a");
  auto b = StartThread([&] { for (;;) { trace.push_back("b" + std::to_string(GetTickCount())); Sleep(15); } }, "b");
  Sleep(40);
  StopThread(b);
  StopThread(a);
  std::string all; for (auto& t : trace) all += t + " ";
  EXPECT_EQ(all, "a0 b0 a10 b15 a20 b30 ");
  EXPECT_EQ(GetTickCount(), 40u);
}
