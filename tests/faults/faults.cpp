#include "tests/faults/faults.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace faults {

void RunAll(std::vector<SimJob>& jobs) {
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i; (i = next++) < jobs.size();) {
      SimJob& j = jobs[i];
      fs::create_directories(j.dir);
      scenario::WriteFile(j.dir / "keys.txt", j.keys);
      std::vector<std::string> args = {
          "--dir", j.data.string(), "--exe", (j.exe.empty() ? j.dir / "quillmoor" : j.exe).string(),
          "--keys", (j.dir / "keys.txt").string(), "--log", (j.dir / "log.txt").string()};
      args.insert(args.end(), j.args.begin(), j.args.end());
      j.result = scenario::RunSim(args, j.dir);
    }
  };
  std::thread a(worker), b(worker);
  a.join();
  b.join();
}

LogTimes::LogTimes(const std::string& logText) {
  for (const std::string& line : scenario::Lines(logText)) {
    const size_t space = line.find(' ');
    if (space != std::string::npos) lines_.emplace_back(std::atoll(line.c_str()), line.substr(space + 1));
  }
}

long long LogTimes::At(const std::string& text, long long from, bool prefix) const {
  for (const auto& [ms, t] : lines_)
    if (ms >= from && (prefix ? t.compare(0, text.size(), text) == 0 : t == text)) return ms;
  return -1;
}

std::string LogTimes::TextOf(const std::string& prefix, long long from) const {
  const long long at = At(prefix, from, true);
  for (const auto& [ms, t] : lines_)
    if (ms == at && t.compare(0, prefix.size(), prefix) == 0) return t;
  return {};
}

std::vector<std::string> ReadSettingsExactly(const fs::path& file, std::string& why) {
  const std::string text = fs::is_regular_file(file) ? scenario::ReadFile(file) : "";
  std::vector<std::string> values;
  size_t pos = 0;
  for (int line = 1; line <= 7; ++line) {
    const size_t end = text.find("\r\n", pos);
    const std::string v = end == std::string::npos ? "" : text.substr(pos, end - pos);
    const bool number = !v.empty() && v.find_first_not_of("0123456789") == std::string::npos &&
                        (v.size() == 1 || v[0] != '0');
    if (end == std::string::npos || !(line < 7 ? number : v.empty() || v == "AH!NO_WAY!!")) {
      why = "line " + std::to_string(line) + " bad or not ended by CR LF in \"" + text + "\"";
      return {};
    }
    values.push_back(v);
    pos = end + 2;
  }
  if (pos != text.size()) {
    why = "bytes after the seventh line";
    return {};
  }
  return values;
}

std::string SettingsText(int fps, int delay, int fire, int spare, int hiScore, int level,
                         bool god) {
  std::string out;
  for (int v : {fps, delay, fire, spare, hiScore, level}) out += std::to_string(v) + "\r\n";
  return out + (god ? "AH!NO_WAY!!\r\n" : "\r\n");
}

void ExpectCleanExit(const SimJob& job) {
  EXPECT_EQ(job.result.status, 0) << job.result.errors;
  EXPECT_EQ(job.result.errors, "");
  EXPECT_EQ(LogTimes(scenario::ReadFile(job.dir / "log.txt")).Last(), "exit 0");
}

bool ThreadSanitizerBuild() {
#if defined(__SANITIZE_THREAD__)
  return true;
#else
  return false;
#endif
}

}  // namespace faults
