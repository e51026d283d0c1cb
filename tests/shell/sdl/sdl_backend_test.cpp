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
    if (i == 2) self = h, WaitUntil([&] { return unwound.load(); });
    else platform::StopThread(h);
    EXPECT_TRUE(unwound) << i;
    EXPECT_FALSE(after) << i;
    platform::StopThread(h);  // already ended: harmless
    self = 0;
  }
  platform::StopThread(0);
  EXPECT_FALSE(platform::StopRequested());  // the test's own thread is no platform thread
  std::atomic<int> running{0};
  for (int i = 0; i < 3; ++i) platform::StartThread([&] { ++running; for (;;) platform::Sleep(1); }, "w");
  WaitUntil([&] { return running == 3; });
  EXPECT_TRUE(platform::sdl::StopAllThreads(10000));
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
  KeyPressed(SDL_SCANCODE_UP, platform::VK_UP);
  ReleaseAllKeys();  // focus lost
  for (int vk : {16, int(platform::VK_UP), 0, -1, 256}) EXPECT_FALSE(platform::KeyHeld(vk)) << vk;
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
}

}  // namespace

// A window's text is its title, a control's its caption (SDL's dummy display).
TEST(SdlWindows, WindowTextIsTheTitleOrTheControlsCaption) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  std::string why;
  if (!platform::sdl::InitVideo(why)) GTEST_SKIP() << "no offscreen video: " << why;
  platform::RegisterWindowClass("SDLTEST", platform::DefWindowProc);
  const platform::Window w = platform::CreateWindow("SDLTEST", "Quillmoor Ver.1.00", platform::WS_CAPTION_FRAME, 0, 0, 326, 264, 0);
  const platform::Window ok = platform::CreateControl(w, 1001, "BUTTON", "O K", platform::BS_PUSHBUTTON, 13, 152, 55, 21);
  ASSERT_TRUE(w != 0 && ok != 0);
  EXPECT_EQ(platform::GetWindowText(w) + "|" + platform::GetWindowText(ok), "Quillmoor Ver.1.00|O K");
  platform::SetWindowText(w, "Option");
  EXPECT_EQ(platform::GetWindowText(w) + "|" + platform::GetWindowText(0), "Option|");
  platform::DestroyWindow(w);
  EXPECT_EQ(platform::GetWindowText(w), "");
  platform::sdl::ShutdownVideo();
}
