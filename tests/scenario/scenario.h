// Running quillmoor-sim from a test in a scratch directory and reading back what it wrote.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace scenario {

namespace fs = std::filesystem;

// The sanitizers slow a whole game of quillmoor-sim ten- to fifty-fold: the
// longest trials run fewer games under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizer = true;
#else
constexpr bool kSanitizer = false;
#endif
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif

struct Result {
  int status = -1;     // -1 when it did not exit normally
  std::string errors;  // its stderr
};

// No shell in between, so arguments reach it exactly; `prefix` (runuser, timeout) runs it.
Result RunSim(const std::vector<std::string>& args, const fs::path& cwd, const std::vector<std::string>& prefix = {});
std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& text);
std::vector<std::string> Lines(const std::string& text);
// The time of the nth "MS text" log line holding `text` at or after `from`, or -1.
long long TimeOf(const std::vector<std::string>& log, const std::string& text, long long from = 0,
                 int nth = 1, size_t* index = nullptr);
// A settings file's bytes as the game writes them.
std::string SettingsText(int fps, int delay, int fire, int spare, int hiScore, int level, bool god);
// The seven values if the file is exactly as the game writes it; else empty, with the reason.
std::vector<std::string> SettingsLines(const fs::path& file, std::string& why);

// A fresh directory per test, kept when it fails.
class ScenarioTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // --dir is the repository (image/, bgm/); --exe sits in dir_ so the settings file lands there.
  Result Run(std::vector<std::string> args);
  std::string P(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

}  // namespace scenario
