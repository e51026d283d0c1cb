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
