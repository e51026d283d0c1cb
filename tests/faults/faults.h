// The harness every fault trial shares: quillmoor-sim runs started two at a
// time, each in its own folder with its keys, its log and its settings file,
// and the check every survivable fault must pass.
#pragma once
#include <string>
#include <vector>

#include "tests/scenario/scenario.h"

namespace faults {

namespace fs = std::filesystem;
using scenario::Lines;
using scenario::ReadFile;
using scenario::SettingsLines;
using scenario::SettingsText;
using scenario::TimeOf;
using scenario::WriteFile;

// One run: started in `dir` with --dir `data`, --exe `exe` (default
// dir/quillmoor), --keys dir/keys.txt, --log dir/log.txt and `args`.
struct SimJob {
  fs::path dir{};
  std::string keys{};
  std::vector<std::string> args{};
  fs::path exe{};
  fs::path data = QM_SOURCE_DIR;
  scenario::Result result{};
  std::vector<std::string> Log() const { return Lines(ReadFile(dir / "log.txt")); }
};

void RunAll(std::vector<SimJob>& jobs);

// The job ended by itself with code 0, silent on stderr, "exit 0" last.
void ExpectCleanExit(const SimJob& job);

}  // namespace faults
