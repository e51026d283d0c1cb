// A piece played from a recording of it: what the General MIDI synthesiser
// makes of the MIDI file, rendered at build time (qm_midirender --ogg) and
// kept as Ogg Vorbis beside it (bgm/stage.mid -> bgm/stage.ogg). The builds
// without FluidSynth play their music this way. Positions are frames of the
// recording (44.1 kHz stereo); the recording runs on past the piece's end
// with the notes that ring out.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/music_player.h"

struct stb_vorbis;

namespace platform {

// Where the recording of a MIDI file is kept: its path with the extension
// ".ogg" instead of ".mid" (any case), or with ".ogg" added.
std::string RecordingPathFor(const std::string& midiPath);
// True when the bytes are a recording the player can play: Ogg Vorbis, two
// channels at the mixer's rate.
bool CheckRecording(const std::vector<uint8_t>& bytes);

class PrerenderedMusic : public MusicPlayer {
 public:
  PrerenderedMusic() = default;
  ~PrerenderedMusic() override;
  PrerenderedMusic(const PrerenderedMusic&) = delete;
  PrerenderedMusic& operator=(const PrerenderedMusic&) = delete;

  bool Start(const std::vector<uint8_t>& recording, int frame) override;
  int Stop() override;
  void Silence() override;
  bool Playing() const override { return playing_; }
  int Position() const override { return position_; }
  bool Sounding() const override { return sounding_; }
  void Render(float* left, float* right, int frames) override;
  void SetVoiced(bool voiced) override { voicedNext_ = voiced; }

 private:
  void Close();

  std::vector<uint8_t> bytes_;  // the decoder reads from its own copy
  stb_vorbis* vorbis_ = nullptr;
  int position_ = 0;
  int length_ = 0;  // frames in the recording
  bool playing_ = false, sounding_ = false;
  bool voiced_ = true, voicedNext_ = true;
};

}  // namespace platform
