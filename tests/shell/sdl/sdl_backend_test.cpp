// The SDL backend's pieces that need no display: platform threads and their
// stop flag, per-thread message queues, the held-key table, the key map and
// where the picture lands in a window of any size.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_internal.h"
#include "platform/ui/widgets.h"

namespace {

using namespace std::chrono_literals;
using platform::ThreadHandle;

void WaitUntil(const std::function<bool()>& done) {
  while (!done()) std::this_thread::sleep_for(1ms);
}

TEST(SdlThreads, StopEndsTheThreadAtItsNextSleepAndJoinsIt) {
  std::atomic<int> loops{0};
  std::atomic<bool> unwound{false};
  struct Guard {
    std::atomic<bool>& flag;
    ~Guard() { flag = true; }
  };
  ThreadHandle h = platform::StartThread(
      [&] {
        Guard g{unwound};
        for (;;) {
          platform::Sleep(2);
          ++loops;
        }
      },
      "looper");
  ASSERT_NE(h, 0u);
  WaitUntil([&] { return loops >= 3; });
  platform::StopThread(h);
  EXPECT_TRUE(unwound);  // the stack was unwound before StopThread returned
  const int after = loops;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(loops, after);
  platform::StopThread(h);  // already ended: harmless
  platform::StopThread(0);
}

TEST(SdlThreads, ALongSleepIsCutShortAndNegativeSleepsAreZero) {
  std::atomic<bool> sleeping{false};
  ThreadHandle h = platform::StartThread(
      [&] {
        platform::Sleep(-5);
        platform::Sleep(0);
        sleeping = true;
        platform::Sleep(24 * 3600 * 1000);
      },
      "sleeper");
  WaitUntil([&] { return sleeping.load(); });
  platform::StopThread(h);  // returns long before the day is out
  SUCCEED();
}

TEST(SdlThreads, AThreadStoppingItselfEndsAtItsNextSleep) {
  std::atomic<ThreadHandle> self{0};
  std::atomic<int> seen{-1};
  std::atomic<bool> after{false}, ended{false};
  ThreadHandle h = platform::StartThread(
      [&] {
        WaitUntil([&] { return self != 0; });
        seen = platform::StopRequested() ? 1 : 0;
        platform::StopThread(self);  // does not wait for itself
        seen = seen * 10 + (platform::StopRequested() ? 1 : 0);
        try {
          platform::Sleep(1);
          after = true;
        } catch (const platform::ThreadStopped&) {
          ended = true;
          throw;
        }
      },
      "self");
  self = h;
  WaitUntil([&] { return ended.load() || after.load(); });
  EXPECT_EQ(seen, 1);  // not requested before, requested after
  EXPECT_TRUE(ended);
  EXPECT_FALSE(after);
  EXPECT_FALSE(platform::StopRequested());  // the test's own thread is no platform thread
  platform::StopThread(h);
}

TEST(SdlThreads, StopAllThreadsEndsEveryThreadStillRunning) {
  std::atomic<int> running{0};
  for (int i = 0; i < 3; ++i)
    ASSERT_NE(platform::StartThread(
                  [&] {
                    ++running;
                    for (;;) platform::Sleep(1);
                  },
                  "worker"),
              0u);
  WaitUntil([&] { return running == 3; });
  EXPECT_TRUE(platform::sdl::StopAllThreads(10000));
}

TEST(SdlThreads, TheTickCountMovesForward) {
  uint32_t a = platform::GetTickCount();
  std::this_thread::sleep_for(5ms);
  EXPECT_GT(platform::GetTickCount(), a);
}

TEST(SdlQueues, AThreadReadsItsOwnPostsInOrderUntilQuit) {
  std::vector<uint32_t> got;
  std::atomic<int> code{-1}, last{-2};
  ThreadHandle h = platform::StartThread(
      [&] {
        platform::PostMessage(0, platform::WM_COMMAND, 7, 0);
        platform::PostMessage(0, platform::WM_KEYDOWN, 27, 0);
        platform::PostQuitMessage(3);
        platform::PostMessage(0, platform::WM_COMMAND, 8, 0);
        platform::Message m;
        int r;
        while ((r = platform::GetMessage(m)) == 1) got.push_back(m.message);
        last = r;
        code = static_cast<int>(m.wParam);
      },
      "queue");
  WaitUntil([&] { return code != -1; });
  platform::StopThread(h);
  EXPECT_EQ(got, (std::vector<uint32_t>{platform::WM_COMMAND, platform::WM_KEYDOWN}));
  EXPECT_EQ(last, 0);
  EXPECT_EQ(code, 3);
}

TEST(SdlQueues, AThreadWaitingForMessagesIsStopped) {
  std::atomic<bool> waiting{false}, stopped{false};
  ThreadHandle h = platform::StartThread(
      [&] {
        waiting = true;
        platform::Message m;
        try {
          platform::GetMessage(m);
        } catch (const platform::ThreadStopped&) {
          stopped = true;
          throw;
        }
      },
      "waiter");
  WaitUntil([&] { return waiting.load(); });
  platform::StopThread(h);
  EXPECT_TRUE(stopped);
}

TEST(SdlKeys, GameKeysMapToTheirVirtualKeyCodes) {
  // Letters follow the layout: the key where Q sits on a US board types A
  // on a French one, and is the A key to the game.
  const std::tuple<SDL_Scancode, SDL_Keycode, int> rows[] = {
      {SDL_SCANCODE_RETURN, SDLK_RETURN, 13},  {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 13},
      {SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, 16},  {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, 16},
      {SDL_SCANCODE_LCTRL, SDLK_LCTRL, 17},    {SDL_SCANCODE_RCTRL, SDLK_RCTRL, 17},
      {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 27},  {SDL_SCANCODE_SPACE, SDLK_SPACE, 32},
      {SDL_SCANCODE_LEFT, SDLK_LEFT, 37},      {SDL_SCANCODE_UP, SDLK_UP, 38},
      {SDL_SCANCODE_RIGHT, SDLK_RIGHT, 39},    {SDL_SCANCODE_DOWN, SDLK_DOWN, 40},
      {SDL_SCANCODE_P, SDLK_p, 80},            {SDL_SCANCODE_S, SDLK_s, 83},
      {SDL_SCANCODE_A, SDLK_a, 65},            {SDL_SCANCODE_Z, SDLK_z, 90},
      {SDL_SCANCODE_F2, SDLK_F2, 113},         {SDL_SCANCODE_F4, SDLK_F4, 115},
      {SDL_SCANCODE_Q, SDLK_a, 65},            {SDL_SCANCODE_SEMICOLON, SDLK_m, 77},
      {SDL_SCANCODE_MUTE, SDLK_MUTE, 0}};  // not a key of the game
  for (const auto& [sc, key, vk] : rows)
    EXPECT_EQ(platform::sdl::ScancodeToVk(sc, key), vk) << SDL_GetScancodeName(sc);
}

TEST(SdlKeys, AKeyIsHeldWhileAnyOfItsKeysIsDown) {
  using namespace platform::sdl;
  EXPECT_FALSE(platform::KeyHeld(platform::VK_SHIFT));
  KeyPressed(SDL_SCANCODE_LSHIFT, 16);
  KeyPressed(SDL_SCANCODE_RSHIFT, 16);
  KeyPressed(SDL_SCANCODE_LSHIFT, 16);  // auto-repeat of a held key counts once
  KeyReleased(SDL_SCANCODE_LSHIFT);
  EXPECT_TRUE(platform::KeyHeld(platform::VK_SHIFT));
  KeyReleased(SDL_SCANCODE_RSHIFT);
  EXPECT_FALSE(platform::KeyHeld(platform::VK_SHIFT));
  KeyReleased(SDL_SCANCODE_RSHIFT);  // a second release does not go below zero
  KeyPressed(SDL_SCANCODE_RSHIFT, 16);
  EXPECT_TRUE(platform::KeyHeld(platform::VK_SHIFT));
  KeyReleased(SDL_SCANCODE_RSHIFT);

  // The vk taken at the press is the one released, whatever the layout says now.
  KeyPressed(SDL_SCANCODE_Q, 'A');
  EXPECT_TRUE(platform::KeyHeld('A'));
  KeyReleased(SDL_SCANCODE_Q);
  EXPECT_FALSE(platform::KeyHeld('A'));

  KeyPressed(SDL_SCANCODE_UP, platform::VK_UP);
  KeyPressed(SDL_SCANCODE_SPACE, platform::VK_SPACE);
  ReleaseAllKeys();  // focus lost
  EXPECT_FALSE(platform::KeyHeld(platform::VK_UP));
  EXPECT_FALSE(platform::KeyHeld(platform::VK_SPACE));
  EXPECT_FALSE(platform::KeyHeld(0));
  EXPECT_FALSE(platform::KeyHeld(-1));
  EXPECT_FALSE(platform::KeyHeld(256));
}

TEST(SdlPicture, LargestWholeScaleCentredOnBlack) {
  using platform::sdl::FitPicture;
  const std::tuple<int, int, int, int, SDL_Rect> rows[] = {
      {320, 240, 320, 240, {0, 0, 320, 240}},       {320, 240, 640, 480, {0, 0, 640, 480}},  // high DPI
      {320, 240, 1024, 768, {32, 24, 960, 720}},    {320, 240, 1920, 1080, {320, 60, 1280, 960}},
      {320, 240, 1366, 768, {203, 24, 960, 720}},   {320, 240, 2560, 1440, {320, 0, 1920, 1440}},
      {320, 240, 639, 2000, {159, 880, 320, 240}},
      {320, 240, 300, 200, {-10, -20, 320, 240}},  // smaller: unscaled, centred, cut at the edges
      {0, 240, 300, 200, {0, 0, 0, 240}}};
  for (const auto& [w, h, ow, oh, want] : rows) {
    SDL_Rect r = platform::sdl::FitPicture(w, h, ow, oh);
    EXPECT_TRUE(r.x == want.x && r.y == want.y && r.w == want.w && r.h == want.h) << ow << "x" << oh;
  }
}

TEST(SdlProcess, ExecutablePathAndDisplayCallsWithoutAWindow) {
  std::string path = platform::ExecutablePath();
  EXPECT_EQ(path.substr(path.rfind('/') + 1), "test_sdl_backend");
  EXPECT_EQ(platform::ChangeDisplayMode(0, 320, 240, 16, 1), 1);
  EXPECT_EQ(platform::RestoreDisplayMode(0, 0), 0);
  EXPECT_EQ(platform::RestoreDisplayMode(77, 0), 0);  // no such handle
}

}  // namespace

// A window's text is its title and a control's its caption, on SDL's own
// memory display (asked for by name, so the backend accepts it).
TEST(SdlWindows, WindowTextIsTheTitleOrTheControlsCaption) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  std::string why;
  if (!platform::sdl::InitVideo(why)) GTEST_SKIP() << "no offscreen video: " << why;
  platform::RegisterWindowClass("SDLTEST", platform::DefWindowProc);
  platform::Window w = platform::CreateWindow("SDLTEST", "Quillmoor Ver.1.00",
                                              platform::WS_CAPTION_FRAME, 0, 0, 326, 264, 0);
  ASSERT_NE(w, 0u);
  platform::Window ok = platform::CreateControl(w, 1001, "BUTTON", "O K", platform::BS_PUSHBUTTON,
                                                13, 152, 55, 21);
  ASSERT_NE(ok, 0u);
  EXPECT_EQ(platform::GetWindowText(w), "Quillmoor Ver.1.00");
  EXPECT_EQ(platform::GetWindowText(ok), "O K");
  platform::SetWindowText(w, "Option");
  EXPECT_EQ(platform::GetWindowText(w), "Option");
  EXPECT_EQ(platform::GetWindowText(0), "");
  platform::DestroyWindow(w);
  EXPECT_EQ(platform::GetWindowText(w), "");
  platform::sdl::ShutdownVideo();
}
