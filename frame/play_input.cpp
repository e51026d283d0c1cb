#include "frame/play_input.h"

#include "enemies/enemy_shots.h"
#include "entities/player.h"
#include "entities/tables.h"
#include "platform/platform.h"
#include "replay/frame_input.h"
#include "state/game_state.h"

void ReadMoveKeys() {
  Chr& ship = chr[0];
  const int32_t r = ship.radius;
  // Each move is clamped on its own, so near the top or left limit opposite
  // keys leave the ship 5 pixels inside the limit.
  if (replay::KeyDown(platform::VK_UP)) {
    ship.y -= 5;
    if (ship.y < r) ship.y = r;
  }
  if (replay::KeyDown(platform::VK_DOWN)) {
    ship.y += 5;
    if (ship.y > kShipLowestY) ship.y = kShipLowestY;
  }
  if (replay::KeyDown(platform::VK_LEFT)) {
    ship.x -= 5;
    if (ship.x < r) ship.x = r;
  }
  if (replay::KeyDown(platform::VK_RIGHT)) {
    ship.x += 5;
    if (ship.x > 320 - r) ship.x = 320 - r;
  }
}

void ReadFireKey() {
  if (chr[0].cooldown != 0) return;
  int32_t mode = replay::FireMode();
  if (mode == 1) {
    Fire(0);
  } else if (mode == 0 && replay::KeyDown(platform::VK_SPACE)) {
    Fire(0);
  }
}

void WaitKeyPress(int key) {
  while (platform::KeyHeld(key)) platform::Sleep(1);
  while (!platform::KeyHeld(key)) platform::Sleep(1);
  while (platform::KeyHeld(key)) platform::Sleep(1);
}
