// The boss's four named volleys, started at the turns of its vertical sweep.
#pragma once
#include <cstdint>

constexpr int kFireWorkBullets = 12;
constexpr int kMaxVolley = 12;

// Starts a random pattern unless the previous pattern's banner still shows.
void ChoosePattern();
// Each makes one whole volley and returns 1, or makes nothing and returns 0
// when the shot table lacks room; either way the banner and the boss's
// cooldown are set.
int Rainy();
int FallLeaf();
int StarDust();
int FireWork();
// Bullet k (1..n) of n of each pattern, written into sht[slot].
void SpawnRainyBullet(int k, int n, int slot);
void SpawnFallLeafBullet(int k, int n, int slot);
void SpawnStarDustBullet(int k, int n, int slot);
void SpawnFireWorkBullet(int k, int n, int slot);
