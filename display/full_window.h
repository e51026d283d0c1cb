// Full-window mode (F4) and the placement of windows on the desktop.
#pragma once
#include "platform/platform.h"

// Switches between the window and the full-window picture.
void ToggleFullWindow();
// Resizes the main window, keeping its place, so that its client area is
// width x height.
void FitClientSize(int width, int height);
// Centres window over other (0: the desktop). A window of 0 is refused with a
// message; returns 1 when the window was moved, 0 when refused.
int WindowCenter(platform::Window window, platform::Window other);
// The message shown when the display could not be switched (codes 1 to 4).
std::string FullWindowFailureText(int code);
