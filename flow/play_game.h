// One game, from the stage banner to the black wipe that ends it.
#pragma once

// 1 when the boss was beaten, 0 when the ship was lost or the game abandoned.
int PlayGame();
void StageBanner();
// Runs frames until 15 boss explosions have played.
void BossDefeatSequence();
// The interlaced wipe to black that closes every game.
void WipeToBlack();
