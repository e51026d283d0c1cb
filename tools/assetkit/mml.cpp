#include "tools/assetkit/mml.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <sstream>

namespace assetkit {

namespace {

constexpr int kWhole = kPpq * 4;

// One character of track text with the score line it came from.
struct Src {
  char c;
  int line;
};

struct Failure {
  int line;
  std::string what;
};

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

bool IsIdent(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

struct TrackState {
  std::string name;
  int channel = 0;
  std::vector<Src> text;
};

// Note collected until we know how long it finally sounds (ties extend it).
struct Pending {
  bool active = false;
  std::vector<int> pitches;
  uint32_t start = 0, length = 0;
  int velocity = 100, gate = 8;
};

class TrackCompiler {
 public:
  TrackCompiler(const std::vector<Src>& s, MidiTrack& out, Song& song, int barTicks)
      : s_(s), out_(out), song_(song), barTicks_(barTicks) {}

  void Run() {
    size_t i = 0;
    Exec(i, s_.size(), 0);
    Flush();
    out_.endTick = tick_;
  }

 private:
  const std::vector<Src>& s_;
  MidiTrack& out_;
  Song& song_;
  int barTicks_;

  uint32_t tick_ = 0;
  int octave_ = 4, defaultLen_ = kPpq, gate_ = 8, velocity_ = 100, transpose_ = 0;
  bool tieNext_ = false, lastWasRest_ = false;
  Pending pending_;

  [[noreturn]] void Fail(size_t i, const std::string& what) const {
    int line = i < s_.size() ? s_[i].line : (s_.empty() ? 0 : s_.back().line);
    throw Failure{line, "track " + out_.name + ": " + what};
  }

  char At(size_t i) const { return i < s_.size() ? s_[i].c : '\0'; }
  void SkipSpace(size_t& i) const {
    while (i < s_.size() && std::isspace(static_cast<unsigned char>(s_[i].c))) ++i;
  }
  bool HasDigit(size_t i) const { return std::isdigit(static_cast<unsigned char>(At(i))) != 0; }

  long ReadInt(size_t& i, bool allowSign = false) {
    size_t from = i;
    bool neg = false;
    if (allowSign && (At(i) == '-' || At(i) == '+')) {
      neg = At(i) == '-';
      ++i;
    }
    if (!HasDigit(i)) Fail(from, "number expected");
    long v = 0;
    while (HasDigit(i)) {
      v = v * 10 + (At(i) - '0');
      if (v > 1000000) Fail(from, "number too large");
      ++i;
    }
    return neg ? -v : v;
  }

  double ReadReal(size_t& i) {
    size_t from = i;
    double v = double(ReadInt(i));
    if (At(i) == '.' && HasDigit(i + 1)) {
      ++i;
      double scale = 0.1;
      while (HasDigit(i)) {
        v += (At(i) - '0') * scale;
        scale *= 0.1;
        ++i;
      }
    }
    if (v <= 0) Fail(from, "positive number expected");
    return v;
  }

  // A length: optional divisor, then dots. Without a divisor the default
  // length applies (and dots lengthen it).
  int ReadLength(size_t& i) {
    int len = defaultLen_;
    if (HasDigit(i)) {
      size_t from = i;
      long n = ReadInt(i);
      if (n < 1 || n > 192 || kWhole % n != 0) Fail(from, "length 1/" + std::to_string(n) + " is not a whole number of ticks");
      len = int(kWhole / n);
    }
    int add = len;
    while (At(i) == '.') {
      ++i;
      if (add % 2 != 0) Fail(i, "too many dots");
      add /= 2;
      len += add;
    }
    return len;
  }

  int Check7(size_t at, long v) const {
    if (v < 0 || v > 127) Fail(at, "value " + std::to_string(v) + " out of 0..127");
    return int(v);
  }

  void Emit(uint32_t tick, int order, std::initializer_list<int> bytes) {
    MidiEvent e;
    e.tick = tick;
    e.order = order;
    for (int b : bytes) e.data.push_back(uint8_t(b));
    out_.events.push_back(std::move(e));
  }

  void Flush() {
    if (!pending_.active) return;
    uint32_t sounding = std::max<uint32_t>(1, pending_.length * uint32_t(pending_.gate) / 8);
    for (int p : pending_.pitches) {
      Emit(pending_.start, 3, {0x90 | out_.channel, p, pending_.velocity});
      Emit(pending_.start + sounding, 0, {0x80 | out_.channel, p, 0});
    }
    pending_.active = false;
  }

  void Note(size_t at, std::vector<int> pitches, int len) {
    for (int p : pitches)
      if (p < 0 || p > 127) Fail(at, "note " + std::to_string(p) + " out of MIDI range");
    std::sort(pitches.begin(), pitches.end());
    if (tieNext_ && pending_.active && pending_.pitches == pitches && pending_.start + pending_.length == tick_) {
      pending_.length += uint32_t(len);
    } else {
      Flush();
      pending_.active = true;
      pending_.pitches = std::move(pitches);
      pending_.start = tick_;
      pending_.length = uint32_t(len);
      pending_.velocity = velocity_;
      pending_.gate = gate_;
    }
    tieNext_ = false;
    lastWasRest_ = false;
    tick_ += uint32_t(len);
  }

  int Pitch(size_t& i, int octave) {
    static const int kSemis[7] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    int semi = kSemis[At(i) - 'a'];
    ++i;
    while (At(i) == '+' || At(i) == '#' || At(i) == '-') {
      semi += At(i) == '-' ? -1 : 1;
      ++i;
    }
    return 12 * (octave + 1) + semi + transpose_;
  }

  // Finds the ] matching the [ at `open`, and reads its repeat count.
  size_t MatchLoop(size_t open, size_t end, int& count, size_t& after) {
    int depth = 0;
    for (size_t j = open; j < end; ++j) {
      if (s_[j].c == '[') ++depth;
      if (s_[j].c == ']' && --depth == 0) {
        after = j + 1;
        count = 2;
        if (HasDigit(after)) count = int(ReadInt(after));
        if (count < 1 || count > 999) Fail(j, "repeat count out of 1..999");
        return j;
      }
    }
    Fail(open, "[ without ]");
  }

  void Exec(size_t& i, size_t end, int depth) {
    if (depth > 16) Fail(i, "loops nested too deeply");
    while (true) {
      SkipSpace(i);
      if (i >= end) return;
      size_t at = i;
      char c = At(i);
      if (c >= 'a' && c <= 'g') {
        int p = Pitch(i, octave_);
        Note(at, {p}, ReadLength(i));
      } else if (c == 'r') {
        ++i;
        int len = ReadLength(i);
        Flush();
        tieNext_ = false;
        lastWasRest_ = true;
        tick_ += uint32_t(len);
      } else if (c == 'n') {
        ++i;
        int p = Check7(at, ReadInt(i));
        int len = defaultLen_;
        if (At(i) == ',') {
          ++i;
          len = ReadLength(i);
        } else {
          len = ReadLength(i);  // dots only
        }
        Note(at, {p}, len);
      } else if (c == '{') {
        ++i;
        int oct = octave_;
        std::vector<int> pitches;
        while (true) {
          SkipSpace(i);
          char d = At(i);
          if (d == '}') {
            ++i;
            break;
          }
          if (i >= end) Fail(at, "{ without }");
          if (d >= 'a' && d <= 'g') {
            pitches.push_back(Pitch(i, oct));
          } else if (d == 'n') {
            ++i;
            pitches.push_back(Check7(i, ReadInt(i)));
          } else if (d == '>') {
            ++oct, ++i;
          } else if (d == '<') {
            --oct, ++i;
          } else {
            Fail(i, std::string("'") + d + "' inside a chord");
          }
        }
        if (pitches.empty()) Fail(at, "empty chord");
        Note(at, pitches, ReadLength(i));
      } else if (c == '^') {
        ++i;
        int len = ReadLength(i);
        if (lastWasRest_ || !pending_.active || pending_.start + pending_.length != tick_) {
          if (!lastWasRest_) Fail(at, "^ with nothing to lengthen");
        } else {
          pending_.length += uint32_t(len);
        }
        tick_ += uint32_t(len);
      } else if (c == '&') {
        ++i;
        tieNext_ = true;
      } else if (c == 'o') {
        ++i;
        octave_ = int(ReadInt(i));
        if (octave_ < -1 || octave_ > 9) Fail(at, "octave out of -1..9");
      } else if (c == '>') {
        ++i, ++octave_;
      } else if (c == '<') {
        ++i, --octave_;
      } else if (c == 'l') {
        ++i;
        defaultLen_ = kPpq;  // so that "l" dots apply to the new divisor only
        if (!HasDigit(i)) Fail(at, "l needs a length");
        defaultLen_ = ReadLength(i);
      } else if (c == 'q') {
        ++i;
        gate_ = int(ReadInt(i));
        if (gate_ < 1 || gate_ > 8) Fail(at, "q out of 1..8");
      } else if (c == 'v') {
        ++i;
        velocity_ = Check7(at, ReadInt(i));
        if (velocity_ == 0) Fail(at, "velocity 0 would silence notes; use rests");
      } else if (c == 'V') {
        ++i;
        Emit(tick_, 2, {0xB0 | out_.channel, 7, Check7(at, ReadInt(i))});
      } else if (c == 'p') {
        ++i;
        Emit(tick_, 2, {0xB0 | out_.channel, 10, Check7(at, ReadInt(i))});
      } else if (c == '@') {
        ++i;
        Emit(tick_, 2, {0xC0 | out_.channel, Check7(at, ReadInt(i))});
      } else if (c == 'y') {
        ++i;
        int cc = Check7(at, ReadInt(i));
        if (At(i) != ',') Fail(i, "y needs controller,value");
        ++i;
        Emit(tick_, 2, {0xB0 | out_.channel, cc, Check7(at, ReadInt(i))});
      } else if (c == 'k') {
        ++i;
        transpose_ = int(ReadInt(i, true));
        if (transpose_ < -48 || transpose_ > 48) Fail(at, "transpose out of -48..48");
      } else if (c == 't') {
        ++i;
        double bpm = ReadReal(i);
        if (bpm < 10 || bpm > 600) Fail(at, "tempo out of 10..600");
        song_.tempos.push_back({tick_, uint32_t(std::lround(60000000.0 / bpm))});
      } else if (c == '|') {
        ++i;
        if (tick_ % uint32_t(barTicks_) != 0) {
          std::ostringstream m;
          m << "bar line " << (tick_ / uint32_t(barTicks_) + 1) << " is " << (tick_ % uint32_t(barTicks_))
            << " ticks into the bar (a quarter is " << kPpq << ")";
          Fail(at, m.str());
        }
      } else if (c == '[') {
        int count;
        size_t after;
        size_t close = MatchLoop(i, end, count, after);
        for (int pass = 1; pass <= count; ++pass) {
          size_t j = i + 1;
          // Run up to the break mark on the last pass, else to the close.
          size_t stop = close;
          size_t brk = FindBreak(i + 1, close);
          if (pass == count && brk != close) stop = brk;
          Exec(j, stop, depth + 1);
        }
        i = after;
      } else if (c == ']') {
        Fail(at, "] without [");
      } else if (c == '/') {
        if (depth == 0) Fail(at, "/ outside a loop");
        ++i;  // an earlier pass of the loop: go on past the break mark
      } else {
        Fail(at, std::string("unknown command '") + c + "'");
      }
    }
  }

  // The / of this loop level between from and close, or close when none.
  size_t FindBreak(size_t from, size_t close) const {
    int depth = 0;
    for (size_t j = from; j < close; ++j) {
      if (s_[j].c == '[') ++depth;
      if (s_[j].c == ']') --depth;
      if (s_[j].c == '/' && depth == 0) return j;
    }
    return close;
  }
};

std::string ExpandMacros(const std::string& body, const std::map<std::string, std::string>& macros, int line,
                         int depth) {
  if (depth > 16) throw Failure{line, "macros nested too deeply (a macro using itself?)"};
  std::string out;
  for (size_t i = 0; i < body.size();) {
    if (body[i] == '$') {
      size_t j = i + 1;
      while (j < body.size() && IsIdent(body[j])) ++j;
      std::string name = body.substr(i + 1, j - i - 1);
      auto it = macros.find(name);
      if (name.empty() || it == macros.end()) throw Failure{line, "unknown macro $" + name};
      out += ' ' + ExpandMacros(it->second, macros, line, depth + 1) + ' ';
      i = j;
    } else {
      out += body[i++];
    }
  }
  return out;
}

void PutVlq(std::vector<uint8_t>& b, uint32_t v) {
  uint8_t tmp[5];
  int n = 0;
  tmp[n++] = uint8_t(v & 0x7F);
  while (v >>= 7) tmp[n++] = uint8_t(0x80 | (v & 0x7F));
  while (n) b.push_back(tmp[--n]);
}

void PutBe32(std::vector<uint8_t>& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

void PutChunk(std::vector<uint8_t>& file, const char* id, const std::vector<uint8_t>& body) {
  file.insert(file.end(), id, id + 4);
  PutBe32(file, uint32_t(body.size()));
  file.insert(file.end(), body.begin(), body.end());
}

std::vector<uint8_t> TrackBody(std::vector<MidiEvent> events, const std::string& name, uint32_t endTick) {
  std::stable_sort(events.begin(), events.end(), [](const MidiEvent& a, const MidiEvent& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  std::vector<uint8_t> body;
  // Track name.
  PutVlq(body, 0);
  body.push_back(0xFF);
  body.push_back(0x03);
  PutVlq(body, uint32_t(name.size()));
  body.insert(body.end(), name.begin(), name.end());
  uint32_t now = 0;
  for (const MidiEvent& e : events) {
    PutVlq(body, e.tick - now);
    now = e.tick;
    body.insert(body.end(), e.data.begin(), e.data.end());
  }
  PutVlq(body, endTick - now);
  body.push_back(0xFF);
  body.push_back(0x2F);
  body.push_back(0x00);
  return body;
}

}  // namespace

bool CompileMml(const std::string& text, Song& song, std::string& error) {
  song = Song{};
  std::map<std::string, std::string> macros;
  std::vector<TrackState> tracks;
  auto findTrack = [&](const std::string& name) -> TrackState* {
    for (auto& t : tracks)
      if (t.name == name) return &t;
    return nullptr;
  };
  double tempo = 120;
  try {
    std::istringstream in(text);
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
      ++line;
      std::string l = raw.substr(0, raw.find(';'));
      l = Trim(l);
      if (l.empty()) continue;
      if (l[0] == '#') {
        std::istringstream d(l.substr(1));
        std::string key;
        d >> key;
        std::string rest = Trim(l.substr(1 + key.size()));
        if (key == "title") {
          song.title = rest;
        } else if (key == "tempo") {
          tempo = std::atof(rest.c_str());
          if (tempo < 10 || tempo > 600) throw Failure{line, "tempo out of 10..600"};
        } else if (key == "meter") {
          int n = 0, dd = 0;
          if (std::sscanf(rest.c_str(), "%d/%d", &n, &dd) != 2 || n < 1 || n > 32 ||
              (dd != 1 && dd != 2 && dd != 4 && dd != 8 && dd != 16))
            throw Failure{line, "meter must look like 4/4"};
          song.meterNum = n;
          song.meterDen = dd;
        } else if (key == "length") {
          song.expectedSeconds = std::atof(rest.c_str());
          if (song.expectedSeconds <= 0) throw Failure{line, "length must be positive seconds"};
        } else if (key == "track") {
          std::string name;
          int ch = 0;
          d >> name >> ch;
          if (name.empty() || ch < 1 || ch > 16) throw Failure{line, "#track NAME CHANNEL (1..16)"};
          if (findTrack(name)) throw Failure{line, "track " + name + " declared twice"};
          tracks.push_back(TrackState{name, ch - 1, {}});
        } else {
          throw Failure{line, "unknown directive #" + key};
        }
        continue;
      }
      if (l[0] == '$') {
        size_t eq = l.find('=');
        if (eq == std::string::npos) throw Failure{line, "macro needs $NAME = text"};
        std::string name = Trim(l.substr(1, eq - 1));
        if (name.empty() || !std::all_of(name.begin(), name.end(), IsIdent))
          throw Failure{line, "bad macro name"};
        macros[name] = ExpandMacros(l.substr(eq + 1), macros, line, 0);
        continue;
      }
      size_t colon = l.find(':');
      if (colon == std::string::npos) throw Failure{line, "expected NAME: commands"};
      std::string name = Trim(l.substr(0, colon));
      TrackState* t = findTrack(name);
      if (!t) throw Failure{line, "undeclared track " + name};
      std::string body = ExpandMacros(l.substr(colon + 1), macros, line, 0);
      for (char c : body) t->text.push_back(Src{c, line});
      t->text.push_back(Src{' ', line});
    }
    if (tracks.empty()) throw Failure{line, "no tracks"};
    song.tempos.push_back({0, uint32_t(std::lround(60000000.0 / tempo))});
    int barTicks = kWhole * song.meterNum / song.meterDen;
    for (auto& t : tracks) {
      MidiTrack mt;
      mt.name = t.name;
      mt.channel = t.channel;
      TrackCompiler(t.text, mt, song, barTicks).Run();
      song.tracks.push_back(std::move(mt));
    }
    std::stable_sort(song.tempos.begin(), song.tempos.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& t : song.tracks) song.endTick = std::max(song.endTick, t.endTick);
    for (auto& t : song.tracks)
      if (t.endTick != song.endTick) {
        std::ostringstream m;
        m << "the tracks differ in length (in bars):";
        for (auto& u : song.tracks) m << " " << u.name << " " << double(u.endTick) / barTicks;
        throw Failure{line, m.str()};
      }
    if (song.expectedSeconds > 0) {
      double got = SecondsAt(song, song.endTick);
      if (std::fabs(got - song.expectedSeconds) > 0.05) {
        std::ostringstream m;
        m << "the piece lasts " << got << " s, not the " << song.expectedSeconds << " s of #length";
        throw Failure{line, m.str()};
      }
    }
  } catch (const Failure& f) {
    error = "line " + std::to_string(f.line) + ": " + f.what;
    return false;
  }
  return true;
}

double SecondsAt(const Song& song, uint32_t tick) {
  double s = 0;
  uint32_t at = 0, us = 500000;
  for (const auto& [t, u] : song.tempos) {
    if (t >= tick) break;
    s += double(t - at) * us / (1e6 * kPpq);
    at = t;
    us = u;
  }
  return s + double(tick - at) * us / (1e6 * kPpq);
}

std::vector<uint8_t> EncodeSmf(const Song& song) {
  std::vector<uint8_t> file;
  std::vector<uint8_t> hdr;
  hdr.push_back(0);
  hdr.push_back(1);  // format 1
  hdr.push_back(uint8_t((song.tracks.size() + 1) >> 8));
  hdr.push_back(uint8_t(song.tracks.size() + 1));
  hdr.push_back(uint8_t(kPpq >> 8));
  hdr.push_back(uint8_t(kPpq & 0xFF));
  PutChunk(file, "MThd", hdr);

  std::vector<MidiEvent> conductor;
  int denLog = 0;
  while ((1 << denLog) < song.meterDen) ++denLog;
  conductor.push_back(MidiEvent{0, 1, {0xFF, 0x58, 0x04, uint8_t(song.meterNum), uint8_t(denLog), 24, 8}});
  for (const auto& [t, us] : song.tempos)
    conductor.push_back(MidiEvent{t, 1, {0xFF, 0x51, 0x03, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)}});
  PutChunk(file, "MTrk", TrackBody(conductor, song.title, song.endTick));
  for (const auto& t : song.tracks) PutChunk(file, "MTrk", TrackBody(t.events, t.name, song.endTick));
  return file;
}

bool ReadSmf(const std::vector<uint8_t>& b, SmfSummary& out, std::string& error) {
  out = SmfSummary{};
  for (int c = 0; c < 16; ++c) {
    out.programOnChannel[c] = -1;
    out.lowestNote[c] = 128;
    out.highestNote[c] = -1;
  }
  auto be = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int k = 0; k < n; ++k) v = (v << 8) | b[at + size_t(k)];
    return v;
  };
  if (b.size() < 14 || std::string(b.begin(), b.begin() + 4) != "MThd" || be(4, 4) != 6) {
    error = "no MThd header";
    return false;
  }
  out.format = int(be(8, 2));
  int declared = int(be(10, 2));
  out.division = int(be(12, 2));
  if (out.division <= 0 || out.division >= 0x8000) {
    error = "unsupported division";
    return false;
  }
  struct Timed {
    uint32_t tick;
    uint32_t us;
  };
  std::vector<Timed> tempos;
  std::vector<uint32_t> ends;
  size_t pos = 14;
  while (pos + 8 <= b.size()) {
    uint32_t len = be(pos + 4, 4);
    bool isTrack = std::string(b.begin() + long(pos), b.begin() + long(pos) + 4) == "MTrk";
    size_t start = pos + 8, end = start + len;
    if (end > b.size()) {
      error = "chunk runs past the end of the file";
      return false;
    }
    pos = end;
    if (!isTrack) continue;
    ++out.trackCount;
    uint32_t tick = 0;
    uint8_t status = 0;
    size_t p = start;
    bool ended = false;
    auto vlq = [&](uint32_t& v) {
      v = 0;
      for (int k = 0; k < 4; ++k) {
        if (p >= end) return false;
        uint8_t c = b[p++];
        v = (v << 7) | (c & 0x7F);
        if (!(c & 0x80)) return true;
      }
      return false;
    };
    while (p < end && !ended) {
      uint32_t delta;
      if (!vlq(delta)) {
        error = "bad delta time";
        return false;
      }
      tick += delta;
      if (p >= end) break;
      uint8_t c = b[p];
      if (c & 0x80) {
        status = c;
        ++p;
      } else if (status == 0 || status >= 0xF0) {
        error = "running status without status";
        return false;
      }
      if (status == 0xFF) {
        if (p >= end) break;
        uint8_t type = b[p++];
        uint32_t n;
        if (!vlq(n) || p + n > end) {
          error = "bad meta event";
          return false;
        }
        if (type == 0x51 && n == 3) tempos.push_back({tick, be(p, 3)});
        if (type == 0x2F) ended = true;
        p += n;
        status = 0;
      } else if (status == 0xF0 || status == 0xF7) {
        uint32_t n;
        if (!vlq(n) || p + n > end) {
          error = "bad sysex";
          return false;
        }
        p += n;
        status = 0;
      } else {
        int kind = status >> 4, ch = status & 15;
        int need = (kind == 0xC || kind == 0xD) ? 1 : 2;
        if (p + size_t(need) > end) {
          error = "truncated event";
          return false;
        }
        if (kind == 0x9 && b[p + 1] > 0) {
          ++out.notesOnChannel[ch];
          out.lowestNote[ch] = std::min<int>(out.lowestNote[ch], b[p]);
          out.highestNote[ch] = std::max<int>(out.highestNote[ch], b[p]);
        }
        if (kind == 0xC) out.programOnChannel[ch] = b[p];
        p += size_t(need);
      }
    }
    if (!ended) {
      error = "track without end-of-track";
      return false;
    }
    ends.push_back(tick);
  }
  if (out.trackCount != declared) {
    error = "header declares " + std::to_string(declared) + " tracks, file has " + std::to_string(out.trackCount);
    return false;
  }
  std::stable_sort(tempos.begin(), tempos.end(), [](const Timed& a, const Timed& c) { return a.tick < c.tick; });
  uint32_t last = ends.empty() ? 0 : *std::max_element(ends.begin(), ends.end());
  double s = 0;
  uint32_t at = 0, us = 500000;
  for (const Timed& t : tempos) {
    if (t.tick >= last) break;
    s += double(t.tick - at) * us / (1e6 * out.division);
    at = t.tick;
    us = t.us;
  }
  out.seconds = s + double(last - at) * us / (1e6 * out.division);
  return true;
}

}  // namespace assetkit
