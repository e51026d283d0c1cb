#include "flow/game_thread.h"

#include "ending/ending.h"
#include "flow/play_game.h"
#include "flow/replay_game.h"
#include "flow/title.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"
#include "zkmci/zkmci.h"

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
  StartSoundLoop();
  gs.BgmId[1] = SoundCommand(0, kSoundOpen, 41, "bgm/opening.mid");
  gs.BgmId[2] = SoundCommand(0, kSoundOpen, 47, "bgm/stage.mid");
  gs.BgmId[3] = SoundCommand(0, kSoundOpen, 21, "bgm/boss.mid");
  gs.BgmId[4] = SoundCommand(0, kSoundOpen, 83, "bgm/ending.mid");
  WatchPendingReplay();  // quillmoor --replay FILE: the recording, then the title
  for (;;) {
    TitleScreen();
    gs.quitRequested = 0;
    if (PlayGame() != 0) {
      SoundCommand(gs.BgmId[4], kSoundPlayLooped, 0, "");
      ShowEnding();
      ShowStaffRoll();
      SoundCommand(gs.BgmId[4], kSoundStop, 0, "");
      // A won game passes the title screen twice: here and at the top.
      TitleScreen();
    }
  }
}
