#include "shell/main_window.h"

#include <cstdio>

#include "display/full_window.h"
#include "display/icon.h"
#include "flow/assets.h"
#include "flow/game_thread.h"
#include "flow/keys.h"
#include "flow/replay_game.h"
#include "frame/regulator.h"
#include "runtime/runtime.h"
#include "settings/options_window.h"
#include "settings/settings.h"
#include "shell/shell.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"
#include "zkmci/zkmci.h"

namespace {
platform::ThreadHandle gGameThread = 0;
platform::ThreadHandle gRegulatorThread = 0;
}  // namespace

platform::ThreadHandle GameThreadHandle() { return gGameThread; }
platform::ThreadHandle RegulatorThreadHandle() { return gRegulatorThread; }

void StartFrameDelay() {
  // A new installation has learned no frame delay yet. Starting from 0 ran the
  // first game at thousands of frames a second until the regulator, 1 ms every
  // quarter second, caught up; start from the target's frame time instead.
  // "No Wait" (1000) keeps 0.
  if (gs.frameDelay == 0 && gs.targetFps >= 1 && gs.targetFps <= 60)
    gs.frameDelay = 1000 / gs.targetFps;
}

void OnCreate() {
  platform::Window w = gs.mainWindow;
  // The icon first: a window manager reads it when the window is first shown.
  SetGameIcon(w);
  FitClientSize(320, 240);
  WindowCenter(w, 0);
  platform::SetWindowText(w, kMainWindowTitle);
  StartZKGDI(w, 320, 240);
  gs.backSurface = SlotSurface(FindWindowSlot(w));
  LoadSettings();
  StartFrameDelay();
  LoadImages();
  gGameThread = platform::StartThread(GameThread, "game");
}

void OnDestroy() {
  platform::Window w = gs.mainWindow;
  // What must survive comes first: the settings, then the player's desktop.
  // Closed while a recording is watched, the player's own settings are saved.
  RestorePlayerSettings();
  SaveSettings();
  if (gs.displayHandle != 0) {
    platform::RestoreDisplayMode(gs.displayHandle, w);
    gs.displayHandle = 0;
  }
  // The game thread draws with the sounds, pictures and back buffer released
  // below: it ends before they go.
  platform::StopThread(gGameThread);
  gGameThread = 0;
  platform::LogEvent("game thread stopped");
  EndSoundLoop();
  platform::StopThread(gRegulatorThread);
  gRegulatorThread = 0;
  FreeImages();
  platform::LogEvent("pictures freed");
  EndZKGDI(w);
  gs.backSurface = nullptr;
  platform::LogEvent("back buffer released");
  platform::PostQuitMessage(0);
}

intptr_t MainWindowProc(platform::Window w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case platform::WM_CREATE:
      gs.mainWindow = w;
      OnCreate();
      return 0;
    case platform::WM_DESTROY:
      OnDestroy();
      return 0;
    case platform::WM_KEYDOWN:
      OnKeyDown(static_cast<int>(wParam));
      return 0;
    case platform::WM_PAINT: {
      if (platform::Surface* s = platform::BeginPaint(w)) PaintZKGDI(*s);
      platform::EndPaint(w);
      return 0;
    }
    case platform::WM_ACTIVATE:
      OnActivate(static_cast<int>(wParam & 0xFFFF));
      return 0;
    case platform::WM_CLOSE:
      platform::DestroyWindow(w);
      return 0;
    default:
      return platform::DefWindowProc(w, msg, wParam, lParam);
  }
}

void PrepareProcess() {
  // The dialog font and the button-face brush of the original live in the
  // widgets here (their face, size and colour are theirs), so nothing is made.
  platform::RegisterWindowClass(kDialogClass, platform::DefWindowProc);
  ResetZKGDI();  // an empty window table
  InitZKMCI();
  Randomize();
  SetConstantGameState();
  gRegulatorThread = platform::StartThread(FpsRegulator, "regulator");
  platform::RegisterWindowClass(kMainWindowClass, MainWindowProc);
}

platform::Window CreateMainWindow() {
  return platform::CreateWindow(kMainWindowClass, "rerada",
                                platform::WS_CAPTION_FRAME | platform::WS_SYSMENU |
                                    platform::WS_MINIMIZEBOX,
                                platform::kUseDefault, platform::kUseDefault, 640, 481, 0);
}

int RunMessageLoop(MessageSource next) {
  platform::Message msg;
  for (;;) {
    int r = next(msg);
    if (r == 0 || r == -1) return r;
    platform::DispatchMessage(msg);
  }
}

void StopShellThreads() {
  platform::StopThread(gGameThread);
  gGameThread = 0;
  platform::StopThread(gRegulatorThread);
  gRegulatorThread = 0;
}

int QuillmoorMain() { return RunShell(platform::GetMessage); }

int RunShell(MessageSource next) {
  PrepareProcess();
  if (CreateMainWindow() == 0) {
    std::fprintf(stderr, "quillmoor: the main window could not be created\n");
    StopShellThreads();
    return 1;
  }
  RunMessageLoop(next);
  // A failed message loop ends here too, without the destroy handler: the
  // threads are still stopped so that nothing runs on while the process ends.
  StopShellThreads();
  return 0;
}
