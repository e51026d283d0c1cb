#include "replay/frame_input.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "entities/tables.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "state/game_state.h"

namespace replay {
namespace {

struct Session {
  Mode mode = Mode::kOff;
  Record rec;         // recording: filled as frames end; replaying: the file
  Frame cur;          // the frame running now
  uint32_t frame = 0; // frames begun, the running one included
  uint32_t pauseStart = 0;  // recording: when the pause began; watching: the last look
  uint64_t pauseShown = 0;  // watching: how much of the recorded pause has been shown
  // replaying
  bool watch = false;
  size_t pos = 0;         // next frame in rec.stream
  size_t fpsRead = 0;     // rate reads of the running frame so far
  bool pastEnd = false;   // the game ran on past the recording
  Verdict verdict{true, 0, ""};
};
Session s;
std::atomic<bool> watching{false};
std::atomic<bool> stopWatching{false};

void Differs(uint32_t frame, const std::string& why) {
  if (!s.verdict.match) return;  // the first difference is the one that counts
  s.verdict = Verdict{false, frame, why};
}

// FNV-1a over the values one by one, so padding never enters it.
struct Fnv {
  uint64_t h = 1469598103934665603ull;
  void Add(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  }
  void Int(int64_t v) { Add(&v, sizeof v); }
  void Real(double v) { Add(&v, sizeof v); }
};

// The digest that is due after `frames` whole frames, if one is.
void DigestAfter(uint32_t frames) {
  if (frames == 0 || frames % kDigestEvery != 0) return;
  const size_t k = frames / kDigestEvery - 1;
  if (s.mode == Mode::kRecording) {
    if (s.rec.digests.size() == k) s.rec.digests.push_back(StateDigest());
  } else if (k < s.rec.digests.size() && s.rec.digests[k] != StateDigest()) {
    Differs(frames, "game state differs from the recording");
  }
}

// The running frame is over: recorded, or checked against the recording.
void EndFrame() {
  if (s.frame == 0) return;
  if (s.mode == Mode::kRecording) {
    if (s.cur.pause) s.cur.pauseMs = platform::GetTickCount() - s.pauseStart;
    AppendFrame(s.rec.stream, s.cur);
    s.rec.frameCount = s.frame;
  } else if (!s.pastEnd && s.fpsRead != s.cur.fps.size()) {
    Differs(s.frame, "the frame read the frame rate a different number of times");
  }
  DigestAfter(s.frame);
}

}  // namespace

Mode CurrentMode() { return s.mode; }

void StartRecording() {
  s = Session{};
  s.mode = Mode::kRecording;
  Start& st = s.rec.start;
  st.seed = RandomSeed();
  st.enemySlots = gs.enemySlots;
  st.fireMode = gs.fireMode;
  // As a settings file would give it, so the reader takes what is written.
  st.targetFps = PlayableTargetFps(gs.targetFps);
  st.startQuota = gs.startQuota;
  st.startScore = gs.startScore;
  st.levelUpTimer = gs.levelUpTimer;
  st.grazeCooldown = gs.grazeCooldown;
  st.bossMaxHp = gs.bossMaxHp;
}

Record FinishRecording(int end) {
  EndFrame();
  Record r = std::move(s.rec);
  r.end = static_cast<uint8_t>(end);
  r.score = gs.score;
  r.finalDigest = StateDigest();
  s = Session{};
  return r;
}

void StartReplaying(const Record& rec, bool watch) {
  s = Session{};
  s.mode = Mode::kReplaying;
  s.rec = rec;
  s.watch = watch;
  stopWatching = false;
  watching = watch;
}

Verdict FinishReplaying(int end) {
  EndFrame();
  if (s.frame != s.rec.frameCount)
    Differs(s.frame, "the game ended after " + std::to_string(s.frame) + " frames, the recording after " +
                         std::to_string(s.rec.frameCount));
  else if (end != s.rec.end)
    Differs(s.frame, "the game ended another way than recorded");
  else if (gs.score != s.rec.score || StateDigest() != s.rec.finalDigest)
    Differs(s.frame, "game state differs from the recording");
  Verdict v = s.verdict;
  s = Session{};
  watching = false;
  stopWatching = false;
  return v;
}

void Reset() {
  s = Session{};
  watching = false;
  stopWatching = false;
}

bool Watching() { return watching; }
void RequestStopWatching() { stopWatching = true; }

void BeginFrame() {
  if (s.mode == Mode::kOff) return;
  EndFrame();
  s.frame += 1;
  s.cur = Frame{};
  if (s.mode != Mode::kReplaying) return;
  s.fpsRead = 0;
  std::string error;
  if (s.pastEnd || s.pos >= s.rec.stream.size() || !NextFrame(s.rec.stream, s.pos, s.cur, error)) {
    if (!s.pastEnd) Differs(s.frame, "the game runs on past the recording's end");
    s.pastEnd = true;  // it is abandoned at this frame's end test
    s.cur = Frame{};
  }
}

void SampleKeys() {
  if (s.mode != Mode::kRecording) return;
  using namespace platform;
  uint8_t k = 0;
  if (KeyHeld(VK_UP)) k |= kKeyUp;
  if (KeyHeld(VK_DOWN)) k |= kKeyDown;
  if (KeyHeld(VK_LEFT)) k |= kKeyLeft;
  if (KeyHeld(VK_RIGHT)) k |= kKeyRight;
  if (KeyHeld(VK_SPACE)) k |= kKeySpace;
  s.cur.keys = k;
  s.cur.fireMode = FireModeCode(gs.fireMode);
}

bool KeyDown(int vk) {
  if (s.mode == Mode::kOff) return platform::KeyHeld(vk);
  uint8_t bit = 0;
  switch (vk) {
    case platform::VK_UP: bit = kKeyUp; break;
    case platform::VK_DOWN: bit = kKeyDown; break;
    case platform::VK_LEFT: bit = kKeyLeft; break;
    case platform::VK_RIGHT: bit = kKeyRight; break;
    case platform::VK_SPACE: bit = kKeySpace; break;
    default: return platform::KeyHeld(vk);
  }
  return (s.cur.keys & bit) != 0;
}

int32_t FireMode() {
  if (s.mode == Mode::kOff) return gs.fireMode;
  return s.cur.fireMode;  // 2 stands for any mode that fires neither way
}

int32_t MeasuredFps() {
  if (s.mode != Mode::kReplaying) {
    // Read once: the regulator may change it. Held to what a recording holds,
    // which no machine reaches: played and replayed, a frame sees the same.
    const int32_t v = std::clamp<int32_t>(gs.measuredFps, -kMaxRateRead, kMaxRateRead);
    if (s.mode == Mode::kOff) return v;
    s.cur.fps.push_back(v);
    return v;
  }
  if (s.fpsRead < s.cur.fps.size()) return s.cur.fps[s.fpsRead++];
  if (!s.pastEnd) Differs(s.frame, "the frame read the frame rate a different number of times");
  s.fpsRead += 1;
  return s.cur.fps.empty() ? 0 : s.cur.fps.back();
}

bool PauseTaken() {
  if (s.mode == Mode::kReplaying) {
    if (s.cur.pause) s.pauseStart = platform::GetTickCount(), s.pauseShown = 0;
    return s.cur.pause;
  }
  const bool taken = gs.pauseState == 240;
  if (taken && s.mode == Mode::kRecording) {
    s.cur.pause = true;
    s.pauseStart = platform::GetTickCount();
  }
  return taken;
}

bool PauseOver() {
  if (s.mode != Mode::kReplaying) return false;  // the player resumes
  if (!s.watch || stopWatching) return true;
  // Nothing moves in a pause: a long one is cut short, and Space runs it
  // four times as fast as it does the frames.
  const uint32_t now = platform::GetTickCount();
  const uint32_t passed = now - s.pauseStart;
  s.pauseStart = now;
  s.pauseShown += platform::KeyHeld(platform::VK_SPACE) ? uint64_t{passed} * 4 : passed;
  return s.pauseShown >= std::min(s.cur.pauseMs, kMaxWatchedPauseMs);
}

bool QuitRequested() {
  if (s.mode != Mode::kReplaying) {
    const bool quit = gs.quitRequested != 0;
    if (quit && s.mode == Mode::kRecording) s.cur.quit = true;
    return quit;
  }
  return s.cur.quit || s.pastEnd || stopWatching;
}

int FrameSleep(int frameDelay) {
  if (s.mode != Mode::kReplaying) return frameDelay;
  if (!s.watch) return 0;
  const int32_t fps = s.rec.start.targetFps;
  int ms = fps >= 1000 ? 0 : 1000 / fps;
  if (platform::KeyHeld(platform::VK_SPACE)) ms /= 4;  // Space: four times as fast
  return ms;
}

uint64_t StateDigest() {
  Fnv f;
  f.Int(RandomSeed());
  for (const SharedInt* v : {&gs.scrollY, &gs.scrollSpeed, &gs.score, &gs.shownScore, &gs.quota,
                             &gs.inputLocked, &gs.levelUpTimer, &gs.grazeCooldown, &gs.bossMaxHp,
                             &gs.patternBullets, &gs.bannerTimer, &gs.enemySlots})
    f.Int(v->load());
  for (double v : {gs.bossX, gs.bossY, gs.grazeGauge, gs.rageTimer}) f.Real(v);
  f.Add(gs.bannerText.data(), gs.bannerText.size());
  // Slots above the level's are not played and may hold an earlier game.
  const int slots = gs.enemySlots < 0 || gs.enemySlots > kMaxEnemySlots ? kMaxEnemySlots
                                                                        : gs.enemySlots.load();
  for (int i = 0; i <= slots; ++i) {
    const Chr& c = chr[i];
    for (int32_t v : {c.state, c.hp, c.x, c.y, c.radius, c.vx, c.vy, c.cooldown, c.level}) f.Int(v);
    f.Real(c.anim);
  }
  for (const Sht& t : sht) {
    for (int32_t v : {t.kind, t.damage, t.x, t.y, t.radius, t.vx, t.vy, t.spare, t.level}) f.Int(v);
    f.Real(t.anim);
  }
  return f.h;
}

}  // namespace replay
