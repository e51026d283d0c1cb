#include "display/icon.h"

#include "platform/gfx/bmp.h"

void SetGameIcon(platform::Window w) {
  // Read once: the main window and every options window show the same.
  static const platform::Surface colour = platform::LoadBmpFile("image/icon.bmp");
  static const platform::Surface mask = platform::LoadBmpFile("image/iconm.bmp");
  platform::SetWindowIcon(w, colour, mask);
}
