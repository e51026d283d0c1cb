// Every picture the game draws: the records the drawing code reads. They are
// filled once when the main window is created (flow/assets.h).
#pragma once
#include "zkgdi/zkgdi.h"

extern BmpRecord titleBmp;      // image/title.bmp (image/title2.bmp after the God ending)
extern BmpRecord titleStrBmp;   // image/ttstr.bmp, the lettering
extern BmpRecord titleStrMask;  // image/ttstrm.bmp
extern BmpRecord skyBmp;        // image/sky.bmp
extern BmpRecord rageBmp;       // image/dra.bmp
// Sprite tables indexed by set * 4 + frame (frame 1..3); index set * 4 stays empty.
extern BmpRecord chrBmp[20], chrMask[20];  // sets 0..4: ship, enemy kinds 1..3, boss
extern BmpRecord shtBmp[24], shtMask[24];  // sets 0..5: shot kind - 1
extern BmpRecord bomBmp[6], bomMask[6];    // explosion frames 1..5

