// The page's logic without a browser: what its canvas shows and what the
// player's keys and mouse do there, on the headless backend it runs on.
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "platform/web/page.h"

using namespace platform;

namespace {

std::vector<Message> got;
intptr_t Recorder(Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  if (msg >= WM_KEYDOWN) got.push_back({w, msg, wp, lp});  // keys and the mouse
  return DefWindowProc(w, msg, wp, lp);
}

SDL_Event Key(uint32_t type, SDL_Scancode sc, bool repeat = false) {
  SDL_Event e{};
  e.type = type, e.key.keysym.scancode = sc, e.key.repeat = repeat;
  return e;
}
SDL_Event Button(uint32_t type, int x, int y) {
  SDL_Event e{};
  e.type = type, e.button.button = SDL_BUTTON_LEFT, e.button.x = x, e.button.y = y;
  return e;
}

}  // namespace

TEST(Page, KeysMouseAndFullScreenReachTheGameAsOnTheDesktop) {
  sim::Reset(), got.clear();
  web::PageState page;
  EXPECT_EQ(web::View().left, 3) << "before the main window: where it will be";
  RegisterWindowClass("REC", Recorder);
  const Window main = CreateWindow("REC", "main", WS_CAPTION_FRAME, 0, 0, 326, 264, 0);
  ShowWindow(main, true);
  // Keys: held while down, the browser's repeats dropped (the backend repeats).
  web::HandleEvent(page, Key(SDL_KEYDOWN, SDL_SCANCODE_LEFT), 320, 240);
  web::HandleEvent(page, Key(SDL_KEYDOWN, SDL_SCANCODE_LEFT, true), 320, 240);
  EXPECT_TRUE(KeyHeld(VK_LEFT));
  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT, focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  web::HandleEvent(page, focus, 320, 240);
  EXPECT_FALSE(KeyHeld(VK_LEFT)) << "leaving the page lets go of every key";
  // The mouse, at twice the scale: canvas pixel (41, 21) is client (20, 10).
  web::HandleEvent(page, Button(SDL_MOUSEBUTTONDOWN, 41, 21), 640, 480);
  // Released left of and above a canvas of any size, it stays outside: -1 of 319 pixels is -320/319 of the view's, -2 rounded down.
  web::HandleEvent(page, Button(SDL_MOUSEBUTTONUP, -1, -1), 319, 239);
  // The browser's full screen ended by itself: the game hears its own F4.
  web::FullscreenChanged(page, false);
  page.gameFull = true;
  web::FullscreenChanged(page, true);
  web::FullscreenChanged(page, false);
  // A main window squeezed to no width (or no height) is no view: the canvas keeps the playfield's place.
  for (const auto& [w, h] : {std::pair(6, 264), std::pair(326, 24)}) {
    MoveWindow(main, 0, 0, w, h);
    EXPECT_EQ(std::pair(web::View().width(), web::View().height()), std::pair(320, 240)) << w << "x" << h;
  }
  PostQuitMessage(0);
  for (Message m; GetMessage(m) > 0;) DispatchMessage(m);
  std::vector<std::tuple<uint32_t, intptr_t, intptr_t>> seen;
  for (const Message& m : got) seen.push_back({m.message, m.wParam, m.lParam});
  EXPECT_EQ(seen, (decltype(seen){{WM_KEYDOWN, VK_LEFT, 1},
                                  {WM_LBUTTONDOWN, VK_LBUTTON, MakeLParam(20, 10)},
                                  {WM_LBUTTONUP, 0, MakeLParam(-2, -2)},
                                  {WM_KEYDOWN, VK_F4, 1}, {WM_KEYUP, VK_F4, 0xC0000001}}));
}

TEST(Page, TheClosedScreenShowsUntilANewPressOrClick) {
  sim::Reset();
  web::PageState page{false, true};
  Surface canvas;
  EXPECT_EQ(web::DrawCanvas(page, canvas), UINT64_MAX);
  // Its four lines of text, 17 rows apart (one left blank): the rows that hold ink, first and last of each run.
  std::vector<std::pair<int, int>> lines;
  for (int y = 0; y < canvas.height(); ++y) {
    bool inked = false;
    for (int x = 0; x < canvas.width(); ++x) inked |= canvas.at(x, y) == 0xFFFFFF;
    if (inked && (lines.empty() || lines.back().second != y - 1)) lines.push_back({y, y});
    if (inked) lines.back().second = y;
  }
  EXPECT_EQ(std::tuple(canvas.width(), canvas.height(), canvas.at(0, 0)), std::tuple(320, 240, 0u));
  EXPECT_EQ(lines, (std::vector<std::pair<int, int>>{{81, 90}, {98, 108}, {115, 124}, {149, 159}}));
  const std::pair<SDL_Event, bool> answers[] = {
      {Key(SDL_KEYUP, SDL_SCANCODE_ESCAPE), false},  // the release of the key that closed it
      {Key(SDL_KEYDOWN, SDL_SCANCODE_A, true), false},
      {Button(SDL_MOUSEBUTTONUP, 5, 5), false},
      {Key(SDL_KEYDOWN, SDL_SCANCODE_A), true},
      {Button(SDL_MOUSEBUTTONDOWN, 5, 5), true},
  };
  for (const auto& [e, again] : answers) EXPECT_EQ(web::HandleEvent(page, e, 320, 240), again) << e.type;
}
