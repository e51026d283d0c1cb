// Filled and framed boxes on the back buffer, through the user brush.
#include "frame/draw_box.h"

#include "platform/platform.h"
#include "state/game_state.h"
#include "zkgdi/zkgdi.h"

void DrawBox(int x1, int y1, int x2, int y2, uint32_t colorRef, int style) {
  Brush* brush = CreateColorBrush(colorRef);
  if (!brush || !gs.backSurface) return;
  const platform::Rect r{x1, y1, x2, y2};
  if (style == 1) platform::FillRect(*gs.backSurface, r, brush);
  else if (style == 0) platform::FrameRect(*gs.backSurface, r, brush);
}
