// The full-window stand-in: instead of switching the screen to 320 x 240, the
// window goes borderless over the whole desktop and its picture is scaled up
// by the largest whole factor that fits, centred on black.
#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace sdl {
bool DesktopSize(Window handle, int& width, int& height);
Window WindowOfDisplayHandle(int displayHandle);
}  // namespace sdl

int ChangeDisplayMode(Window w, int width, int height, int bitsPerPixel, int /*flag*/) {
  if (!IsWindow(w)) return 1;  // nothing to lay over the desktop
  int desktopW = 0, desktopH = 0;
  if (!sdl::DesktopSize(w, desktopW, desktopH)) return 1;
  bool depthOk = bitsPerPixel == 8 || bitsPerPixel == 15 || bitsPerPixel == 16 ||
                 bitsPerPixel == 24 || bitsPerPixel == 32;
  // The picture must fit the desktop at least once.
  if (!depthOk || width < 1 || height < 1 || width > desktopW || height > desktopH) return 4;
  return sdl::EnterFullWindow(w);
}

int RestoreDisplayMode(int handle, Window w) {
  if (handle == 0) return 0;
  Window owner = sdl::WindowOfDisplayHandle(handle);
  if (owner == 0) return 0;
  (void)w;  // the handle names the window; the game passes the same one
  return sdl::LeaveFullWindow(owner) ? 1 : 0;
}

}  // namespace platform
