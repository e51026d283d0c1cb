// Controls of the deterministic sim backend for tests and for quillmoor-sim:
// the clock, the keyboard and mouse, the recorded message boxes and log, the
// display switch's answer and the main window's picture.
//
// A plain test that calls platform functions from its own thread needs no
// set-up: that thread becomes the simulation's main thread. Call Reset() at
// the start of each test to begin from a clean backend.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/surface.h"
#include "platform/platform.h"

namespace platform::sim {

// ---------------------------------------------------------------- whole backend
// Stops and joins every platform thread, then clears everything: clock 0,
// tick base 0, no windows or window classes, no pending messages or timed
// events, keys up, empty log and message-box list, display switch succeeding,
// no state hooks, no executable path override. The calling thread becomes the
// main simulated thread. Call it from the main simulated thread (or from a
// thread the backend has not seen yet).
void Reset();

// ---------------------------------------------------------------- clock
// Simulated milliseconds since the last Reset.
uint64_t Now();
// GetTickCount returns base + Now() (wrapping at 32 bits).
void SetTickBase(uint32_t base);
// Runs fn at simulated time ms (at once if that has passed), at a moment when
// every simulated thread is blocked, on the thread that holds the baton.
// Platform calls that do not block are allowed inside; blocking ones are not.
void ScheduleAt(uint64_t ms, std::function<void()> fn);

// ---------------------------------------------------------------- keyboard and mouse
// A key goes down as a keyboard would: KeyHeld reports it, the active
// window's thread gets WM_KEYDOWN (wParam = key, lParam 1), then while it is
// held repeats (lParam bit 30 set) after 500 ms and every 33 ms after that.
// Only the key pressed last repeats. Pressing a held key again restarts its
// repeat.
void PressKey(int vk);
// The key goes up: KeyHeld is false, the active window gets WM_KEYUP, and
// its repeat stops.
void ReleaseKey(int vk);
// Releases every key without messages.
void ReleaseAllKeys();
// Posts WM_LBUTTONDOWN then WM_LBUTTONUP with MakeLParam(x, y) (client
// coordinates) to the enabled window with this title that was shown last (or,
// when none is visible, created last). False when there is no such window.
bool Click(const std::string& title, int x, int y);

// ---------------------------------------------------------------- records
struct MessageBoxRecord {
  uint64_t ms = 0;  // simulated time it was shown
  Window owner = 0;
  std::string caption;
  std::string text;
  uint32_t flags = 0;
};
std::vector<MessageBoxRecord> MessageBoxes();
void ClearMessageBoxes();
// Every log line so far ("MS text"), as the --log file gets them.
std::vector<std::string> LogLines();

// ---------------------------------------------------------------- display and windows
// Makes ChangeDisplayMode fail with this code (1..4); 0 makes it succeed.
void SetDisplayFailure(int code);
// The first window created since Reset (0 when none).
Window MainWindow();
// Copies the main window's last painted picture (what it shows on screen)
// into out. False, and out left empty, when it has never been painted.
bool RenderMainWindow(Surface& out);

// ---------------------------------------------------------------- the page's desktop
// The browser page runs on this backend in real time: its windows are drawn
// into one canvas, a small desktop of their own.
// From now on the clock is `clock` (milliseconds), and when no thread can go
// on the scheduler calls wait(until) instead of moving the clock on: it
// returns once the clock has reached `until` (UINT64_MAX: nothing is due) or
// input has come, and may press keys and move the mouse meanwhile. Platform
// threads are then started by a caller that is not one of them.
void UseRealTime(std::function<uint64_t()> clock, std::function<void(uint64_t until)> wait);
// Told after the display switch has succeeded (true) and when it is
// restored (false): the page's full screen follows it.
void SetDisplayHook(std::function<void(bool full)> hook);
// The desktop's size (1280 x 1024 after Reset).
void SetDesktopSize(int width, int height);
// Message boxes are then shown as windows of their own, modal, and answered
// by a player; otherwise (after Reset) they are recorded and answered OK at once.
void ShowMessageBoxes(bool show);
// The client area of a window in desktop coordinates (empty when there is no such window).
Rect ClientScreenRect(Window w);
// Draws the part `area` of the desktop into out (resized to it): black, then
// every visible window bottom to top, the framed ones in their frames. The
// number it returns changes whenever that picture may have changed.
uint64_t ComposeDesktop(Surface& out, const Rect& area);
uint64_t DesktopVersion();
// The mouse at a desktop point: moved, its left button pressed or released.
// The window under it (the one pressed on, while the button is down) gets
// the message in its client coordinates; a disabled window gets nothing, and
// a release on a close box where it was pressed closes that window.
enum class Mouse { Move, Down, Up };
void MouseAt(int x, int y, Mouse what);

// ---------------------------------------------------------------- process
// What ExecutablePath returns; empty restores the real path of the binary.
void SetExecutablePath(const std::string& path);
// The hooks the game registered (empty functions when none).
StateHooks Hooks();

}  // namespace platform::sim
