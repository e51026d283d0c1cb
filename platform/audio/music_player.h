// What plays the piece of a Sequencer device: the mixer holds one of these
// and plays one piece at a time. Two kinds: the MIDI synthesiser (FluidSynth
// with the General MIDI soundfont, midi_synth.h) and a recording of what that
// synthesiser makes of the piece, rendered at build time (prerendered.h) for
// builds without it: the browser page, other systems. Not locked: the mixer
// holds its mutex around every call.
#pragma once
#include <cstdint>
#include <vector>

namespace platform {

class MusicPlayer {
 public:
  virtual ~MusicPlayer() = default;
  // Plays a piece (the bytes its device keeps) from a position in the
  // player's own units (MIDI ticks, or frames of the recording). Whatever
  // played before is cut off.
  virtual bool Start(const std::vector<uint8_t>& piece, int position) = 0;
  // Stops the piece, letting its notes ring out; returns the position it reached.
  virtual int Stop() = 0;
  // Ends every sound at once (after the mixer has faded the output out).
  virtual void Silence() = 0;
  // True while a started piece has not been stopped or run out.
  virtual bool Playing() const = 0;
  // The position reached (0 without a piece).
  virtual int Position() const = 0;
  // True while anything can still sound (a piece, or notes dying away).
  virtual bool Sounding() const = 0;
  // Writes the next `frames` frames into `left` and `right` (full scale 1.0).
  virtual void Render(float* left, float* right, int frames) = 0;
  // Unvoiced, the piece keeps its exact timing (positions, end, restarts) but
  // renders silence, at a small part of the cost. Takes effect from the next Start.
  virtual void SetVoiced(bool voiced) = 0;
};

}  // namespace platform
