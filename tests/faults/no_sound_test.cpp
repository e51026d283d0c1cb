// No sound device: the headless backend always renders its sound into
// memory, so this is the SDL game's case. Under a private X server, with
// SDL_AUDIODRIVER naming a driver that does not exist or one that finds no
// device, `quillmoor` must still open its window, play on in silence, and end
// with code 0 and its settings written when Escape is pressed. Skipped, with
// the reason, where no X server can be started.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/faults/faults.h"
#include "tests/scenario/scenario.h"

namespace faults {
namespace {

using Clock = std::chrono::steady_clock;

// In a sanitizer build the SDL game runs here without the leak check: at
// exit the window system's libraries leave blocks behind (libdbus, and a
// driver library SDL has already unloaded, which no suppression can name),
// none of them ours; the game's own code is leak-checked on the sim backend.
// The other sanitizer options are kept; the added one comes last, since the
// later setting wins. No effect in other builds.
std::string WithOption(const char* var, const char* option) {
  const char* old = std::getenv(var);
  return std::string(var) + "=" + (old && *old ? std::string(old) + ":" : "") + option;
}

// Starts a program with extra environment; stdout and stderr go to a file.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& outFile, const std::string& cwd, int keepFd = -1) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a test that crashed
  for (const std::string& e : env) {
    const size_t eq = e.find('=');
    setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
  }
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("SDL_VIDEODRIVER");
  if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
  const int devnull = open("/dev/null", O_RDWR);
  const int out = outFile.empty() ? devnull : open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(devnull, 0);
  dup2(out, 1);
  dup2(out, 2);
  for (int fd = 3; fd < 256; ++fd)
    if (fd != keepFd) close(fd);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

// The exit status within `ms`, or -1 (the process is then killed).
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

// A private X server on a free display number, ended with the object.
class XServer {
 public:
  bool Start(std::string& why) {
    int fds[2];
    if (pipe(fds) != 0) {
      why = "no pipe";
      return false;
    }
    pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "800x600x24",
                  "-nolisten", "tcp"},
                 {}, "", "", fds[1]);
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
      why = "Xvfb could not be started";
      return false;
    }
    display_ = ":" + number;
    return true;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      WaitExit(pid_, 5000);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

bool Have(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

class NoSound : public scenario::ScenarioTest {};

TEST_F(NoSound, TheGameStartsPlaysSilentAndEndsWithZeroOnEscape) {
#ifndef QM_GAME_BINARY
  GTEST_SKIP() << "the SDL game is not built here";
#else
  if (!Have("Xvfb")) GTEST_SKIP() << "no X server for this test: Xvfb is not installed";
  if (!Have("xdotool")) GTEST_SKIP() << "xdotool is not installed: no way to press Escape";
  XServer x;
  std::string why;
  if (!x.Start(why)) GTEST_SKIP() << "no X server for this test: " << why;

  // A driver name SDL does not know, and a real driver with no device here.
  for (const char* driver : {"no-such-driver", "alsa"}) {
    SCOPED_TRACE(driver);
    const fs::path dir = dir_ / driver;
    fs::create_directories(dir);
    // Its own copy of the game, so that the settings file lands here; run
    // from the repository, where image/ and bgm/ are.
    const fs::path exe = dir / "quillmoor";
    fs::copy_file(QM_GAME_BINARY, exe);
    const std::string out = (dir / "output.txt").string();
    const pid_t game = Spawn({exe.string()},
                             {"DISPLAY=" + x.display(), std::string("SDL_AUDIODRIVER=") + driver,
                              WithOption("ASAN_OPTIONS", "detect_leaks=0"),
                              WithOption("LSAN_OPTIONS", "detect_leaks=0")},
                             out, QM_SOURCE_DIR);
    ASSERT_GT(game, 0);
    const std::string xdo = "DISPLAY=" + x.display() + " timeout 20 xdotool";
    const std::string found = (dir / "window.txt").string();
    const int searched = std::system((xdo + " search --sync --name '^Quillmoor Ver\\.1\\.00$' > '" +
                                      found + "' 2>/dev/null").c_str());
    const std::string window = scenario::ReadFile(found);
    ASSERT_EQ(searched, 0) << "no game window; the game said: " << scenario::ReadFile(out);
    ASSERT_FALSE(window.empty());
    // Into the title screen, where the opening music would be playing.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_EQ(waitpid(game, nullptr, WNOHANG), 0) << "the game ended by itself: "
                                                  << scenario::ReadFile(out);
    const std::string id = window.substr(0, window.find('\n'));
    EXPECT_EQ(std::system((xdo + " windowfocus --sync " + id + " key Escape >/dev/null 2>&1").c_str()),
              0);
    EXPECT_EQ(WaitExit(game, 20000), 0) << scenario::ReadFile(out);
    SettingsLines ini;
    EXPECT_TRUE(ReadSettingsExactly(dir / "quillmoor.ini", ini, why)) << why;
  }
#endif
}

}  // namespace
}  // namespace faults
