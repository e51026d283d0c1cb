#include "flow/keys.h"

#include "display/full_window.h"
#include "flow/replay_game.h"
#include "platform/platform.h"
#include "settings/options_window.h"
#include "state/game_state.h"

namespace {
constexpr int kKeyP = 80;
constexpr int kKeyS = 83;
}  // namespace

void OnKeyDown(int key) {
  if (WatchingReplay()) {
    // A recording plays as it was played: no key reaches the game. Escape
    // stops watching (back to the title), F4 still switches the screen, and
    // Space, held, is read by the frames for the fast forward.
    if (key == platform::VK_ESCAPE) replay::RequestStopWatching();
    if (key == platform::VK_F4) ToggleFullWindow();
    return;
  }
  switch (key) {
    case platform::VK_ESCAPE:
      platform::SendMessage(gs.mainWindow, platform::WM_CLOSE, 0, 0);
      break;
    case platform::VK_CONTROL:
      gs.fireMode = 0;
      break;
    case platform::VK_SHIFT:
      gs.fireMode = 1;
      break;
    case kKeyS:
      // Only on the title screen, and never over the full-window picture.
      if (gs.titleActive != 0 && gs.displayHandle == 0) OpenOptionWindow(gs.mainWindow, "OptWnd");
      break;
    case kKeyP:
    case platform::VK_RETURN:
      // A request is taken up by the next frame; a pending one stays as it is.
      if (gs.pauseState == 0) {
        gs.pauseState = 240;
      } else if (gs.pauseState == 1) {
        gs.pauseState = 0;
      }
      break;
    case platform::VK_F2:
      gs.quitRequested = 1;
      break;
    case platform::VK_F4:
      ToggleFullWindow();
      break;
    default:
      break;
  }
}

void OnActivate(int state) {
  if (state == 0 && !WatchingReplay()) gs.pauseState = 240;
}
