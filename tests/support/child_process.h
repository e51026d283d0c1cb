// Child processes for the tests that start the real game: a fork and exec
// with its own environment and output files, a bounded wait for its exit,
// and a private X server (Xvfb) that lives as long as the object.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

struct SpawnOptions {
  std::vector<std::string> argv{};
  std::vector<std::string> setEnv{};    // "NAME=value"
  std::vector<std::string> unsetEnv{};  // removed before setEnv is applied
  std::string outFile{};                // stdout; empty: /dev/null
  std::string errFile{};                // stderr; empty: /dev/null; may equal outFile
  std::string cwd{};                    // empty: the test's own
  int keepFd = -1;                      // the one descriptor above 2 left open
};

// Starts the program and returns its pid. The child is killed if the test
// process dies first.
pid_t Spawn(const SpawnOptions& options);

// The exit status within `ms` (128 + signal for a killed child), or -1, and
// the child is then killed.
int WaitExit(pid_t pid, int ms);

// The environment with the leak check turned off for the SDL game. At exit
// the window system's libraries leave blocks behind (libdbus, and a driver
// library SDL has already unloaded, which no suppression can name), none of
// them ours; the game's own code is leak-checked on the sim backend. Every
// other sanitizer option is kept, and detect_leaks=0 comes last in both
// variables because the later setting wins. No effect in other builds.
std::vector<std::string> WithoutLeakCheck(std::vector<std::string> env);

// A private X server on a free display number, ended with the object.
class XServer {
 public:
  XServer() = default;
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  ~XServer() { Stop(); }

  bool Start(std::string& why, const std::string& screen = "800x600x24");
  void Stop();
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace testsupport
