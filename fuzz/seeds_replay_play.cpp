// Writes the starting corpus of fuzz_replay_play: a recording's first 49
// bytes, a rate (4 bytes), then its frames. Games at each level that reach the boss soon
// (quota 1 to 3, Maker Mode's fire power), moving and firing, the rate every
// frame reads (small, the extremes), a long pause and an abandon.
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/seed_file.h"
#include "replay/replay_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const struct {
    int32_t level, fire, fps, quota, score, rate;
  } games[] = {
      {5, 1, 60, 1, 4000, 60},
      {12, 0, 30, 1, 4000, replay::kMaxRateRead},
      {20, 1, 1000, 3, 4000, -replay::kMaxRateRead},
      {30, 1, 2000, 1, 0, 4},
  };
  int n = 0;
  for (const auto& g : games) {
    replay::Record r;
    r.start = {static_cast<uint32_t>(7919 * (n + 1)), g.level, g.fire, g.fps, g.quota, g.score, 0, 0, 0};
    r.end = 3;
    for (uint32_t i = 0; i < 600; ++i) {
      replay::Frame f;
      // Sweeps left and right with Space held, and dodges up and down.
      f.keys = static_cast<uint8_t>(replay::kKeySpace | ((i / 40) % 2 ? replay::kKeyLeft : replay::kKeyRight) |
                                    ((i / 90) % 3 == 1 ? replay::kKeyUp : 0));
      f.fireMode = static_cast<uint8_t>(g.fire);
      if (i == 20) f.pause = true, f.pauseMs = 0xFFFFFFFFu;
      f.quit = i == 599;
      replay::AppendFrame(r.stream, f);
    }
    r.frameCount = 600;
    std::string bytes = replay::Serialize(r).substr(0, 49);
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(static_cast<uint32_t>(g.rate) >> (8 * i));
    bytes += r.stream;
    if (!WriteSeed(argv[1], n++, bytes.data(), bytes.size())) return 1;
  }
  return 0;
}
