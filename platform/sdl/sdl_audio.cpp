// The sound device: one SDL audio stream that the mixer fills from its
// callback. The device is opened in the background so that loading the
// soundfont never holds up the window; without a device the game is silent.
#include <thread>

#include "platform/audio/audio.h"
#include "platform/sdl/sdl_internal.h"

namespace platform::sdl {
namespace {

std::thread gAudioStarter;
std::atomic<SDL_AudioDeviceID> gDevice{0};
std::atomic<bool> gAudioUp{false};

void Fill(void* /*userdata*/, Uint8* stream, int len) {
  int frames = len / static_cast<int>(sizeof(int16_t) * kAudioChannels);
  RenderAudio(reinterpret_cast<int16_t*>(stream), frames);
}

}  // namespace

void StartAudio() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;  // no sound: play silent
  gAudioUp = true;
  gAudioStarter = std::thread([] {
    InitAudio();
    SDL_AudioSpec want{}, have{};
    want.freq = kAudioRate;
    want.format = AUDIO_S16SYS;
    want.channels = kAudioChannels;
    want.samples = 1024;
    want.callback = Fill;
    // The mixer's format is fixed, so SDL converts whatever the device wants.
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev == 0) return;
    gDevice = dev;
    SDL_PauseAudioDevice(dev, 0);
  });
}

void StopAudio() {
  if (gAudioStarter.joinable()) gAudioStarter.join();
  if (SDL_AudioDeviceID dev = gDevice.exchange(0)) SDL_CloseAudioDevice(dev);
  if (gAudioUp.exchange(false)) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  ShutdownAudio();
}

}  // namespace platform::sdl
