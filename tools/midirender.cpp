// qm_midirender: plays a MIDI file through FluidSynth with the General MIDI
// sound font and reports what it sounds like in numbers: length, peak and
// the loudness of every second. Optionally writes the WAV to listen to.
//   qm_midirender FILE.mid [--wav OUT.wav] [--soundfont SF2] [--check]
// With --check the exit status is 1 when the piece clips (peak at full
// scale) or has a second quieter than -40 dBFS.
//   qm_midirender FILE.mid --ogg OUT.ogg [--soundfont SF2]
// records the piece as the game's own mixer plays it, from its start through
// the notes that ring out after its end, as Ogg Vorbis: what the builds
// without a MIDI synthesiser play (the browser page).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"
#include "tools/assetkit/ogg.h"
#include "tools/assetkit/render.h"

namespace {

bool RecordAsTheGamePlays(const std::string& midi, const std::string& soundFont,
                          std::vector<int16_t>& out, std::string& error) {
  platform::SetSoundFontPath(soundFont);
  platform::SetPrerenderedMusic(false);
  if (platform::MixerOpen(midi, true, "piece") != 0 || platform::MixerPlay("piece", false) != 0) {
    error = "cannot play " + midi;
    return false;
  }
  constexpr int kChunk = 1024, kMaxFrames = platform::kAudioRate * 600;
  constexpr int kQuietEnough = 4, kTailFrames = platform::kAudioRate * 4;
  int16_t chunk[2 * kChunk];
  auto render = [&] {
    platform::RenderAudio(chunk, kChunk);
    out.insert(out.end(), chunk, chunk + 2 * kChunk);
    int peak = 0;
    for (int16_t v : chunk) peak = std::max(peak, v < 0 ? -v : int{v});
    return peak;
  };
  while (platform::MixerDevicePlaying("piece") && out.size() < 2u * kMaxFrames) render();
  // The notes ringing out after the end, until a quarter second has been silent.
  for (int tail = 0, quiet = 0; tail < kTailFrames && quiet < platform::kAudioRate / 4; tail += kChunk)
    quiet = render() <= kQuietEnough ? quiet + kChunk : 0;
  platform::MixerClose("piece");
  platform::ShutdownAudio();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string midi, wav, ogg, sf = assetkit::kSoundFont;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--wav" && i + 1 < argc) {
      wav = argv[++i];
    } else if (a == "--ogg" && i + 1 < argc) {
      ogg = argv[++i];
    } else if (a == "--soundfont" && i + 1 < argc) {
      sf = argv[++i];
    } else if (a == "--check") {
      check = true;
    } else if (midi.empty() && a[0] != '-') {
      midi = a;
    } else {
      midi.clear();
      break;
    }
  }
  if (midi.empty()) {
    std::fprintf(stderr, "usage: qm_midirender FILE.mid [--wav OUT.wav | --ogg OUT.ogg] [--soundfont SF2] [--check]\n");
    return 2;
  }
  if (!ogg.empty()) {
    std::vector<int16_t> samples;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!RecordAsTheGamePlays(midi, sf, samples, error) ||
        !assetkit::EncodeOggVorbis(samples, platform::kAudioRate, 0.1f, bytes)) {
      std::fprintf(stderr, "qm_midirender: %s\n", error.empty() ? "cannot encode" : error.c_str());
      return 1;
    }
    std::ofstream f(ogg, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f.flush()) {
      std::fprintf(stderr, "qm_midirender: cannot write %s\n", ogg.c_str());
      return 1;
    }
    return 0;
  }
  assetkit::Rendering r;
  std::string error;
  if (!assetkit::RenderMidi(midi, sf, 1.0, r, error)) {
    std::fprintf(stderr, "qm_midirender: %s\n", error.c_str());
    return 1;
  }
  assetkit::LoudnessReport rep = assetkit::Measure(r);
  std::printf("%s\n  length %.3f s\n  peak   %.3f (%.1f dBFS)\n  rms per second (dBFS):", midi.c_str(), rep.seconds,
              rep.peak, assetkit::ToDb(rep.peak));
  for (size_t s = 0; s < rep.rmsPerSecond.size(); ++s) {
    if (s % 10 == 0) std::printf("\n   %3zu:", s);
    std::printf(" %6.1f", assetkit::ToDb(rep.rmsPerSecond[s]));
  }
  std::printf("\n  quietest second %.1f dBFS\n", assetkit::ToDb(rep.MinRms()));
  if (!wav.empty() && !assetkit::WriteWav(wav, r.samples)) {
    std::fprintf(stderr, "qm_midirender: cannot write %s\n", wav.c_str());
    return 1;
  }
  if (check && (rep.peak >= 0.999 || assetkit::ToDb(rep.MinRms()) < -40.0)) {
    std::printf("  FAILED: %s\n", rep.peak >= 0.999 ? "clipping" : "a (nearly) silent second");
    return 1;
  }
  return 0;
}
