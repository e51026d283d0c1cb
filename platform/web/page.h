// The browser page's own logic, apart from the browser itself (browser.cpp
// and fibers.cpp, the only files built for the page alone): the page runs
// the headless backend in real time, its windows drawn into one canvas, a
// small desktop of their own. This file decides what the canvas shows and
// what the player's keys, controllers and mouse do there.
#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/gfx/surface.h"

namespace platform::web {

// The page's desktop is the main window's outer size: the game centres its
// window there at (0, 0), and the canvas shows the client area, the 320 x 240
// playfield. The options window and message boxes come over it at their place.
constexpr int kDesktopWidth = 326, kDesktopHeight = 264;
constexpr int kViewWidth = 320, kViewHeight = 240;

struct PageState {
  bool gameFull = false;  // the game is in full-window mode: the browser's full screen was asked for
  bool closed = false;    // the program has ended (Escape): the closed screen shows
};

// The part of the desktop the canvas shows: the main window's client area
// (before there is one, where it will be).
Rect View();

// One event from the browser. Keys hold and release the game's virtual keys
// (the browser's own repeats are dropped: the backend repeats a held key as
// the desktop does), controllers press the keys they stand for, the mouse
// acts at its desktop point; the canvas is canvasW x canvasH in the event's
// coordinates. Leaving the page's focus lets go of every key. On the closed
// screen, a key or a click returns true: the player wants to play again.
bool HandleEvent(PageState& page, const SDL_Event& e, int canvasW, int canvasH);

// The browser's full screen changed; when it ended by itself (the browser's
// own Escape) while the game was in full-window mode, the game is told with
// its own key, F4, as if the player had left it.
void FullscreenChanged(PageState& page, bool full);

// Draws what the canvas shows into out (kViewWidth x kViewHeight): the
// desktop's view, or the closed screen. Returns a number that changes
// whenever the picture may have changed.
uint64_t DrawCanvas(const PageState& page, Surface& out);

// The closed screen: what happened, that nothing is lost, and the way back.
void DrawClosedScreen(Surface& out);

}  // namespace platform::web
