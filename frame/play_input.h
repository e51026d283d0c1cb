// The keys polled during play: the arrows and the fire key.
#pragma once

// Moves the ship 5 pixels per held arrow (up, down, left, right, in that
// order), each move clamped to its limit.
void ReadMoveKeys();
// Fires when the ship's cooldown is 0: always in AUTO, with space held in MANUAL.
void ReadFireKey();
// Waits for one whole press of the key: any press under way must end first,
// so one press never satisfies two waits.
void WaitKeyPress(int key);
