// Enemy appearance by quota, explosions, and destruction with its score and
// the boss's entry.
#include <set>
#include <string>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/waves.h"
#include "platform/audio/audio.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "play_fixture.h"
#include "runtime/runtime.h"
#include "state/pictures.h"
#include "zkmci/zkmci.h"

using WaveTest = PlayTest;

// The kinds ChooseEnemyKind gives at this quota over many seeds, and whether
// it drew a random number.
static std::set<int> KindsAt(int quota, bool* drew) {
  std::set<int> kinds;
  *drew = false;
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    SetRandomSeed(seed * 7919u);
    kinds.insert(ChooseEnemyKind(quota));
    if (RandomSeed() != seed * 7919u) *drew = true;
  }
  return kinds;
}

TEST_F(WaveTest, KindTableShiftsWithTheQuota) {
  struct Case {
    int quota;
    std::set<int> kinds;
    bool draws;
  } cases[] = {
      {255, {1}, false},    {205, {1}, false},       {204, {1, 2}, true},
      {154, {1, 2}, true},  {153, {1, 2, 3}, true},  {103, {1, 2, 3}, true},
      {102, {2, 3}, true},  {52, {2, 3}, true},      {51, {3}, false},
      {1, {3}, false},
  };
  for (const Case& c : cases) {
    bool drew = false;
    EXPECT_EQ(KindsAt(c.quota, &drew), c.kinds) << "quota " << c.quota;
    EXPECT_EQ(drew, c.draws) << "quota " << c.quota;
  }
}

TEST_F(WaveTest, FreeSlotReceivesAnEnemyOnARollBelowSix) {
  // Find seeds whose first roll is 5 (enters) and 6 (does not).
  uint32_t enters = 0, stays = 0;
  for (uint32_t seed = 1; seed < 100000 && (!enters || !stays); ++seed) {
    SetRandomSeed(seed);
    int r = Int(Rnd() * 100);
    if (r == 5 && !enters) enters = seed;
    if (r == 6 && !stays) stays = seed;
  }
  ASSERT_TRUE(enters && stays);
  gs.enemySlots = 5;
  // Keep slots 2..5 busy so that only slot 1 rolls.
  for (int i = 2; i <= 5; ++i) PlaceEnemy(i, 1, 40 * i, 100);
  for (int i = 2; i <= 5; ++i) chr[i].vy = 0;
  chr[0].x = 300;  // out of the way
  gs.quota = 255;
  SetRandomSeed(stays);
  UpdateEnemies();
  EXPECT_EQ(chr[1].state, 0);
  SetRandomSeed(enters);
  UpdateEnemies();
  EXPECT_EQ(chr[1].state, 1);  // quota 255: kind 1
  EXPECT_EQ(chr[1].y, -kKind1Radius);
}

TEST_F(WaveTest, NoEnemyEntersWhileTheQuotaIsUsedUp) {
  gs.quota = 0;
  chr[1] = Chr{};
  SetRandomSeed(99);
  for (int f = 0; f < 500; ++f) UpdateEnemies();
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(chr[i].state, 0);
  EXPECT_EQ(RandomSeed(), 99u);  // no roll is even drawn
}

TEST_F(WaveTest, ExplosionShowsTenFramesAndFreesTheSlotOnTheEleventh) {
  PlaceEnemy(4, 2, 100, 100);
  DestroyEnemy(4);
  EXPECT_EQ(chr[4].anim, 0.0);
  for (int f = 1; f <= 10; ++f) {
    UpdateEnemies();
    ASSERT_EQ(chr[4].state, 240) << "frame " << f;
    EXPECT_EQ(chr[4].anim, f);
  }
  UpdateEnemies();
  EXPECT_EQ(chr[4].state, 0);
}

TEST_F(WaveTest, DestroyingPaysFiveTimesTheKindAndCountsTheQuota) {
  for (int kind = 1; kind <= 3; ++kind) {
    PlaceEnemy(kind, kind, 50 * kind, 60);
    int score = gs.score, quota = gs.quota;
    DestroyEnemy(kind);
    EXPECT_EQ(chr[kind].state, 240);
    EXPECT_EQ(gs.score, score + 5 * kind);
    EXPECT_EQ(gs.quota, quota - 1);
  }
}

TEST_F(WaveTest, LastQuotaEnemyBringsInTheBossAndClearsTheField) {
  gs.quota = 1;
  PlaceEnemy(3, 3, 100, 60);
  PlaceEnemy(5, 1, 200, 60);
  PlaceEnemy(6, 2, 20, 60);
  PlaceEnemy(7, 1, 250, 60);
  chr[7].state = 240;  // already exploding
  chr[7].anim = 4;
  PlaceEnemy(1, 2, 150, 30);  // slot 1 is simply overwritten
  DestroyEnemy(3);
  EXPECT_EQ(gs.quota, 0);
  EXPECT_EQ(gs.score, 15);
  EXPECT_EQ(chr[1].state, 4);
  EXPECT_EQ(chr[1].hp, 10000);
  EXPECT_EQ(gs.bossMaxHp, 10000);
  EXPECT_EQ(chr[1].y, -kBossRadius);
  EXPECT_EQ(chr[3].state, 240);
  EXPECT_EQ(chr[5].state, 240);
  EXPECT_EQ(chr[5].anim, 0.0);
  EXPECT_EQ(chr[6].state, 240);
  EXPECT_EQ(chr[7].anim, 4.0);  // goes on exploding where it was
  // The field's explosions pay nothing.
  EXPECT_EQ(gs.score, 15);
}

TEST_F(WaveTest, DestroyingTheBossPaysNothingAndMarksItsWreck) {
  gs.quota = 0;
  PlaceEnemy(1, 4, 140, 90);
  DestroyEnemy(1);
  EXPECT_EQ(chr[1].state, 240);
  EXPECT_EQ(gs.score, 0);
  EXPECT_EQ(gs.quota, 0);
  EXPECT_EQ(gs.bossX, 140.0 - kBossRadius);
  EXPECT_EQ(gs.bossY, 90.0 - kBossRadius);
}

TEST_F(WaveTest, RammingAnEnemyCostsTheShipItsHitPoints) {
  chr[0].x = 100;
  chr[0].y = 200;
  PlaceEnemy(2, 2, 100, 195).vx = 0;
  chr[2].vy = 0;
  UpdateEnemies();
  EXPECT_EQ(chr[2].state, 240);
  EXPECT_EQ(gs.quota, 254);
  EXPECT_EQ(gs.score, 10);
  EXPECT_EQ(chr[0].hp, 0);
  // The boss can be touched freely.
  StartTestGame();
  gs.quota = 0;
  chr[0].x = 100;
  chr[0].y = 100;
  PlaceEnemy(1, 4, 100, 100).vx = 2;
  chr[1].vy = 0;
  UpdateEnemies();
  EXPECT_EQ(chr[1].state, 4);
  EXPECT_EQ(chr[0].hp, 100);
}

// The MCI strings sent since line `from` of the log.
static std::vector<std::string> MciSince(size_t from) {
  std::vector<std::string> out;
  std::vector<std::string> lines = platform::sim::LogLines();
  for (size_t i = from; i < lines.size(); ++i) {
    size_t blank = lines[i].find(' ');
    if (lines[i].compare(blank + 1, 4, "mci ") == 0) out.push_back(lines[i].substr(blank + 5));
  }
  return out;
}

TEST_F(WaveTest, BossEntryStopsTheStageMusicThenLoopsTheBossMusic) {
  InitZKMCI();
  StartSoundLoop();
  gs.BgmId[2] = SoundCommand(0, kSoundOpen, 47, QM_SOURCE_DIR "/bgm/stage.mid");
  gs.BgmId[3] = SoundCommand(0, kSoundOpen, 21, QM_SOURCE_DIR "/bgm/boss.mid");
  ASSERT_EQ(gs.BgmId[2], 1);
  ASSERT_EQ(gs.BgmId[3], 2);
  platform::Sleep(300);
  size_t from = platform::sim::LogLines().size();
  gs.quota = 2;
  PlaceEnemy(3, 1, 100, 60);
  DestroyEnemy(3);  // not yet the last
  PlaceEnemy(4, 1, 150, 60);
  DestroyEnemy(4);
  platform::Sleep(300);
  EXPECT_EQ(chr[1].state, 4);
  EXPECT_EQ(MciSince(from), (std::vector<std::string>{
                                "stop sa1 wait", "seek sa1 to start wait",  // stage stops
                                "stop sa2 wait", "seek sa2 to start wait", "play sa2"}));
  // Destroying the boss sends nothing.
  from = platform::sim::LogLines().size();
  DestroyEnemy(1);
  platform::Sleep(300);
  EXPECT_TRUE(MciSince(from).empty());
  EndSoundLoop();
  platform::ShutdownAudio();
}

// Explosion frames and the boss's wreck, read back from the back buffer with
// solid test pictures: frame f of the explosion is drawn in colour f.
class WaveDrawingTest : public WaveTest {
 protected:
  void SetUp() override {
    WaveTest::SetUp();
    for (int f = 1; f <= 5; ++f) {
      LoadSolidBitmap(bomBmp[f], 32, 32, static_cast<uint32_t>(f));
      LoadSolidBitmap(bomMask[f], 32, 32, 0);
    }
    LoadSolidBitmap(chrBmp[17], 64, 64, 0x00AA00);
    LoadSolidBitmap(chrMask[17], 64, 64, 0);
  }
  void TearDown() override {
    for (int f = 1; f <= 5; ++f) {
      CloseBmp(bomBmp[f]);
      CloseBmp(bomMask[f]);
    }
    CloseBmp(chrBmp[17]);
    CloseBmp(chrMask[17]);
    WaveTest::TearDown();
  }
};

TEST_F(WaveDrawingTest, EnemyExplosionShowsFramesOneToFiveTwiceEach) {
  gs.enemySlots = 5;
  for (int i = 1; i <= 4; ++i) PlaceEnemy(i, 1, 40 * i, 30).vy = 0;
  for (int i = 1; i <= 4; ++i) chr[i].cooldown = 1000;
  chr[0].x = 300;
  PlaceEnemy(5, 2, 200, 150);
  DestroyEnemy(5);
  std::vector<uint32_t> shown;
  for (int f = 0; f < 11; ++f) {
    FillBackBuffer(RGB(255, 255, 255));
    UpdateEnemies();
    shown.push_back(Pixel(200, 150));
    EXPECT_EQ(Pixel(184, 134), shown.back());  // top-left corner at x - 16, y - 16
    EXPECT_EQ(Pixel(183, 150), 0xFFFFFFu);
  }
  EXPECT_EQ(shown, (std::vector<uint32_t>{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 0xFFFFFF}));
  EXPECT_EQ(chr[5].state, 0);
}

TEST_F(WaveDrawingTest, WreckLiesUnderEveryExplosionOfTheBossPhase) {
  gs.quota = 0;
  gs.bossX = 100.5;  // nearest, ties to even: 100
  gs.bossY = 60.5;   // 60
  PlaceEnemy(3, 1, 250, 200).state = 240;
  FillBackBuffer(RGB(255, 255, 255));
  UpdateEnemies();
  EXPECT_EQ(Pixel(100, 60), 0x00AA00u);
  EXPECT_EQ(Pixel(99, 60), 0xFFFFFFu);
  EXPECT_EQ(Pixel(163, 123), 0x00AA00u);
  EXPECT_EQ(Pixel(164, 60), 0xFFFFFFu);
  EXPECT_EQ(Pixel(250, 200), 1u);  // the explosion over it
  gs.bossX = 101.5;                 // 102
  FillBackBuffer(RGB(255, 255, 255));
  UpdateEnemies();
  EXPECT_EQ(Pixel(101, 60), 0xFFFFFFu);
  EXPECT_EQ(Pixel(102, 60), 0x00AA00u);
  // Before the boss phase there is no wreck.
  gs.quota = 5;
  PlaceEnemy(3, 1, 250, 200).state = 240;
  for (int i = 1; i <= 12; ++i)
    if (i != 3) PlaceEnemy(i, 1, 20 * i, 20).cooldown = 1000;
  for (int i = 1; i <= 12; ++i) chr[i].vy = 0;
  chr[0].x = 10;
  FillBackBuffer(RGB(255, 255, 255));
  UpdateEnemies();
  EXPECT_EQ(Pixel(102, 100), 0xFFFFFFu);
}
