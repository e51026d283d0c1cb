// One whole frame of play in a busy boss-phase scene (bench/boss_scene.h),
// drawn headless into the back buffer.
#include <benchmark/benchmark.h>

#include "bench/boss_scene.h"
#include "replay/frame_input.h"

using namespace boss_scene;

// The scene is put back before each frame (a few kilobytes of table copies,
// timed with the frame) so that every iteration draws the same busy picture.
static void BM_StepFrameBossScene(benchmark::State& state) {
  if (!g_ready) BuildScene(QM_SOURCE_DIR);
  if (!g_ready) {
    state.SkipWithError("cannot reach the source directory");
    return;
  }
  for (auto _ : state) {
    RestoreScene();
    StepFrame();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_StepFrameBossScene);

// The same frame while the game is recorded: the keys sampled, the frame
// written down and, every 60 frames, the state digest. Its difference from
// BM_StepFrameBossScene is what recording costs.
static void BM_StepFrameBossSceneRecorded(benchmark::State& state) {
  if (!g_ready) BuildScene(QM_SOURCE_DIR);
  if (!g_ready) {
    state.SkipWithError("cannot reach the source directory");
    return;
  }
  replay::StartRecording();
  for (auto _ : state) {
    RestoreScene();
    StepFrame();
    replay::SampleKeys();
    benchmark::ClobberMemory();
  }
  replay::FinishRecording(3);
}
BENCHMARK(BM_StepFrameBossSceneRecorded);

// Recording alone, per frame, on the boss scene's tables: what the frame's
// hooks add (the frame written down, the keys sampled, a digest every 60).
static void BM_RecordingPerFrame(benchmark::State& state) {
  if (!g_ready) BuildScene(QM_SOURCE_DIR);
  if (!g_ready) {
    state.SkipWithError("cannot reach the source directory");
    return;
  }
  RestoreScene();
  replay::StartRecording();
  for (auto _ : state) {
    replay::BeginFrame();
    replay::SampleKeys();
    benchmark::ClobberMemory();
  }
  replay::FinishRecording(3);
}
BENCHMARK(BM_RecordingPerFrame);
