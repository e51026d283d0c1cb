// SDL's keyboard and game controllers as the game's virtual keys: one mapping
// for both backends that read their input through SDL (the desktop window
// and the browser page), so a key or a button means the same in both.
#pragma once
#include <SDL.h>

#include <vector>

namespace platform::input {

// The virtual key of a keyboard key (0 for keys the game has no code for).
// Letters follow the keyboard layout, like the virtual keys they stand for.
int ScancodeToVk(SDL_Scancode sc, SDL_Keycode key);

// Game controllers hold the keyboard's virtual keys.
struct KeyChange {
  int vk;
  bool down;
};
// Takes a controller event (added, removed, button, axis) and says which
// virtual keys it pressed or released; a removed controller releases all its
// keys. Opens and closes the controllers as they come and go.
void PadEvent(const SDL_Event& e, std::vector<KeyChange>& changes);
// Closes every controller, releasing the keys they held.
void ClosePads(std::vector<KeyChange>& changes);

}  // namespace platform::input
