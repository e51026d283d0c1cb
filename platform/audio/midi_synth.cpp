#include "platform/audio/midi_synth.h"

#include <fluidsynth.h>

#include <algorithm>

// The library spreads soundfont loading over an OpenMP thread team. One
// thread is plenty for a 6 MB soundfont, and a team would leave idle threads
// behind in the game (and mislead the thread sanitizer, which cannot see into
// the OpenMP runtime). Weak: present only when the library was built with it.
extern "C" void omp_set_num_threads(int) __attribute__((weak));

namespace platform {
namespace {

fluid_settings_t* S(void* p) { return static_cast<fluid_settings_t*>(p); }
fluid_synth_t* Y(void* p) { return static_cast<fluid_synth_t*>(p); }
fluid_player_t* P(void* p) { return static_cast<fluid_player_t*>(p); }

// The player's events when unvoiced: everything but a struck note reaches the
// synthesiser (programs, controllers, tempo are the player's own anyway).
int PlayUnvoiced(void* synth, fluid_midi_event_t* event) {
  if (fluid_midi_event_get_type(event) == 0x90 && fluid_midi_event_get_velocity(event) > 0)
    return FLUID_OK;
  return fluid_synth_handle_midi_event(synth, event);
}

}  // namespace

MidiSynth::~MidiSynth() {
  DropPlayer();
  if (synth_) delete_fluid_synth(Y(synth_));
  if (settings_) delete_fluid_settings(S(settings_));
}

bool MidiSynth::Load(const std::string& soundFontPath, int sampleRate) {
  // The library's own warnings (missing presets and the like) would only
  // clutter the terminal; a failure shows as an error code of the open.
  fluid_set_log_function(FLUID_PANIC, nullptr, nullptr);
  fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
  fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
  fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
  fluid_set_log_function(FLUID_DBG, nullptr, nullptr);

  if (omp_set_num_threads) omp_set_num_threads(1);

  fluid_settings_t* settings = new_fluid_settings();
  if (!settings) return false;
  settings_ = settings;
  fluid_settings_setnum(settings, "synth.sample-rate", sampleRate);
  fluid_settings_setnum(settings, "synth.gain", 0.5);
  fluid_settings_setint(settings, "synth.cpu-cores", 1);
  fluid_settings_setint(settings, "synth.lock-memory", 0);  // no mlock of the samples
  // The player advances with the samples rendered, not with a wall clock, so
  // a rendered stream is the same on every run and every machine.
  fluid_settings_setstr(settings, "player.timing-source", "sample");
  fluid_settings_setint(settings, "player.reset-synth", 1);
  fluid_synth_t* synth = new_fluid_synth(settings);
  if (!synth) return false;
  synth_ = synth;
  return fluid_synth_sfload(synth, soundFontPath.c_str(), 1) != FLUID_FAILED;
}

void MidiSynth::DropPlayer() {
  if (!player_) return;
  fluid_player_stop(P(player_));
  delete_fluid_player(P(player_));
  player_ = nullptr;
}

bool MidiSynth::Start(const std::vector<uint8_t>& file, int tick) {
  if (!synth_) return false;
  DropPlayer();
  // Every piece starts with no voice sounding and the controllers as at
  // power-on (the player resets them too); only the reverb's fading tail of
  // an earlier piece may remain, far below the music.
  fluid_synth_all_sounds_off(Y(synth_), -1);
  fluid_synth_system_reset(Y(synth_));
  blockPos_ = kBlock;
  fluid_player_t* player = new_fluid_player(Y(synth_));
  if (!player) return false;
  player_ = player;
  if (!voiced_) fluid_player_set_playback_callback(player, PlayUnvoiced, synth_);
  if (fluid_player_add_mem(player, file.data(), file.size()) != FLUID_OK) {
    DropPlayer();
    return false;
  }
  if (tick > 0) fluid_player_seek(player, tick);
  if (fluid_player_play(player) != FLUID_OK) {
    DropPlayer();
    return false;
  }
  return true;
}

int MidiSynth::Stop() {
  if (!player_) return 0;
  int tick = fluid_player_get_current_tick(P(player_));
  DropPlayer();
  // Let the notes go as a released key would (no click), with the pedals up.
  for (int ch = 0; ch < 16; ++ch) {
    fluid_synth_cc(Y(synth_), ch, 64, 0);
    fluid_synth_cc(Y(synth_), ch, 66, 0);
  }
  fluid_synth_all_notes_off(Y(synth_), -1);
  return tick < 0 ? 0 : tick;
}

void MidiSynth::SetVoiced(bool voiced) {
  voiced_ = voiced;
  if (!synth_) return;
  fluid_synth_reverb_on(Y(synth_), -1, voiced ? 1 : 0);
  fluid_synth_chorus_on(Y(synth_), -1, voiced ? 1 : 0);
}

void MidiSynth::Silence() {
  if (synth_) fluid_synth_all_sounds_off(Y(synth_), -1);
}

bool MidiSynth::Playing() const {
  return player_ && fluid_player_get_status(P(player_)) == FLUID_PLAYER_PLAYING;
}

int MidiSynth::Position() const {
  if (!player_) return 0;
  int tick = fluid_player_get_current_tick(P(player_));
  return tick < 0 ? 0 : tick;
}

bool MidiSynth::Sounding() const {
  return synth_ && (Playing() || fluid_synth_get_active_voice_count(Y(synth_)) > 0);
}

void MidiSynth::Render(float* left, float* right, int frames) {
  while (frames > 0) {
    if (blockPos_ == kBlock) {
      fluid_synth_write_float(Y(synth_), kBlock, blockL_, 0, 1, blockR_, 0, 1);
      blockPos_ = 0;
    }
    const int n = std::min(frames, kBlock - blockPos_);
    std::copy(blockL_ + blockPos_, blockL_ + blockPos_ + n, left);
    std::copy(blockR_ + blockPos_, blockR_ + blockPos_ + n, right);
    blockPos_ += n;
    left += n;
    right += n;
    frames -= n;
  }
}

}  // namespace platform
