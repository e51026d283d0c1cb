// Keyboard of the SDL backend: SDL scancodes to the game's virtual-key codes,
// and the held-key table that the game thread polls while the event pump on
// the window thread fills it.
#include <array>

#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace sdl {
namespace {

// Held state per scancode (window thread only) and, per virtual key, how many
// physical keys hold it down (read from any thread).
std::array<int, SDL_NUM_SCANCODES> gScancodeVk{};  // vk recorded at press, 0 = up
std::array<std::atomic<int>, 256> gVkHeld{};

}  // namespace

int ScancodeToVk(SDL_Scancode sc, SDL_Keycode key) {
  // Letters follow the keyboard layout, like the virtual keys they stand for.
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
  if (sc == SDL_SCANCODE_0) return '0';
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return 112 + (sc - SDL_SCANCODE_F1);
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return 97 + (sc - SDL_SCANCODE_KP_1);
  switch (sc) {
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
    case SDL_SCANCODE_RETURN2: return VK_RETURN;
    case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
    case SDL_SCANCODE_BACKSPACE: return VK_BACK;
    case SDL_SCANCODE_TAB: return VK_TAB;
    case SDL_SCANCODE_SPACE: return VK_SPACE;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return VK_CONTROL;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return 18;  // VK_MENU
    case SDL_SCANCODE_PAUSE: return 19;
    case SDL_SCANCODE_CAPSLOCK: return 20;
    case SDL_SCANCODE_PAGEUP: return 33;
    case SDL_SCANCODE_PAGEDOWN: return 34;
    case SDL_SCANCODE_END: return 35;
    case SDL_SCANCODE_HOME: return 36;
    case SDL_SCANCODE_LEFT: return VK_LEFT;
    case SDL_SCANCODE_UP: return VK_UP;
    case SDL_SCANCODE_RIGHT: return VK_RIGHT;
    case SDL_SCANCODE_DOWN: return VK_DOWN;
    case SDL_SCANCODE_INSERT: return 45;
    case SDL_SCANCODE_DELETE: return 46;
    case SDL_SCANCODE_KP_0: return 96;
    default: return 0;
  }
}

void KeyPressed(SDL_Scancode sc, int vk) {
  if (sc <= SDL_SCANCODE_UNKNOWN || sc >= SDL_NUM_SCANCODES || vk <= 0 || vk > 255) return;
  if (gScancodeVk[sc] != 0) return;  // already down
  gScancodeVk[sc] = vk;
  gVkHeld[vk].fetch_add(1, std::memory_order_relaxed);
}

void KeyReleased(SDL_Scancode sc) {
  if (sc <= SDL_SCANCODE_UNKNOWN || sc >= SDL_NUM_SCANCODES) return;
  int vk = gScancodeVk[sc];
  if (vk == 0) return;
  gScancodeVk[sc] = 0;
  gVkHeld[vk].fetch_sub(1, std::memory_order_relaxed);
}

void ReleaseAllKeys() {
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) KeyReleased(static_cast<SDL_Scancode>(sc));
}

void HoldVk(int vk, int delta) {
  if (vk > 0 && vk <= 255) gVkHeld[vk].fetch_add(delta, std::memory_order_relaxed);
}

void MouseButton(bool down) { gVkHeld[VK_LBUTTON].store(down ? 1 : 0, std::memory_order_relaxed); }

}  // namespace sdl

bool KeyHeld(int vk) {
  if (vk <= 0 || vk > 255) return false;
  return sdl::gVkHeld[vk].load(std::memory_order_relaxed) > 0;
}

}  // namespace platform
