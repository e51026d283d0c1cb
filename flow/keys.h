// Keys that switch something arrive as key-down messages on the window
// thread (waiting for a key on the game thread is frame/play_input.h's).
#pragma once

// The main window's key-down handler (repeats of a held key call it again).
void OnKeyDown(int key);
// The main window's activation handler: state 0 when it loses activation.
void OnActivate(int state);
