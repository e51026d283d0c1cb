// The game: the shell on the SDL backend.
#define SDL_MAIN_HANDLED
#include <cstdio>
#include <unistd.h>

#include "flow/replay_game.h"
#include "platform/sdl/sdl_internal.h"
#include "shell/shell.h"

int main(int argc, char** argv) {
  std::string reason;
  if (!platform::sdl::InitVideo(reason)) {
    std::fprintf(stderr, "quillmoor: no display to open a window on (%s)\n", reason.c_str());
    return 1;
  }
  if (std::string error; !WatchReplayFromArguments(argc, argv, error)) {
    std::fprintf(stderr, "quillmoor: %s\n", error.c_str());
    platform::MessageBox(0, error, "Replay", platform::MB_OK | platform::MB_ICONEXCLAMATION);
    platform::sdl::ShutdownVideo();
    return 1;
  }
  platform::sdl::StartAudio();
  int code = QuillmoorMain();
  // The shell has stopped its threads; anything still running (the sound
  // loop, say) gets a moment to end before the process does.
  bool clean = platform::sdl::StopAllThreads(2000);
  platform::sdl::StopAudio();
  platform::sdl::ShutdownVideo();
  if (!clean) {
    // A thread that would not end may still touch globals: leave without
    // running their destructors.
    std::fflush(nullptr);
    _exit(code);
  }
  return code;
}
