// The sound table, the mailbox and the commands the sound-loop thread carries out.
#include <climits>
#include <vector>

#include "platform/platform.h"
#include "zkmci/sound_state.h"
#include "zkmci/zkmci.h"

namespace zkmci {

SoundRecord table[kMaxSounds + 1];
std::atomic<int32_t> soundCount{0};
Mailbox mailbox;
std::mutex postMutex;
std::atomic<bool> loopRunning{false};
std::atomic<platform::ThreadHandle> loopThread{0};

namespace {

const char* const kCaption = "Sound";
const char* const kLimitText = "サウンド数が限界値を超えました";
const char* const kExtensionText = "は認識できない拡張子です";
const char* const kIdText = "サウンドⅠＤが異常値です (";

std::string AliasOf(int32_t id) { return "sa" + std::to_string(id); }

bool ValidId(int32_t id) { return id >= 1 && id <= kMaxSounds; }

// Under postMutex with the mailbox empty: steps 4 to 6 of a post. Returns the
// id posted, or 0 with the messages to show once the lock is released.
int32_t CheckAndFill(int32_t id, int32_t code, int32_t parameter, const std::string& file,
                     std::vector<std::string>& messages) {
  bool failed = false;
  if (code == kSoundOpen) {
    const std::string ext = FileExtension(file);
    const char* type = ext == "wav" ? "WaveAudio" : ext == "mid" ? "Sequencer" : nullptr;
    if (type) {
      if (soundCount.load() >= kMaxSounds) {
        messages.push_back(kLimitText);
        id = 0;
      } else {
        id = soundCount.load() + 1;
        table[id].deviceType = type;
        soundCount.store(id);
      }
    } else {
      messages.push_back(ext + kExtensionText);
      failed = true;
    }
  }
  if (id < 1 || id > soundCount.load()) {
    messages.push_back(kIdText + std::to_string(id) + ")");
    failed = true;
  }
  if (failed) return 0;
  mailbox.id = id;
  mailbox.parameter = parameter;
  mailbox.file = file;
  mailbox.pending.store(code, std::memory_order_release);  // last: the request is complete
  return id;
}

}  // namespace
}  // namespace zkmci

using namespace zkmci;

std::string FileExtension(const std::string& fileName) {
  size_t dot = fileName.rfind('.');
  std::string ext = dot == std::string::npos ? fileName : fileName.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

int32_t SoundCommand(int32_t id, int32_t code, int32_t parameter, const std::string& file) {
  platform::Sleep(200);
  std::vector<std::string> messages;
  int32_t result = 0;
  for (;;) {
    // Without a sound-loop thread nothing would ever empty the mailbox, so
    // nothing is posted (and nobody waits): the command is refused quietly;
    // starting the thread has already reported why there is none.
    if (!loopRunning.load()) return 0;
    {
      std::lock_guard lock(postMutex);
      if (mailbox.pending.load(std::memory_order_acquire) == 0) {
        result = CheckAndFill(id, code, parameter, file, messages);
        break;
      }
    }
    // Busy: a command other than open is dropped; an open waits its turn.
    if (code != kSoundOpen) return 0;
    platform::Sleep(10);
  }
  for (const std::string& text : messages) platform::MessageBox(0, text, kCaption, platform::MB_OK);
  return result;
}

void ClearSoundTable() {
  std::lock_guard lock(postMutex);
  for (SoundRecord& r : table) {
    r.alias.clear();
    r.deviceType.clear();
    r.loopTicks.store(0);
  }
}

void InitZKMCI() {
  loopThread.store(0);
  loopRunning.store(false);
  soundCount.store(0);
  {
    std::lock_guard lock(postMutex);
    mailbox.id = 0;
    mailbox.parameter = 0;
    mailbox.file.clear();
    mailbox.pending.store(0);
    for (SoundRecord& r : table) r.countdown.store(0);
  }
  ClearSoundTable();
}

void SendMci(const std::string& text) {
  platform::LogEvent("mci " + text);
  platform::SendMciString(text);
}

void OpenSound(int32_t id) {
  if (!ValidId(id)) return;
  SoundRecord& r = table[id];
  std::string type;
  {
    std::lock_guard lock(postMutex);
    type = r.deviceType;
    r.alias = AliasOf(id);
  }
  int32_t parameter = mailbox.parameter;
  if (parameter < 1) parameter = 1;
  if (parameter > INT32_MAX / 100) parameter = INT32_MAX / 100;  // keeps the ticks in range
  r.loopTicks.store(parameter * 100);
  SendMci("open \"" + mailbox.file + "\" type " + type + " alias " + r.alias + " wait");
}

void StopSound(int32_t id) {
  if (!ValidId(id)) return;
  SoundRecord& r = table[id];
  SendMci("stop " + r.alias + " wait");
  SendMci("seek " + r.alias + " to start wait");
  r.countdown.store(-1);
}

void StartSound(int32_t id, int32_t mode) {
  if (!ValidId(id)) return;
  StopSound(id);
  SoundRecord& r = table[id];
  std::string text = "play " + r.alias;
  if (mode == 1) {
    text += " wait";
    r.countdown.store(-1);
  } else if (mode == 2) {
    r.countdown.store(-1);
  } else {
    r.countdown.store(r.loopTicks.load());
  }
  SendMci(text);
}

void CloseAllSounds() {
  const int32_t count = soundCount.load();
  for (int32_t id = 1; id <= count && id <= kMaxSounds; ++id) {
    if (table[id].alias.empty()) continue;
    StopSound(id);
    SendMci("close " + table[id].alias + " wait");
  }
  ClearSoundTable();
}

SoundRecordView SoundRecordOf(int32_t id) {
  SoundRecordView v;
  if (id < 0 || id > kMaxSounds) return v;
  std::lock_guard lock(postMutex);
  v.alias = table[id].alias;
  v.deviceType = table[id].deviceType;
  v.loopTicks = table[id].loopTicks.load();
  v.countdown = table[id].countdown.load();
  return v;
}

int32_t SoundCount() { return soundCount.load(); }
int32_t PendingSoundCommand() { return mailbox.pending.load(); }
