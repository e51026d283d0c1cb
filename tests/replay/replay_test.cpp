// Recorded games: exact bytes of the format, a scripted game recorded by
// quillmoor-sim that verifies and watches as played, edits that must be
// caught, and damaged files that must be refused in one line.
#include <algorithm>
#include <cstdlib>

#include "headless/replay_verify.h"
#include "platform/sim/sim_control.h"
#include "replay/replay_file.h"
#include "tests/scenario/scenario.h"

namespace {

using namespace scenario;
using replay::Frame;
using replay::Record;

std::vector<Frame> Frames(const Record& r) {
  std::vector<Frame> out(r.frameCount);
  size_t pos = 0;
  std::string error;
  for (Frame& f : out) EXPECT_TRUE(replay::NextFrame(r.stream, pos, f, error)) << error;
  return out;
}

void SetFrames(Record& r, const std::vector<Frame>& frames) {
  r.stream.clear();
  for (const Frame& f : frames) replay::AppendFrame(r.stream, f);
  r.frameCount = static_cast<uint32_t>(frames.size());
}

Record Sample() {
  Record r;
  r.start = {0xDEADBEEF, 20, 0, 60, 3, 4000, 7, 2, 300};
  r.end = 3;
  r.score = 4321;
  std::vector<Frame> frames(121);
  frames[0].keys = replay::kKeyUp | replay::kKeySpace;
  frames[0].fireMode = 2;
  frames[5].fps = {60, -4, 1000000};
  frames[9].pause = true;
  frames[9].pauseMs = 70000;
  frames[120].quit = true;
  SetFrames(r, frames);
  r.digests = {0x0123456789ABCDEFull, 42};
  r.finalDigest = 0xFEDCBA9876543210ull;
  return r;
}

void PutU32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
// Puts the checksum right again after an edit, as a forger would.
void Reseal(std::string& b) { PutU32(b, b.size() - 4, replay::Crc32(b.data(), b.size() - 4)); }

TEST(ReplayFormat, RoundTripsEveryValueInItsDocumentedSize) {
  const Record r = Sample();
  const std::string bytes = replay::Serialize(r);
  // Header 61, stream length, stream: a byte per frame, then three rate reads
  // (tag and 1, 5, 3 bytes) and an end, a pause (tag, 4 bytes) and an end, a
  // quit and an end; 2 digests; checksum.
  EXPECT_EQ(bytes.size(), 61u + 4 + (121 + (2 + 6 + 4 + 1) + (5 + 1) + (1 + 1)) + 16 + 4);
  EXPECT_EQ(bytes.substr(0, 6), std::string("QMR\x1A\x01\x00", 6));
  Record back;
  std::string error;
  ASSERT_TRUE(replay::Parse(bytes, back, error)) << error;
  EXPECT_EQ(back.start.seed, 0xDEADBEEFu);
  EXPECT_EQ(back.start.enemySlots, 20);
  EXPECT_EQ(back.start.targetFps, 60);
  EXPECT_EQ(back.start.startQuota, 3);
  EXPECT_EQ(back.start.startScore, 4000);
  EXPECT_EQ(back.start.levelUpTimer, 7);
  EXPECT_EQ(back.start.grazeCooldown, 2);
  EXPECT_EQ(back.start.bossMaxHp, 300);
  EXPECT_EQ(back.end, 3);
  EXPECT_EQ(back.score, 4321);
  EXPECT_EQ(back.digests, r.digests);
  EXPECT_EQ(back.finalDigest, r.finalDigest);
  const std::vector<Frame> f = Frames(back);
  ASSERT_EQ(f.size(), 121u);
  EXPECT_EQ(f[0].keys, replay::kKeyUp | replay::kKeySpace);
  EXPECT_EQ(f[0].fireMode, 2);
  EXPECT_EQ(f[5].fps, (std::vector<int32_t>{60, -4, 1000000}));
  EXPECT_TRUE(f[9].pause);
  EXPECT_EQ(f[9].pauseMs, 70000u);
  EXPECT_TRUE(f[120].quit);
  EXPECT_FALSE(f[119].quit || f[119].pause || f[1].keys != 0);
}

TEST(ReplayFormat, RefusesDamagedAndHostileBytes) {
  const std::string good = replay::Serialize(Sample());
  struct Case {
    const char* name;
    std::string bytes;
    const char* why;
  } cases[] = {
      {"empty", "", "not a Quillmoor recording"},
      {"other file", "RIFF....WAVE", "not a Quillmoor recording"},
      {"header only", good.substr(0, 40), "truncated"},
      {"cut short", good.substr(0, good.size() - 9), "checksum"},
      {"one byte flipped", good, "checksum"},
      {"version 2", good, "version 2"},
      {"level 7", good, "unknown level"},
      {"four billion frames", good, "sizes do not add up"},
      {"stream longer than its frames", good, "longer than its frames"},
      {"byte after the checksum", good + "x", "checksum"},
  };
  cases[4].bytes[100] ^= 0x10;
  cases[5].bytes[4] = 2;
  PutU32(cases[6].bytes, 12, 7);
  PutU32(cases[7].bytes, 49, 0xFFFFFFFFu);
  PutU32(cases[8].bytes, 49, 120);  // one frame fewer than the stream holds
  for (int i : {5, 6, 7, 8}) Reseal(cases[i].bytes);
  for (const Case& c : cases) {
    Record out;
    std::string error;
    EXPECT_FALSE(replay::Parse(c.bytes, out, error)) << c.name;
    EXPECT_NE(error.find(c.why), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.name;
  }
}

// One game recorded from a key script: Easy, moves, MANUAL fire with Space,
// a pause of two seconds, then F2. Escape leaves from the title afterwards.
class RecordedGame : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    WriteFile(P("keys.txt"),
              "3000 down Enter\n3100 up Enter\n7000 down Enter\n7100 up Enter\n"
              "9300 down Left\n9700 up Left\n9800 down Ctrl\n9850 up Ctrl\n"
              "9900 down Space\n10900 up Space\n11000 down P\n11050 up P\n"
              "13000 down P\n13050 up P\n13100 down Right\n13300 up Right\n"
              "13400 down Shift\n13450 up Shift\n13700 down F2\n13750 up F2\n"
              "22000 down Escape\n");
    const Result r = Run({"--keys", P("keys.txt"), "--set", "100:enemySlots=5"});
    ASSERT_EQ(r.status, 0) << r.errors;
    bytes_ = ReadFile(P("last.qmr"));
    std::string error;
    ASSERT_TRUE(replay::Parse(bytes_, rec_, error)) << error;
  }
  replay::Verdict Verify(const Record& r) {
    platform::sim::Reset();
    return VerifyReplay(r);
  }
  std::string bytes_;
  Record rec_;
};

TEST_F(RecordedGame, HoldsWhatWasPlayedAndVerifies) {
  EXPECT_EQ(rec_.start.enemySlots, 5);
  EXPECT_EQ(rec_.start.startQuota, 255);
  EXPECT_EQ(rec_.end, 3);  // abandoned
  EXPECT_EQ(rec_.digests.size(), rec_.frameCount / 60);
  // A new high score: the same game is the best one.
  EXPECT_EQ(ReadFile(P("best.qmr")), bytes_);
  const std::vector<Frame> f = Frames(rec_);
  auto count = [&](auto pred) { return std::count_if(f.begin(), f.end(), pred); };
  EXPECT_EQ(count([](const Frame& x) { return x.pause; }), 1);
  EXPECT_EQ(count([](const Frame& x) { return x.quit; }), 1);
  EXPECT_TRUE(f.back().quit);
  EXPECT_GT(count([](const Frame& x) { return (x.keys & replay::kKeyLeft) != 0; }), 8);
  EXPECT_GT(count([](const Frame& x) { return x.keys == replay::kKeySpace && x.fireMode == 0; }),
            30);
  for (const Frame& x : f) {
    if (x.pause) {
      EXPECT_GE(x.pauseMs, 1900u);
    }
  }
  const replay::Verdict v = Verify(rec_);
  EXPECT_TRUE(v.match) << v.frame << " " << v.why;
  // Through the binary too: exit 0, nothing on stderr.
  const Result r = Run({"--replay", P("last.qmr"), "--verify"});
  EXPECT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.errors, "");
}

TEST_F(RecordedGame, OneKeyEditedOnOneFrameFailsThereOrLater) {
  const std::vector<Frame> frames = Frames(rec_);
  const uint32_t n = rec_.frameCount;
  for (uint32_t edited : {1u, 61u, n / 2, n - 1, n}) {
    std::vector<Frame> f = frames;
    f[edited - 1].keys ^= replay::kKeyUp;
    Record r = rec_;
    SetFrames(r, f);
    const replay::Verdict v = Verify(r);
    EXPECT_FALSE(v.match) << edited;
    EXPECT_GE(v.frame, edited) << v.why;
    EXPECT_LE(v.frame, n + 1) << v.why;
  }
  // An abandon request moved one frame earlier ends the game a frame early.
  std::vector<Frame> f = frames;
  std::swap(f[n - 1].quit, f[n - 2].quit);
  Record r = rec_;
  SetFrames(r, f);
  const replay::Verdict v = Verify(r);
  EXPECT_FALSE(v.match);
  EXPECT_EQ(v.frame, n - 1) << v.why;
}

TEST_F(RecordedGame, DamagedFilesAreOneLineAndStatusOne) {
  std::string cut = bytes_.substr(0, bytes_.size() / 2), flipped = bytes_, newer = bytes_;
  flipped[bytes_.size() / 2] ^= 1;
  newer[4] = 9;
  Reseal(newer);
  const struct {
    const char* file;
    std::string bytes;
    const char* why;
  } cases[] = {{"cut.qmr", cut, "checksum"},
               {"flipped.qmr", flipped, "checksum"},
               {"newer.qmr", newer, "version 9"},
               {"none.qmr", "", "not a Quillmoor recording"}};
  for (const auto& c : cases) {
    WriteFile(P(c.file), c.bytes);
    for (bool verify : {true, false}) {
      std::vector<std::string> args{"--replay", P(c.file)};
      if (verify) args.push_back("--verify");
      const Result r = Run(args);
      EXPECT_EQ(r.status, 1) << c.file;
      EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << r.errors;
      EXPECT_NE(r.errors.find(c.why), std::string::npos) << r.errors;
    }
  }
  const Result missing = Run({"--replay", P("missing.qmr"), "--verify"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.errors.find("cannot be read"), std::string::npos) << missing.errors;
}

TEST_F(RecordedGame, WatchingPlaysItAsRecordedAndChangesNoSetting) {
  // Watched in a fresh folder: no settings, so a high score of 0 and Normal.
  fs::create_directory(dir_ / "watch");
  fs::copy_file(P("last.qmr"), dir_ / "watch" / "game.qmr");
  const std::string at = std::to_string(rec_.frameCount * 34 + 8000);
  WriteFile(P("watch/keys.txt"), at + " down Escape\n");
  const std::vector<std::string> base{"--dir", QM_SOURCE_DIR, "--exe", P("watch/quillmoor"),
                                      "--log", P("watch/log")};
  auto args = base;
  for (std::string a : {"--replay", "watch/game.qmr", "--keys", "watch/keys.txt"}) args.push_back(a);
  const Result r = RunSim(args, dir_);
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string log = ReadFile(P("watch/log"));
  EXPECT_NE(log.find("replay as recorded, " + std::to_string(rec_.frameCount) + " frames"),
            std::string::npos);
  EXPECT_EQ(ReadFile(P("watch/quillmoor.ini")), "30\r\n33\r\n0\r\n0\r\n0\r\n12\r\n\r\n");
  EXPECT_FALSE(fs::exists(P("watch/last.qmr")));  // watching records nothing

  // Escape stops watching: back on the title long before the game would end.
  WriteFile(P("watch/keys.txt"), "3000 down Escape\n3050 up Escape\n10000 down Escape\n");
  args = base;
  for (std::string a : {"--replay", "watch/game.qmr", "--keys", "watch/keys.txt", "--state",
                        "9500:watch/title.json"})
    args.push_back(a);
  const Result stopped = RunSim(args, dir_);
  ASSERT_EQ(stopped.status, 0) << stopped.errors;
  EXPECT_NE(ReadFile(P("watch/title.json")).find("\"titleActive\":1"), std::string::npos);
  EXPECT_NE(ReadFile(P("watch/log")).find("replay differs"), std::string::npos);
}

}  // namespace
