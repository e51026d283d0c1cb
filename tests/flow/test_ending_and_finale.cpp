// The ending chosen by level and damage, its reveal and the staff roll frame
// by frame, the words' fit on screen, and the boss's chain of explosions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
  // Keeps a copy of the back buffer at each of these simulated times.
  void SnapAt(const std::vector<uint64_t>& times) {
    shots_.resize(times.size());
    for (size_t i = 0; i < times.size(); ++i)
      platform::sim::ScheduleAt(times[i], [this, i] { shots_[i] = *gs.backSurface; });
  }
  void Clear() {
    platform::Brush* black = platform::CreateSolidBrush(0);
    platform::FillRect(*gs.backSurface, {0, 0, 320, 240}, black);
    platform::DeleteBrush(black);
  }
  // The number of pixels of rows [y0, y1) where the snapshot differs from
  // the frame now on the back buffer.
  int Differences(const platform::Surface& shot, int y0 = 0, int y1 = 240) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = 0; x < 320; ++x) n += shot.at(x, y) != gs.backSurface->at(x, y);
    return n;
  }
  platform::Window window_ = 0;
  std::vector<platform::Surface> shots_;
};

uint32_t Grey(int v) { return RGB(v, v, v); }
constexpr int kBoldShadow = kTextBold | kTextShadow, kSlanted = kTextBoldItalic | kTextShadow;

TEST_F(FlowTest, EndingTextFollowsLevelAndHitPoints) {
  struct Case {
    int slots, hp;
    const char* const* text;
  } cases[] = {
      {12, 29, kEndingNarrow}, {12, 30, kEndingClear},  // floor(100 * 0.3) is a clear win
      {12, 99, kEndingClear},  {12, 100, kEndingFlawless}, {5, 1, kEndingNarrow},
      {20, 100, kEndingFlawless}, {30, 100, kEndingGod},  // God whatever the hit points
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "slots " << c.slots << " hp " << c.hp);
    gs.enemySlots = c.slots;
    chr[0].hp = c.hp;
    FillEndingText();
    for (int i = 1; i <= kEndingLines; ++i) EXPECT_EQ(endingText[i], c.text[i]) << "line " << i;
  }
  // The God ending also puts the second title picture in place for good.
  platform::Surface title2 = platform::LoadBmpFile("image/title2.bmp");
  ASSERT_FALSE(title2.empty());
  ASSERT_NE(titleBmp.hbitmap, nullptr);
  EXPECT_EQ(titleBmp.width, title2.width());
  int same = 0;
  for (int y = 0; y < 240; y += 7)
    for (int x = 0; x < 320; x += 7) same += titleBmp.hbitmap->at(x, y) == title2.at(x, y);
  EXPECT_EQ(same, 46 * 35);
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

// The entry counts (1, 1, 3, 1, 1, 3) show in the staff roll's timing below.
TEST_F(FlowTest, CreditPagesHaveTheirHeadings) {
  const char* headings[] = {"プログラム", "開発ツール提供", "画像", "音楽・効果音", "企画・立案",
                            "テストプレイ"};
  for (int p = 0; p < kCreditPages; ++p) EXPECT_STREQ(kCredits[p].heading, headings[p]);
}

// The reveal: 241 steps of 150 ms while the title picture rises from y 240
// to 0; each line fades in by 15 a step (the first from 30, the rest from
// 15), white once shown, centred at y = 16 x line; then a 3 s pause.
TEST_F(FlowTest, EndingRevealsLineByLineAsThePictureRises) {
  gs.enemySlots = 12;
  chr[0].hp = 50;
  Clear();
  struct Moment {
    int step, shown, fade;  // fade < 0: no grey line (all 13 shown)
  } moments[] = {{0, 0, 30},    {15, 0, 255},   {16, 1, 15},   {40, 2, 120},
                 {120, 7, 45},  {219, 12, 255}, {220, 13, -1}, {240, 13, -1}};
  const uint64_t start = platform::sim::Now();
  std::vector<uint64_t> times;
  for (const Moment& m : moments) times.push_back(start + m.step * 150 + 75);
  times.push_back(start + 241 * 150 + 2900);  // the pause keeps the last frame
  SnapAt(times);
  ShowEnding();
  EXPECT_EQ(platform::sim::Now() - start, 241u * 150u + 3000u);
  auto line = [](int i, uint32_t colour) {
    PrintText(-1, i * 16, kEndingClear[i], colour, 14, kBoldShadow);
  };
  for (size_t k = 0; k < times.size(); ++k) {
    const Moment& m = moments[k < 8 ? k : 7];
    SCOPED_TRACE(testing::Message() << "step " << m.step << " at " << times[k] - start << " ms");
    Clear();
    DrawBmp(0, 240 - m.step, titleBmp, platform::SRCCOPY);
    for (int i = 1; i <= m.shown; ++i) line(i, Grey(255));
    if (m.fade >= 0) line(m.shown + 1, Grey(m.fade));
    EXPECT_EQ(Differences(shots_[k]), 0);
  }
}

// Each page: the heading fades in at (10, 100) by 5 every 10 ms, a 1 s wait,
// then each entry slides in at y 120 from x 320 to 30 by 10 every 10 ms in
// green and stays 3 s; 2 s at the end. A page with one entry lasts 6820 ms,
// with three 13420 ms. The closing page fades in by 5 every 100 ms and
// stays until Enter.
TEST_F(FlowTest, StaffRollPagesKeepTheirCadenceColoursAndPlaces) {
  const uint64_t t = platform::sim::Now();
  const uint64_t page[] = {t, t + 6820, t + 13640, t + 27060, t + 33880, t + 40700};
  const uint64_t closing = t + 54120;
  struct Moment {
    uint64_t at;
    int page, heading, entry, x;  // heading: its grey; entry 0: none shown
  } moments[] = {
      {page[0] + 105, 0, 50, 0, 0},           // fade step 10
      {page[0] + 1020, 0, 255, 0, 0},         // the 1 s wait
      {page[0] + 1625, 0, 255, 1, 220},       // slide step 10
      {page[0] + 3320, 0, 255, 1, 30},        // at rest
      {page[0] + 5820, 0, 255, 1, 30},        // the last 2 s
      {page[1] + 5, 1, 0, 0, 0},              // the next page starts from black
      {page[2] + 4975, 2, 255, 2, 170},       // the second entry replaces the first
      {page[2] + 9920, 2, 255, 3, 30},
      {page[3] + 3320, 3, 255, 1, 30},
      {page[5] + 9920, 5, 255, 3, 30},
  };
  const int closingSteps[] = {10, 51};  // v = 50 and 255
  std::vector<uint64_t> times;
  for (const Moment& m : moments) times.push_back(m.at);
  for (int j : closingSteps) times.push_back(closing + 100 * j + 50);
  SnapAt(times);
  // Other keys do nothing; Enter, pressed and released, ends the roll.
  platform::sim::ScheduleAt(closing + 6000, [] { platform::sim::PressKey(platform::VK_ESCAPE); });
  platform::sim::ScheduleAt(closing + 6100, [] { platform::sim::ReleaseKey(platform::VK_ESCAPE); });
  platform::sim::ScheduleAt(closing + 7000, [] { platform::sim::PressKey(platform::VK_RETURN); });
  platform::sim::ScheduleAt(closing + 7100, [] { platform::sim::ReleaseKey(platform::VK_RETURN); });
  ShowStaffRoll();
  EXPECT_GE(platform::sim::Now(), closing + 7100);
  EXPECT_LE(platform::sim::Now(), closing + 7102);
  size_t k = 0;
  for (const Moment& m : moments) {
    SCOPED_TRACE(testing::Message() << "page " << m.page + 1 << " at " << m.at - t << " ms");
    const CreditPage& p = kCredits[m.page];
    DrawBmp(0, 0, titleBmp, platform::SRCCOPY);
    PrintText(10, 100, p.heading, Grey(m.heading), 18, kSlanted);
    if (m.entry > 0) PrintText(m.x, 120, p.entries[m.entry - 1], RGB(0, 255, 0), 18, kSlanted);
    EXPECT_EQ(Differences(shots_[k++]), 0);
  }
  for (int j : closingSteps) {
    const int v = 5 * j, grey = v * 3 / 4;
    SCOPED_TRACE(testing::Message() << "closing page, v " << v);
    DrawBmp(0, 0, titleBmp, platform::SRCCOPY);
    PrintText(-1, 10, "Presented By", Grey(grey), 14, kTextBoldItalic);
    PrintText(-1, 40, kPresenter, RGB(0, v, 0), 36, kBoldShadow);
    EXPECT_EQ(Differences(shots_[k++], 0, 170), 0);  // further lines are the closing note
  }
}

TEST_F(FlowTest, EmptyEntryEndsTheCreditPage) {
  struct Case {
    const char *e1, *e2, *e3;
    uint64_t ms;
  } cases[] = {{"", "b", "c", 3520}, {"a", "", "c", 6820}, {"a", "b", "", 10120},
               {"a", "b", "c", 13420}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.e1 << "|" << c.e2 << "|" << c.e3);
    const uint64_t start = platform::sim::Now();
    ShowCredit("h", c.e1, c.e2, c.e3);
    EXPECT_EQ(platform::sim::Now() - start, c.ms);
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
    EXPECT_TRUE(x >= 118 && x < 118 + 64 && y >= 58 && y < 58 + 64) << x << "," << y;
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
