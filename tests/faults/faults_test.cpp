// Faults the game must survive: closing on every screen, broken data files,
// an unusable settings place, a kill during saves, two games saving at once, its
// program file replaced, no sound device. The sim runs go two at a time, each in
// its own folder with its keys, log and settings.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <set>
#include <thread>

#include "settings/settings.h"
#include "state/game_state.h"
#include "tests/scenario/json.h"
#include "tests/scenario/scenario.h"
#include "tests/support/child_process.h"

namespace faults {
namespace {

using namespace scenario;
using Clock = std::chrono::steady_clock;
class Faults : public ScenarioTest {};

// Run in `dir` with --dir `data`, --exe `exe` (default dir/quillmoor), its keys.txt and log.txt, through `prefix`.
struct SimJob {
  fs::path dir{};
  std::string keys{};
  std::vector<std::string> args{};
  fs::path exe{}, data = QM_SOURCE_DIR;
  std::vector<std::string> prefix{};
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
      j.result = RunSim(args, j.dir, j.prefix);
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

std::set<std::string> Names(const fs::path& folder) {  // none when it cannot be listed
  std::set<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) out.insert(it->path().filename());
  return out;
}

std::string Entry(const fs::path& p) {  // kind and mode, owner, link target or bytes; links and FIFOs not followed
  struct stat st {};
  if (lstat(p.c_str(), &st) != 0) return "none";
  return std::to_string(st.st_mode) + " " + std::to_string(st.st_uid) + " " +
         (S_ISLNK(st.st_mode) ? fs::read_symlink(p).string() : S_ISREG(st.st_mode) ? ReadFile(p) : "");
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
    for (const std::string& name : Names(jobs[i].dir)) EXPECT_FALSE(name.ends_with(".tmp")) << "a temporary file left";
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

// Whatever the settings path holds: the game runs on what it could read or its defaults and ends with 0; a file it
// cannot read is said once and then nothing is written there (no recording either); a read-only file is kept, even by
// root; a link is written through to its target and stays a link. Permissions are tried as an ordinary user (nobody,
// when the tests run as root); a run that blocks is killed after 2 minutes.
struct Immutable {  // chattr +i for the life of the object
  fs::path path;
  bool ok = std::system(("chattr +i '" + path.string() + "' 2>/dev/null").c_str()) == 0;
  ~Immutable() { ok = ok && std::system(("chattr -i '" + path.string() + "' 2>/dev/null").c_str()) == 0; }
};

TEST_F(Faults, WhatTheSettingsPathHoldsIsReadKeptOrWrittenThroughAndTheGameEndsWithZero) {
  const fs::path d = dir_;
  const bool root = geteuid() == 0;
  const std::string old = SettingsText(60, 16, 0, 5, 777, 20, false);
  for (const char* sub : {"a/quillmoor.ini", "b", "fifo", "eio", "dangling", "loop", "link", "chain"}) fs::create_directories(d / sub);
  for (const char* sub : {"ro-folder", "ro-file", "read-only", "real", "real2", "user", "no-read", "root-only"}) fs::create_directories(d / sub), WriteFile(d / sub / "quillmoor.ini", old);
  for (const char* p : {"user", "user/quillmoor.ini", "no-read", "no-read/quillmoor.ini", "root-only"}) ASSERT_TRUE(!root || chown((d / p).c_str(), 65534, 65534) == 0);
  fs::permissions(d / "no-read/quillmoor.ini", fs::perms::none), fs::permissions(d / "root-only/quillmoor.ini", fs::perms(0600));
  fs::permissions(d / "read-only/quillmoor.ini", fs::perms(0444)), fs::permissions(d / "real/quillmoor.ini", fs::perms(0640));
  fs::create_symlink("/dev/zero", d / "b/quillmoor.ini"), fs::create_symlink("/proc/self/mem", d / "eio/quillmoor.ini");  // zeros for ever, EIO
  fs::create_symlink("gone.ini", d / "dangling/quillmoor.ini"), fs::create_symlink("quillmoor.ini", d / "loop/quillmoor.ini");
  fs::create_symlink("../real/quillmoor.ini", d / "link/quillmoor.ini"), fs::create_symlink("../real2/quillmoor.ini", d / "chain/l");
  fs::create_symlink(d / "chain/l", d / "chain/quillmoor.ini");  // a link to a link, a target of its own
  ASSERT_EQ(mkfifo((d / "fifo/quillmoor.ini").c_str(), 0644), 0);
  WriteFile(d / "c", "not a folder");
  Immutable folder{d / "ro-folder"}, file{d / "ro-file/quillmoor.ini"};
  struct Place {  // the values read; whether the save at the end lands; what the one message box says; run as nobody
    fs::path exe; int fps = 30, level = 12, hiScore = 0; bool saved = false; std::string box{}; bool nobody = false;
  };
  const std::string notSaved = "\\r設定とリプレイは保存されません";
  auto told = [&](const fs::path& exe, bool nobody = false) {  // the file cannot be read
    return Place{exe, 30, 12, 0, false, "設定ファイルを読み込めません\\r" + exe.string() + ".ini" + notSaved, nobody}; };
  std::vector<Place> places = {told(d / "a/quillmoor"), told(d / "b/quillmoor"), {d / "missing/deeper/quillmoor"}, {d / "c/quillmoor"},
                               {"/proc/quillmoor"}, told(d / "fifo/quillmoor"), told(d / "eio/quillmoor"), told(d / "dangling/quillmoor"),
                               told(d / "loop/quillmoor"), {d / "read-only/quillmoor", 60, 20, 777}, {d / "link/quillmoor", 60, 20, 777, true},
                               {d / "chain/quillmoor", 60, 20, 777, true}, {d / "user/quillmoor", 60, 20, 777, true, "", true},
                               told(d / "no-read/quillmoor", true), {"/usr/games/quillmoor-trial", 30, 12, 0, false, "設定ファイルの場所がわかりません" + notSaved}};
  if (folder.ok && file.ok) places.insert(places.end(), {{d / "ro-folder/quillmoor", 60, 20, 777}, {d / "ro-file/quillmoor", 60, 20, 777}});
  if (root) places.push_back(told(d / "root-only/quillmoor", true));  // another owner's file
  std::mt19937 rng(99);
  for (int i = 0; i < 3; ++i) {  // what garbage reads as is the loader's to decide; the game must run on that
    std::string bytes(i == 2 ? 2 << 20 : 1 + rng() % 5000, '\0');  // the last past the 1 MB read
    for (char& c : bytes) c = static_cast<char>(rng());
    const fs::path g = d / ("garbage" + std::to_string(i));
    fs::create_directories(g), WriteFile(g / "quillmoor.ini", bytes), ResetGameState();
    ASSERT_EQ(LoadSettingsFrom((g / "quillmoor.ini").string()), SettingsLoad::kRead);
    const SettingsValues v = CurrentSettings();
    EXPECT_TRUE((v.enemySlots == 5 || v.enemySlots == 12 || v.enemySlots == 20 || v.enemySlots == 30) && v.targetFps != 0);
    places.push_back({g / "quillmoor", v.targetFps, v.enemySlots, v.hiScore, true});
  }
  std::vector<SimJob> jobs;
  std::vector<std::tuple<std::set<std::string>, std::string, bool>> before;  // the folder's names, the file, a link
  for (const Place& p : places) {
    const fs::path run = d / ("run" + std::to_string(jobs.size()));
    fs::create_directories(run);
    ASSERT_TRUE(!root || !p.nobody || chown(run.c_str(), 65534, 65534) == 0);
    std::vector<std::string> prefix = {"timeout", "-s", "KILL", "120"};
    if (root && p.nobody) prefix.insert(prefix.begin(), {"runuser", "-u", "nobody", "--"});
    jobs.push_back({.dir = run, .keys = p.nobody ? "3000 down Enter\n3100 up Enter\n7000 down Enter\n7100 up Enter\n9500 down F2\n9550 up F2\n12000 down Escape\n"
                                                 : "3000 down Escape\n",  // a game played and abandoned, or Escape on the title
                    .args = {"--state", "2000:" + (run / "s.json").string(), "--set", "2500:hiScore=4242", "--until", "30000"}, .exe = p.exe, .prefix = prefix});
    before.emplace_back(Names(p.exe.parent_path()), Entry(p.exe.string() + ".ini"), fs::is_symlink(p.exe.string() + ".ini"));
  }
  RunAll(jobs);
  for (size_t i = 0; i < places.size(); ++i) {
    const Place& p = places[i];
    const std::string file = p.exe.string() + ".ini";
    SCOPED_TRACE(file);
    ExpectCleanExit(jobs[i]);
    const std::vector<std::string> ini = p.saved ? Ini(file) : std::vector<std::string>{};
    EXPECT_EQ(ini.size() == 7 ? ini[4] : "", p.saved ? "4242" : "") << "the high score set in play";
    const Json state = ParseJson(ReadFile(jobs[i].dir / "s.json"));
    EXPECT_EQ((std::vector<int>{state["titleActive"].Int(), state["targetFps"].Int(), state["enemySlots"].Int(),
                                state["hiScore"].Int()}), (std::vector<int>{1, p.fps, p.level, p.hiScore}));
    const std::vector<std::string> log = jobs[i].Log();
    EXPECT_EQ((TimeOf(log, " settings written ", 3000) > 0) + 2 * (TimeOf(log, " settings not written ", 3000) > 0), p.saved ? 1 : 2);
    std::string boxes;
    for (const std::string& l : log) boxes += l.find(" message box ") == std::string::npos ? "" : l.substr(l.find(" message box ") + 13) + "\n";
    EXPECT_EQ(boxes, p.box.empty() ? "" : "\"Settings\" \"" + p.box + "\"\n");
    auto [names, entry, link] = before[i];  // nothing new but a game's recording beside a saved file
    if (p.nobody && p.saved) names.insert("last.qmr");
    EXPECT_TRUE(p.exe.parent_path() == "/proc" || Names(p.exe.parent_path()) == names) << "nothing new there";
    EXPECT_TRUE((p.saved && !link) || Entry(file) == entry) << "left as it was, or still the same link";
  }
  EXPECT_EQ(ReadFile(d / "c") + std::to_string(Names(d / "real").size() + Names(d / "real2").size()), "not a folder2") << "no temporary file beside a link's target";
}

// Savers killed at random moments, then two saving at once under a reader: the file is always one whole save, never
// older than the last that returned; every save that lands says so; no temporary file outlives its writer.
TEST_F(Faults, SavesKilledOrSavingAtOnceLeaveTheOldFileOrANewOneNeverATornOne) {
  constexpr int kKills = 200, kSaves = 150;
  const std::string path = P("quillmoor.ini");
  auto save = [&](int32_t hi) { return ApplyLoadedSettings({60, 14, 1, 7, hi, 20, 1}), SaveSettingsTo(path); };
  auto whole = [&](int32_t& hi) {  // the file is one save's bytes, hi its high score
    const std::string b = ReadFile(path);
    hi = ParseSettings(reinterpret_cast<const uint8_t*>(b.data()), b.size()).hiScore;
    return FormatSettings({60, 14, 1, 7, hi, 20, 1}) == b;
  };
  ASSERT_TRUE(save(0));
  // A save syncs the disk, so its length follows the machine's load: measured, then followed.
  auto mark = Clock::now();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(save(0));
  double saveUs = std::chrono::duration<double, std::micro>(Clock::now() - mark).count() / 5;
  std::mt19937 rng(7);
  int32_t last = 0, hi = 0;
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
    ASSERT_TRUE(whole(hi)) << "torn file";
    ASSERT_TRUE(hi == last || hi >= first) << hi << " after " << last;
    ASSERT_TRUE(through == 0 || hi >= first + through - 1) << "a finished save lost";
    newer += hi != last;
    midSave += Names(dir_).size() > 1;  // this kill came in the middle of a save: its temporary file is left
    last = hi;
  }
  EXPECT_GT(midSave, kKills / 10);  // the kills came both inside saves and after them
  EXPECT_GT(newer, kKills / 2);
  gs.hiScore = -1;
  ASSERT_EQ(LoadSettingsFrom(path), SettingsLoad::kRead);
  EXPECT_EQ(gs.hiScore, last);
  for (int32_t w = 1, i = 0; w <= 2; ++w) {  // two games at once, each with its own numbers
    if (fork() != 0) continue;
    while (i < kSaves && save(w * 100000000 + i)) ++i;
    _exit(i == kSaves ? 0 : 1);
  }
  for (int ended = 0, status = 0; ended < 2;) {
    ASSERT_TRUE(whole(hi)) << "torn file";
    if (waitpid(-1, &status, WNOHANG) > 0 && ++ended) { EXPECT_EQ(status, 0) << "a save said it was not written"; }
  }
  EXPECT_TRUE(whole(hi) && (hi == 100000000 + kSaves - 1 || hi == 200000000 + kSaves - 1)) << "the last save stays: " << hi;
  EXPECT_EQ(Names(dir_), std::set<std::string>{"quillmoor.ini"}) << "the killed savers' temporary files are gone";
}

// The program's file replaced while it runs (a rebuild, an upgrade): the settings still go beside where it started.
TEST_F(Faults, AReplacedProgramKeepsItsSettingsFile) {
  const fs::path game = P("game/quillmoor"), keys = P("keys");
  fs::create_directories(game.parent_path()), fs::copy_file(QM_SIM_BINARY, game);
  ASSERT_EQ(mkfifo(keys.c_str(), 0600), 0);  // the game waits on its key script, read before the settings
  const pid_t pid = testsupport::Spawn({.argv = {game, "--dir", QM_SOURCE_DIR, "--keys", keys, "--set", "1000:hiScore=4242"}});
  int fd = -1;
  for (int i = 0; i < 3000 && fd < 0 && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
    fd = open(keys.c_str(), O_WRONLY | O_NONBLOCK), std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GE(fd, 0) << "the game never read its keys";
  fs::copy_file(QM_SIM_BINARY, P("new")), fs::rename(P("new"), game);
  EXPECT_TRUE(write(fd, "2000 down Escape\n", 17) == 17 && close(fd) == 0);
  EXPECT_EQ(testsupport::WaitExit(pid, 60000), 0);
  EXPECT_EQ(Names(game.parent_path()), (std::set<std::string>{"quillmoor", "quillmoor.ini"}));
  EXPECT_EQ(Ini(P("game/quillmoor.ini")), (std::vector<std::string>{"30", "33", "0", "0", "4242", "12", ""}));
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
    // xdotool gives up when a window vanishes under its search (the game's first does): asked again.
    for (int i = 0; i < 200 && std::system((xdo + " search --name '^Quillmoor Ver\\.1\\.00$' > '" + found + "' 2>/dev/null").c_str()); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_NE(ReadFile(found), "") << "no game window; the game said: " << ReadFile(out);
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
