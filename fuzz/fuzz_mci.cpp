// MCI command strings on arbitrary text, through the interpreter and the
// mixer: each line is one command. Opens are pointed at a scratch file (a
// short valid WAV, a short valid MIDI file, or a missing one) so the fuzzer
// never wanders the file system; "play ... wait" is sent without its wait.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/mci.h"

namespace {

std::string g_wav, g_mid;

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void PutTag(std::vector<uint8_t>& b, const char* t) { b.insert(b.end(), t, t + 4); }

void WriteFile(const std::string& path, const std::vector<uint8_t>& b) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

void MakeScratchFiles() {
  std::string dir = "/tmp/qm-fuzz-mci-" + std::to_string(getpid());
  mkdir(dir.c_str(), 0700);
  g_wav = dir + "/a.wav";
  g_mid = dir + "/a.mid";
  std::vector<uint8_t> wav;
  const uint32_t frames = 441;
  PutTag(wav, "RIFF");
  Put32(wav, 36 + frames * 2);
  PutTag(wav, "WAVE");
  PutTag(wav, "fmt ");
  Put32(wav, 16);
  Put16(wav, 1);
  Put16(wav, 1);
  Put32(wav, 44100);
  Put32(wav, 88200);
  Put16(wav, 2);
  Put16(wav, 16);
  PutTag(wav, "data");
  Put32(wav, frames * 2);
  for (uint32_t i = 0; i < frames; ++i) Put16(wav, (i % 50) * 400);
  WriteFile(g_wav, wav);
  std::vector<uint8_t> mid;
  PutTag(mid, "MThd");
  // Length 6, format 0, one track, 96 ticks a quarter note.
  const uint8_t header[] = {0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
  mid.insert(mid.end(), header, header + sizeof header);
  const uint8_t track[] = {0x00, 0x90, 60, 100, 0x30, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
  PutTag(mid, "MTrk");
  const uint8_t len[] = {0, 0, 0, sizeof track};
  mid.insert(mid.end(), len, len + 4);
  mid.insert(mid.end(), track, track + sizeof track);
  WriteFile(g_mid, mid);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  MakeScratchFiles();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::set<std::string> aliases;
  size_t start = 0, lines = 0;
  while (start <= text.size() && lines++ < 16) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    platform::MciCommand cmd;
    uint32_t parsed = platform::ParseMciCommand(line, cmd);
    if (parsed != platform::kMciOk) {
      // A refused string must be refused by the interpreter too, harmlessly.
      if (platform::SendMciString(line) == platform::kMciOk) std::abort();
      continue;
    }
    std::string send;
    switch (cmd.verb) {
      case platform::MciCommand::kOpen: {
        const std::string& file = (cmd.alias.size() % 3 == 0)   ? g_wav
                                  : (cmd.alias.size() % 3 == 1) ? g_mid
                                                                : g_wav + ".missing";
        send = "open \"" + file + "\" type " + (cmd.sequencer ? "Sequencer" : "WaveAudio") +
               " alias \"" + cmd.alias + "\" wait";
        aliases.insert(cmd.alias);
        break;
      }
      case platform::MciCommand::kPlay:
        send = "play \"" + cmd.alias + "\"";
        break;
      default:
        send = line;
        break;
    }
    platform::SendMciString(send);
  }
  int16_t buffer[2 * 512];
  platform::RenderAudio(buffer, 512);
  for (const std::string& alias : aliases) platform::SendMciString("close \"" + alias + "\" wait");
  return 0;
}
