// Enemies, the boss and its volleys on the paths a scripted game does not
// take: the other levels and bad ones, the God level's second roll, the
// mended aimed shot, and a shot table too full for what is fired.
#include <set>
#include <string>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/enemy_shots.h"
#include "enemies/patterns.h"
#include "enemies/waves.h"
#include "frame/shots.h"
#include "entities/sprites.h"
#include "platform/audio/audio.h"
#include "play_fixture.h"
#include "runtime/runtime.h"
#include "zkmci/zkmci.h"

using EnemyTest = PlayTest;

// The boss's hit points and a volley's bullets by level (Normal's for
// anything unexpected), and the slots walked, clamped to the table; below
// zero there is no slot, not even the boss's.
TEST_F(EnemyTest, LevelsSetTheBossVolleysAndTheSlotsWalked) {
  struct Case {
    int level, hp, bullets, slots;
  } cases[] = {{5, 5000, 5, 5},  {20, 15000, 7, 20}, {30, 30000, 10, 30}, {7, 10000, 6, 7},
               {-3, 0, 6, 0},    {99, 10000, 6, kMaxEnemySlots}};
  for (const Case& c : cases) {
    StartTestGame(c.level);  // a new game sets the volley's bullets
    SpawnEnemy(2, 4);
    EXPECT_EQ(std::make_tuple(chr[1].state, chr[1].hp, int(gs.bossMaxHp), int(gs.patternBullets), EnemySlotCount()),
              std::make_tuple(c.hp ? 4 : 0, c.hp, c.hp, c.bullets, c.slots)) << c.level;
  }
}

// On the God level a plain roaming frame rolls twice, while a wall bounce
// frame keeps the single roll.
TEST_F(EnemyTest, BossRollsAgainOnGodButNotOnAWallBounce) {
  struct Case { int level, x, draws; } cases[] = {{12, 150, 1}, {30, 150, 2}, {12, 289, 1}, {30, 289, 1}};
  for (const Case& c : cases) {
    StartTestGame(c.level);
    gs.quota = 0;
    Chr& b = PlaceEnemy(1, 4, c.x, 100);
    std::tie(b.vx, b.vy, b.cooldown) = std::make_tuple(2, 1, 5);
    SetRandomSeed(5);
    for (int k = 0; k < c.draws; ++k) Rnd();
    const uint32_t expected = RandomSeed();
    SetRandomSeed(5);
    UpdateEnemy(1);
    EXPECT_EQ(RandomSeed(), expected) << c.level << " at " << c.x;
  }
}

// Where an enemy is after its step: gone only once wholly below the screen (kind 2 also past either side),
// and a kind-3 one turned back only once past an edge of its lane, 48 to 96 or 208 to 256 (the game's own
// starts never step onto 48, 96 or 256; a set value can).
TEST_F(EnemyTest, EnemiesLeaveWhollyOffScreenAndKindThreeTurnsJustPastItsLane) {
  struct Row { int kind, x, y, vx, state; } rows[] = {
      {1, 300, 248, 0, 1}, {1, 300, 249, 0, 0}, {2, 300, 250, 0, 2}, {2, 300, 251, 0, 0},
      {2, 330, 100, 0, 2}, {2, 331, 100, 0, 0}, {2, -10, 100, 0, 2}, {2, -11, 100, 0, 0},
      {3, 230, 252, 3, 3}, {3, 230, 253, 3, 0}, {3, 47, 100, -3, 3}, {3, 48, 100, 3, 3},
      {3, 96, 100, 3, 3},  {3, 97, 100, -3, 3}, {3, 207, 100, -3, 3}, {3, 208, 100, 3, 3},
      {3, 256, 100, 3, 3}, {3, 257, 100, -3, 3}};
  for (const Row& r : rows) {
    StartTestGame();
    Chr& c = PlaceEnemy(2, r.kind, r.x - 3 * (r.kind == 3), r.y);  // kind 3 steps right onto x
    std::tie(c.vx, c.vy, c.cooldown) = std::make_tuple(3 * (r.kind == 3), 0, 5);
    UpdateEnemy(2);
    EXPECT_EQ(std::make_tuple(c.state, c.vx, c.x), std::make_tuple(r.state, r.vx, r.vx < 0 ? r.x - 3 : r.x))
        << r.kind << " at " << r.x << "," << r.y;
  }
  for (auto [set, frame] : {std::pair{-1, 1}, {5, 1}, {6, 3}, {0, 0}, {4, 4}})  // outside the tables: nothing is read
    DrawChrSprite(set, frame, 0, 0), DrawShtSprite(set + (set > 4), frame, 0, 0);
}

// A falling shot (kind 3) speeds up once past each row of 24; a zig-zag (kind 4) turns on rows 32n + 1 only.
TEST_F(EnemyTest, FallingShotsSpeedUpPastEachRowAndZigZagsTurnOnTheirs) {
  const int rows[][3] = {{3, 24, 0}, {3, 25, 2}, {3, 48, 2}, {3, 49, 4}, {3, 72, 4}, {3, 73, 8}, {3, 96, 8}, {3, 97, 12},
                         {3, 120, 12}, {3, 121, 20}, {4, 32, 1}, {4, 33, -1}, {4, 225, -1}, {4, 226, 1}};
  for (const auto& [kind, y, v] : rows) {
    Sht& s = PlaceShot(1, kind, 100, y, 1, 0, 4);
    UpdateShots();
    EXPECT_EQ(kind == 3 ? s.vy : s.vx, v) << kind << " at " << y;
  }
}

// Straight above the ship (the mended fault) the shot leans by 1; from 1 to
// 6 rows above, full speed; level with or below, it leans away.
TEST_F(EnemyTest, AimedShotLeansTowardTheShip) {
  struct Case { int x, y, vx; } cases[] = {
      {100, 50, 3},   {160, 50, 1},   {160, 213, 1},  {160, 208, 1},
      {0, 200, 6},    {300, 200, -6}, {100, 207, 6},  {100, 213, 6}, {220, 208, -6},
      {100, 214, -6}, {150, 220, -4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AimedShotVx(c.x, c.y, 160, 214), c.vx) << c.x << "," << c.y;
}

TEST_F(EnemyTest, FullShotTableLeavesShootersToRetry) {
  FillShots(60), PlaceEnemy(2, 1, 100, 50), Fire(2);
  EXPECT_EQ(chr[2].cooldown, 3);
  sht[60].kind = 0, Fire(2);
  EXPECT_EQ(std::tie(sht[60].damage, chr[2].cooldown), std::make_tuple(1, 12));
  sht[60].kind = 0, chr[2].state = 240, Fire(2);  // an exploding enemy fires nothing
  EXPECT_EQ(sht[60].kind, 0);
  StartTestGame(), PlaceEnemy(1, 4, 100, 50), FillShots(59), Fire(1);  // one free slot for the boss: only its aimed bullet
  EXPECT_EQ(std::tie(sht[60].damage, chr[1].cooldown), std::make_tuple(8, 3));
}

TEST_F(EnemyTest, VolleysAreMadeWholeOrNotAtAll) {
  std::tie(chr[0].x, chr[0].y, gs.quota, gs.patternBullets) = std::make_tuple(10, 220, 0, 10);
  PlaceEnemy(1, 4, 150, 100), FillShots(49);
  EXPECT_EQ((std::pair<int, int>{FireWork(), ShotsInFlight()}), std::pair(0, 49));  // 12 bullets, 11 free slots
  EXPECT_EQ(std::tie(gs.bannerText, gs.bannerTimer, chr[1].cooldown), std::make_tuple(std::string("Fire-Work"), 60, 3));
  EXPECT_EQ((std::pair<int, int>{Rainy(), ShotsInFlight()}), std::pair(1, 59));  // 10 still fit
  FillShots(60);
  const uint32_t seed = RandomSeed();
  EXPECT_EQ(Rainy() + FallLeaf() + StarDust(), 0);
  EXPECT_EQ(RandomSeed(), seed);  // a failed Star-Dust draws nothing
  // A failed volley still shows its banner, which blocks the next pattern.
  gs.measuredFps = 44, FireWork();
  EXPECT_EQ(gs.bannerTimer, 88);
  ChoosePattern();
  EXPECT_EQ(gs.bannerText, "Fire-Work");
  EXPECT_EQ(RandomSeed(), seed);
}

// Easy, Hard and God volleys (Normal's six is played whole elsewhere).
TEST_F(EnemyTest, RainyAndFallLeafSpaceEveryLevelsBulletsEvenly) {
  const std::pair<int, std::vector<int>> cases[] = {{5, {53, 106, 160, 213, 266}}, {7, {40, 80, 120, 160, 200, 240, 280}},
                                                    {10, {29, 58, 87, 116, 145, 174, 203, 232, 261, 290}}};
  for (const auto& [n, want] : cases)
    for (int rainy : {1, 0}) {
      ClearTables(), gs.patternBullets = n;
      EXPECT_EQ(rainy ? Rainy() : FallLeaf(), 1);
      std::vector<int> xs;
      for (int k = 1; k <= ShotsInFlight(); ++k) xs.push_back(sht[k].x);
      EXPECT_EQ(xs, want) << (rainy ? "Rainy " : "Fall-Leaf ") << n;
    }
}

// Which kinds a quota allows, at each edge of the table.
TEST_F(EnemyTest, KindTableShiftsWithTheQuota) {
  const std::pair<int, std::set<int>> cases[] = {{255, {1}}, {205, {1}}, {204, {1, 2}}, {154, {1, 2}}, {153, {1, 2, 3}},
                                                 {103, {1, 2, 3}}, {102, {2, 3}}, {52, {2, 3}}, {51, {3}}, {1, {3}}};
  for (const auto& [quota, want] : cases) {
    std::set<int> kinds;
    for (uint32_t seed = 1; seed <= 400; ++seed) SetRandomSeed(seed * 7919u), kinds.insert(ChooseEnemyKind(quota));
    EXPECT_EQ(kinds, want) << "quota " << quota;
  }
}

// Ramming an enemy costs the ship every hit point; the boss is rammed freely.
TEST_F(EnemyTest, RammingAnEnemyEndsTheShipButNotTheBoss) {
  std::tie(chr[0].x, chr[0].y) = std::make_tuple(100, 200);
  PlaceEnemy(2, 2, 100, 195);
  UpdateEnemies();
  EXPECT_EQ(std::tie(chr[2].state, gs.quota, gs.score, chr[0].hp), std::make_tuple(240, 254, 10, 0));
  StartTestGame();
  gs.quota = 0;
  std::tie(chr[0].x, chr[0].y) = std::make_tuple(100, 100);
  PlaceEnemy(1, 4, 100, 100).vx = 2;
  UpdateEnemies();
  EXPECT_EQ(std::tie(chr[1].state, chr[0].hp), std::make_tuple(4, 100));
}

// The boss's entry stops the stage music and loops its own; its destruction
// sends nothing. (The recorded games check state and pictures, not sound.)
TEST_F(EnemyTest, BossEntryStopsTheStageMusicThenLoopsTheBossMusic) {
  const auto mciSince = [](size_t from) {
    std::vector<std::string> out, lines = platform::sim::LogLines();
    for (size_t i = from; i < lines.size(); ++i)
      if (size_t b = lines[i].find(' '); lines[i].compare(b + 1, 4, "mci ") == 0)
        out.push_back(lines[i].substr(b + 5));
    return out;
  };
  InitZKMCI();
  StartSoundLoop();
  gs.BgmId[2] = SoundCommand(0, kSoundOpen, 47, QM_SOURCE_DIR "/bgm/stage.mid");
  gs.BgmId[3] = SoundCommand(0, kSoundOpen, 21, QM_SOURCE_DIR "/bgm/boss.mid");
  platform::Sleep(300);
  size_t from = platform::sim::LogLines().size();
  gs.quota = 1;
  PlaceEnemy(3, 1, 100, 60);
  DestroyEnemy(3);
  platform::Sleep(300);
  EXPECT_EQ(mciSince(from), (std::vector<std::string>{"stop sa1 wait", "seek sa1 to start wait",
                                                      "stop sa2 wait", "seek sa2 to start wait",
                                                      "play sa2"}));
  from = platform::sim::LogLines().size();
  DestroyEnemy(1);
  platform::Sleep(300);
  EXPECT_TRUE(mciSince(from).empty());
  EndSoundLoop();
  platform::ShutdownAudio();
}
