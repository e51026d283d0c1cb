// A compact note language (MML) and its compiler to Standard MIDI Files.
//
// A score is a text of lines:
//   ; comment (anywhere, to the end of the line)
//   #title Any text        #tempo 140.5        #meter 4/4
//   #length 41             the piece must last this many seconds (checked)
//   #track NAME CHANNEL    declares a track on MIDI channel 1..16 (10 = drums)
//   $NAME = text           a macro; $NAME anywhere later expands to the text
//   NAME: commands         appends commands to track NAME
//
// Commands:
//   c d e f g a b          a note, then + or # (sharp) or - (flat), a length, dots
//   r                      a rest with length and dots
//   n60  n60,8             a note by MIDI number (drums), optional length
//   {c e >g}4  {n36 n42}8  a chord; octave changes inside stay inside
//   ^8                     lengthens the previous note or rest
//   &                      the next note of the same pitch continues this one
//   o4 > <                 octave (o4 c is middle C, MIDI 60), up, down
//   l8  l4.                default length (1 whole, 2 half, 4, 8, 16, 32; 3, 6, 12, 24 triplets)
//   q1..q8                 sounding part of each note, in eighths of its length
//   v0..v127               velocity          V0..V127  channel volume
//   @0..@127               program           p0..p127  pan
//   y91,40                 any controller    k-12..k12 transpose of note letters
//   t120                   tempo change at this point
//   [ ... / ... ]3         repeat three times; the part after / is skipped on the last pass
//   |                      bar line: an error unless it falls on a bar boundary
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetkit {

constexpr int kPpq = 480;

struct MidiEvent {
  uint32_t tick = 0;
  int order = 0;  // at equal ticks: note-offs, then settings, then note-ons
  std::vector<uint8_t> data;
};

struct MidiTrack {
  std::string name;
  int channel = 0;  // 0..15
  std::vector<MidiEvent> events;
  uint32_t endTick = 0;
};

struct Song {
  std::string title;
  int meterNum = 4, meterDen = 4;
  std::vector<std::pair<uint32_t, uint32_t>> tempos;  // tick, microseconds per quarter
  std::vector<MidiTrack> tracks;
  uint32_t endTick = 0;
  double expectedSeconds = -1;
};

// Compiles a score. On failure returns false and puts "line N: what" in error.
bool CompileMml(const std::string& text, Song& song, std::string& error);

// Seconds from the start to `tick` under the song's tempo map.
double SecondsAt(const Song& song, uint32_t tick);

// Type 1 Standard MIDI File: a conductor track, then one track per score track.
std::vector<uint8_t> EncodeSmf(const Song& song);

// What a test wants to know about a MIDI file, read back from its bytes.
struct SmfSummary {
  int format = -1;
  int trackCount = 0;
  int division = 0;
  double seconds = 0;             // time of the last end-of-track
  int notesOnChannel[16] = {};    // note-ons with velocity > 0
  int programOnChannel[16] = {};  // last program change, -1 if none
  int lowestNote[16] = {};
  int highestNote[16] = {};
};
bool ReadSmf(const std::vector<uint8_t>& bytes, SmfSummary& out, std::string& error);

}  // namespace assetkit
