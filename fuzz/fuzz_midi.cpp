// The MIDI file check on arbitrary bytes: never a read outside them; what it
// accepts, rewritten, reads back the same and is played by the synthesiser
// for a moment without harm.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"
#include "platform/audio/midi_file.h"
#include "platform/audio/midi_synth.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::MidiFileInfo info;
  std::vector<uint8_t> clean;
  if (!platform::ParseMidiFile(data, size, info, nullptr, &clean)) return 0;
  if (info.tracks < 1 || info.division <= 0 || !(info.lengthSeconds >= 0)) std::abort();

  platform::MidiFileInfo again;
  std::vector<uint8_t> cleanAgain;
  if (!platform::ParseMidiFile(clean.data(), clean.size(), again, nullptr, &cleanAgain)) std::abort();
  if (cleanAgain != clean || again.lastTick != info.lastTick || again.noteOns != info.noteOns)
    std::abort();

  static std::unique_ptr<platform::MidiSynth> synth = [] {
    auto s = std::make_unique<platform::MidiSynth>();
    if (!s->Load(platform::kDefaultSoundFont, platform::kAudioRate)) s.reset();
    return s;
  }();
  if (synth && synth->Start(clean, 0)) {
    float left[256], right[256];
    synth->Render(left, right, 256);
    synth->Stop();
  }
  return 0;
}
