#include "ending/ending.h"

#include "ending/texts.h"
#include "entities/tables.h"
#include "frame/play_input.h"
#include "platform/platform.h"
#include "runtime/runtime.h"
#include "state/game_state.h"
#include "state/pictures.h"
#include "zkgdi/zkgdi.h"

using platform::Sleep;

std::string endingText[14];

namespace {

void Repaint() { RepaintZKGDI(gs.mainWindow); }

void Copy(const char* const lines[kEndingLines + 1], int first, int last) {
  for (int i = first; i <= last; ++i) endingText[i] = lines[i];
}

}  // namespace

void FillEndingText() {
  // The common lines first; each variant then writes its own.
  endingText[1] = kEndingClear[1];
  endingText[11] = "";
  endingText[12] = kEndingClear[12];
  endingText[13] = kEndingClear[13];
  int hp = chr[0].hp;
  if (gs.enemySlots == 30) {
    Copy(kEndingGod, 1, 13);
    // From now on every screen shows the transformed title picture.
    CloseBmp(titleBmp);
    OpenBmp(titleBmp, "image/title2.bmp");
  } else if (hp < Int(100 * 0.3)) {
    Copy(kEndingNarrow, 2, 10);
  } else if (hp == 100) {
    Copy(kEndingFlawless, 2, 10);
  } else {
    Copy(kEndingClear, 2, 10);
  }
}

void ShowEnding() {
  FillEndingText();
  int fade = 15, shown = 0;
  for (int top = 240; top >= 0; --top) {
    fade += 15;
    if (fade > 255) {
      if (shown < kEndingLines) shown += 1;
      fade = 15;
    }
    DrawBmp(0, top, titleBmp, platform::SRCCOPY);
    for (int line = 1; line <= shown; ++line)
      PrintText(-1, line * 16, endingText[line], RGB(255, 255, 255), 14, kTextBold | kTextShadow);
    if (shown < kEndingLines)
      PrintText(-1, (shown + 1) * 16, endingText[shown + 1], RGB(fade, fade, fade), 14,
                kTextBold | kTextShadow);
    Repaint();
    Sleep(150);
  }
  Sleep(3000);
}

void ShowCredit(const std::string& heading, const std::string& entry1,
                const std::string& entry2, const std::string& entry3) {
  for (int v = 0; v <= 255; v += 5) {
    DrawBmp(0, 0, titleBmp, platform::SRCCOPY);
    PrintText(10, 100, heading, RGB(v, v, v), 18, kTextBoldItalic | kTextShadow);
    Repaint();
    Sleep(10);
  }
  Sleep(1000);
  const std::string* entries[3] = {&entry1, &entry2, &entry3};
  for (const std::string* entry : entries) {
    if (entry->empty()) break;  // an empty entry hides the ones after it
    for (int x = 320; x >= 30; x -= 10) {
      DrawBmp(0, 0, titleBmp, platform::SRCCOPY);
      PrintText(10, 100, heading, RGB(255, 255, 255), 18, kTextBoldItalic | kTextShadow);
      PrintText(x, 120, *entry, RGB(0, 255, 0), 18, kTextBoldItalic | kTextShadow);
      Repaint();
      Sleep(10);
    }
    Sleep(3000);
  }
  Sleep(2000);
}

void ShowStaffRoll() {
  for (const CreditPage& page : kCredits)
    ShowCredit(page.heading, page.entries[0], page.entries[1], page.entries[2]);
  for (int v = 0; v <= 255; v += 5) {
    DrawBmp(0, 0, titleBmp, platform::SRCCOPY);
    int grey = Int(v * 0.75);
    PrintText(-1, 10, "Presented By", RGB(grey, grey, grey), 14, kTextBoldItalic);
    PrintText(-1, 40, kPresenter, RGB(0, v, 0), 36, kTextBold | kTextShadow);
    for (int i = 0; i < kClosingNotes; ++i)
      PrintText(-1, 180 + i * 16, kClosingNote[i], RGB(v, v, v), 12, kTextBold);
    Repaint();
    Sleep(100);
  }
  WaitKeyPress(platform::VK_RETURN);
}
