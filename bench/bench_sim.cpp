// The sim backend's cost per hand-over between threads, how much simulated
// time a game-shaped set of threads covers per real second, and a whole
// Maker-Mode game run headless.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "headless/state_dump.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"
#include "shell/shell.h"

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

// From the title through a Maker-Mode game, the boss (given 1 hit point),
// the ending and the staff roll, back to the title and out with Escape:
// about 156 simulated seconds, no sound capture.
void BM_SimMakerGame(benchmark::State& state) {
  const std::string dir = "/tmp/qm-bench-maker-" + std::to_string(getpid());
  std::vector<std::string> args = {"quillmoor-sim", "--dir", QM_SOURCE_DIR, "--exe",
                                   dir + "/quillmoor", "--keys", dir + "/keys.txt", "--set",
                                   "17000:chr[1].hp=1", "--until", "200000"};
  std::string keys = "2900 down Shift\n";
  for (int at : {3000, 9500, 132000, 138000, 146000, 152000})
    keys += std::to_string(at) + " down Enter\n" + std::to_string(at + 100) + " up Enter\n";
  keys += "5200 up Shift\n156000 down Escape\n156100 up Escape\n";
  (void)!system(("mkdir -p " + dir).c_str());
  std::ofstream(dir + "/keys.txt") << keys;
  for (auto _ : state) {
    // Frame rate learned, level Normal, Maker Mode's start values apply.
    std::ofstream(dir + "/quillmoor.ini") << "30\r\n30\r\n1\r\n0\r\n0\r\n12\r\n\r\n";
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    const int code = sim::SimMain(static_cast<int>(argv.size()), argv.data(), [] {
      RegisterStateDumpHooks();
      return QuillmoorMain();
    });
    if (code != 0) state.SkipWithError("the game did not end by itself");
  }
  (void)!system(("rm -rf " + dir).c_str());
}
BENCHMARK(BM_SimMakerGame)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
