// Keys that switch something arrive as key-down messages on the window
// thread; WaitKeyPress polls the held state from the game thread.
#pragma once

// The main window's key-down handler (repeats of a held key call it again).
void OnKeyDown(int key);
// The main window's activation handler: state 0 when it loses activation.
void OnActivate(int state);
// Waits for one whole press of the key: any press under way must end first,
// so one press never satisfies two waits.
void WaitKeyPress(int key);
