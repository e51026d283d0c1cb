// The game: the shell on the SDL backend.
#define SDL_MAIN_HANDLED
#include <cstdio>
#include <unistd.h>

#include "platform/sdl/sdl_internal.h"
#include "shell/shell.h"

int main() {
  std::string reason;
  if (!platform::sdl::InitVideo(reason)) {
    std::fprintf(stderr, "quillmoor: no display to open a window on (%s)\n", reason.c_str());
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
