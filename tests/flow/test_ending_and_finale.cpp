// The ending chosen by level and damage, the words' fit on screen, and the
// boss's chain of explosions after a win.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ending/ending.h"
#include "ending/texts.h"
#include "entities/tables.h"
#include "flow/assets.h"
#include "flow/play_game.h"
#include "platform/gfx/bmp.h"
#include "platform/gfx/text.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace {

intptr_t Proc(platform::Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  return platform::DefWindowProc(w, msg, wp, lp);
}

class FlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::sim::Reset();
    ResetGameState();
    SetConstantGameState();
    ClearTables();
    platform::RegisterWindowClass("FLOWTEST", Proc);
    window_ = platform::CreateWindow("FLOWTEST", "flow test", platform::WS_CAPTION_FRAME, 0, 0,
                                     326, 264, 0);
    ASSERT_NE(window_, 0u);
    // A fresh process would start its slot table anew; tests share one.
    if (FindWindowSlot(window_) == 0) {
      ASSERT_EQ(StartZKGDI(window_, 320, 240), 1);
    }
    gs.mainWindow = window_;
    gs.backSurface = SlotSurface(FindWindowSlot(window_));
    LoadImages();
  }
  void TearDown() override {
    FreeImages();
    EndZKGDI(window_);
    EXPECT_TRUE(platform::sim::MessageBoxes().empty())
        << platform::sim::MessageBoxes().front().text;
  }
  platform::Window window_ = 0;
};

void ExpectLines(const char* const expected[kEndingLines + 1], int first, int last) {
  for (int i = first; i <= last; ++i) EXPECT_EQ(endingText[i], expected[i]) << "line " << i;
}

TEST_F(FlowTest, EndingTextFollowsTheShipsHitPoints) {
  gs.enemySlots = 12;
  chr[0].hp = 29;
  FillEndingText();
  ExpectLines(kEndingNarrow, 1, 13);
  chr[0].hp = 30;  // floor(100 * 0.3) is the first clear victory
  FillEndingText();
  ExpectLines(kEndingClear, 1, 13);
  chr[0].hp = 99;
  FillEndingText();
  ExpectLines(kEndingClear, 1, 13);
  chr[0].hp = 100;
  FillEndingText();
  ExpectLines(kEndingFlawless, 1, 13);
  chr[0].hp = 1;
  gs.enemySlots = 5;
  FillEndingText();
  ExpectLines(kEndingNarrow, 1, 13);
}

TEST_F(FlowTest, EndingsShareTheirOpeningAndClosingAndBlankLines) {
  for (auto text : {kEndingNarrow, kEndingFlawless, kEndingClear}) {
    EXPECT_STREQ(text[1], kEndingNarrow[1]);
    EXPECT_STREQ(text[12], kEndingNarrow[12]);
    EXPECT_STREQ(text[13], kEndingNarrow[13]);
    EXPECT_STREQ(text[11], "");
  }
  EXPECT_STREQ(kEndingNarrow[6], "");
  EXPECT_STREQ(kEndingFlawless[6], "");
  EXPECT_STREQ(kEndingClear[7], "");
  for (int blank : {4, 8, 12}) EXPECT_STREQ(kEndingGod[blank], "") << blank;
  for (int line : {1, 2, 3, 5, 6, 7, 9, 10, 11, 13}) EXPECT_STRNE(kEndingGod[line], "") << line;
}

TEST_F(FlowTest, GodEndingReplacesTheTitlePictureWhateverTheHitPoints) {
  gs.enemySlots = 30;
  chr[0].hp = 100;
  FillEndingText();
  ExpectLines(kEndingGod, 1, 13);
  platform::Surface title2 = platform::LoadBmpFile("image/title2.bmp");
  ASSERT_FALSE(title2.empty());
  ASSERT_NE(titleBmp.hbitmap, nullptr);
  EXPECT_EQ(titleBmp.width, title2.width());
  int same = 0;
  for (int y = 0; y < 240; y += 7)
    for (int x = 0; x < 320; x += 7) same += titleBmp.hbitmap->at(x, y) == title2.at(x, y);
  EXPECT_EQ(same, 46 * 35);
}

TEST_F(FlowTest, EveryLineFitsTheScreenAtItsSize) {
  platform::Font ending{platform::FontFace::Mincho, 14, true, false};
  for (auto text : {kEndingNarrow, kEndingFlawless, kEndingClear, kEndingGod})
    for (int i = 1; i <= kEndingLines; ++i)
      EXPECT_LE(platform::MeasureText(text[i], ending) + 1, 320) << text[i];
  platform::Font credit{platform::FontFace::Mincho, 18, true, true};
  for (const CreditPage& page : kCredits) {
    EXPECT_LE(10 + platform::MeasureText(page.heading, credit), 320) << page.heading;
    for (const char* entry : page.entries)
      EXPECT_LE(30 + platform::MeasureText(entry, credit) + 1, 320) << entry;
  }
  EXPECT_LE(platform::MeasureText(kPresenter, {platform::FontFace::Mincho, 36, true, false}), 320);
  for (const char* note : kClosingNote)
    EXPECT_LE(platform::MeasureText(note, {platform::FontFace::Mincho, 12, true, false}), 320);
}

TEST_F(FlowTest, CreditPagesHaveTheirHeadingsAndEntryCounts) {
  const char* headings[] = {"プログラム", "開発ツール提供", "画像", "音楽・効果音", "企画・立案",
                            "テストプレイ"};
  const int entries[] = {1, 1, 3, 1, 1, 3};
  for (int p = 0; p < kCreditPages; ++p) {
    EXPECT_STREQ(kCredits[p].heading, headings[p]);
    int n = 0;
    while (n < 3 && kCredits[p].entries[n][0] != '\0') ++n;
    EXPECT_EQ(n, entries[p]) << headings[p];
  }
}

// Fifteen explosions in all: the boss's own and fourteen more, each at a
// random point of the boss's square, two fresh random numbers apiece.
TEST_F(FlowTest, BossDefeatSequencePlaysFifteenExplosionsOverTheBossSquare) {
  gs.enemySlots = 12;
  gs.quota = 0;
  gs.frameDelay = 33;
  gs.scrollSpeed = 3;
  chr[0] = Chr{1, 100, 159, 214, 2, 1.0, 0, 0, 0, 5};
  chr[1] = Chr{240, 0, 150, 90, 32, 0.0, 2, 1, 0, 4};
  gs.bossX = 150 - 32;
  gs.bossY = 90 - 32;
  for (int i = 1; i <= 20; ++i) sht[i].kind = 2;
  SetRandomSeed(4321);
  uint64_t start = platform::sim::Now();
  BossDefeatSequence();
  for (int i = 1; i <= kShotSlots; ++i) EXPECT_EQ(sht[i].kind, 0) << i;
  EXPECT_EQ(chr[1].state, 0);
  // Replay the generator: 14 pairs, x first, each inside the square.
  SetRandomSeed(4321);
  int x = 0, y = 0;
  for (int k = 0; k < 14; ++k) {
    x = 118 + Int(Rnd() * 64);
    y = 58 + Int(Rnd() * 64);
    EXPECT_GE(x, 118);
    EXPECT_LT(x, 118 + 64);
    EXPECT_GE(y, 58);
    EXPECT_LT(y, 58 + 64);
  }
  EXPECT_EQ(chr[1].x, x);
  EXPECT_EQ(chr[1].y, y);
  Rnd();
  uint32_t afterReplay = RandomSeed();
  SetRandomSeed(4321);
  for (int k = 0; k < 28; ++k) Rnd();
  EXPECT_NE(RandomSeed(), afterReplay) << "exactly 28 draws, no more";
  // Each explosion lasts 11 frames (10 shown, freed on the 11th): 15 of them,
  // with a frame's sleep after every frame but the last.
  EXPECT_EQ(platform::sim::Now() - start, (15u * 11u - 1u) * 33u);
  EXPECT_EQ(chr[0].state, 1) << "the ship is still drawn and alive";
}

TEST_F(FlowTest, WipeBlackensEveryRowOfThePlayfield) {
  platform::Brush* white = platform::CreateSolidBrush(0xFFFFFF);
  platform::FillRect(*gs.backSurface, {0, 0, 320, 240}, white);
  platform::DeleteBrush(white);
  uint64_t start = platform::sim::Now();
  WipeToBlack();
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; x += 13) ASSERT_EQ(gs.backSurface->at(x, y), 0u) << x << "," << y;
  EXPECT_EQ(platform::sim::Now() - start, 241u * 10u) << "121 even rows, then 120 odd rows";
}

}  // namespace
