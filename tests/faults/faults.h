// The harness every fault trial shares: quillmoor-sim runs started side by
// side, each in its own folder with its keys, its log and its settings file,
// and the checks every survivable fault must pass (exit code, a whole
// settings file with the right high score).
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "tests/scenario/scenario.h"

namespace faults {

namespace fs = std::filesystem;

// One run: started in `dir` with --dir `data`, --exe `exe` (default
// dir/quillmoor), --keys dir/keys.txt, --log dir/log.txt and `args`.
struct SimJob {
  fs::path dir{};
  std::string keys{};
  std::vector<std::string> args{};
  fs::path exe{};
  fs::path data = QM_SOURCE_DIR;
  scenario::Result result{};
};

// Runs the jobs two at a time and fills in their results.
void RunAll(std::vector<SimJob>& jobs);

// Moments of a run's log ("MS text" lines).
class LogTimes {
 public:
  explicit LogTimes(const std::string& logText);
  // The time of the first line at or after `from` whose text is `text`
  // (or, with prefix, begins with it); -1 when there is none.
  long long At(const std::string& text, long long from = 0, bool prefix = false) const;
  std::string TextOf(const std::string& prefix, long long from = 0) const;
  std::string Last() const { return lines_.empty() ? "" : lines_.back().second; }
  const std::vector<std::pair<long long, std::string>>& lines() const { return lines_; }

 private:
  std::vector<std::pair<long long, std::string>> lines_;
};

// The seven values of a settings file as the game writes it: whole decimal
// numbers without leading zeros (the seventh empty or the unlock text), each
// ended by CR LF and nothing after. Empty, with the reason, otherwise.
std::vector<std::string> ReadSettingsExactly(const fs::path& file, std::string& why);

std::string SettingsText(int fps, int delay, int fire, int spare, int hiScore, int level,
                         bool god);

// The job ended by itself with code 0, silent on stderr, "exit 0" last.
void ExpectCleanExit(const SimJob& job);

bool ThreadSanitizerBuild();

}  // namespace faults
