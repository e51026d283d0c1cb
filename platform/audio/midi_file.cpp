#include "platform/audio/midi_file.h"

#include <algorithm>
#include <map>
#include <vector>

namespace platform {
namespace {

uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

bool Fail(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

// A variable-length quantity: at most four bytes, as the file format allows.
bool ReadVlq(const uint8_t* data, size_t end, size_t& pos, uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    if (pos >= end) return false;
    uint8_t b = data[pos++];
    value = (value << 7) | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return false;
}

// Data bytes that follow a channel status.
int ChannelDataBytes(uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 1;
    default: return 2;
  }
}

struct TrackScan {
  uint32_t lastTick = 0;
  int noteOns = 0;
};

void PutVlq(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t bytes[4];
  int n = 0;
  do {
    bytes[n++] = v & 0x7F;
    v >>= 7;
  } while (v && n < 4);
  while (n > 1) out.push_back(bytes[--n] | 0x80);
  out.push_back(bytes[0]);
}

// Reads one track and writes it out again in the plainest form (a status byte
// on every event, nothing after the end-of-track event, which is added when
// missing), so the synthesiser's reader never meets a corner of the format.
bool ScanTrack(const uint8_t* data, size_t begin, size_t end, TrackScan& scan,
               std::map<uint32_t, uint32_t>& tempos, std::vector<uint8_t>& out,
               std::string* why) {
  size_t pos = begin;
  out.clear();
  uint64_t tick = 0;
  uint8_t running = 0;
  while (pos < end) {
    uint32_t delta;
    if (!ReadVlq(data, end, pos, delta)) return Fail(why, "bad delta time");
    tick += delta;
    if (tick > 0x7FFFFFFF) return Fail(why, "track too long");
    if (pos >= end) return Fail(why, "event missing after delta time");
    uint8_t status = data[pos];
    if (status & 0x80) {
      ++pos;
    } else {
      if (running == 0) return Fail(why, "running status without a status");
      status = running;
    }
    size_t eventStart = pos;
    if (status < 0xF0) {
      running = status;
      int n = ChannelDataBytes(status);
      if (end - pos < static_cast<size_t>(n)) return Fail(why, "channel event cut short");
      for (int i = 0; i < n; ++i)
        if (data[pos + i] & 0x80) return Fail(why, "data byte with the top bit set");
      if ((status & 0xF0) == 0x90 && data[pos + 1] > 0) ++scan.noteOns;
      pos += n;
      PutVlq(out, delta);
      out.push_back(status);
      out.insert(out.end(), data + eventStart, data + pos);
    } else if (status == 0xFF) {
      running = 0;
      if (pos >= end) return Fail(why, "meta event cut short");
      uint8_t type = data[pos++];
      uint32_t len;
      if (!ReadVlq(data, end, pos, len)) return Fail(why, "bad meta length");
      if (len > end - pos) return Fail(why, "meta event longer than its track");
      if (type == 0x51) {
        if (len != 3) return Fail(why, "bad tempo event");
        uint32_t usPerQuarter = (uint32_t{data[pos]} << 16) | (data[pos + 1] << 8) | data[pos + 2];
        if (usPerQuarter == 0) return Fail(why, "tempo of zero");
        tempos[static_cast<uint32_t>(tick)] = usPerQuarter;
      }
      pos += len;
      PutVlq(out, delta);
      out.push_back(0xFF);
      out.insert(out.end(), data + eventStart, data + pos);
      if (type == 0x2F) {
        scan.lastTick = std::max(scan.lastTick, static_cast<uint32_t>(tick));
        return true;  // anything after the end-of-track event is never read
      }
    } else if (status == 0xF0 || status == 0xF7) {
      running = 0;
      uint32_t len;
      if (!ReadVlq(data, end, pos, len)) return Fail(why, "bad system-exclusive length");
      if (len > end - pos) return Fail(why, "system-exclusive event longer than its track");
      pos += len;
      PutVlq(out, delta);
      out.push_back(status);
      out.insert(out.end(), data + eventStart, data + pos);
    } else {
      return Fail(why, "system message inside a file");
    }
    scan.lastTick = std::max(scan.lastTick, static_cast<uint32_t>(tick));
  }
  const uint8_t endOfTrack[] = {0x00, 0xFF, 0x2F, 0x00};
  out.insert(out.end(), endOfTrack, endOfTrack + 4);
  return true;
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

}  // namespace

bool ParseMidiFile(const uint8_t* data, size_t size, MidiFileInfo& info, std::string* why,
                   std::vector<uint8_t>* clean) {
  info = MidiFileInfo{};
  if (data == nullptr || size < 14) return Fail(why, "too short for a header");
  if (Be32(data) != 0x4D546864) return Fail(why, "no MThd header");  // "MThd"
  uint32_t headerLen = Be32(data + 4);
  if (headerLen < 6 || headerLen > size - 8) return Fail(why, "bad header length");
  int format = Be16(data + 8);
  int tracks = Be16(data + 10);
  int16_t division = static_cast<int16_t>(Be16(data + 12));
  if (format > 2) return Fail(why, "unknown format");
  if (tracks < 1) return Fail(why, "no tracks");
  if (format == 0 && tracks != 1) return Fail(why, "format 0 with several tracks");
  if (division <= 0) return Fail(why, "time-code division");

  std::map<uint32_t, uint32_t> tempos;
  std::vector<uint8_t> out, track;
  out.reserve(size + 64);
  const uint8_t header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
  out.insert(out.end(), header, header + 8);
  out.push_back(0);
  out.push_back(static_cast<uint8_t>(format));
  out.push_back(static_cast<uint8_t>(tracks >> 8));
  out.push_back(static_cast<uint8_t>(tracks));
  out.push_back(static_cast<uint8_t>(division >> 8));
  out.push_back(static_cast<uint8_t>(division));
  size_t pos = 8 + static_cast<size_t>(headerLen);
  int found = 0;
  uint32_t lastTick = 0;
  int noteOns = 0;
  while (found < tracks) {
    if (size - pos < 8) return Fail(why, "fewer tracks than the header says");
    uint32_t id = Be32(data + pos);
    uint32_t len = Be32(data + pos + 4);
    pos += 8;
    if (len > size - pos) return Fail(why, "chunk longer than the file");
    if (id == 0x4D54726B) {  // "MTrk"
      TrackScan scan;
      if (!ScanTrack(data, pos, pos + len, scan, tempos, track, why)) return false;
      PutBe32(out, 0x4D54726B);
      PutBe32(out, static_cast<uint32_t>(track.size()));
      out.insert(out.end(), track.begin(), track.end());
      lastTick = std::max(lastTick, scan.lastTick);
      noteOns += scan.noteOns;
      ++found;
    }
    pos += len;
  }

  // Seconds of the last tick: tempo changes apply from their tick on, in every
  // track (format 1 keeps them in the first; a format 0 track has them inline).
  double seconds = 0;
  uint32_t at = 0;
  uint32_t us = 500000;
  for (auto [tick, tempo] : tempos) {
    if (tick >= lastTick) break;
    seconds += double(tick - at) * us / 1e6 / division;
    at = tick;
    us = tempo;
  }
  seconds += double(lastTick - at) * us / 1e6 / division;

  info.format = format;
  info.tracks = tracks;
  info.division = division;
  info.lastTick = lastTick;
  info.lengthSeconds = seconds;
  info.noteOns = noteOns;
  if (clean) *clean = std::move(out);
  return true;
}

}  // namespace platform
