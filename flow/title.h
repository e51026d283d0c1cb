// The title screen: pulses "Push Enter Key", fades out into the game and
// enters Maker Mode when Shift is held through the fade.
#pragma once
#include <cstdint>

void TitleScreen();
// One picture of the idle and start phases, with the hint in the given colour.
void DrawTitleScreen(uint32_t hintColor);
