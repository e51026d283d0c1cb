// The sound layer: a table of up to 100 sounds, a one-slot command mailbox
// and the sound-loop thread that alone talks to the MCI interpreter.
#pragma once
#include <cstdint>
#include <string>

constexpr int kSoundOpen = 1;
constexpr int kSoundPlayWait = 18;
constexpr int kSoundPlayOnce = 19;
constexpr int kSoundPlayLooped = 20;
constexpr int kSoundStop = 32;
constexpr int kSoundQuit = 255;

// Posts a command; returns the id (for open the new id) or 0 when refused.
int32_t SoundCommand(int32_t id, int32_t code, int32_t parameter, const std::string& file);
std::string FileExtension(const std::string& fileName);
void ClearSoundTable();
// Start-up preparation of the layer (no thread, count 0, empty mailbox, table cleared).
void InitZKMCI();
void StartSoundLoop();
void EndSoundLoop();
// True while a sound-loop thread is running to take posted commands.
bool SoundLoopRunning();

// Thread-side operations: run only by the sound-loop thread.
void OpenSound(int32_t id);
void StopSound(int32_t id);
void StartSound(int32_t id, int32_t mode);  // 1 play and wait, 2 play once, 3 looped
void CloseAllSounds();
// Sends one MCI command string (its result is not looked at).
void SendMci(const std::string& text);

// A copy of one record of the sound table (0 to 100), for tests and dumps.
struct SoundRecordView {
  std::string alias;
  std::string deviceType;
  int32_t loopTicks = 0;
  int32_t countdown = 0;
};
SoundRecordView SoundRecordOf(int32_t id);
int32_t SoundCount();           // ids handed out so far
int32_t PendingSoundCommand();  // the mailbox's pending code, 0 when empty
