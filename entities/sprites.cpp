#include "entities/sprites.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

namespace {
// Mask first with AND, then the picture with OR: black in the picture is transparent.
void DrawMasked(const BmpRecord& mask, const BmpRecord& image, int x, int y) {
  DrawMaskedBmp(x, y, mask, image);
}

bool ValidFrame(int frame) { return frame >= 1 && frame <= 3; }
}  // namespace

void DrawChrSprite(int set, int frame, int x, int y) {
  if (set < 0 || set > 4 || !ValidFrame(frame)) return;
  int index = set * 4 + frame;
  DrawMasked(chrMask[index], chrBmp[index], x, y);
}

void DrawShtSprite(int set, int frame, int x, int y) {
  if (set < 0 || set > 5 || !ValidFrame(frame)) return;
  int index = set * 4 + frame;
  DrawMasked(shtMask[index], shtBmp[index], x, y);
}

void DrawExplosion(int x, int y, int frame) {
  if (frame < 1 || frame > 5) return;
  DrawMasked(bomMask[frame], bomBmp[frame], x - 16, y - 16);
}

void DrawIdleExplosion() { DrawMasked(bomMask[1], bomBmp[1], -32, -32); }

void DrawIdleShot() { DrawMasked(shtMask[5], shtBmp[5], -32, -32); }
