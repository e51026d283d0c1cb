// The drawing layer's hot paths: full-screen transfers (compare with
// BM_Memcpy320x240), a masked sprite through DrawBmp, and a HUD line of text
// with and without the glyph cache.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/gfx/surface.h"
#include "platform/gfx/text.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "runtime/runtime.h"
#include "tests/bmp/bmp_writer.h"
#include "zkgdi/zkgdi.h"

namespace {

platform::Surface Screen(uint32_t seed) {
  platform::Surface s(320, 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) s.at(x, y) = ((x * 7 + y * 13 + seed) * 2654435761u) & 0xFFFFFF;
  return s;
}

void Blit(benchmark::State& state, uint32_t rop) {
  const platform::Surface src = Screen(1);
  platform::Surface dst = Screen(2);
  for (auto _ : state) {
    platform::BitBlt(dst, 0, 0, 320, 240, src, 0, 0, rop);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{320 * 240 * 4});
}

void BM_BlitCopy320x240(benchmark::State& state) { Blit(state, platform::SRCCOPY); }
void BM_BlitAnd320x240(benchmark::State& state) { Blit(state, platform::SRCAND); }
void BM_BlitPaint320x240(benchmark::State& state) { Blit(state, platform::SRCPAINT); }

intptr_t Proc(platform::Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  return platform::DefWindowProc(w, msg, wp, lp);
}

// A fresh backend and drawing layer with one 320x240 window as the target;
// released again when the benchmark ends, so other benchmarks start clean.
struct Playfield {
  platform::Window window = 0;
  Playfield() {
    platform::sim::Reset();
    ResetZKGDI();
    platform::RegisterWindowClass("BENCHDRAW", Proc);
    window = platform::CreateWindow("BENCHDRAW", "bench", platform::WS_CAPTION_FRAME, 0, 0, 326,
                                    264, 0);
    StartZKGDI(window, 320, 240);
  }
  ~Playfield() { ResetZKGDI(); }
};

std::string WriteTemp(const std::string& name, const bmpw::Grid& g) {
  const std::string path = "/tmp/quillmoor_bench_" + name;
  const std::vector<uint8_t> b = bmpw::Encode(g, bmpw::Options{});
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
  }
  return path;
}

void BM_DrawSprite16(benchmark::State& state) {
  Playfield field;
  // A round shot: opaque inside a circle of radius 7.
  bmpw::Grid mask{16, 16, {}}, pic{16, 16, {}};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool in = (x - 8) * (x - 8) + (y - 8) * (y - 8) < 49;
      mask.v.push_back(in ? 0 : 0xFFFFFF);
      pic.v.push_back(in ? 0xFF40C0 : 0);
    }
  BmpRecord m, p;
  OpenBmp(m, WriteTemp("shotm.bmp", mask));
  OpenBmp(p, WriteTemp("shot.bmp", pic));
  int i = 0;
  for (auto _ : state) {
    const int x = 40 + (i * 37) % 240, y = 30 + (i * 53) % 180;
    DrawBmp(x, y, m, platform::SRCAND);
    DrawBmp(x, y, p, platform::SRCPAINT);
    ++i;
    benchmark::ClobberMemory();
  }
  CloseBmp(m);
  CloseBmp(p);
}

void BM_PrintTextHud(benchmark::State& state) {
  Playfield field;
  PrintText(5, 35, "SCORE 123456pt", RGB(255, 255, 0), 12, 17);  // fills the cache
  for (auto _ : state) {
    PrintText(5, 35, "SCORE 123456pt", RGB(255, 255, 0), 12, 17);
    benchmark::ClobberMemory();
  }
}

// The same two layers (grey shadow, then the text), each opening the face
// and rasterising every glyph anew.
void BM_PrintTextUncached(benchmark::State& state) {
  Playfield field;
  platform::Surface& back = *SlotSurface(FindWindowSlot(field.window));
  const platform::Font font{platform::FontFace::Mincho, 12, true, false};
  for (auto _ : state) {
    platform::TextOutUncached(back, 6, 36, "SCORE 123456pt", RGB(128, 128, 128), font);
    platform::TextOutUncached(back, 5, 35, "SCORE 123456pt", RGB(255, 255, 0), font);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_BlitCopy320x240);
BENCHMARK(BM_BlitAnd320x240);
BENCHMARK(BM_BlitPaint320x240);
BENCHMARK(BM_DrawSprite16);
BENCHMARK(BM_PrintTextHud);
BENCHMARK(BM_PrintTextUncached);
