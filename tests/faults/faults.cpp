#include "tests/faults/faults.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <thread>

extern char** environ;

namespace faults {

namespace {

pid_t Start(const SimJob& job) {
  std::vector<std::string> all{QM_SIM_BINARY};
  all.insert(all.end(), job.args.begin(), job.args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string err = (job.cwd / "stderr.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, job.cwd.c_str());
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

void Finish(SimJob& job, int status) {
  job.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  job.errors = scenario::ReadFile(job.cwd / "stderr.txt");
}

bool IsDigits(const std::string& s) {
  if (s.empty()) return false;
  size_t i = s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  if (s.size() > i + 1 && s[i] == '0') return false;  // no leading zeros
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

}  // namespace

void RunAll(std::vector<SimJob>& jobs, int parallel) {
  if (parallel <= 0) parallel = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::map<pid_t, size_t> running;
  size_t next = 0;
  while (next < jobs.size() || !running.empty()) {
    while (next < jobs.size() && static_cast<int>(running.size()) < parallel) {
      const pid_t pid = Start(jobs[next]);
      if (pid < 0) {
        jobs[next].status = -1;
        jobs[next].errors = "cannot start " QM_SIM_BINARY;
      } else {
        running[pid] = next;
      }
      ++next;
    }
    if (running.empty()) continue;
    int status = 0;
    const pid_t done = waitpid(-1, &status, 0);
    if (done < 0) continue;
    auto it = running.find(done);
    if (it == running.end()) continue;  // not one of ours
    Finish(jobs[it->second], status);
    running.erase(it);
  }
}

bool ReadSettingsExactly(const fs::path& file, SettingsLines& out, std::string& why) {
  out.values.clear();
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    why = "no settings file " + file.string();
    return false;
  }
  const std::string text = scenario::ReadFile(file);
  size_t pos = 0;
  for (int line = 1; line <= 7; ++line) {
    const size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      why = "line " + std::to_string(line) + " missing or not ended by CR LF in \"" + text + "\"";
      return false;
    }
    const std::string value = text.substr(pos, end - pos);
    const bool ok = line < 7 ? IsDigits(value) : (value.empty() || value == "AH!NO_WAY!!");
    if (!ok || value.find_first_of("\r\n") != std::string::npos) {
      why = "line " + std::to_string(line) + " is \"" + value + "\"";
      return false;
    }
    out.values.push_back(value);
    pos = end + 2;
  }
  if (pos != text.size()) {
    why = "bytes after the seventh line";
    return false;
  }
  return true;
}

LogTimes::LogTimes(const std::string& logText) {
  for (const std::string& line : scenario::Lines(logText)) {
    const size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    lines_.emplace_back(std::atoll(line.c_str()), line.substr(space + 1));
  }
}

long long LogTimes::Exact(const std::string& text, long long from, int nth) const {
  for (const auto& [ms, t] : lines_)
    if (ms >= from && t == text && --nth == 0) return ms;
  return -1;
}

long long LogTimes::Prefix(const std::string& prefix, long long from, int nth) const {
  for (const auto& [ms, t] : lines_)
    if (ms >= from && t.compare(0, prefix.size(), prefix) == 0 && --nth == 0) return ms;
  return -1;
}

std::string LogTimes::TextOf(const std::string& prefix, long long from) const {
  for (const auto& [ms, t] : lines_)
    if (ms >= from && t.compare(0, prefix.size(), prefix) == 0) return t;
  return {};
}

std::string SettingsText(int targetFps, int frameDelay, int fireMode, int spare, int hiScore,
                         int level, bool god) {
  std::string out;
  for (int v : {targetFps, frameDelay, fireMode, spare, hiScore, level})
    out += std::to_string(v) + "\r\n";
  out += god ? "AH!NO_WAY!!\r\n" : "\r\n";
  return out;
}

bool SanitizerBuild() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#else
  return false;
#endif
}

bool ThreadSanitizerBuild() {
#if defined(__SANITIZE_THREAD__)
  return true;
#else
  return false;
#endif
}

}  // namespace faults
