// Checks a Standard MIDI File completely before the synthesiser sees it, and
// works out what the player needs to know in advance (its length).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct MidiFileInfo {
  int format = 0;           // 0, 1 or 2
  int tracks = 0;           // MTrk chunks, as many as the header announces
  int division = 0;         // ticks per quarter note
  uint32_t lastTick = 0;    // tick of the last event of the longest track
  double lengthSeconds = 0; // time of that tick under the file's tempo map
  int noteOns = 0;          // note-on events with a velocity above 0
};

// True when the bytes are a well-formed Standard MIDI File: header and track
// chunks inside the data, every event complete inside its track, running
// status only after a channel status, lengths of meta and system-exclusive
// events inside the track, ticks per quarter note (time-code division is not
// played). On failure `why` says what is wrong. On success `clean` (when
// given) receives the same music rewritten in the plainest form of the format
// (six-byte header, a status byte on every event, one end-of-track event at
// the end of each track, no other chunks): that is what the synthesiser reads.
bool ParseMidiFile(const uint8_t* data, size_t size, MidiFileInfo& info,
                   std::string* why = nullptr, std::vector<uint8_t>* clean = nullptr);

}  // namespace platform
