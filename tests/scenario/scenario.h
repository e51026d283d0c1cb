// Running quillmoor-sim from a test: a scratch directory per test, the
// binary started with arguments, and its outputs read back.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace scenario {

namespace fs = std::filesystem;

struct Result {
  int status = -1;     // exit status; -1 when it did not exit normally
  std::string errors;  // what it wrote on stderr
};

// Runs quillmoor-sim with the arguments (no shell in between) from the
// directory `cwd`, with the repository's data files reachable through --dir
// when the caller passes it.
Result RunSim(const std::vector<std::string>& args, const fs::path& cwd);

std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& text);
std::vector<std::string> Lines(const std::string& text);

// The time of the nth line of a log ("MS text" lines) holding `text` at or
// after `from`, or -1; `index` receives its line number.
long long TimeOf(const std::vector<std::string>& log, const std::string& text, long long from = 0,
                 int nth = 1, size_t* index = nullptr);

// A settings file's bytes for these values, as the game writes them.
std::string SettingsText(int fps, int delay, int fire, int spare, int hiScore, int level, bool god);

// The seven values of a settings file as the game writes it: whole decimal
// numbers without leading zeros (the seventh empty or the unlock text), each
// ended by CR LF, nothing after. Empty, with the reason, otherwise.
std::vector<std::string> SettingsLines(const fs::path& file, std::string& why);

// A fresh directory for the running test, removed again when it passes.
class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Runs in dir_ with --dir pointing at the repository (for image/ and bgm/)
  // and --exe inside dir_ (so the settings file lands there).
  Result Run(std::vector<std::string> args);
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

}  // namespace scenario
