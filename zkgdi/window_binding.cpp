// Slots, the target window, the palette and its brushes, and the hand-off of
// finished frames from the game thread to the window's paint handler.
//
// The back buffer belongs to the game thread. RepaintZKGDI copies it into the
// slot's front buffer under the slot's mutex; PaintZKGDI copies the front
// buffer out under the same mutex, so a paint never shows half a frame.
#include <algorithm>
#include <array>

#include "zkgdi/zkgdi_internal.h"

namespace zkgdi {

namespace {

// A back buffer larger than this is refused rather than allocated.
constexpr int kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t{1} << 26;

std::array<Slot, kZkgdiMaxWindows + 1> g_slots;  // index 0 unused
// Slots handed out so far, successful or not. Kept in 64 bits so that it
// can only grow, whatever the number of calls.
std::atomic<int64_t> g_counter{0};
std::atomic<Window> g_target{0};
// Start and end of registrations; drawing never takes it.
std::mutex g_tableMutex;

int64_t Counter() { return g_counter.load(std::memory_order_acquire); }

}  // namespace

Slot& SlotAt(int n) { return g_slots[n]; }
Window Target() { return g_target.load(std::memory_order_acquire); }

Surface* TargetBack() {
  const int n = FindWindowSlot(Target());
  return n ? &g_slots[n].back : nullptr;
}

}  // namespace zkgdi

using namespace zkgdi;

// Bit 0 of the index is blue, bit 1 red, bit 2 green (colours as 0x00BBGGRR).
static constexpr uint32_t kPalette[8] = {0x000000, 0xFF0000, 0x0000FF, 0xFF00FF,
                                         0x00FF00, 0xFFFF00, 0x00FFFF, 0xFFFFFF};
static std::atomic<Brush*> g_paletteBrush[8];
static std::atomic<Brush*> g_userBrush{nullptr};

int FindWindowSlot(Window window) {
  // Window 0 is "no window": released slots hold 0 and must not match it.
  if (window == 0) return 0;
  const int64_t last = std::min<int64_t>(Counter(), kZkgdiMaxWindows);
  for (int n = 1; n <= last; ++n)
    if (g_slots[n].window.load(std::memory_order_acquire) == window) return n;
  return 0;
}

Surface* SlotSurface(int slot) {
  if (slot < 1 || slot > kZkgdiMaxWindows) return nullptr;
  if (g_slots[slot].window.load(std::memory_order_acquire) == 0) return nullptr;
  return &g_slots[slot].back;
}

static void MakePaletteBrushes() {
  for (int i = 0; i < 8; ++i)
    if (!g_paletteBrush[i].load()) g_paletteBrush[i] = platform::CreateSolidBrush(kPalette[i]);
}

static void FreePaletteBrushes() {
  for (auto& b : g_paletteBrush) platform::DeleteBrush(b.exchange(nullptr));
}

// The table lock is never held while a message box is up: a box runs a
// message loop of its own, which may reach EndZKGDI on this very thread.
int StartZKGDI(Window window, int width, int height) {
  enum { kOk, kTooMany, kAlready, kRefused } outcome = kOk;
  {
    std::lock_guard<std::mutex> lock(g_tableMutex);
    const int64_t n = g_counter.fetch_add(1, std::memory_order_acq_rel) + 1;
    if (n > kZkgdiMaxWindows) {
      outcome = kTooMany;
    } else if (window == 0) {
      outcome = kRefused;  // nothing to bind to; the slot stays empty
    } else if (FindWindowSlot(window) != 0) {
      outcome = kAlready;
    } else {
      const platform::Rect client = platform::GetClientRect(window);
      if (width < 1) width = std::max(client.width(), 0);
      if (height < 1) height = std::max(client.height(), 0);
      if (width > kMaxSide || height > kMaxSide || int64_t{width} * height > kMaxPixels) {
        outcome = kRefused;
      } else {
        Slot& slot = g_slots[n];
        {
          std::lock_guard<std::mutex> front(slot.frontMutex);
          slot.back.Resize(width, height);
          slot.front.Resize(width, height);
        }
        slot.window.store(window, std::memory_order_release);
        g_target.store(window, std::memory_order_release);
        // Made with the first live registration, freed with the last
        // (EndZKGDI), and made again if a window registers after that.
        MakePaletteBrushes();
      }
    }
  }
  switch (outcome) {
    case kOk: return 1;
    case kTooMany: ShowTooManyWindows(window); return 0;
    case kAlready: ShowAlreadyRegistered(window); return 0;
    case kRefused: return 0;
  }
  return 0;
}

void EndZKGDI(Window window) {
  {
    std::lock_guard<std::mutex> lock(g_tableMutex);
    const int n = FindWindowSlot(window);
    if (n != 0) {
      Slot& slot = g_slots[n];
      slot.window.store(0, std::memory_order_release);
      {
        std::lock_guard<std::mutex> front(slot.frontMutex);
        slot.back = Surface();
        slot.front = Surface();
      }
      platform::DeleteBrush(g_userBrush.exchange(nullptr));
      const int64_t last = std::min<int64_t>(Counter(), kZkgdiMaxWindows);
      bool anyLeft = false;
      for (int i = 1; i <= last; ++i)
        if (g_slots[i].window.load() != 0) anyLeft = true;
      if (!anyLeft) FreePaletteBrushes();
      return;
    }
  }
  ShowModeMessage();
}

Window TargetWindow(Window window) {
  if (FindWindowSlot(window) == 0) {
    ShowModeMessage();
    return 0;
  }
  return g_target.exchange(window, std::memory_order_acq_rel);
}

int PaintZKGDI(Surface& paintSurface) {
  const Window target = Target();
  const int n = FindWindowSlot(target);
  if (n == 0) return ShowModeMessage();
  // The window's current client size, whatever the buffer's size.
  const platform::Rect client = platform::GetClientRect(target);
  Slot& slot = g_slots[n];
  std::lock_guard<std::mutex> lock(slot.frontMutex);
  return platform::BitBlt(paintSurface, 0, 0, client.width(), client.height(), slot.front, 0, 0,
                          platform::SRCCOPY);
}

void RepaintZKGDI(Window window) {
  if (window == 0) return;
  const int n = FindWindowSlot(window);
  if (n != 0) {
    Slot& slot = g_slots[n];
    std::lock_guard<std::mutex> lock(slot.frontMutex);
    if (slot.front.width() == slot.back.width() && slot.front.height() == slot.back.height())
      platform::CopyPixels(slot.front.data(), slot.back.data(),
                           static_cast<size_t>(slot.back.width()) * slot.back.height());
  }
  platform::InvalidateRect(window);
}

void ResetZKGDI() {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  for (Slot& slot : g_slots) {
    slot.window.store(0);
    std::lock_guard<std::mutex> front(slot.frontMutex);
    slot.back = Surface();
    slot.front = Surface();
  }
  g_counter = 0;
  g_target = 0;
  FreePaletteBrushes();
  platform::DeleteBrush(g_userBrush.exchange(nullptr));
}

// ---------------------------------------------------------------- brushes

Brush* PaletteBrush(int index) {
  if (Target() == 0) {
    ShowModeMessage();
    return nullptr;
  }
  if (index < 0 || index > 7) return nullptr;
  // Null once the last window has been released: never a freed brush.
  return g_paletteBrush[index].load(std::memory_order_acquire);
}

Brush* CreateColorBrush(uint32_t colorRef) {
  if (Counter() < 1) {
    ShowModeMessage();
    return nullptr;
  }
  Brush* brush = platform::CreateSolidBrush(colorRef);
  platform::DeleteBrush(g_userBrush.exchange(brush));
  return brush;
}
