// Plays a MIDI file through FluidSynth into memory, so a piece can be
// measured (and listened to as a WAV) without a sound card.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetkit {

constexpr int kRenderRate = 44100;
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

struct Rendering {
  std::vector<int16_t> samples;  // interleaved stereo
  size_t playedFrames = 0;       // frames until the player reached the end
  double Seconds() const { return double(playedFrames) / kRenderRate; }
};

// Renders the whole file plus `tailSeconds` of release after the end.
bool RenderMidi(const std::string& midiPath, const std::string& soundFont, double tailSeconds, Rendering& out,
                std::string& error);

struct LoudnessReport {
  double seconds = 0;
  double peak = 0;                 // 0..1 of full scale
  std::vector<double> rmsPerSecond;  // 0..1 of full scale, one per started second of play
  double MinRms() const;
};
LoudnessReport Measure(const Rendering& r);

inline double ToDb(double v) { return v > 0 ? 20.0 * __builtin_log10(v) : -999.0; }

bool WriteWav(const std::string& path, const std::vector<int16_t>& stereo);

}  // namespace assetkit
