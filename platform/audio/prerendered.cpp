#include "platform/audio/prerendered.h"

#include <algorithm>

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_STDIO
#include <stb_vorbis.h>

#include "platform/audio/audio.h"

namespace platform {
namespace {

stb_vorbis* Open(const std::vector<uint8_t>& bytes) {
  if (bytes.empty() || bytes.size() > size_t{1} << 30) return nullptr;
  int error = 0;
  stb_vorbis* v = stb_vorbis_open_memory(bytes.data(), static_cast<int>(bytes.size()), &error, nullptr);
  if (!v) return nullptr;
  const stb_vorbis_info info = stb_vorbis_get_info(v);
  if (info.channels != kAudioChannels || static_cast<int>(info.sample_rate) != kAudioRate) {
    stb_vorbis_close(v);
    return nullptr;
  }
  return v;
}

}  // namespace

std::string RecordingPathFor(const std::string& midiPath) {
  const size_t dot = midiPath.find_last_of("./");
  std::string ext = dot == std::string::npos || midiPath[dot] != '.' ? "" : midiPath.substr(dot);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".mid" ? midiPath.substr(0, dot) + ".ogg" : midiPath + ".ogg";
}

bool CheckRecording(const std::vector<uint8_t>& bytes) {
  stb_vorbis* v = Open(bytes);
  if (!v) return false;
  const bool hasFrames = stb_vorbis_stream_length_in_samples(v) > 0;
  stb_vorbis_close(v);
  return hasFrames;
}

PrerenderedMusic::~PrerenderedMusic() { Close(); }

void PrerenderedMusic::Close() {
  if (vorbis_) stb_vorbis_close(vorbis_);
  vorbis_ = nullptr;
}

bool PrerenderedMusic::Start(const std::vector<uint8_t>& recording, int frame) {
  Close();
  playing_ = sounding_ = false;
  position_ = 0;
  bytes_ = recording;
  vorbis_ = Open(bytes_);
  if (!vorbis_) return false;
  length_ = static_cast<int>(std::min<unsigned>(stb_vorbis_stream_length_in_samples(vorbis_), INT32_MAX));
  voiced_ = voicedNext_;
  frame = std::clamp(frame, 0, length_);
  if (!voiced_) {
    Close();  // nothing is decoded: the position is only counted
  } else if (frame > 0 && !stb_vorbis_seek(vorbis_, static_cast<unsigned>(frame))) {
    Close();
    return false;
  }
  position_ = frame;
  playing_ = sounding_ = position_ < length_;
  return true;
}

int PrerenderedMusic::Stop() {
  playing_ = false;  // what is left of the recording rings out
  return position_;
}

void PrerenderedMusic::Silence() {
  playing_ = sounding_ = false;
  Close();
}

void PrerenderedMusic::Render(float* left, float* right, int frames) {
  int done = 0;
  if (sounding_ && voiced_) {
    while (done < frames) {
      float* out[2] = {left + done, right + done};
      const int got = stb_vorbis_get_samples_float(vorbis_, kAudioChannels, out, frames - done);
      if (got <= 0) break;
      done += got;
    }
    position_ += done;
  } else if (sounding_) {
    done = std::min(frames, length_ - position_);
    position_ += done;
    std::fill(left, left + done, 0.0f);
    std::fill(right, right + done, 0.0f);
  }
  if (sounding_ && (done < frames || position_ >= length_)) playing_ = sounding_ = false;
  std::fill(left + done, left + frames, 0.0f);
  std::fill(right + done, right + frames, 0.0f);
}

}  // namespace platform
