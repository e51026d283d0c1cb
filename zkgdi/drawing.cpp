// Bitmaps, fills and text into the current target's back buffer.
#include <algorithm>
#include <cstdint>

#include "platform/gfx/bmp.h"
#include "platform/gfx/text.h"
#include "runtime/runtime.h"
#include "zkgdi/zkgdi_internal.h"

using namespace zkgdi;

// ---------------------------------------------------------------- bitmaps

int OpenBmp(BmpRecord& record, const std::string& fileName) {
  record = BmpRecord{};
  const Window target = Target();
  if (FindWindowSlot(target) == 0) {
    ShowModeMessage();
    return 0;
  }
  record.window = target;
  // A missing or unreadable file is no picture, not an error.
  Surface picture = platform::LoadBmpFile(fileName);
  if (!picture.empty()) {
    Surface* p = new Surface(std::move(picture));
    record.hbitmap = p;
    record.surface = p;
    record.width = p->width();
    record.height = p->height();
    record.ink = platform::Rect{p->width(), p->height(), 0, 0};
    for (int y = 0; y < p->height(); ++y)
      for (int x = 0; x < p->width(); ++x)
        if (p->at(x, y) != 0) {
          record.ink.left = std::min(record.ink.left, x);
          record.ink.right = std::max(record.ink.right, x + 1);
          record.ink.top = std::min(record.ink.top, y);
          record.ink.bottom = std::max(record.ink.bottom, y + 1);
        }
    record.inkKnown = true;
  }
  return 1;
}

void DrawBmp(int x, int y, const BmpRecord& record, uint32_t rop) {
  const Window target = Target();
  const int n = FindWindowSlot(target);
  if (n == 0) {
    ShowModeMessage();
    return;
  }
  if (record.window != target) {
    ShowWrongWindow();
    return;
  }
  if (!record.surface) return;
  if (rop == platform::SRCPAINT && record.inkKnown) {
    const platform::Rect& k = record.ink;
    if (k.right <= k.left || k.bottom <= k.top) return;  // all black: nothing changes
    if (x > INT32_MAX - k.left || y > INT32_MAX - k.top) return;  // far off the buffer
    platform::BitBlt(SlotAt(n).back, x + k.left, y + k.top, k.width(), k.height(),
                     *record.surface, k.left, k.top, rop);
    return;
  }
  platform::BitBlt(SlotAt(n).back, x, y, record.width, record.height, *record.surface, 0, 0, rop);
}

void DrawMaskedBmp(int x, int y, const BmpRecord& mask, const BmpRecord& image) {
  const Window target = Target();
  const int n = FindWindowSlot(target);
  if (n != 0 && mask.window == target && image.window == target && mask.surface &&
      image.surface && mask.width == image.width && mask.height == image.height &&
      platform::BlitMasked(SlotAt(n).back, x, y, mask.width, mask.height, *mask.surface,
                           *image.surface))
    return;
  DrawBmp(x, y, mask, platform::SRCAND);
  DrawBmp(x, y, image, platform::SRCPAINT);
}

int CloseBmp(BmpRecord& record) {
  if (!record.hbitmap) return 0;
  // surface is the same picture as hbitmap: one object to free.
  delete record.hbitmap;
  record = BmpRecord{};
  return 1;
}

// ---------------------------------------------------------------- fills

int FillWindow(const Brush* brush) {
  const Window target = Target();
  const int n = FindWindowSlot(target);
  if (n == 0) return ShowModeMessage();
  const platform::Rect client = platform::GetClientRect(target);
  return platform::FillRect(SlotAt(n).back, platform::Rect{0, 0, client.width(), client.height()},
                            brush);
}

void ClearScreen() {
  FillWindow(PaletteBrush(0));
  RepaintZKGDI(Target());
}

// ---------------------------------------------------------------- text

void PrintText(int x, int y, const std::string& text, uint32_t colorRef, int size, int flags) {
  const Window target = Target();
  const int n = FindWindowSlot(target);
  if (n == 0) {
    ShowModeMessage();
    return;
  }
  // Centring works on the window's outer size (frame included) and on the
  // text's Shift-JIS length at half the size per byte, not on real glyph
  // widths: that is where every centred text of the game has always sat.
  const platform::Rect outer = platform::GetWindowRect(target);
  const double W = outer.width(), H = outer.height();
  const double textWidth = platform::ShiftJisLength(text) * static_cast<double>(size) * 0.5;
  double factor = 0.5;
  bool bold = false, italic = false;
  if (flags & kTextBold) {
    factor = 0.45;
    bold = true;
  }
  if (flags & kTextItalic) italic = true;
  if (flags & kTextBoldItalic) {
    factor = 0.45;
    bold = true;
    italic = true;
  }
  if (x < 0) x = Int((W - textWidth) * factor);
  if (y < 0) y = Int((H - size) * factor);

  const platform::Font font{platform::FontFace::Mincho, size, bold, italic};
  Surface& back = SlotAt(n).back;
  if (flags & kTextShadow) {
    const int sx = x == INT32_MAX ? x : x + 1, sy = y == INT32_MAX ? y : y + 1;
    platform::TextOut(back, sx, sy, text, RGB(128, 128, 128), font);
  }
  platform::TextOut(back, x, y, text, colorRef, font);
}
