// The yardstick every other benchmark is compared with: one full-screen copy
// of 320x240 32-bit pixels, taken two ways in the same run, as the C
// library's memcpy and as a plain vector loop. Some processors run a large
// memcpy through a slow string instruction; the faster of the two measures
// the machine rather than the library. This file also holds the benchmarks'
// main, which prints every figure as a ratio to the yardstick.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr size_t kPixels = 320 * 240;

void BM_Memcpy320x240(benchmark::State& state) {
  std::vector<uint32_t> src(kPixels, 0x00336699), dst(kPixels);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kPixels * 4));
}
BENCHMARK(BM_Memcpy320x240);

typedef uint32_t Vec8 __attribute__((vector_size(32)));

// Kept a loop: the compiler would otherwise call memcpy for it.
#define QM_LOOP __attribute__((optimize("no-tree-loop-distribute-patterns"), noinline))
template <int>
QM_LOOP void CopyLoop(uint32_t* __restrict d, const uint32_t* __restrict s, size_t n) {
  for (size_t i = 0; i + 8 <= n; i += 8) {
    Vec8 v;
    std::memcpy(&v, s + i, 32);
    std::memcpy(d + i, &v, 32);
  }
}
#if defined(__x86_64__) && defined(__GNUC__)
template <>
QM_LOOP __attribute__((target("avx2"))) void CopyLoop<1>(uint32_t* __restrict d,
                                                          const uint32_t* __restrict s, size_t n) {
  for (size_t i = 0; i + 8 <= n; i += 8) {
    Vec8 v;
    std::memcpy(&v, s + i, 32);
    std::memcpy(d + i, &v, 32);
  }
}
#endif

void BM_CopyLoop320x240(benchmark::State& state) {
  std::vector<uint32_t> src(kPixels, 0x00336699), dst(kPixels);
  auto copy = CopyLoop<0>;
#if defined(__x86_64__) && defined(__GNUC__)
  if (__builtin_cpu_supports("avx2")) copy = CopyLoop<1>;
#endif
  for (auto _ : state) {
    copy(dst.data(), src.data(), kPixels);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kPixels * 4));
}
BENCHMARK(BM_CopyLoop320x240);

// The usual console output, then each benchmark's time as a multiple of the
// yardstick measured in the same run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      // CPU time of the benchmark's thread, but wall time for those that
      // ask for it (their work runs on other threads).
      const bool wall = r.run_name.str().find("/real_time") != std::string::npos;
      const double t = (wall ? r.GetAdjustedRealTime() : r.GetAdjustedCPUTime()) /
                       benchmark::GetTimeUnitMultiplier(r.time_unit);
      // With repetitions the median stands for the benchmark.
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        Set(r.run_name.str(), t, true);
      } else if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
        Set(r.benchmark_name(), t, false);
      }
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    double yard = 0;
    for (const auto& [name, t, median] : times_)
      if (name == "BM_Memcpy320x240" || name == "BM_CopyLoop320x240")
        yard = yard == 0 ? t : std::min(yard, t);
    if (yard <= 0) return;
    std::printf("\nRatios to the yardstick (the faster full-screen copy, %.2f us):\n", yard * 1e6);
    for (const auto& [name, t, median] : times_) std::printf("  %-44s %10.2f\n", name.c_str(), t / yard);
  }

 private:
  void Set(const std::string& name, double seconds, bool median) {
    for (auto& [n, t, m] : times_)
      if (n == name) {
        if (median || !m) t = seconds, m = median;
        return;
      }
    times_.push_back({name, seconds, median});
  }
  // Seconds of CPU per iteration, in the order run; whether it is a median.
  std::vector<std::tuple<std::string, double, bool>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
