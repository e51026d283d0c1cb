// The one MIDI synthesiser: a General MIDI soundfont and a player that reads
// a Standard MIDI File, both driven by the samples rendered (so rendering the
// same stream always gives the same music). Not locked: the mixer holds its
// mutex around every call.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio/music_player.h"

namespace platform {

class MidiSynth : public MusicPlayer {
 public:
  MidiSynth() = default;
  ~MidiSynth() override;
  MidiSynth(const MidiSynth&) = delete;
  MidiSynth& operator=(const MidiSynth&) = delete;

  // Creates the synthesiser at the mixer's rate and loads the soundfont.
  bool Load(const std::string& soundFontPath, int sampleRate);

  // Plays a file (already checked and rewritten by ParseMidiFile) from the
  // given tick. Whatever played before is cut off: the player resets the
  // synthesiser at the start of every piece.
  bool Start(const std::vector<uint8_t>& file, int tick) override;
  // Stops the player and releases its notes; returns the tick it had reached.
  int Stop() override;
  // Ends every voice at once (after the mixer has faded the output out).
  void Silence() override;
  // True while a started piece has not been stopped or given up by the player
  // (which holds on for a while after the last event).
  bool Playing() const override;
  // The tick the player has reached (0 without a piece).
  int Position() const override;
  // True while anything can still sound (a piece, or notes dying away).
  bool Sounding() const override;
  // Writes the next `frames` frames into `left` and `right` (full scale 1.0).
  void Render(float* left, float* right, int frames) override;
  // Unvoiced, the player runs on the same sample clock but no note is struck
  // and the effects are off: the piece keeps its exact timing (ticks, end,
  // restarts) at a small part of the cost, and renders silence. For runs
  // that never listen. Takes effect from the next Start.
  void SetVoiced(bool voiced) override;

 private:
  void DropPlayer();

  // The synthesiser computes 64 frames at a time; whole blocks are taken
  // here and handed out, so that a new piece never begins with the rest of a
  // block computed before it.
  static constexpr int kBlock = 64;
  float blockL_[kBlock] = {};
  float blockR_[kBlock] = {};
  int blockPos_ = kBlock;  // next frame of the block to hand out

  void* settings_ = nullptr;  // fluid_settings_t
  void* synth_ = nullptr;     // fluid_synth_t
  void* player_ = nullptr;    // fluid_player_t
  bool voiced_ = true;
};

}  // namespace platform
