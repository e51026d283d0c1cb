// Keyboard of the SDL backend: the held-key table that the game thread polls while the event pump on
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
