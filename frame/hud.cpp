#include "frame/hud.h"

#include <string>

#include "entities/player.h"
#include "entities/tables.h"
#include "frame/draw_box.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "zkgdi/zkgdi.h"

namespace {
constexpr int kBold = kTextBold;
constexpr int kBoldShadow = kTextBold | kTextShadow;

// Six single-width columns each, so the mode text lines up at every level.
const char* DifficultyLabel(int32_t enemySlots) {
  switch (enemySlots) {
    case 5: return " EASY ";
    case 12: return "NORMAL";
    case 20: return " HARD ";
    case 30: return "神 業 ";
    default: return "";
  }
}

void DrawQuotaOrBoss() {
  if (gs.quota > 0) {
    PrintText(5, 5, "LAST " + Str(gs.quota), RGB(255, 128, 128), 14, kBold);
    return;
  }
  PrintText(5, 5, "WARNING!!", RGB(255, 0, 0), 14, kBoldShadow);
  DrawBox(109, 39, 259, 46, RGB(192, 192, 192), 0);
  DrawBox(110, 40, 260, 45, RGB(128, 128, 128), 1);
  int32_t maxHp = gs.bossMaxHp;
  if (chr[1].hp > 0 && maxHp > 0) {
    int32_t w = Int(static_cast<double>(chr[1].hp) / maxHp * 150);
    DrawBox(110, 40, 110 + w, 45, RGB(255, 0, 0), 1);
  }
}

void DrawLevelLine() {
  int32_t level = chr[0].level;
  std::string text;
  if (level < kShipMaxLevel) {
    int32_t rest = 0;
    if (level + 1 >= 1 && level + 1 <= kShipMaxLevel) {
      rest = gs.levelThreshold[level + 1] - gs.shownScore;
      if (rest < 0) rest = 0;
    }
    text = "Lv." + Str(level) + " (LAST " + Str(rest) + "pt)";
  } else {
    text = "Lv." + Str(level) + " (LEVEL MAX!)";
  }
  PrintText(5, 20, text, RGB(0, 255, 255), 12, kBoldShadow);
}

void DrawModeLine() {
  std::string label = DifficultyLabel(gs.enemySlots);
  int32_t mode = gs.fireMode;
  if (mode == 1) {
    PrintText(190, 5, label + "MODE:  AUTO", RGB(255, 0, 255), 12, kBold);
  } else if (mode == 0) {
    PrintText(190, 5, label + "MODE:MANUAL", RGB(0, 255, 0), 12, kBold);
  }
}

void DrawLifeGauge() {
  PrintText(5, 225, "LIFE", RGB(255, 255, 0), 12, kBold);
  DrawBox(49, 229, 251, 236, RGB(192, 192, 192), 0);
  DrawBox(50, 230, 250, 235, RGB(128, 128, 128), 1);
  Chr& ship = chr[0];
  int32_t h = ship.hp;
  if (h > 0) {
    int32_t w = Int(static_cast<double>(h) / 100 * 200);
    uint32_t colour = h == 100 ? RGB(0, 255, 0) : h > 30 ? RGB(255, 255, 0) : RGB(255, 0, 0);
    DrawBox(50, 230, 50 + w, 235, colour, 1);
  } else if (ship.state == 1) {
    // Out of hit points: the ship starts exploding and the roll-up completes.
    ship.state = 240;
    ship.anim = 10.0;
    gs.inputLocked = 1;
    gs.shownScore = gs.score.load();
  }
}
}  // namespace

int32_t ScoreRollStep(int32_t shownScore, int32_t score) {
  // 64-bit differences: no overflow whatever the two values.
  int64_t behind = static_cast<int64_t>(score) - shownScore;
  if (behind > 10000) return 1000;
  if (behind > 1000) return 100;
  if (behind > 100) return 10;
  if (behind > 0) return 1;
  return 0;
}

void DrawHud() {
  DrawQuotaOrBoss();
  gs.shownScore += ScoreRollStep(gs.shownScore, gs.score);
  DrawLevelLine();
  PrintText(5, 35, "SCORE " + Str(gs.shownScore) + "pt", RGB(255, 255, 0), 12, kBoldShadow);
  PrintText(280, 210, "(" + Str(gs.frameDelay) + ")", RGB(255, 0, 0), 12, kBold);
  PrintText(270, 225, "FPS " + Str(gs.measuredFps), RGB(0, 255, 0), 12, kBold);
  DrawModeLine();
  DrawLifeGauge();
  if (gs.levelUpTimer > 0) {
    gs.levelUpTimer -= 1;
    PrintText(-1, -1, "LEVEL UP!", RGB(255, 255, 0), 24, kBoldShadow);
  }
}
