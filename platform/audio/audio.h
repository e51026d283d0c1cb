// Sound below the sound layer: the MCI command-string interpreter and the
// mixer that turns every open device into one 44.1 kHz stereo stream.
// Implemented in platform/audio/ (common to both backends); the backends only pull
// samples: the SDL backend from its audio callback, the sim backend for
// exactly the simulated time that passes.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"  // SendMciString

namespace platform {

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;

// Mixes the next `frames` stereo frames (interleaved L, R) of everything that
// plays. Thread-safe against SendMciString.
void RenderAudio(int16_t* out, int frames);

// Loads the soundfont and prepares the synthesiser; called once by the backend
// off the window thread. Harmless to skip: the first Sequencer open loads it.
void InitAudio();
// Voiced (the default), music is synthesised; unvoiced, every device keeps
// exactly the same positions, ends and restarts but the music is silence, at
// a small part of the cost. quillmoor-sim runs unvoiced unless asked for its
// sound (--audio).
void SetAudioVoiced(bool voiced);
// Stops and releases every device and the synthesiser.
void ShutdownAudio();

}  // namespace platform
