// quillmoor-sim: the whole program on the deterministic sim backend.
#include <cstdio>
#include <cstdlib>

#include "headless/replay_verify.h"
#include "headless/state_dump.h"
#include "platform/sim/sim_driver.h"
#include "shell/shell.h"

int main(int argc, char** argv) {
  const int code = platform::sim::SimMain(argc, argv, [] {
    // The state dump, --set and the bot reach the game through these hooks;
    // only the headless build links them.
    RegisterStateDumpHooks();
    return QuillmoorMain();
  }, RunReplayOption);
  // Threads the program left behind have been stopped; nothing else needs
  // tearing down, and skipping the static destructors keeps exit orderly.
  std::fflush(nullptr);
  std::_Exit(code);
}
