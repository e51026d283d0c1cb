// The game thread: everything the player sees, in sequence.
#pragma once

// Thread procedure, started by the main window's creation handler once the
// back buffer, the settings and the pictures are there.
void GameThread();
// The loading picture: the title picture with ".. Now Loading .." over it.
void ShowLoadingScreen();
