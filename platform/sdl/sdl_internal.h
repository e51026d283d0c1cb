// What the SDL backend's files share among themselves. Nothing outside
// platform/sdl includes this.
#pragma once
#include <SDL.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/platform.h"

namespace platform::sdl {

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

// ---- keys (filled by the event pump, read from any thread)
int ScancodeToVk(SDL_Scancode sc, SDL_Keycode key);
void KeyPressed(SDL_Scancode sc, int vk);
void KeyReleased(SDL_Scancode sc);
void ReleaseAllKeys();
void MouseButton(bool down);

// ---- the picture on screen
// Largest whole scale at which a w x h picture fits an outW x outH output
// (at least 1), and where it lands, centred.
SDL_Rect FitPicture(int w, int h, int outW, int outH);

// ---- display mode, implemented over the window table
struct WindowAccess;  // defined in sdl_windows.cpp
int EnterFullWindow(Window w);
bool LeaveFullWindow(Window w);

}  // namespace platform::sdl
