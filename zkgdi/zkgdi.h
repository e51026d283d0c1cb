// The drawing layer: a back buffer per registered window, bitmaps drawn into
// it with raster operations, an eight-colour palette, fills and text.
#pragma once
#include <cstdint>
#include <string>

#include "platform/platform.h"

using platform::Brush;
using platform::Surface;
using platform::Window;

constexpr int kZkgdiMaxWindows = 256;

// ---- back buffer and window binding
int StartZKGDI(Window window, int width, int height);  // 1 ok, 0 failed
void EndZKGDI(Window window);
Window TargetWindow(Window window);  // previous target, 0 on failure
// Copies the last finished frame of the current target into the paint surface.
int PaintZKGDI(Surface& paintSurface);
int FindWindowSlot(Window window);
Surface* SlotSurface(int slot);
// Hands the target's finished back buffer to the window thread and asks the
// window to repaint. Every "request a repaint" of the game goes through this,
// so the paint handler never reads a picture that is being drawn.
void RepaintZKGDI(Window window);
// Back to the state at process start: every slot released, the slot counter
// at 0, no target, no brushes. For tests that start from a clean backend.
void ResetZKGDI();

// ---- bitmaps
struct BmpRecord {
  Window window = 0;
  Surface* hbitmap = nullptr;  // the loaded picture; null when none
  Surface* surface = nullptr;  // the same picture, as the source of transfers
  int32_t width = 0;
  int32_t height = 0;
  // Where a loaded picture is not black: OR-ing black changes nothing, so a
  // SRCPAINT transfer need only cover this (a full-screen overlay that is
  // mostly black costs a fraction of a screen). Unknown (whole picture) when
  // inkKnown is false.
  bool inkKnown = false;
  platform::Rect ink;
};
int OpenBmp(BmpRecord& record, const std::string& fileName);  // 0 only without a target
void DrawBmp(int x, int y, const BmpRecord& record, uint32_t rop);
// DrawBmp of mask with SRCAND, then of image with SRCPAINT: the same pixels
// and the same messages, in one pass when both are loaded for the target.
void DrawMaskedBmp(int x, int y, const BmpRecord& mask, const BmpRecord& image);
int CloseBmp(BmpRecord& record);  // 1 if it held a bitmap

// ---- brushes, fills and text
constexpr int kTextBold = 1, kTextItalic = 2, kTextBoldItalic = 4, kTextShadow = 16;
Brush* PaletteBrush(int index);
Brush* CreateColorBrush(uint32_t colorRef);
int FillWindow(const Brush* brush);
// Text is UTF-8; centring (x or y negative) uses its Shift-JIS byte length.
void PrintText(int x, int y, const std::string& text, uint32_t colorRef, int size, int flags);
void ClearScreen();
