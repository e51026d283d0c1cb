// Window slots, the palette's lifetime, misuse messages, and the finished-frame hand-off.
#include <functional>

#include "platform/gfx/surface.h"
#include "zkgdi_fixture.h"

namespace {
constexpr uint32_t kExcl = platform::MB_OK | platform::MB_ICONEXCLAMATION;
}

TEST_F(ZkgdiTest, StartGivesSlotsInOrderAndASecondStartNamesTheWindow) {
  Window a = NewWindow(), b = NewWindow(200, 100);
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  EXPECT_EQ(StartZKGDI(a, 320, 240), 0);
  ExpectBoxes(1, AlreadyRegisteredText(a), a, kExcl);
  EXPECT_NE(Boxes()[0].text.find("&h000100"), std::string::npos);  // zero-padded
  ASSERT_EQ(StartZKGDI(b, 0, -5), 1);  // below 1: the client size
  EXPECT_EQ(FindWindowSlot(a) * 10 + FindWindowSlot(b), 13);  // the failed call used up slot 2
  EXPECT_EQ(SlotSurface(1)->width() * 1000 + SlotSurface(1)->height(), 320240);
  EXPECT_EQ(SlotSurface(3)->width() * 1000 + SlotSurface(3)->height(), 200100);
  EXPECT_EQ(TargetWindow(a), b);  // the newest registration is the target
  for (int slot : {0, 2, 4, 257, -1}) EXPECT_EQ(SlotSurface(slot), nullptr) << slot;
  EXPECT_EQ(FindWindowSlot(0), 0);
  // The largest picture: 16384 pixels a side, 2^26 in all.
  for (auto [w, h, ok] : {std::tuple(16384, 1, 1), {1, 16384, 1}, {16385, 1, 0}, {1, 16385, 0}, {8192, 8193, 0}, {16384, 4096, 1}}) {
    const Window big = NewWindow(4, 4);
    EXPECT_EQ(StartZKGDI(big, w, h), ok) << w << "x" << h;
    if (ok) EndZKGDI(big);
  }
}

TEST_F(ZkgdiTest, The257thStartFailsEvenAfterReleases) {
  for (int i = 1; i <= 256; ++i) {
    Window w = NewWindow(4, 4);
    ASSERT_EQ(StartZKGDI(w, 0, 0), 1) << i;
    ASSERT_EQ(FindWindowSlot(w), i);
    EndZKGDI(w);
  }
  Window last = NewWindow();
  EXPECT_EQ(StartZKGDI(last, 320, 240), 0);
  EXPECT_EQ(StartZKGDI(last, 320, 240), 0);
  ExpectBoxes(2, kTooManyText, last, kExcl);
  EXPECT_EQ(FindWindowSlot(last), 0);
  EndZKGDI(last);  // never registered: the mode message
  EXPECT_EQ(Boxes().back().text, kModeText);
}

TEST_F(ZkgdiTest, PaletteBrushesLiveFromFirstToLastRegistration) {
  const int base = platform::LiveBrushCount();
  Window a = NewWindow(), b = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  EXPECT_EQ(PaletteBrush(7)->colorRef, 0xFFFFFFu);
  for (int i : {8, -1, INT32_MIN, INT32_MAX}) EXPECT_EQ(PaletteBrush(i), nullptr) << i;
  ASSERT_EQ(StartZKGDI(b, 320, 240), 1);
  CreateColorBrush(0x0000FF);
  EXPECT_NE(CreateColorBrush(0x00FF00), nullptr);
  EXPECT_EQ(platform::LiveBrushCount(), base + 9);  // shared; the user brush replaced
  EndZKGDI(a);  // the user brush goes; the palette stays for b
  EXPECT_EQ(platform::LiveBrushCount(), base + 8);
  EXPECT_NE(PaletteBrush(2), nullptr);
  EndZKGDI(b);
  EXPECT_EQ(platform::LiveBrushCount(), base);
  EXPECT_EQ(PaletteBrush(2), nullptr);  // the target names a released window: never a freed brush
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZkgdiTest, EveryUseWithoutARegisteredTargetShowsTheModeMessage) {
  Surface paint(320, 240);
  BmpRecord r;
  const std::vector<std::pair<const char*, std::function<void()>>> uses = {
      {"paint", [&] { EXPECT_EQ(PaintZKGDI(paint), 1); }},  // the box's answer
      {"end", [&] { EndZKGDI(NewWindow()); }},
      {"fill", [&] { EXPECT_EQ(FillWindow(nullptr), 1); }},
      {"palette", [&] { EXPECT_EQ(PaletteBrush(0), nullptr); }},
      {"brush", [&] { EXPECT_EQ(CreateColorBrush(0x123456), nullptr); }},
      {"print", [&] { PrintText(0, 0, "A", 0xFFFFFF, 12, 0); }},
      {"open", [&] { EXPECT_EQ(OpenBmp(r, "image/none.bmp"), 0); }},
      {"draw", [&] { DrawBmp(0, 0, r, platform::SRCCOPY); }},
  };
  for (const auto& [name, use] : uses) {
    platform::sim::ClearMessageBoxes();
    use();
    SCOPED_TRACE(name);
    ExpectBoxes(1, kModeText, platform::GetForegroundWindow(), platform::MB_OK);
  }
  Window a = NewWindow();  // targeting an unregistered window leaves the target alone
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  EXPECT_EQ(TargetWindow(NewWindow()), 0u);
  EXPECT_EQ(TargetWindow(a), a);
}

TEST_F(ZkgdiTest, PaintShowsOnlyFinishedFramesClippedToBothSizes) {
  Window a = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 100, 50), 1);  // a buffer smaller than the client area
  FillWindow(PaletteBrush(7));
  Surface paint(320, 240), small(10, 10);
  Fill(paint, 0x777777);
  EXPECT_NE(PaintZKGDI(paint), 0);
  EXPECT_EQ(paint.at(10, 10), 0u);  // drawn but not handed over: the previous frame
  RepaintZKGDI(a);
  FillWindow(PaletteBrush(2));  // the next frame does not leak into paints
  PaintZKGDI(paint);
  EXPECT_NE(PaintZKGDI(small), 0);
  const std::vector<std::tuple<const Surface*, int, int, uint32_t>> want = {
      {&paint, 0, 0, 0xFFFFFF}, {&paint, 99, 49, 0xFFFFFF}, {&paint, 100, 49, 0x777777},
      {&paint, 99, 50, 0x777777}, {&small, 9, 9, 0xFFFFFF}};
  for (const auto& [s, x, y, px] : want) EXPECT_EQ(s->at(x, y), px) << x << "," << y;
  ClearScreen();  // hands the black frame over
  PaintZKGDI(paint);
  EXPECT_EQ(paint.at(5, 5), 0u);
  EXPECT_EQ(FillWindow(nullptr), 0);
  EXPECT_TRUE(Boxes().empty());
}
