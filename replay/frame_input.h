// Everything a frame of play reads from outside the game's own state goes
// through here: the held keys, the fire mode, the rate measurement, the
// pause and abandon requests. Live, the calls read the keyboard and the
// shared values (and, while a game is recorded, write down what they read);
// during a replay they hand back what the recording holds, frame by frame.
// All of it runs on the game thread, except the few calls marked otherwise.
#pragma once
#include <cstdint>
#include <string>

#include "replay/replay_file.h"

namespace replay {

enum class Mode { kOff, kRecording, kReplaying };
Mode CurrentMode();

// ---- recording
// Starts a recording of the game NewGame has just set up.
void StartRecording();
// Ends it after the game's last frame (end: 1 won, 2 lost, 3 abandoned).
Record FinishRecording(int end);

// ---- replaying
// Feeds a recording to the frames from now on. The game must have been set
// up from rec.start first (flow/replay_game.h). watch: paced for the eye at
// the recorded rate, pauses kept; otherwise as fast as possible.
void StartReplaying(const Record& rec, bool watch);
struct Verdict {
  bool match = false;
  uint32_t frame = 0;  // the first frame found different (0: they match, or not played)
  std::string why;
};
// Ends the replay after the game's last frame and says whether it played
// as recorded.
Verdict FinishReplaying(int end);
// Any thread: a replay is being watched (key messages then control the
// watching, not the game), and the request to stop watching.
bool Watching();
void RequestStopWatching();

// Drops any recording or replay (a game ended early by the thread's stop);
// the frames then read the keyboard and the shared values directly again.
void Reset();
// Holds a recording or replay for a scope: whichever way the scope is left,
// nothing of it outlives the game.
struct SessionScope {
  SessionScope() = default;
  SessionScope(const SessionScope&) = delete;
  SessionScope& operator=(const SessionScope&) = delete;
  ~SessionScope() { Reset(); }
};

// ---- the frame's reads
void BeginFrame();  // first thing in every frame
void SampleKeys();  // once per frame, before the keys are read
bool KeyDown(int vk);
int32_t FireMode();
int32_t MeasuredFps();
// True when a pending pause request takes effect in this frame.
bool PauseTaken();
// While paused: true when the replay's recorded pause is over. Watched, a
// pause lasts as recorded up to kMaxWatchedPauseMs, a quarter of that with
// Space held.
inline constexpr uint32_t kMaxWatchedPauseMs = 5000;
bool PauseOver();
bool QuitRequested();
// How long to sleep after a frame, given the tuned frame delay.
int FrameSleep(int frameDelay);

// A digest of everything that decides how the game goes on: the random
// seed, the game's values and both tables.
uint64_t StateDigest();

}  // namespace replay
