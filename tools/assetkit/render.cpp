#include "tools/assetkit/render.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/assetkit/image.h"

namespace assetkit {

bool RenderMidi(const std::string& midiPath, const std::string& soundFont, double tailSeconds, Rendering& out,
                std::string& error) {
  out = Rendering{};
  fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
  fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
  fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
  fluid_settings_t* settings = new_fluid_settings();
  // Sample timing makes the player advance with what we render, not the clock.
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  fluid_settings_setnum(settings, "synth.sample-rate", kRenderRate);
  fluid_settings_setint(settings, "synth.lock-memory", 0);
  fluid_synth_t* synth = new_fluid_synth(settings);
  bool ok = false;
  fluid_player_t* player = nullptr;
  do {
    if (!synth) {
      error = "cannot create the synthesizer";
      break;
    }
    if (fluid_synth_sfload(synth, soundFont.c_str(), 1) == FLUID_FAILED) {
      error = "cannot load sound font " + soundFont;
      break;
    }
    player = new_fluid_player(synth);
    if (!player || fluid_player_add(player, midiPath.c_str()) != FLUID_OK) {
      error = "cannot read " + midiPath;
      break;
    }
    fluid_player_play(player);
    const int block = 64;
    int16_t buf[block * 2];
    const size_t limit = size_t(kRenderRate) * 600;  // ten minutes is surely a broken file
    // The player lingers in its playing state for a while after the last
    // event; the piece has ended when the song position reaches its last tick.
    int total = -1;
    while (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING && out.playedFrames < limit) {
      fluid_synth_write_s16(synth, block, buf, 0, 2, buf, 1, 2);
      out.samples.insert(out.samples.end(), buf, buf + block * 2);
      out.playedFrames += block;
      if (total < 0) total = fluid_player_get_total_ticks(player);
      if (total > 0 && fluid_player_get_current_tick(player) >= total) break;
    }
    size_t tail = size_t(tailSeconds * kRenderRate);
    for (size_t f = 0; f < tail; f += block) {
      fluid_synth_write_s16(synth, block, buf, 0, 2, buf, 1, 2);
      out.samples.insert(out.samples.end(), buf, buf + block * 2);
    }
    ok = true;
  } while (false);
  if (player) {
    fluid_player_stop(player);
    delete_fluid_player(player);
  }
  if (synth) delete_fluid_synth(synth);
  delete_fluid_settings(settings);
  return ok;
}

double LoudnessReport::MinRms() const {
  return rmsPerSecond.empty() ? 0 : *std::min_element(rmsPerSecond.begin(), rmsPerSecond.end());
}

LoudnessReport Measure(const Rendering& r) {
  LoudnessReport rep;
  rep.seconds = r.Seconds();
  for (int16_t s : r.samples) rep.peak = std::max(rep.peak, std::fabs(s / 32768.0));
  const size_t frames = r.playedFrames;
  for (size_t start = 0; start < frames; start += kRenderRate) {
    size_t stop = std::min(frames, start + kRenderRate);
    double sum = 0;
    for (size_t f = start; f < stop; ++f)
      for (int c = 0; c < 2; ++c) {
        double v = r.samples[f * 2 + size_t(c)] / 32768.0;
        sum += v * v;
      }
    rep.rmsPerSecond.push_back(std::sqrt(sum / double((stop - start) * 2)));
  }
  return rep;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& stereo) {
  std::vector<uint8_t> b;
  auto put = [&](uint32_t v, int n) {
    for (int k = 0; k < n; ++k) b.push_back(uint8_t(v >> (8 * k)));
  };
  uint32_t data = uint32_t(stereo.size() * 2);
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put(36 + data, 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put(16, 4);
  put(1, 2);  // PCM
  put(2, 2);
  put(kRenderRate, 4);
  put(kRenderRate * 4, 4);
  put(4, 2);
  put(16, 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put(data, 4);
  for (int16_t s : stereo) put(uint16_t(s), 2);
  return WriteFile(path, b);
}

}  // namespace assetkit
