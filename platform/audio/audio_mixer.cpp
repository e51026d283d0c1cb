#include "platform/audio/audio_mixer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/mci.h"
#include "platform/audio/midi_file.h"
#include "platform/audio/prerendered.h"
#include "platform/audio/wav.h"
#ifdef QM_HAVE_FLUIDSYNTH
#include "platform/audio/midi_synth.h"
#endif
#include "platform/platform.h"

namespace platform {

const char* const kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

namespace {

// Larger files are refused rather than held in memory.
constexpr size_t kMaxSoundFileBytes = size_t{256} << 20;
// A stopped piece fades out over 30 ms and then falls silent: released notes
// of pads and strings would otherwise ring on for seconds after "stop", and
// cutting them dead would click.
constexpr int kStopFadeFrames = kAudioRate * 30 / 1000;

struct Device {
  uint64_t serial = 0;
  bool sequencer = false;
  bool playing = false;
  // WaveAudio: position in source frames, 32.32 fixed point, and the step per
  // output frame (source rate / output rate).
  WavSound wav;
  uint64_t pos = 0;
  uint64_t step = 0;
  // Sequencer: what its player plays (the checked MIDI file, or the piece's
  // recording), the piece's length, the player's position where the piece
  // ends (tick or frame) and the position to resume from.
  std::vector<uint8_t> piece;
  double lengthSeconds = 0;
  uint32_t endPosition = 0;
  int position = 0;
  bool atEnd = false;

  bool WavAtEnd() const { return (pos >> 32) >= wav.Frames(); }
  double RemainingSeconds() const {
    if (sequencer) return lengthSeconds;
    size_t frames = wav.Frames();
    size_t at = std::min<size_t>(pos >> 32, frames);
    return double(frames - at) / wav.rate;
  }
};

struct Mixer {
  std::mutex mutex;  // guards everything below; never held across a platform call
  std::map<std::string, std::unique_ptr<Device>> devices;  // by lower-case alias
  std::unique_ptr<MusicPlayer> synth;
  // Pieces played from their recordings instead of synthesised: always
  // without FluidSynth, on request with it (tests).
#ifdef QM_HAVE_FLUIDSYNTH
  bool prerendered = false;
#else
  bool prerendered = true;
#endif
  Device* active = nullptr;  // the Sequencer device whose piece the player is playing
  bool fading = false;       // a stopped piece is fading out
  int fadeLeft = 0;          // frames of the fade still to go
  bool muted = false;        // faded out: the synthesiser is not heard until the next piece
  uint64_t nextSerial = 1;
  std::string soundFont = kDefaultSoundFont;
  bool voiced = true;  // false: the synthesiser keeps time but strikes no note
};

// Never destroyed: an audio callback may still run while the process exits.
Mixer& M() {
  static Mixer* mixer = new Mixer;
  return *mixer;
}
// Held while the soundfont loads, so it is loaded once; taken before M().mutex.
std::mutex& LoadMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}

std::string Lower(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

uint32_t ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kMciErrFileNotFound;
  if (static_cast<uint64_t>(st.st_size) > kMaxSoundFileBytes) return kMciErrOutOfMemory;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return kMciErrFileNotFound;
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  bytes.resize(got);  // a file that shrank meanwhile is read as what is there
  return kMciOk;
}

bool EnsureSynth() {
  std::lock_guard load(LoadMutex());
  std::string path;
  bool prerendered;
  {
    std::lock_guard lock(M().mutex);
    if (M().synth) return true;
    path = M().soundFont;
    prerendered = M().prerendered;
  }
  std::unique_ptr<MusicPlayer> synth;
  if (prerendered) {
    synth = std::make_unique<PrerenderedMusic>();
  } else {
#ifdef QM_HAVE_FLUIDSYNTH
    auto midi = std::make_unique<MidiSynth>();
    if (!midi->Load(path, kAudioRate)) return false;
    synth = std::move(midi);
#else
    return false;
#endif
  }
  std::lock_guard lock(M().mutex);
  synth->SetVoiced(M().voiced);
  M().synth = std::move(synth);
  return true;
}

Device* Find(Mixer& m, const std::string& alias) {
  auto it = m.devices.find(Lower(alias));
  return it == m.devices.end() ? nullptr : it->second.get();
}

Device* FindSerial(Mixer& m, uint64_t serial) {
  for (auto& [alias, d] : m.devices)
    if (d->serial == serial) return d.get();
  return nullptr;
}

// Takes the piece out of the synthesiser, remembering where it was. A piece
// that is stopped fades out; one that has reached its end rings out.
void StopSequencer(Mixer& m, bool fade) {
  if (!m.active) return;
  m.active->position = m.synth->Stop();
  m.active->playing = false;
  m.active = nullptr;
  if (fade) {
    m.fading = true;
    m.fadeLeft = kStopFadeFrames;
  }
}

void StopDevice(Mixer& m, Device* d) {
  if (d->sequencer) {
    if (m.active == d) StopSequencer(m, true);
  }
  d->playing = false;
}

uint32_t StartDevice(Mixer& m, Device* d) {
  if (!d->sequencer) {
    d->playing = !d->WavAtEnd();
    return kMciOk;
  }
  if (d->atEnd || m.active == d) return kMciOk;
  StopSequencer(m, false);  // one synthesiser: the other piece stops where it is
  if (!m.synth) return kMciErrCannotLoadDriver;
  m.fading = false;  // the new piece starts from a silent synthesiser
  m.muted = false;
  if (!m.synth->Start(d->piece, d->position)) return kMciErrInvalidFile;
  m.active = d;
  d->playing = true;
  return kMciOk;
}

// Adds one playing WAV device to the mix, linearly interpolated to the output rate.
void MixWave(Device& d, float* left, float* right, int frames) {
  const size_t total = d.wav.Frames();
  const int16_t* s = d.wav.samples.data();
  for (int i = 0; i < frames; ++i) {
    size_t idx = d.pos >> 32;
    if (idx >= total) {
      d.playing = false;
      return;
    }
    uint32_t fracBits = static_cast<uint32_t>(d.pos);
    float l = s[2 * idx], r = s[2 * idx + 1];
    if (fracBits != 0 && idx + 1 < total) {
      float frac = float(fracBits) * (1.0f / 4294967296.0f);
      l += (s[2 * idx + 2] - l) * frac;
      r += (s[2 * idx + 3] - r) * frac;
    }
    left[i] += l;
    right[i] += r;
    d.pos += d.step;
  }
  if ((d.pos >> 32) >= total) d.playing = false;
}

int16_t Saturate(float v) {
  if (v >= 32767.0f) return 32767;
  if (v <= -32768.0f) return -32768;
  return static_cast<int16_t>(std::lrintf(v));
}

}  // namespace

void SetSoundFontPath(const std::string& path) {
  std::lock_guard lock(M().mutex);
  M().soundFont = path;
}

uint32_t MixerOpen(const std::string& file, bool sequencer, const std::string& alias) {
  Mixer& m = M();
  const std::string key = Lower(alias);
  if (key.empty()) return kMciErrMissingParameter;
  {
    std::lock_guard lock(m.mutex);
    if (m.devices.count(key)) return kMciErrDuplicateAlias;
  }
  std::vector<uint8_t> bytes;
  if (uint32_t err = ReadWholeFile(file, bytes)) return err;

  auto d = std::make_unique<Device>();
  d->sequencer = sequencer;
  if (sequencer) {
    MidiFileInfo info;
    if (!ParseMidiFile(bytes.data(), bytes.size(), info, nullptr, &d->piece)) return kMciErrInvalidFile;
    d->lengthSeconds = info.lengthSeconds;
    d->endPosition = info.lastTick;
    if (!EnsureSynth()) return kMciErrCannotLoadDriver;
    bool prerendered;
    {
      std::lock_guard lock(m.mutex);
      prerendered = m.prerendered;
    }
    if (prerendered) {
      // The piece's recording; it ends where the MIDI file does.
      if (uint32_t err = ReadWholeFile(RecordingPathFor(file), d->piece)) return err;
      if (!CheckRecording(d->piece)) return kMciErrInvalidFile;
      d->endPosition = static_cast<uint32_t>(std::llround(info.lengthSeconds * kAudioRate));
    }
  } else {
    if (!DecodeWav(bytes.data(), bytes.size(), d->wav)) return kMciErrInvalidFile;
    d->step = (uint64_t(d->wav.rate) << 32) / kAudioRate;
  }

  std::lock_guard lock(m.mutex);
  if (m.devices.count(key)) return kMciErrDuplicateAlias;
  d->serial = m.nextSerial++;
  m.devices[key] = std::move(d);
  return kMciOk;
}

uint32_t MixerPlay(const std::string& alias, bool wait) {
  Mixer& m = M();
  uint64_t serial;
  double remaining;
  {
    std::lock_guard lock(m.mutex);
    Device* d = Find(m, alias);
    if (!d) return kMciErrInvalidDeviceName;
    if (uint32_t err = StartDevice(m, d)) return err;
    if (!wait || !d->playing) return kMciOk;
    serial = d->serial;
    remaining = d->RemainingSeconds();
  }
  // The device ends as the stream is rendered. Should nothing render it (no
  // audio output), give up once its length has passed, plus a second.
  const uint32_t start = GetTickCount();
  const double limitMs = remaining * 1000.0 + 1000.0;
  for (;;) {
    {
      std::lock_guard lock(m.mutex);
      Device* d = FindSerial(m, serial);
      if (!d || !d->playing) break;
    }
    if (double(GetTickCount() - start) > limitMs) break;
    Sleep(10);
  }
  return kMciOk;
}

uint32_t MixerStop(const std::string& alias) {
  Mixer& m = M();
  std::lock_guard lock(m.mutex);
  Device* d = Find(m, alias);
  if (!d) return kMciErrInvalidDeviceName;
  StopDevice(m, d);
  return kMciOk;
}

uint32_t MixerSeekStart(const std::string& alias) {
  Mixer& m = M();
  std::lock_guard lock(m.mutex);
  Device* d = Find(m, alias);
  if (!d) return kMciErrInvalidDeviceName;
  StopDevice(m, d);
  d->pos = 0;
  d->position = 0;
  d->atEnd = false;
  return kMciOk;
}

uint32_t MixerClose(const std::string& alias) {
  Mixer& m = M();
  std::lock_guard lock(m.mutex);
  auto it = m.devices.find(Lower(alias));
  if (it == m.devices.end()) return kMciErrInvalidDeviceName;
  StopDevice(m, it->second.get());
  m.devices.erase(it);
  return kMciOk;
}

bool MixerDevicePlaying(const std::string& alias) {
  std::lock_guard lock(M().mutex);
  Device* d = Find(M(), alias);
  return d && d->playing;
}

int MixerDeviceCount() {
  std::lock_guard lock(M().mutex);
  return static_cast<int>(M().devices.size());
}

void InitAudio() { EnsureSynth(); }

void SetPrerenderedMusic(bool on) {
  std::lock_guard lock(M().mutex);
  if (M().prerendered == on) return;
  M().prerendered = on;
  if (M().active) M().active->playing = false;  // the player is replaced; devices keep their positions
  M().active = nullptr;
  M().synth.reset();
}

void SetAudioVoiced(bool voiced) {
  std::lock_guard lock(M().mutex);
  M().voiced = voiced;
  if (M().synth) M().synth->SetVoiced(voiced);
}

void ShutdownAudio() {
  std::lock_guard load(LoadMutex());
  std::lock_guard lock(M().mutex);
  Mixer& m = M();
  m.active = nullptr;
  m.fading = false;
  m.muted = false;
  m.devices.clear();
  m.synth.reset();
}

void RenderAudio(int16_t* out, int frames) {
  if (!out || frames <= 0) return;
  Mixer& m = M();
  std::lock_guard lock(m.mutex);
  constexpr int kChunk = 256;
  float left[kChunk], right[kChunk];
  for (int done = 0; done < frames;) {
    const int n = std::min(kChunk, frames - done);
    if (m.synth && m.synth->Sounding()) {
      m.synth->Render(left, right, n);
      for (int i = 0; i < n; ++i) {
        float gain = m.muted ? 0.0f : 32768.0f;
        if (m.fading) {
          gain *= float(m.fadeLeft) / kStopFadeFrames;
          if (m.fadeLeft > 0) --m.fadeLeft;
        }
        left[i] *= gain;
        right[i] *= gain;
      }
      if (m.fading && m.fadeLeft == 0) {
        m.synth->Silence();
        m.fading = false;
        m.muted = true;
      }
      if (m.active && (uint32_t(m.synth->Position()) >= m.active->endPosition || !m.synth->Playing())) {
        // The last event has been played: as with MCI, the device stays at its end
        // (the notes still sounding die away).
        Device* d = m.active;
        StopSequencer(m, false);
        d->atEnd = true;
      }
    } else {
      std::fill(left, left + n, 0.0f);
      std::fill(right, right + n, 0.0f);
    }
    for (auto& [alias, d] : m.devices)
      if (d->playing && !d->sequencer) MixWave(*d, left, right, n);
    int16_t* o = out + 2 * done;
    for (int i = 0; i < n; ++i) {
      o[2 * i] = Saturate(left[i]);
      o[2 * i + 1] = Saturate(right[i]);
    }
    done += n;
  }
}

}  // namespace platform
