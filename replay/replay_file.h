// A recorded game (.qmr): what it starts from, what each frame read from
// outside the game, and digests of the game state to check a replay against.
// The byte layout is described in docs/REPLAY.md.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace replay {

inline constexpr uint16_t kVersion = 1;
inline constexpr int kDigestEvery = 60;  // frames between two digests
// A file bigger than this is not one of ours (hours of play at 1000 frames a
// second stay well below it); refusing it keeps a hostile file from costing
// memory.
inline constexpr size_t kMaxFileBytes = 64u << 20;
// A read of the measured rate lies within plus or minus this: no machine
// measures near a million frames a second (0 before the first measurement,
// -4 when a pause races the regulator), and twice it stays far inside 32 bits,
// as the banner and the rage burst need.
inline constexpr int32_t kMaxRateRead = 1'000'000;

// The state a game starts from besides the seed: the settings that shape
// play and the few values NewGame leaves as the previous game left them.
struct Start {
  uint32_t seed = 0;
  int32_t enemySlots = 12;
  int32_t fireMode = 1;
  int32_t targetFps = 30;
  int32_t startQuota = 255;  // 3 and
  int32_t startScore = 0;    // 4000 in Maker Mode
  int32_t levelUpTimer = 0;
  int32_t grazeCooldown = 0;
  int32_t bossMaxHp = 0;
};

// Per frame bits (docs/REPLAY.md).
enum : uint8_t {
  kKeyUp = 1, kKeyDown = 2, kKeyLeft = 4, kKeyRight = 8, kKeySpace = 16,
};
// Fire mode as read in a frame: 0 MANUAL, 1 AUTO, 2 anything else (no fire).
inline uint8_t FireModeCode(int32_t fireMode) {
  return fireMode == 0 ? 0 : fireMode == 1 ? 1 : 2;
}

struct Frame {
  uint8_t keys = 0;      // kKey* bits held when the frame's keys were read
  uint8_t fireMode = 0;  // FireModeCode of the mode read with them
  bool pause = false;    // a pause request took effect in this frame
  uint32_t pauseMs = 0;  // how long the game then stayed paused
  bool quit = false;     // the abandon request was seen in this frame
  std::vector<int32_t> fps;  // every read of measuredFps, in order
};

struct Record {
  Start start;
  uint8_t end = 0;  // PlayEnd: 1 won, 2 lost, 3 abandoned
  int32_t score = 0;
  uint32_t frameCount = 0;
  // The frames, encoded as the file holds them: a long game at "No Wait"
  // runs millions of frames, and most take one byte.
  std::string stream;
  std::vector<uint64_t> digests;  // after frames 60, 120, ...
  uint64_t finalDigest = 0;       // after the last frame
};

void AppendFrame(std::string& stream, const Frame& f);
// Decodes the frame at pos and moves pos past it; false (with a reason) for
// bytes that are not a frame.
bool NextFrame(const std::string& stream, size_t& pos, Frame& f, std::string& error);

std::string Serialize(const Record& r);
// Strict: any truncation, checksum mismatch, unknown version, value out of
// range or trailing byte is refused with a one-line reason.
bool Parse(const std::string& bytes, Record& out, std::string& error);
// Reads and parses a file; the reason names what is wrong, not the path.
bool LoadFile(const std::string& path, Record& out, std::string& error);

uint32_t Crc32(const void* data, size_t n);

}  // namespace replay
