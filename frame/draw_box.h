// Filled (style 1) or framed (style 0) rectangle on the back buffer with the
// user brush; right and bottom edges exclusive.
#pragma once
#include <cstdint>

void DrawBox(int x1, int y1, int x2, int y2, uint32_t colorRef, int style);
