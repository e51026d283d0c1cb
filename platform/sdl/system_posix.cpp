// What the SDL game asks of a POSIX system (Linux) beyond SDL: the time since
// start-up and the user's folder for the game's files.
#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/platform.h"

namespace platform {

// Milliseconds since the system started, wrapped to 32 bits. The random
// numbers are seeded from it, so every launch starts somewhere else; counted
// from the process's start instead, every launch replayed nearly the same
// opening.
uint32_t GetTickCount() {
  timespec ts{};
  if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

std::string UserConfigDirectory() {
  // A relative XDG_CONFIG_HOME is to be ignored, as if unset.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/quillmoor";
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* pw = getpwuid(getuid());
    home = pw ? pw->pw_dir : nullptr;
  }
  if (!home || home[0] != '/') return {};
  return std::string(home) + "/.config/quillmoor";
}

}  // namespace platform
