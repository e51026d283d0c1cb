// Enemy appearance by quota, explosions, and destruction with its score and
// the boss's entry, its music and its wreck.
#include <set>
#include <string>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/waves.h"
#include "platform/audio/audio.h"
#include "play_fixture.h"
#include "runtime/runtime.h"
#include "state/pictures.h"
#include "zkmci/zkmci.h"

using WaveTest = PlayTest;

TEST_F(WaveTest, KindTableShiftsWithTheQuota) {
  struct Case {
    int quota;
    std::set<int> kinds;
    bool draws;
  } cases[] = {
      {255, {1}, false},   {205, {1}, false},      {204, {1, 2}, true}, {154, {1, 2}, true},
      {153, {1, 2, 3}, true}, {103, {1, 2, 3}, true}, {102, {2, 3}, true}, {52, {2, 3}, true},
      {51, {3}, false},    {1, {3}, false},
  };
  for (const Case& c : cases) {
    std::set<int> kinds;
    bool drew = false;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
      SetRandomSeed(seed * 7919u);
      kinds.insert(ChooseEnemyKind(c.quota));
      drew |= RandomSeed() != seed * 7919u;
    }
    EXPECT_EQ(kinds, c.kinds) << "quota " << c.quota;
    EXPECT_EQ(drew, c.draws) << "quota " << c.quota;
  }
}

TEST_F(WaveTest, FreeSlotReceivesAnEnemyOnARollBelowSixWhileTheQuotaLasts) {
  uint32_t rollOf[7] = {};  // a seed whose first roll is 5 and one whose is 6
  for (uint32_t seed = 1; !rollOf[5] || !rollOf[6]; ++seed) {
    SetRandomSeed(seed);
    const int r = Int(Rnd() * 100);
    if ((r == 5 || r == 6) && !rollOf[r]) rollOf[r] = seed;
  }
  gs.enemySlots = 5;
  for (int i = 2; i <= 5; ++i) PlaceEnemy(i, 1, 40 * i, 100);  // only slot 1 rolls
  chr[0].x = 300;
  SetRandomSeed(rollOf[6]);
  UpdateEnemies();
  EXPECT_EQ(chr[1].state, 0);
  SetRandomSeed(rollOf[5]);
  UpdateEnemies();
  EXPECT_EQ(std::tie(chr[1].state, chr[1].y), std::make_tuple(1, -kKind1Radius));  // quota 255
  // With the quota used up no slot even rolls.
  StartTestGame();
  gs.quota = 0;
  SetRandomSeed(99);
  for (int f = 0; f < 500; ++f) UpdateEnemies();
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(chr[i].state, 0);
  EXPECT_EQ(RandomSeed(), 99u);
}

TEST_F(WaveTest, DestroyingPaysFiveTimesTheKindAndExplodesTenFrames) {
  for (int kind = 1; kind <= 3; ++kind) {
    PlaceEnemy(kind, kind, 50 * kind, 60);
    const int score = gs.score, quota = gs.quota;
    DestroyEnemy(kind);
    EXPECT_EQ(std::tie(chr[kind].state, chr[kind].anim), std::make_tuple(240, 0.0));
    EXPECT_EQ(std::tie(gs.score, gs.quota), std::make_tuple(score + 5 * kind, quota - 1));
  }
  for (int f = 1; f <= 10; ++f) {
    UpdateEnemies();
    ASSERT_EQ(std::tie(chr[2].state, chr[2].anim), std::make_tuple(240, 1.0 * f)) << f;
  }
  UpdateEnemies();
  EXPECT_EQ(chr[2].state, 0) << "freed on the eleventh frame";
}

TEST_F(WaveTest, LastQuotaEnemyBringsInTheBossAndClearsTheField) {
  gs.quota = 1;
  PlaceEnemy(3, 3, 100, 60);
  PlaceEnemy(5, 1, 200, 60);
  PlaceEnemy(6, 2, 20, 60);
  PlaceEnemy(7, 1, 250, 60).state = 240;  // already exploding
  chr[7].anim = 4;
  PlaceEnemy(1, 2, 150, 30);  // slot 1 is simply overwritten
  DestroyEnemy(3);
  EXPECT_EQ(std::tie(gs.quota, gs.score), std::make_tuple(0, 15));  // the field pays nothing
  EXPECT_EQ(std::tie(chr[1].state, chr[1].hp, gs.bossMaxHp, chr[1].y),
            std::make_tuple(4, 10000, 10000, -kBossRadius));
  for (int i : {3, 5, 6}) EXPECT_EQ(chr[i].state, 240) << i;
  EXPECT_EQ(chr[5].anim, 0.0);
  EXPECT_EQ(chr[7].anim, 4.0);  // goes on exploding where it was
  // The boss's own destruction pays nothing and marks its wreck.
  chr[1].x = 140;
  chr[1].y = 90;
  DestroyEnemy(1);
  EXPECT_EQ(std::tie(chr[1].state, gs.score, gs.quota), std::make_tuple(240, 15, 0));
  EXPECT_EQ(std::tie(gs.bossX, gs.bossY), std::make_tuple(140.0 - kBossRadius, 90.0 - kBossRadius));
}

TEST_F(WaveTest, RammingAnEnemyCostsTheShipItsHitPointsButNotTheBoss) {
  std::tie(chr[0].x, chr[0].y) = std::make_tuple(100, 200);
  PlaceEnemy(2, 2, 100, 195);
  UpdateEnemies();
  EXPECT_EQ(std::tie(chr[2].state, gs.quota, gs.score, chr[0].hp),
            std::make_tuple(240, 254, 10, 0));
  StartTestGame();
  gs.quota = 0;
  std::tie(chr[0].x, chr[0].y) = std::make_tuple(100, 100);
  PlaceEnemy(1, 4, 100, 100).vx = 2;
  UpdateEnemies();
  EXPECT_EQ(std::tie(chr[1].state, chr[0].hp), std::make_tuple(4, 100));
}

TEST_F(WaveTest, BossEntryStopsTheStageMusicThenLoopsTheBossMusic) {
  auto mciSince = [](size_t from) {
    std::vector<std::string> out, lines = platform::sim::LogLines();
    for (size_t i = from; i < lines.size(); ++i) {
      const size_t blank = lines[i].find(' ');
      if (lines[i].compare(blank + 1, 4, "mci ") == 0) out.push_back(lines[i].substr(blank + 5));
    }
    return out;
  };
  InitZKMCI();
  StartSoundLoop();
  gs.BgmId[2] = SoundCommand(0, kSoundOpen, 47, QM_SOURCE_DIR "/bgm/stage.mid");
  gs.BgmId[3] = SoundCommand(0, kSoundOpen, 21, QM_SOURCE_DIR "/bgm/boss.mid");
  ASSERT_EQ(std::tie(gs.BgmId[2], gs.BgmId[3]), std::make_tuple(1, 2));
  platform::Sleep(300);
  size_t from = platform::sim::LogLines().size();
  gs.quota = 2;
  PlaceEnemy(3, 1, 100, 60);
  DestroyEnemy(3);  // not yet the last
  PlaceEnemy(4, 1, 150, 60);
  DestroyEnemy(4);
  platform::Sleep(300);
  EXPECT_EQ(chr[1].state, 4);
  EXPECT_EQ(mciSince(from), (std::vector<std::string>{
                                "stop sa1 wait", "seek sa1 to start wait",  // stage stops
                                "stop sa2 wait", "seek sa2 to start wait", "play sa2"}));
  from = platform::sim::LogLines().size();
  DestroyEnemy(1);  // destroying the boss sends nothing
  platform::Sleep(300);
  EXPECT_TRUE(mciSince(from).empty());
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
    for (BmpRecord* r : {&chrBmp[17], &chrMask[17]}) CloseBmp(*r);
    for (int f = 1; f <= 5; ++f) {
      CloseBmp(bomBmp[f]);
      CloseBmp(bomMask[f]);
    }
    WaveTest::TearDown();
  }
};

TEST_F(WaveDrawingTest, EnemyExplosionShowsFramesOneToFiveTwiceEach) {
  gs.enemySlots = 5;
  for (int i = 1; i <= 4; ++i) PlaceEnemy(i, 1, 40 * i, 30).cooldown = 1000;
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
  struct Probe {
    int x, y;
    uint32_t rgb;
  } probes[] = {{100, 60, 0x00AA00}, {99, 60, 0xFFFFFF}, {163, 123, 0x00AA00},
                {164, 60, 0xFFFFFF}, {250, 200, 1}};  // the explosion over it
  for (const Probe& p : probes) EXPECT_EQ(Pixel(p.x, p.y), p.rgb) << p.x << "," << p.y;
  gs.bossX = 101.5;  // 102
  FillBackBuffer(RGB(255, 255, 255));
  UpdateEnemies();
  EXPECT_EQ(Pixel(101, 60), 0xFFFFFFu);
  EXPECT_EQ(Pixel(102, 60), 0x00AA00u);
  // Before the boss phase there is no wreck.
  gs.quota = 5;
  for (int i = 1; i <= 12; ++i) PlaceEnemy(i, 1, 20 * i, 20).cooldown = 1000;
  PlaceEnemy(3, 1, 250, 200).state = 240;
  chr[0].x = 10;
  FillBackBuffer(RGB(255, 255, 255));
  UpdateEnemies();
  EXPECT_EQ(Pixel(102, 100), 0xFFFFFFu);
}
