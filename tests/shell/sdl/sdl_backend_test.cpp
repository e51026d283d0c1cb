// The SDL backend's pieces that need no display: stopping threads wherever
// they wait, the held-key table, the key map and where the picture lands.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/ui/widgets.h"

namespace {

void WaitUntil(const std::function<bool()>& done) {
  while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Rows: a thread that sleeps a day (after negative and zero sleeps), waits for
// a message, or stops itself; each ends at once, its stack unwound.
TEST(SdlThreads, StopEndsAThreadWhereverItWaitsAndUnwindsIt) {
  std::atomic<platform::ThreadHandle> self{0};
  const std::function<void()> bodies[] = {
      [] { platform::Sleep(-5), platform::Sleep(0), platform::Sleep(24 * 3600 * 1000); },
      [] { platform::Message m; platform::GetMessage(m); },
      [&] { WaitUntil([&] { return self != 0; }); platform::StopThread(self); platform::Sleep(1); }};
  for (int i = 0; i < 3; ++i) {
    std::atomic<bool> started{false}, unwound{false}, after{false};
    struct Guard { std::atomic<bool>& flag; ~Guard() { flag = true; } };
    platform::ThreadHandle h = platform::StartThread([&] { Guard g{unwound}; started = true; bodies[i](); after = true; }, "t");
    ASSERT_NE(h, 0u);
    WaitUntil([&] { return started.load(); });
    i == 2 ? (self = h, WaitUntil([&] { return unwound.load(); })) : platform::StopThread(h);
    EXPECT_TRUE(unwound && !after) << i;
    platform::StopThread(h), self = 0;  // already ended: harmless
  }
  platform::StopThread(0);
  EXPECT_FALSE(platform::StopRequested());  // the test's own thread is no platform thread
  std::atomic<int> running{0};
  for (int i = 0; i < 3; ++i) platform::StartThread([&] { ++running; for (;;) platform::Sleep(1); }, "w");
  WaitUntil([&] { return running == 3; });
  EXPECT_TRUE(platform::sdl::StopAllThreads(24 * 3600 * 1000));  // a day's grace, but no waiting once all have ended
}

// Letters follow the layout: where Q sits on a US board types A on a French one.
TEST(SdlKeys, GameKeysMapToTheirVirtualKeyCodes) {
  const std::tuple<SDL_Scancode, SDL_Keycode, int> rows[] = {
      {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 13}, {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, 16},
      {SDL_SCANCODE_RCTRL, SDLK_RCTRL, 17},       {SDL_SCANCODE_LEFT, SDLK_LEFT, 37},
      {SDL_SCANCODE_DOWN, SDLK_DOWN, 40},         {SDL_SCANCODE_F2, SDLK_F2, 113},
      {SDL_SCANCODE_F4, SDLK_F4, 115},            {SDL_SCANCODE_Z, SDLK_z, 90},
      {SDL_SCANCODE_Q, SDLK_a, 65},               {SDL_SCANCODE_SEMICOLON, SDLK_m, 77},
      // Keys whose codes lie next to the arrows' (33 to 46) must not stand for one.
      {SDL_SCANCODE_HOME, SDLK_HOME, 36},         {SDL_SCANCODE_END, SDLK_END, 35},
      {SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, 34}, {SDL_SCANCODE_INSERT, SDLK_INSERT, 45},
      {SDL_SCANCODE_KP_9, SDLK_KP_9, 105},        {SDL_SCANCODE_F12, SDLK_F12, 123},
      {SDL_SCANCODE_MUTE, SDLK_MUTE, 0}};  // not a key of the game
  for (const auto& [sc, key, vk] : rows)
    EXPECT_EQ(platform::sdl::ScancodeToVk(sc, key), vk) << SDL_GetScancodeName(sc);
}

TEST(SdlKeys, AKeyIsHeldWhileAnyOfItsKeysIsDown) {
  using namespace platform::sdl;
  KeyPressed(SDL_SCANCODE_LSHIFT, 16);
  KeyPressed(SDL_SCANCODE_RSHIFT, 16);
  KeyPressed(SDL_SCANCODE_LSHIFT, 16);  // auto-repeat of a held key counts once
  KeyReleased(SDL_SCANCODE_LSHIFT);
  EXPECT_TRUE(platform::KeyHeld(16));
  KeyReleased(SDL_SCANCODE_RSHIFT);
  EXPECT_FALSE(platform::KeyHeld(16));
  KeyReleased(SDL_SCANCODE_RSHIFT);  // a second release does not go below zero
  KeyPressed(SDL_SCANCODE_RSHIFT, 16);
  EXPECT_TRUE(platform::KeyHeld(16));
  KeyPressed(SDL_SCANCODE_Q, 'A');  // released as the key it was at the press
  KeyReleased(SDL_SCANCODE_Q);
  EXPECT_FALSE(platform::KeyHeld('A'));
  KeyPressed(SDL_SCANCODE_UP, platform::VK_UP), KeyPressed(SDL_SCANCODE_F, 256), KeyPressed(SDL_SCANCODE_UNKNOWN, 'Q');  // not kept
  EXPECT_TRUE((KeyPressed(SDL_SCANCODE_H, 255), platform::KeyHeld(255)));
  ReleaseAllKeys();  // focus lost
  for (int vk : {16, int(platform::VK_UP), 0, -1, 255, 256, int('Q')}) EXPECT_FALSE(platform::KeyHeld(vk)) << vk;
}

TEST(SdlPicture, LargestWholeScaleCentredOnBlack) {
  const std::tuple<int, int, int, int, SDL_Rect> rows[] = {
      {320, 240, 320, 240, {0, 0, 320, 240}},    {320, 240, 1024, 768, {32, 24, 960, 720}},
      {320, 240, 1366, 768, {203, 24, 960, 720}}, {320, 240, 2560, 1440, {320, 0, 1920, 1440}},
      {320, 240, 639, 2000, {159, 880, 320, 240}},
      {320, 240, 300, 200, {-10, -20, 320, 240}},  // smaller: unscaled, centred, cut at the edges
      {0, 240, 300, 200, {0, 0, 0, 240}}};
  for (const auto& [w, h, ow, oh, want] : rows) {
    SDL_Rect r = platform::sdl::FitPicture(w, h, ow, oh);
    EXPECT_TRUE(r.x == want.x && r.y == want.y && r.w == want.w && r.h == want.h) << ow << "x" << oh;
  }
  EXPECT_EQ(platform::GetDesktopRect().right * 10000 + platform::GetDesktopRect().bottom, 6400480);  // before the video starts
}

}  // namespace

namespace {

using namespace platform;
std::string trace;
Window first = 0, sentinel = 0;
bool ended = false;

void Note(Window w, const char* what, intptr_t wParam, intptr_t lParam) {
  char buf[80];
  std::snprintf(buf, sizeof buf, "%sw%d %s %llx %llx", trace.empty() ? "" : ", ", w ? int(w - first + 1) : 0, what,
                static_cast<unsigned long long>(wParam), static_cast<unsigned long long>(lParam));
  trace += buf;
}

// Notes what it gets. F12 on the sentinel (made last, so painted last) ends a run: it says which
// keys are held and asks for its own paint, which comes once every other window has painted.
intptr_t RecordingProc(Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  static const std::map<uint32_t, const char*> kNames = {
      {WM_DESTROY, "destroy"}, {WM_ACTIVATE, "activate"}, {WM_CLOSE, "close"}, {WM_KEYDOWN, "keydown"}, {WM_KEYUP, "keyup"},
      {WM_COMMAND, "command"}, {WM_MOUSEMOVE, "move"}, {WM_LBUTTONDOWN, "ldown"}, {WM_LBUTTONUP, "lup"}};
  if (w == sentinel && (msg == WM_KEYDOWN || msg == WM_PAINT)) {
    if (msg == WM_KEYDOWN) Note(0, "held", KeyHeld('A') | KeyHeld('Z') << 1 | KeyHeld(VK_RETURN) << 2, 0), ended = true, InvalidateRect(w);
    if (msg == WM_PAINT) BeginPaint(w), EndPaint(w), ended ? PostQuitMessage(99) : void();
    return 0;
  }
  if (msg != WM_PAINT) return kNames.count(msg) ? Note(w, kNames.at(msg), wParam, lParam) : void(), DefWindowProc(w, msg, wParam, lParam);
  const Surface* s = BeginPaint(w);
  Note(w, "paint", s ? s->width() : -1, s ? s->height() : -1);
  return EndPaint(w), 0;
}

Uint32 SdlId(Window w) {  // the SDL window of one of ours, by its title
  for (Uint32 id = 1; id < 256; ++id)
    if (SDL_Window* s = SDL_GetWindowFromID(id); s && GetWindowText(w) == SDL_GetWindowTitle(s)) return id;
  return 0;
}
void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1); }
void Key(Uint32 type, Window w, SDL_Scancode sc, SDL_Keycode sym, int repeat = 0) {
  SDL_Event e{type};
  e.key.windowID = w ? SdlId(w) : 0, e.key.keysym.scancode = sc, e.key.keysym.sym = sym, e.key.repeat = Uint8(repeat);
  Push(e);
}
void Button(Uint32 type, Window w, int x, int y, int button = SDL_BUTTON_LEFT) {
  SDL_Event e{type};
  if (type == SDL_MOUSEMOTION) e.motion.windowID = SdlId(w), e.motion.x = x, e.motion.y = y;
  else e.button.windowID = SdlId(w), e.button.button = Uint8(button), e.button.x = x, e.button.y = y;
  Push(e);
}
void WindowEvent(Window w, SDL_WindowEventID what) {
  SDL_Event e{SDL_WINDOWEVENT};
  e.window.windowID = SdlId(w), e.window.event = what;
  Push(e);
}

}  // namespace

// The SDL backend on SDL's dummy display at scale 2, fed SDL events: windows w1 ("a", framed, with a
// close box, at 100,50) and w2 ("b", bare); each rule some calls and events, and every message the
// windows then got ("window message wParam lParam", in hexadecimal; w0 for none).
TEST(SdlWindows, FollowTheirRulesAsATable) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  using Step = std::function<void(std::vector<Window>&)>;
  const struct { const char* name; Step run, then; const char* trace; } rules[] = {
      {"keys go to their window, else the active one, with the scan code and the repeat and release bits", [](auto& w) {
         ShowWindow(w[0], true), ShowWindow(w[1], true), WindowEvent(w[0], SDL_WINDOWEVENT_FOCUS_GAINED);
         Key(SDL_KEYDOWN, w[0], SDL_SCANCODE_A, SDLK_a), Key(SDL_KEYDOWN, w[0], SDL_SCANCODE_A, SDLK_a, 1), Key(SDL_KEYUP, w[0], SDL_SCANCODE_A, SDLK_a);
         Key(SDL_KEYDOWN, 0, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER), Key(SDL_KEYDOWN, w[1], SDL_SCANCODE_Z, SDLK_z), Key(SDL_KEYDOWN, w[1], SDL_SCANCODE_MUTE, SDLK_MUTE); },
       nullptr,
       "w1 activate 1 0, w1 keydown 41 40001, w1 keydown 41 40040001, w1 keyup 41 c0040001, w1 keydown d 580001, "
       "w2 keydown 5a 1d0001, w0 held 6 0, w1 paint 140 f0, w2 paint 28 1e"},
      {"the mouse in client units (scale 2, rounded down), left button only; a disabled window gets no input", [](auto& w) {
         ShowWindow(w[0], true), Button(SDL_MOUSEBUTTONDOWN, w[0], 41, 61), Button(SDL_MOUSEMOTION, w[0], 639, 479);
         Button(SDL_MOUSEBUTTONUP, w[0], -1, 0), Button(SDL_MOUSEBUTTONDOWN, w[0], 8, 8, SDL_BUTTON_RIGHT), EnableWindow(w[1], false);
         Button(SDL_MOUSEBUTTONDOWN, w[1], 8, 8), Button(SDL_MOUSEMOTION, w[1], 8, 8), Key(SDL_KEYDOWN, w[1], SDL_SCANCODE_A, SDLK_a); },
       nullptr,
       "w1 ldown 1 1e0014, w1 move 0 ef013f, w1 lup 0 ffff, w0 held 1 0, w1 paint 140 f0"},
      {"focus gained activates, lost deactivates and lets go of the keys; the close box closes a window that has one", [](auto& w) {
         ShowWindow(w[0], true), ShowWindow(w[1], true), Key(SDL_KEYDOWN, w[0], SDL_SCANCODE_Z, SDLK_z);
         WindowEvent(w[0], SDL_WINDOWEVENT_FOCUS_GAINED), WindowEvent(w[0], SDL_WINDOWEVENT_FOCUS_LOST), WindowEvent(w[1], SDL_WINDOWEVENT_CLOSE);
         WindowEvent(w[0], SDL_WINDOWEVENT_CLOSE); },
       [](auto& w) { WindowEvent(w[1], SDL_WINDOWEVENT_EXPOSED), SetWindowText(w[1], "c"), SetWindowText(w[0], "d");
                     EXPECT_EQ(GetWindowText(w[0]) + "|" + GetWindowText(w[1]), "|c"); },
       "w1 keydown 5a 1d0001, w1 activate 1 0, w1 activate 0 0, w1 close 0 0, w1 destroy 0 0, w0 held 0 0, w2 paint 28 1e, "
       "w0 held 0 0, w2 paint 28 1e"},
      {"a signal closes a modal window first, then the main one; a disabled one has no close box", [](auto& w) {
         ShowWindow(w[0], true), EnableWindow(w[0], false);
         w.push_back(CreateWindow("SDLREC", "dialog", WS_CAPTION_FRAME | WS_SYSMENU, kUseDefault, kUseDefault, 106, 74, w[0]));
         ShowWindow(w[3], true), WindowEvent(w[0], SDL_WINDOWEVENT_CLOSE), Push(SDL_Event{SDL_QUIT});
         const Rect a = GetWindowRect(w[0]), d = GetWindowRect(w[3]);  // centred over its owner
         EXPECT_TRUE(d.left - a.left == 110 && d.top - a.top == 95 && d.width() == 106) << d.left << "," << d.top; },
       nullptr,
       "w0 held 0 0, w1 paint 140 f0, w4 close 0 0, w4 destroy 0 0, w1 close 0 0, w1 destroy 0 0"},
      {"window 0 invalidates every window; a paint is at the new size, at least 1 x 1, when either side changes; texts and "
       "places", [](auto& w) {
         ShowWindow(w[0], true), ShowWindow(w[1], true), PostMessage(0, WM_COMMAND, 1, 0), PostMessage(w[0], WM_COMMAND, 2, 0);
         const Window ok = CreateControl(w[0], 1001, "BUTTON", "O K", BS_PUSHBUTTON, 13, 152, 55, 21);
         EXPECT_EQ(GetWindowText(w[0]) + "|" + GetWindowText(ok) + "|" + GetWindowText(0) + (IsWindow(ok) ? "|is one" : ""), "a|O K||is one");
         const Rect c = GetWindowRect(ok), r = GetWindowRect(w[0]), cl = GetClientRect(w[0]);
         EXPECT_EQ(std::vector<int>({c.left, c.top, c.right, c.bottom, r.left, r.top, r.right, r.bottom, cl.right, cl.bottom}),
                   std::vector<int>({116, 224, 171, 245, 100, 50, 426, 314, 320, 240}));
         MoveWindow(w[1], 0, 0, 0, 30); },
       [](auto& w) { InvalidateRect(0), MoveWindow(w[1], 0, 0, -5, 31); },
       "w0 command 1 0, w1 command 2 0, w0 held 0 0, w1 paint 140 f0, w2 paint 1 1e, w0 held 0 0, w1 paint 140 f0, "
       "w2 paint 1 1f"},
      {"the full window: refused (4) wider or taller than the desktop, of no size or of an unknown depth; otherwise the "
       "window covers the desktop, whatever the depth, until restored, once; an icon's mask of another size is refused",
       [](auto& w) {
         SDL_DisplayMode d;
         SDL_Window* s = (ShowWindow(w[0], true), SDL_GetDesktopDisplayMode(0, &d), SDL_GetWindowFromID(SdlId(w[0])));
         std::string got = std::to_string(ChangeDisplayMode(0, 320, 240, 16, 1));
         auto shape = [&](int x = 0, int y = 0, int cx = 0, int cy = 0) {  // the SDL window's place and size
           got += (SDL_GetWindowPosition(s, &x, &y), SDL_GetWindowSize(s, &cx, &cy), " " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" + std::to_string(cy)); };
         for (const auto& [cx, cy, bits] : {std::tuple{d.w + 1, 240, 16}, {320, d.h + 1, 16}, {0, 240, 16}, {320, 0, 16}, {320, 240, 12}})
           got += " " + std::to_string(ChangeDisplayMode(w[0], cx, cy, bits, 1));
         const int h = (shape(), ChangeDisplayMode(w[0], d.w, d.h, 8, 1));
         shape();
         for (int bits : {15, 16, 24, 32}) got += ChangeDisplayMode(w[0], 1, 1, bits, 1) == h ? " same" : " other";
         for (int handle : {h, h, 0}) got += " " + std::to_string(RestoreDisplayMode(handle, w[0]));
         EXPECT_EQ((shape(), got), "1 4 4 4 4 4 206,144 640x480 0,0 1024x768 same same same same 1 0 0 206,144 640x480");
         SetWindowIcon(w[0], Surface(16, 16), Surface(8, 16)), SetWindowIcon(w[0], Surface(16, 16), Surface(16, 8)); },
       nullptr, "w0 held 0 0, w1 paint 140 f0"},
      {"a call from another thread runs on the window thread, however long it takes there; one not yet taken up is "
       "withdrawn when its thread is stopped", [](auto& w) {
         std::atomic<bool> done{false};
         const ThreadHandle t = StartThread([&] {
           struct Bye { std::atomic<bool>& done; Window to; ~Bye() { done = true, PostMessage(to, WM_COMMAND, 0, 0); } } bye{done, w[0]};
           PostMessage(w[0], WM_COMMAND, CreateWindow("SLOW", "slow", 0, 0, 0, 8, 8, 0) != 0, 0);  // its creation takes 100 ms
         }, "caller");
         while (!done) if (Message m; GetMessage(m) > 0) DispatchMessage(m);
         StopThread(t); },
       [](auto& w) {
         const ThreadHandle t = StartThread([&] { SetWindowText(w[1], "never"); }, "caller");
         std::this_thread::sleep_for(std::chrono::milliseconds(50));
         StopThread(t);
         EXPECT_EQ(GetWindowText(w[1]), "b"); }, "w1 command 1 0, w1 command 0 0, w0 held 0 0, w0 held 0 0"}, };
  for (const auto& rule : rules) {
    SCOPED_TRACE(rule.name);
    std::string why;
    if (!sdl::InitVideo(why)) GTEST_SKIP() << "no offscreen video: " << why;
    sdl::SetWindowScale(2, 326, 264), RegisterWindowClass("SDLREC", RecordingProc);
    RegisterWindowClass("SLOW", [](Window, uint32_t msg, intptr_t, intptr_t) -> intptr_t {
      return msg == WM_CREATE ? std::this_thread::sleep_for(std::chrono::milliseconds(100)), 0 : 0;
    });
    std::vector<Window> w = {CreateWindow("SDLREC", "a", WS_CAPTION_FRAME | WS_SYSMENU, 100, 50, 326, 264, 0), CreateWindow("SDLREC", "b", 0, 0, 0, 40, 30, 0)};
    w.push_back(sentinel = CreateWindow("SDLREC", "sentinel", 0, 0, 0, 8, 8, 0));
    first = w[0], trace.clear(), ShowWindow(sentinel, true), sdl::ReleaseAllKeys();
    for (const Step& step : {rule.run, rule.then}) {
      if (!step) continue;
      ended = false, step(w), Key(SDL_KEYDOWN, sentinel, SDL_SCANCODE_F12, SDLK_F12);
      for (Message m; GetMessage(m) != 0 || m.wParam != 99;)  // what reaches no procedure is noted here
        if (m.window == 0) Note(0, m.message == WM_QUIT ? "quit" : "command", m.wParam, m.lParam); else DispatchMessage(m);
    }
    EXPECT_EQ(trace, rule.trace);
    sdl::ShutdownVideo();
  }
  sdl::SetWindowScale(1, 326, 264);
}
