// The recording reader on arbitrary bytes: it must never read outside them
// nor allocate beyond what they can hold, and whatever it accepts must decode
// frame by frame and come back unchanged through the writer and the reader.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "replay/replay_file.h"

namespace {

bool SameFrame(const replay::Frame& a, const replay::Frame& b) {
  return a.keys == b.keys && a.fireMode == b.fireMode && a.pause == b.pause &&
         a.pauseMs == b.pauseMs && a.quit == b.quit && a.fps == b.fps;
}

void Check(const std::string& bytes) {
  replay::Record rec;
  std::string error;
  if (!replay::Parse(bytes, rec, error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    return;
  }
  if (rec.frameCount == 0 || rec.digests.size() != rec.frameCount / replay::kDigestEvery)
    std::abort();
  // The writer may encode the frames more tightly than the bytes did; what
  // it writes reads back as the same game.
  replay::Record again;
  if (!replay::Parse(replay::Serialize(rec), again, error)) std::abort();
  const replay::Start &s = rec.start, &t = again.start;
  if (s.seed != t.seed || s.enemySlots != t.enemySlots || s.fireMode != t.fireMode ||
      s.targetFps != t.targetFps || s.startQuota != t.startQuota ||
      s.startScore != t.startScore || s.levelUpTimer != t.levelUpTimer ||
      s.grazeCooldown != t.grazeCooldown || s.bossMaxHp != t.bossMaxHp || rec.end != again.end ||
      rec.score != again.score || rec.frameCount != again.frameCount ||
      rec.digests != again.digests || rec.finalDigest != again.finalDigest)
    std::abort();
  size_t p = 0, q = 0;
  replay::Frame a, b;
  for (uint32_t i = 0; i < rec.frameCount; ++i) {
    if (!replay::NextFrame(rec.stream, p, a, error) ||
        !replay::NextFrame(again.stream, q, b, error) || !SameFrame(a, b))
      std::abort();
  }
  if (p != rec.stream.size() || q != again.stream.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  Check(bytes);
  // The same bytes with a checksum that fits, so that the fuzzer reaches the
  // header and frame checks behind it.
  if (bytes.size() >= 8) {
    const uint32_t crc = replay::Crc32(bytes.data(), bytes.size() - 4);
    for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + i] = static_cast<char>(crc >> (8 * i));
    Check(bytes);
  }
  return 0;
}
