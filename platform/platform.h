// The operating-system services the game is written against. Each backend
// (platform/sdl for play, platform/sim for deterministic tests) implements
// every function declared here; the game never includes SDL or any other
// system header directly.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/surface.h"

namespace platform {

// ---------------------------------------------------------------- clock
// Milliseconds since the system started, wrapped to 32 bits (the simulated
// clock, from --tick, in the sim backend).
uint32_t GetTickCount();
// Sleeps the calling platform thread. Negative counts sleep as 0. In the sim
// backend a sleep of 0 lasts one simulated millisecond. Throws ThreadStopped
// when the calling thread has been asked to stop.
void Sleep(int ms);

// ---------------------------------------------------------------- threads
// Thrown inside a platform thread by Sleep, GetMessage and the other blocking
// calls once StopThread has been called for it; the thread's entry catches it
// and the thread ends. Game code never catches it.
struct ThreadStopped {};

using ThreadHandle = uint32_t;  // 0 = none
// Starts a platform thread running fn. Returns 0 when it cannot be started.
ThreadHandle StartThread(std::function<void()> fn, const char* name);
// Asks the thread to stop at its next blocking call and waits until it has
// ended. Safe to call for a thread that has already ended, and with 0.
void StopThread(ThreadHandle thread);
// True once StopThread has been called for the calling thread.
bool StopRequested();

// ---------------------------------------------------------------- keys
// Windows virtual-key codes.
enum : int {
  VK_LBUTTON = 1, VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16,
  VK_CONTROL = 17, VK_ESCAPE = 27, VK_SPACE = 32, VK_LEFT = 37, VK_UP = 38,
  VK_RIGHT = 39, VK_DOWN = 40, VK_F2 = 113, VK_F4 = 115,
};
// True while the key is held at this moment (GetAsyncKeyState's top bit).
bool KeyHeld(int vk);

// ---------------------------------------------------------------- windows
using Window = uint32_t;  // 0 = none

enum : uint32_t {
  WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_ACTIVATE = 0x0006, WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010, WM_QUIT = 0x0012, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102, WM_INITDIALOG = 0x0110, WM_COMMAND = 0x0111,
  WM_MOUSEMOVE = 0x0200, WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202,
};

struct Message {
  Window window = 0;
  uint32_t message = 0;
  intptr_t wParam = 0;
  intptr_t lParam = 0;
};

// lParam of mouse messages: client x in the low 16 bits, y in the high 16.
inline intptr_t MakeLParam(int lo, int hi) {
  return static_cast<intptr_t>((static_cast<uint32_t>(hi & 0xFFFF) << 16) |
                               static_cast<uint32_t>(lo & 0xFFFF));
}
inline int LoWord(intptr_t v) { return static_cast<int16_t>(v & 0xFFFF); }
inline int HiWord(intptr_t v) { return static_cast<int16_t>((v >> 16) & 0xFFFF); }

using WindowProc = intptr_t (*)(Window, uint32_t, intptr_t, intptr_t);

// Window styles the game uses.
enum : uint32_t {
  WS_CAPTION_FRAME = 1u << 0,  // framed: caption and border (outer = client + frame)
  WS_SYSMENU = 1u << 1,        // close box
  WS_MINIMIZEBOX = 1u << 2,
};
// The nominal frame of a framed window, whatever the window manager draws:
// 3 pixels each side, 22 for caption and top border, 2 below.
constexpr int kFrameLeft = 3, kFrameTop = 22, kFrameRight = 3, kFrameBottom = 2;

// Registers a window class; CreateWindow with that name uses its procedure.
void RegisterWindowClass(const std::string& className, WindowProc proc);
// Creates a top-level window of the given outer size (x or y of kUseDefault
// places it at the default position). WM_CREATE reaches the procedure before
// this returns. The window is owned by the calling thread: its messages are
// read by that thread's GetMessage. It stays hidden until ShowWindow, so that
// it first appears filled and in its place. Returns 0 on failure.
constexpr int kUseDefault = INT32_MIN;
Window CreateWindow(const std::string& className, const std::string& title, uint32_t style,
                    int x, int y, int outerWidth, int outerHeight, Window owner);
// Sends WM_DESTROY to the procedure, then removes the window.
void DestroyWindow(Window w);
bool IsWindow(Window w);
// Replaces a window's procedure (the options window installs its own).
void SetWindowProc(Window w, WindowProc proc);
intptr_t DefWindowProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam);
// Calls the window's procedure directly, on the calling thread.
intptr_t SendMessage(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam);

// Queues a message for the thread that owns the window (window 0: the calling
// thread's own queue).
void PostMessage(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam);
// Queues WM_QUIT with the exit code on the calling thread's queue.
void PostQuitMessage(int exitCode);
// Waits for the next message for the calling thread. Returns 0 for WM_QUIT,
// -1 on error, otherwise 1. WM_PAINT is produced when the queue is empty and
// a window of the thread needs painting.
int GetMessage(Message& msg);
intptr_t DispatchMessage(const Message& msg);

// Marks the whole client area for repainting (no erase); any thread.
void InvalidateRect(Window w);
// Inside WM_PAINT: the window's screen surface (client size) to paint into,
// and the call that presents it.
Surface* BeginPaint(Window w);
void EndPaint(Window w);

Rect GetClientRect(Window w);  // (0, 0, client width, client height)
Rect GetWindowRect(Window w);  // outer rectangle in screen coordinates
// The window as the desktop frames it: its client area in the frame the
// window manager really draws, which is known once the window has been shown
// (before that, the one another window got). Placement centres this; the
// outer rectangle above keeps the nominal frame, which text centring uses.
// Without a window manager of its own (the sim backend) it is the outer one.
Rect GetFrameRect(Window w);
// Moves and sizes by the outer rectangle.
void MoveWindow(Window w, int x, int y, int outerWidth, int outerHeight);
void ShowWindow(Window w, bool show);
void EnableWindow(Window w, bool enable);
bool IsWindowEnabled(Window w);
void SetTopmost(Window w, bool topmost);
void SetWindowText(Window w, const std::string& text);
std::string GetWindowText(Window w);
Window GetForegroundWindow();
Rect GetDesktopRect();
// The picture shown for the window in its title bar and the task switcher:
// a colour picture and its mask (white where transparent), as the sprites
// are drawn. Empty or mismatched pictures leave the window as it was.
void SetWindowIcon(Window w, const Surface& colour, const Surface& mask);

// Message box: modal to its owner (0 = none). Lines are separated by CR.
// Returns the button pressed (IDOK = 1).
enum : uint32_t { MB_OK = 0, MB_ICONEXCLAMATION = 0x30, MB_TOPMOST = 0x40000 };
int MessageBox(Window owner, const std::string& text, const std::string& caption,
               uint32_t flags);

// ---------------------------------------------------------------- display
// The full-window stand-in. ChangeDisplayMode returns 1..4 for the failure
// codes, otherwise a handle (5 or more) to pass back to RestoreDisplayMode.
int ChangeDisplayMode(Window w, int width, int height, int bitsPerPixel, int flag);
int RestoreDisplayMode(int handle, Window w);

// ---------------------------------------------------------------- sound
// Carries out one MCI command string (open/play/stop/seek/close). Returns 0 on
// success or an MCI-style error code. Blocks only for "play ... wait".
// (The mixer behind it is platform/audio/audio.h, for the backends.)
uint32_t SendMciString(const std::string& command);

// ---------------------------------------------------------------- process
// The path the program takes as its own executable (decides where the
// settings file lives).
std::string ExecutablePath();
// The game's folder among the user's own ($XDG_CONFIG_HOME/quillmoor, else
// ~/.config/quillmoor; %APPDATA%\Quillmoor on Windows), or empty when the
// backend keeps none: the headless backend's runs never write into the
// player's home.
std::string UserConfigDirectory();

// ---------------------------------------------------------------- sim hooks
// The game registers these so that the sim backend can dump and set its state
// between frames; the SDL backend ignores them.
struct StateHooks {
  std::function<std::string()> dumpJson;                                   // whole state
  std::function<bool(const std::string& name, const std::string& value)> set;  // one field
  // quillmoor-sim's --bot, asked between frames at simulated time ms: the
  // virtual keys to hold from now on (every other key it held is released),
  // and in note a few words when what it sees changes ("game 3", "lost").
  std::function<std::vector<int>(uint64_t ms, std::string& note)> bot = nullptr;
  // The bot's settings from quillmoor-sim's command line, given before it
  // first plays: "careless" (seconds of each game after which it stops
  // dodging, 0 never) and "keep" (1: every game's recording kept apart).
  std::function<void(const std::string& name, int value)> botOption = nullptr;
};
void RegisterStateHooks(StateHooks hooks);
// One line in the sim log (the SDL backend drops it).
void LogEvent(const std::string& line);

}  // namespace platform
