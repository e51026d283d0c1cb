// Recorded games: the format's bytes and rates at their bounds, damaged files
// refused in one line, a scripted game recorded by quillmoor-sim that holds
// what was played, verifies from wherever the data is and watches as played,
// edits caught, soak games lost and verified, a game recorded in the window.
#include <algorithm>
#include <cstdlib>

#include "headless/replay_verify.h"
#include "platform/sim/sim_control.h"
#include "replay/replay_file.h"
#include "state/game_state.h"
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
  r.end = 3, r.score = 4321;
  std::vector<Frame> frames(121);
  frames[0].keys = replay::kKeyUp | replay::kKeySpace, frames[0].fireMode = 2;
  frames[5].fps = {60, -4, 1000000};
  frames[9].pause = true, frames[9].pauseMs = 70000, frames[120].quit = true;
  SetFrames(r, frames);
  r.digests = {0x0123456789ABCDEFull, 42}, r.finalDigest = 0xFEDCBA9876543210ull;
  return r;
}

// 32 bits written at `at`, and the checksum put right again, as a forger would.
std::string Forged(std::string b, size_t at, uint32_t v) {
  auto put = [&b](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i)); };
  put(at, v), put(b.size() - 4, replay::Crc32(b.data(), b.size() - 4));
  return b;
}

replay::Verdict Verified(const Record& r) {
  platform::sim::Reset();
  return VerifyReplay(r);
}

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
  EXPECT_EQ(std::vector<int64_t>({f[0].keys, f[0].fireMode, f[9].pause, f[9].pauseMs, f[120].quit,
                                  f[119].quit || f[119].pause || f[1].keys}),
            std::vector<int64_t>({replay::kKeyUp | replay::kKeySpace, 2, 1, 70000, 1, 0}));
  EXPECT_EQ(f[5].fps, (std::vector<int32_t>{60, -4, 1000000}));
  Record plain = Sample();  // a byte a frame, the least there is (too short for a digest)
  EXPECT_TRUE((plain.digests.clear(), SetFrames(plain, std::vector<Frame>(3)), replay::Parse(replay::Serialize(plain), back, error))) << error;
  // The start values at their bounds are read, and one past either refused.
  for (auto [quota, score, timer, graze, hp, ok] : {std::tuple{1, 0, 0, 0, 0, true}, {255, 4000, 25, 1000, 1, true}, {0, 0, 0, 0, 0, false},
       {256, 0, 0, 0, 0, false}, {1, -1, 0, 0, 0, false}, {1, 4001, 0, 0, 0, false}, {1, 0, -1, 0, 0, false}, {1, 0, 26, 0, 0, false},
       {1, 0, 0, -1, 0, false}, {1, 0, 0, 1001, 0, false}, {1, 0, 0, 0, -1, false}}) {
    Record edited = Sample();
    std::tie(edited.start.startQuota, edited.start.startScore, edited.start.levelUpTimer, edited.start.grazeCooldown, edited.start.bossMaxHp) = std::tie(quota, score, timer, graze, hp);
    EXPECT_EQ(replay::Parse(replay::Serialize(edited), back, error), ok) << quota << " " << score << " " << timer << " " << graze << " " << hp;
  }
}

// Every target rate the game runs at (1 and up) is read back, and every rate a
// frame reads within the bound; nothing beyond, where twice the rate overflows.
TEST(ReplayFormat, EveryRateTheGameRunsAtIsReadAndNoneBeyond) {
  constexpr int32_t kMax = replay::kMaxRateRead, kBig = INT32_MAX, kLow = INT32_MIN;
  // Rows: the target, a frame's reads (up to 64) of one rate, and whether the file is read.
  const std::tuple<int32_t, int32_t, size_t, bool> rows[] = {{1, kMax, 1, true}, {kBig, -kMax, 64, true}, {0, 60, 1, false}, {-1, 60, 1, false},
      {kLow, 60, 1, false}, {30, kMax + 1, 1, false}, {30, -kMax - 1, 1, false}, {30, 1 << 30, 1, false}, {30, kLow, 1, false}, {30, 60, 65, false}};
  Record back;
  std::string error;
  for (const auto& [target, read, reads, ok] : rows) {
    Record r = Sample();
    std::vector<Frame> f = Frames(r);
    r.start.targetFps = target, f[5].fps.assign(reads, read);
    SetFrames(r, f);
    EXPECT_EQ(replay::Parse(replay::Serialize(r), back, error), ok) << target << " " << read;
    EXPECT_EQ(error, ok ? "" : reads > 64 ? "too many rate reads in a frame" : "frame rate out of range") << target << " " << read;
  }
  Frame paused;  // a frame that says more follows, cut short there
  std::string stream;
  size_t at = 0;
  paused.pause = true, replay::AppendFrame(stream, paused);
  EXPECT_FALSE(replay::NextFrame(stream.substr(0, 1), at, paused, error));
  EXPECT_FALSE(replay::Parse("QMS" + replay::Serialize(Sample()).substr(3), back, error) || error != "not a Quillmoor recording");
  // A game reads its measurement held to the bound, and records what it read.
  ResetGameState(), SetConstantGameState();
  std::vector<int32_t> read;
  for (int32_t measured : {kBig, kLow, -4}) {
    gs.measuredFps = measured, gs.targetFps = measured, gs.enemySlots = 12;
    replay::StartRecording(), replay::BeginFrame(), read.push_back(replay::MeasuredFps());
    EXPECT_TRUE(replay::Parse(replay::Serialize(replay::FinishRecording(3)), back, error)) << error;
    read.push_back(back.start.targetFps);
  }
  EXPECT_EQ(read, (std::vector<int32_t>{kMax, kBig, -kMax, 30, -4, 30}));
}

// Damaged and hostile files: one line on stderr, status 1, watched or verified.
TEST_F(ScenarioTest, DamagedAndHostileFilesAreOneLineAndStatusOne) {
  const std::string good = replay::Serialize(Sample());
  std::string flipped = good;
  flipped[100] ^= 0x10;
  const std::tuple<const char*, std::string, const char*> cases[] = {
      {"empty", "", "not a Quillmoor recording"}, {"header only", good.substr(0, 40), "truncated"},
      {"68 bytes", good.substr(0, 68), "truncated"},  // a byte short of a header, a stream size and a checksum
      {"69 bytes", good.substr(0, 69), "checksum"},
      {"cut short", good.substr(0, good.size() - 9), "checksum"}, {"one byte flipped", flipped, "checksum"},
      {"version 2", Forged(good, 4, 2), "version 2"}, {"level 7", Forged(good, 12, 7), "unknown level"},
      {"four billion frames", Forged(good, 49, 0xFFFFFFFFu), "sizes do not add up"},
      {"stream longer than its frames", Forged(good, 49, 120), "longer than its frames"},
      {"byte after the checksum", good + "x", "checksum"}, {"missing", "", "cannot be read"}};
  for (const auto& [name, bytes, why] : cases) {
    if (name != std::string("missing")) WriteFile(P(name), bytes);
    for (std::vector<std::string> args : {std::vector<std::string>{"--replay", P(name)}, {"--replay", P(name), "--verify"}}) {
      const Result r = Run(args);
      EXPECT_EQ(r.status, 1) << name;
      EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << r.errors;
      const std::string file = P(name) + ": ";  // what is said after the file's name, which may hold the same words
      const size_t at = r.errors.find(file);
      EXPECT_TRUE(at != std::string::npos && r.errors.find(why, at + file.size()) != std::string::npos) << name << ": " << r.errors;
    }
  }
}

// A hand-edited rate keeps its meaning (45 between the offered ones, 2000 past
// "No Wait"); a number past 32 bits reads below 1, which is 30. The game's
// recording holds the rate and verifies.
TEST_F(ScenarioTest, AHandEditedRateIsPlayedRecordedAndVerified) {
  WriteFile(P("keys.txt"), "3000 down Enter\n3100 up Enter\n7000 down Enter\n7100 up Enter\n9000 down F2\n"
                           "9050 up F2\n17000 down Escape\n");
  for (const auto& [line, fps] : {std::pair<std::string, int>{"45", 45}, {"2000", 2000}, {"4294967295", 30}}) {
    WriteFile(P("quillmoor.ini"), line + "\r\n0\r\n1\r\n0\r\n0\r\n12\r\n\r\n");
    const Result r = Run({"--keys", P("keys.txt")});
    ASSERT_EQ(r.status, 0) << r.errors;
    Record rec;
    std::string error;
    ASSERT_TRUE(replay::LoadFile(P("last.qmr"), rec, error)) << line << ": " << error;
    EXPECT_TRUE(Verified(rec).match) << line;
    EXPECT_EQ(rec.start.targetFps, fps) << line;
    EXPECT_EQ(ReadFile(P("quillmoor.ini")).rfind(std::to_string(fps) + "\r\n", 0), 0u) << line;
  }
}

// One game recorded from a key script: Easy, moves, MANUAL fire with Space,
// a pause of two seconds, then F2. Escape leaves from the title afterwards.
class RecordedGame : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    WriteFile(P("keys.txt"), "3000 down Enter\n3100 up Enter\n7000 down Enter\n7100 up Enter\n9300 down Left\n"
              "9700 up Left\n9800 down Ctrl\n9850 up Ctrl\n9900 down Space\n10900 up Space\n11000 down P\n11050 up P\n"
              "13000 down P\n13050 up P\n13100 down Right\n13300 up Right\n13400 down Shift\n13450 up Shift\n"
              "13700 down F2\n13750 up F2\n22000 down Escape\n");
    const Result r = Run({"--keys", P("keys.txt"), "--set", "100:enemySlots=5"});
    ASSERT_EQ(r.status, 0) << r.errors;
    bytes_ = ReadFile(P("last.qmr"));
    std::string error;
    ASSERT_TRUE(replay::Parse(bytes_, rec_, error)) << error;
  }
  std::string bytes_;
  Record rec_;
};

TEST_F(RecordedGame, HoldsWhatWasPlayed) {  // verified below, from where the data is
  // Easy, not Maker Mode, abandoned; 103 frames, one digest.
  EXPECT_EQ(std::vector<size_t>({size_t(rec_.start.enemySlots), size_t(rec_.start.startQuota), rec_.end,
                                 rec_.frameCount, rec_.digests.size()}), std::vector<size_t>({5, 255, 3, 103, 1}));
  EXPECT_EQ(ReadFile(P("best.qmr")), bytes_);  // a new high score: also the best game
  // Per frame: Left for 12 frames, Right for 6, Space in MANUAL for 32, the
  // pause taken in frame 81 for the 1978 ms until P, F2 seen in the last.
  std::vector<uint32_t> seen(6);  // left, right, MANUAL Space, pause frame and length, quit frame
  const std::vector<Frame> f = Frames(rec_);
  for (uint32_t i = 0; i < f.size(); ++i) {
    seen[0] += (f[i].keys & replay::kKeyLeft) != 0, seen[1] += (f[i].keys & replay::kKeyRight) != 0;
    seen[2] += f[i].keys == replay::kKeySpace && f[i].fireMode == 0;
    if (f[i].pause) seen[3] += i + 1, seen[4] += f[i].pauseMs;
    seen[5] += f[i].quit ? i + 1 : 0;
  }
  EXPECT_EQ(seen, std::vector<uint32_t>({12, 6, 32, 81, 1978, 103}));
}

TEST_F(RecordedGame, OneKeyEditedOnOneFrameFailsThereOrLater) {
  const uint32_t n = rec_.frameCount;
  // Up flipped on one frame (first, after the digest, middle, last two), and
  // the abandon request moved one frame earlier, which must end it there.
  const std::pair<uint32_t, bool> edits[] = {{1, false}, {61, false}, {n / 2, false}, {n - 1, false}, {n, false}, {n - 1, true}};
  for (const auto& [frame, quitEarlier] : edits) {
    std::vector<Frame> f = Frames(rec_);
    if (quitEarlier) std::swap(f[n - 1].quit, f[n - 2].quit);
    else f[frame - 1].keys ^= replay::kKeyUp;
    Record r = rec_;
    SetFrames(r, f);
    const replay::Verdict v = Verified(r);
    EXPECT_FALSE(v.match) << frame;
    EXPECT_GE(v.frame, frame) << v.why;
    EXPECT_LE(v.frame, quitEarlier ? n - 1 : n + 1) << v.why;
  }
}

TEST_F(RecordedGame, WatchingPlaysItAsRecordedAndChangesNoSetting) {
  // Watched from a folder of its own with no settings: high score 0, Normal.
  // A pause lasts as recorded up to 5 s (this one 1978 ms; edited, 49 days);
  // Space runs frames and pauses four times as fast; Escape stops watching
  // two seconds in. The title comes back after it.
  fs::create_directory(dir_ / "w");
  std::vector<Frame> f = Frames(rec_);
  f[80].pauseMs = 0xFFFFFFFFu;
  Record longPause = rec_;
  SetFrames(longPause, f);
  WriteFile(P("long.qmr"), replay::Serialize(longPause));
  const std::tuple<const char*, const char*, const char*, long long> rows[] = {
      {"last.qmr", "", "replay as recorded, 103 frames", 6444},
      {"long.qmr", "", "replay as recorded, 103 frames", 6444 - 1978 + 5000},
      {"long.qmr", "0 down Space\n", "replay as recorded, 103 frames", 3166},
      {"last.qmr", "3000 down Escape\n3050 up Escape\n", "replay differs at frame 58:", 3014}};
  for (const auto& [file, keys, line, ms] : rows) {
    WriteFile(P("w/keys.txt"), std::string(keys) + "20000 down Escape\n");  // Escape on the title
    const Result r = RunSim({"--dir", QM_SOURCE_DIR, "--exe", P("w/quillmoor"), "--replay", P(file), "--keys",
                             P("w/keys.txt"), "--log", P("w/log"), "--until", "60000"}, dir_);
    EXPECT_EQ(r.status, 0) << file << keys << r.errors;
    const std::vector<std::string> log = Lines(ReadFile(P("w/log")));
    EXPECT_EQ(TimeOf(log, line), ms) << file << keys;
    EXPECT_GT(TimeOf(log, "mci play sa1", ms), ms) << file << keys;
    EXPECT_EQ(ReadFile(P("w/quillmoor.ini")), "30\r\n33\r\n0\r\n0\r\n0\r\n12\r\n\r\n");
    EXPECT_FALSE(fs::exists(P("w/last.qmr")));  // watching records nothing
  }
}

// The verifier finds the pictures as the game does: installed (/usr/games and
// /usr/share/quillmoor), beside itself, or where --dir says; else it says they
// are missing (status 4) rather than that the game differs. Run from a folder
// without them.
TEST_F(RecordedGame, TheVerifierFindsTheDataAsTheGameDoesOrSaysItIsMissing) {
  for (const char* d : {"usr/games", "usr/share/quillmoor", "side", "none", "cwd"}) fs::create_directories(dir_ / d);
  for (const char* d : {"image", "bgm"})
    for (const char* at : {"usr/share/quillmoor/", "side/"}) fs::create_directory_symlink(fs::path(QM_SOURCE_DIR) / d, dir_ / at / d);
  const std::tuple<const char*, const char*, int, const char*> rows[] = {
      {"usr/games", "", 0, "last.qmr: verified, 103 frames, abandoned, score "}, {"side", "", 0, "verified"},
      {"none", "", 4, "last.qmr cannot be checked: the game's pictures (image/) are not here (--dir names their folder)\n"},
      {"usr/games", "--dir=.", 4, "cannot be checked"}};
  for (const auto& [at, dir, status, text] : rows) {
    const fs::path sim = dir_ / at / "quillmoor-sim";
    std::error_code ec;  // a link where it can be (the program's path is the link's), else a copy
    if (!fs::exists(sim) && (fs::create_hard_link(QM_SIM_BINARY, sim, ec), ec)) fs::copy_file(QM_SIM_BINARY, sim);
    std::vector<std::string> argv = {sim.string(), "--replay", P("last.qmr"), "--verify"};
    if (*dir) argv.push_back(dir);
    const pid_t pid = testsupport::Spawn({.argv = argv, .outFile = P("out"), .errFile = P("out"), .cwd = P("cwd")});
    EXPECT_EQ(testsupport::WaitExit(pid, 60000), status) << at << dir;
    const std::string out = ReadFile(P("out"));
    EXPECT_NE(out.find(text), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
  }
}

// A recording named by an empty path, or relative to a folder that is gone,
// is refused in one line by both programs (no window is opened).
TEST_F(ScenarioTest, AnEmptyOrUnreachableRecordingIsRefusedInOneLine) {
  const std::string game = QM_BINARY_DIR "/quillmoor", goneThen = "mkdir gone && cd gone && rmdir ../gone && exec ";
  const std::pair<std::vector<std::string>, std::string> rows[] = {
      {{game, "--replay", ""}, "quillmoor: --replay needs a file; usage: "},
      {{QM_SIM_BINARY, "--replay="}, "quillmoor-sim: bad --replay \"\": empty"},
      {{"/bin/sh", "-c", goneThen + game + " --replay x.qmr"}, "quillmoor: x.qmr: cannot be read\n"},
      {{"/bin/sh", "-c", goneThen + QM_SIM_BINARY + " --replay x.qmr --verify"}, "x.qmr: cannot be read\n"}};
  for (const auto& [argv, text] : rows) {
    const pid_t pid = testsupport::Spawn({.argv = argv, .unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"},
                                          .outFile = P("out"), .errFile = P("out"), .cwd = dir_.string()});
    EXPECT_EQ(testsupport::WaitExit(pid, 20000), 1) << argv.back();
    const std::string out = ReadFile(P("out"));
    EXPECT_EQ(out.find(text), text.back() == '\n' ? out.size() - text.size() : 0) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
  }
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
  std::pair<int, std::string> best{-1, ""};
  for (int n = 1; n <= 3; ++n) {
    const std::string bytes = ReadFile(P("game-" + std::to_string(n) + ".qmr"));
    Record rec;
    std::string error;
    ASSERT_TRUE(replay::Parse(bytes, rec, error)) << n << ": " << error;
    EXPECT_EQ(rec.end, 2) << n;  // lost
    EXPECT_EQ(std::to_string(rec.score), over[n - 1]) << n;
    const replay::Verdict v = Verified(rec);
    EXPECT_TRUE(v.match) << n << ": frame " << v.frame << " " << v.why;
    if (rec.score > best.first) best = {rec.score, bytes};
  }
  EXPECT_EQ(ReadFile(P("best.qmr")), best.second);
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
  std::pair<int, int> leftAndPauses;
  for (const Frame& f : Frames(rec)) leftAndPauses.first += (f.keys & replay::kKeyLeft) != 0, leftAndPauses.second += f.pause;
  EXPECT_TRUE(leftAndPauses.first > 0 && leftAndPauses.second == 1) << leftAndPauses.first;
  const Result r = Run({"--replay", P("last.qmr"), "--verify"});
  EXPECT_EQ(r.status, 0) << r.errors;
}

}  // namespace
