// qm_midirender: plays a MIDI file through FluidSynth with the General MIDI
// sound font and reports what it sounds like in numbers: length, peak and
// the loudness of every second. Optionally writes the WAV to listen to.
//   qm_midirender FILE.mid [--wav OUT.wav] [--soundfont SF2] [--check]
// With --check the exit status is 1 when the piece clips (peak at full
// scale) or has a second quieter than -40 dBFS.
#include <cstdio>
#include <string>

#include "tools/assetkit/render.h"

int main(int argc, char** argv) {
  std::string midi, wav, sf = assetkit::kSoundFont;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--wav" && i + 1 < argc) {
      wav = argv[++i];
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
    std::fprintf(stderr, "usage: qm_midirender FILE.mid [--wav OUT.wav] [--soundfont SF2] [--check]\n");
    return 2;
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
