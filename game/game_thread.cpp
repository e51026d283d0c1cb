#include "game/game_thread.h"

#include "game/assets.h"
#include "game/game_state.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "zkgdi/zkgdi.h"

void ShowLoadingScreen() {
  // One pixel up and to the left, as the picture has always been placed.
  DrawBmp(-1, -1, titleBmp, platform::SRCCOPY);
  PrintText(-1, -1, ".. Now Loading ..", RGB(255, 255, 0), 24,
            kTextBoldItalic | kTextShadow);
  RepaintZKGDI(gs.mainWindow);
}

void GameThread() {
  platform::Sleep(100);
  ShowLoadingScreen();
  // The loading picture stays until the program ends; the shell stops this
  // thread at its next sleep.
  for (;;) platform::Sleep(1000);
}
