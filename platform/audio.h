// Sound below the sound layer: the MCI command-string interpreter and the
// mixer that turns every open device into one 44.1 kHz stereo stream.
// Implemented in platform/ (common to both backends); the backends only pull
// samples: the SDL backend from its audio callback, the sim backend for
// exactly the simulated time that passes.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;

// Carries out one MCI command string (open/play/stop/seek/close). Returns 0 on
// success or an MCI-style error code. Blocks only for "play ... wait".
uint32_t SendMciString(const std::string& command);

// Mixes the next `frames` stereo frames (interleaved L, R) of everything that
// plays. Thread-safe against SendMciString.
void RenderAudio(int16_t* out, int frames);

// Loads the soundfont and prepares the synthesiser; called once by the backend
// off the window thread. Harmless to skip: the first Sequencer open loads it.
void InitAudio();
// Stops and releases every device and the synthesiser.
void ShutdownAudio();

}  // namespace platform
