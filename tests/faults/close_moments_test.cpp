// Escape or the main window's close box on every screen: loading, title, the
// options window, banner, play, the boss's explosions, the closing wipe, the
// ending and the staff roll. Every run must end with code 0 and leave a
// settings file of seven CR LF lines holding the high score of that moment:
// one set just before, or the one the game reached.
//
// The moments come from a reference run with the bot (the same arguments give
// the same run, so a trial is the reference up to its moment); the options
// window is opened by a script instead, since the bot's Enter taps would
// answer it. The screens take Escape with a high score set just before and
// the close box with none by turns. The save comes before the window goes,
// and the run ends within the sound loop's few milliseconds.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/faults/faults.h"

namespace faults {
namespace {

const std::string kInitial = SettingsText(1000, 0, 1, 0, 0, 12, false);  // No Wait, AUTO, Normal

// The log lines before a moment, without the --set lines only a trial has.
std::vector<std::string> LinesBefore(const std::vector<std::string>& log, long long ms) {
  std::vector<std::string> out;
  for (const std::string& line : log)
    if (std::atoll(line.c_str()) < ms && line.find(" set ") == std::string::npos) out.push_back(line);
  return out;
}

class CloseMoments : public scenario::ScenarioTest {};

TEST_F(CloseMoments, EveryScreenEndsWithZeroAndKeepsTheHighScoreOfItsMoment) {
  std::vector<SimJob> ref = {{.dir = dir_ / "reference",
                              .args = {"--tick", "4242", "--bot", "--bot-games", "1", "--until",
                                       "400000"}}};
  fs::create_directories(ref[0].dir);
  WriteFile(ref[0].dir / "quillmoor.ini", kInitial);
  RunAll(ref);
  ASSERT_EQ(ref[0].result.status, 0) << ref[0].result.errors;
  const std::vector<std::string> t = ref[0].Log();
  const long long openingPlay = TimeOf(t, " mci play sa1");
  const long long titleEnd = TimeOf(t, " mci stop sa1 wait", openingPlay + 1);
  const long long gameSet = TimeOf(t, " bot game 1");
  const long long stagePlay = TimeOf(t, " mci play sa2", gameSet);
  const long long won = TimeOf(t, " bot won", stagePlay);
  size_t overLine = 0;
  const long long over = TimeOf(t, " bot over score ", won, 1, &overLine);
  const long long wipeEnd = TimeOf(t, " mci stop sa2 wait", over);
  const long long ending = TimeOf(t, " mci play sa4", over);
  const long long titleAgain = TimeOf(t, " bot title", ending);
  const long long marks[] = {0, openingPlay, titleEnd, gameSet, stagePlay, won, over, wipeEnd,
                             ending, titleAgain};
  for (size_t i = 1; i < std::size(marks); ++i) ASSERT_GT(marks[i], marks[i - 1]) << "mark " << i;
  const int score = std::atoi(t[overLine].c_str() + t[overLine].find(" score ") + 7);
  ASSERT_GT(score, 0);
  // The game's last frame, after which the high score takes the score: the
  // bot says "over" once frames have stood still for its still time.
  const long long hiScoreTaken = over - 700;

  const struct {
    const char* name;
    long long from, to;
    bool bot;  // false: the scripted options-window run
  } screens[] = {
      {"loading", 1, openingPlay - 1, true},
      {"title", openingPlay, titleEnd + 200, true},
      {"options window", openingPlay + 100, openingPlay + 3000, false},
      {"banner", titleEnd + 250, gameSet - 1, true},
      {"play", stagePlay + 1, won - 1, true},
      {"boss explosions", won, hiScoreTaken - 10, true},
      {"wipe", hiScoreTaken + 10, wipeEnd, true},
      {"ending", ending + 1, ending + 39000, true},
      {"staff roll", ending + 40000, titleAgain - 1, true},
  };
  struct Trial {
    std::string name;
    long long at, optionsAt;
    bool bot;
    int expectedHiScore;
  };
  std::vector<Trial> trials;
  std::vector<SimJob> jobs;
  for (const auto& s : screens) {
    {
      const int k = (&s - screens) % 2;
      const bool escape = k == 0;  // Escape with a high score set, or the close box
      const long long pick = s.from + (s.to - s.from) * (k + 1) / 3;
      Trial tr{std::string(escape ? "Escape" : "close box") + " during the " + s.name, pick, 0,
               s.bot, escape ? 1000000 + static_cast<int>(trials.size()) : 0};
      const std::string closing = escape ? "down Escape\n" : "close \"Quillmoor Ver.1.00\"\n";
      SimJob job{.dir = dir_ / ("trial" + std::to_string(trials.size()))};
      if (!s.bot) {
        // S opens the window; Escape there only cancels it, so the closing
        // request follows once it is gone.
        tr.optionsAt = pick;
        const long long cancel = pick + (k ? 1900 : 20);
        tr.at = cancel + 100;
        job.keys = std::to_string(pick) + " down S\n" + std::to_string(pick + 30) + " up S\n" +
                   std::to_string(cancel) + " down Escape\n" + std::to_string(cancel + 30) +
                   " up Escape\n";
      } else if (!escape && tr.at > hiScoreTaken) {
        tr.expectedHiScore = score;
      }
      job.keys += std::to_string(tr.at) + " " + closing;
      job.args = {"--tick", "4242", "--until", std::to_string(tr.at + 60000)};
      if (s.bot) job.args.push_back("--bot");
      if (escape) {
        job.args.push_back("--set");
        job.args.push_back(std::to_string(tr.at - 1) + ":hiScore=" +
                           std::to_string(tr.expectedHiScore));
      }
      fs::create_directories(job.dir);
      WriteFile(job.dir / "quillmoor.ini", kInitial);
      trials.push_back(tr);
      jobs.push_back(job);
    }
  }
  RunAll(jobs);

  for (size_t i = 0; i < jobs.size(); ++i) {
    const Trial& tr = trials[i];
    SCOPED_TRACE(tr.name + " at " + std::to_string(tr.at) + " ms");
    ExpectCleanExit(jobs[i]);
    std::string why;
    const std::vector<std::string> ini = SettingsLines(jobs[i].dir / "quillmoor.ini", why);
    ASSERT_EQ(ini.size(), 7u) << why;
    EXPECT_EQ(ini[4], std::to_string(tr.expectedHiScore));
    EXPECT_EQ(ini[0] + ini[2] + ini[3] + ini[5] + ini[6], "10001012");
    EXPECT_LE(std::atol(ini[1].c_str()), 1000);
    EXPECT_FALSE(fs::exists(jobs[i].dir / "quillmoor.ini.tmp"));
    const std::vector<std::string> log = jobs[i].Log();
    size_t saved = 0, gone = 0;
    EXPECT_GE(TimeOf(log, " settings written ", tr.at, 1, &saved), tr.at);
    EXPECT_GE(TimeOf(log, " window destroyed \"Quillmoor Ver.1.00\"", tr.at, 1, &gone), tr.at);
    EXPECT_LT(saved, gone);
    EXPECT_LT(std::atoll(log.back().c_str()), tr.at + 100);
    if (tr.bot) {
      // Up to its moment a trial is the reference run: the moment fell on
      // the screen it was meant for.
      EXPECT_TRUE(LinesBefore(log, tr.at) == LinesBefore(t, tr.at));
    } else {
      const long long shown = TimeOf(log, " window created \"Option\"");
      EXPECT_TRUE(shown >= tr.optionsAt && shown < tr.at) << "the window was not open before";
    }
  }
}

}  // namespace
}  // namespace faults
