// Process facts of the SDL backend and the test hooks it has no use for.
#include "platform/files/files.h"
#include "platform/platform.h"

namespace platform {

// Empty when the system cannot tell: the settings then go nowhere rather
// than into whatever folder is current.
std::string ExecutablePath() { return files::ProgramFile(); }

// State dumps and the event log belong to the headless backend; a player's
// run keeps neither.
void RegisterStateHooks(StateHooks /*hooks*/) {}
void LogEvent(const std::string& /*line*/) {}

}  // namespace platform
