// Process facts of the SDL backend and the test hooks it has no use for.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files/files.h"
#include "platform/platform.h"

namespace platform {

// Empty when the system cannot tell: the settings then go nowhere rather
// than into whatever folder is current.
std::string ExecutablePath() { return files::ProgramFile(); }

std::string UserConfigDirectory() {
  // A relative XDG_CONFIG_HOME is to be ignored, as if unset.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') {
    const passwd* pw = getpwuid(getuid());
    home = pw ? pw->pw_dir : nullptr;
  }
  if (!home || home[0] != '/') return {};
  return std::string(home) + "/.config";
}

// State dumps and the event log belong to the headless backend; a player's
// run keeps neither.
void RegisterStateHooks(StateHooks /*hooks*/) {}
void LogEvent(const std::string& /*line*/) {}

}  // namespace platform
