// Game controllers. Any controller SDL knows, plugged in at any time, holds
// and releases the keyboard's virtual keys, so the game reads it as it reads
// the keys. The thread that reads SDL's events only.
#include <map>
#include <utility>

#include "platform/input/sdl_input.h"
#include "platform/platform.h"

namespace platform::input {
namespace {

// A stick at rest drifts a little; a push beyond a quarter counts.
constexpr int kDeadZone = 8000;

// The inputs of one controller that hold a key: its buttons, then the left
// stick's four directions (apart from the D-pad's, so both can hold an arrow).
enum : int {
  kStickLeft = SDL_CONTROLLER_BUTTON_MAX,
  kStickRight,
  kStickUp,
  kStickDown,
};

std::map<SDL_JoystickID, SDL_GameController*> gPads;
std::map<std::pair<SDL_JoystickID, int>, int> gHeld;  // (pad, input) -> virtual key

int ButtonVk(int button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return VK_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return VK_RIGHT;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return VK_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return VK_DOWN;
    case SDL_CONTROLLER_BUTTON_A: return VK_SPACE;
    case SDL_CONTROLLER_BUTTON_B: return VK_CONTROL;
    case SDL_CONTROLLER_BUTTON_Y: return VK_SHIFT;
    case SDL_CONTROLLER_BUTTON_START: return VK_RETURN;
    case SDL_CONTROLLER_BUTTON_BACK: return VK_ESCAPE;
    default: return 0;
  }
}

void Set(SDL_JoystickID pad, int input, int vk, bool down, std::vector<KeyChange>& changes) {
  const auto key = std::make_pair(pad, input);
  auto it = gHeld.find(key);
  if (down && it == gHeld.end() && vk != 0) {
    gHeld[key] = vk;
    changes.push_back({vk, true});
  } else if (!down && it != gHeld.end()) {
    changes.push_back({it->second, false});
    gHeld.erase(it);
  }
}

void Stick(SDL_JoystickID pad, int value, int lowInput, int lowVk, int highInput, int highVk,
           std::vector<KeyChange>& changes) {
  Set(pad, lowInput, lowVk, value < -kDeadZone, changes);
  Set(pad, highInput, highVk, value > kDeadZone, changes);
}

void ReleasePad(SDL_JoystickID pad, std::vector<KeyChange>& changes) {
  for (auto it = gHeld.lower_bound({pad, 0}); it != gHeld.end() && it->first.first == pad;) {
    changes.push_back({it->second, false});
    it = gHeld.erase(it);
  }
}

}  // namespace

void PadEvent(const SDL_Event& e, std::vector<KeyChange>& changes) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which);
      if (!c) break;
      const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
      if (gPads.count(id)) {
        SDL_GameControllerClose(c);  // announced twice: keep the one reference
      } else {
        gPads[id] = c;
      }
      break;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      const SDL_JoystickID id = e.cdevice.which;
      ReleasePad(id, changes);
      auto it = gPads.find(id);
      if (it != gPads.end()) {
        SDL_GameControllerClose(it->second);
        gPads.erase(it);
      }
      break;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (gPads.count(e.cbutton.which))
        Set(e.cbutton.which, e.cbutton.button, ButtonVk(e.cbutton.button),
            e.type == SDL_CONTROLLERBUTTONDOWN, changes);
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (!gPads.count(e.caxis.which)) break;
      if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX)
        Stick(e.caxis.which, e.caxis.value, kStickLeft, VK_LEFT, kStickRight, VK_RIGHT, changes);
      else if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY)  // up is negative
        Stick(e.caxis.which, e.caxis.value, kStickUp, VK_UP, kStickDown, VK_DOWN, changes);
      break;
    default:
      break;
  }
}

void ClosePads(std::vector<KeyChange>& released) {
  for (auto& [id, c] : gPads) {
    ReleasePad(id, released);
    SDL_GameControllerClose(c);
  }
  gPads.clear();
}

}  // namespace platform::input
