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

// Title, banner and a won game, then a lost one: Enter taps on the waiting
// screens but never while a new game starts, Space in play, and the notes
// of each game in order.
TEST_F(BotTest, TapsEnterOnWaitingScreensOnlyAndNotesAWonGameThenALostOne) {
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
  for (uint64_t ms = 311; ms < 1000; ms += 7) EXPECT_EQ(At(ms), Keys{}) << ms;
  EXPECT_EQ(bot_.games(), 1);
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

// The dodging rule, one picture per row: the ship, what is about it, and
// the step the bot chooses (kAny: any sideways step).
TEST_F(BotTest, DodgesBulletsRammersAndWallsAndLinesUpUnderItsTarget) {
  constexpr int kAny = 99;
  struct Thing {
    int slot, kind, x, y, vx, vy, radius;
  };
  const struct {
    const char* name;
    int shipX, shipY, quota;
    std::vector<Thing> bullets, enemies;
    int dx, dy;
  } rows[] = {
      {"nothing about: waits in the middle", 160, 210, 255, {}, {}, 0, 0},
      {"nothing about: goes low and to the middle", 100, 150, 255, {}, {}, 5, 5},
      {"the lowest row leaves no room to step down", 300, 220, 255, {}, {}, -5, -5},
      {"under the lowest enemy above", 160, 210, 255, {},
       {{1, 1, 60, 50, 0, 1, 10}, {2, 2, 250, 100, 0, 1, 10}, {3, 1, 20, 230, 0, 1, 10}}, 5, kAny},
      {"under the boss", 160, 210, 0, {}, {{1, 4, 40, 40, 2, 0, 32}}, -5, kAny},
      {"a bullet falling on it", 160, 210, 255, {{1, 2, 160, 180, 0, 4, 6}}, {}, kAny, kAny},
      {"away from a bullet to its left", 160, 210, 255, {{1, 2, 152, 170, 0, 4, 6}}, {}, 5, kAny},
      {"away from a bullet to its right", 160, 210, 255, {{1, 2, 168, 170, 0, 4, 6}}, {}, -5, kAny},
      {"against the left wall", 2, 210, 255, {{1, 2, 4, 185, 0, 4, 6}}, {}, 5, kAny},
      {"against the right wall", 318, 210, 255, {{1, 2, 316, 185, 0, 4, 6}}, {}, -5, kAny},
      // Below row 96 it falls 12 a frame and below 120 it falls 20.
      {"a bullet that falls faster the lower it is", 160, 210, 255, {{1, 3, 160, 100, 0, 2, 6}}, {}, kAny, kAny},
      {"the same bullet as a plain kind", 160, 210, 255, {{1, 2, 160, 100, 0, 2, 6}}, {}, 0, kAny},
      {"a rammer", 160, 210, 255, {}, {{2, 1, 160, 170, 0, 4, 10}}, kAny, kAny},
      {"no enemy rams once the boss is in", 160, 210, 0, {},
       {{2, 1, 160, 170, 0, 4, 10}, {1, 4, 160, 40, 0, 0, 32}}, 0, kAny},
      {"own shots, free slots and explosions", 160, 210, 255,
       {{1, 1, 160, 200, 0, -6, 6}, {2, 0, 160, 205, 0, 4, 6}},
       {{4, 0, 160, 200, 0, 4, 10}, {5, 240, 160, 200, 0, 4, 10}}, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    NewGame();
    chr[0].x = row.shipX;
    chr[0].y = row.shipY;
    gs.quota = row.quota;
    for (const Thing& b : row.bullets) {
      sht[b.slot] = {};
      sht[b.slot].kind = b.kind;
      sht[b.slot].damage = 10;
      sht[b.slot].x = b.x, sht[b.slot].y = b.y, sht[b.slot].vx = b.vx, sht[b.slot].vy = b.vy;
      sht[b.slot].radius = b.radius;
    }
    for (const Thing& e : row.enemies) {
      chr[e.slot] = {};
      chr[e.slot].state = e.kind;
      chr[e.slot].hp = 10;
      chr[e.slot].x = e.x, chr[e.slot].y = e.y, chr[e.slot].vx = e.vx, chr[e.slot].vy = e.vy;
      chr[e.slot].radius = e.radius;
    }
    const Bot::Move m = Bot::ChooseMove();
    if (row.dx == kAny) {
      EXPECT_NE(m.dx, 0);
    } else {
      EXPECT_EQ(m.dx, row.dx);
    }
    EXPECT_TRUE(row.dy == kAny || m.dy == row.dy) << m.dy;
  }
}

}  // namespace
