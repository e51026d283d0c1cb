// Loading and freeing every picture the game draws (state/pictures.h), once
// when the main window is created and once when it is destroyed.
#pragma once
#include <string>
#include <vector>

#include "state/pictures.h"

// The 81 picture files and the records they load into, in loading order.
struct ImageEntry {
  BmpRecord* record;
  std::string file;
};
const std::vector<ImageEntry>& ImageTable();

void LoadImages();
void FreeImages();
