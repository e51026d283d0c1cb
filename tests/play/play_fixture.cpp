#include "play_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "flow/assets.h"
#include "flow/new_game.h"
#include "platform/gfx/surface.h"
#include "platform/platform.h"
#include "platform/sim/sim_control.h"
#include "runtime/runtime.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace {
platform::Window g_window = 0;

intptr_t TestWindowProc(platform::Window w, uint32_t msg, intptr_t wp, intptr_t lp) {
  return platform::DefWindowProc(w, msg, wp, lp);
}

void SetSpriteSize(int kind, int size) {
  CloseBmp(chrBmp[kind * 4 + 1]);
  chrBmp[kind * 4 + 1] = BmpRecord{};
  chrBmp[kind * 4 + 1].window = g_window;  // bound to the playfield, no picture
  chrBmp[kind * 4 + 1].width = size;
  chrBmp[kind * 4 + 1].height = size;
}
}  // namespace

void EnsurePlayfield() {
  if (g_window == 0) {
    platform::sim::Reset();
    platform::RegisterWindowClass("PLAYTEST", TestWindowProc);
    g_window = platform::CreateWindow("PLAYTEST", "play test", platform::WS_CAPTION_FRAME,
                                      0, 0, 320 + 6, 240 + 24, 0);
    ASSERT_NE(g_window, 0u);
    ASSERT_EQ(StartZKGDI(g_window, 320, 240), 1);
    // Every picture record bound to the playfield but empty, as a missing
    // file leaves it: drawing it draws nothing.
    for (const ImageEntry& e : ImageTable()) OpenBmp(*e.record, "image/none-such.bmp");
  }
  // Only the sizes matter for the radii; these records hold no picture.
  SetSpriteSize(1, 16);
  SetSpriteSize(2, 20);
  SetSpriteSize(3, 24);
  SetSpriteSize(4, 64);
}

static platform::Surface* BackSurface() {
  return SlotSurface(FindWindowSlot(g_window));
}

uint32_t Pixel(int x, int y) { return BackSurface()->at(x, y); }

void FillBackBuffer(uint32_t colorRef) {
  platform::Surface* s = BackSurface();
  uint32_t p = platform::ColorRefToPixel(colorRef);
  for (int y = 0; y < s->height(); ++y)
    for (int x = 0; x < s->width(); ++x) s->at(x, y) = p;
}

void StartTestGame(int enemySlots) {
  ResetGameState();
  SetConstantGameState();
  gs.mainWindow = g_window;
  gs.backSurface = BackSurface();
  TargetWindow(g_window);
  gs.enemySlots = enemySlots;
  gs.targetFps = 30;
  gs.measuredFps = 30;
  gs.fireMode = 1;
  ClearTables();
  NewGame();
  SetRandomSeed(1);
}

Chr& PlaceEnemy(int slot, int kind, int x, int y) {
  Chr& c = chr[slot];
  c = Chr{};
  c.state = kind;
  c.level = kind;
  c.x = x;
  c.y = y;
  c.anim = 1.0;
  const int32_t radii[5] = {0, kKind1Radius, kKind2Radius, kKind3Radius, kBossRadius};
  c.radius = radii[kind];
  const int32_t hp[5] = {0, 2, 6, 16, 10000};
  c.hp = hp[kind];
  return c;
}

Sht& PlaceShot(int slot, int kind, int x, int y, int vx, int vy, int radius, int damage) {
  Sht& s = sht[slot];
  s = Sht{};
  s.kind = kind;
  s.x = x;
  s.y = y;
  s.vx = vx;
  s.vy = vy;
  s.radius = radius;
  s.damage = damage;
  s.anim = 1.0;
  return s;
}

int ShotsInFlight() {
  int n = 0;
  for (int i = 1; i <= kShotSlots; ++i) n += sht[i].kind != 0;
  return n;
}

void FillShots(int count) {
  // Parked far outside any contact, never moved by these tests.
  for (int i = 1; i <= count && i <= kShotSlots; ++i) PlaceShot(i, 2, 300, 10, 0, 0, 6);
}

int RndCallsBetween(uint32_t from, uint32_t to, int limit) {
  uint32_t saved = RandomSeed();
  SetRandomSeed(from);
  int found = -1;
  for (int n = 0; n <= limit; ++n) {
    if (RandomSeed() == to) {
      found = n;
      break;
    }
    Rnd();
  }
  SetRandomSeed(saved);
  return found;
}

void HoldKey(int vk, bool held) {
  if (held) {
    platform::sim::PressKey(vk);
  } else {
    platform::sim::ReleaseKey(vk);
  }
}

void ReleaseAllKeys() { platform::sim::ReleaseAllKeys(); }

void LoadSolidBitmap(BmpRecord& record, int w, int h, uint32_t rgb) {
  // A bottom-up 24-bit BMP with rows padded to four bytes.
  const int rowBytes = (w * 3 + 3) & ~3;
  const uint32_t dataSize = static_cast<uint32_t>(rowBytes * h);
  std::vector<uint8_t> f(54 + dataSize, 0);
  auto put32 = [&f](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, 54 + dataSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  f[26] = 1;
  f[28] = 24;
  put32(34, dataSize);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &f[54 + y * rowBytes + x * 3];
      p[0] = rgb & 0xFF;
      p[1] = (rgb >> 8) & 0xFF;
      p[2] = (rgb >> 16) & 0xFF;
    }
  static int serial = 0;
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "quillmoor_play_test";
  std::filesystem::create_directories(dir);
  // The process id too: ctest runs the play tests side by side, each
  // counting from 1, and the file is removed again right after it is read.
  std::string path = (dir / ("solid" + std::to_string(::getpid()) + "_" +
                             std::to_string(++serial) + ".bmp"))
                         .string();
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(f.data(), 1, f.size(), out);
  std::fclose(out);
  CloseBmp(record);
  OpenBmp(record, path);
  std::filesystem::remove(path);
  ASSERT_EQ(record.width, w);
}

void PlayTest::SetUp() {
  EnsurePlayfield();
  ReleaseAllKeys();
  platform::sim::ClearMessageBoxes();
  StartTestGame();
}

void PlayTest::TearDown() {
  ReleaseAllKeys();
  for (const auto& box : platform::sim::MessageBoxes())
    ADD_FAILURE() << "message box " << box.caption << ": " << box.text;
}
