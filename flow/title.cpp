#include "flow/title.h"

#include "platform/platform.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"
#include "zkmci/zkmci.h"

using platform::KeyHeld;
using platform::Sleep;

namespace {

void Repaint() { RepaintZKGDI(gs.mainWindow); }

// Brighten (v rising) or darken (v falling) the green hint; true once Enter is seen.
bool PulseStep(int v) {
  DrawTitleScreen(RGB(Int(v / 2.0), v, Int(v / 2.0)));
  if (KeyHeld(platform::VK_RETURN)) return true;
  Sleep(50);
  return false;
}

void IdleUntilEnter() {
  for (;;) {
    for (int v = 15; v <= 255; v += 15)
      if (PulseStep(v)) return;
    for (int v = 255; v >= 15; v -= 15)
      if (PulseStep(v)) return;
  }
}

// Counts the samples of the red fade in which Shift was held.
int FadeHintSamplingShift() {
  int count = 0;
  for (int v = 255; v >= 0; v -= 5) {
    DrawTitleScreen(RGB(v, 0, 0));
    Sleep(20);
    if (KeyHeld(platform::VK_SHIFT)) count += 1;
  }
  return count;
}

void DrawPictureOverScreen() {
  DrawBmp(0, 0, titleBmp, platform::SRCAND);
  DrawBmp(0, 0, titleStrBmp, platform::SRCPAINT);
}

void EnterMakerMode() {
  gs.startQuota = 3;
  gs.startScore = gs.levelThreshold[5];
  for (int i = 1; i <= 3; ++i) {
    DrawPictureOverScreen();
    PrintText(-1, 192, "- Maker Mode -", RGB(255, 0, 0), 18, kTextBoldItalic);
    Repaint();
    Sleep(100);
    if (i == 3) Sleep(1000);
    DrawPictureOverScreen();
    Repaint();
    Sleep(100);
  }
}

void FadeOut() {
  for (int v = 255; v >= 0; v -= 5) {
    FillWindow(CreateColorBrush(RGB(v, v, v)));
    DrawBmp(0, 0, titleBmp, platform::SRCAND);
    DrawBmp(0, 0, titleStrBmp, platform::SRCPAINT);
    Repaint();
    Sleep(10);
  }
  for (int v = 255; v >= 0; v -= 5) {
    FillWindow(CreateColorBrush(RGB(v, v, v)));
    DrawBmp(0, 0, titleStrBmp, platform::SRCAND);
    Repaint();
    Sleep(10);
  }
}

}  // namespace

void DrawTitleScreen(uint32_t hintColor) {
  DrawBmp(0, 0, titleBmp, platform::SRCCOPY);
  DrawBmp(0, 0, titleStrMask, platform::SRCAND);
  DrawBmp(0, 0, titleStrBmp, platform::SRCPAINT);
  PrintText(5, 5, "F4 .. Full Window", RGB(128, 128, 128), 12, kTextBold);
  PrintText(-1, 24, "HI SCORE " + Str(gs.hiScore) + "pt", RGB(255, 255, 255), 14, kTextBold);
  if (gs.displayHandle == 0)
    PrintText(-1, 216, "Option .. [S]", RGB(255, 255, 0), 14, kTextBold);
  PrintText(-1, 192, "Push Enter Key", hintColor, 18, kTextBoldItalic);
  Repaint();
}

void TitleScreen() {
  gs.titleActive = 1;
  // The sound layer refuses a command while an earlier one is pending; retry
  // until the opening music is accepted, but only while there is a sound-loop
  // thread to take it (otherwise the title would never appear).
  while (SoundCommand(gs.BgmId[1], kSoundPlayLooped, 0, "") == 0 && SoundLoopRunning())
    Sleep(1);
  // An Enter still held from the previous screen must be released first.
  while (KeyHeld(platform::VK_RETURN)) Sleep(1);
  IdleUntilEnter();
  if (FadeHintSamplingShift() > 50) EnterMakerMode();
  FadeOut();
  Sleep(1000);
  SoundCommand(gs.BgmId[1], kSoundStop, 0, "");
  ClearScreen();
  gs.titleActive = 0;
}
