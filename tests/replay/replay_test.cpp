// Recorded games: the format's bytes, damaged files refused in one line, a
// scripted game recorded by quillmoor-sim that verifies and watches as played,
// edits caught, soak games lost and verified, a game recorded in the window.
#include <algorithm>
#include <cstdlib>

#include "headless/replay_verify.h"
#include "platform/sim/sim_control.h"
#include "replay/replay_file.h"
#include "tests/scenario/scenario.h"
#include "tests/support/child_process.h"

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
  const replay::Start& s = back.start;
  EXPECT_EQ(std::vector<int64_t>({s.seed, s.enemySlots, s.fireMode, s.targetFps, s.startQuota,
                                  s.startScore, s.levelUpTimer, s.grazeCooldown, s.bossMaxHp,
                                  back.end, back.score}),
            std::vector<int64_t>({0xDEADBEEF, 20, 0, 60, 3, 4000, 7, 2, 300, 3, 4321}));
  EXPECT_EQ(replay::Serialize(back), bytes);  // digests and frames too
  const std::vector<Frame> f = Frames(back);
  ASSERT_EQ(f.size(), 121u);
  EXPECT_EQ(f[0].keys, replay::kKeyUp | replay::kKeySpace);
  EXPECT_EQ(f[0].fireMode, 2);
  EXPECT_EQ(f[5].fps, (std::vector<int32_t>{60, -4, 1000000}));
  EXPECT_TRUE(f[9].pause && f[9].pauseMs == 70000u && f[120].quit);
  EXPECT_FALSE(f[119].quit || f[119].pause || f[1].keys != 0);
}

// Damaged and hostile files: one line on stderr, status 1, watched or verified.
TEST_F(ScenarioTest, DamagedAndHostileFilesAreOneLineAndStatusOne) {
  const std::string good = replay::Serialize(Sample());
  struct Case {
    const char* name;
    std::string bytes;
    const char* why;
  } cases[] = {
      {"empty", "", "not a Quillmoor recording"},
      {"header only", good.substr(0, 40), "truncated"},
      {"cut short", good.substr(0, good.size() - 9), "checksum"},
      {"one byte flipped", good, "checksum"},
      {"version 2", good, "version 2"},
      {"level 7", good, "unknown level"},
      {"four billion frames", good, "sizes do not add up"},
      {"stream longer than its frames", good, "longer than its frames"},
      {"byte after the checksum", good + "x", "checksum"},
      {"missing", "", "cannot be read"},
  };
  cases[3].bytes[100] ^= 0x10;
  cases[4].bytes[4] = 2;
  PutU32(cases[5].bytes, 12, 7);
  PutU32(cases[6].bytes, 49, 0xFFFFFFFFu);
  PutU32(cases[7].bytes, 49, 120);  // one frame fewer than the stream holds
  for (int i : {4, 5, 6, 7}) Reseal(cases[i].bytes);
  for (const Case& c : cases) {
    if (c.name != std::string("missing")) WriteFile(P(c.name), c.bytes);
    for (std::vector<std::string> args : {std::vector<std::string>{"--replay", P(c.name)},
                                          {"--replay", P(c.name), "--verify"}}) {
      const Result r = Run(args);
      EXPECT_EQ(r.status, 1) << c.name;
      EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << r.errors;
      EXPECT_NE(r.errors.find(c.why), std::string::npos) << c.name << ": " << r.errors;
    }
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
  EXPECT_EQ(std::vector<int>({rec_.start.enemySlots, rec_.start.startQuota, rec_.end}),
            std::vector<int>({5, 255, 3}));  // Easy, not Maker Mode, abandoned
  ASSERT_EQ(rec_.frameCount, 103u);
  EXPECT_EQ(rec_.digests.size(), 1u);
  EXPECT_EQ(ReadFile(P("best.qmr")), bytes_);  // a new high score: also the best game
  // Per frame: Left for 12 frames, Right for 6, Space in MANUAL for 32, the
  // pause taken in frame 81 for the 1978 ms until P, F2 seen in the last.
  std::vector<uint32_t> seen(5);  // left, right, MANUAL Space, pause frame and length
  const std::vector<Frame> f = Frames(rec_);
  for (uint32_t i = 0; i < f.size(); ++i) {
    seen[0] += (f[i].keys & replay::kKeyLeft) != 0;
    seen[1] += (f[i].keys & replay::kKeyRight) != 0;
    seen[2] += f[i].keys == replay::kKeySpace && f[i].fireMode == 0;
    if (f[i].pause) seen[3] += i + 1, seen[4] += f[i].pauseMs;
    EXPECT_EQ(f[i].quit, i + 1 == f.size()) << i;
  }
  EXPECT_EQ(seen, std::vector<uint32_t>({12, 6, 32, 81, 1978}));
  // Through the binary: exit 0, nothing on stderr.
  const Result r = Run({"--replay", P("last.qmr"), "--verify"});
  EXPECT_EQ(r.status, 0) << r.errors;
  EXPECT_EQ(r.errors, "");
}

TEST_F(RecordedGame, OneKeyEditedOnOneFrameFailsThereOrLater) {
  const uint32_t n = rec_.frameCount;
  // Up flipped on one frame (first, after the digest, middle, last two), and
  // the abandon request moved one frame earlier, which must end it there.
  const struct {
    uint32_t frame;
    bool quitEarlier;
  } edits[] = {{1, false}, {61, false}, {n / 2, false}, {n - 1, false}, {n, false}, {n - 1, true}};
  for (const auto& e : edits) {
    std::vector<Frame> f = Frames(rec_);
    if (e.quitEarlier) std::swap(f[n - 1].quit, f[n - 2].quit);
    else f[e.frame - 1].keys ^= replay::kKeyUp;
    Record r = rec_;
    SetFrames(r, f);
    const replay::Verdict v = Verify(r);
    EXPECT_FALSE(v.match) << e.frame;
    EXPECT_GE(v.frame, e.frame) << v.why;
    EXPECT_LE(v.frame, e.quitEarlier ? n - 1 : n + 1) << v.why;
  }
}

TEST_F(RecordedGame, WatchingPlaysItAsRecordedAndChangesNoSetting) {
  // Watched from a folder of its own with no settings: high score 0, Normal.
  fs::create_directory(dir_ / "w");
  auto watch = [&](const std::string& keys) {
    WriteFile(P("w/keys.txt"), keys);
    const Result r = RunSim({"--dir", QM_SOURCE_DIR, "--exe", P("w/quillmoor"), "--replay",
                             P("last.qmr"), "--keys", P("w/keys.txt"), "--log", P("w/log")},
                            dir_);
    EXPECT_EQ(r.status, 0) << r.errors;
    return Lines(ReadFile(P("w/log")));
  };
  auto find = [](const std::vector<std::string>& log, const std::string& what) {
    return std::find_if(log.begin(), log.end(),
                        [&](const std::string& l) { return l.find(what) != l.npos; }) -
           log.begin();
  };
  std::vector<std::string> log = watch("12000 down Escape\n");  // Escape on the title
  EXPECT_LT(find(log, "replay as recorded, 103 frames"), find(log, "mci play sa1"));
  EXPECT_EQ(ReadFile(P("w/quillmoor.ini")), "30\r\n33\r\n0\r\n0\r\n0\r\n12\r\n\r\n");
  EXPECT_FALSE(fs::exists(P("w/last.qmr")));  // watching records nothing
  // Escape while watching stops it two seconds in, and the title comes back.
  log = watch("3000 down Escape\n3050 up Escape\n12000 down Escape\n");
  EXPECT_LT(find(log, "replay differs at frame 58:"), find(log, "mci play sa1"));
  EXPECT_LT(find(log, "mci play sa1"), static_cast<long>(log.size()));
}

// The soak's games: a careless bot at "No Wait" loses them (the ship's end,
// the high-score check, back to the title), and each kept recording verifies
// with the ending and score the bot saw.
TEST_F(ScenarioTest, SoakGamesLostByACarelessBotVerify) {
  const Result r = Run({"--bot", "--bot-games", "3", "--bot-careless", "1", "--bot-keep", "--set",
                        "0:targetFps=1000", "--set", "0:frameDelay=0", "--log", P("log")});
  ASSERT_EQ(r.status, 0) << r.errors;
  // Each game: "bot game N", "bot lost", "bot over score S", "bot title".
  std::string seen;
  std::vector<std::string> over;
  for (const std::string& line : Lines(ReadFile(P("log")))) {
    const size_t at = line.find(" bot ");
    if (at == std::string::npos || line.find(" bot boss") != std::string::npos) continue;
    seen += line.substr(at + 5, 4) + ";";
    if (line.find(" bot over score ") != std::string::npos) over.push_back(line.substr(at + 16));
  }
  EXPECT_EQ(seen, "titl;game;lost;over;titl;game;lost;over;titl;game;lost;over;titl;leav;");
  ASSERT_EQ(over.size(), 3u);
  int best = -1;
  std::string bestBytes;
  for (int n = 1; n <= 3; ++n) {
    const std::string bytes = ReadFile(P("game-" + std::to_string(n) + ".qmr"));
    Record rec;
    std::string error;
    ASSERT_TRUE(replay::Parse(bytes, rec, error)) << n << ": " << error;
    EXPECT_EQ(rec.end, 2) << n;  // lost
    EXPECT_EQ(std::to_string(rec.score), over[n - 1]) << n;
    platform::sim::Reset();
    const replay::Verdict v = VerifyReplay(rec);
    EXPECT_TRUE(v.match) << n << ": frame " << v.frame << " " << v.why;
    if (rec.score > best) best = rec.score, bestBytes = bytes;
  }
  EXPECT_EQ(ReadFile(P("best.qmr")), bestBytes);
}

// A game played in the SDL build on a private X server, keys typed by
// xdotool, is recorded and verifies headless in quillmoor-sim.
TEST_F(ScenarioTest, AGameRecordedInTheWindowVerifiesHeadless) {
  const fs::path game = fs::path(QM_BINARY_DIR) / "quillmoor";
  ASSERT_TRUE(fs::exists(game));
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "xdotool is not installed: no way to type into the window";
  testsupport::XServer x;
  std::string why;
  if (!x.Start(why)) GTEST_SKIP() << "no X server: " << why;
  fs::copy_file(game, P("quillmoor"));  // the settings and recordings land here
  const pid_t pid = testsupport::Spawn(
      {.argv = {P("quillmoor")},
       .setEnv = testsupport::WithoutLeakCheck({"DISPLAY=" + x.display(), "SDL_AUDIODRIVER=dummy"}),
       .unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
       .errFile = P("stderr.txt")});
  // Enter on the title and the banner, then Left, a pause, Right and F2;
  // every key is held long enough for a frame to see it.
  auto type = [&](const std::string& keys) {
    const std::string cmd = "DISPLAY=" + x.display() + " xdotool search --sync --name "
                            "'Quillmoor Ver.1.00' windowfocus --sync %1 " + keys + " >/dev/null";
    return std::system(cmd.c_str());
  };
  const std::string enter = " keydown Return sleep 0.3 keyup Return";
  ASSERT_EQ(type("sleep 2" + enter + " sleep 5" + enter + " sleep 4 keydown Left sleep 0.4 "
                 "keyup Left keydown p sleep 0.2 keyup p sleep 1 keydown p sleep 0.2 keyup p "
                 "keydown Right sleep 0.3 keyup Right keydown F2 sleep 0.2 keyup F2"), 0);
  for (int i = 0; i < 120 && !fs::exists(P("last.qmr")); ++i) std::system("sleep 0.25");
  type("key Escape");
  EXPECT_EQ(testsupport::WaitExit(pid, 20000), 0) << ReadFile(P("stderr.txt"));

  replay::Record rec;
  ASSERT_TRUE(replay::LoadFile(P("last.qmr"), rec, why)) << why;
  EXPECT_EQ(rec.end, 3);  // abandoned
  const std::vector<Frame> f = Frames(rec);
  EXPECT_GT(std::count_if(f.begin(), f.end(), [](auto& x) { return x.keys & replay::kKeyLeft; }), 0);
  EXPECT_EQ(std::count_if(f.begin(), f.end(), [](const Frame& x) { return x.pause; }), 1);
  const Result r = Run({"--replay", P("last.qmr"), "--verify"});
  EXPECT_EQ(r.status, 0) << r.errors;
}

}  // namespace
