// State shared by the sound table and the sound-loop thread (internal to zkmci/).
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/platform.h"

namespace zkmci {

constexpr int kMaxSounds = 100;

struct SoundRecord {
  std::string alias;       // "sa" + id once opened; the sound-loop thread's
  std::string deviceType;  // set by the poster of the open, under postMutex
  // Written by the sound-loop thread, read by tests and dumps on other threads.
  std::atomic<int32_t> loopTicks{0};
  std::atomic<int32_t> countdown{0};
};

// The one-slot mailbox. A poster fills id, parameter and file while `pending`
// is 0 and stores the code into `pending` last (release); the thread reads the
// fields after seeing the code (acquire) and clears it only when done.
struct Mailbox {
  int32_t id = 0;
  int32_t parameter = 0;
  std::string file;
  std::atomic<int32_t> pending{0};
};

extern SoundRecord table[kMaxSounds + 1];
extern std::atomic<int32_t> soundCount;
extern Mailbox mailbox;
// Makes "mailbox empty? then fill it" one step for every poster, and guards
// the device types. Never held across a platform call.
extern std::mutex postMutex;

// The sound-loop thread.
extern std::atomic<bool> loopRunning;
extern std::atomic<platform::ThreadHandle> loopThread;

}  // namespace zkmci
