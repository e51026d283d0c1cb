#include "state/pictures.h"

BmpRecord titleBmp, titleStrBmp, titleStrMask, skyBmp, rageBmp;
BmpRecord chrBmp[20], chrMask[20];
BmpRecord shtBmp[24], shtMask[24];
BmpRecord bomBmp[6], bomMask[6];
