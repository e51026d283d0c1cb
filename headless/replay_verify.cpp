#include "headless/replay_verify.h"

#include <cstdio>

#include "enemies/enemy.h"
#include "flow/assets.h"
#include "flow/replay_game.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "zkgdi/zkgdi.h"
#include "zkmci/zkmci.h"

namespace {
const char* const kEnds[] = {"", "won", "lost", "abandoned"};
}  // namespace

std::string SetUpReplayPlayfield() {
  // Only what the frames need: a back buffer to draw into and the pictures,
  // whose sizes give the enemies their radii. No sound thread: the music
  // commands return at once.
  platform::RegisterWindowClass("QMREPLAY", platform::DefWindowProc);
  const platform::Window w =
      platform::CreateWindow("QMREPLAY", "replay", platform::WS_CAPTION_FRAME, 0, 0, 326, 264, 0);
  ResetZKGDI();
  ResetGameState();
  SetConstantGameState();
  InitZKMCI();
  if (w == 0 || StartZKGDI(w, 320, 240) != 1) return "no playfield to replay on";
  gs.mainWindow = w;
  gs.backSurface = SlotSurface(FindWindowSlot(w));
  TargetWindow(w);
  LoadImages();
  // Without the pictures every game would seem to differ.
  for (int kind = 1; kind <= 4; ++kind)
    if (EnemyRadius(kind) < 1) return "the game's pictures (image/) are not here";
  return {};
}

replay::Verdict VerifyReplay(const replay::Record& rec) {
  const std::string missing = SetUpReplayPlayfield();
  const replay::Verdict verdict =
      missing.empty() ? VerifyRecordedGame(rec) : replay::Verdict{false, 0, missing};
  FreeImages();
  return verdict;
}

int RunReplayOption(const std::string& path, bool verify) {
  replay::Record rec;
  std::string why;
  if (!replay::LoadFile(path, rec, why)) {
    std::fprintf(stderr, "quillmoor-sim: %s: %s\n", path.c_str(), why.c_str());
    return 1;
  }
  if (!verify) {
    WatchReplayFirst(rec);
    return -1;
  }
  const replay::Verdict v = VerifyReplay(rec);
  if (!v.match && v.frame == 0) {
    std::fprintf(stderr, "quillmoor-sim: %s cannot be checked: %s (--dir names their folder)\n",
                 path.c_str(), v.why.c_str());
    return kCannotVerify;
  }
  if (!v.match) {
    std::fprintf(stderr, "quillmoor-sim: %s: differs from the recording at frame %u: %s\n",
                 path.c_str(), v.frame, v.why.c_str());
    return 1;
  }
  std::printf("%s: verified, %u frames, %s, score %d\n", path.c_str(), rec.frameCount,
              kEnds[rec.end], rec.score);
  return 0;
}
