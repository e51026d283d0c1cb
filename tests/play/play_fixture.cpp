#include "play_fixture.h"


#include "flow/assets.h"
#include "flow/new_game.h"
#include "platform/gfx/surface.h"
#include "runtime/runtime.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace {
platform::Window g_window = 0;

intptr_t TestWindowProc(platform::Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  return platform::DefWindowProc(w, msg, wp, lp);
}

// Starts the window and its back buffer once per process; the sprite sizes
// are set afresh for every test.
void EnsurePlayfield() {
  if (g_window == 0) {
    platform::sim::Reset();
    platform::RegisterWindowClass("PLAYTEST", TestWindowProc);
    g_window = platform::CreateWindow("PLAYTEST", "play test", platform::WS_CAPTION_FRAME,
                                      0, 0, 320 + 6, 240 + 24, 0);
    ASSERT_NE(g_window, 0u);
    ASSERT_EQ(StartZKGDI(g_window, 320, 240), 1);
    // Every record bound to the playfield but empty, as a missing file
    // leaves it: drawing it draws nothing.
    for (const ImageEntry& e : ImageTable()) OpenBmp(*e.record, "image/none-such.bmp");
  }
  const int sizes[] = {0, 16, 20, 24, 64};
  for (int kind = 1; kind <= 4; ++kind) {
    BmpRecord& r = chrBmp[kind * 4 + 1];
    CloseBmp(r);
    r = BmpRecord{};
    r.window = g_window;
    r.width = r.height = sizes[kind];
  }
}

platform::Surface* BackSurface() { return SlotSurface(FindWindowSlot(g_window)); }
}  // namespace

uint32_t Pixel(int x, int y) { return BackSurface()->at(x, y); }

void FillBackBuffer(uint32_t colorRef) {
  platform::Surface* s = BackSurface();
  for (int y = 0; y < s->height(); ++y)
    for (int x = 0; x < s->width(); ++x) s->at(x, y) = platform::ColorRefToPixel(colorRef);
}

void StartTestGame(int enemySlots) {
  ResetGameState();
  SetConstantGameState();
  gs.mainWindow = g_window;
  gs.backSurface = BackSurface();
  TargetWindow(g_window);
  gs.enemySlots = enemySlots;
  gs.targetFps = gs.measuredFps = 30;
  gs.fireMode = 1;
  ClearTables();
  NewGame();
  SetRandomSeed(1);
}

Chr& PlaceEnemy(int slot, int kind, int x, int y) {
  const int32_t radii[5] = {0, kKind1Radius, kKind2Radius, kKind3Radius, kBossRadius};
  const int32_t hp[5] = {0, 2, 6, 16, 10000};
  chr[slot] = Chr{kind, hp[kind], x, y, radii[kind], 1.0, 0, 0, 0, kind};
  return chr[slot];
}

Sht& PlaceShot(int slot, int kind, int x, int y, int vx, int vy, int radius, int damage) {
  sht[slot] = Sht{kind, damage, x, y, radius, 1.0, vx, vy, 0, 0};
  return sht[slot];
}

int ShotsInFlight() {
  int n = 0;
  for (int i = 1; i <= kShotSlots; ++i) n += sht[i].kind != 0;
  return n;
}

void FillShots(int count) {
  for (int i = 1; i <= count && i <= kShotSlots; ++i) PlaceShot(i, 2, 300, 10, 0, 0, 6);
}

void PlayTest::SetUp() {
  EnsurePlayfield();
  platform::sim::ReleaseAllKeys();
  platform::sim::ClearMessageBoxes();
  StartTestGame();
  FillBackBuffer(0);
}

void PlayTest::TearDown() {
  platform::sim::ReleaseAllKeys();
  for (const auto& box : platform::sim::MessageBoxes())
    ADD_FAILURE() << "message box " << box.caption << ": " << box.text;
}
