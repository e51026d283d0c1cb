#include "platform/web/page.h"

#include <algorithm>
#include <vector>

#include "platform/gfx/text.h"
#include "platform/input/sdl_input.h"
#include "platform/sim/sim_control.h"

namespace platform::web {
namespace {

void PressOrRelease(int vk, bool down) {
  if (vk <= 0) return;
  if (down) {
    sim::PressKey(vk);
  } else {
    sim::ReleaseKey(vk);
  }
}

void Mouse(int x, int y, int canvasW, int canvasH, sim::Mouse what) {
  if (canvasW <= 0 || canvasH <= 0) return;
  const Rect view = View();
  // Rounded down, so that a point left of or above the canvas stays outside.
  auto scaled = [](int v, int span, int to) {
    const int64_t n = int64_t{v} * to;
    return static_cast<int>(n >= 0 ? n / span : (n - span + 1) / span);
  };
  sim::MouseAt(view.left + scaled(x, canvasW, view.width()),
               view.top + scaled(y, canvasH, view.height()), what);
}

}  // namespace

Rect View() {
  const Window main = sim::MainWindow();
  const Rect client = main ? sim::ClientScreenRect(main) : Rect{};
  if (client.width() > 0 && client.height() > 0) return client;
  const int left = (kDesktopWidth - kViewWidth) / 2, top = kDesktopHeight - 2 - kViewHeight;
  return Rect{left, top, left + kViewWidth, top + kViewHeight};
}

bool HandleEvent(PageState& page, const SDL_Event& e, int canvasW, int canvasH) {
  if (page.closed) {
    // A new press: the release of the key that closed the game is no answer.
    return (e.type == SDL_KEYDOWN && !e.key.repeat) ||
           (e.type == SDL_MOUSEBUTTONDOWN && e.button.button == SDL_BUTTON_LEFT);
  }
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (e.type == SDL_KEYDOWN && e.key.repeat) break;
      PressOrRelease(input::ScancodeToVk(e.key.keysym.scancode, e.key.keysym.sym),
                     e.type == SDL_KEYDOWN);
      break;
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
    case SDL_CONTROLLERAXISMOTION: {
      std::vector<input::KeyChange> changes;
      input::PadEvent(e, changes);
      for (const input::KeyChange& c : changes) PressOrRelease(c.vk, c.down);
      break;
    }
    case SDL_MOUSEMOTION:
      Mouse(e.motion.x, e.motion.y, canvasW, canvasH, sim::Mouse::Move);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT)
        Mouse(e.button.x, e.button.y, canvasW, canvasH,
              e.type == SDL_MOUSEBUTTONDOWN ? sim::Mouse::Down : sim::Mouse::Up);
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) sim::ReleaseAllKeys();
      break;
    default:
      break;
  }
  return false;
}

void FullscreenChanged(PageState& page, bool full) {
  if (full || !page.gameFull || page.closed) return;
  sim::PressKey(VK_F4);
  sim::ReleaseKey(VK_F4);
}

uint64_t DrawCanvas(const PageState& page, Surface& out) {
  if (page.closed) {
    DrawClosedScreen(out);
    return UINT64_MAX;
  }
  return sim::ComposeDesktop(out, View());
}

void DrawClosedScreen(Surface& out) {
  out.Resize(kViewWidth, kViewHeight);
  const Font font{FontFace::Gothic, 13, false, false};
  const char* const lines[] = {
      "Quillmoor has closed.",
      "Its settings and recordings are kept",
      "in this browser.",
      "",
      "Press a key or click to play again.",
  };
  int y = 80;
  for (const char* line : lines) {
    const int width = MeasureText(line, font);
    TextOut(out, (kViewWidth - width) / 2, y, line, 0x00FFFFFF, font);
    y += 17;
  }
}

}  // namespace platform::web
