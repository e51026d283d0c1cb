#include "platform/audio/mci.h"

#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/audio_mixer.h"

namespace platform {
namespace {

bool Same(const std::string& word, const char* keyword) {
  size_t i = 0;
  for (; i < word.size() && keyword[i]; ++i) {
    char c = word[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != keyword[i]) return false;
  }
  return i == word.size() && keyword[i] == 0;
}

// Splits on blanks; a word in double quotes may hold blanks (the quotes go).
uint32_t Words(const std::string& text, std::vector<std::string>& words) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= n) break;
    std::string w;
    if (text[i] == '"') {
      size_t close = text.find('"', i + 1);
      if (close == std::string::npos) return kMciErrNoClosingQuote;
      w = text.substr(i + 1, close - i - 1);
      i = close + 1;
    } else {
      while (i < n && text[i] != ' ' && text[i] != '\t') w += text[i++];
    }
    words.push_back(w);
  }
  return kMciOk;
}

}  // namespace

uint32_t ParseMciCommand(const std::string& text, MciCommand& out) {
  out = MciCommand{};
  std::vector<std::string> w;
  if (uint32_t err = Words(text, w)) return err;
  if (w.empty()) return kMciErrMissingCommandString;

  const std::string& verb = w[0];
  size_t i = 1;
  if (Same(verb, "open")) {
    out.verb = MciCommand::kOpen;
    if (w.size() < 2 || w[1].empty()) return kMciErrMissingDeviceName;
    out.file = w[1];
    bool haveType = false, haveAlias = false;
    for (i = 2; i < w.size(); ++i) {
      if (Same(w[i], "type") || Same(w[i], "alias")) {
        bool isType = Same(w[i], "type");
        if ((isType && haveType) || (!isType && haveAlias)) return kMciErrDuplicateFlags;
        if (i + 1 >= w.size() || w[i + 1].empty()) return kMciErrMissingStringArgument;
        const std::string& value = w[++i];
        if (isType) {
          if (Same(value, "sequencer")) out.sequencer = true;
          else if (Same(value, "waveaudio")) out.sequencer = false;
          else return kMciErrInvalidDeviceName;
          haveType = true;
        } else {
          out.alias = value;
          haveAlias = true;
        }
      } else if (Same(w[i], "wait")) {
        if (out.wait) return kMciErrDuplicateFlags;
        out.wait = true;
      } else {
        return kMciErrUnrecognizedKeyword;
      }
    }
    if (!haveType) return kMciErrDeviceTypeRequired;
    if (!haveAlias) return kMciErrMissingParameter;
    return kMciOk;
  }

  if (Same(verb, "play")) out.verb = MciCommand::kPlay;
  else if (Same(verb, "stop")) out.verb = MciCommand::kStop;
  else if (Same(verb, "seek")) out.verb = MciCommand::kSeekStart;
  else if (Same(verb, "close")) out.verb = MciCommand::kClose;
  else return kMciErrUnrecognizedCommand;

  if (w.size() < 2 || w[1].empty()) return kMciErrMissingDeviceName;
  out.alias = w[1];
  bool haveTo = false;
  for (i = 2; i < w.size(); ++i) {
    if (Same(w[i], "wait")) {
      if (out.wait) return kMciErrDuplicateFlags;
      out.wait = true;
    } else if (out.verb == MciCommand::kSeekStart && Same(w[i], "to")) {
      if (haveTo) return kMciErrDuplicateFlags;
      if (i + 1 >= w.size()) return kMciErrMissingParameter;
      // Only the start is a position these devices are sought to.
      if (!Same(w[++i], "start")) return kMciErrUnsupportedFunction;
      haveTo = true;
    } else {
      return kMciErrUnrecognizedKeyword;
    }
  }
  if (out.verb == MciCommand::kSeekStart && !haveTo) return kMciErrMissingParameter;
  return kMciOk;
}

uint32_t SendMciString(const std::string& command) {
  MciCommand c;
  if (uint32_t err = ParseMciCommand(command, c)) return err;
  switch (c.verb) {
    case MciCommand::kOpen: return MixerOpen(c.file, c.sequencer, c.alias);
    case MciCommand::kPlay: return MixerPlay(c.alias, c.wait);
    case MciCommand::kStop: return MixerStop(c.alias);
    case MciCommand::kSeekStart: return MixerSeekStart(c.alias);
    case MciCommand::kClose: return MixerClose(c.alias);
  }
  return kMciErrUnrecognizedCommand;
}

}  // namespace platform
