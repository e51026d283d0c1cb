// The sim backend's cost per hand-over between threads, and how much
// simulated time a game-shaped set of threads covers per real second.
#include <benchmark/benchmark.h>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"

using namespace platform;

namespace {

// Two threads taking turns, each sleeping 1 ms: one hand-over per sleep.
void BM_SimHandOver(benchmark::State& state) {
  sim::Reset();
  ThreadHandle other = StartThread([] {
    for (;;) Sleep(1);
  }, "other");
  for (auto _ : state) Sleep(1);
  StopThread(other);
  state.SetItemsProcessed(state.iterations() * 2);
  sim::Reset();
}
BENCHMARK(BM_SimHandOver);

// A window thread painting on request, a 60 fps frame thread and a 250 ms
// regulator: one iteration is one simulated second.
intptr_t PaintProc(Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  if (msg == WM_PAINT) {
    BeginPaint(w);
    EndPaint(w);
    return 0;
  }
  return DefWindowProc(w, msg, wp, lp);
}

void BM_SimSecondOfGameShapedThreads(benchmark::State& state) {
  sim::Reset();
  RegisterWindowClass("BENCH", PaintProc);
  const Window w = CreateWindow("BENCH", "bench", WS_CAPTION_FRAME, 0, 0, 326, 264, 0);
  ShowWindow(w, true);
  ThreadHandle frames = StartThread([w] {
    for (;;) {
      InvalidateRect(w);
      Sleep(16);
    }
  }, "frames");
  ThreadHandle regulator = StartThread([] {
    for (;;) Sleep(250);
  }, "regulator");
  for (auto _ : state) {
    const uint64_t end = sim::Now() + 1000;
    sim::ScheduleAt(end, [w] { PostMessage(w, WM_COMMAND, 0, 0); });
    Message m;
    while (GetMessage(m) > 0) {
      if (m.message == WM_COMMAND) break;
      DispatchMessage(m);
    }
  }
  StopThread(frames);
  StopThread(regulator);
  sim::Reset();
}
BENCHMARK(BM_SimSecondOfGameShapedThreads)->Unit(benchmark::kMillisecond);

}  // namespace
