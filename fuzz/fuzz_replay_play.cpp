// What a stranger's recording does to the game, not only how it parses: each
// input is made into a recording and, when the reader accepts it, its frames
// are played through the game headless, as `quillmoor-sim --verify` plays
// them. The input is the file's header up to the final score (49 bytes), a
// rate (4 bytes), then frames as they are stored, as many as decode, at most
// kMaxFrames. A frame without rate reads reads the last ones given, at first
// that rate, as a game reads one measurement in frame after frame: a single
// mutated rate reaches the banner and the rage burst wherever they come. The
// sizes, the digests and the checksum are made to fit, so every mutation
// reaches the game. The playfield and pictures are set up once; each game
// starts afresh from the recording's header, as a verified one does.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "flow/replay_game.h"
#include "headless/replay_verify.h"
#include "platform/data_folder.h"
#include "replay/replay_file.h"

namespace {

constexpr size_t kHeadBytes = 49;     // magic .. final score, then the rate
constexpr uint32_t kMaxFrames = 600;  // ten seconds at 60 frames a second

void Put(std::string& o, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) o += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool AsRecording(const uint8_t* data, size_t size, replay::Record& rec) {
  if (size < kHeadBytes + 4) return false;
  const std::string in(reinterpret_cast<const char*>(data), size);
  const std::string frames = in.substr(kHeadBytes + 4);
  size_t pos = 0;
  uint32_t n = 0;
  replay::Frame f;
  std::string error, stream;
  uint32_t rate = 0;
  for (int i = 0; i < 4; ++i) rate |= uint32_t{data[kHeadBytes + i]} << (8 * i);
  std::vector<int32_t> rates{static_cast<int32_t>(rate)};
  for (; n < kMaxFrames && pos < frames.size() && replay::NextFrame(frames, pos, f, error); ++n) {
    if (f.fps.empty()) f.fps = rates;
    rates = f.fps;
    replay::AppendFrame(stream, f);
  }
  if (n == 0) return false;
  std::string file = in.substr(0, kHeadBytes);
  Put(file, n, 4);
  Put(file, 0, 8);  // final digest
  Put(file, stream.size(), 4);
  file += stream;
  for (uint32_t d = 0; d < n / replay::kDigestEvery; ++d) Put(file, 0, 8);  // zero digests
  Put(file, replay::Crc32(file.data(), file.size()), 4);
  return replay::Parse(file, rec, error);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The pictures give the enemies their sizes: run where they are, or in
  // the source tree they come from.
  if (!platform::HoldsGameData(".") && ::chdir(QM_SOURCE_DIR) != 0) std::abort();
  const std::string missing = SetUpReplayPlayfield();
  if (!missing.empty()) {
    std::fprintf(stderr, "fuzz_replay_play: %s\n", missing.c_str());
    std::abort();
  }
  return 0;
}

// The font library keeps its configuration for the life of the process
// (tests/lsan.supp says the same for the tests).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  replay::Record rec;
  if (!AsRecording(data, size, rec)) return 0;
  // The digests are zeros, so it differs; what counts is that it plays
  // through without a fault and ends where a replay must: at the
  // recording's last frame, or the one after it when the game runs on.
  const replay::Verdict v = VerifyRecordedGame(rec);
  if (v.match || v.frame < 1 || v.frame > rec.frameCount + 1) std::abort();
  return 0;
}
