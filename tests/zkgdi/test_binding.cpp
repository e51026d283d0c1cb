// Registration of windows, the target, the palette and its brushes, the
// messages, and the hand-off of finished frames to the paint handler.
#include "platform/gfx/surface.h"
#include "zkgdi_fixture.h"

using platform::sim::MessageBoxRecord;

namespace {

uint32_t Px(uint32_t colorRef) { return platform::ColorRefToPixel(colorRef); }

// Every message box so far is this text from ZKGDI, owned and flagged so.
void ExpectBoxes(const std::vector<MessageBoxRecord>& boxes, size_t n, const std::string& text,
                 Window owner, uint32_t flags) {
  ASSERT_EQ(boxes.size(), n);
  for (const MessageBoxRecord& b : boxes) {
    EXPECT_EQ(b.text, text);
    EXPECT_EQ(b.caption, "ZKGDI");
    EXPECT_EQ(b.owner, owner);
    EXPECT_EQ(b.flags, flags);
  }
}

}  // namespace

TEST_F(ZkgdiTest, StartMakesABackBufferOfTheGivenOrClientSize) {
  Window a = NewWindow(), b = NewWindow(200, 100);
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  EXPECT_EQ(FindWindowSlot(a), 1);
  ASSERT_NE(SlotSurface(1), nullptr);
  EXPECT_EQ(SlotSurface(1)->width(), 320);
  EXPECT_EQ(SlotSurface(1)->height(), 240);
  ASSERT_EQ(StartZKGDI(b, 0, -5), 1);  // below 1: the client size
  EXPECT_EQ(FindWindowSlot(b), 2);
  EXPECT_EQ(SlotSurface(2)->width(), 200);
  EXPECT_EQ(SlotSurface(2)->height(), 100);
  // The newest registration is the target.
  EXPECT_EQ(TargetWindow(a), b);
  EXPECT_EQ(TargetWindow(a), a);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(SlotSurface(0), nullptr);
  EXPECT_EQ(SlotSurface(3), nullptr);
  EXPECT_EQ(SlotSurface(257), nullptr);
  EXPECT_EQ(SlotSurface(-1), nullptr);
  EXPECT_EQ(FindWindowSlot(0), 0);
}

TEST_F(ZkgdiTest, SecondStartOfAWindowNamesItInEightHexDigits) {
  Window a = NewWindow(), b = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  EXPECT_EQ(StartZKGDI(a, 320, 240), 0);
  ExpectBoxes(Boxes(), 1, AlreadyRegisteredText(a), a, platform::MB_OK | platform::MB_ICONEXCLAMATION);
  EXPECT_NE(Boxes()[0].text.find("&h000100"), std::string::npos);  // zero-padded
  // The first registration keeps working; the failed call used up slot 2.
  EXPECT_EQ(FindWindowSlot(a), 1);
  ASSERT_EQ(StartZKGDI(b, 320, 240), 1);
  EXPECT_EQ(FindWindowSlot(b), 3);
  EXPECT_EQ(SlotSurface(2), nullptr);
}

TEST_F(ZkgdiTest, The257thStartFailsEvenAfterReleases) {
  for (int i = 1; i <= 256; ++i) {
    Window w = NewWindow(4, 4);
    ASSERT_EQ(StartZKGDI(w, 0, 0), 1) << i;
    ASSERT_EQ(FindWindowSlot(w), i);
    EndZKGDI(w);
  }
  ASSERT_TRUE(Boxes().empty());
  Window last = NewWindow();
  EXPECT_EQ(StartZKGDI(last, 320, 240), 0);
  ExpectBoxes(Boxes(), 1, kTooManyText, last, platform::MB_OK | platform::MB_ICONEXCLAMATION);
  EXPECT_EQ(FindWindowSlot(last), 0);
  // And every call after it.
  EXPECT_EQ(StartZKGDI(last, 320, 240), 0);
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(ZkgdiTest, PaletteBrushesLiveFromFirstToLastRegistration) {
  const int base = platform::LiveBrushCount();
  Window a = NewWindow(), b = NewWindow(), c = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  EXPECT_EQ(platform::LiveBrushCount(), base + 8);
  // Index to colour: bit 0 blue, bit 1 red, bit 2 green (0x00BBGGRR).
  const uint32_t want[8] = {0x000000, 0xFF0000, 0x0000FF, 0xFF00FF,
                            0x00FF00, 0xFFFF00, 0x00FFFF, 0xFFFFFF};
  for (int i = 0; i < 8; ++i) {
    ASSERT_NE(PaletteBrush(i), nullptr);
    EXPECT_EQ(PaletteBrush(i)->colorRef, want[i]) << i;
  }
  ASSERT_EQ(StartZKGDI(b, 320, 240), 1);
  EXPECT_EQ(platform::LiveBrushCount(), base + 8);  // shared, not made again
  Brush* red = PaletteBrush(2);
  EndZKGDI(a);
  EXPECT_EQ(platform::LiveBrushCount(), base + 8);
  EXPECT_EQ(PaletteBrush(2), red);
  EndZKGDI(b);
  EXPECT_EQ(platform::LiveBrushCount(), base);
  // The target still names the released window: no brush, never a freed one.
  EXPECT_EQ(PaletteBrush(2), nullptr);
  EXPECT_TRUE(Boxes().empty());
  // A later registration has brushes again.
  ASSERT_EQ(StartZKGDI(c, 320, 240), 1);
  EXPECT_EQ(platform::LiveBrushCount(), base + 8);
  ASSERT_NE(PaletteBrush(7), nullptr);
  EXPECT_EQ(PaletteBrush(7)->colorRef, 0xFFFFFFu);
}

TEST_F(ZkgdiTest, PaletteBrushOutsideTheTableIsNullWithoutMessage) {
  // Before any registration there is no target: the mode message.
  EXPECT_EQ(PaletteBrush(0), nullptr);
  ExpectBoxes(Boxes(), 1, kModeText, platform::GetForegroundWindow(), platform::MB_OK);
  platform::sim::ClearMessageBoxes();
  Window a = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  for (int i : {8, -1, 100, INT32_MIN, INT32_MAX}) EXPECT_EQ(PaletteBrush(i), nullptr) << i;
  EXPECT_NE(PaletteBrush(0), nullptr);
  EXPECT_NE(PaletteBrush(7), nullptr);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZkgdiTest, UserBrushIsReplacedNotAccumulated) {
  EXPECT_EQ(CreateColorBrush(0x123456), nullptr);  // no StartZKGDI yet
  ExpectBoxes(Boxes(), 1, kModeText, platform::GetForegroundWindow(), platform::MB_OK);
  Window a = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  const int base = platform::LiveBrushCount();
  Brush* first = CreateColorBrush(0x0000FF);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(platform::LiveBrushCount(), base + 1);
  Brush* second = CreateColorBrush(0x00FF00);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->colorRef, 0x00FF00u);
  EXPECT_EQ(platform::LiveBrushCount(), base + 1);
  EndZKGDI(a);  // frees the user brush and the palette
  EXPECT_EQ(platform::LiveBrushCount(), base - 8);
}

TEST_F(ZkgdiTest, ModeMessageForEveryUseWithoutARegisteredTarget) {
  Window a = NewWindow(), stranger = NewWindow();
  Surface paint(320, 240);
  EXPECT_EQ(PaintZKGDI(paint), 1);  // the box's answer
  EndZKGDI(a);
  EXPECT_EQ(FillWindow(nullptr), 1);
  PrintText(0, 0, "A", 0xFFFFFF, 12, 0);
  BmpRecord r;
  EXPECT_EQ(OpenBmp(r, "image/none.bmp"), 0);
  DrawBmp(0, 0, r, platform::SRCCOPY);
  ExpectBoxes(Boxes(), 6, kModeText, platform::GetForegroundWindow(), platform::MB_OK);
  // TargetWindow of an unregistered window leaves the target alone.
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  platform::sim::ClearMessageBoxes();
  EXPECT_EQ(TargetWindow(stranger), 0u);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(TargetWindow(a), a);
  EXPECT_EQ(TargetWindow(0), 0u);
}

TEST_F(ZkgdiTest, PaintShowsOnlyFinishedFrames) {
  Window a = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  Brush* red = CreateColorBrush(0x0000FF);
  FillWindow(red);
  Surface paint(320, 240);
  Fill(paint, 0x777777);
  // Drawn but not handed over: the paint shows the previous (black) frame.
  EXPECT_NE(PaintZKGDI(paint), 0);
  EXPECT_EQ(paint.at(10, 10), 0u);
  RepaintZKGDI(a);
  PaintZKGDI(paint);
  EXPECT_EQ(paint.at(10, 10), Px(0x0000FF));
  EXPECT_EQ(paint.at(319, 239), Px(0x0000FF));
  // The next frame being drawn does not leak into paints.
  FillWindow(CreateColorBrush(0xFF0000));
  PaintZKGDI(paint);
  EXPECT_EQ(paint.at(10, 10), Px(0x0000FF));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZkgdiTest, PaintCopiesTheClientSizeClipped) {
  Window a = NewWindow(320, 240);
  ASSERT_EQ(StartZKGDI(a, 100, 50), 1);  // a buffer smaller than the client area
  FillWindow(PaletteBrush(7));
  RepaintZKGDI(a);
  Surface paint(320, 240);
  EXPECT_NE(PaintZKGDI(paint), 0);
  EXPECT_EQ(paint.at(99, 49), 0xFFFFFFu);
  EXPECT_EQ(paint.at(100, 49), 0u);
  EXPECT_EQ(paint.at(99, 50), 0u);
  Surface small(10, 10);
  EXPECT_NE(PaintZKGDI(small), 0);
  EXPECT_EQ(small.at(9, 9), 0xFFFFFFu);
}

TEST_F(ZkgdiTest, FillWindowAndClearScreen) {
  Window a = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  Surface* back = SlotSurface(1);
  EXPECT_NE(FillWindow(PaletteBrush(6)), 0);  // yellow
  EXPECT_EQ(back->at(0, 0), 0xFFFF00u);
  EXPECT_EQ(back->at(319, 239), 0xFFFF00u);
  EXPECT_EQ(FillWindow(nullptr), 0);
  ClearScreen();
  EXPECT_EQ(back->at(0, 0), 0u);
  EXPECT_EQ(back->at(319, 239), 0u);
  // ClearScreen hands the black frame over.
  Surface paint(320, 240);
  Fill(paint, 0x777777);
  PaintZKGDI(paint);
  EXPECT_EQ(paint.at(5, 5), 0u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ZkgdiTest, EndReleasesTheSlotForGood) {
  Window a = NewWindow(), b = NewWindow();
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  EndZKGDI(a);
  EXPECT_EQ(FindWindowSlot(a), 0);
  EXPECT_EQ(SlotSurface(1), nullptr);
  EXPECT_TRUE(Boxes().empty());
  EndZKGDI(a);  // twice: the mode message
  EXPECT_EQ(Boxes().size(), 1u);
  // The slot is not handed out again, even to the same window.
  ASSERT_EQ(StartZKGDI(a, 320, 240), 1);
  EXPECT_EQ(FindWindowSlot(a), 2);
  ASSERT_EQ(StartZKGDI(b, 320, 240), 1);
  EXPECT_EQ(FindWindowSlot(b), 3);
}
