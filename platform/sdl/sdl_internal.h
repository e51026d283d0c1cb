// What the SDL backend's files share among themselves. Nothing outside
// platform/sdl includes this.
#pragma once
#include <SDL.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/input/sdl_input.h"
#include "platform/platform.h"

namespace platform::sdl {

using input::ClosePads;
using input::KeyChange;
using input::PadEvent;
using input::ScancodeToVk;

// ---- start and end of the backend (main.cpp drives these)
// Initialises SDL video and events on the calling thread, which becomes the
// window thread. Returns false with a one-line reason when there is no display.
bool InitVideo(std::string& reason);
// Opens the audio device in the background; no device means silence.
void StartAudio();
void StopAudio();
// Destroys every remaining window and shuts SDL down.
void ShutdownVideo();
// Stops every platform thread still running. Returns false when one of them
// did not end within the grace period (it is then abandoned).
bool StopAllThreads(int graceMs);

// ---- the window thread
bool OnMainThread();
// Runs task on the window thread and waits for it. On the window thread it
// runs at once. A stopped platform thread gives up waiting (ThreadStopped)
// before the task has begun, or at any time when the task is abandonable
// (it then owns everything it touches).
void RunOnMainThread(const std::function<void()>& task, bool abandonable = false);
// Forgets the calling thread's message queue (its id may be reused).
void DropOwnQueue();
// Wakes the window thread's event wait.
void WakeMainThread();
// Runs the tasks other threads queued for the window thread.
void RunMainThreadTasks();

// ---- the command line and the data
struct LaunchOptions {
  int scale = 0;  // window scale 1..kMaxWindowScale; 0 chooses one to suit the desktop
  bool help = false, version = false;
  std::string replay;  // a recording to watch first
};
// Reads the arguments after the program's name. False, with one line saying
// what is wrong and how to call the game, for anything else.
bool ParseLaunchOptions(const std::vector<std::string>& args, LaunchOptions& out,
                        std::string& error);
// The text --help prints.
const char* LaunchHelp();
// Makes the folder holding image/ and bgm/ the current one: share/quillmoor
// beside the executable's bin/ (an installed game), else the current folder,
// else the executable's own. False when none of them has both.
bool ChangeToDataFolder();

// ---- window scale
constexpr int kMaxWindowScale = 8;
// The largest whole scale at which a window outerHeight high fits in three
// quarters of the desktop's height (1 to kMaxWindowScale).
int FitWindowScale(int desktopHeight, int outerHeight);
// The scale asked for (1 to kMaxWindowScale), or the largest below it at
// which an outerWidth x outerHeight window fits the whole desktop; at least 1.
int ClampWindowScale(int scale, int desktopWidth, int desktopHeight, int outerWidth, int outerHeight);
// After InitVideo and before the first window: every window is shown at this
// scale, held to what fits a window outerWidth x outerHeight; 0 (or anything
// out of range) fits it in three quarters of the desktop's height. Returns
// the scale taken.
int SetWindowScale(int scale, int outerWidth, int outerHeight);
int WindowScale();

// ---- keys (filled by the event pump, read from any thread)
void KeyPressed(SDL_Scancode sc, int vk);
void KeyReleased(SDL_Scancode sc);
void ReleaseAllKeys();
void MouseButton(bool down);
// One more (delta 1) or one less (-1) holder of a virtual key.
void HoldVk(int vk, int delta);

// ---- the picture on screen
// Largest whole scale at which a w x h picture fits an outW x outH output
// (at least 1), and where it lands, centred.
SDL_Rect FitPicture(int w, int h, int outW, int outH);

// ---- display mode, implemented over the window table
struct WindowAccess;  // defined in sdl_windows.cpp
int EnterFullWindow(Window w);
bool LeaveFullWindow(Window w);

}  // namespace platform::sdl
