#include "display/full_window.h"

#include <string>

#include "runtime/runtime.h"
#include "state/game_state.h"

using platform::Rect;
using platform::Window;

std::string FullWindowFailureText(int code) {
  static const char* const kSteps[5] = {
      "",
      "デスクトップハンドルの取得",
      "DirectDrawの作成",
      "フルスクリーンの設定",
      "画面解像度の切り替え",
  };
  const char* step = (code >= 1 && code <= 4) ? kSteps[code] : "";
  return std::string(step) + "に失敗しました(Err=" + std::to_string(code) + ")";
}

void ToggleFullWindow() {
  Window w = gs.mainWindow;
  if (gs.displayHandle == 0) {
    // Lay the window so that its client area sits at the screen's origin.
    platform::MoveWindow(w, -platform::kFrameLeft, -platform::kFrameTop,
                         320 + platform::kFrameLeft + platform::kFrameRight,
                         240 + platform::kFrameTop + platform::kFrameBottom);
    platform::ShowWindow(w, true);
    // Kept local until it is known to be a handle: the game thread reads
    // displayHandle, and a failure code must never look like full-window mode.
    int result = platform::ChangeDisplayMode(w, 320, 240, 16, 1);
    if (result >= 1 && result <= 4) {
      WindowCenter(w, 0);
      platform::MessageBox(w, FullWindowFailureText(result), "Full Window", platform::MB_TOPMOST);
      gs.displayHandle = 0;
    } else {
      gs.displayHandle = result;
      platform::SetTopmost(w, true);
    }
  } else {
    platform::RestoreDisplayMode(gs.displayHandle, w);
    platform::SetTopmost(w, false);
    WindowCenter(w, 0);
    gs.displayHandle = 0;
  }
}

void FitClientSize(int width, int height) {
  Window w = gs.mainWindow;
  Rect outer = platform::GetWindowRect(w);
  Rect client = platform::GetClientRect(w);
  int borderW = outer.width() - client.width();
  int borderH = outer.height() - client.height();
  platform::MoveWindow(w, outer.left, outer.top, width + borderW, height + borderH);
}

int WindowCenter(Window window, Window other) {
  if (window == 0) {
    platform::MessageBox(platform::GetForegroundWindow(), "ハンドルに0は指定できません",
                         "WindowCenter", platform::MB_ICONEXCLAMATION | platform::MB_TOPMOST);
    return 0;
  }
  // What is centred is the window as the desktop frames it. Its frame is
  // known for sure only once it is shown: if showing it told otherwise, it is
  // centred again with the frame it got.
  for (int pass = 0; pass < 2; ++pass) {
    const Rect area = other ? platform::GetFrameRect(other) : platform::GetDesktopRect();
    const Rect frame = platform::GetFrameRect(window), outer = platform::GetWindowRect(window);
    const int x = Int(0.5 * (area.width() - frame.width())) + area.left;
    const int y = Int(0.5 * (area.height() - frame.height())) + area.top;
    if (pass == 1 && x == frame.left && y == frame.top) break;
    platform::MoveWindow(window, x + outer.left - frame.left, y + outer.top - frame.top,
                         outer.width(), outer.height());
    platform::ShowWindow(window, true);
  }
  return 1;
}
