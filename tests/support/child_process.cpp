#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace testsupport {
namespace {

using Clock = std::chrono::steady_clock;

int OpenOutput(const std::string& path, int devnull) {
  return path.empty() ? devnull : open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

std::string WithOption(const char* var, const char* option) {
  const char* old = std::getenv(var);
  return std::string(var) + "=" + (old && *old ? std::string(old) + ":" : "") + option;
}

}  // namespace

pid_t Spawn(const SpawnOptions& o) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that crashed
  for (const std::string& e : o.unsetEnv) unsetenv(e.c_str());
  for (const std::string& e : o.setEnv) {
    const size_t eq = e.find('=');
    setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
  }
  if (!o.cwd.empty() && chdir(o.cwd.c_str()) != 0) _exit(126);
  const int devnull = open("/dev/null", O_RDWR);
  const int out = OpenOutput(o.outFile, devnull);
  // One open file for both streams when they share a path, so that neither
  // writes over the other.
  const int err = !o.errFile.empty() && o.errFile == o.outFile ? out : OpenOutput(o.errFile, devnull);
  dup2(devnull, 0);
  dup2(out, 1);
  dup2(err, 2);
  for (int fd = 3; fd < 256; ++fd)
    if (fd != o.keepFd) close(fd);
  std::vector<char*> args;
  for (const std::string& a : o.argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

int WaitExit(pid_t pid, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  int status = 0;
  while (Clock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid)
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

std::vector<std::string> WithoutLeakCheck(std::vector<std::string> env) {
  env.push_back(WithOption("ASAN_OPTIONS", "detect_leaks=0"));
  env.push_back(WithOption("LSAN_OPTIONS", "detect_leaks=0"));
  return env;
}

bool XServer::Start(std::string& why, const std::string& screen) {
  int fds[2];
  if (pipe(fds) != 0) {
    why = "no pipe";
    return false;
  }
  // No auto-repeat (-r): a key a test holds for a moment may stay down far longer on a loaded
  // machine, and its repeats would act again (F4 switches back, Enter pauses). No reset when the
  // last client leaves (-noreset): a game started just after another ended found no display while
  // the server was starting over.
  pid_ = Spawn({.argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen,
                         "-nolisten", "tcp", "-r", "-noreset"},
                .keepFd = fds[1]});
  close(fds[1]);
  // Xvfb writes the display number it took once it is ready.
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  std::string number;
  const auto end = Clock::now() + std::chrono::seconds(15);
  while (Clock::now() < end) {
    char c;
    const ssize_t n = read(fds[0], &c, 1);
    if (n == 1) {
      if (c == '\n') break;
      number += c;
    } else if (n == 0) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  close(fds[0]);
  if (number.empty()) {
    why = "Xvfb could not be started (is the xvfb package installed?)";
    Stop();
    return false;
  }
  display_ = ":" + number;
  return true;
}

void XServer::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    WaitExit(pid_, 5000);
    pid_ = -1;
  }
}

}  // namespace testsupport
