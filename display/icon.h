// The game's icon, shown for its windows by the desktop.
#pragma once
#include "platform/platform.h"

// Sets image/icon.bmp, with its mask image/iconm.bmp, as the window's icon.
// Without the files the window keeps the desktop's default.
void SetGameIcon(platform::Window w);
