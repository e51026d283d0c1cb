// The graze gauge beside its glyph, and the rage burst it releases when full.
#pragma once

// Counts the graze cooldown down, draws the gauge, runs or starts a burst.
void UpdateRage();
