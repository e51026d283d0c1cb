// The bot's view of the game and its keys: Enter taps on waiting screens but
// never in play, P for a paused game, Space held in play, the notes of a
// whole game, and the dodging rule against bullets, accelerating bullets,
// rammers and walls.
#include "headless/bot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "entities/tables.h"
#include "platform/platform.h"
#include "state/game_state.h"

namespace {

using platform::VK_DOWN;
using platform::VK_LEFT;
using platform::VK_RETURN;
using platform::VK_RIGHT;
using platform::VK_SPACE;
using platform::VK_UP;
constexpr int kKeyP = 80;
using Keys = std::vector<int>;

class BotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGameState();
    SetConstantGameState();
    ClearTables();
    gs.enemySlots = 12;
    gs.quota = 255;
  }
  // The tables as NewGame leaves them: the ship at its start, no frame yet.
  void NewGame() {
    ClearTables();
    gs.titleActive = 0;
    gs.scrollY = 0;
    gs.quota = 255;
    gs.pauseState = 0;
    gs.inputLocked = 0;
    gs.score = 0;
    chr[0].state = 1;
    chr[0].hp = 100;
    chr[0].radius = 2;
    chr[0].x = 159;
    chr[0].y = 214;
  }
  // One frame: the scroll moves on.
  void Frame() { gs.scrollY = gs.scrollY % 240 + 3; }
  Keys At(uint64_t ms) { return bot_.Step(ms, note_); }
  static bool Has(const Keys& k, int vk) { return std::find(k.begin(), k.end(), vk) != k.end(); }

  Bot bot_;
  std::string note_;
};

TEST_F(BotTest, TapsEnterOnTheTitleAndTheWaitingScreensButNeverWhileANewGameStarts) {
  EXPECT_EQ(At(0), Keys{});
  EXPECT_EQ(note_, "title") << "the first look already says where it is";
  EXPECT_EQ(bot_.phase(), Bot::Phase::kTitle);
  // Held for 100 ms, released for 100 ms: the title polls every 50 ms and
  // WaitKeyPress every 1 ms, so each tap is seen once.
  EXPECT_EQ(At(99), Keys{});
  EXPECT_EQ(At(100), Keys{VK_RETURN});
  EXPECT_EQ(note_, "");
  EXPECT_EQ(At(199), Keys{VK_RETURN});
  EXPECT_EQ(At(200), Keys{});

  gs.titleActive = 0;  // the banner: no frames, no ship yet
  EXPECT_EQ(At(300), Keys{VK_RETURN});
  EXPECT_EQ(bot_.phase(), Bot::Phase::kWaiting);
  EXPECT_EQ(note_, "");

  NewGame();  // banner passed: an Enter now would pause the first frame
  EXPECT_EQ(At(310), Keys{});
  EXPECT_EQ(note_, "game 1");
  EXPECT_EQ(bot_.phase(), Bot::Phase::kStarting);
  for (uint64_t ms = 311; ms < 600; ms += 7) EXPECT_EQ(At(ms), Keys{}) << ms;
  EXPECT_EQ(bot_.games(), 1);
}

TEST_F(BotTest, AWholeWonGameThenALostOneGiveTheirNotesInOrder) {
  At(0);
  NewGame();
  At(1000);
  EXPECT_EQ(note_, "game 1");
  Frame();
  Keys keys = At(1001);
  EXPECT_EQ(bot_.phase(), Bot::Phase::kPlay);
  EXPECT_TRUE(Has(keys, VK_SPACE)) << "fires whatever the firing mode";
  EXPECT_FALSE(Has(keys, VK_RETURN));

  // A stop inside the game (the music switch at the boss's entry holds the
  // game thread for 400 ms) is not the end.
  gs.quota = 0;
  chr[1].state = 4;
  chr[1].x = 160;
  chr[1].y = 40;
  chr[1].radius = 32;
  Frame();
  At(1500);
  EXPECT_EQ(note_, "boss");
  keys = At(1500 + Bot::kStillMs - 1);
  EXPECT_EQ(bot_.phase(), Bot::Phase::kPlay);
  EXPECT_FALSE(Has(keys, VK_RETURN));

  Frame();
  chr[1].state = 240;  // destroyed: the explosions follow
  gs.score = 4321;
  At(2300);
  EXPECT_EQ(note_, "won");
  Frame();
  EXPECT_EQ(At(2400), Keys{VK_SPACE}) << "no steering once the game is decided";
  EXPECT_EQ(note_, "");

  // Frames stop for good: the game is over and the waiting screens follow.
  At(2400 + Bot::kStillMs - 1);
  EXPECT_EQ(note_, "");
  At(2400 + Bot::kStillMs);
  EXPECT_EQ(note_, "over score 4321");
  EXPECT_EQ(bot_.phase(), Bot::Phase::kWaiting);
  EXPECT_EQ(At(3500), Keys{VK_RETURN});

  gs.titleActive = 1;
  At(9000);
  EXPECT_EQ(note_, "title");

  NewGame();
  gs.scrollY = 0;
  At(12000);
  EXPECT_EQ(note_, "game 2");
  Frame();
  At(12001);
  chr[0].state = 240;  // hit points gone: exploding
  Frame();
  EXPECT_EQ(At(12002), Keys{VK_SPACE});
  chr[0].state = 0;
  Frame();
  At(12050);
  EXPECT_EQ(note_, "lost");
  At(12050 + Bot::kStillMs);
  EXPECT_EQ(note_, "over score 0");
  EXPECT_EQ(bot_.games(), 2);
}

TEST_F(BotTest, APausedGameIsResumedWithPAndNeverTakenForItsEnd) {
  At(0);
  NewGame();
  At(10);
  Frame();
  At(11);
  gs.pauseState = 1;  // paused: the picture and the scroll stand still
  bool tapped = false;
  for (uint64_t ms = 12; ms < 12 + 3 * Bot::kStillMs; ++ms) {
    Keys keys = At(ms);
    ASSERT_EQ(bot_.phase(), Bot::Phase::kPlay) << ms;
    EXPECT_FALSE(Has(keys, VK_RETURN)) << ms;
    EXPECT_FALSE(Has(keys, VK_SPACE)) << ms;
    tapped = tapped || keys == Keys{kKeyP};
  }
  EXPECT_TRUE(tapped);
  gs.pauseState = 0;
  Frame();
  EXPECT_TRUE(Has(At(5000), VK_SPACE));
}

TEST_F(BotTest, KeysComeInAscendingOrderAndTheSameStatesGiveTheSameKeys) {
  Bot other;
  std::string otherNote;
  NewGame();
  chr[0].x = 40;
  chr[0].y = 150;
  sht[5] = {2, 10, 45, 120, 6, 1.0, 0, 4, 0, 0};
  At(0);
  other.Step(0, otherNote);
  for (uint64_t ms = 1; ms < 40; ++ms) {
    Frame();
    sht[5].y += sht[5].vy;
    Keys a = At(ms);
    Keys b = other.Step(ms, otherNote);
    EXPECT_EQ(a, b) << ms;
    EXPECT_EQ(note_, otherNote);
    EXPECT_TRUE(std::is_sorted(a.begin(), a.end()));
    // Apply the move as the game would, within the ship's limits.
    if (Has(a, VK_LEFT)) chr[0].x = std::max(2, chr[0].x - 5);
    if (Has(a, VK_RIGHT)) chr[0].x = std::min(318, chr[0].x + 5);
    if (Has(a, VK_UP)) chr[0].y = std::max(2, chr[0].y - 5);
    if (Has(a, VK_DOWN)) chr[0].y = std::min(220, chr[0].y + 5);
    EXPECT_FALSE(Hit(chr[0], sht[5])) << "hit at " << ms;
  }
}

class Dodge : public BotTest {
 protected:
  void SetUp() override {
    BotTest::SetUp();
    NewGame();
    chr[0].x = 160;
    chr[0].y = 210;
  }
  static void Bullet(int slot, int kind, int x, int y, int vx, int vy, int radius = 6) {
    sht[slot] = {};
    sht[slot].kind = kind;
    sht[slot].x = x;
    sht[slot].y = y;
    sht[slot].vx = vx;
    sht[slot].vy = vy;
    sht[slot].radius = radius;
    sht[slot].damage = 10;
  }
  static void Enemy(int slot, int state, int x, int y, int vx, int vy, int radius) {
    chr[slot] = {};
    chr[slot].state = state;
    chr[slot].hp = 10;
    chr[slot].x = x;
    chr[slot].y = y;
    chr[slot].vx = vx;
    chr[slot].vy = vy;
    chr[slot].radius = radius;
  }
};

TEST_F(Dodge, WithNothingAboutItWaitsLowInTheMiddle) {
  Bot::Move m = Bot::ChooseMove();
  EXPECT_EQ(m.dx, 0);
  EXPECT_EQ(m.dy, 0);
  chr[0].x = 100;
  chr[0].y = 150;
  m = Bot::ChooseMove();
  EXPECT_EQ(m.dx, 5);
  EXPECT_EQ(m.dy, 5);
  chr[0].x = 300;
  chr[0].y = 220;
  m = Bot::ChooseMove();
  EXPECT_EQ(m.dx, -5);
  EXPECT_EQ(m.dy, -5) << "the lowest row leaves no room to step down";
}

TEST_F(Dodge, LinesUpUnderTheLowestEnemyAboveOrTheBoss) {
  Enemy(1, 1, 60, 50, 0, 1, 10);
  Enemy(2, 2, 250, 100, 0, 1, 10);
  Enemy(3, 1, 20, 230, 0, 1, 10);  // below the ship: no target
  EXPECT_EQ(Bot::ChooseMove().dx, 5);
  ClearTables();
  NewGame();
  chr[0].x = 160;
  chr[0].y = 210;
  gs.quota = 0;
  Enemy(1, 4, 40, 40, 2, 0, 32);
  EXPECT_EQ(Bot::ChooseMove().dx, -5);
}

TEST_F(Dodge, StepsAsideFromABulletFallingOnIt) {
  Bullet(1, 2, 160, 180, 0, 4);
  EXPECT_NE(Bot::ChooseMove().dx, 0);
  // Falling to its left: away to the right, not through it.
  Bullet(1, 2, 152, 170, 0, 4);
  EXPECT_EQ(Bot::ChooseMove().dx, 5);
  Bullet(1, 2, 168, 170, 0, 4);
  EXPECT_EQ(Bot::ChooseMove().dx, -5);
}

TEST_F(Dodge, AgainstTheWallItGoesTheOnlyWayOpen) {
  chr[0].x = 2;
  Bullet(1, 2, 4, 185, 0, 4);
  EXPECT_EQ(Bot::ChooseMove().dx, 5);
  chr[0].x = 318;
  Bullet(1, 2, 316, 185, 0, 4);
  EXPECT_EQ(Bot::ChooseMove().dx, -5);
}

TEST_F(Dodge, ForeseesTheBulletThatFallsFasterTheLowerItIs) {
  // At its present 2 pixels a frame this bullet is far off; but below row 96
  // it falls 12 a frame and below 120 it falls 20, reaching the ship in 8.
  Bullet(1, 3, 160, 100, 0, 2);
  EXPECT_NE(Bot::ChooseMove().dx, 0);
  // The same bullet as a plain kind keeps its speed: no reason to move.
  Bullet(1, 2, 160, 100, 0, 2);
  EXPECT_EQ(Bot::ChooseMove().dx, 0);
}

TEST_F(Dodge, KeepsClearOfARammerButNotOfEnemiesOnceTheBossIsIn) {
  Enemy(2, 1, 160, 170, 0, 4, 10);
  EXPECT_NE(Bot::ChooseMove().dx, 0);
  // With the quota used up no enemy rams: it stays under the boss.
  gs.quota = 0;
  Enemy(1, 4, 160, 40, 0, 0, 32);
  Bot::Move m = Bot::ChooseMove();
  EXPECT_EQ(m.dx, 0);
}

TEST_F(Dodge, PlayerShotsAndFreeSlotsAreNoThreat) {
  Bullet(1, 1, 160, 200, 0, -6, 6);  // the ship's own shot
  Bullet(2, 0, 160, 205, 0, 4, 6);   // a free slot with stale numbers
  Enemy(4, 0, 160, 200, 0, 4, 10);   // a free enemy slot
  Enemy(5, 240, 160, 200, 0, 4, 10); // an explosion
  Bot::Move m = Bot::ChooseMove();
  EXPECT_EQ(m.dx, 0);
  EXPECT_EQ(m.dy, 0);
}

}  // namespace
