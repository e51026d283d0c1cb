// The devices behind the MCI strings and the mixer that plays them (the
// public side is platform/audio/audio.h). Every call is thread-safe.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Each returns kMciOk or an MCI error code (platform/audio/mci.h). Aliases are
// compared without regard to case, as MCI does.
uint32_t MixerOpen(const std::string& file, bool sequencer, const std::string& alias);
// Plays from the device's position (nothing when it is at its end). Starting
// a Sequencer device stops any other that is playing: there is one
// synthesiser. With `wait` it returns when the device has stopped or reached
// its end, or when the stream has not been rendered for that long.
uint32_t MixerPlay(const std::string& alias, bool wait);
uint32_t MixerStop(const std::string& alias);       // stays at its position
uint32_t MixerSeekStart(const std::string& alias);  // stops and rewinds
uint32_t MixerClose(const std::string& alias);

// For tests and measurements.
bool MixerDevicePlaying(const std::string& alias);
int MixerDeviceCount();
// Pieces played from their recordings (prerendered.h) rather than synthesised
// (the default in builds without FluidSynth). Changing it drops the player.
void SetPrerenderedMusic(bool on);
// The soundfont used from the next load on (the packaged General MIDI one by default).
void SetSoundFontPath(const std::string& path);
extern const char* const kDefaultSoundFont;

}  // namespace platform
