#include "replay/replay_file.h"

#include <iterator>

#include "platform/files/files.h"

namespace replay {
namespace {

constexpr char kMagic[4] = {'Q', 'M', 'R', 0x1A};
constexpr size_t kHeaderBytes = 4 + 2 + 2 + 9 * 4 + 1 + 4 + 4 + 8;
constexpr uint8_t kExtras = 0x80;
enum : uint8_t { kItemEnd = 0, kItemFps = 1, kItemPause = 2, kItemQuit = 3 };
// No frame reads the rate more than a handful of times.
constexpr size_t kMaxFpsReads = 64;

void Put(std::string& o, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) o += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutVarint(std::string& o, uint32_t v) {
  while (v >= 0x80) {
    o += static_cast<char>((v & 0x7F) | 0x80);
    v >>= 7;
  }
  o += static_cast<char>(v);
}

// Reads little-endian values; once anything runs past the end every later
// read fails too, so a parse checks once at the end of each part.
struct Reader {
  const std::string& b;
  size_t pos = 0;
  size_t end;
  bool ok = true;
  uint64_t Get(int bytes) {
    if (!ok || end - pos < static_cast<size_t>(bytes)) {
      ok = false;
      return 0;
    }
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t{static_cast<uint8_t>(b[pos + i])} << (8 * i);
    pos += bytes;
    return v;
  }
  int32_t GetI32() { return static_cast<int32_t>(static_cast<uint32_t>(Get(4))); }
  uint32_t GetVarint() {
    uint32_t v = 0;
    for (int shift = 0; shift < 35; shift += 7) {
      const uint64_t c = Get(1);
      if (!ok) return 0;
      if (shift == 28 && c > 0x0F) break;  // more than 32 bits
      v |= static_cast<uint32_t>(c & 0x7F) << shift;
      if ((c & 0x80) == 0) return v;
    }
    ok = false;
    return 0;
  }
};

bool Fail(std::string& error, const std::string& why) {
  error = why;
  return false;
}

bool ValidStart(const Start& s, std::string& error) {
  const int32_t l = s.enemySlots;
  if (l != 5 && l != 12 && l != 20 && l != 30) return Fail(error, "unknown level");
  // Every rate the game runs at (PlayableTargetFps): 1 and up.
  if (s.targetFps < 1) return Fail(error, "frame rate out of range");
  if (s.startQuota < 1 || s.startQuota > 255) return Fail(error, "enemy quota out of range");
  if (s.startScore < 0 || s.startScore > 4000) return Fail(error, "start score out of range");
  if (s.levelUpTimer < 0 || s.levelUpTimer > 25 || s.grazeCooldown < 0 ||
      s.grazeCooldown > 1000 || s.bossMaxHp < 0)
    return Fail(error, "start values out of range");
  return true;
}

bool ParseFrame(Reader& r, Frame& f, std::string& error) {
  const uint8_t b = static_cast<uint8_t>(r.Get(1));
  f.keys = b & 0x1F;
  f.fireMode = (b >> 5) & 3;
  if (f.fireMode > 2) return Fail(error, "bad frame byte");
  if ((b & kExtras) == 0) return r.ok;
  for (;;) {
    const uint8_t item = static_cast<uint8_t>(r.Get(1));
    if (!r.ok) return false;
    if (item == kItemEnd) return true;
    if (item == kItemFps) {
      if (f.fps.size() >= kMaxFpsReads) return Fail(error, "too many rate reads in a frame");
      const auto v = static_cast<int32_t>(r.GetVarint());
      if (r.ok && (v < -kMaxRateRead || v > kMaxRateRead)) return Fail(error, "frame rate out of range");
      f.fps.push_back(v);
    } else if (item == kItemPause && !f.pause) {
      f.pause = true;
      f.pauseMs = static_cast<uint32_t>(r.Get(4));
    } else if (item == kItemQuit && !f.quit) {
      f.quit = true;
    } else {
      return Fail(error, "bad frame item");
    }
    if (!r.ok) return false;
  }
}

}  // namespace

void AppendFrame(std::string& stream, const Frame& f) {
  const bool extras = f.pause || f.quit || !f.fps.empty();
  stream += static_cast<char>((f.keys & 0x1F) | (f.fireMode & 3) << 5 | (extras ? kExtras : 0));
  if (!extras) return;
  for (int32_t v : f.fps) {
    stream += static_cast<char>(kItemFps);
    PutVarint(stream, static_cast<uint32_t>(v));
  }
  if (f.pause) {
    stream += static_cast<char>(kItemPause);
    Put(stream, f.pauseMs, 4);
  }
  if (f.quit) stream += static_cast<char>(kItemQuit);
  stream += static_cast<char>(kItemEnd);
}

bool NextFrame(const std::string& stream, size_t& pos, Frame& f, std::string& error) {
  f = Frame{};
  error.clear();
  Reader r{stream, pos, stream.size()};
  if (!ParseFrame(r, f, error)) return error.empty() ? Fail(error, "frame data truncated") : false;
  pos = r.pos;
  return true;
}

uint32_t Crc32(const void* data, size_t n) {
  static const auto table = [] {
    std::vector<uint32_t> t(256);
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < n; ++i) c = table[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::string Serialize(const Record& r) {
  std::string o(kMagic, 4);
  Put(o, kVersion, 2);
  Put(o, 0, 2);  // flags, none yet
  const Start& s = r.start;
  for (uint32_t v : {s.seed, static_cast<uint32_t>(s.enemySlots),
                     static_cast<uint32_t>(s.fireMode), static_cast<uint32_t>(s.targetFps),
                     static_cast<uint32_t>(s.startQuota), static_cast<uint32_t>(s.startScore),
                     static_cast<uint32_t>(s.levelUpTimer),
                     static_cast<uint32_t>(s.grazeCooldown), static_cast<uint32_t>(s.bossMaxHp)})
    Put(o, v, 4);
  Put(o, r.end, 1);
  Put(o, static_cast<uint32_t>(r.score), 4);
  Put(o, r.frameCount, 4);
  Put(o, r.finalDigest, 8);
  Put(o, r.stream.size(), 4);
  o += r.stream;
  for (uint64_t d : r.digests) Put(o, d, 8);
  Put(o, Crc32(o.data(), o.size()), 4);
  return o;
}

bool Parse(const std::string& bytes, Record& out, std::string& error) {
  out = Record{};
  if (bytes.size() > kMaxFileBytes) return Fail(error, "too large to be a recording");
  if (bytes.size() < 4 || bytes.compare(0, 4, kMagic, 4) != 0)
    return Fail(error, "not a Quillmoor recording");
  if (bytes.size() < kHeaderBytes + 4 + 4) return Fail(error, "truncated");
  Reader r{bytes, 4, bytes.size() - 4};
  const uint16_t version = static_cast<uint16_t>(r.Get(2));
  if (version != kVersion)
    return Fail(error, "recording version " + std::to_string(version) + ", this game reads " +
                           std::to_string(kVersion));
  const size_t crcAt = bytes.size() - 4;
  const uint32_t crc = static_cast<uint32_t>(Reader{bytes, crcAt, bytes.size()}.Get(4));
  if (Crc32(bytes.data(), crcAt) != crc) return Fail(error, "checksum mismatch (damaged or truncated)");
  if (r.Get(2) != 0) return Fail(error, "unknown flags");
  Start& s = out.start;
  s.seed = static_cast<uint32_t>(r.Get(4));
  for (int32_t* v : {&s.enemySlots, &s.fireMode, &s.targetFps, &s.startQuota, &s.startScore,
                     &s.levelUpTimer, &s.grazeCooldown, &s.bossMaxHp})
    *v = r.GetI32();
  out.end = static_cast<uint8_t>(r.Get(1));
  out.score = r.GetI32();
  const uint32_t frames = static_cast<uint32_t>(r.Get(4));
  out.finalDigest = r.Get(8);
  const uint32_t streamBytes = static_cast<uint32_t>(r.Get(4));
  if (!ValidStart(s, error)) return false;
  if (out.end < 1 || out.end > 3) return Fail(error, "unknown end of game");
  // Every frame takes at least one byte of the stream, and the stream and
  // the digests must fill the rest of the file exactly.
  const uint64_t digests = frames / kDigestEvery;
  if (frames == 0 || frames > streamBytes ||
      uint64_t{streamBytes} + digests * 8 != uint64_t{r.end - r.pos})
    return Fail(error, "sizes do not add up");
  out.frameCount = frames;
  out.stream = bytes.substr(r.pos, streamBytes);
  // Every frame is decoded once here, so a replay never meets a bad one.
  size_t at = 0;
  Frame f;
  for (uint32_t i = 0; i < frames; ++i) {
    if (!NextFrame(out.stream, at, f, error)) return false;
  }
  if (at != out.stream.size()) return Fail(error, "frame data longer than its frames");
  r.pos += streamBytes;
  out.digests.resize(digests);
  for (uint64_t& d : out.digests) d = r.Get(8);
  return r.ok && r.pos == r.end ? true : Fail(error, "truncated");
}

// Read as the settings are (any name on any system, never blocking on a FIFO).
bool LoadFile(const std::string& path, Record& out, std::string& error) {
  std::string bytes;
  if (platform::files::ReadFile(path, kMaxFileBytes + 1, bytes) != platform::files::Read::kRead)
    return Fail(error, "cannot be read");
  if (bytes.size() > kMaxFileBytes) return Fail(error, "too large to be a recording");
  return Parse(bytes, out, error);
}

}  // namespace replay
