// The shot step: player shots and enemy bullets move, hit and graze.
#pragma once

// Visits shot slots 1..60 in order: moves, animates, retires at the margins,
// applies the kind-3 and kind-4 motion rules, draws, and resolves contact.
void UpdateShots();
