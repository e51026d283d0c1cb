// The cost of sound: rendering music through the mixer (as a share of one
// core), the delay from a play command to the first audible sample, and the
// memory and time the soundfont takes.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Be32(Bytes& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}
void Vlq(Bytes& b, uint32_t v) {
  uint8_t t[4];
  int n = 0;
  do {
    t[n++] = v & 0x7F;
    v >>= 7;
  } while (v);
  while (n > 1) b.push_back(t[--n] | 0x80);
  b.push_back(t[0]);
}
void Track(Bytes& f, const Bytes& e) {
  f.insert(f.end(), {'M', 'T', 'r', 'k'});
  Be32(f, uint32_t(e.size()));
  f.insert(f.end(), e.begin(), e.end());
}

// A busy minute of game music: drums in eighths, a bass line in eighths,
// four-voice string chords and a melody in sixteenths, at 140 beats a minute.
Bytes BusyMinute() {
  const int q = 480, bars = 35;  // 35 bars of 4/4 at 140 bpm = 60 s
  Bytes f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 4, uint8_t(q >> 8), uint8_t(q)};
  auto note = [](Bytes& e, uint32_t delta, int ch, int key, int len) {
    Vlq(e, delta);
    e.insert(e.end(), {uint8_t(0x90 | ch), uint8_t(key), 100});
    Vlq(e, len);
    e.insert(e.end(), {uint8_t(0x80 | ch), uint8_t(key), 0});
  };
  auto end = [](Bytes& e) { e.insert(e.end(), {0x00, 0xFF, 0x2F, 0x00}); };
  const int roots[4] = {45, 41, 43, 40};
  Bytes drums = {0x00, 0xFF, 0x51, 0x03, 0x06, 0x8A, 0x1B};  // 428571 us a quarter
  for (int i = 0; i < bars * 8; ++i) {
    int key = i % 4 == 0 ? 36 : i % 4 == 2 ? 38 : 42;
    note(drums, 0, 9, key, q / 2);
  }
  end(drums);
  Bytes bass = {0x00, 0xC1, 33};
  for (int i = 0; i < bars * 8; ++i) note(bass, 0, 1, roots[(i / 8) % 4] - 12 + (i % 2) * 12, q / 2);
  end(bass);
  Bytes strings = {0x00, 0xC2, 48};
  for (int b = 0; b < bars; ++b) {
    int r = roots[b % 4] + 12;
    for (int k : {0, 4, 7, 12}) {
      Vlq(strings, 0);
      strings.insert(strings.end(), {0x92, uint8_t(r + k), 80});
    }
    for (int j = 0; j < 4; ++j) {
      Vlq(strings, j == 0 ? 4 * q : 0);
      strings.insert(strings.end(), {0x82, uint8_t(r + (int[]){0, 4, 7, 12}[j]), 0});
    }
  }
  end(strings);
  Bytes melody = {0x00, 0xC3, 80};
  const int scale[8] = {69, 71, 72, 74, 76, 77, 79, 81};
  for (int i = 0; i < bars * 16; ++i) note(melody, 0, 3, scale[(i * 5 + i / 3) % 8], q / 4);
  end(melody);
  Track(f, drums);
  Track(f, bass);
  Track(f, strings);
  Track(f, melody);
  return f;
}

std::string Write(const std::string& name, const Bytes& b) {
  auto dir = std::filesystem::temp_directory_path() / "quillmoor-bench-audio";
  std::filesystem::create_directories(dir);
  std::string path = (dir / name).string();
  FILE* fp = std::fopen(path.c_str(), "wb");
  std::fwrite(b.data(), 1, b.size(), fp);
  std::fclose(fp);
  return path;
}

long RssKiB() {
  long pages = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(f);
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Must run before anything else loads the soundfont, so that the memory it
// adds is not hidden in pages freed by an earlier load.
void BM_SoundfontLoad(benchmark::State& state) {
  long before = 0, after = 0;
  bool first = true;
  for (auto _ : state) {
    state.PauseTiming();
    platform::ShutdownAudio();
    if (first) before = RssKiB();
    state.ResumeTiming();
    platform::InitAudio();
    state.PauseTiming();
    if (first) after = RssKiB();
    first = false;
    state.ResumeTiming();
  }
  state.counters["rss_added_MiB"] = double(after - before) / 1024.0;
}
BENCHMARK(BM_SoundfontLoad)->Unit(benchmark::kMillisecond)->Iterations(5);

void OpenAndPlay(const std::string& path) {
  platform::SendMciString("close bench wait");
  platform::SendMciString("open \"" + path + "\" type Sequencer alias bench wait");
  platform::SendMciString("play bench");
}

// CPU time of the calling thread: the load of other processes on the
// machine does not count.
double ThreadSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Renders a minute of music in the SDL backend's 1024-frame blocks; the
// share of one core is the time taken over the minute of sound produced.
void RenderMinute(benchmark::State& state, const std::string& path) {
  platform::InitAudio();
  std::vector<int16_t> block(1024 * 2);
  double seconds = 0;
  for (auto _ : state) {
    OpenAndPlay(path);
    const double t0 = ThreadSeconds();
    for (int done = 0; done < 60 * platform::kAudioRate; done += 1024) {
      if (!platform::MixerDevicePlaying("bench")) {  // shorter pieces loop
        platform::SendMciString("seek bench to start wait");
        platform::SendMciString("play bench");
      }
      platform::RenderAudio(block.data(), 1024);
      benchmark::DoNotOptimize(block.data());
    }
    seconds += ThreadSeconds() - t0;
  }
  platform::SendMciString("close bench wait");
  state.counters["cpu_share_pct"] = 100.0 * seconds / (60.0 * double(state.iterations()));
}

void BM_RenderAudioMidi(benchmark::State& state) { RenderMinute(state, Write("busy.mid", BusyMinute())); }
BENCHMARK(BM_RenderAudioMidi)->Unit(benchmark::kMillisecond)->Iterations(3);

// The game's own music, when the assets have been built.
const bool kGameMusic = [] {
  for (const char* name : {"opening", "stage", "boss", "ending"}) {
    std::string path = std::string(QM_SOURCE_DIR) + "/bgm/" + name + ".mid";
    if (!std::filesystem::exists(path)) continue;
    benchmark::RegisterBenchmark(("BM_RenderAudioMidi/" + std::string(name)).c_str(),
                                 [path](benchmark::State& s) { RenderMinute(s, path); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
  }
  return true;
}();

// Nothing playing: the cost every callback pays in silence.
void BM_RenderAudioSilence(benchmark::State& state) {
  platform::InitAudio();
  std::vector<int16_t> block(1024 * 2);
  for (auto _ : state) {
    platform::RenderAudio(block.data(), 1024);
    benchmark::DoNotOptimize(block.data());
  }
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_RenderAudioSilence);

// From "play" to the first audible sample (above 1/256 of full scale), in
// frames of the rendered stream, rendering in 1024-frame blocks.
void BM_MidiPlayLatency(benchmark::State& state) {
  platform::InitAudio();
  std::string path = Write("busy.mid", BusyMinute());
  platform::SendMciString("close bench wait");
  platform::SendMciString("open \"" + path + "\" type Sequencer alias bench wait");
  std::vector<int16_t> block(1024 * 2);
  double frames = 0;
  for (auto _ : state) {
    platform::SendMciString("stop bench wait");
    platform::SendMciString("seek bench to start wait");
    for (int i = 0; i < 200; ++i) platform::RenderAudio(block.data(), 1024);  // let it die away
    platform::SendMciString("play bench");
    int at = -1;
    for (int done = 0; at < 0 && done < platform::kAudioRate; done += 1024) {
      platform::RenderAudio(block.data(), 1024);
      for (int i = 0; i < 1024 && at < 0; ++i)
        if (std::abs(block[2 * i]) > 128 || std::abs(block[2 * i + 1]) > 128) at = done + i;
    }
    frames += at;
  }
  platform::SendMciString("close bench wait");
  frames /= double(state.iterations());
  state.counters["latency_frames"] = frames;
  state.counters["latency_ms"] = frames * 1000.0 / platform::kAudioRate;
}
BENCHMARK(BM_MidiPlayLatency)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
