// Escape or the main window's close box at 200 moments spread over every
// screen: loading, title, the options window, banner, play, the boss's
// explosions, the closing wipe, the ending and the staff roll. Every run must
// end with code 0 and leave a settings file of seven CR LF lines holding the
// high score of that moment: one set just before, or the one the game reached.
//
// The moments come from a reference run with the bot (the same arguments
// give the same run, so a trial is the reference up to its moment); the
// options window is opened by a script instead, since the bot's Enter taps
// would answer it. The moments are planned once and run in three tests by
// screen, each well within a test's time even under a sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/faults/faults.h"
#include "tests/scenario/scenario.h"

namespace faults {
namespace {

using scenario::ReadFile;
using scenario::WriteFile;

constexpr int kTrials = 200;
constexpr const char* kMainTitle = "Quillmoor Ver.1.00";

struct Phase {
  const char* name;
  long long from, to;  // the moment's range
  bool bot;            // false: the scripted options-window run
  int trials;          // how many moments fall in it
};

struct Trial {
  const Phase* phase = nullptr;
  long long at = 0;       // the closing request
  long long optionsAt = 0;  // options trials: when S opened the window
  bool escape = true;     // Escape, or the close box
  int setHiScore = -1;    // set just before the moment, or -1
  int expectedHiScore = 0;
  fs::path dir;
};

// The log lines before a moment, without the --set lines only a trial has.
std::vector<std::string> LinesBefore(const LogTimes& log, long long ms) {
  std::vector<std::string> out;
  for (const auto& [t, text] : log.lines())
    if (t < ms && text.compare(0, 4, "set ") != 0) out.push_back(std::to_string(t) + " " + text);
  return out;
}

class CloseMoments : public scenario::ScenarioTest {
 protected:
  std::vector<std::string> Common(const fs::path& dir) const {
    return {"--dir", QM_SOURCE_DIR, "--tick", "4242", "--exe", (dir / "quillmoor").string(),
            "--log", (dir / "log.txt").string()};
  }
  // Plans all 200 moments (the same ones whichever screens are run) and runs
  // those that fall on the named screens.
  void RunScreens(const std::vector<std::string>& screens);
};

void CloseMoments::RunScreens(const std::vector<std::string>& screens) {
  // No Wait, AUTO fire, high score 0, Normal: a won game with its ending.
  const std::string initial = SettingsText(1000, 0, 1, 0, 0, 12, false);

  const fs::path refDir = dir_ / "reference";
  fs::create_directories(refDir);
  WriteFile(refDir / "quillmoor.ini", initial);
  std::vector<SimJob> ref(1);
  ref[0].cwd = refDir;
  ref[0].args = Common(refDir);
  for (const char* a : {"--bot", "--bot-games", "1", "--until", "400000"}) ref[0].args.push_back(a);
  RunAll(ref);
  ASSERT_EQ(ref[0].status, 0) << ref[0].errors;
  const LogTimes t(ReadFile(refDir / "log.txt"));

  const long long openingPlay = t.Exact("mci play sa1");
  const long long titleEnd = t.Exact("mci stop sa1 wait", openingPlay + 1);
  const long long gameSet = t.Exact("bot game 1");
  const long long stagePlay = t.Exact("mci play sa2", gameSet);
  const long long won = t.Exact("bot won", stagePlay);
  const long long over = t.Prefix("bot over score ", won);
  const long long wipeEnd = t.Exact("mci stop sa2 wait", over);
  const long long ending = t.Exact("mci play sa4", over);
  const long long titleAgain = t.Exact("bot title", ending);
  const std::vector<long long> marks = {openingPlay, titleEnd, gameSet,  stagePlay, won,
                                        over,        wipeEnd,  ending,   titleAgain};
  for (size_t i = 0; i < marks.size(); ++i) {
    ASSERT_GT(marks[i], i ? marks[i - 1] : 0) << "reference mark " << i << " out of order";
  }
  const int score = std::atoi(t.TextOf("bot over score ", won).c_str() + 15);
  ASSERT_GT(score, 0);
  // The game's last frame, right after which the high score takes the score:
  // the bot says "over" once frames have stood still for its still time.
  const long long hiScoreTaken = over - 700;

  // A trial runs the game up to its moment, and the late screens are a
  // minute or two into the run: they get fewer moments, so that the whole
  // stays within a couple of minutes.
  const Phase phases[] = {
      {"loading", 1, openingPlay - 1, true, 28},
      {"title", openingPlay, titleEnd + 200, true, 28},
      {"options window", openingPlay + 100, openingPlay + 3000, false, 28},
      {"banner", titleEnd + 250, gameSet - 1, true, 26},
      {"play", stagePlay + 1, won - 1, true, 26},
      {"boss explosions", won, hiScoreTaken - 10, true, 22},
      {"wipe", hiScoreTaken + 10, wipeEnd, true, 22},
      {"ending", ending + 1, ending + 39000, true, 10},
      {"staff roll", ending + 40000, titleAgain - 1, true, 10},
  };
  std::vector<const Phase*> plan;
  for (const Phase& p : phases)
    for (int k = 0; k < p.trials; ++k) plan.push_back(&p);
  ASSERT_EQ(static_cast<int>(plan.size()), kTrials);

  auto wanted = [&screens](const Phase* p) {
    return std::find(screens.begin(), screens.end(), p->name) != screens.end();
  };
  // Under the thread sanitizer a run is many times slower: every eighth
  // moment is run, which still lands at least once on every screen; the
  // other builds run all 200.
  const int stride = ThreadSanitizerBuild() ? 8 : 1;
  auto runs = [&](int i) { return wanted(plan[i]) && i % stride == 0; };
  std::mt19937 rng(20240611);
  std::vector<Trial> trials(kTrials);
  std::vector<SimJob> jobs(kTrials);
  for (int i = 0; i < kTrials; ++i) {
    Trial& tr = trials[i];
    tr.phase = plan[i];
    const int k = i - static_cast<int>(std::find(plan.begin(), plan.end(), plan[i]) - plan.begin());
    std::uniform_int_distribution<long long> when(tr.phase->from, tr.phase->to);
    // Within each screen: Escape and the close box by turns, and every other
    // pair with a high score set just before the moment.
    tr.escape = k % 2 == 0;
    tr.dir = dir_ / ("trial" + std::to_string(i));
    if (runs(i)) {
      fs::create_directories(tr.dir);
      WriteFile(tr.dir / "quillmoor.ini", initial);
    }
    const std::string closing =
        tr.escape ? "down Escape\n" : std::string("close \"") + kMainTitle + "\"\n";
    std::string keys;
    if (tr.phase->bot) {
      tr.at = when(rng);
      keys = std::to_string(tr.at) + " " + closing;
    } else {
      // S opens the options window; Escape there only cancels it, so the
      // closing request follows once it is gone.
      tr.optionsAt = when(rng);
      const long long cancel = tr.optionsAt + std::uniform_int_distribution<int>(20, 2000)(rng);
      tr.at = cancel + 100;
      keys = std::to_string(tr.optionsAt) + " down S\n" + std::to_string(tr.optionsAt + 30) +
             " up S\n" + std::to_string(cancel) + " down Escape\n" + std::to_string(cancel + 30) +
             " up Escape\n" + std::to_string(tr.at) + " " + closing;
    }
    if (runs(i)) WriteFile(tr.dir / "keys.txt", keys);
    SimJob& job = jobs[i];
    job.cwd = tr.dir;
    job.args = Common(tr.dir);
    job.args.insert(job.args.end(), {"--keys", (tr.dir / "keys.txt").string(), "--until",
                                     std::to_string(tr.at + 60000)});
    if (tr.phase->bot) job.args.push_back("--bot");
    if ((k / 2) % 2 == 0) {
      tr.setHiScore = 1000000 + 37 * i;
      tr.expectedHiScore = tr.setHiScore;
      job.args.push_back("--set");
      job.args.push_back(std::to_string(tr.at - 1) + ":hiScore=" + std::to_string(tr.setHiScore));
    } else {
      tr.expectedHiScore = tr.phase->bot && tr.at > hiScoreTaken ? score : 0;
    }
  }

  std::vector<SimJob> chosen;
  std::vector<int> index;
  for (int i = 0; i < kTrials; ++i) {
    if (!runs(i)) continue;
    chosen.push_back(jobs[i]);
    index.push_back(i);
  }
  ASSERT_FALSE(chosen.empty());
  RunAll(chosen);

  std::map<std::string, int> passed, ran;
  for (size_t n = 0; n < chosen.size(); ++n) {
    const int i = index[n];
    ran[trials[i].phase->name] += 1;
    const Trial& tr = trials[i];
    const SimJob& job = chosen[n];
    SCOPED_TRACE("trial " + std::to_string(i) + ": " + (tr.escape ? "Escape" : "close box") +
                 " at " + std::to_string(tr.at) + " ms during the " + tr.phase->name);
    bool ok = true;
    auto check = [&ok](bool cond) {
      ok = ok && cond;
      return cond;
    };
    EXPECT_TRUE(check(job.status == 0)) << "status " << job.status << ": " << job.errors;
    EXPECT_TRUE(check(job.errors.empty())) << job.errors;
    SettingsLines ini;
    std::string why;
    EXPECT_TRUE(check(ReadSettingsExactly(tr.dir / "quillmoor.ini", ini, why))) << why;
    if (ini.values.size() == 7) {
      EXPECT_TRUE(check(ini.values[4] == std::to_string(tr.expectedHiScore)))
          << "high score " << ini.values[4] << ", expected " << tr.expectedHiScore;
      EXPECT_TRUE(check(ini.values[0] == "1000" && ini.values[2] == "1" && ini.values[3] == "0" &&
                        ini.values[5] == "12" && ini.values[6].empty()));
      const long delay = std::atol(ini.values[1].c_str());
      EXPECT_TRUE(check(delay >= 0 && delay <= 1000)) << ini.values[1];
    }
    EXPECT_TRUE(check(!fs::exists(tr.dir / "quillmoor.ini.tmp")));
    const LogTimes log(ReadFile(tr.dir / "log.txt"));
    ASSERT_FALSE(log.lines().empty());
    EXPECT_TRUE(check(log.lines().back().second == "exit 0"));
    EXPECT_TRUE(check(log.Prefix("settings written ", tr.at) >= tr.at));
    if (tr.phase->bot) {
      // Up to its moment a trial is the reference run: the moment fell
      // where it was meant to.
      EXPECT_TRUE(check(LinesBefore(log, tr.at) == LinesBefore(t, tr.at)));
    } else {
      const long long shown = log.Exact("window created \"Option\"");
      EXPECT_TRUE(check(shown >= tr.optionsAt && shown < tr.at))
          << "the options window was not open before the closing request";
    }
    if (ok) {
      passed[tr.phase->name] += 1;
      std::error_code ec;
      fs::remove_all(tr.dir, ec);
    }
  }
  std::string summary;
  for (const Phase& p : phases) {
    if (!wanted(&p)) continue;
    EXPECT_GT(ran[p.name], 0) << "no moment fell on the " << p.name;
    summary += std::string(summary.empty() ? "" : ", ") + p.name + " " +
               std::to_string(passed[p.name]) + " of " + std::to_string(ran[p.name]);
  }
  std::printf("close moments passed by screen: %s\n", summary.c_str());
}

// Three parts, each within the time a test is given even under a sanitizer.
TEST_F(CloseMoments, LoadingTitleOptionsWindowAndBanner) {
  RunScreens({"loading", "title", "options window", "banner"});
}

TEST_F(CloseMoments, PlayBossExplosionsAndWipe) {
  RunScreens({"play", "boss explosions", "wipe"});
}

TEST_F(CloseMoments, EndingAndStaffRoll) { RunScreens({"ending", "staff roll"}); }

}  // namespace
}  // namespace faults
