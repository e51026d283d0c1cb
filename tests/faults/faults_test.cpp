// Faults the game must survive: closing on every screen, broken data files,
// an unusable settings place, a kill during saves, no sound device. The sim
// runs go two at a time, each in its own folder with its keys, log and settings.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "settings/settings.h"
#include "state/game_state.h"
#include "tests/scenario/json.h"
#include "tests/scenario/scenario.h"
#include "tests/support/child_process.h"
#include "platform/sim/sim_control.h"
#include "platform/sim/sim_driver.h"

namespace faults {
namespace {

using namespace scenario;
using Clock = std::chrono::steady_clock;
class Faults : public ScenarioTest {};

// Run in `dir` with --dir `data`, --exe `exe` (default dir/quillmoor), its keys.txt and log.txt.
struct SimJob {
  fs::path dir{};
  std::string keys{};
  std::vector<std::string> args{};
  fs::path exe{}, data = QM_SOURCE_DIR;
  Result result{};
  std::vector<std::string> Log() const { return Lines(ReadFile(dir / "log.txt")); }
};

void RunAll(std::vector<SimJob>& jobs) {
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i; (i = next++) < jobs.size();) {
      SimJob& j = jobs[i];
      fs::create_directories(j.dir);
      WriteFile(j.dir / "keys.txt", j.keys);
      std::vector<std::string> args = {"--dir", j.data.string(), "--exe",
                                       (j.exe.empty() ? j.dir / "quillmoor" : j.exe).string(), "--keys",
                                       (j.dir / "keys.txt").string(), "--log", (j.dir / "log.txt").string()};
      args.insert(args.end(), j.args.begin(), j.args.end());
      j.result = RunSim(args, j.dir);
    }
  };
  std::thread a(worker), b(worker);
  a.join(), b.join();
}

void ExpectCleanExit(const SimJob& job) {
  EXPECT_TRUE(job.result.status == 0 && job.result.errors.empty()) << job.result.status << job.result.errors;
  const std::vector<std::string> log = job.Log();
  EXPECT_TRUE(!log.empty() && log.back().substr(log.back().find(' ')) == " exit 0");
}

std::vector<std::string> Ini(const fs::path& file) {
  std::string why;
  return SettingsLines(file, why).size() == 7 ? SettingsLines(file, why) : (ADD_FAILURE() << why, std::vector<std::string>{});
}

// Escape or the close box on every screen: exit 0, saved before the window goes, that moment's high
// score kept. The same arguments give the same run, so a trial is a reference bot run up to its moment.
const std::string kInitial = SettingsText(1000, 0, 1, 0, 0, 12, false);  // No Wait, AUTO, Normal

std::vector<std::string> LinesBefore(const std::vector<std::string>& log, long long ms) {
  std::vector<std::string> out;  // without the --set lines only a trial has
  for (const std::string& l : log)
    if (std::atoll(l.c_str()) < ms && l.find(" set ") == std::string::npos) out.push_back(l);
  return out;
}

TEST_F(Faults, EveryScreenEndsWithZeroAndKeepsTheHighScoreOfItsMoment) {
  std::vector<SimJob> ref = {{.dir = dir_ / "ref", .args = {"--tick", "4242", "--bot", "--bot-games", "1", "--until", "400000"}}};
  fs::create_directories(ref[0].dir), WriteFile(ref[0].dir / "quillmoor.ini", kInitial);
  RunAll(ref);
  ASSERT_EQ(ref[0].result.status, 0) << ref[0].result.errors;
  const std::vector<std::string> t = ref[0].Log();
  size_t overLine = 0;
  const long long opening = TimeOf(t, " mci play sa1"), titleEnd = TimeOf(t, " mci stop sa1 wait", opening + 1),
                  game = TimeOf(t, " bot game 1"), stage = TimeOf(t, " mci play sa2", game),
                  won = TimeOf(t, " bot won", stage), over = TimeOf(t, " bot over score ", won, 1, &overLine),
                  wipeEnd = TimeOf(t, " mci stop sa2 wait", over), ending = TimeOf(t, " mci play sa4", over),
                  titleAgain = TimeOf(t, " bot title", ending);
  const long long marks[] = {0, opening, titleEnd, game, stage, won, over, wipeEnd, ending, titleAgain};
  for (size_t i = 1; i < std::size(marks); ++i) ASSERT_GT(marks[i], marks[i - 1]) << "mark " << i;
  const std::string score = t[overLine].substr(t[overLine].find(" score ") + 7);
  const long long taken = over - 700;  // the last frame: the bot says "over" after its still time
  const struct {
    const char* name;
    long long from, to;
  } screens[] = {{"loading", 1, opening - 1},  {"title", opening, titleEnd + 200},
                 {"options", opening + 100, opening + 3000}, {"banner", titleEnd + 250, game - 1},
                 {"play", stage + 1, won - 1}, {"boss explosions", won, taken - 10},
                 {"wipe", taken + 10, wipeEnd}, {"ending", ending + 1, ending + 39000},
                 {"staff roll", ending + 40000, titleAgain - 1}};
  std::vector<SimJob> jobs;
  std::vector<long long> at;
  std::vector<std::string> hi, names;
  for (const auto& s : screens) {
    if (kThreadSanitizer && s.from >= won) break;  // each later trial is nearly a whole game there
    const int k = static_cast<int>(jobs.size()) % 2;  // Escape with a high score set, or the close box
    const long long pick = s.from + (s.to - s.from) * (k + 1) / 3;
    const bool bot = std::string(s.name) != "options";
    SimJob job{.dir = dir_ / ("trial" + std::to_string(jobs.size())), .args = {"--tick", "4242"}};
    at.push_back(pick), names.push_back(s.name);
    if (!bot) {  // S opens it (the bot's Enter would answer it); Escape there only cancels it
      at.back() = pick + (k ? 2000 : 120);
      const std::string cancel = std::to_string(at.back() - 100);
      job.keys = std::to_string(pick) + " down S\n" + std::to_string(pick + 30) + " up S\n" + cancel +
                 " down Escape\n" + std::to_string(at.back() - 70) + " up Escape\n";
    }
    hi.push_back(k == 0 ? std::to_string(1000000 + jobs.size()) : bot && pick > taken ? score : "0");
    job.keys += std::to_string(at.back()) + (k ? " close \"Quillmoor Ver.1.00\"\n" : " down Escape\n");
    job.args.insert(job.args.end(), {"--until", std::to_string(at.back() + 60000)});
    if (bot) job.args.push_back("--bot");
    if (k == 0) job.args.insert(job.args.end(), {"--set", std::to_string(at.back() - 1) + ":hiScore=" + hi.back()});
    fs::create_directories(job.dir), WriteFile(job.dir / "quillmoor.ini", kInitial);
    jobs.push_back(job);
  }
  RunAll(jobs);
  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE(names[i] + " at " + std::to_string(at[i]) + " ms");
    ExpectCleanExit(jobs[i]);
    const std::vector<std::string> ini = Ini(jobs[i].dir / "quillmoor.ini");
    ASSERT_EQ(ini.size(), 7u);
    EXPECT_EQ(ini[0] + ini[2] + ini[3] + ini[4] + ini[5] + ini[6], "100010" + hi[i] + "12");
    EXPECT_LE(std::atol(ini[1].c_str()), 1000);
    EXPECT_FALSE(fs::exists(jobs[i].dir / "quillmoor.ini.tmp"));
    const std::vector<std::string> log = jobs[i].Log();
    size_t saved = 0, gone = 0;
    EXPECT_GE(TimeOf(log, " settings written ", at[i], 1, &saved), at[i]);
    EXPECT_GE(TimeOf(log, " window destroyed \"Quillmoor Ver.1.00\"", at[i], 1, &gone), at[i]);
    EXPECT_LT(saved, gone);
    EXPECT_LT(std::atoll(log.back().c_str()), at[i] + 100);
    if (names[i] == "options") {
      const long long shown = TimeOf(log, " window created \"Option\"");
      EXPECT_TRUE(shown > 0 && shown < at[i] - 100) << "the window was not open";
    } else {
      EXPECT_TRUE(LinesBefore(log, at[i]) == LinesBefore(t, at[i])) << "the moment missed its screen";
    }
  }
}

TEST(CloseBox, ReachesOnlyAnEnabledWindow) {
  using namespace platform;
  sim::Reset(), RegisterWindowClass("CLOSEREC", DefWindowProc);
  const Window w = CreateWindow("CLOSEREC", "Main", WS_CAPTION_FRAME | WS_SYSMENU, 0, 0, 326, 264, 0);
  ShowWindow(w, true), EnableWindow(w, false);  // as under a modal window
  EXPECT_FALSE(sim::CloseWindowTitled("Main"));
  EnableWindow(w, true);
  EXPECT_TRUE(sim::CloseWindowTitled("Main"));
}

// Pictures or music missing or damaged every way: the bot still plays a whole game and its score is saved.
enum Damage { kKeep, kMissing, kRandom, kCut, kEmpty, kHeader, kMixed };

void Break(const fs::path& folder, Damage damage, const char* magic, std::mt19937& rng) {
  if (damage == kMissing) return (void)fs::remove_all(folder);
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder)) files.push_back(e.path());
  std::sort(files.begin(), files.end());  // the same damage whatever the listing order
  for (const fs::path& f : files) {
    const Damage d = damage == kMixed ? Damage(rng() % 6) : damage;
    std::string bytes = ReadFile(f);
    if (d == kMissing) fs::remove(f);
    if (d == kKeep || d == kMissing) continue;
    if (d == kRandom) {
      bytes.resize(rng() % 4097);
      for (char& c : bytes) c = static_cast<char>(rng());
      if (rng() % 2 && bytes.size() >= 4) bytes.replace(0, 4, magic, 4);  // past the first check
    }
    if (d == kCut || d == kEmpty) bytes.resize(d == kEmpty || bytes.empty() ? 0 : rng() % bytes.size());
    for (int i = 0; d == kHeader && i < 8 && !bytes.empty(); ++i) bytes[rng() % std::min<size_t>(bytes.size(), 64)] = static_cast<char>(rng());
    WriteFile(f, bytes);
  }
}

TEST_F(Faults, TheGamePlaysOnWithPicturesOrMusicMissingOrBroken) {
  constexpr long long kEscapeAt = 30000;  // in the ending, after the game
  std::vector<SimJob> jobs;
  std::vector<Damage> damages = {kMissing, kRandom, kCut, kEmpty, kHeader, kMixed};
  if (kThreadSanitizer) damages = {kMixed};  // every kind of damage, one file each
  for (Damage damage : damages) {
    const fs::path dir = dir_ / ("damage" + std::to_string(damage));
    fs::create_directories(dir / "data");
    for (const char* sub : {"image", "bgm"}) fs::copy(fs::path(QM_SOURCE_DIR) / sub, dir / "data" / sub, fs::copy_options::recursive);
    std::mt19937 rng(damage);
    Break(dir / "data/image", damage, "BM\x36\0", rng), Break(dir / "data/bgm", damage, "MThd", rng);
    WriteFile(dir / "quillmoor.ini", kInitial);
    jobs.push_back({.dir = dir, .keys = std::to_string(kEscapeAt) + " down Escape\n", .args = {"--bot", "--until", "90000"}, .data = dir / "data"});
  }
  RunAll(jobs);
  for (const SimJob& job : jobs) {
    SCOPED_TRACE(job.dir.filename());
    ExpectCleanExit(job);
    const std::vector<std::string> log = job.Log();
    const long long game = TimeOf(log, " bot game 1");
    EXPECT_GT(game, 0) << "never got past the banner";
    size_t over = 0;
    const long long ended = TimeOf(log, " bot over score ", game, 1, &over);
    ASSERT_TRUE(ended > game && ended < kEscapeAt) << "the game did not run to its end";
    EXPECT_GT(TimeOf(log, " bot won", game) + TimeOf(log, " bot lost", game), 0);
    const std::vector<std::string> ini = Ini(job.dir / "quillmoor.ini");
    EXPECT_EQ(ini.size() == 7 ? ini[4] : "", log[over].substr(log[over].find(" score ") + 7)) << "the game's score is the new high score";
  }
}

// A settings place that cannot be read or written (as root, so no permission bits): the game runs on
// what it could read or its defaults, ends with 0 and leaves what was there.
struct Immutable {  // chattr +i for the life of the object
  fs::path path;
  bool ok = std::system(("chattr +i '" + path.string() + "' 2>/dev/null").c_str()) == 0;
  ~Immutable() { ok = ok && std::system(("chattr -i '" + path.string() + "' 2>/dev/null").c_str()) == 0; }
};

TEST_F(Faults, UnusablePlacesRunOnWhatTheyHoldAndEndWithZero) {
  const fs::path d = dir_;
  const std::string old = SettingsText(60, 16, 0, 5, 777, 20, false);
  fs::create_directories(d / "a/quillmoor.ini"), fs::create_directories(d / "b");
  fs::create_symlink("/dev/zero", d / "b/quillmoor.ini");  // zeros for ever
  WriteFile(d / "c", "not a folder");
  for (const char* sub : {"ro-folder", "ro-file"}) fs::create_directories(d / sub), WriteFile(d / sub / "quillmoor.ini", old);
  Immutable folder{d / "ro-folder"}, file{d / "ro-file/quillmoor.ini"};
  struct Place {
    fs::path exe;
    int fps = 30, level = 12, hiScore = 0;
    bool saved = false;  // whether the save at the end succeeds
  };
  std::vector<Place> places = {{d / "a/quillmoor"}, {d / "b/quillmoor"}, {d / "missing/deeper/quillmoor"},
                               {d / "c/quillmoor"}, {"/proc/quillmoor"}};
  if (folder.ok && file.ok) places.insert(places.end(), {{d / "ro-folder/quillmoor", 60, 20, 777}, {d / "ro-file/quillmoor", 60, 20, 777}});
  std::mt19937 rng(99);
  for (int i = 0; i < 3; ++i) {
    std::string bytes(i == 2 ? 2 << 20 : 1 + rng() % 5000, '\0');  // the last past the 1 MB read
    for (char& c : bytes) c = static_cast<char>(rng());
    const fs::path g = d / ("garbage" + std::to_string(i));
    fs::create_directories(g), WriteFile(g / "copy.ini", bytes);
    ResetGameState();  // what garbage reads as is the loader's to decide; the game must run on that
    LoadSettingsFrom((g / "copy.ini").string());
    const SettingsValues v = CurrentSettings();
    EXPECT_TRUE(v.enemySlots == 5 || v.enemySlots == 12 || v.enemySlots == 20 || v.enemySlots == 30);
    EXPECT_NE(v.targetFps, 0);
    WriteFile(g / "quillmoor.ini", bytes);
    places.push_back({g / "quillmoor", v.targetFps, v.enemySlots, v.hiScore, true});
  }
  std::vector<SimJob> jobs;
  for (const Place& p : places) {
    const fs::path run = d / ("run" + std::to_string(jobs.size()));
    jobs.push_back({.dir = run, .keys = "3000 down Escape\n", .args = {"--state", "2000:" + (run / "s.json").string(), "--until", "20000"}, .exe = p.exe});
  }
  RunAll(jobs);
  for (size_t i = 0; i < places.size(); ++i) {
    const Place& p = places[i];
    SCOPED_TRACE(p.exe);
    ExpectCleanExit(jobs[i]);
    if (p.saved) Ini(p.exe.string() + ".ini");
    const Json state = ParseJson(ReadFile(jobs[i].dir / "s.json"));
    EXPECT_EQ((std::vector<int>{state["titleActive"].Int(), state["targetFps"].Int(), state["enemySlots"].Int(),
                                state["hiScore"].Int()}), (std::vector<int>{1, p.fps, p.level, p.hiScore}));
    const std::vector<std::string> log = jobs[i].Log();
    EXPECT_EQ((TimeOf(log, " settings written ", 3000) > 0) + 2 * (TimeOf(log, " settings not written ", 3000) > 0), p.saved ? 1 : 2);
    EXPECT_FALSE(fs::exists(p.exe.string() + ".ini.tmp")) << "nothing half-written left";
  }
  EXPECT_TRUE(fs::is_empty(d / "a/quillmoor.ini"));
  EXPECT_EQ(fs::read_symlink(d / "b/quillmoor.ini"), "/dev/zero");
  EXPECT_FALSE(fs::exists(d / "missing") || fs::exists("/proc/quillmoor.ini"));
  EXPECT_EQ(ReadFile(d / "c") + ReadFile(d / "ro-folder/quillmoor.ini") + ReadFile(d / "ro-file/quillmoor.ini"), "not a folder" + old + old);
}

// A saver killed at random moments: always a whole save, never older than the last that returned.
TEST_F(Faults, AKillDuringSavesLeavesTheOldFileOrTheNewOneNeverATornOne) {
  constexpr int kKills = 200;
  const std::string path = P("quillmoor.ini");
  auto save = [&](int32_t hi) { return ApplyLoadedSettings({60, 14, 1, 7, hi, 20, 1}), SaveSettingsTo(path); };
  ASSERT_TRUE(save(0));
  // A save syncs the disk, so its length follows the machine's load: measured, then followed.
  auto mark = Clock::now();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(save(0));
  double saveUs = std::chrono::duration<double, std::micro>(Clock::now() - mark).count() / 5;
  std::mt19937 rng(7);
  int32_t last = 0;
  int newer = 0, midSave = 0;
  for (int round = 0; round < kKills; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int32_t first = (round + 1) * 100000;
    const int through = static_cast<int>(rng() % 3);  // whole saves let through first
    const double fraction = std::uniform_real_distribution<double>(0, 1.2)(rng);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      for (int32_t v = first; save(v), write(fds[1], "s", 1) == 1; ++v) continue;
      _exit(1);
    }
    close(fds[1]), mark = Clock::now();
    for (int i = 0; i < through; ++i) {
      char c;
      ASSERT_EQ(read(fds[0], &c, 1), 1) << "the saver stopped";
      const auto now = Clock::now();
      if (i > 0) saveUs = 0.8 * saveUs + 0.2 * std::chrono::duration<double, std::micro>(now - mark).count();
      mark = now;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(fraction * saveUs)));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself";
    const std::string bytes = ReadFile(path);
    const SettingsValues v = ParseSettings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_EQ(FormatSettings({60, 14, 1, 7, v.hiScore, 20, 1}), bytes) << "torn file";
    ASSERT_TRUE(v.hiScore == last || v.hiScore >= first) << v.hiScore << " after " << last;
    ASSERT_TRUE(through == 0 || v.hiScore >= first + through - 1) << "a finished save lost";
    newer += v.hiScore != last;
    midSave += fs::exists(path + ".tmp");  // this kill came in the middle of a save
    last = v.hiScore;
  }
  EXPECT_GT(midSave, kKills / 10);  // the kills came both inside saves and after them
  EXPECT_GT(newer, kKills / 2);
  gs.hiScore = -1;
  ASSERT_TRUE(LoadSettingsFrom(path));
  EXPECT_EQ(gs.hiScore, last);
  fs::permissions(path, static_cast<fs::perms>(0640));  // and a save keeps the file's permissions
  ASSERT_TRUE(save(last));
  EXPECT_EQ(fs::status(path).permissions(), static_cast<fs::perms>(0640));
}

// No sound device (the SDL game's case; the sim renders into memory): it plays silent and ends with 0.
TEST_F(Faults, TheGameStartsPlaysSilentAndEndsWithZeroOnEscape) {
#ifndef QM_GAME_BINARY
  GTEST_SKIP() << "the SDL game is not built here";
#else
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "no Xvfb or xdotool";
  testsupport::XServer x;
  std::string why;
  if (!x.Start(why)) GTEST_SKIP() << "no X server for this test: " << why;
  for (const std::string driver : {"no-such-driver", "alsa"}) {
    SCOPED_TRACE(driver);
    const fs::path dir = dir_ / driver;
    fs::create_directories(dir);
    fs::copy_file(QM_GAME_BINARY, dir / "quillmoor");  // so the settings file lands here
    const std::string out = (dir / "output.txt").string(), found = (dir / "window.txt").string();
    const pid_t game = testsupport::Spawn(
        {.argv = {(dir / "quillmoor").string()},
         .setEnv = testsupport::WithoutLeakCheck({"DISPLAY=" + x.display(), "SDL_AUDIODRIVER=" + driver}),
         .unsetEnv = {"WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, .outFile = out, .errFile = out, .cwd = QM_SOURCE_DIR});
    ASSERT_GT(game, 0);
    const std::string xdo = "DISPLAY=" + x.display() + " timeout 20 xdotool";
    ASSERT_EQ(std::system((xdo + " search --sync --name '^Quillmoor Ver\\.1\\.00$' > '" + found + "' 2>/dev/null").c_str()), 0)
        << "no game window; the game said: " << ReadFile(out);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // into the title and its music
    EXPECT_EQ(waitpid(game, nullptr, WNOHANG), 0) << "the game ended by itself: " << ReadFile(out);
    const std::string window = ReadFile(found);
    EXPECT_EQ(std::system((xdo + " windowfocus --sync " + window.substr(0, window.find('\n')) + " key Escape >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(testsupport::WaitExit(game, 20000), 0) << ReadFile(out);
    Ini(dir / "quillmoor.ini");
  }
#endif
}

}  // namespace
}  // namespace faults
