// The ending and the staff roll where a scripted game at Normal does not go:
// the ending of every level and damage, every text's fit on screen, the
// roll's closing page that only Enter ends, and credit pages cut short.
#include <gtest/gtest.h>

#include "ending/ending.h"
#include "ending/texts.h"
#include "entities/tables.h"
#include "flow/assets.h"
#include "platform/gfx/bmp.h"
#include "platform/gfx/text.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
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
    EXPECT_TRUE(platform::sim::MessageBoxes().empty()) << platform::sim::MessageBoxes().front().text;
  }
  platform::Window window_ = 0;
};

TEST_F(FlowTest, EndingTextFollowsLevelAndHitPoints) {
  struct Case { int slots, hp; const char* const* text; } cases[] = {
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
  int same = 0;
  for (int y = 0; y < 240; y += 7)
    for (int x = 0; x < 320; x += 7) same += titleBmp.hbitmap->at(x, y) == title2.at(x, y);
  EXPECT_EQ(same, 46 * 35);
}

// The staff roll's texts are on the recorded course; every ending's must fit.
TEST_F(FlowTest, EveryEndingLineFitsTheScreen) {
  const platform::Font font{platform::FontFace::Mincho, 14, true, false};
  for (auto text : {kEndingNarrow, kEndingFlawless, kEndingClear, kEndingGod})
    for (int i = 1; i <= kEndingLines; ++i)
      EXPECT_LE(platform::MeasureText(text[i], font) + 1, 320) << text[i];
}

// The closing page stays through any other key; Enter, pressed and released,
// ends the roll.
TEST_F(FlowTest, OnlyEnterEndsTheStaffRoll) {
  const uint64_t closing = platform::sim::Now() + 54120;  // after the six pages
  const struct {
    uint64_t at;
    int vk;
    bool down;
  } keys[] = {{6000, platform::VK_ESCAPE, true}, {6100, platform::VK_ESCAPE, false},
              {6300, platform::VK_SPACE, true},  {6400, platform::VK_SPACE, false},
              {7000, platform::VK_RETURN, true}, {7100, platform::VK_RETURN, false}};
  for (const auto& k : keys)
    platform::sim::ScheduleAt(closing + k.at, [k] {
      k.down ? platform::sim::PressKey(k.vk) : platform::sim::ReleaseKey(k.vk);
    });
  ShowStaffRoll();
  EXPECT_GE(platform::sim::Now(), closing + 7100) << "ended before Enter";
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

}  // namespace
