#include "flow/play_game.h"

#include "entities/tables.h"
#include "flow/new_game.h"
#include "frame/frame.h"
#include "frame/play_input.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "settings/settings.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"
#include "zkmci/zkmci.h"

using platform::Sleep;

namespace {

void Repaint() { RepaintZKGDI(gs.mainWindow); }

void DrawBanner(int v) {
  DrawBmp(0, 0, titleBmp, platform::SRCCOPY);
  // floor(0.4 * (240 - 14)) and floor(0.6 * (240 - 14))
  PrintText(-1, 90, "Start Quillmoor !", RGB(v, 0, 0), 14, kTextBold);
  PrintText(-1, 135, "Wish To Your Kind Of Fighting !!", RGB(v, 0, 0), 14, kTextBold);
  Repaint();
  Sleep(10);
}

}  // namespace

void StageBanner() {
  for (int v = 0; v <= 240; v += 16) DrawBanner(v);
  WaitKeyPress(platform::VK_RETURN);
  for (int v = 255; v >= 15; v -= 16) DrawBanner(v);
  Sleep(1000);
  NewGame();
}

void BossDefeatSequence() {
  for (int i = 1; i <= kShotSlots; ++i) sht[i].kind = 0;
  int n = 1;
  for (;;) {
    StepFrame();
    if (chr[1].state == 0) {
      n += 1;
      if (n > 15) return;
      chr[1].state = 240;
      chr[1].anim = 0.0;
      double r = Rnd();  // x first
      chr[1].x = ToInt32(gs.bossX + Int(r * 2 * chr[1].radius));
      double r2 = Rnd();
      chr[1].y = ToInt32(gs.bossY + Int(r2 * 2 * chr[1].radius));
    }
    Sleep(replay::FrameSleep(gs.frameDelay));
  }
}

void WipeToBlack() {
  for (int pass = 0; pass <= 1; ++pass) {
    for (int y = pass; y <= 240; y += 2) {
      // One past the playfield on both axes, as the wipe always did; the
      // surface clips it.
      for (int x = 0; x <= 320; ++x) platform::SetPixel(*gs.backSurface, x, y, 0);
      Repaint();
      Sleep(10);
    }
  }
}

PlayEnd PlayFrames() {
  PlayEnd end = RunPlayLoop();
  if (end == PlayEnd::kWon) {
    if (gs.enemySlots == 20) gs.godUnlocked = 1;
    BossDefeatSequence();
  }
  return end;
}

void KeepRecordedGame(const replay::Record& rec, bool newHighScore) {
  const std::string bytes = replay::Serialize(rec);
  WriteFileBesideSettings(kLastGameFile, bytes);
  if (newHighScore) WriteFileBesideSettings(kBestGameFile, bytes);
}

int PlayGame() {
  int result = 0;
  StageBanner();
  // Every game is recorded from its first frame to its last.
  replay::SessionScope session;
  replay::StartRecording();
  SoundCommand(gs.BgmId[2], kSoundPlayLooped, 0, "");
  PlayEnd end = PlayFrames();
  if (end == PlayEnd::kWon) {
    result = 1;
    gs.frameCount = -1;
  } else if (end == PlayEnd::kLost) {
    gs.frameCount = -1;
  }
  const replay::Record record = replay::FinishRecording(static_cast<int>(end));
  const bool newHighScore = gs.score > gs.hiScore;
  if (newHighScore) {
    gs.hiScore = gs.score.load();
    PrintText(-1, -1, "HI SCORE!!", RGB(255, 255, 0), 24, kTextBold | kTextShadow);
  }
  KeepRecordedGame(record, newHighScore);
  Sleep(1000);
  WipeToBlack();
  SoundCommand(gs.BgmId[2], kSoundStop, 0, "");
  SoundCommand(gs.BgmId[3], kSoundStop, 0, "");
  Sleep(1000);
  return result;
}
