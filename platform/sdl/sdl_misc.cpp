// Process facts of the SDL backend and the test hooks it has no use for.
#include <unistd.h>

#include <climits>

#include "platform/platform.h"

namespace platform {

std::string ExecutablePath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "quillmoor";
  return std::string(buf, static_cast<size_t>(n));
}

// State dumps and the event log belong to the headless backend; a player's
// run keeps neither.
void RegisterStateHooks(StateHooks /*hooks*/) {}
void LogEvent(const std::string& /*line*/) {}

}  // namespace platform
