// Shared pieces of the fault tests: many quillmoor-sim runs at once, the
// settings file's exact form, and the moments of a reference run's log.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "tests/scenario/scenario.h"

namespace faults {

namespace fs = std::filesystem;

// One quillmoor-sim run: its arguments and the directory it starts in (its
// stderr goes to stderr.txt there).
struct SimJob {
  std::vector<std::string> args;
  fs::path cwd;
  int status = -1;     // exit status, or -1 when it did not exit normally
  std::string errors;  // what it wrote on stderr
};

// Runs the jobs, at most `parallel` at a time (0: one per processor), and
// fills in their results.
void RunAll(std::vector<SimJob>& jobs, int parallel = 0);

// The seven values of a settings file whose every line is a whole decimal
// number (the seventh may also be empty or the unlock text), each ended by
// CR LF, with nothing after the seventh. False, with the reason, otherwise.
struct SettingsLines {
  std::vector<std::string> values;  // seven, without their line ends
};
bool ReadSettingsExactly(const fs::path& file, SettingsLines& out, std::string& why);

// Moments of a run's log ("MS text" lines).
class LogTimes {
 public:
  explicit LogTimes(const std::string& logText);
  // The time of the nth line (from 1) whose text after the time is exactly
  // `text`, at or after `from`; -1 when there is none.
  long long Exact(const std::string& text, long long from = 0, int nth = 1) const;
  // The same for lines whose text begins with `prefix`.
  long long Prefix(const std::string& prefix, long long from = 0, int nth = 1) const;
  // The text after the time of that line, or empty.
  std::string TextOf(const std::string& prefix, long long from = 0) const;
  const std::vector<std::pair<long long, std::string>>& lines() const { return lines_; }

 private:
  std::vector<std::pair<long long, std::string>> lines_;
};

// A settings file with these values, as the game writes it.
std::string SettingsText(int targetFps, int frameDelay, int fireMode, int spare, int hiScore,
                         int level, bool god);

// True in builds with the address or thread sanitizer, where every run is
// several times slower; the second only with the thread sanitizer, where it
// is many times slower.
bool SanitizerBuild();
bool ThreadSanitizerBuild();

}  // namespace faults
