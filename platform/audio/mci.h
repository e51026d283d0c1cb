// The MCI command strings the sound layer sends, read into commands for the
// mixer. Error codes keep the values the Windows interface gives them, so a
// log of results reads the same.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

enum : uint32_t {
  kMciOk = 0,
  kMciErrUnrecognizedKeyword = 259,
  kMciErrUnrecognizedCommand = 261,
  kMciErrInvalidDeviceName = 263,     // no device of that alias or type
  kMciErrOutOfMemory = 264,           // a file too large to hold
  kMciErrCannotLoadDriver = 266,      // the soundfont could not be loaded
  kMciErrMissingCommandString = 267,
  kMciErrMissingStringArgument = 269, // "type" or "alias" without its word
  kMciErrMissingParameter = 273,
  kMciErrUnsupportedFunction = 274,
  kMciErrFileNotFound = 275,
  kMciErrDeviceTypeRequired = 287,
  kMciErrDuplicateAlias = 289,
  kMciErrMissingDeviceName = 292,
  kMciErrNoClosingQuote = 294,
  kMciErrDuplicateFlags = 295,
  kMciErrInvalidFile = 296,           // not a well-formed WAV or MIDI file
};

struct MciCommand {
  enum Verb { kOpen, kPlay, kStop, kSeekStart, kClose } verb = kOpen;
  std::string file;    // open only
  bool sequencer = false;  // open only: type Sequencer (else WaveAudio)
  std::string alias;
  bool wait = false;
};

// Reads one command string of the vocabulary
//   open "file" type WaveAudio|Sequencer alias A [wait]
//   play A [wait]   stop A [wait]   seek A to start [wait]   close A [wait]
// (keywords in any case, words separated by blanks, any word may be quoted).
// Returns kMciOk or the error code for the first thing wrong.
uint32_t ParseMciCommand(const std::string& text, MciCommand& out);

}  // namespace platform
