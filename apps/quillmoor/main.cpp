// quillmoor: the game, its shell on the SDL backend. On Windows SDL's own
// WinMain calls this main (renamed SDL_main), with the command line in UTF-8.
#include <cstdio>
#include <unistd.h>

#include "flow/replay_game.h"
#include "platform/sdl/sdl_internal.h"
#include "quillmoor_version.h"
#include "shell/shell.h"

int main(int argc, char** argv) {
  platform::sdl::LaunchOptions options;
  std::string error;
  if (!platform::sdl::ParseLaunchOptions(std::vector<std::string>(argv + 1, argv + argc), options,
                                         error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (options.help || options.version) {
    std::fputs(options.help ? platform::sdl::LaunchHelp() : "Quillmoor " QM_VERSION "\n", stdout);
    return 0;
  }
  // The recording is read at once, from the folder the game was started in
  // (which may be gone: then it cannot be read), before the data's folder
  // becomes the current one.
  const bool badReplay = !options.replay.empty() && !WatchReplayFile(options.replay, error);
  if (badReplay) std::fprintf(stderr, "quillmoor: %s\n", error.c_str());
  // Without its pictures and music the game still runs (they are treated as
  // missing), so a failure here is no reason to stop; it is said, though.
  const bool data = platform::sdl::ChangeToDataFolder();
  std::string reason;
  if (!platform::sdl::InitVideo(reason)) {
    if (!badReplay)
      std::fprintf(stderr, "quillmoor: no display to open a window on (%s)\n", reason.c_str());
    return 1;
  }
  if (!data)
    std::fputs("quillmoor: no image/ and bgm/ found (in ../share/quillmoor beside the program, the "
               "current folder or the program's): playing without pictures and music\n", stderr);
  // The scale suits the main window: the playfield in its frame.
  const int scale = platform::sdl::SetWindowScale(options.scale,
                                                  320 + platform::kFrameLeft + platform::kFrameRight,
                                                  240 + platform::kFrameTop + platform::kFrameBottom);
  if (options.scale != 0 && scale != options.scale)
    std::fprintf(stderr, "quillmoor: at scale %d the window would not fit the screen; scale %d is used\n",
                 options.scale, scale);
  if (badReplay) {
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
