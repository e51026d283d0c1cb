// The sound-loop thread: takes commands from the mailbox, carries them out and
// restarts looped sounds when their loop length has run out.
#include "platform/platform.h"
#include "zkmci/sound_state.h"
#include "zkmci/zkmci.h"

using namespace zkmci;

namespace {

const char* const kCaption = "ZKMCI";
const char* const kAlreadyOpenText = "既にサウンドループが開かれています";
const char* const kCannotOpenText = "サウンドループが開けません";

// Clears the running flag however the thread ends (also when it is stopped
// from outside), so that no poster waits for a mailbox nobody empties.
struct RunningFlag {
  ~RunningFlag() { loopRunning.store(false); }
};

void SoundLoop() {
  RunningFlag flag;
  for (;;) {
    const int32_t code = mailbox.pending.load(std::memory_order_acquire);
    const int32_t id = code != 0 ? mailbox.id : 0;  // the fields are ours only once posted
    switch (code) {
      case kSoundOpen: OpenSound(id); break;
      case kSoundPlayWait: StartSound(id, 1); break;
      case kSoundPlayOnce: StartSound(id, 2); break;
      case kSoundPlayLooped: StartSound(id, 3); break;
      case kSoundStop: StopSound(id); break;
      case kSoundQuit:
        CloseAllSounds();
        mailbox.pending.store(0, std::memory_order_release);
        return;
      default: break;  // empty, or a code nobody carries out: it stays
    }
    if (code == kSoundOpen || code == kSoundPlayWait || code == kSoundPlayOnce ||
        code == kSoundPlayLooped || code == kSoundStop)
      mailbox.pending.store(0, std::memory_order_release);

    platform::Sleep(10);

    const int32_t count = soundCount.load();
    for (int32_t i = 1; i <= count && i <= kMaxSounds; ++i) {
      int32_t left = table[i].countdown.load();
      if (left > 0) {
        table[i].countdown.store(--left);
        if (left <= 0) SoundCommand(i, kSoundPlayLooped, 0, "");
      }
    }
  }
}

}  // namespace

bool SoundLoopRunning() { return loopRunning.load(); }

void StartSoundLoop() {
  if (loopThread.load() != 0) {
    platform::MessageBox(0, kAlreadyOpenText, kCaption, platform::MB_OK);
    return;
  }
  // Running from before the thread exists, so that a post made right after
  // this call is accepted; the thread clears it when it ends.
  loopRunning.store(true);
  loopThread = platform::StartThread(SoundLoop, "sound loop");
  if (loopThread.load() == 0) {
    loopRunning.store(false);
    platform::MessageBox(0, kCannotOpenText, kCaption, platform::MB_OK);
  }
}

void EndSoundLoop() {
  if (loopThread.load() == 0) return;
  // Post quit as soon as the mailbox is free: nobody else can slip in between.
  bool posted = false;
  while (loopRunning.load()) {
    {
      std::lock_guard lock(postMutex);
      if (mailbox.pending.load(std::memory_order_acquire) == 0) {
        mailbox.pending.store(kSoundQuit, std::memory_order_release);
        posted = true;
      }
    }
    if (posted) break;
    platform::Sleep(1);
  }
  // The thread clears the code once every device is stopped and closed.
  while (posted && loopRunning.load() && mailbox.pending.load(std::memory_order_acquire) != 0)
    platform::Sleep(1);
  platform::StopThread(loopThread);  // returns once the thread has ended
  loopThread.store(0);
  // A thread that ended without taking the quit leaves nothing to wait for.
  mailbox.pending.store(0, std::memory_order_release);
}
