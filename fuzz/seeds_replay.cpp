// Writes the recording fuzzer's starting corpus: short games of every ending
// with keys, fire modes, rate reads, a pause and an abandon, one long enough
// to carry digests, and one of them cut short.
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
  std::vector<std::string> seeds;
  for (uint32_t frames : {1u, 7u, 130u}) {
    replay::Record r;
    r.start = {frames * 7919u, frames == 7 ? 5 : 20, 1, frames == 1 ? 1000 : 30, 3, 4000, 25, 3, 120};
    r.end = static_cast<uint8_t>(1 + frames % 3);
    r.score = static_cast<int32_t>(frames * 10);
    for (uint32_t i = 0; i < frames; ++i) {
      replay::Frame f;
      f.keys = static_cast<uint8_t>(i % 32);
      f.fireMode = static_cast<uint8_t>(i % 3);
      if (i % 5 == 1) f.fps = {static_cast<int32_t>(i * 4), -1};
      if (i == 3) {
        f.pause = true;
        f.pauseMs = 1234;
      }
      f.quit = i + 1 == frames;
      replay::AppendFrame(r.stream, f);
    }
    r.frameCount = frames;
    for (uint32_t d = 0; d < frames / replay::kDigestEvery; ++d) r.digests.push_back(d * 977);
    r.finalDigest = 0x1122334455667788ull;
    seeds.push_back(replay::Serialize(r));
  }
  seeds.push_back(seeds.back().substr(0, seeds.back().size() / 2));
  int n = 0;
  for (const std::string& bytes : seeds) {
    if (!WriteSeed(argv[1], n++, bytes.data(), bytes.size())) return 1;
  }
  return 0;
}
