// The reset of all per-game state before play starts.
#pragma once

// Clears the tables, resets the per-game values and places the ship.
void NewGame();
