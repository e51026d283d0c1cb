// Masked sprite drawing shared by the ship, the shots and the enemies.
#pragma once

// Character sprite set 0..4 (ship, enemy kinds 1..3, boss), frame 1..3, top-left at (x, y).
void DrawChrSprite(int set, int frame, int x, int y);
// Shot sprite set 0..5 (shot kind - 1), frame 1..3, top-left at (x, y).
void DrawShtSprite(int set, int frame, int x, int y);
// Explosion frame 1..5 with its top-left corner at (x - 16, y - 16).
void DrawExplosion(int x, int y, int frame);
// Off-screen draws for free slots, so a frame's drawing work hardly depends on
// how many slots are in use.
void DrawIdleExplosion();
void DrawIdleShot();
